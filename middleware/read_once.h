// read_once.h: the middleware's answers, remembered until the RAID stack
// changes, so that a fact is read once per change and not once per class
// that needs it.
//
// Departure from the call pattern. Without this store every class re-reads
// what it needs (a full inventory asks the middleware for the same disk
// record dozens of times). With it, the list loads (list_loader.h) and the
// RAID-information queries (raid_info.cpp) answer from memory what the same
// call, with the same arguments, answered successfully since the last
// change: the handles of a kind in a scope, one object's record, one RAID
// level's record. Only those reads are remembered; sessions are opened only
// when something must really be asked. Everything the library computes from
// the answers is unchanged.
//
// What is never remembered: a call that failed (its next read asks again),
// the count of a listing whose count call failed, and anything read while a
// method changes the configuration (FreshScope).
//
// Freshness. Everything remembered is forgotten
//   - when the middleware signals a change: the store holds its own event
//     handle and polls it, without waiting, once at the start of each
//     request (the outermost list build on a thread) and at each list load
//     made outside any build; the event monitor also forgets as soon as its
//     wait returns, before it compares;
//   - when it is older than the maximum age (ZUB_READ_ONCE_MAX_AGE_MS,
//     default 2000 ms), for a change the middleware does not signal;
//   - around every method that changes the configuration (FreshScope: the
//     method reads and leaves fresh state), and when the middleware is
//     finalised.
// An answer read before a forget is never kept after it (each read carries
// the generation it began in).
//
// The switch: ZUB_READ_ONCE=0 in the environment (read at the first use) or
// SetReadOnce(false) turns the store off, and the library then makes exactly
// the calls it made without it (no event handle, no polls).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "middleware/abru2.h"

namespace zubmw {

// The switch and the maximum age; both take effect at the next read.
bool ReadOnceOn();
void SetReadOnce(bool on);
uint32_t ReadOnceMaxAgeMs();
void SetReadOnceMaxAgeMs(uint32_t ms);

// Drops everything remembered.
void Forget();
// Forgets when the middleware signalled a change since the last check or the
// oldest answer passed the maximum age; arms the store (gets its event
// handle) on first use. One middleware call (two the first time); none with
// the switch off or before the middleware is initialised.
void CheckForChanges();
// CheckForChanges once per outermost list build running on this thread, and
// at every call made outside a build: where every read begins.
void CheckOncePerRequest();
// Forgets, and releases the event handle (the middleware is being finalised,
// or a test starts from an empty store); the next check arms again.
void Disarm();

// What is remembered: bytes kept (answers, keys and an estimate of the
// container's own overhead), and the bytes of the middleware answers alone.
struct ReadOnceUse {
  size_t answers = 0;
  size_t keptBytes = 0;
  size_t answerBytes = 0;
};
ReadOnceUse ReadOnceInUse();

// One read: the call and up to three arguments.
struct ReadKey {
  uintptr_t call;
  uint64_t a = 0, b = 0, c = 0;
  bool operator<(const ReadKey& o) const;
};

// A middleware function as the call of a ReadKey.
template <class Function>
uintptr_t CallId(Function* f) {
  return reinterpret_cast<uintptr_t>(f);
}

// The store as one read sees it: usable or not, and the generation the read
// began in. Created before the read's first middleware call.
class Reading {
 public:
  Reading();
  bool Usable() const { return m_usable; }
  // Copies a remembered answer of exactly `size` bytes into `out`.
  bool Recall(const ReadKey& key, void* out, size_t size) const;
  bool Recall(const ReadKey& key, std::vector<SSI_HANDLE>* handles) const;
  // Keeps a successful answer, unless a forget came since this read began.
  void Keep(const ReadKey& key, const void* data, size_t size) const;
  void Keep(const ReadKey& key, const std::vector<SSI_HANDLE>& handles) const {
    Keep(key, handles.data(), handles.size() * sizeof(SSI_HANDLE));
  }

  // A record read through the store: the remembered answer, or the call's
  // (kept when it succeeded).
  template <class Record, class Ask>
  SSI_STATUS Read(const ReadKey& key, Record* out, Ask ask) const {
    if (m_usable && Recall(key, out, sizeof *out)) return SSI_STATUS_SUCCESS;
    const SSI_STATUS s = ask();
    if (m_usable && s == SSI_STATUS_SUCCESS) Keep(key, out, sizeof *out);
    return s;
  }

 private:
  // Hands the remembered answer to `take` under the store's lock (no copy of
  // it is made); false when there is none or `take` refuses it.
  template <class Take>
  bool RecallWith(const ReadKey& key, Take take) const;
  bool m_usable;
  uint64_t m_generation;
};

// While one exists (on any thread), nothing is recalled or kept; it forgets
// when it begins and when it ends. Every method that changes the
// configuration holds one.
class FreshScope {
 public:
  FreshScope();
  ~FreshScope();
  FreshScope(const FreshScope&) = delete;
  FreshScope& operator=(const FreshScope&) = delete;
};

}  // namespace zubmw
