// ZUB_ComputerSystem: one record per controller, straight from the
// controller records.
#include <gtest/gtest.h>

#include "classes/system/computer_system.h"
#include "sim/abru2_control.h"

namespace {

class ComputerSystemTest : public ::testing::Test {
 protected:
  void Load(const std::string& topology) {
    abru2sim::ResetToDefault();
    std::string error;
    ASSERT_TRUE(abru2sim::LoadTopologyText(topology, &error)) << error;
  }
  CArrayT<stZUB_ComputerSystem> List(PROVIDER_STATUS expected) {
    CZubComputerSystemInterface* cs = PROVIDER_CreateZubComputerSystemInstance();
    EXPECT_EQ(cs->Update(), expected);
    CArrayT<stZUB_ComputerSystem> out;
    EXPECT_EQ(cs->GetData(&out), PROVIDER_SUCCESS);
    return out;
  }
};

TEST_F(ComputerSystemTest, NoControllerIsNotFoundButInitialised) {
  Load(R"({"middleware_version": "1.0", "controllers": []})");
  CZubComputerSystemInterface* cs = PROVIDER_CreateZubComputerSystemInstance();
  if (!cs->IsInitialized()) {  // only the first Initialize of the process reads
    EXPECT_EQ(cs->Initialize(), PROVIDER_NOT_FOUND);
    EXPECT_TRUE(cs->IsInitialized());
  }
  EXPECT_EQ(List(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(cs->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
}

TEST_F(ComputerSystemTest, OneRecordPerControllerInMiddlewareOrder) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 4294967295, "name": "Second in handle order", "disks": []},
    {"handle": 3, "name": "", "type": 2, "disks": []}]})");
  CArrayT<stZUB_ComputerSystem> out = List(PROVIDER_SUCCESS);
  ASSERT_EQ(out.GetCount(), 2u);
  for (const stZUB_ComputerSystem& r : out) {
    EXPECT_EQ(r.NameFormat.Str(), L"HID");
    EXPECT_EQ(r.CreationClassName.Str(), L"Corvo_ZUBe3.0");
    ASSERT_EQ(r.Dedicated.GetCount(), 2u);
    EXPECT_EQ(r.Dedicated[0], 30u);
    EXPECT_EQ(r.Dedicated[1], 15u);
  }
  EXPECT_EQ(out[0].Name.Str(), L"Second in handle order");
  EXPECT_EQ(out[0].ControllerHandle.Str(), L"4294967295");
  EXPECT_EQ(out[1].Name.Str(), L"");
  EXPECT_EQ(out[1].ControllerHandle.Str(), L"3");

  // A rebuild drops controllers that went away and closes every session.
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 9, "name": "Only"}]})");
  out = List(PROVIDER_SUCCESS);
  ASSERT_EQ(out.GetCount(), 1u);
  EXPECT_EQ(out[0].Name.Str(), L"Only");
  abru2sim::Counters c = abru2sim::GetCounters();
  EXPECT_GT(c.sessionsOpened, 0u);
  EXPECT_EQ(c.sessionsOpened, c.sessionsClosed);
}

TEST_F(ComputerSystemTest, FailedControllerEnumerationMeansNoController) {
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 9, "name": "Only"}]})");
  std::string error;
  ASSERT_TRUE(abru2sim::ApplyChange(R"({"op": "fail", "call": "SsiGetControllerHandles", "status": 15, "times": 0})",
                                    &error)) << error;
  EXPECT_EQ(List(PROVIDER_NOT_FOUND).GetCount(), 0u);
  abru2sim::Counters c = abru2sim::GetCounters();
  EXPECT_EQ(c.sessionsOpened, c.sessionsClosed);
}

}  // namespace
