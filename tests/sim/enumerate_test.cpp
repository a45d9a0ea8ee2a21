// enumerate_test.cpp: handle enumerations by scope, the two-step count
// protocol, sessions, records and the initialised state.
#include <cstring>
#include <string>

#include "tests/sim/sim_test_util.h"

using namespace simtest;

namespace {

const char* kTwoControllers = R"({
  "middleware_version": "9.9.9",
  "controllers": [
    {"handle": 1, "name": "First", "id": 4660, "revision": 7, "vendor": 32902, "driver_version": "1.2.3",
     "address": [0, 31, 2, 5], "feature_flag": 9, "write_back_offered": 1, "phy_count": 4,
     "raid_info": {"handle": 2, "value1": 5, "value2": 6, "levels": {"1": {"strip_kib": 16, "strip_mask": 12}}},
     "port": {"handle": 3, "address64": 77},
     "disks": [
       {"handle": 10, "serial": "S10", "model": "M", "firmware": "F", "size": 2000, "sizes": [1, 2, 3],
        "value24": -4, "value144": 44, "no_pool": 1, "address64": 99,
        "phy": {"handle": 20, "number": 3, "protocol": 4, "link": [1, 2]}, "port": {"handle": 30, "address": [1, 2, 3, 4]}},
       {"handle": 11, "serial": "S11", "phy": {"handle": 21}, "port": {"handle": 31}},
       {"handle": 12, "serial": "S12", "phy": {"handle": 22}, "port": {"handle": 32}}],
     "volumes": [{"handle": 40, "array_handle": 41, "name": "V", "level": 1, "disks": [12, 11]}]},
    {"handle": 5, "type": 2, "port": null,
     "enclosures": [{"handle": 50, "vendor": "ENCLOSURE-VENDOR-THAT-IS-TOO-LONG", "version": "v"}],
     "routing_devices": [{"handle": 60, "vendor": "R", "version": "1"}, {"handle": 61}],
     "disks": [{"handle": 15, "phy": {"handle": 25}, "port": {"handle": 35}}]}
  ]})";

using V = std::vector<SSI_HANDLE>;

}  // namespace

TEST_F(SimTest, ScopesSelectTheRightObjectsInFileOrder) {
  Load(kTwoControllers);

  EXPECT_EQ(List(SsiGetControllerHandles), (V{1, 5}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles), (V{10, 11, 12, 15}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_CONTROLLER, 5), (V{15}));
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 41), (V{12, 11})) << "volume order";
  EXPECT_EQ(List(SsiGetPhyHandles, SSI_SCOPE_END_DEVICE, 11), (V{21}));
  const V phys = List(SsiGetPhyHandles, SSI_SCOPE_CONTROLLER_PHYS, 1);
  ASSERT_EQ(phys.size(), 4u);
  EXPECT_EQ(V(phys.begin(), phys.begin() + 3), (V{20, 21, 22}));
  EXPECT_EQ(List(SsiGetPhyHandles).size(), 5u);
  EXPECT_EQ(List(SsiGetPortHandles), (V{3, 30, 31, 32, 35}));
  EXPECT_EQ(List(SsiGetEnclosureHandles, SSI_SCOPE_CONTROLLER, 5), (V{50}));
  EXPECT_EQ(List(SsiGetEnclosureHandles, SSI_SCOPE_CONTROLLER, 1), V{});
  EXPECT_EQ(List(SsiGetRoutingDeviceHandles), (V{60, 61}));
  EXPECT_EQ(List(SsiGetVolumeHandles), (V{40}));

  // Unknown scope handles and handles of the wrong kind give nothing.
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_CONTROLLER, 999), V{});
  EXPECT_EQ(List(SsiGetEndDeviceHandles, SSI_SCOPE_RAID_ARRAY, 40), V{}) << "a volume is not an array";
  EXPECT_EQ(List(SsiGetPhyHandles, SSI_SCOPE_END_DEVICE, 1), V{});

  // A scope the kind cannot be enumerated by.
  Session s;
  uint32_t count = 7;
  EXPECT_EQ(SsiGetControllerHandles(s, SSI_SCOPE_RAID_ARRAY, 41, nullptr, &count), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(count, 0u);
}

