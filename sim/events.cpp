// events.cpp: event handles and waiting for a change of the configuration.
//
// A handle remembers the change count it has seen (state.h). Every change
// (configure.cpp, changes.cpp, topology loads and resets) advances the count
// and notifies the condition variable; a waiter returns once the count
// differs from what its handle saw. Waiting releases the lock, so other calls
// and changes go on meanwhile. Only SsiFreeEventHandle and SsiFinalize end a
// handle.
#include "sim/state.h"

using namespace abru2sim;

extern "C" {

ABRU2_API SSI_STATUS SsiGetEventHandle(SSI_HANDLE* event) {
  return Enter("SsiGetEventHandle", true, [=](Sim& sim) -> SSI_STATUS {
    if (event == nullptr) return SSI_STATUS_INVALID_PARAMETER;
    // Never reused, so a waiter whose handle was freed cannot mistake a new
    // handle for its own.
    *event = sim.nextEvent++;
    sim.events[*event] = sim.changes;
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiEventWait(uint32_t timeoutMs, SSI_HANDLE event) {
  return Enter("SsiEventWait", true, [=](Sim& sim, std::unique_lock<std::mutex>& lock) -> SSI_STATUS {
    auto it = sim.events.find(event);
    if (it == sim.events.end()) return SSI_STATUS_INVALID_PARAMETER;
    if (timeoutMs != 0) ++sim.counters.blockingEventWaits;
    // Each waiter compares with the count the handle had when it started,
    // so several waiters on one handle all see the same change.
    const uint64_t seen = it->second;
    auto ready = [&] { return sim.events.count(event) == 0 || sim.changes != seen; };
    if (timeoutMs == SSI_NO_TIMEOUT) {
      sim.cv.wait(lock, ready);
    } else if (!sim.cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
      return SSI_STATUS_FAILED;
    }
    it = sim.events.find(event);
    if (it == sim.events.end()) return SSI_STATUS_FAILED;
    it->second = sim.changes;
    return SSI_STATUS_SUCCESS;
  });
}

ABRU2_API SSI_STATUS SsiFreeEventHandle(SSI_HANDLE event) {
  return Enter("SsiFreeEventHandle", true, [=](Sim& sim) -> SSI_STATUS {
    if (sim.events.erase(event) == 0) return SSI_STATUS_INVALID_PARAMETER;
    sim.cv.notify_all();
    return SSI_STATUS_SUCCESS;
  });
}

}  // extern "C"
