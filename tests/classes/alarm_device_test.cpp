// ZUB_AlarmDevice and ZUB_AssociatedAlarm: one locator per disk whose PHY
// is listed, the locate reaching that PHY with the mode the state asks for,
// and the association with the disks.
#include <gtest/gtest.h>

#include "classes/system/alarm_device.h"
#include "tests/classes/association_fixture.h"
#include "tests/support/monitor_copy.h"

namespace {

// Disks 101 (PHY 7, number 0), 102 (PHY 12, number 1) and 103 (no PHY) on
// controller 1; disk 201 (PHY 30, number 4) on controller 2.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "type": 1, "phy_count": 4, "disks": [
    {"handle": 101, "phy": {"handle": 7, "number": 0}}, {"handle": 102, "phy": {"handle": 12, "number": 1}},
    {"handle": 103, "phy": null}]},
  {"handle": 2, "type": 2, "disks": [{"handle": 201, "phy": {"handle": 30, "number": 4}}]}]})";

class AlarmTest : public zubtest::AssociationFixture {
 protected:
  static CZubAlarmDeviceInterface* Alarms() { return PROVIDER_CreateZubAlarmDeviceInstance(); }
  static bool LocateOn(SSI_HANDLE phy) {
    bool on = false;
    EXPECT_TRUE(abru2sim::GetLocateState(phy, &on));
    return on;
  }
  static stZUB_AlarmDevice Locate(stZUB_AlarmDevice rec, uint64_t state) {
    rec.State = state;
    rec.ReturnValue = 77;
    EXPECT_EQ(Alarms()->SetAlarmIndicator(&rec), PROVIDER_SUCCESS);
    EXPECT_EQ(rec.ReturnValue, 0u);
    return rec;
  }
};

TEST(AlarmDeviceMapping, DeviceIdIsThePhyNumberFollowedByItsHandle) {
  _SSI_PhyInfo phy{};
  phy.handle = 7;
  phy.phyNumber = 0;
  _SSI_EndDeviceInfo disk{};
  disk.handle = 65536;
  stZUB_AlarmDevice rec = AlarmDeviceOf(phy, disk, 3);
  EXPECT_EQ(rec.DeviceID.Str(), L"07");
  EXPECT_EQ(rec.Description.Str(), L"Visual locator to map logical to physical for device: 0");
  EXPECT_EQ(rec.SystemName.Str(), L"Corvo_ZUBe3.0");
  EXPECT_EQ(rec.SystemCreationClassName.Str(), L"CIM_AlarmDevice");
  EXPECT_EQ(rec.EndDeviceHandle.Str(), L"65536");
  EXPECT_EQ(rec.ControllerHandle.Str(), L"3");
  EXPECT_EQ(rec.AlarmState, 1u);
  EXPECT_EQ(rec.VisibleAlarm, 1u);
  EXPECT_EQ(rec.Enabled, 1u);
  EXPECT_EQ(rec.AudibleAlarm, 0u);
  phy.handle = 12;
  phy.phyNumber = 1;
  EXPECT_EQ(AlarmDeviceOf(phy, disk, 3).DeviceID.Str(), L"112");
}

TEST_F(AlarmTest, OneLocatorPerDiskWithAPhyAndTheLocateReachesIt) {
  Load(kTopology);
  const auto alarms = List<&PROVIDER_CreateZubAlarmDeviceInstance>();
  ASSERT_EQ(alarms.GetCount(), 3u);
  EXPECT_EQ(alarms[0].DeviceID.Str(), L"07");
  EXPECT_EQ(alarms[1].DeviceID.Str(), L"112");
  EXPECT_EQ(alarms[1].PhyHandle.Str(), L"12");
  EXPECT_EQ(alarms[1].EndDeviceHandle.Str(), L"102");
  EXPECT_EQ(alarms[2].DeviceID.Str(), L"430");
  EXPECT_EQ(alarms[2].ControllerHandle.Str(), L"2");

  Locate(alarms[1], 2);
  EXPECT_TRUE(LocateOn(12));
  EXPECT_FALSE(LocateOn(7));
  Locate(alarms[2], 3);
  EXPECT_TRUE(LocateOn(30));
  Locate(alarms[1], 1);
  EXPECT_FALSE(LocateOn(12));
  EXPECT_EQ(Calls("SsiPhyLocate"), 3u);

  // State 0 and keys that match no instance do nothing and still succeed.
  Locate(alarms[2], 0);
  stZUB_AlarmDevice stranger = alarms[0];
  stranger.DeviceID = L"0";
  Locate(stranger, 2);
  stranger = alarms[0];
  stranger.SystemName = L"Corvo_ZUBe3.";
  Locate(stranger, 2);
  EXPECT_EQ(Calls("SsiPhyLocate"), 3u);
  EXPECT_TRUE(LocateOn(30));
  EXPECT_FALSE(LocateOn(7));

  // A failing locate is not reported.
  Fail("SsiPhyLocate");
  Locate(alarms[0], 2);
  EXPECT_FALSE(LocateOn(7));
  EXPECT_EQ(Alarms()->SetAlarmIndicator(nullptr), PROVIDER_INVALID_PARAMETER);
  ExpectSessionsBalanced();
}

