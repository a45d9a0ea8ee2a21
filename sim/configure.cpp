// configure.cpp: the configuration calls (volume creation and changes, spare
// marking, locate, rescan).
//
// Each call checks its arguments the way a RAID stack does (14 for a bad
// argument, 18 when a disk's state forbids the request), changes the model
// only once every check has passed, and then advances the change counter so
// the provider's event monitor sees the new configuration.
#include <algorithm>

#include "sim/state.h"

using namespace abru2sim;

namespace {

constexpr SSI_STATUS kInvalid = SSI_STATUS_INVALID_PARAMETER;
constexpr SSI_STATUS kRefused = SSI_STATUS_REFUSED;
constexpr size_t kNameField = 17;

// Disks a call wants to put into an array: known, each named once, all on
// one controller (the one given, when there is one).
struct Candidates {
  Controller* controller = nullptr;
  std::vector<Disk*> disks;
};

SSI_STATUS CollectDisks(Model& m, const SSI_HANDLE* list, uint32_t count, Controller* required, Candidates* out) {
  if (count != 0 && list == nullptr) return kInvalid;
  out->controller = required;
  for (uint32_t i = 0; i < count; ++i) {
    auto found = m.FindDisk(list[i]);
    if (!found) return kInvalid;
    if (out->controller != nullptr && out->controller != found.controller) return kInvalid;
    out->controller = found.controller;
    if (std::find(out->disks.begin(), out->disks.end(), found.item) != out->disks.end()) return kInvalid;
    out->disks.push_back(found.item);
  }
  return SSI_STATUS_SUCCESS;
}

// Only an available disk or a spare, healthy and allowed into a pool, may
// join an array.
SSI_STATUS CheckJoinable(const std::vector<Disk*>& disks) {
  for (const Disk* d : disks) {
    const bool free = d->usage == kUsageAvailable || d->usage == kUsageSpare;
    if (!free || d->state == kDiskFailed || d->noPool != 0) return kRefused;
  }
  return SSI_STATUS_SUCCESS;
}

bool CountFits(const RaidLevelRule& rule, uint64_t n) { return n >= rule.minDisks && n <= rule.maxDisks; }

uint64_t SmallestOf(const std::vector<Disk*>& disks, uint64_t smallest) {
  for (const Disk* d : disks) smallest = std::min(smallest, d->size);
  return smallest;
}

// The name field holds up to 17 bytes; a name of exactly 17 has no terminator.
std::string NameFromField(const char* field) {
  size_t n = 0;
  while (n < kNameField && field[n] != '\0') ++n;
  return std::string(field, n);
}

// Strip code 0 asks for the level's own strip.
bool ResolveStrip(const LevelSupport& level, uint32_t requested, uint32_t* code) {
  *code = requested != 0 ? requested : DefaultStripCode(level);
  return StripAllowed(level, *code);
}

void Join(Volume& v, const std::vector<Disk*>& disks) {
  for (Disk* d : disks) {
    d->usage = kUsageMember;
    v.disks.push_back(d->handle);
  }
}

}  // namespace

