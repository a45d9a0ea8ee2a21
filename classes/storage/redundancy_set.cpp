// redundancy_set.cpp: CZubStorageRedundancySet and its three associations
// (member disks, hosting system, spare disks).
#include "classes/storage/redundancy_set.h"

#include <map>

#include "classes/config/spare_configuration.h"
#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/system/computer_system.h"
#include "classes/system/port_controller.h"
#include "classes/tables.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "framework/text.h"

ZUB_DESCRIBE(stZUB_StorageRedundancySet,
    ZUB_FIELD(InstanceID).Key(1),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Caption),
    ZUB_FIELD(Description),
    ZUB_FIELD(RedundancyStatus).Cim(CimType::UInt16),
    ZUB_FIELD(MinNumberNeeded).Cim(CimType::UInt32),
    ZUB_FIELD(MaxNumberSupported).Cim(CimType::UInt32),
    ZUB_FIELD(Name),
    ZUB_FIELD(LoadBalanceAlgorithm).Cim(CimType::UInt16),
    ZUB_FIELD(OtherLoadBalanceAlgorithm),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(LargestSpareSize))

ZUB_DESCRIBE(stZUB_MemberOfCollection,
    ZUB_FIELD(Collection).Key(1).Ref("ZUB_StorageRedundancySet"),
    ZUB_FIELD(Member).Key(2).Ref("ZUB_StorageExtentDisk"))

ZUB_DESCRIBE(stZUB_HostedCollection,
    ZUB_FIELD(Dependent).Key(1).Ref("ZUB_StorageRedundancySet"),
    ZUB_FIELD(Antecedent).Key(2).Ref("ZUB_ComputerSystem"))

ZUB_DESCRIBE(stZUB_IsSpare,
    ZUB_FIELD(Dependent).Key(1).Ref("ZUB_StorageRedundancySet"),
    ZUB_FIELD(Antecedent).Key(2).Ref("ZUB_StorageExtentDisk"),
    ZUB_FIELD(SpareStatus).Cim(CimType::UInt16))

namespace {

constexpr const wchar_t* kSetName = L"ZUBe storage redundancy set";
enum : uint64_t { kRedundancyFullyRedundant = 2, kRedundancyLost = 4, kSpareStatusHotStandby = 2 };

struct SetPrefix {
  int64_t controllerType;
  const wchar_t* prefix;
};
constexpr SetPrefix kSetPrefixes[] = {
    {kControllerTypeAhci, L"ZUBe:StorageRedundancySet:AHCI"},
    {kControllerTypeDox, L"ZUBe:StorageRedundancySet:DOX"},
};

bool IsSpareOf(const stZUB_StorageExtentDisk& disk, const CZubString& controller) {
  return disk.DiskUsage == kDiskUsageSpare && disk.ControllerHandle.Compare(controller) == 0;
}

}  // namespace

std::optional<stZUB_StorageRedundancySet> RedundancySetOf(const stZUB_PortController& controller,
                                                          uint64_t ordinal,
                                                          const std::vector<const stZUB_StorageExtentDisk*>& disks) {
  const SetPrefix* kind = nullptr;
  for (const SetPrefix& p : kSetPrefixes) {
    if (p.controllerType == controller.HostControllerType) kind = &p;
  }
  if (!kind) return std::nullopt;
  stZUB_StorageRedundancySet set;
  set.InstanceID = kind->prefix;
  set.InstanceID.AppendNumber(ordinal);
  set.ElementName = kSetName;
  set.Caption = kSetName;
  set.Description = kSetName;
  set.Name = kSetName;
  set.MinNumberNeeded = 1;
  set.MaxNumberSupported = controller.NumberOfPhys;
  set.LoadBalanceAlgorithm = 1;
  set.OtherLoadBalanceAlgorithm = L"Algorithm dependent on RAID volume target";
  set.ControllerHandle = controller.InstanceID;
  uint64_t healthySpares = 0;
  for (const stZUB_StorageExtentDisk* disk : disks) {
    if (!IsSpareOf(*disk, set.ControllerHandle) || disk->DiskState != kDiskStateNormal) continue;
    ++healthySpares;
    if (disk->SizeB > set.LargestSpareSize) set.LargestSpareSize = disk->SizeB;
  }
  set.RedundancyStatus = healthySpares >= set.MinNumberNeeded ? kRedundancyFullyRedundant : kRedundancyLost;
  return set;
}

namespace {

class CZubStorageRedundancySet
    : public CZubClassT<CZubStorageRedundancySetInterface, stZUB_StorageRedundancySet> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_StorageExtentDisk> disks;
    CArrayT<stZUB_ComputerSystem> systems;
    CArrayT<stZUB_PortController> controllers;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(&disks)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubComputerSystemInstance>(&systems)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubPortControllerInstance>(&controllers)) return s;
    if (disks.GetCount() == 0 || systems.GetCount() == 0 || controllers.GetCount() == 0) return PROVIDER_FAILED;
    const CGroupedBy disksOf(disks, &stZUB_StorageExtentDisk::ControllerHandle);
    std::map<int64_t, uint64_t> seenOfType;  // the controllers of each type met so far
    for (const stZUB_PortController& controller : controllers) {
      const uint64_t ordinal = seenOfType[controller.HostControllerType]++;
      if (auto set = RedundancySetOf(controller, ordinal, disksOf[controller.InstanceID])) m_list.AddLocked(*set);
    }
    return UpdateDone();
  }
};

