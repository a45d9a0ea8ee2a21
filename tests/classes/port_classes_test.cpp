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

using zubtest::Brief;
using zubtest::Links;
using zubtest::Rows;
using zubtest::Table;
using PortTest = zubtest::AssociationFixture;

// The address text the port classes share, in the cases the simulation cannot
// give (it sets the flag to 1, and the 64-bit address to 0 without it).
TEST(PortRules, AddressText) {
  const uint8_t components[4] = {2, 3, 0, 12}, widest[4] = {255, 255, 255, 255};
  EXPECT_EQ(AddressText(components, 0, 5764607523034234880ull).Str(), L"2-3-0-12");  // no flag, no 64-bit address
  EXPECT_EQ(AddressText(components, 0x80000000u, 0).Str(), L"0");  // any non-zero flag; 0 written whole
  EXPECT_EQ(AddressText(widest, 0, 0).Str(), L"255-255-255-255");
}

// Controller 1 (AHCI, three PHYs): volumes "First" (degraded) and "Second"
// start on disk 11; "Portless" on disk 13, whose PHY belongs to no port.
// Controller 2 (DOX, two PHYs): a Serial Tunneling volume.
constexpr const char* kVolumes = R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11, "phy": {"handle": 51, "protocol": 1, "link": [2, 3]}, "port": {"handle": 61}},
               {"handle": 12, "phy": {"handle": 52, "protocol": 1}, "port": {"handle": 62}},
               {"handle": 13, "phy": {"handle": 53, "protocol": 1}, "port": null}],
     "volumes": [{"name": "First", "level": 1, "disks": [11, 12], "state": 2},
                 {"name": "Portless", "level": 1, "disks": [13, 12]},
                 {"name": "Second", "level": 1, "disks": [11]}]},
    {"handle": 2, "type": 2, "raid_info": {"handle": 19},
     "disks": [{"handle": 21, "phy": {"handle": 71, "protocol": 3}, "port": {"handle": 81}},
               {"handle": 22, "port": {"handle": 82}}],
     "volumes": [{"name": "Tunnel", "level": 2, "disks": [21, 22]}]}]})";

// One DA port per volume through its first disk's port (the volumes after a
// portless one still get theirs), one protocol controller per DA port, and
// one endpoint per DA port and then per logical port, each in the family of
// its PHY's protocol.
TEST_F(PortTest, DAPortsTheirProtocolControllersAndEndpoints) {
  LoadAndList(kVolumes);
  abru2sim::ResetCounters();
  const auto ports = List<&PROVIDER_CreateZubDAPortInstance>();
  EXPECT_EQ(Table(ports, {"DeviceID", "HealthState", "Speed", "MaxSpeed", "Protocol", "ProtocolName", "Caption",
                         "ControllerHandle", "AttachedHandle"}),
            (Rows{L"61|10|300000000000000|600000000000000|1|ATA|SATA Port|1|11",
                   L"61|5|300000000000000|600000000000000|1|ATA|SATA Port|1|11",
                   L"81|5|600000000000000|600000000000000|3|SCSI|Serial Tunneling Port|2|21"}));
  EXPECT_EQ(Calls("SsiGetPortHandles"), 2u);  // the ports read once for all four volumes: a count and a fetch

  const std::initializer_list<const char*> controller = {"DeviceID", "CreationClassName", "SystemCreationClassName",
                                                         "Name", "PhyCount", "ControllerHandle", "Protocol",
                                                         "HealthState"};
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubATAProtocolControllerInstance>(), controller),
            (Rows{L"11|ZUB_ATAProtocolController|ATAController_11|ATAController_11|3|1|1|10",
                   L"11|ZUB_ATAProtocolController|ATAController_11|ATAController_11|3|1|1|5"}));
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubSCSIProtocolControllerInstance>(), controller),
            Rows{L"21|ZUB_SCSIProtocolController|SCSIController_21|SCSIController_21|2|2|3|5"});

  const std::initializer_list<const char*> endpoint = {"Name", "SystemCreationClassName", "SourceValue", "StatusList",
                                                       "ProtocolIFType", "AttachedHandle", "ControllerHandle",
                                                       "Description"};
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubATAProtocolEndpointInstance>(), endpoint),
            (Rows{L"SATA_DAPort_61|SATAEndpoint_61|10|2|3|11|1|SATA Endpoint for DA Port",
                   L"SATA_DAPort_61|SATAEndpoint_61|5|2|3|11|1|SATA Endpoint for DA Port",
                   L"SATA_Logical_61|SATAEndpoint_61|5|0,2,3,6|3|11|1|SATA Endpoint for Logical Port",
                   L"SATA_Logical_62|SATAEndpoint_62|5|0,2,3,6|3|12|1|SATA Endpoint for Logical Port"}));
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubSCSIProtocolEndpointInstance>(), endpoint),
            (Rows{L"SCSI_DAPort_81|SCSIEndpoint_81|5|2|8|21|2|SCSI Endpoint for DA Port",
                   L"SCSI_Logical_81|SCSIEndpoint_81|5|0,2,3,6|8|21|2|SCSI Endpoint for Logical Port",
                   L"SCSI_Logical_82|SCSIEndpoint_82|5|0,2,3,6|8|22|2|SCSI Endpoint for Logical Port"}));
}

