// storage_setting.h: ZUB_StorageSettingPrimordial and ZUB_StorageSettingVolume,
// two lists of storage settings (one record type) that live for the life of
// the process. The primordial list holds the settings CreateSetting of
// ZUB_StorageCapabilitiesPrimordial generates; the volume list one setting
// per volume, filed by ZUB_StorageVolume's Update and removed by the storage
// configuration service after it changed or deleted the volume. A host uses
// a setting as the goal of a volume creation or modification and changes its
// goal values with PutData.
//
// Update: 0 always; the lists are not rebuilt. PutData: 0 always; updates
// the goal fields of every stored setting with the given InstanceID.
#pragma once

#include "framework/interfaces.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

struct ZUBPROV_API stZUB_StorageSetting {
  CZubString InstanceID;
  CZubString Caption;                   // the setting's RAID level name
  CZubString ElementName;
  CZubString Description;
  uint64_t SettingOption1 = 0;          // 2
  uint64_t ExtentStripeLength = 0;      // generated: disks available in the pool; volume: 2
  uint64_t SettingOption2 = 0;          // 2
  uint64_t SettingOption3 = 0;          // 2
  uint64_t SettingOption4 = 0;          // 2
  uint64_t UserDataStripeDepth = 0;     // goal strip size, bytes
  uint64_t UserDataStripeDepthMin = 0;
  uint64_t UserDataStripeDepthMax = 0;
  uint64_t RaidInfoValue1 = 0;          // from the controller's RAID-info record
  uint64_t RaidInfoValue2 = 0;
  uint8_t NoSinglePointOfFailure = 0;
  uint64_t DataRedundancyMax = 0;
  uint64_t DataRedundancyMin = 0;
  uint64_t DataRedundancyGoal = 0;
  uint64_t PackageRedundancyMax = 0;
  uint64_t PackageRedundancyMin = 0;
  uint64_t PackageRedundancyGoal = 0;
  uint64_t ChangeableType = 0;          // 1 generated, 2 volume setting
  CZubString VolumeName;                // volume: the volume's name; generated: its InstanceID
  CArrayT<CZubString> SupportedRaidLevels;
  CArrayT<CZubString> MemberDisks;      // volume: paths of its disk extents
  CZubString RaidLevel;
  CArrayT<CZubString> SupportedCachePolicies;
  CZubString CachePolicy;
  CZubString PoolID;                    // the pool it was generated from
  uint64_t SmallestDiskBlocks = 0;      // volume: smallest SizeB of its disks
  CZubString ControllerHandle;          // volume: the controller handle, decimal

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubStorageSettingInterface* PROVIDER_CreateZubStorageSettingPrimordialInstance();
ZUB_FACTORY CZubStorageSettingInterface* PROVIDER_CreateZubStorageSettingVolumeInstance();

// The operations other classes use on the two lists, each under the
// process-wide lock. Both are no-ops when the list object cannot be created.
enum class SettingList { Primordial, Volume };
// Appends a copy at the end of the list.
void AddSetting(SettingList list, const stZUB_StorageSetting& setting);
// Appends a volume's setting unless the volume list holds one for the same
// volume (VolumeName and ControllerHandle) already, in one step: two
// threads listing a new volume at once file one setting between them.
void FileVolumeSetting(const stZUB_StorageSetting& setting);
// Removes the first setting with that InstanceID: 0, or 1 when there is none.
PROVIDER_STATUS RemoveSetting(SettingList list, const CZubString& instanceId);

// The cache policies a controller offers for a policy code: "CACHING_OFF" and
// "WRITEBACK" when it offers write-back, else only the policy's own name.
CArrayT<CZubString> SupportedCachePolicies(const _SSI_ControllerInfo& controller, uint32_t policy);

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* StorageSettingVolumeEvents();
