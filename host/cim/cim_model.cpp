// cim_model.cpp: namespaces, path texts and path comparison.
#include "host/cim/cim_model.h"
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
  CimPath path;
  size_t colon = text.find(':');
  std::string_view left = colon == std::string_view::npos ? std::string_view() : text.substr(0, colon);
  std::string_view right = colon == std::string_view::npos ? text : text.substr(colon + 1);
  if (left.substr(0, 2) == "\\\\") {
    left.remove_prefix(2);
    size_t slash = left.find('\\');
    path.host = std::string(left.substr(0, slash));
    if (slash != std::string_view::npos) path.ns = SplitNamespace(left.substr(slash + 1));
  } else {
    path.ns = SplitNamespace(left);
  }
  size_t dot = right.find('.');
  path.className = std::string(right.substr(0, dot));
  if (dot == std::string_view::npos) return path;
  std::string_view rest = right.substr(dot + 1);
  while (!rest.empty()) {
    size_t open = rest.find("=\"");
    if (open == std::string_view::npos) break;
    size_t close = rest.find('"', open + 2);
    if (close == std::string_view::npos) close = rest.size();
    KeyBinding key;
    key.name = std::string(rest.substr(0, open));
    key.value = std::string(rest.substr(open + 2, close - open - 2));
    path.keys.push_back(std::move(key));
    rest = close >= rest.size() ? std::string_view() : rest.substr(close + 1);
    if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
  }
  return path;
}

std::string LibraryTextOf(const CimPath& path, const std::string& defaultHost, const std::string& defaultNamespace) {
  const std::string host = path.host.empty() ? defaultHost : path.host;
  if (host.find_first_of(":\\") != std::string::npos)
    throw CimFault(kCimInvalidParameter, "a reference's host \"" + host + "\" cannot be handed to the provider");
  std::string ns;
  for (const std::string& part : path.ns.empty() ? SplitNamespace(defaultNamespace) : path.ns)
    zubcim::AppendJoined(ns, "\\", part);
  std::string text = "\\\\" + host + "\\" + ns + ":";
  for (size_t i = 0; i < path.keys.size(); ++i) {
    const KeyBinding& key = path.keys[i];
    if (key.kind == KeyBinding::Kind::Reference)
      throw CimFault(kCimInvalidParameter, "a reference key (" + key.name + ") cannot be handed to the provider");
    if (key.value.find_first_of("\",") != std::string::npos)
      throw CimFault(kCimInvalidParameter,
                     "key " + key.name + " of a reference holds a double quote or a comma, which the provider cannot read");
    text += (i == 0 ? path.className + "." : ",") + key.name + "=\"" + key.value + "\"";
  }
  if (path.keys.empty()) text += path.className;
  return text;
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
