// disk_extent.cpp: CZubStorageExtentDisk: the disks of every controller, and
// what changed since the previous list.
#include "classes/storage/disk_extent.h"

#include "classes/tables.h"
#include "framework/event_register.h"
#include "framework/class_base.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_StorageExtentDisk,
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(DeviceID).Key(2),
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(FixedValue1).Cim(CimType::UInt16),
    ZUB_FIELD(DiskCategory).Cim(CimType::UInt16),
    ZUB_FIELD(SizeA),
    ZUB_FIELD(SizeB),
    ZUB_FIELD(SizeC),
    ZUB_FIELD(DiskSize),
    ZUB_FIELD(DiskUsage).Cim(CimType::SInt32),
    ZUB_FIELD(DiskState).Cim(CimType::SInt32),
    ZUB_FIELD(DeviceValue1).Cim(CimType::SInt32),
    ZUB_FIELD(DeviceValue2).Cim(CimType::SInt32),
    ZUB_FIELD(FirmwareRevision),
    ZUB_FIELD(Model),
    ZUB_FIELD(SerialNumber),
    ZUB_FIELD(EndDeviceHandle).Internal(),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(AvailableForPool).Cim(CimType::Boolean),
    ZUB_FIELD(DeviceFlag).Cim(CimType::Boolean))

namespace {


// New state or usage → the alert it raises.
struct ValueKind {
  int64_t value;
  DiskAlertKind kind;
};
constexpr ValueKind kStateKinds[] = {
    {kDiskStateFailed, kDiskFailed}, {kDiskStateFailing, kDiskFailing}, {kDiskStateNormal, kDiskHealthy}};
constexpr ValueKind kUsageKinds[] = {{kDiskUsageAvailable, kDiskMarkedPrimordial}, {kDiskUsageSpare, kDiskMarkedSpare}};
// From spare (usage 4) to:
constexpr ValueKind kFromSpareKinds[] = {
    {kDiskUsageMember, kDiskSpareUsed}, {0, kDiskSpareReleased}, {kDiskUsageAvailable, kDiskSpareReleased}};

template <size_t N>
void Raise(const ValueKind (&table)[N], int64_t value, const stZUB_StorageExtentDisk* disk,
           std::vector<DiskChange>* out) {
  for (const ValueKind& row : table) {
    if (row.value == value) out->push_back({disk, row.kind});
  }
}

bool Contains(const CArrayT<stZUB_StorageExtentDisk>& list, const CZubString& endDevice) {
  for (const stZUB_StorageExtentDisk& d : list) {
    if (d.EndDeviceHandle.Compare(endDevice) == 0) return true;
  }
  return false;
}

class CZubStorageExtentDisk : public CZubClassT<CZubStorageExtentDiskInterface, stZUB_StorageExtentDisk>,
                              public CDetectChangesT<CZubStorageExtentDisk, stZUB_StorageExtentDisk> {
 public:
  PROVIDER_STATUS Update() override { return Build(nullptr); }

  // Update, also handing what it read to *read (the event monitor's
  // comparison). A disk whose record could not be read (it went between the
  // count and its read) is listed as the middleware left it and is a gap by
  // its handle; where a controller's disks cannot be listed, its disks and
  // those of the controllers after it are gaps, by controller.
  PROVIDER_STATUS Build(std::optional<CListRead<stZUB_StorageExtentDisk>>* read) {
    CListBuild<stZUB_StorageExtentDisk> built(m_list, read);
    CHostController controllers;
    return ForEachListed(
        controllers, [](CHostController& w) { return w.Load(); },
        [&](const _SSI_ControllerInfo& controller) {
          CEndDevices disks;
          if (disks.Load(SSI_SCOPE_CONTROLLER, controller.handle) != SSI_STATUS_SUCCESS) return PROVIDER_FAILED;
          const CZubString scope = NumberText(controller.handle);
          for (size_t i = 0; i < disks.m_list.GetCount(); ++i) {
            const stZUB_StorageExtentDisk rec = DiskExtentOf(disks.m_list[i], controller.handle);
            if (disks.m_list[i].handle != 0) built.Add(rec);
            else built.AddUnread(rec, {&stZUB_StorageExtentDisk::EndDeviceHandle, NumberText(disks.m_handles[i])}, scope);
          }
          return PROVIDER_SUCCESS;
        },
        &built,
        [&](SSI_HANDLE skipped) {
          const CZubString scope = NumberText(skipped);
          built.Gap({&stZUB_StorageExtentDisk::ControllerHandle, scope}, scope);
        });
  }

  void RaiseAlerts(const CArrayT<stZUB_StorageExtentDisk>& before, const CArrayT<stZUB_StorageExtentDisk>& now) {
    for (const DiskChange& c : DiskChanges(before, now)) RaiseDiskAlert(m_alerts, c.kind, *c.disk);
  }
};

}  // namespace

