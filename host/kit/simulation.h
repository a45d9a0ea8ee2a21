// simulation.h: the control of a simulated RAID stack, when the middleware
// the host runs on is one (sim/, our abru2): load a topology, apply a change
// (also a fault or latency), read its call counters, tell whether it
// started. The host kit knows nothing else of it: built with another library
// implementing the Ssi* API, the host has no simulation (Simulation() is
// null) and every step that needs one (--topology, the sim and counters
// steps of run, zubcim sim, watch --demo, the server's /sim) says so.
//
// Which one a program has is decided when it is linked: host/sim holds the
// simulation's (zubhost_sim) and the none (zubhost_nosim); a program links
// exactly one of them.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace zubcim {

class SimulationControl {
 public:
  virtual ~SimulationControl() = default;

  // False, with a one-line error, when the file or change is refused.
  virtual bool LoadTopologyFile(const std::string& path, std::string* error) = 0;
  virtual bool ApplyChange(const std::string& json, std::string* error) = 0;

  struct Counters {
    std::map<std::string, uint64_t> calls;  // Ssi* name -> calls so far
    uint64_t sessionsOpened = 0;
    uint64_t sessionsClosed = 0;
    uint64_t sessionsOpen = 0;
    uint64_t blockingEventWaits = 0;  // SsiEventWait calls that may wait
  };
  virtual Counters GetCounters() = 0;
  // Whether SsiInitialize has been called and not finalised.
  virtual bool IsInitialized() = 0;
};

// The simulation this program was linked with; null when none.
SimulationControl* Simulation();

// The simulation, or a bad-input HostError saying that `what` needs one.
SimulationControl& RequireSimulation(const std::string& what);

}  // namespace zubcim
