// session.cpp: start and stop of the library, and the per-class life cycle.
#include "host/kit/session.h"

#include <cstdlib>
#include <thread>

#include "framework/alert.h"
#include "events/event_mon.h"
#include "provider/provider.h"
#include "host/kit/errors.h"
#include "host/kit/requests.h"
#include "host/kit/wide_text.h"
#include "platform/process/process.h"
#include "host/kit/simulation.h"

namespace zubcim {
namespace {

// Runs on the monitor thread: a copy into the queue, nothing slower. The
// monitor keeps only the first callback it is given, so it is registered
// before the provider starts the monitor.
void OnAlert(const stZUB_AlertIndication& alert) { Session::Alerts().Push(alert); }

CZubString Wide(const std::string& utf8) { return CZubString(FromUtf8(utf8).c_str()); }

}  // namespace

Session::Session(const SessionOptions& options) {
  // The topology goes in before the middleware is initialised, so that the
  // provider's first look already sees it.
  // The simulation reads ABRU2_TOPOLOGY again in SsiInitialize, where it
  // would silently replace --topology and could only complain on stderr; so
  // the variable is treated as the default of --topology, checked here.
  const char* fromEnvironment = std::getenv("ABRU2_TOPOLOGY");
  std::string topology = options.topology;
  if (fromEnvironment && *fromEnvironment) {
    if (!topology.empty())
      throw BadInput("--topology cannot be used while ABRU2_TOPOLOGY is set (the simulation would read that instead)");
    topology = fromEnvironment;
  }
  if (!topology.empty()) {
    std::string error;
    if (!RequireSimulation("--topology").LoadTopologyFile(topology, &error)) throw BadInput(error);
  }

  // Names first: every object path built afterwards, also on the monitor
  // thread, must carry them.
  CZubContainerInterface* container = PROVIDER_CreateZubContainerInstance();
  if (!container) throw HostError(kExitStartFailed, "the provider's container object could not be created");
  std::string host = options.computerName ? *options.computerName : platform::HostName();
  if (!options.computerName && host.empty()) host = "localhost";
  m_computerName = host;
  m_namespace = options.nameSpace;
  stComputerStringNames names;
  names.Namespace = Wide(options.nameSpace);
  names.ComputerName = Wide(host);
  if (PROVIDER_STATUS s = container->SetComputerNameStrings(names); s != PROVIDER_SUCCESS)
    throw HostError(kExitStartFailed, "SetComputerNameStrings failed with status " + std::to_string(s));

  CEventMonInterface* monitor = PROVIDER_CreateEventMonInstance();
  if (!monitor) throw HostError(kExitStartFailed, "the event monitor object could not be created");
  if (PROVIDER_STATUS s = monitor->SetCallBackFunc(&OnAlert); s != PROVIDER_SUCCESS)
    throw HostError(kExitStartFailed, "SetCallBackFunc failed with status " + std::to_string(s));

  CZubProviderInterface* provider = PROVIDER_CreateZubProviderInstance();
  if (!provider) throw HostError(kExitStartFailed, "the provider object could not be created");
  PROVIDER_STATUS s = provider->Initialize();
  m_running = true;  // from here on the monitor may run and must be stopped
  if (s != PROVIDER_SUCCESS) {
    Stop();
    throw HostError(kExitStartFailed, "the provider's Initialize failed with status " + std::to_string(s));
  }
  // The provider hides a failed SsiInitialize (its classes retry later), but
  // a host that cannot reach its RAID stack has nothing to show. Only a
  // simulation says whether it started.
  if (SimulationControl* simulation = Simulation(); simulation && !simulation->IsInitialized()) {
    Stop();
    throw HostError(kExitStartFailed, "the simulated RAID stack did not start (SsiInitialize failed)");
  }
}

Session::~Session() { Stop(); }

AlertQueue& Session::Alerts() {
  static AlertQueue* const queue = new AlertQueue();  // the monitor may outlive static destruction
  return *queue;
}

void Session::WaitUntilMonitoring() {
  if (!Simulation()) return;
  // Generous: the monitor first lets every registered class read its state,
  // which takes long under Wine or a sanitizer.
  if (!WaitForMonitorWaitsBeyond(0, std::chrono::seconds(60)))
    throw HostError(kExitStartFailed, "the event monitor did not start waiting for events");
}

uint64_t MonitorWaits() {
  SimulationControl* simulation = Simulation();
  if (!simulation) return 0;
  return simulation->GetCounters().blockingEventWaits;
}

bool WaitForMonitorWaitsBeyond(uint64_t waits, std::chrono::milliseconds limit) {
  if (!Simulation()) return false;  // nothing tells: go on at once
  const auto end = std::chrono::steady_clock::now() + limit;
  while (MonitorWaits() <= waits) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void Session::Stop() {
  if (!m_running) return;
  m_running = false;
  if (CEventMonInterface* monitor = PROVIDER_CreateEventMonInstance()) monitor->Terminate();
  if (CZubProviderInterface* provider = PROVIDER_CreateZubProviderInstance()) provider->Cleanup();
}

Json Session::List(const ClassDesc& cls) {
  Json instances = Json::array();
  const RecordDesc& desc = cls.record();
  const PROVIDER_STATUS status =
      Requests::Process().Read(cls, [&](const void* record) { instances.push_back(ToJson(desc, record)); });
  Json out = Json::object();
  out["list"] = cls.name;
  out["status"] = static_cast<int>(status);
  out["instances"] = std::move(instances);
  return out;
}

Json Session::Invoke(const ClassDesc& cls, const MethodDesc& method, RecordPtr record) {
  const PROVIDER_STATUS status = Requests::Process().Call(cls, method, record.get());
  Json out = Json::object();
  out["invoke"] = method.name;
  out["status"] = static_cast<int>(status);
  out["record"] = ToJson(cls.record(), record.get());
  return out;
}

RecordPtr InputRecord(const ClassDesc& cls, const MethodDesc& method, const Json& in) {
  const RecordDesc& desc = cls.record();
  RecordPtr record = NewRecord(desc);
  std::string error;
  if (!FromJson(desc, in, record.get(), &error))
    throw BadInput(std::string(cls.name) + "." + method.name + ": " + error);
  return record;
}

}  // namespace zubcim
