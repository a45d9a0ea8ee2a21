// control.cpp: the control API of abru2_control.h, used by tests and the
// command-line host to pick a topology, reset, read what the provider did
// (counters, locate states, change count) and hook calls. Changes live in
// changes.cpp.
//
// Topologies are parsed before the lock is taken; only the swap happens
// under it, so a slow file never holds up the middleware calls.
#include "sim/state.h"
#include "sim/topology.h"

namespace abru2sim {

namespace {

void Install(Model&& model) {
  Sim& sim = TheSim();
  std::lock_guard<std::mutex> lock(sim.mu);
  sim.model = std::move(model);
  sim.Changed();
}

}  // namespace

bool LoadTopologyFile(const std::string& path, std::string* error) {
  Model model;
  if (!ReadTopologyFile(path, &model, error)) return false;
  Install(std::move(model));
  return true;
}

bool LoadTopologyText(const std::string& json, std::string* error) {
  Model model;
  if (!ParseTopologyText(json, "<text>", &model, error)) return false;
  Install(std::move(model));
  return true;
}

// What a test sets up goes (topology, locate states, faults, latency,
// hooks, counters); what a running host holds stays: the initialised state,
// open sessions and event handles. The reset is a change like any other, so
// a host's event monitor, which keeps one handle for the life of the
// process, wakes and reads the new topology instead of going deaf.
void ResetToDefault() {
  Model model = DefaultModel();
  Sim& sim = TheSim();
  std::lock_guard<std::mutex> lock(sim.mu);
  sim.model = std::move(model);
  sim.faults.clear();
  sim.latencyUs.clear();
  sim.hooks.clear();
  sim.counters = Counters{};
  sim.Changed();
}

Counters GetCounters() {
  Sim& sim = TheSim();
  std::lock_guard<std::mutex> lock(sim.mu);
  Counters c = sim.counters;
  c.sessionsOpen = sim.sessions.size();
  return c;
}

void ResetCounters() {
  Sim& sim = TheSim();
  std::lock_guard<std::mutex> lock(sim.mu);
  sim.counters = Counters{};
}

bool GetLocateState(SSI_HANDLE phy, bool* on) {
  Sim& sim = TheSim();
  std::lock_guard<std::mutex> lock(sim.mu);
  auto found = sim.model.FindPhy(phy);
  if (!found) return false;
  if (on != nullptr) *on = found.item->locate;
  return true;
}

bool IsInitialized() {
  Sim& sim = TheSim();
  std::lock_guard<std::mutex> lock(sim.mu);
  return sim.initialized;
}

void SetCallHook(const std::string& call, void (*hook)(void* ctx), void* ctx) {
  Sim& sim = TheSim();
  std::lock_guard<std::mutex> lock(sim.mu);
  if (hook == nullptr) {
    sim.hooks.erase(call);
  } else {
    sim.hooks[call] = Sim::Hook{hook, ctx};
  }
}

uint64_t ChangeCount() {
  Sim& sim = TheSim();
  std::lock_guard<std::mutex> lock(sim.mu);
  return sim.changes;
}

}  // namespace abru2sim
