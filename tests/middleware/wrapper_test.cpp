// The middleware wrappers against the simulated RAID stack: scopes, which
// calls fill which list, empty answers, failing calls, the lazy
// initialisation, what happens between the two handle calls of a load, and
// CRaidInfo's queries and CPhys's helpers. (Every call failing, sessions
// included: the fault matrix of tests/proof.)
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "middleware/list_loader.h"
#include "tests/middleware/wrapper_fixture.h"

namespace load {

TEST_F(WrapperTest, ScopesAreCheckedBeforeAnyMiddlewareCall) {
  CEnclosure enc;
  ASSERT_EQ(enc.Load(SSI_SCOPE_CONTROLLER, 1), 0u);
  EXPECT_EQ(enc.Load(3, 1), WRAP_BAD_SCOPE);
  EXPECT_EQ(enc.Load(SSI_SCOPE_CONTROLLER, 0), WRAP_MISSING_ARGUMENT);
  EXPECT_TRUE(enc.m_bLoaded);
  EXPECT_EQ(Handles(enc.m_list), (HandleList{300}));
  EXPECT_EQ(Calls("SsiSessionOpen"), 1u);
  EXPECT_EQ(enc.Load(SSI_SCOPE_ALL, 7), 0u);  // scope 0 takes any handle
  EXPECT_EQ(Handles(enc.m_list), (HandleList{300, 301, 302}));

  // Refused even where the middleware would answer (PHYs by controller, 2).
  CEndDevices disks;
  CPhys phys;
  CRoutingDevice routing;
  const std::pair<std::function<SSI_STATUS(uint32_t, SSI_HANDLE)>, std::set<uint32_t>> scoped[] = {
      {[&](uint32_t t, SSI_HANDLE h) { return enc.Load(t, h); }, {2}},
      {[&](uint32_t t, SSI_HANDLE h) { return disks.Load(t, h); }, {2, 8}},
      {[&](uint32_t t, SSI_HANDLE h) { return phys.Load(t, h); }, {1, 4}},
      {[&](uint32_t t, SSI_HANDLE h) { return routing.Load(t, h); }, {2}}, };
  for (const auto& [load, accepted] : scoped) {
    for (uint32_t type : {1u, 2u, 3u, 4u, 8u, 16u, 31u, 32u, 33u, 0xFFFFFFFFu}) {
      SCOPED_TRACE(type);
      const bool ok = accepted.count(type) != 0;
      EXPECT_EQ(load(type, 0), ok ? uint32_t{WRAP_MISSING_ARGUMENT} : uint32_t{WRAP_BAD_SCOPE});
      EXPECT_EQ(load(type, 1), ok ? 0u : uint32_t{WRAP_BAD_SCOPE});
    }
  }
}

TEST_F(WrapperTest, NothingFoundLeavesThePreviousList) {
  CRoutingDevice routing;
  ASSERT_EQ(routing.Load(SSI_SCOPE_ALL, 0), 0u);
  EXPECT_EQ(routing.Load(SSI_SCOPE_CONTROLLER, 2), 0u);  // Beta has none
  EXPECT_FALSE(routing.m_bLoaded);
  EXPECT_EQ(Handles(routing.m_list), (HandleList{400}));

  CVolumeList volumes;
  ASSERT_EQ(LoadVolumes(&volumes), 0u);
  Load(R"({"controllers": [{"handle": 1}]})");
  EXPECT_EQ(LoadVolumes(&volumes), WRAP_NO_VOLUME);
  EXPECT_FALSE(volumes.m_bLoaded);
  EXPECT_EQ(Handles(volumes.m_list), (HandleList{5000}));
  EXPECT_EQ(LoadVolumes(nullptr), WRAP_MISSING_ARGUMENT);
  ExpectSessionsBalanced();
}

TEST_F(WrapperTest, FailingRecordCallStillTakesItsPlace) {
  Fail("SsiGetEnclosureInfo");
  CEnclosure enc;
  EXPECT_EQ(enc.Load(SSI_SCOPE_ALL, 0), 0u);
  EXPECT_TRUE(enc.m_bLoaded);
  EXPECT_EQ(Handles(enc.m_list), (HandleList{0, 301, 302}));  // zeroed, not left as it was
}

TEST_F(WrapperTest, LoadInitialisesTheMiddlewareWhenNobodyDid) {
  SsiFinalize();
  g_bMiddlewareInitialized = false;
  CHostController controllers;
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
  EXPECT_FALSE(controllers.m_bLoaded);
  EXPECT_EQ(Handles(controllers.m_list), (HandleList{1, 2}));
  _SSI_RaidInfo info{};
  EXPECT_EQ(CRaidInfo().GetRaidInfo(&info, 100), WRAP_NOT_INITIALIZED);
  EXPECT_EQ(CPhys().Locate(20, 1), WRAP_NOT_INITIALIZED);
  EXPECT_FALSE(g_bMiddlewareInitialized);
  EXPECT_EQ(Calls("SsiSessionOpen"), 0u);
  EXPECT_EQ(Calls("SsiPhyLocate"), 0u);
}

// A host may finalise the middleware (Cleanup) while a load on another thread
// holds a session: the session went with the middleware and must not be
// closed afterwards.
TEST_F(WrapperTest, NoSessionIsClosedAfterTheMiddlewareWasFinalised) {
  abru2sim::SetCallHook("SsiGetControllerHandles", [](void*) {
    g_bMiddlewareInitialized = false;
    SsiFinalize();
  }, nullptr);
  CHostController controllers;
  controllers.Load();
  EXPECT_EQ(Calls("SsiSessionOpen"), 1u);
  EXPECT_EQ(Calls("SsiSessionClose"), 0u);
}

}  // namespace load

