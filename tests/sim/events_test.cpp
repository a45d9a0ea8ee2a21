// events_test.cpp: event handles and waits, injected faults and latency,
// call counters, and several threads using the simulation at once.
#include <atomic>
#include <future>
#include <thread>

#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

const char* kSmall = R"({"middleware_version": "1.0", "controllers": [{"handle": 1,
  "disks": [{"handle": 11, "serial": "A"}, {"handle": 12, "serial": "B"}, {"handle": 13, "serial": "C"}],
  "volumes": [{"handle": 30, "array_handle": 31, "name": "M", "level": 2, "disks": [11, 12]}]}]})";

}  // namespace

TEST_F(SimTest, EventWaitsSeeChangesAndFreeing) {
  Load(kSmall);
  SSI_HANDLE ev = 0;
  ASSERT_EQ(SsiGetEventHandle(&ev), 0u);
  EXPECT_NE(SsiEventWait(10, ev), 0u) << "nothing changed: time-out";

  // A change made before the wait is seen at once, and only once.
  Change(R"({"op": "set_disk", "disk": "C", "state": 4})");
  EXPECT_EQ(SsiEventWait(0, ev), 0u);
  EXPECT_NE(SsiEventWait(0, ev), 0u);

  // A change in another thread wakes a waiter without a time-out.
  auto waiter = std::async(std::launch::async, [ev] { return SsiEventWait(SSI_NO_TIMEOUT, ev); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(SsiVolumeSetCachePolicy(30, 2), 0u);
  EXPECT_EQ(waiter.get(), 0u);

  // Freeing the handle releases its waiter with a failure.
  auto freed = std::async(std::launch::async, [ev] { return SsiEventWait(SSI_NO_TIMEOUT, ev); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(SsiFreeEventHandle(ev), 0u);
  EXPECT_NE(freed.get(), 0u);
  EXPECT_EQ(SsiEventWait(0, ev), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(SsiFreeEventHandle(ev), SSI_STATUS_INVALID_PARAMETER);

  // Faults and latency shape calls; they are no configuration change.
  SSI_HANDLE ev2 = 0;
  ASSERT_EQ(SsiGetEventHandle(&ev2), 0u);
  EXPECT_NE(ev2, ev);
  Change(R"({"op": "fail", "call": "SsiRescan", "status": 15})");
  Change(R"({"op": "latency", "call": "*", "us": 0})");
  Change(R"({"op": "clear_faults"})");
  EXPECT_NE(SsiEventWait(0, ev2), 0u);
}

// The provider's monitor takes one handle for the life of the process, so a
// reset between two tests must never leave it deaf.
TEST_F(SimTest, EventHandlesSurviveTopologyLoadsAndResets) {
  SSI_HANDLE ev = 0;
  ASSERT_EQ(SsiGetEventHandle(&ev), 0u);
  for (void (*step)() : {+[] { Load(kSmall); }, +[] { abru2sim::ResetToDefault(); }}) {
    step();
    EXPECT_EQ(SsiEventWait(0, ev), 0u) << "the load or reset itself is a change";
    EXPECT_NE(SsiEventWait(0, ev), 0u);
    EXPECT_EQ(SsiRescan(), 0u);
    EXPECT_EQ(SsiEventWait(0, ev), 0u) << "later changes are seen again";
  }

  abru2sim::ResetCounters();
  auto waiter = std::async(std::launch::async, [ev] { return SsiEventWait(SSI_NO_TIMEOUT, ev); });
  for (int i = 0; i < 5000 && abru2sim::GetCounters().calls.count("SsiEventWait") == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  abru2sim::ResetToDefault();
  const bool woke = waiter.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  if (!woke) SsiFreeEventHandle(ev);  // releases the waiter, so the test ends
  EXPECT_TRUE(woke);
  EXPECT_EQ(waiter.get(), 0u) << "a waiter blocked during a reset wakes with 0";
  EXPECT_EQ(SsiFreeEventHandle(ev), 0u);
}

TEST_F(SimTest, FaultsFailTheNextCallsWithoutEffect) {
  Load(kSmall);
  Change(R"({"op": "fail", "call": "SsiVolumeDelete", "status": 23})");
  EXPECT_EQ(SsiVolumeDelete(30), 23u);
  EXPECT_EQ(List(SsiGetVolumeHandles), std::vector<SSI_HANDLE>{30}) << "the failed call did nothing";
  EXPECT_EQ(SsiVolumeSetCachePolicy(30, 3), 0u) << "other calls are untouched";

  Change(R"({"op": "fail", "call": "SsiGetEndDeviceHandles", "status": 15, "times": 0})");
  Session s;
  uint32_t count = 99;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, nullptr, &count), 15u);
  EXPECT_EQ(count, 99u);
  Change(R"({"op": "clear_faults"})");
  EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, nullptr, &count), 0u);
  EXPECT_EQ(count, 3u);

  Change(R"({"op": "fail", "call": "SsiInitialize", "status": 15, "times": 2})");
  EXPECT_EQ(SsiInitialize(), 15u);
  EXPECT_EQ(SsiInitialize(), 15u);
  EXPECT_EQ(SsiInitialize(), SSI_STATUS_ALREADY_INITIALIZED);

  EXPECT_EQ(ChangeError(R"({"op": "fail", "call": "SsiNothing", "status": 1})"),
            "fail: $.call: expected an Ssi* call name, got \"SsiNothing\"");
  EXPECT_EQ(ChangeError(R"({"op": "fail", "call": "SsiRescan"})"), "fail: $.status: required key missing");
}

TEST_F(SimTest, CountersAndLatency) {
  Load(kSmall);
  abru2sim::ResetCounters();
  Change(R"({"op": "latency", "call": "*", "us": 200})");
  Change(R"({"op": "latency", "call": "SsiGetEndDeviceInfo", "us": 500})");
  for (SSI_HANDLE d : List(SsiGetEndDeviceHandles)) Disk(d);
  _SSI_VolumeInfo v{};
  EXPECT_EQ(SsiGetVolumeInfo(0, 999, &v), 14u);

  const auto c = abru2sim::GetCounters();
  EXPECT_EQ(c.calls.at("SsiGetEndDeviceHandles"), 2u) << "count, then buffer";
  EXPECT_EQ(c.calls.at("SsiGetEndDeviceInfo"), 3u);
  EXPECT_EQ(c.calls.at("SsiGetVolumeInfo"), 1u) << "failed calls count too";
  EXPECT_EQ(c.calls.count("SsiGetControllerHandles"), 0u) << "only called functions appear";
  EXPECT_EQ(c.sessionsOpened, 4u);
  EXPECT_EQ(c.sessionsClosed, c.sessionsOpened);
  EXPECT_EQ(c.sessionsOpen, 0u);

  SSI_HANDLE s = 0;
  ASSERT_EQ(SsiSessionOpen(&s), 0u);
  EXPECT_EQ(abru2sim::GetCounters().sessionsOpen, 1u);
  SsiSessionClose(s);
  abru2sim::ResetCounters();
  EXPECT_TRUE(abru2sim::GetCounters().calls.empty());

  abru2sim::ResetToDefault();
  EXPECT_TRUE(abru2sim::GetCounters().calls.empty());
}

TEST_F(SimTest, CallHookRunsBeforeTheCallAndMayChangeTheModel) {
  Load(kSmall);
  // Between the provider's count and its buffer call a disk arrives.
  static int runs = 0;
  runs = 0;
  abru2sim::SetCallHook("SsiGetEndDeviceHandles", [](void*) {
    if (++runs == 2) abru2sim::ApplyChange(R"({"op": "insert_disk", "controller": 1, "disk": {}})", nullptr);
  }, nullptr);
  Session s;
  uint32_t count = 0;
  ASSERT_EQ(SsiGetEndDeviceHandles(s, 0, 0, nullptr, &count), 0u);
  std::vector<SSI_HANDLE> buf(count);
  EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, buf.data(), &count), 1u);
  EXPECT_EQ(count, 4u);
  abru2sim::SetCallHook("SsiGetEndDeviceHandles", nullptr, nullptr);
  SsiGetEndDeviceHandles(s, 0, 0, nullptr, &count);
  EXPECT_EQ(runs, 2);
}

