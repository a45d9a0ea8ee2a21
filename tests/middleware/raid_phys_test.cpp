// CRaidInfo's queries and CPhys's helpers against the simulated middleware.
#include "tests/middleware/wrapper_fixture.h"

namespace {

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

}  // namespace
