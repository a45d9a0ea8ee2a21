// cim_client.cpp: the in-process client of zubcim's task verbs.
#include "host/cli/cim_client.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <vector>

#include "classes/tables.h"
#include "framework/object_path.h"
#include "host/kit/errors.h"
#include "host/kit/join.h"
#include "host/kit/lookup.h"
#include "host/kit/wide_text.h"

namespace zubcim {
namespace {

// The instance's keys, for a message: DeviceID "a\"b_5", ...
std::string Describe(const Json& record, const ClassDesc& cls) {
  std::string out;
  for (const FieldDesc* key : KeyFields(cls.record())) AppendJoined(out, ", ", std::string(key->CimName()) + " " + record.value(key->name, Json("")).dump());
  return out;
}

}  // namespace

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
  CWbemObjectPath path;
  path.m_host = FromUtf8(m_session.ComputerName()).c_str();
  path.m_namespace = FromUtf8(m_session.Namespace()).c_str();
  for (const FieldDesc* key : KeyFields(c.record())) {
    const std::string name = (path.m_keys.GetCount() == 0 ? cls + "." : "") + key->CimName();
    path.m_keys.AddProperty(FromUtf8(name).c_str(), FromUtf8(record.value(key->name, "")).c_str());
  }
  // The library's reading of its reference text cuts a value at a double
  // quote and loses the keys after a comma: it would look for another
  // instance, or none.
  if (!LibraryReadsBack(path))
    throw BadInput(cls + " " + Describe(record, c) +
                   ": its keys hold a double quote or a comma, which the provider's reference text cannot carry, so "
                   "no method of the provider can be given this instance");
  return ToUtf8(path.ToString().Str());
}

std::string ReturnValueText(uint64_t value) {
  const char* word = value <= INT64_MAX ? WordOf(kMethodReturnWords, static_cast<int64_t>(value)) : nullptr;
  return std::to_string(value) + " (" + (word ? word : "unexpected value") + ")";
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
