// The storage classes: disks, pools, volumes, the redundancy sets and the
// storage associations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "classes/ports/da_port.h"
#include "classes/ports/protocol_endpoint.h"
#include "classes/storage/redundancy_set.h"
#include "classes/storage/storage_associations.h"
#include "tests/classes/association_fixture.h"
#include "tests/classes/storage_helpers.h"

using zubtest::RefPairs;
using zubtest::Refs;
using zubtest::Row;
using zubtest::Rows;
using zubtest::Settings;
using zubtest::Table;
// The changes a comparison reports: the record named, the kind of change.
using Kinds = std::vector<std::pair<std::wstring, uint32_t>>;
// Known host names, no setting left over from another test.
using StorageClassTest = zubtest::AssociationFixture;

// ZUB_StorageExtentDisk: the listing per controller, each disk's fields, and
// the changes that raise alerts.
namespace disks {

TEST(DiskExtentChanges, EachStateAndUsageChangeRaisesItsKinds) {
  const auto disks = [](std::initializer_list<std::tuple<SSI_HANDLE, int32_t, int32_t>> list) {
    CArrayT<stZUB_StorageExtentDisk> out;
    for (auto [handle, state, usage] : list) {
      _SSI_EndDeviceInfo d{};
      d.handle = handle;
      d.state = state;
      d.usage = usage;
      out.Add(DiskExtentOf(d, 1));
    }
    return out;
  };
  const auto changes = [](const auto& before, const auto& now) {
    Kinds out;
    for (const DiskChange& c : DiskChanges(before, now)) out.emplace_back(c.disk->DeviceID.Str(), c.kind);
    return out;
  };
  // handle, state, usage
  const auto before = disks({{10, 6, 2}, {11, 6, 4}, {12, 6, 4}, {13, 6, 4}, {14, 6, 1}, {15, 3, 2}});
  const auto after = disks({{10, 3, 2}, {11, 6, 1}, {12, 6, 2}, {13, 4, 0}, {14, 5, 4}, {15, 6, 2}});
  EXPECT_EQ(changes(before, after),
            (Kinds{{L"10", kDiskFailed}, {L"11", kDiskSpareUsed}, {L"12", kDiskMarkedPrimordial},
                   {L"12", kDiskSpareReleased}, {L"13", kDiskFailing}, {L"13", kDiskSpareReleased},
                   {L"14", kDiskMarkedSpare}, {L"15", kDiskHealthy}}));
  EXPECT_EQ(changes(before, before), Kinds{});

  // Counts differ: only insertions or only removals, found by handle.
  const auto fewer = disks({{10, 3, 2}, {12, 6, 4}});
  const auto more = disks({{10, 6, 2}, {20, 6, 2}, {12, 6, 4}, {21, 6, 2}});
  EXPECT_EQ(changes(fewer, more), (Kinds{{L"20", kDiskInserted}, {L"21", kDiskInserted}}));
  EXPECT_EQ(changes(more, fewer), (Kinds{{L"20", kDiskRemoved}, {L"21", kDiskRemoved}}));
}

// A disk is available for pools when of usage 2 or 6 and not barred
// (DeviceFlag); of category 1 when of usage 5 or 6.
TEST_F(StorageClassTest, DisksOfEveryControllerInControllerThenMiddlewareOrder) {
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 2, "disks": [
     {"handle": 22, "serial": "WD-1", "model": "WDC WD5000", "firmware": "15.01H15", "size": 500107862016,
      "sizes": [1, 2, 3], "value24": -5, "value144": 7}, {"handle": 21, "usage": 6}, {"handle": 23, "usage": 5},
     {"handle": 24, "no_pool": 1}, {"handle": 25, "usage": 6, "no_pool": 9}, {"handle": 26, "usage": 0}]},
    {"handle": 1, "disks": []},
    {"handle": 4294967295, "disks": [{"handle": 31, "usage": 4, "state": -1}, {"handle": 32, "usage": 1}]}]})");
  const auto disks = List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  ASSERT_EQ(Table(disks, {"DeviceID", "ControllerHandle", "DiskUsage", "DiskState", "AvailableForPool", "DeviceFlag",
                          "DiskCategory"}),
            (Rows{L"22|2|2|6|1|0|3", L"21|2|6|6|1|0|1", L"23|2|5|6|0|0|1", L"24|2|2|6|0|1|3", L"25|2|6|6|0|1|1",
                  L"26|2|0|6|0|0|3", L"31|4294967295|4|-1|0|0|3", L"32|4294967295|1|6|0|0|3"}));
  EXPECT_EQ(Row(disks[0], {"SystemName", "EndDeviceHandle", "DiskSize", "SizeA", "SizeB", "SizeC", "DeviceValue1",
                           "DeviceValue2", "SerialNumber", "Model", "FirmwareRevision"}),
            L"Disk_22|22|500107862016|1|2|3|-5|7|WD-1|WDC WD5000|15.01H15");  // widened with their signs

  // The first controller's disks are counted, then fetching them fails.
  zubtest::NthCall fill{2, [] { Fail("SsiGetEndDeviceHandles"); }};
  fill.Install("SsiGetEndDeviceHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageExtentDiskInstance>(PROVIDER_FAILED).GetCount(), 0u);
}

}  // namespace disks