// A volume whose setting names no member disk gets no DA port and the next
// one still does; a first disk not among its controller's disks (its RAID
// info names the other controller) ends the list with 4, what was listed
// kept; ports that cannot be fetched end it with 1, and a setting more than
// volumes with 4, both with nothing listed.
TEST_F(PortTest, DAPortsOfOddSettingsAndTheStatusesThatEndTheList) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11, "port": {"handle": 61}}, {"handle": 12, "port": {"handle": 62}},
               {"handle": 13, "raid_info_handle": 19}],
     "volumes": [{"name": "Bare", "disks": [11]}, {"name": "Clad", "disks": [12]}, {"name": "Astray", "disks": [13]}]},
    {"handle": 2, "raid_info": {"handle": 19}}]})");
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubDAPortInstance>(PROVIDER_NOT_FOUND), {"DeviceID"}), (Rows{L"61", L"62"}));

  ClearSettings();  // the volumes filed theirs: "Bare" gets one without disks instead, the others file theirs again
  stZUB_StorageSetting setting;
  setting.InstanceID = L"VolumeSetting_Bare";
  setting.VolumeName = L"Bare";
  setting.ControllerHandle = L"1";
  AddSetting(SettingList::Volume, setting);
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubDAPortInstance>(PROVIDER_NOT_FOUND), {"DeviceID"}), Rows{L"62"});

  zubtest::NthCall fetch{2, [] { Fail("SsiGetPortHandles"); }};  // counted, then the fetch fails
  fetch.Install("SsiGetPortHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubDAPortInstance>(PROVIDER_FAILED).GetCount(), 0u);
  abru2sim::SetCallHook("SsiGetPortHandles", nullptr, nullptr);

  setting.InstanceID = L"VolumeSetting_Ghost";
  setting.VolumeName = L"Ghost";
  AddSetting(SettingList::Volume, setting);
  EXPECT_EQ(List<&PROVIDER_CreateZubDAPortInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

// Every logical port as built: a controller's own port once, before its
// first disk's, when it has disks; speeds and protocol from the disk's PHY;
// the disk's 64-bit address in place of its port's components, the
// controller port's own. The ATA class keeps the SATA ports, the SCSI class
// those of the three SCSI protocols, neither the controller ports nor a PHY
// of no known protocol.
TEST_F(PortTest, LogicalPortsOfEachFamily) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 1, "port": {"handle": 100},
     "disks": [{"handle": 11, "phy": {"handle": 51, "protocol": 1, "link": [1, 2]},
                "port": {"handle": 61, "address": [0, 1, 0, 0]}},
               {"handle": 12, "phy": {"handle": 52, "protocol": 0}, "port": {"handle": 62}}]},
    {"handle": 2, "type": 2, "port": {"handle": 200, "address": [1, 2, 3, 4], "address64": 5000},
     "disks": [{"handle": 21, "address64": 7021, "phy": {"handle": 71, "protocol": 2, "link": [0, 3]},
                "port": {"handle": 81, "address": [9, 9, 9, 9]}},
               {"handle": 22, "phy": {"handle": 72, "protocol": 3, "link": [2, 1]}, "port": {"handle": 82}},
               {"handle": 23, "phy": {"handle": 73, "protocol": 4}, "port": {"handle": 83}}]},
    {"handle": 3, "port": {"handle": 300}, "disks": []}]})");
  CArrayT<stZUB_LogicalPort> all;
  EXPECT_EQ(CLogicalPortBase::BuildAll(&all), PROVIDER_SUCCESS);
  EXPECT_EQ(Table(all, {"DeviceID", "UsageRestriction", "ControllerHandle", "AttachedHandle", "Address", "Speed",
                       "MaxSpeed", "Protocol"}),
            (Rows{L"100|3|1|1|0-0-0-0|0|0|0",
                   L"61|2|1|11|0-1-0-0|150000000000000|300000000000000|1",
                   L"62|2|1|12|0-0-0-0|600000000000000|600000000000000|0",
                   L"200|3|2|2|5000|0|0|0",
                   L"81|2|2|21|7021|0|600000000000000|2",
                   L"82|2|2|22|0-0-0-0|300000000000000|150000000000000|3",
                   L"83|2|2|23|0-0-0-0|600000000000000|600000000000000|4"}));
  const std::initializer_list<const char*> stamped = {"DeviceID", "CreationClassName", "SystemCreationClassName",
                                                      "Caption"};
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubATALogicalPortInstance>(), stamped),
            Rows{L"61|ZUB_ATALogicalPort|ATAPort_61|ATA EndDevice Port"});
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubSCSILogicalPortInstance>(), stamped),
            (Rows{L"81|ZUB_SCSILogicalPort|SCSIPort_81|SCSI EndDevice Port",
                   L"82|ZUB_SCSILogicalPort|SCSIPort_82|SCSI EndDevice Port",
                   L"83|ZUB_SCSILogicalPort|SCSIPort_83|SCSI EndDevice Port"}));

  // The second controller's disks are counted, then fetching them fails: the
  // first controller's ports are built, and the ATA class still lists its own.
  zubtest::NthCall fetch{4, [] { Fail("SsiGetEndDeviceHandles"); }};
  fetch.Install("SsiGetEndDeviceHandles");
  EXPECT_EQ(CLogicalPortBase::BuildAll(&all), PROVIDER_FAILED);
  EXPECT_EQ(Table(all, {"DeviceID"}), (Rows{L"100", L"61", L"62"}));
  fetch.seen = 0;
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubATALogicalPortInstance>(), {"DeviceID"}), Rows{L"61"});
}

