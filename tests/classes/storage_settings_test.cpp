// ZUB_StorageCapabilitiesPrimordial and the two storage-setting lists:
// redundancy from the supported levels, CreateSetting, PutData and the list
// operations other classes use. The setting lists live for the whole
// process, so tests find their own settings by InstanceID.
#include <gtest/gtest.h>

#include <algorithm>

#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/system/port_controller.h"
#include "tests/support/class_fixture.h"

namespace {

CArrayT<CRaidInfo::_stSupportedRaidLevelInfo> Levels(std::initializer_list<std::pair<uint32_t, int32_t>> levels) {
  CArrayT<CRaidInfo::_stSupportedRaidLevelInfo> out;
  for (auto [code, strip] : levels) {
    CRaidInfo::_stSupportedRaidLevelInfo l{};
    l.raidLevel = code;
    l.info.supported = 1;
    l.info.stripKib = strip;
    out.Add(l);
  }
  return out;
}

std::vector<uint64_t> Redundancy(const stZUB_StorageCapabilitiesPrimordial& c) {
  return {c.DataRedundancyMax, c.DataRedundancyMin, c.PackageRedundancyMax, c.PackageRedundancyMin};
}

TEST(CapabilitiesRules, RedundancyFollowsTheSupportedLevelsInOrder) {
  using V = std::vector<uint64_t>;
  stZUB_StorageCapabilitiesPrimordial c;
  EXPECT_EQ(ApplyRaidLevels(Levels({{SSI_RAID0, 128}, {SSI_RAID1, 64}}), 4, &c), 128);
  EXPECT_EQ(Redundancy(c), (V{1, 4, 0, 4}));
  c = {};
  EXPECT_EQ(ApplyRaidLevels(Levels({{SSI_RAID0, 128}, {SSI_RAID1, 64}, {SSI_RAID5, 256}}), 4, &c), 256);
  EXPECT_EQ(Redundancy(c), (V{0, 4, 1, 4}));  // a later RAID5 sets data redundancy back to 0
  c = {};
  ApplyRaidLevels(Levels({{SSI_RAID10, 64}}), 5, &c);
  EXPECT_EQ(Redundancy(c), (V{1, 2, 1, 2}));  // integer halves
  c = {};
  EXPECT_EQ(ApplyRaidLevels(Levels({}), 3, &c), 0);
  EXPECT_EQ(Redundancy(c), (V{0, 0, 0, 0}));
}

// Controller 7 offers write-back and RAID0 (strip 64) and RAID1 (strip 128):
// two available disks, a spare, two members. Controller 8 has no free disk.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 7, "name": "Seven", "write_back_offered": 1,
   "raid_info": {"handle": 70, "value1": 11, "value2": 12, "levels": {
     "1": {"strip_kib": 64, "strip_mask": 127}, "2": {"strip_kib": 128, "strip_mask": 0}}},
   "disks": [{"handle": 71}, {"handle": 72}, {"handle": 73, "usage": 4}, {"handle": 74}, {"handle": 75}],
   "volumes": [{"name": "M", "level": 2, "disks": [74, 75]}]},
  {"handle": 8, "name": "Eight", "disks": [{"handle": 81}, {"handle": 82}],
   "volumes": [{"name": "N", "level": 2, "disks": [81, 82]}]}]})";

class SettingsTest : public zubtest::ClassFixture {
 protected:
  void SetUp() override {
    ClassFixture::SetUp();
    Load(kTopology);
    List<&PROVIDER_CreateZubPortControllerInstance>();
    List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
    List<&PROVIDER_CreateZubStoragePoolInstance>();
  }
  static stZUB_StorageCapabilitiesPrimordial Create(const wchar_t* id, uint64_t type) {
    stZUB_StorageCapabilitiesPrimordial rec;
    rec.InstanceID = id;
    rec.SettingType = type;
    EXPECT_EQ(PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance()->CreateSetting(&rec), PROVIDER_SUCCESS);
    return rec;
  }
  static const stZUB_StorageSetting* Find(const CArrayT<stZUB_StorageSetting>& list, const CZubString& id) {
    for (const stZUB_StorageSetting& s : list) {
      if (s.InstanceID.Compare(id) == 0) return &s;
    }
    return nullptr;
  }
  static CArrayT<stZUB_StorageSetting> Primordial() {
    CArrayT<stZUB_StorageSetting> out;
    PROVIDER_CreateZubStorageSettingPrimordialInstance()->GetData(&out);
    return out;
  }
};

