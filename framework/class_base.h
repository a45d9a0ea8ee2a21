// class_base.h: what every CIM class implementation shares: its singleton,
// its instance list, the Initialize and GetData bodies, and the Update loop
// of a class with one record per middleware object. Implementation side
// only; a host sees the interfaces.
#pragma once

#include <atomic>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "framework/safe_array.h"
#include "zubprov/interfaces.h"

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
// way, they become the instance list under the process-wide lock, and only
// then does its class say it is initialised (UpdateDone). A GetData,
// another thread's Update of the same class or the event monitor then
// never sees a half-built list, nor the records of two builds mixed. A
// build that began before the one that last replaced the list read an older
// state of the middleware (or stopped part way on a change the newer one saw
// whole): it leaves the list as it is. Every class the monitor compares,
// reads while comparing or rebuilds in its refresh builds this way.
//
// What the monitor may compare. A build is complete when it accounted for
// every object the middleware listed: each one read, or named in a gap (a
// volume whose array lists no disk, the volumes after it, a disk whose
// record could not be read, the disks of a controller whose disks could not
// be listed). The monitor compares a complete build over what it read: the
// snapshot's records that a gap stands for are left out of the comparison
// and kept as they were, in their place, until a build reads them again
// (CDetectChangesT). So a condition that lasts (a volume that lists no disk)
// silences nothing but the elements it hides, and an object that went while
// the build read it is not reported gone before a build sees it gone. A
// build that knows nothing of what it missed (the first listing failed, a
// read besides the list failed, a build it ran on the way was not complete)
// is not complete: the monitor keeps its whole snapshot, and the event that
// the change brings compares again. A build that never calls SetComplete
// (the lists only hosts and the monitor's refresh rebuild) is not complete
// either: a build the monitor compares may rebuild only lists that say when
// they are.
class CListBuildBase {
 public:
  CListBuildBase(const CListBuildBase&) = delete;
  CListBuildBase& operator=(const CListBuildBase&) = delete;

  // Called by the build once every object listed was read or named in a gap.
  void SetComplete() { m_complete = true; }
  // Called when a read besides the list failed: the build is not complete
  // whatever else says so.
  void SetIncomplete() { m_incomplete = true; }

  // When the innermost build running on this thread makes the list at
  // `list`: sets *initialized once that build has put its list in place, and
  // returns true; false otherwise. A class's UpdateDone says it is
  // initialised through this: a thread that finds the class initialised
  // reads the list built, not the empty one a first build has not replaced
  // yet.
  static bool InitializedWhenPublished(const void* list, std::atomic<bool>* initialized);

  // A build that places the gaps of the builds it runs on the way itself
  // (the pools, per controller) calls this first; otherwise such a gap
  // leaves it incomplete.
  void PlacesInnerGaps() { m_placesInner = true; }
  // Whether a build run on the way left a gap about the controller with
  // this handle text.
  bool InnerGapAt(const CZubString& controller) const { return m_innerGaps.count(controller.Str()) != 0; }

 protected:
  // The builds running on one thread nest (a build that reads another
  // class's rebuilt list runs that class's build inside its own).
  explicit CListBuildBase(const void* list);
  // An incomplete build leaves the one around it incomplete; a complete one
  // hands it the controllers of its gaps.
  ~CListBuildBase();
  // After the list is in place.
  void SetInitialized() {
    if (m_initialized) *m_initialized = true;
  }
  bool Complete() const {
    return m_complete && !m_incomplete && (m_innerGaps.empty() || m_placesInner);
  }
  // Every gap names the controller it is about (empty: not known), for the
  // build around this one.
  void NoteGap(const CZubString& controller) {
    if (controller.GetLength() == 0) m_unplaced = true;
    else m_gapControllers.insert(controller.Str());
  }

 private:
  CListBuildBase* const m_outer;
  const void* m_listAddress = nullptr;
  std::atomic<bool>* m_initialized = nullptr;
  bool m_complete = false;
  bool m_incomplete = false;
  bool m_placesInner = false;
  bool m_unplaced = false;                   // a gap with no controller
  std::set<std::wstring> m_gapControllers;   // this build's gaps
  std::set<std::wstring> m_innerGaps;        // the gaps of builds run on the way
};

