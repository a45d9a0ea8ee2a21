// Alerts on the host's side: the queue between the monitor thread and the
// host, the alerts step of `run` and `watch` (black box through the built
// zubcim), and the classes' alerts end to end.
#include <algorithm>
#include <cstdio>
#include <thread>

#include "framework/alert.h"
#include "host/kit/alert_queue.h"
#include "tests/host/zubcim_runner.h"

namespace zubcim_test {
namespace {

using namespace std::chrono_literals;

stZUB_AlertIndication Alert(const wchar_t* id) {
  return BuildAlert(AlertKind::DiskFailed, L"\\\\h\\ns:ZUB_StorageExtentDisk.DeviceID=\"d\"", id, L"sys");
}

TEST(AlertQueue, HandsOverEveryAlertInDeliveryOrderOnce) {
  zubcim::AlertQueue queue;
  std::thread monitor([&] {
    for (const wchar_t* id : {L"1", L"2", L"3"}) queue.Push(Alert(id));
  });
  std::vector<stZUB_AlertIndication> taken = queue.Take(3, 60s);
  monitor.join();
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[0].EventID.Str(), L"1");
  EXPECT_EQ(taken[2].EventID.Str(), L"3");
  EXPECT_TRUE(queue.Take(0, 0ms).empty()) << "taken alerts are gone";
  queue.Push(Alert(L"4"));
  EXPECT_EQ(queue.Take(2, 1ms).size(), 1u) << "after the wait, whatever arrived";
  zubcim::AlertQueue small(2);  // nobody takes: the newest stay
  for (const wchar_t* id : {L"1", L"2", L"3"}) small.Push(Alert(id));
  taken = small.Take(0, 0ms);
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].EventID.Str(), L"2");
  EXPECT_EQ(taken[1].EventID.Str(), L"3");
}

class AlertsHostTest : public ZubcimTest {};
using Step = std::vector<std::pair<std::string, std::string>>;  // alert class, EventID

bool IsAlertJson(const Json& alert) {
  return alert.is_object() && alert.size() == 16 && alert.begin().key() == "Description" &&
         alert.contains("AlertClassName") && alert.contains("EventTime");
}

// The demo drives its changes on the built-in topology and ends by itself;
// on another topology the changes are refused, said so, and it still ends.
TEST_F(AlertsHostTest, WatchDemoDrivesItsChangesAndEnds) {
  Result r = Run("--json watch --demo");
  ASSERT_EQ(r.code, 0) << r.err;
  for (const Json& alert : r.json()) EXPECT_TRUE(IsAlertJson(alert)) << alert;
  std::vector<std::string> said = r.errLines();
  EXPECT_EQ(std::count_if(said.begin(), said.end(), [](const std::string& l) { return l.find("demo:") != l.npos; }),
            5) << r.err;
  EXPECT_EQ(r.err.find("refused"), std::string::npos) << r.err;
  const std::string other = Write("other.json", R"({"middleware_version": "1.0", "controllers": []})");
  Result elsewhere = Run("--topology " + Quote(other) + " watch --demo");
  EXPECT_EQ(elsewhere.code, 0) << elsewhere.err;
  EXPECT_NE(elsewhere.err.find("refused"), std::string::npos) << elsewhere.err;
}

// Interrupted, watch stops as a host does and exits 0. The signal is sent by
// a POSIX shell; where there is none (Windows) the case is skipped.
TEST_F(AlertsHostTest, WatchStopsCleanlyWhenInterrupted) {
  if (platform::RunShellCommand("kill -0 $$ 2>/dev/null") != 0) GTEST_SKIP() << "no POSIX shell to send signals";
  for (const char* signal : {"INT", "TERM"}) {
    SCOPED_TRACE(signal);
    // Files of their own: an old "watching" line must not start the signal early.
    const std::string err = (dir_ / (std::string("watch.") + signal + ".err")).string();
    const std::string code = (dir_ / (std::string("watch.") + signal + ".code")).string();
    // Wait (bounded) until zubcim says it watches, then signal it.
    const std::string script = Quote(ZUBCIM_PATH) + " --json watch >/dev/null 2>" + Quote(err) + " & pid=$!; i=0; " +
                               "while ! grep -q watching " + Quote(err) + " && [ $i -lt 3000 ]; do i=$((i+1)); " +
                               "sleep 0.02; done; kill -" + signal + " $pid; wait $pid; echo $? >" + Quote(code);
    ASSERT_EQ(platform::RunShellCommand(script), 0);
    EXPECT_EQ(Read(code), "0\n");
    EXPECT_EQ(Lines(Read(err)), std::vector<std::string>{"zubcim: watching for alerts until interrupted"});
  }
}

