// topology_test.cpp: loading topologies: the rules a file must keep (each
// refusal names the path and keeps the previous topology), the defaults of
// keys left out, handle assignment, and the built-in default topology.
#include <cstdio>
#include <fstream>
#include <set>

#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

const char* kPrevious = R"({"controllers": [{"handle": 900, "name": "Previous"}]})";

struct Refusal {
  const char* json;
  const char* message;
};

// Two controllers; the first has disks A, B, C (1000 bytes) and D, E.
#define CTRL_HEAD R"({"controllers": [{"raid_info": {"levels": {"1": {}, "2": {"strip_kib": 64, "strip_mask": 0}, "8": {}}}, "disks": [{"serial": "A", "size": 1000}, {"serial": "B", "size": 1000}, {"serial": "C", "size": 1000}, {"serial": "D"}, {"serial": "E"}], "volumes": [)"
#define CTRL_TAIL R"(]}, {"disks": [{"serial": "X"}]}]})"

const Refusal kRefusals[] = {
    {R"({"controllers": {}})", "<text>: $.controllers: expected an array"},
    {R"({"controllers": [{"handle": 0}]})", "<text>: $.controllers[0].handle: handle must not be 0"},
    {R"({"controllers": [{"handle": "7"}]})", "<text>: $.controllers[0].handle: expected an integer 0..4294967295"},
    {R"({"controllers": [{"handle": 7, "disks": [{"handle": 7}]}]})",
     "<text>: $.controllers[0].disks[0].handle: duplicate handle 7 (already used at $.controllers[0].handle)"},
    {R"({"controllers": [{"disks": [{"phy": {"handle": 5}}]}, {"port": {"handle": 5}}]})",
     "<text>: $.controllers[1].port.handle: duplicate handle 5 (already used at $.controllers[0].disks[0].phy.handle)"},
    {R"({"controllers": [{"address": [0, 1, 256, 0]}]})",
     "<text>: $.controllers[0].address[2]: expected an integer 0..255, got 256"},
    {R"({"controllers": [{"address": [0, 1, 2]}]})",
     "<text>: $.controllers[0].address: expected an array of 4 integers 0..255"},
    {R"({"controllers": [{"disks": [{"serial": "123456789012345678901"}]}]})",
     "<text>: $.controllers[0].disks[0].serial: expected a string of at most 20 bytes, got 21"},
    {R"({"controllers": [{"disks": [{"model": "12345678901234567890123456789012345678901"}]}]})",
     "<text>: $.controllers[0].disks[0].model: expected a string of at most 40 bytes, got 41"},
    {R"({"controllers": [{"phy_count": 1, "disks": [{}, {}]}]})",
     "<text>: $.controllers[0].phy_count: expected at least 2 (the controller's disks), got 1"},
    {R"({"controllers": [{"raid_info": {"levels": {"3": {}}}}]})",
     "<text>: $.controllers[0].raid_info.levels.3: unknown RAID level \"3\" (expected 1, 2, 4, 8 or 16)"},
    {R"({"controllers": [{"disks": [{"seral": "A"}]}]})",
     "<text>: $.controllers[0].disks[0].seral: unknown key \"seral\""},
    {R"({"controllers": [{"disks": [{"size": -1}]}]})",
     "<text>: $.controllers[0].disks[0].size: expected an integer 0..18446744073709551615, got -1"},
    {R"({"controllers": [{"disks": [{"phy": null, "port": {}}]}]})",
     "<text>: $.controllers[0].disks[0].port: expected null: a disk without a PHY has no port"},
    {CTRL_HEAD R"({"name": "12345678901234567", "level": 1, "disks": ["A", "B"]})" CTRL_TAIL,
     "<text>: $.controllers[0].volumes[0].name: expected a string of at most 16 bytes, got 17"},
    {R"({"controllers": [{"disks": [{"serial": "S"}, {"serial": "S"}], "volumes": [{"disks": ["S"]}]}]})",
     "<text>: $.controllers[0].volumes[0].disks[0]: more than one disk has serial \"S\" (name the disk by handle)"},
    {CTRL_HEAD R"({"strip_kib": 3})" CTRL_TAIL,
     "<text>: $.controllers[0].volumes[0].strip_kib: expected an even number (the record holds strip_kib / 2)"},
    {CTRL_HEAD R"({"level": 1, "disks": ["A", "Z"]})" CTRL_TAIL,
     "<text>: $.controllers[0].volumes[0].disks[1]: no disk with serial \"Z\""},
    {CTRL_HEAD R"({"level": 1, "disks": ["A", "X"]})" CTRL_TAIL,
     "<text>: $.controllers[0].volumes[0].disks[1]: disk \"X\" belongs to another controller ($.controllers[1])"},
    {CTRL_HEAD R"({"level": 1, "disks": ["A", "A"]})" CTRL_TAIL,
     "<text>: $.controllers[0].volumes[0].disks[1]: disk \"A\" is named twice"},
};

