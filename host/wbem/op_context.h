// op_context.h: what the operation files share (inside the server only).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/wbem/provider_gate.h"
#include "host/cim/schema.h"
#include "host/indications/subscriptions.h"
#include "host/cim/xml_request.h"
#include "host/cim/xml_writer.h"

namespace zubwbem {

struct OpContext {
  const Schema& schema;
  ProviderGate& gate;
  const Request& request;
  std::string nameSpace;  // canonical
  SubscriptionStore* store = nullptr;  // null: no subscriptions are kept

  // A class of the request's namespace; CimFault (invalid class) otherwise.
  const CimClass& RequireClass(const std::string& name) const;
  // A boolean IPARAMVALUE, or `fallback` when absent.
  bool Flag(const char* name, bool fallback) const;
  // PropertyList: absent or NULL means every property.
  PropertyFilter Properties() const;
};

// Instances read at most once per request.
class InstanceCache {
 public:
  explicit InstanceCache(ProviderGate& gate) : m_gate(gate) {}
  const std::vector<Instance>& Of(const CimClass& cls);

 private:
  ProviderGate& m_gate;
  std::map<const CimClass*, std::vector<Instance>> m_lists;
};

// Returns the IRETURNVALUE content (or, for void operations, sets *isVoid).
std::string Associators(OpContext& ctx, bool names);
std::string References(OpContext& ctx, bool names);
std::string InvokeMethod(OpContext& ctx);  // the METHODRESPONSE content
void ModifyInstance(OpContext& ctx);
// interop_ops.cpp: the instances the server keeps, of `cls` and its
// subclasses; CreateInstance (the new INSTANCENAME), ModifyInstance of a
// kept instance, and DeleteInstance.
std::vector<Instance> KeptInstances(OpContext& ctx, const CimClass& cls);
std::string CreateInstance(OpContext& ctx);
void ModifyKeptInstance(OpContext& ctx);
void DeleteInstance(OpContext& ctx);

}  // namespace zubwbem
