// model.h: the in-memory RAID stack of the simulation.
//
// Controllers own everything else: their RAID information, an optional port
// of their own, enclosures, routing devices, disks (each with an optional PHY
// and port), unattached PHYs and volumes (each volume is one array). The
// topology loader (topology.cpp) builds a Model, the Ssi* calls read it
// (enumerate.cpp) and change it (configure.cpp), and the control API swaps or
// edits it (control.cpp, changes.cpp). Nothing here locks: the caller holds
// the simulation's mutex (state.h).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "middleware/abru2.h"

namespace abru2sim {

// What a RAID level needs and yields. A member count inside [minDisks,
// maxDisks]; the capacity on n disks whose smallest holds m bytes is
// (n / 2) * m for mirrored levels and (n - parityDisks) * m otherwise.
struct RaidLevelRule {
  uint32_t code;
  const char* name;
  uint32_t minDisks;
  uint32_t maxDisks;
  bool mirrored;
  uint32_t parityDisks;
  uint32_t toleratedLosses;  // members that may go before the data is lost
};

// nullptr for a code that is not one of 1, 2, 4, 8, 16.
const RaidLevelRule* FindRaidLevel(uint32_t code);
// The rule sizes follow: a code the stack does not know counts as RAID0.
const RaidLevelRule& SizeRule(uint32_t code);
// 0 when the disks are fewer than the level needs.
uint64_t RaidCapacity(const RaidLevelRule& rule, uint64_t disks, uint64_t smallestDisk);

// The handle value that stands for "none" in every record.
constexpr SSI_HANDLE kNoHandle = 0;

// Volume states the simulation sets by itself; others pass through unchanged.
constexpr int32_t kVolumeNormal = 1;
constexpr int32_t kVolumeDegraded = 2;
constexpr int32_t kVolumeFailed = 16;

// Disk usages and states that decide whether a disk may join an array.
constexpr int32_t kUsageMember = 1;
constexpr int32_t kUsageAvailable = 2;
constexpr int32_t kUsageSpare = 4;
constexpr int32_t kDiskFailed = 3;

struct Address {
  std::array<uint8_t, 4> parts{};
  std::optional<uint64_t> wide;
};

struct LevelSupport {
  bool supported = false;
  int32_t stripKib = 0;
  uint32_t stripMask = 0;
};

// Whether a strip code (2048-byte units) is one the level accepts: a single
// bit inside the mask, or exactly the level's own strip when the mask is 0.
bool StripAllowed(const LevelSupport& level, uint32_t stripCode);
uint32_t DefaultStripCode(const LevelSupport& level);

struct RaidInfo {
  SSI_HANDLE handle = kNoHandle;
  uint32_t value1 = 0;
  uint32_t value2 = 0;
  std::map<uint32_t, LevelSupport> levels;  // by level code; only supported ones
  const LevelSupport* Find(uint32_t code) const;
};

struct Port {
  SSI_HANDLE handle = kNoHandle;
  Address address;
};

struct Phy {
  SSI_HANDLE handle = kNoHandle;
  uint32_t number = 0;
  int32_t protocol = 0;
  std::array<int32_t, 2> link{};  // negotiated, maximum
  bool locate = false;
};

struct Disk {
  SSI_HANDLE handle = kNoHandle;
  std::string serial, model, firmware;
  uint64_t size = 0;
  std::array<uint64_t, 3> sizes{};
  int32_t state = 6;
  int32_t usage = kUsageAvailable;
  int32_t value24 = 0;
  int32_t value144 = 0;
  uint32_t noPool = 0;
  std::optional<uint64_t> address64;
  std::optional<SSI_HANDLE> raidInfo;  // none: its controller's
  std::optional<Phy> phy;    // none: the disk is not reachable through a PHY
  std::optional<Port> port;  // the port its PHY belongs to
};

struct Enclosure {
  SSI_HANDLE handle = kNoHandle;
  std::string vendor, version;
};

struct RoutingDevice {
  SSI_HANDLE handle = kNoHandle;
  std::string vendor, version;
};

struct Volume {
  SSI_HANDLE handle = kNoHandle;
  SSI_HANDLE array = kNoHandle;
  std::string name;
  uint32_t level = 0;       // any code, also one the stack does not know
  uint32_t stripCode = 0;  // 2048-byte units
  uint64_t size = 0;
  std::vector<SSI_HANDLE> disks;  // members in array order
  uint32_t lostMembers = 0;       // members removed from under the volume
  int32_t state = kVolumeNormal;
  uint32_t cache = 1;
  uint32_t flag = 0;
};

struct Controller {
  SSI_HANDLE handle = kNoHandle;
  std::string name;
  int32_t type = 1;
  uint16_t id = 0;
  uint8_t revision = 0;
  uint16_t vendor = 0;
  std::string driverVersion;
  Address address;
  uint32_t featureFlag = 0;
  uint32_t writeBackOffered = 0;
  RaidInfo raid;
  std::optional<Port> port;
  std::vector<Enclosure> enclosures;
  std::vector<RoutingDevice> routingDevices;
  std::vector<Disk> disks;
  std::vector<Phy> freePhys;  // PHYs with nothing attached
  std::vector<Volume> volumes;

  Disk* FindDisk(SSI_HANDLE h);
  // A disk may be a member of several arrays (volumes sharing disks).
  bool IsMember(SSI_HANDLE disk) const;
  // Bytes of the smallest present member (0 when none is left).
  uint64_t SmallestMember(const Volume& v);
  // What the volume's level yields on its members, counting lost ones.
  uint64_t Capacity(const Volume& v);
};

// Hands out handles that are unique across every object and never 0.
// Explicit handles are claimed first; the rest come from a counter that
// skips claimed values, so an assigned handle never meets an explicit one.
class HandleAllocator {
 public:
  bool Claim(SSI_HANDLE h);  // false when 0 or already in use
  SSI_HANDLE Allocate();
  void Release(SSI_HANDLE h) { used_.erase(h); }
  bool InUse(SSI_HANDLE h) const { return used_.count(h) != 0; }

 private:
  std::set<SSI_HANDLE> used_;
  SSI_HANDLE next_ = 1;
};

template <class T>
struct Found {
  Controller* controller = nullptr;
  T* item = nullptr;
  Disk* disk = nullptr;  // for PHYs and ports: the disk they belong to, if any
  explicit operator bool() const { return item != nullptr; }
};

struct Model {
  std::optional<std::string> middlewareVersion;
  std::vector<Controller> controllers;
  HandleAllocator handles;

  Controller* FindController(SSI_HANDLE h);
  Found<Disk> FindDisk(SSI_HANDLE h);
  Found<Volume> FindVolume(SSI_HANDLE h);
  Found<Volume> FindArray(SSI_HANDLE h);
  Found<Phy> FindPhy(SSI_HANDLE h);
  Found<Port> FindPort(SSI_HANDLE h);
  Found<Enclosure> FindEnclosure(SSI_HANDLE h);
  Found<RoutingDevice> FindRoutingDevice(SSI_HANDLE h);
  Controller* FindRaidInfo(SSI_HANDLE h);

  // Every handle field of the model, in file order, so that a loader can
  // claim the explicit ones and fill the missing (zero) ones afterwards.
  void ForEachHandle(const std::function<void(SSI_HANDLE&)>& fn);
};

}  // namespace abru2sim