class CZubMemberOfCollection : public CZubClassT<CZubMemberOfCollectionInterface, stZUB_MemberOfCollection> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<stZUB_StorageSetting> settings;
    CArrayT<stZUB_StorageRedundancySet> sets;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageSettingVolumeInstance>(&settings)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageRedundancySetInstance>(&sets)) return s;
    if (settings.GetCount() == 0 || sets.GetCount() == 0) return PROVIDER_NOT_FOUND;
    const auto redundant = [](const stZUB_StorageSetting& setting, const stZUB_StorageRedundancySet& set) {
      return SameController(setting, set) && !(setting.RaidLevel == CZubString(L"RAID0"));
    };
    Join(settings, sets, redundant, [&](const stZUB_StorageSetting& setting, const stZUB_StorageRedundancySet& set) {
      for (const CZubString& disk : setting.MemberDisks) {
        stZUB_MemberOfCollection rec;
        rec.Collection = refs.To(L"ZUB_StorageRedundancySet", set);
        rec.Member = disk;
        m_list.AddLocked(rec);
      }
    });
    return UpdateDone();
  }
};

class CZubHostedCollection : public CZubClassT<CZubHostedCollectionInterface, stZUB_HostedCollection> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<stZUB_ComputerSystem> systems;
    CArrayT<stZUB_StorageRedundancySet> sets;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubComputerSystemInstance>(&systems)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageRedundancySetInstance>(&sets)) return s;
    if (systems.GetCount() == 0 || sets.GetCount() == 0) return PROVIDER_NOT_FOUND;
    Join(systems, sets, SameController, [&](const stZUB_ComputerSystem& system, const stZUB_StorageRedundancySet& set) {
      stZUB_HostedCollection rec;
      rec.Dependent = refs.To(L"ZUB_StorageRedundancySet", set);
      rec.Antecedent = refs.To(L"ZUB_ComputerSystem", system);
      m_list.AddLocked(rec);
    });
    return UpdateDone();
  }
};

class CZubIsSpare : public CZubClassT<CZubIsSpareInterface, stZUB_IsSpare> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    CArrayT<stZUB_PortController> controllers;
    CArrayT<stZUB_SpareConfigurationCapabilities> spareCapabilities;
    CArrayT<stZUB_StorageExtentDisk> disks;
    CArrayT<stZUB_StorageRedundancySet> sets;
    if (PROVIDER_STATUS s = ReadLists<&PROVIDER_CreateZubPortControllerInstance,
                                      &PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance,
                                      &PROVIDER_CreateZubStorageExtentDiskInstance,
                                      &PROVIDER_CreateZubStorageRedundancySetInstance>(
            ListNeed::AnyState, &controllers, &spareCapabilities, &disks, &sets))
      return s;
    // The spare capabilities only have to exist: a controller without them
    // has nothing to mark spares with.
    if (controllers.GetCount() == 0 || spareCapabilities.GetCount() == 0 || disks.GetCount() == 0 ||
        sets.GetCount() == 0)
      return PROVIDER_FAILED;
    const CGroupedBy disksOf(disks, &stZUB_StorageExtentDisk::ControllerHandle);
    const CGroupedBy setsOf(sets, &stZUB_StorageRedundancySet::ControllerHandle);
    for (const stZUB_PortController& controller : controllers) {
      if (controller.FeatureEnabled != 1) continue;
      for (const stZUB_StorageExtentDisk* disk : disksOf[controller.InstanceID]) {
        if (!IsSpareOf(*disk, controller.InstanceID)) continue;
        for (const stZUB_StorageRedundancySet* set : setsOf[controller.InstanceID]) {
          stZUB_IsSpare rec;
          rec.Dependent = refs.To(L"ZUB_StorageRedundancySet", *set);
          rec.Antecedent = refs.To(L"ZUB_StorageExtentDisk", *disk);
          rec.SpareStatus = kSpareStatusHotStandby;
          m_list.AddLocked(rec);
        }
      }
    }
    return UpdateDone();
  }
};

}  // namespace

CZubStorageRedundancySetInterface* PROVIDER_CreateZubStorageRedundancySetInstance() {
  return Singleton<CZubStorageRedundancySet>();
}
CZubMemberOfCollectionInterface* PROVIDER_CreateZubMemberOfCollectionInstance() {
  return Singleton<CZubMemberOfCollection>();
}
CZubHostedCollectionInterface* PROVIDER_CreateZubHostedCollectionInstance() {
  return Singleton<CZubHostedCollection>();
}
CZubIsSpareInterface* PROVIDER_CreateZubIsSpareInstance() { return Singleton<CZubIsSpare>(); }