// ZUB_StorageVolume: the mapping of a middleware volume, the listing with the
// volume settings it files, and the changes that raise alerts.
namespace volumes {

_SSI_VolumeInfo Volume(const char* name, SSI_HANDLE handle, uint32_t level, uint32_t disks = 2) {
  _SSI_VolumeInfo v{};
  std::strcpy(v.name, name);
  v.handle = handle;
  v.arrayHandle = handle + 1;
  v.raidLevel = level;
  v.numDisks = disks;
  return v;
}

TEST(VolumeMapping, KeysLevelsHealthStripAndCache) {
  _SSI_VolumeInfo raw = Volume("Data", 3, SSI_RAID5, 3);
  raw.stripSize = 1u << 20;  // 2 GiB: negative as a 32-bit signed value, widened with its sign
  raw.cachePolicy = 3;
  raw.flag = 7;
  EXPECT_EQ(Row(VolumeOf(raw), {"DeviceID", "SystemName", "ElementName", "Description", "VolumeHandle", "ArrayHandle",
                                "StripSize", "CachePolicy", "VolumeFlag"}),
            L"Data_3|Volume_3|Data|Volume storage of type: RAID5|3|4|-2147483648|WRITEBACK|1");

  // Each level on a number of disks; 3 is no level.
  CArrayT<stZUB_StorageVolume> levels;
  for (auto [level, disks] : {std::pair<uint32_t, uint32_t>{SSI_RAID0, 2}, {SSI_RAID1, 2}, {SSI_RAID10, 4},
                              {SSI_RAID5, 3}, {SSI_RAID6, 4}, {3, 2}})
    levels.Add(VolumeOf(Volume("V", 1, level, disks)));
  const auto shown = {"RaidLevel", "NoSinglePointOfFailure", "RedundancyFlag", "DataRedundancy", "PackageRedundancy"};
  EXPECT_EQ(Table(levels, shown),
            (Rows{L"RAID0|0|0|0|0", L"RAID1|1|1|2|1", L"RAID10|1|1|4|3", L"RAID5|1|1|0|1", L"RAID6|1|1|0|2",
                  L"Invalid or Unknown|0|0|0|0"}));

  for (auto [state, fields] :
       {std::pair{1, L"1|5"}, {2, L"2|10"}, {3, L"3|20"}, {16, L"16|30"}, {0, L"0|0"}, {17, L"17|0"}}) {
    raw.state = state;
    EXPECT_EQ(Row(VolumeOf(raw), {"VolumeState", "HealthState"}), fields);
  }

  EXPECT_EQ(SmallestStrip(0) + LargestStrip(0), 0u);  // a mask without a strip
}

TEST(VolumeChangesTest, CreatedDeletedAndModifiedByPosition) {
  // Volumes of controller 1, one per name and level.
  const auto volumes = [](std::initializer_list<std::pair<const char*, uint32_t>> list) {
    CArrayT<stZUB_StorageVolume> out;
    SSI_HANDLE h = 1;
    for (auto [name, level] : list) out.Add(VolumeOf(Volume(name, h++, level)));
    for (stZUB_StorageVolume& v : out) v.ControllerHandle = L"1";
    return out;
  };
  const auto changes = [](const auto& before, const auto& now) {
    Kinds out;
    for (const VolumeChange& c : VolumeChanges(before, now))
      out.emplace_back(Row(*c.volume, {"ElementName", "ControllerHandle"}), c.kind);
    return out;
  };
  const auto ab = volumes({{"A", SSI_RAID0}, {"B", SSI_RAID1}});
  const auto abc = volumes({{"A", SSI_RAID0}, {"B", SSI_RAID1}, {"C", SSI_RAID5}});
  EXPECT_EQ(changes(ab, ab), Kinds{});
  EXPECT_EQ(changes(ab, abc), (Kinds{{L"C|1", kVolumeCreated}}));
  EXPECT_EQ(changes(abc, ab), (Kinds{{L"C|1", kVolumeDeleted}}));
  // Renamed, or one deleted and another created between two checks: the
  // positions that differ are modified; nothing is created or deleted.
  EXPECT_EQ(changes(ab, volumes({{"A", SSI_RAID0}, {"Z", SSI_RAID1}})), (Kinds{{L"Z|1", kVolumeModified}}));
  auto changed = ab;
  changed[0].VolumeState = 5;  // the raw state alone raises nothing
  changed[1].CachePolicy = L"WRITEBACK";
  EXPECT_EQ(changes(ab, changed), (Kinds{{L"B|1", kVolumeModified}}));
  changed[0].HealthState = 10;
  EXPECT_EQ(changes(ab, changed), (Kinds{{L"A|1", kVolumeModified}, {L"B|1", kVolumeModified}}));

  // A volume is the same volume by name and controller: of two controllers'
  // volumes named alike, the one that went (or came) is reported.
  auto twoSame = volumes({{"S", SSI_RAID1}, {"S", SSI_RAID1}}), second = volumes({{"S", SSI_RAID1}});
  twoSame[1].ControllerHandle = second[0].ControllerHandle = L"2";
  EXPECT_EQ(changes(twoSame, second), (Kinds{{L"S|1", kVolumeDeleted}}));
  EXPECT_EQ(changes(second, twoSame), (Kinds{{L"S|1", kVolumeCreated}}));
}

// One rebuild reads the controllers once and files one setting per name and
// controller (the second Twin reads no RAID information). Twin's: its own
// cache policy only, no write-back offered; its level's strip range; the
// smaller member's blocks; the array's order.
TEST_F(StorageClassTest, ARebuildReadsTheControllersOnceAndFilesEachSettingOnce) {
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "name": "One", "write_back_offered": 0,
     "raid_info": {"handle": 10, "value1": 3, "value2": 4, "levels": {
       "1": {"strip_kib": 64, "strip_mask": 66}, "2": {"strip_kib": 64, "strip_mask": 1}}},
     "disks": [{"handle": 11, "sizes": [1, 900, 1]}, {"handle": 12, "sizes": [1, 800, 1]}, {"handle": 13},
               {"handle": 14, "sizes": [1, 700, 1]}],
     "volumes": [{"name": "Twin", "level": 1, "strip_kib": 128, "cache": 2, "disks": [12, 11]},
                 {"name": "Twin", "level": 1, "disks": [13]}, {"name": "Other", "level": 2, "disks": [14]}]}]})");
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  abru2sim::ResetCounters();
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubStorageVolumeInstance>(), {"ElementName", "ControllerHandle"}),
            (Rows{L"Twin|1", L"Twin|1", L"Other|1"}));
  EXPECT_EQ(Calls("SsiGetControllerHandles"), 2u);  // a count and a fetch
  EXPECT_EQ(Calls("SsiGetRaidInfo"), 2u);
  const auto shown = {"InstanceID", "ControllerHandle", "ExtentStripeLength", "RaidLevel", "CachePolicy",
                      "SupportedCachePolicies", "RaidInfoValue1", "RaidInfoValue2", "SupportedRaidLevels",
                      "UserDataStripeDepth", "UserDataStripeDepthMin", "UserDataStripeDepthMax", "SmallestDiskBlocks",
                      "MemberDisks"};
  EXPECT_EQ(Table(Settings(SettingList::Volume), shown),
            (Rows{L"VolumeSetting_Twin|1|2|RAID0|WRITE_THROUGH|WRITE_THROUGH|3|4|RAID0,RAID1|131072|4096|131072|800|" +
                      Disk(L"12") + L"," + Disk(L"11"),
                  L"VolumeSetting_Other|1|2|RAID1|CACHING_OFF|CACHING_OFF|3|4|RAID0,RAID1|65536|2048|2048|700|" +
                      Disk(L"14")}));
  List<&PROVIDER_CreateZubStorageVolumeInstance>();
  EXPECT_EQ(Settings(SettingList::Volume).GetCount(), 2u) << "filed once";

  // A setting to file whose RAID levels cannot be read fails the listing.
  ClearSettings();
  Fail("SsiGetRaidLevelInfo");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageVolumeInstance>(PROVIDER_FAILED).GetCount(), 0u);
}

