// The storage classes: disks, pools, volumes, the redundancy sets and the
// storage associations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "classes/config/storage_setting.h"
#include "classes/ports/protocol_endpoint.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/redundancy_set.h"
#include "classes/storage/storage_associations.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/port_controller.h"
#include "provider/provider.h"
#include "tests/classes/association_fixture.h"
#include "tests/support/class_fixture.h"

using zubtest::Fields;

// ZUB_StorageExtentDisk: the mapping of an end device, the listing per
// controller, and the changes that raise alerts.
namespace disks {

using DiskExtentTest = zubtest::ClassFixture;

_SSI_EndDeviceInfo EndDevice(SSI_HANDLE handle, int32_t usage, uint32_t noPool = 0) {
  _SSI_EndDeviceInfo d{};
  d.handle = handle;
  d.usage = usage;
  d.state = 6;
  d.noPool = noPool;
  return d;
}

TEST(DiskExtentMapping, KeysSizesAndPoolAvailability) {
  _SSI_EndDeviceInfo d = EndDevice(65540, 2);
  d.totalSize = 500107862016;
  d.sizes[0] = 1;
  d.sizes[1] = 2;
  d.sizes[2] = 3;
  d.value24 = -5;
  d.state = -1;
  std::strcpy(d.serialNo, "WD-1");
  std::strcpy(d.model, "WDC WD5000");
  std::strcpy(d.firmware, "15.01H15");
  stZUB_StorageExtentDisk rec = DiskExtentOf(d, 4294967295u);
  EXPECT_EQ(rec.DeviceID.Str() + L" " + rec.SystemName.Str() + L" " + rec.EndDeviceHandle.Str(),
            L"65540 Disk_65540 65540");
  EXPECT_EQ(rec.ControllerHandle.Str(), L"4294967295");
  EXPECT_EQ(rec.DiskSize, 500107862016u);
  EXPECT_EQ(rec.SizeA + rec.SizeB * 10 + rec.SizeC * 100, 321u);
  EXPECT_EQ(rec.DeviceValue1, -5);  // widened with sign
  EXPECT_EQ(rec.DiskState, -1);
  EXPECT_EQ(rec.SerialNumber.Str() + rec.Model.Str() + rec.FirmwareRevision.Str(), L"WD-1WDC WD500015.01H15");

  struct Case {
    int32_t usage;
    uint32_t noPool;
    uint8_t available, flag;
    uint64_t category;
  } cases[] = {{2, 0, 1, 0, 3}, {6, 0, 1, 0, 1}, {2, 1, 0, 1, 3}, {5, 0, 0, 0, 1},
               {1, 0, 0, 0, 3}, {4, 0, 0, 0, 3}, {6, 9, 0, 1, 1}, {0, 0, 0, 0, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "usage " << c.usage << " noPool " << c.noPool);
    stZUB_StorageExtentDisk r = DiskExtentOf(EndDevice(1, c.usage, c.noPool), 1);
    EXPECT_EQ(r.AvailableForPool, c.available);
    EXPECT_EQ(r.DeviceFlag, c.flag);
    EXPECT_EQ(r.DiskCategory, c.category);
  }
}

CArrayT<stZUB_StorageExtentDisk> Disks(std::initializer_list<std::tuple<SSI_HANDLE, int32_t, int32_t>> disks) {
  CArrayT<stZUB_StorageExtentDisk> out;
  for (auto [handle, state, usage] : disks) {
    _SSI_EndDeviceInfo d = EndDevice(handle, usage);
    d.state = state;
    out.Add(DiskExtentOf(d, 1));
  }
  return out;
}

std::vector<std::pair<std::wstring, uint32_t>> Changes(const CArrayT<stZUB_StorageExtentDisk>& before,
                                                       const CArrayT<stZUB_StorageExtentDisk>& now) {
  std::vector<std::pair<std::wstring, uint32_t>> out;
  for (const DiskChange& c : DiskChanges(before, now)) out.emplace_back(c.disk->DeviceID.Str(), c.kind);
  return out;
}

TEST(DiskExtentChanges, EachStateAndUsageChangeRaisesItsKinds) {
  using V = std::vector<std::pair<std::wstring, uint32_t>>;
  const auto before = Disks({{10, 6, 2}, {11, 6, 4}, {12, 6, 4}, {13, 6, 4}, {14, 6, 1}, {15, 6, 2}});
  const auto after = Disks({{10, 3, 2}, {11, 6, 1}, {12, 6, 2}, {13, 4, 0}, {14, 5, 4}, {15, 6, 2}});
  EXPECT_EQ(Changes(before, after), (V{{L"10", kDiskFailed}, {L"11", kDiskSpareUsed}, {L"12", kDiskMarkedPrimordial},
                                       {L"12", kDiskSpareReleased}, {L"13", kDiskFailing}, {L"13", kDiskSpareReleased},
                                       {L"14", kDiskMarkedSpare}}));
  EXPECT_EQ(Changes(after, before), (V{{L"10", kDiskHealthy}, {L"11", kDiskMarkedSpare}, {L"12", kDiskMarkedSpare},
                                       {L"13", kDiskHealthy}, {L"13", kDiskMarkedSpare}, {L"14", kDiskHealthy},
                                       {L"14", kDiskSpareUsed}}));
  EXPECT_EQ(Changes(before, before), V{});

  // Counts differ: only insertions or only removals, found by handle.
  const auto fewer = Disks({{10, 3, 2}, {12, 6, 4}});
  const auto more = Disks({{10, 6, 2}, {20, 6, 2}, {12, 6, 4}, {21, 6, 2}});
  EXPECT_EQ(Changes(fewer, more), (V{{L"20", kDiskInserted}, {L"21", kDiskInserted}}));
  EXPECT_EQ(Changes(more, fewer), (V{{L"20", kDiskRemoved}, {L"21", kDiskRemoved}}));
}

TEST_F(DiskExtentTest, DisksOfEveryControllerInControllerThenMiddlewareOrder) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 2, "name": "B", "disks": [{"handle": 22, "serial": "S22"}, {"handle": 21}]},
    {"handle": 1, "name": "Empty", "disks": []},
    {"handle": 3, "name": "A", "type": 2, "disks": [{"handle": 31, "usage": 4, "state": 3}]}]})");
  auto disks = List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  ASSERT_EQ(disks.GetCount(), 3u);
  EXPECT_EQ(disks[0].SerialNumber.Str(), L"S22");
  EXPECT_EQ(disks[1].DeviceID.Str(), L"21");
  EXPECT_EQ(disks[0].ControllerHandle.Str(), L"2");
  EXPECT_EQ(disks[2].ControllerHandle.Str(), L"3");
  EXPECT_EQ(disks[2].DiskUsage, 4);
  EXPECT_EQ(disks[2].DiskState, 3);

  // The first controller's disks are counted, then fetching them fails.
  zubtest::NthCall fill{2, [] { Fail("SsiGetEndDeviceHandles"); }};
  fill.Install("SsiGetEndDeviceHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageExtentDiskInstance>(PROVIDER_FAILED).GetCount(), 0u);
}

}  // namespace disks

