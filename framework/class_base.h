// class_base.h: what every CIM class implementation shares: its singleton,
// its instance list, the Initialize and GetData bodies, and the Update loop
// of a class with one record per middleware object. Implementation side
// only; a host sees the interfaces.
#pragma once

#include <atomic>
#include <new>
#include <optional>
#include <type_traits>

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

// One build of an instance list that replaces the list in one step: the
// records go into the build's own array, and when the build ends, whichever
// way, they become the instance list under the process-wide lock. A
// GetData, another thread's Update of the same class or the event monitor
// then never sees a half-built list, nor the records of two builds mixed. A
// build that began before the one that last replaced the list read an older
// state of the middleware (or stopped part way on a change the newer one saw
// whole): it leaves the list as it is. Every class the monitor compares,
// reads while comparing or rebuilds in its refresh builds this way.
//
// A build is whole when it read every object the middleware listed (or the
// middleware listed none) and every build it ran on the way (another class's
// list it rebuilt) was whole too. Only a whole build is a state of the
// middleware the monitor may compare: one that ended part way, because an
// object went between its listing and its reading or a call failed, would
// show objects as gone. Such a build always meets a change or a failure, and
// the middleware signals a change, so the next event compares again. A build
// that never calls SetWhole (the lists only hosts and the monitor's refresh
// rebuild) counts as not whole: a build the monitor compares may rebuild
// only lists that say when they are whole.
class CListBuildBase {
 public:
  CListBuildBase(const CListBuildBase&) = delete;
  CListBuildBase& operator=(const CListBuildBase&) = delete;

  // Called by the build once it has read the whole list.
  void SetWhole() { m_whole = true; }
  // Called when a read besides the list failed: the build is not whole
  // whatever else says so.
  void SetIncomplete() { m_incomplete = true; }

 protected:
  // The builds running on one thread nest (a build that reads another
  // class's rebuilt list runs that class's build inside its own).
  CListBuildBase();
  // A build that was not whole leaves the one around it incomplete.
  ~CListBuildBase();
  bool Whole() const { return m_whole && !m_incomplete; }

 private:
  CListBuildBase* const m_outer;
  bool m_whole = false;
  bool m_incomplete = false;
};

// The order in which list builds began (from 1); and the ticket of the build
// that last replaced the list at `list` (0 before any), to be used under the
// process-wide lock.
uint64_t NextBuildTicket();
uint64_t& NewestBuildOf(const void* list);

template <class Record>
class CListBuild : public CListBuildBase {
 public:
  // *whole (when given) receives the records of a whole build, and stays
  // empty otherwise.
  CListBuild(CSafeArrayT<Record>& list, std::optional<CArrayT<Record>>* whole)
      : m_list(list), m_whole(whole), m_ticket(NextBuildTicket()) {}
  ~CListBuild() {
    CGlobalLock lock(GetGlobalLock());
    uint64_t& newest = NewestBuildOf(&m_list);
    if (m_ticket > newest) {
      newest = m_ticket;
      m_list = m_built;
    }
    if (m_whole && Whole()) *m_whole = m_built;
  }
  void Add(const Record& record) { m_built.Add(record); }

 private:
  CSafeArrayT<Record>& m_list;
  std::optional<CArrayT<Record>>* const m_whole;
  const uint64_t m_ticket;
  CArrayT<Record> m_built;
};

template <class Iface, class Record>
class CZubClassT : public virtual Iface {
 public:
  using RecordType = Record;

  // Update of a class built from one middleware list: empties the instance
  // list, loads `wrapper` with `load(wrapper)` and maps each of its records,
  // in the middleware's order, with `map` (a pure function of the record; it
  // may return std::optional to leave a record out), appending under the
  // process-wide lock. Statuses as ForEachListed.
  template <class Wrapper, class Load, class Map>
  PROVIDER_STATUS UpdateFromList(Wrapper& wrapper, Load load, Map map) {
    m_list.RemoveAll();
    return ForEachListed(wrapper, load, [&](const auto& item) {
      if constexpr (std::is_same_v<decltype(map(item)), Record>) {
        m_list.AddLocked(map(item));
      } else {
        if (std::optional<Record> rec = map(item)) m_list.AddLocked(*rec);
      }
      return PROVIDER_SUCCESS;
    });
  }

  // The same for a wrapper whose Load takes no scope (controllers, ports).
  template <class Wrapper, class Map>
  PROVIDER_STATUS UpdateFromList(Map map) {
    Wrapper wrapper;
    return UpdateFromList(wrapper, [](Wrapper& w) { return w.Load(); }, map);
  }

  // The loop behind UpdateFromList, for classes that append records
  // themselves (several per middleware object, or from a second list):
  // loads `wrapper`, then calls `visit(record)` for each of its records in
  // the middleware's order. Statuses:
  //   4  the wrapper holds nothing after the first load (whose own status is
  //      not examined: a failed load leaves an empty wrapper, "none");
  //   1  the wrapper was found not loaded inside the loop and reloading it
  //      failed (the records appended so far stay);
  //   a non-zero status of `visit`, which ends the loop;
  //   0  otherwise, and the class counts as initialised.
  // `built` (when given) is marked whole after the last record when every
  // record was read (Wrapper::AllRead), and when the first load answered
  // that the middleware lists nothing (Wrapper::FoundNothing; a failed load
  // is not a whole "none").
  template <class Wrapper, class Load, class Visit>
  PROVIDER_STATUS ForEachListed(Wrapper& wrapper, Load load, Visit visit, CListBuildBase* built = nullptr) {
    const auto first = load(wrapper);
    if (wrapper.m_list.GetCount() == 0) {
      if (built && Wrapper::FoundNothing(first)) built->SetWhole();
      return PROVIDER_NOT_FOUND;
    }
    do {
      if (!wrapper.m_bLoaded && load(wrapper) != 0) return PROVIDER_FAILED;
      const auto item = *wrapper.m_list.GetCurrent();
      if (PROVIDER_STATUS s = visit(item); s != PROVIDER_SUCCESS) return s;
    } while (wrapper.m_list.MoveNext());
    if (built && wrapper.AllRead()) built->SetWhole();
    return UpdateDone();
  }

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
