// stress_run.cpp: the threads of a stress run, the change thread's model of
// the RAID stack and the alerts each change must raise.
//
// The alert rules the expectations follow (those the classes document):
// the monitor visits volumes, then disks, then pools; a volume created,
// renamed (modified) or deleted raises its own alert, keyed by name "_"
// handle; a disk raises failed, returned to normal, inserted, removed,
// marked as spare, marked primordial (usage back to available) and, leaving
// the spares, spare released, in the order of the disk list; a controller's
// pool raises "modified" when its available, healthy capacity changes. The
// model keeps two available, healthy disks on every controller, so no pool
// ever disappears.
#include "tools/proof/stress_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

#include "framework/alert.h"
#include "events/event_mon.h"
#include "framework/catalog.h"
#include "provider/provider.h"
#include "sim/abru2_control.h"
#include "tools/proof/host_workload.h"

namespace zubproof {
namespace {

using Alert = std::pair<std::string, std::string>;  // AlertClassName, EventID

// Controller 1 (AHCI): "Data" (RAID1 on 11, 12), spare 13, available 14,
// 15, 16. Controller 2 (DOX): "Mirror" (RAID1 on 21, 22), available 23 to 26.
// Controller 3, which no change touches: "Hollow", a volume whose array
// lists no disk, listed after every other volume, so every volume listing
// stops at it (it is never listed, and hides no other volume's change).
constexpr const char* kTopology = R"({"middleware_version": "13.2.0.1022", "controllers": [
  {"handle": 1, "name": "AHCI", "type": 1, "driver_version": "13.2.0.1022", "feature_flag": 1,
   "write_back_offered": 1, "phy_count": 16, "raid_info": {"handle": 100},
   "disks": [{"handle": 11}, {"handle": 12}, {"handle": 13, "usage": 4}, {"handle": 14}, {"handle": 15},
             {"handle": 16}],
   "volumes": [{"handle": 500, "array_handle": 501, "name": "Data", "level": 2, "disks": [11, 12]}]},
  {"handle": 2, "name": "DOX", "type": 2, "driver_version": "3.8.0.1029", "raid_info": {"handle": 200},
   "disks": [{"handle": 21}, {"handle": 22}, {"handle": 23}, {"handle": 24}, {"handle": 25}, {"handle": 26}],
   "volumes": [{"handle": 600, "array_handle": 601, "name": "Mirror", "level": 2, "disks": [21, 22]}]},
  {"handle": 3, "name": "Hollow", "type": 2, "driver_version": "3.8.0.1029", "raid_info": {"handle": 300},
   "volumes": [{"handle": 700, "array_handle": 701, "name": "Hollow", "level": 2, "disks": []}]}]})";

constexpr int kHealthy = 6, kFailed = 3;
constexpr int kMember = 1, kAvailable = 2, kSpare = 4;
constexpr size_t kMostDisks = 10;  // per controller

std::string Text(const CZubString& s) { return std::string(s.Str().begin(), s.Str().end()); }
std::string Text(const wchar_t* s) { return Text(CZubString(s)); }

// The class an alert of `kind` is raised as (the library's kinds table).
std::string ClassOf(AlertKind kind) { return Text(AlertKindOf(kind).alertClassName); }

// What the change thread knows of the stack, in the middleware's order.
struct Disk {
  uint32_t handle;
  int state = kHealthy;
  int usage = kAvailable;
  bool InPool() const { return state == kHealthy && usage == kAvailable; }
};
struct Volume {
  uint32_t handle;
  std::string name;
  std::vector<uint32_t> disks;
};
struct Controller {
  uint32_t handle;
  std::vector<Disk> disks;
  std::vector<Volume> volumes;
  size_t PoolDisks() const {
    return std::count_if(disks.begin(), disks.end(), [](const Disk& d) { return d.InPool(); });
  }
};

class Model {
 public:
  Model() {
    Controller one{1, {{11, kHealthy, kMember}, {12, kHealthy, kMember}, {13, kHealthy, kSpare}, {14}, {15}, {16}},
                   {{500, "Data", {11, 12}}}};
    Controller two{2, {{21, kHealthy, kMember}, {22, kHealthy, kMember}, {23}, {24}, {25}, {26}},
                   {{600, "Mirror", {21, 22}}}};
    m_controllers = {one, two};
  }

