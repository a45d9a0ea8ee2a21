// record_desc.h: one description per record type, kept next to the record.
// It is the single source of truth a host needs: field names, storage types
// and how to reach each field (for JSON and tables), plus what a CIM schema
// needs (CIM types, keys and their order, references, fields that are not
// CIM properties, method parameters and the return value).
//
// A plain field is one line; only the exceptions carry annotations:
//
//   ZUB_DESCRIBE(stZUB_ComputerSystem,
//       ZUB_FIELD(NameFormat),
//       ZUB_FIELD(Dedicated).Cim(CimType::UInt16),
//       ZUB_FIELD(CreationClassName).Key(1),
//       ZUB_FIELD(Name).Key(2),
//       ZUB_FIELD(ControllerHandle).Internal())
//
// Annotations:
//   .Key(n)           the n-th key property (1-based; references use this order)
//   .Cim(t)           the CIM type when it differs from the storage type
//                     (16-bit values in 64-bit fields, booleans in 8-bit fields);
//                     for a list, the type of its elements
//   .Ref("ZUB_X")     a reference (or, on a text list, an array of references)
//                     to instances of that class; with .Cim(CimType::String)
//                     a path that the CIM class keeps in a string property
//   .Internal()       kept for joins or reserved: not a CIM property
//   .In/.Out/.InOut("Method")  a parameter of that extrinsic method; given
//                     twice (.In("A").In("B")), a parameter of both methods
//   .Params("Method") a parameter block: each of its fields is a parameter of
//                     that method, with the direction its own description gives
//   .In()/.Out()/.InOut()      (inside a block) the parameter's direction
//   .Return()         the CIM return value of the class's methods (uint32)
//   .As("Name")       the CIM name when the field's name differs
//
// CheckDescription (and a test over the whole catalogue) proves that a
// description names every field of its record exactly once, in declaration
// order, so a forgotten field cannot slip through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "zubprov/api.h"
#include "framework/safe_array.h"
#include "zubprov/zub_string.h"

// How a field is stored. Every row of a host's per-type table follows this
// order (hosts static_assert their table's length against kFieldTypeCount).
enum class FieldType : uint8_t {
  Text,        // CZubString
  UInt64,      // uint64_t
  Int64,       // int64_t
  UInt32,      // uint32_t
  Int32,       // int32_t
  UInt8,       // uint8_t (flags, booleans, reserved bytes)
  UInt64List,  // CArrayT<uint64_t>
  TextList,    // CArrayT<CZubString>
  Block,       // a nested parameter block with a description of its own
};
inline constexpr size_t kFieldTypeCount = 9;

enum class CimType : uint8_t {
  Auto,  // follows from the storage type
  String, Boolean, UInt8, UInt16, UInt32, UInt64, SInt8, SInt16, SInt32, SInt64, DateTime, Reference,
  Real32, Real64, Char16,  // standard classes only: no record field holds them
};

enum class Direction : uint8_t { None, In, Out, InOut };

struct RecordDesc;

struct FieldDesc {
  const char* name;
  FieldType type;
  void* (*at)(void* record);     // address of this field in a record
  const RecordDesc* (*block)();  // the block's description (Block only)
  size_t size;                   // sizeof the field, for CheckDescription

  CimType cim = CimType::Auto;
  uint8_t key = 0;                  // 1-based key position; 0: not a key
  bool internal = false;
  bool returnValue = false;
  Direction direction = Direction::None;
  const char* reference = nullptr;  // class a reference points to
  const char* method = nullptr;     // method this parameter (or block) belongs to
  const char* cimName = nullptr;    // CIM name, when not `name`
  const char* alsoMethod = nullptr; // a second method this parameter belongs to
  bool nullText = false;            // the text "NULL" stands for no value

  constexpr FieldDesc Key(uint8_t position) const { return With([&](FieldDesc& f) { f.key = position; }); }
  constexpr FieldDesc Cim(CimType type) const { return With([&](FieldDesc& f) { f.cim = type; }); }
  constexpr FieldDesc Ref(const char* cls) const { return With([&](FieldDesc& f) { f.reference = cls; }); }
  constexpr FieldDesc Internal() const { return With([](FieldDesc& f) { f.internal = true; }); }
  constexpr FieldDesc As(const char* cim) const { return With([&](FieldDesc& f) { f.cimName = cim; }); }
  constexpr FieldDesc Return() const { return With([](FieldDesc& f) { f.returnValue = true; }); }
  // The record holds the text "NULL" where CIM means no value.
  constexpr FieldDesc NullText() const { return With([](FieldDesc& f) { f.nullText = true; }); }
  constexpr FieldDesc In(const char* m = nullptr) const { return Param(Direction::In, m); }
  constexpr FieldDesc Out(const char* m = nullptr) const { return Param(Direction::Out, m); }
  constexpr FieldDesc InOut(const char* m = nullptr) const { return Param(Direction::InOut, m); }
  constexpr FieldDesc Params(const char* m) const { return With([&](FieldDesc& f) { f.method = m; }); }

  // Whether this field is a parameter (or block) of method `m`.
  bool OfMethod(std::string_view m) const {
    return (method && method == m) || (alsoMethod && alsoMethod == m);
  }

