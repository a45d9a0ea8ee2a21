// cim_access.cpp: the client's CIM-XML requests and the reading of their
// answers, over HTTP or handed to the operations in this process.
#include "host/wbem/cim_access.h"

#include <httplib.h>
#include <pugixml.hpp>

#include "framework/catalog.h"
#include "host/cim/xml_request.h"
#include "host/cim/xml_writer.h"
#include "host/kit/errors.h"
#include "host/kit/join.h"
#include "host/wbem/client_view.h"
#include "host/wbem/operations.h"

namespace zubwbem {

const CimValue* ClientInstance::Value(std::string_view name) const {
  for (const auto& [property, value] : properties) {
    if (EqualsNoCase(property, name)) return &value;
  }
  return nullptr;
}

namespace {

// One intrinsic request: its name, namespace and IPARAMVALUEs.
struct Call {
  std::string name;
  std::string ns;
  std::string params;  // the IPARAMVALUE elements
};

std::string Body(const Call& call) {
  XmlOut out;
  out.Raw("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">"
          "<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ>");
  out.Open("IMETHODCALL").Attr("NAME", call.name).Raw("><LOCALNAMESPACEPATH>");
  for (const std::string& part : SplitNamespace(call.ns)) out.Open("NAMESPACE").Attr("NAME", part).Raw("/>");
  out.Raw("</LOCALNAMESPACEPATH>").Raw(call.params).Raw("</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>\n");
  return std::move(out.Text());
}

std::string ClassParam(const char* name, const std::string& cls) {
  if (cls.empty()) return "";
  XmlOut out;
  out.Open("IPARAMVALUE").Attr("NAME", name).Raw(">").Open("CLASSNAME").Attr("NAME", cls).Raw("/></IPARAMVALUE>");
  return std::move(out.Text());
}

// The path as the parameter `name` (ObjectName, InstanceName), without its
// host and namespace.
std::string PathParam(const char* name, const CimPath& object) {
  CimPath local = object;
  local.host.clear();
  local.ns.clear();
  XmlOut out;
  out.Raw(std::string("<IPARAMVALUE NAME=\"") + name + "\">");
  out.InstanceName(local);
  out.Raw("</IPARAMVALUE>");
  return std::move(out.Text());
}

ClientInstance ReadInstance(pugi::xml_node instance, CimPath path) {
  ClientInstance out{std::move(path), {}};
  for (pugi::xml_node p : instance.children()) {
    const std::string element = p.name();
    if (element != "PROPERTY" && element != "PROPERTY.ARRAY" && element != "PROPERTY.REFERENCE") continue;
    out.properties.emplace_back(p.attribute("NAME").value(), ReadValue(p));
  }
  return out;
}

// The CIM-XML side of both ways: the requests and the answers' reading.
// `Exchange` carries one request and returns the answer's body.
class CimXmlAccess : public CimAccess {
 public:
  std::vector<ClientInstance> Instances(const std::string& ns, const std::string& cls) override {
    return Answer({"EnumerateInstances", ns, ClassParam("ClassName", cls)});
  }

  std::vector<ClientInstance> Associators(const CimPath& object, const std::string& assocClass,
                                          const std::string& resultClass) override {
    return Answer({"Associators", JoinNamespace(object.ns),
                   PathParam("ObjectName", object) + ClassParam("AssocClass", assocClass) + ClassParam("ResultClass", resultClass)});
  }

  std::vector<ClientInstance> References(const CimPath& object, const std::string& assocClass) override {
    return Answer({"References", JoinNamespace(object.ns), PathParam("ObjectName", object) + ClassParam("ResultClass", assocClass)});
  }

  std::optional<ClientInstance> Get(const CimPath& path) override {
    try {
      std::vector<ClientInstance> found =
          Answer({"GetInstance", JoinNamespace(path.ns), PathParam("InstanceName", path)});
      if (found.empty()) return std::nullopt;
      found.front().path = path;
      return found.front();
    } catch (const CimAccessError& e) {
      if (e.code() == kCimNotFound) return std::nullopt;
      throw;
    }
  }

  bool HasClass(const std::string& ns, const std::string& cls) override {
    try {
      Answer({"GetClass", ns, ClassParam("ClassName", cls)});
      return true;
    } catch (const CimAccessError& e) {
      if (e.code() == kCimInvalidClass || e.code() == kCimNotFound) return false;
      throw;
    }
  }

 protected:
  // The answer's body to a request `body` of `call`; throws CimAccessError
  // when there is none.
  virtual std::string Exchange(const Call& call, const std::string& body) = 0;

