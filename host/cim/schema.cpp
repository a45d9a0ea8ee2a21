// schema.cpp: class definitions from catalogue rows and record descriptions.
#include "host/cim/schema.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "framework/alert.h"
#include "host/cim/cim_model.h"
#include "host/kit/wide_text.h"

namespace zubwbem {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

const StandardClass* FindStandard(std::string_view name) {
  for (const StandardClass& s : StandardClasses()) {
    if (EqualsNoCase(s.name, name)) return &s;
  }
  return nullptr;
}

CimMethod MethodOf(const RecordDesc& record, const MethodDesc& method) {
  CimMethod out;
  out.name = method.name;
  out.desc = &method;
  if (const FieldDesc* ret = ReturnValueField(record)) out.returnType = TypedOf(*ret).type;
  for (const ParameterDesc& p : MethodParameters(record, method.name)) {
    CimParameter param;
    static_cast<CimTyped&>(param) = TypedOf(*p.field);
    param.in = p.field->direction == Direction::In || p.field->direction == Direction::InOut;
    param.out = p.field->direction == Direction::Out || p.field->direction == Direction::InOut;
    param.param = p;
    out.params.push_back(std::move(param));
  }
  return out;
}

CimClass ClassOf(const ClassDesc& desc) {
  CimClass cls;
  cls.name = desc.name;
  cls.superclass = desc.superclass ? desc.superclass : "";
  cls.description = desc.description ? desc.description : "";
  cls.nameSpace = NamespaceOfClass(desc.name);
  cls.association = desc.association;
  cls.desc = &desc;
  const RecordDesc& record = desc.record();
  for (const FieldDesc& f : record.fields) {
    if (!f.IsProperty()) continue;
    CimProperty p;
    static_cast<CimTyped&>(p) = TypedOf(f);
    p.key = f.key != 0;
    p.field = &f;
    cls.properties.push_back(std::move(p));
  }
  for (const FieldDesc* key : KeyFields(record)) {
    for (size_t i = 0; i < cls.properties.size(); ++i) {
      if (cls.properties[i].field == key) cls.keys.push_back(i);
    }
  }
  for (const MethodDesc& m : desc.methods) {
    if (std::strcmp(m.name, "PutData") == 0) cls.putData = &m;  // ModifyInstance, not a CIM method
    else cls.methods.push_back(MethodOf(record, m));
  }
  return cls;
}

}  // namespace

CimTyped TypedOf(const FieldDesc& field) {
  static const std::pair<const char*, CimType> kNames[] = {
      {"string", CimType::String}, {"boolean", CimType::Boolean}, {"uint8", CimType::UInt8},
      {"uint16", CimType::UInt16}, {"uint32", CimType::UInt32},   {"uint64", CimType::UInt64},
      {"sint8", CimType::SInt8},   {"sint16", CimType::SInt16},   {"sint32", CimType::SInt32},
      {"sint64", CimType::SInt64}, {"datetime", CimType::DateTime}, {"ref", CimType::Reference},
  };
  CimTyped out;
  out.name = field.CimName();
  std::string name = CimTypeName(field);  // the library's own reading of the description
  if (name.size() > 2 && name.compare(name.size() - 2, 2, "[]") == 0) {
    out.array = true;
    name.resize(name.size() - 2);
  }
  for (const auto& [text, type] : kNames) {
    if (name == text) out.type = type;
  }
  if (field.reference) out.refClass = field.reference;
  return out;
}

const CimProperty* CimClass::FindProperty(std::string_view wanted) const {
  for (const CimProperty& p : properties) {
    if (EqualsNoCase(p.name, wanted)) return &p;
  }
  return nullptr;
}

const CimMethod* CimClass::FindMethod(std::string_view wanted) const {
  for (const CimMethod& m : methods) {
    if (EqualsNoCase(m.name, wanted)) return &m;
  }
  return nullptr;
}

Schema::Schema(std::span<const ClassDesc> catalog) {
  m_classes[ClassNs()];
  m_classes[InteropNs()];
  // Before the catalogue: its ZUB_IndicationFilter specialises the filter
  // class, which must then be the full definition.
  AddKeptClasses();
  AddIndicationClasses();
  for (const ClassDesc& desc : catalog) {
    CimClass cls = ClassOf(desc);
    const std::string ns = cls.nameSpace;
    const std::string super = cls.superclass;
    m_servedOrder.emplace_back(ns, Lower(cls.name));
    m_classes[ns][Lower(cls.name)] = std::move(cls);
    if (!super.empty()) AddStandardChain(ns, super);
  }
}

void Schema::AddStandardChain(const std::string& ns, const std::string& name) {
  auto& classes = m_classes[ns];
  std::string current = name;
  for (int depth = 0; !current.empty() && depth < 32; ++depth) {
    if (classes.count(Lower(current))) return;
    CimClass cls;
    cls.name = current;
    cls.nameSpace = ns;
    const StandardClass* standard = FindStandard(current);
    if (!standard && m_problem.empty())
      m_problem = "the standard class " + current + " is not in the server's table of CIM classes";
    cls.superclass = standard && standard->parent ? standard->parent : "";
    cls.association = standard && standard->association;
    cls.description = "Standard DMTF class; its definition is the CIM schema's";
    current = cls.superclass;
    classes[Lower(cls.name)] = std::move(cls);
  }
}