TEST_F(StorageClassTest, AListingStopsAtAnArrayWithoutDisks) {
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "raid_info": {"handle": 10},
     "disks": [{"handle": 11}, {"handle": 12}, {"handle": 13, "raid_info_handle": 999}, {"handle": 14}],
     "volumes": [{"name": "Orphan", "level": 2, "disks": [13, 14]}, {"name": "Hollow", "level": 1},
                 {"name": "Later", "level": 2, "disks": [11, 12]}]}]})");
  // Hollow's array has no disk. Orphan's first disk names no known RAID
  // info: no controller, but its setting has the last one visited.
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubStorageVolumeInstance>(PROVIDER_NOT_FOUND),
                  {"ElementName", "ControllerHandle"}), Rows{L"Orphan|"});
  EXPECT_EQ(Table(Settings(SettingList::Volume), {"VolumeName", "ControllerHandle"}), Rows{L"Orphan|1"});
}

}  // namespace volumes

// ZUB_StoragePool, ZUB_StorageRedundancySet and the associations of disks,
// volumes, pools and sets, read on one stack.
namespace joined {

// A (AHCI, sparing on): spares 11 and 12 (failed, larger), available 13
// (failed), 14 and 15, 16 barred from pools, volumes "Data" (RAID5) and "Z"
// (RAID0). B (DOX, sparing off): a failed spare. C (type 3): a spare. D
// (DOX): a volume "Data" on all its disks.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "A", "type": 1, "feature_flag": 1, "phy_count": 12, "disks": [
     {"handle": 10}, {"handle": 11, "usage": 4, "sizes": [1, 900, 1]},
     {"handle": 12, "usage": 4, "state": 3, "sizes": [1, 1500, 1]}, {"handle": 13, "size": 1000, "state": 3},
     {"handle": 14, "size": 300}, {"handle": 15, "size": 700}, {"handle": 16, "size": 800, "no_pool": 1},
     {"handle": 17}, {"handle": 18}, {"handle": 19}],
   "volumes": [{"handle": 100, "name": "Data", "level": 8, "size": 3000, "disks": [19, 17, 18]},
               {"handle": 101, "name": "Z", "level": 1, "size": 2000, "disks": [10]}]},
  {"handle": 2, "name": "B", "type": 2, "feature_flag": 0,
   "disks": [{"handle": 21, "usage": 4, "state": 3, "sizes": [1, 700, 1]}]},
  {"handle": 3, "name": "C", "type": 3, "feature_flag": 1, "disks": [{"handle": 31, "usage": 4}]},
  {"handle": 4, "name": "D", "type": 2, "feature_flag": 1, "disks": [{"handle": 41}, {"handle": 42}],
   "volumes": [{"handle": 400, "name": "Data", "level": 2, "disks": [41, 42]}]}]})";

