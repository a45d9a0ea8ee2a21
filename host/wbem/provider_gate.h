// provider_gate.h: the library's records as the server's instances. Every
// request goes the host's one way (host/kit/requests.h: one lock, Initialize
// on the first request, a failed Update tried again); the gate turns the
// records into instances with their paths, and a status the server cannot
// answer with into a CimFault. Turning instances into XML happens outside
// the request's lock.
#pragma once

#include <functional>
#include <vector>

#include "host/cim/records.h"
#include "host/cim/schema.h"
#include "host/kit/record_json.h"

namespace zubwbem {

class ProviderGate {
 public:
  explicit ProviderGate(PathDefaults defaults) : m_defaults(std::move(defaults)) {}

  // The class's records, read by the host's request path, as instances. A
  // status other than 0 or 4 (nothing there), or an object that cannot be
  // made, throws CimFault (failed) naming the class and status.
  std::vector<Instance> List(const CimClass& cls);
  // The same, with each record's JSON (every field, internal ones too) in
  // *records, read in the same pass.
  std::vector<Instance> List(const CimClass& cls, std::vector<zubcim::Json>* records);

  // The record of the instance with the keys of `path`, copied into
  // `*record` (a record of the class's description). False when there is none.
  bool FindRecord(const CimClass& cls, const CimPath& path, void* record);

  // Calls a method (or PutData) with a prepared record through the host's
  // request path; returns its status (CimFault when the object cannot be
  // made).
  PROVIDER_STATUS Invoke(const CimClass& cls, const MethodDesc& method, void* record);

  const PathDefaults& Defaults() const { return m_defaults; }

 private:
  void Refresh(const CimClass& cls, const std::function<void(const void*)>& visit);

  PathDefaults m_defaults;
};

// Throws CimFault (invalid parameter) when `wanted` names no key at all, or
// (for a class with instances of its own) a key the class does not have.
void CheckKeys(const CimClass& cls, const CimPath& wanted);
// Whether an instance's path has the keys `wanted` asks for (namespaces are
// the operation's concern and not compared).
bool KeysMatch(const CimPath& have, const CimPath& wanted);

}  // namespace zubwbem
