// The rebuilds of one event, the classes' event sides driven directly as the
// monitor thread drives them: a list read part way (an object gone meanwhile,
// a record that keeps failing) is compared over what it read only, and the
// refresh rebuilds each class once however many classes read it.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_volume.h"
#include "events/event_registry.h"
#include "framework/association.h"
#include "framework/catalog.h"
#include "zubprov/interfaces.h"
#include "sim/abru2_control.h"
#include "tests/classes/association_fixture.h"

namespace {

// Controller 1: volume "A" on 11, 12 (listed first), volume "B" on 13, 14;
// 15 and 16 available.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "One", "raid_info": {"handle": 9},
   "disks": [{"handle": 11}, {"handle": 12}, {"handle": 13}, {"handle": 14}, {"handle": 15}, {"handle": 16}],
   "volumes": [{"handle": 100, "array_handle": 101, "name": "A", "level": 2, "disks": [11, 12]},
               {"handle": 200, "array_handle": 201, "name": "B", "level": 2, "disks": [13, 14]}]}]})";

class MonitorRebuildsTest : public zubtest::AssociationFixture {
 protected:
  // The event side of a class, its snapshot taken of the topology loaded
  // (an earlier test in this process may have left another).
  static CEventRegisterInterface& Start(const std::string& name) {
    for (const EventRegistrationRow& row : EventRegistrationTable()) {
      if (row.className != name) continue;
      row.registration()->InitializeForEvents();
      Event(*row.registration());
      return *row.registration();
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

TEST_F(MonitorRebuildsTest, AnObjectThatGoesDuringTheRebuildIsReportedOnceAndNothingElse) {
  Load(kTopology);
  CEventRegisterInterface& volumes = Start("CZubStorageVolume");
  CEventRegisterInterface& disks = Start("CZubStorageExtentDisk");
  CEventRegisterInterface& pools = Start("CZubStoragePool");
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
  // the middleware left it (no disk skipped), the monitor reports its
  // removal once a listing reads it gone.
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
  // A plain deletion (its setting goes with it: the next test starts clean).
  ASSERT_EQ(SsiVolumeDelete(200), SSI_STATUS_SUCCESS);
  EXPECT_EQ(Event(volumes), (Alerts{"ZUB_AlertVolumeDeleted B_200"}));
  ExpectSessionsBalanced();
}

// Fails the call it is installed on at one position of every listing: the
// `at`-th of each `period` calls (a record that cannot be read there, for
// as long as it lasts).
class FailEveryListingAt {
 public:
  FailEveryListingAt(int period, int at) : period(period), at(at) {}
  void Install(const char* call) {
    fault = std::string(R"({"op": "fail", "status": 15, "times": 1, "call": ")") + call + "\"}";
    abru2sim::SetCallHook(call, [](void* self) {
      auto* hook = static_cast<FailEveryListingAt*>(self);
      std::string error;
      if (++hook->seen % hook->period == hook->at % hook->period) abru2sim::ApplyChange(hook->fault, &error);
    }, this);
  }

 private:
  const int period, at;
  int seen = 0;
  std::string fault;
};

TEST_F(MonitorRebuildsTest, AVolumeWhoseArrayListsNoDiskHidesOnlyItself) {
  // "Z" (no member disk) is listed last: every volume listing stops at it.
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "One", "raid_info": {"handle": 9},
     "disks": [{"handle": 11}, {"handle": 12}, {"handle": 13}, {"handle": 14}],
     "volumes": [{"handle": 100, "array_handle": 101, "name": "A", "level": 2, "disks": [11, 12]},
                 {"handle": 200, "array_handle": 201, "name": "B", "level": 2, "disks": [13, 14]},
                 {"handle": 300, "array_handle": 301, "name": "Z", "level": 1, "disks": []}]}]})");
  CEventRegisterInterface& volumes = Start("CZubStorageVolume");
  Change(R"({"op": "set_volume", "volume": 100, "name": "A2"})");
  EXPECT_EQ(Event(volumes), (Alerts{"ZUB_AlertVolumeModified A2_100"}));
  Change(R"({"op": "set_volume", "volume": 200, "cache": 3})");
  EXPECT_EQ(Event(volumes), (Alerts{"ZUB_AlertVolumeModified B_200"}));
  Change(R"({"op": "set_volume", "volume": 200, "state": 2})");
  EXPECT_EQ(Event(volumes), (Alerts{"ZUB_AlertVolumeModified B_200"}));
  EXPECT_EQ(Event(volumes), Alerts{});
  ASSERT_EQ(SsiVolumeDelete(100), SSI_STATUS_SUCCESS);
  EXPECT_EQ(Event(volumes), (Alerts{"ZUB_AlertVolumeDeleted A2_100"}));
  // "Z" was never compared: it goes without an alert, and B stays.
  ASSERT_EQ(SsiVolumeDelete(300), SSI_STATUS_SUCCESS);
  EXPECT_EQ(Event(volumes), Alerts{});
  Change(R"({"op": "set_volume", "volume": 200, "name": "B2"})");
  EXPECT_EQ(Event(volumes), (Alerts{"ZUB_AlertVolumeModified B2_200"}));
}

