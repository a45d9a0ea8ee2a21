// disk_extent.h: ZUB_StorageExtentDisk, one instance per disk (end device)
// of every controller, in controller order and then the middleware's order.
// Pools, volumes, spares and the storage associations find a disk through
// EndDeviceHandle or ControllerHandle (decimal handle texts); across
// refreshes a disk is identified by EndDeviceHandle.
//
// Update: 0 listed (a disk whose record the middleware left unfilled is
// listed as it is); 4 the middleware reports no controller; 1 a controller
// or end-device enumeration failed (the records appended so far stay). The
// list is replaced in one step; the event monitor compares its own rebuild
// with the snapshot it keeps (framework/event_register.h): a disk whose record
// could not be read, and the disks of a controller whose disks could not be
// listed, are left out of that comparison. Reads the controller list and
// each controller's end devices.
#pragma once

#include <vector>

#include "zubprov/storage.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The record of one end device enumerated under `controller`.
stZUB_StorageExtentDisk DiskExtentOf(const _SSI_EndDeviceInfo& disk, SSI_HANDLE controller);

// Disk alert kinds, as change detection raises them.
enum DiskAlertKind : uint32_t {
  kDiskInserted = 1,
  kDiskFailed = 2,
  kDiskRemoved = 3,
  kDiskFailing = 4,
  kDiskMarkedPrimordial = 5,
  kDiskMarkedSpare = 6,
  kDiskSpareUsed = 7,
  kDiskSpareReleased = 8,
  kDiskHealthy = 9,
};

struct DiskChange {
  const stZUB_StorageExtentDisk* disk;  // the current record; the previous one for a removal
  DiskAlertKind kind;
};

// What changed between two lists of disks, in the order alerts are raised:
// more disks now: each disk whose EndDeviceHandle was not there before is
// inserted; fewer: each previous disk no longer there is removed; as many:
// the i-th disks are compared (state: 3 failed, 4 failing, 6 healthy; usage:
// 2 marked primordial, 4 marked spare, and from spare 4 to 1 spare used, to
// 0 or 2 spare released). The pointers point into the two lists.
std::vector<DiskChange> DiskChanges(const CArrayT<stZUB_StorageExtentDisk>& previous,
                                    const CArrayT<stZUB_StorageExtentDisk>& current);

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* StorageExtentDiskEvents();
