// system_port_helpers.h: records and references as table rows, for the
// system and port class tests, which compare whole lists at once.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/classes/association_fixture.h"

namespace zubtest {

using Texts = std::vector<std::wstring>;

// The named fields of each record, values only and " | " between them: the
// rows of a table whose columns a test names once.
template <class Rec>
Texts Rows(const CArrayT<Rec>& records, std::initializer_list<const char*> columns) {
  Texts out;
  for (const Rec& r : records) {
    std::wstring row;
    for (const char* column : columns) {
      const std::wstring field = Fields(r, {column});
      row += (row.empty() ? L"" : L" | ") + field.substr(field.find(L'=') + 1);
    }
    out.push_back(row);
  }
  return out;
}

// "Class Key" of a reference, its key the first it has of DeviceID, Name,
// Tag and InstanceID.
inline std::wstring Brief(const CZubString& reference) {
  CWbemObjectPath path;
  path.ParsePath(reference);
  CZubString key;
  for (const wchar_t* name : {L"DeviceID", L"Name", L"Tag", L"InstanceID"}) {
    if (path.m_keys.TryGetPropertyValue(name, &key)) break;
  }
  return path.m_className.Str() + L" " + key.Str();
}

// "First | Second" of each association record, in Brief form.
template <class Rec>
Texts Links(const CArrayT<Rec>& records, CZubString Rec::*first, CZubString Rec::*second) {
  Texts out;
  for (const Rec& r : records) out.push_back(Brief(r.*first) + L" | " + Brief(r.*second));
  return out;
}

}  // namespace zubtest
