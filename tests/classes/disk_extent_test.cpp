// ZUB_StorageExtentDisk: the mapping of an end device, the listing per
// controller, and the changes that raise alerts.
#include <gtest/gtest.h>

#include <cstring>

#include "classes/storage/disk_extent.h"
#include "tests/support/class_fixture.h"

namespace {

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
  d.value144 = 7;
  d.state = -1;
  std::strcpy(d.serialNo, "WD-1");
  std::strcpy(d.model, "WDC WD5000");
  std::strcpy(d.firmware, "15.01H15");
  stZUB_StorageExtentDisk rec = DiskExtentOf(d, 4294967295u);
  EXPECT_EQ(rec.CreationClassName.Str(), L"ZUB_StorageExtentDisk");
  EXPECT_EQ(rec.DeviceID.Str(), L"65540");
  EXPECT_EQ(rec.SystemCreationClassName.Str(), L"Corvo_ZUBe3.0");
  EXPECT_EQ(rec.SystemName.Str(), L"Disk_65540");
  EXPECT_EQ(rec.EndDeviceHandle.Str(), L"65540");
  EXPECT_EQ(rec.ControllerHandle.Str(), L"4294967295");
  EXPECT_EQ(rec.FixedValue1, 2u);
  EXPECT_EQ(rec.DiskSize, 500107862016u);
  EXPECT_EQ(rec.SizeA + rec.SizeB * 10 + rec.SizeC * 100, 321u);
  EXPECT_EQ(rec.DeviceValue1, -5);  // widened with sign
  EXPECT_EQ(rec.DeviceValue2, 7);
  EXPECT_EQ(rec.DiskState, -1);
  EXPECT_EQ(rec.SerialNumber.Str(), L"WD-1");
  EXPECT_EQ(rec.Model.Str(), L"WDC WD5000");
  EXPECT_EQ(rec.FirmwareRevision.Str(), L"15.01H15");

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
  EXPECT_EQ(Changes(before, after), (V{{L"10", kDiskFailed},
                                       {L"11", kDiskSpareUsed},
                                       {L"12", kDiskMarkedPrimordial},
                                       {L"12", kDiskSpareReleased},
                                       {L"13", kDiskFailing},
                                       {L"13", kDiskSpareReleased},
                                       {L"14", kDiskMarkedSpare}}));
  EXPECT_EQ(Changes(after, before), (V{{L"10", kDiskHealthy},
                                       {L"11", kDiskMarkedSpare},
                                       {L"12", kDiskMarkedSpare},
                                       {L"13", kDiskHealthy},
                                       {L"13", kDiskMarkedSpare},
                                       {L"14", kDiskHealthy},
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
  abru2sim::SetCallHook("SsiGetEndDeviceHandles", nullptr, nullptr);

  Load(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageExtentDiskInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace
