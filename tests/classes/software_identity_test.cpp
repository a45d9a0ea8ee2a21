// ZUB_SoftwareIdentity and ZUB_ElementSoftwareIdentity: version texts, the
// drivers, the provider and the middleware in their order, what is left out
// when the middleware does not answer, and which changes count as updates.
#include <gtest/gtest.h>

#include <cstring>

#include "classes/profiles/software_identity.h"
#include "tests/classes/association_fixture.h"

namespace {

using SoftwareTest = zubtest::AssociationFixture;

TEST(SoftwareVersionText, FourNumbersOneOfThemNotZero) {
  _SSI_ControllerInfo controller{};
  std::strcpy(controller.name, "AHCI SATA");
  controller.controllerType = 1;
  std::strcpy(controller.driverVersion, "10.1.0.1004");
  stZUB_SoftwareIdentity rec = DriverIdentityOf(controller);
  EXPECT_EQ(rec.InstanceID.Str(), L"AHCI SATA");
  EXPECT_EQ(rec.ElementName.Str(), L"ZUBe AHCI Port Driver ");
  EXPECT_EQ(rec.Name.Str(), rec.ElementName.Str());
  EXPECT_EQ(rec.VersionString.Str(), L"10.1.0.1004");
  EXPECT_EQ(rec.MajorVersion, 10u);
  EXPECT_EQ(rec.MinorVersion, 1u);
  EXPECT_EQ(rec.RevisionNumber, 0u);
  EXPECT_EQ(rec.BuildNumber, 1004u);
  EXPECT_EQ(rec.LargeBuildNumber, 1004u);
  ASSERT_EQ(rec.Classifications.GetCount(), 1u);
  EXPECT_EQ(rec.Classifications[0], 2u);
  ASSERT_EQ(rec.TargetOSTypes.GetCount(), 2u);
  EXPECT_EQ(rec.TargetOSTypes[1], 105u);
  ASSERT_EQ(rec.Languages.GetCount(), 1u);
  EXPECT_EQ(rec.Languages[0].Str(), L"en");

  for (const char* unknown : {"1.2", "0.0.0.0", "", "v1.2.3.4"}) {
    std::strcpy(controller.driverVersion, unknown);
    controller.controllerType = 7;
    rec = DriverIdentityOf(controller);
    EXPECT_EQ(rec.MajorVersion + rec.MinorVersion + rec.RevisionNumber + rec.BuildNumber + rec.LargeBuildNumber, 0u)
        << unknown;
    EXPECT_EQ(rec.ElementName.Str(), L"Unknown");
  }
  EXPECT_EQ(rec.VersionString.Str(), L"v1.2.3.4");
  EXPECT_TRUE(SoftwareVersionOf(L"0.0.0.1").known);
}

TEST_F(SoftwareTest, DriversThenProviderThenMiddleware) {
  Load(R"({"middleware_version": "13.1.0.1004", "controllers": [
    {"handle": 1, "name": "One", "type": 1, "driver_version": "1.2"},
    {"handle": 2, "name": "Two", "type": 2, "driver_version": "9.8.7.6"}]})");
  const auto all = List<&PROVIDER_CreateZubSoftwareIdentityInstance>();
  ASSERT_EQ(all.GetCount(), 4u);
  EXPECT_EQ(all[0].InstanceID.Str(), L"One");
  EXPECT_EQ(all[0].VersionString.Str(), L"1.2");
  EXPECT_EQ(all[0].MajorVersion, 0u);
  EXPECT_EQ(all[1].ElementName.Str(), L"ZUBe DOX Port Driver ");
  EXPECT_EQ(all[1].BuildNumber, 6u);
  EXPECT_EQ(all[2].InstanceID.Str(), L"ZUBe:CIMProvider");
  EXPECT_EQ(all[2].VersionString.Str(), L"3.0.0.8000");
  EXPECT_EQ(all[2].LargeBuildNumber, 8000u);
  EXPECT_EQ(all[2].Classifications[0], 5u);
  EXPECT_EQ(all[2].ElementName.Str(), L"ZUBe CIM Provider");
  EXPECT_EQ(all[3].InstanceID.Str(), L"ZUBe:ABRU2");
  EXPECT_EQ(all[3].ElementName.Str(), L"ZUBe SSI Middleware Driver");
  EXPECT_EQ(all[3].MajorVersion, 13u);
  EXPECT_EQ(all[3].Classifications[0], 9u);
  for (const auto& r : all) {
    EXPECT_EQ(r.IsEntity, 1u);
    EXPECT_EQ(r.IsLargeBuildNumber, 1u);
    EXPECT_EQ(r.Manufacturer.Str(), L"Corvo Corporation");
    ASSERT_EQ(r.TargetOperatingSystems.GetCount(), 1u);
    EXPECT_EQ(r.TargetOperatingSystems[0].Str(), L"Refer to SoftwareIdentity.TargetOSTypes field");
  }
}

