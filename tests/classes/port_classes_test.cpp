// The port classes: DA ports, logical ports, protocol controllers and
// endpoints, their associations, and their rows in the event monitor's table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/ports/access_points.h"
#include "classes/ports/da_port.h"
#include "classes/ports/logical_port.h"
#include "classes/ports/port_associations.h"
#include "classes/ports/port_rules.h"
#include "classes/ports/protocol_controller.h"
#include "classes/ports/protocol_endpoint.h"
#include "events/event_registry.h"
#include "tests/classes/association_fixture.h"
#include "tests/support/class_fixture.h"

using zubtest::Fields;

template <class Port>
std::vector<std::wstring> DeviceIds(const CArrayT<Port>& ports) {
  std::vector<std::wstring> out;
  for (const Port& p : ports) out.push_back(p.DeviceID.Str());
  return out;
}

// The rules every port class shares: the address text, the link rate and
// the PHY count of a controller.
namespace rules {

using PortRulesTest = zubtest::ClassFixture;

TEST(PortRules, AddressTextIsTheFourComponentsOrThePresentSixtyFourBitAddress) {
  const uint8_t components[4] = {2, 3, 0, 12};
  EXPECT_EQ(AddressText(components, 0, 5764607523034234880ull).Str(), L"2-3-0-12");
  EXPECT_EQ(AddressText(components, 1, 5764607523034234880ull).Str(), L"5764607523034234880");
  EXPECT_EQ(AddressText(components, 0x80000000u, 0).Str(), L"0");  // any non-zero flag; 0 written whole
  const uint8_t widest[4] = {255, 255, 255, 255};
  EXPECT_EQ(AddressText(widest, 0, 0).Str(), L"255-255-255-255");
}

// Codes 0 to 3 the logical ports read through the simulation.
TEST(PortRules, LinkRateOfACode) {
  EXPECT_EQ(LinkRate(4), 600000000000000u);  // four units, the same speed as code 3
  EXPECT_EQ(LinkRate(-1), 0ull - 150000000000000u);
  EXPECT_EQ(LinkRate(INT32_MIN), static_cast<uint64_t>(INT32_MIN) * 150000000000000u);
}

TEST_F(PortRulesTest, PhyCountOfAControllerOrNoneWhenUnreadable) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 7, "phy_count": 3, "disks": [{"handle": 70}]}, {"handle": 8, "type": 2, "phy_count": 2}]})");
  EXPECT_EQ(ControllerPhyCount(7), 3u);  // unattached PHYs count too
  EXPECT_EQ(ControllerPhyCount(8), 2u);  // of any controller type
  EXPECT_EQ(ControllerPhyCount(99), 0u);
  Fail("SsiSessionOpen");
  EXPECT_EQ(ControllerPhyCount(7), 0u);
  const uint64_t asked = Calls("SsiGetPhyHandles");
  EXPECT_EQ(ControllerPhyCount(0), 0u);  // no controller: the middleware is not asked
  EXPECT_EQ(Calls("SsiGetPhyHandles"), asked);
  ExpectSessionsBalanced();
}

}  // namespace rules

// ZUB_DAPort: the mapping of a port and its PHY, one DA port per volume
// through its first member disk, the volumes that get none, and the
// statuses that end the list early.
namespace da {

using DAPortTest = zubtest::AssociationFixture;


// Two volumes on one first disk share its port; a volume whose first disk's
// PHY belongs to no port gets none, and the volumes after it still do. One
// rebuild reads the ports once, not once per volume.
TEST_F(DAPortTest, OnePortPerVolumeThroughItsFirstDisk) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11, "phy": {"handle": 51, "protocol": 1, "link": [2, 3]}, "port": {"handle": 61}},
               {"handle": 12, "phy": {"handle": 52, "protocol": 1}, "port": {"handle": 62}},
               {"handle": 13, "phy": {"handle": 53, "protocol": 1}, "port": null}],
     "volumes": [{"name": "First", "level": 1, "disks": [11, 12], "state": 2},
                 {"name": "Portless", "level": 1, "disks": [13, 12]},
                 {"name": "Second", "level": 1, "disks": [11]}]},
    {"handle": 2, "type": 2, "raid_info": {"handle": 19},
     "disks": [{"handle": 21, "phy": {"handle": 71, "protocol": 3}, "port": {"handle": 81}}, {"handle": 22}],
     "volumes": [{"name": "Tunnel", "level": 2, "disks": [21, 22]}]}]})");
  abru2sim::ResetCounters();
  const auto ports = List<&PROVIDER_CreateZubDAPortInstance>();
  EXPECT_EQ(DeviceIds(ports), (std::vector<std::wstring>{L"61", L"61", L"81"}));
  // The ports are read once for all four volumes (a count and a fetch).
  EXPECT_EQ(Calls("SsiGetPortHandles"), 2u);
  ASSERT_EQ(ports.GetCount(), 3u);
  EXPECT_EQ(Fields(ports[0], {"HealthState", "Speed", "Protocol", "ProtocolName", "ControllerHandle", "AttachedHandle"}),
            L"HealthState=10; Speed=300000000000000; Protocol=1; ProtocolName=ATA; ControllerHandle=1; "
            L"AttachedHandle=11");  // degraded
  EXPECT_EQ(ports[1].HealthState, 5u);
  EXPECT_EQ(Fields(ports[2], {"ProtocolName", "ControllerHandle", "AttachedHandle"}),
            L"ProtocolName=SCSI; ControllerHandle=2; AttachedHandle=21");
}

