// The system classes (computer systems, cards, port controllers, products,
// software, profiles, locators, system devices, hosted services) and every
// class on an empty stack.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "classes/config/hosted_service.h"
#include "classes/config/spare_configuration.h"
#include "classes/config/storage_configuration_service.h"
#include "classes/profiles/registered_profile.h"
#include "classes/profiles/software_identity.h"
#include "classes/system/alarm_device.h"
#include "classes/system/card.h"
#include "classes/system/computer_system.h"
#include "classes/system/port_controller.h"
#include "classes/system/product.h"
#include "classes/system/system_device.h"
#include "tests/classes/association_fixture.h"
#include "tests/support/class_fixture.h"

using zubtest::Fields;

// ZUB_ComputerSystem: its mapping, and its list built through the
// framework's loop (statuses, order, sessions).
namespace cs {

using ComputerSystemTest = zubtest::ClassFixture;

TEST(ComputerSystemMapping, OneControllerRecordGivesTheSystemRecord) {
  _SSI_ControllerInfo controller{};
  controller.handle = 4294967295u;
  std::strcpy(controller.name, "RAID \xE9");  // 8-bit text in the C locale's encoding
  stZUB_ComputerSystem rec = ComputerSystemOf(controller);
  EXPECT_EQ(rec.Name.GetLength(), 6u);
  EXPECT_EQ(rec.Name.Str().substr(0, 5), L"RAID ");
  EXPECT_EQ(rec.ControllerHandle.Str(), L"4294967295");
}

TEST_F(ComputerSystemTest, OneRecordPerControllerInMiddlewareOrderOrNotFound) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 7, "name": "Second in handle order", "disks": []},
    {"handle": 3, "name": "First", "type": 2, "disks": []}]})");
  auto out = List<&PROVIDER_CreateZubComputerSystemInstance>();
  ASSERT_EQ(out.GetCount(), 2u);
  EXPECT_EQ(out[0].ControllerHandle.Str(), L"7");
  EXPECT_EQ(out[1].Name.Str(), L"First");

  // A rebuild drops controllers that went away; none readable is 4.
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 9, "name": "Only"}]})");
  out = List<&PROVIDER_CreateZubComputerSystemInstance>();
  ASSERT_EQ(out.GetCount(), 1u);
  EXPECT_EQ(out[0].Name.Str(), L"Only");
  Fail("SsiGetControllerHandles", SSI_STATUS_FAILED, 0);
  EXPECT_EQ(List<&PROVIDER_CreateZubComputerSystemInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace cs

// ZUB_Card and ZUB_PortController, the two records of one controller: their
// mappings, the PHY count of AHCI controllers, and their lists built through
// the framework's loop.
namespace card {

using CardPortControllerTest = zubtest::ClassFixture;

TEST(CardPortControllerMapping, TextsComposedFromTheControllerRecord) {
  _SSI_ControllerInfo controller{};
  controller.handle = 4294967295u;
  controller.id = 10274;
  controller.controllerType = -1;  // a type the provider does not know keeps its sign
  controller.featureFlag = 0x80000000u;
  std::strcpy(controller.name, "AHCI SATA Controller");
  EXPECT_EQ(Fields(CardOf(controller), {"Name", "Manufacturer", "Tag"}),
            L"Name=10274_AHCI SATA Controller; Manufacturer=Corvo_10274; Tag=4294967295");
  EXPECT_EQ(Fields(PortControllerOf(controller, 6), {"Caption", "DeviceID", "NumberOfPhys", "FeatureEnabled",
                                                      "HostControllerType"}),
            L"Caption=Host Controller AHCI SATA Controller; DeviceID=4294967295; NumberOfPhys=6; FeatureEnabled=1; "
            L"HostControllerType=-1");
  controller.featureFlag = 0;
  EXPECT_EQ(PortControllerOf(controller, 0).FeatureEnabled, 0u);
}

// Only the AHCI controller's PHYs are counted, unattached ones included. The
// address is the controller record's, with or without a port attached to
// the controller and whatever that port's address.
TEST_F(CardPortControllerTest, AhciAndDoxControllersInEnumerationOrder) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 7, "name": "AHCI", "id": 10274, "type": 1, "address": [2, 3, 0, 12], "phy_count": 5,
     "port": null, "disks": [{"handle": 70}, {"handle": 71}]},
    {"handle": 3, "name": "DOX", "id": 7531, "type": 2, "address": [0, 3, 0, 0],
     "address64": 5764607523034234880, "phy_count": 4,
     "port": {"handle": 30, "address": [9, 9, 9, 9], "address64": 1}, "disks": [{"handle": 31}]}]})");
  const auto cards = List<&PROVIDER_CreateZubCardInstance>();
  const auto pcs = List<&PROVIDER_CreateZubPortControllerInstance>();
  ASSERT_EQ(cards.GetCount(), 2u);
  ASSERT_EQ(pcs.GetCount(), 2u);
  EXPECT_EQ(cards[1].Name.Str(), L"7531_DOX");
  EXPECT_EQ(Fields(pcs[0], {"NumberOfPhys", "Address"}), L"NumberOfPhys=5; Address=2-3-0-12");
  EXPECT_EQ(Fields(pcs[1], {"HostControllerType", "NumberOfPhys", "Address"}),
            L"HostControllerType=2; NumberOfPhys=0; Address=5764607523034234880");
  EXPECT_EQ(Calls("SsiGetPhyHandles"), 2u);  // count and handles, of the AHCI controller only
}

