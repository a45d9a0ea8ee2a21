// sim_fixture.h: the fixture every test on the simulated RAID stack shares:
// a reset, initialised simulation before each test and after it (which also
// drops call hooks, whose contexts live on the test's stack), a topology
// written in the test, changes and faults by JSON, and the counters.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sim/abru2_control.h"

namespace zubtest {

// Runs act() at the start of the nth call of the hooked function only (for a
// fault or a change between two calls of one load). The fixture's TearDown
// removes the hook.
struct NthCall {
  int nth;
  void (*act)();
  int seen = 0;
  void Install(const char* call) {
    abru2sim::SetCallHook(call, [](void* self) {
      auto* hook = static_cast<NthCall*>(self);
      if (++hook->seen == hook->nth) hook->act();
    }, this);
  }
};

class SimFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    abru2sim::ResetToDefault();
    const SSI_STATUS s = SsiInitialize();
    ASSERT_TRUE(s == SSI_STATUS_SUCCESS || s == SSI_STATUS_ALREADY_INITIALIZED) << s;
  }
  void TearDown() override { abru2sim::ResetToDefault(); }

  // Loads a topology and zeroes the counters, so they count the test's calls.
  static void Load(const std::string& json) {
    std::string error;
    ASSERT_TRUE(abru2sim::LoadTopologyText(json, &error)) << error;
    abru2sim::ResetCounters();
  }
  static std::string LoadError(const std::string& json) {
    std::string error;
    EXPECT_FALSE(abru2sim::LoadTopologyText(json, &error));
    return error;
  }
  static void Change(const std::string& json) {
    std::string error;
    ASSERT_TRUE(abru2sim::ApplyChange(json, &error)) << error;
  }
  static std::string ChangeError(const std::string& json) {
    std::string error;
    EXPECT_FALSE(abru2sim::ApplyChange(json, &error));
    return error;
  }
  // The next `times` calls of `call` fail with `status` (times 0: until cleared).
  static void Fail(const std::string& call, SSI_STATUS status = SSI_STATUS_FAILED, uint32_t times = 1) {
    Change(R"({"op": "fail", "call": ")" + call + R"(", "status": )" + std::to_string(status) + R"(, "times": )" +
           std::to_string(times) + "}");
  }
  static uint64_t Calls(const std::string& name) {
    const abru2sim::Counters c = abru2sim::GetCounters();
    auto it = c.calls.find(name);
    return it == c.calls.end() ? 0 : it->second;
  }
  static void ExpectSessionsBalanced() {
    const abru2sim::Counters c = abru2sim::GetCounters();
    EXPECT_EQ(c.sessionsOpened, c.sessionsClosed);
    EXPECT_EQ(c.sessionsOpen, 0u);
  }
};

}  // namespace zubtest
