// cim_model.h: what the WBEM server holds between the library's records and
// CIM-XML: object paths, property values, instances, and the CIM errors an
// operation ends with.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zubwbem {

// DSP0200 status codes the server answers with.
enum CimStatus : int {
  kCimOk = 0,
  kCimFailed = 1,
  kCimInvalidNamespace = 3,
  kCimInvalidParameter = 4,
  kCimInvalidClass = 5,
  kCimNotFound = 6,
  kCimNotSupported = 7,
  kCimAlreadyExists = 11,
  kCimNoSuchProperty = 12,
  kCimTypeMismatch = 13,
  kCimQueryLanguageNotSupported = 14,
  kCimInvalidQuery = 15,
  kCimMethodNotAvailable = 16,
  kCimMethodNotFound = 17,
  kCimInvalidEnumerationContext = 21,
  kCimInvalidOperationTimeout = 22,
  kCimFilteredEnumerationNotSupported = 25,
  kCimContinuationOnErrorNotSupported = 26,
  kCimServerLimitsExceeded = 27,
};

// An operation that ends with a CIM error. Thrown inside the server only;
// the operation layer turns it into an ERROR element.
class CimFault : public std::runtime_error {
 public:
  CimFault(int code, const std::string& description) : std::runtime_error(description), m_code(code) {}
  int code() const { return m_code; }

 private:
  int m_code;
};

struct CimPath;

// One key of an instance name: a string, numeric or boolean value, or a
// reference (then `ref` holds exactly one path).
struct KeyBinding {
  enum class Kind { String, Numeric, Boolean, Reference };
  std::string name;
  std::string value;
  Kind kind = Kind::String;
  std::vector<CimPath> ref;
};

// An instance path. `ns` holds the namespace's parts ("root", "corvo_zub");
// an empty host or namespace means "not given".
struct CimPath {
  std::string host;
  std::vector<std::string> ns;
  std::string className;
  std::vector<KeyBinding> keys;
};

// A property or parameter value. Scalars have one item; NULL has none.
// References are in `refs` (`items` then stays empty).
struct CimValue {
  bool null = true;
  std::vector<std::string> items;
  std::vector<CimPath> refs;
};

// "root/corvo_zub" from its parts, and the parts of a namespace text split
// on '/' and '\'.
std::string JoinNamespace(const std::vector<std::string>& parts);
std::vector<std::string> SplitNamespace(std::string_view text);
// The one spelling of a namespace the server compares: lower case, '/'.
std::string CanonicalNamespace(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);

// The library's reference text \\HOST\NAMESPACE:Class.Key="v",Key2="v2" as a
// path (every key a string; a malformed text gives what could be read).
CimPath PathFromLibraryText(std::string_view text);
// The inverse, for references handed to the library. Throws CimFault
// (invalid parameter) for what the text form cannot carry: a value holding a
// double quote or a comma, a host holding ':' or '\', a reference key.
// `defaultHost` and `defaultNamespace` fill what the path leaves out.
std::string LibraryTextOf(const CimPath& path, const std::string& defaultHost, const std::string& defaultNamespace);

// A readable form for error descriptions and logs: Class.Key="v",...
std::string Describe(const CimPath& path);

// Whether two paths name the same instance: keys by name (any case) with
// equal values, references compared the same way; hosts are not compared,
// namespaces only when both carry one. Class names are the caller's concern.
bool SameKeys(const CimPath& a, const CimPath& b);

}  // namespace zubwbem
