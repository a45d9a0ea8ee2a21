// storage_associations.cpp: CZubAllocatedFromStoragePool,
// CZubConcreteComponent and CZubConcreteDependency.
#include "classes/storage/storage_associations.h"

#include <algorithm>
#include <utility>

#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/tables.h"
#include "classes/ports/protocol_endpoint.h"
#include "classes/system/port_controller.h"
#include "framework/association.h"
#include "framework/class_base.h"

ZUB_DESCRIBE(stZUB_AllocatedFromStoragePool,
    ZUB_FIELD(Dependent).Key(1).Ref("ZUB_StorageVolume"),
    ZUB_FIELD(Antecedent).Key(2).Ref("ZUB_StoragePool"),
    ZUB_FIELD(SpaceConsumed))

ZUB_DESCRIBE(stZUB_ConcreteComponent,
    ZUB_FIELD(GroupComponent).Key(1).Ref("CIM_ManagedElement"),
    ZUB_FIELD(PartComponent).Key(2).Ref("ZUB_StorageExtentDisk"))

ZUB_DESCRIBE(stZUB_ConcreteDependency,
    ZUB_FIELD(Dependent).Key(1).Ref("ZUB_StorageVolume"),
    ZUB_FIELD(Antecedent).Key(2).Ref("ZUB_StorageExtentDisk"))

namespace {


class CZubAllocatedFromStoragePool
    : public CZubClassT<CZubAllocatedFromStoragePoolInterface, stZUB_AllocatedFromStoragePool> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<stZUB_StorageVolume> volumes;
    CArrayT<stZUB_StoragePool> pools;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageVolumeInstance>(&volumes)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStoragePoolInstance>(&pools)) return s;
    if (volumes.GetCount() == 0 || pools.GetCount() == 0) return PROVIDER_NOT_FOUND;
    Join(volumes, pools, SameController, [&](const stZUB_StorageVolume& volume, const stZUB_StoragePool& pool) {
      stZUB_AllocatedFromStoragePool rec;
      rec.Dependent = refs.To(L"ZUB_StorageVolume", volume);
      rec.Antecedent = refs.To(L"ZUB_StoragePool", pool);
      rec.SpaceConsumed = volume.VolumeSize;
      m_list.AddLocked(rec);
    });
    return UpdateDone();
  }
};

class CZubConcreteComponent : public CZubClassT<CZubConcreteComponentInterface, stZUB_ConcreteComponent> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<stZUB_StoragePool> pools;
    CArrayT<stZUB_StorageExtentDisk> disks;
    CArrayT<stZUB_ProtocolEndpoint> ataEndpoints;
    CArrayT<stZUB_ProtocolEndpoint> scsiEndpoints;
    if (PROVIDER_STATUS s =
            ReadLists<&PROVIDER_CreateZubStoragePoolInstance, &PROVIDER_CreateZubStorageExtentDiskInstance,
                      &PROVIDER_CreateZubATAProtocolEndpointInstance, &PROVIDER_CreateZubSCSIProtocolEndpointInstance>(
                ListNeed::AnyState, &pools, &disks, &ataEndpoints, &scsiEndpoints))
      return s;
    if (disks.GetCount() == 0) return PROVIDER_NOT_FOUND;
    for (const stZUB_StorageExtentDisk& disk : disks) {
      const CZubString diskRef = refs.To(L"ZUB_StorageExtentDisk", disk);
      for (const stZUB_StoragePool& pool : pools) {
        if (!SameController(disk, pool) || disk.DiskUsage != kDiskUsageAvailable) continue;
        m_list.AddLocked({refs.To(L"ZUB_StoragePool", pool), diskRef});
      }
      // A disk's own endpoint is the logical port's; a DA port's endpoint
      // stands for a volume's way to the disk.
      const auto attached = [&](const stZUB_ProtocolEndpoint& endpoint) {
        return endpoint.AttachedHandle.Compare(disk.EndDeviceHandle) == 0 && endpoint.IsDAPortEndpoint != 1;
      };
      for (const auto& [endpoints, cimClass] : {std::pair{&ataEndpoints, L"ZUB_ATAProtocolEndpoint"},
                                                std::pair{&scsiEndpoints, L"ZUB_SCSIProtocolEndpoint"}}) {
        const auto first = std::find_if(endpoints->begin(), endpoints->end(), attached);
        if (first != endpoints->end()) m_list.AddLocked({refs.To(cimClass, *first), diskRef});
      }
    }
    return UpdateDone();
  }

};

class CZubConcreteDependency : public CZubClassT<CZubConcreteDependencyInterface, stZUB_ConcreteDependency> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<stZUB_PortController> controllers;
    CArrayT<stZUB_StorageVolume> volumes;
    CArrayT<stZUB_StorageSetting> settings;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubPortControllerInstance>(&controllers)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageVolumeInstance>(&volumes)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageSettingVolumeInstance>(&settings)) return s;
    if (controllers.GetCount() == 0 || volumes.GetCount() == 0 || settings.GetCount() == 0) {
      return PROVIDER_NOT_FOUND;
    }
    const auto settingOf = [](const stZUB_StorageSetting& setting, const stZUB_StorageVolume& volume) {
      return SameController(setting, volume) && volume.ElementName == setting.VolumeName;
    };
    Join(settings, volumes, settingOf, [&](const stZUB_StorageSetting& setting, const stZUB_StorageVolume& volume) {
      for (const CZubString& disk : setting.MemberDisks) {
        stZUB_ConcreteDependency rec;
        rec.Dependent = refs.To(L"ZUB_StorageVolume", volume);
        rec.Antecedent = disk;
        m_list.AddLocked(rec);
      }
    });
    return UpdateDone();
  }
};

}  // namespace

CZubAllocatedFromStoragePoolInterface* PROVIDER_CreateZubAllocatedFromStoragePoolInstance() {
  return Singleton<CZubAllocatedFromStoragePool>();
}
CZubConcreteComponentInterface* PROVIDER_CreateZubConcreteComponentInstance() {
  return Singleton<CZubConcreteComponent>();
}
CZubConcreteDependencyInterface* PROVIDER_CreateZubConcreteDependencyInstance() {
  return Singleton<CZubConcreteDependency>();
}
