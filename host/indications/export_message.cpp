// export_message.cpp: writing and reading ExportIndication messages.
#include "host/indications/export_message.h"

#include <chrono>
#include <map>

#include "host/cim/records.h"
#include "host/cim/xml_writer.h"
#include "host/indications/subscriptions.h"
#include "host/kit/wide_text.h"

namespace zubwbem {
namespace {

const char* const kHead = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">\n";

std::string Message(const std::string& id, const std::string& body) {
  XmlOut out;
  out.Raw(kHead).Open("MESSAGE").Attr("ID", id).Attr("PROTOCOLVERSION", "1.0").Raw(">\n").Raw(body);
  out.Raw("</MESSAGE>\n</CIM>\n");
  return std::move(out.Text());
}

// The library's path text as a WBEM URI; any other text ("N/A") as it is.
std::string UriOfLibraryPath(const std::string& text) {
  if (text.rfind("\\\\", 0) != 0) return text;
  const CimPath path = PathFromLibraryText(text);
  return "//" + path.host + "/" + CanonicalNamespace(JoinNamespace(path.ns)) + ":" + Describe(path);
}

pugi::xml_node ChildNoCase(pugi::xml_node parent, const char* element, const char* name) {
  for (pugi::xml_node child : parent.children(element)) {
    if (EqualsNoCase(child.attribute("NAME").value(), name)) return child;
  }
  return {};
}

}  // namespace

std::string DateTimeNow() { return CimDateTime(std::chrono::system_clock::now()); }

std::string ExportRequest(const Schema& schema, const stZUB_AlertIndication& alert, const std::string& messageId,
                          const std::string& identifier, const std::string& time) {
  const CimClass* cls = schema.Find(ClassNs(), zubcim::ToUtf8(alert.AlertClassName.Str()));
  if (!cls || !cls->indication) cls = schema.Find(ClassNs(), "ZUB_AlertIndication");
  Instance instance;
  instance.cls = cls;
  const PathDefaults defaults{"", ClassNs()};
  for (const CimProperty& p : cls->properties) {
    CimValue value;
    if (p.field) {
      value = ReadField(*p.field, p, p.field->at(const_cast<stZUB_AlertIndication*>(&alert)), defaults);
    } else {
      value.null = false;
      value.items.push_back(p.name == "IndicationTime" ? time : identifier);
    }
    if (p.name == "AlertingManagedElement" && !value.items.empty()) value.items.front() = UriOfLibraryPath(value.items.front());
    instance.values.push_back(std::move(value));
  }
  XmlOut out;
  out.Raw("<SIMPLEEXPREQ>\n<EXPMETHODCALL NAME=\"ExportIndication\">\n<EXPPARAMVALUE NAME=\"NewIndication\">\n");
  out.Instance(instance, InstanceOptions{});
  out.Raw("</EXPPARAMVALUE>\n</EXPMETHODCALL>\n</SIMPLEEXPREQ>\n");
  return Message(messageId, out.Text());
}

std::string LifeCycleExportRequest(const Schema& schema, const LifeCycleEvent& event, const std::string& messageId,
                                   const std::string& identifier, const std::string& time) {
  const CimClass* cls = schema.Find(ClassNs(), event.indicationClass);
  auto embedded = [](const zubwbem::Instance& instance) {
    XmlOut text;
    text.Instance(instance, InstanceOptions{});
    return text.Text();
  };
  auto scalar = [](std::string text) { return CimValue{false, {std::move(text)}, {}}; };
  const CimPath& path = event.source.path;
  const std::map<std::string, CimValue, std::less<>> given = {
      {"IndicationIdentifier", scalar(identifier)},
      {"IndicationTime", scalar(time)},
      {"SourceInstance", scalar(embedded(event.source))},
      {"SourceInstanceModelPath",
       scalar("//" + path.host + "/" + CanonicalNamespace(JoinNamespace(path.ns)) + ":" + Describe(path))},
      {"SourceInstanceHost", scalar(path.host)},
      {"PreviousInstance", event.previous ? scalar(embedded(*event.previous)) : CimValue{}},
      {"ChangedPropertyNames", event.changed.empty() ? CimValue{} : CimValue{false, event.changed, {}}},
  };
  Instance instance;
  instance.cls = cls;
  for (const CimProperty& p : cls->properties) {
    const auto found = given.find(p.name);
    instance.values.push_back(found == given.end() ? CimValue{} : found->second);
  }
  InstanceOptions options;
  options.embeddedObjects = true;
  XmlOut out;
  out.Raw("<SIMPLEEXPREQ>\n<EXPMETHODCALL NAME=\"ExportIndication\">\n<EXPPARAMVALUE NAME=\"NewIndication\">\n");
  out.Instance(instance, options);
  out.Raw("</EXPPARAMVALUE>\n</EXPMETHODCALL>\n</SIMPLEEXPREQ>\n");
  return Message(messageId, out.Text());
}

const CimValue* ReceivedIndication::Value(std::string_view name) const {
  for (const auto& [property, value] : properties) {
    if (EqualsNoCase(property, name)) return &value;
  }
  return nullptr;
}

std::string ReceivedIndication::Text(std::string_view name) const {
  const CimValue* v = Value(name);
  std::string out;
  if (!v) return out;
  for (const std::string& item : v->items) out += (out.empty() ? "" : ", ") + item;
  for (const CimPath& ref : v->refs) out += (out.empty() ? "" : ", ") + Describe(ref);
  return out;
}

std::optional<BadRequest> ReadExportRequest(const std::string& body, ReceivedIndication* out) {
  pugi::xml_document doc;
  pugi::xml_parse_result parsed = doc.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) return BadRequest{400, "request-not-well-formed", parsed.description()};
  auto notValid = [](const std::string& detail) { return BadRequest{400, "request-not-valid", detail}; };
  pugi::xml_node message = doc.child("CIM").child("MESSAGE");
  if (!message) return notValid("no CIM/MESSAGE element");
  out->messageId = message.attribute("ID").value();
  pugi::xml_node call = message.child("SIMPLEEXPREQ").child("EXPMETHODCALL");
  if (!call) return notValid("no SIMPLEEXPREQ/EXPMETHODCALL element");
  if (!EqualsNoCase(call.attribute("NAME").value(), "ExportIndication"))
    return BadRequest{400, "unsupported-operation", "only ExportIndication is taken"};
  pugi::xml_node instance = ChildNoCase(call, "EXPPARAMVALUE", "NewIndication").child("INSTANCE");
  if (!instance) return notValid("no NewIndication INSTANCE");
  out->className = instance.attribute("CLASSNAME").value();
  try {
    for (pugi::xml_node property : instance.children()) {
      const std::string element = property.name();
      if (element == "PROPERTY" || element == "PROPERTY.ARRAY" || element == "PROPERTY.REFERENCE")
        out->properties.emplace_back(property.attribute("NAME").value(), ReadValue(property));
    }
  } catch (const CimFault& e) {
    return notValid(e.what());
  }
  return std::nullopt;
}

