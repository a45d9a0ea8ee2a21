// The system classes (computer systems, cards, port controllers, products,
// software, profiles, locators, system devices, hosted services) and every
// class on an empty stack.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

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

using zubtest::Links;
using zubtest::Rows;
using zubtest::Table;
using SystemTest = zubtest::AssociationFixture;

// ZUB_ComputerSystem, ZUB_Card and ZUB_PortController: one of each per
// controller, in the middleware's order. Only an AHCI controller's PHYs are
// counted, unattached ones too; the address is the controller record's,
// whatever port is attached to the controller.
TEST_F(SystemTest, EachControllerIsASystemACardAndAPortController) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 4294967295, "name": "AHCI", "id": 10274, "type": 1, "feature_flag": 2147483648,
     "address": [2, 3, 0, 12], "phy_count": 5, "port": null, "disks": [{"handle": 70}, {"handle": 71}]},
    {"handle": 3, "name": "DOX", "id": 7531, "type": 2, "address": [0, 3, 0, 0], "address64": 5764607523034234880,
     "phy_count": 4, "port": {"handle": 30, "address": [9, 9, 9, 9], "address64": 1}, "disks": [{"handle": 31}]},
    {"handle": 5, "name": "Odd", "type": -1, "phy_count": 2}]})");
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubComputerSystemInstance>(), {"Name", "ControllerHandle"}),
            (Rows{L"AHCI|4294967295", L"DOX|3", L"Odd|5"}));
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubCardInstance>(), {"Tag", "Name", "Manufacturer"}),
            (Rows{L"4294967295|10274_AHCI|Corvo_10274", L"3|7531_DOX|Corvo_7531", L"5|0_Odd|Corvo_0"}));
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubPortControllerInstance>(), {"DeviceID", "SystemName", "Caption",
                 "HostControllerType", "NumberOfPhys", "FeatureEnabled", "Address"}),
            (Rows{L"4294967295|AHCI|Host Controller AHCI|1|5|1|2-3-0-12",
                   L"3|DOX|Host Controller DOX|2|0|0|5764607523034234880",
                   L"5|Odd|Host Controller Odd|-1|0|0|0-0-0-0"}));

  // A PHY list that cannot be read counts no PHY and fails nothing; a PHY
  // record that cannot be read still counts.
  Fail("SsiGetPhyHandles");
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubPortControllerInstance>(), {"NumberOfPhys"}), (Rows{L"0", L"0", L"0"}));
  Fail("SsiGetPhyInfo", SSI_STATUS_FAILED, 0);
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubPortControllerInstance>(), {"NumberOfPhys"}), (Rows{L"5", L"0", L"0"}));

  // A rebuild drops what went away: no controller readable is 4 and nothing.
  Fail("SsiGetControllerHandles", SSI_STATUS_FAILED, 0);
  EXPECT_EQ(List<&PROVIDER_CreateZubComputerSystemInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

// Controller 1: two disks (one without a serial number), an expander and an
// enclosure. Controller 2: one disk.
constexpr const char* kProducts = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "C1", "vendor": 32902, "driver_version": "13.1",
   "routing_devices": [{"handle": 400, "vendor": "ACME-EXP", "version": "0102"}],
   "enclosures": [{"handle": 300, "vendor": "ACME", "version": "0001"}],
   "disks": [{"handle": 11, "serial": "S11", "model": "M11", "firmware": "F11"}, {"handle": 12, "serial": ""}]},
  {"handle": 2, "name": "C2", "disks": [{"handle": 21, "serial": "S21"}]}]})";

