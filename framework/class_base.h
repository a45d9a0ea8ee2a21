// class_base.h: what every CIM class implementation shares: its singleton,
// its instance list, and the Initialize and GetData bodies. Implementation
// side only; a host sees the interfaces.
#pragma once

#include <atomic>
#include <new>

#include "framework/interfaces.h"

// The one object of Impl for the life of the process, created on first use.
// A failed allocation returns null and the next call tries again.
template <class Impl>
Impl* Singleton() {
  static std::atomic<Impl*> instance{nullptr};
  Impl* p = instance.load(std::memory_order_acquire);
  if (p) return p;
  CGlobalLock lock(GetGlobalLock());
  p = instance.load(std::memory_order_relaxed);
  if (!p) {
    p = new (std::nothrow) Impl();
    instance.store(p, std::memory_order_release);
  }
  return p;
}

// Initialize as every class has it: an association rebuilds every time; any
// class reads the middleware on its first call, and counts as initialised
// once that returned 0 or 4 (nothing to report is not a failure).
inline PROVIDER_STATUS SharedInitialize(CProviderInterfaceBase& self) {
  PROVIDER_STATUS status = PROVIDER_SUCCESS;
  if (self.m_bAssociation) status = self.Update();
  if (!self.m_bInitialized) {
    status = self.Update();
    if (status == PROVIDER_SUCCESS || status == PROVIDER_NOT_FOUND) self.m_bInitialized = true;
  }
  return status;
}

template <class Iface, class Record>
class CZubClassT : public virtual Iface {
 public:
  using RecordType = Record;

  PROVIDER_STATUS Initialize() override {
    PROVIDER_STATUS status = SharedInitialize(*this);
    m_list.ResetCursor();
    return status;
  }

  PROVIDER_STATUS GetData(CArrayT<Record>* out) override {
    if (!out) return PROVIDER_INVALID_PARAMETER;
    m_list.CopyTo(out);
    return PROVIDER_SUCCESS;
  }

 protected:
  // The end of every successful Update.
  PROVIDER_STATUS UpdateDone() {
    this->m_bInitialized = true;
    m_list.ResetCursor();
    return PROVIDER_SUCCESS;
  }

  CSafeArrayT<Record> m_list;
};
