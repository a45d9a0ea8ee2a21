// provider_gate.cpp: the server's reading of the library's records.
#include "host/wbem/provider_gate.h"

#include "host/kit/requests.h"

namespace zubwbem {

void ProviderGate::Refresh(const CimClass& cls, const std::function<void(const void*)>& visit) {
  if (!cls.desc) throw CimFault(kCimFailed, cls.name + ": the provider has no such class");
  const PROVIDER_STATUS status = zubcim::Requests::Process().Read(*cls.desc, visit);
  if (status == PROVIDER_NO_OBJECT) throw CimFault(kCimFailed, cls.name + ": the provider's object could not be created");
  // Nothing there (4) is an empty answer, not a failure.
  if (status != PROVIDER_SUCCESS && status != PROVIDER_NOT_FOUND)
    throw CimFault(kCimFailed, cls.name + ": the provider returned status " + std::to_string(status));
}

std::vector<Instance> ProviderGate::List(const CimClass& cls) {
  std::vector<Instance> out;
  Refresh(cls, [&](const void* record) { out.push_back(InstanceOf(cls, record, m_defaults)); });
  return out;
}

std::vector<Instance> ProviderGate::List(const CimClass& cls, std::vector<zubcim::Json>* records) {
  std::vector<Instance> out;
  Refresh(cls, [&](const void* record) {
    out.push_back(InstanceOf(cls, record, m_defaults));
    records->push_back(zubcim::ToJson(cls.desc->record(), record));
  });
  return out;
}

bool ProviderGate::FindRecord(const CimClass& cls, const CimPath& path, void* record) {
  bool found = false;
  Refresh(cls, [&](const void* candidate) {
    if (found) return;
    Instance instance = InstanceOf(cls, candidate, m_defaults);
    if (KeysMatch(instance.path, path)) {
      CopyRecord(cls.desc->record(), candidate, record);
      found = true;
    }
  });
  return found;
}

PROVIDER_STATUS ProviderGate::Invoke(const CimClass& cls, const MethodDesc& method, void* record) {
  const PROVIDER_STATUS status = zubcim::Requests::Process().Call(*cls.desc, method, record);
  if (status == PROVIDER_NO_OBJECT) throw CimFault(kCimFailed, cls.name + ": the provider's object could not be created");
  return status;
}

void CheckKeys(const CimClass& cls, const CimPath& wanted) {
  if (wanted.keys.empty())
    throw CimFault(kCimInvalidParameter, "the path of " + wanted.className + " names no key (give the instance's keys)");
  if (!cls.desc) return;
  for (const KeyBinding& key : wanted.keys) {
    const CimProperty* p = cls.FindProperty(key.name);
    if (!p || !p->key) throw CimFault(kCimInvalidParameter, cls.name + " has no key " + key.name);
  }
}

bool KeysMatch(const CimPath& have, const CimPath& wanted) {
  CimPath asked = wanted;
  asked.ns.clear();
  return SameKeys(have, asked);
}

}  // namespace zubwbem