// The four product kinds, each with its own texts, and every product of a
// controller a component of its card: its HBA, routers, disks, enclosures.
TEST_F(SystemTest, ProductsOfEachKindArePartsOfTheirControllersCard) {
  Load(kProducts);
  const std::initializer_list<const char*> keys = {"Name", "IdentifyingNumber", "Vendor", "Version"};
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubProductHBAInstance>(), keys),
            (Rows{L"Host_Controller_C1|1|32902|13.1", L"Host_Controller_C2|2|0|"}));
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubProductDiskInstance>(), keys),
            (Rows{L"End_Device_S11|11|M11|F11", L"End_Device_|12||", L"End_Device_S21|21||"}));
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubProductEnclosureInstance>(), keys),
            Rows{L"Enclosure_ACME|300|ACME|0001"});
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubProductRouterInstance>(), keys), Rows{L"Router_400|400|ACME-EXP|0102"});

  const auto components = List<&PROVIDER_CreateZubProductPhysicalComponentInstance>();
  EXPECT_EQ(Links(components, &stZUB_ProductPhysicalComponent::GroupComponent,
                  &stZUB_ProductPhysicalComponent::PartComponent),
            (Rows{L"ZUB_ProductHBA Host_Controller_C1|ZUB_Card 1", L"ZUB_ProductRouter Router_400|ZUB_Card 1",
                   L"ZUB_ProductDisk End_Device_S11|ZUB_Card 1", L"ZUB_ProductDisk End_Device_|ZUB_Card 1",
                   L"ZUB_ProductEnclosure Enclosure_ACME|ZUB_Card 1",
                   L"ZUB_ProductHBA Host_Controller_C2|ZUB_Card 2", L"ZUB_ProductDisk End_Device_S21|ZUB_Card 2"}));
  ASSERT_FALSE(components.GetCount() == 0);
  EXPECT_EQ(components[0].GroupComponent.Str(),
            Path(L"ZUB_ProductHBA.Name=\"Host_Controller_C1\",IdentifyingNumber=\"1\",Vendor=\"32902\","
                 L"Version=\"13.1\""));
  EXPECT_EQ(components[0].PartComponent.Str(), Path(L"ZUB_Card.CreationClassName=\"ZUB_Card\",Tag=\"1\""));

  // The enclosures under controller 1 cannot be fetched (the fourth call: the
  // enclosure products' own load and this one each count, then fetch): what
  // was joined stays.
  zubtest::NthCall fault{4, [] { Fail("SsiGetEnclosureHandles"); }};
  fault.Install("SsiGetEnclosureHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubProductPhysicalComponentInstance>(PROVIDER_FAILED).GetCount(), 4u);
}

// Each card packages the system and realizes the port controller of its
// controller; with the systems (read first) not listed, nothing is joined.
TEST_F(SystemTest, EachCardPackagesItsSystemAndRealizesItsPortController) {
  Load(kProducts);
  EXPECT_EQ(Links(List<&PROVIDER_CreateZubComputerSystemPackageInstance>(), &stZUB_ComputerSystemPackage::Dependent,
                  &stZUB_ComputerSystemPackage::Antecedent),
            (Rows{L"ZUB_ComputerSystem C1|ZUB_Card 1", L"ZUB_ComputerSystem C2|ZUB_Card 2"}));
  const auto realizes = List<&PROVIDER_CreateZubRealizesInstance>();
  EXPECT_EQ(Links(realizes, &stZUB_Realizes::Dependent, &stZUB_Realizes::Antecedent),
            (Rows{L"ZUB_PortController 1|ZUB_Card 1", L"ZUB_PortController 2|ZUB_Card 2"}));
  ASSERT_EQ(realizes.GetCount(), 2u);
  EXPECT_EQ(realizes[1].Dependent.Str(),
            Path(L"ZUB_PortController.CreationClassName=\"ZUB_PortController\",DeviceID=\"2\","
                 L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"C2\""));

  Fail("SsiGetControllerHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubComputerSystemPackageInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  Fail("SsiGetControllerHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubRealizesInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

// ZUB_SoftwareIdentity: the drivers by controller type, the provider and the
// middleware, the numbers of four-number versions with one of them not zero
// (any other text keeps its numbers 0); every system with every identity.
// (Which changes count as updates: the host's alerts test.)
TEST_F(SystemTest, DriversThenProviderThenMiddlewareEachWithEverySystem) {
  Load(R"({"middleware_version": "13.1.0.1004", "controllers": [
    {"handle": 1, "name": "One", "type": 1, "driver_version": "10.1.0.1004"},
    {"handle": 2, "name": "Two", "type": 2, "driver_version": "1.2"},
    {"handle": 3, "name": "Three", "type": 7, "driver_version": "0.0.0.1"}]})");
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubSoftwareIdentityInstance>(),
                 {"InstanceID", "ElementName", "VersionString", "MajorVersion", "MinorVersion", "RevisionNumber",
                  "BuildNumber", "LargeBuildNumber"}),
            (Rows{L"One|ZUBe AHCI Port Driver |10.1.0.1004|10|1|0|1004|1004",
                   L"Two|ZUBe DOX Port Driver |1.2|0|0|0|0|0",
                   L"Three|Unknown|0.0.0.1|0|0|0|1|1",
                   L"ZUBe:CIMProvider|ZUBe CIM Provider|3.0.0.8000|3|0|0|8000|8000",
                   L"ZUBe:ABRU2|ZUBe SSI Middleware Driver|13.1.0.1004|13|1|0|1004|1004"}));

  List<&PROVIDER_CreateZubComputerSystemInstance>();
  const auto links = List<&PROVIDER_CreateZubElementSoftwareIdentityInstance>();
  const Rows joined =
      Links(links, &stZUB_ElementSoftwareIdentity::Antecedent, &stZUB_ElementSoftwareIdentity::Dependent);
  ASSERT_EQ(joined.size(), 15u);  // three systems, five identities each
  EXPECT_EQ(joined[5], L"ZUB_ComputerSystem Two|ZUB_SoftwareIdentity One");
  EXPECT_EQ(links[0].Antecedent.Str() + links[0].Dependent.Str(),
            System(L"One") + Path(L"ZUB_SoftwareIdentity.InstanceID=\"One\""));
}

