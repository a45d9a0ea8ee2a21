// changes.cpp: the change objects of the control API and of scenario steps
// ({"op": "set_disk", ...}).
//
// Each op reads and checks all its arguments before touching the model, so
// a refused change leaves everything as it was. Ops that alter the RAID
// configuration advance the change counter (waking event waiters); fail,
// clear_faults and latency only shape how later calls behave.
#include <algorithm>
#include <limits>
#include <set>

#include "sim/state.h"
#include "sim/topology.h"

namespace abru2sim {

namespace {

constexpr uint64_t kU32 = std::numeric_limits<uint32_t>::max();
constexpr uint64_t kU64 = std::numeric_limits<uint64_t>::max();
constexpr int64_t kI32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kI32Max = std::numeric_limits<int32_t>::max();

// A reference to an object: its handle (integer) or its name (string).
template <class T>
Found<T> Resolve(const ObjectReader& r, const char* key, const char* what,
                 Found<T> (*byHandle)(Model&, SSI_HANDLE), Found<T> (*byName)(Model&, const std::string&, bool*),
                 Model& model) {
  const Json& ref = r.Required(key);
  Found<T> found;
  bool ambiguous = false;
  if (ref.is_number_unsigned()) {
    found = byHandle(model, static_cast<SSI_HANDLE>(ReadUnsigned(ref, r.PathOf(key), kU32)));
  } else if (ref.is_string()) {
    found = byName(model, ref.get<std::string>(), &ambiguous);
  } else {
    Fail(r.PathOf(key), std::string("expected a ") + what + " handle (integer) or name (string)");
  }
  if (ambiguous) Fail(r.PathOf(key), std::string("more than one ") + what + " is named " + ref.dump());
  if (!found) Fail(r.PathOf(key), std::string("no ") + what + " " + ref.dump());
  return found;
}

Found<Disk> DiskByHandle(Model& m, SSI_HANDLE h) { return m.FindDisk(h); }
Found<Disk> DiskBySerial(Model& m, const std::string& serial, bool* ambiguous) {
  Found<Disk> found;
  for (auto& c : m.controllers) {
    for (auto& d : c.disks) {
      if (serial.empty() || d.serial != serial) continue;
      if (found) *ambiguous = true;
      found = {&c, &d, &d};
    }
  }
  return found;
}

Found<Volume> VolumeByHandle(Model& m, SSI_HANDLE h) { return m.FindVolume(h); }
Found<Volume> VolumeByName(Model& m, const std::string& name, bool* ambiguous) {
  Found<Volume> found;
  for (auto& c : m.controllers) {
    for (auto& v : c.volumes) {
      if (v.name != name) continue;
      if (found) *ambiguous = true;
      found = {&c, &v, nullptr};
    }
  }
  return found;
}

Found<Controller> ControllerByHandle(Model& m, SSI_HANDLE h) {
  Controller* c = m.FindController(h);
  return {c, c, nullptr};
}
Found<Controller> ControllerByName(Model& m, const std::string& name, bool* ambiguous) {
  Found<Controller> found;
  for (auto& c : m.controllers) {
    if (c.name != name) continue;
    if (found) *ambiguous = true;
    found = {&c, &c, nullptr};
  }
  return found;
}

Found<Disk> ResolveDisk(const ObjectReader& r, Model& m) {
  return Resolve<Disk>(r, "disk", "disk", DiskByHandle, DiskBySerial, m);
}

void SetDisk(const Json& change, Sim& sim) {
  ObjectReader r(change, "$", {"op", "disk", "state", "usage", "no_pool", "size", "firmware"});
  Disk& d = *ResolveDisk(r, sim.model).item;
  const int32_t state = static_cast<int32_t>(r.Signed("state", kI32Min, kI32Max, d.state));
  const int32_t usage = static_cast<int32_t>(r.Signed("usage", kI32Min, kI32Max, d.usage));
  const uint32_t noPool = static_cast<uint32_t>(r.Unsigned("no_pool", kU32, d.noPool));
  const uint64_t size = r.Unsigned("size", kU64, d.size);
  std::string firmware = r.Text("firmware", 0, d.firmware);
  d.state = state;
  d.usage = usage;
  d.noPool = noPool;
  d.size = size;
  d.firmware = std::move(firmware);
  sim.Changed();
}

uint32_t LowestFreePhyNumber(const Controller& c) {
  std::set<uint32_t> used;
  for (const auto& d : c.disks) {
    if (d.phy) used.insert(d.phy->number);
  }
  uint32_t n = 0;
  while (used.count(n) != 0) ++n;
  return n;
}

// The disk plugs into the PHY of its number: an unattached PHY of that
// number gives way to the disk's own.
void InsertDisk(const Json& change, Sim& sim) {
  ObjectReader r(change, "$", {"op", "controller", "disk"});
  Controller& c = *Resolve<Controller>(r, "controller", "controller", ControllerByHandle, ControllerByName,
                                       sim.model).item;
  std::set<SSI_HANDLE> claimed;
  HandleClaim claim = [&](SSI_HANDLE h, const std::string& path) {
    if (h == kNoHandle) return;
    if (sim.model.handles.InUse(h) || !claimed.insert(h).second) {
      Fail(path, "duplicate handle " + std::to_string(h));
    }
  };
  Disk d = ReadDisk(r.Required("disk"), r.PathOf("disk"), c.type, LowestFreePhyNumber(c), claim);
  auto freePhy = c.freePhys.end();
  if (d.phy) {
    freePhy = std::find_if(c.freePhys.begin(), c.freePhys.end(),
                           [&](const Phy& p) { return p.number == d.phy->number; });
  }

  if (freePhy != c.freePhys.end()) {
    sim.model.handles.Release(freePhy->handle);
    c.freePhys.erase(freePhy);
  }
  for (SSI_HANDLE h : claimed) sim.model.handles.Claim(h);
  auto fill = [&](SSI_HANDLE& h) {
    if (h == kNoHandle) h = sim.model.handles.Allocate();
  };
  fill(d.handle);
  if (d.phy) fill(d.phy->handle);
  if (d.port) fill(d.port->handle);
  c.disks.push_back(std::move(d));
  sim.Changed();
}

// A member disk that goes leaves each of its volumes in place, one member
// short: degraded while the level can bear the loss, failed beyond that.
void RemoveDisk(const Json& change, Sim& sim) {
  ObjectReader r(change, "$", {"op", "disk"});
  auto found = ResolveDisk(r, sim.model);
  Controller& c = *found.controller;
  const Disk& d = *found.item;
  for (Volume& v : c.volumes) {
    auto member = std::find(v.disks.begin(), v.disks.end(), d.handle);
    if (member == v.disks.end()) continue;
    v.disks.erase(member);
    ++v.lostMembers;
    v.state = v.lostMembers > SizeRule(v.level).toleratedLosses ? kVolumeFailed : kVolumeDegraded;
  }
  sim.model.handles.Release(d.handle);
  if (d.phy) sim.model.handles.Release(d.phy->handle);
  if (d.port) sim.model.handles.Release(d.port->handle);
  c.disks.erase(c.disks.begin() + (found.item - c.disks.data()));
  sim.Changed();
}

void SetVolume(const Json& change, Sim& sim) {
  ObjectReader r(change, "$", {"op", "volume", "name", "state", "cache", "size"});
  auto found = Resolve<Volume>(r, "volume", "volume", VolumeByHandle, VolumeByName, sim.model);
  Volume& v = *found.item;
  std::string name = r.Text("name", 16, v.name);
  const int32_t state = static_cast<int32_t>(r.Signed("state", kI32Min, kI32Max, v.state));
  const uint32_t cache = static_cast<uint32_t>(r.Unsigned("cache", kU32, v.cache));
  const uint64_t capacity = found.controller->Capacity(v);
  uint64_t size = r.Unsigned("size", kU64, v.size);
  if (r.Has("size") && size == 0) size = capacity;
  if (r.Has("size") && size > capacity) {
    Fail(r.PathOf("size"), "expected at most " + std::to_string(capacity) + " bytes, got " + std::to_string(size));
  }
  v.name = std::move(name);
  v.state = state;
  v.cache = cache;
  v.size = size;
  sim.Changed();
}

void SetVersion(const Json& change, Sim& sim) {
  ObjectReader r(change, "$", {"op", "controller", "driver_version", "middleware_version"});
  if (r.Has("controller") != r.Has("driver_version")) {
    Fail(r.Has("controller") ? r.PathOf("driver_version") : r.PathOf("controller"),
         "controller and driver_version go together");
  }
  if (!r.Has("controller") && !r.Has("middleware_version")) {
    Fail("$", "expected controller and driver_version, or middleware_version");
  }
  Controller* c = nullptr;
  std::string driver;
  if (r.Has("controller")) {
    c = Resolve<Controller>(r, "controller", "controller", ControllerByHandle, ControllerByName, sim.model).item;
    driver = r.Text("driver_version", 0, "");
  }
  std::optional<std::string> middleware = sim.model.middlewareVersion;
  if (r.Has("middleware_version")) {
    middleware = r.IsNull("middleware_version") ? std::nullopt
                                                : std::optional<std::string>(r.Text("middleware_version", 0, ""));
  }
  if (c != nullptr) c->driverVersion = driver;
  sim.model.middlewareVersion = middleware;
  sim.Changed();
}

std::string ReadCallName(const ObjectReader& r, bool allowAll) {
  const std::string call = ReadText(r.Required("call"), r.PathOf("call"), 0);
  if (!(allowAll && call == "*") && !IsCallName(call)) {
    Fail(r.PathOf("call"), "expected an Ssi* call name" + std::string(allowAll ? " or \"*\"" : "") + ", got \"" +
                               call + "\"");
  }
  return call;
}

void InjectFault(const Json& change, Sim& sim) {
  ObjectReader r(change, "$", {"op", "call", "status", "times"});
  const std::string call = ReadCallName(r, false);
  Fault f;
  f.status = static_cast<SSI_STATUS>(ReadUnsigned(r.Required("status"), r.PathOf("status"), kU32));
  f.remaining = static_cast<uint32_t>(r.Unsigned("times", kU32, 1));
  sim.faults[call] = f;
}

void ClearFaults(const Json& change, Sim& sim) {
  ObjectReader r(change, "$", {"op"});
  sim.faults.clear();
}

void SetLatency(const Json& change, Sim& sim) {
  ObjectReader r(change, "$", {"op", "call", "us"});
  const std::string call = ReadCallName(r, true);
  const uint64_t us = ReadUnsigned(r.Required("us"), r.PathOf("us"), kU32);
  if (us == 0) {
    sim.latencyUs.erase(call);
  } else {
    sim.latencyUs[call] = us;
  }
}

struct Op {
  const char* name;
  void (*apply)(const Json&, Sim&);
};

constexpr Op kOps[] = {
    {"set_disk", SetDisk},       {"insert_disk", InsertDisk}, {"remove_disk", RemoveDisk},
    {"set_volume", SetVolume},   {"set_version", SetVersion}, {"fail", InjectFault},
    {"clear_faults", ClearFaults}, {"latency", SetLatency},
};

}  // namespace

bool ApplyChange(const std::string& json, std::string* error) {
  std::string op = "change";
  return WithOneLineErrors(op, error, [&] {
    const Json change = ParseJson(json);
    if (!change.is_object()) Fail("$", "expected an object with an \"op\"");
    op = ReadText(change.contains("op") ? change["op"] : Json(), "$.op", 0);
    const Op* found = nullptr;
    for (const auto& candidate : kOps) {
      if (op == candidate.name) found = &candidate;
    }
    if (found == nullptr) {
      Fail("$.op", "unknown op \"" + op +
                       "\" (expected set_disk, insert_disk, remove_disk, set_volume, set_version, fail, "
                       "clear_faults or latency)");
    }
    Sim& sim = TheSim();
    std::lock_guard<std::mutex> lock(sim.mu);
    found->apply(change, sim);
  });
}

}  // namespace abru2sim
