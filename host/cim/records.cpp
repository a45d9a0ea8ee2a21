// records.cpp: record fields <-> CIM values.
#include "host/cim/records.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

#include "host/cim/schema.h"
#include "host/kit/wide_text.h"
#include "platform/process/process.h"

namespace zubwbem {
namespace {

bool IsSigned(CimType t) {
  return t == CimType::SInt8 || t == CimType::SInt16 || t == CimType::SInt32 || t == CimType::SInt64;
}

// The range a CIM integer type allows.
void RangeOf(CimType t, int64_t* min, uint64_t* max) {
  *min = 0;
  switch (t) {
    case CimType::Boolean: *max = 1; break;
    case CimType::UInt8: *max = UINT8_MAX; break;
    case CimType::UInt16: *max = UINT16_MAX; break;
    case CimType::UInt32: *max = UINT32_MAX; break;
    case CimType::SInt8: *min = INT8_MIN, *max = INT8_MAX; break;
    case CimType::SInt16: *min = INT16_MIN, *max = INT16_MAX; break;
    case CimType::SInt32: *min = INT32_MIN, *max = INT32_MAX; break;
    case CimType::SInt64: *min = INT64_MIN, *max = INT64_MAX; break;
    default: *max = UINT64_MAX; break;
  }
}

[[noreturn]] void Reject(const CimTyped& type, const std::string& what) {
  throw CimFault(kCimInvalidParameter, type.name + ": " + what);
}

// One element's text as the integer the storage holds (two's complement in
// 64 bits for signed values).
uint64_t ParseInteger(const CimTyped& type, const std::string& text) {
  if (type.type == CimType::Boolean) {
    if (EqualsNoCase(text, "true")) return 1;
    if (EqualsNoCase(text, "false")) return 0;
    Reject(type, "\"" + text + "\" is not a boolean (TRUE or FALSE)");
  }
  int64_t min;
  uint64_t max;
  RangeOf(type.type, &min, &max);
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin != end && *begin == '-') {
    int64_t v = 0;
    auto [ptr, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || ptr != end || v < min)
      Reject(type, "\"" + text + "\" is not a " + (min < 0 ? "value in range" : "non-negative integer"));
    return static_cast<uint64_t>(v);
  }
  uint64_t v = 0;
  auto [ptr, ec] = std::from_chars(begin, end, v);
  if (ec != std::errc() || ptr != end || begin == end || v > max)
    Reject(type, "\"" + text + "\" is not an integer in the range of its type");
  return v;
}

template <class Int>
void StoreInteger(const CimTyped& type, uint64_t bits, Int* out) {
  const bool negative = IsSigned(type.type) && static_cast<int64_t>(bits) < 0;
  const bool fits = negative ? std::in_range<Int>(static_cast<int64_t>(bits)) : std::in_range<Int>(bits);
  if (!fits) Reject(type, "value does not fit the provider's field");
  *out = negative ? static_cast<Int>(static_cast<int64_t>(bits)) : static_cast<Int>(bits);
}

std::string Text(const CZubString& s) { return zubcim::ToUtf8(s.Str()); }

CZubString Wide(const CimTyped& type, const std::string& utf8) {
  std::wstring w = zubcim::FromUtf8(utf8);
  if (w.find(L'\0') != std::wstring::npos) Reject(type, "text contains a NUL character");
  return CZubString(w.c_str());
}

void CompletePath(CimPath& path, const PathDefaults& defaults) {
  if (path.host.empty()) path.host = defaults.host;
  if (path.ns.empty()) path.ns = SplitNamespace(defaults.nameSpace);
}

// A text element of a field as the value wants it.
void AddText(const CimTyped& type, const std::string& text, CimValue& out, const PathDefaults& defaults) {
  if (type.type == CimType::Reference) {
    if (text.empty()) return;
    CimPath path = PathFromLibraryText(text);
    CompletePath(path, defaults);
    // The library names the host's own namespace in most references, also
    // in those to the profiles; a client follows a reference to the
    // namespace the server serves its class in.
    if (NamespaceOfClass(path.className) == InteropNs()) path.ns = SplitNamespace(InteropNs());
    out.refs.push_back(std::move(path));
  } else {
    out.items.push_back(text);
  }
}

std::string ElementText(const CimTyped& type, const CimValue& value, size_t i, const PathDefaults& defaults) {
  if (type.type == CimType::Reference) return LibraryTextOf(value.refs[i], defaults.host, defaults.nameSpace);
  return value.items[i];
}

size_t ElementCount(const CimTyped& type, const CimValue& value) {
  return type.type == CimType::Reference ? value.refs.size() : value.items.size();
}

}  // namespace