// A PHY list that cannot be read counts no PHY and fails nothing; a PHY
// record that cannot be read still counts.
TEST_F(CardPortControllerTest, UnreadablePhysCountNone) {
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 7, "phy_count": 3}]})");
  auto phys = [] {
    const auto pcs = List<&PROVIDER_CreateZubPortControllerInstance>();
    return pcs.GetCount() == 1 ? pcs[0].NumberOfPhys : 99u;
  };
  Fail("SsiGetPhyHandles");
  EXPECT_EQ(phys(), 0u);
  Fail("SsiGetPhyInfo", SSI_STATUS_FAILED, 0);
  EXPECT_EQ(phys(), 3u);
}

}  // namespace card

// The four product classes and the card associations: products, systems and
// port controllers joined to the card of their controller.
namespace product {

// Controller 1: two disks (one without a serial number), an expander and an
// enclosure. Controller 2: one disk.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "C1", "vendor": 32902, "driver_version": "13.1",
   "routing_devices": [{"handle": 400, "vendor": "ACME-EXP", "version": "0102"}],
   "enclosures": [{"handle": 300, "vendor": "ACME", "version": "0001"}],
   "disks": [{"handle": 11, "serial": "S11", "model": "M11", "firmware": "F11"}, {"handle": 12, "serial": ""}]},
  {"handle": 2, "name": "C2", "disks": [{"handle": 21, "serial": "S21"}]}]})";

class ProductTest : public zubtest::AssociationFixture {
 protected:
  static std::wstring Card(const std::wstring& tag) {
    return Path(L"ZUB_Card.CreationClassName=\"ZUB_Card\",Tag=\"" + tag + L"\"");
  }
  static std::wstring Texts(const stZUB_Product& p) { return Fields(p, {"Name", "IdentifyingNumber", "Vendor", "Version"}); }
};

TEST_F(ProductTest, EachKindListsItsObjectsWithItsOwnTexts) {
  Load(kTopology);
  const auto hbas = List<&PROVIDER_CreateZubProductHBAInstance>();
  ASSERT_EQ(hbas.GetCount(), 2u);
  EXPECT_EQ(Texts(hbas[0]), L"Name=Host_Controller_C1; IdentifyingNumber=1; Vendor=32902; Version=13.1");
  const auto disks = List<&PROVIDER_CreateZubProductDiskInstance>();
  ASSERT_EQ(disks.GetCount(), 3u);
  EXPECT_EQ(Texts(disks[0]), L"Name=End_Device_S11; IdentifyingNumber=11; Vendor=M11; Version=F11");
  EXPECT_EQ(disks[1].Name.Str(), L"End_Device_");  // no serial number
  const auto enclosures = List<&PROVIDER_CreateZubProductEnclosureInstance>();
  const auto routers = List<&PROVIDER_CreateZubProductRouterInstance>();
  ASSERT_EQ(enclosures.GetCount() * routers.GetCount(), 1u);
  EXPECT_EQ(Texts(enclosures[0]), L"Name=Enclosure_ACME; IdentifyingNumber=300; Vendor=ACME; Version=0001");
  EXPECT_EQ(Texts(routers[0]), L"Name=Router_400; IdentifyingNumber=400; Vendor=ACME-EXP; Version=0102");
}