// A setting that names no member disk gives its volume no DA port; the next
// volume still gets one.
TEST_F(DAPortTest, AVolumeWhoseSettingNamesNoDiskHasNoPort) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "raid_info": {"handle": 9}, "disks": [{"handle": 11, "port": {"handle": 61}}, {"handle": 12}],
     "volumes": [{"name": "Bare", "disks": [11]}, {"name": "Clad", "disks": [12]}]}]})");
  ClearSettings();  // the volumes filed theirs: "Bare" gets one without disks instead
  stZUB_StorageSetting bare;
  bare.InstanceID = L"VolumeSetting_Bare";
  bare.VolumeName = L"Bare";
  bare.ControllerHandle = L"1";
  AddSetting(SettingList::Volume, bare);
  const auto ports = List<&PROVIDER_CreateZubDAPortInstance>();
  ASSERT_EQ(ports.GetCount(), 1u);
  EXPECT_EQ(ports[0].AttachedHandle.Str(), L"12");
}

TEST_F(DAPortTest, StatusesThatEndTheListEarly) {
  // The second volume's first disk reports the other controller's RAID info,
  // so it is looked for among that controller's disks, and is not there.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11, "port": {"handle": 61}}, {"handle": 12, "raid_info_handle": 19}],
     "volumes": [{"name": "Home", "disks": [11]}, {"name": "Astray", "disks": [12]}]},
    {"handle": 2, "raid_info": {"handle": 19}}]})");
  EXPECT_EQ(DeviceIds(List<&PROVIDER_CreateZubDAPortInstance>(PROVIDER_NOT_FOUND)), std::vector<std::wstring>{L"61"});
  // The port list is counted, then fetching it fails.
  zubtest::NthCall fetch{2, [] { Fail("SsiGetPortHandles"); }};
  fetch.Install("SsiGetPortHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubDAPortInstance>(PROVIDER_FAILED).GetCount(), 0u);
  abru2sim::SetCallHook("SsiGetPortHandles", nullptr, nullptr);
  // One setting more than volumes.
  stZUB_StorageSetting ghost;
  ghost.InstanceID = L"VolumeSetting_Ghost";
  ghost.VolumeName = L"Ghost";
  AddSetting(SettingList::Volume, ghost);
  EXPECT_EQ(List<&PROVIDER_CreateZubDAPortInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace da

// ZUB_ATALogicalPort and ZUB_SCSILogicalPort: which family lists each port,
// the texts each family stamps, speeds and protocol from the disk's PHY, the
// controller's own port, and the statuses of the build.
namespace logical {

using LogicalPortTest = zubtest::AssociationFixture;

// SATA disks on an AHCI controller, SAS disks of the three SCSI protocols on
// a DOX controller, and a disk whose PHY speaks no known protocol.
TEST_F(LogicalPortTest, SataPortsAreAtaAndSasPortsScsiWithTheirFamilysTexts) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 1, "port": {"handle": 100},
     "disks": [{"handle": 11, "phy": {"handle": 51, "protocol": 1, "link": [1, 2]},
                "port": {"handle": 61, "address": [0, 1, 0, 0]}},
               {"handle": 12, "phy": {"handle": 52, "protocol": 0}, "port": {"handle": 62}}]},
    {"handle": 2, "type": 2, "port": {"handle": 200, "address64": 5000},
     "disks": [{"handle": 21, "address64": 7021, "phy": {"handle": 71, "protocol": 2, "link": [0, 3]},
                "port": {"handle": 81, "address": [9, 9, 9, 9]}},
               {"handle": 22, "phy": {"handle": 72, "protocol": 3, "link": [2, 1]}, "port": {"handle": 82}},
               {"handle": 23, "phy": {"handle": 73, "protocol": 4}, "port": {"handle": 83}}]}]})");
  const auto ata = List<&PROVIDER_CreateZubATALogicalPortInstance>();
  const auto scsi = List<&PROVIDER_CreateZubSCSILogicalPortInstance>();
  EXPECT_EQ(DeviceIds(ata), std::vector<std::wstring>{L"61"});
  EXPECT_EQ(DeviceIds(scsi), (std::vector<std::wstring>{L"81", L"82", L"83"}));
  ASSERT_EQ(ata.GetCount() + scsi.GetCount(), 4u);

  const std::initializer_list<const char*> shown = {"CreationClassName", "SystemCreationClassName", "Caption", "Address",
                                                     "Speed", "MaxSpeed", "Protocol", "ControllerHandle", "AttachedHandle"};
  EXPECT_EQ(Fields(ata[0], shown),
            L"CreationClassName=ZUB_ATALogicalPort; SystemCreationClassName=ATAPort_61; Caption=ATA EndDevice Port; "
            L"Address=0-1-0-0; Speed=150000000000000; MaxSpeed=300000000000000; Protocol=1; ControllerHandle=1; "
            L"AttachedHandle=11");
  EXPECT_EQ(ata[0].UsageRestriction, 2u);
  // The disk's 64-bit address replaces the port's components.
  EXPECT_EQ(Fields(scsi[0], shown),
            L"CreationClassName=ZUB_SCSILogicalPort; SystemCreationClassName=SCSIPort_81; Caption=SCSI EndDevice Port; "
            L"Address=7021; Speed=0; MaxSpeed=600000000000000; Protocol=2; ControllerHandle=2; AttachedHandle=21");
  EXPECT_EQ(Fields(scsi[1], {"Address", "Speed", "MaxSpeed", "Protocol"}),
            L"Address=0-0-0-0; Speed=300000000000000; MaxSpeed=150000000000000; Protocol=3");
  EXPECT_EQ(scsi[2].Protocol, 4);
}