// ZUB_StoragePool: one primordial pool per controller with available,
// healthy disks; its three size queries; the pool changes that raise alerts.
namespace pools {

// Controller 3: available disks of 1000 (failed), 300, 700, a member disk, a
// disk barred from pools, a spare. Controller 4: only member disks.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 3, "name": "C3", "disks": [
     {"handle": 31, "size": 1000, "state": 3}, {"handle": 32, "size": 300}, {"handle": 33, "size": 700},
     {"handle": 34, "size": 5000}, {"handle": 35, "size": 800, "no_pool": 1}, {"handle": 36, "size": 900, "usage": 4},
     {"handle": 37, "size": 5000}],
   "volumes": [{"name": "V", "level": 1, "disks": [34, 37]}]},
  {"handle": 4, "name": "C4", "disks": [{"handle": 41}, {"handle": 42}],
   "volumes": [{"name": "W", "level": 1, "disks": [41, 42]}]}]})";

class StoragePoolTest : public zubtest::ClassFixture {
 protected:
  // The pool reads the lists its sources hold: bring them up to date first.
  CArrayT<stZUB_StoragePool> Pools(PROVIDER_STATUS status = PROVIDER_SUCCESS) {
    List<&PROVIDER_CreateZubPortControllerInstance>();
    List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
    return List<&PROVIDER_CreateZubStoragePoolInstance>(status);
  }
  static stZUB_StoragePool Ask(const wchar_t* pool, uint64_t elementType = 2) {
    stZUB_StoragePool rec;
    rec.InstanceID = pool;
    rec.SizesElementType = elementType;
    rec.RangeElementType = elementType;
    return rec;
  }
  static CZubStoragePoolInterface* Pool() { return PROVIDER_CreateZubStoragePoolInstance(); }
};

