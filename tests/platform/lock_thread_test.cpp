// lock_thread_test.cpp: the process-wide lock and the platform thread, whose implementations differ between the
// systems (a kernel mutex and CreateThread on Windows, the C++ runtime elsewhere).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "framework/zub_lock.h"
#include "platform/platform.h"

namespace {

using namespace std::chrono_literals;

// Runs body(arg) on a thread of its own and tells whether it ended in good time. A lock fault shows as a thread
// that never ends; it is left behind so that the test fails instead of hanging.
bool EndsInTime(void (*body)(void*), void* arg) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> ended = done->get_future();
  std::thread([body, arg, done] {
    body(arg);
    done->set_value();
  }).detach();
  return ended.wait_for(30s) == std::future_status::ready;
}

void TakeGlobalLock(void* acquired) {
  CGlobalLock lock(GetGlobalLock());
  static_cast<std::atomic<bool>*>(acquired)->store(true);
}

// Takes the global lock `taken` times and gives it back `released` times, then starts a platform thread that takes
// it too. Tells whether that thread got the lock before this one gave it back entirely (after which it must).
bool OtherThreadGetsLockWhileHeld(int taken, int released) {
  std::atomic<bool> acquired{false};
  for (int i = 0; i < taken; ++i) GetGlobalLock()->Acquire();
  for (int i = 0; i < released; ++i) GetGlobalLock()->Release();
  platform::ThreadHandle other = platform::StartThread(&TakeGlobalLock, &acquired);
  EXPECT_NE(other, nullptr);
  std::this_thread::sleep_for(100ms);  // time for a faulty lock to let it in
  const bool got = acquired.load();
  for (int i = released; i < taken; ++i) GetGlobalLock()->Release();
  EXPECT_TRUE(EndsInTime([](void* t) { platform::JoinThread(t); }, other));
  EXPECT_TRUE(acquired.load());
  return got;
}

TEST(ProcessLock, OneLockItsOwnerMayTakeAgainExcludingOtherThreadsUntilReleasedAsOftenAsTaken) {
  EXPECT_TRUE(EndsInTime([](void*) { CGlobalLock outer(GetGlobalLock()), inner(GetGlobalLock()); }, nullptr));
  ASSERT_TRUE(GetGlobalLock() != nullptr && GetGlobalLock()->IsValid());
  for (int taken = 1; taken <= 3; ++taken) EXPECT_FALSE(OtherThreadGetsLockWhileHeld(taken, taken - 1)) << taken;
}

// The thread the monitor runs on: it runs the function with its argument, and joining waits for its end.
TEST(PlatformThread, RunsFunctionWithItsArgumentAndJoinWaits) {
  struct Work { std::thread::id thread; bool finished = false; } work;
  platform::ThreadHandle thread = platform::StartThread([](void* arg) {
        std::this_thread::sleep_for(50ms);  // finish late: a join that does not wait sees unfinished work
        static_cast<Work*>(arg)->thread = std::this_thread::get_id();
        static_cast<Work*>(arg)->finished = true;
      }, &work);
  ASSERT_NE(thread, nullptr);
  platform::JoinThread(thread);
  EXPECT_TRUE(work.finished && work.thread != std::this_thread::get_id());
}

}  // namespace
