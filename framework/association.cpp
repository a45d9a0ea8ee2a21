// association.cpp: building references from record descriptions.
#include "framework/association.h"

#include <set>

#include "framework/object_path.h"
#include "framework/provider.h"
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

CZubString CReferenceBuilder::To(const wchar_t* cimClass, const RecordDesc& desc, const void* record) const {
  CWbemObjectPath path;
  path.m_host = m_names.ComputerName;
  path.m_namespace = m_names.Namespace;
  bool first = true;
  for (const FieldDesc* key : KeyFields(desc)) {
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
