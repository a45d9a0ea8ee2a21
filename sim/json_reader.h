// json_reader.h: typed, path-aware reading of the JSON objects the
// simulation accepts (topology files and change objects).
//
// Every reader knows the JSON path of the value it reads ("$.controllers[0]
// .disks[1].serial"), the keys its object may hold, and throws InputError
// naming that path and what was expected; WithOneLineErrors turns it into
// the one-line message the control API returns.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace abru2sim {

using Json = nlohmann::json;

struct InputError {
  std::string path;
  std::string what;
};

[[noreturn]] void Fail(const std::string& path, const std::string& what);

// Runs body; an InputError (or any other exception, at path "$") becomes the
// one-line message "<prefix>: <path>: <what>" in *error, and false. The prefix
// is read when the error is caught, so the body may still refine it.
template <class Body>
bool WithOneLineErrors(const std::string& prefix, std::string* error, Body body) {
  try {
    body();
    return true;
  } catch (const InputError& e) {
    if (error != nullptr) *error = prefix + ": " + e.path + ": " + e.what;
  } catch (const std::exception& e) {
    if (error != nullptr) *error = prefix + ": $: " + e.what();
  }
  return false;
}

// Parses JSON text; a syntax error is reported at path "$" with the parser's
// position.
Json ParseJson(const std::string& text);

// Integer checks of a single value.
uint64_t ReadUnsigned(const Json& v, const std::string& path, uint64_t max);
int64_t ReadSigned(const Json& v, const std::string& path, int64_t min, int64_t max);
// A string; maxBytes 0 means no limit, minBytes 1 rejects an empty text.
std::string ReadText(const Json& v, const std::string& path, size_t maxBytes, size_t minBytes = 0);
// Four integers 0..255.
std::array<uint8_t, 4> ReadAddress(const Json& v, const std::string& path);

class ObjectReader {
 public:
  // Fails unless v is an object whose keys are all in allowed.
  ObjectReader(const Json& v, std::string path, std::initializer_list<const char*> allowed);

  const std::string& path() const { return path_; }
  std::string PathOf(const std::string& key) const { return path_ + "." + key; }

  // nullptr when the key is absent. A JSON null is returned as such.
  const Json* Get(const std::string& key) const;
  bool Has(const std::string& key) const { return Get(key) != nullptr; }
  bool IsNull(const std::string& key) const;

  uint64_t Unsigned(const std::string& key, uint64_t max, uint64_t def) const;
  int64_t Signed(const std::string& key, int64_t min, int64_t max, int64_t def) const;
  std::string Text(const std::string& key, size_t maxBytes, const std::string& def,
                   size_t minBytes = 0) const;
  // A handle: absent gives 0 (to be assigned later), 0 itself is refused.
  uint32_t Handle(const std::string& key) const;
  // A 64-bit value that may be null; absent and null both give nothing.
  std::optional<uint64_t> OptionalWide(const std::string& key) const;
  // An array (absent gives an empty one).
  const Json& Array(const std::string& key) const;
  // A value that is required.
  const Json& Required(const std::string& key) const;

 private:
  const Json& v_;
  std::string path_;
};

}  // namespace abru2sim
