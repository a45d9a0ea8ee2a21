// enumerate.cpp: the handle enumerations and record calls of the middleware.
//
// Enumerations walk the model in file order and hand the handles out with
// the two-step count protocol (the provider asks for the count with a null
// buffer first). Record calls zero the record, find the object by handle and
// copy its fields to the offsets the provider reads.
#include <cstring>
#include <vector>

#include "sim/state.h"

using namespace abru2sim;

namespace {

enum class Kind { Controller, Enclosure, EndDevice, Phy, Port, RoutingDevice, Volume };

// Scope types each kind of object can be enumerated by: bit n stands for
// scope type n (0 all, 1 PHYs of a controller, 2 a controller, 4 an end
// device, 8 a RAID array).
constexpr uint32_t Scope(uint32_t type) { return 1u << type; }

struct KindScopes {
  Kind kind;
  uint32_t scopes;
};

constexpr KindScopes kScopes[] = {
    {Kind::Controller, Scope(0)},
    {Kind::Enclosure, Scope(0) | Scope(2)},
    {Kind::EndDevice, Scope(0) | Scope(2) | Scope(8)},
    {Kind::Phy, Scope(0) | Scope(1) | Scope(2) | Scope(4)},
    {Kind::Port, Scope(0) | Scope(2)},
    {Kind::RoutingDevice, Scope(0) | Scope(2)},
    {Kind::Volume, Scope(0) | Scope(2) | Scope(8)},
};

bool Accepts(Kind kind, uint32_t scopeType) {
  if (scopeType >= 32) return false;
  for (const auto& k : kScopes) {
    if (k.kind == kind) return (k.scopes & Scope(scopeType)) != 0;
  }
  return false;
}

void GatherFromController(Kind kind, const Controller& c, std::vector<SSI_HANDLE>& out) {
  switch (kind) {
    case Kind::Controller:
      out.push_back(c.handle);
      break;
    case Kind::Enclosure:
      for (const auto& e : c.enclosures) out.push_back(e.handle);
      break;
    case Kind::EndDevice:
      for (const auto& d : c.disks) out.push_back(d.handle);
      break;
    case Kind::Phy:
      for (const auto& d : c.disks) {
        if (d.phy) out.push_back(d.phy->handle);
      }
      for (const auto& p : c.freePhys) out.push_back(p.handle);
      break;
    case Kind::Port:
      if (c.port) out.push_back(c.port->handle);
      for (const auto& d : c.disks) {
        if (d.port) out.push_back(d.port->handle);
      }
      break;
    case Kind::RoutingDevice:
      for (const auto& r : c.routingDevices) out.push_back(r.handle);
      break;
    case Kind::Volume:
      for (const auto& v : c.volumes) out.push_back(v.handle);
      break;
  }
}

std::vector<SSI_HANDLE> Collect(Model& model, Kind kind, uint32_t scopeType, SSI_HANDLE scope) {
  std::vector<SSI_HANDLE> out;
  switch (scopeType) {
    case SSI_SCOPE_ALL:
      for (const auto& c : model.controllers) GatherFromController(kind, c, out);
      break;
    case SSI_SCOPE_CONTROLLER_PHYS:
    case SSI_SCOPE_CONTROLLER:
      if (const Controller* c = model.FindController(scope)) GatherFromController(kind, *c, out);
      break;
    case SSI_SCOPE_END_DEVICE:
      if (auto d = model.FindDisk(scope); d && d.item->phy) out.push_back(d.item->phy->handle);
      break;
    case SSI_SCOPE_RAID_ARRAY:
      if (auto a = model.FindArray(scope)) {
        if (kind == Kind::Volume) {
          out.push_back(a.item->handle);
        } else {
          out = a.item->disks;
        }
      }
      break;
    default:
      break;
  }
  return out;
}

SSI_STATUS Deliver(const std::vector<SSI_HANDLE>& found, SSI_HANDLE* handles, uint32_t* count) {
  const auto n = static_cast<uint32_t>(found.size());
  if (handles == nullptr) {
    *count = n;
    return SSI_STATUS_SUCCESS;
  }
  if (*count < n) {
    *count = n;
    return kStatusBufferTooSmall;
  }
  std::copy(found.begin(), found.end(), handles);
  *count = n;
  return SSI_STATUS_SUCCESS;
}

SSI_STATUS ListHandles(const char* name, Kind kind, SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                       SSI_HANDLE* handles, uint32_t* count) {
  return Enter(name, true, [&](Sim& sim) -> SSI_STATUS {
    if (count == nullptr || !sim.SessionOpen(session)) return SSI_STATUS_INVALID_PARAMETER;
    if (!Accepts(kind, scopeType)) {
      *count = 0;
      return SSI_STATUS_INVALID_PARAMETER;
    }
    return Deliver(Collect(sim.model, kind, scopeType, scope), handles, count);
  });
}

// Zeroes the record, checks the session, then lets fill find the object;
// fill returns false when the handle names nothing.
template <class Record, class Fill>
SSI_STATUS GetRecord(const char* name, SSI_HANDLE session, bool acceptsNoSession, Record* info, Fill fill) {
  return Enter(name, true, [&](Sim& sim) -> SSI_STATUS {
    if (info == nullptr) return SSI_STATUS_INVALID_PARAMETER;
    std::memset(info, 0, sizeof *info);
    const bool sessionOk = sim.SessionOpen(session) || (acceptsNoSession && session == kNoHandle);
    if (!sessionOk) return SSI_STATUS_INVALID_PARAMETER;
    return fill(sim.model, *info) ? SSI_STATUS_SUCCESS : SSI_STATUS_INVALID_PARAMETER;
  });
}

template <class Record>
void FillAddress(const Address& a, Record& r) {
  std::memcpy(r.address, a.parts.data(), 4);
  r.address64Present = a.wide ? 1 : 0;
  r.address64 = a.wide.value_or(0);
}

}  // namespace

