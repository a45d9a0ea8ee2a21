// cim_client.cpp: the in-process client of zubcim's task verbs.
#include "host/cli/cim_client.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "host/kit/errors.h"
#include "host/kit/join.h"
#include "host/kit/lookup.h"

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

std::string Text(const Json& record, const char* field) { return record.value(field, ""); }

Json FindOne(const Json& instances, std::initializer_list<const char*> fields, const std::string& value,
             const std::string& what) {
  std::vector<Json> hits;
  for (const Json& r : instances) {
    if (std::any_of(fields.begin(), fields.end(), [&](const char* f) { return Text(r, f) == value; }))
      hits.push_back(r);
  }
  if (hits.size() == 1) return hits[0];
  std::string names;
  for (const Json& r : instances) AppendJoined(names, ", ", Text(r, *fields.begin()));
  if (hits.empty()) throw BadInput("no " + what + " \"" + value + "\" (there are: " + names + ")");
  throw BadInput(what + " \"" + value + "\" is ambiguous; name it by " + *(fields.end() - 1));
}

Json FindDisk(const Json& disks, const std::string& name) {
  return FindOne(disks, {"SerialNumber", "DeviceID"}, name, "disk");
}

int ReportOutcome(const HostOptions& options, const std::string& command, const std::string& verb,
                  const std::string& method, const Json& result, const std::string& success) {
  const uint64_t rv = result["record"].value("ReturnValue", uint64_t{0});
  const int status = result["status"].get<int>();
  if (options.json) {
    PrintLine({{command, verb}, {"invoke", method}, {"status", status}, {"record", result["record"]}});
  } else {
    std::cout << command << " " << verb << ": " << method << " returned CIM return value " << ReturnValueText(rv);
    if (status != 0) std::cout << ", status " << status;
    std::cout << '\n';
    if (rv == 0 && status == 0 && !success.empty()) std::cout << success << '\n';
  }
  return rv == 0 && status == 0 ? kExitOk : kExitMethodFailed;
}

}  // namespace zubcim
