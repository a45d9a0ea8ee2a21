// abru2_control.h: the control API of the simulated RAID stack.
//
// Tests and the command-line host use it to pick a topology, apply changes
// (the same JSON objects as scenario "sim" steps), inject faults and latency,
// and read counters. The provider never includes this header: to the provider
// the simulation is just the middleware of abru2.h.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "middleware/abru2.h"

namespace abru2sim {

// Replaces the topology with one read from a JSON file or text. On failure
// returns false, keeps the previous topology and sets *error to one line
// naming the file (or "<text>"), the JSON path of the offending value and what
// was expected, e.g.
//   "topo.json: $.controllers[0].disks[1].handle: duplicate handle 7".
// A successful load counts as a change: it wakes every event waiter with 0,
// and every event handle stays valid.
ABRU2_API bool LoadTopologyFile(const std::string& path, std::string* error);
ABRU2_API bool LoadTopologyText(const std::string& json, std::string* error);

// Back to the built-in default topology, for tests. Clears faults, latency,
// call hooks, locate states and counters. Keeps whether the middleware is
// initialised, the open sessions and every event handle, so a running host
// (and its event monitor) keeps working; like a load it counts as a change.
// Only SsiFreeEventHandle (for its handle) and SsiFinalize (for all) end
// event handles.
ABRU2_API void ResetToDefault();

// The built-in default topology as JSON text.
ABRU2_API std::string DefaultTopologyText();

// Applies one change object {"op": ...} (set_disk, insert_disk, remove_disk,
// set_volume, set_version, fail, clear_faults, latency). On failure returns
// false, changes nothing and sets *error to one line.
ABRU2_API bool ApplyChange(const std::string& json, std::string* error);

struct Counters {
  std::map<std::string, uint64_t> calls;  // Ssi* name -> calls (only called ones)
  // Ssi* name -> nanoseconds spent inside its calls, from entry to return
  // (the injected latency included): what a host waits on the middleware.
  std::map<std::string, uint64_t> nanos;
  uint64_t sessionsOpened = 0;
  uint64_t sessionsClosed = 0;
  uint64_t sessionsOpen = 0;
  // SsiEventWait calls that may wait (a time-out other than 0): the event
  // monitor's, told apart from polls that only look.
  uint64_t blockingEventWaits = 0;
};
ABRU2_API Counters GetCounters();
ABRU2_API void ResetCounters();

// Locate state last set by SsiPhyLocate; false when the PHY is unknown.
ABRU2_API bool GetLocateState(SSI_HANDLE phy, bool* on);

// Whether SsiInitialize has been called and not finalised.
ABRU2_API bool IsInitialized();

// The change counter (advanced by every successful change).
ABRU2_API uint64_t ChangeCount();

}  // namespace abru2sim

namespace abru2sim {

// Test seam: hook(name) runs at the start of every later call of the Ssi*
// function `call` (before faults and work), outside the simulation's lock, so
// it may apply changes. An empty hook removes it. ResetToDefault removes all.
ABRU2_API void SetCallHook(const std::string& call, void (*hook)(void* ctx), void* ctx);

}  // namespace abru2sim
