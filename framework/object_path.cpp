// object_path.cpp: building and parsing reference texts.
#include "framework/object_path.h"


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
