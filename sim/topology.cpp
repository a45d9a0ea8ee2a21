// topology.cpp: JSON topology to Model. It refuses only what the file
// format rules out or what cannot be read (sim/README.md lists it): a test
// must be able to set up anything a real middleware may report.
//
// Reading runs in three steps: controllers with everything but their
// volumes (so a volume may name a disk of any controller and get a precise
// message), then volumes, then handles: explicit handles are claimed and the
// missing ones assigned in file order.
#include "sim/topology.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>

namespace abru2sim {

namespace {

constexpr uint64_t kDefaultDiskSize = 500107862016ull;
constexpr uint64_t kU32 = std::numeric_limits<uint32_t>::max();
constexpr uint64_t kU64 = std::numeric_limits<uint64_t>::max();
constexpr int64_t kI32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kI32Max = std::numeric_limits<int32_t>::max();
constexpr size_t kSerialMax = 20;
constexpr size_t kModelMax = 40;
constexpr size_t kVolumeNameMax = 16;
constexpr int32_t kDefaultStripKib = 128;
constexpr uint32_t kDefaultStripMask = 127;
constexpr std::array<int32_t, 2> kDefaultLink{3, 3};
const Json kNoObject = Json::object();

std::string At(const std::string& path, size_t i) { return path + "[" + std::to_string(i) + "]"; }

int32_t I32(const ObjectReader& r, const char* key, int32_t def) {
  return static_cast<int32_t>(r.Signed(key, kI32Min, kI32Max, def));
}

uint32_t U32(const ObjectReader& r, const char* key, uint32_t def) {
  return static_cast<uint32_t>(r.Unsigned(key, kU32, def));
}

Address ReadAddressPair(const ObjectReader& r, const Address& def) {
  Address a = def;
  if (r.Has("address")) a.parts = ReadAddress(*r.Get("address"), r.PathOf("address"));
  if (r.Has("address64")) a.wide = r.OptionalWide("address64");
  return a;
}

Port ReadPort(const Json& v, const std::string& path, const Address& defaultAddress,
              const HandleClaim& claim) {
  ObjectReader r(v, path, {"handle", "address", "address64"});
  Port p;
  p.handle = r.Handle("handle");
  claim(p.handle, r.PathOf("handle"));
  p.address = ReadAddressPair(r, defaultAddress);
  return p;
}

Phy ReadPhy(const Json& v, const std::string& path, int32_t protocol, uint32_t number,
            std::array<int32_t, 2> link, const HandleClaim& claim) {
  ObjectReader r(v, path, {"handle", "number", "protocol", "link"});
  Phy p;
  p.handle = r.Handle("handle");
  claim(p.handle, r.PathOf("handle"));
  p.number = U32(r, "number", number);
  p.protocol = I32(r, "protocol", protocol);
  p.link = link;
  if (const Json* l = r.Get("link")) {
    if (!l->is_array() || l->size() != 2) Fail(r.PathOf("link"), "expected an array of 2 integers");
    for (size_t i = 0; i < 2; ++i) {
      p.link[i] = static_cast<int32_t>(ReadSigned((*l)[i], At(r.PathOf("link"), i), kI32Min, kI32Max));
    }
  }
  return p;
}

std::map<uint32_t, LevelSupport> AllLevels() {
  std::map<uint32_t, LevelSupport> levels;
  for (uint32_t code : {1u, 2u, 4u, 8u, 16u}) levels[code] = {true, kDefaultStripKib, kDefaultStripMask};
  return levels;
}

RaidInfo ReadRaidInfo(const Json* v, const std::string& path, const HandleClaim& claim) {
  RaidInfo info;
  info.levels = AllLevels();
  if (v == nullptr || v->is_null()) return info;
  ObjectReader r(*v, path, {"handle", "value1", "value2", "levels"});
  info.handle = r.Handle("handle");
  claim(info.handle, r.PathOf("handle"));
  info.value1 = U32(r, "value1", 0);
  info.value2 = U32(r, "value2", 0);
  const Json* levels = r.Get("levels");
  if (levels == nullptr) return info;
  if (!levels->is_object()) Fail(r.PathOf("levels"), "expected an object keyed by RAID level code");
  info.levels.clear();
  for (const auto& item : levels->items()) {
    const std::string levelPath = r.PathOf("levels") + "." + item.key();
    uint32_t code = 0;
    for (uint32_t c : {1u, 2u, 4u, 8u, 16u}) {
      if (item.key() == std::to_string(c)) code = c;
    }
    if (code == 0) Fail(levelPath, "unknown RAID level \"" + item.key() + "\" (expected 1, 2, 4, 8 or 16)");
    // Any strip and any mask, also one without the level's own strip or 0:
    // middlewares report such values and the provider must cope with them.
    ObjectReader lr(item.value(), levelPath, {"strip_kib", "strip_mask"});
    LevelSupport s;
    s.supported = true;
    s.stripKib = I32(lr, "strip_kib", kDefaultStripKib);
    s.stripMask = U32(lr, "strip_mask", kDefaultStripMask);
    info.levels[code] = s;
  }
  return info;
}

template <class T>
std::vector<T> ReadVendorItems(const ObjectReader& r, const char* key, const HandleClaim& claim) {
  std::vector<T> items;
  const Json& list = r.Array(key);
  for (size_t i = 0; i < list.size(); ++i) {
    ObjectReader ir(list[i], At(r.PathOf(key), i), {"handle", "vendor", "version"});
    T item;
    item.handle = ir.Handle("handle");
    claim(item.handle, ir.PathOf("handle"));
    item.vendor = ir.Text("vendor", 0, "");
    item.version = ir.Text("version", 0, "");
    items.push_back(item);
  }
  return items;
}

// Where a disk sits while the topology is read: volumes name disks before
// their handles are known.
struct DiskPlace {
  size_t controller = 0;
  size_t disk = 0;
  std::string path;
};

struct PendingMembers {
  size_t controller = 0;
  size_t volume = 0;
  std::vector<size_t> disks;
};

class TopologyReader {
 public:
  Model Read(const Json& root) {
    ObjectReader r(root, "$", {"middleware_version", "controllers"});
    if (r.Has("middleware_version") && !r.IsNull("middleware_version")) {
      model_.middlewareVersion = r.Text("middleware_version", 0, "");
    }
    const Json& controllers = r.Array("controllers");
    std::vector<const Json*> volumeLists;
    for (size_t i = 0; i < controllers.size(); ++i) {
      volumeLists.push_back(ReadController(controllers[i], At("$.controllers", i), i));
    }
    for (size_t i = 0; i < controllers.size(); ++i) {
      if (volumeLists[i] != nullptr) ReadVolumes(*volumeLists[i], At("$.controllers", i) + ".volumes", i);
    }
    AssignHandles();
    return std::move(model_);
  }

