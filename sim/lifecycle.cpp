// lifecycle.cpp: SsiInitialize, SsiFinalize, sessions and the system
// information record.
//
// Initialising reads ABRU2_TOPOLOGY when it is set; otherwise the topology
// already in place stays (the default, or what the control API loaded), so a
// host can pick a topology before the provider initialises the middleware.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/state.h"
#include "sim/topology.h"

using namespace abru2sim;

extern "C" {

ABRU2_API SSI_STATUS SsiInitialize(void) {
  return Enter("SsiInitialize", false, [](Sim& sim) -> SSI_STATUS {
    if (sim.initialized) return SSI_STATUS_ALREADY_INITIALIZED;
    if (const char* path = std::getenv("ABRU2_TOPOLOGY"); path != nullptr && *path != '\0') {
      Model model;
      std::string error;
      if (!ReadTopologyFile(path, &model, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return SSI_STATUS_FAILED;
      }
      sim.model = std::move(model);
      sim.Changed();
    }
    sim.initialized = true;
    return SSI_STATUS_SUCCESS;
  });
}

// Sessions and event handles do not outlive the middleware; a monitor thread
// still waiting is released with a failure.
ABRU2_API SSI_STATUS SsiFinalize(void) {
  return Enter("SsiFinalize", true, [](Sim& sim) -> SSI_STATUS {
    sim.initialized = false;
    sim.sessions.clear();
    sim.DropEventHandles();
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiSessionOpen(SSI_HANDLE* session) {
  return Enter("SsiSessionOpen", true, [=](Sim& sim) -> SSI_STATUS {
    if (session == nullptr) return SSI_STATUS_INVALID_PARAMETER;
    while (sim.nextSession == kNoHandle || sim.SessionOpen(sim.nextSession)) ++sim.nextSession;
    *session = sim.nextSession++;
    sim.sessions.insert(*session);
    ++sim.counters.sessionsOpened;
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiSessionClose(SSI_HANDLE session) {
  return Enter("SsiSessionClose", true, [=](Sim& sim) -> SSI_STATUS {
    if (sim.sessions.erase(session) == 0) return SSI_STATUS_INVALID_PARAMETER;
    ++sim.counters.sessionsClosed;
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiGetSystemInfo(_SSI_SystemInfo* info) {
  return Enter("SsiGetSystemInfo", true, [=](Sim& sim) -> SSI_STATUS {
    if (info == nullptr) return SSI_STATUS_INVALID_PARAMETER;
    std::memset(info, 0, sizeof *info);
    if (!sim.model.middlewareVersion) return SSI_STATUS_FAILED;
    CopyText(info->middlewareVersion, sizeof info->middlewareVersion, *sim.model.middlewareVersion);
    return SSI_STATUS_SUCCESS;
  });
}

}  // extern "C"