// What happens between the two handle calls of a load (the stack changing,
// the second call failing) and while our own initialisation fails; the
// simulation's call hook acts at exactly that moment.
namespace growth {

using zubtest::NthCall;

void Apply(const char* change) {
  std::string error;
  ASSERT_TRUE(abru2sim::ApplyChange(change, &error)) << error;
}

TEST_F(WrapperTest, CountGrowsBetweenTheTwoHandleCalls) {
  CEndDevices disks;
  ASSERT_EQ(disks.Load(SSI_SCOPE_ALL, 0), 0u);
  NthCall second{2, [] { Apply(R"({"op": "insert_disk", "controller": 2, "disk": {"handle": 13}})"); }};
  second.Install("SsiGetEndDeviceHandles");
  // The simulation answers a buffer that became too small with status 1:
  // reported, and the list stays as it was.
  EXPECT_EQ(disks.Load(SSI_SCOPE_ALL, 0), 1u);
  EXPECT_EQ(second.seen, 2);
  EXPECT_FALSE(disks.m_bLoaded);
  EXPECT_EQ(Handles(disks.m_list), (HandleList{10, 11, 12}));
  ASSERT_EQ(disks.Load(SSI_SCOPE_ALL, 0), 0u);
  EXPECT_EQ(Handles(disks.m_list), (HandleList{10, 11, 12, 13}));

  // A middleware that fills what fits and reports success with the grown
  // count: the extra entries repeat the last handle held.
  CSafeArrayT<SSI_HANDLE> list;
  bool loaded = false;
  const zubmw::HandleCall growing = [](SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE* handles, uint32_t* count) {
    for (uint32_t i = 0; handles != nullptr && i < *count; ++i) handles[i] = 10 + i;
    *count = handles ? 4 : 2;
    return SSI_STATUS{0};
  };
  const auto asIs = [](SSI_HANDLE, SSI_HANDLE h) { return h; };
  EXPECT_EQ(zubmw::LoadHandles(growing, zubmw::kNoScope, 0, 0, 0, list, loaded, asIs), 0u);
  EXPECT_TRUE(loaded);
  EXPECT_EQ(Handles(list), (HandleList{10, 11, 11, 11}));
  ExpectSessionsBalanced();
}

TEST_F(WrapperTest, FailingSecondHandleCallKeepsThePreviousList) {
  CVolumeList volumes;
  ASSERT_EQ(LoadVolumes(&volumes), 0u);
  NthCall second{2, [] { Apply(R"({"op": "fail", "call": "SsiGetVolumeHandles", "status": 15})"); }};
  second.Install("SsiGetVolumeHandles");
  EXPECT_EQ(LoadVolumes(&volumes), SSI_STATUS_FAILED);
  EXPECT_FALSE(volumes.m_bLoaded);
  EXPECT_EQ(Handles(volumes.m_list), (HandleList{5000}));
  ExpectSessionsBalanced();
}

TEST_F(WrapperTest, FailedInitialisationIsFineWhenAnotherThreadSucceeded) {
  g_bMiddlewareInitialized = false;
  NthCall first{1, [] { g_bMiddlewareInitialized = true; }};
  first.Install("SsiInitialize");
  Fail("SsiInitialize");
  CHostController controllers;
  EXPECT_EQ(controllers.Load(), 0u);
  EXPECT_EQ(first.seen, 1);
  EXPECT_EQ(Handles(controllers.m_list), (HandleList{1, 2}));
  ExpectSessionsBalanced();
}

}  // namespace growth

