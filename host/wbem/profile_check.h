// profile_check.h: `zubcim check`, what a conformance test does from
// outside. For each registered profile of the interop namespace it finds
// the profile's central instances and walks the profile's mandatory
// associations from them, reading through a CimAccess only (so it checks
// whatever a server serves: the library's records, and what the host adds).
//
// The profile knowledge is one table, ProfileTable(): a row per profile
// (by RegisteredName) with its central class, how its central instances are
// reached, the properties they must carry and the associations that must
// lead from them. The walk itself knows no profile:
// - An autonomous profile's central instances are reached from the profile
//   through the row's `reach` hops (the first one from the profile itself,
//   normally CIM_ElementConformsToProfile).
// - A component profile (the Antecedent of a CIM_ReferencedProfile whose
//   Dependent is another profile) is scoped by the central instances of
//   that autonomous profile: its `reach` hops start from those.
// - Either way, instances of the central class joined to the profile by
//   CIM_ElementConformsToProfile count as central instances too; a row
//   with no hops has only those.
// Checked on the way:
// - every instance reached carries its row's required properties (not NULL);
// - every association instance met on a hop (References) names instances
//   that exist (GetInstance finds them);
// - no two instances of a class met share a path (two controllers of one
//   name);
// - each profile has a central instance (unless its row says why it may
//   have none), and each instance a mandatory association starts from has
//   an instance at its end where it is marked `each`.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "host/wbem/cim_access.h"

namespace zubwbem {

// One association followed from an instance: the association class and the
// class (or a parent of it) of the instances it leads to.
struct Hop {
  const char* association;
  const char* result;
};

// A mandatory association of a profile's central instances, or of the
// instances an earlier one of the row leads to (`from`, that one's result
// class).
struct Follow {
  Hop hop;
  bool each;                          // every instance it starts from leads to one at least
  std::vector<const char*> required;  // properties of the instances it leads to
  const char* from = nullptr;         // null: from the central instances
};

// Which server a row is for: the client view (host/view) adds associations
// and properties, so a profile whose walk changes with it has a row for
// each; the others one for both.
enum class Served { Both, View, RecordsOnly };

struct ProfileRow {
  const char* registeredName;
  const char* central;                // the central class
  std::vector<Hop> reach;             // see above; empty: through CIM_ElementConformsToProfile only
  std::vector<const char*> required;  // properties of each central instance
  std::vector<Follow> mandatory;
  Served served = Served::Both;
  // Why the profile may have no central instance (null: it must have one),
  // as a pool where no controller has a free, healthy disk.
  const char* mayHaveNone = nullptr;
};

// The table (profile_table.cpp).
std::span<const ProfileRow> ProfileTable();

// What the walk found of one item of a profile (its central class, or one
// of its mandatory associations).
struct CheckItem {
  std::string name;  // "central CIM_ComputerSystem", "CIM_HostedService -> CIM_StorageConfigurationService"
  size_t checked = 0;  // instances checked
  size_t missing = 0;  // instances, associations or properties that should be there and are not
  size_t wrong = 0;    // duplicate or empty keys, references that resolve to nothing
};

struct ProfileResult {
  std::string name;     // RegisteredName
  std::string version;  // RegisteredVersion
  std::string path;     // the profile's path, Describe's form
  std::vector<CheckItem> items;
  std::vector<std::string> failures;  // one line each, naming the item and the instance

  bool Passed() const { return failures.empty(); }
};

// Walks every registered profile `access` serves in root/interop, in the
// order served, by the rows for a server with the client view (`view`) or
// without. Throws CimAccessError when the server cannot be read.
std::vector<ProfileResult> CheckProfiles(CimAccess& access, std::span<const ProfileRow> table, bool view);

// Whether the server at `access` serves the client view (its classes).
bool ServesClientView(CimAccess& access);

}  // namespace zubwbem
