// json_reader.cpp: the checks behind ObjectReader (json_reader.h).
#include "sim/json_reader.h"

#include <algorithm>
#include <limits>

namespace abru2sim {

namespace {

const Json kEmptyArray = Json::array();

std::string RangeText(int64_t min, int64_t max) {
  return std::to_string(min) + ".." + std::to_string(max);
}

}  // namespace

void Fail(const std::string& path, const std::string& what) { throw InputError{path, what}; }

Json ParseJson(const std::string& text) {
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    // The parser's text starts with its own tag ("[json.exception...] ");
    // keep only the readable part, which already names line and column.
    std::string what = e.what();
    const auto tagEnd = what.find("] ");
    if (tagEnd != std::string::npos) what = what.substr(tagEnd + 2);
    Fail("$", "expected valid JSON (byte " + std::to_string(e.byte) + ": " + what + ")");
  }
}

uint64_t ReadUnsigned(const Json& v, const std::string& path, uint64_t max) {
  const std::string expected = "expected an integer 0.." + std::to_string(max);
  if (v.is_number_unsigned()) {
    const uint64_t n = v.get<uint64_t>();
    if (n > max) Fail(path, expected + ", got " + std::to_string(n));
    return n;
  }
  if (v.is_number_integer()) Fail(path, expected + ", got " + v.dump());
  Fail(path, expected);
}

int64_t ReadSigned(const Json& v, const std::string& path, int64_t min, int64_t max) {
  const std::string expected = "expected an integer " + RangeText(min, max);
  if (v.is_number_unsigned()) {
    const uint64_t n = v.get<uint64_t>();
    if (n > static_cast<uint64_t>(max)) Fail(path, expected + ", got " + std::to_string(n));
    return static_cast<int64_t>(n);
  }
  if (v.is_number_integer()) {
    const int64_t n = v.get<int64_t>();
    if (n < min || n > max) Fail(path, expected + ", got " + std::to_string(n));
    return n;
  }
  Fail(path, expected);
}

std::string ReadText(const Json& v, const std::string& path, size_t maxBytes, size_t minBytes) {
  std::string expected = "expected a string";
  if (maxBytes != 0) {
    expected += " of " + (minBytes != 0 ? std::to_string(minBytes) + " to " : std::string("at most ")) +
                std::to_string(maxBytes) + " bytes";
  } else if (minBytes != 0) {
    expected = "expected a non-empty string";
  }
  if (!v.is_string()) Fail(path, expected);
  std::string s = v.get<std::string>();
  if ((maxBytes != 0 && s.size() > maxBytes) || s.size() < minBytes) {
    Fail(path, expected + ", got " + std::to_string(s.size()));
  }
  return s;
}

std::array<uint8_t, 4> ReadAddress(const Json& v, const std::string& path) {
  if (!v.is_array() || v.size() != 4) Fail(path, "expected an array of 4 integers 0..255");
  std::array<uint8_t, 4> parts{};
  for (size_t i = 0; i < 4; ++i) {
    parts[i] = static_cast<uint8_t>(ReadUnsigned(v[i], path + "[" + std::to_string(i) + "]", 255));
  }
  return parts;
}

ObjectReader::ObjectReader(const Json& v, std::string path, std::initializer_list<const char*> allowed)
    : v_(v), path_(std::move(path)) {
  if (!v_.is_object()) Fail(path_, "expected an object");
  for (const auto& item : v_.items()) {
    const bool known = std::any_of(allowed.begin(), allowed.end(),
                                   [&](const char* k) { return item.key() == k; });
    if (!known) Fail(PathOf(item.key()), "unknown key \"" + item.key() + "\"");
  }
}

const Json* ObjectReader::Get(const std::string& key) const {
  auto it = v_.find(key);
  return it == v_.end() ? nullptr : &*it;
}

bool ObjectReader::IsNull(const std::string& key) const {
  const Json* v = Get(key);
  return v != nullptr && v->is_null();
}

uint64_t ObjectReader::Unsigned(const std::string& key, uint64_t max, uint64_t def) const {
  const Json* v = Get(key);
  return v == nullptr ? def : ReadUnsigned(*v, PathOf(key), max);
}

int64_t ObjectReader::Signed(const std::string& key, int64_t min, int64_t max, int64_t def) const {
  const Json* v = Get(key);
  return v == nullptr ? def : ReadSigned(*v, PathOf(key), min, max);
}

std::string ObjectReader::Text(const std::string& key, size_t maxBytes, const std::string& def,
                               size_t minBytes) const {
  const Json* v = Get(key);
  return v == nullptr ? def : ReadText(*v, PathOf(key), maxBytes, minBytes);
}

uint32_t ObjectReader::Handle(const std::string& key) const {
  const Json* v = Get(key);
  if (v == nullptr) return 0;
  if (v->is_number_integer() && v->get<int64_t>() == 0) Fail(PathOf(key), "handle must not be 0");
  return static_cast<uint32_t>(ReadUnsigned(*v, PathOf(key), std::numeric_limits<uint32_t>::max()));
}

std::optional<uint64_t> ObjectReader::OptionalWide(const std::string& key) const {
  const Json* v = Get(key);
  if (v == nullptr || v->is_null()) return std::nullopt;
  if (!v->is_number_unsigned()) Fail(PathOf(key), "expected an integer 0.." + std::to_string(UINT64_MAX) + " or null");
  return v->get<uint64_t>();
}

const Json& ObjectReader::Array(const std::string& key) const {
  const Json* v = Get(key);
  if (v == nullptr) return kEmptyArray;
  if (!v->is_array()) Fail(PathOf(key), "expected an array");
  return *v;
}

const Json& ObjectReader::Required(const std::string& key) const {
  const Json* v = Get(key);
  if (v == nullptr) Fail(PathOf(key), "required key missing");
  return *v;
}

}  // namespace abru2sim
