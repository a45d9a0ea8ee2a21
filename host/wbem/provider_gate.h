// provider_gate.h: the one way the server's threads reach the library. The
// library's lists are rebuilt in place by Update, so two requests refreshing
// the same class at once would interleave their records; the gate runs each
// refresh-and-copy, and each method call, alone. Turning records into XML
// happens outside it.
#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "host/cim/records.h"
#include "host/cim/schema.h"

namespace zubwbem {

class ProviderGate {
 public:
  explicit ProviderGate(PathDefaults defaults) : m_defaults(std::move(defaults)) {}

  // Initialize (the first time, which reads the list), or else Update, and
  // GetData of the class, as instances. A status other than 0 or 4 (nothing there) from Update, or a
  // failed GetData, throws CimFault (failed) naming the class and status.
  std::vector<Instance> List(const CimClass& cls);

  // The record of the instance with the keys of `path`, copied into
  // `*record` (a record of the class's description). False when there is none.
  bool FindRecord(const CimClass& cls, const CimPath& path, void* record);

  // Calls a method (or PutData) with a prepared record; returns its status.
  PROVIDER_STATUS Invoke(const CimClass& cls, const MethodDesc& method, void* record);

  const PathDefaults& Defaults() const { return m_defaults; }

 private:
  // The class's object, initialised on its first request; *fresh (when
  // given) tells whether that Initialize has just read the list. Under m_mutex.
  CProviderInterfaceBase& Object(const CimClass& cls, bool* fresh = nullptr);
  void Refresh(const CimClass& cls, const std::function<void(const void*)>& visit);  // under m_mutex

  PathDefaults m_defaults;
  std::mutex m_mutex;
  std::set<const ClassDesc*> m_initialized;
};

// Throws CimFault (invalid parameter) when `wanted` names no key at all, or
// (for a class with instances of its own) a key the class does not have.
void CheckKeys(const CimClass& cls, const CimPath& wanted);
// Whether an instance's path has the keys `wanted` asks for (namespaces are
// the operation's concern and not compared).
bool KeysMatch(const CimPath& have, const CimPath& wanted);

}  // namespace zubwbem