// A host that reads after an alert reached it sees the state after the
// change, never an answer remembered from before: the same records as a
// fresh process started on the changed stack lists.
TEST_F(AlertsHostTest, AReadAfterTheAlertSeesTheChange) {
  const char* topology = R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "One", "disks": [{"handle": 14}, {"handle": 15, "state": %d}]}]})";
  char before[256], after[256];
  std::snprintf(before, sizeof before, topology, 0);
  std::snprintf(after, sizeof after, topology, 3);
  Result r = Run("--topology " + Quote(Write("before.json", before)) + " run " + Quote(Write("scenario.json", R"([
    {"list": "ZUB_StorageExtentDisk"},
    {"sim": {"op": "set_disk", "disk": 15, "state": 3}},
    {"alerts": {"count": 1, "wait_ms": 20000}},
    {"list": "ZUB_StorageExtentDisk"}
  ])")));
  ASSERT_EQ(r.code, 0) << r.err;
  const std::vector<Json> lines = r.json();
  ASSERT_EQ(lines.size(), 4u);
  ASSERT_EQ(lines[2]["alerts"].size(), 1u) << lines[2];
  Result fresh = Run("--topology " + Quote(Write("after.json", after)) + " run " +
                     Quote(Write("list.json", R"([{"list": "ZUB_StorageExtentDisk"}])")));
  ASSERT_EQ(fresh.code, 0) << fresh.err;
  EXPECT_NE(lines[0], lines[3]);
  EXPECT_EQ(lines[3], fresh.json().at(0));
}

// The alerts the provider's classes raise, end to end: a change of the
// simulated RAID stack, the monitor thread, the classes' change detection,
// the host's callback, the `alerts` step of `run`. (Each kind of change:
// the classes' change tests; volumes: the volume verbs' run.)
// Controller 1: disks 11 (spare), 14 (available), 15 and 16 in a volume.
// The first step runs only once the monitor took its first snapshot and
// waits; each alerts step waits for exactly the alerts the change must
// raise: a late extra one would show in the next step.
TEST_F(AlertsHostTest, EachChangeOfTheStackRaisesItsAlertsOnceInTheMonitorsOrder) {
  Result r = Run("--topology " + Quote(Write("topology.json", R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "One", "disks": [{"handle": 11, "usage": 4}, {"handle": 14}, {"handle": 15}, {"handle": 16}],
     "volumes": [{"handle": 100, "array_handle": 101, "name": "Vol", "level": 2, "disks": [15, 16]}]}]})")) +
                 " run " + Quote(Write("scenario.json", R"([
    {"counters": {}},
    {"alerts": {"count": 0, "wait_ms": 0}},
    {"sim": {"op": "set_disk", "disk": 14, "state": 3}},
    {"alerts": {"count": 2, "wait_ms": 20000}},
    {"sim": {"op": "set_disk", "disk": 11, "usage": 1}},
    {"alerts": {"count": 1, "wait_ms": 20000}},
    {"sim": {"op": "insert_disk", "controller": 1, "disk": {"handle": 9001}}},
    {"alerts": {"count": 2, "wait_ms": 20000}},
    {"sim": {"op": "set_version", "controller": "One", "driver_version": "2.0.0.1"}},
    {"alerts": {"count": 1, "wait_ms": 20000}},
    {"sim": {"op": "set_version", "middleware_version": "1.0.0.5"}},
    {"alerts": {"count": 1, "wait_ms": 300}},
    {"counters": {}}
  ])")));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::vector<Json> lines = r.json();
  ASSERT_EQ(lines.size(), 13u);
  const Json& first = lines[0]["counters"]["calls"];
  EXPECT_GE(first["SsiEventWait"].get<uint64_t>(), 1u) << "the monitor was waiting before the first step";
  // The monitor's handle, and the read-once store's when it is on: none later.
  EXPECT_EQ(lines[12]["counters"]["calls"]["SsiGetEventHandle"], first["SsiGetEventHandle"]);
  std::vector<Step> steps;
  for (const Json& line : lines) {
    if (!line.contains("alerts")) continue;
    EXPECT_EQ(line.size(), 1u) << line;
    Step& step = steps.emplace_back();
    for (const Json& a : line["alerts"]) {
      EXPECT_TRUE(IsAlertJson(a)) << a;
      step.emplace_back(a["AlertClassName"], a["EventID"]);
    }
  }
  // A failed disk leaves the pool (disk alerts before the pool's: the
  // monitor's table order); a spare used (4 → 1) is nothing else; a new
  // driver version is one software update, of that driver; software that
  // appears (the middleware, once its version is known) is none.
  EXPECT_EQ(steps, (std::vector<Step>{{},
                                      {{"ZUB_AlertDiskFailed", "14"}, {"ZUB_AlertPrimordialPoolModified", "1"}},
                                      {{"ZUB_AlertDiskSpareUsed", "11"}},
                                      {{"ZUB_AlertDiskInserted", "9001"}, {"ZUB_AlertPrimordialPoolModified", "1"}},
                                      {{"ZUB_AlertSoftwareUpdated", "One"}},
                                      {}}));
  const Json& failed = lines[3].at("alerts").at(0);
  const Json& updated = lines[9].at("alerts").at(0);
  EXPECT_NE(failed["AlertingManagedElement"].get<std::string>().find(
                "ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\",DeviceID=\"14\""),
            std::string::npos) << failed;
  EXPECT_EQ(updated["SystemName"], "2.0.0.1");
  EXPECT_NE(updated["AlertingManagedElement"].get<std::string>().find("ZUB_SoftwareIdentity.InstanceID=\"One\""),
            std::string::npos) << updated;
}

}  // namespace
}  // namespace zubcim_test
