// The middleware wrappers against the simulated RAID stack: scopes, which calls fill which list, empty answers,
// failing calls, the lazy initialisation, what happens between the two handle calls of a load (the simulation's
// call hook acts at exactly that moment), and CRaidInfo's queries and CPhys's helpers. (Every call failing,
// sessions included: the fault matrix of tests/proof.)
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "middleware/list_loader.h"
#include "middleware/wrappers.h"
#include "tests/support/class_fixture.h"

namespace {

// Alpha: levels 1 and 8, a controller port, three PHYs for two disks, a RAID0 volume on disks 11 then 10. Beta:
// level 2 only, no controller port, no routing device, one disk.
constexpr const char* kTwoControllers = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "Alpha", "phy_count": 3, "port": {"handle": 50},
   "raid_info": {"handle": 100, "value1": 5, "value2": 6, "levels": {
      "1": {"strip_kib": 128, "strip_mask": 127}, "8": {"strip_kib": 64, "strip_mask": 124}}},
   "enclosures": [{"handle": 300}], "routing_devices": [{"handle": 400, "vendor": "EXP"}],
   "disks": [{"handle": 10, "phy": {"handle": 20}, "port": {"handle": 30}},
             {"handle": 11, "serial": "S11", "phy": {"handle": 21, "number": 1}, "port": {"handle": 31}}],
   "volumes": [{"handle": 5000, "array_handle": 6000, "name": "Data", "level": 1, "disks": [11, 10]}]},
  {"handle": 2, "name": "Beta", "type": 2, "port": null,
   "raid_info": {"handle": 101, "value1": 7, "value2": 8, "levels": {"2": {"strip_kib": 64, "strip_mask": 0}}},
   "enclosures": [{"handle": 301}, {"handle": 302}],
   "disks": [{"handle": 12, "phy": {"handle": 22}, "port": {"handle": 32}}]}]})";

using HandleList = std::vector<SSI_HANDLE>;
using zubtest::NthCall;

class WrapperTest : public zubtest::ClassFixture {
 protected:
  void SetUp() override {
    ClassFixture::SetUp();
    Load(kTwoControllers);
  }
  // Every record starts with its handle; a handle list is its own.
  template <class T>
  static HandleList Handles(const CArrayT<T>& list) {
    HandleList out;
    for (const T& item : list) std::memcpy(&out.emplace_back(), &item, sizeof(SSI_HANDLE));
    return out;
  }
};

TEST_F(WrapperTest, ScopesAreCheckedBeforeAnyMiddlewareCall) {
  CEnclosure enc;
  ASSERT_EQ(enc.Load(SSI_SCOPE_CONTROLLER, 1), 0u);
  EXPECT_EQ(enc.Load(3, 1), WRAP_BAD_SCOPE);
  EXPECT_EQ(enc.Load(SSI_SCOPE_CONTROLLER, 0), WRAP_MISSING_ARGUMENT);
  EXPECT_EQ(std::make_tuple(enc.m_bLoaded, Handles(enc.m_list), Calls("SsiSessionOpen")),
            std::make_tuple(true, HandleList{300}, uint64_t{1}));
  // Scope 0 takes any handle; a record that could not be read still takes its place, zeroed.
  Fail("SsiGetEnclosureInfo");
  EXPECT_EQ(enc.Load(SSI_SCOPE_ALL, 7), 0u);
  EXPECT_EQ(std::make_tuple(enc.m_bLoaded, Handles(enc.m_list)), std::make_tuple(true, HandleList{0, 301, 302}));

  // Refused even where the middleware would answer (PHYs by controller, 2).
  const auto scopes = [](auto&& wrapper, std::set<uint32_t> accepted) {
    for (uint32_t type : {1u, 2u, 3u, 4u, 8u, 16u, 31u, 32u, 33u, 0xFFFFFFFFu}) {
      SCOPED_TRACE(type);
      const bool ok = accepted.count(type) != 0;
      EXPECT_EQ(wrapper.Load(type, 0), ok ? uint32_t{WRAP_MISSING_ARGUMENT} : uint32_t{WRAP_BAD_SCOPE});
      EXPECT_EQ(wrapper.Load(type, 1), ok ? 0u : uint32_t{WRAP_BAD_SCOPE});
    }
  };
  scopes(enc, {2});
  scopes(CEndDevices(), {2, 8});
  scopes(CPhys(), {1, 4});
  scopes(CRoutingDevice(), {2});
}