extern "C" {

ABRU2_API SSI_STATUS SsiVolumeCreateFromDisks(_SSI_CreateFromDisksParams params, SSI_HANDLE* volume) {
  return Enter("SsiVolumeCreateFromDisks", true, [&](Sim& sim) -> SSI_STATUS {
    if (volume == nullptr || params.numDisks == 0) return kInvalid;
    Candidates cand;
    if (SSI_STATUS st = CollectDisks(sim.model, params.disks, params.numDisks, nullptr, &cand)) return st;
    const std::string name = NameFromField(params.name);
    if (name.empty()) return kInvalid;
    const RaidLevelRule* rule = FindRaidLevel(params.raidLevel);
    const LevelSupport* support = cand.controller->raid.Find(params.raidLevel);
    if (rule == nullptr || support == nullptr || !CountFits(*rule, cand.disks.size())) return kInvalid;
    uint32_t strip = 0;
    if (!ResolveStrip(*support, params.stripSize, &strip)) return kInvalid;
    const uint64_t capacity = RaidCapacity(*rule, cand.disks.size(), SmallestOf(cand.disks, UINT64_MAX));
    if (params.size > capacity) return kInvalid;
    if (SSI_STATUS st = CheckJoinable(cand.disks)) return st;

    Volume v;
    v.handle = sim.model.handles.Allocate();
    v.array = sim.model.handles.Allocate();
    v.name = name;
    v.level = params.raidLevel;
    v.stripCode = strip;
    v.size = params.size != 0 ? params.size : capacity;
    Join(v, cand.disks);
    *volume = v.handle;
    cand.controller->volumes.push_back(std::move(v));
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiRaidLevelModify(SSI_HANDLE volume, _SSI_RaidLevelModifyParams params) {
  return Enter("SsiRaidLevelModify", true, [&](Sim& sim) -> SSI_STATUS {
    auto found = sim.model.FindVolume(volume);
    if (!found) return kInvalid;
    Volume& v = *found.item;
    Controller& c = *found.controller;
    Candidates cand;
    if (SSI_STATUS st = CollectDisks(sim.model, params.disks, params.numDisks, &c, &cand)) return st;
    const RaidLevelRule* rule = FindRaidLevel(params.raidLevel);
    const LevelSupport* support = c.raid.Find(params.raidLevel);
    const uint64_t total = v.disks.size() + cand.disks.size();
    if (rule == nullptr || support == nullptr || !CountFits(*rule, total)) return kInvalid;
    uint32_t strip = 0;
    if (!ResolveStrip(*support, params.stripSize, &strip)) return kInvalid;
    const uint64_t smallest = SmallestOf(cand.disks, v.disks.empty() ? UINT64_MAX : c.SmallestMember(v));
    const uint64_t capacity = RaidCapacity(*rule, total, smallest);
    const uint64_t size = params.size != 0 ? params.size : capacity;
    // A migration keeps the data: it may grow the volume, never shrink it.
    if (size > capacity || size < v.size) return kInvalid;
    if (v.lostMembers != 0) return kRefused;
    if (SSI_STATUS st = CheckJoinable(cand.disks)) return st;

    v.level = params.raidLevel;
    v.stripCode = strip;
    v.size = size;
    Join(v, cand.disks);
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiExpandVolume(SSI_HANDLE volume, uint64_t newSize) {
  return Enter("SsiExpandVolume", true, [=](Sim& sim) -> SSI_STATUS {
    auto found = sim.model.FindVolume(volume);
    if (!found) return kInvalid;
    Volume& v = *found.item;
    if (newSize < v.size || newSize > found.controller->Capacity(v)) return kInvalid;
    v.size = newSize;
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiAddDisksToArray(SSI_HANDLE array, SSI_HANDLE* disks, uint32_t count) {
  return Enter("SsiAddDisksToArray", true, [=](Sim& sim) -> SSI_STATUS {
    auto found = sim.model.FindArray(array);
    if (!found || disks == nullptr || count == 0) return kInvalid;
    Volume& v = *found.item;
    Candidates cand;
    if (SSI_STATUS st = CollectDisks(sim.model, disks, count, found.controller, &cand)) return st;
    // Added disks first take the places of lost members (a rebuild).
    const uint64_t present = v.disks.size();
    const uint64_t total = std::max(present + v.lostMembers, present + cand.disks.size());
    const RaidLevelRule* rule = FindRaidLevel(v.level);
    if (rule == nullptr || !CountFits(*rule, total)) return kInvalid;
    if (SSI_STATUS st = CheckJoinable(cand.disks)) return st;

    Join(v, cand.disks);
    v.lostMembers -= std::min<uint32_t>(v.lostMembers, static_cast<uint32_t>(cand.disks.size()));
    if (v.lostMembers == 0 && v.state == kVolumeDegraded) v.state = kVolumeNormal;
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiVolumeRename(SSI_HANDLE volume, const char* name17) {
  return Enter("SsiVolumeRename", true, [=](Sim& sim) -> SSI_STATUS {
    auto found = sim.model.FindVolume(volume);
    if (!found || name17 == nullptr) return kInvalid;
    std::string name = NameFromField(name17);
    if (name.empty()) return kInvalid;
    found.item->name = std::move(name);
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiVolumeSetCachePolicy(SSI_HANDLE volume, uint32_t policy) {
  return Enter("SsiVolumeSetCachePolicy", true, [=](Sim& sim) -> SSI_STATUS {
    auto found = sim.model.FindVolume(volume);
    if (!found || policy < 1 || policy > 3) return kInvalid;
    found.item->cache = policy;
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiVolumeDelete(SSI_HANDLE volume) {
  return Enter("SsiVolumeDelete", true, [=](Sim& sim) -> SSI_STATUS {
    auto found = sim.model.FindVolume(volume);
    if (!found) return kInvalid;
    Controller& c = *found.controller;
    const std::vector<SSI_HANDLE> members = found.item->disks;
    sim.model.handles.Release(found.item->handle);
    sim.model.handles.Release(found.item->array);
    c.volumes.erase(c.volumes.begin() + (found.item - c.volumes.data()));
    // A disk that still holds another volume stays a member.
    for (SSI_HANDLE h : members) {
      if (Disk* d = c.FindDisk(h); d != nullptr && !c.IsMember(h)) d->usage = kUsageAvailable;
    }
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiRescan(void) {
  return Enter("SsiRescan", true, [](Sim& sim) -> SSI_STATUS {
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiDiskMarkAsSpare(SSI_HANDLE disk, SSI_HANDLE array) {
  return Enter("SsiDiskMarkAsSpare", true, [=](Sim& sim) -> SSI_STATUS {
    auto found = sim.model.FindDisk(disk);
    if (!found || (array != kNoHandle && !sim.model.FindArray(array))) return kInvalid;
    Disk& d = *found.item;
    if (d.usage != kUsageAvailable || d.state == kDiskFailed || d.noPool != 0) return kRefused;
    d.usage = kUsageSpare;
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiDiskUnmarkAsSpare(SSI_HANDLE disk) {
  return Enter("SsiDiskUnmarkAsSpare", true, [=](Sim& sim) -> SSI_STATUS {
    auto found = sim.model.FindDisk(disk);
    if (!found) return kInvalid;
    if (found.item->usage != kUsageSpare) return kRefused;
    found.item->usage = kUsageAvailable;
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiPhyLocate(SSI_HANDLE phy, uint32_t on) {
  return Enter("SsiPhyLocate", true, [=](Sim& sim) -> SSI_STATUS {
    auto found = sim.model.FindPhy(phy);
    if (!found) return kInvalid;
    found.item->locate = on != 0;
    sim.Changed();
    return SSI_STATUS_SUCCESS;
  });
}

}  // extern "C"
