// configure_test.cpp: what changes the model: the configuration calls (what each refuses, without effect, and
// what each success does) and the change objects of the control API (their effects and one-line refusals).
#include <algorithm>
#include <cstring>
#include <tuple>

#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

// Box: RAID5 "R5" of A, B, C (volume 30, array 31, 1500 of 2000 bytes used), RAID1 "R1" of D, E (40, 41; E's PHY
// is 90), F and G (2000 bytes) available, 18 a spare, 19 failed, 20 kept out of pools, unattached PHY 95 (number
// 10). Controller 2: disks 21, 22.
const char* kBox = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "Box", "raid_info": {"levels": {"1": {"strip_kib": 128, "strip_mask": 124},
     "2": {"strip_kib": 64, "strip_mask": 0}, "8": {"strip_kib": 64, "strip_mask": 124}}},
   "disks": [{"handle": 11, "serial": "A", "size": 1000}, {"handle": 12, "serial": "B", "size": 1000},
             {"handle": 13, "serial": "C", "size": 1000}, {"handle": 14, "serial": "D", "size": 1000},
             {"handle": 15, "serial": "E", "size": 1000, "phy": {"handle": 90}},
             {"handle": 16, "serial": "F", "size": 1000}, {"handle": 17, "serial": "G", "size": 2000},
             {"handle": 18, "size": 1000, "usage": 4}, {"handle": 19, "state": 3}, {"handle": 20, "no_pool": 1}],
   "phys": [{"handle": 95}],
   "volumes": [{"handle": 30, "array_handle": 31, "name": "R5", "level": 8, "size": 1500, "disks": ["A", "B", "C"]},
               {"handle": 40, "array_handle": 41, "name": "R1", "level": 2, "disks": ["D", "E"]}]},
  {"handle": 2, "disks": [{"handle": 21, "size": 1000}, {"handle": 22, "size": 1000}]}]})";

SSI_STATUS Create(V disks, uint32_t level, uint32_t strip = 0, uint64_t size = 0, const char* name = "New",
                  SSI_HANDLE* out = nullptr) {
  _SSI_CreateFromDisksParams p{disks.data(), static_cast<uint32_t>(disks.size()), 0, {}, {}, strip, level, {}, size};
  std::memcpy(p.name, name, std::min(std::strlen(name), sizeof p.name));
  SSI_HANDLE ignored = 0;
  return SsiVolumeCreateFromDisks(p, out != nullptr ? out : &ignored);
}

SSI_STATUS Modify(SSI_HANDLE volume, uint32_t level, V disks = {}, uint32_t strip = 0, uint64_t size = 0) {
  return SsiRaidLevelModify(volume, {strip, level, size, disks.data(), static_cast<uint32_t>(disks.size()), {}});
}

SSI_STATUS Add(SSI_HANDLE array, V disks) {
  return SsiAddDisksToArray(array, disks.data(), static_cast<uint32_t>(disks.size()));
}

}  // namespace