TEST_F(ProductTest, EveryProductOfAControllerIsAComponentOfItsCard) {
  Load(kTopology);
  auto components = List<&PROVIDER_CreateZubProductPhysicalComponentInstance>();
  // Card 1: its HBA, router, two disks, enclosure; card 2: its HBA and disk.
  const std::wstring expected[][2] = {
      {L"ZUB_ProductHBA.Name=\"Host_Controller_C1\",IdentifyingNumber=\"1\",Vendor=\"32902\",Version=\"13.1\"", L"1"},
      {L"ZUB_ProductRouter.Name=\"Router_400\",IdentifyingNumber=\"400\",Vendor=\"ACME-EXP\",Version=\"0102\"", L"1"},
      {L"ZUB_ProductDisk.Name=\"End_Device_S11\",IdentifyingNumber=\"11\",Vendor=\"M11\",Version=\"F11\"", L"1"},
      {L"ZUB_ProductDisk.Name=\"End_Device_\",IdentifyingNumber=\"12\",", L"1"},
      {L"ZUB_ProductEnclosure.Name=\"Enclosure_ACME\",IdentifyingNumber=\"300\",Vendor=\"ACME\",Version=\"0001\"",
       L"1"}, {L"ZUB_ProductHBA.Name=\"Host_Controller_C2\",IdentifyingNumber=\"2\",", L"2"},
      {L"ZUB_ProductDisk.Name=\"End_Device_S21\",IdentifyingNumber=\"21\",", L"2"}};
  ASSERT_EQ(components.GetCount(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(components[i].GroupComponent.Str().rfind(Path(expected[i][0]), 0), 0u)
        << i << " " << std::string(components[i].GroupComponent.Str().begin(), components[i].GroupComponent.Str().end());
    EXPECT_EQ(components[i].PartComponent.Str(), Card(expected[i][1])) << i;
  }
  EXPECT_EQ(components[0].GroupComponent.Str(), Path(expected[0][0]));

  // The enclosures under controller 1 cannot be fetched (the fourth call: the
  // enclosure products' own load and this one each count, then fetch): what
  // was joined stays.
  zubtest::NthCall fault{4, [] { Fail("SsiGetEnclosureHandles"); }};
  fault.Install("SsiGetEnclosureHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubProductPhysicalComponentInstance>(PROVIDER_FAILED).GetCount(), 4u);
}

TEST_F(ProductTest, EachCardPackagesOneSystemAndRealizesOnePortController) {
  Load(kTopology);
  auto packages = List<&PROVIDER_CreateZubComputerSystemPackageInstance>();
  ASSERT_EQ(packages.GetCount(), 2u);
  EXPECT_EQ(packages[0].Dependent.Str() + packages[0].Antecedent.Str(), System(L"C1") + Card(L"1"));
  EXPECT_EQ(packages[1].Dependent.Str() + packages[1].Antecedent.Str(), System(L"C2") + Card(L"2"));

  auto realizes = List<&PROVIDER_CreateZubRealizesInstance>();
  ASSERT_EQ(realizes.GetCount(), 2u);
  EXPECT_EQ(realizes[1].Dependent.Str(),
            Path(L"ZUB_PortController.CreationClassName=\"ZUB_PortController\",DeviceID=\"2\","
                 L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"C2\""));
  EXPECT_EQ(realizes[1].Antecedent.Str(), Card(L"2"));

  // The systems (read first) are not listed, the cards are: no record at all.
  Fail("SsiGetControllerHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubComputerSystemPackageInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  Fail("SsiGetControllerHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubRealizesInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace product

// ZUB_SoftwareIdentity and ZUB_ElementSoftwareIdentity: version texts, the
// drivers, the provider and the middleware in their order, and what is left
// out when the middleware does not answer. (Which changes count as updates:
// the host's alerts test.)
namespace software {

using SoftwareTest = zubtest::AssociationFixture;

TEST(SoftwareVersionText, FourNumbersOneOfThemNotZero) {
  _SSI_ControllerInfo controller{};
  std::strcpy(controller.name, "AHCI SATA");
  controller.controllerType = 1;
  std::strcpy(controller.driverVersion, "10.1.0.1004");
  stZUB_SoftwareIdentity rec = DriverIdentityOf(controller);
  EXPECT_EQ(rec.InstanceID.Str() + L"|" + rec.ElementName.Str(), L"AHCI SATA|ZUBe AHCI Port Driver ");
  EXPECT_EQ(rec.MajorVersion * 1000 + rec.MinorVersion * 100 + rec.RevisionNumber * 10, 10100u);
  EXPECT_EQ(rec.BuildNumber + rec.LargeBuildNumber, 2008u);

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
  EXPECT_EQ(all[0].InstanceID.Str() + L" " + all[0].VersionString.Str(), L"One 1.2");
  EXPECT_EQ(all[1].ElementName.Str(), L"ZUBe DOX Port Driver ");
  EXPECT_EQ(all[1].BuildNumber, 6u);
  EXPECT_EQ(all[2].InstanceID.Str() + L" " + all[2].VersionString.Str(), L"ZUBe:CIMProvider 3.0.0.8000");
  EXPECT_EQ(all[3].InstanceID.Str(), L"ZUBe:ABRU2");
  EXPECT_EQ(all[3].MajorVersion, 13u);
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

TEST_F(SoftwareTest, EverySystemWithEveryIdentity) {
  Load(R"({"middleware_version": "1.0.0.1", "controllers": [
    {"handle": 1, "name": "One", "driver_version": "1.0.0.1"}, {"handle": 2, "name": "Two"}]})");
  List<&PROVIDER_CreateZubComputerSystemInstance>();
  List<&PROVIDER_CreateZubSoftwareIdentityInstance>();
  const auto links = List<&PROVIDER_CreateZubElementSoftwareIdentityInstance>();
  ASSERT_EQ(links.GetCount(), 8u);
  EXPECT_EQ(links[0].Antecedent.Str() + links[0].Dependent.Str(),
            System(L"One") + Path(L"ZUB_SoftwareIdentity.InstanceID=\"One\""));
  EXPECT_EQ(links[3].Dependent.Str(), Path(L"ZUB_SoftwareIdentity.InstanceID=\"ZUBe:ABRU2\""));
  EXPECT_EQ(links[5].Antecedent.Str() + links[5].Dependent.Str(),
            System(L"Two") + Path(L"ZUB_SoftwareIdentity.InstanceID=\"Two\""));
}

}  // namespace software

// ZUB_RegisteredProfile, ZUB_ReferencedProfile and
// ZUB_ElementConformsToProfile: the eight profiles, the seven references
// of the Host Hardware RAID Controller profile, and the conformance of
// every port controller, with the namespaces their references name.
namespace profiles {

constexpr const wchar_t* kHostRaid =
    L"\\\\box\\root\\Interop:ZUB_Corvo_ProfileRegistration_RegisteredProfile_v3_0.InstanceID=\"SNIA:0\"";

using ProfileTest = zubtest::AssociationFixture;

TEST_F(ProfileTest, EightProfilesTheSameOnEveryUpdate) {
  List<&PROVIDER_CreateZubRegisteredProfileInstance>();
  std::wstring ids;
  for (const auto& p : List<&PROVIDER_CreateZubRegisteredProfileInstance>()) ids += p.InstanceID.Str() + L" ";
  EXPECT_EQ(ids, L"SNIA:0 SNIA:1 CIM:2 SNIA:3 SNIA:4 SNIA:5 SNIA:6 SNIA:7 ");
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
}

}  // namespace profiles

// ZUB_AlarmDevice and ZUB_AssociatedAlarm: one locator per disk whose PHY
// is listed, the locate reaching that PHY with the mode the state asks for,
// and the association with the disks.
namespace alarms {

// Disks 101 (PHY 7, number 0), 102 (PHY 12, number 1) and 103 (no PHY) on
// controller 1; disk 201 (PHY 30, number 4) on controller 2.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "type": 1, "phy_count": 4, "disks": [
    {"handle": 101, "phy": {"handle": 7, "number": 0}}, {"handle": 102, "phy": {"handle": 12, "number": 1}},
    {"handle": 103, "phy": null}]},
  {"handle": 2, "type": 2, "disks": [{"handle": 201, "phy": {"handle": 30, "number": 4}}]}]})";

