// inventory_bench.cpp: what a full inventory costs a CIM host, and how long
// an alert takes to reach it, on a large simulated RAID stack whose every
// middleware call takes a fixed time (standing for a real middleware's cost).
//
//   build/bin/zub_inventory_bench [--controllers 16 --disks 64 --volumes 16
//                                  --latency-us 50 --events 30]
//
// The topology comes from bench/make-topology.py. The program starts the
// library as zubcim does (host/kit/session.h, the event monitor running), then:
//   1. lists every class of the catalogue twice, as a host serves two rounds
//      of requests (the first one Initialize and GetData, later ones Update
//      and GetData, through Session::Read); per class it reports wall time,
//      the time spent inside Ssi* calls (the simulation's call timers), the
//      calls made and the provider's own share (wall minus middleware);
//   2. changes a disk's state back and forth and measures, per change, the
//      time until the host's callback has the alert, and the middleware time
//      the monitor spent meanwhile;
//   3. runs itself again on the topology with twice the controllers (a fresh
//      process, as a host would start on a larger machine: a library that
//      swapped topologies under it would keep what it filed for the old one)
//      and reports each class's growth in the full inventory right after a
//      change (with the read-once store, one pass of the stack and the
//      provider's work; without it, the same as any other).
// The read-once store's maximum age is 600 s here unless
// ZUB_READ_ONCE_MAX_AGE_MS says otherwise: a round of every class takes
// seconds, and a forget part way through would make its figures depend on
// where the age ran out (every change the bench makes is signalled).
// It prints Markdown tables (bench/README.md holds a run) and asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "framework/catalog.h"
#include "host/kit/requests.h"
#include "host/kit/session.h"
#include "middleware/read_once.h"
#include "platform/process/process.h"
#include "sim/abru2_control.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Middleware calls and time, without the monitor's blocking event wait
// (it spends its idle time there). The read-once store's polls (event waits
// that do not wait) are calls like any other; their time is left out with
// the monitor's.
struct Middleware {
  uint64_t calls = 0;
  uint64_t nanos = 0;

  static Middleware Now() {
    const abru2sim::Counters counters = abru2sim::GetCounters();
    Middleware m;
    for (const auto& [name, n] : counters.calls)
      m.calls += name == "SsiEventWait" ? n - counters.blockingEventWaits : n;
    for (const auto& [name, ns] : counters.nanos)
      if (name != "SsiEventWait") m.nanos += ns;
    return m;
  }
  Middleware operator-(const Middleware& before) const { return {calls - before.calls, nanos - before.nanos}; }
  double Ms() const { return static_cast<double>(nanos) / 1e6; }
};

struct ClassCost {
  const ClassDesc* cls = nullptr;
  size_t instances = 0;
  double wallMs = 0;
  Middleware middleware;
  double ProviderMs() const { return wallMs - middleware.Ms(); }
};

ClassCost Measure(const ClassDesc& cls) {
  ClassCost cost;
  cost.cls = &cls;
  const Middleware before = Middleware::Now();
  const auto start = Clock::now();
  zubcim::Requests::Process().Read(cls, [&](const void*) { ++cost.instances; });
  cost.wallMs = Ms(Clock::now() - start);
  cost.middleware = Middleware::Now() - before;
  return cost;
}

// Every class once, or `repeats` times in a row keeping the fastest: a
// slower request of the same class made the same calls and was slowed by the
// machine (a sleep's overshoot, another process), not by the class. A class
// that takes under 10 ms, timed at the level of a page fault or a timer
// tick, is repeated 25 times.
std::vector<ClassCost> Round(int repeats = 1) {
  std::vector<ClassCost> costs;
  for (const ClassDesc& cls : ClassCatalog()) {
    ClassCost best = Measure(cls);
    const int times = repeats > 1 && best.wallMs < 10 ? std::max(repeats, 25) : repeats;
    for (int i = 1; i < times; ++i) {
      const ClassCost again = Measure(cls);
      if (again.wallMs < best.wallMs) best = again;
    }
    costs.push_back(best);
  }
  return costs;
}