// A volume, but neither a set nor a pool.
constexpr const char* kNoSetNoPool = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 3, "type": 3, "disks": [{"handle": 31}, {"handle": 32}], "volumes": [{"level": 2, "disks": [31, 32]}]}]})";

class StorageTest : public zubtest::AssociationFixture {
 protected:
  void SetUp() override {
    AssociationFixture::SetUp();
    LoadAndList(kTopology);
  }
  static CZubStoragePoolInterface* Pool() { return PROVIDER_CreateZubStoragePoolInstance(); }
  // A size or extent query on pool `id` about elements of that type.
  static stZUB_StoragePool Ask(const wchar_t* id, uint64_t elementType = 2) {
    stZUB_StoragePool rec;
    rec.InstanceID = id;
    rec.SizesElementType = elementType;
    rec.RangeElementType = elementType;
    return rec;
  }
  static std::wstring PoolRef(const std::wstring& id) { return Path(L"ZUB_StoragePool.InstanceID=\"" + id + L"\""); }
  static std::wstring SetRef(const wchar_t* id) {
    return Path(L"ZUB_StorageRedundancySet.InstanceID=\"ZUBe:StorageRedundancySet:" + std::wstring(id) + L"\"");
  }
  static std::wstring VolumeRef(const wchar_t* name, const wchar_t* handle) {
    return Path(zubtest::VolumeKeys(name, handle));
  }
};

