// configure_test.cpp: the configuration calls: what each refuses (and that a
// refusal changes nothing) and what each success does to the model.
#include <algorithm>
#include <cstring>

#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

// Controller 1: disks 11..14 available (1000 bytes, 14 is 2000), 15 spare,
// 16 failed, 17 not allowed in a pool, 18+19 a RAID1 (volume 30, array 31).
// Controller 2: disk 21.
const char* kRaidBox = R"({"controllers": [
  {"handle": 1,
   "raid_info": {"levels": {"1": {"strip_kib": 128, "strip_mask": 124}, "2": {"strip_kib": 64, "strip_mask": 0},
                            "8": {"strip_kib": 64, "strip_mask": 124}}},
   "disks": [{"handle": 11, "size": 1000}, {"handle": 12, "size": 1000}, {"handle": 13, "size": 1000},
             {"handle": 14, "size": 2000}, {"handle": 15, "size": 1000, "usage": 4},
             {"handle": 16, "size": 1000, "state": 3}, {"handle": 17, "size": 1000, "no_pool": 1},
             {"handle": 18, "size": 1000}, {"handle": 19, "size": 1000, "phy": {"handle": 90}}],
   "volumes": [{"handle": 30, "array_handle": 31, "name": "M", "level": 2, "disks": [18, 19]}]},
  {"handle": 2, "disks": [{"handle": 21, "size": 1000}]}]})";

_SSI_CreateFromDisksParams Block(std::vector<SSI_HANDLE>& disks, uint32_t level, const char* name = "New",
                                 uint32_t strip = 0, uint64_t size = 0) {
  _SSI_CreateFromDisksParams p{};
  p.disks = disks.data();
  p.numDisks = static_cast<uint32_t>(disks.size());
  std::memcpy(p.name, name, std::min(std::strlen(name), sizeof p.name));
  p.stripSize = strip;
  p.raidLevel = level;
  p.size = size;
  return p;
}

SSI_STATUS Create(std::vector<SSI_HANDLE> disks, uint32_t level, const char* name = "New", uint32_t strip = 0,
                  uint64_t size = 0, SSI_HANDLE* out = nullptr) {
  SSI_HANDLE v = 0;
  return SsiVolumeCreateFromDisks(Block(disks, level, name, strip, size), out != nullptr ? out : &v);
}

}  // namespace

TEST_F(SimTest, VolumeCreationRefusesBadRequestsWithoutEffect) {
  Load(kRaidBox);
  const uint64_t changes = abru2sim::ChangeCount();
  std::vector<SSI_HANDLE> none;
  SSI_HANDLE v = 0;
  EXPECT_EQ(SsiVolumeCreateFromDisks(Block(none, SSI_RAID0), &v), 14u) << "no disks";
  EXPECT_EQ(Create({11, 99}, SSI_RAID0), 14u) << "unknown disk";
  EXPECT_EQ(Create({11, 21}, SSI_RAID0), 14u) << "two controllers";
  EXPECT_EQ(Create({11, 11}, SSI_RAID0), 14u) << "same disk twice";
  EXPECT_EQ(Create({11, 12}, SSI_RAID0, ""), 14u) << "empty name";
  EXPECT_EQ(Create({11, 12}, 3), 14u) << "no such level";
  EXPECT_EQ(Create({11, 12, 13, 14}, SSI_RAID6), 14u) << "level not offered";
  EXPECT_EQ(Create({11, 12, 13}, SSI_RAID1), 14u) << "RAID1 takes two";
  EXPECT_EQ(Create({11, 12}, SSI_RAID5), 14u) << "RAID5 takes three";
  EXPECT_EQ(Create({11, 12}, SSI_RAID0, "N", 3), 14u) << "strip not a power of two";
  EXPECT_EQ(Create({11, 12}, SSI_RAID0, "N", 2), 14u) << "strip outside the mask";
  EXPECT_EQ(Create({11, 12}, SSI_RAID1, "N", 64), 14u) << "mask 0: only the level's own strip";
  EXPECT_EQ(Create({11, 14}, SSI_RAID0, "N", 0, 2001), 14u) << "beyond 2 x the smallest disk";
  EXPECT_EQ(Create({11, 18}, SSI_RAID0), 18u) << "a member";
  EXPECT_EQ(Create({11, 16}, SSI_RAID0), 18u) << "a failed disk";
  EXPECT_EQ(Create({11, 17}, SSI_RAID0), 18u) << "a disk kept out of pools";
  std::vector<SSI_HANDLE> two{11, 12};
  EXPECT_EQ(SsiVolumeCreateFromDisks(Block(two, SSI_RAID0), nullptr), 14u);

  EXPECT_EQ(List(SsiGetVolumeHandles), std::vector<SSI_HANDLE>{30});
  EXPECT_EQ(Disk(11).usage, 2);
  EXPECT_EQ(abru2sim::ChangeCount(), changes);
}

