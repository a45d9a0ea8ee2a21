// storage_pool.cpp: CZubStoragePool: one primordial pool per port controller
// with available, healthy disks; its size queries; what changed since the
// previous list.
#include "classes/storage/storage_pool.h"

#include <algorithm>

#include "classes/storage/disk_extent.h"
#include "classes/tables.h"
#include "classes/system/port_controller.h"
#include "framework/association.h"
#include "framework/event_register.h"
#include "framework/class_base.h"

ZUB_DESCRIBE(stZUB_StoragePool,
    ZUB_FIELD(InstanceID).Key(1),
    ZUB_FIELD(PoolID),
    ZUB_FIELD(Primordial).Cim(CimType::Boolean),
    ZUB_FIELD(FixedSpace),
    ZUB_FIELD(AvailableSpace),
    ZUB_FIELD(FixedValue1).Cim(CimType::UInt16),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Caption),
    ZUB_FIELD(Description),
    ZUB_FIELD(FixedValue2).Cim(CimType::UInt16),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(ControllerName).Internal(),
    ZUB_FIELD(SizesElementType).In("GetSupportedSizes").As("ElementType").Cim(CimType::UInt16),
    ZUB_FIELD(SizesGoal).In("GetSupportedSizes").As("Goal").Ref("CIM_StorageSetting"),
    ZUB_FIELD(Sizes).Out("GetSupportedSizes"),
    ZUB_FIELD(RangeElementType).In("GetSupportedSizeRange").As("ElementType").Cim(CimType::UInt16),
    ZUB_FIELD(RangeGoal).In("GetSupportedSizeRange").As("Goal").Ref("CIM_StorageSetting"),
    ZUB_FIELD(MinimumVolumeSize).Out("GetSupportedSizeRange"),
    ZUB_FIELD(MaximumVolumeSize).Out("GetSupportedSizeRange"),
    ZUB_FIELD(VolumeSizeDivisor).Out("GetSupportedSizeRange"),
    ZUB_FIELD(ExtentsGoal).In("GetAvailableExtents").As("Goal").Ref("CIM_StorageSetting"),
    ZUB_FIELD(AvailableExtents).Out("GetAvailableExtents").Ref("ZUB_StorageExtentDisk"),
    ZUB_FIELD(ReturnValue).Return())

namespace {


bool OfController(const stZUB_StorageExtentDisk& disk, const CZubString& controller) {
  return disk.ControllerHandle.Compare(controller) == 0 && disk.AvailableForPool == 1;
}

void Describe(stZUB_StoragePool* pool, const stZUB_PortController& controller) {
  pool->InstanceID = controller.InstanceID;
  pool->PoolID = L"Primordial_";
  pool->PoolID.Append(controller.InstanceID);
  pool->Primordial = 1;
  pool->FixedSpace = 0;
  pool->FixedValue1 = 5;
  pool->ElementName = L"Unallocated Storage Pool";
  pool->Caption = pool->PoolID;
  pool->Description = L"Unallocated Storage Pool";
  pool->FixedValue2 = 19;
  pool->ControllerHandle = controller.InstanceID;
  pool->ControllerName = controller.ElementName;
}

class CZubStoragePool : public CZubClassT<CZubStoragePoolInterface, stZUB_StoragePool>,
                        public CDetectChangesT<CZubStoragePool, stZUB_StoragePool> {
 public:
  PROVIDER_STATUS Update() override { return Build(nullptr); }

  // Update, also handing what it read to *read (the event monitor's
  // comparison), which reads the controllers and disks as the stack has
  // them now rather than as a host last listed them: their rebuilds run
  // inside this one. The pool of a controller whose disks that rebuild did
  // not all read is a gap, by controller.
  PROVIDER_STATUS Build(std::optional<CListRead<stZUB_StoragePool>>* read) {
    CListBuild<stZUB_StoragePool> built(m_list, read);
    built.PlacesInnerGaps();
    CArrayT<stZUB_PortController> controllers;
    CArrayT<stZUB_StorageExtentDisk> disks;
    const ListNeed need = read ? ListNeed::Rebuilt : ListNeed::AnyState;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubPortControllerInstance>(&controllers, need)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(&disks, need)) return s;
    built.SetComplete();
    if (controllers.GetCount() == 0 || disks.GetCount() == 0) return PROVIDER_NOT_FOUND;
    const CGroupedBy disksOf(disks, &stZUB_StorageExtentDisk::ControllerHandle);
    for (const stZUB_PortController& controller : controllers) {
      if (built.InnerGapAt(controller.InstanceID)) {
        built.Gap({&stZUB_StoragePool::ControllerHandle, controller.InstanceID}, controller.InstanceID);
        continue;
      }
      stZUB_StoragePool pool;
      for (const stZUB_StorageExtentDisk* disk : disksOf[controller.InstanceID]) {
        if (!OfController(*disk, controller.InstanceID) || disk->DiskState != kDiskStateNormal) continue;
        if (pool.AvailableSpace == 0) Describe(&pool, controller);
        pool.AvailableSpace += disk->DiskSize;
      }
      if (pool.AvailableSpace != 0) built.Add(pool);
    }
    return UpdateDone();
  }

  void RaiseAlerts(const CArrayT<stZUB_StoragePool>& before, const CArrayT<stZUB_StoragePool>& now) {
    for (const stZUB_StoragePool* pool : PoolChanges(before, now)) RaisePoolAlert(m_alerts, *pool);
  }

