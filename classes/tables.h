// tables.h: the value tables and texts that several classes (and the hosts
// that show them) share, each in one place: controller types, disk usages
// and states, RAID levels (middleware code, names, redundancy facts), volume
// health, cache policies, the return values of the extrinsic methods.
#pragma once

#include <cstdint>
#include <span>

#include "framework/names.h"
#include "zubprov/zub_string.h"

// Controller types, as the controller record gives them and as
// ZUB_PortController's HostControllerType carries them.
inline constexpr int32_t kControllerTypeAhci = 1;
inline constexpr int32_t kControllerTypeDox = 2;

// Disk usages and states as the end-device record gives them (DiskUsage,
// DiskState of ZUB_StorageExtentDisk), with the words hosts show.
enum DiskUsageCode : int32_t {
  kDiskUsageMember = 1,     // member of a RAID array
  kDiskUsageAvailable = 2,  // free for a new volume
  kDiskUsageSpare = 4,
  kDiskUsage5 = 5,  // the middleware's own; DiskCategory 1
  kDiskUsage6 = 6,  // the middleware's own; DiskCategory 1, and free for a pool
};
enum DiskStateCode : int32_t {
  kDiskStateFailed = 3,
  kDiskStateFailing = 4,  // failure predicted
  kDiskStateNormal = 6,
};
struct CodeWord {
  int64_t code;
  const char* word;
};
inline constexpr CodeWord kDiskUsageWords[] = {
    {kDiskUsageMember, "volume member"}, {kDiskUsageAvailable, "available"}, {kDiskUsageSpare, "spare"}};
inline constexpr CodeWord kDiskStateWords[] = {
    {kDiskStateFailed, "failed"}, {kDiskStateFailing, "failure predicted"}, {kDiskStateNormal, "normal"}};

// The element type a method's ElementType names: a storage volume.
inline constexpr uint64_t kElementTypeVolume = 2;

// The CIM return values of the extrinsic methods, with their words.
enum MethodReturn : uint64_t {
  kReturnSuccess = 0,
  kReturnNotSupported = 1,
  kReturnUnknown = 2,
  kReturnTimeout = 3,
  kReturnFailed = 4,
  kReturnInvalidParameter = 5,
  kReturnSpareRefused = 6,
};
inline constexpr CodeWord kMethodReturnWords[] = {
    {kReturnSuccess, "success"},  {kReturnNotSupported, "not supported"}, {kReturnUnknown, "unknown error"},
    {kReturnTimeout, "timeout"},  {kReturnFailed, "failed"},               {kReturnInvalidParameter, "invalid parameter"},
    {kReturnSpareRefused, "spare refused"}};

// The word of a code in one of the tables above; null when it has none.
template <size_t N>
constexpr const char* WordOf(const CodeWord (&table)[N], int64_t code) {
  for (const CodeWord& row : table) {
    if (row.code == code) return row.word;
  }
  return nullptr;
}

// One RAID level the middleware knows, in the order the middleware is asked
// about them (RAID0, RAID1, RAID10, RAID5, RAID6).
struct RaidLevel {
  uint32_t code;        // the middleware's level code
  const wchar_t* name;  // "RAID5"
  bool mirrored;        // data and package redundancy follow the disk count
  uint64_t parityDisks; // disks a non-mirrored level may lose (package redundancy)

  bool NoSinglePointOfFailure() const { return mirrored || parityDisks > 0; }
  // A volume of `disks` member disks: its DataRedundancy and PackageRedundancy.
  uint64_t DataRedundancy(uint64_t disks) const { return mirrored ? disks : 0; }
  uint64_t PackageRedundancy(uint64_t disks) const { return mirrored ? (disks > 0 ? disks - 1 : 0) : parityDisks; }
};

std::span<const RaidLevel> RaidLevels();
// The level of a middleware code, or null for a code the provider does not know.
const RaidLevel* RaidLevelByCode(uint32_t code);
// The middleware code of a level name ("RAID5" → 8); 0 for any other text.
uint32_t RaidLevelCode(const CZubString& name);
// A volume's level text: the name, or "Invalid or Unknown".
CZubString VolumeRaidLevelText(uint32_t code);
// A level in a setting's list of supported levels: the name, or "INVALID".
CZubString SupportedRaidLevelText(uint32_t code);

// HealthState of a volume from the middleware's volume state: 5 OK, 10
// degraded, 20 major failure, 30 critical failure, 0 unknown.
uint64_t VolumeHealthState(int32_t volumeState);

// Cache policies: the middleware codes 1, 2, 3 and their names.
// A cache policy name from a middleware code ("CACHING_OFF" for anything but 2, 3).
CZubString CachePolicyText(uint32_t code);
// The middleware code of a cache policy name (1 for an unknown text).
uint32_t CachePolicyCode(const CZubString& name);
