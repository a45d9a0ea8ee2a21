// cim_client.h: the library seen the way a CIM management client sees it,
// for zubcim's task verbs (volume, later spare and locate): instances of a
// class by name, method calls with JSON parameters, and references to
// instances built from their keys. Everything goes through the catalogue and
// the record descriptions, never through a class's C++ type.
#pragma once

#include <initializer_list>
#include <string>

#include "host/cli/commands.h"
#include "host/kit/session.h"

namespace zubcim {

class CimClient {
 public:
  // Once the event monitor has taken its first reading of the classes, so
  // that the client's readings never run at the same time as that one.
  explicit CimClient(Session& session) : m_session(session) { m_session.WaitUntilMonitoring(); }

  // The instances of a class, listed as a host does (Update, GetData).
  Json Instances(const std::string& cls);

  // Calls a method with `in` set on a fresh record; {"status", "record"}.
  Json Invoke(const std::string& cls, const std::string& method, const Json& in);

  // The object path of an instance of `cls` (its JSON record): the class's
  // key fields in key order, on the session's host and namespace.
  std::string Reference(const std::string& cls, const Json& record) const;

 private:
  Session& m_session;
};

// "0 (success)", "4 (failed)": a CIM method's return value in words.
std::string ReturnValueText(uint64_t value);

// A text field of a JSON record; "" when it has none.
std::string Text(const Json& record, const char* field);

// The one instance whose value of one of `fields` is `value`. Bad input when
// none is (naming the instances by their first field) or several are
// (asking for the last field).
Json FindOne(const Json& instances, std::initializer_list<const char*> fields, const std::string& value,
             const std::string& what);
// The disk named by its serial number or DeviceID, among the disk extents.
Json FindDisk(const Json& disks, const std::string& name);

// The outcome of a task verb's method call `result` ({"status", "record"}):
// "COMMAND VERB: METHOD returned CIM return value 0 (success)" (with the
// status when not 0), then `success` when it succeeded; with --json, the
// call as one line. Returns the exit code: 3 when the method failed.
int ReportOutcome(const HostOptions& options, const std::string& command, const std::string& verb,
                  const std::string& method, const Json& result, const std::string& success);

}  // namespace zubcim
