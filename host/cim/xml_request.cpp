// xml_request.cpp: reading CIM-XML requests and values.
#include "host/cim/xml_request.h"

#include <cstring>

namespace zubwbem {
namespace {

bool Is(pugi::xml_node node, const char* name) { return std::strcmp(node.name(), name) == 0; }

constexpr int kMaxReferenceDepth = 8;

// The major version of "2.0", "1.4", ...: the part before the dot.
std::string Major(const char* version) {
  std::string v = version;
  return v.substr(0, v.find('.'));
}

std::vector<std::string> Namespace(pugi::xml_node localNamespacePath) {
  std::vector<std::string> parts;
  for (pugi::xml_node ns : localNamespacePath.children("NAMESPACE")) {
    for (std::string& part : SplitNamespace(ns.attribute("NAME").value())) parts.push_back(std::move(part));
  }
  return parts;
}

[[noreturn]] void Invalid(const std::string& what) { throw CimFault(kCimInvalidParameter, what); }

}  // namespace

pugi::xml_node Request::Param(const char* wanted) const {
  for (pugi::xml_node p : params) {
    if (EqualsNoCase(p.attribute("NAME").value(), wanted)) return p;
  }
  return {};
}

std::optional<BadRequest> ParseRequest(const std::string& body, Request* out) {
  pugi::xml_parse_result parsed =
      out->doc.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) return BadRequest{400, "request-not-well-formed", parsed.description()};
  auto notValid = [](const std::string& detail) { return BadRequest{400, "request-not-valid", detail}; };
  pugi::xml_node cim = out->doc.child("CIM");
  if (!cim) return notValid("the document has no CIM element");
  if (Major(cim.attribute("CIMVERSION").as_string("2")) != "2")
    return BadRequest{501, "unsupported-cim-version", "CIMVERSION must be 2.x"};
  if (Major(cim.attribute("DTDVERSION").as_string("2")) != "2")
    return BadRequest{501, "unsupported-dtd-version", "DTDVERSION must be 2.x"};
  pugi::xml_node message = cim.child("MESSAGE");
  if (!message) return notValid("the CIM element has no MESSAGE");
  out->id = message.attribute("ID").value();
  if (Major(message.attribute("PROTOCOLVERSION").as_string("1")) != "1")
    return BadRequest{501, "unsupported-protocol-version", "PROTOCOLVERSION must be 1.x"};
  if (message.child("MULTIREQ")) return BadRequest{501, "multiple-requests-unsupported", "MULTIREQ is not served"};
  pugi::xml_node simple = message.child("SIMPLEREQ");
  if (!simple) return notValid("the MESSAGE has no SIMPLEREQ");
  try {
    if (pugi::xml_node call = simple.child("IMETHODCALL")) {
      out->intrinsic = true;
      out->name = call.attribute("NAME").value();
      out->nameSpace = JoinNamespace(Namespace(call.child("LOCALNAMESPACEPATH")));
      for (pugi::xml_node p : call.children("IPARAMVALUE")) out->params.push_back(p);
    } else if (pugi::xml_node call = simple.child("METHODCALL")) {
      out->intrinsic = false;
      out->name = call.attribute("NAME").value();
      if (pugi::xml_node path = call.child("LOCALINSTANCEPATH")) {
        out->nameSpace = JoinNamespace(Namespace(path.child("LOCALNAMESPACEPATH")));
        out->target = ReadInstanceName(path.child("INSTANCENAME"));
        out->className = out->target->className;
      } else if (pugi::xml_node path = call.child("LOCALCLASSPATH")) {
        out->nameSpace = JoinNamespace(Namespace(path.child("LOCALNAMESPACEPATH")));
        out->className = path.child("CLASSNAME").attribute("NAME").value();
      } else {
        return notValid("METHODCALL names no LOCALINSTANCEPATH or LOCALCLASSPATH");
      }
      for (pugi::xml_node p : call.children("PARAMVALUE")) out->params.push_back(p);
    } else {
      return notValid("SIMPLEREQ holds no IMETHODCALL or METHODCALL");
    }
  } catch (const CimFault& e) {
    return notValid(e.what());
  }
  if (out->name.empty()) return notValid("the call has no NAME");
  return std::nullopt;
}

bool ReadBoolean(pugi::xml_node param, const char* what) {
  std::string text = param.child("VALUE").text().get();
  if (EqualsNoCase(text, "true")) return true;
  if (EqualsNoCase(text, "false")) return false;
  Invalid(std::string(what) + " must be TRUE or FALSE");
}

std::string ReadClassName(pugi::xml_node param, const char* what) {
  pugi::xml_node name = param.child("CLASSNAME");
  if (!name || !*name.attribute("NAME").value()) Invalid(std::string(what) + " must be a CLASSNAME");
  return name.attribute("NAME").value();
}

std::string ReadString(pugi::xml_node param, const char* what) {
  pugi::xml_node value = param.child("VALUE");
  if (!value) Invalid(std::string(what) + " must be a VALUE");
  return value.text().get();
}

std::vector<std::string> ReadStringArray(pugi::xml_node param, const char* what) {
  pugi::xml_node array = param.child("VALUE.ARRAY");
  if (!array) Invalid(std::string(what) + " must be a VALUE.ARRAY");
  std::vector<std::string> out;
  for (pugi::xml_node v : array.children("VALUE")) out.emplace_back(v.text().get());
  return out;
}

CimPath ReadInstanceName(pugi::xml_node instanceName) {
  if (!instanceName || !Is(instanceName, "INSTANCENAME")) Invalid("expected an INSTANCENAME");
  // References inside keys inside references: a path of the CIM classes
  // nests a few levels at most; a request nesting deeper is refused before
  // the recursion could exhaust a worker's stack.
  int depth = 0;
  for (pugi::xml_node up = instanceName.parent(); up; up = up.parent()) {
    if (Is(up, "VALUE.REFERENCE") && ++depth > kMaxReferenceDepth) Invalid("references nest too deeply");
  }
  CimPath path;
  path.className = instanceName.attribute("CLASSNAME").value();
  if (path.className.empty()) Invalid("an INSTANCENAME has no CLASSNAME");
  for (pugi::xml_node binding : instanceName.children("KEYBINDING")) {
    KeyBinding key;
    key.name = binding.attribute("NAME").value();
    if (key.name.empty()) Invalid("a KEYBINDING of " + path.className + " has no NAME");
    if (pugi::xml_node value = binding.child("KEYVALUE")) {
      std::string type = value.attribute("VALUETYPE").as_string("string");
      key.kind = type == "numeric"   ? KeyBinding::Kind::Numeric
                 : type == "boolean" ? KeyBinding::Kind::Boolean
                                     : KeyBinding::Kind::String;
      key.value = value.text().get();
    } else if (pugi::xml_node ref = binding.child("VALUE.REFERENCE")) {
      key.kind = KeyBinding::Kind::Reference;
      key.ref.push_back(ReadReference(ref));
    } else {
      Invalid("key " + key.name + " of " + path.className + " has no KEYVALUE or VALUE.REFERENCE");
    }
    path.keys.push_back(std::move(key));
  }
  return path;
}

CimPath ReadReference(pugi::xml_node valueReference) {
  if (pugi::xml_node full = valueReference.child("INSTANCEPATH")) {
    pugi::xml_node nsPath = full.child("NAMESPACEPATH");
    CimPath path = ReadInstanceName(full.child("INSTANCENAME"));
    path.host = nsPath.child("HOST").text().get();
    path.ns = Namespace(nsPath.child("LOCALNAMESPACEPATH"));
    return path;
  }
  if (pugi::xml_node local = valueReference.child("LOCALINSTANCEPATH")) {
    CimPath path = ReadInstanceName(local.child("INSTANCENAME"));
    path.ns = Namespace(local.child("LOCALNAMESPACEPATH"));
    return path;
  }
  if (pugi::xml_node bare = valueReference.child("INSTANCENAME")) return ReadInstanceName(bare);
  Invalid("a reference must name an instance (INSTANCEPATH, LOCALINSTANCEPATH or INSTANCENAME)");
}

CimValue ReadValue(pugi::xml_node holder) {
  CimValue out;
  for (pugi::xml_node child : holder.children()) {
    if (child.type() != pugi::node_element) continue;
    out.null = false;
    if (Is(child, "VALUE")) {
      out.items.emplace_back(child.text().get());
    } else if (Is(child, "VALUE.ARRAY")) {
      for (pugi::xml_node v : child.children("VALUE")) out.items.emplace_back(v.text().get());
    } else if (Is(child, "VALUE.REFERENCE")) {
      out.refs.push_back(ReadReference(child));
    } else if (Is(child, "VALUE.REFARRAY")) {
      for (pugi::xml_node v : child.children("VALUE.REFERENCE")) out.refs.push_back(ReadReference(v));
    } else if (Is(child, "QUALIFIER")) {
      out.null = out.items.empty() && out.refs.empty();
      continue;
    } else {
      Invalid(std::string("unexpected element ") + child.name() + " in a value");
    }
    return out;
  }
  return out;
}

}  // namespace zubwbem
