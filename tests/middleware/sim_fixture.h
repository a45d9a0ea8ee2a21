// sim_fixture.h: the fixture of the wrapper tests (a reset, initialised
// simulation; counters zeroed after the test's topology is loaded) and the
// topology most of them read.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/middleware_state.h"
#include "middleware/wrappers.h"
#include "sim/abru2_control.h"

// Alpha: levels 1 and 8, a controller port, three PHYs for two disks, a
// RAID0 volume on disks 11 then 10. Beta: level 2 only, no controller port,
// no routing device, one disk.
inline constexpr const char* kTwoControllers = R"({"middleware_version": "1.0", "controllers": [
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

class WrapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    abru2sim::ResetToDefault();
    SsiInitialize();  // 11 when an earlier test left it initialised
    g_bMiddlewareInitialized = true;
    UseTopology(kTwoControllers);
  }
  // Also drops call hooks, whose contexts live on the test's stack.
  void TearDown() override { abru2sim::ResetToDefault(); }

  static void UseTopology(const std::string& json) {
    std::string error;
    ASSERT_TRUE(abru2sim::LoadTopologyText(json, &error)) << error;
    abru2sim::ResetCounters();
  }
  // times 0: until cleared.
  static void Fail(const std::string& call, SSI_STATUS status = SSI_STATUS_FAILED, uint32_t times = 1) {
    std::string error;
    ASSERT_TRUE(abru2sim::ApplyChange(R"({"op": "fail", "call": ")" + call + R"(", "status": )" +
                                          std::to_string(status) + R"(, "times": )" + std::to_string(times) + "}",
                                      &error))
        << error;
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
  // Every record starts with its handle; a handle list is its own.
  template <class T>
  static HandleList Handles(const CArrayT<T>& list) {
    HandleList out;
    for (const T& item : list) std::memcpy(&out.emplace_back(), &item, sizeof(SSI_HANDLE));
    return out;
  }
};