class AlarmTest : public zubtest::AssociationFixture {
 protected:
  static CZubAlarmDeviceInterface* Alarms() { return PROVIDER_CreateZubAlarmDeviceInstance(); }
  static bool LocateOn(SSI_HANDLE phy) {
    bool on = false;
    EXPECT_TRUE(abru2sim::GetLocateState(phy, &on));
    return on;
  }
  static stZUB_AlarmDevice Locate(stZUB_AlarmDevice rec, uint64_t state) {
    rec.State = state;
    rec.ReturnValue = 77;
    EXPECT_EQ(Alarms()->SetAlarmIndicator(&rec), PROVIDER_SUCCESS);
    EXPECT_EQ(rec.ReturnValue, 0u);
    return rec;
  }
};

TEST_F(AlarmTest, OneLocatorPerDiskWithAPhyAndTheLocateReachesIt) {
  Load(kTopology);
  const auto alarms = List<&PROVIDER_CreateZubAlarmDeviceInstance>();
  ASSERT_EQ(alarms.GetCount(), 3u);  // DeviceID: the PHY's number, then its handle
  EXPECT_EQ(alarms[0].DeviceID.Str() + L" " + alarms[2].DeviceID.Str(), L"07 430");
  EXPECT_EQ(Fields(alarms[1], {"DeviceID", "PhyHandle", "EndDeviceHandle", "ControllerHandle"}),
            L"DeviceID=112; PhyHandle=12; EndDeviceHandle=102; ControllerHandle=1");

  Locate(alarms[1], 2);
  EXPECT_TRUE(LocateOn(12));
  EXPECT_FALSE(LocateOn(7));
  Locate(alarms[2], 3);
  EXPECT_TRUE(LocateOn(30));
  Locate(alarms[1], 1);
  EXPECT_FALSE(LocateOn(12));
  EXPECT_EQ(Calls("SsiPhyLocate"), 3u);

  // State 0 and keys that match no instance do nothing and still succeed.
  Locate(alarms[2], 0);
  stZUB_AlarmDevice stranger = alarms[0];
  stranger.DeviceID = L"0";
  Locate(stranger, 2);
  EXPECT_EQ(Calls("SsiPhyLocate"), 3u);
  EXPECT_TRUE(LocateOn(30));

  // A failing locate is not reported.
  Fail("SsiPhyLocate");
  Locate(alarms[0], 2);
  EXPECT_FALSE(LocateOn(7));
  ExpectSessionsBalanced();
}

