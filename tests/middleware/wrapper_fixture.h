// wrapper_fixture.h: the fixture of the wrapper tests (the class fixture with the
// topology most of them read already loaded).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "middleware/wrappers.h"
#include "tests/support/class_fixture.h"

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