TEST_F(StoragePoolTest, OnePoolPerControllerWithAvailableHealthyDisks) {
  Load(kTopology);
  auto pools = Pools();
  ASSERT_EQ(pools.GetCount(), 1u);  // controller 4 has no available disk
  const stZUB_StoragePool& p = pools[0];
  EXPECT_EQ(p.InstanceID.Str() + L" " + p.PoolID.Str() + L" " + p.Caption.Str(), L"3 Primordial_3 Primordial_3");
  EXPECT_EQ(p.AvailableSpace, 1000u);  // 300 + 700: not the failed, member, barred or spare disks
  EXPECT_EQ(p.ControllerHandle.Str() + L" " + p.ControllerName.Str(), L"3 C3");

  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 3, "disks": []}]})");
  EXPECT_EQ(Pools(PROVIDER_NOT_FOUND).GetCount(), 0u);  // no disk extent at all
}

TEST_F(StoragePoolTest, SizeQueriesCountEveryAvailableDiskInAscendingOrder) {
  Load(kTopology);
  Pools();
  stZUB_StoragePool rec = Ask(L"3");
  rec.Sizes.Add(1);  // not emptied first
  EXPECT_EQ(Pool()->GetSupportedSizes(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(rec.ReturnValue, 0u);
  EXPECT_EQ(std::vector<uint64_t>(rec.Sizes.begin(), rec.Sizes.end()), (std::vector<uint64_t>{1, 300, 600, 900}));
  EXPECT_EQ(Pool()->GetSupportedSizeRange(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(rec.MinimumVolumeSize, 300u);
  EXPECT_EQ(rec.VolumeSizeDivisor, 300u);
  EXPECT_EQ(rec.MaximumVolumeSize, 900u);

  // The failed disk is offered; the member, barred and spare disks are not.
  rec = Ask(L"3");
  EXPECT_EQ(Pool()->GetAvailableExtents(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(rec.ReturnValue, 0u);
  ASSERT_EQ(rec.AvailableExtents.GetCount(), 3u);
  EXPECT_NE(rec.AvailableExtents[0].Str().find(L"ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\","
                                               L"DeviceID=\"31\",SystemCreationClassName=\"Corvo_ZUBe3.0\","
                                               L"SystemName=\"Disk_31\""), std::wstring::npos)
      << rec.AvailableExtents[0].Str();

  rec = Ask(L"3", 3);  // only volumes (element type 2) are asked about
  EXPECT_EQ(Pool()->GetSupportedSizes(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(Pool()->GetSupportedSizeRange(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(rec.ReturnValue, 2u);
  EXPECT_EQ(rec.Sizes.GetCount() + rec.MaximumVolumeSize, 0u);

  rec = Ask(L"4");  // no such pool
  EXPECT_EQ(Pool()->GetSupportedSizes(&rec), PROVIDER_FAILED);
  EXPECT_EQ(Pool()->GetSupportedSizeRange(&rec), PROVIDER_FAILED);
  EXPECT_EQ(rec.ReturnValue, 2u);
  EXPECT_EQ(Pool()->GetAvailableExtents(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(rec.ReturnValue, 5u);

  // No pool at all.
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 4, "disks": [{"handle": 41}, {"handle": 42}],
                                                         "volumes": [{"name": "W", "level": 1, "disks": [41, 42]}]}]})");
  Pools();
  rec = Ask(L"3");
  EXPECT_EQ(Pool()->GetAvailableExtents(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(rec.ReturnValue, 4u);
}

stZUB_StoragePool PoolRecord(const wchar_t* id, uint64_t space) {
  stZUB_StoragePool p;
  p.InstanceID = id;
  p.PoolID = id;
  p.AvailableSpace = space;
  return p;
}

TEST(StoragePoolChanges, ExtraPoolsOrChangedSpaceAtTheirPosition) {
  CArrayT<stZUB_StoragePool> a, b, c;
  a.Add(PoolRecord(L"1", 10));
  a.Add(PoolRecord(L"2", 20));
  b.Add(PoolRecord(L"1", 10));
  b.Add(PoolRecord(L"2", 25));
  c.Add(PoolRecord(L"2", 20));
  EXPECT_TRUE(PoolChanges(a, a).empty());
  auto changed = PoolChanges(a, b);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0], &b[1]);
  changed = PoolChanges(a, c);  // a pool went: the previous one beyond the count
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0], &a[1]);
  changed = PoolChanges(c, a);  // a pool came
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0], &a[1]);
  b[1] = a[1];
  b[1].ControllerName = L"renamed";  // not one of the compared fields
  EXPECT_TRUE(PoolChanges(a, b).empty());
}

}  // namespace pools

// ZUB_StorageVolume: the mapping of a middleware volume, the listing with the
// volume settings it files, and the changes that raise alerts. Volume
// settings live for the whole process, so each test names its volumes
// apart.
namespace volumes {

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
  EXPECT_EQ(v.DeviceID.Str() + L" " + v.SystemName.Str(), L"Data_3 Volume_3");
  EXPECT_EQ(v.Description.Str(), L"Volume storage of type: RAID5");
  EXPECT_EQ(v.VolumeHandle.Str() + L" " + v.ArrayHandle.Str(), L"3 4");
  EXPECT_EQ(v.StripSize, 131072);
  EXPECT_EQ(v.CachePolicy.Str(), L"CACHING_OFF");

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

  const std::pair<int32_t, uint64_t> health[] = {{1, 5}, {2, 10}, {3, 20}, {16, 30}, {0, 0}, {17, 0}};
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
  EXPECT_EQ(s.InstanceID.Str() + L" " + s.ControllerHandle.Str(), L"VolumeSetting_FileOnce 1");
  EXPECT_EQ(s.ExtentStripeLength, 2u);
  EXPECT_EQ(s.RaidLevel.Str() + L" " + s.CachePolicy.Str(), L"RAID0 WRITE_THROUGH");
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

}  // namespace volumes

// ZUB_StorageRedundancySet and its member, hosting and spare associations.
namespace redundancy {

// Controller 1 (AHCI, feature on, 8 PHYs): a healthy spare (SizeB 900), a
// failed spare (SizeB 1500), a RAID5 volume of four disks, a RAID0 volume.
// Controller 2 (DOX, feature off): only a failed spare. Controller 3 (type 3):
// a spare, but no set. Controller 4 (DOX): a RAID1 volume.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "A", "type": 1, "feature_flag": 1, "phy_count": 8, "disks": [
     {"handle": 11, "usage": 4, "sizes": [1, 900, 1]}, {"handle": 12, "usage": 4, "state": 3, "sizes": [1, 1500, 1]},
     {"handle": 13}, {"handle": 14}, {"handle": 15}, {"handle": 16}, {"handle": 17}, {"handle": 18}],
   "volumes": [{"name": "R5", "level": 8, "disks": [13, 14, 15, 16]}, {"name": "Z", "level": 1, "disks": [17, 18]}]},
  {"handle": 2, "name": "B", "type": 2, "feature_flag": 0, "disks": [
     {"handle": 21, "usage": 4, "state": 3, "sizes": [1, 700, 1]}]},
  {"handle": 3, "name": "C", "type": 3, "feature_flag": 1, "disks": [{"handle": 31, "usage": 4}]},
  {"handle": 4, "name": "D", "type": 2, "feature_flag": 1, "disks": [{"handle": 41}, {"handle": 42}],
   "volumes": [{"name": "M", "level": 2, "disks": [41, 42]}]}]})";