TEST_F(SimTest, VolumeCreationBuildsVolumeAndArray) {
  Load(kRaidBox);
  const uint64_t changes = abru2sim::ChangeCount();
  SSI_HANDLE v = 0;
  // 17 bytes fill the field with no terminator; a spare may join too.
  ASSERT_EQ(Create({11, 14, 15}, SSI_RAID5, "SeventeenBytesXYZ", 0, 0, &v), 0u);
  EXPECT_NE(v, 0u);
  EXPECT_EQ(abru2sim::ChangeCount(), changes + 1);
  EXPECT_EQ(List(SsiGetVolumeHandles), (std::vector<SSI_HANDLE>{30, v}));
  const auto info = Volume(v);
  EXPECT_STREQ(info.name, "SeventeenBytesXY") << "the record keeps its terminator";
  EXPECT_EQ(info.raidLevel, SSI_RAID5);
  EXPECT_EQ(info.stripSize, 32u) << "strip 0: the level's own 64 KiB";
  EXPECT_EQ(info.totalSize, 2000u) << "size 0: (3 - 1) x 1000";
  EXPECT_EQ(info.numDisks, 3u);
  EXPECT_NE(info.arrayHandle, 0u);
  EXPECT_NE(info.arrayHandle, v);
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, info.arrayHandle),
            (std::vector<SSI_HANDLE>{11, 14, 15}));
  EXPECT_EQ(Disk(15).usage, 1);

  ASSERT_EQ(Create({12, 13}, SSI_RAID0, "Small", 4, 1500, &v), 0u);
  EXPECT_EQ(Volume(v).totalSize, 1500u);
  EXPECT_EQ(Volume(v).stripSize, 4u);
}

