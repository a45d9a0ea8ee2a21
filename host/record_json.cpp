// record_json.cpp: the generic record <-> JSON walk.
#include "host/record_json.h"

#include <cstdint>
#include <limits>

#include "host/wide_text.h"

namespace zubcim {
namespace {

std::string TextOf(const CZubString& s) { return ToUtf8(s.Str()); }

Json ValueToJson(const FieldDesc& f, const void* record) {
  switch (f.type) {
    case FieldType::Text:
      return TextOf(f.Ref<CZubString>(record));
    case FieldType::UInt64:
      return f.Ref<uint64_t>(record);
    case FieldType::UInt32:
      return f.Ref<uint32_t>(record);
    case FieldType::Int32:
      return f.Ref<int32_t>(record);
    case FieldType::UInt8:
      return static_cast<unsigned>(f.Ref<uint8_t>(record));
    case FieldType::UInt64List: {
      Json list = Json::array();
      for (uint64_t v : f.Ref<CArrayT<uint64_t>>(record)) list.push_back(v);
      return list;
    }
    case FieldType::TextList: {
      Json list = Json::array();
      for (const CZubString& s : f.Ref<CArrayT<CZubString>>(record)) list.push_back(TextOf(s));
      return list;
    }
    case FieldType::Block:
      return ToJson(*f.block(), f.at(const_cast<void*>(record)));
  }
  return nullptr;
}

const char* JsonKind(const Json& v) {
  if (v.is_number_integer() && !v.is_number_unsigned() && v.get<int64_t>() < 0) return "a negative integer";
  if (v.is_number_integer()) return "an integer";
  if (v.is_number_float()) return "a fractional number";
  return v.type_name();
}

// The one place a JSON value is checked against a field's type.
class Reader {
 public:
  explicit Reader(std::string* error) : m_error(error) {}

  bool Fail(const std::string& path, const std::string& what) {
    if (m_error) *m_error = "field \"" + path + "\": " + what;
    return false;
  }
  bool Expected(const std::string& path, const char* type, const Json& got) {
    return Fail(path, std::string("expected ") + type + ", got " + JsonKind(got));
  }

  // Integers in [min, max]; JSON parsers hand out non-negative integers as
  // unsigned and negative ones as signed, so both are looked at.
  template <class T>
  bool Integer(const std::string& path, const Json& v, const char* type, T* out) {
    if (!v.is_number_integer()) return Expected(path, type, v);
    if (v.is_number_unsigned()) {
      uint64_t u = v.get<uint64_t>();
      if (u > static_cast<uint64_t>(std::numeric_limits<T>::max()))
        return Fail(path, std::to_string(u) + " does not fit " + type);
      *out = static_cast<T>(u);
      return true;
    }
    int64_t s = v.get<int64_t>();
    if (s < 0 && !std::numeric_limits<T>::is_signed) return Fail(path, std::to_string(s) + " does not fit " + type);
    if (s < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
        (s > 0 && static_cast<uint64_t>(s) > static_cast<uint64_t>(std::numeric_limits<T>::max())))
      return Fail(path, std::to_string(s) + " does not fit " + type);
    *out = static_cast<T>(s);
    return true;
  }

  bool Text(const std::string& path, const Json& v, CZubString* out) {
    if (!v.is_string()) return Expected(path, "a string", v);
    std::wstring w = FromUtf8(v.get_ref<const std::string&>());
    // A record text ends at its first zero, so an embedded one would silently
    // cut the value.
    if (w.find(L'\0') != std::wstring::npos) return Fail(path, "text contains a NUL character");
    out->Assign(w.c_str());
    return true;
  }

  bool Field(const FieldDesc& f, const std::string& path, const Json& v, void* record) {
    switch (f.type) {
      case FieldType::Text:
        return Text(path, v, &f.Ref<CZubString>(record));
      case FieldType::UInt64:
        return Integer(path, v, "an unsigned 64-bit integer", &f.Ref<uint64_t>(record));
      case FieldType::UInt32:
        return Integer(path, v, "an unsigned 32-bit integer", &f.Ref<uint32_t>(record));
      case FieldType::Int32:
        return Integer(path, v, "a signed 32-bit integer", &f.Ref<int32_t>(record));
      case FieldType::UInt8:
        return Integer(path, v, "an unsigned 8-bit integer", &f.Ref<uint8_t>(record));
      case FieldType::UInt64List: {
        if (!v.is_array()) return Expected(path, "an array of unsigned 64-bit integers", v);
        CArrayT<uint64_t> list;
        for (size_t i = 0; i < v.size(); ++i) {
          uint64_t item = 0;
          if (!Integer(path + "[" + std::to_string(i) + "]", v[i], "an unsigned 64-bit integer", &item))
            return false;
          list.Add(item);
        }
        f.Ref<CArrayT<uint64_t>>(record) = list;
        return true;
      }
      case FieldType::TextList: {
        if (!v.is_array()) return Expected(path, "an array of strings", v);
        CArrayT<CZubString> list;
        for (size_t i = 0; i < v.size(); ++i) {
          CZubString item;
          if (!Text(path + "[" + std::to_string(i) + "]", v[i], &item)) return false;
          list.Add(item);
        }
        f.Ref<CArrayT<CZubString>>(record) = list;
        return true;
      }
      case FieldType::Block:
        return Record(*f.block(), path + ".", v, f.at(record), path);
    }
    return Fail(path, "field of unknown type");
  }

  bool Record(const RecordDesc& desc, const std::string& prefix, const Json& in, void* record,
              const std::string& self) {
    if (!in.is_object()) {
      if (self.empty()) {
        if (m_error) *m_error = std::string("expected a JSON object of ") + desc.name + " fields, got " + JsonKind(in);
        return false;
      }
      return Expected(self, "an object", in);
    }
    for (const auto& [key, value] : in.items()) {
      const FieldDesc* f = desc.Find(key.c_str());
      if (!f) {
        if (m_error) *m_error = "unknown field \"" + prefix + key + "\" (not in " + desc.name + ")";
        return false;
      }
      if (!Field(*f, prefix + key, value, record)) return false;
    }
    return true;
  }

 private:
  std::string* m_error;
};

}  // namespace

Json ToJson(const RecordDesc& desc, const void* record) {
  Json out = Json::object();
  for (const FieldDesc& f : desc.fields) out[f.name] = ValueToJson(f, record);
  return out;
}

bool FromJson(const RecordDesc& desc, const Json& in, void* record, std::string* error) {
  return Reader(error).Record(desc, "", in, record, "");
}

const char* FieldTypeName(FieldType type) {
  switch (type) {
    case FieldType::Text: return "text";
    case FieldType::UInt64: return "uint64";
    case FieldType::UInt32: return "uint32";
    case FieldType::Int32: return "int32";
    case FieldType::UInt8: return "uint8";
    case FieldType::UInt64List: return "uint64[]";
    case FieldType::TextList: return "text[]";
    case FieldType::Block: return "block";
  }
  return "?";
}

std::string JsonLine(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace zubcim