 private:
  std::vector<ClientInstance> Answer(const Call& call) {
    const std::string body = Exchange(call, Body(call));
    pugi::xml_document doc;
    if (!doc.load_string(body.c_str()))
      throw CimAccessError(0, call.name + " in " + call.ns + ": the answer is not XML");
    pugi::xml_node response = doc.child("CIM").child("MESSAGE").child("SIMPLERSP").child("IMETHODRESPONSE");
    if (!response) throw CimAccessError(0, call.name + " in " + call.ns + ": the answer is no IMETHODRESPONSE");
    if (pugi::xml_node error = response.child("ERROR"))
      throw CimAccessError(error.attribute("CODE").as_int(),
                           call.name + " in " + call.ns + ": CIM error " + error.attribute("CODE").value() + " (" +
                               error.attribute("DESCRIPTION").value() + ")");
    std::vector<ClientInstance> out;
    try {
      for (pugi::xml_node item : response.child("IRETURNVALUE").children()) {
        const std::string element = item.name();
        if (element == "INSTANCE") {
          out.push_back(ReadInstance(item, CimPath{}));
        } else if (element == "VALUE.NAMEDINSTANCE" || element == "VALUE.OBJECTWITHPATH") {
          CimPath path = ReadReference(item);
          if (path.ns.empty()) path.ns = SplitNamespace(call.ns);
          out.push_back(ReadInstance(item.child("INSTANCE"), std::move(path)));
        }
      }
    } catch (const CimFault& e) {
      throw CimAccessError(0, call.name + " in " + call.ns + ": the answer cannot be read: " + e.what());
    }
    return out;
  }
};

class Http final : public CimXmlAccess {
 public:
  Http(const std::string& url, bool noVerify) {
    const ServerAddress address = ParseServerUrl(url, "check");
    m_url = address.origin;  // no password in reports
    m_client = std::make_unique<httplib::Client>(address.origin);
    if (!m_client->is_valid()) throw zubcim::BadInput("check: cannot use the URL " + url);
    if (noVerify) m_client->enable_server_certificate_verification(false);
    m_client->set_connection_timeout(5, 0);
    m_client->set_read_timeout(60, 0);
    if (!address.user.empty()) m_client->set_basic_auth(address.user, address.password);
  }

  std::string Where() const override { return m_url; }

 protected:
  std::string Exchange(const Call& call, const std::string& body) override {
    std::string object;
    for (char c : call.ns) object += c == '/' ? std::string("%2F") : std::string(1, c);
    const httplib::Headers headers = {{"CIMOperation", "MethodCall"}, {"CIMMethod", call.name},
                                      {"CIMObject", object}, {"CIMProtocolVersion", "1.0"}};
    httplib::Result result = m_client->Post("/cimom", headers, body, "application/xml; charset=\"utf-8\"");
    if (!result) throw CimAccessError(0, call.name + ": no answer (" + httplib::to_string(result.error()) + ")");
    if (result->status != 200)
      throw CimAccessError(0, call.name + ": HTTP " + std::to_string(result->status) +
                                  (result->has_header("CIMError") ? " (" + result->get_header_value("CIMError") + ")" : ""));
    return result->body;
  }

 private:
  std::string m_url;
  std::unique_ptr<httplib::Client> m_client;
};

// The server's parts as `zubcim serve` puts them together (the client view
// too, unless --records-only), less HTTP and indications.
class InProcess final : public CimXmlAccess {
 public:
  explicit InProcess(const zubcim::HostOptions& options)
      : m_schema(ClassCatalog()),
        m_view(!options.recordsOnly && (AddClientView(m_schema), true)),
        m_session(SessionOptionsOf(options)),
        m_gate(PathDefaults{m_session.ComputerName(), ClassNs()}),
        m_own(m_schema, ServerIdentity{m_session.ComputerName(), ZUBCIM_VERSION, false}, m_gate),
        m_operations(m_schema, m_gate, nullptr, &m_own, m_view) {}

  std::string Where() const override { return "in-process"; }

 protected:
  std::string Exchange(const Call& call, const std::string& body) override {
    Outcome outcome = m_operations.Handle(body, CimHeaders{"MethodCall", call.name, call.ns, "1.0", "application/xml"});
    if (outcome.http != 200) throw CimAccessError(0, call.name + ": refused (" + outcome.cimError + ")");
    return outcome.body;
  }

 private:
  static zubcim::SessionOptions SessionOptionsOf(const zubcim::HostOptions& options) {
    zubcim::SessionOptions session = options.session;
    session.nameSpace.clear();
    for (const std::string& part : SplitNamespace(ClassNs())) zubcim::AppendJoined(session.nameSpace, "\\", part);
    return session;
  }

  Schema m_schema;
  bool m_view;  // the client view joined the schema (before anything reads it)
  zubcim::Session m_session;
  ProviderGate m_gate;
  ServerInstances m_own;
  Operations m_operations;
};

}  // namespace

ServerAddress ParseServerUrl(const std::string& url, const std::string& verb) {
  // scheme://[user:pass@]host[:port][/...]
  const size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string::npos)
    throw zubcim::BadInput(verb + ": --server takes a URL such as http://127.0.0.1:5988");
  const std::string scheme = url.substr(0, schemeEnd);
  std::string rest = url.substr(schemeEnd + 3);
  rest = rest.substr(0, rest.find('/'));
  ServerAddress out;
  if (size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string credentials = rest.substr(0, at);
    rest = rest.substr(at + 1);
    const size_t colon = credentials.find(':');
    out.user = credentials.substr(0, colon);
    if (colon != std::string::npos) out.password = credentials.substr(colon + 1);
  }
  if (scheme != "http" && scheme != "https")
    throw zubcim::BadInput(verb + ": the URL must start with http:// or https://");
  out.origin = scheme + "://" + rest;
  return out;
}

std::unique_ptr<CimAccess> HttpCimAccess(const std::string& url, bool noVerify) {
  return std::make_unique<Http>(url, noVerify);
}

std::unique_ptr<CimAccess> InProcessCimAccess(const zubcim::HostOptions& options) {
  return std::make_unique<InProcess>(options);
}

}  // namespace zubwbem