// The controller's own port is built once per controller that has disks, in
// the port list's order; no PHY is attached to a controller, so it has
// protocol 0 and neither class lists it.
TEST_F(LogicalPortTest, AControllerPortIsBuiltOnceAndListedByNeitherClass) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 2, "port": {"handle": 100, "address": [1, 2, 3, 4], "address64": 5000},
     "disks": [{"handle": 11, "port": {"handle": 61}}, {"handle": 12, "port": {"handle": 62}},
               {"handle": 13, "port": {"handle": 63}}]},
    {"handle": 2, "port": {"handle": 200}, "disks": []}]})");
  CArrayT<stZUB_LogicalPort> all;
  EXPECT_EQ(CLogicalPortBase::BuildAll(&all), PROVIDER_SUCCESS);
  EXPECT_EQ(DeviceIds(all), (std::vector<std::wstring>{L"100", L"61", L"62", L"63"}));
  ASSERT_EQ(all.GetCount(), 4u);
  EXPECT_EQ(Fields(all[0], {"UsageRestriction", "AttachedHandle", "Address", "Protocol"}),
            L"UsageRestriction=3; AttachedHandle=1; Address=5000; Protocol=0");
  EXPECT_EQ(all[1].Protocol, 2);  // a DOX controller's disks speak SAS
  EXPECT_EQ(DeviceIds(List<&PROVIDER_CreateZubSCSILogicalPortInstance>()),
            (std::vector<std::wstring>{L"61", L"62", L"63"}));
  ExpectSessionsBalanced();
}

