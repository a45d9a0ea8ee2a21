// watch.cpp: `zubcim watch`: every alert as it is delivered, one line each
// (readable, or the alert's JSON with --json), until SIGINT or SIGTERM; with
// --demo, a short built-in sequence of changes on the simulation instead,
// after which it exits. Either way the session ends as a host's does
// (Terminate, then Cleanup).
#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <string>
#include <thread>

#include "host/cli/commands.h"
#include "host/kit/errors.h"
#include "host/kit/wide_text.h"
#include "host/kit/simulation.h"

namespace zubcim {
namespace {

using namespace std::chrono_literals;

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnInterrupt(int) { g_interrupted = true; }

// How often the loop looks for an interruption while no alert comes.
constexpr auto kPoll = 100ms;

// One change of the demo and what a person is told about it.
struct DemoStep {
  const char* says;
  const char* change;
};

// On the built-in topology: a member disk of "Data" fails, the spare takes
// over, the disk comes back, a new disk arrives, the volume is renamed.
constexpr DemoStep kDemo[] = {
    {"disk WD-WCC2EAK10002 fails", R"({"op": "set_disk", "disk": "WD-WCC2EAK10002", "state": 3})"},
    {"spare WD-WCC2EAK10004 takes over", R"({"op": "set_disk", "disk": "WD-WCC2EAK10004", "usage": 1})"},
    {"disk WD-WCC2EAK10002 comes back", R"({"op": "set_disk", "disk": "WD-WCC2EAK10002", "state": 6, "usage": 2})"},
    {"disk WD-WCC2EAK10005 is inserted",
     R"({"op": "insert_disk", "controller": 100, "disk": {"serial": "WD-WCC2EAK10005",)"
     R"( "model": "WDC WD5000AAKX-00ERMA0", "firmware": "15.01H15", "phy": {"number": 4}}})"},
    {"volume Data is renamed Archive", R"({"op": "set_volume", "volume": "Data", "name": "Archive"})"},
};
// A pause after each step's alerts, so that a person can follow.
constexpr auto kDemoPause = 600ms;

std::string Utf8(const CZubString& text) { return ToUtf8(text.Str()); }

// time, class, kind, element, description
std::string AlertLine(const stZUB_AlertIndication& alert) {
  std::string time = Utf8(alert.EventTime);
  if (!time.empty() && time.back() == '\n') time.pop_back();
  // The path without host and namespace; a gone element by its identity.
  std::string element = Utf8(alert.AlertingManagedElement);
  if (const size_t colon = element.find(':'); element.rfind("\\\\", 0) == 0 && colon != std::string::npos)
    element = element.substr(colon + 1);
  if (alert.AlertingElementFormat == 0 && element == "N/A") element = Utf8(alert.EventID) + " (gone)";
  return time + "  " + Utf8(alert.AlertClassName) + "  " + Utf8(alert.OtherAlertType) + "  " + element + "  " +
         Utf8(alert.Description);
}

class AlertPrinter {
 public:
  explicit AlertPrinter(bool json) : m_json(json) {}

  // Prints what arrived within `wait` (nothing waited for when 0).
  void PrintArrived(std::chrono::milliseconds wait) {
    for (const stZUB_AlertIndication& alert : Session::Alerts().Take(1, wait)) {
      if (m_json) {
        PrintLine(ToJson(stZUB_AlertIndication::Describe(), &alert));
      } else {
        std::cout << AlertLine(alert) << std::endl;
      }
    }
  }

 private:
  bool m_json;
};

// Sleeps `pause` unless interrupted meanwhile.
void PauseUnlessInterrupted(std::chrono::milliseconds pause) {
  for (auto slept = 0ms; slept < pause && !g_interrupted; slept += 20ms) std::this_thread::sleep_for(20ms);
}

void RunDemo(AlertPrinter& printer) {
  SimulationControl& simulation = RequireSimulation("watch --demo");
  for (const DemoStep& step : kDemo) {
    if (g_interrupted) return;
    std::cerr << "zubcim: demo: " << step.says << std::endl;
    const uint64_t waits = MonitorWaits();
    std::string error;
    if (!simulation.ApplyChange(step.change, &error)) {
      std::cerr << "zubcim: demo: the simulation refused the change: " << error << std::endl;
      continue;
    }
    // Once the monitor waits again, the step's alerts are all queued.
    WaitForMonitorWaitsBeyond(waits, 10s);
    printer.PrintArrived(0ms);
    PauseUnlessInterrupted(kDemoPause);
  }
}

}  // namespace

int WatchCommand(const HostOptions& options, bool demo) {
  Session session(options.session);
  session.WaitUntilMonitoring();
  g_interrupted = false;
  std::signal(SIGINT, &OnInterrupt);
  std::signal(SIGTERM, &OnInterrupt);
  std::cerr << (demo ? "zubcim: watching for alerts while the demo runs" : "zubcim: watching for alerts until interrupted")
            << std::endl;

  AlertPrinter printer(options.json);
  if (demo) {
    RunDemo(printer);
  } else {
    while (!g_interrupted) printer.PrintArrived(kPoll);
  }
  printer.PrintArrived(0ms);
  return kExitOk;
}

}  // namespace zubcim
