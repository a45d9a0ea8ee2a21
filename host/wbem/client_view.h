// client_view.h: the client view (host/view) in the server. Its classes join
// the schema as classes of the host's own, a derived property a standard
// class lacks joins its library class as a property of its own; and for
// each request the view's values become CIM values: the derived properties
// on the library's instances (computed on the very records answered with),
// the view's own instances, and its method adapter. `zubcim serve
// --records-only` uses none of this.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/cim/records.h"
#include "host/cim/schema.h"
#include "host/view/view.h"

namespace zubwbem {

class ProviderGate;

// Adds the view's classes, and each derived property a library class lacks
// (with its rule's CIM type), to the schema.
void AddClientView(Schema& schema);

// The view for one request: each library class read at most once.
class ViewInstances {
 public:
  ViewInstances(const Schema& schema, ProviderGate& gate);

  // Whether the class has derived properties (then Served lists it).
  static bool Derives(const CimClass& cls);
  // The library's instances of a class with derived properties, with their
  // values.
  std::vector<Instance> Served(const CimClass& cls);
  // The view's own instances that are `cls` or below it; of a namespace.
  std::vector<const Instance*> Of(const CimClass& cls);
  std::vector<const Instance*> In(const std::string& ns);

  zubview::LibrarySource& Source() { return m_source; }
  const PathDefaults& Defaults() const;

 private:
  const std::vector<Instance>& Own(const CimClass& cls, const zubview::ViewClass& view);

  const Schema& m_schema;
  ProviderGate& m_gate;
  zubview::LibrarySource m_source;
  std::map<const CimClass*, std::vector<Instance>> m_own;
};

// The instances of `cls` as one request with the view lists them: a library
// class's records with its derived properties, a class of the view's own
// its instances (copies), any other class as the gate lists it. May throw
// as the gate does.
std::vector<Instance> ListWithView(const Schema& schema, ProviderGate& gate, const CimClass& cls);

// A view value (JSON, references as the library's texts) as the CIM value
// of a property of that type.
CimValue CimValueOf(const CimTyped& type, const zubview::Json& value, const PathDefaults& defaults);

}  // namespace zubwbem
