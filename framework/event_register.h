// event_register.h: the event side of a class, as the monitor thread sees it.
//
// A class that reacts to middleware events derives (virtually, as its second
// base) from CEventRegisterInterface and fills its row of the registration
// table (events/event_registry.cpp). After each event the monitor calls, on
// every registered class in table order, DetectAlerts (and collects m_alerts
// when it returns true), then, in a second pass, RefreshAfterEvent.
//
// Two kinds of class register:
// - change-detecting classes (volumes, disks, software identity, pool) keep a
//   snapshot of their list; DetectAlerts rebuilds the list (Build: Update,
//   handing over what it read when it accounted for everything listed),
//   compares it with the snapshot and raises one alert per change
//   (framework/alert.h); RefreshAfterEvent makes that state the snapshot. Their Update builds the
//   list in one step (CListBuild), and the comparison uses the monitor's own
//   rebuild, so host threads listing the same classes at the same time
//   change no alert. The snapshot changes only there, never in Update, so a
//   host's Update between two events cannot hide a change from the next
//   comparison;
// - the others only re-read their list after an event: derive from
//   CRefreshAfterEventT<Self> and write nothing else.
//
// Everything here runs on the monitor thread while host threads may use the
// same objects: lists, snapshots and m_alerts change under the process-wide
// lock only.
#pragma once

#include <optional>
#include <variant>
#include <vector>

#include "framework/alert.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "framework/safe_array.h"

class CEventRegisterInterface {
 public:
  CEventRegisterInterface() = default;
  CEventRegisterInterface(const CEventRegisterInterface&) = delete;
  CEventRegisterInterface& operator=(const CEventRegisterInterface&) = delete;

  // Slot 0: the class's own Initialize; the state it reads is the first the
  // class compares with.
  virtual void InitializeForEvents() = 0;
  // Slot 1: after an event: whether alerts are pending in m_alerts.
  virtual bool DetectAlerts() = 0;
  // Slot 2: after every registered class detected: take the new state as the
  // one to compare with next time, and drop the collected alerts.
  virtual void RefreshAfterEvent() = 0;
  // Slot 3.
  virtual ~CEventRegisterInterface() = default;

  // Alerts the last DetectAlerts produced and the monitor has not collected.
  CSafeArrayT<stZUB_AlertIndication> m_alerts;
};

// RefreshAfterEvent (and the end of InitializeForEvents) of a change-detecting
// class: the instance list becomes the snapshot and the alerts are dropped,
// together under the process-wide lock.
template <class Record>
void StoreSnapshot(const CSafeArrayT<Record>& list, CArrayT<Record>* snapshot,
                   CSafeArrayT<stZUB_AlertIndication>* alerts) {
  CGlobalLock lock(GetGlobalLock());
  list.CopyTo(snapshot);
  alerts->RemoveAll();
}

// The event side of a change-detecting class. Self (the class) has
// Initialize, GetData,
//   // Update, also handing over what it read when the build was complete
//   // (CListBuild); *read stays empty otherwise.
//   PROVIDER_STATUS Build(std::optional<CListRead<Record>>* read);
//   void RaiseAlerts(const CArrayT<Record>& before, const CArrayT<Record>& now);
// which appends one alert per change to m_alerts. The snapshot it compares
// with changes only here, when the monitor takes a new state (not in the
// class's Update), so a host's Update between two events cannot hide a
// change from the monitor.
//
// A rebuild that stopped part way is compared over what it read: `before`
// is the snapshot without the records its gaps stand for, `now` the records
// it read, and the class's own passes (count-based ones included) run on
// those two. Changes of what it read are raised exactly once; what it did
// not reach raises nothing (no deleted and created pair), and its snapshot
// records stay, in their place, until a rebuild reads them again.
template <class Self, class Record>
class CDetectChangesT : public virtual CEventRegisterInterface {
 public:
  void InitializeForEvents() override {
    Owner().Initialize();
    TakeSnapshot();
  }
  // Compares what this very rebuild read (Build), not the instance list,
  // which a host's Update may have replaced meanwhile. A rebuild that says
  // nothing of what it missed leaves the snapshot as it was, and the event
  // that the change brings compares again.
  bool DetectAlerts() override {
    m_next.reset();
    std::optional<CListRead<Record>> read;
    Owner().Build(&read);
    if (!read) return false;
    CArrayT<Record> before, now, next;
    std::vector<bool> hidden(m_snapshot.GetCount(), false);
    for (const auto& entry : *read) {
      if (const Record* record = std::get_if<Record>(&entry)) {
        now.Add(*record);
        next.Add(*record);
        continue;
      }
      const CListGap<Record>& gap = std::get<CListGap<Record>>(entry);
      for (size_t i = 0; i < m_snapshot.GetCount(); ++i) {
        if (hidden[i] || (m_snapshot[i].*gap.field).Compare(gap.value) != 0) continue;
        hidden[i] = true;
        next.Add(m_snapshot[i]);
      }
    }
    for (size_t i = 0; i < m_snapshot.GetCount(); ++i) {
      if (!hidden[i]) before.Add(m_snapshot[i]);
    }
    m_next = std::move(next);
    Owner().RaiseAlerts(before, now);
    return m_alerts.GetCount() != 0;
  }
  // The state compared is the one taken: a change that reached a host's
  // listing after the comparison is still ahead of the snapshot.
  void RefreshAfterEvent() override {
    CGlobalLock lock(GetGlobalLock());
    if (m_next) m_snapshot = *m_next;
    m_alerts.RemoveAll();
  }

 private:
  Self& Owner() { return *static_cast<Self*>(this); }
  void TakeSnapshot() {
    CArrayT<Record> now;
    Owner().GetData(&now);
    CGlobalLock lock(GetGlobalLock());
    m_snapshot = now;
    m_alerts.RemoveAll();
  }

  CArrayT<Record> m_snapshot;             // the monitor thread's alone
  std::optional<CArrayT<Record>> m_next;  // the snapshot after the last DetectAlerts; the monitor thread's alone
};

// The event side of a class that re-reads its list after each event and
// raises no alert. Self is the class (it has Initialize and Update):
//   class CZubDAPort : public CZubClassT<CZubDAPortInterface, stZUB_DAPort>,
//                      public CRefreshAfterEventT<CZubDAPort> { ... };
template <class Self>
class CRefreshAfterEventT : public virtual CEventRegisterInterface {
 public:
  void InitializeForEvents() override { static_cast<Self*>(this)->Initialize(); }
  bool DetectAlerts() override { return false; }
  // Rebuilt once per refresh: another class's refresh may have rebuilt it
  // already (CSharedRebuilds).
  void RefreshAfterEvent() override {
    Self* self = static_cast<Self*>(this);
    if (CSharedRebuilds::FirstRebuild(self)) self->Update();
  }
};
