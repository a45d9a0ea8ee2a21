// port_fixture.h: what the port classes' tests add to the association
// fixture: Short and Pairs, which write references compactly for comparing
// many at once.
#pragma once

#include <string>
#include <vector>

#include "framework/object_path.h"
#include "tests/classes/association_fixture.h"

namespace zubtest {

using PortFixture = AssociationFixture;

// "Class Key" of a reference, its key being DeviceID or else Name.
inline std::wstring Short(const CZubString& reference) {
  CWbemObjectPath path;
  path.ParsePath(reference);
  CZubString key;
  if (!path.m_keys.TryGetPropertyValue(L"DeviceID", &key)) path.m_keys.TryGetPropertyValue(L"Name", &key);
  return path.m_className.Str() + L" " + key.Str();
}

// "First | Second" of each association record, in Short form.
template <class Rec>
std::vector<std::wstring> Pairs(const CArrayT<Rec>& records, CZubString Rec::*first, CZubString Rec::*second) {
  std::vector<std::wstring> out;
  for (const Rec& r : records) out.push_back(Short(r.*first) + L" | " + Short(r.*second));
  return out;
}

}  // namespace zubtest