bool IsCimDateTime(std::string_view text) {
  // yyyymmddhhmmss.mmmmmmsutc (a point in time) or ddddddddhhmmss.mmmmmm:000
  // (an interval): 25 characters, digits (or '*') but the dot and the sign.
  if (text.size() != 25 || text[14] != '.' || (text[21] != '+' && text[21] != '-' && text[21] != ':')) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 14 || i == 21) continue;
    if (!std::isdigit(static_cast<unsigned char>(text[i])) && text[i] != '*') return false;
  }
  return true;
}

std::string DateTimeOfLocalText(std::string_view text) {
  // "Sun Dec  6 21:07:28 2026\n", the C runtime's asctime of local time.
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char weekday[4] = {}, month[4] = {};
  int day = 0, hour = 0, minute = 0, second = 0, year = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%3s %3s %d %d:%d:%d %d", weekday, month, &day, &hour, &minute, &second, &year) != 7)
    return "";
  int m = 0;
  while (m < 12 && std::string_view(kMonths[m]) != month) ++m;
  if (m == 12) return "";
  char out[96];  // room for any int the compiler imagines, not only dates
  // The library's time is local and says no offset: the server's own offset
  // stands for it.
  std::snprintf(out, sizeof out, "%04d%02d%02d%02d%02d%02d.000000%+04d", year, m + 1, day, hour, minute, second,
                platform::LocalUtcOffsetMinutes());
  return out;
}

std::string FormatNumber(CimType type, uint64_t bits, bool fromSigned) {
  if (type == CimType::Boolean) return bits ? "TRUE" : "FALSE";
  if (fromSigned || IsSigned(type)) return std::to_string(static_cast<int64_t>(bits));
  return std::to_string(bits);
}

const CimValue* Instance::Value(std::string_view property) const {
  for (size_t i = 0; i < cls->properties.size(); ++i) {
    if (EqualsNoCase(cls->properties[i].name, property)) return &values[i];
  }
  return nullptr;
}

CimValue ReadField(const FieldDesc& field, const CimTyped& type, const void* at, const PathDefaults& defaults) {
  CimValue out;
  out.null = false;
  switch (field.type) {
    case FieldType::Text: {
      std::string text = Text(*static_cast<const CZubString*>(at));
      if (field.nullText && text == "NULL") out.null = true;
      else if (type.type == CimType::DateTime && !IsCimDateTime(text)) text = DateTimeOfLocalText(text), out.null = text.empty();
      if (!out.null) AddText(type, text, out, defaults);
      if (type.type == CimType::Reference && out.refs.empty()) out.null = true;
      break;
    }
    case FieldType::UInt64: out.items.push_back(FormatNumber(type.type, *static_cast<const uint64_t*>(at), false)); break;
    case FieldType::Int64:
      out.items.push_back(FormatNumber(type.type, static_cast<uint64_t>(*static_cast<const int64_t*>(at)), true));
      break;
    case FieldType::UInt32: out.items.push_back(FormatNumber(type.type, *static_cast<const uint32_t*>(at), false)); break;
    case FieldType::Int32:
      out.items.push_back(
          FormatNumber(type.type, static_cast<uint64_t>(static_cast<int64_t>(*static_cast<const int32_t*>(at))), true));
      break;
    case FieldType::UInt8: out.items.push_back(FormatNumber(type.type, *static_cast<const uint8_t*>(at), false)); break;
    case FieldType::UInt64List:
      for (uint64_t v : *static_cast<const CArrayT<uint64_t>*>(at)) out.items.push_back(FormatNumber(type.type, v, false));
      break;
    case FieldType::TextList:
      for (const CZubString& s : *static_cast<const CArrayT<CZubString>*>(at)) AddText(type, Text(s), out, defaults);
      break;
    case FieldType::Block: out.null = true; break;
  }
  return out;
}

