// listen_command.cpp: `zubcim listen`: a CIM-XML indication listener that
// prints every indication it receives, one line each (readable, or JSON
// with --json), until SIGINT or SIGTERM; for watching a server's alerts
// from another terminal.
#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <mutex>
#include <thread>

#include "host/kit/errors.h"
#include "host/indications/listener.h"
#include "host/indications/listen_command.h"

namespace zubcim {
namespace {

using namespace zubwbem;

std::atomic<bool> g_stopListening{false};  // set by the signal handler, read by another thread
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
extern "C" void OnListenStop(int) { g_stopListening = true; }

// PerceivedSeverity as CIM names it.
std::string Severity(const std::string& value) {
  static const char* const kNames[] = {"unknown", "other", "information", "degraded", "minor", "major", "critical", "fatal"};
  size_t index = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return value;
    index = index * 10 + static_cast<size_t>(c - '0');
    if (index >= std::size(kNames)) return value;
  }
  return value.empty() ? "-" : kNames[index];
}

// time, class, severity, element, description
std::string IndicationLine(const ReceivedIndication& indication) {
  // A life-cycle indication names its instance by its path and says what changed.
  std::string element = indication.Text("AlertingManagedElement");
  if (element.empty()) element = indication.Text("SourceInstanceModelPath");
  if (element == "N/A" || element.empty()) element = indication.Text("EventID") + " (gone)";
  std::string description = indication.Text("Description");
  if (description.empty() && indication.Value("ChangedPropertyNames"))
    description = "changed: " + indication.Text("ChangedPropertyNames");
  while (!description.empty() && (description.back() == '\n' || description.back() == ' ')) description.pop_back();
  std::string time = indication.Text("IndicationTime");
  return (time.empty() ? "-" : time) + "  " + indication.className + "  " +
         Severity(indication.Text("PerceivedSeverity")) + "  " + element + "  " + description;
}

Json IndicationJson(const ReceivedIndication& indication) {
  Json properties = Json::object();
  for (const auto& [name, value] : indication.properties) {
    if (value.null) {
      properties[name] = nullptr;
    } else if (value.items.size() == 1 && value.refs.empty()) {
      properties[name] = value.items.front();
    } else {
      Json items = Json::array();
      for (const std::string& item : value.items) items.push_back(item);
      for (const CimPath& ref : value.refs) items.push_back(Describe(ref));
      properties[name] = std::move(items);
    }
  }
  Json out = Json::object();
  out["indication"] = indication.className;
  out["properties"] = std::move(properties);
  return out;
}

}  // namespace

int ListenCommand(const HostOptions& options, const ListenArgs& args) {
  std::mutex printing;
  IndicationListener listener([&](const ReceivedIndication& indication) {
    std::lock_guard<std::mutex> lock(printing);
    if (options.json) PrintLine(IndicationJson(indication));
    else std::cout << IndicationLine(indication) << std::endl;
  });
  std::string error;
  if (!listener.Bind(args.address, args.port, &error)) throw HostError(kExitStartFailed, "listen: " + error);
  const bool ipv6 = args.address.find(':') != std::string::npos;
  std::cerr << "zubcim: listening for indications on http://" << (ipv6 ? "[" + args.address + "]" : args.address)
            << ":" << listener.Port() << std::endl;

  g_stopListening = false;
  std::signal(SIGINT, OnListenStop);
  std::signal(SIGTERM, OnListenStop);
  std::atomic<bool> done{false};
  std::thread watcher([&] {
    while (!g_stopListening && !done) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    listener.Stop();
  });
  listener.Run();
  done = true;
  watcher.join();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  return kExitOk;
}

}  // namespace zubcim
