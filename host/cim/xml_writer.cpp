// xml_writer.cpp: CIM-XML elements and whole responses.
#include "host/cim/xml_writer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "host/cim/dmtf_schema.h"

namespace zubwbem {
namespace {

const char* KeyValueType(KeyBinding::Kind kind) {
  switch (kind) {
    case KeyBinding::Kind::Numeric: return "numeric";
    case KeyBinding::Kind::Boolean: return "boolean";
    default: return "string";
  }
}

// A reference inside a value that CIM-XML has no element for (an array of
// references as a property): the path as a WBEM URI text.
std::string UriOf(const CimPath& path) { return "//" + path.host + "/" + JoinNamespace(path.ns) + ":" + Describe(path); }

std::string Head(const std::string& id) {
  std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">\n";
  XmlOut message;
  message.Open("MESSAGE").Attr("ID", id).Attr("PROTOCOLVERSION", "1.0").Raw(">\n<SIMPLERSP>\n");
  return out + message.Text();
}

const char* kTail = "</SIMPLERSP>\n</MESSAGE>\n</CIM>\n";
constexpr size_t kFraming = 256;  // head, tail and the elements around an answer's content

}  // namespace

bool PropertyFilter::Allows(std::string_view name) const {
  return m_all || std::any_of(m_names.begin(), m_names.end(), [&](const std::string& n) { return EqualsNoCase(n, name); });
}

MofScalar BoolScalar(bool value) {
  MofScalar v;
  v.kind = MofScalar::Kind::Boolean;
  v.boolean = value;
  return v;
}

MofScalar KeyTrue() { return BoolScalar(true); }

const char* TypeName(CimType type) {
  switch (type) {
    case CimType::Real32: return "real32";
    case CimType::Real64: return "real64";
    case CimType::Char16: return "char16";
    case CimType::Boolean: return "boolean";
    case CimType::UInt8: return "uint8";
    case CimType::UInt16: return "uint16";
    case CimType::UInt32: return "uint32";
    case CimType::UInt64: return "uint64";
    case CimType::SInt8: return "sint8";
    case CimType::SInt16: return "sint16";
    case CimType::SInt32: return "sint32";
    case CimType::SInt64: return "sint64";
    case CimType::DateTime: return "datetime";
    case CimType::Reference: return "reference";
    default: return "string";
  }
}

XmlOut& XmlOut::Escaped(std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const char* with = nullptr;
    switch (c) {
      case '&': with = "&amp;"; break;
      case '<': with = "&lt;"; break;
      case '>': with = "&gt;"; break;
      case '"': with = "&quot;"; break;
      default:
        // Control characters are not allowed in XML 1.0 documents.
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') with = "?";
    }
    if (!with) continue;
    m_text.append(text.substr(start, i - start));
    m_text.append(with);
    start = i + 1;
  }
  m_text.append(text.substr(start));
  return *this;
}

void XmlOut::InstanceName(const CimPath& path) {
  Open("INSTANCENAME").Attr("CLASSNAME", path.className).Raw(">");
  for (const KeyBinding& key : path.keys) {
    Open("KEYBINDING").Attr("NAME", key.name).Raw(">");
    if (key.kind == KeyBinding::Kind::Reference && !key.ref.empty()) {
      ValueReference(key.ref.front());
    } else {
      Open("KEYVALUE").Attr("VALUETYPE", KeyValueType(key.kind)).Raw(">").Escaped(key.value).Raw("</KEYVALUE>");
    }
    Raw("</KEYBINDING>");
  }
  Raw("</INSTANCENAME>");
}

void XmlOut::InstancePath(const CimPath& path) {
  Raw("<INSTANCEPATH><NAMESPACEPATH><HOST>").Escaped(path.host).Raw("</HOST><LOCALNAMESPACEPATH>");
  for (const std::string& part : path.ns) Open("NAMESPACE").Attr("NAME", part).Raw("></NAMESPACE>");
  Raw("</LOCALNAMESPACEPATH></NAMESPACEPATH>");
  InstanceName(path);
  Raw("</INSTANCEPATH>");
}

namespace {

std::string ScalarText(const MofScalar& v) {
  switch (v.kind) {
    case MofScalar::Kind::Boolean: return v.boolean ? "TRUE" : "FALSE";
    case MofScalar::Kind::Integer: return (v.negative ? "-" : "") + std::to_string(v.integer);
    case MofScalar::Kind::Real: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.17g", v.real);
      return buf;
    }
    case MofScalar::Kind::String: return v.text;
    default: return "";
  }
}

// The flavor attributes of a qualifier or declaration: written where they
// differ from DSP0201's defaults (overridable, to subclasses, not to
// instances, not translatable).
void Flavors(XmlOut& out, const std::vector<std::string>& flavors) {
  const auto has = [&](const char* f) { return std::find(flavors.begin(), flavors.end(), f) != flavors.end(); };
  if (has("disableoverride")) out.Attr("OVERRIDABLE", "false");
  if (has("restricted")) out.Attr("TOSUBCLASS", "false");
  if (has("translatable")) out.Attr("TRANSLATABLE", "true");
}

}  // namespace

