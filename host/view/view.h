// view.h: the client view, what a storage-management client needs on top of
// the library's records, computed in the host from what the library returns
// (its lists, read by the host's one request path, and its own methods; no
// other middleware call, no change to a record):
// - derived properties of the library's classes (a system's ElementName,
//   a volume's NumberOfBlocks, ...), each class's rules one table;
// - classes and associations of the host's own, each specialising a
//   standard class (a drive per disk extent, the system's pools, its
//   conformance to the Host Hardware RAID Controller profile, ...), each
//   one table, with the rule that makes its instances;
// - one method adapter, CreateOrModifyElementFromStoragePool on a
//   controller's storage configuration service (adapter.h).
// Everything here is JSON: a record is the library's record as ToJson gives
// it (internal fields too), a value is the JSON of the property's CIM type
// (NULL as null), a reference is a reference text as the library writes
// them. The front ends turn them into their own forms (the server's CIM
// values, zubcim's JSON); `--records-only` leaves the view out entirely.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/kit/record_json.h"

namespace zubview {

using zubcim::Json;

// Where the view reads the library: each class's records once per source
// (a request of the server, a command of zubcim), and the names every
// reference text carries.
class Source {
 public:
  virtual ~Source() = default;
  // The records of a catalogue class, in the library's order; empty when it
  // has none or its list cannot be read.
  virtual const std::vector<Json>& Records(std::string_view cls) = 0;
  // The computer name and namespace the library was handed ("root\corvo_zub").
  virtual const std::string& Host() const = 0;
  virtual const std::string& Namespace() const = 0;
};

// The source over the host's one request path (host/kit/requests.h).
class LibrarySource : public Source {
 public:
  LibrarySource(std::string host, std::string nameSpace) : m_host(std::move(host)), m_namespace(std::move(nameSpace)) {}
  const std::vector<Json>& Records(std::string_view cls) override;
  const std::string& Host() const override { return m_host; }
  const std::string& Namespace() const override { return m_namespace; }
  // Takes records a front end has just read for its own answer, so the view
  // computes on the very list it answers with (and reads it no second time).
  void Put(std::string_view cls, std::vector<Json> records);

 private:
  std::string m_host;
  std::string m_namespace;
  std::map<std::string, std::vector<Json>, std::less<>> m_records;
};

// One derived property: its name, CIM type ("uint16[]", "CIM_System ref"),
// the rule in words (docs/client-view.md, `zubcim --json classes`), and the
// rule itself, from the instance's row (below). null: the property is NULL.
struct Rule {
  const char* property;
  const char* cimType;
  const char* rule;
  Json (*value)(const Json& row, Source& source);
  bool weak = false;  // the value exists but does not mean what a client expects
};

// The derived properties of a library class: the row is its record.
struct DerivedClass {
  const char* name;
  std::span<const Rule> rules;
};

// A class of the view's own: every property it fills is a rule; `rows` makes
// one row (a JSON object, its own shape per class) per instance.
struct ViewClass {
  const char* name;
  const char* superclass;
  const char* nameSpace;  // "root/corvo_zub" or "root/interop"
  const char* description;
  const char* instances;  // which instances there are, in words
  std::vector<Json> (*rows)(Source& source);
  std::span<const Rule> rules;
};

std::span<const DerivedClass> DerivedClasses();
std::span<const ViewClass> ViewClasses();
// The derived rules of a library class; empty when it has none.
std::span<const Rule> DerivedRules(std::string_view cls);

// A rule as a class definition shows it: {"name", "type", "derived": true,
// "rule", "weak"}.
Json RuleJson(const Rule& rule);

// {property: value} of a row by a table; properties whose value is null are
// left out.
Json Evaluate(std::span<const Rule> rules, const Json& row, Source& source);

// A reference text as the library writes them: \\HOST\NAMESPACE:Class.K="v",...
// in the source's namespace, or in `nameSpace` ("root\Interop").
struct Key {
  const char* name;
  std::string value;
};
std::string RefText(const Source& source, std::string_view cls, std::initializer_list<Key> keys,
                    std::string_view nameSpace = {});

}  // namespace zubview
