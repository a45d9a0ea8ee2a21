// ZUB_Card and ZUB_PortController, the two records of one controller: their
// mappings, the PHY count of AHCI controllers, and their lists built through
// the framework's loop.
#include <gtest/gtest.h>

#include <cstring>

#include "classes/system/card.h"
#include "classes/system/port_controller.h"
#include "tests/support/class_fixture.h"

namespace {

using CardPortControllerTest = zubtest::ClassFixture;

TEST(CardPortControllerMapping, TextsComposedFromTheControllerRecord) {
  _SSI_ControllerInfo controller{};
  controller.handle = 4294967295u;
  controller.id = 10274;
  controller.controllerType = 1;
  controller.revision = 255;
  controller.featureFlag = 0x80000000u;
  std::strcpy(controller.name, "AHCI SATA Controller");
  const stZUB_Card card = CardOf(controller);
  EXPECT_EQ(card.Name.Str(), L"10274_AHCI SATA Controller");
  EXPECT_EQ(card.Manufacturer.Str(), L"Corvo_10274");
  EXPECT_EQ(card.OtherPackageType.Str(), L"KRL Chipset");
  EXPECT_EQ(card.Tag.Str(), L"4294967295");
  const stZUB_PortController pc = PortControllerOf(controller, 6);
  EXPECT_EQ(pc.Caption.Str(), L"Host Controller AHCI SATA Controller");
  EXPECT_EQ(pc.DeviceID.Str(), card.Tag.Str());
  EXPECT_EQ(pc.NumberOfPhys, 6u);
  EXPECT_EQ(pc.FeatureEnabled, 1u);
  EXPECT_EQ(pc.Revision, 255u);

  controller.name[0] = '\0';
  controller.controllerType = -1;  // a type the provider does not know keeps its sign
  controller.featureFlag = 0;
  EXPECT_EQ(CardOf(controller).Name.Str(), L"10274_");
  EXPECT_EQ(PortControllerOf(controller, 0).Caption.Str(), L"Host Controller ");
  EXPECT_EQ(PortControllerOf(controller, 0).HostControllerType, -1);
  EXPECT_EQ(PortControllerOf(controller, 0).FeatureEnabled, 0u);
}

// Only the AHCI controller's PHYs are counted, unattached ones included. The
// address is the controller record's, with or without a port attached to
// the controller and whatever that port's address.
TEST_F(CardPortControllerTest, AhciAndDoxControllersInEnumerationOrder) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 7, "name": "AHCI", "id": 10274, "type": 1, "address": [2, 3, 0, 12], "phy_count": 5,
     "port": null, "disks": [{"handle": 70}, {"handle": 71}]},
    {"handle": 3, "name": "DOX", "id": 7531, "type": 2, "address": [0, 3, 0, 0],
     "address64": 5764607523034234880, "phy_count": 4,
     "port": {"handle": 30, "address": [9, 9, 9, 9], "address64": 1}, "disks": [{"handle": 31}]}]})");
  const auto cards = List<&PROVIDER_CreateZubCardInstance>();
  const auto pcs = List<&PROVIDER_CreateZubPortControllerInstance>();
  ASSERT_EQ(cards.GetCount(), 2u);
  ASSERT_EQ(pcs.GetCount(), 2u);
  EXPECT_EQ(cards[0].Name.Str(), L"10274_AHCI");
  EXPECT_EQ(cards[1].Name.Str(), L"7531_DOX");
  EXPECT_EQ(pcs[0].HostControllerType, 1);
  EXPECT_EQ(pcs[0].NumberOfPhys, 5u);
  EXPECT_EQ(pcs[0].Address.Str(), L"2-3-0-12");
  EXPECT_EQ(pcs[1].HostControllerType, 2);
  EXPECT_EQ(pcs[1].NumberOfPhys, 0u);
  EXPECT_EQ(pcs[1].Address.Str(), L"5764607523034234880");
  for (size_t i = 0; i < 2; ++i) EXPECT_EQ(cards[i].Tag.Str(), pcs[i].DeviceID.Str());
  EXPECT_EQ(Calls("SsiGetPhyHandles"), 2u);  // count and handles, of the AHCI controller only
}

// A PHY list that cannot be read counts no PHY and fails nothing; a PHY
// record that cannot be read still counts.
TEST_F(CardPortControllerTest, UnreadablePhysCountNoneAndAreNoFailure) {
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 7, "phy_count": 3}]})");
  auto phys = [] {
    const auto pcs = List<&PROVIDER_CreateZubPortControllerInstance>();
    return pcs.GetCount() == 1 ? pcs[0].NumberOfPhys : 99u;
  };
  Fail("SsiGetPhyHandles");
  EXPECT_EQ(phys(), 0u);
  Fail("SsiGetPhyInfo", SSI_STATUS_FAILED, 0);
  EXPECT_EQ(phys(), 3u);

  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 7}]})");
  EXPECT_EQ(phys(), 0u);  // an AHCI controller without PHYs
}

TEST_F(CardPortControllerTest, NoControllerOrAFailedEnumerationIsNotFound) {
  Load(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubCardInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubPortControllerInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 9, "phy_count": 2}]})");
  Fail("SsiGetControllerHandles", SSI_STATUS_FAILED, 0);
  EXPECT_EQ(List<&PROVIDER_CreateZubCardInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubPortControllerInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(Calls("SsiGetPhyHandles"), 0u);
  EXPECT_EQ(PROVIDER_CreateZubCardInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
  EXPECT_EQ(PROVIDER_CreateZubPortControllerInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
}

}  // namespace
