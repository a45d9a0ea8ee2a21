// model.cpp: lookups, RAID arithmetic and handle allocation of the
// in-memory RAID stack declared in model.h.
#include "sim/model.h"

#include <algorithm>
#include <bit>

namespace abru2sim {

namespace {

// One row per RAID level the stack knows; everything about a level's disk
// count and capacity comes from here.
constexpr RaidLevelRule kRaidLevels[] = {
    // code, name,    min, max,        mirrored, parity, tolerated losses
    {1, "RAID0", 2, UINT32_MAX, false, 0, 0},
    {2, "RAID1", 2, 2, true, 0, 1},
    {4, "RAID10", 4, 4, true, 0, 1},
    {8, "RAID5", 3, UINT32_MAX, false, 1, 1},
    {16, "RAID6", 4, UINT32_MAX, false, 2, 2},
};

}  // namespace

const RaidLevelRule* FindRaidLevel(uint32_t code) {
  for (const auto& rule : kRaidLevels) {
    if (rule.code == code) return &rule;
  }
  return nullptr;
}

const RaidLevelRule& SizeRule(uint32_t code) {
  const RaidLevelRule* rule = FindRaidLevel(code);
  return rule != nullptr ? *rule : kRaidLevels[0];
}

uint64_t RaidCapacity(const RaidLevelRule& rule, uint64_t disks, uint64_t smallestDisk) {
  if (disks < rule.minDisks) return 0;
  const uint64_t dataDisks = rule.mirrored ? disks / 2 : disks - rule.parityDisks;
  return dataDisks * smallestDisk;
}

bool StripAllowed(const LevelSupport& level, uint32_t stripCode) {
  if (!std::has_single_bit(stripCode)) return false;
  if (level.stripMask == 0) return stripCode == DefaultStripCode(level);
  return (level.stripMask & stripCode) != 0;
}

uint32_t DefaultStripCode(const LevelSupport& level) {
  return level.stripKib > 0 ? static_cast<uint32_t>(level.stripKib) / 2 : 0;
}

const LevelSupport* RaidInfo::Find(uint32_t code) const {
  auto it = levels.find(code);
  return it == levels.end() ? nullptr : &it->second;
}

Disk* Controller::FindDisk(SSI_HANDLE h) {
  for (auto& d : disks) {
    if (d.handle == h) return &d;
  }
  return nullptr;
}

bool Controller::IsMember(SSI_HANDLE disk) const {
  return std::any_of(volumes.begin(), volumes.end(), [disk](const Volume& v) {
    return std::find(v.disks.begin(), v.disks.end(), disk) != v.disks.end();
  });
}

uint64_t Controller::SmallestMember(const Volume& v) {
  uint64_t smallest = 0;
  bool first = true;
  for (SSI_HANDLE h : v.disks) {
    const Disk* d = FindDisk(h);
    if (d == nullptr) continue;
    smallest = first ? d->size : std::min(smallest, d->size);
    first = false;
  }
  return smallest;
}

uint64_t Controller::Capacity(const Volume& v) {
  return RaidCapacity(SizeRule(v.level), v.disks.size() + v.lostMembers, SmallestMember(v));
}

bool HandleAllocator::Claim(SSI_HANDLE h) {
  if (h == kNoHandle) return false;
  return used_.insert(h).second;
}

SSI_HANDLE HandleAllocator::Allocate() {
  while (next_ == kNoHandle || used_.count(next_) != 0) ++next_;
  used_.insert(next_);
  return next_++;
}

Controller* Model::FindController(SSI_HANDLE h) {
  for (auto& c : controllers) {
    if (c.handle == h) return &c;
  }
  return nullptr;
}

Found<Disk> Model::FindDisk(SSI_HANDLE h) {
  for (auto& c : controllers) {
    if (Disk* d = c.FindDisk(h)) return {&c, d, d};
  }
  return {};
}

namespace {

// The first element of one per-controller list that matches.
template <class T, class Match>
Found<T> FindInControllers(std::vector<Controller>& controllers, std::vector<T> Controller::*list, Match match) {
  for (auto& c : controllers) {
    for (auto& item : c.*list) {
      if (match(item)) return {&c, &item, nullptr};
    }
  }
  return {};
}

}  // namespace

Found<Volume> Model::FindVolume(SSI_HANDLE h) {
  return FindInControllers(controllers, &Controller::volumes, [h](const Volume& v) { return v.handle == h; });
}

Found<Volume> Model::FindArray(SSI_HANDLE h) {
  return FindInControllers(controllers, &Controller::volumes, [h](const Volume& v) { return v.array == h; });
}

Found<Phy> Model::FindPhy(SSI_HANDLE h) {
  for (auto& c : controllers) {
    for (auto& d : c.disks) {
      if (d.phy && d.phy->handle == h) return {&c, &*d.phy, &d};
    }
    for (auto& p : c.freePhys) {
      if (p.handle == h) return {&c, &p, nullptr};
    }
  }
  return {};
}

Found<Port> Model::FindPort(SSI_HANDLE h) {
  for (auto& c : controllers) {
    if (c.port && c.port->handle == h) return {&c, &*c.port, nullptr};
    for (auto& d : c.disks) {
      if (d.port && d.port->handle == h) return {&c, &*d.port, &d};
    }
  }
  return {};
}

Found<Enclosure> Model::FindEnclosure(SSI_HANDLE h) {
  return FindInControllers(controllers, &Controller::enclosures, [h](const Enclosure& e) { return e.handle == h; });
}

Found<RoutingDevice> Model::FindRoutingDevice(SSI_HANDLE h) {
  return FindInControllers(controllers, &Controller::routingDevices,
                           [h](const RoutingDevice& r) { return r.handle == h; });
}

Controller* Model::FindRaidInfo(SSI_HANDLE h) {
  for (auto& c : controllers) {
    if (c.raid.handle == h) return &c;
  }
  return nullptr;
}

void Model::ForEachHandle(const std::function<void(SSI_HANDLE&)>& fn) {
  for (auto& c : controllers) {
    fn(c.handle);
    fn(c.raid.handle);
    if (c.port) fn(c.port->handle);
    for (auto& e : c.enclosures) fn(e.handle);
    for (auto& r : c.routingDevices) fn(r.handle);
    for (auto& d : c.disks) {
      fn(d.handle);
      if (d.phy) fn(d.phy->handle);
      if (d.port) fn(d.port->handle);
    }
    for (auto& p : c.freePhys) fn(p.handle);
    for (auto& v : c.volumes) {
      fn(v.handle);
      fn(v.array);
    }
  }
}

}  // namespace abru2sim
