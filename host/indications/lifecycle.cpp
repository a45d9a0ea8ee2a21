// lifecycle.cpp: the listings compared.
#include "host/indications/lifecycle.h"

#include <map>

namespace zubwbem {
namespace {

// The records the library's change detection compares, and the client
// view's drive, one per disk extent (a class the schema has only when the
// server serves the view).
const char* const kWatched[] = {"ZUB_StorageVolume", "ZUB_StoragePool", "ZUB_StorageExtentDisk", "ZUB_HostDiskDrive"};

bool SameValue(const CimValue& a, const CimValue& b) {
  if (a.null != b.null || a.items != b.items || a.refs.size() != b.refs.size()) return false;
  for (size_t i = 0; i < a.refs.size(); ++i) {
    if (Describe(a.refs[i]) != Describe(b.refs[i])) return false;
  }
  return true;
}

// A listing's instances by path.
std::map<std::string, const Instance*> ByPath(const std::vector<Instance>& in) {
  std::map<std::string, const Instance*> out;
  for (const Instance& i : in) out.emplace(Describe(i.path), &i);
  return out;
}

}  // namespace

const char* const kInstCreation = "CIM_InstCreation";
const char* const kInstDeletion = "CIM_InstDeletion";
const char* const kInstModification = "CIM_InstModification";

std::span<const char* const> LifeCycleClasses() { return kWatched; }

LifeCycleWatch::LifeCycleWatch(const Schema& schema, Lister lister) : m_schema(schema), m_lister(std::move(lister)) {
  for (const char* name : LifeCycleClasses()) {
    if (const CimClass* cls = m_schema.Find(ClassNs(), name)) m_classes.push_back(cls);
  }
}

std::vector<LifeCycleEvent> LifeCycleWatch::Compare() {
  std::vector<LifeCycleEvent> out;
  for (const CimClass* cls : m_classes) {
    std::vector<Instance> now;
    try {
      now = m_lister(*cls);
    } catch (const std::exception&) {
      continue;  // compared again next time
    }
    const auto last = m_last.find(cls);
    if (last != m_last.end()) {
      const std::vector<Instance>& before = last->second;
      const std::map<std::string, const Instance*> nowByPath = ByPath(now), beforeByPath = ByPath(before);
      for (const Instance& i : now) {
        if (!beforeByPath.count(Describe(i.path))) out.push_back({kInstCreation, i, std::nullopt, {}});
      }
      for (const Instance& i : before) {
        if (!nowByPath.count(Describe(i.path))) out.push_back({kInstDeletion, i, std::nullopt, {}});
      }
      for (const Instance& i : now) {
        const auto found = beforeByPath.find(Describe(i.path));
        if (found == beforeByPath.end()) continue;
        const Instance* was = found->second;
        std::vector<std::string> changed;
        for (size_t p = 0; p < cls->properties.size() && p < i.values.size() && p < was->values.size(); ++p) {
          if (!SameValue(i.values[p], was->values[p])) changed.push_back(cls->properties[p].name);
        }
        if (!changed.empty()) out.push_back({kInstModification, i, *was, std::move(changed)});
      }
    }
    m_last[cls] = std::move(now);
  }
  return out;
}

}  // namespace zubwbem
