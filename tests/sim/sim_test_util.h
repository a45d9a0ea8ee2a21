// sim_test_util.h: what every simulation test shares: a fixture that puts
// the simulation back to a known state, an RAII session, and short forms
// for loading a topology and listing handles.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/abru2_control.h"

namespace simtest {

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    abru2sim::ResetToDefault();
    const SSI_STATUS st = SsiInitialize();
    ASSERT_TRUE(st == 0 || st == SSI_STATUS_ALREADY_INITIALIZED);
  }

  static void Load(const std::string& json) {
    std::string error;
    ASSERT_TRUE(abru2sim::LoadTopologyText(json, &error)) << error;
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
};

class Session {
 public:
  Session() { EXPECT_EQ(SsiSessionOpen(&h_), 0u); }
  ~Session() { SsiSessionClose(h_); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  operator SSI_HANDLE() const { return h_; }

 private:
  SSI_HANDLE h_ = 0;
};

using HandleCall = SSI_STATUS (*)(SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE*, uint32_t*);

// The provider's way: count first, then a buffer of that size (again with
// the new count if another thread added objects in between).
inline std::vector<SSI_HANDLE> List(HandleCall call, uint32_t scopeType = 0, SSI_HANDLE scope = 0) {
  Session s;
  uint32_t count = 0;
  call(s, scopeType, scope, nullptr, &count);
  std::vector<SSI_HANDLE> handles(count);
  for (int attempt = 0; count != 0 && attempt < 100; ++attempt) {
    handles.resize(count);
    const SSI_STATUS st = call(s, scopeType, scope, handles.data(), &count);
    if (st == 0) break;
    EXPECT_EQ(st, 1u);
  }
  handles.resize(count);
  return handles;
}

inline _SSI_EndDeviceInfo Disk(SSI_HANDLE h) {
  Session s;
  _SSI_EndDeviceInfo info{};
  EXPECT_EQ(SsiGetEndDeviceInfo(s, h, &info), 0u) << "disk " << h;
  return info;
}

inline _SSI_VolumeInfo Volume(SSI_HANDLE h) {
  _SSI_VolumeInfo info{};
  EXPECT_EQ(SsiGetVolumeInfo(0, h, &info), 0u) << "volume " << h;
  return info;
}

}  // namespace simtest