TEST_F(SimTest, ManyThreadsEnumerateAndChangeAtOnce) {
  Load(kSmall);
  Change(R"({"op": "latency", "call": "SsiGetEndDeviceInfo", "us": 50})");
  abru2sim::ResetCounters();
  SSI_HANDLE ev = 0;
  ASSERT_EQ(SsiGetEventHandle(&ev), 0u);
  std::atomic<bool> stop{false};
  std::atomic<int> wakeups{0};
  std::thread monitor([&] {
    while (!stop) {
      if (SsiEventWait(SSI_NO_TIMEOUT, ev) != 0) break;
      ++wakeups;
    }
  });

  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([] {
      for (int i = 0; i < 50; ++i) {
        for (SSI_HANDLE d : List(SsiGetEndDeviceHandles)) {
          Session s;
          _SSI_EndDeviceInfo info{};
          const SSI_STATUS st = SsiGetEndDeviceInfo(s, d, &info);
          EXPECT_TRUE(st == 0 || st == SSI_STATUS_INVALID_PARAMETER);  // the disk may just have gone
        }
        for (SSI_HANDLE v : List(SsiGetVolumeHandles)) {
          _SSI_VolumeInfo info{};
          SsiGetVolumeInfo(0, v, &info);
        }
      }
    });
  }
  std::thread changer([] {
    for (int i = 0; i < 50; ++i) {
      std::string error;
      EXPECT_TRUE(abru2sim::ApplyChange(R"({"op": "remove_disk", "disk": "C"})", &error)) << error;
      EXPECT_TRUE(abru2sim::ApplyChange(R"({"op": "insert_disk", "controller": 1, "disk": {"serial": "C"}})",
                                        &error))
          << error;
      EXPECT_EQ(SsiVolumeSetCachePolicy(30, 1 + i % 3), 0u);
    }
  });
  changer.join();
  for (auto& r : readers) r.join();
  stop = true;
  SsiFreeEventHandle(ev);
  monitor.join();

  const auto c = abru2sim::GetCounters();
  EXPECT_EQ(c.sessionsOpened, c.sessionsClosed);
  EXPECT_EQ(c.calls.at("SsiVolumeSetCachePolicy"), 50u);
  EXPECT_GT(wakeups.load(), 0);
  EXPECT_EQ(List(SsiGetEndDeviceHandles).size(), 3u);
}