TEST_F(AlarmTest, NoControllerOrAFailedEnumeration) {
  Load(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubAlarmDeviceInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  Load(kTopology);
  zubtest::NthCall phys{2, [] { Fail("SsiGetPhyHandles"); }};
  phys.Install("SsiGetPhyHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubAlarmDeviceInstance>(PROVIDER_FAILED).GetCount(), 0u);

  Load(kTopology);
  zubtest::NthCall disks{4, [] { Fail("SsiGetEndDeviceHandles"); }};  // the second controller's disks
  disks.Install("SsiGetEndDeviceHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubAlarmDeviceInstance>(PROVIDER_FAILED).GetCount(), 2u);
}

TEST_F(AlarmTest, EachLocatorWithItsDiskUnlessADiskHasNone) {
  Load(kTopology);
  List<&PROVIDER_CreateZubAlarmDeviceInstance>();
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  EXPECT_EQ(List<&PROVIDER_CreateZubAssociatedAlarmInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "disks": [{"handle": 101, "phy": {"handle": 7, "number": 0}}, {"handle": 102}]},
    {"handle": 2, "disks": [{"handle": 201, "phy": {"handle": 30, "number": 4}}]}]})");
  List<&PROVIDER_CreateZubAlarmDeviceInstance>();
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  const auto links = List<&PROVIDER_CreateZubAssociatedAlarmInstance>();
  ASSERT_EQ(links.GetCount(), 3u);
  EXPECT_EQ(links[0].Antecedent.Str(),
            Path(L"ZUB_AlarmDevice.CreationClassName=\"ZUB_AlarmDevice\",DeviceID=\"07\","
                 L"SystemCreationClassName=\"CIM_AlarmDevice\",SystemName=\"Corvo_ZUBe3.0\""));
  EXPECT_EQ(links[0].Dependent.Str(), Disk(L"101"));
  EXPECT_NE(links[2].Antecedent.Str().find(L"DeviceID=\"430\""), std::wstring::npos);
  EXPECT_EQ(links[2].Dependent.Str(), Disk(L"201"));

  Load(R"({"middleware_version": "1.0", "controllers": []})");
  List<&PROVIDER_CreateZubAlarmDeviceInstance>(PROVIDER_NOT_FOUND);
  List<&PROVIDER_CreateZubStorageExtentDiskInstance>(PROVIDER_NOT_FOUND);
  EXPECT_EQ(List<&PROVIDER_CreateZubAssociatedAlarmInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

// After a change of the RAID stack the monitor has the list read again, with
// no host asking.
TEST_F(AlarmTest, TheListFollowsTheStackAfterEachEvent) {
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "disks": [{"handle": 11}]}]})");
  zubtest::MonitorCopy copy;
  auto* alarms = copy.Find<CZubAlarmDeviceInterface*()>("PROVIDER_CreateZubAlarmDeviceInstance");
  ASSERT_NE(alarms, nullptr);
  copy.Start();
  auto count = [&] {
    CArrayT<stZUB_AlarmDevice> out;
    EXPECT_EQ(alarms()->GetData(&out), PROVIDER_SUCCESS);
    return out.GetCount();
  };
  EXPECT_EQ(count(), 1u);
  const uint64_t waits = zubtest::EventWaits();
  Change(R"({"op": "insert_disk", "controller": 1, "disk": {"handle": 12}})");
  ASSERT_TRUE(zubtest::WaitForEventWaitsBeyond(waits));
  EXPECT_EQ(count(), 2u);
}

}  // namespace