  // Applies one random change to the stack and returns its kind and the
  // alerts it must raise; an empty kind when the stack refused it.
  std::pair<std::string, std::vector<Alert>> Apply(std::mt19937& random) {
    using Step = bool (Model::*)(Controller&, std::mt19937&, std::vector<Alert>*);
    static const std::pair<const char*, Step> kChanges[] = {
        {"disk failed", &Model::FailDisk},       {"disk recovered", &Model::RecoverDisk},
        {"disk inserted", &Model::InsertDisk},   {"disk removed", &Model::RemoveDisk},
        {"volume created", &Model::CreateVolume}, {"volume renamed", &Model::RenameVolume},
        {"volume deleted", &Model::DeleteVolume}, {"spare marked", &Model::MarkSpare},
        {"spare unmarked", &Model::UnmarkSpare},
    };
    for (;;) {
      const auto& [kind, change] = kChanges[random() % std::size(kChanges)];
      Controller& c = m_controllers[random() % m_controllers.size()];
      const size_t before = c.PoolDisks();
      std::vector<Alert> alerts;
      if (!(this->*change)(c, random, &alerts)) continue;  // not possible now: another
      if (c.PoolDisks() != before) alerts.emplace_back(ClassOf(AlertKind::PrimordialPoolModified), std::to_string(c.handle));
      return {kind, alerts};
    }
  }

 private:
  // A disk of `c` that `fits`, picked at random; null when none does.
  template <class Fits>
  static Disk* Pick(Controller& c, std::mt19937& random, Fits fits) {
    std::vector<Disk*> candidates;
    for (Disk& d : c.disks)
      if (fits(d)) candidates.push_back(&d);
    return candidates.empty() ? nullptr : candidates[random() % candidates.size()];
  }
  // A disk may leave the pool while two others stay in it.
  static bool MayLeavePool(const Controller& c) { return c.PoolDisks() >= 3; }
  static std::string Id(uint32_t handle) { return std::to_string(handle); }
  static void Change(const std::string& json) {
    std::string error;
    if (!abru2sim::ApplyChange(json, &error)) std::fprintf(stderr, "zub_stress: %s refused: %s\n", json.c_str(), error.c_str());
  }
  static void SetDisk(const Disk& d, const char* field, int value) {
    Change(R"({"op": "set_disk", "disk": )" + Id(d.handle) + R"(, ")" + field + R"(": )" + std::to_string(value) + "}");
  }

