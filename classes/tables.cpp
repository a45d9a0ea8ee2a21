// tables.cpp: the shared tables.
#include "classes/tables.h"

namespace {

constexpr RaidLevel kRaidLevels[] = {
    {1, L"RAID0", false, 0},
    {2, L"RAID1", true, 0},
    {4, L"RAID10", true, 0},
    {8, L"RAID5", false, 1},
    {16, L"RAID6", false, 2},
};

struct HealthRow {
  int32_t state;
  uint64_t health;
};
constexpr HealthRow kVolumeHealth[] = {
    {1, 5}, {4, 5}, {6, 5}, {8, 5}, {9, 5}, {2, 10}, {5, 10}, {7, 10}, {3, 20}, {16, 30},
};

struct CachePolicy {
  uint32_t code;
  const wchar_t* name;
};
constexpr CachePolicy kCachePolicies[] = {
    {1, L"CACHING_OFF"},
    {2, L"WRITE_THROUGH"},
    {3, L"WRITEBACK"},
};

}  // namespace

std::span<const RaidLevel> RaidLevels() { return kRaidLevels; }

const RaidLevel* RaidLevelByCode(uint32_t code) {
  for (const RaidLevel& level : kRaidLevels) {
    if (level.code == code) return &level;
  }
  return nullptr;
}

uint32_t RaidLevelCode(const CZubString& name) {
  for (const RaidLevel& level : kRaidLevels) {
    if (name.Compare(CZubString(level.name)) == 0) return level.code;
  }
  return 0;
}

CZubString VolumeRaidLevelText(uint32_t code) {
  const RaidLevel* level = RaidLevelByCode(code);
  return CZubString(level ? level->name : L"Invalid or Unknown");
}

CZubString SupportedRaidLevelText(uint32_t code) {
  const RaidLevel* level = RaidLevelByCode(code);
  return CZubString(level ? level->name : L"INVALID");
}

uint64_t VolumeHealthState(int32_t volumeState) {
  for (const HealthRow& row : kVolumeHealth) {
    if (row.state == volumeState) return row.health;
  }
  return 0;
}

CZubString CachePolicyText(uint32_t code) {
  for (const CachePolicy& policy : kCachePolicies) {
    if (policy.code == code) return CZubString(policy.name);
  }
  return CZubString(kCachePolicies[0].name);
}

uint32_t CachePolicyCode(const CZubString& name) {
  for (const CachePolicy& policy : kCachePolicies) {
    if (name.Compare(CZubString(policy.name)) == 0) return policy.code;
  }
  return kCachePolicies[0].code;
}
