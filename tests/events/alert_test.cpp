// Alert records of every kind, the builders the registered classes call, and
// the indication filters: listed per namespace, and which selects which alert.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/profiles/indication_filter.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "framework/alert.h"
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

void SetNames(const wchar_t* nameSpace, const wchar_t* computer) {
  ASSERT_EQ(PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings({nameSpace, computer}), PROVIDER_SUCCESS);
}

class AlertTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNames(L"root\\Corvo_ZUB", L"host1"); }
  CSafeArrayT<stZUB_AlertIndication> alerts_;
};

// What a host reads from an alert: the kind's texts and numbers, the element's
// path unless the element is gone, and the identity it was given.
TEST_F(AlertTest, EachKindIsFoundByElementAndCodeAndCarriesItsTextsAndNumbers) {
  const CZubString path = L"\\\\host1\\root\\Corvo_ZUB:ZUB_X.K=\"v\"";
  for (const AlertKindDesc& kind : AlertKinds()) {
    SCOPED_TRACE(Narrow(kind.alertClassName));
    EXPECT_EQ(FindAlertKind(kind.element, kind.code), &kind);
    const stZUB_AlertIndication a = BuildAlert(kind.kind, path, L"Disk_7", L"Host_Controller_1");
    EXPECT_EQ(a.AlertClassName.Str(), kind.alertClassName);
    EXPECT_EQ(a.AlertingManagedElement.Str(), kind.namesElement ? path.Str() : L"N/A");
    EXPECT_EQ(a.EventID.Str() + L" " + a.SystemName.Str(), L"Disk_7 Host_Controller_1");
    // asctime's form: "Wed Jun 30 21:49:08 1993\n".
    ASSERT_EQ(a.EventTime.GetLength(), 25u) << Narrow(a.EventTime.Str());
    EXPECT_EQ(a.EventTime.Str().back(), L'\n');
  }
  const auto numbers = [&](AlertKind kind) {
    const stZUB_AlertIndication a = BuildAlert(kind, path, L"e", L"s");
    return std::vector<uint64_t>{a.AlertType, a.PerceivedSeverity, a.Trending, a.AlertingElementFormat,
                                 a.ProbableCause};
  };
  using N = std::vector<uint64_t>;
  EXPECT_EQ(numbers(AlertKind::DiskFailed), (N{5, 6, 3, 2, 1}));
  EXPECT_EQ(numbers(AlertKind::DiskFailing), (N{5, 3, 4, 2, 1}));
  EXPECT_EQ(numbers(AlertKind::DiskRemoved), (N{1, 2, 3, 0, 1}));
  EXPECT_EQ(numbers(AlertKind::VolumeCreated), (N{1, 2, 1, 2, 1}));
  const stZUB_AlertIndication failed = BuildAlert(AlertKind::DiskFailed, path, L"e", L"s");
  EXPECT_EQ(failed.Description.Str() + L"|" + failed.OtherAlertType.Str() + L"|" + failed.ProbableCauseDescription.Str(),
            L"Disk Failed|Disk Failed Alert|Disk Failed");
  EXPECT_EQ(Texts(failed.RecommendedActions),
            (std::vector<std::wstring>{L"Check cables and power", L"Reboot", L"Replace bad disk"}));
  EXPECT_EQ(Texts(BuildAlert(AlertKind::VolumeDeleted, path, L"e", L"s").RecommendedActions),
            std::vector<std::wstring>{L"No actions required"});
  // Codes outside an element's range name no kind.
  EXPECT_EQ(FindAlertKind(AlertElement::Volume, 0), nullptr);
  EXPECT_EQ(FindAlertKind(AlertElement::Volume, 4), nullptr);
  EXPECT_EQ(FindAlertKind(AlertElement::Disk, 10), nullptr);
  EXPECT_EQ(FindAlertKind(AlertElement::Pool, 2), nullptr);
  // The record a host reads them as.
  const RecordDesc& desc = stZUB_AlertIndication::Describe();
  EXPECT_EQ(CheckDescription(desc), "");
  const FieldDesc* element = desc.Find("AlertingManagedElement");
  ASSERT_NE(element, nullptr);
  EXPECT_NE(element->reference, nullptr) << "hosts learn that it holds an object path";
  EXPECT_EQ(CimTypeName(*element), "string") << "as CIM_AlertIndication declares it";
  for (const char* code : {"AlertingElementFormat", "AlertType", "PerceivedSeverity", "ProbableCause", "Trending"})
    EXPECT_EQ(CimTypeName(*desc.Find(code)), "uint16") << code << ", whatever the record stores";
  EXPECT_FALSE(desc.Find("AlertClassName")->IsProperty()) << "it names the class, it is not a property";
}

