// operations.h: one CIM-XML request in, one response out: the DSP0200
// intrinsic operations and extrinsic method calls, answered from the schema
// and the library (through the gate). Never throws.
#pragma once

#include <string>

#include "host/wbem/provider_gate.h"
#include "host/cim/schema.h"
#include "host/indications/subscriptions.h"
#include "host/wbem/server_instances.h"

namespace zubwbem {

// The CIM headers of a request (values as received).
struct CimHeaders {
  std::string cimOperation;
  std::string cimMethod;
  std::string cimObject;
  std::string protocolVersion;
  std::string contentType;
};

struct Outcome {
  int http = 200;
  std::string cimError;  // CIMError header of a refused request
  std::string body;
  std::string operation;  // for the log
  std::string className;
  int cimStatus = 0;
};

class Operations {
 public:
  // `store` keeps the indication subscriptions clients create in
  // root/interop; without one, creating them is not supported. `own` are
  // the server's own instances (server_instances.h), when it has them.
  // `view`: the client view is served (its classes are in the schema,
  // AddClientView); without it the library's records alone.
  Operations(const Schema& schema, ProviderGate& gate, SubscriptionStore* store = nullptr,
             const ServerInstances* own = nullptr, bool view = false)
      : m_schema(schema), m_gate(gate), m_store(store), m_own(own), m_view(view) {}
  Outcome Handle(const std::string& body, const CimHeaders& headers);

 private:
  const Schema& m_schema;
  ProviderGate& m_gate;
  SubscriptionStore* m_store;
  const ServerInstances* m_own;
  bool m_view;
};

std::string PercentDecode(const std::string& text);

}  // namespace zubwbem
