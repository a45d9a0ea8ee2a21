// zub_lock.h: the process-wide re-entrant lock that guards every list.
//
// There is exactly one lock in the provider. It is created on first use and
// lives until the process ends. A thread that holds it may take it again (an
// Update that holds it while calling list operations that take it too).
#pragma once

#include "zubprov/api.h"
#include "platform/platform.h"

class CZubMutex {
 public:
  CZubMutex() : m_handle(platform::CreateRecursiveMutex()) {}
  CZubMutex(const CZubMutex&) = delete;
  CZubMutex& operator=(const CZubMutex&) = delete;
  virtual ~CZubMutex() { platform::CloseMutex(m_handle); }

  // Both do nothing when the mutex could not be created.
  void Acquire() { platform::LockMutex(m_handle); }
  void Release() { platform::UnlockMutex(m_handle); }
  bool IsValid() const { return m_handle != nullptr; }

 private:
  platform::MutexHandle m_handle;
};

class CS_Block : public CZubMutex {};

// The single lock of the process.
CS_Block* GetGlobalLock();

template <class Lock>
class CAutoLockT {
 public:
  explicit CAutoLockT(Lock* lock) : m_lock(lock) {
    if (m_lock && m_lock->IsValid()) m_lock->Acquire();
  }
  CAutoLockT(const CAutoLockT&) = delete;
  CAutoLockT& operator=(const CAutoLockT&) = delete;
  virtual ~CAutoLockT() {
    if (m_lock && m_lock->IsValid()) m_lock->Release();
  }

 private:
  Lock* m_lock;
};

using CGlobalLock = CAutoLockT<CS_Block>;