 private:
  void Claim(SSI_HANDLE h, const std::string& path) {
    if (h == kNoHandle) return;
    auto [it, fresh] = claimed_.emplace(h, path);
    if (!fresh) Fail(path, "duplicate handle " + std::to_string(h) + " (already used at " + it->second + ")");
  }

  HandleClaim Claimer() {
    return [this](SSI_HANDLE h, const std::string& path) { Claim(h, path); };
  }

  // Returns the controller's volume list, read once all disks are known.
  const Json* ReadController(const Json& v, const std::string& path, size_t index) {
    ObjectReader r(v, path,
                   {"handle", "name", "type", "id", "revision", "vendor", "driver_version", "address",
                    "address64", "feature_flag", "write_back_offered", "phy_count", "phys", "raid_info",
                    "port", "enclosures", "routing_devices", "disks", "volumes"});
    Controller c;
    c.handle = r.Handle("handle");
    Claim(c.handle, r.PathOf("handle"));
    c.name = r.Text("name", 0, "Controller " + std::to_string(index));
    c.type = I32(r, "type", 1);
    c.id = static_cast<uint16_t>(r.Unsigned("id", 0xFFFF, 0));
    c.revision = static_cast<uint8_t>(r.Unsigned("revision", 0xFF, 0));
    c.vendor = static_cast<uint16_t>(r.Unsigned("vendor", 0xFFFF, 0));
    c.driverVersion = r.Text("driver_version", 0, "");
    c.address = ReadAddressPair(r, Address{});
    c.featureFlag = U32(r, "feature_flag", 0);
    c.writeBackOffered = U32(r, "write_back_offered", 0);
    c.raid = ReadRaidInfo(r.Get("raid_info"), r.PathOf("raid_info"), Claimer());
    if (!r.IsNull("port")) {
      c.port = ReadPort(r.Has("port") ? *r.Get("port") : kNoObject, r.PathOf("port"), c.address, Claimer());
    }
    c.enclosures = ReadVendorItems<Enclosure>(r, "enclosures", Claimer());
    c.routingDevices = ReadVendorItems<RoutingDevice>(r, "routing_devices", Claimer());

    // PHY numbers may repeat (disks behind an expander report the
    // expander's numbers); unattached PHYs take the lowest unused ones.
    const int32_t protocol = DefaultProtocol(c.type);
    std::set<uint32_t> phyNumbers;
    uint64_t ownPhys = 0;
    const Json& disks = r.Array("disks");
    for (size_t i = 0; i < disks.size(); ++i) {
      const std::string diskPath = At(r.PathOf("disks"), i);
      Disk d = ReadDisk(disks[i], diskPath, c.type, static_cast<uint32_t>(i), Claimer());
      if (d.phy) {
        phyNumbers.insert(d.phy->number);
        ++ownPhys;
      }
      RememberDisk(d, DiskPlace{index, i, diskPath});
      c.disks.push_back(std::move(d));
    }

    const Json& phys = r.Array("phys");
    for (size_t i = 0; i < phys.size(); ++i) {
      Phy p = ReadPhy(phys[i], At(r.PathOf("phys"), i), protocol, LowestFree(phyNumbers), {0, 0}, Claimer());
      phyNumbers.insert(p.number);
      ++ownPhys;
      c.freePhys.push_back(p);
    }

    const uint64_t phyCount = r.Unsigned("phy_count", kU32, std::max<uint64_t>(ownPhys, c.disks.size()));
    if (phyCount < c.disks.size()) {
      Fail(r.PathOf("phy_count"), "expected at least " + std::to_string(c.disks.size()) +
                                      " (the controller's disks), got " + std::to_string(phyCount));
    }
    if (phyCount < ownPhys) {
      Fail(r.PathOf("phy_count"), "expected at least " + std::to_string(ownPhys) +
                                      " (the disks' PHYs and the listed phys), got " + std::to_string(phyCount));
    }
    for (uint64_t n = ownPhys; n < phyCount; ++n) {
      Phy p;
      p.number = LowestFree(phyNumbers);
      p.protocol = protocol;
      phyNumbers.insert(p.number);
      c.freePhys.push_back(p);
    }

    model_.controllers.push_back(std::move(c));
    return r.Get("volumes");
  }

