// event_mon.cpp: CEventMon, its thread and the container of registrations.
//
// Stopping: instead of killing the thread (which could leave the process-wide
// lock held by a dead thread), Terminate marks the monitor as stopping and
// frees the event handle; the middleware then wakes the waiting thread with a
// non-zero status, the thread sees the mark and ends, and Terminate joins it.
//
// A failing middleware (not initialised, finalised under us, broken) answers
// at once. The thread retries a failed call at once the first time, then
// after pauses growing to 100 ms while the failures go on, so it never spins
// on a core; Terminate cuts a pause short.
#include "events/event_mon.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "events/event_registry.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "middleware/abru2.h"
#include "middleware/read_once.h"

namespace {

// The monitor's state, shared by the host's threads and the monitor thread.
struct MonitorState {
  std::mutex mutex;                   // guards everything below but the callback
  std::condition_variable stopping;   // wakes a retry pause when the monitor stops
  bool threadStarted = false;
  bool stop = false;
  platform::ThreadHandle thread = nullptr;
  std::thread::id threadId;           // the monitor thread, once it runs
  bool eventHandleHeld = false;       // whoever clears it frees eventHandle
  SSI_HANDLE eventHandle = 0;
  bool callbackSet = false;
  std::atomic<AlertCallback> callback{nullptr};  // read by the monitor thread without the mutex
};

MonitorState& State() {
  static MonitorState* const state = new MonitorState();  // outlives static destruction
  return *state;
}

bool StopRequested() {
  MonitorState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.stop;
}

// Pauses between retries of a failing middleware call: none after the first
// failure, then 1, 2, 4 ... ms, at most kLongestPause.
class RetryPause {
 public:
  // After a failure; false when the monitor stops (also during the pause).
  bool Wait() {
    const unsigned failures = m_failures++;
    if (failures == 0) return !StopRequested();
    const auto pause = std::min(kLongestPause, std::chrono::milliseconds(1u << std::min(failures - 1, 7u)));
    MonitorState& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    return !state.stopping.wait_for(lock, pause, [&] { return state.stop; });
  }
  // After a success.
  void Reset() { m_failures = 0; }

 private:
  static constexpr std::chrono::milliseconds kLongestPause{100};
  unsigned m_failures = 0;
};

// The registered classes, in visiting order.
class CEventContainer {
 public:
  // Registers every class under the process-wide lock, so each reads its
  // first state (InitializeForEvents) before any host call touches a list.
  CEventContainer() {
    CGlobalLock lock(GetGlobalLock());
    for (CEventRegisterInterface* registration : EventRegistrations()) {
      registration->InitializeForEvents();
      m_registrations.Add(registration);
    }
  }
  CEventContainer(const CEventContainer&) = delete;
  CEventContainer& operator=(const CEventContainer&) = delete;
  virtual ~CEventContainer() = default;

  // One event: every registration detects (its alerts are appended to *out
  // when it reports some), then every registration refreshes, each class's
  // list rebuilt once in that refresh however many classes read it. The
  // lock is taken step by step, never across a class's own work.
  void CollectAlerts(CArrayT<stZUB_AlertIndication>* out) {
    for (size_t i = 0; CEventRegisterInterface* registration = At(i); ++i) {
      if (registration->DetectAlerts()) {
        CGlobalLock lock(GetGlobalLock());
        out->Append(registration->m_alerts);
      }
    }
    CSharedRebuilds shared;
    for (size_t i = 0; CEventRegisterInterface* registration = At(i); ++i) registration->RefreshAfterEvent();
  }

 private:
  CEventRegisterInterface* At(size_t i) const {
    CGlobalLock lock(GetGlobalLock());
    return i < m_registrations.GetCount() ? m_registrations[i] : nullptr;
  }

