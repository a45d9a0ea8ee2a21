// tables.h: the value tables and texts that several classes share, each in
// one place: controller types, RAID levels (middleware code, names,
// redundancy facts), volume health, cache policies, and the constant texts
// records repeat.
#pragma once

#include <cstdint>
#include <span>

#include "framework/names.h"
#include "framework/zub_string.h"

// Controller types, as the controller record gives them and as
// ZUB_PortController's HostControllerType carries them.
inline constexpr int32_t kControllerTypeAhci = 1;
inline constexpr int32_t kControllerTypeDox = 2;

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
