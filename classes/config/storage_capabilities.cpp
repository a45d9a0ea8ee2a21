// storage_capabilities.cpp: CZubStorageCapabilitiesPrimordial and
// CreateSetting.
#include "classes/config/storage_capabilities.h"

#include <algorithm>
#include <atomic>

#include "classes/config/storage_setting.h"
#include "classes/storage/storage_pool.h"
#include "classes/tables.h"
#include "framework/event_register.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "framework/text.h"

ZUB_DESCRIBE(stZUB_StorageCapabilitiesPrimordial,
    ZUB_FIELD(InstanceID).Key(1),
    ZUB_FIELD(CapabilitiesName),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Description),
    ZUB_FIELD(ElementType).Cim(CimType::UInt16),
    ZUB_FIELD(NoSinglePointOfFailure).Cim(CimType::Boolean),
    ZUB_FIELD(NoSinglePointOfFailureDefault).Cim(CimType::Boolean),
    ZUB_FIELD(DataRedundancyMax).Cim(CimType::UInt16),
    ZUB_FIELD(DataRedundancyMin).Cim(CimType::UInt16),
    ZUB_FIELD(DataRedundancyDefault).Cim(CimType::UInt16),
    ZUB_FIELD(PackageRedundancyMax).Cim(CimType::UInt16),
    ZUB_FIELD(PackageRedundancyMin).Cim(CimType::UInt16),
    ZUB_FIELD(PackageRedundancyDefault).Cim(CimType::UInt16),
    ZUB_FIELD(ExtentStripeLengthDefault).Cim(CimType::UInt16),
    ZUB_FIELD(UserDataStripeDepthDefault),
    ZUB_FIELD(SettingType).In("CreateSetting").Cim(CimType::UInt16),
    ZUB_FIELD(NewSetting).Out("CreateSetting").Ref("ZUB_StorageSettingPrimordial"),
    ZUB_FIELD(ReturnValue).Return())

namespace {

enum : uint64_t { kSettingDefault = 2, kSettingGoal = 3 };

// How one supported level moves the redundancy a pool can offer.
enum class Max { Zero, OneIfZero };   // a Max field becomes 0, or 1 when it is 0
enum class Min { Keep, Disks, Half }; // a Min field rises to n, n / 2, or stays
struct LevelRule {
  uint32_t code;
  Max dataMax;
  Min dataMin;
  Max packageMax;
  Min packageMin;
};
constexpr LevelRule kLevelRules[] = {
    {SSI_RAID0, Max::Zero, Min::Keep, Max::Zero, Min::Keep},
    {SSI_RAID1, Max::OneIfZero, Min::Disks, Max::Zero, Min::Disks},
    {SSI_RAID10, Max::OneIfZero, Min::Half, Max::OneIfZero, Min::Half},
    {SSI_RAID5, Max::Zero, Min::Keep, Max::OneIfZero, Min::Disks},
    {SSI_RAID6, Max::Zero, Min::Keep, Max::OneIfZero, Min::Disks},
};

void Apply(Max rule, uint64_t* value) { *value = rule == Max::Zero ? 0 : (*value == 0 ? 1 : *value); }
void Apply(Min rule, uint64_t disks, uint64_t* value) {
  if (rule == Min::Disks) *value = std::max(*value, disks);
  if (rule == Min::Half) *value = std::max(*value, disks / 2);
}


uint64_t FreeOrSpareDisks(const CEndDevices& disks) {
  uint64_t n = 0;
  for (const _SSI_EndDeviceInfo& d : disks.m_list) n += (d.usage == kDiskUsageAvailable || d.usage == kDiskUsageSpare);
  return n;
}

const _SSI_ControllerInfo* FindController(const CHostController& controllers, const CZubString& handleText) {
  const uint32_t handle = HandleFromText(handleText);
  for (const _SSI_ControllerInfo& c : controllers.m_list) {
    if (c.handle == handle) return &c;
  }
  return nullptr;
}

class CZubStorageCapabilitiesPrimordial
    : public CZubClassT<CZubStorageCapabilitiesPrimordialInterface, stZUB_StorageCapabilitiesPrimordial>,
      public CRefreshAfterEventT<CZubStorageCapabilitiesPrimordial> {
 public:
  // Built in one step (CListBuild): the monitor's refresh and a host may
  // rebuild the list at the same time.
  PROVIDER_STATUS Update() override {
    CListBuild<stZUB_StorageCapabilitiesPrimordial> built(m_list, nullptr);
    CArrayT<stZUB_StoragePool> pools;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStoragePoolInstance>(&pools, ListNeed::Ready)) return s;
    if (pools.GetCount() == 0) return PROVIDER_NOT_FOUND;
    CHostController controllers;
    for (const stZUB_StoragePool& pool : pools) {
      if (!pool.Primordial) continue;
      if (!controllers.m_bLoaded && controllers.Load() != SSI_STATUS_SUCCESS) return PROVIDER_FAILED;
      if (controllers.m_list.GetCount() == 0) return PROVIDER_NOT_FOUND;
      const _SSI_ControllerInfo* controller = FindController(controllers, pool.ControllerHandle);
      if (!controller) continue;
      CEndDevices disks;
      if (disks.Load(SSI_SCOPE_CONTROLLER, controller->handle) != SSI_STATUS_SUCCESS) return PROVIDER_FAILED;
      CArrayT<CRaidInfo::_stSupportedRaidLevelInfo> levels;
      if (CRaidInfo().GetSupportedRaidLevels(&levels, controller->raidInfoHandle) != SSI_STATUS_SUCCESS)
        return PROVIDER_FAILED;
      built.Add(CapabilitiesOf(pool.ControllerHandle, FreeOrSpareDisks(disks), levels));
    }
    return UpdateDone();
  }