std::vector<SSI_HANDLE> Controllers() { return List(SsiGetControllerHandles); }

}  // namespace

TEST_F(SimTest, RefusedTopologiesNameThePathAndKeepThePreviousOne) {
  Load(kPrevious);
  const uint64_t changes = abru2sim::ChangeCount();
  for (const auto& r : kRefusals) {
    EXPECT_EQ(LoadError(r.json), r.message) << r.json;
  }
  EXPECT_EQ(Controllers(), std::vector<SSI_HANDLE>{900});
  EXPECT_EQ(abru2sim::ChangeCount(), changes);

  const std::string parse = LoadError(R"({"controllers": [})");
  EXPECT_EQ(parse.rfind("<text>: $: expected valid JSON (byte 18", 0), 0u) << parse;
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
  EXPECT_EQ(Disk(10).raidInfoHandle, 2u) << "default: its controller's";
  EXPECT_EQ(Disk(11).raidInfoHandle, 777u) << "names no controller";
  EXPECT_EQ(Disk(12).raidInfoHandle, 4u) << "another controller's";
  EXPECT_STREQ(Disk(11).serialNo, "S") << "serials may repeat";

  EXPECT_EQ(Volume(30).raidLevel, 3u) << "a level code the stack does not know";
  EXPECT_EQ(Volume(30).totalSize, 2000u) << "sized as RAID0";
  EXPECT_EQ(Volume(30).stripSize, 64u) << "an unlisted level: the default 128 KiB strip";
  const auto degraded = Volume(31);
  EXPECT_STREQ(degraded.name, "");
  EXPECT_EQ(degraded.stripSize, 512u) << "a strip outside the level's mask";
  EXPECT_EQ(degraded.totalSize, 9999u) << "more than the members left allow";
  EXPECT_EQ(degraded.numDisks, 1u) << "a RAID5 with members missing, sharing disk 11 with volume 30";
  EXPECT_EQ(Volume(32).raidLevel, SSI_RAID0) << "level and disks left out";
  EXPECT_EQ(Volume(32).numDisks, 0u);
  EXPECT_EQ(Volume(33).raidLevel, SSI_RAID6) << "a level the controller does not list";

  Session s;
  _SSI_RaidLevelInfo li{};
  ASSERT_EQ(SsiGetRaidLevelInfo(s, 2, SSI_RAID0, &li), 0u);
  EXPECT_EQ(li.stripKib, 3);
  EXPECT_EQ(li.stripMask, 1u) << "a mask without the level's own strip";
  ASSERT_EQ(SsiGetRaidLevelInfo(s, 2, SSI_RAID5, &li), 0u);
  EXPECT_EQ(li.stripMask, 66u);
  std::set<uint32_t> numbers;
  for (SSI_HANDLE h : List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 1)) {
    _SSI_PhyInfo phy{};
    ASSERT_EQ(SsiGetPhyInfo(s, h, &phy), 0u);
    numbers.insert(phy.phyNumber);
  }
  EXPECT_EQ(numbers, (std::set<uint32_t>{0, 2})) << "PHY numbers may repeat; disk 12's PHY takes its position";
}

TEST_F(SimTest, TopologyFileErrorsNameTheFile) {
  Load(kPrevious);
  std::string error;
  EXPECT_FALSE(abru2sim::LoadTopologyFile("/nonexistent/topo.json", &error));
  EXPECT_EQ(error, "/nonexistent/topo.json: $: expected a readable topology file");

  const std::string path = ::testing::TempDir() + "abru2_topology_test.json";
  std::ofstream(path) << R"({"controllers": [{"handle": 0}]})";
  EXPECT_FALSE(abru2sim::LoadTopologyFile(path, &error));
  EXPECT_EQ(error, path + ": $.controllers[0].handle: handle must not be 0");

  std::ofstream(path) << R"({"controllers": [{"handle": 5}]})";
  EXPECT_TRUE(abru2sim::LoadTopologyFile(path, &error)) << error;
  EXPECT_EQ(Controllers(), std::vector<SSI_HANDLE>{5});
  std::remove(path.c_str());
}