TEST_F(SimTest, VolumeCreationChecksEveryArgumentThenBuilds) {
  Load(kBox);
  const uint64_t changes = abru2sim::ChangeCount();
  const struct { V disks; uint32_t level, strip; uint64_t size; SSI_STATUS status; const char* why; } refusals[] = {
      {{}, 1, 0, 0, 14, "no disks"},           {{16, 99}, 1, 0, 0, 14, "unknown disk"},
      {{16, 21}, 1, 0, 0, 14, "two controllers"}, {{16, 16}, 1, 0, 0, 14, "same disk twice"},
      {{16, 17, 18, 20}, 16, 0, 0, 14, "level not offered"}, {{16, 17}, 8, 0, 0, 14, "RAID5 takes three"},
      {{16, 17}, 1, 3, 0, 14, "strip not a power of two"}, {{16, 17}, 1, 2, 0, 14, "strip outside the mask"},
      {{16, 17}, 2, 64, 0, 14, "mask 0: only the level's own strip"},
      {{16, 17}, 1, 0, 2001, 14, "beyond 2 x the smallest disk"},
      {{16, 11}, 1, 0, 0, 18, "a member"},     {{16, 19}, 1, 0, 0, 18, "a failed disk"},
      {{16, 20}, 1, 0, 0, 18, "a disk kept out of pools"}, };
  for (const auto& r : refusals) EXPECT_EQ(Create(r.disks, r.level, r.strip, r.size), r.status) << r.why;
  EXPECT_EQ(Create({16, 17}, 1, 0, 0, ""), 14u) << "empty name";
  EXPECT_EQ(std::make_tuple(List(SsiGetVolumeHandles), Disk(16).usage, abru2sim::ChangeCount()),
            std::make_tuple(V{30, 40}, 2, changes));
  // 17 bytes fill the field with no terminator; a spare may join too.
  SSI_HANDLE v = 0;
  ASSERT_EQ(Create({16, 17, 18}, SSI_RAID5, 0, 0, "SeventeenBytesXYZ", &v), 0u);
  EXPECT_EQ(std::make_tuple(List(SsiGetVolumeHandles), abru2sim::ChangeCount()),
            std::make_tuple(V{30, 40, v}, changes + 1));
  const auto info = Volume(v);
  EXPECT_STREQ(info.name, "SeventeenBytesXY") << "the record keeps its terminator";
  EXPECT_EQ(std::make_tuple(info.raidLevel, info.stripSize, info.totalSize, info.numDisks),
            std::make_tuple(8u, 32u, uint64_t{2000}, 3u))
      << "strip 0: the level's own 64 KiB; size 0: (3 - 1) x 1000";
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, info.arrayHandle), (V{16, 17, 18}));
  EXPECT_EQ(Disk(18).usage, 1);
  ASSERT_EQ(Create({21, 22}, SSI_RAID0, 4, 1500, "Small", &v), 0u);
  EXPECT_EQ(std::make_tuple(Volume(v).totalSize, Volume(v).stripSize), std::make_tuple(uint64_t{1500}, 4u));
}

TEST_F(SimTest, VolumeChangesCheckAndApply) {
  Load(kBox);
  // Expand: never smaller, never beyond the capacity.
  for (uint64_t refused : {1499, 2001}) EXPECT_EQ(SsiExpandVolume(30, refused), 14u) << refused;
  EXPECT_EQ(SsiExpandVolume(30, 2000), 0u);
  EXPECT_EQ(Volume(30).totalSize, 2000u);
  // Adding disks: the RAID5 grows, the RAID1 cannot take a third disk.
  EXPECT_EQ(Add(41, {16}), 14u);
  EXPECT_EQ(Add(31, {14}), 18u) << "a member";
  ASSERT_EQ(Add(31, {16}), 0u);
  EXPECT_EQ(std::make_tuple(Volume(30).numDisks, Disk(16).usage), std::make_tuple(4u, 1));
  EXPECT_EQ(SsiExpandVolume(30, 3000), 0u) << "the new disk adds capacity";
  // Level change: the RAID1 becomes a RAID5 with G added; it may not shrink.
  EXPECT_EQ(Modify(40, SSI_RAID5, {17}, 1), 14u) << "strip outside RAID5's mask";
  EXPECT_EQ(Modify(40, SSI_RAID5, {17}, 0, 2001), 14u) << "beyond the capacity";
  EXPECT_EQ(Modify(40, SSI_RAID1, {17}), 14u) << "three disks in a RAID1";
  ASSERT_EQ(Modify(40, SSI_RAID5, {17}), 0u);
  const auto v = Volume(40);
  EXPECT_EQ(std::make_tuple(v.raidLevel, v.stripSize, v.totalSize, v.numDisks),
            std::make_tuple(8u, 32u, uint64_t{2000}, 3u));
  EXPECT_EQ(Modify(40, SSI_RAID0, {}, 0, 1000), 14u) << "a migration never shrinks the volume";
  // Rename reads up to 17 bytes; cache policy 1..3.
  EXPECT_EQ(SsiVolumeRename(40, "ABCDEFGHIJKLMNOPQ_not_read"), 0u);
  EXPECT_STREQ(Volume(40).name, "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(SsiVolumeRename(40, ""), 14u);
  EXPECT_EQ(SsiVolumeSetCachePolicy(40, 4), 14u);
  EXPECT_EQ(SsiVolumeSetCachePolicy(40, 3), 0u);
  EXPECT_EQ(Volume(40).cachePolicy, 3u);
  // Delete frees the members and forgets volume and array.
  EXPECT_EQ(SsiVolumeDelete(99), 14u);
  ASSERT_EQ(SsiVolumeDelete(40), 0u);
  EXPECT_EQ(List(SsiGetVolumeHandles), V{30});
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 41), V{});
  EXPECT_EQ(std::make_tuple(Disk(14).usage, Disk(17).usage), std::make_tuple(2, 2));
}

