// association.cpp: building references from record descriptions.
#include "framework/association.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "framework/object_path.h"
#include "framework/container.h"
#include "framework/text.h"

namespace {
// The objects rebuilt while a CSharedRebuilds lives on this thread; null
// when none does.
thread_local std::set<const void*>* t_rebuilt = nullptr;
}  // namespace

CSharedRebuilds::CSharedRebuilds() : m_outer(t_rebuilt) { t_rebuilt = &m_rebuilt; }

CSharedRebuilds::~CSharedRebuilds() { t_rebuilt = m_outer; }

bool CSharedRebuilds::FirstRebuildOf(const void* object) {
  return !t_rebuilt || t_rebuilt->insert(object).second;
}

CReferenceBuilder::CReferenceBuilder() : m_hasContainer(ReadComputerStringNames(&m_names)) {}

CZubString CReferenceBuilder::To(const wchar_t* cimClass, const RecordDesc& desc, const void* record,
                                 const char* firstKey) const {
  CWbemObjectPath path;
  path.m_host = m_names.ComputerName;
  path.m_namespace = m_names.Namespace;
  std::vector<const FieldDesc*> keys = KeyFields(desc);
  if (firstKey) {
    std::stable_partition(keys.begin(), keys.end(),
                          [&](const FieldDesc* key) { return std::strcmp(key->CimName(), firstKey) == 0; });
  }
  bool first = true;
  for (const FieldDesc* key : keys) {
    CZubString name = AsciiText(key->CimName());
    if (first) {
      CZubString qualified(cimClass);
      qualified.Append(L".");
      qualified.Append(name);
      name = qualified;
      first = false;
    }
    path.m_keys.AddProperty(name, key->Value<CZubString>(record));  // keys are texts
  }
  return path.ToString();
}