class RedundancySetTest : public zubtest::AssociationFixture {
 protected:
  CArrayT<stZUB_StorageRedundancySet> Sets(PROVIDER_STATUS status = PROVIDER_SUCCESS) {
    return List<&PROVIDER_CreateZubStorageRedundancySetInstance>(status);
  }
  static std::wstring Set(const std::wstring& id) {
    return Path(L"ZUB_StorageRedundancySet.InstanceID=\"ZUBe:StorageRedundancySet:" + id + L"\"");
  }
};

TEST_F(RedundancySetTest, OneSetPerAhciOrDoxControllerNumberedPerTypeWithItsHealthySpares) {
  LoadAndList(kTopology);
  auto sets = Sets();
  ASSERT_EQ(sets.GetCount(), 3u);  // none for the controller of type 3
  EXPECT_EQ(sets[0].InstanceID.Str(), L"ZUBe:StorageRedundancySet:AHCI0");
  EXPECT_EQ(sets[1].InstanceID.Str(), L"ZUBe:StorageRedundancySet:DOX0");
  EXPECT_EQ(sets[2].InstanceID.Str(), L"ZUBe:StorageRedundancySet:DOX1");

  const stZUB_StorageRedundancySet& a = sets[0];
  EXPECT_EQ(a.RedundancyStatus, 2u);
  EXPECT_EQ(a.LargestSpareSize, 900u);  // the failed, larger spare does not count
  EXPECT_EQ(a.MaxNumberSupported, 8u);
  EXPECT_EQ(a.ControllerHandle.Str(), L"1");

  // Only a failed spare; no spare at all.
  EXPECT_EQ(sets[1].RedundancyStatus, 4u);
  EXPECT_EQ(sets[1].LargestSpareSize, 0u);
  EXPECT_EQ(sets[2].RedundancyStatus, 4u);

  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "type": 1, "disks": []}]})");
  PROVIDER_CreateZubStorageExtentDiskInstance()->Update();
  EXPECT_EQ(Sets(PROVIDER_FAILED).GetCount(), 0u);  // no disk extent
}

