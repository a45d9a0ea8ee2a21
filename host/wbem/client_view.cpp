// client_view.cpp: the client view's classes and values in the server.
#include "host/wbem/client_view.h"

#include "host/wbem/provider_gate.h"

namespace zubwbem {
namespace {

using zubview::Json;

// "uint16[]" -> uint16, array; "CIM_System ref" -> a reference to CIM_System.
CimTyped TypedOfRule(const zubview::Rule& rule) {
  CimTyped typed;
  typed.name = rule.property;
  std::string type = rule.cimType;
  if (type.size() > 4 && type.ends_with(" ref")) {
    typed.type = CimType::Reference;
    typed.refClass = type.substr(0, type.size() - 4);
    return typed;
  }
  if (type.ends_with("[]")) {
    typed.array = true;
    type.resize(type.size() - 2);
  }
  typed.type = CimTypeOf(type);
  return typed;
}

std::string ElementText(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_boolean()) return value.get<bool>() ? "TRUE" : "FALSE";
  return value.dump();
}

// Sets the values of `rules` on an instance (by property name).
void SetValues(Instance& instance, const Json& values, const PathDefaults& defaults) {
  const std::vector<CimProperty>& properties = instance.cls->properties;
  for (size_t i = 0; i < properties.size(); ++i) {
    auto it = values.find(properties[i].name);
    if (it != values.end()) instance.values[i] = CimValueOf(properties[i], *it, defaults);
  }
}

}  // namespace

CimValue CimValueOf(const CimTyped& type, const Json& value, const PathDefaults& defaults) {
  CimValue out;
  if (value.is_null()) return out;
  out.null = false;
  const Json items = value.is_array() ? value : Json::array({value});
  for (const Json& item : items) {
    if (type.type != CimType::Reference) {
      out.items.push_back(ElementText(item));
      continue;
    }
    CimPath path = PathFromLibraryText(item.get<std::string>());
    if (path.host.empty()) path.host = defaults.host;
    if (path.ns.empty()) path.ns = SplitNamespace(defaults.nameSpace);
    out.refs.push_back(std::move(path));
  }
  return out;
}

void AddClientView(Schema& schema) {
  for (const zubview::ViewClass& view : zubview::ViewClasses())
    schema.AddHostClass(view.nameSpace, view.name, view.superclass, view.description);
  for (const zubview::DerivedClass& derived : zubview::DerivedClasses()) {
    const std::string& ns = NamespaceOfClass(derived.name);
    const CimClass* cls = schema.Find(ns, derived.name);
    if (!cls) continue;
    for (const zubview::Rule& rule : derived.rules) {
      if (cls->FindProperty(rule.property)) continue;
      CimProperty p;
      static_cast<CimTyped&>(p) = TypedOfRule(rule);
      p.classOrigin = cls->name;
      p.local = true;
      schema.AddProperty(ns, derived.name, std::move(p));
    }
  }
}

ViewInstances::ViewInstances(const Schema& schema, ProviderGate& gate)
    : m_schema(schema), m_gate(gate), m_source(gate.Defaults().host, [&] {
        std::string ns;
        for (const std::string& part : SplitNamespace(gate.Defaults().nameSpace)) ns += (ns.empty() ? "" : "\\") + part;
        return ns;
      }()) {}

const PathDefaults& ViewInstances::Defaults() const { return m_gate.Defaults(); }

bool ViewInstances::Derives(const CimClass& cls) { return cls.desc && !zubview::DerivedRules(cls.name).empty(); }

std::vector<Instance> ViewInstances::Served(const CimClass& cls) {
  std::vector<Json> records;
  std::vector<Instance> out = m_gate.List(cls, &records);
  const auto rules = zubview::DerivedRules(cls.name);
  for (size_t i = 0; i < out.size(); ++i) SetValues(out[i], zubview::Evaluate(rules, records[i], m_source), Defaults());
  m_source.Put(cls.name, std::move(records));
  return out;
}

const std::vector<Instance>& ViewInstances::Own(const CimClass& cls, const zubview::ViewClass& view) {
  auto it = m_own.find(&cls);
  if (it != m_own.end()) return it->second;
  std::vector<Instance> out;
  for (const Json& row : view.rows(m_source)) {
    Instance instance;
    instance.cls = &cls;
    instance.values.resize(cls.properties.size());
    SetValues(instance, zubview::Evaluate(view.rules, row, m_source), Defaults());
    instance.path = PathOf(cls, instance.values, Defaults().host);
    out.push_back(std::move(instance));
  }
  return m_own.emplace(&cls, std::move(out)).first->second;
}

std::vector<const Instance*> ViewInstances::Of(const CimClass& cls) {
  std::vector<const Instance*> out;
  for (const zubview::ViewClass& view : zubview::ViewClasses()) {
    const CimClass* own = m_schema.Find(cls.nameSpace, view.name);
    if (!own || !m_schema.IsA(*own, cls.name)) continue;
    for (const Instance& instance : Own(*own, view)) out.push_back(&instance);
  }
  return out;
}

std::vector<const Instance*> ViewInstances::In(const std::string& ns) {
  std::vector<const Instance*> out;
  for (const zubview::ViewClass& view : zubview::ViewClasses()) {
    const CimClass* own = m_schema.Find(ns, view.name);
    if (!own || CanonicalNamespace(view.nameSpace) != CanonicalNamespace(ns)) continue;
    for (const Instance& instance : Own(*own, view)) out.push_back(&instance);
  }
  return out;
}

std::vector<Instance> ListWithView(const Schema& schema, ProviderGate& gate, const CimClass& cls) {
  ViewInstances view(schema, gate);
  if (ViewInstances::Derives(cls)) return view.Served(cls);
  if (cls.desc) return gate.List(cls);
  std::vector<Instance> out;
  for (const Instance* instance : view.Of(cls)) out.push_back(*instance);
  return out;
}

}  // namespace zubwbem