TEST_F(SettingsTest, CapabilitiesPerPrimordialPool) {
  auto caps = List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>();
  ASSERT_EQ(caps.GetCount(), 1u);  // controller 8 has no pool
  const stZUB_StorageCapabilitiesPrimordial& c = caps[0];
  EXPECT_EQ(c.InstanceID.Str(), L"7");
  EXPECT_EQ(c.CapabilitiesName.Str(), L"ZUB_StorageCapabilitiesPrimordial_7");
  EXPECT_EQ(c.Description.Str(), L"Storage capabilities for primordail pool ZUB_StorageCapabilitiesPrimordial_7");
  EXPECT_EQ(c.ExtentStripeLengthDefault, 3u);  // two available disks and the spare
  EXPECT_EQ(c.UserDataStripeDepthDefault, 131072u);
  EXPECT_EQ(Redundancy(c), (std::vector<uint64_t>{1, 3, 0, 3}));
  EXPECT_EQ(c.DataRedundancyDefault, 3u);
  EXPECT_EQ(c.PackageRedundancyDefault, 3u);
  EXPECT_EQ(c.NoSinglePointOfFailure * 10 + c.NoSinglePointOfFailureDefault, 10);

  Fail("SsiGetRaidLevelInfo");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>(PROVIDER_FAILED).GetCount(), 0u);
}

TEST_F(SettingsTest, CreateSettingFilesNumberedDefaultAndGoalSettings) {
  List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>();
  const size_t before = Primordial().GetCount();
  EXPECT_EQ(Create(L"7", 1).ReturnValue, 5u);
  EXPECT_EQ(Create(L"8", 2).ReturnValue, 2u);  // no capabilities entry
  EXPECT_EQ(Primordial().GetCount(), before);

  stZUB_StorageCapabilitiesPrimordial first = Create(L"7", 2);
  ASSERT_EQ(first.ReturnValue, 0u);
  EXPECT_EQ(Create(L"7", 9).ReturnValue, 5u);  // a failure uses no number
  stZUB_StorageCapabilitiesPrimordial second = Create(L"7", 3);
  ASSERT_EQ(second.ReturnValue, 0u);

  CArrayT<stZUB_StorageSetting> list = Primordial();
  ASSERT_EQ(list.GetCount(), before + 2);
  const stZUB_StorageSetting& d = list[before];
  const stZUB_StorageSetting& g = list[before + 1];
  const std::wstring prefix = L"Generated_PrimordialSetting_";
  ASSERT_EQ(d.InstanceID.Str().rfind(prefix, 0), 0u);
  const uint64_t n = std::stoull(d.InstanceID.Str().substr(prefix.size()));
  EXPECT_EQ(g.InstanceID.Str(), prefix + std::to_wstring(n + 1));
  EXPECT_NE(first.NewSetting.Str().find(L"ZUB_StorageSettingPrimordial.InstanceID=\"" + d.InstanceID.Str() + L"\""),
            std::wstring::npos)
      << first.NewSetting.Str();

  EXPECT_EQ(d.VolumeName.Str(), d.InstanceID.Str());
  EXPECT_EQ(d.PoolID.Str(), L"Primordial_7");
  EXPECT_EQ(d.RaidLevel.Str(), L"RAID0");
  EXPECT_EQ(d.CachePolicy.Str(), L"CACHING_OFF");
  EXPECT_EQ(d.ExtentStripeLength, 2u);  // the pool's available extents
  EXPECT_EQ(d.ChangeableType, 1u);
  EXPECT_EQ(d.RaidInfoValue1 * 100 + d.RaidInfoValue2, 1112u);
  ASSERT_EQ(d.SupportedRaidLevels.GetCount(), 2u);
  EXPECT_EQ(d.SupportedRaidLevels[1].Str(), L"RAID1");
  ASSERT_EQ(d.SupportedCachePolicies.GetCount(), 2u);
  EXPECT_EQ(d.SupportedCachePolicies[1].Str(), L"WRITEBACK");
  // Default: the capabilities' defaults; goal: their ranges, any strip.
  EXPECT_EQ(d.UserDataStripeDepthMin, 131072u);
  EXPECT_EQ(d.UserDataStripeDepthMax, 131072u);
  EXPECT_EQ(d.DataRedundancyMax * 10 + d.DataRedundancyMin, 33u);
  EXPECT_EQ(d.NoSinglePointOfFailure, 0u);
  EXPECT_EQ(g.UserDataStripeDepthMin, 1024u);
  EXPECT_EQ(g.UserDataStripeDepthMax, 33554432u);
  EXPECT_EQ(g.DataRedundancyMax * 10 + g.DataRedundancyMin, 13u);
  EXPECT_EQ(g.NoSinglePointOfFailure, 1u);
  EXPECT_EQ(g.UserDataStripeDepth, 0u);
}

