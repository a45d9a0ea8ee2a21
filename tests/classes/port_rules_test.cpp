// The rules every port class shares: the address text, the link rate and
// the PHY count of a controller.
#include <gtest/gtest.h>

#include "classes/ports/port_rules.h"
#include "tests/support/class_fixture.h"

namespace {

using PortRulesTest = zubtest::ClassFixture;

TEST(PortRules, AddressTextIsTheFourComponentsOrThePresentSixtyFourBitAddress) {
  const uint8_t components[4] = {2, 3, 0, 12};
  EXPECT_EQ(AddressText(components, 0, 5764607523034234880ull).Str(), L"2-3-0-12");
  EXPECT_EQ(AddressText(components, 1, 5764607523034234880ull).Str(), L"5764607523034234880");
  EXPECT_EQ(AddressText(components, 0x80000000u, 0).Str(), L"0");  // any non-zero flag; 0 written whole
  const uint8_t widest[4] = {255, 255, 255, 255};
  EXPECT_EQ(AddressText(widest, 0, 0).Str(), L"255-255-255-255");
}

TEST(PortRules, LinkRateOfACode) {
  EXPECT_EQ(LinkRate(0), 0u);
  EXPECT_EQ(LinkRate(1), 150000000000000u);
  EXPECT_EQ(LinkRate(2), 300000000000000u);
  EXPECT_EQ(LinkRate(3), 600000000000000u);
  EXPECT_EQ(LinkRate(4), 600000000000000u);  // four units, the same speed as code 3
  EXPECT_EQ(LinkRate(5), 750000000000000u);
  EXPECT_EQ(LinkRate(-1), 0ull - 150000000000000u);
  EXPECT_EQ(LinkRate(INT32_MIN), static_cast<uint64_t>(INT32_MIN) * 150000000000000u);
}

TEST_F(PortRulesTest, PhyCountOfAControllerOrNoneWhenUnreadable) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 7, "phy_count": 3, "disks": [{"handle": 70}]}, {"handle": 8, "type": 2, "phy_count": 2}]})");
  EXPECT_EQ(ControllerPhyCount(7), 3u);  // unattached PHYs count too
  EXPECT_EQ(ControllerPhyCount(8), 2u);  // of any controller type
  EXPECT_EQ(ControllerPhyCount(99), 0u);
  Fail("SsiSessionOpen");
  EXPECT_EQ(ControllerPhyCount(7), 0u);
  const uint64_t asked = Calls("SsiGetPhyHandles");
  EXPECT_EQ(ControllerPhyCount(0), 0u);  // no controller: the middleware is not asked
  EXPECT_EQ(Calls("SsiGetPhyHandles"), asked);
  ExpectSessionsBalanced();
}

}  // namespace
