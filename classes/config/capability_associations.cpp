// capability_associations.cpp: CZubElementCapabilities,
// CZubStorageSettingsGeneratedFromCapabilities,
// CZubStorageSettingsAssociatedToCapabilities and CZubElementSettingData.
#include "classes/config/capability_associations.h"

#include "classes/config/spare_configuration.h"
#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_setting.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/computer_system.h"
#include "framework/association.h"
#include "framework/class_base.h"

ZUB_DESCRIBE(stZUB_ElementCapabilities,
    ZUB_FIELD(ManagedElement).Key(1).Ref("CIM_ManagedElement"),
    ZUB_FIELD(Capabilities).Key(2).Ref("CIM_Capabilities"))

// The standard classes call these ends Antecedent and Dependent.
ZUB_DESCRIBE(stZUB_StorageSettingsGeneratedFromCapabilities,
    ZUB_FIELD(Capabilities).Key(1).Ref("ZUB_StorageCapabilitiesPrimordial").As("Antecedent"),
    ZUB_FIELD(Setting).Key(2).Ref("ZUB_StorageSettingPrimordial").As("Dependent"))

ZUB_DESCRIBE(stZUB_StorageSettingsAssociatedToCapabilities,
    ZUB_FIELD(Capabilities).Key(1).Ref("ZUB_StorageCapabilitiesPrimordial").As("Antecedent"),
    ZUB_FIELD(Setting).Key(2).Ref("ZUB_StorageSettingPrimordial").As("Dependent"))

ZUB_DESCRIBE(stZUB_ElementSettingData,
    ZUB_FIELD(ManagedElement).Key(1).Ref("ZUB_StorageVolume"),
    ZUB_FIELD(SettingData).Key(2).Ref("ZUB_StorageSettingVolume"),
    ZUB_FIELD(IsDefault).Cim(CimType::UInt16),
    ZUB_FIELD(IsCurrent).Cim(CimType::UInt16),
    ZUB_FIELD(IsNext).Cim(CimType::UInt16))

namespace {

enum : uint64_t { kSettingIsNotDefault = 0, kSettingIsCurrent = 1, kSettingIsNotNext = 2 };

// A pool's capabilities are named by its controller handle.
const auto CapabilitiesOfPool = [](const stZUB_StoragePool& pool, const stZUB_StorageCapabilitiesPrimordial& caps) {
  return pool.ControllerHandle == caps.InstanceID;
};

// CreateSetting files a setting with the PoolID of the capabilities' pool.
const auto GeneratedFrom = [](const stZUB_StorageCapabilitiesPrimordial& caps, const stZUB_StorageSetting& setting) {
  CZubString poolId(L"Primordial_");
  poolId.Append(caps.InstanceID);
  return setting.PoolID == poolId;
};

class CZubElementCapabilities : public CZubClassT<CZubElementCapabilitiesInterface, stZUB_ElementCapabilities> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    CArrayT<stZUB_StoragePool> pools;
    CArrayT<stZUB_StorageCapabilitiesPrimordial> capabilities;
    // Both halves give 1 when a class they read cannot be created.
    if (ReadLists<&PROVIDER_CreateZubStoragePoolInstance, &PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>(
            ListNeed::AnyState, &pools, &capabilities))
      return PROVIDER_FAILED;
    Join(pools, capabilities, CapabilitiesOfPool,
         [&](const stZUB_StoragePool& pool, const stZUB_StorageCapabilitiesPrimordial& caps) {
           m_list.AddLocked({refs.To(L"ZUB_StoragePool", pool), refs.To(L"ZUB_StorageCapabilitiesPrimordial", caps)});
         });
    CArrayT<stZUB_ComputerSystem> systems;
    CArrayT<stZUB_SpareConfigurationCapabilities> spareCapabilities;
    if (ReadLists<&PROVIDER_CreateZubComputerSystemInstance, &PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance>(
            ListNeed::AnyState, &systems, &spareCapabilities))
      return PROVIDER_FAILED;
    Join(systems, spareCapabilities, SameController,
         [&](const stZUB_ComputerSystem& system, const stZUB_SpareConfigurationCapabilities& caps) {
           m_list.AddLocked(
               {refs.To(L"ZUB_ComputerSystem", system), refs.To(L"ZUB_SpareConfigurationCapabilities", caps)});
         });
    return UpdateDone();
  }

};

