// ZUB_StorageVolume: the mapping of a middleware volume, the listing with the
// volume settings it files, and the changes that raise alerts. Volume
// settings live for the whole process, so each test names its volumes
// apart.
#include <gtest/gtest.h>

#include <cstring>

#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_volume.h"
#include "tests/support/class_fixture.h"

namespace {

_SSI_VolumeInfo Volume(const char* name, SSI_HANDLE handle, uint32_t level, uint32_t disks = 2) {
  _SSI_VolumeInfo v{};
  std::strcpy(v.name, name);
  v.handle = handle;
  v.arrayHandle = handle + 1;
  v.raidLevel = level;
  v.numDisks = disks;
  v.stripSize = 64;
  v.state = 1;
  return v;
}

TEST(VolumeMapping, KeysLevelsHealthStripAndCache) {
  stZUB_StorageVolume v = VolumeOf(Volume("Data", 3, SSI_RAID5, 3));
  EXPECT_EQ(v.CreationClassName.Str(), L"ZUB_StorageVolume");
  EXPECT_EQ(v.DeviceID.Str(), L"Data_3");
  EXPECT_EQ(v.SystemName.Str(), L"Volume_3");
  EXPECT_EQ(v.SystemCreationClassName.Str(), L"Corvo_ZUBe3.0");
  EXPECT_EQ(v.Description.Str(), L"Volume storage of type: RAID5");
  EXPECT_EQ(v.Caption.Str(), L"RAID5");
  EXPECT_EQ(v.VolumeHandle.Str(), L"3");
  EXPECT_EQ(v.ArrayHandle.Str(), L"4");
  EXPECT_EQ(v.ControllerHandle.Str(), L"");
  EXPECT_EQ(v.StripSize, 131072);
  EXPECT_EQ(v.CachePolicy.Str(), L"CACHING_OFF");
  EXPECT_EQ(v.FixedValue1 + v.FixedValue2 + v.FixedFlag, 0u);
  EXPECT_EQ(v.FixedValue3 * 10 + v.FixedValue4, 22u);

  struct Case {
    uint32_t level, disks;
    const wchar_t* name;
    uint64_t nspof, data, package;
  } cases[] = {{SSI_RAID0, 2, L"RAID0", 0, 0, 0},  {SSI_RAID1, 2, L"RAID1", 1, 2, 1},
               {SSI_RAID10, 4, L"RAID10", 1, 4, 3}, {SSI_RAID5, 3, L"RAID5", 1, 0, 1},
               {SSI_RAID6, 4, L"RAID6", 1, 0, 2},   {3, 2, L"Invalid or Unknown", 0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    stZUB_StorageVolume r = VolumeOf(Volume("V", 1, c.level, c.disks));
    EXPECT_EQ(r.RaidLevel.Str(), c.name);
    EXPECT_EQ(r.NoSinglePointOfFailure, c.nspof);
    EXPECT_EQ(r.RedundancyFlag, c.nspof);
    EXPECT_EQ(r.DataRedundancy, c.data);
    EXPECT_EQ(r.PackageRedundancy, c.package);
  }

  const std::pair<int32_t, uint64_t> health[] = {{1, 5}, {9, 5}, {2, 10}, {7, 10}, {3, 20}, {16, 30},
                                                 {0, 0}, {10, 0}, {17, 0}, {-1, 0}};
  for (auto [state, expected] : health) {
    _SSI_VolumeInfo raw = Volume("V", 1, SSI_RAID0);
    raw.state = state;
    EXPECT_EQ(VolumeOf(raw).HealthState, expected) << state;
    EXPECT_EQ(VolumeOf(raw).VolumeState, state);
  }

  _SSI_VolumeInfo raw = Volume("V", 1, SSI_RAID0);
  raw.stripSize = 1u << 20;  // 2 GiB: negative as a 32-bit signed value, widened with its sign
  raw.cachePolicy = 3;
  raw.flag = 7;
  EXPECT_EQ(VolumeOf(raw).StripSize, static_cast<int64_t>(INT32_MIN));
  EXPECT_EQ(VolumeOf(raw).CachePolicy.Str(), L"WRITEBACK");
  EXPECT_EQ(VolumeOf(raw).VolumeFlag, 1u);

  EXPECT_EQ(SmallestStrip(0b1000010), 4096u);
  EXPECT_EQ(LargestStrip(0b1000010), 131072u);
  EXPECT_EQ(SmallestStrip(1) + LargestStrip(1), 4096u);
  EXPECT_EQ(SmallestStrip(0) + LargestStrip(0), 0u);
}

CArrayT<stZUB_StorageVolume> Volumes(std::initializer_list<std::pair<const char*, uint32_t>> volumes) {
  CArrayT<stZUB_StorageVolume> out;
  SSI_HANDLE h = 1;
  for (auto [name, level] : volumes) out.Add(VolumeOf(Volume(name, h++, level)));
  return out;
}

TEST(VolumeChangesTest, CreatedDeletedAndModifiedByPosition) {
  using V = std::vector<std::pair<std::wstring, uint32_t>>;
  const auto changes = [](const auto& before, const auto& now) {
    V out;
    for (const VolumeChange& c : VolumeChanges(before, now)) out.emplace_back(c.volume->ElementName.Str(), c.kind);
    return out;
  };
  const auto ab = Volumes({{"A", SSI_RAID0}, {"B", SSI_RAID1}});
  const auto abc = Volumes({{"A", SSI_RAID0}, {"B", SSI_RAID1}, {"C", SSI_RAID5}});
  EXPECT_EQ(changes(ab, ab), V{});
  EXPECT_EQ(changes(ab, abc), (V{{L"C", kVolumeCreated}}));
  EXPECT_EQ(changes(abc, ab), (V{{L"C", kVolumeDeleted}}));
  // Renamed, or one deleted and another created between two checks: the
  // positions that differ are modified; nothing is created or deleted.
  EXPECT_EQ(changes(ab, Volumes({{"A", SSI_RAID0}, {"Z", SSI_RAID1}})), (V{{L"Z", kVolumeModified}}));
  auto state = ab;
  state[0].VolumeState = 5;  // the raw state alone raises nothing
  EXPECT_EQ(changes(ab, state), V{});
  state[0].HealthState = 10;
  EXPECT_EQ(changes(ab, state), (V{{L"A", kVolumeModified}}));
  auto cache = ab;
  cache[1].CachePolicy = L"WRITEBACK";
  EXPECT_EQ(changes(ab, cache), (V{{L"B", kVolumeModified}}));

  // A volume is the same volume by name and controller: of two controllers'
  // volumes named alike, the one that went (or came) is reported.
  auto twoSame = Volumes({{"S", SSI_RAID1}, {"S", SSI_RAID1}});
  twoSame[0].ControllerHandle = L"1";
  twoSame[1].ControllerHandle = L"2";
  CArrayT<stZUB_StorageVolume> second;
  second.Add(twoSame[1]);
  const auto gone = VolumeChanges(twoSame, second);
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_EQ(gone[0].kind, kVolumeDeleted);
  EXPECT_EQ(gone[0].volume->ControllerHandle.Str(), L"1");
  const auto came = VolumeChanges(second, twoSame);
  ASSERT_EQ(came.size(), 1u);
  EXPECT_EQ(came[0].kind, kVolumeCreated);
  EXPECT_EQ(came[0].volume->ControllerHandle.Str(), L"1");
}

class VolumeTest : public zubtest::ClassFixture {
 protected:
  static std::vector<const stZUB_StorageSetting*> SettingsOf(const CArrayT<stZUB_StorageSetting>& all,
                                                            const wchar_t* name) {
    std::vector<const stZUB_StorageSetting*> out;
    for (const stZUB_StorageSetting& s : all) {
      if (s.VolumeName.Str() == name) out.push_back(&s);
    }
    return out;
  }
  static CArrayT<stZUB_StorageSetting> VolumeSettings() {
    CArrayT<stZUB_StorageSetting> out;
    PROVIDER_CreateZubStorageSettingVolumeInstance()->GetData(&out);
    return out;
  }
};

TEST_F(VolumeTest, VolumesFileTheirSettingOnce) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "One", "write_back_offered": 0,
     "raid_info": {"handle": 10, "value1": 3, "value2": 4, "levels": {
       "1": {"strip_kib": 64, "strip_mask": 66}, "2": {"strip_kib": 64, "strip_mask": 1}}},
     "disks": [{"handle": 11, "sizes": [1, 900, 1]}, {"handle": 12, "sizes": [1, 800, 1]}, {"handle": 13}],
     "volumes": [{"handle": 100, "array_handle": 101, "name": "FileOnce", "level": 1, "strip_kib": 128,
                  "cache": 2, "disks": [12, 11]}]}]})");
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  auto volumes = List<&PROVIDER_CreateZubStorageVolumeInstance>();
  ASSERT_EQ(volumes.GetCount(), 1u);
  EXPECT_EQ(volumes[0].ControllerHandle.Str(), L"1");
  EXPECT_EQ(volumes[0].NumberOfDisks, 2u);

  CArrayT<stZUB_StorageSetting> settings = VolumeSettings();
  auto mine = SettingsOf(settings, L"FileOnce");
  ASSERT_EQ(mine.size(), 1u);
  const stZUB_StorageSetting& s = *mine[0];
  EXPECT_EQ(s.InstanceID.Str(), L"VolumeSetting_FileOnce");
  EXPECT_EQ(s.ControllerHandle.Str(), L"1");
  EXPECT_EQ(s.ChangeableType, 2u);
  EXPECT_EQ(s.ExtentStripeLength, 2u);
  EXPECT_EQ(s.RaidLevel.Str(), L"RAID0");
  EXPECT_EQ(s.Caption.Str(), L"RAID0");
  EXPECT_EQ(s.CachePolicy.Str(), L"WRITE_THROUGH");
  ASSERT_EQ(s.SupportedCachePolicies.GetCount(), 1u);  // no write-back offered: only its own policy
  EXPECT_EQ(s.SupportedCachePolicies[0].Str(), L"WRITE_THROUGH");
  EXPECT_EQ(s.RaidInfoValue1 * 10 + s.RaidInfoValue2, 34u);
  ASSERT_EQ(s.SupportedRaidLevels.GetCount(), 2u);
  EXPECT_EQ(s.UserDataStripeDepth, 131072u);
  EXPECT_EQ(s.UserDataStripeDepthMin, 4096u);  // mask 66: bits 1 and 6
  EXPECT_EQ(s.UserDataStripeDepthMax, 131072u);
  EXPECT_EQ(s.SmallestDiskBlocks, 800u);
  ASSERT_EQ(s.MemberDisks.GetCount(), 2u);  // in the array's order
  EXPECT_NE(s.MemberDisks[0].Str().find(L"DeviceID=\"12\""), std::wstring::npos) << s.MemberDisks[0].Str();

  List<&PROVIDER_CreateZubStorageVolumeInstance>();
  EXPECT_EQ(SettingsOf(VolumeSettings(), L"FileOnce").size(), 1u) << "filed once";
}

