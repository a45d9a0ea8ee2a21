// session.h: one run of the library inside this process, started and stopped
// in the order a CIM provider host uses, and the two requests a host makes of
// a class (list its instances, call a method) in JSON, through the one
// request path (requests.h). The library's objects are process-wide
// singletons, so there is at most one Session per process.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "framework/catalog.h"
#include "framework/names.h"
#include "host/kit/alert_queue.h"
#include "host/kit/record_json.h"
#include "host/kit/wide_text.h"

namespace zubcim {

struct SessionOptions {
  std::string topology;                     // empty: the simulation's built-in one
  std::string nameSpace = ToUtf8(kClassNamespace);
  std::optional<std::string> computerName;  // absent: this machine's host name
};

class Session {
 public:
  // Throws HostError: 2 for a topology file the simulation refuses, 1 when
  // the library or the simulation does not start.
  explicit Session(const SessionOptions& options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // {"list": CLASS, "status": N, "instances": [...]}: the class read by the
  // one request path (requests.h); N is the status it returns.
  Json List(const ClassDesc& cls);

  // {"invoke": METHOD, "status": N, "record": {...}} for a record prepared by
  // InputRecord, called by the one request path.
  Json Invoke(const ClassDesc& cls, const MethodDesc& method, RecordPtr record);

  // The names handed to the library: every path it builds carries them.
  const std::string& ComputerName() const { return m_computerName; }
  const std::string& Namespace() const { return m_namespace; }

  // Waits until the event monitor has registered its classes and waits for
  // events (the simulation has seen its first event wait), so that no change
  // made afterwards goes unnoticed. Throws HostError (1) when it never does.
  // Without a simulation nothing tells, and it returns at once.
  void WaitUntilMonitoring();

  // The alerts the monitor delivered and nobody took yet.
  static AlertQueue& Alerts();

 private:
  void Stop();

  std::string m_computerName;
  std::string m_namespace;
  bool m_running = false;
};

// How many event waits the monitor has entered (the simulation's counter; 0
// without a simulation).
uint64_t MonitorWaits();
// Waits, at most `limit`, until the monitor has entered more than `waits`
// event waits: every change made before was then taken in and its alerts are
// in the queue. False when the limit passed first, and at once without a
// simulation.
bool WaitForMonitorWaitsBeyond(uint64_t waits, std::chrono::milliseconds limit);

// A fresh record of the class with the fields of `in` set; throws a bad-input
// HostError naming the class, method and field. Needs no running session, so
// a scenario can be checked before anything runs.
RecordPtr InputRecord(const ClassDesc& cls, const MethodDesc& method, const Json& in);

}  // namespace zubcim