  // The name a CIM client sees.
  const char* CimName() const { return cimName ? cimName : name; }
  // A CIM property of the class: not internal, not a parameter, not the
  // return value, not a parameter block.
  bool IsProperty() const {
    return !internal && !returnValue && direction == Direction::None && !method && type != FieldType::Block;
  }

  // The field itself, in a record of the described type.
  template <class T>
  T& Value(void* record) const { return *static_cast<T*>(at(record)); }
  template <class T>
  const T& Value(const void* record) const { return *static_cast<const T*>(at(const_cast<void*>(record))); }

 private:
  template <class Edit>
  constexpr FieldDesc With(Edit edit) const {
    FieldDesc f = *this;
    edit(f);
    return f;
  }
  constexpr FieldDesc Param(Direction d, const char* m) const {
    return With([&](FieldDesc& f) {
      f.direction = d;
      if (m && !f.method) f.method = m;
      else if (m) f.alsoMethod = m;
    });
  }
};

struct ZUBPROV_API RecordDesc {
  const char* name;
  std::span<const FieldDesc> fields;
  void* (*create)();  // a freshly constructed record
  void (*destroy)(void* record);
  size_t size;          // sizeof the record
  size_t alignment;     // alignof the record
  size_t memberCount;   // data members the record declares

  const FieldDesc* Find(const char* fieldName) const;
};

// "string", "uint16[]", "ref", ...: the CIM type name of a field.
ZUBPROV_API std::string CimTypeName(const FieldDesc& field);

// "" when `desc` names every data member of its record exactly once and in
// declaration order (also inside parameter blocks) and its keys are numbered
// 1..n; otherwise one line saying what is wrong.
std::string CheckDescription(const RecordDesc& desc);

// The key fields of a description in key order.
ZUBPROV_API std::vector<const FieldDesc*> KeyFields(const RecordDesc& desc);

// ---- building descriptions ------------------------------------------------

template <class T>
constexpr FieldType FieldTypeOf() {
  if constexpr (std::is_same_v<T, CZubString>) return FieldType::Text;
  else if constexpr (std::is_same_v<T, uint64_t>) return FieldType::UInt64;
  else if constexpr (std::is_same_v<T, int64_t>) return FieldType::Int64;
  else if constexpr (std::is_same_v<T, uint32_t>) return FieldType::UInt32;
  else if constexpr (std::is_same_v<T, int32_t>) return FieldType::Int32;
  else if constexpr (std::is_same_v<T, uint8_t>) return FieldType::UInt8;
  else if constexpr (std::is_same_v<T, CArrayT<uint64_t>>) return FieldType::UInt64List;
  else if constexpr (std::is_same_v<T, CArrayT<CZubString>>) return FieldType::TextList;
  else {
    static_assert(std::is_class_v<T>, "a record field must be one of the storage types of FieldType");
    return FieldType::Block;
  }
}

template <class C, class M>
M MemberType(M C::*);
template <class C, class M>
C MemberClass(M C::*);

template <auto Member>
constexpr FieldDesc DescribeField(const char* name) {
  using Rec = decltype(MemberClass(Member));
  using T = decltype(MemberType(Member));
  static_assert(!std::is_same_v<T, bool>, "use uint8_t for 8-bit flags");
  FieldDesc f{name, FieldTypeOf<T>(), [](void* r) -> void* { return &(static_cast<Rec*>(r)->*Member); }, nullptr,
              sizeof(T)};
  if constexpr (FieldTypeOf<T>() == FieldType::Block) f.block = []() -> const RecordDesc* { return &T::Describe(); };
  return f;
}

namespace zubdesc {

// Counts an aggregate's data members: the largest number of initialisers
// that brace-initialise it. A member of any type takes an AnyMember.
struct AnyMember {
  template <class T>
  operator T() const;  // never defined: only used in unevaluated context
};

template <class T, class... Args>
constexpr size_t CountMembers() {
  if constexpr (requires { T{std::declval<Args>()..., std::declval<AnyMember>()}; })
    return CountMembers<T, Args..., AnyMember>();
  else
    return sizeof...(Args);
}

}  // namespace zubdesc

template <class Rec>
RecordDesc DescribeRecord(const char* name, std::span<const FieldDesc> fields) {
  static_assert(std::is_aggregate_v<Rec>, "a record is a plain aggregate of fields");
  return RecordDesc{name, fields, []() -> void* { return new Rec(); }, [](void* r) { delete static_cast<Rec*>(r); },
                    sizeof(Rec), alignof(Rec), zubdesc::CountMembers<Rec>()};
}

#define ZUB_FIELD_OF(Record, Field) DescribeField<&Record::Field>(#Field)
// Inside ZUB_DESCRIBE, R is the record being described.
#define ZUB_FIELD(Field) ZUB_FIELD_OF(R, Field)

// Defines Record::Describe() from its field list.
#define ZUB_DESCRIBE(Record, ...)                                                 \
  const RecordDesc& Record::Describe() {                                          \
    using R = Record;                                                             \
    static const FieldDesc fields[] = {__VA_ARGS__};                              \
    static const RecordDesc desc = DescribeRecord<Record>(#Record, fields);       \
    return desc;                                                                  \
  }