// The element's path from its record's keys on its class; a deleted volume
// is gone, so its alert names no path, but still its identity.
TEST_F(AlertTest, ElementBuildersNameTheElementByItsKeysOnItsClass) {
  stZUB_StorageVolume volume;
  volume.CreationClassName = L"ZUB_StorageVolume";
  volume.DeviceID = L"Data_150";
  volume.SystemCreationClassName = L"Corvo_ZUBe3.0";
  volume.SystemName = L"Volume_150";
  EXPECT_TRUE(RaiseVolumeAlert(alerts_, 1, volume));  // created
  EXPECT_TRUE(RaiseVolumeAlert(alerts_, 3, volume));  // deleted
  stZUB_StoragePool pool;
  pool.InstanceID = L"100";
  pool.Caption = L"Primordial_100";
  EXPECT_TRUE(RaisePoolAlert(alerts_, pool));
  EXPECT_FALSE(RaiseVolumeAlert(alerts_, 4, volume));  // out of range: nothing is raised
  ASSERT_EQ(alerts_.GetCount(), 3u);
  const auto who = [&](size_t i) { return alerts_[i].EventID.Str() + L" " + alerts_[i].SystemName.Str(); };
  EXPECT_EQ(alerts_[0].AlertingManagedElement.Str(),
            L"\\\\host1\\root\\Corvo_ZUB:ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\","
            L"DeviceID=\"Data_150\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_150\"");
  EXPECT_EQ(who(0), L"Data_150 Volume_150");
  EXPECT_EQ(alerts_[1].AlertClassName.Str(), L"ZUB_AlertVolumeDeleted");
  EXPECT_EQ(alerts_[1].AlertingManagedElement.Str(), L"N/A");
  EXPECT_EQ(alerts_[1].AlertingElementFormat, 0u);
  EXPECT_EQ(who(1), L"Data_150 Volume_150");
  EXPECT_EQ(alerts_[2].AlertingManagedElement.Str(), L"\\\\host1\\root\\Corvo_ZUB:ZUB_StoragePool.InstanceID=\"100\"");
  EXPECT_EQ(who(2), L"100 Primordial_100");
}

using FilterTest = zubtest::ClassFixture;

// Fifteen filters in every namespace but the interop one, which lists one
// master filter. Each specific filter selects the alerts of exactly one kind,
// and every kind is selected by exactly one of them (the spare-used alert
// through its parent class), by the generic filter and by the master filter.
TEST_F(FilterTest, FifteenFiltersEachSelectingOneKindAndOneMasterFilterInTheInteropNamespace) {
  CArrayT<stZUB_IndicationFilter> filters;
  for (const wchar_t* ns : {L"", L"root\\interop", L"root\\Corvo_ZUB"}) {
    SetNames(ns, L"host1");
    filters = List<&PROVIDER_CreateZubIndicationFilterInstance>();
    ASSERT_EQ(filters.GetCount(), 15u) << "namespace \"" << Narrow(ns) << "\"";
    for (size_t i = 0; i < filters.GetCount(); ++i) EXPECT_EQ(filters[i].ElementName.Str(), std::to_wstring(i + 1));
    const stZUB_IndicationFilter& twelve = filters[11];
    EXPECT_EQ(twelve.Name.Str(), L"ZUB_Spare_Disk_Used");
    EXPECT_EQ(twelve.Query.Str(), L"SELECT * from " + twelve.IndicationClassName.Str());
    EXPECT_EQ(Texts(filters[0].SourceNamespaces), std::vector<std::wstring>{L"\\\\host1\\" + std::wstring(ns) + L":"});
  }
  SetNames(L"root\\Interop", L"host1");
  const CArrayT<stZUB_IndicationFilter> master = List<&PROVIDER_CreateZubIndicationFilterInstance>();
  ASSERT_EQ(master.GetCount(), 1u);
  const stZUB_IndicationFilter& f = master[0];
  EXPECT_EQ(f.Name.Str() + L" " + f.SystemName.Str(), L"Corvo_ZUB_EventFilter host1");
  EXPECT_EQ(f.Query.Str(), L"SELECT * from CIM_AlertIndication");
  EXPECT_EQ(Texts(f.SourceNamespaces), std::vector<std::wstring>{L"\\\\host1\\root\\Interop:"});
  EXPECT_EQ(Calls("SsiSessionOpen"), 0u) << "filters need no middleware";
  std::vector<int> kindsPerFilter(filters.GetCount(), 0);
  for (const AlertKindDesc& kind : AlertKinds()) {
    SCOPED_TRACE(Narrow(kind.alertClassName));
    EXPECT_TRUE(IsIndicationOf(kind.alertClassName, f.IndicationClassName.GetBuffer()));
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
  for (const stZUB_IndicationFilter& filter : filters) {
    bool declared = false;
    for (const IndicationClassDesc& c : IndicationClasses()) declared |= filter.IndicationClassName.Str() == c.name;
    EXPECT_TRUE(declared) << Narrow(filter.IndicationClassName.Str());
  }
  EXPECT_FALSE(IsIndicationOf(L"ZUB_AlertVolumeCreated", L"ZUB_AlertSpareDiskUsed"));
  // A CIM client names a filter by the keys CIM_IndicationFilter declares.
  std::vector<std::string> keys;
  for (const FieldDesc* k : KeyFields(stZUB_IndicationFilter::Describe())) keys.push_back(k->name);
  EXPECT_EQ(keys, (std::vector<std::string>{"SystemCreationClassName", "SystemName", "CreationClassName", "Name"}));
}

}  // namespace
