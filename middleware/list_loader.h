// list_loader.h: the one enumeration algorithm behind every wrapper of
// wrappers.h (the six record lists, LoadVolumes and CRaidInfo::Load).
//
// Private to middleware/: the wrappers differ only in their handle call, in
// what they append per handle (a record fetched by the record call, or the
// handle itself) and in the scope types their Load accepts, so each of them
// is one call of LoadHandles (through LoadRecords for the record lists) with
// those three things.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "framework/safe_array.h"
#include "middleware/abru2.h"
#include "middleware/read_once.h"
#include "middleware/wrappers.h"

namespace zubmw {

// The shape of SsiGetXxxHandles; CRaidInfo adapts SsiGetRaidInfoHandles to it.
using HandleCall = SSI_STATUS (*)(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope, SSI_HANDLE* handles,
                                  uint32_t* count);

template <class Record>
using RecordCall = SSI_STATUS (*)(SSI_HANDLE session, SSI_HANDLE handle, Record* info);

// Scope types a Load accepts besides 0. Wrappers without scopes never look
// at the scope arguments; they always pass 0, 0 to the middleware.
struct ScopeSet {
  bool checked;
  uint32_t typeMask;  // bit t set: scope type t accepted

  // The type is compared before shifting: a caller may pass any 32-bit value.
  constexpr bool Accepts(uint32_t type) const { return type < 32 && ((typeMask >> type) & 1u) != 0; }
};

constexpr ScopeSet kNoScope{false, 0};
constexpr ScopeSet Scopes(std::initializer_list<uint32_t> types) {
  uint32_t mask = 0;
  for (uint32_t t : types) mask |= 1u << t;
  return ScopeSet{true, mask};
}

// The session of one load, opened at its first use: a load answered wholly
// from the read-once store asks the middleware nothing, not even a session.
class LazySession {
 public:
  SSI_STATUS Open() { return m_status = m_session.Open(); }
  // The session handle, opening it first; 0 when it cannot be opened (the
  // call made with it then fails like any other read).
  SSI_HANDLE Get() {
    if (m_session.Session() == 0 && m_status == SSI_STATUS_SUCCESS) Open();
    return m_session.Session();
  }

 private:
  CSsiBase m_session;
  SSI_STATUS m_status = SSI_STATUS_SUCCESS;
};

// Runs the algorithm. itemFor(reading, session, handle) yields the element
// appended for one handle; *listed (when given) receives the handle of each
// element, in the same order, together with the list; whenEmpty is what a
// count of 0 returns (0, or 10 for volumes). The handles of the listing come
// from the read-once store when it holds them. The session object lives on
// this frame, so every return below closes it.
template <class Item, class ItemFor>
SSI_STATUS LoadHandles(HandleCall handles, ScopeSet scopes, uint32_t scopeType, SSI_HANDLE scopeHandle,
                       SSI_STATUS whenEmpty, CSafeArrayT<Item>& list, bool& loaded, ItemFor itemFor,
                       CArrayT<SSI_HANDLE>* listed = nullptr) {
  if (scopes.checked && scopeType != SSI_SCOPE_ALL) {
    if (!scopes.Accepts(scopeType)) return WRAP_BAD_SCOPE;
    if (scopeHandle == 0) return WRAP_MISSING_ARGUMENT;
  }
  loaded = false;

  CheckOncePerRequest();
  const Reading reading;
  const ReadKey key{CallId(handles), scopeType, scopeHandle};
  LazySession session;
  std::vector<SSI_HANDLE> found;
  if (!(reading.Usable() && reading.Recall(key, &found))) {
    if (SSI_STATUS s = session.Open(); s != SSI_STATUS_SUCCESS) return s;
    // Only the count matters here; a middleware that fails this call reports
    // no count and so nothing to load (and that is not remembered).
    uint32_t count = 0;
    const SSI_STATUS counted = handles(session.Get(), scopeType, scopeHandle, nullptr, &count);
    if (count == 0) {
      if (counted == SSI_STATUS_SUCCESS && reading.Usable()) reading.Keep(key, found);
      return whenEmpty;
    }
    CAllocPtrT<SSI_HANDLE> buffer(count);
    if (buffer.Get() == nullptr) return WRAP_NO_BUFFER;
    const size_t allocated = buffer.GetCount();
    if (SSI_STATUS s = handles(session.Get(), scopeType, scopeHandle, buffer.Get(), &count);
        s != SSI_STATUS_SUCCESS) {
      return s;
    }
    // The count may have grown since the buffer was sized; the extra entries
    // have no handle of their own and repeat the last one we hold.
    found.reserve(count);
    for (uint32_t i = 0; i < count; ++i) found.push_back(buffer[i < allocated ? i : allocated - 1]);
    if (reading.Usable()) reading.Keep(key, found);
  }
  if (found.empty()) return whenEmpty;

  list.RemoveAll();
  if (listed) listed->RemoveAll();
  for (const SSI_HANDLE h : found) {
    list.AddLocked(itemFor(reading, session, h));
    if (listed) listed->Add(h);
  }
  loaded = true;
  return SSI_STATUS_SUCCESS;
}

// The common case: one record per handle, read by the record call (or
// recalled). Its status is deliberately ignored: a record that could not be
// read still takes its place in the list, zero-filled, so positions match
// handles.
template <class Record>
SSI_STATUS LoadRecords(HandleCall handles, RecordCall<Record> record, ScopeSet scopes, uint32_t scopeType,
                       SSI_HANDLE scopeHandle, SSI_STATUS whenEmpty, CSafeArrayT<Record>& list, bool& loaded,
                       CArrayT<SSI_HANDLE>* listed) {
  return LoadHandles(
      handles, scopes, scopeType, scopeHandle, whenEmpty, list, loaded,
      [record](const Reading& reading, LazySession& session, SSI_HANDLE h) {
        Record info{};
        reading.Read(ReadKey{CallId(record), h}, &info,
                     [&] { return record(session.Get(), h, &info); });
        return info;
      },
      listed);
}

}  // namespace zubmw