stZUB_StorageExtentDisk DiskExtentOf(const _SSI_EndDeviceInfo& disk, SSI_HANDLE controller) {
  stZUB_StorageExtentDisk rec;
  const CZubString handle = NumberText(disk.handle);
  rec.CreationClassName = L"ZUB_StorageExtentDisk";
  rec.DeviceID = handle;
  rec.SystemCreationClassName = kSystemCreationClassName;
  rec.SystemName = L"Disk_";
  rec.SystemName.Append(handle);
  rec.FixedValue1 = 2;
  rec.DiskUsage = disk.usage;
  rec.DiskState = disk.state;
  rec.DiskCategory = (disk.usage == kDiskUsage5 || disk.usage == kDiskUsage6) ? 1 : 3;
  rec.SizeA = disk.sizes[0];
  rec.SizeB = disk.sizes[1];
  rec.SizeC = disk.sizes[2];
  rec.DiskSize = disk.totalSize;
  rec.DeviceValue1 = disk.value24;
  rec.DeviceValue2 = disk.value144;
  rec.FirmwareRevision = FromMultiByte(disk.firmware);
  rec.Model = FromMultiByte(disk.model);
  rec.SerialNumber = FromMultiByte(disk.serialNo);
  rec.EndDeviceHandle = handle;
  rec.ControllerHandle = NumberText(controller);
  rec.DeviceFlag = disk.noPool != 0;
  rec.AvailableForPool = (disk.usage == kDiskUsageAvailable || disk.usage == kDiskUsage6) && disk.noPool == 0;
  return rec;
}

std::vector<DiskChange> DiskChanges(const CArrayT<stZUB_StorageExtentDisk>& previous,
                                    const CArrayT<stZUB_StorageExtentDisk>& current) {
  std::vector<DiskChange> out;
  if (current.GetCount() > previous.GetCount()) {
    for (const stZUB_StorageExtentDisk& d : current) {
      if (!Contains(previous, d.EndDeviceHandle)) out.push_back({&d, kDiskInserted});
    }
  } else if (previous.GetCount() > current.GetCount()) {
    for (const stZUB_StorageExtentDisk& d : previous) {
      if (!Contains(current, d.EndDeviceHandle)) out.push_back({&d, kDiskRemoved});
    }
  } else {
    for (size_t i = 0; i < current.GetCount(); ++i) {
      const stZUB_StorageExtentDisk& now = current[i];
      const stZUB_StorageExtentDisk& before = previous[i];
      if (now.DiskState != before.DiskState) Raise(kStateKinds, now.DiskState, &now, &out);
      if (now.DiskUsage != before.DiskUsage) {
        Raise(kUsageKinds, now.DiskUsage, &now, &out);
        if (before.DiskUsage == kDiskUsageSpare) Raise(kFromSpareKinds, now.DiskUsage, &now, &out);
      }
    }
  }
  return out;
}

CZubStorageExtentDiskInterface* PROVIDER_CreateZubStorageExtentDiskInstance() {
  return Singleton<CZubStorageExtentDisk>();
}

CEventRegisterInterface* StorageExtentDiskEvents() { return Singleton<CZubStorageExtentDisk>(); }
