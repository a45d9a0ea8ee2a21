// The read-once store: the same answers as the library gives without it,
// each fact asked once until the stack changes, a change read at the next
// request, a failure never remembered, and the limits on what is kept (age,
// methods that change the configuration, reads that began before a forget).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "classes/storage/disk_extent.h"
#include "classes/system/computer_system.h"
#include "middleware/read_once.h"
#include "middleware/wrappers.h"
#include "tests/support/class_fixture.h"
#include "tools/proof/host_workload.h"

namespace {

// Two controllers with a volume each, a spare, an enclosure and an
// expander: every class has something to list.
constexpr const char* kTopology = R"({"middleware_version": "13.2.0.1022", "controllers": [
  {"handle": 1, "name": "AHCI", "type": 1, "driver_version": "13.2.0.1022", "phy_count": 5,
   "raid_info": {"handle": 100},
   "disks": [{"handle": 11, "serial": "S11"}, {"handle": 12, "serial": "S12"}, {"handle": 13, "usage": 4},
             {"handle": 14, "serial": "S14", "firmware": "1.0"}],
   "volumes": [{"handle": 500, "array_handle": 501, "name": "Data", "level": 2, "disks": [11, 12]}]},
  {"handle": 2, "name": "DOX", "type": 2, "driver_version": "3.8.0.1029", "raid_info": {"handle": 200},
   "enclosures": [{"handle": 300}], "routing_devices": [{"handle": 400}],
   "disks": [{"handle": 21}, {"handle": 22}, {"handle": 23}],
   "volumes": [{"handle": 600, "array_handle": 601, "name": "Mirror", "level": 2, "disks": [21, 22]}]}]})";

using zubproof::Outcome;

class ReadOnceTest : public zubtest::ClassFixture {
 protected:
  bool ReadOnce(bool) const override { return true; }
  void SetUp() override {
    ClassFixture::SetUp();
    Load(kTopology);
  }
  void TearDown() override {
    zubmw::SetReadOnceMaxAgeMs(2000);
    ClassFixture::TearDown();
  }
  // Every middleware call but the store's own polls and handle.
  static uint64_t Asked() {
    uint64_t n = 0;
    for (const auto& [name, count] : abru2sim::GetCounters().calls)
      if (name != "SsiEventWait" && name != "SsiGetEventHandle") n += count;
    return n;
  }
  static std::wstring DiskField(const char* serial, const char* field) {
    for (const auto& disk : List<&PROVIDER_CreateZubStorageExtentDiskInstance>())
      if (zubtest::FieldText(disk, "SerialNumber") == std::wstring(serial, serial + std::strlen(serial)))
        return zubtest::FieldText(disk, field);
    return L"(no such disk)";
  }
};

void ExpectSame(const std::vector<Outcome>& got, const std::vector<Outcome>& want, const char* what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].step, want[i].step) << what;
    EXPECT_EQ(got[i].status, want[i].status) << what << ": " << got[i].step;
    EXPECT_EQ(got[i].text, want[i].text) << what << ": " << got[i].step;
  }
}

// Every class, listed with the store off, then on twice: the same records
// and statuses each time; the first listing with the store on asks each fact
// once, and the second asks the middleware nothing but whether it changed.
TEST_F(ReadOnceTest, EveryClassGivesTheSameAnswersAskingEachFactOnce) {
  zubproof::ListEveryClass();  // settings filed, as a host's first requests do
  zubmw::SetReadOnce(false);
  abru2sim::ResetCounters();
  const std::vector<Outcome> off = zubproof::ListEveryClass();
  const uint64_t askedOff = Asked();
  zubmw::SetReadOnce(true);
  abru2sim::ResetCounters();
  const std::vector<Outcome> first = zubproof::ListEveryClass();
  const uint64_t askedFirst = Asked();
  const auto counters = abru2sim::GetCounters();
  abru2sim::ResetCounters();
  const std::vector<Outcome> second = zubproof::ListEveryClass();
  ExpectSame(first, off, "first listing with the store");
  ExpectSame(second, off, "second listing with the store");
  EXPECT_LT(askedFirst * 5, askedOff) << "each fact once, not once per class";
  EXPECT_EQ(Asked(), 0u) << "nothing asked twice while nothing changed";
  EXPECT_EQ(counters.sessionsOpened, counters.sessionsClosed);
  // Each record call at most once per object: the topology has 7 disks.
  EXPECT_LE(counters.calls.at("SsiGetEndDeviceInfo"), 7u);
}