TEST_F(SimTest, SparesLocateAndRescan) {
  Load(kBox);
  EXPECT_EQ(SsiDiskMarkAsSpare(21, 999), 14u) << "unknown array";
  // A member, a spare, a failed disk, one kept out of pools.
  for (SSI_HANDLE refused : {11, 18, 19, 20}) EXPECT_EQ(SsiDiskMarkAsSpare(refused, 0), 18u) << refused;
  EXPECT_EQ(SsiDiskMarkAsSpare(16, 0), 0u);
  EXPECT_EQ(SsiDiskMarkAsSpare(17, 31), 0u) << "a spare for one array";
  EXPECT_EQ(std::make_tuple(Disk(16).usage, Disk(17).usage), std::make_tuple(4, 4));
  EXPECT_EQ(SsiDiskUnmarkAsSpare(16), 0u);
  EXPECT_EQ(Disk(16).usage, 2);
  EXPECT_EQ(SsiDiskUnmarkAsSpare(11), 18u);
  bool on = false;
  for (uint32_t flag : {1u, 0u}) {
    EXPECT_EQ(SsiPhyLocate(90, flag), 0u);
    ASSERT_TRUE(abru2sim::GetLocateState(90, &on));
    EXPECT_EQ(on, flag != 0);
  }
  EXPECT_EQ(SsiPhyLocate(15, 1), 14u) << "a disk is not a PHY";
  EXPECT_FALSE(abru2sim::GetLocateState(15, &on));
  const uint64_t changes = abru2sim::ChangeCount();
  EXPECT_EQ(SsiRescan(), 0u);
  EXPECT_EQ(abru2sim::ChangeCount(), changes + 1);
}

TEST_F(SimTest, ChangeObjectsSetDiskVolumeAndVersion) {
  Load(kBox);
  const uint64_t changes = abru2sim::ChangeCount();
  // (What each change sets, the class and alert tests read.)
  Change(R"({"op": "set_disk", "disk": "F", "state": 3, "usage": 5, "no_pool": 1, "size": 7, "firmware": "X1"})");
  Change(R"({"op": "set_disk", "disk": 16, "state": 6})");
  EXPECT_EQ(std::make_tuple(Disk(16).state, Disk(16).usage, Disk(16).noPool), std::make_tuple(6, 5, 1u))
      << "keys left out stay";
  Change(R"({"op": "set_volume", "volume": "R5", "size": 1800})");
  Change(R"({"op": "set_version", "middleware_version": null})");
  _SSI_SystemInfo sys{};
  EXPECT_EQ(SsiGetSystemInfo(&sys), SSI_STATUS_FAILED);
  EXPECT_EQ(abru2sim::ChangeCount(), changes + 4);
  // Refusals: one line each, nothing changed.
  EXPECT_EQ(ChangeError(R"({"op": "set_disk", "disk": "Q"})"), "set_disk: $.disk: no disk \"Q\"");
  EXPECT_EQ(ChangeError(R"({"op": "set_volume", "volume": 30, "size": 2001})"),
            "set_volume: $.size: expected at most 2000 bytes, got 2001");
  EXPECT_EQ(ChangeError(R"({"op": "explode"})").rfind("explode: $.op: unknown op \"explode\"", 0), 0u);
  EXPECT_EQ(ChangeError("{").rfind("change: $: expected valid JSON", 0), 0u);
  EXPECT_EQ(std::make_tuple(Disk(16).state, Volume(30).totalSize), std::make_tuple(6, uint64_t{1800}));
  EXPECT_EQ(abru2sim::ChangeCount(), changes + 4);
}