TEST_F(AlarmTest, AFailedEnumerationKeepsWhatWasRead) {
  Load(kTopology);
  zubtest::NthCall phys{2, [] { Fail("SsiGetPhyHandles"); }};
  phys.Install("SsiGetPhyHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubAlarmDeviceInstance>(PROVIDER_FAILED).GetCount(), 0u);
  Load(kTopology);
  zubtest::NthCall disks{4, [] { Fail("SsiGetEndDeviceHandles"); }};  // the second controller's disks
  disks.Install("SsiGetEndDeviceHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubAlarmDeviceInstance>(PROVIDER_FAILED).GetCount(), 2u);
}

TEST_F(AlarmTest, EachLocatorWithItsDiskUnlessADiskHasNone) {
  Load(kTopology);
  List<&PROVIDER_CreateZubAlarmDeviceInstance>();
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  EXPECT_EQ(List<&PROVIDER_CreateZubAssociatedAlarmInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "disks": [{"handle": 101, "phy": {"handle": 7, "number": 0}}, {"handle": 102}]},
    {"handle": 2, "disks": [{"handle": 201, "phy": {"handle": 30, "number": 4}}]}]})");
  List<&PROVIDER_CreateZubAlarmDeviceInstance>();
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  const auto links = List<&PROVIDER_CreateZubAssociatedAlarmInstance>();
  ASSERT_EQ(links.GetCount(), 3u);
  EXPECT_EQ(links[0].Antecedent.Str(), Path(L"ZUB_AlarmDevice.CreationClassName=\"ZUB_AlarmDevice\",DeviceID=\"07\","
                 L"SystemCreationClassName=\"CIM_AlarmDevice\",SystemName=\"Corvo_ZUBe3.0\""));
  EXPECT_EQ(links[0].Dependent.Str(), Disk(L"101"));
  EXPECT_NE(links[2].Antecedent.Str().find(L"DeviceID=\"430\""), std::wstring::npos);
  EXPECT_EQ(links[2].Dependent.Str(), Disk(L"201"));
}

}  // namespace alarms

