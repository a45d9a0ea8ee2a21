// ZUB_ComputerSystem: its mapping, and its list built through the
// framework's loop (statuses, order, sessions).
#include <gtest/gtest.h>

#include <cstring>

#include "classes/system/computer_system.h"
#include "tests/support/class_fixture.h"

namespace {

using ComputerSystemTest = zubtest::ClassFixture;

TEST(ComputerSystemMapping, OneControllerRecordGivesTheSystemRecord) {
  _SSI_ControllerInfo controller{};
  controller.handle = 4294967295u;
  std::strcpy(controller.name, "RAID \xE9");  // 8-bit text in the C locale's encoding
  stZUB_ComputerSystem rec = ComputerSystemOf(controller);
  EXPECT_EQ(rec.NameFormat.Str(), L"HID");
  EXPECT_EQ(rec.CreationClassName.Str(), L"Corvo_ZUBe3.0");
  EXPECT_EQ(rec.Name.GetLength(), 6u);
  EXPECT_EQ(rec.Name.Str().substr(0, 5), L"RAID ");
  ASSERT_EQ(rec.Dedicated.GetCount(), 2u);
  EXPECT_EQ(rec.Dedicated[0], 30u);
  EXPECT_EQ(rec.Dedicated[1], 15u);
  EXPECT_EQ(rec.ControllerHandle.Str(), L"4294967295");

  controller.name[0] = '\0';
  EXPECT_EQ(ComputerSystemOf(controller).Name.Str(), L"");
}

TEST_F(ComputerSystemTest, OneRecordPerControllerInMiddlewareOrder) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 7, "name": "Second in handle order", "disks": []},
    {"handle": 3, "name": "First", "type": 2, "disks": []}]})");
  auto out = List<&PROVIDER_CreateZubComputerSystemInstance>();
  ASSERT_EQ(out.GetCount(), 2u);
  EXPECT_EQ(out[0].ControllerHandle.Str(), L"7");
  EXPECT_EQ(out[1].Name.Str(), L"First");
  EXPECT_EQ(out.GetCursor(), 0u);

  // A rebuild drops controllers that went away.
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 9, "name": "Only"}]})");
  out = List<&PROVIDER_CreateZubComputerSystemInstance>();
  ASSERT_EQ(out.GetCount(), 1u);
  EXPECT_EQ(out[0].Name.Str(), L"Only");
}

TEST_F(ComputerSystemTest, NoControllerOrAFailedEnumerationIsNotFound) {
  Load(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubComputerSystemInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 9, "name": "Only"}]})");
  Fail("SsiGetControllerHandles", SSI_STATUS_FAILED, 0);
  EXPECT_EQ(List<&PROVIDER_CreateZubComputerSystemInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(PROVIDER_CreateZubComputerSystemInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
}

}  // namespace