  PROVIDER_STATUS CreateSetting(stZUB_StorageCapabilitiesPrimordial* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    rec->ReturnValue = kReturnFailed;
    if (rec->SettingType != kSettingDefault && rec->SettingType != kSettingGoal) {
      rec->ReturnValue = kReturnInvalidParameter;
      return PROVIDER_SUCCESS;
    }
    CArrayT<stZUB_StorageCapabilitiesPrimordial> entries;
    GetData(&entries);
    for (const stZUB_StorageCapabilitiesPrimordial& entry : entries) {
      if (entry.InstanceID.Compare(rec->InstanceID) != 0) continue;
      CArrayT<stZUB_StoragePool> pools;
      if (ReadList<&PROVIDER_CreateZubStoragePoolInstance>(&pools) != PROVIDER_SUCCESS || pools.GetCount() == 0)
        return PROVIDER_SUCCESS;
      const stZUB_StoragePool* pool = nullptr;
      for (const stZUB_StoragePool& p : pools) {
        if (!pool && p.ControllerHandle.Compare(entry.InstanceID) == 0) pool = &p;
      }
      if (!pool) return PROVIDER_SUCCESS;
      stZUB_StoragePool extents = *pool;
      PROVIDER_CreateZubStoragePoolInstance()->GetAvailableExtents(&extents);

      CHostController controllers;
      controllers.Load();
      if (controllers.m_list.GetCount() == 0) return PROVIDER_SUCCESS;
      const _SSI_ControllerInfo* controller = FindController(controllers, entry.InstanceID);
      if (!controller) continue;
      CRaidInfo raid;
      _SSI_RaidInfo info{};
      CArrayT<CRaidInfo::_stSupportedRaidLevelInfo> levels;
      if (raid.GetRaidInfo(&info, controller->raidInfoHandle) != SSI_STATUS_SUCCESS ||
          raid.GetSupportedRaidLevels(&levels, controller->raidInfoHandle) != SSI_STATUS_SUCCESS)
        return PROVIDER_SUCCESS;

      stZUB_StorageSetting setting = NewSetting(entry, rec->SettingType, *pool, *controller, info, levels);
      setting.ExtentStripeLength = extents.AvailableExtents.GetCount();
      AddSetting(SettingList::Primordial, setting);
      rec->NewSetting = CReferenceBuilder().To(L"ZUB_StorageSettingPrimordial", setting);
      rec->ReturnValue = kReturnSuccess;
      return PROVIDER_SUCCESS;
    }
    rec->ReturnValue = kReturnUnknown;
    return PROVIDER_SUCCESS;
  }

