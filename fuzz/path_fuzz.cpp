// path_fuzz.cpp: the object-path parser reads references straight from a
// host, so no text may make it throw or misbehave; and what it gives back,
// written again and re-parsed, must be stable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/object_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (c != 0) text.push_back(c);
  }
  CWbemObjectPath first;
  first.ParsePath(text.c_str());  // any CZubException escaping is a finding

  // Keys that survived a parse format back to a text that parses to the same
  // keys, as long as no value holds a character the format cannot carry.
  for (const CWbemProperty& p : first.m_keys) {
    if (p.m_value.Str().find_first_of(L",\"") != std::wstring::npos) return 0;
    if (p.m_name.Str().find_first_of(L",\".:\\=") != std::wstring::npos) return 0;
    if (p.m_name.IsEmpty()) return 0;
  }
  if (first.m_host.Str().find_first_of(L"\\:") != std::wstring::npos ||
      first.m_namespace.Str().find(L':') != std::wstring::npos || first.m_keys.GetCount() == 0)
    return 0;
  CWbemObjectPath again;
  CWbemObjectPath withClass = first;
  withClass.m_keys[0].m_name = L"C.";
  withClass.m_keys[0].m_name.Append(first.m_keys[0].m_name);
  again.ParsePath(withClass.ToString());
  if (again.m_keys.GetCount() != first.m_keys.GetCount()) std::abort();
  for (size_t i = 0; i < first.m_keys.GetCount(); ++i) {
    if (again.m_keys[i].m_value.Compare(first.m_keys[i].m_value) != 0) std::abort();
  }
  return 0;
}
