// state.cpp: the shared simulation instance, fault and latency lookup, and
// the list of call names faults may target (state.h).
#include "sim/state.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "sim/topology.h"

namespace abru2sim {

namespace {

// Every Ssi* call of abru2.h; a fault or latency naming anything else is a
// typo in a scenario.
constexpr const char* kCallNames[] = {
    "SsiInitialize",         "SsiFinalize",          "SsiSessionOpen",
    "SsiSessionClose",       "SsiGetControllerHandles", "SsiGetEnclosureHandles",
    "SsiGetEndDeviceHandles", "SsiGetPhyHandles",     "SsiGetPortHandles",
    "SsiGetRoutingDeviceHandles", "SsiGetVolumeHandles", "SsiGetRaidInfoHandles",
    "SsiGetControllerInfo",  "SsiGetEnclosureInfo",  "SsiGetEndDeviceInfo",
    "SsiGetPhyInfo",         "SsiGetPortInfo",       "SsiGetRoutingDeviceInfo",
    "SsiGetVolumeInfo",      "SsiGetRaidInfo",       "SsiGetRaidLevelInfo",
    "SsiGetSystemInfo",      "SsiPhyLocate",         "SsiGetEventHandle",
    "SsiEventWait",          "SsiFreeEventHandle",   "SsiVolumeCreateFromDisks",
    "SsiRaidLevelModify",    "SsiExpandVolume",      "SsiAddDisksToArray",
    "SsiVolumeRename",       "SsiVolumeSetCachePolicy", "SsiVolumeDelete",
    "SsiRescan",             "SsiDiskMarkAsSpare",   "SsiDiskUnmarkAsSpare",
};

}  // namespace

uint64_t Sim::LatencyFor(const std::string& call) const {
  auto it = latencyUs.find(call);
  if (it == latencyUs.end()) it = latencyUs.find("*");
  return it == latencyUs.end() ? 0 : it->second;
}

bool Sim::TakeFault(const std::string& call, SSI_STATUS* status) {
  auto it = faults.find(call);
  if (it == faults.end()) return false;
  *status = it->second.status;
  if (it->second.remaining != 0 && --it->second.remaining == 0) faults.erase(it);
  return true;
}

Sim& TheSim() {
  static Sim* sim = [] {
    auto* s = new Sim;
    s->model = DefaultModel();
    return s;
  }();
  return *sim;
}

bool IsCallName(const std::string& name) {
  return std::any_of(std::begin(kCallNames), std::end(kCallNames), [&](const char* n) { return name == n; });
}

Model DefaultModel() {
  Model model;
  std::string error;
  if (!ParseTopologyText(DefaultTopologyText(), "<default>", &model, &error)) {
    std::fprintf(stderr, "abru2: built-in topology refused: %s\n", error.c_str());
    std::abort();
  }
  return model;
}

}  // namespace abru2sim
