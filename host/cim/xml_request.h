// xml_request.h: a CIM-XML request (DSP0200 simple request) read into what
// the operations need. Reading values never trusts the document: every
// missing or unexpected element ends in a CimFault or a BadRequest.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "host/cim/cim_model.h"

namespace zubwbem {

// A request the HTTP layer refuses: status and the CIMError header value.
struct BadRequest {
  int http;
  std::string cimError;
  std::string detail;
};

struct Request {
  pugi::xml_document doc;
  std::string id;
  bool intrinsic = true;
  std::string name;       // operation or method
  std::string nameSpace;  // as sent: "root/corvo_zub"
  // Extrinsic calls: the target (an instance, or a class when `className` is
  // set and `target` is absent).
  std::optional<CimPath> target;
  std::string className;
  std::vector<pugi::xml_node> params;  // IPARAMVALUE or PARAMVALUE

  pugi::xml_node Param(const char* name) const;  // case-insensitive; empty when absent
};

// Parses `body` into `*out`; a BadRequest when it is not well-formed XML or
// not a simple CIM-XML request.
std::optional<BadRequest> ParseRequest(const std::string& body, Request* out);

// Values of parameters. Each throws CimFault (invalid parameter) naming
// `what` when the element is not of the expected shape.
bool ReadBoolean(pugi::xml_node param, const char* what);
std::string ReadClassName(pugi::xml_node param, const char* what);
std::string ReadString(pugi::xml_node param, const char* what);
std::vector<std::string> ReadStringArray(pugi::xml_node param, const char* what);
CimPath ReadInstanceName(pugi::xml_node instanceName);
// VALUE.REFERENCE holding INSTANCEPATH, LOCALINSTANCEPATH or INSTANCENAME.
CimPath ReadReference(pugi::xml_node valueReference);
// A PARAMVALUE's or PROPERTY's value: VALUE, VALUE.ARRAY, VALUE.REFERENCE,
// VALUE.REFARRAY, or nothing (NULL).
CimValue ReadValue(pugi::xml_node holder);

}  // namespace zubwbem