// ZUB_SystemDevice: each system with the devices of its controller, grouped
// by system and within a system by device class.
namespace devices {

using SystemDeviceTest = zubtest::AssociationFixture;
using zubtest::Pairs;

// A SATA and a SAS disk on one controller, each with a volume; a SAS
// controller with a volume whose only disk names a RAID info no controller
// has, so the volume belongs to no controller (its disk's locator does: it
// is listed under the controller).
TEST_F(SystemDeviceTest, DevicesGroupedBySystemThenByClass) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "AHCI", "type": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11, "phy": {"handle": 51, "number": 0}, "port": {"handle": 61}},
               {"handle": 12, "phy": {"handle": 52, "number": 1, "protocol": 2}, "port": {"handle": 62}}],
     "volumes": [{"handle": 15, "name": "A", "disks": [11]}, {"handle": 16, "name": "B", "disks": [12]}]},
    {"handle": 2, "name": "DOX", "type": 2, "raid_info": {"handle": 19},
     "disks": [{"handle": 21, "phy": {"handle": 71, "number": 0}, "port": {"handle": 81}},
               {"handle": 22, "phy": {"handle": 72, "number": 1}, "port": {"handle": 82}},
               {"handle": 23, "raid_info_handle": 999, "phy": {"handle": 73, "number": 2}, "port": {"handle": 83}}],
     "volumes": [{"handle": 25, "name": "C", "disks": [21, 22]}, {"handle": 26, "name": "Lost", "disks": [23]}]}]})");
  const auto devices = List<&PROVIDER_CreateZubSystemDeviceInstance>();
  EXPECT_EQ(Pairs(devices, &stZUB_SystemDevice::GroupComponent, &stZUB_SystemDevice::PartComponent),
            (std::vector<std::wstring>{
                L"ZUB_ComputerSystem AHCI | ZUB_DAPort 61", L"ZUB_ComputerSystem AHCI | ZUB_DAPort 62",
                L"ZUB_ComputerSystem AHCI | ZUB_SCSIProtocolController 12",
                L"ZUB_ComputerSystem AHCI | ZUB_ATAProtocolController 11",
                L"ZUB_ComputerSystem AHCI | ZUB_ATALogicalPort 61", L"ZUB_ComputerSystem AHCI | ZUB_SCSILogicalPort 62",
                L"ZUB_ComputerSystem AHCI | ZUB_StorageVolume A_15",
                L"ZUB_ComputerSystem AHCI | ZUB_StorageVolume B_16", L"ZUB_ComputerSystem AHCI | ZUB_AlarmDevice 051",
                L"ZUB_ComputerSystem AHCI | ZUB_AlarmDevice 152", L"ZUB_ComputerSystem DOX | ZUB_DAPort 81",
                L"ZUB_ComputerSystem DOX | ZUB_SCSIProtocolController 21",
                L"ZUB_ComputerSystem DOX | ZUB_SCSILogicalPort 81", L"ZUB_ComputerSystem DOX | ZUB_SCSILogicalPort 82",
                L"ZUB_ComputerSystem DOX | ZUB_SCSILogicalPort 83", L"ZUB_ComputerSystem DOX | ZUB_StorageVolume C_25",
                L"ZUB_ComputerSystem DOX | ZUB_AlarmDevice 071", L"ZUB_ComputerSystem DOX | ZUB_AlarmDevice 172",
                L"ZUB_ComputerSystem DOX | ZUB_AlarmDevice 273"}));
  ASSERT_FALSE(devices.GetCount() == 0);
  EXPECT_EQ(devices[0].PartComponent.Str(), Path(L"ZUB_DAPort.CreationClassName=\"ZUB_DAPort\",DeviceID=\"61\","
                                                 L"SystemCreationClassName=\"Port_61\",SystemName=\"Corvo_ZUBe3.0\""));
}

}  // namespace devices

