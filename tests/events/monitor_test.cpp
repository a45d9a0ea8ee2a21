// The event monitor, running: its thread, the registered classes it visits
// after each change of the simulated RAID stack, the alerts it delivers, and
// how it stops. Each test starts a fresh monitor in a private copy of the
// built library (the monitor starts once per process), with scratch classes
// registered the way the provider's own classes register, that raise disk
// alerts from the simulated disks' states.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "classes/storage/disk_extent.h"
#include "framework/event_register.h"
#include "framework/text.h"
#include "provider/provider.h"
#include "framework/class_base.h"
#include "middleware/wrappers.h"
#include "sim/abru2_control.h"
#include "tests/support/monitor_copy.h"
#include "tests/support/sim_fixture.h"

namespace {

using namespace std::chrono_literals;

// The disks of one controller, compared with a snapshot after each event as
// the disk class does, but named by serial number (the tests keep the disks
// in place).
class ScratchDisks : public CZubClassT<CZubStorageExtentDiskInterface, stZUB_StorageExtentDisk>,
                     public virtual CEventRegisterInterface {
 public:
  explicit ScratchDisks(SSI_HANDLE controller) : m_controller(controller) {}

  PROVIDER_STATUS Update() override {
    CEndDevices disks;
    return UpdateFromList(disks, [&](CEndDevices& w) { return w.Load(SSI_SCOPE_CONTROLLER, m_controller); },
        [&](const _SSI_EndDeviceInfo& d) {
          stZUB_StorageExtentDisk rec = DiskExtentOf(d, m_controller);
          rec.DeviceID = FromMultiByte(d.serialNo);
          return rec;
        });
  }

  void InitializeForEvents() override {
    ++initializations;
    Initialize();
    StoreSnapshot(m_list, &m_snapshot, &m_alerts);
  }

  bool DetectAlerts() override {
    Update();
    CArrayT<stZUB_StorageExtentDisk> now, before;
    {
      CGlobalLock lock(GetGlobalLock());
      m_list.CopyTo(&now);
      before = m_snapshot;
    }
    for (const DiskChange& c : DiskChanges(before, now)) RaiseDiskAlert(m_alerts, c.kind, *c.disk);
    return m_alerts.GetCount() != 0;
  }

  void RefreshAfterEvent() override {
    ++refreshes;
    StoreSnapshot(m_list, &m_snapshot, &m_alerts);
  }

  std::atomic<int> initializations{0};
  std::atomic<int> refreshes{0};

 private:
  SSI_HANDLE m_controller;
  CArrayT<stZUB_StorageExtentDisk> m_snapshot;  // under the process-wide lock
};

// What the callbacks received: "AlertClassName EventID" per alert.
using Alerts = std::vector<std::string>;

class Sink {
 public:
  void Push(const stZUB_AlertIndication& alert) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::wstring text = alert.AlertClassName.Str() + L" " + alert.EventID.Str();
    m_alerts.emplace_back(text.begin(), text.end());
    m_changed.notify_all();
  }
  Alerts Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_alerts, {});
  }
  // Bounded: a missing alert fails the test instead of hanging it.
  bool WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, 20s, [&] { return m_alerts.size() >= count; });
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  Alerts m_alerts;
};

Sink g_first, g_second;

// The scratch classes' alerts among those delivered: the provider's own
// registered classes see the same simulated disks and raise alerts of their
// own (their EventIDs are handles; the scratch classes' are serials).
Alerts Scratch(Alerts delivered) {
  std::erase_if(delivered, [](const std::string& d) { return d.find('-') == std::string::npos; });
  return delivered;
}
void ToFirst(const stZUB_AlertIndication& alert) { g_first.Push(alert); }
void ToSecond(const stZUB_AlertIndication& alert) { g_second.Push(alert); }

// The monitor of the current test, for callbacks that stop it.
std::atomic<CEventMonInterface*> g_monitor{nullptr};
void StopFromInside(const stZUB_AlertIndication& alert) {
  g_monitor.load()->Terminate();
  g_first.Push(alert);
}

using zubtest::EventWaits;
using zubtest::MonitorCopy;
using zubtest::WaitForEventWaitsBeyond;

