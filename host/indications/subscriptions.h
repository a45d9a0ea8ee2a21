// subscriptions.h: the indication subscriptions of clients: the instances of
// CIM_IndicationFilter, CIM_ListenerDestinationCIMXML and
// CIM_IndicationSubscription created in the interop namespace, which the
// server keeps itself (the library knows nothing of them). With a file they
// are kept there as JSON, rewritten whole and atomically (a temporary file,
// flushed to disk, renamed over the old one) on every change, so that they
// outlive a restart. Delivery (indications.h) asks which listeners an alert
// class goes to and whether a listener still wants an indication, and says
// when one failed fatally; the CIM operations (interop_ops.cpp) create,
// list, modify and delete. Every call may come from any thread.
//
// What the server promises of a subscription:
// - Its life: SubscriptionStartTime is the datetime (UTC) of its creation;
//   with a SubscriptionDuration (seconds; absent or NULL: no end; 0 is
//   refused) it expires that many seconds later. An expired subscription
//   selects nothing, and every call of the store first removes the expired
//   ones (from memory and the file). SubscriptionTimeRemaining, the seconds
//   left rounded up, is computed for each List. Both are the server's: what
//   a client gives for them is ignored.
// - Its state: SubscriptionState 2 (enabled, the default) delivers; a
//   client's ModifyInstance may set it to 2 or 4 (disabled), and nothing
//   else of a subscription.
// - A fatal failure of delivery (delivery.h says when) is met as its
//   OnFatalErrorPolicy says: 2 Ignore (the default, also for 1 Other) keeps
//   it, 3 Disable sets its state to 4, 4 Remove deletes it.
// - A destination's PersistenceType is the truth: 2 (Permanent) when the
//   store has a file, 3 (Transient) when it keeps them in memory only; a
//   client's value (and OtherPersistenceType) is replaced by it.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/cim/cim_model.h"
#include "host/cim/schema.h"

namespace zubwbem {

// One kept instance: its class, path and the values a client gave (by
// lower-case property name; keys are filled in when left out). A
// subscription also carries the indication class its filter's query
// selects (and the classes its SourceInstance must be, see FilterQuery),
// found when it was made, and when it started.
struct KeptInstance {
  const CimClass* cls = nullptr;
  CimPath path;
  std::map<std::string, CimValue> values;
  std::string selects;
  std::vector<std::string> sourceIsa;
  std::chrono::system_clock::time_point started{};

  const CimValue* Value(std::string_view property) const;
};

// A listener's address, from a destination's text
// "http://host[:port][/path]" (no scheme means http; https is accepted).
struct ListenerAddress {
  std::string scheme;  // "http" or "https"
  std::string host;    // an IPv6 address keeps its brackets
  int port = 0;
  std::string path;    // "/" when the text has none
  std::string Origin() const { return scheme + "://" + host + ":" + std::to_string(port); }
};
std::optional<ListenerAddress> ParseDestination(std::string_view text);

// What a filter query selects: an indication class and, for life-cycle
// indications (CIM_InstIndication and below), the classes one of which its
// SourceInstance must be (none: any instance).
struct FilterQuery {
  std::string cls;
  std::vector<std::string> sourceIsa;
};
// "SELECT * FROM <class>", optionally followed by
// "WHERE SourceInstance ISA <class> [OR SourceInstance ISA <class>]..."
// (any case, any spacing, an optional ';'); nothing for any other query.
std::optional<FilterQuery> ReadFilterQuery(std::string_view query);
// The class a filter query "SELECT * FROM <class>" without a WHERE clause
// selects; nothing for any other query.
std::optional<std::string> SelectedClass(std::string_view query);

// A listener an indication goes to: one destination instance.
struct Target {
  std::string key;          // the destination's path as Describe writes it
  std::string destination;  // its Destination text
};

// What a fatal failure of delivery did to the subscriptions of a listener.
struct FatalOutcome {
  std::string text;      // for the log line: each subscription and what became of it
  bool changed = false;  // one was disabled or removed
};

class SubscriptionStore {
 public:
  // The time subscriptions start and expire by.
  using Clock = std::function<std::chrono::system_clock::time_point()>;

  // `host` is the SystemName given to filters and destinations that leave
  // it out; `file` empty keeps the subscriptions in memory only; `clock`
  // empty is the system's.
  SubscriptionStore(const Schema& schema, std::string host, std::string file, Clock clock = {});

  // Reads the file, when it exists. A subscription the file keeps without
  // a start time starts now; what that or expiry changes is written at
  // once. False, with *error naming the file and the fault, when it cannot
  // be read, does not hold what Save writes, or cannot be written then.
  bool Load(std::string* error);
  const std::string& File() const { return m_file; }

  // The query of a filter the store does not keep (the provider's own
  // ZUB_IndicationFilter instances); nothing when there is no such filter.
  using ProviderFilterQuery = std::function<std::optional<std::string>(const CimClass& cls, const CimPath& path)>;

  // Checks a new instance of a kept class, fills the keys a client may leave
  // out (CreationClassName, SystemCreationClassName "CIM_ComputerSystem",
  // SystemName; a subscription's SubscriptionState 2) and what is the
  // server's (above), keeps and saves it; returns its path. `values` holds
  // the client's properties by any-case name. Throws CimFault: 11 when it
  // exists already; 14 a filter's query language other than WQL or CQL; 15
  // a query that selects no indication class, or a WHERE clause on another
  // class than a life-cycle indication or naming an unknown class; 4 an unknown property, a
  // value of the wrong type, a missing Name or Destination, a filter whose
  // source namespaces leave out root/corvo_zub, a subscription naming a
  // filter or destination that does not exist, a SubscriptionDuration of 0,
  // an OnFatalErrorPolicy other than 1 to 4; 7 a destination protocol other
  // than CIM-XML; 1 when the file cannot be written (nothing is kept then).
  CimPath Create(const CimClass& cls, const std::map<std::string, CimValue>& values, const ProviderFilterQuery& providerFilter);

  // Throws CimFault: 6 when there is no such instance; 1 for a filter or
  // destination a subscription still names, or when the file cannot be
  // written (the instance stays then).
  void Delete(const CimClass& cls, const CimPath& path);

  // A client's ModifyInstance of a subscription: `values` (any-case names)
  // may change SubscriptionState to 2 or 4; the server's properties are
  // ignored; any other property must keep its value. Saves. Throws
  // CimFault: 6 when there is no such subscription; 7 for another class, or
  // a change to another property; 4 an unknown property, a value of the
  // wrong type, a state other than 2 or 4 (NULL too); 1 when the file
  // cannot be written (the state stays then).
  void Modify(const CimClass& cls, const CimPath& path, const std::map<std::string, CimValue>& values);

  // The kept instances of exactly `cls`, oldest first; subscriptions with
  // their SubscriptionTimeRemaining of now.
  std::vector<KeptInstance> List(const CimClass& cls);

  // The listeners of the enabled subscriptions (state 2) whose filter
  // selects `indicationClass` or one of its parents, each listener once.
  // `sourceClass` is the class of a life-cycle indication's SourceInstance
  // (empty for an alert): a filter with an ISA condition selects it only
  // when it is one of the condition's classes or below.
  std::vector<Target> TargetsOf(std::string_view indicationClass, std::string_view sourceClass = {});

  // Whether the listener `key` (a Target's) still has an enabled
  // subscription that selects `indicationClass` (of `sourceClass`).
  bool Wants(const std::string& key, std::string_view indicationClass, std::string_view sourceClass = {});

  // An indication of `indicationClass` failed fatally on its way to the
  // listener `key`: each enabled subscription of that listener that selects
  // it meets the failure as its OnFatalErrorPolicy says (above); a change is
  // saved (a file that cannot be written is said in the text; the change
  // stays).
  FatalOutcome FatalFailure(const std::string& key, std::string_view indicationClass,
                            std::string_view sourceClass = {});

  // Called, with no lock held, with the key of each destination deleted.
  void OnDestinationDeleted(std::function<void(const std::string& key)> observer) {
    m_destinationDeleted = std::move(observer);
  }
  // Called, with no lock held, with a line for the log for each
  // subscription that expired (and what could not be saved then).
  void OnNotice(std::function<void(const std::string& line)> observer);

 private:
  class Notices;
  const CimClass& Class(const char* name) const;
  const KeptInstance* FindLocked(const CimClass& cls, const CimPath& path) const;
  void CheckFilter(KeptInstance& filter) const;
  void CheckSubscription(KeptInstance& subscription, const ProviderFilterQuery& providerFilter) const;
  bool SelectsLocked(const KeptInstance& subscription, const CimClass* alert, std::string_view indicationClass,
                     std::string_view sourceClass) const;
  const KeptInstance* HandlerLocked(const KeptInstance& subscription) const;
  void ExpireLocked(Notices& notices);
  bool SaveLocked(std::string* error) const;

  const Schema& m_schema;
  std::string m_host;
  std::string m_file;
  Clock m_clock;
  mutable std::mutex m_mutex;
  std::vector<KeptInstance> m_instances;
  std::function<void(const std::string&)> m_destinationDeleted;
  std::function<void(const std::string&)> m_notice;  // under m_mutex
};

// A CIM datetime of a UTC time, yyyymmddhhmmss.mmmmmm+000, and the time a
// CIM datetime (any UTC offset, years 1970 to 2200) names; nothing for an
// interval or a text that is not such a datetime.
std::string CimDateTime(std::chrono::system_clock::time_point time);
std::optional<std::chrono::system_clock::time_point> ReadCimDateTime(std::string_view text);

}  // namespace zubwbem
