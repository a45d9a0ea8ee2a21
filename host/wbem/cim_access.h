// cim_access.h: what a CIM client reads of a server, as `zubcim check`
// reads it: the instances of a class, the associators and references of an
// instance, one instance by its path. Two ways to reach the server, one
// behaviour: CIM-XML over HTTP(S) to a running `zubcim serve`, or the same
// CIM-XML handed to the server's operations inside this process, on a
// session of the library started for it (so both answer alike, the
// server's own interop instances included).
//
// Every call answers with what the server answered; a CIM error other than
// "not found" (GetInstance) throws CimAccessError naming the operation, and
// so does a transport that fails.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/cim/cim_model.h"
#include "host/kit/host_options.h"

namespace zubwbem {

// An instance as a client reads it: its path (with namespace) and its
// properties by name, in the order received.
struct ClientInstance {
  CimPath path;
  std::vector<std::pair<std::string, CimValue>> properties;

  // Null when the instance has no such property (any case).
  const CimValue* Value(std::string_view name) const;
};

class CimAccessError : public std::runtime_error {
 public:
  CimAccessError(int code, const std::string& what) : std::runtime_error(what), m_code(code) {}
  int code() const { return m_code; }  // the CIM status; 0 for a transport failure

 private:
  int m_code;
};

class CimAccess {
 public:
  virtual ~CimAccess() = default;

  // EnumerateInstances of `cls` (deep) in `ns` ("root/interop").
  virtual std::vector<ClientInstance> Instances(const std::string& ns, const std::string& cls) = 0;
  // Associators of `object`, filtered by association class and result class
  // (either may be empty: no filter), each with its path.
  virtual std::vector<ClientInstance> Associators(const CimPath& object, const std::string& assocClass,
                                                  const std::string& resultClass) = 0;
  // References of `object` through `assocClass` (empty: any).
  virtual std::vector<ClientInstance> References(const CimPath& object, const std::string& assocClass) = 0;
  // GetInstance; nothing when the server says there is no such instance.
  virtual std::optional<ClientInstance> Get(const CimPath& path) = 0;
  // GetClass: whether the server serves the class `cls` in `ns`.
  virtual bool HasClass(const std::string& ns, const std::string& cls) = 0;
  // Where it reads from, for the report: the URL, or "in-process".
  virtual std::string Where() const = 0;
};

// A server's URL, http[s]://[user:pass@]host[:port][/...], as the verbs
// with --server take it: the origin ("http://host:port") and the login.
// Throws zubcim::HostError (bad input) naming `verb` for another shape.
struct ServerAddress {
  std::string origin;
  std::string user;
  std::string password;
};
ServerAddress ParseServerUrl(const std::string& url, const std::string& verb);

// The server at `url` (as ParseServerUrl reads it); throws
// zubcim::HostError (bad input) for a URL it cannot use.
std::unique_ptr<CimAccess> HttpCimAccess(const std::string& url, bool noVerify);

// A server in this process on a session of the library started with
// `options` (its topology and computer name), serving the client view
// unless `options.recordsOnly`, as `zubcim serve` does; without HTTP.
// Throws zubcim::HostError as Session does.
std::unique_ptr<CimAccess> InProcessCimAccess(const zubcim::HostOptions& options);

}  // namespace zubwbem