TEST_F(SettingsTest, PutDataChangesGoalsOnlyAndListsPersist) {
  List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>();
  stZUB_StorageCapabilitiesPrimordial created = Create(L"7", 3);
  ASSERT_EQ(created.ReturnValue, 0u);
  CArrayT<stZUB_StorageSetting> list = Primordial();
  stZUB_StorageSetting goal = list[list.GetCount() - 1];
  goal.ElementName = L"renamed";
  goal.PoolID = L"elsewhere";
  goal.RaidLevel = L"RAID1";
  goal.UserDataStripeDepth = 65536;
  goal.CachePolicy = L"WRITEBACK";
  goal.SmallestDiskBlocks = 5;  // only volume settings take this
  CZubStorageSettingInterface* settings = PROVIDER_CreateZubStorageSettingPrimordialInstance();
  EXPECT_EQ(settings->PutData(goal), PROVIDER_SUCCESS);
  EXPECT_EQ(settings->Update(), PROVIDER_SUCCESS);  // the list is not rebuilt
  list = Primordial();
  const stZUB_StorageSetting* stored = Find(list, goal.InstanceID);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->ElementName.Str(), L"Primordial storage settings");
  EXPECT_EQ(stored->PoolID.Str(), L"Primordial_7");
  EXPECT_EQ(stored->RaidLevel.Str(), L"RAID1");
  EXPECT_EQ(stored->UserDataStripeDepth, 65536u);
  EXPECT_EQ(stored->CachePolicy.Str(), L"WRITEBACK");
  EXPECT_EQ(stored->SmallestDiskBlocks, 0u);

  // The volume list: filed and removed by other classes.
  stZUB_StorageSetting volume;
  volume.InstanceID = L"VolumeSetting_ListTest";
  AddSetting(SettingList::Volume, volume);
  AddSetting(SettingList::Volume, volume);
  volume.SmallestDiskBlocks = 5;
  PROVIDER_CreateZubStorageSettingVolumeInstance()->PutData(volume);  // every setting with that key
  CArrayT<stZUB_StorageSetting> volumes;
  PROVIDER_CreateZubStorageSettingVolumeInstance()->GetData(&volumes);
  size_t found = 0;
  for (const stZUB_StorageSetting& s : volumes) {
    if (s.InstanceID.Compare(volume.InstanceID) == 0) found += s.SmallestDiskBlocks;
  }
  EXPECT_EQ(found, 10u);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_FAILED);

  // A volume's own setting is filed once, however many listings of the new
  // volume file it at the same moment; another controller's is its own.
  volume.VolumeName = L"ListTest";
  volume.ControllerHandle = L"7";
  FileVolumeSetting(volume);
  FileVolumeSetting(volume);
  volume.ControllerHandle = L"8";
  FileVolumeSetting(volume);
  PROVIDER_CreateZubStorageSettingVolumeInstance()->GetData(&volumes);
  EXPECT_EQ(std::count_if(volumes.begin(), volumes.end(),
                          [&](const stZUB_StorageSetting& s) { return s.InstanceID.Compare(volume.InstanceID) == 0; }),
            2);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
}

}  // namespace