extern "C" {

ABRU2_API SSI_STATUS SsiGetControllerHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                             SSI_HANDLE* handles, uint32_t* count) {
  return ListHandles("SsiGetControllerHandles", Kind::Controller, session, scopeType, scope, handles, count);
}

ABRU2_API SSI_STATUS SsiGetEnclosureHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                            SSI_HANDLE* handles, uint32_t* count) {
  return ListHandles("SsiGetEnclosureHandles", Kind::Enclosure, session, scopeType, scope, handles, count);
}

ABRU2_API SSI_STATUS SsiGetEndDeviceHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                            SSI_HANDLE* handles, uint32_t* count) {
  return ListHandles("SsiGetEndDeviceHandles", Kind::EndDevice, session, scopeType, scope, handles, count);
}

ABRU2_API SSI_STATUS SsiGetPhyHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                      SSI_HANDLE* handles, uint32_t* count) {
  return ListHandles("SsiGetPhyHandles", Kind::Phy, session, scopeType, scope, handles, count);
}

ABRU2_API SSI_STATUS SsiGetPortHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                       SSI_HANDLE* handles, uint32_t* count) {
  return ListHandles("SsiGetPortHandles", Kind::Port, session, scopeType, scope, handles, count);
}

ABRU2_API SSI_STATUS SsiGetRoutingDeviceHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                                SSI_HANDLE* handles, uint32_t* count) {
  return ListHandles("SsiGetRoutingDeviceHandles", Kind::RoutingDevice, session, scopeType, scope, handles,
                     count);
}

ABRU2_API SSI_STATUS SsiGetVolumeHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                         SSI_HANDLE* handles, uint32_t* count) {
  return ListHandles("SsiGetVolumeHandles", Kind::Volume, session, scopeType, scope, handles, count);
}

ABRU2_API SSI_STATUS SsiGetRaidInfoHandles(SSI_HANDLE session, SSI_HANDLE* handles, uint32_t* count) {
  return Enter("SsiGetRaidInfoHandles", true, [&](Sim& sim) -> SSI_STATUS {
    if (count == nullptr || !sim.SessionOpen(session)) return SSI_STATUS_INVALID_PARAMETER;
    std::vector<SSI_HANDLE> found;
    for (const auto& c : sim.model.controllers) found.push_back(c.raid.handle);
    return Deliver(found, handles, count);
  });
}

ABRU2_API SSI_STATUS SsiGetControllerInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_ControllerInfo* info) {
  return GetRecord("SsiGetControllerInfo", session, false, info, [=](Model& m, _SSI_ControllerInfo& r) {
    const Controller* c = m.FindController(handle);
    if (c == nullptr) return false;
    r.handle = c->handle;
    FillAddress(c->address, r);
    CopyText(r.name, sizeof r.name, c->name);
    r.controllerType = c->type;
    r.raidInfoHandle = c->raid.handle;
    CopyText(r.driverVersion, sizeof r.driverVersion, c->driverVersion);
    r.id = c->id;
    r.revision = c->revision;
    r.vendor = c->vendor;
    r.featureFlag = c->featureFlag;
    r.writeBackOffered = c->writeBackOffered;
    return true;
  });
}

ABRU2_API SSI_STATUS SsiGetEnclosureInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_EnclosureInfo* info) {
  return GetRecord("SsiGetEnclosureInfo", session, false, info, [=](Model& m, _SSI_EnclosureInfo& r) {
    auto e = m.FindEnclosure(handle);
    if (!e) return false;
    r.handle = e.item->handle;
    CopyText(r.vendor, sizeof r.vendor, e.item->vendor);
    CopyText(r.version, sizeof r.version, e.item->version);
    return true;
  });
}