std::string ExportResponse(const std::string& messageId) {
  return Message(messageId,
                 "<SIMPLEEXPRSP>\n<EXPMETHODRESPONSE NAME=\"ExportIndication\">\n</EXPMETHODRESPONSE>\n</SIMPLEEXPRSP>\n");
}

std::string ExportErrorResponse(const std::string& messageId, int code, const std::string& description) {
  XmlOut out;
  out.Raw("<SIMPLEEXPRSP>\n<EXPMETHODRESPONSE NAME=\"ExportIndication\">\n");
  out.Open("ERROR").Attr("CODE", std::to_string(code)).Attr("DESCRIPTION", description).Raw("/>\n");
  out.Raw("</EXPMETHODRESPONSE>\n</SIMPLEEXPRSP>\n");
  return Message(messageId, out.Text());
}

bool ExportAccepted(const std::string& body, std::string* error) {
  // Listeners answer in many ways; only an ERROR says the indication was not taken.
  pugi::xml_document doc;
  doc.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8);
  pugi::xml_node e = doc.child("CIM").child("MESSAGE").child("SIMPLEEXPRSP").child("EXPMETHODRESPONSE").child("ERROR");
  if (!e) return true;
  *error = std::string("the listener answered with error ") + e.attribute("CODE").value() + ": " +
           e.attribute("DESCRIPTION").value();
  return false;
}

}  // namespace zubwbem
