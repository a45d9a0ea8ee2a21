// changes_test.cpp: change objects (set_disk, insert_disk, remove_disk,
// set_volume, set_version): their effects and their one-line refusals,
// after which nothing has changed.
#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

// A RAID5 of A, B, C (1000 bytes each), a RAID1 of D, E and a free disk F
// on one controller, whose PHY number 6 (handle 95) has nothing attached.
const char* kBox = R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "name": "Box", "phy_count": 7,
  "disks": [{"handle": 11, "serial": "A", "size": 1000}, {"handle": 12, "serial": "B", "size": 1000},
            {"handle": 13, "serial": "C", "size": 1000}, {"handle": 14, "serial": "D", "size": 1000},
            {"handle": 15, "serial": "E", "size": 1000}, {"handle": 16, "serial": "F", "size": 1000}],
  "phys": [{"handle": 95, "number": 6}],
  "volumes": [{"handle": 30, "array_handle": 31, "name": "R5", "level": 8, "disks": ["A", "B", "C"]},
              {"handle": 40, "array_handle": 41, "name": "R1", "level": 2, "disks": ["D", "E"]}]}]})";

}  // namespace

TEST_F(SimTest, SetDiskVolumeAndVersion) {
  Load(kBox);
  const uint64_t changes = abru2sim::ChangeCount();
  Change(R"({"op": "set_disk", "disk": "F", "state": 3, "usage": 5, "no_pool": 1, "size": 7, "firmware": "X1"})");
  auto d = Disk(16);
  EXPECT_EQ(d.state, 3);
  EXPECT_EQ(d.usage, 5);
  EXPECT_EQ(d.noPool, 1u);
  EXPECT_EQ(d.totalSize, 7u);
  EXPECT_STREQ(d.firmware, "X1");
  Change(R"({"op": "set_disk", "disk": 16, "state": 6})");
  EXPECT_EQ(Disk(16).state, 6);
  EXPECT_EQ(Disk(16).usage, 5) << "keys left out stay";

  Change(R"({"op": "set_volume", "volume": "R5", "name": "Renamed", "state": 2, "cache": 3, "size": 1500})");
  auto v = Volume(30);
  EXPECT_STREQ(v.name, "Renamed");
  EXPECT_EQ(v.state, 2);
  EXPECT_EQ(v.cachePolicy, 3u);
  EXPECT_EQ(v.totalSize, 1500u);

  Change(R"({"op": "set_version", "controller": "Box", "driver_version": "2.0"})");
  Session s;
  _SSI_ControllerInfo c{};
  ASSERT_EQ(SsiGetControllerInfo(s, 1, &c), 0u);
  EXPECT_STREQ(c.driverVersion, "2.0");
  Change(R"({"op": "set_version", "middleware_version": null})");
  _SSI_SystemInfo sys{};
  EXPECT_EQ(SsiGetSystemInfo(&sys), SSI_STATUS_FAILED);
  Change(R"({"op": "set_version", "middleware_version": "3.0"})");
  EXPECT_EQ(SsiGetSystemInfo(&sys), 0u);
  EXPECT_STREQ(sys.middlewareVersion, "3.0");
  EXPECT_EQ(abru2sim::ChangeCount(), changes + 6);

  // Refusals: one line each, nothing changed.
  EXPECT_EQ(ChangeError(R"({"op": "set_disk", "disk": "Q"})"), "set_disk: $.disk: no disk \"Q\"");
  EXPECT_EQ(ChangeError(R"({"op": "set_disk", "disk": 16, "state": 3, "colour": 1})"),
            "set_disk: $.colour: unknown key \"colour\"");
  EXPECT_EQ(ChangeError(R"({"op": "set_volume", "volume": 30, "size": 2001})"),
            "set_volume: $.size: expected at most 2000 bytes, got 2001");
  EXPECT_EQ(ChangeError(R"({"op": "set_version", "controller": 9, "driver_version": "1"})"),
            "set_version: $.controller: no controller 9");
  EXPECT_EQ(ChangeError(R"({"op": "explode"})").rfind("explode: $.op: unknown op \"explode\"", 0), 0u);
  EXPECT_EQ(ChangeError(R"({"disk": 1})"), "change: $.op: expected a string");
  EXPECT_EQ(ChangeError("{"). rfind("change: $: expected valid JSON", 0), 0u);
  EXPECT_EQ(Disk(16).state, 6);
  EXPECT_EQ(Volume(30).totalSize, 1500u);
  EXPECT_EQ(abru2sim::ChangeCount(), changes + 6);
}