// A change the middleware signals is read at the next request; a failing
// call is never remembered: once the fault is gone (no change signalled),
// the next request reads the real answer.
TEST_F(ReadOnceTest, AChangeIsReadAtTheNextRequestAndAFailureIsNeverRemembered) {
  EXPECT_EQ(DiskField("S14", "FirmwareRevision"), L"1.0");
  Change(R"({"op": "set_disk", "disk": "S14", "firmware": "2.0"})");
  EXPECT_EQ(DiskField("S14", "FirmwareRevision"), L"2.0") << "a stale read";

  // A fault alone is no change: what was read stays.
  Fail("SsiGetEndDeviceInfo", SSI_STATUS_FAILED, 0);
  EXPECT_EQ(DiskField("S14", "FirmwareRevision"), L"2.0");
  // After a change the fault shows (the disk records go unread) ...
  Change(R"({"op": "set_disk", "disk": "S11", "firmware": "3.0"})");
  EXPECT_EQ(DiskField("S14", "FirmwareRevision"), L"(no such disk)");
  // ... and is not what the next request sees once it is gone.
  Change(R"({"op": "clear_faults"})");
  const uint64_t before = Calls("SsiGetEndDeviceInfo");
  EXPECT_EQ(DiskField("S14", "FirmwareRevision"), L"2.0") << "a remembered failure";
  EXPECT_GT(Calls("SsiGetEndDeviceInfo"), before);
  // The same for a listing whose count failed.
  Fail("SsiGetControllerHandles", SSI_STATUS_FAILED, 0);
  Change(R"({"op": "set_disk", "disk": "S11", "firmware": "4.0"})");
  EXPECT_EQ(List<&PROVIDER_CreateZubComputerSystemInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  Change(R"({"op": "clear_faults"})");
  EXPECT_EQ(List<&PROVIDER_CreateZubComputerSystemInstance>().GetCount(), 2u);
}

// What bounds the store: the maximum age (0: every request reads again), a
// method that changes the configuration (nothing recalled or kept while it
// runs, nothing of before kept after), a read that began before a forget
// (its answer is dropped), and the switch.
TEST_F(ReadOnceTest, AgeMethodsForgetsAndTheSwitchBoundWhatIsKept) {
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  EXPECT_GT(zubmw::ReadOnceInUse().answers, 0u);
  uint64_t before = Asked();
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  EXPECT_EQ(Asked(), before);
  zubmw::SetReadOnceMaxAgeMs(0);
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  EXPECT_GT(Asked(), before) << "older than the maximum age";
  zubmw::SetReadOnceMaxAgeMs(2000);

  {
    const zubmw::FreshScope method;
    EXPECT_EQ(zubmw::ReadOnceInUse().answers, 0u);
    before = Asked();
    List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
    EXPECT_GT(Asked(), before) << "a method reads fresh state";
    EXPECT_EQ(zubmw::ReadOnceInUse().answers, 0u) << "and keeps none of it";
  }
  EXPECT_EQ(zubmw::ReadOnceInUse().answers, 0u);

  const zubmw::ReadKey key{1, 2, 3};
  const SSI_HANDLE answer = 42;
  SSI_HANDLE recalled = 0;
  zubmw::CheckForChanges();
  const zubmw::Reading early;
  ASSERT_TRUE(early.Usable());
  zubmw::Forget();
  early.Keep(key, &answer, sizeof answer);
  EXPECT_FALSE(zubmw::Reading().Recall(key, &recalled, sizeof recalled)) << "read before the forget";
  const zubmw::Reading late;
  late.Keep(key, &answer, sizeof answer);
  EXPECT_TRUE(zubmw::Reading().Recall(key, &recalled, sizeof recalled));
  EXPECT_EQ(recalled, answer);

  zubmw::SetReadOnce(false);
  EXPECT_FALSE(zubmw::Reading().Usable());
  EXPECT_EQ(zubmw::ReadOnceInUse().answers, 0u);
}

}  // namespace
