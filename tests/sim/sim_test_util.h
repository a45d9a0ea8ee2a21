// sim_test_util.h: what every simulation test shares: the simulation fixture,
// an RAII session, and short forms for listing handles and reading records.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "sim/abru2_control.h"
#include "tests/support/sim_fixture.h"

namespace simtest {

using V = std::vector<SSI_HANDLE>;
using SimTest = zubtest::SimFixture;
using HandleCall = SSI_STATUS (*)(SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE*, uint32_t*);

struct Session {
  SSI_HANDLE h = 0;
  Session() { EXPECT_EQ(SsiSessionOpen(&h), 0u); }
  ~Session() { SsiSessionClose(h); }
  operator SSI_HANDLE() const { return h; }
};

// The provider's way: count first, then a buffer of that size (again with
// the new count if another thread added objects in between).
inline V List(HandleCall call, uint32_t scopeType = 0, SSI_HANDLE scope = 0) {
  Session s;
  uint32_t count = 0;
  call(s, scopeType, scope, nullptr, &count);
  V handles(count);
  for (int attempt = 0; count != 0 && attempt < 100; ++attempt) {
    handles.resize(count);
    const SSI_STATUS st = call(s, scopeType, scope, handles.data(), &count);
    if (st == 0) break;
    EXPECT_EQ(st, 1u);
  }
  handles.resize(count);
  return handles;
}

// A record that must exist: the call's status is checked.
template <class Record>
Record Get(SSI_STATUS (*call)(SSI_HANDLE, SSI_HANDLE, Record*), SSI_HANDLE h) {
  Record info{};
  EXPECT_EQ(call(Session(), h, &info), 0u) << "handle " << h;
  return info;
}
inline _SSI_EndDeviceInfo Disk(SSI_HANDLE h) { return Get(SsiGetEndDeviceInfo, h); }
inline _SSI_PhyInfo Phy(SSI_HANDLE h) { return Get(SsiGetPhyInfo, h); }
inline _SSI_VolumeInfo Volume(SSI_HANDLE h) { return Get(SsiGetVolumeInfo, h); }

// Waits in another thread; returns once the wait has been entered, which is
// enough: a change made after that is seen whether or not the waiter has
// blocked yet.
inline std::future<SSI_STATUS> StartWaiter(SSI_HANDLE ev) {
  abru2sim::ResetCounters();
  auto waiter = std::async(std::launch::async, [ev] { return SsiEventWait(SSI_NO_TIMEOUT, ev); });
  for (int i = 0; i < 5000 && abru2sim::GetCounters().calls.count("SsiEventWait") == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return waiter;
}

// The waiter's status. One still blocked after a generous bound is released
// by freeing its handle, so a lost wake-up fails the test instead of hanging.
inline SSI_STATUS Outcome(std::future<SSI_STATUS>& waiter, SSI_HANDLE ev) {
  if (waiter.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    ADD_FAILURE() << "the waiter did not wake";
    SsiFreeEventHandle(ev);
  }
  return waiter.get();
}

}  // namespace simtest
