// wbem_request_fuzz.cpp: the WBEM server reads request bodies from any
// client on the network. A body goes through everything after the socket,
// in-process: the request parser, the operation, the library (the real
// catalogue on the built-in simulated topology) and the response writer.
// No body may crash it, make it throw, leave a middleware session open, or
// bring a 200 answer that is not well-formed XML.
//
// The input is the body itself (fuzz/corpus/wbem_request holds one request
// of each operation, fuzz/wbem_request.dict the CIM-XML words). Methods may
// change the simulated stack; it goes back to the built-in topology after
// each change, so every input meets the same one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <pugixml.hpp>

#include "framework/catalog.h"
#include "middleware/middleware_state.h"
#include "host/wbem/operations.h"
#include "sim/abru2_control.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static zubwbem::Schema* const schema = [] {
    SsiInitialize();
    g_bMiddlewareInitialized = true;
    return new zubwbem::Schema(ClassCatalog());
  }();
  static zubwbem::ProviderGate gate{zubwbem::PathDefaults{"fuzz", zubwbem::ClassNs()}};
  static zubwbem::Operations operations{*schema, gate};
  static uint64_t changes = abru2sim::ChangeCount();

  const std::string body(reinterpret_cast<const char*>(data), size);
  const zubwbem::CimHeaders headers{"MethodCall", "", "", "1.0", "application/xml; charset=utf-8"};
  const zubwbem::Outcome outcome = operations.Handle(body, headers);  // an exception escaping is a finding

  if (outcome.http == 200) {
    pugi::xml_document answer;
    if (!answer.load_string(outcome.body.c_str())) std::abort();
  }
  if (abru2sim::GetCounters().sessionsOpen != 0) std::abort();
  if (abru2sim::ChangeCount() != changes) {
    abru2sim::ResetToDefault();
    changes = abru2sim::ChangeCount();
  }
  return 0;
}