TEST_F(LogicalPortTest, StatusesOfEmptyPartialAndForeignLists) {
  // Ports of the other family only: listed, none kept.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "disks": [{"handle": 11}]}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubSCSILogicalPortInstance>(PROVIDER_SUCCESS).GetCount(), 0u);

  // The second controller's end devices are counted, then fetching them
  // fails: the first controller's ports are listed.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "disks": [{"handle": 11, "port": {"handle": 61}}]},
    {"handle": 2, "disks": [{"handle": 21, "port": {"handle": 81}}]}]})");
  zubtest::NthCall fetch{4, [] { Fail("SsiGetEndDeviceHandles"); }};
  fetch.Install("SsiGetEndDeviceHandles");
  CArrayT<stZUB_LogicalPort> all;
  EXPECT_EQ(CLogicalPortBase::BuildAll(&all), PROVIDER_FAILED);
  fetch.seen = 0;
  EXPECT_EQ(DeviceIds(List<&PROVIDER_CreateZubATALogicalPortInstance>()), std::vector<std::wstring>{L"61"});
  abru2sim::SetCallHook("SsiGetEndDeviceHandles", nullptr, nullptr);

  // Nothing built: no port and no PHY, only a controller's port and
  // unattached PHYs (no disk).
  for (const char* json : {R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "port": null}]})",
                           R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "phy_count": 2}]})"}) {
    SCOPED_TRACE(json);
    LoadAndList(json);
    EXPECT_EQ(List<&PROVIDER_CreateZubATALogicalPortInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
    EXPECT_EQ(List<&PROVIDER_CreateZubSCSILogicalPortInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  }
}

}  // namespace logical

// The protocol controllers and endpoints of both families: one controller
// per DA port, one endpoint per DA port and then per logical port, each in
// the family of its protocol and with that family's texts.
namespace protocol {

using ProtocolTest = zubtest::AssociationFixture;

// Two SATA volumes on one first disk (11) and a Serial Tunneling volume.
const char* const kTopology = R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 1, "raid_info": {"handle": 9}, "port": {"handle": 100},
     "disks": [{"handle": 11, "phy": {"handle": 51, "protocol": 1}, "port": {"handle": 61}},
               {"handle": 12, "phy": {"handle": 52, "protocol": 1}, "port": {"handle": 62}},
               {"handle": 13, "phy": {"handle": 53, "protocol": 1}, "port": null}],
     "volumes": [{"name": "First", "level": 1, "disks": [11, 12], "state": 2},
                 {"name": "Second", "level": 1, "disks": [11]}]},
    {"handle": 2, "type": 2, "raid_info": {"handle": 19},
     "disks": [{"handle": 21, "phy": {"handle": 71, "protocol": 3}, "port": {"handle": 81}},
               {"handle": 22, "port": {"handle": 82}}],
     "volumes": [{"name": "Tunnel", "level": 2, "disks": [21, 22]}]}]})";

TEST_F(ProtocolTest, OneControllerPerDAPortInItsFamily) {
  LoadAndList(kTopology);
  const auto ata = List<&PROVIDER_CreateZubATAProtocolControllerInstance>();
  const auto scsi = List<&PROVIDER_CreateZubSCSIProtocolControllerInstance>();
  ASSERT_EQ(ata.GetCount(), 2u);  // one per volume on disk 11
  ASSERT_EQ(scsi.GetCount(), 1u);
  const std::initializer_list<const char*> shown = {"DeviceID", "CreationClassName", "SystemCreationClassName", "Name",
                                                     "Caption", "PhyCount", "ControllerHandle", "Protocol", "HealthState"};
  EXPECT_EQ(Fields(ata[0], shown),
            L"DeviceID=11; CreationClassName=ZUB_ATAProtocolController; SystemCreationClassName=ATAController_11; "
            L"Name=ATAController_11; Caption=ATA Protocol Controller; PhyCount=3; ControllerHandle=1; Protocol=1; "
            L"HealthState=10");
  EXPECT_EQ(Fields(ata[1], {"DeviceID", "HealthState"}), L"DeviceID=11; HealthState=5");
  EXPECT_EQ(Fields(scsi[0], shown),
            L"DeviceID=21; CreationClassName=ZUB_SCSIProtocolController; SystemCreationClassName=SCSIController_21; "
            L"Name=SCSIController_21; Caption=SCSI Protocol Controller; PhyCount=2; ControllerHandle=2; Protocol=3; "
            L"HealthState=5");
  ExpectSessionsBalanced();
}