void WriteField(const FieldDesc& field, const CimTyped& type, const CimValue& value, void* at,
                const PathDefaults& defaults) {
  const size_t count = ElementCount(type, value);
  const bool list = field.type == FieldType::UInt64List || field.type == FieldType::TextList;
  if (value.null) {
    // NULL: the field's fresh value ("" or 0, an empty list).
    switch (field.type) {
      case FieldType::Text: *static_cast<CZubString*>(at) = CZubString(); break;
      case FieldType::UInt64: *static_cast<uint64_t*>(at) = 0; break;
      case FieldType::Int64: *static_cast<int64_t*>(at) = 0; break;
      case FieldType::UInt32: *static_cast<uint32_t*>(at) = 0; break;
      case FieldType::Int32: *static_cast<int32_t*>(at) = 0; break;
      case FieldType::UInt8: *static_cast<uint8_t*>(at) = 0; break;
      case FieldType::UInt64List: static_cast<CArrayT<uint64_t>*>(at)->RemoveAll(); break;
      case FieldType::TextList: static_cast<CArrayT<CZubString>*>(at)->RemoveAll(); break;
      default: break;
    }
    return;
  }
  if (!list && count != 1) Reject(type, "expected one value, got " + std::to_string(count));
  switch (field.type) {
    case FieldType::Text: *static_cast<CZubString*>(at) = Wide(type, ElementText(type, value, 0, defaults)); break;
    case FieldType::UInt64: StoreInteger(type, ParseInteger(type, value.items[0]), static_cast<uint64_t*>(at)); break;
    case FieldType::Int64: StoreInteger(type, ParseInteger(type, value.items[0]), static_cast<int64_t*>(at)); break;
    case FieldType::UInt32: StoreInteger(type, ParseInteger(type, value.items[0]), static_cast<uint32_t*>(at)); break;
    case FieldType::Int32: StoreInteger(type, ParseInteger(type, value.items[0]), static_cast<int32_t*>(at)); break;
    case FieldType::UInt8: StoreInteger(type, ParseInteger(type, value.items[0]), static_cast<uint8_t*>(at)); break;
    case FieldType::UInt64List: {
      CArrayT<uint64_t> items;
      for (const std::string& text : value.items) {
        uint64_t v = 0;
        StoreInteger(type, ParseInteger(type, text), &v);
        items.Add(v);
      }
      *static_cast<CArrayT<uint64_t>*>(at) = items;
      break;
    }
    case FieldType::TextList: {
      CArrayT<CZubString> items;
      for (size_t i = 0; i < count; ++i) items.Add(Wide(type, ElementText(type, value, i, defaults)));
      *static_cast<CArrayT<CZubString>*>(at) = items;
      break;
    }
    case FieldType::Block: Reject(type, "a parameter block takes no value");
  }
}

CimPath PathOf(const CimClass& cls, const std::vector<CimValue>& values, const std::string& host) {
  CimPath path;
  path.host = host;
  path.ns = SplitNamespace(cls.nameSpace);
  path.className = cls.name;
  for (size_t index : cls.keys) {
    const CimProperty& p = cls.properties[index];
    const CimValue& v = values[index];
    KeyBinding key;
    key.name = p.name;
    if (p.type == CimType::Reference) {
      key.kind = KeyBinding::Kind::Reference;
      if (!v.refs.empty()) key.ref.push_back(v.refs.front());
    } else {
      key.kind = p.type == CimType::String || p.type == CimType::DateTime ? KeyBinding::Kind::String
                 : p.type == CimType::Boolean                              ? KeyBinding::Kind::Boolean
                                                                           : KeyBinding::Kind::Numeric;
      if (!v.items.empty()) key.value = v.items.front();
    }
    path.keys.push_back(std::move(key));
  }
  return path;
}

Instance InstanceOf(const CimClass& cls, const void* record, const PathDefaults& defaults) {
  Instance out;
  out.cls = &cls;
  out.values.reserve(cls.properties.size());
  for (const CimProperty& p : cls.properties) {
    if (p.field) out.values.push_back(ReadField(*p.field, p, p.field->at(const_cast<void*>(record)), defaults));
    else if (p.constant) out.values.push_back(CimValue{false, {*p.constant}, {}});
    else out.values.emplace_back();
  }
  out.path = PathOf(cls, out.values, defaults.host);
  return out;
}

void CopyRecord(const RecordDesc& desc, const void* from, void* to) {
  for (const FieldDesc& f : desc.fields) {
    const void* src = f.at(const_cast<void*>(from));
    void* dst = f.at(to);
    switch (f.type) {
      case FieldType::Text: *static_cast<CZubString*>(dst) = *static_cast<const CZubString*>(src); break;
      case FieldType::UInt64: *static_cast<uint64_t*>(dst) = *static_cast<const uint64_t*>(src); break;
      case FieldType::Int64: *static_cast<int64_t*>(dst) = *static_cast<const int64_t*>(src); break;
      case FieldType::UInt32: *static_cast<uint32_t*>(dst) = *static_cast<const uint32_t*>(src); break;
      case FieldType::Int32: *static_cast<int32_t*>(dst) = *static_cast<const int32_t*>(src); break;
      case FieldType::UInt8: *static_cast<uint8_t*>(dst) = *static_cast<const uint8_t*>(src); break;
      case FieldType::UInt64List:
        *static_cast<CArrayT<uint64_t>*>(dst) = *static_cast<const CArrayT<uint64_t>*>(src);
        break;
      case FieldType::TextList:
        *static_cast<CArrayT<CZubString>*>(dst) = *static_cast<const CArrayT<CZubString>*>(src);
        break;
      case FieldType::Block: CopyRecord(*f.block(), src, dst); break;
    }
  }
}

}  // namespace zubwbem
