// What happens between the two handle calls of a load (the stack changing,
// the second call failing) and while our own initialisation fails; the
// simulation's call hook acts at exactly that moment.
#include "middleware/list_loader.h"
#include "tests/middleware/wrapper_fixture.h"

namespace {

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

}  // namespace