TEST_F(ProtocolTest, EndpointsOfDAPortsThenOfLogicalPortsInTheirFamily) {
  LoadAndList(kTopology);
  const auto ata = List<&PROVIDER_CreateZubATAProtocolEndpointInstance>();
  const auto scsi = List<&PROVIDER_CreateZubSCSIProtocolEndpointInstance>();
  const auto check = [](const CArrayT<stZUB_ProtocolEndpoint>& got, std::vector<std::wstring> want) {
    std::vector<std::wstring> fields;
    for (const auto& e : got) fields.push_back(Fields(e, {"Name", "SystemCreationClassName", "SourceValue", "IsDAPortEndpoint"}) +
                                               L"; " + e.Description.Str());
    EXPECT_EQ(fields, want);
  };
  const std::wstring da = L" Endpoint for DA Port", logical = L" Endpoint for Logical Port";
  check(ata, {L"Name=SATA_DAPort_61; SystemCreationClassName=SATAEndpoint_61; SourceValue=10; IsDAPortEndpoint=1; SATA" + da,
              L"Name=SATA_DAPort_61; SystemCreationClassName=SATAEndpoint_61; SourceValue=5; IsDAPortEndpoint=1; SATA" + da,
              L"Name=SATA_Logical_61; SystemCreationClassName=SATAEndpoint_61; SourceValue=5; IsDAPortEndpoint=0; SATA" + logical,
              L"Name=SATA_Logical_62; SystemCreationClassName=SATAEndpoint_62; SourceValue=5; IsDAPortEndpoint=0; SATA" + logical});
  check(scsi, {L"Name=SCSI_DAPort_81; SystemCreationClassName=SCSIEndpoint_81; SourceValue=5; IsDAPortEndpoint=1; SCSI" + da,
               L"Name=SCSI_Logical_81; SystemCreationClassName=SCSIEndpoint_81; SourceValue=5; IsDAPortEndpoint=0; SCSI" + logical,
               L"Name=SCSI_Logical_82; SystemCreationClassName=SCSIEndpoint_82; SourceValue=5; IsDAPortEndpoint=0; SCSI" + logical});
  ASSERT_EQ(ata.GetCount() * scsi.GetCount(), 12u);
  EXPECT_EQ(ata[0].CreationClassName.Str(), L"ZUB_ATAProtocolEndpoint");
  EXPECT_EQ(ata[0].ProtocolIFType * 10 + scsi[0].ProtocolIFType, 38u);
  EXPECT_EQ(ata[0].AttachedHandle.Str(), L"11");
  EXPECT_EQ(ata[3].AttachedHandle.Str() + L" " + ata[3].PortHandle.Str(), L"12 62");
  EXPECT_EQ(ata[3].StatusList.GetCount(), 4u);  // a logical port's
  EXPECT_EQ(scsi[0].CreationClassName.Str(), L"ZUB_SCSIProtocolEndpoint");
  EXPECT_EQ(scsi[0].ControllerHandle.Str(), L"2");
  EXPECT_EQ(scsi[0].Protocol, 3);
  EXPECT_EQ(scsi[2].Protocol, 2);
}

TEST_F(ProtocolTest, WithoutVolumesOnlyLogicalPortsHaveEndpoints) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "disks": [{"handle": 11, "port": {"handle": 61}}]}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubATAProtocolControllerInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubSCSIProtocolControllerInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  const auto ata = List<&PROVIDER_CreateZubATAProtocolEndpointInstance>();
  ASSERT_EQ(ata.GetCount(), 1u);
  EXPECT_EQ(ata[0].Name.Str(), L"SATA_Logical_61");
  EXPECT_EQ(List<&PROVIDER_CreateZubSCSIProtocolEndpointInstance>(PROVIDER_SUCCESS).GetCount(), 0u);

  // A SATA volume: the SCSI controllers have a DA port to build from, and keep none.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "raid_info": {"handle": 9}, "disks": [{"handle": 11}], "volumes": [{"disks": [11]}]}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubSCSIProtocolControllerInstance>(PROVIDER_SUCCESS).GetCount(), 0u);
}

}  // namespace protocol

// The endpoints' associations: with the DA ports and logical ports of their
// port, with the protocol controllers of their disk, and with the system of
// their controller; each family joins only its own protocols.
namespace access_points {

using AccessPointTest = zubtest::AssociationFixture;
using zubtest::Pairs;

// A SATA volume on disks 11 and 12; a volume whose first disk (22) speaks
// Serial SCSI, and a SAS disk (21).
const char* const kTopology = R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "AHCI", "type": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11, "port": {"handle": 61}}, {"handle": 12, "port": {"handle": 62}}],
     "volumes": [{"name": "Sata", "disks": [11, 12]}]},
    {"handle": 2, "name": "DOX", "type": 2, "raid_info": {"handle": 19},
     "disks": [{"handle": 21, "port": {"handle": 81}},
               {"handle": 22, "phy": {"handle": 72, "protocol": 4}, "port": {"handle": 82}}],
     "volumes": [{"name": "Sas", "disks": [22, 21]}]}]})";

