// stress_run.h: the library under load, as one call. Host threads list
// every class and call the methods that change nothing, in a loop, while
// one more thread applies random changes to the simulated RAID stack (disks
// failed, recovered, inserted, removed; volumes created, renamed, deleted;
// spares marked and unmarked) and the event monitor delivers alerts.
//
// Each change is applied alone: the change thread waits until the monitor
// has taken it in (the monitor has started a second event wait since the
// change; when it would not, because nothing else happens, a rescan, which
// changes nothing, wakes it) before the next. The alerts that arrived by
// then belong to that change and are compared with those the change must
// raise by the alert rules (expected from the change thread's own model of
// the stack). So nothing coalesces, and a missing, extra or misordered alert
// is the library's.
//
// The caller owns the process: no provider may have been started in it yet
// (the monitor starts once per process). RunStress loads its own topology,
// starts the provider and its monitor with a callback of its own, and stops
// the monitor at the end. Used by the stress test and by zub_stress.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zubproof {

struct StressOptions {
  int listers = 8;              // host threads
  int changes = 1000;           // random changes applied
  uint32_t seed = 1;
  int watchdogSeconds = 120;    // no progress for this long: a deadlock
  uint32_t latencyUs = 0;       // added to every middleware call (0: none); widens every race window
};

struct StressReport {
  uint64_t listings = 0;        // listings of every class, all threads
  uint64_t methodCalls = 0;     // method calls, all threads
  uint64_t changes = 0;         // changes applied
  uint64_t alertsDelivered = 0;
  uint64_t alertsExpected = 0;
  uint64_t exceptions = 0;      // exceptions that left the library
  bool deadlock = false;        // the watchdog saw no progress (the run was abandoned)
  uint64_t sessionsLeftOpen = 0;  // sessions the run opened and left open
  // One line per change whose alerts differ from the expected ones.
  std::vector<std::string> mismatches;
  // One line per change by kind: "disk failed 131", ...
  std::vector<std::string> changeKinds;
};

StressReport RunStress(const StressOptions& options);

}  // namespace zubproof