  CArrayT<CEventRegisterInterface*> m_registrations;
};

// Obtains the event handle and publishes it for Terminate. False when the
// monitor stops first.
bool TakeEventHandle(SSI_HANDLE* handle) {
  MonitorState& state = State();
  RetryPause pause;
  for (;;) {
    if (SsiGetEventHandle(handle) == SSI_STATUS_SUCCESS) {
      std::lock_guard<std::mutex> lock(state.mutex);
      state.eventHandle = *handle;
      state.eventHandleHeld = true;
      return !state.stop;
    }
    if (!pause.Wait()) return false;
  }
}

// Frees the event handle unless Terminate did.
void ReleaseEventHandle() {
  MonitorState& state = State();
  SSI_HANDLE handle = 0;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!std::exchange(state.eventHandleHeld, false)) return;
    handle = state.eventHandle;
  }
  SsiFreeEventHandle(handle);
}

// Hands the alerts to the callback one by one, in order, with no lock held.
// Alerts are dropped while no callback is kept, and once the monitor stops.
void Deliver(CArrayT<stZUB_AlertIndication>& alerts) {
  while (alerts.GetCount() != 0) {
    const AlertCallback callback = State().callback.load();
    if (!callback || StopRequested()) return;
    const stZUB_AlertIndication alert = alerts[0];
    callback(alert);
    alerts.RemoveFirst();
  }
}

void WatchEvents(CEventContainer& container, SSI_HANDLE handle) {
  RetryPause pause;
  for (;;) {
    const SSI_STATUS status = SsiEventWait(SSI_NO_TIMEOUT, handle);
    if (StopRequested()) return;
    if (status != SSI_STATUS_SUCCESS) {
      if (!pause.Wait()) return;
      continue;
    }
    pause.Reset();
    // The comparison reads the state after the event, never an answer
    // remembered before it.
    zubmw::Forget();
    CArrayT<stZUB_AlertIndication> alerts;
    container.CollectAlerts(&alerts);
    Deliver(alerts);
  }
}

void EventThreadProc(void*) {
  {
    MonitorState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.threadId = std::this_thread::get_id();
    if (state.stop) return;
  }
  // The container lives as long as the thread: the monitor never starts again.
  std::unique_ptr<CEventContainer> container(new (std::nothrow) CEventContainer());
  SSI_HANDLE handle = 0;
  if (container && TakeEventHandle(&handle)) WatchEvents(*container, handle);
  ReleaseEventHandle();
}

class CEventMon : public virtual CEventMonInterface {
 public:
  ~CEventMon() override { Terminate(); }

  PROVIDER_STATUS Update() override { return PROVIDER_NOT_SUPPORTED; }

  // Starts the thread once; a failure to start is not reported and not retried.
  PROVIDER_STATUS Initialize() override {
    MonitorState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.threadStarted || state.stop) return PROVIDER_SUCCESS;
    state.threadStarted = true;
    state.thread = platform::StartThread(&EventThreadProc, nullptr);
    return PROVIDER_SUCCESS;
  }

  // Only the first call has an effect.
  PROVIDER_STATUS SetCallBackFunc(AlertCallback callback) override {
    MonitorState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.callbackSet) return PROVIDER_SUCCESS;
    state.callbackSet = true;
    state.callback = callback;
    return PROVIDER_SUCCESS;
  }

  PROVIDER_STATUS Terminate() override {
    MonitorState& state = State();
    platform::ThreadHandle thread = nullptr;
    bool freeHandle = false;
    SSI_HANDLE handle = 0;
    {
      std::lock_guard<std::mutex> lock(state.mutex);
      state.stop = true;
      state.stopping.notify_all();
      // Inside the callback: the thread ends by itself once it returns, and
      // cannot wait for its own end.
      if (state.threadId == std::this_thread::get_id()) return PROVIDER_SUCCESS;
      thread = std::exchange(state.thread, nullptr);
      freeHandle = std::exchange(state.eventHandleHeld, false);
      handle = state.eventHandle;
    }
    if (freeHandle) SsiFreeEventHandle(handle);  // wakes the waiting thread
    platform::JoinThread(thread);
    return PROVIDER_SUCCESS;
  }
};

}  // namespace

CEventMonInterface* PROVIDER_CreateEventMonInstance() { return Singleton<CEventMon>(); }
