// mof.cpp: MOF text of the served classes.
#include "host/cim/mof.h"

#include "host/cim/xml_writer.h"

namespace zubwbem {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string TypeOf(const CimTyped& t) {
  return t.type == CimType::Reference ? (t.refClass.empty() ? std::string("CIM_ManagedElement") : t.refClass) + " REF"
                                      : std::string(TypeName(t.type));
}

void WriteClass(std::ostream& out, const CimClass& cls) {
  out << "[" << (cls.association ? "Association, " : "") << (cls.indication ? "Indication, " : "") << "Description (" << Quoted(cls.description) << ")]\n";
  out << "class " << cls.name;
  if (!cls.superclass.empty()) out << " : " << cls.superclass;
  out << " {\n";
  // Only what the class adds or overrides: the rest is its parents' (the
  // standard classes' MOF is the project's, host/cim/schema).
  for (const CimProperty& p : cls.properties) {
    if (!p.local) continue;
    std::string qualifiers;
    if (p.key) qualifiers += "Key";
    if (p.classOrigin != cls.name) qualifiers += std::string(qualifiers.empty() ? "" : ", ") + "Override (" + Quoted(p.name) + ")";
    out << "   " << (qualifiers.empty() ? "" : "[" + qualifiers + "] ") << TypeOf(p) << " " << p.name
        << (p.array ? "[]" : "") << ";\n";
  }
  for (const CimMethod& m : cls.methods) {
    if (!m.local) continue;
    if (m.classOrigin != cls.name) out << "   [Override (" << Quoted(m.name) << ")]\n";
    out << "   " << TypeName(m.returnType) << " " << m.name << "(";
    for (size_t i = 0; i < m.params.size(); ++i) {
      const CimParameter& p = m.params[i];
      out << (i ? ",\n      " : "\n      ") << "[" << (p.in ? "In" : "In (false)") << (p.out ? ", Out" : "") << "] "
          << TypeOf(p) << " " << p.name << (p.array ? "[]" : "");
    }
    out << ");\n";
  }
  out << "};\n\n";
}

}  // namespace

void WriteMof(std::ostream& out, const Schema& schema) {
  out << "// The classes of the zubprov CIM provider and its alerts, made from its record descriptions.\n"
         "// Their CIM_ parents come from the DMTF CIM schema.\n\n";
  for (const std::string& ns : {ClassNs(), InteropNs()}) {
    bool first = true;
    for (const CimClass* cls : schema.ClassesIn(ns)) {
      if (cls->name.rfind("CIM_", 0) == 0) continue;  // the standard classes' own MOF says them
      if (first) out << "#pragma namespace (" << Quoted(ns) << ")\n\n";
      first = false;
      WriteClass(out, *cls);
    }
  }
}

}  // namespace zubwbem