  // A disk of the pool, while two others stay in it, leaves by its `field`
  // (a Disk member of the same name) becoming `value`, which raises `alert`.
  static bool LeavePool(Controller& c, std::mt19937& random, const char* field, int Disk::*member, int value,
                        const std::string& alert, std::vector<Alert>* alerts) {
    Disk* d = MayLeavePool(c) ? Pick(c, random, [](const Disk& d) { return d.InPool(); }) : nullptr;
    if (!d) return false;
    SetDisk(*d, field, d->*member = value);
    alerts->emplace_back(alert, Id(d->handle));
    return true;
  }
  bool FailDisk(Controller& c, std::mt19937& random, std::vector<Alert>* alerts) {
    return LeavePool(c, random, "state", &Disk::state, kFailed, ClassOf(AlertKind::DiskFailed), alerts);
  }
  bool RecoverDisk(Controller& c, std::mt19937& random, std::vector<Alert>* alerts) {
    Disk* d = Pick(c, random, [](const Disk& d) { return d.state == kFailed; });
    if (!d) return false;
    SetDisk(*d, "state", d->state = kHealthy);
    alerts->emplace_back(ClassOf(AlertKind::DiskReturnedToNormal), Id(d->handle));
    return true;
  }
  bool InsertDisk(Controller& c, std::mt19937&, std::vector<Alert>* alerts) {
    if (c.disks.size() >= kMostDisks) return false;
    const uint32_t handle = m_nextHandle++;
    Change(R"({"op": "insert_disk", "controller": )" + Id(c.handle) + R"(, "disk": {"handle": )" + Id(handle) + "}}");
    c.disks.push_back({handle});
    alerts->emplace_back(ClassOf(AlertKind::DiskInserted), Id(handle));
    return true;
  }
  bool RemoveDisk(Controller& c, std::mt19937& random, std::vector<Alert>* alerts) {
    const bool mayLeave = MayLeavePool(c);
    Disk* d = Pick(c, random, [&](const Disk& d) { return d.usage != kMember && (mayLeave || !d.InPool()); });
    if (!d) return false;
    Change(R"({"op": "remove_disk", "disk": )" + Id(d->handle) + "}");
    alerts->emplace_back(ClassOf(AlertKind::DiskRemoved), Id(d->handle));
    c.disks.erase(c.disks.begin() + (d - c.disks.data()));
    return true;
  }
  bool CreateVolume(Controller& c, std::mt19937&, std::vector<Alert>* alerts) {
    if (c.PoolDisks() < 4) return false;
    std::vector<SSI_HANDLE> members;
    for (const Disk& d : c.disks)
      if (d.InPool() && members.size() < 2) members.push_back(d.handle);
    const std::string name = "V" + std::to_string(m_nextName++);
    _SSI_CreateFromDisksParams params{};
    params.disks = members.data();
    params.numDisks = 2;
    std::copy(name.begin(), name.end(), params.name);
    params.raidLevel = 2;
    SSI_HANDLE handle = 0;
    if (SsiVolumeCreateFromDisks(params, &handle) != SSI_STATUS_SUCCESS) return false;
    for (Disk& d : c.disks)
      if (std::find(members.begin(), members.end(), d.handle) != members.end()) d.usage = kMember;
    c.volumes.push_back({handle, name, {members.begin(), members.end()}});
    alerts->emplace_back(ClassOf(AlertKind::VolumeCreated), name + "_" + Id(handle));
    return true;
  }
  bool RenameVolume(Controller& c, std::mt19937& random, std::vector<Alert>* alerts) {
    if (c.volumes.empty()) return false;
    Volume& v = c.volumes[random() % c.volumes.size()];
    v.name = "R" + std::to_string(m_nextName++);
    Change(R"({"op": "set_volume", "volume": )" + Id(v.handle) + R"(, "name": ")" + v.name + R"("})");
    alerts->emplace_back(ClassOf(AlertKind::VolumeModified), v.name + "_" + Id(v.handle));
    return true;
  }
  bool DeleteVolume(Controller& c, std::mt19937& random, std::vector<Alert>* alerts) {
    if (c.volumes.empty()) return false;
    const size_t at = random() % c.volumes.size();
    const Volume v = c.volumes[at];
    if (SsiVolumeDelete(v.handle) != SSI_STATUS_SUCCESS) return false;
    c.volumes.erase(c.volumes.begin() + at);
    alerts->emplace_back(ClassOf(AlertKind::VolumeDeleted), v.name + "_" + Id(v.handle));
    for (Disk& d : c.disks) {
      if (std::find(v.disks.begin(), v.disks.end(), d.handle) == v.disks.end()) continue;
      d.usage = kAvailable;
      alerts->emplace_back(ClassOf(AlertKind::DiskMarkedPrimordial), Id(d.handle));
    }
    return true;
  }
  bool MarkSpare(Controller& c, std::mt19937& random, std::vector<Alert>* alerts) {
    return LeavePool(c, random, "usage", &Disk::usage, kSpare, ClassOf(AlertKind::DiskMarkedAsSpare), alerts);
  }
  bool UnmarkSpare(Controller& c, std::mt19937& random, std::vector<Alert>* alerts) {
    Disk* d = Pick(c, random, [](const Disk& d) { return d.usage == kSpare; });
    if (!d) return false;
    SetDisk(*d, "usage", d->usage = kAvailable);
    alerts->emplace_back(ClassOf(AlertKind::DiskMarkedPrimordial), Id(d->handle));
    alerts->emplace_back(ClassOf(AlertKind::DiskSpareReleased), Id(d->handle));
    return true;
  }

  std::vector<Controller> m_controllers;
  uint32_t m_nextHandle = 1000;
  int m_nextName = 1;
};

// The callback's side: alerts in delivery order.
std::mutex g_alertsMutex;
std::vector<Alert> g_alerts;
void OnAlert(const stZUB_AlertIndication& alert) {
  std::lock_guard<std::mutex> lock(g_alertsMutex);
  g_alerts.emplace_back(Text(alert.AlertClassName), Text(alert.EventID));
}
std::vector<Alert> TakeAlerts() {
  std::lock_guard<std::mutex> lock(g_alertsMutex);
  return std::exchange(g_alerts, {});
}

uint64_t EventWaits() {
  return abru2sim::GetCounters().blockingEventWaits;
}