// CRaidInfo's queries and CPhys's helpers against the simulated middleware.
namespace raid {

TEST_F(WrapperTest, RaidQueriesUseTheGivenHandleOrTheCursor) {
  CRaidInfo raid;
  CArrayT<CRaidInfo::_stSupportedRaidLevelInfo> levels;
  levels.Add({});
  ASSERT_EQ(raid.GetSupportedRaidLevels(&levels, 0), 0u);  // cursor: Alpha's
  ASSERT_EQ(levels.GetCount(), 2u);
  EXPECT_EQ(levels[0].raidLevel, SSI_RAID0);
  EXPECT_EQ(levels[0].info.stripMask, 127u);
  EXPECT_EQ(levels[1].raidLevel, SSI_RAID5);
  EXPECT_EQ(levels[1].info.stripKib, 64);
  EXPECT_EQ(Handles(raid.m_list), (HandleList{100, 101}));

  _SSI_RaidInfo info{};
  ASSERT_EQ(raid.GetRaidInfo(&info, 101), 0u);
  EXPECT_EQ(info.value4, 7u);
  EXPECT_EQ(info.value16, 8u);
  raid.m_list.MoveNext();
  ASSERT_EQ(raid.GetSupportedRaidLevels(&levels, 0), 0u);
  ASSERT_EQ(levels.GetCount(), 1u);
  EXPECT_EQ(levels[0].raidLevel, SSI_RAID1);
  EXPECT_EQ(Calls("SsiGetRaidInfoHandles"), 2u);  // loaded once

  Fail("SsiGetRaidLevelInfo");
  EXPECT_EQ(raid.GetSupportedRaidLevels(&levels, 100), SSI_STATUS_FAILED);
  EXPECT_EQ(levels.GetCount(), 0u);
  EXPECT_EQ(raid.GetSupportedRaidLevels(nullptr, 100), WRAP_MISSING_ARGUMENT);
  EXPECT_EQ(raid.GetRaidLevelInfo(SSI_RAID0, nullptr, 100), WRAP_MISSING_ARGUMENT);
  ExpectSessionsBalanced();

  // All five levels come back in the one order the classes rely on,
  // whatever order the middleware keeps them in.
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "raid_info": {"handle": 100, "levels": {
      "16": {}, "4": {}, "1": {}, "8": {}, "2": {}}}}]})");
  CRaidInfo all;
  ASSERT_EQ(all.GetSupportedRaidLevels(&levels, 100), 0u);
  std::vector<uint32_t> codes;
  for (const auto& level : levels) codes.push_back(level.raidLevel);
  EXPECT_EQ(codes, (std::vector<uint32_t>{SSI_RAID0, SSI_RAID1, SSI_RAID10, SSI_RAID5, SSI_RAID6}));
}

TEST_F(WrapperTest, PhyHelpersLoadFirstAndStopWhenTheLoadFails) {
  CPhys phys;
  _SSI_PhyInfo out{};
  ASSERT_EQ(phys.GetCurrentInfo(&out), 0u);
  EXPECT_EQ(out.handle, 20u);
  EXPECT_EQ(out.attachedHandle, 10u);
  ASSERT_TRUE(phys.m_list.MoveNext());
  ASSERT_EQ(phys.GetCurrentInfo(&out), 0u);  // loaded: no second load
  EXPECT_EQ(out.handle, 21u);
  EXPECT_EQ(abru2sim::GetCounters().sessionsOpened, 1u);

  bool on = false;
  EXPECT_EQ(phys.Locate(21, 1), 0u);
  ASSERT_TRUE(abru2sim::GetLocateState(21, &on));
  EXPECT_TRUE(on);
  EXPECT_EQ(phys.m_list.GetCount(), 4u);  // every PHY, whatever was loaded before
  EXPECT_EQ(phys.Locate(999, 1), SSI_STATUS_INVALID_PARAMETER);  // the middleware's answer

  Fail("SsiSessionOpen", SSI_STATUS_FAILED, 2);
  EXPECT_EQ(phys.Locate(20, 1), SSI_STATUS_FAILED);
  ASSERT_TRUE(abru2sim::GetLocateState(20, &on));
  EXPECT_FALSE(on);
  out.handle = 77;
  EXPECT_EQ(CPhys().GetCurrentInfo(&out), SSI_STATUS_FAILED);
  EXPECT_EQ(out.handle, 77u);
  ExpectSessionsBalanced();
}

}  // namespace raid
