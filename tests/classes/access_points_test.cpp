// The endpoints' associations: with the DA ports and logical ports of their
// port, with the protocol controllers of their disk, and with the system of
// their controller; each family joins only its own protocols.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/ports/access_points.h"
#include "tests/classes/port_fixture.h"

namespace {

using AccessPointTest = zubtest::PortFixture;
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
  EXPECT_EQ(ata[0].Antecedent.Str(), Path(L"ZUB_DAPort.CreationClassName=\"ZUB_DAPort\",DeviceID=\"61\","
                                          L"SystemCreationClassName=\"Port_61\",SystemName=\"Corvo_ZUBe3.0\""));
  EXPECT_EQ(ata[2].Antecedent.Str(),
            Path(L"ZUB_ATALogicalPort.CreationClassName=\"ZUB_ATALogicalPort\",DeviceID=\"61\","
                 L"SystemCreationClassName=\"ATAPort_61\",SystemName=\"Corvo_ZUBe3.0\""));

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
  ASSERT_EQ(ata.GetCount(), 1u);
  EXPECT_EQ(ata[0].ManagedElement.Str(),
            Path(L"ZUB_ATAProtocolController.CreationClassName=\"ZUB_ATAProtocolController\",DeviceID=\"11\","
                 L"SystemCreationClassName=\"ATAController_11\",SystemName=\"Corvo_ZUBe3.0\""));
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
  EXPECT_EQ(hosted[3].Antecedent.Str(),
            Path(L"ZUB_ComputerSystem.CreationClassName=\"Corvo_ZUBe3.0\",Name=\"DOX\""));

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

  LoadAndList(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubHostedAccessPointInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(PROVIDER_CreateZubHostedAccessPointInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
}

}  // namespace
