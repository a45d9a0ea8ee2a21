// profile_check.cpp: the walk of `zubcim check` over any CimAccess.
#include "host/wbem/profile_check.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "host/view/view.h"

namespace zubwbem {
namespace {

constexpr const char* kProfileClass = "CIM_RegisteredProfile";
constexpr const char* kConformsClass = "CIM_ElementConformsToProfile";
constexpr const char* kReferencedClass = "CIM_ReferencedProfile";

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// One text per instance a path names: the class and the keys by name (any
// case, any order); namespaces and hosts left out, as a client compares.
std::string KeyText(const CimPath& path) {
  std::vector<std::string> keys;
  for (const KeyBinding& key : path.keys)
    keys.push_back(Lower(key.name) + "=" + (key.ref.empty() ? key.value : "{" + KeyText(key.ref.front()) + "}"));
  std::sort(keys.begin(), keys.end());
  std::string out = Lower(path.className);
  for (const std::string& key : keys) out += "|" + key;
  return out;
}

std::string HopName(const Hop& hop) { return std::string(hop.association) + " -> " + hop.result; }

std::string Text(const ClientInstance& instance, const char* property) {
  const CimValue* v = instance.Value(property);
  return v && !v->items.empty() ? v->items.front() : std::string();
}

// Instances, each path once, in the order first met.
struct Met {
  std::vector<ClientInstance> instances;
  std::set<std::string> paths;
  void Add(ClientInstance instance) {
    if (paths.insert(KeyText(instance.path)).second) instances.push_back(std::move(instance));
  }
};

// Where a failure is counted and said.
struct Sink {
  ProfileResult* result = nullptr;
  CheckItem* item = nullptr;
  void Missing(const std::string& line) { Add(line, &CheckItem::missing); }
  void Wrong(const std::string& line) { Add(line, &CheckItem::wrong); }

 private:
  void Add(const std::string& line, size_t CheckItem::*count) {
    if (!item) return;
    ++(item->*count);
    result->failures.push_back(item->name + ": " + line);
  }
};

class Walker {
 public:
  Walker(CimAccess& access, std::span<const ProfileRow> table, bool view)
      : m_access(access), m_table(table), m_view(view) {}

  std::vector<ProfileResult> Run() {
    std::vector<ProfileResult> out;
    const std::vector<ClientInstance> profiles = m_access.Instances("root/interop", kProfileClass);
    for (const ClientInstance& profile : profiles) {
      ProfileResult result{Text(profile, "RegisteredName"), Text(profile, "RegisteredVersion"), Describe(profile.path),
                           {}, {}};
      const ProfileRow* row = RowOf(profile);
      if (!row) {
        result.items.push_back({"profile table", 0, 0, 1});
        result.failures.push_back("profile table: it has no row for \"" + result.name + "\", so nothing of it is checked");
      } else {
        Walk(profile, *row, result);
      }
      out.push_back(std::move(result));
    }
    return out;
  }

 private:
  const ProfileRow* RowOf(const ClientInstance& profile) const {
    const std::string name = Lower(Text(profile, "RegisteredName"));
    const Served other = m_view ? Served::RecordsOnly : Served::View;
    for (const ProfileRow& row : m_table) {
      if (row.served != other && Lower(row.registeredName) == name) return &row;
    }
    return nullptr;
  }

  void Walk(const ClientInstance& profile, const ProfileRow& row, ProfileResult& result) {
    result.items.reserve(1 + row.mandatory.size());
    result.items.push_back({std::string("central ") + row.central, 0, 0, 0});
    Sink central{&result, &result.items.back()};
    const std::vector<ClientInstance> centrals = Central(profile, row, central);
    central.item->checked = centrals.size();
    if (centrals.empty() && !row.mayHaveNone)
      central.Missing("no instance of " + std::string(row.central) + " is reached from the profile " + result.path);
    Check(centrals, row.required, central);
    // Each item's instances by its result class, for the items that start
    // from them.
    std::map<std::string, std::pair<std::string, std::vector<ClientInstance>>> reachedBy;
    for (const Follow& follow : row.mandatory) {
      const auto from = follow.from ? reachedBy.find(Lower(follow.from)) : reachedBy.end();
      const std::string name = (from != reachedBy.end() ? from->second.first + " -> " : "") + HopName(follow.hop);
      result.items.push_back({name, 0, 0, 0});
      Sink sink{&result, &result.items.back()};
      if (follow.from && from == reachedBy.end()) {
        sink.Wrong(std::string("the profile table's row starts it from ") + follow.from +
                   ", which no earlier association of the row leads to");
        continue;
      }
      std::vector<ClientInstance> reached =
          Across(from != reachedBy.end() ? from->second.second : centrals, follow.hop, follow.each, sink);
      sink.item->checked = reached.size();
      Check(reached, follow.required, sink);
      reachedBy[Lower(follow.hop.result)] = {name, std::move(reached)};
    }
  }

  // The central instances of `profile`. A walk for its own profile (with a
  // sink) reads them afresh; scoping another profile takes them as read.
  std::vector<ClientInstance> Central(const ClientInstance& profile, const ProfileRow& row, Sink sink,
                                      int depth = 0) {
    const std::string key = KeyText(profile.path);
    if (auto found = m_central.find(key); found != m_central.end() && !sink.item) return found->second;
    Met out;
    if (!row.reach.empty()) {
      std::vector<ClientInstance> from = Scoping(profile, depth);
      if (from.empty()) from.push_back(profile);
      for (const Hop& hop : row.reach) from = Across(from, hop, false, sink);
      for (ClientInstance& central : from) out.Add(std::move(central));
    }
    for (ClientInstance& conforming : m_access.Associators(profile.path, kConformsClass, row.central))
      out.Add(std::move(conforming));
    m_central[key] = out.instances;
    return out.instances;
  }