class MonitorTest : public zubtest::SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    Load(R"({"middleware_version": "1.0", "controllers": [
      {"handle": 1, "name": "A", "disks": [{"handle": 11, "serial": "A-1"}, {"handle": 12, "serial": "A-2"}]},
      {"handle": 2, "name": "B", "disks": [{"handle": 21, "serial": "B-1"}, {"handle": 22, "serial": "B-2"}]}]})");
    g_first.Take();
    g_second.Take();
    copy_ = std::make_unique<MonitorCopy>();
  }
  void TearDown() override {
    copy_.reset();
    SimFixture::TearDown();
  }

  // Applies a change and waits until the monitor has handled it.
  void ChangeAndWait(const std::string& change) {
    const uint64_t waits = EventWaits();
    Change(change);
    ASSERT_TRUE(WaitForEventWaitsBeyond(waits));
  }
  static std::string SetState(const char* disk, int state) {
    return std::string(R"({"op": "set_disk", "disk": ")") + disk + R"(", "state": )" + std::to_string(state) + "}";
  }

  ScratchDisks a_{1}, b_{2};
  std::unique_ptr<MonitorCopy> copy_;  // stopped before the scratch classes go
};

// The order is the registrations' (B before A here), not the middleware's;
// within one class, the order the class raised them. The snapshot taken after
// each event is what the next event is compared with.
TEST_F(MonitorTest, AlertsArriveInRegistrationOrderOnceEach) {
  copy_->Register(b_);
  copy_->Register(a_);
  copy_->Monitor().SetCallBackFunc(&ToFirst);
  copy_->Monitor().SetCallBackFunc(&ToSecond);  // the first function stays
  copy_->Start();
  std::string error;
  const uint64_t waits = EventWaits();  // one change, so one event for both classes
  ASSERT_TRUE(abru2sim::LoadTopologyText(R"({"middleware_version": "1.0", "controllers": [
      {"handle": 1, "name": "A", "disks": [{"handle": 11, "serial": "A-1", "state": 3},
                                           {"handle": 12, "serial": "A-2"}]},
      {"handle": 2, "name": "B", "disks": [{"handle": 21, "serial": "B-1", "state": 4},
                                           {"handle": 22, "serial": "B-2", "state": 3}]}]})", &error)) << error;
  ASSERT_TRUE(WaitForEventWaitsBeyond(waits));
  EXPECT_EQ(Scratch(g_first.Take()),
            (Alerts{"ZUB_AlertDiskFailing B-1", "ZUB_AlertDiskFailed B-2", "ZUB_AlertDiskFailed A-1"}));
  ChangeAndWait(SetState("B-1", 6));
  EXPECT_EQ(Scratch(g_first.Take()), (Alerts{"ZUB_AlertDiskReturnedToNormal B-1"}));
  EXPECT_EQ(g_second.Take(), Alerts{});
}

// One thread, one registration of each class, whatever the number of
// Initialize calls; an event nobody cares about is still taken in by every
// class; alerts raised while no callback is kept are dropped. Terminate
// returns once the thread ended and freed its handle, and nothing starts it
// again.
TEST_F(MonitorTest, StartsOnceRefreshesEveryClassOnEveryEventAndStopsForGood) {
  copy_->Register(a_);
  copy_->Register(b_);
  copy_->Start();
  EXPECT_EQ(copy_->Monitor().Initialize(), PROVIDER_SUCCESS);
  EXPECT_EQ(copy_->Provider().Initialize(), PROVIDER_SUCCESS);
  EXPECT_EQ(a_.refreshes, 0);
  ChangeAndWait(R"({"op": "set_disk", "disk": "A-1", "firmware": "NEW"})");
  EXPECT_EQ(a_.refreshes, 1);
  EXPECT_EQ(b_.refreshes, 1);
  ChangeAndWait(SetState("A-1", 3));  // no callback yet: dropped
  EXPECT_EQ(a_.refreshes, 2);
  copy_->Monitor().SetCallBackFunc(&ToFirst);
  ChangeAndWait(SetState("B-2", 3));
  EXPECT_EQ(Scratch(g_first.Take()), (Alerts{"ZUB_AlertDiskFailed B-2"}));
  EXPECT_EQ(a_.initializations, 1);
  EXPECT_EQ(b_.initializations, 1);
  EXPECT_EQ(copy_->Monitor().Terminate(), PROVIDER_SUCCESS);
  EXPECT_EQ(Calls("SsiFreeEventHandle"), 1u);
  // The read-once store holds a handle of its own (polled, never waited on).
  const uint64_t waits = EventWaits(), handles = Calls("SsiGetEventHandle");
  Change(SetState("A-1", 6));
  EXPECT_EQ(copy_->Monitor().Initialize(), PROVIDER_SUCCESS);  // no second start
  EXPECT_EQ(copy_->Monitor().Terminate(), PROVIDER_SUCCESS);
  std::this_thread::sleep_for(100ms);  // time enough for a live thread to react
  EXPECT_EQ(EventWaits(), waits);
  EXPECT_EQ(Calls("SsiGetEventHandle"), handles);
  EXPECT_EQ(Calls("SsiFreeEventHandle"), 1u);
  EXPECT_EQ(a_.refreshes, 3);
  EXPECT_EQ(Scratch(g_first.Take()), Alerts{});
}