TEST_F(SimTest, MissingHandlesAreAssignedAroundExplicitOnes) {
  Load(R"({"controllers": [
    {"disks": [{"serial": "A"}, {"handle": 2, "serial": "B"}, {"serial": "C", "phy": null}],
     "volumes": [{"level": 1, "disks": ["A", 2]}]},
    {"handle": 1, "raid_info": {"handle": 3}, "phy_count": 2}]})");
  Session s;
  std::vector<SSI_HANDLE> all;
  for (HandleCall call : {SsiGetControllerHandles, SsiGetEndDeviceHandles, SsiGetPhyHandles, SsiGetPortHandles,
                          SsiGetVolumeHandles}) {
    for (SSI_HANDLE h : List(call)) all.push_back(h);
  }
  uint32_t n = 8;
  SSI_HANDLE raid[8];
  ASSERT_EQ(SsiGetRaidInfoHandles(s, raid, &n), 0u);
  all.insert(all.end(), raid, raid + n);
  const auto volumes = List(SsiGetVolumeHandles);
  ASSERT_EQ(volumes.size(), 1u);
  all.push_back(Volume(volumes[0]).arrayHandle);

  // 2 controllers, 3 disks, 3+2 PHYs, 2 controller ports + 2 disk ports,
  // 1 volume, 2 raid infos, 1 array.
  EXPECT_EQ(all.size(), 18u);
  EXPECT_EQ(std::set<SSI_HANDLE>(all.begin(), all.end()).size(), all.size()) << "handles collide";
  EXPECT_EQ(std::count(all.begin(), all.end(), 0u), 0);
  EXPECT_EQ(Controllers()[1], 1u);
  EXPECT_EQ(raid[1], 3u);
  EXPECT_EQ(List(SsiGetEndDeviceHandles)[1], 2u);
}

TEST_F(SimTest, KeysLeftOutTakeTheirDefaults) {
  Load(R"({"controllers": [
    {"disks": [{"serial": "A"}, {"serial": "B", "phy": null}, {"serial": "C", "size": 4096}],
     "volumes": [{"level": 1, "disks": ["A", "C"]}]},
    {"type": 2, "port": null, "phy_count": 3, "disks": [{"serial": "S"}]}]})");
  Session s;
  const auto ctrls = Controllers();
  _SSI_ControllerInfo c{};
  ASSERT_EQ(SsiGetControllerInfo(s, ctrls[0], &c), 0u);
  EXPECT_STREQ(c.name, "Controller 0");
  EXPECT_EQ(c.controllerType, 1);

  // Every RAID level is offered with a 128 KiB strip.
  _SSI_RaidLevelInfo level{};
  ASSERT_EQ(SsiGetRaidLevelInfo(s, c.raidInfoHandle, SSI_RAID6, &level), 0u);
  EXPECT_EQ(level.supported, 1u);
  EXPECT_EQ(level.stripKib, 128);
  EXPECT_EQ(level.stripMask, 127u);

  const auto disks = List(SsiGetEndDeviceHandles, SSI_SCOPE_CONTROLLER, ctrls[0]);
  const auto a = Disk(disks[0]);
  EXPECT_EQ(a.totalSize, 500107862016ull);
  EXPECT_EQ(a.sizes[2], 500107862016ull / 512);
  EXPECT_EQ(a.state, 6);
  EXPECT_EQ(a.usage, 1) << "a volume member is usage 1";
  EXPECT_EQ(Disk(disks[1]).usage, 2);
  EXPECT_TRUE(List(SsiGetPhyHandles, SSI_SCOPE_END_DEVICE, disks[1]).empty()) << "phy null: no PHY";

  const auto phys = List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, ctrls[0]);
  ASSERT_EQ(phys.size(), 3u) << "phy_count defaults to the number of disks";
  _SSI_PhyInfo phy{};
  ASSERT_EQ(SsiGetPhyInfo(s, phys[2], &phy), 0u);
  EXPECT_EQ(phy.attachedType, 0u);
  EXPECT_EQ(phy.phyNumber, 1u) << "the lowest number no disk uses";
  ASSERT_EQ(SsiGetPhyInfo(s, phys[1], &phy), 0u);
  EXPECT_EQ(phy.phyNumber, 2u) << "the disk's position";
  EXPECT_EQ(phy.protocol, 1);
  EXPECT_EQ(phy.negotiatedLinkRate, 3);
  EXPECT_EQ(phy.attachedType, 2u);
  EXPECT_EQ(phy.attachedHandle, disks[2]);
  _SSI_PortInfo port{};
  ASSERT_EQ(SsiGetPortInfo(s, phy.portHandle, &port), 0u);
  EXPECT_EQ(port.attachedHandle, disks[2]);

  const auto v = Volume(List(SsiGetVolumeHandles)[0]);
  EXPECT_EQ(v.totalSize, 4096u * 2) << "size 0: all the level allows on the smallest member";
  EXPECT_EQ(v.stripSize, 64u);
  EXPECT_EQ(v.state, 1);
  EXPECT_EQ(v.cachePolicy, 1u);
  EXPECT_STREQ(v.name, "Volume_0");

  // The SAS controller: no port of its own, extra PHYs unattached, SAS protocol.
  const auto sasPhys = List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, ctrls[1]);
  ASSERT_EQ(sasPhys.size(), 3u);
  ASSERT_EQ(SsiGetPhyInfo(s, sasPhys[0], &phy), 0u);
  EXPECT_EQ(phy.protocol, 2);
  ASSERT_EQ(SsiGetPhyInfo(s, sasPhys[2], &phy), 0u);
  EXPECT_EQ(phy.attachedType, 0u);
  EXPECT_EQ(phy.phyNumber, 2u);
  EXPECT_EQ(List(SsiGetPortHandles, SSI_SCOPE_CONTROLLER, ctrls[1]).size(), 1u);
  EXPECT_EQ(List(SsiGetPortHandles, SSI_SCOPE_CONTROLLER, ctrls[0]).size(), 3u);
}

