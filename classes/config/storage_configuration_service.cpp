// storage_configuration_service.cpp: CZubStorageConfigurationService: volume
// creation, modification and deletion, and rescans.
#include "classes/config/storage_configuration_service.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/port_controller.h"
#include "classes/tables.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "framework/object_path.h"
#include "framework/text.h"
#include "middleware/read_once.h"
#include "platform/platform.h"

ZUB_DESCRIBE(stZUB_CreateOrModifyParams,
    ZUB_FIELD(ElementName).In(),
    ZUB_FIELD(ElementType).In().Cim(CimType::UInt16),
    ZUB_FIELD(Job).Out().NullText(),
    ZUB_FIELD(Goal).In().Ref("CIM_StorageSetting"),
    ZUB_FIELD(Size).InOut(),
    ZUB_FIELD(InElements).In().Ref("ZUB_StorageExtentDisk"),
    ZUB_FIELD(TheElement).InOut().Ref("ZUB_StorageVolume"))

ZUB_DESCRIBE(stZUB_ReturnToStoragePoolParams,
    ZUB_FIELD(Job).Out().NullText(),
    ZUB_FIELD(TheElement).In().Ref("ZUB_StorageVolume"))

ZUB_DESCRIBE(stZUB_ScsiScanParams,
    ZUB_FIELD(Job).Out().NullText(),
    ZUB_FIELD(ConnectionType).In().Cim(CimType::UInt16),
    ZUB_FIELD(OtherConnectionType).In().NullText(),
    ZUB_FIELD(Initiators).In(),
    ZUB_FIELD(Targets).In(),
    ZUB_FIELD(LUNs).In())

ZUB_DESCRIBE(stZUB_StorageConfigurationService,
    ZUB_FIELD(Name).Key(2),
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Description),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(ReturnValue).Return(),
    ZUB_FIELD(CreateOrModifyParams).Params("CreateOrModifyElementFromElements"),
    ZUB_FIELD(ReturnToStoragePoolParams).Params("ReturnToStoragePool"),
    ZUB_FIELD(ScsiScanParams).Params("ScsiScan"))

namespace {

constexpr size_t kNameBytes = 17;

// Middleware status → ReturnValue, one column per method (ConfigMethod order).
struct Translation {
  SSI_STATUS status;
  uint64_t value[3];
};
constexpr Translation kTranslations[] = {
    {SSI_STATUS_NOT_INITIALIZED, {kReturnNotSupported, kReturnNotSupported, kReturnNotSupported}},
    {SSI_STATUS_INVALID_PARAMETER, {kReturnInvalidParameter, kReturnInvalidParameter, kReturnNotSupported}},
    {SSI_STATUS_FAILED, {kReturnFailed, kReturnFailed, kReturnFailed}},
    {SSI_STATUS_UNKNOWN_FAILURE, {kReturnUnknown, kReturnUnknown, kReturnUnknown}},
    {SSI_STATUS_REFUSED, {kReturnInvalidParameter, kReturnFailed, kReturnInvalidParameter}},
    {SSI_STATUS_TIMEOUT, {kReturnTimeout, kReturnTimeout, kReturnTimeout}},
};

// A reference's key values; false when the reference lacks one of them
// (rejected input).
template <size_t N>
bool ReadKeys(const CZubString& reference, const std::array<const wchar_t*, N>& names,
              std::vector<CZubString>* values, CZubString* className = nullptr) {
  CWbemObjectPath path;
  path.ParsePath(reference);
  if (className) *className = path.m_className;
  values->clear();
  for (const wchar_t* name : names) {
    if (!path.m_keys.TryGetPropertyValue(name, &values->emplace_back())) return false;
  }
  return true;
}

constexpr std::array<const wchar_t*, 4> kVolumeKeys = {L"CreationClassName", L"DeviceID",
                                                       L"SystemCreationClassName", L"SystemName"};
constexpr std::array<const wchar_t*, 1> kInstanceID = {L"InstanceID"};
constexpr std::array<const wchar_t*, 1> kDeviceID = {L"DeviceID"};

bool IsVolume(const stZUB_StorageVolume& v, const std::vector<CZubString>& keys) {
  return v.CreationClassName.Compare(keys[0]) == 0 && v.DeviceID.Compare(keys[1]) == 0 &&
         v.SystemCreationClassName.Compare(keys[2]) == 0 && v.SystemName.Compare(keys[3]) == 0;
}

template <class Rec, class Match>
const Rec* First(const CArrayT<Rec>& list, Match match) {
  for (const Rec& r : list) {
    if (match(r)) return &r;
  }
  return nullptr;
}

// The middleware's 17-byte volume name (no terminator when all 17 are used).
void VolumeName(const CZubString& name, char (&out)[kNameBytes]) {
  std::memset(out, 0, sizeof out);
  const std::string narrow = platform::NarrowToMultiByte(name.Str(), kNameBytes);
  std::memcpy(out, narrow.data(), std::min(narrow.size(), sizeof out));
}

uint32_t StripUnits(uint64_t bytes) { return static_cast<uint32_t>(bytes >> 11); }

// A lookup chain that ends with the ReturnValue it leaves.
class Outcome {
 public:
  explicit Outcome(uint64_t* returnValue) : m_rv(returnValue) {}
  PROVIDER_STATUS Set(uint64_t value) {
    *m_rv = value;
    return PROVIDER_SUCCESS;
  }
  PROVIDER_STATUS Middleware(ConfigMethod method, SSI_STATUS status) {
    return Set(MiddlewareReturnValue(method, status));
  }