// The provider is always listed; the middleware only when it answers with a
// known version; drivers only while the controllers can be read.
TEST_F(SystemTest, SoftwareLeftOutWhenTheStackDoesNotAnswer) {
  const auto ids = [] { return Table(List<&PROVIDER_CreateZubSoftwareIdentityInstance>(), {"InstanceID"}); };
  Load(R"({"middleware_version": "2.0.0.1", "controllers": [{"handle": 1, "name": "One"}]})");
  Fail("SsiGetSystemInfo");
  EXPECT_EQ(ids(), (Rows{L"One", L"ZUBe:CIMProvider"}));
  Fail("SsiGetControllerHandles");
  EXPECT_EQ(ids(), (Rows{L"ZUBe:CIMProvider", L"ZUBe:ABRU2"}));
  Load(R"({"middleware_version": "0.0.0.0", "controllers": []})");
  EXPECT_EQ(ids(), Rows{L"ZUBe:CIMProvider"});
  Load(R"({"middleware_version": null, "controllers": []})");
  EXPECT_EQ(ids(), Rows{L"ZUBe:CIMProvider"});
}

// The eight profiles, the same on every update; the host RAID profile
// references the seven others in the host's namespace (the fixture's
// "root\corvo_zub"); every port controller conforms to it, the controller in
// the classes' namespace and the profile in the interop one, not the host's.
TEST_F(SystemTest, ProfilesTheirReferencesAndTheControllersConformingToThem) {
  List<&PROVIDER_CreateZubRegisteredProfileInstance>();
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubRegisteredProfileInstance>(), {"InstanceID"}),
            (Rows{L"SNIA:0", L"SNIA:1", L"CIM:2", L"SNIA:3", L"SNIA:4", L"SNIA:5", L"SNIA:6", L"SNIA:7"}));

  const auto profile = [](const wchar_t* nameSpace, const wchar_t* id) {
    return std::wstring(L"\\\\box\\") + nameSpace +
           L":ZUB_Corvo_ProfileRegistration_RegisteredProfile_v3_0.InstanceID=\"" + id + L"\"";
  };
  const auto refs = List<&PROVIDER_CreateZubReferencedProfileInstance>();
  EXPECT_EQ(Table(refs, {"Dependent"}), Rows(7, profile(L"root\\corvo_zub", L"SNIA:0")));
  Rows others;
  for (const wchar_t* id : {L"SNIA:1", L"CIM:2", L"SNIA:3", L"SNIA:4", L"SNIA:5", L"SNIA:6", L"SNIA:7"})
    others.push_back(profile(L"root\\corvo_zub", id));
  EXPECT_EQ(Table(refs, {"Antecedent"}), others);

  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 4, "name": "A"}, {"handle": 5, "name": "B"}]})");
  List<&PROVIDER_CreateZubPortControllerInstance>();
  const auto links = List<&PROVIDER_CreateZubElementConformsToProfileInstance>();
  EXPECT_EQ(Table(links, {"ConformantStandard"}), Rows(2, profile(L"root\\Interop", L"SNIA:0")));
  EXPECT_EQ(Table(links, {"ManagedElement"}),
            (Rows{L"\\\\box\\root\\Corvo_ZUB:ZUB_PortController.CreationClassName=\"ZUB_PortController\","
                   L"DeviceID=\"4\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"A\"",
                   L"\\\\box\\root\\Corvo_ZUB:ZUB_PortController.CreationClassName=\"ZUB_PortController\","
                   L"DeviceID=\"5\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"B\""}));
}