 private:
  static stZUB_StorageCapabilitiesPrimordial CapabilitiesOf(
      const CZubString& controller, uint64_t disks, const CArrayT<CRaidInfo::_stSupportedRaidLevelInfo>& levels) {
    stZUB_StorageCapabilitiesPrimordial caps;
    caps.InstanceID = controller;
    caps.CapabilitiesName = L"ZUB_StorageCapabilitiesPrimordial_";
    caps.CapabilitiesName.Append(controller);
    caps.ElementName = L"Storage capabilities for primordial pool";
    caps.Description = L"Storage capabilities for primordail pool ";
    caps.Description.Append(caps.CapabilitiesName);
    caps.ElementType = 5;
    caps.NoSinglePointOfFailure = 1;
    caps.NoSinglePointOfFailureDefault = 0;
    const int32_t strip = ApplyRaidLevels(levels, disks, &caps);
    caps.DataRedundancyDefault = caps.DataRedundancyMin;
    caps.PackageRedundancyDefault = caps.PackageRedundancyMin;
    caps.ExtentStripeLengthDefault = disks;
    caps.UserDataStripeDepthDefault = static_cast<uint64_t>(static_cast<int64_t>(strip) * 1024);
    return caps;
  }

  stZUB_StorageSetting NewSetting(const stZUB_StorageCapabilitiesPrimordial& entry, uint64_t type,
                                  const stZUB_StoragePool& pool, const _SSI_ControllerInfo& controller,
                                  const _SSI_RaidInfo& info,
                                  const CArrayT<CRaidInfo::_stSupportedRaidLevelInfo>& levels) {
    stZUB_StorageSetting s;
    s.InstanceID = L"Generated_PrimordialSetting_";
    s.InstanceID.Append(NumberText(m_counter++));
    s.Caption = L"RAID0";
    s.ElementName = L"Primordial storage settings";
    s.Description = L"Primordial storage settings for this controller";
    s.SettingOption1 = s.SettingOption2 = s.SettingOption3 = s.SettingOption4 = 2;
    s.ChangeableType = 1;
    s.RaidInfoValue1 = info.value4;
    s.RaidInfoValue2 = info.value16;
    for (const auto& level : levels) s.SupportedRaidLevels.Add(SupportedRaidLevelText(level.raidLevel));
    s.RaidLevel = L"RAID0";
    s.CachePolicy = CachePolicyText(1);
    s.SupportedCachePolicies = SupportedCachePolicies(controller, 1);
    s.PoolID = pool.PoolID;
    s.VolumeName = s.InstanceID;
    const bool goal = type == kSettingGoal;
    s.UserDataStripeDepthMin = goal ? 1024 : entry.UserDataStripeDepthDefault;
    s.UserDataStripeDepthMax = goal ? 33554432 : entry.UserDataStripeDepthDefault;
    s.NoSinglePointOfFailure = goal ? entry.NoSinglePointOfFailure : entry.NoSinglePointOfFailureDefault;
    s.DataRedundancyMax = goal ? entry.DataRedundancyMax : entry.DataRedundancyDefault;
    s.DataRedundancyMin = goal ? entry.DataRedundancyMin : entry.DataRedundancyDefault;
    s.PackageRedundancyMax = goal ? entry.PackageRedundancyMax : entry.PackageRedundancyDefault;
    s.PackageRedundancyMin = goal ? entry.PackageRedundancyMin : entry.PackageRedundancyDefault;
    return s;
  }

  std::atomic<uint64_t> m_counter{1};  // generated settings so far + 1
};

}  // namespace

int32_t ApplyRaidLevels(const CArrayT<CRaidInfo::_stSupportedRaidLevelInfo>& levels, uint64_t disks,
                        stZUB_StorageCapabilitiesPrimordial* caps) {
  int32_t strip = 0;
  for (const auto& level : levels) {
    for (const LevelRule& rule : kLevelRules) {
      if (rule.code != level.raidLevel) continue;
      Apply(rule.dataMax, &caps->DataRedundancyMax);
      Apply(rule.dataMin, disks, &caps->DataRedundancyMin);
      Apply(rule.packageMax, &caps->PackageRedundancyMax);
      Apply(rule.packageMin, disks, &caps->PackageRedundancyMin);
    }
    strip = std::max(strip, level.info.stripKib);
  }
  return strip;
}

CZubStorageCapabilitiesPrimordialInterface* PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance() {
  return Singleton<CZubStorageCapabilitiesPrimordial>();
}

CEventRegisterInterface* StorageCapabilitiesEvents() { return Singleton<CZubStorageCapabilitiesPrimordial>(); }
