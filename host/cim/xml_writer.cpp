// xml_writer.cpp: CIM-XML elements and whole responses.
#include "host/cim/xml_writer.h"

#include <algorithm>

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

}  // namespace

bool PropertyFilter::Allows(std::string_view name) const {
  return m_all || std::any_of(m_names.begin(), m_names.end(), [&](const std::string& n) { return EqualsNoCase(n, name); });
}

const char* TypeName(CimType type) {
  switch (type) {
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

void XmlOut::Qualifier(std::string_view name, std::string_view type, std::string_view value) {
  Open("QUALIFIER").Attr("NAME", name).Attr("TYPE", type).Raw(">");
  Value(value);
  Raw("</QUALIFIER>");
}

void XmlOut::Property(const CimProperty& p, const CimValue* value, const std::string* origin) {
  const bool withValue = value && !value->null;
  if (p.type == CimType::Reference && !p.array) {
    Open("PROPERTY.REFERENCE").Attr("NAME", p.name);
    if (!p.refClass.empty()) Attr("REFERENCECLASS", p.refClass);
    if (origin) Attr("CLASSORIGIN", *origin);
    Raw(">");
    if (!value && p.key) Qualifier("Key", "boolean", "TRUE");
    if (withValue && !value->refs.empty()) ValueReference(value->refs.front());
    Raw("</PROPERTY.REFERENCE>\n");
    return;
  }
  const char* type = p.type == CimType::Reference ? "string" : TypeName(p.type);
  Open(p.array ? "PROPERTY.ARRAY" : "PROPERTY").Attr("NAME", p.name).Attr("TYPE", type);
  if (origin) Attr("CLASSORIGIN", *origin);
  Raw(">");
  if (!value && p.key) Qualifier("Key", "boolean", "TRUE");
  if (withValue) {
    if (p.array) Raw("<VALUE.ARRAY>");
    for (const std::string& item : value->items) Value(item);
    for (const CimPath& ref : value->refs) Value(UriOf(ref));
    if (p.array) Raw("</VALUE.ARRAY>");
  }
  Raw(p.array ? "</PROPERTY.ARRAY>\n" : "</PROPERTY>\n");
}

void XmlOut::Instance(const zubwbem::Instance& instance, const InstanceOptions& options) {
  const CimClass& cls = *instance.cls;
  Open("INSTANCE").Attr("CLASSNAME", cls.name).Raw(">\n");
  for (size_t i = 0; i < cls.properties.size(); ++i) {
    const CimProperty& p = cls.properties[i];
    if (!options.properties.Allows(p.name)) continue;
    if (options.declaredIn && !options.declaredIn->FindProperty(p.name)) continue;
    Property(p, &instance.values[i], options.classOrigin ? &cls.name : nullptr);
  }
  Raw("</INSTANCE>\n");
}

void XmlOut::Class(const CimClass& cls, const ClassOptions& options) {
  Open("CLASS").Attr("NAME", cls.name);
  if (!cls.superclass.empty()) Attr("SUPERCLASS", cls.superclass);
  Raw(">\n");
  if (options.qualifiers) {
    if (cls.association) Qualifier("Association", "boolean", "TRUE");
    if (!cls.description.empty()) Qualifier("Description", "string", cls.description);
  }
  // Every property and method is the class's own: the standard parents carry
  // no definitions here, so LocalOnly leaves them all.
  for (const CimProperty& p : cls.properties) {
    if (!options.properties.Allows(p.name)) continue;
    if (options.qualifiers) {
      Property(p, nullptr, options.classOrigin ? &cls.name : nullptr);
    } else {
      CimProperty plain = p;
      plain.key = false;
      Property(plain, nullptr, options.classOrigin ? &cls.name : nullptr);
    }
  }
  for (const CimMethod& m : cls.methods) {
    Open("METHOD").Attr("NAME", m.name).Attr("TYPE", TypeName(m.returnType));
    if (options.classOrigin) Attr("CLASSORIGIN", cls.name);
    Raw(">\n");
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
        Qualifier("In", "boolean", p.in ? "TRUE" : "FALSE");
        if (p.out) Qualifier("Out", "boolean", "TRUE");
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

std::string IMethodResponse(const std::string& id, const std::string& name, const std::string* body) {
  XmlOut out;
  out.Raw(Head(id)).Open("IMETHODRESPONSE").Attr("NAME", name).Raw(">\n");
  if (body) out.Raw("<IRETURNVALUE>\n").Raw(*body).Raw("</IRETURNVALUE>\n");
  out.Raw("</IMETHODRESPONSE>\n").Raw(kTail);
  return std::move(out.Text());
}

std::string MethodResponse(const std::string& id, const std::string& name, const std::string& body) {
  XmlOut out;
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
