// da_port.cpp: CZubDAPort, the port of each volume's first member disk.
#include "classes/ports/da_port.h"

#include <algorithm>
#include <map>
#include <memory>

#include "classes/config/storage_setting.h"
#include "classes/ports/port_rules.h"
#include "classes/tables.h"
#include "framework/event_register.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "framework/object_path.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_DAPort,
    ZUB_FIELD(DeviceID).Key(2),
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(ProtocolName),
    ZUB_FIELD(PortType).Cim(CimType::UInt16),
    ZUB_FIELD(UsageRestriction).Cim(CimType::UInt16),
    ZUB_FIELD(EnabledState).Cim(CimType::UInt16),
    ZUB_FIELD(StatusList).Cim(CimType::UInt16),
    ZUB_FIELD(Caption),
    ZUB_FIELD(Description),
    ZUB_FIELD(MaxSpeed),
    ZUB_FIELD(Speed),
    ZUB_FIELD(Protocol).Internal(),
    ZUB_FIELD(HealthState).Cim(CimType::UInt16),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(AttachedHandle).Internal())

namespace {

// The texts of a PHY protocol code; a code missing here has no Caption text
// and the ProtocolName "SCSI".
struct ProtocolTexts {
  int32_t code;
  const wchar_t* caption;
  const wchar_t* protocolName;
};
constexpr ProtocolTexts kProtocolTexts[] = {
    {0, L"Unknown", L"Unknown"},
    {1, L"SATA", L"ATA"},
    {2, L"SAS", L"SCSI"},
    {3, L"Serial Tunneling", L"SCSI"},
    {4, L"Serial SCSI", L"SCSI"},
};
constexpr ProtocolTexts kOtherProtocol = {0, L"", L"SCSI"};

const ProtocolTexts& TextsOf(int32_t code) {
  for (const ProtocolTexts& row : kProtocolTexts) {
    if (row.code == code) return row;
  }
  return kOtherProtocol;
}

const stZUB_StorageSetting* SettingNamed(const CArrayT<stZUB_StorageSetting>& settings, const CZubString& name) {
  for (const stZUB_StorageSetting& s : settings) {
    if (s.VolumeName.Compare(name) == 0) return &s;
  }
  return nullptr;
}

// The end-device handle in a disk extent's path (its DeviceID); 0, which no
// disk has, when the path has no DeviceID.
SSI_HANDLE DiskOfPath(const CZubString& path) {
  CWbemObjectPath parsed;
  parsed.ParsePath(path);
  CZubString deviceId;
  parsed.m_keys.TryGetPropertyValue(L"DeviceID", &deviceId);
  return HandleFromText(deviceId);
}

class CZubDAPort : public CZubClassT<CZubDAPortInterface, stZUB_DAPort>, public CRefreshAfterEventT<CZubDAPort> {
 public:
  // Built in one step (CListBuild): the monitor's refresh and a host may
  // rebuild the list at the same time.
  PROVIDER_STATUS Update() override {
    CListBuild<stZUB_DAPort> built(m_list, nullptr);
    CArrayT<stZUB_StorageVolume> volumes;
    CArrayT<stZUB_StorageSetting> settings;
    if (PROVIDER_STATUS s = ReadLists<&PROVIDER_CreateZubStorageVolumeInstance,
                                      &PROVIDER_CreateZubStorageSettingVolumeInstance>(ListNeed::Rebuilt, &volumes,
                                                                                       &settings))
      return s;
    if (volumes.GetCount() == 0 || settings.GetCount() != volumes.GetCount()) return PROVIDER_NOT_FOUND;
    Reads reads;
    for (const stZUB_StorageVolume& volume : volumes) {
      const stZUB_StorageSetting* setting = SettingNamed(settings, volume.ElementName);
      if (!setting) return PROVIDER_NOT_FOUND;
      if (setting->MemberDisks.GetCount() == 0) continue;
      if (PROVIDER_STATUS s = Add(volume, DiskOfPath(setting->MemberDisks[0]), reads, built)) return s;
    }
    return UpdateDone();
  }

