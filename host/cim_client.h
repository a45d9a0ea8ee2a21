// cim_client.h: the library seen the way a CIM management client sees it,
// for zubcim's task verbs (volume, later spare and locate): instances of a
// class by name, method calls with JSON parameters, and references to
// instances built from their keys. Everything goes through the catalogue and
// the record descriptions, never through a class's C++ type.
#pragma once

#include <string>

#include "host/session.h"

namespace zubcim {

class CimClient {
 public:
  explicit CimClient(Session& session) : m_session(session) {}

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

}  // namespace zubcim