  PROVIDER_STATUS GetSupportedSizes(stZUB_StoragePool* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    rec->ReturnValue = kReturnUnknown;
    if (rec->SizesElementType != kElementTypeVolume) return PROVIDER_SUCCESS;
    std::vector<uint64_t> sizes;
    if (PROVIDER_STATUS s = SizeList(rec->InstanceID, &sizes)) return s;
    for (uint64_t n = 1; n <= sizes.size(); ++n) rec->Sizes.Add(sizes.front() * n);
    rec->ReturnValue = kReturnSuccess;
    return PROVIDER_SUCCESS;
  }

  PROVIDER_STATUS GetSupportedSizeRange(stZUB_StoragePool* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    rec->ReturnValue = kReturnUnknown;
    if (rec->RangeElementType != kElementTypeVolume) return PROVIDER_SUCCESS;
    std::vector<uint64_t> sizes;
    if (SizeList(rec->InstanceID, &sizes) != PROVIDER_SUCCESS) return PROVIDER_FAILED;
    if (!sizes.empty()) {
      rec->MinimumVolumeSize = sizes.front();
      rec->VolumeSizeDivisor = sizes.front();
      rec->MaximumVolumeSize = sizes.front() * sizes.size();
      rec->ReturnValue = kReturnSuccess;
    }
    return PROVIDER_SUCCESS;
  }

  PROVIDER_STATUS GetAvailableExtents(stZUB_StoragePool* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    rec->ReturnValue = kReturnFailed;
    CArrayT<stZUB_StoragePool> pools;
    Initialize();
    if (GetData(&pools) != PROVIDER_SUCCESS || pools.GetCount() == 0) return PROVIDER_SUCCESS;
    const stZUB_StoragePool* pool = Find(pools, rec->InstanceID);
    if (!pool) {
      rec->ReturnValue = kReturnInvalidParameter;
      return PROVIDER_SUCCESS;
    }
    CArrayT<stZUB_StorageExtentDisk> disks;
    if (ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(&disks) != PROVIDER_SUCCESS ||
        disks.GetCount() == 0)
      return PROVIDER_SUCCESS;
    rec->AvailableExtents.RemoveAll();
    CReferenceBuilder refs;
    for (const stZUB_StorageExtentDisk& disk : disks) {
      if (!OfController(disk, pool->ControllerHandle)) continue;
      if (!refs.HasContainer()) return PROVIDER_SUCCESS;
      rec->AvailableExtents.Add(refs.To(L"ZUB_StorageExtentDisk", disk));
    }
    rec->ReturnValue = kReturnSuccess;
    return PROVIDER_SUCCESS;
  }

 private:
  static const stZUB_StoragePool* Find(const CArrayT<stZUB_StoragePool>& pools, const CZubString& id) {
    for (const stZUB_StoragePool& p : pools) {
      if (p.InstanceID.Compare(id) == 0) return &p;
    }
    return nullptr;
  }

  // The sizes behind GetSupportedSizes and GetSupportedSizeRange: 1 when the
  // pool or its disks cannot be found.
  PROVIDER_STATUS SizeList(const CZubString& id, std::vector<uint64_t>* sizes) {
    Initialize();
    CArrayT<stZUB_StoragePool> pools;
    GetData(&pools);
    const stZUB_StoragePool* pool = Find(pools, id);
    if (!pool) return PROVIDER_FAILED;
    CArrayT<stZUB_StorageExtentDisk> disks;
    if (ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(&disks) != PROVIDER_SUCCESS ||
        disks.GetCount() == 0)
      return PROVIDER_FAILED;
    *sizes = PoolDiskSizes(disks, pool->ControllerHandle);
    return PROVIDER_SUCCESS;
  }
};

}  // namespace

std::vector<uint64_t> PoolDiskSizes(const CArrayT<stZUB_StorageExtentDisk>& disks, const CZubString& controller) {
  std::vector<uint64_t> sizes;
  for (const stZUB_StorageExtentDisk& disk : disks) {
    if (OfController(disk, controller)) sizes.push_back(disk.DiskSize);
  }
  std::sort(sizes.begin(), sizes.end());
  return sizes;
}

std::vector<const stZUB_StoragePool*> PoolChanges(const CArrayT<stZUB_StoragePool>& previous,
                                                  const CArrayT<stZUB_StoragePool>& current) {
  std::vector<const stZUB_StoragePool*> out;
  const size_t before = previous.GetCount(), now = current.GetCount();
  if (now > before) {
    for (size_t i = before; i < now; ++i) out.push_back(&current[i]);
  } else if (before > now) {
    for (size_t i = now; i < before; ++i) out.push_back(&previous[i]);
  } else {
    for (size_t i = 0; i < now; ++i) {
      const stZUB_StoragePool& a = current[i];
      const stZUB_StoragePool& b = previous[i];
      const bool same = a.InstanceID.Compare(b.InstanceID) == 0 && a.PoolID.Compare(b.PoolID) == 0 &&
                        a.Primordial == b.Primordial && a.FixedSpace == b.FixedSpace &&
                        a.AvailableSpace == b.AvailableSpace && a.FixedValue1 == b.FixedValue1 &&
                        a.FixedValue2 == b.FixedValue2;
      if (!same) out.push_back(&a);
    }
  }
  return out;
}

CZubStoragePoolInterface* PROVIDER_CreateZubStoragePoolInstance() { return Singleton<CZubStoragePool>(); }

CEventRegisterInterface* StoragePoolEvents() { return Singleton<CZubStoragePool>(); }
