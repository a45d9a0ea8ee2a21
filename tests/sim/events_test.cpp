// events_test.cpp: event handles and waits, injected faults and latency, call hooks and counters, and what a
// reset keeps. (Many threads at once: the stress run of tests/proof.)
#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

const char* kSmall = R"({"middleware_version": "1.0", "controllers": [{"handle": 1,
  "disks": [{"handle": 11, "serial": "A"}, {"handle": 12, "serial": "B"}, {"handle": 13, "serial": "C"}],
  "volumes": [{"handle": 30, "array_handle": 31, "name": "M", "level": 2, "disks": [11, 12]}]}]})";

}  // namespace

// The provider's monitor takes one handle for the life of the process, so
// loads and resets between tests must never leave it deaf.
TEST_F(SimTest, EventHandlesSeeEveryChangeUntilFreed) {
  Load(kSmall);
  SSI_HANDLE ev = 0;
  ASSERT_EQ(SsiGetEventHandle(&ev), 0u);
  EXPECT_NE(SsiEventWait(10, ev), 0u) << "nothing changed: time-out";
  // Faults and latency shape calls; they are no configuration change.
  Change(R"({"op": "fail", "call": "SsiRescan", "status": 15})");
  Change(R"({"op": "latency", "call": "*", "us": 0})");
  Change(R"({"op": "clear_faults"})");
  EXPECT_NE(SsiEventWait(0, ev), 0u);
  // Each change is seen once; a reset and a topology load are changes too, and the handle outlives them.
  for (void (*change)() : {+[] { abru2sim::ResetToDefault(); }, +[] { Load(kSmall); },
                           +[] { Change(R"({"op": "set_disk", "disk": "C", "state": 4})"); }}) {
    change();
    EXPECT_EQ(SsiEventWait(0, ev), 0u);
    EXPECT_NE(SsiEventWait(0, ev), 0u);
  }
  // A waiter blocked without a time-out wakes with 0 for a call's change and for a reset.
  auto waiter = StartWaiter(ev);
  EXPECT_EQ(SsiVolumeSetCachePolicy(30, 2), 0u);
  EXPECT_EQ(Outcome(waiter, ev), 0u);
  waiter = StartWaiter(ev);
  abru2sim::ResetToDefault();
  EXPECT_EQ(Outcome(waiter, ev), 0u);
  // Freeing the handle releases its waiter with a failure.
  SSI_HANDLE other = 0;
  ASSERT_EQ(SsiGetEventHandle(&other), 0u);
  EXPECT_NE(other, ev);
  waiter = StartWaiter(ev);
  EXPECT_EQ(SsiFreeEventHandle(ev), 0u);
  EXPECT_NE(Outcome(waiter, ev), 0u);
  EXPECT_EQ(SsiEventWait(0, ev), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(SsiFreeEventHandle(ev), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(SsiFreeEventHandle(other), 0u);
}

TEST_F(SimTest, FaultsHooksCountersAndWhatAResetKeeps) {
  Load(kSmall);
  Change(R"({"op": "fail", "call": "SsiVolumeDelete", "status": 23})");
  EXPECT_EQ(SsiVolumeDelete(30), 23u);
  EXPECT_EQ(List(SsiGetVolumeHandles), V{30}) << "the failed call did nothing";
  EXPECT_EQ(SsiVolumeDelete(99), 14u) << "one use only";
  EXPECT_EQ(SsiVolumeSetCachePolicy(30, 3), 0u) << "other calls are untouched";
  Change(R"({"op": "fail", "call": "SsiInitialize", "status": 15, "times": 2})");
  EXPECT_EQ(SsiInitialize(), 15u);
  EXPECT_EQ(SsiInitialize(), 15u);
  EXPECT_EQ(SsiInitialize(), SSI_STATUS_ALREADY_INITIALIZED) << "two uses";
  EXPECT_EQ(ChangeError(R"({"op": "fail", "call": "SsiNothing", "status": 1})"),
            "fail: $.call: expected an Ssi* call name, got \"SsiNothing\"");
  EXPECT_EQ(ChangeError(R"({"op": "fail", "call": "SsiRescan"})"), "fail: $.status: required key missing");
  abru2sim::ResetCounters();
  Change(R"({"op": "fail", "call": "SsiGetEndDeviceHandles", "status": 15, "times": 0})");
  Session s;
  uint32_t count = 99;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, nullptr, &count), 15u);
  EXPECT_EQ(count, 99u);
  Change(R"({"op": "clear_faults"})");
  // A hook runs before its call, outside the lock, and may change the model:
  // here a disk arrives between the provider's count and its buffer call.
  static int runs = 0;
  runs = 0;
  abru2sim::SetCallHook("SsiGetEndDeviceHandles", [](void*) {
    if (++runs == 2) abru2sim::ApplyChange(R"({"op": "insert_disk", "controller": 1, "disk": {}})", nullptr);
  }, nullptr);
  ASSERT_EQ(SsiGetEndDeviceHandles(s, 0, 0, nullptr, &count), 0u);
  V buf(count);
  EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, buf.data(), &count), 1u);
  EXPECT_EQ(count, 4u);
  abru2sim::SetCallHook("SsiGetEndDeviceHandles", nullptr, nullptr);
  for (SSI_HANDLE d : List(SsiGetEndDeviceHandles)) Disk(d);
  EXPECT_EQ(runs, 2) << "a removed hook no longer runs";
  _SSI_VolumeInfo v{};
  EXPECT_EQ(SsiGetVolumeInfo(0, 999, &v), 14u);
  const auto c = abru2sim::GetCounters();
  EXPECT_EQ(c.calls.at("SsiGetEndDeviceHandles"), 7u) << "failed calls count too";
  EXPECT_EQ(std::make_tuple(c.calls.at("SsiGetEndDeviceInfo"), c.calls.at("SsiGetVolumeInfo")),
            std::make_tuple(4u, 1u));
  EXPECT_EQ(c.calls.count("SsiGetControllerHandles"), 0u) << "only called functions appear";
  EXPECT_EQ(std::make_tuple(c.sessionsOpened, c.sessionsClosed, c.sessionsOpen), std::make_tuple(6u, 5u, 1u));
  // A reset drops what a test set up (faults, hooks, counters) and keeps what a host holds: initialisation and
  // sessions.
  abru2sim::SetCallHook("SsiRescan", [](void*) { ++runs; }, nullptr);
  Change(R"({"op": "fail", "call": "SsiRescan", "status": 15, "times": 0})");
  abru2sim::ResetToDefault();
  EXPECT_TRUE(abru2sim::GetCounters().calls.empty());
  EXPECT_EQ(SsiRescan(), 0u);
  EXPECT_EQ(runs, 2);
  EXPECT_TRUE(abru2sim::IsInitialized());
  EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, nullptr, &count), 0u) << "the session is still open";
  EXPECT_EQ(abru2sim::GetCounters().sessionsOpen, 1u);
}
