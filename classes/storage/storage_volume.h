// storage_volume.h: ZUB_StorageVolume, one instance per RAID volume. Its
// keys are CreationClassName, DeviceID (name "_" handle), SystemCreationClassName
// and SystemName ("Volume_" handle); across refreshes a volume is the same
// volume when its ElementName and ControllerHandle are. Update also files a
// volume setting (ZUB_StorageSettingVolume) for each volume that has none:
// its member disks' paths, the strip limits of its level, the controller's
// cache policies; the configuration service uses it to change the volume.
//
// Update: 0 listed; 4 no volume, a volume's array reports no disk, or no
// controller; 1 a re-enumeration failed, the disk-extent object is missing,
// or the RAID info or levels could not be read; 9 the volume-setting object
// is missing. The records appended before a failure stay. The list is
// replaced in one step; the event monitor compares its own rebuild with the
// snapshot it keeps (framework/event_register.h): the volume a listing stopped
// at, those after it and a volume whose disk or controller record could not
// be read are left out of that comparison. Reads the volumes, their arrays'
// disks, the controllers and their RAID information, ZUB_StorageExtentDisk
// and ZUB_StorageSettingVolume.
#pragma once

#include <vector>

#include "zubprov/storage.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The record of one middleware volume; ControllerHandle is left empty.
stZUB_StorageVolume VolumeOf(const _SSI_VolumeInfo& volume);

// Strip limits of a level's mask of supported strips (bit k: 2048 << k
// bytes): the smallest and largest; both 0 for an empty mask.
uint64_t SmallestStrip(uint32_t mask);
uint64_t LargestStrip(uint32_t mask);

enum VolumeAlertKind : uint32_t { kVolumeCreated = 1, kVolumeModified = 2, kVolumeDeleted = 3 };

struct VolumeChange {
  const stZUB_StorageVolume* volume;  // the current record; the previous one for a deletion
  VolumeAlertKind kind;
};

// What changed between two lists of volumes, in alert order: more volumes
// now: each volume (same ElementName and ControllerHandle) not there before
// was created; fewer: each previous volume no longer there was deleted; as
// many: each position whose records differ in a compared field was modified.
std::vector<VolumeChange> VolumeChanges(const CArrayT<stZUB_StorageVolume>& previous,
                                        const CArrayT<stZUB_StorageVolume>& current);

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* StorageVolumeEvents();