TEST_F(AccessPointTest, EndpointsJoinTheDAPortsAndLogicalPortsOfTheirPort) {
  LoadAndList(kTopology);
  const auto ata = List<&PROVIDER_CreateZubATADeviceSAPImplementationInstance>();
  EXPECT_EQ(Pairs(ata, &stZUB_DeviceSAPImplementation::Dependent, &stZUB_DeviceSAPImplementation::Antecedent),
            (std::vector<std::wstring>{
                L"ZUB_ATAProtocolEndpoint SATA_DAPort_61 | ZUB_DAPort 61",
                L"ZUB_ATAProtocolEndpoint SATA_Logical_61 | ZUB_DAPort 61",
                L"ZUB_ATAProtocolEndpoint SATA_DAPort_61 | ZUB_ATALogicalPort 61",
                L"ZUB_ATAProtocolEndpoint SATA_Logical_61 | ZUB_ATALogicalPort 61",
                L"ZUB_ATAProtocolEndpoint SATA_Logical_62 | ZUB_ATALogicalPort 62"}));
  ASSERT_FALSE(ata.GetCount() == 0);
  EXPECT_EQ(ata[0].Dependent.Str(),
            Path(L"ZUB_ATAProtocolEndpoint.CreationClassName=\"ZUB_ATAProtocolEndpoint\",Name=\"SATA_DAPort_61\","
                 L"SystemCreationClassName=\"SATAEndpoint_61\",SystemName=\"Corvo_ZUBe3.0\""));

  const auto scsi = List<&PROVIDER_CreateZubSCSIDeviceSAPImplementationInstance>();
  EXPECT_EQ(Pairs(scsi, &stZUB_DeviceSAPImplementation::Dependent, &stZUB_DeviceSAPImplementation::Antecedent),
            (std::vector<std::wstring>{
                L"ZUB_SCSIProtocolEndpoint SCSI_DAPort_82 | ZUB_DAPort 82",
                L"ZUB_SCSIProtocolEndpoint SCSI_Logical_82 | ZUB_DAPort 82",
                L"ZUB_SCSIProtocolEndpoint SCSI_Logical_81 | ZUB_SCSILogicalPort 81",
                L"ZUB_SCSIProtocolEndpoint SCSI_DAPort_82 | ZUB_SCSILogicalPort 82",
                L"ZUB_SCSIProtocolEndpoint SCSI_Logical_82 | ZUB_SCSILogicalPort 82"}));
}

// Only DA-port endpoints are available to the controller of their disk; a
// logical-port endpoint on the same disk is not.
TEST_F(AccessPointTest, ProtocolControllersOfferTheDAPortEndpointsOfTheirDisk) {
  LoadAndList(kTopology);
  const auto ata = List<&PROVIDER_CreateZubATASAPAvailableForElementInstance>();
  EXPECT_EQ(Pairs(ata, &stZUB_SAPAvailableForElement::ManagedElement, &stZUB_SAPAvailableForElement::AvailableSAP),
            std::vector<std::wstring>{L"ZUB_ATAProtocolController 11 | ZUB_ATAProtocolEndpoint SATA_DAPort_61"});
  const auto scsi = List<&PROVIDER_CreateZubSCSISAPAvailableForElementInstance>();
  EXPECT_EQ(Pairs(scsi, &stZUB_SAPAvailableForElement::ManagedElement, &stZUB_SAPAvailableForElement::AvailableSAP),
            std::vector<std::wstring>{L"ZUB_SCSIProtocolController 22 | ZUB_SCSIProtocolEndpoint SCSI_DAPort_82"});
}