// Members: the disks of redundant volume settings of the set's controller;
// each set hosted by the system of its controller; spares of
// feature-enabled controllers, in any state.
TEST_F(RedundancySetTest, MembersHostsAndSparesOfEachSet) {
  LoadAndList(kTopology);
  Sets();
  // R5's four, M's two; never the RAID0 volume's disks.
  EXPECT_EQ(zubtest::Refs(List<&PROVIDER_CreateZubMemberOfCollectionInstance>(), &stZUB_MemberOfCollection::Collection,
                          &stZUB_MemberOfCollection::Member),
            (zubtest::RefPairs{{Set(L"AHCI0"), Disk(L"13")}, {Set(L"AHCI0"), Disk(L"14")}, {Set(L"AHCI0"), Disk(L"15")},
                               {Set(L"AHCI0"), Disk(L"16")}, {Set(L"DOX1"), Disk(L"41")}, {Set(L"DOX1"), Disk(L"42")}}));
  auto hosted = List<&PROVIDER_CreateZubHostedCollectionInstance>();
  ASSERT_EQ(hosted.GetCount(), 3u);  // system C has no set
  EXPECT_EQ(hosted[0].Dependent.Str() + hosted[0].Antecedent.Str(), Set(L"AHCI0") + System(L"A"));
  EXPECT_EQ(hosted[1].Antecedent.Str(), System(L"B"));
  EXPECT_EQ(hosted[2].Dependent.Str() + hosted[2].Antecedent.Str(), Set(L"DOX1") + System(L"D"));
  auto spares = List<&PROVIDER_CreateZubIsSpareInstance>();
  ASSERT_EQ(spares.GetCount(), 2u);  // not B's (feature off) nor C's (no set)
  EXPECT_EQ(spares[0].Dependent.Str() + spares[0].Antecedent.Str(), Set(L"AHCI0") + Disk(L"11"));
  EXPECT_EQ(spares[1].Antecedent.Str(), Disk(L"12"));  // the failed spare too

  // No set at all.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 3, "type": 3, "disks": [{"handle": 31}]}]})");
  Sets();
  EXPECT_EQ(List<&PROVIDER_CreateZubHostedCollectionInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubIsSpareInstance>(PROVIDER_FAILED).GetCount(), 0u);

  // No volume setting at all.
  ClearSettings();
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "type": 1, "disks": [{"handle": 11}]}]})");
  Sets();
  EXPECT_EQ(List<&PROVIDER_CreateZubMemberOfCollectionInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace redundancy

// ZUB_AllocatedFromStoragePool, ZUB_ConcreteComponent and
// ZUB_ConcreteDependency on volumes of the same name on two controllers.
namespace associations {

using zubtest::RefPairs;
using zubtest::Refs;

// Controller 5: an available disk, an available failed disk, a RAID5 volume
// "Data" of three disks. Controller 6: only a RAID1 volume "Data", so no pool.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 5, "name": "Five", "disks": [
     {"handle": 51}, {"handle": 52, "state": 3}, {"handle": 53}, {"handle": 54}, {"handle": 55}],
   "volumes": [{"handle": 500, "name": "Data", "level": 8, "size": 3000, "disks": [55, 53, 54]}]},
  {"handle": 6, "name": "Six", "disks": [{"handle": 61}, {"handle": 62}],
   "volumes": [{"handle": 600, "name": "Data", "level": 2, "size": 2000, "disks": [61, 62]}]}]})";