// Each class and association with nothing to build from, or nothing to join.
// (Every family class is one template: what one kind of class lists with
// nothing built, or nothing of its family kept, every kind does.)
TEST_F(PortTest, NothingToBuildOrToJoin) {
  // A SATA disk and no volume: logical ports and their endpoints, nothing of
  // the SCSI family kept, and no DA port, so no protocol controller.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "disks": [{"handle": 11}]}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubSCSILogicalPortInstance>(PROVIDER_SUCCESS).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubATAProtocolControllerInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubATAProtocolEndpointInstance>().GetCount(), 1u);
  EXPECT_EQ(List<&PROVIDER_CreateZubATADeviceSAPImplementationInstance>().GetCount(), 1u);
  EXPECT_EQ(List<&PROVIDER_CreateZubSCSIDeviceSAPImplementationInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubATASAPAvailableForElementInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  // No logical port is built from no port and no PHY, nor from a controller's
  // port and unattached PHYs; a port controller then controls nothing.
  for (const char* json : {R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "port": null}]})",
                           R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "phy_count": 2}]})"}) {
    SCOPED_TRACE(json);
    LoadAndList(json);
    EXPECT_EQ(List<&PROVIDER_CreateZubATALogicalPortInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
    EXPECT_EQ(List<&PROVIDER_CreateZubSCSILogicalPortInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
    EXPECT_EQ(List<&PROVIDER_CreateZubControlledByInstance>(PROVIDER_SUCCESS).GetCount(), 0u);
  }
}

// Controller 1 (AHCI): a volume on disks 11 (SATA) and 12 (SAS). Controller 2
// (DOX): a volume whose first disk (22) speaks Serial SCSI, then a SAS disk
// (21) with a 64-bit address.
constexpr const char* kJoins = R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "AHCI", "type": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11, "port": {"handle": 61, "address": [0, 1, 0, 0]}},
               {"handle": 12, "phy": {"handle": 52, "protocol": 2}, "port": {"handle": 62, "address": [0, 2, 0, 0]}}],
     "volumes": [{"handle": 15, "name": "Sata", "disks": [11, 12]}]},
    {"handle": 2, "name": "DOX", "type": 2, "raid_info": {"handle": 19},
     "disks": [{"handle": 21, "address64": 7021, "port": {"handle": 81}},
               {"handle": 22, "phy": {"handle": 72, "protocol": 4}, "port": {"handle": 82}}],
     "volumes": [{"handle": 25, "name": "Sas", "disks": [22, 21]}]}]})";

