// cim_client.cpp: the in-process client of zubcim's task verbs.
#include "host/cim_client.h"

#include "host/errors.h"
#include "host/lookup.h"

namespace zubcim {

Json CimClient::Instances(const std::string& cls) {
  Json result = m_session.List(RequireClass(cls));
  return result["instances"];
}

Json CimClient::Invoke(const std::string& cls, const std::string& method, const Json& in) {
  const ClassDesc& c = RequireClass(cls);
  const MethodDesc& m = RequireMethod(c, method);
  Json result = m_session.Invoke(c, m, InputRecord(c, m, in));
  return {{"status", result["status"]}, {"record", result["record"]}};
}

std::string CimClient::Reference(const std::string& cls, const Json& record) const {
  const ClassDesc& c = RequireClass(cls);
  std::string path = "\\\\" + m_session.ComputerName() + "\\" + m_session.Namespace() + ":";
  bool first = true;
  for (const FieldDesc* key : KeyFields(c.record())) {
    path += first ? cls + "." : ",";
    path += std::string(key->CimName()) + "=\"" + record.value(key->name, "") + "\"";
    first = false;
  }
  return path;
}

std::string ReturnValueText(uint64_t value) {
  static const char* const kWords[] = {"success", "not supported", "unknown error", "timeout",
                                       "failed", "invalid parameter", "spare refused"};
  const std::string words = value < std::size(kWords) ? kWords[value] : "unexpected value";
  return std::to_string(value) + " (" + words + ")";
}

}  // namespace zubcim