ClassCost Total(const std::vector<ClassCost>& costs) {
  ClassCost total;
  for (const ClassCost& c : costs) {
    total.instances += c.instances;
    total.wallMs += c.wallMs;
    total.middleware.calls += c.middleware.calls;
    total.middleware.nanos += c.middleware.nanos;
  }
  return total;
}

std::string Percent(double part, double whole) {
  if (whole <= 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %%", 100.0 * part / whole);
  return text;
}

// One line per class: name, instances, wall ms, Ssi calls, Ssi ns.
void WriteCosts(const std::vector<ClassCost>& costs, const std::string& file) {
  FILE* f = std::fopen(file.c_str(), "w");
  if (!f) throw std::runtime_error("cannot write " + file);
  for (const ClassCost& c : costs)
    std::fprintf(f, "%s\t%zu\t%.6f\t%llu\t%llu\n", c.cls->name, c.instances, c.wallMs,
                 static_cast<unsigned long long>(c.middleware.calls), static_cast<unsigned long long>(c.middleware.nanos));
  std::fclose(f);
}

std::vector<ClassCost> ReadCosts(const std::string& file) {
  std::vector<ClassCost> costs;
  FILE* f = std::fopen(file.c_str(), "r");
  if (!f) throw std::runtime_error("cannot read " + file);
  char name[128];
  ClassCost c;
  unsigned long long calls = 0, nanos = 0;
  while (std::fscanf(f, "%127s %zu %lf %llu %llu", name, &c.instances, &c.wallMs, &calls, &nanos) == 5) {
    c.cls = FindClass(name);
    c.middleware = {calls, nanos};
    if (c.cls) costs.push_back(c);
  }
  std::fclose(f);
  return costs;
}

void PrintRow(const char* name, const ClassCost& c) {
  std::printf("| %s | %zu | %.2f | %.2f | %llu | %.2f | %s |\n", name, c.instances, c.wallMs, c.middleware.Ms(),
              static_cast<unsigned long long>(c.middleware.calls), c.ProviderMs(),
              Percent(c.ProviderMs(), c.middleware.Ms()).c_str());
}

void PrintRound(const char* title, const std::vector<ClassCost>& costs, bool perClass) {
  std::printf("\n%s\n\n", title);
  std::printf("| class | instances | wall ms | Ssi ms | Ssi calls | provider ms | provider / Ssi |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  if (perClass)
    for (const ClassCost& c : costs) PrintRow(c.cls->name, c);
  PrintRow("**total**", Total(costs));
}

// The growth of each class from `small` to `large` (the same classes in the
// same order), with the bound it should keep: 2 for a list, 4 for an
// association, which may join two lists that both doubled.
void PrintGrowth(const std::vector<ClassCost>& small, const std::vector<ClassCost>& large) {
  const ClassCost ts = Total(small), tl = Total(large);
  const double perSmall = 1000.0 * ts.ProviderMs() / static_cast<double>(std::max<size_t>(1, ts.instances));
  const double perLarge = 1000.0 * tl.ProviderMs() / static_cast<double>(std::max<size_t>(1, tl.instances));
  std::printf("\nProvider time per served instance: %.1f µs, doubled %.1f µs (%.2f×)\n", perSmall, perLarge,
              perSmall > 0 ? perLarge / perSmall : 0.0);
  std::printf("\nGrowth when the topology doubles (full inventory right after a change)\n\n");
  std::printf("| class | instances | wall | Ssi calls | bound | within |\n|---|---|---|---|---|---|\n");
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  for (size_t i = 0; i < small.size(); ++i) {
    const ClassCost& s = small[i];
    const ClassCost& l = large[i];
    const double bound = s.cls->association ? 4.0 : 2.0;
    // Classes too quick to time (under 0.05 ms) say nothing about growth.
    const double wall = ratio(l.wallMs, s.wallMs);
    const bool timed = s.wallMs >= 0.05;
    std::printf("| %s | %zu → %zu | %s | %.2f× | %.0f× | %s |\n", s.cls->name, s.instances, l.instances,
                timed ? (std::to_string(wall).substr(0, 4) + "×").c_str() : "-",
                ratio(static_cast<double>(l.middleware.calls), static_cast<double>(s.middleware.calls)), bound,
                !timed || wall <= bound * 1.1 ? "yes" : "**no**");
  }
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t at = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
  return values[at];
}

// Changes one disk's state `events` times (failure predicted, then normal
// again, ...) and times each change until its first alert reaches the host.
void MeasureAlerts(int events, const std::string& disk) {
  std::vector<double> latency, middleware;
  size_t alerts = 0;
  zubcim::Session::Alerts().Take(0, std::chrono::milliseconds(0));
  for (int i = 0; i < events; ++i) {
    const uint64_t waits = zubcim::MonitorWaits();
    const Middleware before = Middleware::Now();
    const std::string change =
        R"({"op": "set_disk", "disk": ")" + disk + R"(", "state": )" + (i % 2 == 0 ? "4" : "6") + "}";
    std::string error;
    const auto start = Clock::now();
    if (!abru2sim::ApplyChange(change, &error)) {
      std::fprintf(stderr, "zub_inventory_bench: %s\n", error.c_str());
      return;
    }
    const auto got = zubcim::Session::Alerts().Take(1, std::chrono::seconds(120));
    const auto end = Clock::now();
    const Middleware spent = Middleware::Now() - before;
    if (got.empty()) {
      std::fprintf(stderr, "zub_inventory_bench: no alert within 120 s\n");
      return;
    }
    alerts += got.size();
    latency.push_back(Ms(end - start));
    middleware.push_back(spent.Ms());
    // The monitor finishes its round (the refresh after the alerts) before
    // the next change, so each change is timed alone.
    zubcim::WaitForMonitorWaitsBeyond(waits, std::chrono::seconds(120));
    alerts += zubcim::Session::Alerts().Take(0, std::chrono::milliseconds(0)).size();
  }
  std::printf("\nAlert latency (change in the simulation → host callback), %zu changes, %zu alerts\n\n",
              latency.size(), alerts);
  std::printf("| | median ms | p99 ms | max ms |\n|---|---|---|---|\n");
  std::printf("| change → alert | %.1f | %.1f | %.1f |\n", Percentile(latency, 0.5), Percentile(latency, 0.99),
              Percentile(latency, 1.0));
  std::printf("| of it inside Ssi* calls | %.1f | %.1f | %.1f |\n", Percentile(middleware, 0.5),
              Percentile(middleware, 0.99), Percentile(middleware, 1.0));
}

// The read-once limit of the loaded topology: every enumeration the classes
// use made once (a count and a fill: 2 calls) and every object's record read
// once. Enumerations: each kind over the whole stack; enclosures, end
// devices, PHYs and routing devices per controller; end devices per array;
// PHYs per end device. Records: every object listed, each RAID information
// handle's record and its five level records, the system record. Sessions
// are not counted.
uint64_t ReadOnceLimit() {
  SSI_HANDLE session = 0;
  if (SsiSessionOpen(&session) != SSI_STATUS_SUCCESS) return 0;
  auto count = [&](auto call, uint32_t scope, SSI_HANDLE of) {
    uint32_t n = 0;
    call(session, scope, of, nullptr, &n);
    return uint64_t{n};
  };
  auto handles = [&](auto call) {
    uint32_t n = 0;
    call(session, SSI_SCOPE_ALL, 0, nullptr, &n);
    std::vector<SSI_HANDLE> out(n);
    if (n) call(session, SSI_SCOPE_ALL, 0, out.data(), &n);
    out.resize(n);
    return out;
  };
  const auto controllers = handles(SsiGetControllerHandles);
  const auto endDevices = handles(SsiGetEndDeviceHandles);
  const auto volumes = handles(SsiGetVolumeHandles);
  uint32_t raidInfos = 0;
  SsiGetRaidInfoHandles(session, nullptr, &raidInfos);
  uint64_t records = controllers.size() + endDevices.size() + volumes.size() + 1 + 6ull * raidInfos +
                     count(SsiGetEnclosureHandles, SSI_SCOPE_ALL, 0) + count(SsiGetPhyHandles, SSI_SCOPE_ALL, 0) +
                     count(SsiGetPortHandles, SSI_SCOPE_ALL, 0) + count(SsiGetRoutingDeviceHandles, SSI_SCOPE_ALL, 0);
  const uint64_t enumerations = 8 + 4 * controllers.size() + volumes.size() + endDevices.size();
  SsiSessionClose(session);
  return 2 * enumerations + records;
}

// Peak resident memory of this process so far, MiB (Linux; 0 elsewhere).
double PeakResidentMiB() {
  double kib = 0;
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "VmHWM: %lf", &kib) == 1) break;
    std::fclose(f);
  }
  return kib / 1024;
}

