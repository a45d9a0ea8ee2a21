// xml_writer.h: CIM-XML (DSP0201) output in the exact shapes standard
// clients read: no comments, no self-closed VALUE, QUALIFIER or response
// elements, full INSTANCEPATHs in every reference.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/cim/cim_model.h"
#include "host/cim/records.h"
#include "host/cim/schema.h"

namespace zubwbem {

// Which properties an answer carries: all, or those named (any case).
class PropertyFilter {
 public:
  PropertyFilter() = default;
  explicit PropertyFilter(std::vector<std::string> names) : m_all(false), m_names(std::move(names)) {}
  bool Allows(std::string_view name) const;
  // Whether the client named the properties (a PropertyList was given).
  bool Named() const { return !m_all; }

 private:
  bool m_all = true;
  std::vector<std::string> m_names;
};

struct InstanceOptions {
  PropertyFilter properties;
  bool classOrigin = false;
  const CimClass* declaredIn = nullptr;  // DeepInheritance=FALSE: only this class's properties
  // Marks the values of EmbeddedObject properties EmbeddedObject="object"
  // (indications to listeners; the server's answers leave it out).
  bool embeddedObjects = false;
};

struct ClassOptions {
  bool localOnly = false;
  bool qualifiers = true;
  bool classOrigin = false;
  PropertyFilter properties;
};

class XmlOut {
 public:
  XmlOut& Raw(std::string_view text) {
    m_text.append(text);
    return *this;
  }
  XmlOut& Escaped(std::string_view text);
  // <name attr="escaped value"
  XmlOut& Open(std::string_view element) { return Raw("<").Raw(element); }
  XmlOut& Attr(std::string_view name, std::string_view value) {
    return Raw(" ").Raw(name).Raw("=\"").Escaped(value).Raw("\"");
  }
  std::string& Text() { return m_text; }

  void Value(std::string_view text) { Raw("<VALUE>").Escaped(text).Raw("</VALUE>"); }
  void InstanceName(const CimPath& path);
  void InstancePath(const CimPath& path);  // INSTANCEPATH with NAMESPACEPATH
  void ValueReference(const CimPath& path) {
    Raw("<VALUE.REFERENCE>");
    InstancePath(path);
    Raw("</VALUE.REFERENCE>");
  }
  void Instance(const zubwbem::Instance& instance, const InstanceOptions& options);
  // The class with its qualifiers (IncludeQualifiers), only what it
  // declares itself (LocalOnly), each element's CLASSORIGIN
  // (IncludeClassOrigin) and the properties PropertyList names; inherited
  // elements are marked PROPAGATED.
  void Class(const CimClass& cls, const ClassOptions& options);
  // QUALIFIER.DECLARATION (EnumerateQualifiers, GetQualifier).
  void QualifierDeclaration(const MofQualifierDecl& decl);
  // PARAMVALUE / RETURNVALUE content: a value typed as `type`.
  void ParamValue(const CimTyped& type, const CimValue& value);

 private:
  struct PropertyStyle {
    bool embeddedObject = false;
    bool qualifiers = false;
    bool classOrigin = false;
    bool propagated = false;
  };
  // With a value: an instance's property; without: the class's declaration.
  void Property(const CimProperty& p, const CimValue* value, const PropertyStyle& style);
  void Qualifier(const MofQualifier& q, bool propagated);
  void Qualifiers(const MofQualifiers& qualifiers, bool propagated);
  void MofValueOf(const MofValue& value, bool array);

  std::string m_text;
};

const char* TypeName(CimType type);  // "uint16", "reference", ...
MofScalar BoolScalar(bool value);
MofScalar KeyTrue();

// Whole responses: `inner` is everything inside IMETHODRESPONSE (IRETURNVALUE
// and, for pulled enumerations, the output PARAMVALUEs; nothing for an
// operation that returns nothing), or with `returnValue` what goes inside its
// IRETURNVALUE; `body` what goes inside METHODRESPONSE. IMethodResponse
// frames `inner` in place (an enumeration's is megabytes, and copying it
// means touching as many fresh pages).
std::string IMethodResponse(const std::string& id, const std::string& name, std::string inner,
                            bool returnValue = false);
std::string MethodResponse(const std::string& id, const std::string& name, const std::string& body);
std::string ErrorResponse(const std::string& id, const std::string& name, bool intrinsic, int code,
                          const std::string& description);

}  // namespace zubwbem
