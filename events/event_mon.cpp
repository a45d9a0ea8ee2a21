// event_mon.cpp: CEventMon and its thread.
//
// Stopping: instead of killing the thread (which could leave the process-wide
// lock held by a dead thread), Terminate raises a stop flag and frees the
// event handle; the middleware then wakes the waiting thread with a non-zero
// status, the thread sees the flag and ends, and Terminate joins it.
#include "events/event_mon.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "framework/class_base.h"
#include "middleware/abru2.h"

namespace {

struct MonitorState {
  std::mutex mutex;  // guards handle and stop between the thread and Terminate
  SSI_HANDLE eventHandle = 0;
  bool stop = false;
  bool threadStarted = false;
  platform::ThreadHandle thread = nullptr;
  std::atomic<AlertCallback> callback{nullptr};
  std::atomic<bool> callbackSet{false};
};

MonitorState& State() {
  static MonitorState* const state = new MonitorState();  // outlives static destruction
  return *state;
}

bool StopRequested() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().stop;
}

// A failing middleware (not initialised, finalised under us) answers at once;
// a short pause keeps the retry loop from spinning a core.
void PauseAfterFailure() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

void EventThreadProc(void*) {
  MonitorState& state = State();
  SSI_HANDLE handle = 0;
  while (SsiGetEventHandle(&handle) != SSI_STATUS_SUCCESS) {
    if (StopRequested()) return;
    PauseAfterFailure();
  }
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.eventHandle = handle;
    if (state.stop) {
      SsiFreeEventHandle(handle);
      return;
    }
  }
  while (!StopRequested()) {
    if (SsiEventWait(SSI_NO_TIMEOUT, handle) != SSI_STATUS_SUCCESS) {
      if (!StopRequested()) PauseAfterFailure();
      continue;
    }
    // Alert detection by the registered classes joins here.
  }
}

class CEventMon : public virtual CEventMonInterface {
 public:
  PROVIDER_STATUS Update() override { return PROVIDER_NOT_SUPPORTED; }

  // Starts the thread once; a failure to start is not reported and not retried.
  PROVIDER_STATUS Initialize() override {
    MonitorState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.threadStarted) return PROVIDER_SUCCESS;
    state.threadStarted = true;
    state.thread = platform::StartThread(&EventThreadProc, nullptr);
    return PROVIDER_SUCCESS;
  }

  // Only the first call has an effect.
  PROVIDER_STATUS SetCallBackFunc(AlertCallback callback) override {
    MonitorState& state = State();
    if (state.callbackSet.exchange(true)) return PROVIDER_SUCCESS;
    state.callback = callback;
    return PROVIDER_SUCCESS;
  }

  // Ends the thread and frees the event handle. The monitor cannot be
  // started again in the same process.
  PROVIDER_STATUS Terminate() override {
    MonitorState& state = State();
    platform::ThreadHandle thread;
    SSI_HANDLE handle;
    {
      std::lock_guard<std::mutex> lock(state.mutex);
      state.stop = true;
      thread = state.thread;
      state.thread = nullptr;
      handle = state.eventHandle;
      state.eventHandle = 0;
    }
    if (handle) SsiFreeEventHandle(handle);
    platform::JoinThread(thread);
    return PROVIDER_SUCCESS;
  }
};

}  // namespace

CEventMonInterface* PROVIDER_CreateEventMonInstance() { return Singleton<CEventMon>(); }
