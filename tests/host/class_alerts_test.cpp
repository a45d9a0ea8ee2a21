// The alerts the storage classes raise, end to end: a change of the
// simulated RAID stack, the monitor thread, the classes' change detection,
// the host's callback, the `alerts` step of `run`.
#include "tests/host/zubcim_runner.h"

namespace zubcim_test {
namespace {

// Controller 1: disks 11, 12, 13 (spares), 14 (available), 15 and 16 in
// volume "Vol". Each alerts step waits for exactly the alerts the change
// must raise: a late extra one would show in the next step.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "One", "disks": [
     {"handle": 11, "usage": 4}, {"handle": 12, "usage": 4}, {"handle": 13, "usage": 4}, {"handle": 14},
     {"handle": 15}, {"handle": 16}],
   "volumes": [{"handle": 100, "array_handle": 101, "name": "Vol", "level": 2, "disks": [15, 16]}]}]})";

class ClassAlertsTest : public ZubcimTest {
 protected:
  // Runs the steps; returns the alerts steps' lists, as (class, EventID).
  std::vector<std::vector<std::pair<std::string, std::string>>> Alerts(const std::string& steps,
                                                                       std::vector<Json>* raw = nullptr) {
    Result r = Run("--topology " + Quote(Write("topology.json", kTopology)) + " run " +
                   Quote(Write("scenario.json", steps)));
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<std::vector<std::pair<std::string, std::string>>> out;
    for (const Json& line : r.json()) {
      if (!line.contains("alerts")) continue;
      auto& step = out.emplace_back();
      for (const Json& a : line["alerts"]) {
        step.emplace_back(a["AlertClassName"], a["EventID"]);
        if (raw) raw->push_back(a);
      }
    }
    return out;
  }
};

using Step = std::vector<std::pair<std::string, std::string>>;

TEST_F(ClassAlertsTest, DiskStatesAndUsagesRaiseTheirKindsInOrder) {
  std::vector<Json> raw;
  auto steps = Alerts(R"([
    {"sim": {"op": "set_disk", "disk": 14, "state": 3}},
    {"alerts": {"count": 2, "wait_ms": 20000}},
    {"sim": {"op": "set_disk", "disk": 14, "state": 4}},
    {"alerts": {"count": 1, "wait_ms": 20000}},
    {"sim": {"op": "set_disk", "disk": 14, "state": 6}},
    {"alerts": {"count": 2, "wait_ms": 20000}},
    {"sim": {"op": "set_disk", "disk": 11, "usage": 1}},
    {"alerts": {"count": 1, "wait_ms": 20000}},
    {"sim": {"op": "set_disk", "disk": 12, "usage": 2}},
    {"alerts": {"count": 3, "wait_ms": 20000}},
    {"sim": {"op": "set_disk", "disk": 12, "usage": 2}},
    {"alerts": {"count": 1, "wait_ms": 300}}
  ])", &raw);
  ASSERT_EQ(steps.size(), 6u);
  // A failed disk leaves the pool and a healthy one joins it again.
  EXPECT_EQ(steps[0], (Step{{"ZUB_AlertDiskFailed", "14"}, {"ZUB_AlertPrimordialPoolModified", "1"}}));
  EXPECT_EQ(steps[1], (Step{{"ZUB_AlertDiskFailing", "14"}}));
  EXPECT_EQ(steps[2], (Step{{"ZUB_AlertDiskReturnedToNormal", "14"}, {"ZUB_AlertPrimordialPoolModified", "1"}}));
  EXPECT_EQ(steps[3], (Step{{"ZUB_AlertDiskSpareUsed", "11"}}));  // 4 → 1: spare used, nothing else
  // 4 → 2: into the primordial pool, then released; the pool grew (disk
  // alerts come before the pool's: the monitor's table order).
  EXPECT_EQ(steps[4], (Step{{"ZUB_AlertDiskMarkedPrimordial", "12"},
                            {"ZUB_AlertDiskSpareReleased", "12"},
                            {"ZUB_AlertPrimordialPoolModified", "1"}}));
  EXPECT_EQ(steps[5], Step{}) << "an event that changes nothing raises nothing";

  ASSERT_GE(raw.size(), 1u);
  const Json& failed = raw[0];
  EXPECT_EQ(failed["RecommendedActions"], Json::parse(R"(["Check cables and power", "Reboot", "Replace bad disk"])"));
  EXPECT_EQ(failed["Description"], "Disk Failed");
  EXPECT_EQ(failed["PerceivedSeverity"], 6);
  EXPECT_NE(failed["AlertingManagedElement"].get<std::string>().find(
                "ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\",DeviceID=\"14\""),
            std::string::npos);
  const std::string time = failed["EventTime"];
  EXPECT_EQ(time.back(), '\n');
}

TEST_F(ClassAlertsTest, InsertedRemovedDisksAndVolumeChanges) {
  auto steps = Alerts(R"([
    {"sim": {"op": "insert_disk", "controller": 1, "disk": {"handle": 9001}}},
    {"alerts": {"count": 2, "wait_ms": 20000}},
    {"sim": {"op": "remove_disk", "disk": 13}},
    {"alerts": {"count": 1, "wait_ms": 20000}},
    {"sim": {"op": "set_volume", "volume": "Vol", "name": "Renamed"}},
    {"alerts": {"count": 1, "wait_ms": 20000}},
    {"list": "ZUB_StorageSettingVolume"},
    {"invoke": {"class": "ZUB_StorageConfigurationService", "method": "ReturnToStoragePool",
                "in": {"ReturnToStoragePoolParams": {"TheElement":
                  "\\\\h\\ns:ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Renamed_100\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_100\""}}}},
    {"alerts": {"count": 4, "wait_ms": 20000}}
  ])");
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0], (Step{{"ZUB_AlertDiskInserted", "9001"}, {"ZUB_AlertPrimordialPoolModified", "1"}}));
  EXPECT_EQ(steps[1], (Step{{"ZUB_AlertDiskRemoved", "13"}}));
  EXPECT_EQ(steps[2], (Step{{"ZUB_AlertVolumeModified", "Renamed_100"}}));
  // Deleted: its disks return to the pool as available.
  EXPECT_EQ(steps[3], (Step{{"ZUB_AlertVolumeDeleted", "Renamed_100"},
                            {"ZUB_AlertDiskMarkedPrimordial", "15"},
                            {"ZUB_AlertDiskMarkedPrimordial", "16"},
                            {"ZUB_AlertPrimordialPoolModified", "1"}}));
}

}  // namespace
}  // namespace zubcim_test