class CZubStorageSettingsGeneratedFromCapabilities
    : public CZubClassT<CZubStorageSettingsGeneratedFromCapabilitiesInterface,
                        stZUB_StorageSettingsGeneratedFromCapabilities> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    CArrayT<stZUB_StorageSetting> settings;
    CArrayT<stZUB_StorageCapabilitiesPrimordial> capabilities;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageSettingPrimordialInstance>(&settings)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>(&capabilities)) {
      return s;
    }
    if (settings.GetCount() == 0 || capabilities.GetCount() == 0) return PROVIDER_NOT_FOUND;
    Join(capabilities, settings, GeneratedFrom,
         [&](const stZUB_StorageCapabilitiesPrimordial& caps, const stZUB_StorageSetting& setting) {
           stZUB_StorageSettingsGeneratedFromCapabilities rec;
           rec.Capabilities = refs.To(L"ZUB_StorageCapabilitiesPrimordial", caps);
           rec.Setting = refs.To(L"ZUB_StorageSettingPrimordial", setting);
           m_list.AddLocked(rec);
         });
    return UpdateDone();
  }
};

class CZubStorageSettingsAssociatedToCapabilities
    : public CZubClassT<CZubStorageSettingsAssociatedToCapabilitiesInterface,
                        stZUB_StorageSettingsAssociatedToCapabilities> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_StorageSettingsGeneratedFromCapabilities> generated;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance>(
            &generated)) {
      return s;
    }
    for (const stZUB_StorageSettingsGeneratedFromCapabilities& g : generated) {
      stZUB_StorageSettingsAssociatedToCapabilities rec;
      rec.Capabilities = g.Capabilities;
      rec.Setting = g.Setting;
      m_list.AddLocked(rec);
    }
    return UpdateDone();
  }
};

class CZubElementSettingData : public CZubClassT<CZubElementSettingDataInterface, stZUB_ElementSettingData> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<stZUB_StorageVolume> volumes;
    CArrayT<stZUB_StorageSetting> settings;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageVolumeInstance>(&volumes)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageSettingVolumeInstance>(&settings)) return s;
    if (volumes.GetCount() == 0 || settings.GetCount() == 0) return PROVIDER_NOT_FOUND;
    const auto sameName = [](const stZUB_StorageVolume& volume, const stZUB_StorageSetting& setting) {
      return setting.VolumeName == volume.ElementName;
    };
    Join(volumes, settings, sameName, [&](const stZUB_StorageVolume& volume, const stZUB_StorageSetting& setting) {
      stZUB_ElementSettingData rec;
      rec.ManagedElement = refs.To(L"ZUB_StorageVolume", volume);
      rec.SettingData = refs.To(L"ZUB_StorageSettingVolume", setting);
      rec.IsDefault = kSettingIsNotDefault;
      rec.IsCurrent = kSettingIsCurrent;
      rec.IsNext = kSettingIsNotNext;
      m_list.AddLocked(rec);
    });
    return UpdateDone();
  }
};

}  // namespace

CZubElementCapabilitiesInterface* PROVIDER_CreateZubElementCapabilitiesInstance() {
  return Singleton<CZubElementCapabilities>();
}
CZubStorageSettingsGeneratedFromCapabilitiesInterface*
PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance() {
  return Singleton<CZubStorageSettingsGeneratedFromCapabilities>();
}
CZubStorageSettingsAssociatedToCapabilitiesInterface*
PROVIDER_CreateZubStorageSettingsAssociatedToCapabilitiesInstance() {
  return Singleton<CZubStorageSettingsAssociatedToCapabilities>();
}
CZubElementSettingDataInterface* PROVIDER_CreateZubElementSettingDataInstance() {
  return Singleton<CZubElementSettingData>();
}
