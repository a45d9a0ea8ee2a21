// zub_dmtf_check INDEX: compares the compiled-in schema (ServedSchema) with
// DMTF's CIM schema, read from its index file INDEX (cim_schema_2.49.0.mof)
// and the files it includes, found beside it. tools/schema/check-dmtf.py
// unzips DMTF's release and runs it.
//
// For every CIM_ class served: the class exists in DMTF under the same name,
// with the same superclass; the same properties (type, REF class, array and
// size, default value) and methods (return type, parameters in order with
// their types); and for the class, each property, method and parameter,
// every qualifier the served schema declares (Key, Override, ValueMap,
// Values, In, Out, ...) is present on both sides with equal values or on
// neither. The served qualifier declarations must match DMTF's too. Prints
// one line per difference and a summary; exit 0 when none, 1 when any,
// 2 when a schema does not read.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "host/cim/dmtf_schema.h"

using namespace zubwbem;

namespace {

std::string Text(const MofScalar& s) {
  switch (s.kind) {
    case MofScalar::Kind::Null: return "null";
    case MofScalar::Kind::Boolean: return s.boolean ? "true" : "false";
    case MofScalar::Kind::Integer: return (s.negative ? "-" : "") + std::to_string(s.integer);
    case MofScalar::Kind::Real: {
      std::ostringstream out;
      out.precision(17);
      out << s.real;
      return out.str();
    }
    case MofScalar::Kind::String: return "\"" + s.text + "\"";
  }
  return "?";
}

std::string Text(const MofValue& v) {
  if (!v.array) return v.items.empty() ? "null" : Text(v.items[0]);
  std::string out = "{";
  for (size_t i = 0; i < v.items.size(); ++i) out += (i ? ", " : "") + Text(v.items[i]);
  return out + "}";
}

std::string Text(const std::optional<MofValue>& v) { return v ? Text(*v) : "none"; }

std::string TypeText(const MofTyped& t) {
  std::string out = t.IsReference() ? t.refClass + " REF" : t.type;
  if (t.array) out += t.arraySize ? "[" + std::to_string(t.arraySize) + "]" : "[]";
  return out;
}

template <typename T>
const T* Named(const std::vector<T>& list, const std::string& name) {
  for (const T& e : list) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

std::string Join(const std::vector<std::string>& list) {
  std::string out;
  for (const std::string& s : list) out += (out.empty() ? "" : ", ") + s;
  return out;
}

class Comparer {
 public:
  Comparer(const MofSchema& ours, const MofSchema& dmtf) : m_ours(ours), m_dmtf(dmtf) {}

  int Run() {
    for (const MofQualifierDecl& q : m_ours.QualifierDecls()) Declaration(q);
    for (const MofClass& cls : m_ours.Classes()) {
      if (cls.name.rfind("CIM_", 0) != 0) continue;
      ++m_classes;
      Class(cls);
    }
    std::cout << m_classes << " classes, " << m_properties << " properties compared: "
              << (m_differences == 0 ? std::string("no difference") : std::to_string(m_differences) + (m_differences == 1 ? " difference" : " differences")) << "\n";
    return m_differences ? 1 : 0;
  }

 private:
  void Differ(const std::string& where, const std::string& what, const std::string& ours, const std::string& dmtf) {
    ++m_differences;
    std::cout << where << ": " << what << ": ours " << ours << ", DMTF " << dmtf << "\n";
  }
  void Missing(const std::string& where, const std::string& what) {
    ++m_differences;
    std::cout << where << ": " << what << "\n";
  }
  template <typename A>
  void Same(const std::string& where, const std::string& what, const A& ours, const A& dmtf) {
    if (ours != dmtf) Differ(where, what, ours, dmtf);
  }

  void Declaration(const MofQualifierDecl& ours) {
    std::string where = "qualifier " + ours.name;
    const MofQualifierDecl* dmtf = m_dmtf.FindQualifierDecl(ours.name);
    if (!dmtf) return Missing(where, "not declared by DMTF");
    Same(where, "name", ours.name, dmtf->name);
    Same(where, "type", ours.type + (ours.array ? "[]" : ""), dmtf->type + (dmtf->array ? "[]" : ""));
    Same(where, "default", Text(ours.defaultValue), Text(dmtf->defaultValue));
    Same(where, "scopes", Join(ours.scopes), Join(dmtf->scopes));
    Same(where, "flavors", Join(ours.flavors), Join(dmtf->flavors));
  }

  // Every qualifier the served schema declares, on both sides alike.
  void Qualifiers(const std::string& where, const MofQualifiers& ours, const MofQualifiers& dmtf) {
    for (const MofQualifierDecl& decl : m_ours.QualifierDecls()) {
      const MofQualifier* a = FindQualifier(ours, decl.name);
      const MofQualifier* b = FindQualifier(dmtf, decl.name);
      if (!a && !b) continue;
      std::string what = "qualifier " + decl.name;
      if (!a) Differ(where, what, "absent", Text(b->value));
      else if (!b) Differ(where, what, Text(a->value), "absent");
      else if (a->value.array && b->value.array) Array(where, what, a->value, b->value);
      else Same(where, what, Text(a->value), Text(b->value));
    }
  }

  // Long lists (ValueMap, Values) are told by their first difference.
  void Array(const std::string& where, const std::string& what, const MofValue& ours, const MofValue& dmtf) {
    size_t n = std::min(ours.items.size(), dmtf.items.size());
    for (size_t i = 0; i < n; ++i) {
      std::string a = Text(ours.items[i]), b = Text(dmtf.items[i]);
      if (a != b) return Differ(where, what + " entry " + std::to_string(i), a, b);
    }
    if (ours.items.size() != dmtf.items.size()) {
      Differ(where, what + " entries", std::to_string(ours.items.size()), std::to_string(dmtf.items.size()));
    }
  }

  template <typename T>
  void Names(const std::string& where, const std::string& kind, const std::vector<T>& ours, const std::vector<T>& dmtf) {
    for (const T& e : dmtf) {
      if (!Named(ours, e.name)) Missing(where + "." + e.name, kind + " of DMTF missing");
    }
    for (const T& e : ours) {
      if (!Named(dmtf, e.name)) Missing(where + "." + e.name, kind + " not in DMTF");
    }
  }

  void Class(const MofClass& ours) {
    const MofClass* dmtf = m_dmtf.Find(ours.name);
    if (!dmtf) return Missing(ours.name, "class not in DMTF");
    Same(ours.name, "name", ours.name, dmtf->name);
    Same(ours.name, "superclass", ours.superclass, dmtf->superclass);
    Qualifiers(ours.name, ours.qualifiers, dmtf->qualifiers);
    Names(ours.name, "property", ours.properties, dmtf->properties);
    for (const MofProperty& p : ours.properties) {
      const MofProperty* d = Named(dmtf->properties, p.name);
      if (!d) continue;
      ++m_properties;
      std::string where = ours.name + "." + p.name;
      Same(where, "type", TypeText(p), TypeText(*d));
      Same(where, "default", Text(p.defaultValue), Text(d->defaultValue));
      Qualifiers(where, p.qualifiers, d->qualifiers);
    }
    Names(ours.name, "method", ours.methods, dmtf->methods);
    for (const MofMethod& m : ours.methods) {
      const MofMethod* d = Named(dmtf->methods, m.name);
      if (d) Method(ours.name + "." + m.name + "()", m, *d);
    }
  }

  void Method(const std::string& where, const MofMethod& ours, const MofMethod& dmtf) {
    Same(where, "return type", ours.returnType, dmtf.returnType);
    Qualifiers(where, ours.qualifiers, dmtf.qualifiers);
    std::vector<std::string> a, b;
    for (const MofParameter& p : ours.parameters) a.push_back(p.name);
    for (const MofParameter& p : dmtf.parameters) b.push_back(p.name);
    if (a != b) return Differ(where, "parameters", Join(a), Join(b));
    for (size_t i = 0; i < ours.parameters.size(); ++i) {
      const MofParameter& p = ours.parameters[i];
      const MofParameter& d = dmtf.parameters[i];
      std::string at = where + " " + p.name;
      Same(at, "type", TypeText(p), TypeText(d));
      Qualifiers(at, p.qualifiers, d.qualifiers);
    }
  }

  const MofSchema& m_ours;
  const MofSchema& m_dmtf;
  size_t m_classes = 0;
  size_t m_properties = 0;
  size_t m_differences = 0;
};

std::optional<MofSource> ReadFile(const std::string& dir, std::string_view path) {
  std::ifstream in(dir + "/" + std::string(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return MofSource{std::string(path), text.str()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: zub_dmtf_check DMTF_INDEX_MOF (cim_schema_2.49.0.mof of DMTF's release, unpacked)\n";
    return 2;
  }
  std::string index = argv[1];
  size_t slash = index.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : index.substr(0, slash);
  std::string name = slash == std::string::npos ? index : index.substr(slash + 1);
  MofSchema dmtf;
  try {
    std::optional<MofSource> top = ReadFile(dir, name);
    if (!top) {
      std::cerr << "zub_dmtf_check: cannot read " << index << "\n";
      return 2;
    }
    ReadMof(dmtf, name, top->text, [&](std::string_view path, std::string_view) { return ReadFile(dir, path); });
    return Comparer(ServedSchema(), dmtf).Run();
  } catch (const MofError& e) {
    std::cerr << "zub_dmtf_check: " << e.what() << "\n";
    return 2;
  }
}