// ZUB_AlarmDevice and ZUB_AssociatedAlarm: one locator per disk whose PHY is
// listed, the locate reaching that PHY with the mode the state asks for, and
// each locator with its disk.
//
// Disks 101 (PHY 7, number 0), 102 (PHY 12, number 1) and 103 (no PHY) on
// controller 1; disk 201 (PHY 30, number 4) on controller 2.
constexpr const char* kAlarms = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "type": 1, "phy_count": 4, "disks": [
    {"handle": 101, "phy": {"handle": 7, "number": 0}}, {"handle": 102, "phy": {"handle": 12, "number": 1}},
    {"handle": 103, "phy": null}]},
  {"handle": 2, "type": 2, "disks": [{"handle": 201, "phy": {"handle": 30, "number": 4}}]}]})";

namespace {

bool LocateOn(SSI_HANDLE phy) {
  bool on = false;
  EXPECT_TRUE(abru2sim::GetLocateState(phy, &on));
  return on;
}

// Sets a locator's state as a host does: success and return value 0 whatever
// the locate did.
void Locate(stZUB_AlarmDevice rec, uint64_t state) {
  rec.State = state;
  rec.ReturnValue = 77;
  EXPECT_EQ(PROVIDER_CreateZubAlarmDeviceInstance()->SetAlarmIndicator(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(rec.ReturnValue, 0u);
}

}  // namespace

TEST_F(SystemTest, OneLocatorPerDiskWithAPhyTheLocateReachingIt) {
  Load(kAlarms);
  const auto alarms = List<&PROVIDER_CreateZubAlarmDeviceInstance>();
  EXPECT_EQ(Table(alarms, {"DeviceID", "PhyHandle", "EndDeviceHandle", "ControllerHandle"}),  // DeviceID: number, handle
            (Rows{L"07|7|101|1", L"112|12|102|1", L"430|30|201|2"}));
  ASSERT_EQ(alarms.GetCount(), 3u);

  Locate(alarms[1], 2);
  EXPECT_TRUE(LocateOn(12));
  EXPECT_FALSE(LocateOn(7));
  Locate(alarms[2], 3);
  EXPECT_TRUE(LocateOn(30));
  Locate(alarms[1], 1);
  EXPECT_FALSE(LocateOn(12));
  EXPECT_EQ(Calls("SsiPhyLocate"), 3u);

  // State 0 and keys that match no instance do nothing.
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

  // A failed enumeration keeps what was read: nothing when the PHYs cannot be
  // fetched, the first controller's locators when the second's disks cannot.
  zubtest::NthCall phys{2, [] { Fail("SsiGetPhyHandles"); }};
  phys.Install("SsiGetPhyHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubAlarmDeviceInstance>(PROVIDER_FAILED).GetCount(), 0u);
  Load(kAlarms);
  zubtest::NthCall disks{4, [] { Fail("SsiGetEndDeviceHandles"); }};  // the second controller's disks
  disks.Install("SsiGetEndDeviceHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubAlarmDeviceInstance>(PROVIDER_FAILED).GetCount(), 2u);
}

// Nothing is joined while a disk has no locator.
TEST_F(SystemTest, EachLocatorWithItsDisk) {
  Load(kAlarms);
  List<&PROVIDER_CreateZubAlarmDeviceInstance>();
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  EXPECT_EQ(List<&PROVIDER_CreateZubAssociatedAlarmInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  Change(R"({"op": "remove_disk", "disk": 103})");
  List<&PROVIDER_CreateZubAlarmDeviceInstance>();
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  const auto links = List<&PROVIDER_CreateZubAssociatedAlarmInstance>();
  EXPECT_EQ(Links(links, &stZUB_AssociatedAlarm::Antecedent, &stZUB_AssociatedAlarm::Dependent),
            (Rows{L"ZUB_AlarmDevice 07|ZUB_StorageExtentDisk 101",
                   L"ZUB_AlarmDevice 112|ZUB_StorageExtentDisk 102",
                   L"ZUB_AlarmDevice 430|ZUB_StorageExtentDisk 201"}));
  ASSERT_FALSE(links.GetCount() == 0);
  EXPECT_EQ(links[0].Antecedent.Str(),
            Path(L"ZUB_AlarmDevice.CreationClassName=\"ZUB_AlarmDevice\",DeviceID=\"07\","
                 L"SystemCreationClassName=\"CIM_AlarmDevice\",SystemName=\"Corvo_ZUBe3.0\""));
  EXPECT_EQ(links[0].Dependent.Str(), Disk(L"101"));
}

// ZUB_SystemDevice: each system with the devices of its controller, grouped
// by class. A SATA and a SAS disk on one controller, each with a volume; a
// SAS controller with a volume whose only disk names a RAID info no
// controller has, so the volume belongs to no controller (its disk's locator
// does: it is listed under the controller).
TEST_F(SystemTest, DevicesGroupedBySystemThenByClass) {
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
  const Rows expected = {
      L"ZUB_ComputerSystem AHCI|ZUB_DAPort 61", L"ZUB_ComputerSystem AHCI|ZUB_DAPort 62",
      L"ZUB_ComputerSystem AHCI|ZUB_SCSIProtocolController 12",
      L"ZUB_ComputerSystem AHCI|ZUB_ATAProtocolController 11",
      L"ZUB_ComputerSystem AHCI|ZUB_ATALogicalPort 61", L"ZUB_ComputerSystem AHCI|ZUB_SCSILogicalPort 62",
      L"ZUB_ComputerSystem AHCI|ZUB_StorageVolume A_15", L"ZUB_ComputerSystem AHCI|ZUB_StorageVolume B_16",
      L"ZUB_ComputerSystem AHCI|ZUB_AlarmDevice 051", L"ZUB_ComputerSystem AHCI|ZUB_AlarmDevice 152",
      L"ZUB_ComputerSystem DOX|ZUB_DAPort 81", L"ZUB_ComputerSystem DOX|ZUB_SCSIProtocolController 21",
      L"ZUB_ComputerSystem DOX|ZUB_SCSILogicalPort 81", L"ZUB_ComputerSystem DOX|ZUB_SCSILogicalPort 82",
      L"ZUB_ComputerSystem DOX|ZUB_SCSILogicalPort 83", L"ZUB_ComputerSystem DOX|ZUB_StorageVolume C_25",
      L"ZUB_ComputerSystem DOX|ZUB_AlarmDevice 071", L"ZUB_ComputerSystem DOX|ZUB_AlarmDevice 172",
      L"ZUB_ComputerSystem DOX|ZUB_AlarmDevice 273"};
  const auto devices = List<&PROVIDER_CreateZubSystemDeviceInstance>();
  EXPECT_EQ(Links(devices, &stZUB_SystemDevice::GroupComponent, &stZUB_SystemDevice::PartComponent), expected);
  ASSERT_FALSE(devices.GetCount() == 0);
  EXPECT_EQ(devices[0].PartComponent.Str(), Path(L"ZUB_DAPort.CreationClassName=\"ZUB_DAPort\",DeviceID=\"61\","
                                                 L"SystemCreationClassName=\"Port_61\",SystemName=\"Corvo_ZUBe3.0\""));
}

// ZUB_HostedService: each system with its storage and then its spare
// configuration service, the lists walked side by side; lists of different
// lengths (the spare services stop at a controller of another type) join
// nothing.
TEST_F(SystemTest, EachSystemHostsItsStorageThenItsSpareService) {
  const auto hosted = [this](const std::string& json, PROVIDER_STATUS status) {
    LoadAndList(json);
    PROVIDER_CreateZubStorageConfigurationServiceInstance()->Update();
    PROVIDER_CreateZubSpareConfigurationServiceInstance()->Update();
    return Links(List<&PROVIDER_CreateZubHostedServiceInstance>(status), &stZUB_HostedService::Antecedent,
                 &stZUB_HostedService::Dependent);
  };
  EXPECT_EQ(hosted(R"({"middleware_version": "1.0", "controllers": [{"handle": 3, "type": 2, "name": "Dox"},
                                                                     {"handle": 4, "type": 1, "name": "Ahci"}]})",
                   PROVIDER_SUCCESS),
            (Rows{L"ZUB_ComputerSystem Dox|ZUB_StorageConfigurationService ZUB_StorageConfigurationService_Dox",
                   L"ZUB_ComputerSystem Dox|ZUB_SpareConfigurationService ZUBe:DoxSpareConfigurationService0",
                   L"ZUB_ComputerSystem Ahci|ZUB_StorageConfigurationService ZUB_StorageConfigurationService_Ahci",
                   L"ZUB_ComputerSystem Ahci|ZUB_SpareConfigurationService ZUBe:AhciSpareConfigurationService0"}));
  EXPECT_EQ(hosted(R"({"middleware_version": "1.0", "controllers": [{"handle": 3, "type": 2},
                                                                     {"handle": 4, "type": 7}]})",
                   PROVIDER_NOT_FOUND),
            Rows{});
}

