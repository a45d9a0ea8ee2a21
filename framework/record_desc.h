// record_desc.h: one description per record type (field names, types and how
// to reach each field), kept next to the record. Hosts turn records into JSON
// or CIM instances by walking descriptions, never by hand-written code per
// class: a new class only needs its description.
//
//   const RecordDesc& stZUB_ComputerSystem::Describe() {
//     static const FieldDesc fields[] = {ZUB_FIELD(stZUB_ComputerSystem, NameFormat), ...};
//     return DescribeRecord<stZUB_ComputerSystem>("stZUB_ComputerSystem", fields);
//   }
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "framework/api.h"
#include "framework/zub_array.h"
#include "framework/zub_string.h"

enum class FieldType {
  Text,        // CZubString
  UInt64,      // uint64_t
  UInt32,      // uint32_t
  Int32,       // int32_t
  UInt8,       // uint8_t (flags, booleans, reserved bytes)
  UInt64List,  // CArrayT<uint64_t>
  TextList,    // CArrayT<CZubString>
  Block,       // a nested parameter block with a description of its own
};

struct RecordDesc;

struct FieldDesc {
  const char* name;
  FieldType type;
  void* (*at)(void* record);         // address of this field in a record
  const RecordDesc* (*block)();      // the block's description (Block only)

  template <class T>
  T& Ref(void* record) const { return *static_cast<T*>(at(record)); }
  template <class T>
  const T& Ref(const void* record) const { return *static_cast<const T*>(at(const_cast<void*>(record))); }
};

struct ZUBPROV_API RecordDesc {
  const char* name;
  std::span<const FieldDesc> fields;
  void* (*create)();              // a freshly constructed record
  void (*destroy)(void* record);

  const FieldDesc* Find(const char* fieldName) const;
};

template <class T>
constexpr FieldType FieldTypeOf() {
  if constexpr (std::is_same_v<T, CZubString>) return FieldType::Text;
  else if constexpr (std::is_same_v<T, uint64_t>) return FieldType::UInt64;
  else if constexpr (std::is_same_v<T, uint32_t>) return FieldType::UInt32;
  else if constexpr (std::is_same_v<T, int32_t>) return FieldType::Int32;
  else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, bool>) return FieldType::UInt8;
  else if constexpr (std::is_same_v<T, CArrayT<uint64_t>>) return FieldType::UInt64List;
  else if constexpr (std::is_same_v<T, CArrayT<CZubString>>) return FieldType::TextList;
  else return FieldType::Block;
}

template <class C, class M>
M MemberType(M C::*);
template <class C, class M>
C MemberClass(M C::*);

template <auto Member>
FieldDesc DescribeField(const char* name) {
  using Rec = decltype(MemberClass(Member));
  using T = decltype(MemberType(Member));
  static_assert(!std::is_same_v<T, bool>, "use uint8_t for 8-bit flags");
  FieldDesc f{name, FieldTypeOf<T>(), [](void* r) -> void* { return &(static_cast<Rec*>(r)->*Member); }, nullptr};
  if constexpr (FieldTypeOf<T>() == FieldType::Block) f.block = []() -> const RecordDesc* { return &T::Describe(); };
  return f;
}

#define ZUB_FIELD(Record, Field) DescribeField<&Record::Field>(#Field)

template <class Rec>
RecordDesc DescribeRecord(const char* name, std::span<const FieldDesc> fields) {
  return RecordDesc{name, fields, []() -> void* { return new Rec(); },
                    [](void* r) { delete static_cast<Rec*>(r); }};
}