// The order in which list builds began (from 1); and the ticket of the build
// that last replaced the list at `list` (0 before any), to be used under the
// process-wide lock.
uint64_t NextBuildTicket();
// Which outermost list build runs on this thread: a number no earlier
// outermost build of the thread had, or 0 when none runs. A request a host
// makes of a class is one outermost build (and the builds it runs on the
// way), so the middleware room checks for changes once per number.
uint64_t OutermostBuildSerial();
uint64_t& NewestBuildOf(const void* list);

// A part of the middleware's list that a build did not read: it stands for
// the records (of the monitor's snapshot) whose `field` is `value`: a
// volume's by its handle, the disks of a controller by its handle.
template <class Record>
struct CListGap {
  CZubString Record::*field;
  CZubString value;
};

// What a complete build read, in the middleware's order: each entry a record
// it read, or a gap.
template <class Record>
using CListRead = std::vector<std::variant<Record, CListGap<Record>>>;

template <class Record>
class CListBuild : public CListBuildBase {
 public:
  // *read (when given) receives what a complete build read, and stays empty
  // otherwise.
  CListBuild(CSafeArrayT<Record>& list, std::optional<CListRead<Record>>* read)
      : CListBuildBase(&list), m_list(list), m_readOut(read), m_ticket(NextBuildTicket()) {}
  ~CListBuild() {
    CGlobalLock lock(GetGlobalLock());
    uint64_t& newest = NewestBuildOf(&m_list);
    if (m_ticket > newest) {
      newest = m_ticket;
      m_list = m_built;
    }
    SetInitialized();
    if (m_readOut && Complete()) *m_readOut = std::move(m_read);
  }
  // A record read: listed and compared.
  void Add(const Record& record) {
    m_built.Add(record);
    m_read.emplace_back(record);
  }
  // A record listed as the middleware left it (a record that could not be
  // read), which the monitor does not compare: `gap` says what it stands for.
  void AddUnread(const Record& record, CListGap<Record> gap, const CZubString& controller) {
    m_built.Add(record);
    Gap(std::move(gap), controller);
  }
  // What the build did not read, at its place in the list; `controller` is
  // the handle text of the controller it is about (empty when not known).
  void Gap(CListGap<Record> gap, const CZubString& controller) {
    m_read.emplace_back(std::move(gap));
    NoteGap(controller);
  }

 private:
  CSafeArrayT<Record>& m_list;
  std::optional<CListRead<Record>>* const m_readOut;
  const uint64_t m_ticket;
  CArrayT<Record> m_built;
  CListRead<Record> m_read;
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
  // `built` (when given) is marked complete after the last record when every
  // record was read (Wrapper::AllRead), and when the first load answered
  // that the middleware lists nothing (Wrapper::FoundNothing; a failed load
  // is not a complete "none").
  template <class Wrapper, class Load, class Visit>
  PROVIDER_STATUS ForEachListed(Wrapper& wrapper, Load load, Visit visit, CListBuildBase* built = nullptr) {
    return ForEachListed(wrapper, load, visit, built, nullptr);
  }

  // The same, for a build that names what it did not read: when the loop
  // ends early, `skipped(handle)` is called for the object where it stopped
  // and every one after it (adding their gaps), and the build is complete.
  template <class Wrapper, class Load, class Visit, class Skipped>
  PROVIDER_STATUS ForEachListed(Wrapper& wrapper, Load load, Visit visit, CListBuildBase* built, Skipped skipped) {
    const auto first = load(wrapper);
    if (wrapper.m_list.GetCount() == 0) {
      if (built && Wrapper::FoundNothing(first)) built->SetComplete();
      return PROVIDER_NOT_FOUND;
    }
    const auto stop = [&](PROVIDER_STATUS status) {
      if constexpr (!std::is_same_v<Skipped, std::nullptr_t>) {
        for (size_t i = wrapper.m_list.GetCursor(); i < wrapper.m_handles.GetCount(); ++i)
          skipped(wrapper.m_handles[i]);
        built->SetComplete();
      }
      return status;
    };
    do {
      if (!wrapper.m_bLoaded && load(wrapper) != 0) return stop(PROVIDER_FAILED);
      const auto item = *wrapper.m_list.GetCurrent();
      if (PROVIDER_STATUS s = visit(item); s != PROVIDER_SUCCESS) return stop(s);
    } while (wrapper.m_list.MoveNext());
    if (built && wrapper.AllRead()) built->SetComplete();
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
    if (!CListBuildBase::InitializedWhenPublished(&m_list, &this->m_bInitialized)) this->m_bInitialized = true;
    m_list.ResetCursor();
    return PROVIDER_SUCCESS;
  }

  CSafeArrayT<Record> m_list;
};
