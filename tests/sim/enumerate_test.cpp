// enumerate_test.cpp: handle enumerations by scope, the two-step count protocol, sessions and the initialised
// state, and the records with the values a topology gives or leaves to their defaults.
#include <cstring>
#include <set>
#include <string>
#include <tuple>

#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

// Controller 1 spells out most keys; the rest, and all of controller 5, take their defaults.
const char* kTwoControllers = R"({
  "middleware_version": "9.9.9",
  "controllers": [
    {"handle": 1, "name": "First", "id": 4660, "revision": 7, "vendor": 32902, "driver_version": "1.2.3",
     "address": [0, 31, 2, 5], "feature_flag": 9, "write_back_offered": 1, "phy_count": 4,
     "raid_info": {"handle": 2, "value1": 5, "value2": 6, "levels": {"1": {"strip_kib": 16, "strip_mask": 12}}},
     "port": {"handle": 3, "address64": 77},
     "disks": [
       {"handle": 10, "serial": "S10", "model": "M", "firmware": "F", "size": 2000, "sizes": [1, 2, 3],
        "value24": -4, "value144": 44, "no_pool": 1, "address64": 99, "state": 4, "usage": 5,
        "phy": {"handle": 20, "number": 3, "protocol": 4, "link": [1, 2]},
        "port": {"handle": 30, "address": [1, 2, 3, 4]}},
       {"handle": 11, "serial": "S11", "phy": {"handle": 21}, "port": {"handle": 31}},
       {"handle": 12, "serial": "S12", "phy": {"handle": 22}, "port": {"handle": 32}}],
     "volumes": [{"handle": 40, "array_handle": 41, "level": 1, "disks": [12, 11], "state": 4, "cache": 3, "flag": 5}]},
    {"handle": 5, "type": 2, "port": null,
     "enclosures": [{"handle": 50, "vendor": "ENCLOSURE-VENDOR-THAT-IS-TOO-LONG", "version": "v"}],
     "routing_devices": [{"handle": 60, "vendor": "R", "version": "1"}, {"handle": 61}],
     "disks": [{"handle": 15, "phy": {"handle": 25}, "port": {"handle": 35}}, {"handle": 16, "phy": null}]}
  ]})";

}  // namespace

TEST_F(SimTest, ScopesSelectTheRightObjectsInFileOrder) {
  Load(kTwoControllers);
  EXPECT_EQ(List(SsiGetControllerHandles), (V{1, 5}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles), (V{10, 11, 12, 15, 16}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_CONTROLLER, 5), (V{15, 16}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 41), (V{12, 11})) << "volume order";
  EXPECT_EQ(List(SsiGetPhyHandles, SSI_SCOPE_END_DEVICE, 11), (V{21}));
  // Handles left out are assigned in file order around the explicit ones.
  EXPECT_EQ(List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 1), (V{20, 21, 22, 4})) << "4: unattached";
  EXPECT_EQ(List(SsiGetPhyHandles), (V{20, 21, 22, 4, 25, 7}));
  EXPECT_EQ(List(SsiGetPortHandles), (V{3, 30, 31, 32, 35}));
  EXPECT_EQ(List(SsiGetEnclosureHandles, SSI_SCOPE_CONTROLLER, 5), (V{50}));
  EXPECT_EQ(List(SsiGetRoutingDeviceHandles), (V{60, 61}));
  EXPECT_EQ(List(SsiGetVolumeHandles, SSI_SCOPE_RAID_ARRAY, 41), (V{40}));
  // Unknown scope handles and handles of the wrong kind give nothing.
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_CONTROLLER, 999), V{});
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 40), V{}) << "a volume is not an array";
  EXPECT_EQ(List(SsiGetPhyHandles, SSI_SCOPE_END_DEVICE, 1), V{});
  // A short buffer gets the count and nothing else (List covers the rest).
  Session s;
  uint32_t count = 2;
  SSI_HANDLE buf[2] = {};
  EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, buf, &count), 1u);
  EXPECT_EQ(std::make_tuple(count, buf[0]), std::make_tuple(5u, 0u));
  count = 1;
  EXPECT_EQ(SsiGetRaidInfoHandles(s, buf, &count), 1u);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(SsiGetRaidInfoHandles(s, nullptr, &count), 0u);
  EXPECT_EQ(SsiGetRaidInfoHandles(s, buf, &count), 0u);
  EXPECT_EQ(V(buf, buf + 2), (V{2, 6}));

  // A scope type a call does not know is refused (14, count 0), never served as some other scope or as an empty
  // list: a middleware that took any value would hide a provider passing the wrong one.
  const struct { const char* name; HandleCall call; std::set<uint32_t> scopes; } calls[] = {
      {"controllers", SsiGetControllerHandles, {0}},     {"enclosures", SsiGetEnclosureHandles, {0, 2}},
      {"end devices", SsiGetEndDeviceHandles, {0, 2, 8}}, {"PHYs", SsiGetPhyHandles, {0, 1, 2, 4}},
      {"ports", SsiGetPortHandles, {0, 2}},               {"routing devices", SsiGetRoutingDeviceHandles, {0, 2}},
      {"volumes", SsiGetVolumeHandles, {0, 2, 8}}, };
  for (const auto& c : calls) {
    for (uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 16u, 31u, 32u, 33u, 0x80000000u, 0xFFFFFFFFu}) {
      const bool known = c.scopes.count(type) != 0;
      count = 7;
      EXPECT_EQ(c.call(s, type, 1, nullptr, &count), known ? 0u : SSI_STATUS_INVALID_PARAMETER)
          << c.name << ", scope type " << type;
      EXPECT_TRUE(known || count == 0) << c.name << ", scope type " << type << ": count " << count;
    }
  }
}

