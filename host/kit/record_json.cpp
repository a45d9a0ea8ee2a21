// record_json.cpp: the generic record <-> JSON walk. Everything that depends
// on a field's storage type is one row of kFieldTypes; the walk itself only
// recurses into parameter blocks.
#include "host/kit/record_json.h"

#include <iostream>

#include <cstdint>
#include <limits>

#include "host/kit/wide_text.h"

namespace zubcim {
namespace {

const char* JsonKind(const Json& v) {
  if (v.is_number_integer() && !v.is_number_unsigned() && v.get<int64_t>() < 0) return "a negative integer";
  if (v.is_number_integer()) return "an integer";
  if (v.is_number_float()) return "a fractional number";
  return v.type_name();
}

// The one place a JSON value is checked: *error names the field's path.
struct Reader {
  std::string* error;

  bool Fail(const std::string& path, const std::string& what) const {
    if (error) *error = "field \"" + path + "\": " + what;
    return false;
  }
  bool Expected(const std::string& path, const std::string& type, const Json& got) const {
    return Fail(path, "expected " + type + ", got " + JsonKind(got));
  }
};

// How one storage type is read from and written to JSON. `Value` is the
// stored type; `kind` how messages name it.
template <class Value>
struct Codec;

template <class Int>
struct IntegerCodec {
  static Json ToJson(const Int& v) {
    if constexpr (sizeof(Int) == 1) return static_cast<unsigned>(v);  // not a character
    else return v;
  }
  // JSON parsers hand out non-negative integers as unsigned and negative
  // ones as signed, so both are looked at.
  static bool FromJson(const Reader& r, const std::string& path, const Json& v, const char* kind, Int* out) {
    if (!v.is_number_integer()) return r.Expected(path, kind, v);
    const auto fits = [&](auto n) { return std::in_range<Int>(n) ? (*out = static_cast<Int>(n), true) : false; };
    const bool ok = v.is_number_unsigned() ? fits(v.get<uint64_t>()) : fits(v.get<int64_t>());
    return ok || r.Fail(path, v.dump() + " does not fit " + kind);
  }
};

template <>
struct Codec<uint64_t> : IntegerCodec<uint64_t> {
  static constexpr const char* kind = "an unsigned 64-bit integer";
};
template <>
struct Codec<int64_t> : IntegerCodec<int64_t> {
  static constexpr const char* kind = "a signed 64-bit integer";
};
template <>
struct Codec<uint32_t> : IntegerCodec<uint32_t> {
  static constexpr const char* kind = "an unsigned 32-bit integer";
};
template <>
struct Codec<int32_t> : IntegerCodec<int32_t> {
  static constexpr const char* kind = "a signed 32-bit integer";
};
template <>
struct Codec<uint8_t> : IntegerCodec<uint8_t> {
  static constexpr const char* kind = "an unsigned 8-bit integer";
};

template <>
struct Codec<CZubString> {
  static constexpr const char* kind = "a string";
  static Json ToJson(const CZubString& s) { return ToUtf8(s.Str()); }
  static bool FromJson(const Reader& r, const std::string& path, const Json& v, const char*, CZubString* out) {
    if (!v.is_string()) return r.Expected(path, kind, v);
    std::wstring w = FromUtf8(v.get_ref<const std::string&>());
    // A record text ends at its first zero, so an embedded one would
    // silently cut the value.
    if (w.find(L'\0') != std::wstring::npos) return r.Fail(path, "text contains a NUL character");
    out->Assign(w.c_str());
    return true;
  }
};

template <class Item>
struct Codec<CArrayT<Item>> {
  static Json ToJson(const CArrayT<Item>& list) {
    Json out = Json::array();
    for (const Item& item : list) out.push_back(Codec<Item>::ToJson(item));
    return out;
  }
  static bool FromJson(const Reader& r, const std::string& path, const Json& v, const char*, CArrayT<Item>* out) {
    if (!v.is_array()) return r.Expected(path, std::string("an array of ") + Codec<Item>::kind, v);
    CArrayT<Item> list;
    for (size_t i = 0; i < v.size(); ++i) {
      Item item{};
      if (!Codec<Item>::FromJson(r, path + "[" + std::to_string(i) + "]", v[i], Codec<Item>::kind, &item))
        return false;
      list.Add(item);
    }
    *out = list;
    return true;
  }
};

bool ReadRecord(const Reader& r, const RecordDesc& desc, const std::string& prefix, const Json& in, void* record);

// One row per FieldType, in its order.
struct FieldTypeRow {
  Json (*toJson)(const FieldDesc& f, const void* record);
  bool (*fromJson)(const Reader& r, const FieldDesc& f, const std::string& path, const Json& v, void* record);
};

template <class Value>
constexpr FieldTypeRow Row() {
  return {[](const FieldDesc& f, const void* record) { return Codec<Value>::ToJson(f.Value<Value>(record)); },
          [](const Reader& r, const FieldDesc& f, const std::string& path, const Json& v, void* record) {
            const char* kind = "";
            if constexpr (requires { Codec<Value>::kind; }) kind = Codec<Value>::kind;
            return Codec<Value>::FromJson(r, path, v, kind, &f.Value<Value>(record));
          }};
}

constexpr FieldTypeRow kBlockRow = {
    [](const FieldDesc& f, const void* record) { return ToJson(*f.block(), f.at(const_cast<void*>(record))); },
    [](const Reader& r, const FieldDesc& f, const std::string& path, const Json& v, void* record) {
      if (!v.is_object()) return r.Expected(path, "an object", v);
      return ReadRecord(r, *f.block(), path + ".", v, f.at(record));
    }};

constexpr FieldTypeRow kFieldTypes[] = {
    Row<CZubString>(),          Row<uint64_t>(), Row<int64_t>(),
    Row<uint32_t>(),            Row<int32_t>(),  Row<uint8_t>(),
    Row<CArrayT<uint64_t>>(),   Row<CArrayT<CZubString>>(), kBlockRow,
};
static_assert(std::size(kFieldTypes) == kFieldTypeCount);

const FieldTypeRow& RowOf(const FieldDesc& f) { return kFieldTypes[static_cast<size_t>(f.type)]; }

bool ReadRecord(const Reader& r, const RecordDesc& desc, const std::string& prefix, const Json& in, void* record) {
  for (const auto& [key, value] : in.items()) {
    const FieldDesc* f = desc.Find(key.c_str());
    if (!f) {
      if (r.error) *r.error = "unknown field \"" + prefix + key + "\" (not in " + desc.name + ")";
      return false;
    }
    if (!RowOf(*f).fromJson(r, *f, prefix + key, value, record)) return false;
  }
  return true;
}

}  // namespace

Json ToJson(const RecordDesc& desc, const void* record) {
  Json out = Json::object();
  for (const FieldDesc& f : desc.fields) out[f.name] = RowOf(f).toJson(f, record);
  return out;
}

bool FromJson(const RecordDesc& desc, const Json& in, void* record, std::string* error) {
  if (!in.is_object()) {
    if (error) *error = std::string("expected a JSON object of ") + desc.name + " fields, got " + JsonKind(in);
    return false;
  }
  return ReadRecord(Reader{error}, desc, "", in, record);
}

std::string JsonLine(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

void PrintLine(const Json& value) { std::cout << JsonLine(value) << std::endl; }

}  // namespace zubcim