TEST_F(AccessPointTest, EachSystemHostsTheEndpointsOfItsControllerScsiFirst) {
  LoadAndList(kTopology);
  const auto hosted = List<&PROVIDER_CreateZubHostedAccessPointInstance>();
  EXPECT_EQ(Pairs(hosted, &stZUB_HostedAccessPoint::Antecedent, &stZUB_HostedAccessPoint::Dependent),
            (std::vector<std::wstring>{
                L"ZUB_ComputerSystem AHCI | ZUB_ProtocolEndpoint SATA_DAPort_61",
                L"ZUB_ComputerSystem AHCI | ZUB_ProtocolEndpoint SATA_Logical_61",
                L"ZUB_ComputerSystem AHCI | ZUB_ProtocolEndpoint SATA_Logical_62",
                L"ZUB_ComputerSystem DOX | ZUB_ProtocolEndpoint SCSI_DAPort_82",
                L"ZUB_ComputerSystem DOX | ZUB_ProtocolEndpoint SCSI_Logical_81",
                L"ZUB_ComputerSystem DOX | ZUB_ProtocolEndpoint SCSI_Logical_82"}));
  ASSERT_EQ(hosted.GetCount(), 6u);
  EXPECT_EQ(hosted[3].Dependent.Str(),  // the general class, Name first, then the endpoint's other keys
            Path(L"ZUB_ProtocolEndpoint.Name=\"SCSI_DAPort_82\",CreationClassName=\"ZUB_SCSIProtocolEndpoint\","
                 L"SystemCreationClassName=\"SCSIEndpoint_82\",SystemName=\"Corvo_ZUBe3.0\""));

  // Within one system, SCSI endpoints come before ATA ones.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "name": "Mixed",
    "disks": [{"handle": 11, "port": {"handle": 61}},
              {"handle": 12, "phy": {"handle": 52, "protocol": 2}, "port": {"handle": 62}}]}]})");
  EXPECT_EQ(Pairs(List<&PROVIDER_CreateZubHostedAccessPointInstance>(), &stZUB_HostedAccessPoint::Antecedent,
                  &stZUB_HostedAccessPoint::Dependent),
            (std::vector<std::wstring>{L"ZUB_ComputerSystem Mixed | ZUB_ProtocolEndpoint SCSI_Logical_62",
                                       L"ZUB_ComputerSystem Mixed | ZUB_ProtocolEndpoint SATA_Logical_61"}));
}

TEST_F(AccessPointTest, NothingToJoin) {
  // Logical ports and their endpoints, but no volume: no DA port, no
  // protocol controller.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "disks": [{"handle": 11}]}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubATASAPAvailableForElementInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubSCSIDeviceSAPImplementationInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubATADeviceSAPImplementationInstance>().GetCount(), 1u);
}

}  // namespace access_points

// The port controllers' and protocol controllers' associations: every
// logical port under every port controller, protocol controllers and the
// volumes of their controller, and each port controller as its system.
namespace associations {

using PortAssociationTest = zubtest::AssociationFixture;
using zubtest::Pairs;
using zubtest::Short;

const char* const kTopology = R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "AHCI", "type": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11, "port": {"handle": 61, "address": [0, 1, 0, 0]}},
               {"handle": 12, "port": {"handle": 62, "address": [0, 2, 0, 0]}}],
     "volumes": [{"handle": 15, "name": "Sata", "disks": [11, 12]}]},
    {"handle": 2, "name": "DOX", "type": 2, "raid_info": {"handle": 19},
     "disks": [{"handle": 21, "address64": 7021, "port": {"handle": 81}}],
     "volumes": [{"handle": 25, "name": "Sas", "disks": [21]}]}]})";

TEST_F(PortAssociationTest, EveryLogicalPortIsControlledByEveryPortController) {
  LoadAndList(kTopology);
  const auto links = List<&PROVIDER_CreateZubControlledByInstance>();
  std::vector<std::wstring> got;
  for (const stZUB_ControlledBy& l : links) {
    got.push_back(Short(l.Antecedent) + L" | " + Short(l.Dependent) + L" | " + l.DeviceNumber.Str());
    EXPECT_EQ(l.AccessState, 1u);
  }
  EXPECT_EQ(got, (std::vector<std::wstring>{
                     L"ZUB_PortController 1 | ZUB_ATALogicalPort 61 | 0-1-0-0",
                     L"ZUB_PortController 1 | ZUB_ATALogicalPort 62 | 0-2-0-0",
                     L"ZUB_PortController 1 | ZUB_SCSILogicalPort 81 | 7021",
                     L"ZUB_PortController 2 | ZUB_ATALogicalPort 61 | 0-1-0-0",
                     L"ZUB_PortController 2 | ZUB_ATALogicalPort 62 | 0-2-0-0",
                     L"ZUB_PortController 2 | ZUB_SCSILogicalPort 81 | 7021"}));
  ASSERT_EQ(links.GetCount(), 6u);
  EXPECT_EQ(links[2].Dependent.Str(),
            Path(L"ZUB_SCSILogicalPort.CreationClassName=\"ZUB_SCSILogicalPort\",DeviceID=\"81\","
                 L"SystemCreationClassName=\"SCSIPort_81\",SystemName=\"Corvo_ZUBe3.0\""));
}

