// The protocol controllers and endpoints of both families: one controller
// per DA port, one endpoint per DA port and then per logical port, each in
// the family of its protocol and with that family's texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/ports/protocol_controller.h"
#include "classes/ports/protocol_endpoint.h"
#include "tests/classes/port_fixture.h"

namespace {

using ProtocolTest = zubtest::PortFixture;

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
  for (const stZUB_ProtocolController& c : ata) {
    EXPECT_EQ(c.DeviceID.Str(), L"11");
    EXPECT_EQ(c.CreationClassName.Str(), L"ZUB_ATAProtocolController");
    EXPECT_EQ(c.SystemCreationClassName.Str(), L"ATAController_11");
    EXPECT_EQ(c.Name.Str(), L"ATAController_11");
    EXPECT_EQ(c.SystemName.Str(), L"Corvo_ZUBe3.0");
    EXPECT_EQ(c.Caption.Str(), L"ATA Protocol Controller");
    EXPECT_EQ(c.Description.Str(), L"ATA Protocol Controller");
    EXPECT_EQ(c.NameFormat.Str(), L"Class Name | DeviceID");
    EXPECT_EQ(c.PhyCount, 3u);
    EXPECT_EQ(c.ControllerHandle.Str(), L"1");
    EXPECT_EQ(c.Protocol, 1);
    ASSERT_EQ(c.StatusList.GetCount(), 1u);
    EXPECT_EQ(c.StatusList[0], 2u);
  }
  EXPECT_EQ(ata[0].HealthState, 10u);
  EXPECT_EQ(ata[1].HealthState, 5u);
  EXPECT_EQ(scsi[0].DeviceID.Str(), L"21");
  EXPECT_EQ(scsi[0].CreationClassName.Str(), L"ZUB_SCSIProtocolController");
  EXPECT_EQ(scsi[0].Name.Str(), L"SCSIController_21");
  EXPECT_EQ(scsi[0].Caption.Str(), L"SCSI Protocol Controller");
  EXPECT_EQ(scsi[0].PhyCount, 2u);
  EXPECT_EQ(scsi[0].Protocol, 3);
  ExpectSessionsBalanced();
}

TEST_F(ProtocolTest, EndpointsOfDAPortsThenOfLogicalPortsInTheirFamily) {
  LoadAndList(kTopology);
  const auto ata = List<&PROVIDER_CreateZubATAProtocolEndpointInstance>();
  const auto scsi = List<&PROVIDER_CreateZubSCSIProtocolEndpointInstance>();
  struct Expected {
    const wchar_t* name;
    const wchar_t* system;
    const wchar_t* description;
    uint64_t source;
    uint8_t daPort;
  };
  const auto check = [](const CArrayT<stZUB_ProtocolEndpoint>& got, const std::vector<Expected>& want) {
    ASSERT_EQ(got.GetCount(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(got[i].Name.Str(), want[i].name);
      EXPECT_EQ(got[i].SystemCreationClassName.Str(), want[i].system);
      EXPECT_EQ(got[i].Description.Str(), want[i].description);
      EXPECT_EQ(got[i].SourceValue, want[i].source);
      EXPECT_EQ(got[i].IsDAPortEndpoint, want[i].daPort);
      EXPECT_EQ(got[i].NameFormat.Str(), L"Protocol|Porthandle");
      EXPECT_EQ(got[i].EndpointKind, 3u);
      EXPECT_EQ(got[i].SystemName.Str(), L"Corvo_ZUBe3.0");
    }
  };
  check(ata, {{L"SATA_DAPort_61", L"SATAEndpoint_61", L"SATA Endpoint for DA Port", 10, 1},
              {L"SATA_DAPort_61", L"SATAEndpoint_61", L"SATA Endpoint for DA Port", 5, 1},
              {L"SATA_Logical_61", L"SATAEndpoint_61", L"SATA Endpoint for Logical Port", 5, 0},
              {L"SATA_Logical_62", L"SATAEndpoint_62", L"SATA Endpoint for Logical Port", 5, 0}});
  check(scsi, {{L"SCSI_DAPort_81", L"SCSIEndpoint_81", L"SCSI Endpoint for DA Port", 5, 1},
               {L"SCSI_Logical_81", L"SCSIEndpoint_81", L"SCSI Endpoint for Logical Port", 5, 0},
               {L"SCSI_Logical_82", L"SCSIEndpoint_82", L"SCSI Endpoint for Logical Port", 5, 0}});
  ASSERT_EQ(ata.GetCount() * scsi.GetCount(), 12u);
  EXPECT_EQ(ata[0].CreationClassName.Str(), L"ZUB_ATAProtocolEndpoint");
  EXPECT_EQ(ata[0].ElementName.Str(), L"SATA Endpoint");
  EXPECT_EQ(ata[0].ProtocolIFType, 3u);
  EXPECT_EQ(ata[0].AttachedHandle.Str(), L"11");
  EXPECT_EQ(ata[3].AttachedHandle.Str(), L"12");
  EXPECT_EQ(ata[3].PortHandle.Str(), L"62");
  EXPECT_EQ(ata[3].StatusList.GetCount(), 4u);  // a logical port's
  EXPECT_EQ(scsi[0].CreationClassName.Str(), L"ZUB_SCSIProtocolEndpoint");
  EXPECT_EQ(scsi[0].ElementName.Str(), L"SCSI Endpoint");
  EXPECT_EQ(scsi[0].ProtocolIFType, 8u);
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
  EXPECT_EQ(ata[0].NameFormat.Str(), L"Protocol|Porthandle");
  EXPECT_EQ(List<&PROVIDER_CreateZubSCSIProtocolEndpointInstance>(PROVIDER_SUCCESS).GetCount(), 0u);

  // A SATA volume: the SCSI controllers have a DA port to build from, and keep none.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "raid_info": {"handle": 9}, "disks": [{"handle": 11}], "volumes": [{"disks": [11]}]}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubSCSIProtocolControllerInstance>(PROVIDER_SUCCESS).GetCount(), 0u);

  LoadAndList(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubATAProtocolEndpointInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(PROVIDER_CreateZubATAProtocolControllerInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
  EXPECT_EQ(PROVIDER_CreateZubSCSIProtocolEndpointInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
}

}  // namespace