class StorageAssociationsTest : public zubtest::AssociationFixture {
 protected:
  static std::wstring Volume(const std::wstring& handle) {
    return Path(L"ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Data_" + handle +
                L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_" + handle + L"\"");
  }
  static std::wstring Pool(const std::wstring& id) { return Path(L"ZUB_StoragePool.InstanceID=\"" + id + L"\""); }
};

TEST_F(StorageAssociationsTest, AVolumeIsAllocatedFromThePoolOfItsControllerOnly) {
  LoadAndList(kTopology);
  auto allocated = List<&PROVIDER_CreateZubAllocatedFromStoragePoolInstance>();
  EXPECT_EQ(Refs(allocated, &stZUB_AllocatedFromStoragePool::Dependent, &stZUB_AllocatedFromStoragePool::Antecedent),
            (RefPairs{{Volume(L"500"), Pool(L"5")}}));  // controller 6 has no pool
  ASSERT_EQ(allocated.GetCount(), 1u);
  CArrayT<stZUB_StorageVolume> volumes;
  PROVIDER_CreateZubStorageVolumeInstance()->GetData(&volumes);
  ASSERT_EQ(volumes.GetCount(), 2u);
  EXPECT_NE(volumes[0].VolumeSize, 0u);
  EXPECT_EQ(allocated[0].SpaceConsumed, volumes[0].VolumeSize);

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 6, "disks": [{"handle": 61}, {"handle": 62}],
    "volumes": [{"name": "Data", "level": 2, "disks": [61, 62]}]}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubAllocatedFromStoragePoolInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

