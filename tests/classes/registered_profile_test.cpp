// ZUB_RegisteredProfile, ZUB_ReferencedProfile and
// ZUB_ElementConformsToProfile: the eight profiles, the seven references
// of the Host Hardware RAID Controller profile, and the conformance of
// every port controller, with the namespaces their references name.
#include <gtest/gtest.h>

#include "classes/profiles/registered_profile.h"
#include "tests/classes/association_fixture.h"

namespace {

constexpr const wchar_t* kHostRaid =
    L"\\\\box\\root\\Interop:ZUB_Corvo_ProfileRegistration_RegisteredProfile_v3_0.InstanceID=\"SNIA:0\"";

using ProfileTest = zubtest::AssociationFixture;

TEST_F(ProfileTest, EightProfilesTheSameOnEveryUpdate) {
  const auto first = List<&PROVIDER_CreateZubRegisteredProfileInstance>();
  const auto profiles = List<&PROVIDER_CreateZubRegisteredProfileInstance>();
  ASSERT_EQ(profiles.GetCount(), 8u);
  ASSERT_EQ(first.GetCount(), 8u);
  const wchar_t* const ids[] = {L"SNIA:0", L"SNIA:1", L"CIM:2", L"SNIA:3", L"SNIA:4", L"SNIA:5", L"SNIA:6", L"SNIA:7"};
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(profiles[i].InstanceID.Str(), ids[i]);
    EXPECT_EQ(first[i].InstanceID.Str(), ids[i]);
    ASSERT_EQ(profiles[i].AdvertiseTypes.GetCount(), 1u);
    EXPECT_EQ(profiles[i].AdvertiseTypes[0], 3u);
    EXPECT_EQ(profiles[i].OtherRegisteredOrganization.Str(), L"NULL");
    EXPECT_EQ(profiles[i].RegisteredOrganization, i == 2 ? 2u : 11u);
  }
  EXPECT_EQ(profiles[0].RegisteredName.Str(), L"Host Hardware RAID Controller");
  EXPECT_EQ(profiles[0].ElementName.Str(), L"SNIA:HHRC");
  EXPECT_EQ(profiles[2].RegisteredVersion.Str(), L"1.0.0a");
  EXPECT_EQ(profiles[5].RegisteredName.Str(), L"Direct Attached (DA) Target Ports");
  EXPECT_EQ(profiles[5].ElementName.Str(), L"SNIA:DA Target Port");
  EXPECT_EQ(profiles[7].RegisteredName.Str(), L"Indication");
}

TEST_F(ProfileTest, TheHostRaidProfileReferencesTheSevenOthers) {
  // In the host's namespace (the fixture's "root\corvo_zub").
  const std::wstring hostRaid =
      L"\\\\box\\root\\corvo_zub:ZUB_Corvo_ProfileRegistration_RegisteredProfile_v3_0.InstanceID=\"SNIA:0\"";
  const auto refs = List<&PROVIDER_CreateZubReferencedProfileInstance>();
  ASSERT_EQ(refs.GetCount(), 7u);
  for (const auto& r : refs) {
    EXPECT_EQ(r.Dependent.Str(), hostRaid);
    EXPECT_NE(r.Antecedent.Str(), hostRaid);
  }
  EXPECT_EQ(refs[1].Antecedent.Str(),
            L"\\\\box\\root\\corvo_zub:ZUB_Corvo_ProfileRegistration_RegisteredProfile_v3_0.InstanceID=\"CIM:2\"");
  EXPECT_NE(refs[6].Antecedent.Str().find(L"InstanceID=\"SNIA:7\""), std::wstring::npos);
}

TEST_F(ProfileTest, EveryPortControllerConformsToTheHostRaidProfile) {
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 4, "name": "A"}, {"handle": 5, "name": "B"}]})");
  List<&PROVIDER_CreateZubPortControllerInstance>();
  const auto links = List<&PROVIDER_CreateZubElementConformsToProfileInstance>();
  ASSERT_EQ(links.GetCount(), 2u);
  EXPECT_EQ(links[0].ManagedElement.Str(),
            L"\\\\box\\root\\Corvo_ZUB:ZUB_PortController.CreationClassName=\"ZUB_PortController\",DeviceID=\"4\","
            L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"A\"");
  EXPECT_NE(links[1].ManagedElement.Str().find(L"DeviceID=\"5\""), std::wstring::npos);
  EXPECT_EQ(links[0].ConformantStandard.Str(), kHostRaid);
  EXPECT_EQ(links[1].ConformantStandard.Str(), kHostRaid);

  // The host's namespace plays no part in either reference.
  stComputerStringNames names;
  names.Namespace = L"root\\Interop";
  names.ComputerName = L"box";
  PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names);
  const auto again = List<&PROVIDER_CreateZubElementConformsToProfileInstance>();
  ASSERT_EQ(again.GetCount(), 2u);
  EXPECT_EQ(again[0].ManagedElement.Str(), links[0].ManagedElement.Str());

  Load(R"({"middleware_version": "1.0", "controllers": []})");
  List<&PROVIDER_CreateZubPortControllerInstance>(PROVIDER_NOT_FOUND);
  EXPECT_EQ(List<&PROVIDER_CreateZubElementConformsToProfileInstance>().GetCount(), 0u);
}

}  // namespace