// Every class on a RAID stack without controllers, as a host lists them in
// catalogue order (instance classes before the associations that read them):
// nothing of the stack is listed, and the status is 4 (nothing to report)
// except where a class lists what is its own, reads lists that may well be
// empty, or needs a list that is not there.
TEST_F(SystemTest, EveryClassListsNothingOfAnEmptyStackAndSaysSo) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": []})");
  const std::map<std::string, std::pair<PROVIDER_STATUS, size_t>> exceptions = {
      {"ZUB_StorageRedundancySet", {PROVIDER_FAILED, 0}}, {"ZUB_IsSpare", {PROVIDER_FAILED, 0}},  // no disk extent
      {"ZUB_SoftwareIdentity", {PROVIDER_SUCCESS, 1}},  // the provider itself
      {"ZUB_RegisteredProfile", {PROVIDER_SUCCESS, 8}}, {"ZUB_ReferencedProfile", {PROVIDER_SUCCESS, 7}},
      {"ZUB_IndicationFilter", {PROVIDER_SUCCESS, 15}}, {"ZUB_ElementCapabilities", {PROVIDER_SUCCESS, 0}},
      {"ZUB_StorageSettingPrimordial", {PROVIDER_SUCCESS, 0}}, {"ZUB_StorageSettingVolume", {PROVIDER_SUCCESS, 0}},
      {"ZUB_SpareConfigurationCapabilities", {PROVIDER_SUCCESS, 0}},
      {"ZUB_StorageSettingsAssociatedToCapabilities", {PROVIDER_SUCCESS, 0}},
      {"ZUB_ProductPhysicalComponent", {PROVIDER_SUCCESS, 0}}, {"ZUB_ElementConformsToProfile", {PROVIDER_SUCCESS, 0}},
      {"ZUB_ProtocolControllerForUnit", {PROVIDER_SUCCESS, 0}}};
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
