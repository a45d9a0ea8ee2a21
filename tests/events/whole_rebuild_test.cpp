// Change detection when an object goes while the monitor's rebuild reads
// it: the part-way list is not compared (nothing is reported gone that is
// still there), and the next event reports the change once. The classes'
// event sides are driven directly, as the monitor thread drives them.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "classes/storage/disk_extent.h"
#include "events/event_registry.h"
#include "framework/interfaces.h"
#include "tests/support/sim_fixture.h"

namespace {

// Controller 1: volume "A" on 11, 12 (listed first), volume "B" on 13, 14;
// 15 and 16 available.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "One", "raid_info": {"handle": 9},
   "disks": [{"handle": 11}, {"handle": 12}, {"handle": 13}, {"handle": 14}, {"handle": 15}, {"handle": 16}],
   "volumes": [{"handle": 100, "array_handle": 101, "name": "A", "level": 2, "disks": [11, 12]},
               {"handle": 200, "array_handle": 201, "name": "B", "level": 2, "disks": [13, 14]}]}]})";

class WholeRebuildTest : public zubtest::SimFixture {
 protected:
  static CEventRegisterInterface& Row(const std::string& name) {
    for (const EventRegistrationRow& row : EventRegistrationTable()) {
      if (row.className == name) return *row.registration();
    }
    throw std::runtime_error("no row " + name);
  }
  // One event as the monitor handles it, for one class: the alerts raised.
  static std::vector<std::string> Event(CEventRegisterInterface& events) {
    std::vector<std::string> out;
    if (events.DetectAlerts()) {
      for (const stZUB_AlertIndication& a : events.m_alerts) {
        out.push_back(std::string(a.AlertClassName.Str().begin(), a.AlertClassName.Str().end()) + " " +
                      std::string(a.EventID.Str().begin(), a.EventID.Str().end()));
      }
    }
    events.RefreshAfterEvent();
    return out;
  }
};

using Alerts = std::vector<std::string>;

TEST_F(WholeRebuildTest, AnObjectThatGoesDuringTheRebuildIsReportedOnceAndNothingElse) {
  Load(kTopology);
  CEventRegisterInterface& volumes = Row("CZubStorageVolume");
  CEventRegisterInterface& disks = Row("CZubStorageExtentDisk");
  CEventRegisterInterface& pools = Row("CZubStoragePool");
  for (CEventRegisterInterface* r : {&volumes, &disks, &pools}) {
    r->InitializeForEvents();
    r->RefreshAfterEvent();
  }

  // "A" goes after the rebuild listed it and before its record is read: the
  // listing stops at it with 4 and nothing listed, which must not read as
  // "no volume left" ("B" deleted and created again).
  zubtest::NthCall deleteA{1, [] { ASSERT_EQ(SsiVolumeDelete(100), SSI_STATUS_SUCCESS); }};
  deleteA.Install("SsiGetVolumeInfo");
  EXPECT_EQ(Event(volumes), Alerts{});
  EXPECT_EQ(Event(volumes), (Alerts{"ZUB_AlertVolumeDeleted A_100"}));
  EXPECT_EQ(Event(volumes), Alerts{});
  // A's disks are available again.
  EXPECT_EQ(Event(disks), (Alerts{"ZUB_AlertDiskMarkedPrimordial 11", "ZUB_AlertDiskMarkedPrimordial 12"}));
  EXPECT_EQ(Event(pools), (Alerts{"ZUB_AlertPrimordialPoolModified 1"}));

  // Disk 15 goes between the count and its record: hosts see the list as
  // the middleware left it (no disk skipped), the monitor waits for a whole
  // one.
  zubtest::NthCall remove15{5, [] { Change(R"({"op": "remove_disk", "disk": 15})"); }};
  remove15.Install("SsiGetEndDeviceInfo");
  EXPECT_EQ(Event(disks), Alerts{});
  CArrayT<stZUB_StorageExtentDisk> listed;
  PROVIDER_CreateZubStorageExtentDiskInstance()->GetData(&listed);
  EXPECT_EQ(listed.GetCount(), 6u);
  EXPECT_EQ(Event(disks), (Alerts{"ZUB_AlertDiskRemoved 15"}));

  // The pools are made from disks rebuilt inside their own rebuild: an
  // unread disk there (16, available) must not change the pool's capacity.
  Fail("SsiGetEndDeviceInfo");
  EXPECT_EQ(Event(pools), Alerts{});
  EXPECT_EQ(Event(pools), (Alerts{"ZUB_AlertPrimordialPoolModified 1"}));  // 15 went
  EXPECT_EQ(Event(pools), Alerts{});
  ExpectSessionsBalanced();
}

}  // namespace