void XmlOut::MofValueOf(const MofValue& value, bool array) {
  if (value.IsNull()) return;
  if (array || value.array) Raw("<VALUE.ARRAY>");
  for (const MofScalar& v : value.items) {
    if (v.kind != MofScalar::Kind::Null) Value(ScalarText(v));
  }
  if (array || value.array) Raw("</VALUE.ARRAY>");
}

void XmlOut::Qualifier(const MofQualifier& q, bool propagated) {
  const MofQualifierDecl* decl = ServedSchema().FindQualifierDecl(q.name);
  Open("QUALIFIER").Attr("NAME", decl ? decl->name : q.name).Attr("TYPE", decl ? decl->type : "string");
  if (propagated) Attr("PROPAGATED", "true");
  Flavors(*this, decl ? decl->flavors : std::vector<std::string>());
  Raw(">");
  MofValueOf(q.value, decl && decl->array);
  Raw("</QUALIFIER>");
}

void XmlOut::Qualifiers(const MofQualifiers& qualifiers, bool propagated) {
  for (const MofQualifier& q : qualifiers) Qualifier(q, propagated);
}

void XmlOut::QualifierDeclaration(const MofQualifierDecl& decl) {
  Open("QUALIFIER.DECLARATION").Attr("NAME", decl.name).Attr("TYPE", decl.type);
  if (decl.array) Attr("ISARRAY", "true");
  if (decl.arraySize) Attr("ARRAYSIZE", std::to_string(decl.arraySize));
  Flavors(*this, decl.flavors);
  Raw("><SCOPE");
  const auto in = [&](const char* scope) {
    return std::find(decl.scopes.begin(), decl.scopes.end(), scope) != decl.scopes.end() ||
           std::find(decl.scopes.begin(), decl.scopes.end(), "any") != decl.scopes.end();
  };
  for (const char* scope : {"class", "association", "reference", "property", "method", "parameter", "indication"}) {
    if (!in(scope)) continue;
    std::string attr(scope);
    std::transform(attr.begin(), attr.end(), attr.begin(), [](unsigned char c) { return std::toupper(c); });
    Attr(attr, "true");
  }
  Raw("></SCOPE>");
  MofValueOf(decl.defaultValue, decl.array);
  Raw("</QUALIFIER.DECLARATION>\n");
}

void XmlOut::Property(const CimProperty& p, const CimValue* value, const PropertyStyle& style) {
  const bool withValue = value && !value->null;
  const bool declaring = !value;
  const auto common = [&] {
    if (style.classOrigin) Attr("CLASSORIGIN", p.classOrigin);
    if (style.propagated && !p.local) Attr("PROPAGATED", "true");
    Raw(">");
    if (declaring && style.qualifiers) {
      Qualifiers(p.qualifiers, !p.local);
      if (p.key && !FindQualifier(p.qualifiers, "Key")) Qualifier(MofQualifier{"Key", MofValue{false, {KeyTrue()}}, {}}, false);
    }
  };
  if (p.type == CimType::Reference && !p.array) {
    Open("PROPERTY.REFERENCE").Attr("NAME", p.name);
    if (!p.refClass.empty()) Attr("REFERENCECLASS", p.refClass);
    common();
    if (withValue && !value->refs.empty()) ValueReference(value->refs.front());
    Raw("</PROPERTY.REFERENCE>\n");
    return;
  }
  const char* type = p.type == CimType::Reference ? "string" : TypeName(p.type);
  Open(p.array ? "PROPERTY.ARRAY" : "PROPERTY").Attr("NAME", p.name).Attr("TYPE", type);
  if (withValue && style.embeddedObject && FindQualifier(p.qualifiers, "EmbeddedObject")) Attr("EmbeddedObject", "object");
  common();
  if (withValue) {
    if (p.array) Raw("<VALUE.ARRAY>");
    for (const std::string& item : value->items) Value(item);
    for (const CimPath& ref : value->refs) Value(UriOf(ref));
    if (p.array) Raw("</VALUE.ARRAY>");
  } else if (declaring && p.defaultValue) {
    MofValueOf(*p.defaultValue, p.array);
  }
  Raw(p.array ? "</PROPERTY.ARRAY>\n" : "</PROPERTY>\n");
}

void XmlOut::Instance(const zubwbem::Instance& instance, const InstanceOptions& options) {
  const CimClass& cls = *instance.cls;
  Open("INSTANCE").Attr("CLASSNAME", cls.name).Raw(">\n");
  PropertyStyle style;
  style.classOrigin = options.classOrigin;
  style.embeddedObject = options.embeddedObjects;
  for (size_t i = 0; i < cls.properties.size(); ++i) {
    const CimProperty& p = cls.properties[i];
    if (!options.properties.Allows(p.name)) continue;
    if (options.declaredIn && !options.declaredIn->FindProperty(p.name)) continue;
    Property(p, &instance.values[i], style);
  }
  Raw("</INSTANCE>\n");
}

