// object_path.cpp: building and parsing reference texts.
#include "framework/object_path.h"

#include <cwctype>
#include <string>

CZubString Before(const CZubString& text, const wchar_t* marker) {
  try {
    return text.Left(text.Find(marker, 0));
  } catch (const CZubException&) {
    return CZubString();
  }
}

CZubString After(const CZubString& text, const wchar_t* marker) {
  try {
    size_t at = text.Find(marker, 0) + std::char_traits<wchar_t>::length(marker);
    return text.Mid(at, text.GetLength());
  } catch (const CZubException&) {
    return CZubString();
  }
}

CZubString Between(const CZubString& text, const wchar_t* m1, const wchar_t* m2) {
  try {
    size_t start = text.Find(m1, 0) + std::char_traits<wchar_t>::length(m1);
    size_t end = text.Find(m2, start);
    return text.Mid(start, end);
  } catch (const CZubException&) {
    return CZubString();
  }
}

CZubString CWbemProperty::ToString() const {
  CZubString out(m_name);
  out.Append(L"=\"");
  out.Append(m_value);
  out.Append(L"\"");
  return out;
}

void CWbemPropertyList::AddProperty(const CZubString& name, const CZubString& value) {
  Add(CWbemProperty(name, value));
}

CZubString CWbemPropertyList::GetPropertyValue(const CZubString& name) const {
  CZubString value;
  if (!TryGetPropertyValue(name, &value)) throw CZubException{PROVIDER_NOT_FOUND};
  return value;
}

bool CWbemPropertyList::TryGetPropertyValue(const CZubString& name, CZubString* value) const {
  for (const CWbemProperty& p : *this) {
    if (p.m_name.Compare(name) == 0) {
      *value = p.m_value;
      return true;
    }
  }
  return false;
}

CZubString CWbemObjectPath::ToString() const {
  CZubString out(L"\\\\");
  out.Append(m_host);
  out.Append(L"\\");
  out.Append(m_namespace);
  out.Append(L":");
  bool first = true;
  for (const CWbemProperty& p : m_keys) {
    if (!first) out.Append(L",");
    out.Append(p.ToString());
    first = false;
  }
  return out;
}

void CWbemObjectPath::ParsePath(const CZubString& text) {
  m_keys.RemoveAll();
  CZubString left = Before(text, L":");
  m_host = Between(left, L"\\\\", L"\\");
  m_namespace = After(After(left, L"\\\\"), L"\\");
  m_className = Between(text, L":", L".");
  CZubString rest = After(text, L".");
  while (!rest.IsEmpty()) {
    CZubString value = Between(rest, L"=\"", L"\"");
    CZubString name = Before(rest, L"=\"");
    m_keys.AddProperty(name, value);
    rest = After(rest, L",");
  }
}

namespace {

// Whether text[at..] is a key name followed by `="`.
bool KeyStartsAt(const std::wstring& text, size_t at) {
  size_t i = at;
  while (i < text.size() && (std::iswalnum(static_cast<wint_t>(text[i])) || text[i] == L'_')) ++i;
  return i > at && text.compare(i, 2, L"=\"") == 0;
}

}  // namespace

bool ReadReferenceText(const CZubString& text, CWbemObjectPath* out) {
  *out = CWbemObjectPath();
  const std::wstring& s = text.Str();
  const size_t colon = s.find(L':');
  if (s.compare(0, 2, L"\\\\") != 0 || colon == std::wstring::npos) return false;
  const size_t slash = s.find(L'\\', 2);
  if (slash == std::wstring::npos || slash > colon) return false;
  out->m_host = s.substr(2, slash - 2).c_str();
  out->m_namespace = s.substr(slash + 1, colon - slash - 1).c_str();
  const size_t dot = s.find(L'.', colon);
  if (dot == std::wstring::npos) return false;
  out->m_className = s.substr(colon + 1, dot - colon - 1).c_str();
  for (size_t at = dot + 1; at < s.size();) {
    const size_t eq = s.find(L"=\"", at);
    if (eq == std::wstring::npos) return false;
    // The value's closing quote: at the end, or before ",Name=\"".
    size_t end = std::wstring::npos;
    for (size_t q = s.find(L'"', eq + 2); q != std::wstring::npos; q = s.find(L'"', q + 1)) {
      if (q + 1 == s.size() || (s[q + 1] == L',' && KeyStartsAt(s, q + 2))) {
        end = q;
        break;
      }
    }
    if (end == std::wstring::npos) return false;
    out->m_keys.AddProperty(s.substr(at, eq - at).c_str(), s.substr(eq + 2, end - eq - 2).c_str());
    at = end + 2;
  }
  return true;
}

bool LibraryReadsBack(const CWbemObjectPath& path) {
  if (path.m_host.Str().find_first_of(L"\\:") != std::wstring::npos) return false;
  for (const CWbemProperty& key : path.m_keys) {
    if (key.m_value.Str().find_first_of(L"\",") != std::wstring::npos) return false;
  }
  return true;
}
