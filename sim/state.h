// state.h: the one simulation instance every call shares, and the common
// entry path of every Ssi* call.
//
// The instance holds the model, whether the middleware is initialised, open
// sessions, event handles, injected faults and latencies, call counters and
// the change counter, all behind one mutex; the condition variable wakes
// event waiters (events.cpp). Each Ssi* function (enumerate.cpp,
// configure.cpp, events.cpp, lifecycle.cpp) runs its work through Enter(),
// which counts the call, runs a test's call hook and sleeps the injected
// latency outside the lock, then consults the pending faults and the
// initialised state under the lock, and adds the call's time to its timer.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <type_traits>

#include "sim/abru2_control.h"
#include "sim/model.h"

namespace abru2sim {

// Statuses the simulation returns besides those named in abru2.h.
constexpr SSI_STATUS kStatusBufferTooSmall = 1;
constexpr SSI_STATUS kStatusNotInitialized = 12;

struct Fault {
  SSI_STATUS status = 0;
  uint32_t remaining = 1;  // 0: until cleared
};

struct Sim {
  std::mutex mu;
  std::condition_variable cv;

  Model model;
  bool initialized = false;
  uint64_t changes = 0;

  std::set<SSI_HANDLE> sessions;
  SSI_HANDLE nextSession = 1;
  std::map<SSI_HANDLE, uint64_t> events;  // event handle -> change count it has seen
  SSI_HANDLE nextEvent = 1;

  struct Hook {
    void (*fn)(void*) = nullptr;
    void* ctx = nullptr;
  };
  std::map<std::string, Hook> hooks;  // test seam: runs before a call, unlocked

  std::map<std::string, Fault> faults;
  std::map<std::string, uint64_t> latencyUs;  // call name or "*"
  Counters counters;                          // sessionsOpen is derived from sessions

  // A change of the RAID configuration: every event waiter must notice it.
  void Changed() {
    ++changes;
    cv.notify_all();
  }
  // Drops every event handle (only SsiFinalize does); waiters on them
  // return a failure.
  void DropEventHandles() {
    events.clear();
    cv.notify_all();
  }
  uint64_t LatencyFor(const std::string& call) const;
  // The status of a pending fault for this call (consuming one use), if any.
  bool TakeFault(const std::string& call, SSI_STATUS* status);
  bool SessionOpen(SSI_HANDLE session) const { return sessions.count(session) != 0; }
};

// The process-wide instance. Never destroyed, so calls made from other
// libraries' static destructors or from lingering threads stay safe.
Sim& TheSim();

// Whether name is one of the Ssi* calls (faults and latency name them).
bool IsCallName(const std::string& name);

// Runs one Ssi* call. work takes (Sim&) or (Sim&, std::unique_lock&) when it
// must wait on the condition variable; it runs under the lock.
// Adds the time from its construction to its end to the call's timer.
// Declared before the call's lock, so it ends after the lock was released.
class CallTimer {
 public:
  explicit CallTimer(const char* name) : m_name(name), m_start(std::chrono::steady_clock::now()) {}
  ~CallTimer() {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - m_start);
    Sim& sim = TheSim();
    std::lock_guard<std::mutex> lock(sim.mu);
    sim.counters.nanos[m_name] += static_cast<uint64_t>(ns.count());
  }
  CallTimer(const CallTimer&) = delete;
  CallTimer& operator=(const CallTimer&) = delete;

 private:
  const char* m_name;
  std::chrono::steady_clock::time_point m_start;
};

template <class Work>
SSI_STATUS Enter(const char* name, bool needsInit, Work&& work) {
  const CallTimer timer(name);
  Sim& sim = TheSim();
  uint64_t us = 0;
  Sim::Hook hook;
  {
    std::lock_guard<std::mutex> lock(sim.mu);
    ++sim.counters.calls[name];
    us = sim.LatencyFor(name);
    if (auto it = sim.hooks.find(name); it != sim.hooks.end()) hook = it->second;
  }
  if (hook.fn != nullptr) hook.fn(hook.ctx);
  if (us != 0) std::this_thread::sleep_for(std::chrono::microseconds(us));
  std::unique_lock<std::mutex> lock(sim.mu);
  SSI_STATUS injected = 0;
  if (sim.TakeFault(name, &injected)) return injected;
  if (needsInit && !sim.initialized) return kStatusNotInitialized;
  if constexpr (std::is_invocable_v<Work, Sim&, std::unique_lock<std::mutex>&>) {
    return work(sim, lock);
  } else {
    return work(sim);
  }
}

// Copies a text into a record field: cut to fit, always zero-terminated.
inline void CopyText(char* field, size_t fieldSize, const std::string& text) {
  const size_t n = std::min(text.size(), fieldSize - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// Loads the built-in default topology (a broken default is a build error
// the tests catch, so it aborts).
Model DefaultModel();

}  // namespace abru2sim