TEST_F(MonitorRebuildsTest, ARecordThatKeepsFailingHidesOnlyWhatItsListingDidNotReach) {
  // Controller 1: "A" on 11, 12; "B" on 13; "C" on 14; 15 available.
  // Controller 2: 21, 22, 23 available.
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "One", "raid_info": {"handle": 9},
     "disks": [{"handle": 11}, {"handle": 12}, {"handle": 13}, {"handle": 14}, {"handle": 15}],
     "volumes": [{"handle": 100, "array_handle": 101, "name": "A", "level": 2, "disks": [11, 12]},
                 {"handle": 200, "array_handle": 201, "name": "B", "level": 1, "disks": [13]},
                 {"handle": 300, "array_handle": 301, "name": "C", "level": 1, "disks": [14]}]},
    {"handle": 2, "name": "Two", "raid_info": {"handle": 19},
     "disks": [{"handle": 21}, {"handle": 22}, {"handle": 23}]}]})");
  CEventRegisterInterface& volumes = Start("CZubStorageVolume");
  CEventRegisterInterface& disks = Start("CZubStorageExtentDisk");
  // B's record fails in every listing: A, read before it, is compared; C,
  // after it, waits until it is read again, and is reported then, once.
  {
    FailEveryListingAt failB{3, 2};
    failB.Install("SsiGetVolumeInfo");
    Change(R"({"op": "set_volume", "volume": 100, "name": "A2"})");
    EXPECT_EQ(Event(volumes), (Alerts{"ZUB_AlertVolumeModified A2_100"}));
    Change(R"({"op": "set_volume", "volume": 300, "cache": 3})");
    EXPECT_EQ(Event(volumes), Alerts{});
    EXPECT_EQ(Event(volumes), Alerts{});
    abru2sim::SetCallHook("SsiGetVolumeInfo", nullptr, nullptr);
  }
  EXPECT_EQ(Event(volumes), (Alerts{"ZUB_AlertVolumeModified C_300"}));
  EXPECT_EQ(Event(volumes), Alerts{});
  // Disk 12's record fails in every listing (8 disks): the disks before it
  // and the other controller's are compared; 12's own change waits.
  {
    FailEveryListingAt fail12{8, 2};
    fail12.Install("SsiGetEndDeviceInfo");
    Change(R"({"op": "set_disk", "disk": 11, "state": 4})");
    Change(R"({"op": "set_disk", "disk": 21, "state": 3})");
    EXPECT_EQ(Event(disks), (Alerts{"ZUB_AlertDiskFailing 11", "ZUB_AlertDiskFailed 21"}));
    Change(R"({"op": "set_disk", "disk": 12, "state": 3})");
    EXPECT_EQ(Event(disks), Alerts{});
    EXPECT_EQ(Event(disks), Alerts{});
    abru2sim::SetCallHook("SsiGetEndDeviceInfo", nullptr, nullptr);
  }
  EXPECT_EQ(Event(disks), (Alerts{"ZUB_AlertDiskFailed 12"}));
  EXPECT_EQ(Event(disks), Alerts{});
  // Disk 15 (controller 1's pool) fails to read inside the pools' own
  // rebuild: controller 2's pool is compared, controller 1's waits.
  CEventRegisterInterface& pools = Start("CZubStoragePool");
  {
    FailEveryListingAt fail15{8, 5};
    fail15.Install("SsiGetEndDeviceInfo");
    Change(R"({"op": "set_disk", "disk": 22, "usage": 4})");
    EXPECT_EQ(Event(pools), (Alerts{"ZUB_AlertPrimordialPoolModified 2"}));
    Change(R"({"op": "set_disk", "disk": 15, "size": 1000})");
    EXPECT_EQ(Event(pools), Alerts{});
    EXPECT_EQ(Event(pools), Alerts{});
    abru2sim::SetCallHook("SsiGetEndDeviceInfo", nullptr, nullptr);
  }
  EXPECT_EQ(Event(pools), (Alerts{"ZUB_AlertPrimordialPoolModified 1"}));
  EXPECT_EQ(Event(pools), Alerts{});
  ExpectSessionsBalanced();
}