  static uint32_t LowestFree(const std::set<uint32_t>& used) {
    uint32_t n = 0;
    while (used.count(n) != 0) ++n;
    return n;
  }

  // Serials may repeat (cheap disks, one disk seen twice); only a volume
  // naming such a serial is ambiguous.
  void RememberDisk(const Disk& d, const DiskPlace& place) {
    if (!d.serial.empty() && !bySerial_.emplace(d.serial, place).second) sharedSerials_.insert(d.serial);
    if (d.handle != kNoHandle) byHandle_[d.handle] = place;
  }

  const DiskPlace& ResolveDisk(const Json& ref, const std::string& path) {
    if (ref.is_string()) {
      auto it = bySerial_.find(ref.get<std::string>());
      if (it == bySerial_.end()) Fail(path, "no disk with serial " + ref.dump());
      if (sharedSerials_.count(it->first) != 0) {
        Fail(path, "more than one disk has serial " + ref.dump() + " (name the disk by handle)");
      }
      return it->second;
    }
    if (ref.is_number_unsigned()) {
      auto it = byHandle_.find(static_cast<SSI_HANDLE>(ReadUnsigned(ref, path, kU32)));
      if (it == byHandle_.end()) Fail(path, "no disk with handle " + ref.dump());
      return it->second;
    }
    Fail(path, "expected a disk serial (string) or handle (integer)");
  }