void XmlOut::Class(const CimClass& cls, const ClassOptions& options) {
  Open("CLASS").Attr("NAME", cls.name);
  if (!cls.superclass.empty()) Attr("SUPERCLASS", cls.superclass);
  Raw(">\n");
  if (options.qualifiers) {
    Qualifiers(cls.qualifiers, false);
    if (cls.association && !FindQualifier(cls.qualifiers, "Association"))
      Qualifier(MofQualifier{"Association", MofValue{false, {KeyTrue()}}, {}}, true);
    if (cls.indication && !FindQualifier(cls.qualifiers, "Indication"))
      Qualifier(MofQualifier{"Indication", MofValue{false, {KeyTrue()}}, {}}, true);
    if (!cls.description.empty() && !FindQualifier(cls.qualifiers, "Description")) {
      MofScalar text;
      text.kind = MofScalar::Kind::String;
      text.text = cls.description;
      Qualifier(MofQualifier{"Description", MofValue{false, {text}}, {}}, false);
    }
  }
  PropertyStyle style;
  style.qualifiers = options.qualifiers;
  style.classOrigin = options.classOrigin;
  style.propagated = true;
  for (const CimProperty& p : cls.properties) {
    if (options.localOnly && !p.local) continue;
    if (!options.properties.Allows(p.name)) continue;
    Property(p, nullptr, style);
  }
  for (const CimMethod& m : cls.methods) {
    if (options.localOnly && !m.local) continue;
    Open("METHOD").Attr("NAME", m.name).Attr("TYPE", TypeName(m.returnType));
    if (options.classOrigin) Attr("CLASSORIGIN", m.classOrigin);
    if (!m.local) Attr("PROPAGATED", "true");
    Raw(">\n");
    if (options.qualifiers) Qualifiers(m.qualifiers, !m.local);
    for (const CimParameter& p : m.params) {
      const bool ref = p.type == CimType::Reference;
      const char* element = ref ? (p.array ? "PARAMETER.REFARRAY" : "PARAMETER.REFERENCE")
                                : (p.array ? "PARAMETER.ARRAY" : "PARAMETER");
      Open(element).Attr("NAME", p.name);
      if (ref) {
        if (!p.refClass.empty()) Attr("REFERENCECLASS", p.refClass);
      } else {
        Attr("TYPE", TypeName(p.type));
      }
      Raw(">");
      if (options.qualifiers) {
        Qualifiers(p.qualifiers, false);
        if (!FindQualifier(p.qualifiers, "In")) Qualifier(MofQualifier{"In", MofValue{false, {BoolScalar(p.in)}}, {}}, false);
        if (p.out && !FindQualifier(p.qualifiers, "Out"))
          Qualifier(MofQualifier{"Out", MofValue{false, {KeyTrue()}}, {}}, false);
      }
      Raw("</").Raw(element).Raw(">\n");
    }
    Raw("</METHOD>\n");
  }
  Raw("</CLASS>\n");
}

void XmlOut::ParamValue(const CimTyped& type, const CimValue& value) {
  if (type.type == CimType::Reference) {
    if (type.array) Raw("<VALUE.REFARRAY>");
    for (const CimPath& ref : value.refs) ValueReference(ref);
    if (type.array) Raw("</VALUE.REFARRAY>");
    return;
  }
  if (type.array) Raw("<VALUE.ARRAY>");
  for (const std::string& item : value.items) Value(item);
  if (type.array) Raw("</VALUE.ARRAY>");
}

std::string IMethodResponse(const std::string& id, const std::string& name, std::string inner, bool returnValue) {
  XmlOut head;
  head.Raw(Head(id)).Open("IMETHODRESPONSE").Attr("NAME", name).Raw(">\n");
  if (returnValue) head.Raw("<IRETURNVALUE>\n");
  inner.insert(0, head.Text());  // in place: an enumeration leaves room for it
  if (returnValue) inner.append("</IRETURNVALUE>\n");
  return inner.append("</IMETHODRESPONSE>\n").append(kTail);
}

std::string MethodResponse(const std::string& id, const std::string& name, const std::string& body) {
  XmlOut out;
  out.Text().reserve(body.size() + name.size() + id.size() + kFraming);
  out.Raw(Head(id)).Open("METHODRESPONSE").Attr("NAME", name).Raw(">\n").Raw(body).Raw("</METHODRESPONSE>\n").Raw(kTail);
  return std::move(out.Text());
}

std::string ErrorResponse(const std::string& id, const std::string& name, bool intrinsic, int code,
                          const std::string& description) {
  const char* element = intrinsic ? "IMETHODRESPONSE" : "METHODRESPONSE";
  XmlOut out;
  out.Raw(Head(id)).Open(element).Attr("NAME", name).Raw(">\n");
  out.Open("ERROR").Attr("CODE", std::to_string(code)).Attr("DESCRIPTION", description).Raw("/>\n");
  out.Raw("</").Raw(element).Raw(">\n").Raw(kTail);
  return std::move(out.Text());
}

}  // namespace zubwbem
