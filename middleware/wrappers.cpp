// wrappers.cpp: the record-list wrappers of wrappers.h (controllers,
// enclosures, end devices, PHYs, ports, routing devices), LoadVolumes and
// the PHY helpers built on CPhys.
//
// The algorithm itself is in list_loader.h; this file only says, per record
// type, which middleware calls fill the list and which scopes its Load
// accepts. CRaidInfo, whose list holds handles, is in raid_info.cpp.
#include <cstring>

#include "middleware/list_loader.h"
#include "middleware/read_once.h"
#include "middleware/wrappers.h"

namespace {

using zubmw::HandleCall;
using zubmw::kNoScope;
using zubmw::RecordCall;
using zubmw::ScopeSet;
using zubmw::Scopes;

template <class Record>
struct ListKind {
  HandleCall handles;
  RecordCall<Record> record;
  ScopeSet scopes;
};

// One row per record type, chosen by overload. Built when called rather
// than as static data: on Windows the middleware's addresses are imported
// and only known once the library is loaded.
ListKind<_SSI_ControllerInfo> KindOf(const _SSI_ControllerInfo*) {
  return {SsiGetControllerHandles, SsiGetControllerInfo, kNoScope};
}
ListKind<_SSI_EnclosureInfo> KindOf(const _SSI_EnclosureInfo*) {
  return {SsiGetEnclosureHandles, SsiGetEnclosureInfo, Scopes({SSI_SCOPE_ALL, SSI_SCOPE_CONTROLLER})};
}
ListKind<_SSI_EndDeviceInfo> KindOf(const _SSI_EndDeviceInfo*) {
  return {SsiGetEndDeviceHandles, SsiGetEndDeviceInfo,
          Scopes({SSI_SCOPE_ALL, SSI_SCOPE_CONTROLLER, SSI_SCOPE_RAID_ARRAY})};
}
ListKind<_SSI_PhyInfo> KindOf(const _SSI_PhyInfo*) {
  return {SsiGetPhyHandles, SsiGetPhyInfo,
          Scopes({SSI_SCOPE_ALL, SSI_SCOPE_CONTROLLER_PHYS, SSI_SCOPE_END_DEVICE})};
}
ListKind<_SSI_PortInfo> KindOf(const _SSI_PortInfo*) {
  return {SsiGetPortHandles, SsiGetPortInfo, kNoScope};
}
ListKind<_SSI_RoutingDeviceInfo> KindOf(const _SSI_RoutingDeviceInfo*) {
  return {SsiGetRoutingDeviceHandles, SsiGetRoutingDeviceInfo, Scopes({SSI_SCOPE_ALL, SSI_SCOPE_CONTROLLER})};
}
ListKind<_SSI_VolumeInfo> KindOf(const _SSI_VolumeInfo*) {
  return {SsiGetVolumeHandles, SsiGetVolumeInfo, kNoScope};
}

template <class Record>
SSI_STATUS LoadList(CSsiListT<Record>& wrapper, uint32_t scopeType, SSI_HANDLE scopeHandle,
                    SSI_STATUS whenEmpty = SSI_STATUS_SUCCESS) {
  const ListKind<Record> kind = KindOf(static_cast<const Record*>(nullptr));
  return zubmw::LoadRecords(kind.handles, kind.record, kind.scopes, scopeType, scopeHandle, whenEmpty,
                            wrapper.m_list, wrapper.m_bLoaded, &wrapper.m_handles);
}

}  // namespace

SSI_STATUS CHostController::Load() { return LoadList(*this, SSI_SCOPE_ALL, 0); }

SSI_STATUS CEnclosure::Load(uint32_t scopeType, SSI_HANDLE scopeHandle) {
  return LoadList(*this, scopeType, scopeHandle);
}

SSI_STATUS CEndDevices::Load(uint32_t scopeType, SSI_HANDLE scopeHandle) {
  return LoadList(*this, scopeType, scopeHandle);
}

SSI_STATUS CPhys::Load(uint32_t scopeType, SSI_HANDLE scopeHandle) {
  return LoadList(*this, scopeType, scopeHandle);
}

SSI_STATUS CPorts::Load() { return LoadList(*this, SSI_SCOPE_ALL, 0); }

SSI_STATUS CRoutingDevice::Load(uint32_t scopeType, SSI_HANDLE scopeHandle) {
  return LoadList(*this, scopeType, scopeHandle);
}

SSI_STATUS LoadVolumes(CVolumeList* list) {
  if (list == nullptr) return WRAP_MISSING_ARGUMENT;
  return LoadList(*list, SSI_SCOPE_ALL, 0, WRAP_NO_VOLUME);
}

SSI_STATUS ReadSystemInfo(_SSI_SystemInfo* out) {
  zubmw::CheckOncePerRequest();
  return zubmw::Reading().Read(zubmw::ReadKey{zubmw::CallId(&SsiGetSystemInfo)}, out,
                               [out] { return SsiGetSystemInfo(out); });
}

SSI_STATUS CPhys::GetCurrentInfo(_SSI_PhyInfo* out) {
  if (out == nullptr) return WRAP_MISSING_ARGUMENT;
  if (!m_bLoaded) {
    if (SSI_STATUS s = Load(SSI_SCOPE_ALL, 0); s != SSI_STATUS_SUCCESS) return s;
  }
  CGlobalLock lock(GetGlobalLock());
  // A load that found no PHY succeeds with an empty list; the caller then
  // reads a zeroed record rather than whatever *out held.
  if (const _SSI_PhyInfo* current = m_list.GetCurrent()) {
    *out = *current;
  } else {
    std::memset(out, 0, sizeof *out);
  }
  return SSI_STATUS_SUCCESS;
}

SSI_STATUS CPhys::Locate(SSI_HANDLE phy, uint32_t on) {
  // The PHY records change with the light: read and leave them fresh.
  const zubmw::FreshScope fresh;
  // The load is what initialises the middleware when nobody has; its
  // session is closed again before the locate call, which needs none.
  if (SSI_STATUS s = Load(SSI_SCOPE_ALL, 0); s != SSI_STATUS_SUCCESS) return s;
  return SsiPhyLocate(phy, on);
}