TEST_F(SimTest, RemovingMembersDegradesAndAddingRebuilds) {
  Load(kBox);
  Change(R"({"op": "remove_disk", "disk": "B"})");
  auto v = Volume(30);
  EXPECT_EQ(v.state, 2) << "RAID5 bears one loss";
  EXPECT_EQ(v.numDisks, 2u);
  EXPECT_EQ(v.totalSize, 2000u) << "the size stays";
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 31), (std::vector<SSI_HANDLE>{11, 13}));
  EXPECT_EQ(List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 1).size(), 6u) << "its PHY went with it";
  EXPECT_EQ(List(SsiGetPortHandles).size(), 6u);
  _SSI_EndDeviceInfo gone{};
  Session s;
  EXPECT_EQ(SsiGetEndDeviceInfo(s, 12, &gone), 14u);

  _SSI_RaidLevelModifyParams m{};
  m.raidLevel = SSI_RAID0;
  EXPECT_EQ(SsiRaidLevelModify(30, m), SSI_STATUS_REFUSED) << "no migration while degraded";

  // F takes B's place: a rebuild.
  SSI_HANDLE f[] = {16};
  ASSERT_EQ(SsiAddDisksToArray(31, f, 1), 0u);
  EXPECT_EQ(Volume(30).state, 1);
  EXPECT_EQ(Volume(30).numDisks, 3u);

  Change(R"({"op": "remove_disk", "disk": 14})");
  Change(R"({"op": "remove_disk", "disk": "E"})");
  v = Volume(40);
  EXPECT_EQ(v.state, 16) << "a RAID1 without members has lost its data";
  EXPECT_EQ(v.numDisks, 0u);

  // Two volumes on the same disks: a disk that goes takes a member from
  // both; a disk stays a member while one of them is left.
  Load(R"({"controllers": [{"disks": [{"handle": 11}, {"handle": 12}, {"handle": 13}],
    "volumes": [{"handle": 30, "level": 1, "disks": [11, 12, 13]}, {"handle": 40, "level": 8, "disks": [11, 12, 13]}]}]})");
  Change(R"({"op": "remove_disk", "disk": 13})");
  EXPECT_EQ(Volume(30).state, 16) << "RAID0 bears no loss";
  EXPECT_EQ(Volume(40).state, 2);
  ASSERT_EQ(SsiVolumeDelete(30), 0u);
  EXPECT_EQ(Disk(11).usage, 1);
  ASSERT_EQ(SsiVolumeDelete(40), 0u);
  EXPECT_EQ(Disk(11).usage, 2);
}

TEST_F(SimTest, InsertedDisksTakeFreePhysAndFreshHandles) {
  Load(kBox);
  Change(R"({"op": "remove_disk", "disk": "F"})");
  // F's PHY number (5) is free again; the disk plugs into the lowest free number.
  Change(R"({"op": "insert_disk", "controller": "Box", "disk": {"serial": "G", "size": 3000}})");
  const auto disks = List(SsiGetEndDeviceHandles, SSI_SCOPE_CONTROLLER, 1);
  ASSERT_EQ(disks.size(), 6u);
  const SSI_HANDLE g = disks.back();
  EXPECT_EQ(Disk(g).totalSize, 3000u);
  EXPECT_STREQ(Disk(g).serialNo, "G");
  const auto gPhys = List(SsiGetPhyHandles, SSI_SCOPE_END_DEVICE, g);
  ASSERT_EQ(gPhys.size(), 1u);
  Session s;
  _SSI_PhyInfo phy{};
  ASSERT_EQ(SsiGetPhyInfo(s, gPhys[0], &phy), 0u);
  EXPECT_EQ(phy.phyNumber, 5u);

  // Plugging into an unattached PHY's number replaces that PHY.
  Change(R"({"op": "insert_disk", "controller": 1, "disk": {"handle": 500, "serial": "H", "phy": {"number": 6}}})");
  const auto phys = List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 1);
  EXPECT_EQ(phys.size(), 7u);
  EXPECT_EQ(std::count(phys.begin(), phys.end(), 95u), 0);

  EXPECT_EQ(ChangeError(R"({"op": "insert_disk", "controller": 1, "disk": {"handle": 30}})"),
            "insert_disk: $.disk.handle: duplicate handle 30");
  EXPECT_EQ(ChangeError(R"({"op": "insert_disk", "controller": 1, "disk": {"serial": "123456789012345678901"}})"),
            "insert_disk: $.disk.serial: expected a string of at most 20 bytes, got 21");
  EXPECT_EQ(List(SsiGetEndDeviceHandles).size(), 7u);

  // A serial or PHY number already in use is what a middleware may report;
  // only naming such a serial is ambiguous.
  Change(R"({"op": "insert_disk", "controller": 1, "disk": {"serial": "A", "phy": {"number": 0}}})");
  EXPECT_EQ(List(SsiGetEndDeviceHandles).size(), 8u);
  EXPECT_EQ(ChangeError(R"({"op": "set_disk", "disk": "A", "state": 3})"),
            "set_disk: $.disk: more than one disk is named \"A\"");
}