// Each family joins its endpoints with the DA port and then the logical port
// of their port, offers its controllers the DA-port endpoints of their disk
// (not a logical-port endpoint on the same disk), and each system hosts the
// endpoints of its controller, SCSI before ATA. Every logical port is
// controlled by every port controller, at the port's address; protocol
// controllers serve the volumes of their controller, SCSI first; each port
// controller is the system of its controller.
TEST_F(PortTest, EndpointsAndControllersWithWhatTheyServe) {
  LoadAndList(kJoins);
  const auto ata = List<&PROVIDER_CreateZubATADeviceSAPImplementationInstance>();
  EXPECT_EQ(Links(ata, &stZUB_DeviceSAPImplementation::Dependent, &stZUB_DeviceSAPImplementation::Antecedent),
            (Rows{L"ZUB_ATAProtocolEndpoint SATA_DAPort_61|ZUB_DAPort 61",
                   L"ZUB_ATAProtocolEndpoint SATA_Logical_61|ZUB_DAPort 61",
                   L"ZUB_ATAProtocolEndpoint SATA_DAPort_61|ZUB_ATALogicalPort 61",
                   L"ZUB_ATAProtocolEndpoint SATA_Logical_61|ZUB_ATALogicalPort 61"}));
  ASSERT_FALSE(ata.GetCount() == 0);
  EXPECT_EQ(ata[0].Dependent.Str(),
            Path(L"ZUB_ATAProtocolEndpoint.CreationClassName=\"ZUB_ATAProtocolEndpoint\",Name=\"SATA_DAPort_61\","
                 L"SystemCreationClassName=\"SATAEndpoint_61\",SystemName=\"Corvo_ZUBe3.0\""));
  EXPECT_EQ(Links(List<&PROVIDER_CreateZubSCSIDeviceSAPImplementationInstance>(),
                  &stZUB_DeviceSAPImplementation::Dependent, &stZUB_DeviceSAPImplementation::Antecedent),
            (Rows{L"ZUB_SCSIProtocolEndpoint SCSI_DAPort_82|ZUB_DAPort 82",
                   L"ZUB_SCSIProtocolEndpoint SCSI_Logical_82|ZUB_DAPort 82",
                   L"ZUB_SCSIProtocolEndpoint SCSI_Logical_62|ZUB_SCSILogicalPort 62",
                   L"ZUB_SCSIProtocolEndpoint SCSI_Logical_81|ZUB_SCSILogicalPort 81",
                   L"ZUB_SCSIProtocolEndpoint SCSI_DAPort_82|ZUB_SCSILogicalPort 82",
                   L"ZUB_SCSIProtocolEndpoint SCSI_Logical_82|ZUB_SCSILogicalPort 82"}));

  EXPECT_EQ(Links(List<&PROVIDER_CreateZubATASAPAvailableForElementInstance>(),
                  &stZUB_SAPAvailableForElement::ManagedElement, &stZUB_SAPAvailableForElement::AvailableSAP),
            Rows{L"ZUB_ATAProtocolController 11|ZUB_ATAProtocolEndpoint SATA_DAPort_61"});
  EXPECT_EQ(Links(List<&PROVIDER_CreateZubSCSISAPAvailableForElementInstance>(),
                  &stZUB_SAPAvailableForElement::ManagedElement, &stZUB_SAPAvailableForElement::AvailableSAP),
            Rows{L"ZUB_SCSIProtocolController 22|ZUB_SCSIProtocolEndpoint SCSI_DAPort_82"});

  const auto hosted = List<&PROVIDER_CreateZubHostedAccessPointInstance>();
  EXPECT_EQ(Links(hosted, &stZUB_HostedAccessPoint::Antecedent, &stZUB_HostedAccessPoint::Dependent),
            (Rows{L"ZUB_ComputerSystem AHCI|ZUB_ProtocolEndpoint SCSI_Logical_62",
                   L"ZUB_ComputerSystem AHCI|ZUB_ProtocolEndpoint SATA_DAPort_61",
                   L"ZUB_ComputerSystem AHCI|ZUB_ProtocolEndpoint SATA_Logical_61",
                   L"ZUB_ComputerSystem DOX|ZUB_ProtocolEndpoint SCSI_DAPort_82",
                   L"ZUB_ComputerSystem DOX|ZUB_ProtocolEndpoint SCSI_Logical_81",
                   L"ZUB_ComputerSystem DOX|ZUB_ProtocolEndpoint SCSI_Logical_82"}));
  ASSERT_EQ(hosted.GetCount(), 6u);
  EXPECT_EQ(hosted[3].Dependent.Str(),  // the general class, Name first, then the endpoint's other keys
            Path(L"ZUB_ProtocolEndpoint.Name=\"SCSI_DAPort_82\",CreationClassName=\"ZUB_SCSIProtocolEndpoint\","
                 L"SystemCreationClassName=\"SCSIEndpoint_82\",SystemName=\"Corvo_ZUBe3.0\""));

  const auto links = List<&PROVIDER_CreateZubControlledByInstance>();
  Rows controlled;
  for (const stZUB_ControlledBy& l : links)
    controlled.push_back(Brief(l.Antecedent) + L"|" + Brief(l.Dependent) + L"|" + l.DeviceNumber.Str());
  EXPECT_EQ(controlled, (Rows{L"ZUB_PortController 1|ZUB_ATALogicalPort 61|0-1-0-0",
                               L"ZUB_PortController 1|ZUB_SCSILogicalPort 62|0-2-0-0",
                               L"ZUB_PortController 1|ZUB_SCSILogicalPort 81|7021",
                               L"ZUB_PortController 1|ZUB_SCSILogicalPort 82|0-0-0-0",
                               L"ZUB_PortController 2|ZUB_ATALogicalPort 61|0-1-0-0",
                               L"ZUB_PortController 2|ZUB_SCSILogicalPort 62|0-2-0-0",
                               L"ZUB_PortController 2|ZUB_SCSILogicalPort 81|7021",
                               L"ZUB_PortController 2|ZUB_SCSILogicalPort 82|0-0-0-0"}));
  ASSERT_EQ(links.GetCount(), 8u);
  EXPECT_EQ(links[2].Dependent.Str(),
            Path(L"ZUB_SCSILogicalPort.CreationClassName=\"ZUB_SCSILogicalPort\",DeviceID=\"81\","
                 L"SystemCreationClassName=\"SCSIPort_81\",SystemName=\"Corvo_ZUBe3.0\""));

  const auto units = List<&PROVIDER_CreateZubProtocolControllerForUnitInstance>();
  EXPECT_EQ(Links(units, &stZUB_ProtocolControllerForUnit::Antecedent, &stZUB_ProtocolControllerForUnit::Dependent),
            (Rows{L"ZUB_SCSIProtocolController 22|ZUB_StorageVolume Sas_25",
                   L"ZUB_ATAProtocolController 11|ZUB_StorageVolume Sata_15"}));
  ASSERT_EQ(units.GetCount(), 2u);
  EXPECT_EQ(units[0].Antecedent.Str(),
            Path(L"ZUB_SCSIProtocolController.CreationClassName=\"ZUB_SCSIProtocolController\",DeviceID=\"22\","
                 L"SystemCreationClassName=\"SCSIController_22\",SystemName=\"Corvo_ZUBe3.0\""));

  const auto same = List<&PROVIDER_CreateZubConcreteIdentityInstance>();
  EXPECT_EQ(Links(same, &stZUB_ConcreteIdentity::SystemElement, &stZUB_ConcreteIdentity::SameElement),
            (Rows{L"ZUB_ComputerSystem AHCI|ZUB_PortController 1",
                   L"ZUB_ComputerSystem DOX|ZUB_PortController 2"}));
  ASSERT_EQ(same.GetCount(), 2u);
  EXPECT_EQ(same[1].SameElement.Str(),
            Path(L"ZUB_PortController.CreationClassName=\"ZUB_PortController\",DeviceID=\"2\","
                 L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"DOX\""));
}