 private:
  // What one Update reads of the middleware, each at most once: the end
  // devices of a controller are the same for all its volumes, and the ports
  // the same for every volume (re-reading them per volume made a listing
  // quadratic in the number of volumes).
  struct Reads {
    std::map<SSI_HANDLE, std::unique_ptr<CEndDevices>> disksOf;  // by controller handle
    std::unique_ptr<CPorts> ports;
  };

  // The DA port of `volume`, whose first member disk is `disk`.
  static PROVIDER_STATUS Add(const stZUB_StorageVolume& volume, SSI_HANDLE disk, Reads& reads,
                             CListBuild<stZUB_DAPort>& built) {
    const SSI_HANDLE controller = HandleFromText(volume.ControllerHandle);
    auto known = reads.disksOf.find(controller);
    if (known == reads.disksOf.end()) {
      auto loaded = std::make_unique<CEndDevices>();
      if (loaded->Load(SSI_SCOPE_CONTROLLER, controller) != SSI_STATUS_SUCCESS) return PROVIDER_FAILED;
      known = reads.disksOf.emplace(controller, std::move(loaded)).first;
    }
    const CEndDevices& disks = *known->second;
    if (std::none_of(disks.m_list.begin(), disks.m_list.end(),
                     [&](const _SSI_EndDeviceInfo& d) { return d.handle == disk; }))
      return PROVIDER_NOT_FOUND;

    if (!reads.ports) {
      auto loaded = std::make_unique<CPorts>();
      if (loaded->Load() != SSI_STATUS_SUCCESS) return PROVIDER_FAILED;
      reads.ports = std::move(loaded);
    }
    CPhys phys;
    if (phys.Load(SSI_SCOPE_END_DEVICE, disk) != SSI_STATUS_SUCCESS) return PROVIDER_FAILED;
    if (phys.m_list.GetCount() == 0) return PROVIDER_SUCCESS;
    const _SSI_PhyInfo& phy = phys.m_list[0];
    for (const _SSI_PortInfo& port : reads.ports->m_list) {
      if (port.handle != phy.portHandle) continue;
      built.Add(DAPortOf(port, phy, volume));
      break;
    }
    return PROVIDER_SUCCESS;
  }
};

}  // namespace

stZUB_DAPort DAPortOf(const _SSI_PortInfo& port, const _SSI_PhyInfo& phy, const stZUB_StorageVolume& volume) {
  const ProtocolTexts& texts = TextsOf(phy.protocol);
  stZUB_DAPort rec;
  rec.DeviceID = NumberText(port.handle);
  rec.CreationClassName = L"ZUB_DAPort";
  rec.SystemCreationClassName = L"Port_";
  rec.SystemCreationClassName.Append(rec.DeviceID);
  rec.SystemName = kSystemCreationClassName;
  rec.ProtocolName = texts.protocolName;
  rec.PortType = 81;
  rec.UsageRestriction = 2;
  rec.EnabledState = 2;
  rec.StatusList.Add(2);
  rec.Caption = texts.caption;
  rec.Caption.Append(L" Port");
  rec.Description = rec.Caption;
  rec.MaxSpeed = LinkRate(phy.maxLinkRate);
  rec.Speed = LinkRate(phy.negotiatedLinkRate);
  rec.Protocol = phy.protocol;
  rec.HealthState = volume.HealthState;
  rec.ControllerHandle = volume.ControllerHandle;
  rec.AttachedHandle = NumberText(port.attachedHandle);
  return rec;
}

CZubDAPortInterface* PROVIDER_CreateZubDAPortInstance() { return Singleton<CZubDAPort>(); }

CEventRegisterInterface* DAPortEvents() { return Singleton<CZubDAPort>(); }
