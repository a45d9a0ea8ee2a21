// op_context.h: what the operation files share (inside the server only).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/wbem/client_view.h"
#include "host/wbem/provider_gate.h"
#include "host/cim/schema.h"
#include "host/indications/subscriptions.h"
#include "host/cim/xml_request.h"
#include "host/cim/xml_writer.h"
#include "host/wbem/server_instances.h"

namespace zubwbem {

struct OpContext {
  const Schema& schema;
  ProviderGate& gate;
  const Request& request;
  std::string nameSpace;  // canonical
  SubscriptionStore* store = nullptr;  // null: no subscriptions are kept
  const ServerInstances* own = nullptr; // null: the server has no instances of its own
  bool view = false;                    // the client view (client_view.h) is served

  // What the operation answers when a class it is given does not exist
  // (DSP0200 names it per operation).
  int classMissing = kCimInvalidClass;

  // A class of the request's namespace; CimFault (classMissing) otherwise.
  const CimClass& RequireClass(const std::string& name) const;
  // A boolean IPARAMVALUE, or `fallback` when absent.
  bool Flag(const char* name, bool fallback) const;
  // PropertyList: absent or NULL means every property.
  PropertyFilter Properties() const;
};

// The instances of one request, from every source, each source read at
// most once: the library's classes (through the gate), the subscriptions
// the server keeps, the server's own instances and the client view's (its
// derived properties on the library's instances, its own instances). An
// alias class stands for the instances of the classes it names.
class InstanceCache {
 public:
  explicit InstanceCache(OpContext& ctx) : m_ctx(ctx) {}
  // The instances of `cls` and its subclasses, in cls's namespace.
  std::vector<const Instance*> Of(const CimClass& cls);
  // Every instance of a namespace.
  std::vector<const Instance*> In(const std::string& ns);
  // The instance a path names in its namespace (the request's when it has
  // none), or null.
  const Instance* Resolve(const CimPath& path);

 private:
  const std::vector<Instance>& Served(const CimClass& cls);
  const std::vector<Instance>& Kept(const CimClass& cls);

  ViewInstances* View();

  OpContext& m_ctx;
  std::unique_ptr<ViewInstances> m_view;
  std::map<const CimClass*, std::vector<Instance>> m_served;
  std::map<const CimClass*, std::vector<Instance>> m_kept;
};

// Returns the IRETURNVALUE content (or, for void operations, sets *isVoid).
std::string Associators(OpContext& ctx, bool names);
std::string References(OpContext& ctx, bool names);
// What those answer with, each instance once, handed to `emit`; the object
// is the path in the request's parameter `objectParam`.
void VisitAssociators(OpContext& ctx, const char* objectParam, const std::function<void(const Instance&)>& emit);
void VisitReferences(OpContext& ctx, const char* objectParam, const std::function<void(const Instance&)>& emit);
// EnumerateInstances' instances of the class in parameter `classParam`,
// each with the class the request named; `counted` (when given) learns how
// many come before the first.
void VisitInstances(OpContext& ctx, const char* classParam, const std::function<void(const Instance&)>& emit,
                    const CimClass** asked, const std::function<void(size_t)>& counted = nullptr);
// pull_ops.cpp: the pulled enumerations (DSP0200 1.3). Each returns what
// goes inside IMETHODRESPONSE.
std::string OpenEnumeration(OpContext& ctx);
std::string PullEnumeration(OpContext& ctx);
std::string CloseEnumeration(OpContext& ctx);
std::string InvokeMethod(OpContext& ctx);  // the METHODRESPONSE content
void ModifyInstance(OpContext& ctx);
// interop_ops.cpp: the instances the server keeps of exactly `cls`;
// CreateInstance (the new INSTANCENAME), ModifyInstance of a kept instance,
// and DeleteInstance.
std::vector<Instance> KeptInstances(OpContext& ctx, const CimClass& cls);
std::string CreateInstance(OpContext& ctx);
void ModifyKeptInstance(OpContext& ctx);
void DeleteInstance(OpContext& ctx);

}  // namespace zubwbem
