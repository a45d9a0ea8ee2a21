// storage_setting.cpp: the two persistent setting lists.
#include "classes/config/storage_setting.h"

#include "classes/tables.h"
#include "framework/event_register.h"
#include "framework/class_base.h"

ZUB_DESCRIBE(stZUB_StorageSetting,
    ZUB_FIELD(InstanceID).Key(1),
    ZUB_FIELD(Caption),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Description),
    ZUB_FIELD(SettingOption1).Cim(CimType::UInt16),
    ZUB_FIELD(ExtentStripeLength).Cim(CimType::UInt16),
    ZUB_FIELD(SettingOption2).Cim(CimType::UInt16),
    ZUB_FIELD(SettingOption3).Cim(CimType::UInt16),
    ZUB_FIELD(SettingOption4).Cim(CimType::UInt16),
    ZUB_FIELD(UserDataStripeDepth),
    ZUB_FIELD(UserDataStripeDepthMin),
    ZUB_FIELD(UserDataStripeDepthMax),
    ZUB_FIELD(RaidInfoValue1).Cim(CimType::UInt32),
    ZUB_FIELD(RaidInfoValue2).Cim(CimType::UInt32),
    ZUB_FIELD(NoSinglePointOfFailure).Cim(CimType::Boolean),
    ZUB_FIELD(DataRedundancyMax).Cim(CimType::UInt16),
    ZUB_FIELD(DataRedundancyMin).Cim(CimType::UInt16),
    ZUB_FIELD(DataRedundancyGoal).Cim(CimType::UInt16),
    ZUB_FIELD(PackageRedundancyMax).Cim(CimType::UInt16),
    ZUB_FIELD(PackageRedundancyMin).Cim(CimType::UInt16),
    ZUB_FIELD(PackageRedundancyGoal).Cim(CimType::UInt16),
    ZUB_FIELD(ChangeableType).Cim(CimType::UInt16),
    ZUB_FIELD(VolumeName),
    ZUB_FIELD(SupportedRaidLevels),
    ZUB_FIELD(MemberDisks),
    ZUB_FIELD(RaidLevel),
    ZUB_FIELD(SupportedCachePolicies),
    ZUB_FIELD(CachePolicy),
    ZUB_FIELD(PoolID),
    ZUB_FIELD(SmallestDiskBlocks),
    ZUB_FIELD(ControllerHandle).Internal())

namespace {

// The goal values PutData copies into a stored setting.
void CopyGoals(const stZUB_StorageSetting& from, stZUB_StorageSetting* to) {
  to->SettingOption1 = from.SettingOption1;
  to->ExtentStripeLength = from.ExtentStripeLength;
  to->SettingOption2 = from.SettingOption2;
  to->SettingOption3 = from.SettingOption3;
  to->SettingOption4 = from.SettingOption4;
  to->UserDataStripeDepth = from.UserDataStripeDepth;
  to->UserDataStripeDepthMin = from.UserDataStripeDepthMin;
  to->UserDataStripeDepthMax = from.UserDataStripeDepthMax;
  to->NoSinglePointOfFailure = from.NoSinglePointOfFailure;
  to->DataRedundancyMax = from.DataRedundancyMax;
  to->DataRedundancyMin = from.DataRedundancyMin;
  to->DataRedundancyGoal = from.DataRedundancyGoal;
  to->PackageRedundancyMax = from.PackageRedundancyMax;
  to->PackageRedundancyMin = from.PackageRedundancyMin;
  to->PackageRedundancyGoal = from.PackageRedundancyGoal;
  to->RaidLevel = from.RaidLevel;
  to->CachePolicy = from.CachePolicy;
}

class CZubStorageSettingList : public CZubClassT<CZubStorageSettingInterface, stZUB_StorageSetting> {
 public:
  explicit CZubStorageSettingList(bool volumes) : m_volumes(volumes) {}

  PROVIDER_STATUS Update() override { return UpdateDone(); }

  PROVIDER_STATUS PutData(stZUB_StorageSetting setting) override {
    CGlobalLock lock(GetGlobalLock());
    for (stZUB_StorageSetting& stored : m_list) {
      if (stored.InstanceID.Compare(setting.InstanceID) != 0) continue;
      CopyGoals(setting, &stored);
      if (m_volumes) stored.SmallestDiskBlocks = setting.SmallestDiskBlocks;
    }
    return PROVIDER_SUCCESS;
  }

  void Add(const stZUB_StorageSetting& setting) { m_list.AddLocked(setting); }

  void AddUnlessFiled(const stZUB_StorageSetting& setting) {
    CGlobalLock lock(GetGlobalLock());
    for (const stZUB_StorageSetting& stored : m_list) {
      if (stored.VolumeName.Compare(setting.VolumeName) == 0 &&
          stored.ControllerHandle.Compare(setting.ControllerHandle) == 0)
        return;
    }
    m_list.Add(setting);
  }

  PROVIDER_STATUS Remove(const CZubString& instanceId) {
    CGlobalLock lock(GetGlobalLock());
    for (size_t i = 0; i < m_list.GetCount(); ++i) {
      if (m_list[i].InstanceID.Compare(instanceId) != 0) continue;
      m_list.RemoveAt(i);
      return PROVIDER_SUCCESS;
    }
    return PROVIDER_FAILED;
  }

 private:
  bool m_volumes;
};

struct PrimordialSettings : CZubStorageSettingList {
  PrimordialSettings() : CZubStorageSettingList(false) {}
};
// The volume list also re-reads after each event (its Update only resets
// its cursor: volume settings are filed by the volume class).
struct VolumeSettings : CZubStorageSettingList, CRefreshAfterEventT<VolumeSettings> {
  VolumeSettings() : CZubStorageSettingList(true) {}
};

CZubStorageSettingList* ListOf(SettingList list) {
  if (list == SettingList::Volume) return Singleton<VolumeSettings>();
  return Singleton<PrimordialSettings>();
}

}  // namespace

void AddSetting(SettingList list, const stZUB_StorageSetting& setting) {
  if (CZubStorageSettingList* settings = ListOf(list)) settings->Add(setting);
}

void FileVolumeSetting(const stZUB_StorageSetting& setting) {
  if (CZubStorageSettingList* settings = ListOf(SettingList::Volume)) settings->AddUnlessFiled(setting);
}

PROVIDER_STATUS RemoveSetting(SettingList list, const CZubString& instanceId) {
  CZubStorageSettingList* settings = ListOf(list);
  return settings ? settings->Remove(instanceId) : PROVIDER_FAILED;
}

CArrayT<CZubString> SupportedCachePolicies(const _SSI_ControllerInfo& controller, uint32_t policy) {
  CArrayT<CZubString> out;
  if (controller.writeBackOffered == 0) {
    out.Add(CachePolicyText(policy));
  } else {
    out.Add(CachePolicyText(1));
    out.Add(CachePolicyText(3));
  }
  return out;
}

CZubStorageSettingInterface* PROVIDER_CreateZubStorageSettingPrimordialInstance() {
  return Singleton<PrimordialSettings>();
}

CZubStorageSettingInterface* PROVIDER_CreateZubStorageSettingVolumeInstance() {
  return Singleton<VolumeSettings>();
}

CEventRegisterInterface* StorageSettingVolumeEvents() { return Singleton<VolumeSettings>(); }
