// schema.cpp: the classes of each namespace, from the DMTF schema, the
// catalogue rows and the record descriptions.
#include "host/cim/schema.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "framework/alert.h"
#include "host/cim/cim_model.h"
#include "host/cim/dmtf_schema.h"
#include "host/kit/wide_text.h"

namespace zubwbem {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// A boolean qualifier as the element has it, or the declaration's default.
bool BoolQualifier(const MofQualifiers& qualifiers, std::string_view name) {
  const MofQualifier* q = FindQualifier(qualifiers, name);
  const MofValue* value = q ? &q->value : nullptr;
  if (!value) {
    const MofQualifierDecl* decl = ServedSchema().FindQualifierDecl(name);
    value = decl ? &decl->defaultValue : nullptr;
  }
  return value && !value->IsNull() && value->items[0].kind == MofScalar::Kind::Boolean && value->items[0].boolean;
}

MofQualifier TrueQualifier(const char* name) {
  MofScalar yes;
  yes.kind = MofScalar::Kind::Boolean;
  yes.boolean = true;
  return MofQualifier{name, MofValue{false, {yes}}, {}};
}

void Typed(const MofTyped& from, CimTyped* to) {
  to->name = from.name;
  to->type = CimTypeOf(from.type);
  to->array = from.array;
  to->refClass = from.refClass;
}

// The classes from the root down to `cls`.
std::vector<const MofClass*> Chain(const MofSchema& mof, const MofClass& cls) {
  std::vector<const MofClass*> chain;
  for (const MofClass* c = &cls; c; c = c->superclass.empty() ? nullptr : mof.Find(c->superclass)) chain.push_back(c);
  std::reverse(chain.begin(), chain.end());
  return chain;
}

template <class Elements>
std::string OriginOf(const std::vector<const MofClass*>& chain, std::string_view element, Elements MofClass::*list) {
  for (const MofClass* c : chain) {
    for (const auto& e : c->*list) {
      if (EqualsNoCase(e.name, element)) return c->name;
    }
  }
  return chain.back()->name;
}

template <class Elements>
bool Declares(const MofClass& cls, std::string_view element, Elements MofClass::*list) {
  return std::any_of((cls.*list).begin(), (cls.*list).end(),
                     [&](const auto& e) { return EqualsNoCase(e.name, element); });
}

CimClass FromMof(const MofSchema& mof, const MofClass& c, const std::string& ns) {
  CimClass cls;
  cls.name = c.name;
  cls.superclass = c.superclass;
  cls.nameSpace = ns;
  cls.qualifiers = c.qualifiers;
  const std::vector<const MofClass*> chain = Chain(mof, c);
  for (const MofClass* each : chain) {
    cls.association |= BoolQualifier(each->qualifiers, "Association");
    cls.indication |= BoolQualifier(each->qualifiers, "Indication");
  }
  for (const MofProperty* p : mof.AllProperties(c)) {
    CimProperty out;
    Typed(*p, &out);
    out.qualifiers = p->qualifiers;
    out.defaultValue = p->defaultValue;
    out.key = BoolQualifier(p->qualifiers, "Key");
    out.classOrigin = OriginOf(chain, p->name, &MofClass::properties);
    out.local = Declares(c, p->name, &MofClass::properties);
    if (out.key) cls.keys.push_back(cls.properties.size());
    cls.properties.push_back(std::move(out));
  }
  for (const MofMethod* m : mof.AllMethods(c)) {
    CimMethod out;
    out.name = m->name;
    out.returnType = CimTypeOf(m->returnType);
    out.qualifiers = m->qualifiers;
    out.classOrigin = OriginOf(chain, m->name, &MofClass::methods);
    out.local = Declares(c, m->name, &MofClass::methods);
    for (const MofParameter& p : m->parameters) {
      CimParameter param;
      Typed(p, &param);
      param.qualifiers = p.qualifiers;
      param.in = BoolQualifier(p.qualifiers, "In");
      param.out = BoolQualifier(p.qualifiers, "Out");
      out.params.push_back(std::move(param));
    }
    cls.methods.push_back(std::move(out));
  }
  return cls;
}

CimParameter ParameterOf(const ParameterDesc& p) {
  CimParameter param;
  static_cast<CimTyped&>(param) = TypedOf(*p.field);
  param.in = p.field->direction == Direction::In || p.field->direction == Direction::InOut;
  param.out = p.field->direction == Direction::Out || p.field->direction == Direction::InOut;
  param.param = p;
  return param;
}

// A method of the class's record: its own parameters, or (overriding a
// standard method) the standard ones, each backed by the record's parameter
// of the same name where there is one, and the record's others after them.
void ApplyMethod(CimClass& cls, const MethodDesc& method) {
  const RecordDesc& record = cls.desc->record();
  std::vector<ParameterDesc> params = MethodParameters(record, method.name);
  CimMethod* standard = nullptr;
  for (CimMethod& m : cls.methods) {
    if (EqualsNoCase(m.name, method.name)) standard = &m;
  }
  if (!standard) {
    CimMethod out;
    out.name = method.name;
    out.classOrigin = cls.name;
    if (const FieldDesc* ret = ReturnValueField(record)) out.returnType = TypedOf(*ret).type;
    for (const ParameterDesc& p : params) out.params.push_back(ParameterOf(p));
    cls.methods.push_back(std::move(out));
    standard = &cls.methods.back();
  } else {
    for (CimParameter& param : standard->params) {
      for (auto it = params.begin(); it != params.end(); ++it) {
        if (!EqualsNoCase(it->field->CimName(), param.name)) continue;
        param.param = *it;
        params.erase(it);
        break;
      }
    }
    for (const ParameterDesc& p : params) standard->params.push_back(ParameterOf(p));
  }
  standard->desc = &method;
  standard->local = true;
}

}  // namespace