// The provider is always listed; the middleware only when it answers with a
// known version; drivers only while the controllers can be read.
TEST_F(SoftwareTest, WhatIsLeftOutWhenTheStackDoesNotAnswer) {
  auto ids = [] {
    std::wstring out;
    for (const auto& r : List<&PROVIDER_CreateZubSoftwareIdentityInstance>()) out += r.InstanceID.Str() + L" ";
    return out;
  };
  Load(R"({"middleware_version": "2.0.0.1", "controllers": [{"handle": 1, "name": "One"}]})");
  Fail("SsiGetSystemInfo");
  EXPECT_EQ(ids(), L"One ZUBe:CIMProvider ");
  Fail("SsiGetControllerHandles");
  EXPECT_EQ(ids(), L"ZUBe:CIMProvider ZUBe:ABRU2 ");

  Load(R"({"middleware_version": "0.0.0.0", "controllers": []})");
  EXPECT_EQ(ids(), L"ZUBe:CIMProvider ");
  Load(R"({"middleware_version": null, "controllers": []})");
  EXPECT_EQ(ids(), L"ZUBe:CIMProvider ");
}

TEST(SoftwareChangeDetection, OnlyChangedVersionsOfListsOfTheSameLength) {
  auto identity = [](const wchar_t* id, const wchar_t* version) {
    stZUB_SoftwareIdentity r;
    r.InstanceID = id;
    r.VersionString = version;
    return r;
  };
  CArrayT<stZUB_SoftwareIdentity> before, after;
  for (auto* list : {&before, &after}) {
    list->Add(identity(L"One", L"1.0.0.1"));
    list->Add(identity(L"ZUBe:CIMProvider", L"3.0.0.8000"));
    list->Add(identity(L"ZUBe:ABRU2", L"13.1.0.1004"));
  }
  EXPECT_TRUE(SoftwareChanges(before, after).empty());
  after[2].VersionString = L"13.1.0.1005";
  const auto changed = SoftwareChanges(before, after);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0], &after[2]);

  after.Add(identity(L"Two", L"1.0.0.1"));  // a controller came: no update
  EXPECT_TRUE(SoftwareChanges(before, after).empty());
}

TEST_F(SoftwareTest, EverySystemWithEveryIdentity) {
  Load(R"({"middleware_version": "1.0.0.1", "controllers": [
    {"handle": 1, "name": "One", "driver_version": "1.0.0.1"}, {"handle": 2, "name": "Two"}]})");
  List<&PROVIDER_CreateZubComputerSystemInstance>();
  List<&PROVIDER_CreateZubSoftwareIdentityInstance>();
  const auto links = List<&PROVIDER_CreateZubElementSoftwareIdentityInstance>();
  ASSERT_EQ(links.GetCount(), 8u);
  EXPECT_EQ(links[0].Antecedent.Str(), System(L"One"));
  EXPECT_EQ(links[0].Dependent.Str(), Path(L"ZUB_SoftwareIdentity.InstanceID=\"One\""));
  EXPECT_EQ(links[3].Dependent.Str(), Path(L"ZUB_SoftwareIdentity.InstanceID=\"ZUBe:ABRU2\""));
  EXPECT_EQ(links[4].Antecedent.Str(), System(L"Two"));
  EXPECT_EQ(links[5].Dependent.Str(), Path(L"ZUB_SoftwareIdentity.InstanceID=\"Two\""));
  ASSERT_EQ(links[7].ElementSoftwareStatus.GetCount(), 1u);
  EXPECT_EQ(links[7].ElementSoftwareStatus[0], 6u);

  Load(R"({"middleware_version": "1.0.0.1", "controllers": []})");
  List<&PROVIDER_CreateZubComputerSystemInstance>(PROVIDER_NOT_FOUND);
  EXPECT_EQ(List<&PROVIDER_CreateZubElementSoftwareIdentityInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace
