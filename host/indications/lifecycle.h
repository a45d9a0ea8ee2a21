// lifecycle.h: life-cycle indications of the volumes, pools and disks
// (CIM_InstCreation, CIM_InstDeletion, CIM_InstModification), made by the
// host. The library compares its volume, disk and pool records after each
// event of the RAID stack and raises an alert for what changed; the host
// takes each batch of alerts as the sign that the stack changed, lists the
// same classes again (their records as the server serves them) and compares
// them with its previous listing, by path:
// - a path listed now and not before: a creation, SourceInstance the new
//   instance;
// - a path listed before and not now: a deletion, SourceInstance the
//   instance as last listed;
// - a path listed both times with a property of another value: a
//   modification, SourceInstance the instance now, PreviousInstance as it
//   was, ChangedPropertyNames the properties that differ.
// The lister lists them as the server serves them: with the client view,
// its derived properties are part of each instance (and so of what is
// compared), and the view's drives are watched beside the disk extents.
// A volume's DeviceID holds its name, so a rename is a deletion and a
// creation. A class whose listing fails keeps its previous listing and is
// compared again at the next batch. The library's alerts are untouched.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "host/cim/records.h"
#include "host/cim/schema.h"

namespace zubwbem {

// The classes whose instances are watched, in the order compared.
std::span<const char* const> LifeCycleClasses();

// The three indication classes.
extern const char* const kInstCreation;      // "CIM_InstCreation"
extern const char* const kInstDeletion;      // "CIM_InstDeletion"
extern const char* const kInstModification;  // "CIM_InstModification"

struct LifeCycleEvent {
  const char* indicationClass = nullptr;  // one of the three
  Instance source;
  std::optional<Instance> previous;       // a modification's instance before
  std::vector<std::string> changed;       // a modification's changed properties, in the class's order
};

class LifeCycleWatch {
 public:
  // The instances of a class as the server lists them; may throw.
  using Lister = std::function<std::vector<Instance>(const CimClass& cls)>;

  LifeCycleWatch(const Schema& schema, Lister lister);

  // Lists the watched classes and returns what changed since the previous
  // call, class by class (creations, deletions, then modifications, each in
  // listing order). The first call only takes the listing in.
  std::vector<LifeCycleEvent> Compare();

 private:
  const Schema& m_schema;
  Lister m_lister;
  std::vector<const CimClass*> m_classes;
  std::map<const CimClass*, std::vector<Instance>> m_last;  // a class is here once listed
};

}  // namespace zubwbem
