// abru2_simulation.cpp: the kit's simulation control on the simulated RAID
// stack of sim/ (its control API), for programs linked with it.
#include "host/kit/simulation.h"
#include "sim/abru2_control.h"

namespace zubcim {
namespace {

class Abru2Simulation : public SimulationControl {
 public:
  bool LoadTopologyFile(const std::string& path, std::string* error) override {
    return abru2sim::LoadTopologyFile(path, error);
  }
  bool ApplyChange(const std::string& json, std::string* error) override {
    return abru2sim::ApplyChange(json, error);
  }
  Counters GetCounters() override {
    const abru2sim::Counters c = abru2sim::GetCounters();
    return Counters{c.calls, c.sessionsOpened, c.sessionsClosed, c.sessionsOpen, c.blockingEventWaits};
  }
  bool IsInitialized() override { return abru2sim::IsInitialized(); }
};

}  // namespace

SimulationControl* Simulation() {
  static Abru2Simulation simulation;
  return &simulation;
}

}  // namespace zubcim
