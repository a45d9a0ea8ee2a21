// association.cpp: building references from record descriptions.
#include "framework/association.h"

#include "framework/object_path.h"
#include "framework/provider.h"
#include "framework/text.h"

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