TEST_F(SimTest, DefaultTopologyIsTheDocumentedOne) {
  Load(kPrevious);
  abru2sim::ResetToDefault();
  Session s;
  EXPECT_EQ(Controllers(), (std::vector<SSI_HANDLE>{100, 200}));
  _SSI_ControllerInfo c{};
  ASSERT_EQ(SsiGetControllerInfo(s, 100, &c), 0u);
  EXPECT_EQ(c.controllerType, 1);
  EXPECT_EQ(c.writeBackOffered, 1u);
  ASSERT_EQ(SsiGetControllerInfo(s, 200, &c), 0u);
  EXPECT_EQ(c.controllerType, 2);

  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_CONTROLLER, 100), (std::vector<SSI_HANDLE>{110, 111, 112, 113}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_CONTROLLER, 200), (std::vector<SSI_HANDLE>{210, 211, 212, 213}));
  EXPECT_EQ(Disk(110).totalSize, 500107862016ull);
  EXPECT_EQ(Disk(113).usage, 4);
  EXPECT_EQ(Disk(210).totalSize, 1000204886016ull);
  EXPECT_EQ(Disk(212).usage, 2);
  EXPECT_EQ(List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 100).size(), 6u);
  EXPECT_EQ(List(SsiGetPortHandles, SSI_SCOPE_CONTROLLER, 100).front(), 102u);
  EXPECT_EQ(List(SsiGetEnclosureHandles, SSI_SCOPE_CONTROLLER, 200), std::vector<SSI_HANDLE>{203});
  EXPECT_EQ(List(SsiGetRoutingDeviceHandles, SSI_SCOPE_CONTROLLER, 200), std::vector<SSI_HANDLE>{204});

  const auto data = Volume(150);
  EXPECT_STREQ(data.name, "Data");
  EXPECT_EQ(data.raidLevel, SSI_RAID5);
  EXPECT_EQ(data.stripSize, 32u);
  EXPECT_EQ(data.cachePolicy, 3u);
  EXPECT_EQ(data.totalSize, 2 * 500107862016ull);
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, data.arrayHandle),
            (std::vector<SSI_HANDLE>{110, 111, 112}));
  const auto mirror = Volume(250);
  EXPECT_STREQ(mirror.name, "Mirror");
  EXPECT_EQ(mirror.raidLevel, SSI_RAID1);
  EXPECT_EQ(mirror.numDisks, 2u);

  _SSI_SystemInfo sys{};
  EXPECT_EQ(SsiGetSystemInfo(&sys), 0u);
  EXPECT_STRNE(sys.middlewareVersion, "");
}