// Every instance's path, by class, of the classes that only re-read their
// list after an event (the table's rows after the four that detect changes).
std::map<std::string, std::set<std::wstring>> RefreshedLists() {
  std::map<std::string, std::set<std::wstring>> out;
  CReferenceBuilder refs;
  for (const EventRegistrationRow& row : EventRegistrationTable().subspan(4)) {
    for (const ClassDesc& c : ClassCatalog()) {
      if (dynamic_cast<void*>(c.object()) != dynamic_cast<void*>(row.registration())) continue;
      c.getData([&](const void* record) { out[c.name].insert(refs.To(L"X", c.record(), record).Str()); });
    }
  }
  return out;
}

TEST_F(MonitorRebuildsTest, ARefreshRebuildsEachClassOnceAndListsTheNewState) {
  // Controller 1 as above (the library keeps a volume's setting across
  // topologies), and a SAS one.
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "One", "type": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11}, {"handle": 12}, {"handle": 13}, {"handle": 14}],
     "volumes": [{"handle": 100, "array_handle": 101, "name": "A", "level": 2, "disks": [11, 12]},
                 {"handle": 200, "array_handle": 201, "name": "B", "level": 2, "disks": [13, 14]}]},
    {"handle": 2, "name": "Sas", "type": 2, "raid_info": {"handle": 19},
     "disks": [{"handle": 21}, {"handle": 22}, {"handle": 23}, {"handle": 24}],
     "volumes": [{"handle": 300, "array_handle": 301, "name": "S", "level": 2, "disks": [21, 22]}]}]})");
  // The volumes file their settings from the disks as listed: the disk
  // class's list must be this topology's, not an earlier test's.
  PROVIDER_CreateZubStorageExtentDiskInstance()->Update();
  const std::vector<CEventRegisterInterface*> rows = EventRegistrations();
  for (CEventRegisterInterface* r : rows) r->InitializeForEvents();
  const size_t daPorts = RefreshedLists()["ZUB_DAPort"].size();
  SSI_HANDLE members[] = {23, 24}, created = 0;
  _SSI_CreateFromDisksParams params{};
  params.disks = members;
  params.numDisks = 2;
  params.name[0] = 'N';
  params.raidLevel = 2;
  ASSERT_EQ(SsiVolumeCreateFromDisks(params, &created), SSI_STATUS_SUCCESS);
  for (CEventRegisterInterface* r : rows) r->DetectAlerts();
  uint64_t before = Calls("SsiGetVolumeHandles");
  PROVIDER_CreateZubStorageVolumeInstance()->Update();
  const uint64_t oneListing = Calls("SsiGetVolumeHandles") - before;
  before = Calls("SsiGetVolumeHandles");
  {
    CSharedRebuilds shared;
    for (CEventRegisterInterface* r : rows) r->RefreshAfterEvent();
  }
  // The DA ports read the volumes, and every port class reads the DA ports.
  EXPECT_EQ(Calls("SsiGetVolumeHandles") - before, oneListing);
  const auto refreshed = RefreshedLists();
  for (const ClassDesc& c : ClassCatalog()) c.object()->Update();
  EXPECT_EQ(refreshed, RefreshedLists());
  EXPECT_EQ(refreshed.at("ZUB_DAPort").size(), daPorts + 1);  // the new volume's
  ExpectSessionsBalanced();
}

}  // namespace