TEST_F(SimTest, DisksGoDegradingTheirVolumesAndCome) {
  Load(kBox);
  Change(R"({"op": "remove_disk", "disk": "B"})");
  const auto v = Volume(30);
  EXPECT_EQ(std::make_tuple(v.state, v.numDisks, v.totalSize), std::make_tuple(2, 2u, uint64_t{1500}))
      << "RAID5 bears one loss; the size stays";
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 31), (V{11, 13}));
  EXPECT_EQ(List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 1).size(), 10u) << "its PHY went with it";
  EXPECT_EQ(List(SsiGetPortHandles, SSI_SCOPE_CONTROLLER, 1).size(), 10u) << "and its port";
  _SSI_EndDeviceInfo gone{};
  EXPECT_EQ(SsiGetEndDeviceInfo(Session(), 12, &gone), 14u);
  EXPECT_EQ(Modify(30, SSI_RAID0), SSI_STATUS_REFUSED) << "no migration while degraded";
  ASSERT_EQ(Add(31, {16}), 0u) << "F takes B's place: a rebuild";
  EXPECT_EQ(std::make_tuple(Volume(30).state, Volume(30).numDisks), std::make_tuple(1, 3u));
  Change(R"({"op": "remove_disk", "disk": 14})");
  Change(R"({"op": "remove_disk", "disk": "E"})");
  EXPECT_EQ(std::make_tuple(Volume(40).state, Volume(40).numDisks), std::make_tuple(16, 0u))
      << "a RAID1 without members has lost its data";
  // B's PHY number (1) is free again: a disk plugs into the lowest free number; plugging into an unattached
  // PHY's number replaces that PHY.
  Change(R"({"op": "insert_disk", "controller": "Box", "disk": {"handle": 500, "serial": "K", "size": 3000}})");
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_CONTROLLER, 1).back(), 500u);
  EXPECT_EQ(Disk(500).totalSize, 3000u);
  EXPECT_EQ(Phy(List(SsiGetPhyHandles, SSI_SCOPE_END_DEVICE, 500).at(0)).phyNumber, 1u);
  Change(R"({"op": "insert_disk", "controller": 1, "disk": {"phy": {"number": 10}}})");
  const V phys = List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 1);
  EXPECT_EQ(std::make_tuple(phys.size(), std::count(phys.begin(), phys.end(), 95u)), std::make_tuple(size_t{9}, 0L));
  EXPECT_EQ(ChangeError(R"({"op": "insert_disk", "controller": 1, "disk": {"handle": 30}})"),
            "insert_disk: $.disk.handle: duplicate handle 30");
  // A serial or PHY number already in use is what a middleware may report; only naming such a serial is ambiguous.
  Change(R"({"op": "insert_disk", "controller": 1, "disk": {"serial": "A", "phy": {"number": 0}}})");
  EXPECT_EQ(List(SsiGetEndDeviceHandles).size(), 12u);
  EXPECT_EQ(ChangeError(R"({"op": "set_disk", "disk": "A", "state": 3})"),
            "set_disk: $.disk: more than one disk is named \"A\"");
  // Two volumes on the same disks: a disk that goes takes a member from both; a disk stays a member while one of
  // them is left.
  Load(R"({"controllers": [{"disks": [{"handle": 11}, {"handle": 12}, {"handle": 13}],
    "volumes": [{"handle": 30, "level": 1, "disks": [11, 12, 13]},
                {"handle": 40, "level": 8, "disks": [11, 12, 13]}]}]})");
  Change(R"({"op": "remove_disk", "disk": 13})");
  EXPECT_EQ(std::make_tuple(Volume(30).state, Volume(40).state), std::make_tuple(16, 2)) << "RAID0 bears no loss";
  ASSERT_EQ(SsiVolumeDelete(30), 0u);
  EXPECT_EQ(Disk(11).usage, 1);
  ASSERT_EQ(SsiVolumeDelete(40), 0u);
  EXPECT_EQ(Disk(11).usage, 2);
}