// Only A has a pool, of its available, healthy disks (300 + 700); its size
// queries count every available disk, the failed one too, smallest first.
TEST_F(StorageTest, OnePoolPerControllerAndItsSizeQueries) {
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubStoragePoolInstance>(),
                  {"InstanceID", "PoolID", "Caption", "AvailableSpace", "ControllerHandle", "ControllerName"}),
            Rows{L"1|Primordial_1|Primordial_1|1000|1|A"});
  stZUB_StoragePool rec = Ask(L"1");
  rec.Sizes.Add(1);  // not emptied first
  EXPECT_EQ(Pool()->GetSupportedSizes(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(Row(rec, {"ReturnValue", "Sizes"}), L"0|1,300,600,900");
  rec.ReturnValue = 9;
  EXPECT_EQ(Pool()->GetSupportedSizeRange(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(Row(rec, {"ReturnValue", "MinimumVolumeSize", "VolumeSizeDivisor", "MaximumVolumeSize"}), L"0|300|300|900");
  rec = Ask(L"1");
  EXPECT_EQ(Pool()->GetAvailableExtents(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(Row(rec, {"ReturnValue", "AvailableExtents"}),
            L"0|" + Disk(L"13") + L"," + Disk(L"14") + L"," + Disk(L"15"));

  rec = Ask(L"1", 3);  // only volumes (element type 2) are asked about
  EXPECT_EQ(Pool()->GetSupportedSizes(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(Pool()->GetSupportedSizeRange(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(Row(rec, {"ReturnValue", "Sizes", "MaximumVolumeSize"}), L"2||0");

  rec = Ask(L"4");  // no such pool
  EXPECT_EQ(Pool()->GetSupportedSizes(&rec), PROVIDER_FAILED);
  EXPECT_EQ(Pool()->GetSupportedSizeRange(&rec), PROVIDER_FAILED);
  EXPECT_EQ(rec.ReturnValue, 2u);
  EXPECT_EQ(Pool()->GetAvailableExtents(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(rec.ReturnValue, 5u);

  // No disk at all: no pool, none to ask.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 3, "disks": []}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubStoragePoolInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  rec = Ask(L"1");
  EXPECT_EQ(Pool()->GetAvailableExtents(&rec), PROVIDER_SUCCESS);
  EXPECT_EQ(rec.ReturnValue, 4u);
}

TEST(StoragePoolChanges, ExtraPoolsOrChangedSpaceAtTheirPosition) {
  const auto pools = [](std::initializer_list<std::pair<const wchar_t*, uint64_t>> list) {
    CArrayT<stZUB_StoragePool> out;
    for (auto [id, space] : list) {
      stZUB_StoragePool p;
      p.InstanceID = id;
      p.AvailableSpace = space;
      out.Add(p);
    }
    return out;
  };
  const auto changes = [](const auto& before, const auto& now) {
    Rows out;
    for (const auto* p : PoolChanges(before, now)) out.push_back(Row(*p, {"InstanceID", "AvailableSpace"}));
    return out;
  };
  const auto a = pools({{L"1", 10}, {L"2", 20}});
  EXPECT_EQ(changes(a, a), Rows{});
  EXPECT_EQ(changes(a, pools({{L"1", 10}, {L"2", 25}})), Rows{L"2|25"});
  EXPECT_EQ(changes(a, pools({{L"1", 10}})), Rows{L"2|20"});  // a pool went: the previous one beyond the count
  EXPECT_EQ(changes(pools({{L"1", 10}}), a), Rows{L"2|20"});  // a pool came
  auto renamed = a;
  renamed[1].ControllerName = L"renamed";  // not one of the compared fields
  EXPECT_EQ(changes(a, renamed), Rows{});
}

// One set per AHCI or DOX controller, numbered per type, redundant with a
// healthy spare; its members the disks of its controller's redundant volumes
// (not Z's); its host its controller's system; its spares those of a
// controller with sparing on, in any state.
TEST_F(StorageTest, RedundancySetsWithTheirMembersHostsAndSpares) {
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubStorageRedundancySetInstance>(),
                  {"InstanceID", "RedundancyStatus", "LargestSpareSize", "MaxNumberSupported", "ControllerHandle"}),
            (Rows{L"ZUBe:StorageRedundancySet:AHCI0|2|900|12|1", L"ZUBe:StorageRedundancySet:DOX0|4|0|0|2",
                  L"ZUBe:StorageRedundancySet:DOX1|4|0|0|4"}));
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubMemberOfCollectionInstance>(), &stZUB_MemberOfCollection::Collection,
                 &stZUB_MemberOfCollection::Member),
            (RefPairs{{SetRef(L"AHCI0"), Disk(L"19")}, {SetRef(L"AHCI0"), Disk(L"17")}, {SetRef(L"AHCI0"), Disk(L"18")},
                      {SetRef(L"DOX1"), Disk(L"41")}, {SetRef(L"DOX1"), Disk(L"42")}}));
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubHostedCollectionInstance>(), &stZUB_HostedCollection::Dependent,
                 &stZUB_HostedCollection::Antecedent),
            (RefPairs{{SetRef(L"AHCI0"), System(L"A")}, {SetRef(L"DOX0"), System(L"B")},
                      {SetRef(L"DOX1"), System(L"D")}}));
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubIsSpareInstance>(), &stZUB_IsSpare::Dependent, &stZUB_IsSpare::Antecedent),
            (RefPairs{{SetRef(L"AHCI0"), Disk(L"11")}, {SetRef(L"AHCI0"), Disk(L"12")}}));
  ClearSettings();
  EXPECT_EQ(List<&PROVIDER_CreateZubMemberOfCollectionInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  // No set: a controller of type 3 (its volume leaves no disk for a pool).
  LoadAndList(kNoSetNoPool);
  List<&PROVIDER_CreateZubStorageRedundancySetInstance>();
  EXPECT_EQ(List<&PROVIDER_CreateZubHostedCollectionInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubIsSpareInstance>(PROVIDER_FAILED).GetCount(), 0u);
  // No disk extent to count spares in.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "type": 1, "disks": []}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageRedundancySetInstance>(PROVIDER_FAILED).GetCount(), 0u);
}

// Of two volumes "Data", each is allocated from its own controller's pool
// (D has none) and depends on its own controller's disks.
TEST_F(StorageTest, EachVolumeIsAllocatedFromItsControllersPoolAndDependsOnItsDisks) {
  const auto allocated = List<&PROVIDER_CreateZubAllocatedFromStoragePoolInstance>();
  EXPECT_EQ(Refs(allocated, &stZUB_AllocatedFromStoragePool::Dependent, &stZUB_AllocatedFromStoragePool::Antecedent),
            (RefPairs{{VolumeRef(L"Data", L"100"), PoolRef(L"1")}, {VolumeRef(L"Z", L"101"), PoolRef(L"1")}}));
  EXPECT_EQ(Table(allocated, {"SpaceConsumed"}), (Rows{L"3000", L"2000"}));  // the volumes' sizes
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubConcreteDependencyInstance>(), &stZUB_ConcreteDependency::Dependent,
                 &stZUB_ConcreteDependency::Antecedent),
            (RefPairs{{VolumeRef(L"Data", L"100"), Disk(L"19")}, {VolumeRef(L"Data", L"100"), Disk(L"17")},
                      {VolumeRef(L"Data", L"100"), Disk(L"18")}, {VolumeRef(L"Z", L"101"), Disk(L"10")},
                      {VolumeRef(L"Data", L"400"), Disk(L"41")}, {VolumeRef(L"Data", L"400"), Disk(L"42")}}));
  ClearSettings();
  EXPECT_EQ(List<&PROVIDER_CreateZubConcreteDependencyInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  LoadAndList(kNoSetNoPool);
  EXPECT_EQ(List<&PROVIDER_CreateZubAllocatedFromStoragePoolInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

// A disk is a component of its controller's pool when available, whatever
// its state, and of its own endpoint, not of its volume's DA port endpoint.
TEST_F(StorageTest, EveryDiskIsAComponentOfItsPoolAndOfItsOwnEndpoint) {
  // AHCI 5: 51 available, 52 and 53 a mirror (52 its first disk, so the DA
  // port's endpoint is attached to 52 too, and listed first), 54 failed and
  // without a PHY. DOX 6: SAS and SSP disks. The fixture's volumes filed
  // settings: without a setting for each volume there is no DA port.
  ClearSettings();
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 5, "type": 1, "disks": [
       {"handle": 51, "phy": {"handle": 151, "protocol": 1}, "port": {"handle": 251}},
       {"handle": 52, "phy": {"handle": 152, "protocol": 1}, "port": {"handle": 252}},
       {"handle": 53, "phy": {"handle": 153, "protocol": 1}, "port": {"handle": 253}},
       {"handle": 54, "phy": null, "state": 3}],
     "volumes": [{"handle": 500, "name": "Mirror", "level": 2, "disks": [52, 53]}]}, {"handle": 6, "type": 2, "disks": [
       {"handle": 61, "phy": {"handle": 161, "protocol": 2}, "port": {"handle": 261}},
       {"handle": 62, "phy": {"handle": 162, "protocol": 4}, "port": {"handle": 262}}]}]})");
  PROVIDER_CreateZubATAProtocolEndpointInstance()->Update();  // the port classes too
  PROVIDER_CreateZubSCSIProtocolEndpointInstance()->Update();
  ASSERT_EQ(List<&PROVIDER_CreateZubDAPortInstance>().GetCount(), 1u);
  const auto endpoint = [](const std::wstring& kind, const std::wstring& port) {
    const std::wstring cimClass = kind == L"SATA" ? L"ZUB_ATAProtocolEndpoint" : L"ZUB_SCSIProtocolEndpoint";
    return Path(cimClass + L".CreationClassName=\"" + cimClass + L"\",Name=\"" + kind + L"_Logical_" + port +
                L"\",SystemCreationClassName=\"" + kind + L"Endpoint_" + port + L"\",SystemName=\"Corvo_ZUBe3.0\"");
  };
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubConcreteComponentInstance>(), &stZUB_ConcreteComponent::GroupComponent,
                 &stZUB_ConcreteComponent::PartComponent),
            (RefPairs{{PoolRef(L"5"), Disk(L"51")}, {endpoint(L"SATA", L"251"), Disk(L"51")},
                      {endpoint(L"SATA", L"252"), Disk(L"52")},  // a member: no pool
                      {endpoint(L"SATA", L"253"), Disk(L"53")}, {PoolRef(L"5"), Disk(L"54")},  // no PHY: no endpoint
                      {PoolRef(L"6"), Disk(L"61")}, {endpoint(L"SCSI", L"261"), Disk(L"61")},
                      {PoolRef(L"6"), Disk(L"62")}, {endpoint(L"SCSI", L"262"), Disk(L"62")}}));
}

}  // namespace joined
