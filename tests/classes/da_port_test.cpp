// ZUB_DAPort: the mapping of a port and its PHY, one DA port per volume
// through its first member disk, the volumes that get none, and the
// statuses that end the list early.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/ports/da_port.h"
#include "tests/classes/port_fixture.h"

namespace {

using DAPortTest = zubtest::PortFixture;

std::vector<std::wstring> DeviceIds(const CArrayT<stZUB_DAPort>& ports) {
  std::vector<std::wstring> out;
  for (const stZUB_DAPort& p : ports) out.push_back(p.DeviceID.Str());
  return out;
}

TEST(DAPortMapping, ProtocolTextsSpeedsAndTheVolumesHealth) {
  _SSI_PortInfo port{};
  port.handle = 4294967295u;
  port.attachedHandle = 12;
  _SSI_PhyInfo phy{};
  phy.negotiatedLinkRate = 2;
  phy.maxLinkRate = 3;
  stZUB_StorageVolume volume;
  volume.HealthState = 10;
  volume.ControllerHandle = L"7";

  struct Case {
    int32_t protocol;
    const wchar_t* caption;
    const wchar_t* protocolName;
  } cases[] = {{0, L"Unknown Port", L"Unknown"}, {1, L"SATA Port", L"ATA"},
               {2, L"SAS Port", L"SCSI"},         {3, L"Serial Tunneling Port", L"SCSI"},
               {4, L"Serial SCSI Port", L"SCSI"}, {5, L" Port", L"SCSI"},
               {-1, L" Port", L"SCSI"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.protocol);
    phy.protocol = c.protocol;
    const stZUB_DAPort rec = DAPortOf(port, phy, volume);
    EXPECT_EQ(rec.Caption.Str(), c.caption);
    EXPECT_EQ(rec.Description.Str(), c.caption);
    EXPECT_EQ(rec.ProtocolName.Str(), c.protocolName);
    EXPECT_EQ(rec.Protocol, c.protocol);
  }
  const stZUB_DAPort rec = DAPortOf(port, phy, volume);
  EXPECT_EQ(rec.DeviceID.Str(), L"4294967295");
  EXPECT_EQ(rec.CreationClassName.Str(), L"ZUB_DAPort");
  EXPECT_EQ(rec.SystemCreationClassName.Str(), L"Port_4294967295");
  EXPECT_EQ(rec.SystemName.Str(), L"Corvo_ZUBe3.0");
  EXPECT_EQ(rec.Speed, 300000000000000u);
  EXPECT_EQ(rec.MaxSpeed, 600000000000000u);
  EXPECT_EQ(rec.HealthState, 10u);
  EXPECT_EQ(rec.ControllerHandle.Str(), L"7");
  EXPECT_EQ(rec.AttachedHandle.Str(), L"12");
  EXPECT_EQ(rec.PortType * 100 + rec.UsageRestriction * 10 + rec.EnabledState, 8122u);
  ASSERT_EQ(rec.StatusList.GetCount(), 1u);
  EXPECT_EQ(rec.StatusList[0], 2u);
}

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
  EXPECT_EQ(ports[0].Caption.Str(), L"SATA Port");
  EXPECT_EQ(ports[0].ProtocolName.Str(), L"ATA");
  EXPECT_EQ(ports[0].HealthState, 10u);  // degraded
  EXPECT_EQ(ports[0].Speed, 300000000000000u);
  EXPECT_EQ(ports[0].ControllerHandle.Str(), L"1");
  EXPECT_EQ(ports[0].AttachedHandle.Str(), L"11");
  EXPECT_EQ(ports[1].HealthState, 5u);
  EXPECT_EQ(ports[2].Caption.Str(), L"Serial Tunneling Port");
  EXPECT_EQ(ports[2].ProtocolName.Str(), L"SCSI");
  EXPECT_EQ(ports[2].ControllerHandle.Str(), L"2");
  EXPECT_EQ(ports[2].AttachedHandle.Str(), L"21");
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
  EXPECT_EQ(DeviceIds(List<&PROVIDER_CreateZubDAPortInstance>(PROVIDER_NOT_FOUND)),
            std::vector<std::wstring>{L"61"});

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

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "disks": [{"handle": 11}]}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubDAPortInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(PROVIDER_CreateZubDAPortInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
}

}  // namespace