TEST_F(WrapperTest, NothingFoundLeavesThePreviousList) {
  CRoutingDevice routing;
  ASSERT_EQ(routing.Load(SSI_SCOPE_ALL, 0), 0u);
  EXPECT_EQ(routing.Load(SSI_SCOPE_CONTROLLER, 2), 0u);  // Beta has none
  EXPECT_EQ(std::make_tuple(routing.m_bLoaded, Handles(routing.m_list)), std::make_tuple(false, HandleList{400}));
  CVolumeList volumes;
  ASSERT_EQ(LoadVolumes(&volumes), 0u);
  Load(R"({"controllers": [{"handle": 1}]})");
  EXPECT_EQ(LoadVolumes(&volumes), WRAP_NO_VOLUME);
  EXPECT_EQ(std::make_tuple(volumes.m_bLoaded, Handles(volumes.m_list)), std::make_tuple(false, HandleList{5000}));
  EXPECT_EQ(LoadVolumes(nullptr), WRAP_MISSING_ARGUMENT);
  ExpectSessionsBalanced();
}

TEST_F(WrapperTest, LoadInitialisesTheMiddlewareWhenNobodyDid) {
  // Our attempt failing is fine when another thread succeeded meanwhile.
  g_bMiddlewareInitialized = false;
  NthCall first{1, [] { g_bMiddlewareInitialized = true; }};
  first.Install("SsiInitialize");
  Fail("SsiInitialize");
  CHostController controllers;
  EXPECT_EQ(controllers.Load(), 0u);
  EXPECT_EQ(first.seen, 1);
  EXPECT_EQ(Handles(controllers.m_list), (HandleList{1, 2}));

  SsiFinalize();
  g_bMiddlewareInitialized = false;
  EXPECT_EQ(controllers.Load(), 0u);
  EXPECT_TRUE(g_bMiddlewareInitialized);
  EXPECT_TRUE(abru2sim::IsInitialized());
  g_bMiddlewareInitialized = false;  // initialised, but nobody said so: 11
  EXPECT_EQ(controllers.Load(), 0u);
  EXPECT_TRUE(g_bMiddlewareInitialized);
  ExpectSessionsBalanced();

  SsiFinalize();
  g_bMiddlewareInitialized = false;
  abru2sim::ResetCounters();
  Fail("SsiInitialize", SSI_STATUS_FAILED, 0);
  EXPECT_EQ(controllers.Load(), WRAP_NOT_INITIALIZED);
  EXPECT_EQ(std::make_tuple(controllers.m_bLoaded, Handles(controllers.m_list)),
            std::make_tuple(false, HandleList{1, 2}));
  _SSI_RaidInfo info{};
  EXPECT_EQ(CRaidInfo().GetRaidInfo(&info, 100), WRAP_NOT_INITIALIZED);
  EXPECT_EQ(CPhys().Locate(20, 1), WRAP_NOT_INITIALIZED);
  EXPECT_FALSE(g_bMiddlewareInitialized);
  EXPECT_EQ(Calls("SsiSessionOpen") + Calls("SsiPhyLocate"), 0u);
}

// A host may finalise the middleware (Cleanup) while a load on another thread holds a session: the session went
// with the middleware and must not be closed afterwards.
TEST_F(WrapperTest, NoSessionIsClosedAfterTheMiddlewareWasFinalised) {
  abru2sim::SetCallHook("SsiGetControllerHandles", [](void*) {
    g_bMiddlewareInitialized = false;
    SsiFinalize();
  }, nullptr);
  CHostController().Load();
  EXPECT_EQ(std::make_tuple(Calls("SsiSessionOpen"), Calls("SsiSessionClose")), std::make_tuple(1u, 0u));
}

TEST_F(WrapperTest, CountGrowsBetweenTheTwoHandleCalls) {
  CEndDevices disks;
  ASSERT_EQ(disks.Load(SSI_SCOPE_ALL, 0), 0u);
  NthCall second{2, [] { Change(R"({"op": "insert_disk", "controller": 2, "disk": {"handle": 13}})"); }};
  second.Install("SsiGetEndDeviceHandles");
  // The simulation answers a buffer that became too small with status 1: reported, and the list stays as it was
  // (as after any failing second call).
  EXPECT_EQ(disks.Load(SSI_SCOPE_ALL, 0), 1u);
  EXPECT_EQ(second.seen, 2);
  EXPECT_EQ(std::make_tuple(disks.m_bLoaded, Handles(disks.m_list)), std::make_tuple(false, HandleList{10, 11, 12}));
  ASSERT_EQ(disks.Load(SSI_SCOPE_ALL, 0), 0u);
  EXPECT_EQ(Handles(disks.m_list), (HandleList{10, 11, 12, 13}));

  // A middleware that fills what fits and reports success with the grown count: the extra entries repeat the
  // last handle held.
  CSafeArrayT<SSI_HANDLE> list;
  bool loaded = false;
  const zubmw::HandleCall growing = [](SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE* handles, uint32_t* count) {
    for (uint32_t i = 0; handles != nullptr && i < *count; ++i) handles[i] = 10 + i;
    *count = handles ? 4 : 2;
    return SSI_STATUS{0};
  };
  const auto asIs = [](const zubmw::Reading&, zubmw::LazySession&, SSI_HANDLE h) { return h; };
  EXPECT_EQ(zubmw::LoadHandles(growing, zubmw::kNoScope, 0, 0, 0, list, loaded, asIs), 0u);
  EXPECT_EQ(std::make_tuple(loaded, Handles(list)), std::make_tuple(true, HandleList{10, 11, 11, 11}));
  ExpectSessionsBalanced();
}