 private:
  uint64_t* m_rv;
};

class CZubStorageConfigurationService
    : public CZubClassT<CZubStorageConfigurationServiceInterface, stZUB_StorageConfigurationService> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_PortController> controllers;
    if (ReadList<&PROVIDER_CreateZubPortControllerInstance>(&controllers) == PROVIDER_NO_OBJECT)
      return PROVIDER_FAILED;
    if (controllers.GetCount() == 0) return PROVIDER_NOT_FOUND;
    for (const stZUB_PortController& controller : controllers) {
      stZUB_StorageConfigurationService rec;
      rec.CreationClassName = L"ZUB_StorageConfigurationService";
      rec.Name = rec.CreationClassName;
      rec.Name.Append(L"_");
      rec.Name.Append(controller.ElementName);
      rec.SystemCreationClassName = kSystemCreationClassName;
      rec.SystemName = controller.ElementName;
      rec.ElementName = L"Storage Configuration Server";
      rec.Description = L"Use to manage storage pools and volumes for ";
      rec.Description.Append(controller.ElementName);
      rec.ControllerHandle = controller.InstanceID;
      m_list.AddLocked(rec);
    }
    return UpdateDone();
  }

  PROVIDER_STATUS CreateOrModifyElementFromElements(stZUB_StorageConfigurationService* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    // Reads and leaves fresh state: the configuration changes here.
    const zubmw::FreshScope fresh;
    stZUB_CreateOrModifyParams& p = rec->CreateOrModifyParams;
    Outcome out(&rec->ReturnValue);
    if (p.ElementType != kElementTypeVolume) return out.Set(kReturnInvalidParameter);
    if (!p.TheElement.IsEmpty()) return Modify(p, out);
    if (p.InElements.GetCount() == 0) return out.Set(kReturnInvalidParameter);
    if (p.ElementName.IsEmpty() || p.ElementName.GetLength() > kNameBytes) return out.Set(kReturnInvalidParameter);
    return Create(p, out);
  }

  PROVIDER_STATUS ReturnToStoragePool(stZUB_StorageConfigurationService* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    // Reads and leaves fresh state: the configuration changes here.
    const zubmw::FreshScope fresh;
    const CZubString& element = rec->ReturnToStoragePoolParams.TheElement;
    Outcome out(&rec->ReturnValue);
    if (element.IsEmpty()) return out.Set(kReturnInvalidParameter);
    out.Set(kReturnFailed);
    std::vector<CZubString> keys;
    CZubString className;
    const bool complete = ReadKeys(element, kVolumeKeys, &keys, &className);
    if (className.Compare(CZubString(L"ZUB_StorageVolume")) != 0 || !complete) return out.Set(kReturnInvalidParameter);
    CArrayT<stZUB_StorageVolume> volumes;
    CArrayT<stZUB_StorageSetting> settings;
    if (ReadList<&PROVIDER_CreateZubStorageVolumeInstance>(&volumes) != PROVIDER_SUCCESS) return PROVIDER_SUCCESS;
    const stZUB_StorageVolume* volume = First(volumes, [&](const auto& v) { return IsVolume(v, keys); });
    if (!volume || ReadList<&PROVIDER_CreateZubStorageSettingVolumeInstance>(&settings) != PROVIDER_SUCCESS)
      return PROVIDER_SUCCESS;
    const stZUB_StorageSetting* setting =
        First(settings, [&](const auto& s) { return s.VolumeName.Compare(volume->ElementName) == 0; });
    if (!setting) return PROVIDER_SUCCESS;
    if (SSI_STATUS s = SsiVolumeDelete(HandleFromText(volume->VolumeHandle)))
      return out.Middleware(ConfigMethod::ReturnToStoragePool, s);
    RemoveSetting(SettingList::Volume, setting->InstanceID);
    return out.Set(kReturnSuccess);
  }

  PROVIDER_STATUS ScsiScan(stZUB_StorageConfigurationService* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    // Reads and leaves fresh state: the configuration changes here.
    const zubmw::FreshScope fresh;
    stZUB_ScsiScanParams& p = rec->ScsiScanParams;
    p.ConnectionType = 0;
    p.Initiators.RemoveAll();
    p.LUNs.RemoveAll();
    p.OtherConnectionType = L"NULL";
    p.Targets.RemoveAll();
    p.Job = L"NULL";
    Outcome out(&rec->ReturnValue);
    if (SSI_STATUS s = SsiRescan()) return out.Middleware(ConfigMethod::ScsiScan, s);
    return out.Set(kReturnSuccess);
  }

 private:
  PROVIDER_STATUS Create(stZUB_CreateOrModifyParams& p, Outcome& out) {
    out.Set(kReturnFailed);
    p.Job = L"NULL";
    std::vector<CZubString> goal;
    if (!ReadKeys(p.Goal, kInstanceID, &goal)) return out.Set(kReturnInvalidParameter);
    CArrayT<stZUB_StorageSetting> settings;
    if (ReadList<&PROVIDER_CreateZubStorageSettingPrimordialInstance>(&settings) != PROVIDER_SUCCESS)
      return PROVIDER_SUCCESS;
    const stZUB_StorageSetting* setting =
        First(settings, [&](const auto& s) { return s.InstanceID.Compare(goal[0]) == 0; });
    if (!setting) return PROVIDER_SUCCESS;
    CArrayT<stZUB_StoragePool> pools;
    if (ReadList<&PROVIDER_CreateZubStoragePoolInstance>(&pools) != PROVIDER_SUCCESS ||
        !First(pools, [&](const auto& pool) { return pool.PoolID.Compare(setting->PoolID) == 0; }))
      return PROVIDER_SUCCESS;
    CArrayT<stZUB_StorageExtentDisk> disks;
    if (ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(&disks) == PROVIDER_NO_OBJECT) return PROVIDER_SUCCESS;
    std::vector<SSI_HANDLE> handles;
    for (const CZubString& element : p.InElements) {
      std::vector<CZubString> id;
      if (!ReadKeys(element, kDeviceID, &id)) return out.Set(kReturnInvalidParameter);
      if (const auto* disk = First(disks, [&](const auto& d) { return d.DeviceID.Compare(id[0]) == 0; }))
        handles.push_back(HandleFromText(disk->EndDeviceHandle));
    }
    p.InElements.ResetCursor();

    _SSI_CreateFromDisksParams block{};
    block.disks = handles.data();
    block.numDisks = static_cast<uint32_t>(handles.size());
    VolumeName(p.ElementName, block.name);
    block.stripSize = StripUnits(setting->UserDataStripeDepth);
    block.raidLevel = RaidLevelCode(setting->RaidLevel);
    block.size = p.Size;
    SSI_HANDLE volume = 0;
    if (SSI_STATUS s = SsiVolumeCreateFromDisks(block, &volume))
      return out.Middleware(ConfigMethod::CreateOrModify, s);
    if (SSI_STATUS s = SsiVolumeSetCachePolicy(volume, CachePolicyCode(setting->CachePolicy)))
      return out.Middleware(ConfigMethod::CreateOrModify, s);

    stZUB_StorageVolume created;
    created.CreationClassName = L"ZUB_StorageVolume";
    created.DeviceID = p.ElementName;
    created.DeviceID.Append(L"_");
    created.DeviceID.Append(NumberText(volume));
    created.SystemCreationClassName = kSystemCreationClassName;
    created.SystemName = L"Volume_";
    created.SystemName.Append(NumberText(volume));
    p.TheElement = CReferenceBuilder().To(L"ZUB_StorageVolume", created);
    _SSI_VolumeInfo info{};
    SsiGetVolumeInfo(0, volume, &info);
    p.Size = info.totalSize;
    return out.Set(kReturnSuccess);
  }

  PROVIDER_STATUS Modify(stZUB_CreateOrModifyParams& p, Outcome& out) {
    out.Set(kReturnFailed);
    std::vector<CZubString> goal, keys;
    if (!ReadKeys(p.Goal, kInstanceID, &goal)) return out.Set(kReturnInvalidParameter);
    CArrayT<stZUB_StorageSetting> settings;
    if (ReadList<&PROVIDER_CreateZubStorageSettingVolumeInstance>(&settings) != PROVIDER_SUCCESS)
      return PROVIDER_SUCCESS;
    const stZUB_StorageSetting* setting =
        First(settings, [&](const auto& s) { return s.InstanceID.Compare(goal[0]) == 0; });
    if (!setting) return PROVIDER_SUCCESS;
    if (!ReadKeys(p.TheElement, kVolumeKeys, &keys))
      return out.Set(kReturnInvalidParameter);
    CArrayT<stZUB_StorageVolume> volumes;
    if (ReadList<&PROVIDER_CreateZubStorageVolumeInstance>(&volumes) != PROVIDER_SUCCESS) return PROVIDER_SUCCESS;
    const stZUB_StorageVolume* volume = First(volumes, [&](const auto& v) { return IsVolume(v, keys); });
    if (!volume) return PROVIDER_SUCCESS;

    std::vector<SSI_HANDLE> added;
    if (p.InElements.GetCount() > 0) {
      CArrayT<stZUB_StorageExtentDisk> disks;
      if (ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(&disks) == PROVIDER_NO_OBJECT)
        return PROVIDER_SUCCESS;
      for (const CZubString& element : p.InElements) {
        std::vector<CZubString> id;
        if (!ReadKeys(element, kDeviceID, &id)) return out.Set(kReturnInvalidParameter);
        if (IsMember(*setting, id[0])) continue;
        if (const auto* disk = First(disks, [&](const auto& d) { return d.DeviceID.Compare(id[0]) == 0; }))
          added.push_back(HandleFromText(disk->EndDeviceHandle));
      }
      p.InElements.ResetCursor();
    }

    const SSI_HANDLE handle = HandleFromText(volume->VolumeHandle);
    const uint32_t level = RaidLevelCode(setting->RaidLevel);
    const uint32_t strip = StripUnits(setting->UserDataStripeDepth);
    const auto failed = [&](SSI_STATUS s) { return out.Middleware(ConfigMethod::CreateOrModify, s); };
    if (level == RaidLevelCode(volume->RaidLevel) && strip == StripUnits(static_cast<uint64_t>(volume->StripSize))) {
      if (p.Size != volume->VolumeSize) {
        if (SSI_STATUS s = SsiExpandVolume(handle, p.Size)) return failed(s);
      }
      if (!added.empty()) {
        if (SSI_STATUS s = SsiAddDisksToArray(HandleFromText(volume->ArrayHandle), added.data(),
                                              static_cast<uint32_t>(added.size())))
          return failed(s);
      }
    } else {
      _SSI_RaidLevelModifyParams block{};
      block.stripSize = strip;
      block.raidLevel = level;
      block.size = p.Size;
      block.disks = added.data();
      block.numDisks = static_cast<uint32_t>(added.size());
      if (SSI_STATUS s = SsiRaidLevelModify(handle, block)) return failed(s);
    }
    if (setting->CachePolicy.Compare(volume->CachePolicy) != 0) {
      if (SSI_STATUS s = SsiVolumeSetCachePolicy(handle, CachePolicyCode(setting->CachePolicy))) return failed(s);
    }
    if (!p.ElementName.IsEmpty()) {
      char name[kNameBytes];
      VolumeName(p.ElementName, name);
      if (p.ElementName.Compare(setting->VolumeName) != 0) {
        if (SSI_STATUS s = SsiVolumeRename(handle, name)) return failed(s);
      }
    }
    RemoveSetting(SettingList::Volume, setting->InstanceID);
    return out.Set(kReturnSuccess);
  }

  // Whether the setting's member disks hold a disk with that DeviceID.
  static bool IsMember(const stZUB_StorageSetting& setting, const CZubString& deviceId) {
    for (const CZubString& member : setting.MemberDisks) {
      std::vector<CZubString> id;
      if (ReadKeys(member, kDeviceID, &id) && id[0].Compare(deviceId) == 0) return true;
    }
    return false;
  }
};

}  // namespace

uint64_t MiddlewareReturnValue(ConfigMethod method, SSI_STATUS status) {
  for (const Translation& t : kTranslations) {
    if (t.status == status) return t.value[static_cast<size_t>(method)];
  }
  return kReturnInvalidParameter;
}

CZubStorageConfigurationServiceInterface* PROVIDER_CreateZubStorageConfigurationServiceInstance() {
  return Singleton<CZubStorageConfigurationService>();
}