TEST_F(StorageAssociationsTest, EveryAvailableDiskIsAComponentOfItsPoolWhateverItsState) {
  LoadAndList(kTopology);
  std::vector<std::wstring> inPools;  // (the disks' endpoints are joined too)
  for (const auto& component : List<&PROVIDER_CreateZubConcreteComponentInstance>()) {
    if (component.GroupComponent.Str().find(L"ZUB_StoragePool") != std::wstring::npos) {
      EXPECT_EQ(component.GroupComponent.Str(), Pool(L"5"));
      inPools.push_back(component.PartComponent.Str());
    }
  }
  // Not the member disks; the failed disk although the pool's space leaves it out.
  EXPECT_EQ(inPools, (std::vector<std::wstring>{Disk(L"51"), Disk(L"52")}));

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 5, "disks": []}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubConcreteComponentInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

TEST_F(StorageAssociationsTest, EveryDiskIsAComponentOfItsOwnEndpointNotOfItsVolumesDAPortEndpoint) {
  // AHCI 5: 51 available, 52 and 53 a mirror (52 its first disk, so the DA
  // port's endpoint is attached to 52 too, and listed first), 54 without a
  // PHY. DOX 6: SAS and SSP disks.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 5, "type": 1, "disks": [
       {"handle": 51, "phy": {"handle": 151, "protocol": 1}, "port": {"handle": 251}},
       {"handle": 52, "phy": {"handle": 152, "protocol": 1}, "port": {"handle": 252}},
       {"handle": 53, "phy": {"handle": 153, "protocol": 1}, "port": {"handle": 253}},
       {"handle": 54, "phy": null}],
     "volumes": [{"handle": 500, "name": "Mirror", "level": 2, "disks": [52, 53]}]},
    {"handle": 6, "type": 2, "disks": [
       {"handle": 61, "phy": {"handle": 161, "protocol": 2}, "port": {"handle": 261}},
       {"handle": 62, "phy": {"handle": 162, "protocol": 4}, "port": {"handle": 262}}]}]})");
  PROVIDER_CreateZubATAProtocolEndpointInstance()->Update();  // the port classes too
  PROVIDER_CreateZubSCSIProtocolEndpointInstance()->Update();
  const auto endpoint = [](const std::wstring& kind, const std::wstring& port) {
    const std::wstring cimClass = kind == L"SATA" ? L"ZUB_ATAProtocolEndpoint" : L"ZUB_SCSIProtocolEndpoint";
    return Path(cimClass + L".CreationClassName=\"" + cimClass + L"\",Name=\"" + kind + L"_Logical_" + port +
                L"\",SystemCreationClassName=\"" + kind + L"Endpoint_" + port + L"\",SystemName=\"Corvo_ZUBe3.0\"");
  };
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubConcreteComponentInstance>(), &stZUB_ConcreteComponent::GroupComponent,
                 &stZUB_ConcreteComponent::PartComponent),
            (RefPairs{{Pool(L"5"), Disk(L"51")}, {endpoint(L"SATA", L"251"), Disk(L"51")},
                      {endpoint(L"SATA", L"252"), Disk(L"52")},  // a member: no pool
                      {endpoint(L"SATA", L"253"), Disk(L"53")}, {Pool(L"5"), Disk(L"54")},  // no PHY: no endpoint
                      {Pool(L"6"), Disk(L"61")}, {endpoint(L"SCSI", L"261"), Disk(L"61")},
                      {Pool(L"6"), Disk(L"62")}, {endpoint(L"SCSI", L"262"), Disk(L"62")}}));
}

TEST_F(StorageAssociationsTest, AVolumeDependsOnTheDisksOfTheSettingOfItsNameAndController) {
  LoadAndList(kTopology);
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubConcreteDependencyInstance>(), &stZUB_ConcreteDependency::Dependent,
                 &stZUB_ConcreteDependency::Antecedent),
            (RefPairs{{Volume(L"500"), Disk(L"55")}, {Volume(L"500"), Disk(L"53")}, {Volume(L"500"), Disk(L"54")},
                      {Volume(L"600"), Disk(L"61")}, {Volume(L"600"), Disk(L"62")}}));  // never across controllers

  ClearSettings();
  EXPECT_EQ(List<&PROVIDER_CreateZubConcreteDependencyInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace associations