TEST_F(SimTest, VolumeChangesCheckAndApply) {
  Load(kRaidBox);
  // Expand: never smaller, never beyond the capacity.
  EXPECT_EQ(SsiExpandVolume(99, 1000), 14u);
  SSI_HANDLE r0 = 0;
  ASSERT_EQ(Create({11, 12}, SSI_RAID0, "R0", 0, 1000, &r0), 0u);
  EXPECT_EQ(SsiExpandVolume(r0, 999), 14u);
  EXPECT_EQ(SsiExpandVolume(r0, 2001), 14u);
  EXPECT_EQ(SsiExpandVolume(r0, 2000), 0u);
  EXPECT_EQ(Volume(r0).totalSize, 2000u);

  // Adding disks: RAID0 grows, a RAID1 cannot take a third disk.
  const SSI_HANDLE r0Array = Volume(r0).arrayHandle;
  SSI_HANDLE add[] = {13};
  EXPECT_EQ(SsiAddDisksToArray(31, add, 1), 14u);
  EXPECT_EQ(SsiAddDisksToArray(999, add, 1), 14u);
  SSI_HANDLE member[] = {18};
  EXPECT_EQ(SsiAddDisksToArray(r0Array, member, 1), 18u);
  ASSERT_EQ(SsiAddDisksToArray(r0Array, add, 1), 0u);
  EXPECT_EQ(Volume(r0).numDisks, 3u);
  EXPECT_EQ(Disk(13).usage, 1);
  EXPECT_EQ(SsiExpandVolume(r0, 3000), 0u) << "the new disk adds capacity";

  // Level change: RAID1 (30) to RAID5 with disk 14 added; it may not shrink.
  _SSI_RaidLevelModifyParams m{};
  SSI_HANDLE extra[] = {14};
  m.raidLevel = SSI_RAID5;
  m.disks = extra;
  m.numDisks = 1;
  EXPECT_EQ(SsiRaidLevelModify(999, m), 14u);
  m.stripSize = 1;
  EXPECT_EQ(SsiRaidLevelModify(30, m), 14u) << "strip outside RAID5's mask";
  m.stripSize = 0;
  m.size = 2001;
  EXPECT_EQ(SsiRaidLevelModify(30, m), 14u) << "beyond the capacity";
  m.size = 0;
  m.raidLevel = SSI_RAID1;
  EXPECT_EQ(SsiRaidLevelModify(30, m), 14u) << "three disks in a RAID1";
  m.raidLevel = SSI_RAID5;
  ASSERT_EQ(SsiRaidLevelModify(30, m), 0u);
  auto v = Volume(30);
  EXPECT_EQ(v.raidLevel, SSI_RAID5);
  EXPECT_EQ(v.stripSize, 32u);
  EXPECT_EQ(v.totalSize, 2000u);
  EXPECT_EQ(v.numDisks, 3u);
  m.raidLevel = SSI_RAID0;
  m.numDisks = 0;
  m.size = 1000;
  EXPECT_EQ(SsiRaidLevelModify(30, m), 14u) << "a migration never shrinks the volume";

  // Rename takes up to 17 bytes; cache policy 1..3.
  char name17[17];
  std::memcpy(name17, "ABCDEFGHIJKLMNOPQ", 17);
  EXPECT_EQ(SsiVolumeRename(30, name17), 0u);
  EXPECT_STREQ(Volume(30).name, "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(SsiVolumeRename(30, ""), 14u);
  EXPECT_EQ(SsiVolumeRename(99, "x"), 14u);
  EXPECT_EQ(SsiVolumeRename(30, "Short"), 0u);
  EXPECT_STREQ(Volume(30).name, "Short");
  EXPECT_EQ(SsiVolumeSetCachePolicy(30, 0), 14u);
  EXPECT_EQ(SsiVolumeSetCachePolicy(30, 4), 14u);
  for (uint32_t policy : {3u, 2u, 1u}) {
    EXPECT_EQ(SsiVolumeSetCachePolicy(30, policy), 0u);
    EXPECT_EQ(Volume(30).cachePolicy, policy);
  }

  // Delete frees the members and forgets volume and array.
  EXPECT_EQ(SsiVolumeDelete(99), 14u);
  ASSERT_EQ(SsiVolumeDelete(30), 0u);
  EXPECT_EQ(List(SsiGetVolumeHandles), std::vector<SSI_HANDLE>{r0});
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 31), std::vector<SSI_HANDLE>{});
  EXPECT_EQ(Disk(18).usage, 2);
  EXPECT_EQ(Disk(14).usage, 2);
  _SSI_VolumeInfo gone{};
  EXPECT_EQ(SsiGetVolumeInfo(0, 30, &gone), 14u);
}

TEST_F(SimTest, SparesLocateAndRescan) {
  Load(kRaidBox);
  EXPECT_EQ(SsiDiskMarkAsSpare(99, 0), 14u);
  EXPECT_EQ(SsiDiskMarkAsSpare(18, 0), 18u) << "a member";
  EXPECT_EQ(SsiDiskMarkAsSpare(15, 0), 18u) << "already a spare";
  EXPECT_EQ(SsiDiskMarkAsSpare(11, 0), 0u);
  EXPECT_EQ(Disk(11).usage, 4);
  EXPECT_EQ(SsiDiskMarkAsSpare(12, 31), 0u) << "a spare for one array";
  EXPECT_EQ(SsiDiskMarkAsSpare(13, 999), 14u) << "unknown array";
  EXPECT_EQ(SsiDiskUnmarkAsSpare(11), 0u);
  EXPECT_EQ(Disk(11).usage, 2);
  EXPECT_EQ(SsiDiskUnmarkAsSpare(11), 18u);
  EXPECT_EQ(SsiDiskUnmarkAsSpare(18), 18u);
  EXPECT_EQ(SsiDiskUnmarkAsSpare(99), 14u);

  bool on = false;
  EXPECT_EQ(SsiPhyLocate(90, 1), 0u);
  ASSERT_TRUE(abru2sim::GetLocateState(90, &on));
  EXPECT_TRUE(on);
  EXPECT_EQ(SsiPhyLocate(90, 0), 0u);
  ASSERT_TRUE(abru2sim::GetLocateState(90, &on));
  EXPECT_FALSE(on);
  EXPECT_EQ(SsiPhyLocate(19, 1), 14u) << "a disk is not a PHY";
  EXPECT_FALSE(abru2sim::GetLocateState(19, &on));

  const uint64_t changes = abru2sim::ChangeCount();
  EXPECT_EQ(SsiRescan(), 0u);
  EXPECT_EQ(abru2sim::ChangeCount(), changes + 1);
}
