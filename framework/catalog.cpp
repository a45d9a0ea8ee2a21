// catalog.cpp: look-ups over the catalogue and the method parameters that
// record descriptions annotate. The table itself is provider/catalog.cpp.
#include "framework/catalog.h"

const ClassDesc* FindClass(std::string_view name) {
  for (const ClassDesc& c : ClassCatalog()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

std::vector<ParameterDesc> MethodParameters(const RecordDesc& record, const char* method) {
  std::vector<ParameterDesc> params;
  for (const FieldDesc& f : record.fields) {
    if (!f.OfMethod(method)) continue;
    if (f.type == FieldType::Block) {
      for (const FieldDesc& inner : f.block()->fields) params.push_back({&f, &inner});
    } else {
      params.push_back({nullptr, &f});
    }
  }
  return params;
}

const FieldDesc* ReturnValueField(const RecordDesc& record) {
  for (const FieldDesc& f : record.fields) {
    if (f.returnValue) return &f;
  }
  return nullptr;
}

FirstRequest InitializeForFirstRequest(const ClassDesc& cls, CProviderInterfaceBase& object) {
  const bool reads = cls.association || !object.IsInitialized();
  const PROVIDER_STATUS status = object.Initialize();
  return {status, reads && (status == PROVIDER_SUCCESS || status == PROVIDER_NOT_FOUND)};
}