// ZUB_HostedService: each system with its two services, the lists walked
// side by side.
namespace services {

class HostedServiceTest : public zubtest::AssociationFixture {
 protected:
  void LoadAndListServices(const std::string& json) {
    LoadAndList(json);
    PROVIDER_CreateZubStorageConfigurationServiceInstance()->Update();
    PROVIDER_CreateZubSpareConfigurationServiceInstance()->Update();
  }
  static std::wstring StorageService(const std::wstring& controller) {
    return Path(L"ZUB_StorageConfigurationService.CreationClassName=\"ZUB_StorageConfigurationService\","
        L"Name=\"ZUB_StorageConfigurationService_" + controller +
        L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"" + controller + L"\"");
  }
  static std::wstring SpareService(const std::wstring& name, const std::wstring& handle) {
    return Path(L"ZUB_SpareConfigurationService.CreationClassName=\"ZUB_SpareConfigurationService\",Name=\"" + name +
                L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"SpareCfgService_" + handle + L"\"");
  }
};

TEST_F(HostedServiceTest, EachSystemHostsItsStorageThenItsSpareService) {
  LoadAndListServices(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 3, "type": 2, "name": "Dox", "disks": []},
    {"handle": 4, "type": 1, "name": "Ahci", "disks": []}]})");
  EXPECT_EQ(zubtest::Refs(List<&PROVIDER_CreateZubHostedServiceInstance>(), &stZUB_HostedService::Antecedent,
                          &stZUB_HostedService::Dependent), (zubtest::RefPairs{{System(L"Dox"), StorageService(L"Dox")},
                               {System(L"Dox"), SpareService(L"ZUBe:DoxSpareConfigurationService0", L"3")},
                               {System(L"Ahci"), StorageService(L"Ahci")},
                               {System(L"Ahci"), SpareService(L"ZUBe:AhciSpareConfigurationService0", L"4")}}));
}

TEST_F(HostedServiceTest, ListsOfDifferentLengthsJoinNothing) {
  // The spare services stop at the controller of another type: two storage
  // services, one spare service.
  LoadAndListServices(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 3, "type": 2, "disks": []}, {"handle": 4, "type": 7, "disks": []}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubHostedServiceInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace services

// Every class on a RAID stack without controllers, as a host lists them in
// catalogue order (instance classes before the associations that read them).
namespace empty {

using EmptyStackTest = zubtest::AssociationFixture;

// Nothing of the stack is listed; the status is 4 (nothing to report) except
// where a class lists what is its own, reads lists that may well be empty, or
// needs a list that is not there.
TEST_F(EmptyStackTest, EveryClassListsNothingOfTheStackAndSaysSo) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": []})");
  const std::map<std::string, std::pair<PROVIDER_STATUS, size_t>> exceptions = {
      {"ZUB_StorageRedundancySet", {PROVIDER_FAILED, 0}},  // no disk extent to count spares in
      {"ZUB_IsSpare", {PROVIDER_FAILED, 0}}, {"ZUB_StorageSettingPrimordial", {PROVIDER_SUCCESS, 0}},
      {"ZUB_StorageSettingVolume", {PROVIDER_SUCCESS, 0}},
      {"ZUB_SpareConfigurationCapabilities", {PROVIDER_SUCCESS, 0}},
      {"ZUB_SoftwareIdentity", {PROVIDER_SUCCESS, 1}},  // the provider itself
      {"ZUB_RegisteredProfile", {PROVIDER_SUCCESS, 8}}, {"ZUB_ReferencedProfile", {PROVIDER_SUCCESS, 7}},
      {"ZUB_IndicationFilter", {PROVIDER_SUCCESS, 15}}, {"ZUB_ElementCapabilities", {PROVIDER_SUCCESS, 0}},
      {"ZUB_StorageSettingsAssociatedToCapabilities", {PROVIDER_SUCCESS, 0}},
      {"ZUB_ProductPhysicalComponent", {PROVIDER_SUCCESS, 0}}, {"ZUB_ElementConformsToProfile", {PROVIDER_SUCCESS, 0}},
      {"ZUB_ProtocolControllerForUnit", {PROVIDER_SUCCESS, 0}}, };
  for (const ClassDesc& cls : ClassCatalog()) {
    SCOPED_TRACE(cls.name);
    const auto it = exceptions.find(cls.name);
    const auto [status, count] = it == exceptions.end() ? std::pair{PROVIDER_NOT_FOUND, size_t{0}} : it->second;
    EXPECT_EQ(cls.object()->Update(), status);
    size_t listed = 0;
    EXPECT_EQ(cls.getData([&](const void*) { ++listed; }), PROVIDER_SUCCESS);
    EXPECT_EQ(listed, count);
  }
  ExpectSessionsBalanced();
}

}  // namespace empty