  void ReadVolumes(const Json& list, const std::string& path, size_t ci) {
    if (!list.is_array()) Fail(path, "expected an array");
    for (size_t vi = 0; vi < list.size(); ++vi) ReadVolume(list[vi], At(path, vi), ci, vi);
  }

  // Beyond the file format only a volume's own controller is checked: a
  // middleware may report any level, strip or size, degraded volumes with
  // members missing, and a disk in two arrays (two volumes on one set of
  // disks).
  void ReadVolume(const Json& v, const std::string& path, size_t ci, size_t vi) {
    ObjectReader r(v, path, {"handle", "array_handle", "name", "level", "strip_kib", "size", "disks", "state",
                             "cache", "flag"});
    Controller& c = model_.controllers[ci];
    Volume vol;
    vol.handle = r.Handle("handle");
    Claim(vol.handle, r.PathOf("handle"));
    vol.array = r.Handle("array_handle");
    Claim(vol.array, r.PathOf("array_handle"));
    vol.name = r.Text("name", kVolumeNameMax, "Volume_" + std::to_string(vi));
    vol.level = U32(r, "level", 1);

    const Json& refs = r.Array("disks");
    PendingMembers pending{ci, vi, {}};
    uint64_t smallest = kU64;
    for (size_t k = 0; k < refs.size(); ++k) {
      const std::string refPath = At(r.PathOf("disks"), k);
      const DiskPlace& place = ResolveDisk(refs[k], refPath);
      if (place.controller != ci) {
        Fail(refPath, "disk " + refs[k].dump() + " belongs to another controller ($.controllers[" +
                          std::to_string(place.controller) + "])");
      }
      if (std::find(pending.disks.begin(), pending.disks.end(), place.disk) != pending.disks.end()) {
        Fail(refPath, "disk " + refs[k].dump() + " is named twice");
      }
      pending.disks.push_back(place.disk);
      smallest = std::min(smallest, c.disks[place.disk].size);
    }

    // A level the controller does not list has the stack's default strip.
    const LevelSupport* listed = c.raid.Find(vol.level);
    vol.stripCode = listed != nullptr ? DefaultStripCode(*listed) : kDefaultStripKib / 2;
    if (r.Has("strip_kib")) {
      const uint64_t kib = r.Unsigned("strip_kib", 2 * kU32, 0);
      if (kib % 2 != 0) Fail(r.PathOf("strip_kib"), "expected an even number (the record holds strip_kib / 2)");
      vol.stripCode = static_cast<uint32_t>(kib / 2);
    }
    // Fewer members than the level needs give 0: such a file states the size.
    vol.size = r.Unsigned("size", kU64, 0);
    if (vol.size == 0) vol.size = RaidCapacity(SizeRule(vol.level), pending.disks.size(), smallest);
    vol.state = I32(r, "state", kVolumeNormal);
    vol.cache = U32(r, "cache", 1);
    vol.flag = U32(r, "flag", 0);

    for (size_t di : pending.disks) c.disks[di].usage = kUsageMember;
    c.volumes.push_back(std::move(vol));
    pending_.push_back(std::move(pending));
  }

  void AssignHandles() {
    model_.ForEachHandle([this](SSI_HANDLE& h) {
      if (h != kNoHandle) model_.handles.Claim(h);
    });
    model_.ForEachHandle([this](SSI_HANDLE& h) {
      if (h == kNoHandle) h = model_.handles.Allocate();
    });
    for (const auto& p : pending_) {
      Controller& c = model_.controllers[p.controller];
      for (size_t di : p.disks) c.volumes[p.volume].disks.push_back(c.disks[di].handle);
    }
  }

  Model model_;
  std::map<SSI_HANDLE, std::string> claimed_;
  std::map<std::string, DiskPlace> bySerial_;
  std::set<std::string> sharedSerials_;
  std::map<SSI_HANDLE, DiskPlace> byHandle_;
  std::vector<PendingMembers> pending_;
};

}  // namespace

int32_t DefaultProtocol(int32_t controllerType) { return controllerType == 1 ? 1 : 2; }

Disk ReadDisk(const Json& v, const std::string& path, int32_t controllerType, uint32_t defaultPhyNumber,
              const HandleClaim& claim) {
  ObjectReader r(v, path,
                 {"handle", "serial", "model", "firmware", "size", "sizes", "state", "usage", "value24", "value144",
                  "no_pool", "address64", "raid_info_handle", "phy", "port"});
  Disk d;
  d.handle = r.Handle("handle");
  claim(d.handle, r.PathOf("handle"));
  d.serial = r.Text("serial", kSerialMax, "");
  d.model = r.Text("model", kModelMax, "");
  d.firmware = r.Text("firmware", 0, "");
  d.size = r.Unsigned("size", kU64, kDefaultDiskSize);
  d.sizes.fill(d.size / 512);
  if (const Json* sizes = r.Get("sizes")) {
    if (!sizes->is_array() || sizes->size() != 3) Fail(r.PathOf("sizes"), "expected an array of 3 integers");
    for (size_t i = 0; i < 3; ++i) d.sizes[i] = ReadUnsigned((*sizes)[i], At(r.PathOf("sizes"), i), kU64);
  }
  d.state = I32(r, "state", 6);
  d.usage = I32(r, "usage", kUsageAvailable);
  d.value24 = I32(r, "value24", 0);
  d.value144 = I32(r, "value144", 0);
  d.noPool = U32(r, "no_pool", 0);
  d.address64 = r.OptionalWide("address64");
  // Any value: one that names no controller's RAID info is what a confused
  // middleware reports, and the provider must cope with it.
  if (r.Has("raid_info_handle")) d.raidInfo = U32(r, "raid_info_handle", 0);
  if (!r.IsNull("phy")) {
    d.phy = ReadPhy(r.Has("phy") ? *r.Get("phy") : kNoObject, r.PathOf("phy"), DefaultProtocol(controllerType),
                    defaultPhyNumber, kDefaultLink, claim);
    if (!r.IsNull("port")) {
      d.port = ReadPort(r.Has("port") ? *r.Get("port") : kNoObject, r.PathOf("port"), Address{}, claim);
    }
  } else if (r.Has("port") && !r.IsNull("port")) {
    Fail(r.PathOf("port"), "expected null: a disk without a PHY has no port");
  }
  return d;
}

Model BuildModel(const Json& root) { return TopologyReader().Read(root); }

bool ParseTopologyText(const std::string& text, const std::string& source, Model* out, std::string* error) {
  return WithOneLineErrors(source, error, [&] { *out = BuildModel(ParseJson(text)); });
}

bool ReadTopologyFile(const std::string& path, Model* out, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  if (in) text << in.rdbuf();
  if (!in) {
    if (error != nullptr) *error = path + ": $: expected a readable topology file";
    return false;
  }
  return ParseTopologyText(text.str(), path, out, error);
}

}  // namespace abru2sim
