// The port controllers' and protocol controllers' associations: every
// logical port under every port controller, protocol controllers and the
// volumes of their controller, and each port controller as its system.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/ports/port_associations.h"
#include "tests/classes/port_fixture.h"

namespace {

using PortAssociationTest = zubtest::PortFixture;
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
  EXPECT_EQ(links[2].Antecedent.Str(),
            Path(L"ZUB_PortController.CreationClassName=\"ZUB_PortController\",DeviceID=\"1\","
                 L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"AHCI\""));
}

TEST_F(PortAssociationTest, ProtocolControllersServeTheVolumesOfTheirControllerScsiFirst) {
  LoadAndList(kTopology);
  const auto units = List<&PROVIDER_CreateZubProtocolControllerForUnitInstance>();
  EXPECT_EQ(Pairs(units, &stZUB_ProtocolControllerForUnit::Antecedent, &stZUB_ProtocolControllerForUnit::Dependent),
            (std::vector<std::wstring>{L"ZUB_SCSIProtocolController 21 | ZUB_StorageVolume Sas_25",
                                       L"ZUB_ATAProtocolController 11 | ZUB_StorageVolume Sata_15"}));
  ASSERT_EQ(units.GetCount(), 2u);
  EXPECT_EQ(units[0].DeviceAccess + units[1].DeviceAccess, 4u);
  EXPECT_EQ(units[0].Dependent.Str(),
            Path(L"ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Sas_25\","
                 L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_25\""));
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
  EXPECT_EQ(same[1].SystemElement.Str(),
            Path(L"ZUB_ComputerSystem.CreationClassName=\"Corvo_ZUBe3.0\",Name=\"DOX\""));
  EXPECT_EQ(same[1].SameElement.Str(),
            Path(L"ZUB_PortController.CreationClassName=\"ZUB_PortController\",DeviceID=\"2\","
                 L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"DOX\""));
}

TEST_F(PortAssociationTest, NothingToJoin) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubControlledByInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubConcreteIdentityInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubProtocolControllerForUnitInstance>(PROVIDER_SUCCESS).GetCount(), 0u);

  // A port controller without logical ports controls nothing.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "port": null}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubControlledByInstance>(PROVIDER_SUCCESS).GetCount(), 0u);
  EXPECT_EQ(PROVIDER_CreateZubConcreteIdentityInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
}

}  // namespace