  // A component profile's scoping instances: the central instances of the
  // profiles that reference it. None for an autonomous profile.
  std::vector<ClientInstance> Scoping(const ClientInstance& profile, int depth) {
    Met out;
    if (depth > 4) return {};  // a loop of references scopes nothing
    // The association names the profile by its keys; the class it names
    // may be one standing for the profile's.
    for (const ClientInstance& ref : m_access.References(profile.path, kReferencedClass)) {
      const CimValue* antecedent = ref.Value("Antecedent");
      const CimValue* dependent = ref.Value("Dependent");
      if (!antecedent || antecedent->refs.empty() || !dependent || dependent->refs.empty() ||
          !SameKeys(antecedent->refs.front(), profile.path))
        continue;
      CimPath parentPath = dependent->refs.front();
      if (parentPath.ns.empty()) parentPath.ns = profile.path.ns;
      std::optional<ClientInstance> parent = m_access.Get(parentPath);
      const ProfileRow* parentRow = parent ? RowOf(*parent) : nullptr;
      if (!parentRow) continue;
      for (ClientInstance& scoping : Central(*parent, *parentRow, Sink{}, depth + 1)) out.Add(std::move(scoping));
    }
    return out.instances;
  }

  // The instances one hop leads to from each of `from`; every association
  // instance met on the way must name instances that exist.
  std::vector<ClientInstance> Across(const std::vector<ClientInstance>& from, const Hop& hop, bool each, Sink& sink) {
    Met out;
    for (const ClientInstance& x : from) {
      for (const ClientInstance& link : m_access.References(x.path, hop.association)) {
        NoteClass(link.path, sink);
        for (const auto& [property, value] : link.properties) {
          for (CimPath end : value.refs) {
            if (end.ns.empty()) end.ns = link.path.ns.empty() ? x.path.ns : link.path.ns;
            if (!Exists(end))
              sink.Wrong(Describe(link.path) + ": " + property + " names " + Describe(end) + ", which does not exist");
          }
        }
      }
      std::vector<ClientInstance> reached = m_access.Associators(x.path, hop.association, hop.result);
      if (reached.empty() && each)
        sink.Missing(Describe(x.path) + " leads through no " + hop.association + " to a " + hop.result);
      for (ClientInstance& r : reached) out.Add(std::move(r));
    }
    return out.instances;
  }

  // The required properties and the keys of the instances reached.
  void Check(const std::vector<ClientInstance>& instances, const std::vector<const char*>& required, Sink& sink) {
    for (const ClientInstance& instance : instances) {
      NoteClass(instance.path, sink);
      for (const char* property : required) {
        const CimValue* v = instance.Value(property);
        if (!v || v->null || (v->items.empty() && v->refs.empty()))
          sink.Missing(Describe(instance.path) + " has no " + property);
      }
    }
  }

  // The first time an item meets a class, every instance of it is read:
  // two that share a path are one failure line each key.
  void NoteClass(const CimPath& path, Sink& sink) {
    if (!sink.item) return;
    const std::string ns = JoinNamespace(path.ns);
    const std::string cls = path.className;
    const std::string key = Lower(ns) + ":" + Lower(cls);
    const std::string seen = sink.item->name + "/" + key;
    if (!m_noted.insert(sink.result->path + "/" + seen).second) return;
    auto found = m_duplicates.find(key);
    if (found == m_duplicates.end()) {
      std::map<std::string, std::pair<size_t, CimPath>> counts;
      for (const ClientInstance& i : m_access.Instances(ns, cls)) {
        if (!EqualsNoCase(i.path.className, cls)) continue;  // a subclass: met under its own name
        auto& entry = counts[KeyText(i.path)];
        if (entry.first++ == 0) entry.second = i.path;
      }
      std::vector<std::string> lines;
      for (const auto& [text, entry] : counts) {
        if (entry.first > 1)
          lines.push_back(std::to_string(entry.first) + " instances of " + cls + " share the key " +
                          Describe(entry.second) + " (one path, several instances: a client sees one of them)");
      }
      found = m_duplicates.emplace(key, std::move(lines)).first;
    }
    for (const std::string& line : found->second) sink.Wrong(line);
  }

  bool Exists(const CimPath& path) {
    const std::string key = Lower(JoinNamespace(path.ns)) + ":" + KeyText(path);
    auto found = m_exists.find(key);
    if (found == m_exists.end()) found = m_exists.emplace(key, m_access.Get(path).has_value()).first;
    return found->second;
  }


  CimAccess& m_access;
  std::span<const ProfileRow> m_table;
  bool m_view;
  std::map<std::string, std::vector<ClientInstance>> m_central;
  std::map<std::string, std::vector<std::string>> m_duplicates;
  std::map<std::string, bool> m_exists;
  std::set<std::string> m_noted;
};

}  // namespace

std::vector<ProfileResult> CheckProfiles(CimAccess& access, std::span<const ProfileRow> table, bool view) {
  return Walker(access, table, view).Run();
}

bool ServesClientView(CimAccess& access) {
  const zubview::ViewClass& any = zubview::ViewClasses().front();
  return access.HasClass(any.nameSpace, any.name);
}

}  // namespace zubwbem
