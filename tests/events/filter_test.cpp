// ZUB_IndicationFilter: the filters listed per namespace, and which filter
// selects which alert.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "framework/alert.h"
#include "classes/profiles/indication_filter.h"
#include "provider/provider.h"
#include "tests/support/class_fixture.h"

namespace {

// ASCII texts of the provider, for messages.
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::vector<std::wstring> Texts(const CArrayT<CZubString>& list) {
  std::vector<std::wstring> out;
  for (const CZubString& s : list) out.push_back(s.Str());
  return out;
}

class FilterTest : public zubtest::ClassFixture {
 protected:
  static void SetNames(const wchar_t* nameSpace, const wchar_t* computer) {
    stComputerStringNames names;
    names.Namespace = nameSpace;
    names.ComputerName = computer;
    ASSERT_EQ(PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names), PROVIDER_SUCCESS);
  }
};

// Each specific filter selects the alerts of exactly one kind, and every kind
// is selected by exactly one of them (the spare-used alert through its
// parent class), by the generic filter and by the interop master filter.
TEST_F(FilterTest, EveryKindIsSelectedByItsOwnFilterAndTheGenericOnes) {
  SetNames(L"root\\Corvo_ZUB", L"host1");
  const CArrayT<stZUB_IndicationFilter> filters = IndicationFiltersFor(GetComputerStringNames());
  ASSERT_EQ(filters.GetCount(), 15u);
  SetNames(L"root\\Interop", L"host1");
  const CArrayT<stZUB_IndicationFilter> master = IndicationFiltersFor(GetComputerStringNames());
  ASSERT_EQ(master.GetCount(), 1u);

  std::vector<int> kindsPerFilter(filters.GetCount(), 0);
  for (const AlertKindDesc& kind : AlertKinds()) {
    SCOPED_TRACE(Narrow(kind.alertClassName));
    EXPECT_TRUE(IsIndicationOf(kind.alertClassName, master[0].IndicationClassName.GetBuffer()));
    EXPECT_TRUE(IsIndicationOf(kind.alertClassName, filters[0].IndicationClassName.GetBuffer()));
    int selectedBy = 0;
    for (size_t i = 1; i < filters.GetCount(); ++i) {
      if (IsIndicationOf(kind.alertClassName, filters[i].IndicationClassName.GetBuffer())) {
        ++selectedBy;
        ++kindsPerFilter[i];
      }
    }
    EXPECT_EQ(selectedBy, 1);
  }
  for (size_t i = 1; i < filters.GetCount(); ++i) EXPECT_EQ(kindsPerFilter[i], 1) << "filter " << i + 1;
  // Every class a filter or an alert names is declared.
  for (const stZUB_IndicationFilter& f : filters) {
    bool declared = false;
    for (const IndicationClassDesc& c : IndicationClasses()) declared |= f.IndicationClassName.Str() == c.name;
    EXPECT_TRUE(declared) << Narrow(f.IndicationClassName.Str());
  }
  EXPECT_FALSE(IsIndicationOf(L"ZUB_AlertVolumeCreated", L"ZUB_AlertSpareDiskUsed"));
}

TEST_F(FilterTest, OneMasterFilterInTheInteropNamespaceFifteenElsewhere) {
  stComputerStringNames names;
  names.ComputerName = L"host1";
  for (const wchar_t* ns : {L"root\\Corvo_ZUB", L"", L"root\\interop"}) {
    names.Namespace = ns;
    PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names);
    auto filters = List<&PROVIDER_CreateZubIndicationFilterInstance>();
    ASSERT_EQ(filters.GetCount(), 15u) << "namespace \"" << Narrow(ns) << "\"";
    for (size_t i = 0; i < filters.GetCount(); ++i) EXPECT_EQ(filters[i].ElementName.Str(), std::to_wstring(i + 1));
    const stZUB_IndicationFilter& twelve = filters[11];
    EXPECT_EQ(twelve.Name.Str(), L"ZUB_Spare_Disk_Used");
    EXPECT_EQ(twelve.Query.Str(), L"SELECT * from " + twelve.IndicationClassName.Str());
    EXPECT_EQ(Texts(filters[0].SourceNamespaces), std::vector<std::wstring>{L"\\\\host1\\" + std::wstring(ns) + L":"});
  }

  names.Namespace = L"root\\Interop";
  PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names);
  auto master = List<&PROVIDER_CreateZubIndicationFilterInstance>();
  ASSERT_EQ(master.GetCount(), 1u);
  const stZUB_IndicationFilter& f = master[0];
  EXPECT_EQ(f.Name.Str() + L" " + f.SystemName.Str(), L"Corvo_ZUB_EventFilter host1");
  EXPECT_EQ(f.Query.Str(), L"SELECT * from CIM_AlertIndication");
  EXPECT_EQ(Texts(f.SourceNamespaces), std::vector<std::wstring>{L"\\\\host1\\root\\Interop:"});
  EXPECT_EQ(Calls("SsiSessionOpen"), 0u) << "filters need no middleware";

  // A CIM client names a filter by the keys CIM_IndicationFilter declares.
  std::vector<std::string> keys;
  for (const FieldDesc* k : KeyFields(stZUB_IndicationFilter::Describe())) keys.push_back(k->name);
  EXPECT_EQ(keys, (std::vector<std::string>{"SystemCreationClassName", "SystemName", "CreationClassName", "Name"}));
}

}  // namespace
