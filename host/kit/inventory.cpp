// inventory.cpp: references resolved against the listed instances.
#include "host/kit/inventory.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <utility>

namespace zubcim {
namespace {

constexpr std::string_view kInteropNamespace = "root\\Interop";

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

// \\HOST\NAMESPACE:Class.Key1="v1",Key2="v2" (values are not escaped, so a
// value ends at the quote before a comma or the end). Nothing for a text of
// another shape.
std::optional<Reference> Parse(std::string_view text) {
  if (text.substr(0, 2) != "\\\\") return std::nullopt;
  const size_t hostEnd = text.find('\\', 2);
  const size_t colon = text.find(':', 2);
  const size_t dot = colon == std::string_view::npos ? colon : text.find('.', colon);
  if (hostEnd == std::string_view::npos || colon == std::string_view::npos || dot == std::string_view::npos ||
      hostEnd > colon)
    return std::nullopt;
  Reference ref{std::string(text.substr(hostEnd + 1, colon - hostEnd - 1)),
                std::string(text.substr(colon + 1, dot - colon - 1)), {}};
  for (size_t at = dot + 1; at < text.size();) {
    const size_t eq = text.find("=\"", at);
    if (eq == std::string_view::npos) return std::nullopt;
    size_t end = text.find("\",", eq + 2);
    const bool last = end == std::string_view::npos;
    if (last) {
      if (text.back() != '"' || text.size() < eq + 3) return std::nullopt;
      end = text.size() - 1;
    }
    ref.keys.emplace_back(text.substr(at, eq - at), text.substr(eq + 2, end - eq - 2));
    at = last ? text.size() : end + 2;
  }
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
  for (const auto& [name, value] : ref.keys) {
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
          if (!ref || !(EqualsNoCase(ref->nameSpace, nameSpace) || EqualsNoCase(ref->nameSpace, kInteropNamespace)) ||
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
