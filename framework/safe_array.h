// safe_array.h: CSafeArrayT, the library's shared lists: a CArrayT whose
// operations take the process-wide lock themselves.
#pragma once

#include "framework/zub_lock.h"
#include "zubprov/zub_array.h"

// The shared lists: each of these operations holds the process-wide lock for
// its own duration. Composite changes (clear and refill, append a record)
// are made by the caller under CGlobalLock.
template <class T>
class CSafeArrayT : public CArrayT<T> {
  using Base = CArrayT<T>;

 public:
  CSafeArrayT() = default;
  CSafeArrayT(const CSafeArrayT& other) : Base() {
    CGlobalLock lock(GetGlobalLock());
    Base::operator=(other);
  }
  CSafeArrayT& operator=(const CArrayT<T>& other) {
    CGlobalLock lock(GetGlobalLock());
    Base::operator=(other);
    return *this;
  }
  CSafeArrayT& operator=(const CSafeArrayT& other) { return *this = static_cast<const Base&>(other); }

  void RemoveAll() {
    CGlobalLock lock(GetGlobalLock());
    Base::RemoveAll();
  }
  size_t GetCount() const {
    CGlobalLock lock(GetGlobalLock());
    return Base::GetCount();
  }
  T* GetCurrent() {
    CGlobalLock lock(GetGlobalLock());
    return Base::GetCurrent();
  }
  bool MoveNext() {
    CGlobalLock lock(GetGlobalLock());
    return Base::MoveNext();
  }
  void ResetCursor() {
    CGlobalLock lock(GetGlobalLock());
    Base::ResetCursor();
  }
  void SetCurrentOrAdd(const T& item) {
    CGlobalLock lock(GetGlobalLock());
    Base::SetCurrentOrAdd(item);
  }
  // Appends one element under the lock.
  void AddLocked(const T& item) {
    CGlobalLock lock(GetGlobalLock());
    Base::Add(item);
  }
  // A copy taken under the lock, so a copy racing a rebuild on another
  // thread sees the empty list or a prefix of the new records.
  void CopyTo(CArrayT<T>* out) const {
    CGlobalLock lock(GetGlobalLock());
    *out = *this;
  }
};

