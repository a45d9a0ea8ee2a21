// Capabilities and settings joined to pools, to each other and to volumes.
#include <gtest/gtest.h>

#include "classes/config/capability_associations.h"
#include "tests/classes/association_fixture.h"

namespace {

// Controllers 7 and 8: a pool each and a volume "Data" each. Controller 9:
// no pool, a volume "Other".
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 7, "name": "Seven", "disks": [{"handle": 71}, {"handle": 72}, {"handle": 73}],
   "volumes": [{"handle": 700, "name": "Data", "level": 2, "disks": [72, 73]}]},
  {"handle": 8, "name": "Eight", "disks": [{"handle": 81}, {"handle": 82}, {"handle": 83}],
   "volumes": [{"handle": 800, "name": "Data", "level": 2, "disks": [82, 83]}]},
  {"handle": 9, "name": "Nine", "disks": [{"handle": 91}, {"handle": 92}],
   "volumes": [{"handle": 900, "name": "Other", "level": 2, "disks": [91, 92]}]}]})";

class CapabilityAssociationsTest : public zubtest::AssociationFixture {
 protected:
  static std::wstring Capabilities(const std::wstring& id) {
    return Path(L"ZUB_StorageCapabilitiesPrimordial.InstanceID=\"" + id + L"\"");
  }
  static std::wstring SpareCapabilities(const std::wstring& id) {
    return Path(L"ZUB_SpareConfigurationCapabilities.InstanceID=\"ZUBe:SpareConfigurationCapabilities:" + id + L"\"");
  }
  // The path of a new default setting generated from capabilities `id`.
  static std::wstring CreateSetting(const wchar_t* id) {
    stZUB_StorageCapabilitiesPrimordial rec;
    rec.InstanceID = id;
    rec.SettingType = 2;
    EXPECT_EQ(PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance()->CreateSetting(&rec), PROVIDER_SUCCESS);
    EXPECT_EQ(rec.ReturnValue, 0u);
    return rec.NewSetting.Str();
  }
};

TEST_F(CapabilityAssociationsTest, EachPoolHasTheCapabilitiesOfItsController) {
  LoadAndList(kTopology);
  auto element = List<&PROVIDER_CreateZubElementCapabilitiesInstance>();
  // The pools first (controller 9 has none), then every system, 9 too, with
  // the spare capabilities of its controller (all three AHCI, numbered).
  const std::wstring expected[][2] = {
      {Path(L"ZUB_StoragePool.InstanceID=\"7\""), Capabilities(L"7")},
      {Path(L"ZUB_StoragePool.InstanceID=\"8\""), Capabilities(L"8")},
      {System(L"Seven"), SpareCapabilities(L"AHCI0")},
      {System(L"Eight"), SpareCapabilities(L"AHCI1")},
      {System(L"Nine"), SpareCapabilities(L"AHCI2")}};
  ASSERT_EQ(element.GetCount(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(element[i].ManagedElement.Str(), expected[i][0]) << i;
    EXPECT_EQ(element[i].Capabilities.Str(), expected[i][1]) << i;
  }

  LoadAndList(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubElementCapabilitiesInstance>().GetCount(), 0u);  // nothing is not a failure
}

TEST_F(CapabilityAssociationsTest, SettingsJoinTheCapabilitiesTheyWereGeneratedFromAndAreCopied) {
  LoadAndList(kTopology);
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance>(PROVIDER_NOT_FOUND).GetCount(),
            0u);  // no setting yet
  const std::wstring first = CreateSetting(L"7");
  const std::wstring second = CreateSetting(L"8");
  const std::wstring third = CreateSetting(L"7");

  auto generated = List<&PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance>();
  const std::wstring expected[][2] = {
      {Capabilities(L"7"), first}, {Capabilities(L"7"), third}, {Capabilities(L"8"), second}};
  ASSERT_EQ(generated.GetCount(), std::size(expected));  // capabilities order, then setting order
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(generated[i].Capabilities.Str(), expected[i][0]) << i;
    EXPECT_EQ(generated[i].Setting.Str(), expected[i][1]) << i;
  }
  EXPECT_EQ(first.rfind(Path(L"ZUB_StorageSettingPrimordial.InstanceID=\"Generated_PrimordialSetting_"), 0), 0u);

  // The associated-to list re-reads the generated-from list as it is now.
  const std::wstring fourth = CreateSetting(L"8");
  auto associated = List<&PROVIDER_CreateZubStorageSettingsAssociatedToCapabilitiesInstance>();
  ASSERT_EQ(associated.GetCount(), 4u);
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(associated[i].Capabilities.Str(), expected[i][0]) << i;
    EXPECT_EQ(associated[i].Setting.Str(), expected[i][1]) << i;
  }
  EXPECT_EQ(associated[3].Setting.Str(), fourth);
}

TEST_F(CapabilityAssociationsTest, AVolumeHasEverySettingOfItsNameOnAnyController) {
  LoadAndList(kTopology);
  auto data = List<&PROVIDER_CreateZubElementSettingDataInstance>();
  const std::wstring data7 = Path(
      L"ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Data_700\","
      L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_700\"");
  const std::wstring setting = Path(L"ZUB_StorageSettingVolume.InstanceID=\"VolumeSetting_Data\"");
  ASSERT_EQ(data.GetCount(), 5u);  // each "Data" with both settings of that name, "Other" with its own
  EXPECT_EQ(data[0].ManagedElement.Str(), data7);
  EXPECT_EQ(data[0].SettingData.Str(), setting);
  EXPECT_EQ(data[1].ManagedElement.Str(), data7);
  EXPECT_EQ(data[0].IsDefault * 100 + data[0].IsCurrent * 10 + data[0].IsNext, 12u);
  EXPECT_NE(data[2].ManagedElement.Str().find(L"DeviceID=\"Data_800\""), std::wstring::npos);
  EXPECT_EQ(data[4].SettingData.Str(), Path(L"ZUB_StorageSettingVolume.InstanceID=\"VolumeSetting_Other\""));

  ClearSettings();
  EXPECT_EQ(List<&PROVIDER_CreateZubElementSettingDataInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace
