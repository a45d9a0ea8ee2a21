// provider_gate.cpp: serialised access to the library's objects.
#include "host/wbem/provider_gate.h"

namespace zubwbem {

CProviderInterfaceBase& ProviderGate::Object(const CimClass& cls, bool* fresh) {
  CProviderInterfaceBase* object = cls.desc ? cls.desc->object() : nullptr;
  if (!object) throw CimFault(kCimFailed, cls.name + ": the provider's object could not be created");
  if (m_initialized.insert(cls.desc).second) {
    const FirstRequest first = InitializeForFirstRequest(*cls.desc, *object);
    if (fresh) *fresh = first.listRead;
  }
  return *object;
}

void ProviderGate::Refresh(const CimClass& cls, const std::function<void(const void*)>& visit) {
  bool fresh = false;
  CProviderInterfaceBase& object = Object(cls, &fresh);
  // An enumeration that meets the RAID stack changing under it fails (1);
  // the next one sees the new state, so a failed refresh is tried again.
  // The first request takes the list its Initialize has just read.
  PROVIDER_STATUS status = fresh ? PROVIDER_SUCCESS : object.Update();
  for (int retry = 0; retry < 2 && status == PROVIDER_FAILED; ++retry) status = object.Update();
  if (status != PROVIDER_SUCCESS && status != PROVIDER_NOT_FOUND)
    throw CimFault(kCimFailed, cls.name + ": the provider's Update returned status " + std::to_string(status));
  if (PROVIDER_STATUS got = cls.desc->getData(visit); got != PROVIDER_SUCCESS)
    throw CimFault(kCimFailed, cls.name + ": the provider's GetData returned status " + std::to_string(got));
}

std::vector<Instance> ProviderGate::List(const CimClass& cls) {
  std::vector<Instance> out;
  std::lock_guard<std::mutex> lock(m_mutex);
  Refresh(cls, [&](const void* record) { out.push_back(InstanceOf(cls, record, m_defaults)); });
  return out;
}

bool ProviderGate::FindRecord(const CimClass& cls, const CimPath& path, void* record) {
  bool found = false;
  std::lock_guard<std::mutex> lock(m_mutex);
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
  std::lock_guard<std::mutex> lock(m_mutex);
  Object(cls);
  return method.invoke(record);
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