TEST_F(PortAssociationTest, ProtocolControllersServeTheVolumesOfTheirControllerScsiFirst) {
  LoadAndList(kTopology);
  const auto units = List<&PROVIDER_CreateZubProtocolControllerForUnitInstance>();
  EXPECT_EQ(Pairs(units, &stZUB_ProtocolControllerForUnit::Antecedent, &stZUB_ProtocolControllerForUnit::Dependent),
            (std::vector<std::wstring>{L"ZUB_SCSIProtocolController 21 | ZUB_StorageVolume Sas_25",
                                       L"ZUB_ATAProtocolController 11 | ZUB_StorageVolume Sata_15"}));
  ASSERT_EQ(units.GetCount(), 2u);
  EXPECT_EQ(units[0].DeviceAccess + units[1].DeviceAccess, 4u);
  EXPECT_EQ(units[0].Antecedent.Str(),
            Path(L"ZUB_SCSIProtocolController.CreationClassName=\"ZUB_SCSIProtocolController\",DeviceID=\"21\","
                 L"SystemCreationClassName=\"SCSIController_21\",SystemName=\"Corvo_ZUBe3.0\""));
}

TEST_F(PortAssociationTest, EachPortControllerIsTheSystemOfItsController) {
  LoadAndList(kTopology);
  const auto same = List<&PROVIDER_CreateZubConcreteIdentityInstance>();
  EXPECT_EQ(Pairs(same, &stZUB_ConcreteIdentity::SystemElement, &stZUB_ConcreteIdentity::SameElement),
            (std::vector<std::wstring>{L"ZUB_ComputerSystem AHCI | ZUB_PortController 1",
                                       L"ZUB_ComputerSystem DOX | ZUB_PortController 2"}));
  ASSERT_EQ(same.GetCount(), 2u);
  EXPECT_EQ(same[1].SameElement.Str(),
            Path(L"ZUB_PortController.CreationClassName=\"ZUB_PortController\",DeviceID=\"2\","
                 L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"DOX\""));
}

// A port controller without logical ports controls nothing.
TEST_F(PortAssociationTest, NothingToJoin) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "port": null}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubControlledByInstance>(PROVIDER_SUCCESS).GetCount(), 0u);
}

}  // namespace associations

// The classes in the event monitor's table that only re-read their list (the
// locators and the port classes): each row holds its class, which raises no
// alert and lists the stack as it is after an event.
namespace events {

using PortEventsTest = zubtest::AssociationFixture;

CEventRegisterInterface* RowOf(const ClassDesc& cls) {
  for (const EventRegistrationRow& row : EventRegistrationTable()) {
    CEventRegisterInterface* r = row.registration ? row.registration() : nullptr;
    if (r && dynamic_cast<void*>(r) == dynamic_cast<void*>(cls.object())) return r;
  }
  return nullptr;
}

size_t Listed(const ClassDesc& cls) {
  size_t count = 0;
  EXPECT_EQ(cls.getData([&](const void*) { ++count; }), PROVIDER_SUCCESS);
  return count;
}

TEST_F(PortEventsTest, EachReReadingClassFollowsTheStackAfterAnEvent) {
  const char* const classes[] = {"ZUB_AlarmDevice",         "ZUB_DAPort",
                                 "ZUB_ATALogicalPort",      "ZUB_ATAProtocolController",
                                 "ZUB_ATAProtocolEndpoint", "ZUB_SCSILogicalPort",
                                 "ZUB_SCSIProtocolController", "ZUB_SCSIProtocolEndpoint"};
  LoadAndList(R"({"middleware_version": "1.0", "controllers": []})");
  for (const char* name : classes) FindClass(name)->object()->Update();

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 1, "raid_info": {"handle": 9}, "disks": [{"handle": 11}],
     "volumes": [{"name": "Sata", "disks": [11]}]},
    {"handle": 2, "type": 2, "raid_info": {"handle": 19}, "disks": [{"handle": 21}],
     "volumes": [{"name": "Sas", "disks": [21]}]}]})");
  for (const char* name : classes) {
    SCOPED_TRACE(name);
    const ClassDesc& cls = *FindClass(name);
    CEventRegisterInterface* events = RowOf(cls);
    ASSERT_NE(events, nullptr);
    EXPECT_EQ(Listed(cls), 0u);
    EXPECT_FALSE(events->DetectAlerts());
    events->RefreshAfterEvent();
    EXPECT_NE(Listed(cls), 0u);
  }
  ExpectSessionsBalanced();
}

}  // namespace events
