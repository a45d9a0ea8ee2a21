// sync_posix.cpp: the re-entrant mutex and the thread, on the C++ runtime.
#include <mutex>
#include <new>
#include <thread>

#include "platform/platform.h"

namespace platform {

MutexHandle CreateRecursiveMutex() { return new (std::nothrow) std::recursive_mutex(); }

void LockMutex(MutexHandle m) {
  if (m) static_cast<std::recursive_mutex*>(m)->lock();
}

void UnlockMutex(MutexHandle m) {
  if (m) static_cast<std::recursive_mutex*>(m)->unlock();
}

void CloseMutex(MutexHandle m) { delete static_cast<std::recursive_mutex*>(m); }

ThreadHandle StartThread(ThreadFn fn, void* arg) {
  try {
    return new std::thread(fn, arg);
  } catch (...) {
    return nullptr;
  }
}

void JoinThread(ThreadHandle t) {
  auto* thread = static_cast<std::thread*>(t);
  if (!thread) return;
  if (thread->joinable()) thread->join();
  delete thread;
}

}  // namespace platform