// The classes in the event monitor's table that only re-read their list (the
// locators and the port classes): each row holds its class, which raises no
// alert and lists the stack as it is after an event.
TEST_F(PortTest, EachReReadingClassFollowsTheStackAfterAnEvent) {
  const char* const classes[] = {"ZUB_AlarmDevice", "ZUB_DAPort", "ZUB_ATALogicalPort", "ZUB_ATAProtocolController",
                                 "ZUB_ATAProtocolEndpoint", "ZUB_SCSILogicalPort", "ZUB_SCSIProtocolController",
                                 "ZUB_SCSIProtocolEndpoint"};
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
    CEventRegisterInterface* events = nullptr;
    for (const EventRegistrationRow& row : EventRegistrationTable()) {
      CEventRegisterInterface* r = row.registration ? row.registration() : nullptr;
      if (r && dynamic_cast<void*>(r) == dynamic_cast<void*>(cls.object())) events = r;
    }
    ASSERT_NE(events, nullptr);
    size_t listed = 0;
    EXPECT_EQ(cls.getData([&](const void*) { ++listed; }), PROVIDER_SUCCESS);
    EXPECT_EQ(listed, 0u);
    EXPECT_FALSE(events->DetectAlerts());
    events->RefreshAfterEvent();
    EXPECT_EQ(cls.getData([&](const void*) { ++listed; }), PROVIDER_SUCCESS);
    EXPECT_NE(listed, 0u);
  }
  ExpectSessionsBalanced();
}