CimType CimTypeOf(std::string_view mofType) {
  static const std::pair<const char*, CimType> kNames[] = {
      {"string", CimType::String},     {"boolean", CimType::Boolean},   {"uint8", CimType::UInt8},
      {"uint16", CimType::UInt16},     {"uint32", CimType::UInt32},     {"uint64", CimType::UInt64},
      {"sint8", CimType::SInt8},       {"sint16", CimType::SInt16},     {"sint32", CimType::SInt32},
      {"sint64", CimType::SInt64},     {"datetime", CimType::DateTime}, {"ref", CimType::Reference},
      {"real32", CimType::Real32},     {"real64", CimType::Real64},     {"char16", CimType::Char16},
  };
  for (const auto& [text, type] : kNames) {
    if (mofType == text) return type;
  }
  return CimType::String;
}

namespace {

bool IsText(CimType type) { return type == CimType::String; }

// The code of "Other" in a property's ValueMap, or "" when it has none.
std::string OtherCode(const CimProperty& p) {
  const MofQualifier* map = FindQualifier(p.qualifiers, "ValueMap");
  const MofQualifier* values = FindQualifier(p.qualifiers, "Values");
  if (!map || !values) return "";
  const std::vector<std::string> codes = map->value.Strings(), names = values->value.Strings();
  for (size_t i = 0; i < codes.size() && i < names.size(); ++i) {
    if (names[i] == "Other") return codes[i];
  }
  return "";
}

// The text property that says what "Other" means for `p` (OtherNameFormat
// for NameFormat), when `p` has an "Other" code.
CimProperty* OtherOf(CimClass& cls, const CimProperty& p) {
  if (OtherCode(p).empty()) return nullptr;
  for (CimProperty& candidate : cls.properties) {
    if (EqualsNoCase(candidate.name, "Other" + p.name) && IsText(candidate.type) && !candidate.array) return &candidate;
  }
  return nullptr;
}

}  // namespace

