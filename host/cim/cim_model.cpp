// cim_model.cpp: namespaces, path texts and path comparison.
#include "host/cim/cim_model.h"

#include "framework/object_path.h"
#include "host/kit/wide_text.h"
#include "host/kit/join.h"

#include <algorithm>
#include <cctype>

namespace zubwbem {

std::string JoinNamespace(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) zubcim::AppendJoined(out, "/", p);
  return out;
}

std::vector<std::string> SplitNamespace(std::string_view text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == '/' || c == '\\') {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

std::string CanonicalNamespace(std::string_view text) {
  std::string out = JoinNamespace(SplitNamespace(text));
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

CimPath PathFromLibraryText(std::string_view text) {
  CWbemObjectPath read;
  ReadReferenceText(CZubString(zubcim::FromUtf8(text).c_str()), &read);
  CimPath path;
  path.host = zubcim::ToUtf8(read.m_host.Str());
  path.ns = SplitNamespace(zubcim::ToUtf8(read.m_namespace.Str()));
  path.className = zubcim::ToUtf8(read.m_className.Str());
  for (const CWbemProperty& key : read.m_keys) {
    KeyBinding binding;
    binding.name = zubcim::ToUtf8(key.m_name.Str());
    binding.value = zubcim::ToUtf8(key.m_value.Str());
    path.keys.push_back(std::move(binding));
  }
  return path;
}

std::string LibraryTextOf(const CimPath& path, const std::string& defaultHost, const std::string& defaultNamespace) {
  CWbemObjectPath text;
  text.m_host = zubcim::FromUtf8(path.host.empty() ? defaultHost : path.host).c_str();
  std::string ns;
  for (const std::string& part : path.ns.empty() ? SplitNamespace(defaultNamespace) : path.ns)
    zubcim::AppendJoined(ns, "\\", part);
  text.m_namespace = zubcim::FromUtf8(ns).c_str();
  for (size_t i = 0; i < path.keys.size(); ++i) {
    const KeyBinding& key = path.keys[i];
    if (key.kind == KeyBinding::Kind::Reference)
      throw CimFault(kCimInvalidParameter, "a reference key (" + key.name + ") cannot be handed to the provider");
    text.m_keys.AddProperty(zubcim::FromUtf8((i == 0 ? path.className + "." : "") + key.name).c_str(),
                            zubcim::FromUtf8(key.value).c_str());
  }
  if (!LibraryReadsBack(text))
    throw CimFault(kCimInvalidParameter, "the reference " + Describe(path) +
                                             " holds a double quote or a comma in a key (or a host with ':' or '\\'), "
                                             "which the provider's reference text cannot carry");
  std::string out = zubcim::ToUtf8(text.ToString().Str());
  if (path.keys.empty()) out += path.className;
  return out;
}

std::string Describe(const CimPath& path) {
  std::string out = path.className;
  for (size_t i = 0; i < path.keys.size(); ++i) {
    const KeyBinding& key = path.keys[i];
    out += (i == 0 ? "." : ",") + key.name + "=";
    if (key.kind == KeyBinding::Kind::Reference && !key.ref.empty()) out += "{" + Describe(key.ref.front()) + "}";
    else if (key.kind == KeyBinding::Kind::String) out += "\"" + key.value + "\"";
    else out += key.value;
  }
  return out;
}

namespace {

bool SameValue(const KeyBinding& a, const KeyBinding& b) {
  const bool refA = a.kind == KeyBinding::Kind::Reference, refB = b.kind == KeyBinding::Kind::Reference;
  if (refA || refB) {
    if (!(refA && refB) || a.ref.empty() || b.ref.empty()) return false;
    return EqualsNoCase(a.ref.front().className, b.ref.front().className) && SameKeys(a.ref.front(), b.ref.front());
  }
  if (a.kind == KeyBinding::Kind::Boolean || b.kind == KeyBinding::Kind::Boolean) return EqualsNoCase(a.value, b.value);
  return a.value == b.value;
}

}  // namespace

bool SameKeys(const CimPath& a, const CimPath& b) {
  if (a.keys.size() != b.keys.size()) return false;
  if (!a.ns.empty() && !b.ns.empty() && CanonicalNamespace(JoinNamespace(a.ns)) != CanonicalNamespace(JoinNamespace(b.ns)))
    return false;
  for (const KeyBinding& key : a.keys) {
    auto other = std::find_if(b.keys.begin(), b.keys.end(), [&](const KeyBinding& k) { return EqualsNoCase(k.name, key.name); });
    if (other == b.keys.end() || !SameValue(key, *other)) return false;
  }
  return true;
}

}  // namespace zubwbem