void Schema::AddKeptClasses() {
  for (const KeptClass& kept : KeptClasses()) {
    CimClass cls;
    cls.name = kept.name;
    cls.superclass = kept.parent ? kept.parent : "";
    cls.description = "Standard DMTF class; the server keeps the instances clients create";
    cls.nameSpace = InteropNs();
    cls.association = kept.association;
    cls.kept = true;
    for (const KeptProperty& k : kept.properties) {
      CimProperty p;
      p.name = k.name;
      p.type = k.type;
      p.array = k.array;
      p.refClass = k.refClass ? k.refClass : "";
      p.key = k.key;
      if (k.key) cls.keys.push_back(cls.properties.size());
      cls.properties.push_back(std::move(p));
    }
    m_classes[InteropNs()][Lower(cls.name)] = std::move(cls);
    if (kept.parent) AddStandardChain(InteropNs(), kept.parent);
  }
}

void Schema::AddIndicationClasses() {
  // Every alert class carries the alert record's properties, after the two
  // every indication has (identity and time of delivery).
  std::vector<CimProperty> properties(2);
  properties[0].name = "IndicationIdentifier";
  properties[1].name = "IndicationTime";
  properties[1].type = CimType::DateTime;
  for (const FieldDesc& f : stZUB_AlertIndication::Describe().fields) {
    if (!f.IsProperty()) continue;
    CimProperty p;
    static_cast<CimTyped&>(p) = TypedOf(f);
    p.field = &f;
    properties.push_back(std::move(p));
  }
  auto& classes = m_classes[ClassNs()];
  for (const IndicationClassDesc& desc : IndicationClasses()) {
    CimClass cls;
    cls.name = zubcim::ToUtf8(desc.name);
    cls.superclass = zubcim::ToUtf8(desc.superclass);
    cls.description = "An alert of the RAID stack, delivered to indication listeners";
    cls.nameSpace = ClassNs();
    cls.indication = true;
    cls.properties = properties;
    classes[Lower(cls.name)] = std::move(cls);
  }
  // Parents after all: an alert class may specialise another alert class.
  for (const IndicationClassDesc& desc : IndicationClasses())
    AddStandardChain(ClassNs(), zubcim::ToUtf8(desc.superclass));
}

std::vector<const CimClass*> Schema::Kept(std::string_view ns, std::string_view name) const {
  std::vector<const CimClass*> out;
  for (const KeptClass& kept : KeptClasses()) {
    const CimClass* cls = Find(ns, kept.name);
    if (cls && IsA(*cls, name)) out.push_back(cls);
  }
  return out;
}

bool Schema::HasNamespace(std::string_view ns) const { return m_classes.count(CanonicalNamespace(ns)) > 0; }

const CimClass* Schema::Find(std::string_view ns, std::string_view name) const {
  auto space = m_classes.find(CanonicalNamespace(ns));
  if (space == m_classes.end()) return nullptr;
  auto cls = space->second.find(Lower(name));
  return cls == space->second.end() ? nullptr : &cls->second;
}

std::vector<const CimClass*> Schema::ClassesIn(std::string_view ns) const {
  std::vector<const CimClass*> out;
  auto space = m_classes.find(CanonicalNamespace(ns));
  if (space == m_classes.end()) return out;
  std::vector<std::pair<int, const CimClass*>> ranked;
  for (const auto& [key, cls] : space->second) {
    int depth = 0;
    for (const CimClass* c = &cls; !c->superclass.empty() && depth < 32; ++depth) {
      const CimClass* parent = Find(ns, c->superclass);
      if (!parent) break;
      c = parent;
    }
    ranked.emplace_back(depth, &cls);
  }
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& r : ranked) out.push_back(r.second);
  return out;
}

bool Schema::IsA(const CimClass& cls, std::string_view ancestor) const {
  const CimClass* c = &cls;
  for (int depth = 0; c && depth < 32; ++depth) {
    if (EqualsNoCase(c->name, ancestor)) return true;
    if (c->superclass.empty()) return false;
    c = Find(c->nameSpace, c->superclass);
  }
  return false;
}

std::vector<const CimClass*> Schema::Served(std::string_view ns, std::string_view name) const {
  std::vector<const CimClass*> out;
  for (const CimClass* cls : Served(ns)) {
    if (IsA(*cls, name)) out.push_back(cls);
  }
  return out;
}

std::vector<const CimClass*> Schema::Served(std::string_view ns) const {
  std::vector<const CimClass*> out;
  const std::string canonical = CanonicalNamespace(ns);
  for (const auto& [space, name] : m_servedOrder) {
    if (space == canonical) out.push_back(&m_classes.at(space).at(name));
  }
  return out;
}

}  // namespace zubwbem