// Inside the callback, Terminate only marks the monitor: the alerts after the
// current one are not delivered, the thread ends by itself, and a later
// Terminate from another thread waits for that end.
TEST_F(MonitorTest, TerminateFromInsideTheCallbackStopsDelivery) {
  copy_->Register(a_);
  copy_->Register(b_);
  copy_->Monitor().SetCallBackFunc(&StopFromInside);
  g_monitor = &copy_->Monitor();
  copy_->Start();
  std::string error;
  ASSERT_TRUE(abru2sim::LoadTopologyText(R"({"middleware_version": "1.0", "controllers": [
      {"handle": 1, "name": "A", "disks": [{"handle": 11, "serial": "A-1", "state": 3}]},
      {"handle": 2, "name": "B", "disks": [{"handle": 21, "serial": "B-1", "state": 3}]}]})", &error)) << error;
  ASSERT_TRUE(g_first.WaitFor(1));
  EXPECT_EQ(copy_->Monitor().Terminate(), PROVIDER_SUCCESS);
  EXPECT_EQ(g_first.Take().size(), 1u) << "delivery stops at the alert whose callback stopped the monitor";
  EXPECT_EQ(Calls("SsiFreeEventHandle"), 1u);
  g_monitor = nullptr;
}

// Once the middleware fails every event wait, the monitor keeps trying, and
// after its first quick retries it pauses between two tries: the pause is a
// lower bound the monitor's own wait guarantees, so no machine's load can
// make this fail (it never bounds how long anything takes).
TEST_F(MonitorTest, FailingEventWaitsAreRetriedWithoutSpinning) {
  struct Waits {
    std::mutex mutex;
    std::condition_variable grew;
    std::vector<std::chrono::steady_clock::time_point> at;
  } waits;
  copy_->Start();
  SsiFinalize();
  abru2sim::SetCallHook("SsiEventWait", [](void* self) {
    auto* w = static_cast<Waits*>(self);
    std::lock_guard<std::mutex> lock(w->mutex);
    w->at.push_back(std::chrono::steady_clock::now());
    w->grew.notify_all();
  }, &waits);
  constexpr size_t kTries = 14;  // the quick retries, then several pauses
  {
    std::unique_lock<std::mutex> lock(waits.mutex);
    ASSERT_TRUE(waits.grew.wait_for(lock, 120s, [&] { return waits.at.size() >= kTries; })) << "it keeps trying";
  }
  abru2sim::SetCallHook("SsiEventWait", nullptr, nullptr);
  std::lock_guard<std::mutex> lock(waits.mutex);
  for (size_t i = kTries - 4; i < kTries; ++i)
    EXPECT_GE(waits.at[i] - waits.at[i - 1], 60ms) << "try " << i << " came without a pause";
  EXPECT_EQ(copy_->Monitor().Terminate(), PROVIDER_SUCCESS);
  SsiInitialize();
}

}  // namespace
