// The process-wide lock: re-entrant for its owner, exclusive for others.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "framework/zub_lock.h"

namespace {

TEST(GlobalLock, ReentrantForOwnerAndFreeAfterBalancedRelease) {
  CS_Block* lock = GetGlobalLock();
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(lock, GetGlobalLock());

  lock->Acquire();
  lock->Acquire();  // would deadlock if not re-entrant
  std::atomic<bool> otherGotIt{false};
  std::thread other([&] {
    CGlobalLock l(lock);
    otherGotIt = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(otherGotIt.load());
  lock->Release();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(otherGotIt.load());  // still held once
  lock->Release();
  other.join();  // hangs if the second release did not free it
  EXPECT_TRUE(otherGotIt.load());
}

}  // namespace