// Writes the topology bench/make-topology.py makes for these sizes to `file`.
void MakeTopology(const std::string& script, int controllers, int disks, int volumes, const std::string& file) {
  const std::string command = "python3 '" + script + "' " + std::to_string(controllers) + " " +
                              std::to_string(disks) + " " + std::to_string(volumes) + " > '" + file + "'";
  if (platform::RunShellCommand(command) != 0) throw std::runtime_error("failed: " + command);
}

void Load(const std::string& file) {
  std::string error;
  if (!abru2sim::LoadTopologyFile(file, &error)) throw std::runtime_error(error);
}

void SetLatency(int us) {
  std::string error;
  if (!abru2sim::ApplyChange(R"({"op": "latency", "call": "*", "us": )" + std::to_string(us) + "}", &error))
    throw std::runtime_error(error);
}

std::string Machine() {
  std::string model = "unknown CPU";
  if (FILE* f = std::fopen("/proc/cpuinfo", "r")) {
    char line[512];
    while (std::fgets(line, sizeof line, f)) {
      const std::string text(line);
      if (text.rfind("model name", 0) == 0) {
        model = text.substr(text.find(':') + 2);
        model.erase(model.find_last_not_of("\n ") + 1);
        break;
      }
    }
    std::fclose(f);
  }
  double load = 0;
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &load) != 1) load = 0;
    std::fclose(f);
  }
  return model + ", " + std::to_string(std::thread::hardware_concurrency()) + " cores, load average " +
         std::to_string(load).substr(0, 4);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"The cost of a full inventory and of alerts on a large simulated RAID stack"};
  int controllers = 16, disks = 64, volumes = 16, latencyUs = 50, events = 30, repeats = 3;
  std::string script = ZUB_SOURCE_DIR "/bench/make-topology.py";
  std::string costsOut;
  app.add_option("--controllers", controllers, "controllers of the large topology (doubled in the last step)");
  app.add_option("--disks", disks, "disks per controller");
  app.add_option("--volumes", volumes, "volumes per controller");
  app.add_option("--latency-us", latencyUs, "time every Ssi* call takes, microseconds");
  app.add_option("--events", events, "disk changes whose alerts are timed");
  app.add_option("--repeats", repeats, "steady requests of each class, the fastest kept");
  app.add_option("--script", script, "the topology generator");
  app.add_option("--costs-only", costsOut, "only list every class and write the costs of the round after a change here")
      ->group("");  // how the program runs itself on the doubled topology
  CLI11_PARSE(app, argc, argv);

  try {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string topology = (dir / ("zub_inventory_" + std::to_string(controllers) + ".json")).string();
    MakeTopology(script, controllers, disks, volumes, topology);
    if (!std::getenv("ZUB_READ_ONCE_MAX_AGE_MS")) platform::SetEnvironment("ZUB_READ_ONCE_MAX_AGE_MS", "600000");
    Load(topology);  // before the library starts: its first reading sees it
    std::filesystem::remove(topology);
    zubcim::Session session(zubcim::SessionOptions{"", zubcim::ToUtf8(kClassNamespace), std::string("bench")});
    SetLatency(latencyUs);
    session.WaitUntilMonitoring();

    const auto first = Round();
    const zubmw::ReadOnceUse kept = zubmw::ReadOnceInUse();
    const auto steady = Round(repeats);
    // A full inventory right after a change, as a host refreshes its view
    // when an alert came: with the read-once store one pass of the stack.
    const Middleware beforeChange = Middleware::Now();
    {
      std::string error;
      const uint64_t waits = zubcim::MonitorWaits();
      abru2sim::ApplyChange(R"({"op": "set_disk", "disk": "WD000D0000", "firmware": "BENCH"})", &error);
      zubcim::WaitForMonitorWaitsBeyond(waits, std::chrono::seconds(600));
    }
    const Middleware monitorPass = Middleware::Now() - beforeChange;
    const auto afterChange = Round();
    if (!costsOut.empty()) {
      WriteCosts(afterChange, costsOut);
      return 0;
    }
    std::printf("Machine: %s\n", Machine().c_str());
    std::printf("Topology: %d controllers × %d disks × %d volumes, every Ssi* call %d µs\n", controllers, disks,
                volumes, latencyUs);
    PrintRound("First request of each class (Initialize, GetData)", first, false);
    PrintRound("Steady requests (Update, GetData)", steady, true);
    PrintRound("Full inventory right after a change", afterChange, false);
    const uint64_t limit = ReadOnceLimit();
    const ClassCost pass = Total(afterChange);
    std::printf("\nRead-once limit %llu calls; the first round made %.2f×, the round after a change %.2f× it; "
                "peak resident memory %.1f MiB\n",
                static_cast<unsigned long long>(limit),
                static_cast<double>(Total(first).middleware.calls) / static_cast<double>(limit),
                static_cast<double>(pass.middleware.calls) / static_cast<double>(limit), PeakResidentMiB());
    if (kept.answers)
      std::printf("The read-once store after the first round: %zu answers, %zu bytes of them, %zu bytes kept "
                  "(%.2f×)\n",
                  kept.answers, kept.answerBytes, kept.keptBytes,
                  static_cast<double>(kept.keptBytes) / static_cast<double>(kept.answerBytes));
    std::printf("After a change: the monitor's comparison %llu calls, %.1f ms inside Ssi* calls; then the host's "
                "full inventory %llu calls, %.1f ms wall, %.1f ms inside Ssi* calls; together %.2f× the limit\n",
                static_cast<unsigned long long>(monitorPass.calls), monitorPass.Ms(),
                static_cast<unsigned long long>(pass.middleware.calls), pass.wallMs, pass.middleware.Ms(),
                static_cast<double>(monitorPass.calls + pass.middleware.calls) / static_cast<double>(limit));

    // The first controller's last disk (make-topology.py's serials).
    char disk[32];
    std::snprintf(disk, sizeof disk, "WD000D%04d", disks - 1);
    MeasureAlerts(events, disk);
    std::fflush(stdout);

    const std::string costs = (dir / "zub_inventory_doubled.tsv").string();
    const std::string command = "'" + std::string(argv[0]) + "' --controllers " + std::to_string(2 * controllers) +
                                " --disks " + std::to_string(disks) + " --volumes " + std::to_string(volumes) +
                                " --latency-us " + std::to_string(latencyUs) + " --repeats " + std::to_string(repeats) +
                                " --script '" + script +
                                "' --costs-only '" + costs + "'";
    if (platform::RunShellCommand(command) != 0) throw std::runtime_error("failed: " + command);
    const auto twice = ReadCosts(costs);
    std::filesystem::remove(costs);
    std::printf("\nTopology doubled: %d controllers (a fresh run)\n", 2 * controllers);
    PrintRound("Full inventory right after a change on the doubled topology", twice, false);
    if (twice.size() == afterChange.size()) PrintGrowth(afterChange, twice);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zub_inventory_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
