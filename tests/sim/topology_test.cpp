// topology_test.cpp: loading topologies: what a file may not hold (each
// refusal names the path and keeps the previous topology), what it may hold
// however odd, and the built-in topology. Defaults: enumerate_test.cpp.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <tuple>

#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

struct Refusal {
  const char* json;
  const char* message;
};

// One controller with disks A and B, then one with disk X.
#define VOLUME(v)                                                                                \
  R"({"controllers": [{"disks": [{"serial": "A"}, {"serial": "B"}], "volumes": [)" v R"(]},)" \
  R"({"disks": [{"serial": "X"}]}]})"

const Refusal kRefusals[] = {
    {R"({"controllers": [{"handle": 0}]})", "<text>: $.controllers[0].handle: handle must not be 0"},
    {R"({"controllers": [{"disks": [{"phy": {"handle": 5}}]}, {"port": {"handle": 5}}]})",
     "<text>: $.controllers[1].port.handle: duplicate handle 5 (already used at $.controllers[0].disks[0].phy.handle)"},
    {R"({"controllers": [{"disks": [{"seral": "A"}]}]})",
     "<text>: $.controllers[0].disks[0].seral: unknown key \"seral\""},
    {R"({"controllers": [{"address": [0, 1, 256, 0]}]})",
     "<text>: $.controllers[0].address[2]: expected an integer 0..255, got 256"},
    {R"({"controllers": [{"disks": [{"serial": "123456789012345678901"}]}]})",
     "<text>: $.controllers[0].disks[0].serial: expected a string of at most 20 bytes, got 21"},
    {R"({"controllers": [{"raid_info": {"levels": {"3": {}}}}]})",
     "<text>: $.controllers[0].raid_info.levels.3: unknown RAID level \"3\" (expected 1, 2, 4, 8 or 16)"},
    {R"({"controllers": [{"phy_count": 1, "disks": [{"phy": null}, {}]}]})",
     "<text>: $.controllers[0].phy_count: expected at least 2 (the controller's disks), got 1"},
    {R"({"controllers": [{"phy_count": 2, "disks": [{}], "phys": [{}, {}]}]})",
     "<text>: $.controllers[0].phy_count: expected at least 3 (the disks' PHYs and the listed phys), got 2"},
    {R"({"controllers": [{"disks": [{"phy": null, "port": {}}]}]})",
     "<text>: $.controllers[0].disks[0].port: expected null: a disk without a PHY has no port"},
    {VOLUME(R"({"name": "12345678901234567"})"),
     "<text>: $.controllers[0].volumes[0].name: expected a string of at most 16 bytes, got 17"},
    {VOLUME(R"({"strip_kib": 3})"),
     "<text>: $.controllers[0].volumes[0].strip_kib: expected an even number (the record holds strip_kib / 2)"},
    {VOLUME(R"({"disks": ["A", "Z"]})"), "<text>: $.controllers[0].volumes[0].disks[1]: no disk with serial \"Z\""},
    {VOLUME(R"({"disks": ["A", "X"]})"),
     "<text>: $.controllers[0].volumes[0].disks[1]: disk \"X\" belongs to another controller ($.controllers[1])"},
    {VOLUME(R"({"disks": ["A", "A"]})"), "<text>: $.controllers[0].volumes[0].disks[1]: disk \"A\" is named twice"},
    {R"({"controllers": [{"disks": [{"serial": "S"}, {"serial": "S"}], "volumes": [{"disks": ["S"]}]}]})",
     "<text>: $.controllers[0].volumes[0].disks[0]: more than one disk has serial \"S\" (name the disk by handle)"},
};

}  // namespace

TEST_F(SimTest, RefusedTopologiesNameThePathAndKeepThePreviousOne) {
  Load(R"({"controllers": [{"handle": 900}]})");
  const uint64_t changes = abru2sim::ChangeCount();
  for (const auto& r : kRefusals) EXPECT_EQ(LoadError(r.json), r.message) << r.json;
  const std::string parse = LoadError(R"({"controllers": [})");
  EXPECT_EQ(parse.rfind("<text>: $: expected valid JSON (byte 18", 0), 0u) << parse;

  std::string error;
  EXPECT_FALSE(abru2sim::LoadTopologyFile("/nonexistent/topo.json", &error));
  EXPECT_EQ(error, "/nonexistent/topo.json: $: expected a readable topology file");
  const std::string path = ::testing::TempDir() + "abru2_topology_test.json";
  std::ofstream(path) << R"({"controllers": [{"handle": 0}]})";
  EXPECT_FALSE(abru2sim::LoadTopologyFile(path, &error));
  EXPECT_EQ(error, path + ": $.controllers[0].handle: handle must not be 0");
  EXPECT_EQ(List(SsiGetControllerHandles), V{900});
  EXPECT_EQ(abru2sim::ChangeCount(), changes);

  std::ofstream(path) << R"({"controllers": [{"handle": 5}]})";
  EXPECT_TRUE(abru2sim::LoadTopologyFile(path, &error)) << error;
  EXPECT_EQ(List(SsiGetControllerHandles), V{5});
  std::remove(path.c_str());
}