// One rebuild reads the controllers once for all its volumes, and a setting
// it files counts for the volumes after it: two volumes of one name on one
// controller file one setting.
TEST_F(VolumeTest, ARebuildReadsTheControllersOnceAndSeesTheSettingsItFiled) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "raid_info": {"handle": 10}, "disks": [{"handle": 11}, {"handle": 12}, {"handle": 13}],
     "volumes": [{"name": "Twin", "level": 1, "disks": [11]}, {"name": "Twin", "level": 1, "disks": [12]},
                 {"name": "Other", "level": 1, "disks": [13]}]}]})");
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  abru2sim::ResetCounters();
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageVolumeInstance>().GetCount(), 3u);
  EXPECT_EQ(Calls("SsiGetControllerHandles"), 2u);  // a count and a fetch
  const CArrayT<stZUB_StorageSetting> settings = VolumeSettings();
  EXPECT_EQ(SettingsOf(settings, L"Twin").size(), 1u);
  EXPECT_EQ(SettingsOf(settings, L"Other").size(), 1u);
}

TEST_F(VolumeTest, StatusesOfAnArrayWithoutDisksAndUnreadableRaidInfo) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "raid_info": {"handle": 10},
     "disks": [{"handle": 11}, {"handle": 12}, {"handle": 13, "raid_info_handle": 999}, {"handle": 14}],
     "volumes": [{"name": "Orphan", "level": 2, "disks": [13, 14]}, {"name": "Hollow", "level": 1},
                 {"name": "Later", "level": 2, "disks": [11, 12]}]}]})");
  auto volumes = List<&PROVIDER_CreateZubStorageVolumeInstance>(PROVIDER_NOT_FOUND);
  ASSERT_EQ(volumes.GetCount(), 1u);  // stops at the volume whose array has no disk
  EXPECT_EQ(volumes[0].ElementName.Str(), L"Orphan");
  EXPECT_EQ(volumes[0].ControllerHandle.Str(), L"");  // its first disk names no known RAID info
  const CArrayT<stZUB_StorageSetting> settings = VolumeSettings();
  auto orphan = SettingsOf(settings, L"Orphan");
  ASSERT_EQ(orphan.size(), 1u);
  EXPECT_EQ(orphan[0]->ControllerHandle.Str(), L"1");  // the last controller visited

  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "disks": [{"handle": 11}, {"handle": 12}],
     "volumes": [{"name": "NoLevels", "level": 2, "disks": [11, 12]}]}]})");
  Fail("SsiGetRaidLevelInfo");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageVolumeInstance>(PROVIDER_FAILED).GetCount(), 0u);

  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "disks": []}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageVolumeInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace
