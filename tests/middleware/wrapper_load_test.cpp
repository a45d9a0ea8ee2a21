// The list wrappers and LoadVolumes against the simulated middleware:
// scopes, which calls fill which list, empty answers, failing calls and the
// lazy initialisation. (Every call failing, sessions included: the fault
// matrix of tests/proof.)
#include <functional>
#include <set>

#include "tests/middleware/wrapper_fixture.h"

namespace {

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
      {[&](uint32_t t, SSI_HANDLE h) { return routing.Load(t, h); }, {2}},
  };
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

}  // namespace