TEST_F(SimTest, SessionsAndInitialisationGateEveryCall) {
  Load(kTwoControllers);
  uint32_t count = 0;
  _SSI_ControllerInfo c{};
  _SSI_VolumeInfo v{};
  EXPECT_EQ(SsiGetControllerHandles(12345, 0, 0, nullptr, &count), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(SsiGetControllerInfo(0, 1, &c), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(SsiGetVolumeInfo(0, 40, &v), 0u) << "volume records need no session";
  SSI_HANDLE a = 0, b = 0;
  ASSERT_EQ(SsiSessionOpen(&a), 0u);
  ASSERT_EQ(SsiSessionOpen(&b), 0u);
  EXPECT_EQ(SsiSessionClose(a), 0u);
  EXPECT_EQ(SsiSessionClose(a), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(SsiGetControllerHandles(a, 0, 0, nullptr, &count), SSI_STATUS_INVALID_PARAMETER) << "closed";
  EXPECT_EQ(SsiGetControllerHandles(b, 0, 0, nullptr, &count), 0u);
  // Finalising ends sessions and event handles; a waiter is released.
  SSI_HANDLE ev = 0;
  ASSERT_EQ(SsiGetEventHandle(&ev), 0u);
  auto waiter = StartWaiter(ev);
  EXPECT_EQ(SsiInitialize(), SSI_STATUS_ALREADY_INITIALIZED);
  ASSERT_EQ(SsiFinalize(), 0u);
  EXPECT_NE(Outcome(waiter, ev), 0u);
  EXPECT_FALSE(abru2sim::IsInitialized());
  EXPECT_EQ(SsiSessionOpen(&a), 12u);
  EXPECT_EQ(SsiGetVolumeInfo(0, 40, &v), 12u);
  EXPECT_EQ(SsiFinalize(), 12u);
  ASSERT_EQ(SsiInitialize(), 0u);
  EXPECT_EQ(SsiGetControllerHandles(b, 0, 0, nullptr, &count), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(SsiEventWait(0, ev), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(List(SsiGetControllerHandles), (V{1, 5})) << "the loaded topology survives re-initialisation";
}

// What a topology leaves out is derived (the values it gives reach the records every class test reads); unknown
// handles and handles of another kind give 14 and a zeroed record.
TEST_F(SimTest, RecordsDeriveWhatTheTopologyLeavesOut) {
  Load(kTwoControllers);
  Session s;
  constexpr uint64_t kDiskSize = 500107862016ull;
  EXPECT_EQ(std::make_tuple(Disk(11).totalSize, Disk(11).sizes[2], Disk(11).state, Disk(11).usage, Disk(16).usage),
            std::make_tuple(kDiskSize, kDiskSize / 512, 6, 1, 2)) << "a volume member is usage 1";
  EXPECT_EQ(std::make_tuple(Phy(21).phyNumber, Phy(21).protocol, Phy(4).attachedType, Phy(25).protocol),
            std::make_tuple(1u, 1, 0u, 2)) << "its disk's position; SATA on AHCI, SAS on DOX; 4 unattached";
  _SSI_PortInfo port{};
  ASSERT_EQ(SsiGetPortInfo(s, 3, &port), 0u);
  EXPECT_EQ(std::make_tuple(port.attachedType, port.attachedHandle, port.address[1]),
            std::make_tuple(1u, 1u, uint8_t{31})) << "a controller port takes the controller's address";
  _SSI_EnclosureInfo e{};
  ASSERT_EQ(SsiGetEnclosureInfo(s, 50, &e), 0u);
  EXPECT_EQ(std::string(e.vendor) + e.version, "ENCLOSURE-VENDOR-THAT-Iv") << "cut to the field, terminator included";
  EXPECT_EQ(std::make_tuple(Volume(40).stripSize, Volume(40).totalSize), std::make_tuple(8u, 2 * kDiskSize))
      << "strip: the level's own; size: all the level allows";
  _SSI_RaidLevelInfo li{};
  ASSERT_EQ(SsiGetRaidLevelInfo(s, 2, SSI_RAID5, &li), 0u);
  EXPECT_EQ(li.supported, 0u) << "unlisted level";
  ASSERT_EQ(SsiGetRaidLevelInfo(s, 6, SSI_RAID6, &li), 0u);
  EXPECT_EQ(std::make_tuple(li.supported, li.stripKib, li.stripMask), std::make_tuple(1u, 128, 127u))
      << "no levels listed: all, 128 KiB";
  _SSI_EndDeviceInfo bad, zero{};
  std::memset(&bad, 0xAB, sizeof bad);
  EXPECT_EQ(SsiGetEndDeviceInfo(s, 1, &bad), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(std::memcmp(&bad, &zero, sizeof bad), 0);
  _SSI_VolumeInfo v{};
  EXPECT_EQ(SsiGetVolumeInfo(s, 41, &v), SSI_STATUS_INVALID_PARAMETER) << "an array is not a volume";
  EXPECT_EQ(SsiGetRaidLevelInfo(s, 2, 3, &li), SSI_STATUS_INVALID_PARAMETER);
  _SSI_SystemInfo sys{};
  Load(R"({"controllers": []})");
  EXPECT_EQ(SsiGetSystemInfo(&sys), SSI_STATUS_FAILED) << "no middleware_version";
}
