// inventory.cpp: references resolved against the listed instances.
#include "host/kit/inventory.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <utility>

#include "framework/names.h"
#include "framework/object_path.h"
#include "host/kit/wide_text.h"

namespace zubcim {
namespace {

const std::string kInterop = ToUtf8(kInteropNamespace);

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

struct Reference {
  std::string nameSpace;
  std::string className;
  std::vector<std::pair<std::string, std::string>> keys;
};

// A reference text the library wrote, read the host's way
// (framework/object_path.h); nothing for a text of another shape.
std::optional<Reference> Parse(std::string_view text) {
  CWbemObjectPath read;
  if (!ReadReferenceText(CZubString(FromUtf8(text).c_str()), &read)) return std::nullopt;
  Reference ref{ToUtf8(read.m_namespace.Str()), ToUtf8(read.m_className.Str()), {}};
  for (const CWbemProperty& key : read.m_keys) ref.keys.emplace_back(ToUtf8(key.m_name.Str()), ToUtf8(key.m_value.Str()));
  return ref;
}

const Json& Instances(const ListedClass& listed) {
  static const Json kNone = Json::array();
  const auto found = listed.result.find("instances");
  return found == listed.result.end() ? kNone : *found;
}

bool HasKeys(const ListedClass& listed, const Json& instance, const Reference& ref) {
  const std::vector<const FieldDesc*> keys = KeyFields(listed.cls->record());
  if (keys.size() != ref.keys.size()) return false;
  for (const auto& key : ref.keys) {
    const std::string& name = key.first;
    const std::string& value = key.second;
    const auto field =
        std::find_if(keys.begin(), keys.end(), [&](const FieldDesc* f) { return EqualsNoCase(f->name, name); });
    if (field == keys.end()) return false;
    const auto held = instance.find((*field)->name);
    if (held == instance.end() || (held->is_string() ? held->get<std::string>() : held->dump()) != value) return false;
  }
  return true;
}

bool Resolves(const std::vector<ListedClass>& inventory, const Reference& ref) {
  const bool served = FindClass(ref.className.c_str()) != nullptr;
  for (const ListedClass& listed : inventory) {
    if (served && !EqualsNoCase(listed.cls->name, ref.className)) continue;
    for (const Json& instance : Instances(listed)) {
      if (HasKeys(listed, instance, ref)) return true;
    }
  }
  return false;
}

}  // namespace

std::vector<DanglingReference> DanglingReferences(const std::vector<ListedClass>& inventory,
                                                  const std::string& nameSpace) {
  std::vector<DanglingReference> dangling;
  for (const ListedClass& listed : inventory) {
    for (const FieldDesc& field : listed.cls->record().fields) {
      if (!field.reference) continue;
      for (const Json& instance : Instances(listed)) {
        const auto found = instance.find(field.name);
        if (found == instance.end()) continue;
        const Json& value = *found;
        const auto check = [&](const Json& text) {
          if (!text.is_string() || text.get<std::string>().empty()) return;
          const std::optional<Reference> ref = Parse(text.get<std::string>());
          if (!ref || !(EqualsNoCase(ref->nameSpace, nameSpace) || EqualsNoCase(ref->nameSpace, kInterop)) ||
              !Resolves(inventory, *ref))
            dangling.push_back({listed.cls->name, field.name, text.get<std::string>()});
        };
        if (value.is_array()) {
          for (const Json& text : value) check(text);
        } else {
          check(value);
        }
      }
    }
  }
  return dangling;
}

}  // namespace zubcim