CimTyped TypedOf(const FieldDesc& field) {
  CimTyped out;
  out.name = field.CimName();
  std::string name = CimTypeName(field);  // the library's own reading of the description
  if (name.size() > 2 && name.compare(name.size() - 2, 2, "[]") == 0) {
    out.array = true;
    name.resize(name.size() - 2);
  }
  out.type = CimTypeOf(name);
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

std::span<const char* const> KeptClassNames() {
  static const char* const kNames[] = {kFilterClass, kDestinationClass, kSubscriptionClass};
  return kNames;
}

CimClass& Schema::Add(const std::string& ns, CimClass cls) {
  CimClass& added = m_classes[ns][Lower(cls.name)];
  added = std::move(cls);
  return added;
}

CimClass Schema::Derived(const std::string& ns, const std::string& name, const std::string& superclass) {
  CimClass cls;
  const CimClass* parent = Find(ns, superclass);
  if (parent) {
    cls = *parent;
    cls.qualifiers.clear();
    for (CimProperty& p : cls.properties) p.local = false;
    for (CimMethod& m : cls.methods) m.local = false;
  } else if (m_problem.empty()) {
    m_problem = name + " specialises " + superclass + ", which the schema does not have";
  }
  cls.name = name;
  cls.superclass = parent ? parent->name : "";
  cls.nameSpace = ns;
  cls.desc = nullptr;
  cls.kept = false;
  return cls;
}

Schema::Schema(std::span<const ClassDesc> catalog) {
  const MofSchema& mof = ServedSchema();
  for (const std::string& ns : {ClassNs(), InteropNs()}) {
    for (const MofClass& c : mof.Classes()) Add(ns, FromMof(mof, c, ns));
  }
  for (const char* kept : KeptClassNames()) {
    if (CimClass* cls = const_cast<CimClass*>(Find(InteropNs(), kept))) cls->kept = true;
  }

  // The alert classes, each on its parent (the generic one first).
  const std::string alertNs = ClassNs();
  for (const IndicationClassDesc& desc : IndicationClasses()) {
    CimClass cls = Derived(alertNs, zubcim::ToUtf8(desc.name), zubcim::ToUtf8(desc.superclass));
    cls.description = "An alert of the RAID stack, delivered to indication listeners";
    cls.indication = true;
    if (std::none_of(cls.properties.begin(), cls.properties.end(), [](const CimProperty& p) { return p.field; })) {
      for (const FieldDesc& f : stZUB_AlertIndication::Describe().fields) {
        if (!f.IsProperty()) continue;
        auto it = std::find_if(cls.properties.begin(), cls.properties.end(),
                               [&](const CimProperty& p) { return EqualsNoCase(p.name, f.CimName()); });
        if (it != cls.properties.end()) {
          it->field = &f;
          it->local = true;
          continue;
        }
        CimProperty p;
        static_cast<CimTyped&>(p) = TypedOf(f);
        p.field = &f;
        p.classOrigin = cls.name;
        p.local = true;
        cls.properties.push_back(std::move(p));
      }
    }
    Add(alertNs, std::move(cls));
  }

  for (const ClassDesc& desc : catalog) {
    const std::string ns = NamespaceOfClass(desc.name);
    CimClass cls = Derived(ns, desc.name, desc.superclass ? desc.superclass : "");
    cls.description = desc.description ? desc.description : "";
    cls.desc = &desc;
    if (cls.association != desc.association && m_problem.empty())
      m_problem = std::string(desc.name) + " and " + cls.superclass + " differ in being an association";
    cls.association = desc.association;
    const RecordDesc& record = desc.record();
    // Paths carry the record's keys; the standard ones stay in the qualifiers.
    for (CimProperty& p : cls.properties) p.key = false;
    for (const FieldDesc& f : record.fields) {
      if (!f.IsProperty()) continue;
      CimProperty* p = nullptr;
      for (CimProperty& candidate : cls.properties) {
        if (EqualsNoCase(candidate.name, f.CimName())) p = &candidate;
      }
      if (!p) {
        CimProperty added;
        static_cast<CimTyped&>(added) = TypedOf(f);
        added.classOrigin = cls.name;
        if (f.key) added.qualifiers.push_back(TrueQualifier("Key"));
        cls.properties.push_back(std::move(added));
        p = &cls.properties.back();
      } else if (TypedOf(f).array && !p->array && m_problem.empty()) {
        m_problem = std::string(desc.name) + "." + f.CimName() + " holds a list where " + p->classOrigin +
                    " declares one value";
      } else if (IsText(TypedOf(f).type) && !IsText(p->type)) {
        // A text where the standard class has a code: the code says
        // "Other" and its Other... property carries the text.
        CimProperty* other = OtherOf(cls, *p);
        if (!other) {
          if (m_problem.empty())
            m_problem = std::string(desc.name) + "." + f.CimName() + " holds a text where " + p->classOrigin +
                        " declares a code with no \"Other\"";
        } else {
          p->constant = OtherCode(*p);
          p->local = true;
          p = other;
        }
      }
      p->field = &f;
      p->local = true;
      p->key = f.key != 0;
      // A reference may name a narrower class than the standard one.
      if (p->type == CimType::Reference && f.reference) p->refClass = f.reference;
    }
    cls.keys.clear();
    for (const FieldDesc* key : KeyFields(record)) {
      for (size_t i = 0; i < cls.properties.size(); ++i) {
        if (cls.properties[i].field == key) cls.keys.push_back(i);
      }
    }
    // The class's keys are those of its paths, which should be its standard
    // class's; a client checks the paths it is given against the class.
    std::string standardKeys, recordKeys;
    for (CimProperty& p : cls.properties) {
      const bool standardKey = BoolQualifier(p.qualifiers, "Key");
      if (standardKey) standardKeys += " " + Lower(p.name);
      if (p.key) recordKeys += " " + Lower(p.name);
      std::erase_if(p.qualifiers, [](const MofQualifier& q) { return EqualsNoCase(q.name, "Key"); });
      if (p.key) p.qualifiers.insert(p.qualifiers.begin(), TrueQualifier("Key"));
    }
    if (standardKeys != recordKeys && m_problem.empty())
      m_problem = std::string(desc.name) + "'s keys (" + recordKeys + " ) are not " + cls.superclass + "'s (" +
                  standardKeys + " )";
    for (const MethodDesc& m : desc.methods) {
      if (std::strcmp(m.name, "PutData") == 0) cls.putData = &m;  // ModifyInstance, not a CIM method
      else ApplyMethod(cls, m);
    }
    m_servedOrder.emplace_back(ns, Lower(cls.name));
    Add(ns, std::move(cls));
  }

  for (const AliasClass& alias : AliasClasses()) {
    const std::string ns = NamespaceOfClass(alias.standsFor.front());
    CimClass cls = Derived(ns, alias.name, alias.superclass);
    cls.description = "The general class references name instances of " + alias.standsFor.front() + " and others by";
    cls.aliasOf = alias.standsFor;
    Add(ns, std::move(cls));
  }
}

const CimClass& Schema::AddHostClass(const std::string& ns, const std::string& name, const std::string& superclass,
                                     const std::string& description) {
  CimClass cls = Derived(ns, name, superclass);
  cls.description = description;
  cls.hostOwned = true;
  return Add(ns, std::move(cls));
}

void Schema::AddProperty(const std::string& ns, const std::string& cls, CimProperty property) {
  auto space = m_classes.find(CanonicalNamespace(ns));
  if (space == m_classes.end()) return;
  auto it = space->second.find(Lower(cls));
  if (it != space->second.end()) it->second.properties.push_back(std::move(property));
}

std::vector<const CimClass*> Schema::Kept(std::string_view ns, std::string_view name) const {
  std::vector<const CimClass*> out;
  for (const char* kept : KeptClassNames()) {
    const CimClass* cls = Find(ns, kept);
    if (cls && cls->kept && IsA(*cls, name)) out.push_back(cls);
  }
  return out;
}

bool Schema::HasNamespace(std::string_view ns) const { return m_classes.count(CanonicalNamespace(ns)) > 0; }

std::vector<std::string> Schema::Namespaces() const {
  std::vector<std::string> out;
  for (const auto& [ns, classes] : m_classes) out.push_back(ns);
  return out;
}

const CimClass* Schema::Find(std::string_view ns, std::string_view name) const {
  auto space = m_classes.find(CanonicalNamespace(ns));
  if (space == m_classes.end()) return nullptr;
  auto cls = space->second.find(Lower(name));
  return cls == space->second.end() ? nullptr : &cls->second;
}

const CimClass* Schema::FindAnywhere(std::string_view ns, std::string_view name) const {
  if (const CimClass* cls = Find(ns, name)) return cls;
  for (const auto& [space, classes] : m_classes) {
    if (const CimClass* cls = Find(space, name)) return cls;
  }
  return nullptr;
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

const std::vector<MofQualifierDecl>& Schema::QualifierDecls() const { return ServedSchema().QualifierDecls(); }

const MofQualifierDecl* Schema::FindQualifierDecl(std::string_view name) const {
  return ServedSchema().FindQualifierDecl(name);
}

}  // namespace zubwbem
