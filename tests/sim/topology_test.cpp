// topology_test.cpp: loading topologies: what a file may not hold (each refusal names the path and keeps the
// previous topology), what it may hold however odd, and the built-in topology. Defaults: enumerate_test.cpp.
#include <cstdio>
#include <fstream>
#include <tuple>

#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

struct Refusal { const char* json; const char* message; };

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
     "<text>: $.controllers[0].volumes[0].disks[0]: more than one disk has serial \"S\" (name the disk by handle)"}, };

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
    {"handle": 1, "raid_info": {"handle": 2, "levels": {"1": {"strip_kib": 3, "strip_mask": 1}, "8": {}}},
     "disks": [{"handle": 10, "serial": "S", "size": 1000, "phy": {"number": 0}},
               {"handle": 11, "serial": "S", "size": 3000, "raid_info_handle": 777, "phy": {"number": 0}}],
     "volumes": [{"handle": 30, "level": 3, "disks": [10, 11]},
                 {"handle": 31, "name": "", "level": 8, "size": 9999, "disks": [11], "state": 2}, {"handle": 32}]}]})");
  EXPECT_EQ(std::make_tuple(Disk(10).raidInfoHandle, Disk(11).raidInfoHandle), std::make_tuple(2u, 777u));
  EXPECT_STREQ(Disk(11).serialNo, "S") << "serials may repeat";
  const auto v = Volume(30);
  EXPECT_EQ(std::make_tuple(v.raidLevel, v.totalSize, v.stripSize), std::make_tuple(3u, uint64_t{2000}, 64u))
      << "a level code the stack does not know: sized as RAID0, the default 128 KiB strip";
  EXPECT_EQ(std::make_tuple(Volume(31).totalSize, Volume(31).numDisks), std::make_tuple(uint64_t{9999}, 1u))
      << "a RAID5 with members missing and more bytes than they allow";
  EXPECT_EQ(std::make_tuple(Volume(32).raidLevel, Volume(32).numDisks), std::make_tuple(1u, 0u));
  std::vector<uint32_t> numbers;
  for (SSI_HANDLE h : List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 1)) numbers.push_back(Phy(h).phyNumber);
  EXPECT_EQ(numbers, (std::vector<uint32_t>{0, 0})) << "PHY numbers may repeat";
}

// Examples and the documentation name these handles: they must never move.
TEST_F(SimTest, DefaultTopologyIsTheDocumentedOne) {
  Load(R"({"controllers": []})");
  abru2sim::ResetToDefault();
  EXPECT_EQ(List(SsiGetControllerHandles), (V{100, 200}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles), (V{110, 111, 112, 113, 210, 211, 212, 213}));
  EXPECT_EQ(List(SsiGetVolumeHandles), (V{150, 250}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 151), (V{110, 111, 112}));
  EXPECT_EQ(std::string(Volume(150).name) + "," + Volume(250).name, "Data,Mirror");
}
