// ZUB_ATALogicalPort and ZUB_SCSILogicalPort: which family lists each port,
// the texts each family stamps, speeds and protocol from the disk's PHY, the
// controller's own port, and the statuses of the build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/ports/logical_port.h"
#include "tests/classes/port_fixture.h"

namespace {

using LogicalPortTest = zubtest::PortFixture;

std::vector<std::wstring> DeviceIds(const CArrayT<stZUB_LogicalPort>& ports) {
  std::vector<std::wstring> out;
  for (const stZUB_LogicalPort& p : ports) out.push_back(p.DeviceID.Str());
  return out;
}

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

  const stZUB_LogicalPort& sata = ata[0];
  EXPECT_EQ(sata.CreationClassName.Str(), L"ZUB_ATALogicalPort");
  EXPECT_EQ(sata.SystemCreationClassName.Str(), L"ATAPort_61");
  EXPECT_EQ(sata.SystemName.Str(), L"Corvo_ZUBe3.0");
  EXPECT_EQ(sata.ElementName.Str(), L"ATA - EndDevice");
  EXPECT_EQ(sata.Caption.Str(), L"ATA EndDevice Port");
  EXPECT_EQ(sata.Description.Str(), L"ATA EndDevice Port");
  EXPECT_EQ(sata.Address.Str(), L"0-1-0-0");
  EXPECT_EQ(sata.Speed, 150000000000000u);
  EXPECT_EQ(sata.MaxSpeed, 300000000000000u);
  EXPECT_EQ(sata.Protocol, 1);
  EXPECT_EQ(sata.UsageRestriction, 2u);
  EXPECT_EQ(sata.ControllerHandle.Str(), L"1");
  EXPECT_EQ(sata.AttachedHandle.Str(), L"11");
  EXPECT_EQ(sata.PortType * 100 + sata.EnabledState * 10 + sata.LinkCode, 125u);
  EXPECT_EQ(std::vector<uint64_t>(sata.StatusList.begin(), sata.StatusList.end()), (std::vector<uint64_t>{0, 2, 3, 6}));

  EXPECT_EQ(scsi[0].CreationClassName.Str(), L"ZUB_SCSILogicalPort");
  EXPECT_EQ(scsi[0].SystemCreationClassName.Str(), L"SCSIPort_81");
  EXPECT_EQ(scsi[0].ElementName.Str(), L"SCSI - EndDevice");
  EXPECT_EQ(scsi[0].Caption.Str(), L"SCSI EndDevice Port");
  EXPECT_EQ(scsi[0].Address.Str(), L"7021");  // the disk's 64-bit address replaces the port's components
  EXPECT_EQ(scsi[0].Speed, 0u);
  EXPECT_EQ(scsi[0].MaxSpeed, 600000000000000u);
  EXPECT_EQ(scsi[1].Address.Str(), L"0-0-0-0");
  EXPECT_EQ(scsi[1].Speed, 300000000000000u);
  EXPECT_EQ(scsi[1].MaxSpeed, 150000000000000u);
  EXPECT_EQ(scsi[1].Protocol * 10 + scsi[2].Protocol, 34);
  EXPECT_EQ(scsi[2].ControllerHandle.Str(), L"2");
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
  EXPECT_EQ(all[0].UsageRestriction, 3u);
  EXPECT_EQ(all[0].AttachedHandle.Str(), L"1");
  EXPECT_EQ(all[0].Address.Str(), L"5000");
  EXPECT_EQ(all[0].Protocol, 0);
  EXPECT_EQ(all[0].CreationClassName.Str(), L"");  // class texts are the classes'
  EXPECT_EQ(all[1].Protocol, 2);                    // a DOX controller's disks speak SAS
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
  // unattached PHYs (no disk), no controller.
  for (const char* json : {R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "port": null}]})",
                           R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "phy_count": 2}]})",
                           R"({"middleware_version": "1.0", "controllers": []})"}) {
    SCOPED_TRACE(json);
    LoadAndList(json);
    EXPECT_EQ(List<&PROVIDER_CreateZubATALogicalPortInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
    EXPECT_EQ(List<&PROVIDER_CreateZubSCSILogicalPortInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  }
  EXPECT_EQ(PROVIDER_CreateZubATALogicalPortInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
}

}  // namespace