// Waits until the monitor has taken in a change made after `waits` event
// waits were counted: a second wait has begun since (the first may have
// begun before the change reached the stack). A rescan wakes a monitor
// that would otherwise wait for ever in that first wait.
void WaitUntilTakenIn(uint64_t waits) {
  bool nudged = false;
  for (;;) {
    const uint64_t now = EventWaits();
    if (now >= waits + 2) return;
    if (now == waits + 1 && !nudged) nudged = SsiRescan() == SSI_STATUS_SUCCESS;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// The alerts of each element class (volume, disk, pool, software), in
// delivery order: the order the monitor promises. A change that lands while
// the monitor compares may reach a class it visits later (the pools) one
// comparison before an earlier one (the disks), so the order across classes
// is not promised.
std::map<int, std::vector<Alert>> ByElement(const std::vector<Alert>& alerts) {
  std::map<int, std::vector<Alert>> out;
  for (const Alert& a : alerts) {
    int element = -1;
    for (const AlertKindDesc& kind : AlertKinds()) {
      if (Text(kind.alertClassName) == a.first) element = static_cast<int>(kind.element);
    }
    out[element].push_back(a);
  }
  return out;
}

std::string Describe(const std::vector<Alert>& alerts) {
  std::string out;
  for (const auto& [cls, id] : alerts) out += (out.empty() ? "" : ", ") + cls + " " + id;
  return "[" + out + "]";
}

}  // namespace

StressReport RunStress(const StressOptions& options) {
  StressReport report;
  // A second run would wait for ever for a monitor that never starts again.
  static std::atomic<bool> ran{false};
  if (ran.exchange(true)) {
    report.mismatches.push_back("a stress run needs a process of its own (the monitor starts once per process)");
    return report;
  }
  const uint64_t openBefore = abru2sim::GetCounters().sessionsOpen;
  std::string error;
  if (!abru2sim::LoadTopologyText(kTopology, &error)) {
    report.mismatches.push_back("topology refused: " + error);
    return report;
  }
  if (options.latencyUs != 0 &&
      !abru2sim::ApplyChange(R"({"op": "latency", "call": "*", "us": )" + std::to_string(options.latencyUs) + "}",
                             &error)) {
    report.mismatches.push_back("latency refused: " + error);
    return report;
  }
  PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(stComputerStringNames{});
  // The monitor's first state is what the classes hold (a class reads the
  // stack on its first Initialize only): every list is made on this topology.
  ListEveryClass();
  PROVIDER_CreateEventMonInstance()->SetCallBackFunc(&OnAlert);
  const uint64_t startWaits = EventWaits();
  PROVIDER_CreateZubProviderInstance()->Initialize();
  while (EventWaits() <= startWaits) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  TakeAlerts();

  std::atomic<bool> stop{false};
  std::atomic<uint64_t> progress{0}, listings{0}, calls{0}, exceptions{0};
  std::thread watchdog([&] {
    uint64_t seen = progress.load();
    int idle = 0;
    while (!stop.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const uint64_t now = progress.load();
      idle = now == seen ? idle + 1 : 0;
      seen = now;
      if (idle >= options.watchdogSeconds * 10) {
        std::fprintf(stderr, "zub_stress: deadlock: no listing, call or change for %d s\n", options.watchdogSeconds);
        std::fflush(stderr);
        std::_Exit(3);
      }
    }
  });
  std::vector<std::thread> listers;
  for (int i = 0; i < options.listers; ++i) {
    listers.emplace_back([&] {
      while (!stop.load()) {
        for (const Outcome& o : ListEveryClass()) exceptions += o.threw;
        ++listings;
        for (const Outcome& o : InvokeEveryMethod(false)) {
          exceptions += o.threw;
          ++calls;
        }
        ++progress;
      }
    });
  }

  Model model;
  std::mt19937 random(options.seed);
  std::map<std::string, int> kinds;
  for (int i = 0; i < options.changes; ++i) {
    const uint64_t waits = EventWaits();
    auto [kind, expected] = model.Apply(random);
    WaitUntilTakenIn(waits);
    const std::vector<Alert> delivered = TakeAlerts();
    ++kinds[kind];
    ++report.changes;
    ++progress;
    report.alertsExpected += expected.size();
    report.alertsDelivered += delivered.size();
    if (ByElement(delivered) != ByElement(expected))
      report.mismatches.push_back("change " + std::to_string(i + 1) + " (" + kind + "): expected " +
                                  Describe(expected) + ", delivered " + Describe(delivered));
  }

  stop = true;
  for (std::thread& t : listers) t.join();
  watchdog.join();
  PROVIDER_CreateEventMonInstance()->Terminate();
  // Whatever came after the last change and its check.
  const std::vector<Alert> late = TakeAlerts();
  report.alertsDelivered += late.size();
  if (!late.empty()) report.mismatches.push_back("after the last change: delivered " + Describe(late));
  report.listings = listings;
  report.methodCalls = calls;
  report.exceptions = exceptions;
  report.sessionsLeftOpen = abru2sim::GetCounters().sessionsOpen - openBefore;
  for (const auto& [kind, n] : kinds) report.changeKinds.push_back(kind + " " + std::to_string(n));
  return report;
}

}  // namespace zubproof
