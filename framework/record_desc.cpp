// record_desc.cpp: looking up a field of a description by name.
#include "framework/record_desc.h"

#include <cstring>

const FieldDesc* RecordDesc::Find(const char* fieldName) const {
  for (const FieldDesc& f : fields) {
    if (std::strcmp(f.name, fieldName) == 0) return &f;
  }
  return nullptr;
}