ABRU2_API SSI_STATUS SsiGetEndDeviceInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_EndDeviceInfo* info) {
  return GetRecord("SsiGetEndDeviceInfo", session, false, info, [=](Model& m, _SSI_EndDeviceInfo& r) {
    auto found = m.FindDisk(handle);
    if (!found) return false;
    const Disk& d = *found.item;
    r.handle = d.handle;
    r.address64Present = d.address64 ? 1 : 0;
    r.address64 = d.address64.value_or(0);
    r.value24 = d.value24;
    r.raidInfoHandle = d.raidInfo.value_or(found.controller->raid.handle);
    CopyText(r.serialNo, sizeof r.serialNo, d.serial);
    CopyText(r.model, sizeof r.model, d.model);
    CopyText(r.firmware, sizeof r.firmware, d.firmware);
    r.value144 = d.value144;
    r.state = d.state;
    r.usage = d.usage;
    r.totalSize = d.size;
    for (size_t i = 0; i < 3; ++i) r.sizes[i] = d.sizes[i];
    r.noPool = d.noPool;
    return true;
  });
}

ABRU2_API SSI_STATUS SsiGetPhyInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_PhyInfo* info) {
  return GetRecord("SsiGetPhyInfo", session, false, info, [=](Model& m, _SSI_PhyInfo& r) {
    auto found = m.FindPhy(handle);
    if (!found) return false;
    const Phy& p = *found.item;
    r.handle = p.handle;
    r.phyNumber = p.number;
    r.protocol = p.protocol;
    r.negotiatedLinkRate = p.link[0];
    r.maxLinkRate = p.link[1];
    if (const Disk* d = found.disk) {
      r.portHandle = d->port ? d->port->handle : kNoHandle;
      r.attachedType = 2;
      r.attachedHandle = d->handle;
    }
    return true;
  });
}

ABRU2_API SSI_STATUS SsiGetPortInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_PortInfo* info) {
  return GetRecord("SsiGetPortInfo", session, false, info, [=](Model& m, _SSI_PortInfo& r) {
    auto found = m.FindPort(handle);
    if (!found) return false;
    r.handle = found.item->handle;
    FillAddress(found.item->address, r);
    r.attachedType = found.disk != nullptr ? 2 : 1;
    r.attachedHandle = found.disk != nullptr ? found.disk->handle : found.controller->handle;
    return true;
  });
}

ABRU2_API SSI_STATUS SsiGetRoutingDeviceInfo(SSI_HANDLE session, SSI_HANDLE handle,
                                             _SSI_RoutingDeviceInfo* info) {
  return GetRecord("SsiGetRoutingDeviceInfo", session, false, info, [=](Model& m, _SSI_RoutingDeviceInfo& r) {
    auto found = m.FindRoutingDevice(handle);
    if (!found) return false;
    r.handle = found.item->handle;
    CopyText(r.vendor, sizeof r.vendor, found.item->vendor);
    CopyText(r.version, sizeof r.version, found.item->version);
    return true;
  });
}

ABRU2_API SSI_STATUS SsiGetVolumeInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_VolumeInfo* info) {
  return GetRecord("SsiGetVolumeInfo", session, true, info, [=](Model& m, _SSI_VolumeInfo& r) {
    auto found = m.FindVolume(handle);
    if (!found) return false;
    const Volume& v = *found.item;
    r.handle = v.handle;
    r.arrayHandle = v.array;
    CopyText(r.name, sizeof r.name, v.name);
    r.state = v.state;
    r.raidLevel = v.level;
    r.totalSize = v.size;
    r.stripSize = v.stripCode;
    r.numDisks = static_cast<uint32_t>(v.disks.size());
    r.cachePolicy = v.cache;
    r.flag = v.flag;
    return true;
  });
}

ABRU2_API SSI_STATUS SsiGetRaidInfo(SSI_HANDLE session, SSI_HANDLE raidInfo, _SSI_RaidInfo* info) {
  return GetRecord("SsiGetRaidInfo", session, false, info, [=](Model& m, _SSI_RaidInfo& r) {
    const Controller* c = m.FindRaidInfo(raidInfo);
    if (c == nullptr) return false;
    r.handle = c->raid.handle;
    r.value4 = c->raid.value1;
    r.value16 = c->raid.value2;
    return true;
  });
}

ABRU2_API SSI_STATUS SsiGetRaidLevelInfo(SSI_HANDLE session, SSI_HANDLE raidInfo, uint32_t raidLevel,
                                         _SSI_RaidLevelInfo* info) {
  return GetRecord("SsiGetRaidLevelInfo", session, false, info, [=](Model& m, _SSI_RaidLevelInfo& r) {
    const Controller* c = m.FindRaidInfo(raidInfo);
    if (c == nullptr || FindRaidLevel(raidLevel) == nullptr) return false;
    // A level the controller does not offer is a valid question: the
    // record then says "not supported".
    if (const LevelSupport* s = c->raid.Find(raidLevel)) {
      r.supported = 1;
      r.stripKib = s->stripKib;
      r.stripMask = s->stripMask;
    }
    return true;
  });
}

}  // extern "C"