// Whatever a real middleware may report must load, however odd.
TEST_F(SimTest, OddButPossibleTopologiesLoad) {
  Load(R"({"controllers": [
    {"handle": 1, "raid_info": {"handle": 2, "levels": {
        "1": {"strip_kib": 3, "strip_mask": 1}, "2": {"strip_kib": 0, "strip_mask": 0},
        "8": {"strip_kib": 64, "strip_mask": 66}}},
     "disks": [{"handle": 10, "serial": "S", "size": 1000, "phy": {"number": 0}},
               {"handle": 11, "serial": "S", "size": 3000, "raid_info_handle": 777, "phy": {"number": 0}},
               {"handle": 12, "raid_info_handle": 4}],
     "volumes": [{"handle": 30, "level": 3, "disks": [10, 11]},
                 {"handle": 31, "name": "", "level": 8, "strip_kib": 1024, "size": 9999, "disks": [11], "state": 2},
                 {"handle": 32}]},
    {"handle": 3, "raid_info": {"handle": 4, "levels": {"1": {}}}, "disks": [{"handle": 13}],
     "volumes": [{"handle": 33, "level": 16, "disks": [13]}]}]})");
  EXPECT_EQ(std::make_tuple(Disk(10).raidInfoHandle, Disk(11).raidInfoHandle, Disk(12).raidInfoHandle),
            std::make_tuple(2u, 777u, 4u)) << "default: its controller's; naming no controller; another one's";
  EXPECT_STREQ(Disk(11).serialNo, "S") << "serials may repeat";
  const auto v = Volume(30);
  EXPECT_EQ(std::make_tuple(v.raidLevel, v.totalSize, v.stripSize, v.state, v.cachePolicy),
            std::make_tuple(3u, uint64_t{2000}, 64u, 1, 1u))
      << "a level code the stack does not know: sized as RAID0, the default 128 KiB strip; state and cache 1";
  const auto degraded = Volume(31);
  EXPECT_STREQ(degraded.name, "");
  EXPECT_EQ(std::make_tuple(degraded.stripSize, degraded.totalSize, degraded.numDisks),
            std::make_tuple(512u, uint64_t{9999}, 1u))
      << "a RAID5 with members missing, a strip outside the level's mask, more bytes than the members allow, "
         "and disk 11 shared with volume 30";
  EXPECT_EQ(std::make_tuple(Volume(32).raidLevel, Volume(32).numDisks), std::make_tuple(1u, 0u))
      << "level and disks left out";
  EXPECT_EQ(Volume(33).raidLevel, SSI_RAID6) << "a level the controller does not list";

  Session s;
  _SSI_RaidLevelInfo li{}, li5{};
  ASSERT_EQ(SsiGetRaidLevelInfo(s, 2, SSI_RAID0, &li), 0u);
  ASSERT_EQ(SsiGetRaidLevelInfo(s, 2, SSI_RAID5, &li5), 0u);
  EXPECT_EQ(std::make_tuple(li.stripKib, li.stripMask, li5.stripMask), std::make_tuple(3, 1u, 66u))
      << "masks without the level's own strip";
  std::vector<uint32_t> numbers;
  for (SSI_HANDLE h : List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 1)) numbers.push_back(Phy(h).phyNumber);
  EXPECT_EQ(numbers, (std::vector<uint32_t>{0, 0, 2})) << "PHY numbers may repeat; disk 12's PHY takes its position";
}

// Examples and tests name these handles: they must never move.
TEST_F(SimTest, DefaultTopologyIsTheDocumentedOne) {
  Load(R"({"controllers": []})");
  abru2sim::ResetToDefault();
  _SSI_ControllerInfo c{};
  for (SSI_HANDLE h : {100, 200}) {
    ASSERT_EQ(SsiGetControllerInfo(Session(), h, &c), 0u);
    EXPECT_EQ(std::make_tuple(c.controllerType, c.writeBackOffered), std::make_tuple(h / 100, h == 100 ? 1u : 0u));
  }
  EXPECT_EQ(List(SsiGetEndDeviceHandles), (V{110, 111, 112, 113, 210, 211, 212, 213}));
  EXPECT_EQ(std::make_tuple(Disk(110).totalSize, Disk(113).usage, Disk(210).totalSize, Disk(212).usage),
            std::make_tuple(500107862016ull, 4, 1000204886016ull, 2));
  EXPECT_EQ(List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 100), (V{120, 121, 122, 123, 124, 125}));
  EXPECT_EQ(List(SsiGetPortHandles), (V{102, 130, 131, 132, 133, 202, 230, 231, 232, 233}));
  EXPECT_EQ(List(SsiGetEnclosureHandles), V{203});
  EXPECT_EQ(List(SsiGetRoutingDeviceHandles), V{204});
  EXPECT_EQ(List(SsiGetVolumeHandles), (V{150, 250}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 151), (V{110, 111, 112}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 251), (V{210, 211}));
  const auto data = Volume(150), mirror = Volume(250);
  EXPECT_EQ(std::string(data.name) + "," + mirror.name, "Data,Mirror");
  EXPECT_EQ(std::make_tuple(data.raidLevel, data.stripSize, data.cachePolicy, data.totalSize, mirror.raidLevel,
                            mirror.cachePolicy),
            std::make_tuple(8u, 32u, 3u, 2 * 500107862016ull, 2u, 2u));
  _SSI_SystemInfo sys{};
  EXPECT_EQ(SsiGetSystemInfo(&sys), 0u);
  EXPECT_STREQ(sys.middlewareVersion, "13.2.0.1022");
}
