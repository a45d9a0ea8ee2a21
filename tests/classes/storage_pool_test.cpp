// ZUB_StoragePool: one primordial pool per controller with available,
// healthy disks; its three size queries; the pool changes that raise alerts.
#include <gtest/gtest.h>

#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/system/port_controller.h"
#include "provider/provider.h"
#include "tests/support/class_fixture.h"

namespace {

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
  EXPECT_EQ(p.InstanceID.Str(), L"3");
  EXPECT_EQ(p.PoolID.Str(), L"Primordial_3");
  EXPECT_EQ(p.Caption.Str(), L"Primordial_3");
  EXPECT_EQ(p.AvailableSpace, 1000u);  // 300 + 700: not the failed, member, barred or spare disks
  EXPECT_EQ(p.Primordial, 1u);
  EXPECT_EQ(p.FixedValue1 * 100 + p.FixedValue2, 519u);
  EXPECT_EQ(p.ElementName.Str(), L"Unallocated Storage Pool");
  EXPECT_EQ(p.Description.Str(), L"Unallocated Storage Pool");
  EXPECT_EQ(p.ControllerHandle.Str(), L"3");
  EXPECT_EQ(p.ControllerName.Str(), L"C3");

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
                                               L"SystemName=\"Disk_31\""),
            std::wstring::npos)
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

  EXPECT_EQ(Pool()->GetSupportedSizes(nullptr), PROVIDER_INVALID_PARAMETER);
  EXPECT_EQ(Pool()->GetAvailableExtents(nullptr), PROVIDER_INVALID_PARAMETER);

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

}  // namespace