TEST_F(WrapperTest, RaidQueriesUseTheGivenHandleOrTheCursor) {
  CRaidInfo raid;
  CArrayT<CRaidInfo::_stSupportedRaidLevelInfo> levels;
  const auto codes = [&levels] {
    std::vector<uint32_t> out;
    for (const auto& level : levels) out.push_back(level.raidLevel);
    return out;
  };
  levels.Add({});
  ASSERT_EQ(raid.GetSupportedRaidLevels(&levels, 0), 0u);  // cursor: Alpha's
  ASSERT_EQ(codes(), (std::vector<uint32_t>{SSI_RAID0, SSI_RAID5}));
  EXPECT_EQ(std::make_tuple(levels[0].info.stripMask, levels[1].info.stripKib), std::make_tuple(127u, 64));
  EXPECT_EQ(Handles(raid.m_list), (HandleList{100, 101}));
  _SSI_RaidInfo info{};
  ASSERT_EQ(raid.GetRaidInfo(&info, 101), 0u);
  EXPECT_EQ(std::make_tuple(info.value4, info.value16), std::make_tuple(7u, 8u));
  raid.m_list.MoveNext();
  ASSERT_EQ(raid.GetSupportedRaidLevels(&levels, 0), 0u);
  EXPECT_EQ(codes(), std::vector<uint32_t>{SSI_RAID1});
  EXPECT_EQ(Calls("SsiGetRaidInfoHandles"), 2u);  // loaded once

  Fail("SsiGetRaidLevelInfo");
  EXPECT_EQ(raid.GetSupportedRaidLevels(&levels, 100), SSI_STATUS_FAILED);
  EXPECT_EQ(levels.GetCount(), 0u);
  EXPECT_EQ(raid.GetSupportedRaidLevels(nullptr, 100), WRAP_MISSING_ARGUMENT);
  EXPECT_EQ(raid.GetRaidLevelInfo(SSI_RAID0, nullptr, 100), WRAP_MISSING_ARGUMENT);
  ExpectSessionsBalanced();

  // All five levels come back in the one order the classes rely on, whatever order the middleware keeps them in.
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "raid_info": {"handle": 100, "levels": {
      "16": {}, "4": {}, "1": {}, "8": {}, "2": {}}}}]})");
  ASSERT_EQ(CRaidInfo().GetSupportedRaidLevels(&levels, 100), 0u);
  EXPECT_EQ(codes(), (std::vector<uint32_t>{SSI_RAID0, SSI_RAID1, SSI_RAID10, SSI_RAID5, SSI_RAID6}));
}

TEST_F(WrapperTest, PhyHelpersLoadFirstAndStopWhenTheLoadFails) {
  CPhys phys;
  _SSI_PhyInfo out{};
  ASSERT_EQ(phys.GetCurrentInfo(&out), 0u);
  EXPECT_EQ(std::make_tuple(out.handle, out.attachedHandle), std::make_tuple(20u, 10u));
  ASSERT_TRUE(phys.m_list.MoveNext());
  ASSERT_EQ(phys.GetCurrentInfo(&out), 0u);  // loaded: no second load
  EXPECT_EQ(std::make_tuple(out.handle, abru2sim::GetCounters().sessionsOpened), std::make_tuple(21u, uint64_t{1}));

  bool on = false;
  EXPECT_EQ(phys.Locate(21, 1), 0u);
  EXPECT_TRUE(abru2sim::GetLocateState(21, &on) && on);
  EXPECT_EQ(phys.m_list.GetCount(), 4u);  // every PHY, whatever was loaded before
  EXPECT_EQ(phys.Locate(999, 1), SSI_STATUS_INVALID_PARAMETER);  // the middleware's answer
  Fail("SsiSessionOpen", SSI_STATUS_FAILED, 2);
  EXPECT_EQ(phys.Locate(20, 1), SSI_STATUS_FAILED);
  EXPECT_TRUE(abru2sim::GetLocateState(20, &on) && !on);
  out.handle = 77;
  EXPECT_EQ(CPhys().GetCurrentInfo(&out), SSI_STATUS_FAILED);
  EXPECT_EQ(out.handle, 77u);
  ExpectSessionsBalanced();
}

}  // namespace
