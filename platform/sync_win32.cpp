// sync_win32.cpp: the re-entrant mutex and the thread, on the Windows kernel.
// A kernel mutex is re-entrant by nature: its owner may wait on it again and
// must release it as often.
#include <windows.h>

#include <new>

#include "platform/platform.h"

namespace platform {

MutexHandle CreateRecursiveMutex() {
  // Unnamed and not initially owned: each call makes a mutex of its own.
  return CreateMutexW(nullptr, FALSE, nullptr);
}

void LockMutex(MutexHandle m) {
  if (m) WaitForSingleObject(m, INFINITE);
}

void UnlockMutex(MutexHandle m) {
  if (m) ReleaseMutex(m);
}

void CloseMutex(MutexHandle m) {
  if (m) CloseHandle(m);
}

namespace {

struct ThreadStart {
  ThreadFn fn;
  void* arg;
};

DWORD WINAPI ThreadProc(LPVOID param) {
  ThreadStart start = *static_cast<ThreadStart*>(param);
  delete static_cast<ThreadStart*>(param);
  start.fn(start.arg);
  return 0;
}

}  // namespace

ThreadHandle StartThread(ThreadFn fn, void* arg) {
  auto* start = new (std::nothrow) ThreadStart{fn, arg};
  if (!start) return nullptr;
  HANDLE thread = CreateThread(nullptr, 0, &ThreadProc, start, 0, nullptr);
  // The thread owns the start block only once it exists.
  if (!thread) delete start;
  return thread;
}

void JoinThread(ThreadHandle t) {
  if (!t) return;
  WaitForSingleObject(t, INFINITE);
  CloseHandle(t);
}

}  // namespace platform
