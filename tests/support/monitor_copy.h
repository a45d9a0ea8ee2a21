// monitor_copy.h: an event monitor of a test's own, in a private copy of the
// built library (a monitor starts once per process): its provider, monitor
// and registration hook by name, started as a host starts it, and waits on
// the simulation's counters until it has handled a change.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "framework/event_register.h"
#include "zubprov/interfaces.h"
#include "sim/abru2_control.h"
#include "tests/support/library_copy.h"

namespace zubtest {

inline uint64_t EventWaits() { return abru2sim::GetCounters().blockingEventWaits; }

// True once the monitor entered an event wait after `waits` were counted:
// after a change, it has then handled it and delivered its alerts. Bounded,
// so a monitor that never waits fails the test instead of hanging it.
inline bool WaitForEventWaitsBeyond(uint64_t waits) {
  using namespace std::chrono_literals;
  for (int i = 0; i < 20000; ++i) {
    if (EventWaits() > waits) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

class MonitorCopy {
 public:
  MonitorCopy() : m_library(ZUBPROV_PATH) {
    m_provider = m_library.Find<CZubProviderInterface*()>("PROVIDER_CreateZubProviderInstance");
    m_monitor = m_library.Find<CEventMonInterface*()>("PROVIDER_CreateEventMonInstance");
    m_register = m_library.Find<void(CEventRegisterInterface*)>("ZubAddEventRegistration");
    EXPECT_TRUE(m_provider && m_monitor && m_register);
  }
  ~MonitorCopy() {
    // A library is never unloaded under its own thread.
    if (m_monitor) Monitor().Terminate();
  }
  MonitorCopy(const MonitorCopy&) = delete;
  MonitorCopy& operator=(const MonitorCopy&) = delete;

  CZubProviderInterface& Provider() { return *m_provider(); }
  CEventMonInterface& Monitor() { return *m_monitor(); }
  void Register(CEventRegisterInterface& registration) { m_register(&registration); }
  // A factory (or any function) of the copy, by its plain name.
  template <class Fn>
  Fn* Find(const char* name) const { return m_library.Find<Fn>(name); }

  // Starts the monitor as a host does and waits until it waits for events.
  void Start() {
    const uint64_t waits = EventWaits();
    ASSERT_EQ(Provider().Initialize(), PROVIDER_SUCCESS);
    ASSERT_TRUE(WaitForEventWaitsBeyond(waits));
  }

 private:
  LibraryCopy m_library;
  CZubProviderInterface* (*m_provider)() = nullptr;
  CEventMonInterface* (*m_monitor)() = nullptr;
  void (*m_register)(CEventRegisterInterface*) = nullptr;
};

}  // namespace zubtest
