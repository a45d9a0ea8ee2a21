// record_desc.cpp: looking up fields, CIM type names and the completeness
// check of descriptions.
#include "framework/record_desc.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The CIM type a storage type has when no annotation says otherwise; for
// lists, the type of the elements. Indexed by FieldType.
constexpr CimType kDefaultCim[] = {
    CimType::String,  // Text
    CimType::UInt64,  // UInt64
    CimType::SInt64,  // Int64
    CimType::UInt32,  // UInt32
    CimType::SInt32,  // Int32
    CimType::UInt8,   // UInt8
    CimType::UInt64,  // UInt64List
    CimType::String,  // TextList
    CimType::Auto,    // Block: not a CIM value
};
static_assert(std::size(kDefaultCim) == kFieldTypeCount);

// Indexed by CimType.
constexpr const char* kCimNames[] = {
    "", "string", "boolean", "uint8", "uint16", "uint32", "uint64",
    "sint8", "sint16", "sint32", "sint64", "datetime", "ref", "real32", "real64", "char16",
};
static_assert(std::size(kCimNames) == static_cast<size_t>(CimType::Char16) + 1);

bool IsList(FieldType t) { return t == FieldType::UInt64List || t == FieldType::TextList; }

std::string Where(const RecordDesc& desc, const FieldDesc& f) { return std::string(desc.name) + "." + f.name; }

}  // namespace

const FieldDesc* RecordDesc::Find(const char* fieldName) const {
  for (const FieldDesc& f : fields) {
    if (std::strcmp(f.name, fieldName) == 0) return &f;
  }
  return nullptr;
}

std::string CimTypeName(const FieldDesc& field) {
  if (field.type == FieldType::Block) return "";
  CimType t = field.reference && field.cim == CimType::Auto ? CimType::Reference : field.cim;
  if (t == CimType::Auto) t = kDefaultCim[static_cast<size_t>(field.type)];
  if (field.returnValue && field.cim == CimType::Auto) t = CimType::UInt32;  // CIM methods return uint32
  std::string name = kCimNames[static_cast<size_t>(t)];
  return IsList(field.type) ? name + "[]" : name;
}

std::vector<const FieldDesc*> KeyFields(const RecordDesc& desc) {
  std::vector<const FieldDesc*> keys;
  for (const FieldDesc& f : desc.fields) {
    if (f.key) keys.push_back(&f);
  }
  std::stable_sort(keys.begin(), keys.end(), [](const FieldDesc* a, const FieldDesc* b) { return a->key < b->key; });
  return keys;
}

std::string CheckDescription(const RecordDesc& desc) {
  if (desc.fields.size() != desc.memberCount) {
    return std::string(desc.name) + " declares " + std::to_string(desc.memberCount) + " fields, its description names " +
           std::to_string(desc.fields.size());
  }
  std::unique_ptr<void, void (*)(void*)> record(desc.create(), desc.destroy);
  const char* base = static_cast<const char*>(record.get());
  size_t end = 0;  // where the previous field ends
  for (size_t i = 0; i < desc.fields.size(); ++i) {
    const FieldDesc& f = desc.fields[i];
    const size_t offset = static_cast<size_t>(static_cast<const char*>(f.at(record.get())) - base);
    if (i > 0 && offset < end) return Where(desc, f) + " is out of declaration order or named twice";
    end = offset + f.size;
    if (f.type == FieldType::Block) {
      if (std::string inner = CheckDescription(*f.block()); !inner.empty()) return inner;
    }
    if ((f.reference || f.cim == CimType::Boolean || f.cim == CimType::DateTime) && f.type == FieldType::Block)
      return Where(desc, f) + ": a parameter block carries no CIM type";
  }
  std::vector<const FieldDesc*> keys = KeyFields(desc);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i]->type != FieldType::Text) return Where(desc, *keys[i]) + ": a key must be a text";
    if (keys[i]->key != i + 1) return Where(desc, *keys[i]) + ": keys must be numbered 1.." + std::to_string(keys.size());
  }
  return "";
}