TEST_F(SimTest, TwoStepCountProtocol) {
  Load(kTwoControllers);
  Session s;
  uint32_t count = 0;
  EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, nullptr, &count), 0u);
  EXPECT_EQ(count, 4u);

  SSI_HANDLE buf[8] = {};
  count = 2;
  EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, buf, &count), 1u) << "buffer too small";
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(buf[0], 0u) << "nothing written into a short buffer";

  count = 8;
  EXPECT_EQ(SsiGetEndDeviceHandles(s, 0, 0, buf, &count), 0u);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(V(buf, buf + 4), (V{10, 11, 12, 15}));

  count = 0;
  EXPECT_EQ(SsiGetRaidInfoHandles(s, nullptr, &count), 0u);
  EXPECT_EQ(count, 2u);
  count = 1;
  EXPECT_EQ(SsiGetRaidInfoHandles(s, buf, &count), 1u);
  EXPECT_EQ(count, 2u);
}

TEST_F(SimTest, SessionsAndInitialisationGateEveryCall) {
  Load(kTwoControllers);
  uint32_t count = 0;
  EXPECT_EQ(SsiGetControllerHandles(0, 0, 0, nullptr, &count), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(SsiGetControllerHandles(12345, 0, 0, nullptr, &count), SSI_STATUS_INVALID_PARAMETER);
  _SSI_ControllerInfo c{};
  EXPECT_EQ(SsiGetControllerInfo(0, 1, &c), SSI_STATUS_INVALID_PARAMETER);
  _SSI_VolumeInfo v{};
  EXPECT_EQ(SsiGetVolumeInfo(0, 40, &v), 0u) << "volume records need no session";

  SSI_HANDLE a = 0, b = 0;
  ASSERT_EQ(SsiSessionOpen(&a), 0u);
  ASSERT_EQ(SsiSessionOpen(&b), 0u);
  EXPECT_NE(a, 0u);
  EXPECT_NE(a, b);
  EXPECT_EQ(SsiSessionClose(a), 0u);
  EXPECT_EQ(SsiSessionClose(a), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(SsiGetControllerHandles(a, 0, 0, nullptr, &count), SSI_STATUS_INVALID_PARAMETER) << "closed";
  EXPECT_EQ(SsiGetControllerHandles(b, 0, 0, nullptr, &count), 0u);

  EXPECT_EQ(SsiInitialize(), SSI_STATUS_ALREADY_INITIALIZED);
  ASSERT_EQ(SsiFinalize(), 0u);
  EXPECT_FALSE(abru2sim::IsInitialized());
  EXPECT_EQ(SsiSessionOpen(&a), 12u);
  EXPECT_EQ(SsiGetVolumeInfo(0, 40, &v), 12u);
  EXPECT_EQ(SsiRescan(), 12u);
  EXPECT_EQ(SsiFinalize(), 12u);
  ASSERT_EQ(SsiInitialize(), 0u);
  EXPECT_EQ(SsiGetControllerHandles(b, 0, 0, nullptr, &count), SSI_STATUS_INVALID_PARAMETER)
      << "sessions end with the middleware";
  EXPECT_EQ(List(SsiGetControllerHandles), (V{1, 5})) << "the loaded topology survives re-initialisation";
}

TEST_F(SimTest, RecordsCarryTheTopologyValues) {
  Load(kTwoControllers);
  Session s;
  _SSI_ControllerInfo c{};
  ASSERT_EQ(SsiGetControllerInfo(s, 1, &c), 0u);
  EXPECT_EQ(c.handle, 1u);
  EXPECT_EQ(c.address[3], 5);
  EXPECT_EQ(c.address64Present, 0u);
  EXPECT_STREQ(c.name, "First");
  EXPECT_EQ(c.raidInfoHandle, 2u);
  EXPECT_STREQ(c.driverVersion, "1.2.3");
  EXPECT_EQ(c.id, 4660);
  EXPECT_EQ(c.revision, 7);
  EXPECT_EQ(c.vendor, 32902);
  EXPECT_EQ(c.featureFlag, 9u);
  EXPECT_EQ(c.writeBackOffered, 1u);

  const auto d = Disk(10);
  EXPECT_EQ(d.address64Present, 1u);
  EXPECT_EQ(d.address64, 99u);
  EXPECT_EQ(d.value24, -4);
  EXPECT_EQ(d.raidInfoHandle, 2u);
  EXPECT_STREQ(d.serialNo, "S10");
  EXPECT_EQ(d.value144, 44);
  EXPECT_EQ(d.totalSize, 2000u);
  EXPECT_EQ(d.sizes[1], 2u);
  EXPECT_EQ(d.noPool, 1u);

  _SSI_PhyInfo p{};
  ASSERT_EQ(SsiGetPhyInfo(s, 20, &p), 0u);
  EXPECT_EQ(p.phyNumber, 3u);
  EXPECT_EQ(p.protocol, 4);
  EXPECT_EQ(p.portHandle, 30u);
  EXPECT_EQ(p.attachedHandle, 10u);
  EXPECT_EQ(p.negotiatedLinkRate, 1);
  EXPECT_EQ(p.maxLinkRate, 2);

  _SSI_PortInfo port{};
  ASSERT_EQ(SsiGetPortInfo(s, 3, &port), 0u);
  EXPECT_EQ(port.attachedType, 1u);
  EXPECT_EQ(port.attachedHandle, 1u);
  EXPECT_EQ(port.address[1], 31) << "a controller port defaults to the controller's address";
  EXPECT_EQ(port.address64Present, 1u);
  EXPECT_EQ(port.address64, 77u);
  ASSERT_EQ(SsiGetPortInfo(s, 30, &port), 0u);
  EXPECT_EQ(port.attachedType, 2u);
  EXPECT_EQ(port.address[3], 4);

  _SSI_EnclosureInfo e{};
  ASSERT_EQ(SsiGetEnclosureInfo(s, 50, &e), 0u);
  EXPECT_EQ(std::string(e.vendor), std::string("ENCLOSURE-VENDOR-THAT-IS-TOO-LONG").substr(0, 23))
      << "texts are cut to their field, terminator included";
  _SSI_RoutingDeviceInfo r{};
  ASSERT_EQ(SsiGetRoutingDeviceInfo(s, 60, &r), 0u);
  EXPECT_STREQ(r.vendor, "R");

  const auto v = Volume(40);
  EXPECT_EQ(v.arrayHandle, 41u);
  EXPECT_EQ(v.raidLevel, SSI_RAID0);
  EXPECT_EQ(v.stripSize, 8u);
  EXPECT_EQ(v.numDisks, 2u);

  _SSI_RaidInfo ri{};
  ASSERT_EQ(SsiGetRaidInfo(s, 2, &ri), 0u);
  EXPECT_EQ(ri.value4, 5u);
  EXPECT_EQ(ri.value16, 6u);
  _SSI_RaidLevelInfo li{};
  ASSERT_EQ(SsiGetRaidLevelInfo(s, 2, SSI_RAID0, &li), 0u);
  EXPECT_EQ(li.supported, 1u);
  EXPECT_EQ(li.stripKib, 16);
  EXPECT_EQ(li.stripMask, 12u);
  ASSERT_EQ(SsiGetRaidLevelInfo(s, 2, SSI_RAID5, &li), 0u);
  EXPECT_EQ(li.supported, 0u) << "unlisted level";
  EXPECT_EQ(SsiGetRaidLevelInfo(s, 2, 3, &li), SSI_STATUS_INVALID_PARAMETER);

  _SSI_SystemInfo sys{};
  ASSERT_EQ(SsiGetSystemInfo(&sys), 0u);
  EXPECT_STREQ(sys.middlewareVersion, "9.9.9");
}

TEST_F(SimTest, UnknownHandlesGiveZeroedRecordsAndStatus14) {
  Load(R"({"controllers": [{"handle": 1, "disks": [{"handle": 2}]}]})");
  Session s;
  _SSI_EndDeviceInfo d;
  std::memset(&d, 0xAB, sizeof d);
  EXPECT_EQ(SsiGetEndDeviceInfo(s, 1, &d), SSI_STATUS_INVALID_PARAMETER) << "a controller is not a disk";
  const _SSI_EndDeviceInfo zero{};
  EXPECT_EQ(std::memcmp(&d, &zero, sizeof d), 0);
  _SSI_VolumeInfo v;
  std::memset(&v, 0xAB, sizeof v);
  EXPECT_EQ(SsiGetVolumeInfo(s, 2, &v), SSI_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(v.handle, 0u);
  _SSI_PhyInfo p{};
  EXPECT_EQ(SsiGetPhyInfo(s, 777, &p), SSI_STATUS_INVALID_PARAMETER);
  _SSI_RaidInfo ri{};
  EXPECT_EQ(SsiGetRaidInfo(s, 1, &ri), SSI_STATUS_INVALID_PARAMETER);

  _SSI_SystemInfo sys{};
  EXPECT_EQ(SsiGetSystemInfo(&sys), SSI_STATUS_FAILED) << "no middleware_version";
}
