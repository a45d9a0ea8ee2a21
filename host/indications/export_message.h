// export_message.h: the CIM-XML export messages that carry indications
// (DSP0200 ExportIndication): the request the server sends a listener for
// an alert of the library (framework/alert.h), the listener's reading of it,
// and the listener's answers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/alert.h"
#include "host/cim/cim_model.h"
#include "host/cim/schema.h"
#include "host/cim/xml_request.h"
#include "host/indications/lifecycle.h"

namespace zubwbem {

// The indication an alert becomes: an instance of its AlertClassName
// (ZUB_AlertIndication when the schema has no such class) with the alert
// record's properties, `identifier` as IndicationIdentifier and `time` (a
// CIM datetime) as IndicationTime. AlertingManagedElement, a path, is
// written as a WBEM URI ("//host/root/corvo_zub:Class.Key=\"v\"").
std::string ExportRequest(const Schema& schema, const stZUB_AlertIndication& alert, const std::string& messageId,
                          const std::string& identifier, const std::string& time);

// The life-cycle indication of `event` (lifecycle.h): an instance of its
// class with IndicationIdentifier, IndicationTime (a CIM datetime),
// SourceInstance (and a modification's PreviousInstance) as embedded
// instances, SourceInstanceModelPath (the instance's WBEM URI),
// SourceInstanceHost and a modification's ChangedPropertyNames.
std::string LifeCycleExportRequest(const Schema& schema, const LifeCycleEvent& event, const std::string& messageId,
                                   const std::string& identifier, const std::string& time);

// A CIM datetime of the current UTC time: yyyymmddhhmmss.mmmmmm+000.
std::string DateTimeNow();

// What a listener read from an export request.
struct ReceivedIndication {
  std::string messageId;
  std::string className;
  std::vector<std::pair<std::string, CimValue>> properties;  // in the order received

  const CimValue* Value(std::string_view name) const;
  // A property's text: the value, array elements joined with ", ", or "".
  std::string Text(std::string_view name) const;
};

// Reads an ExportIndication request; a BadRequest (HTTP status and
// CIMError value) when it is not one.
std::optional<BadRequest> ReadExportRequest(const std::string& body, ReceivedIndication* out);

// A listener's answers: taken, or a CIM error.
std::string ExportResponse(const std::string& messageId);
std::string ExportErrorResponse(const std::string& messageId, int code, const std::string& description);

// Whether a listener's 200 answer took the indication: any answer without
// an ERROR did; otherwise *error says what the ERROR said.
bool ExportAccepted(const std::string& body, std::string* error);

}  // namespace zubwbem
