// Object paths: the exact reference text, and the parser that reads the
// references a host passes back (which must never throw on bad input).
#include <gtest/gtest.h>

#include <random>

#include "framework/object_path.h"
#include "provider/provider.h"

namespace {

CZubString ComputerSystemPath() {
  CWbemObjectPath p;
  p.m_host = L"HOST1";
  p.m_namespace = L"root\\Corvo_ZUB";
  p.m_keys.AddProperty(L"ZUB_ComputerSystem.CreationClassName", L"Corvo_ZUBe3.0");
  p.m_keys.AddProperty(L"Name", L"AHCI Controller");
  return p.ToString();
}

// The text written, the library's own reading of it, and the lookup of a key.
TEST(ObjectPath, ParseIsTheInverseOfToStringAndLookupTakesTheFirstKey) {
  EXPECT_EQ(ComputerSystemPath().Str(),
            L"\\\\HOST1\\root\\Corvo_ZUB:ZUB_ComputerSystem.CreationClassName=\"Corvo_ZUBe3.0\","
            L"Name=\"AHCI Controller\"");
  CWbemObjectPath odd;
  odd.m_keys.AddProperty(L"X.K", L"a\"b\\c");  // copied unchanged, not escaped
  EXPECT_EQ(odd.ToString().Str(), L"\\\\\\:X.K=\"a\"b\\c\"");
  CWbemObjectPath p;
  p.ParsePath(ComputerSystemPath());
  EXPECT_EQ(p.m_host.Str() + L"|" + p.m_namespace.Str() + L"|" + p.m_className.Str(),
            L"HOST1|root\\Corvo_ZUB|ZUB_ComputerSystem");
  ASSERT_EQ(p.m_keys.GetCount(), 2u);
  EXPECT_EQ(p.m_keys[0].ToString().Str(), L"CreationClassName=\"Corvo_ZUBe3.0\"");
  EXPECT_EQ(p.m_keys[1].ToString().Str(), L"Name=\"AHCI Controller\"");
  p.ParsePath(L"\\\\H\\N:ZUB_StorageVolume.DeviceID=\"Data_5000\"");
  ASSERT_EQ(p.m_keys.GetCount(), 1u);
  EXPECT_EQ(p.m_keys[0].m_value.Str(), L"Data_5000") << "parsing again replaces the keys";
  // A comma inside a value ends the reading of the keys, not the value.
  p.ParsePath(L"\\\\H\\N:C.K=\"a,b\"");
  EXPECT_EQ(p.m_keys[0].m_value.Str(), L"a,b");
  // A lookup takes the first key of that name, matched exactly.
  p.ParsePath(L"\\\\H\\N:C.DeviceID=\"first\",DeviceID=\"second\"");
  EXPECT_EQ(p.m_keys.GetPropertyValue(L"DeviceID").Str(), L"first");
  try {
    p.m_keys.GetPropertyValue(L"deviceid");
    FAIL() << "no exception";
  } catch (const CZubException& e) {
    EXPECT_EQ(e.m_status, PROVIDER_NOT_FOUND);
  }
}

// The library writes values unescaped and its own reading cuts them at a
// double quote; a host reads what the library meant, and knows which texts
// the library's reading would not give back.
TEST(ObjectPath, AHostReadsAValueWithAQuoteWholeAndKnowsTheLibraryCannot) {
  const CZubString text = L"\\\\H\\root\\Corvo_ZUB:ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\","
                          L"DeviceID=\"a\"b\\c,d_5\",SystemName=\"Volume_5\"";
  CWbemObjectPath read;
  ASSERT_TRUE(ReadReferenceText(text, &read));
  EXPECT_EQ(read.m_host.Str() + L"|" + read.m_namespace.Str() + L"|" + read.m_className.Str(),
            L"H|root\\Corvo_ZUB|ZUB_StorageVolume");
  ASSERT_EQ(read.m_keys.GetCount(), 3u);
  EXPECT_EQ(read.m_keys[1].m_name.Str(), L"DeviceID");
  EXPECT_EQ(read.m_keys[1].m_value.Str(), L"a\"b\\c,d_5");
  EXPECT_EQ(read.m_keys[2].m_value.Str(), L"Volume_5");
  EXPECT_FALSE(LibraryReadsBack(read));
  CWbemObjectPath library;
  library.ParsePath(text);
  EXPECT_EQ(library.m_keys[1].m_value.Str(), L"a");  // why a host must not hand it over
  // Ordinary texts read back the same both ways.
  const CZubString plain = ComputerSystemPath();
  ASSERT_TRUE(ReadReferenceText(plain, &read));
  library.ParsePath(plain);
  EXPECT_TRUE(LibraryReadsBack(read));
  ASSERT_EQ(read.m_keys.GetCount(), library.m_keys.GetCount());
  for (size_t i = 0; i < read.m_keys.GetCount(); ++i) EXPECT_EQ(read.m_keys[i].m_value.Str(), library.m_keys[i].m_value.Str());
  CWbemObjectPath host = read;
  host.m_host = L"h:5988";
  EXPECT_FALSE(LibraryReadsBack(host));
  // Texts of another shape.
  for (const wchar_t* bad : {L"", L"no colon", L"\\\\H\\N:NoKeys", L"\\\\H\\N:C.K=\"open", L"H\\N:C.K=\"v\""})
    EXPECT_FALSE(ReadReferenceText(bad, &read)) << bad;
}

TEST(ObjectPath, MalformedTextsNeverThrow) {
  CWbemObjectPath p;
  p.ParsePath(L"no colon at all");
  EXPECT_EQ(p.m_host.Str() + p.m_namespace.Str(), L"");
  const std::wstring full = ComputerSystemPath().Str();
  for (size_t n = 0; n <= full.size(); ++n) {
    EXPECT_NO_THROW(p.ParsePath(full.substr(0, n).c_str())) << n;
    EXPECT_NO_THROW(p.ParsePath(full.substr(n).c_str())) << n;
  }
  std::mt19937 rng(7);
  const wchar_t alphabet[] = L"\\:.=\",aZ ";
  for (int i = 0; i < 5000; ++i) {
    std::wstring text(rng() % 24, L' ');
    for (wchar_t& c : text) c = alphabet[rng() % (sizeof alphabet / sizeof alphabet[0] - 1)];
    EXPECT_NO_THROW(p.ParsePath(text.c_str())) << i;
    CWbemObjectPath read;
    EXPECT_NO_THROW(ReadReferenceText(text.c_str(), &read)) << i;
  }
}

}  // namespace
