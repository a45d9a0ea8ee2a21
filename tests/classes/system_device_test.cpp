// ZUB_SystemDevice: each system with the devices of its controller, grouped
// by system and within a system by device class.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/system/system_device.h"
#include "tests/classes/port_fixture.h"

namespace {

using SystemDeviceTest = zubtest::PortFixture;
using zubtest::Pairs;

// A SATA and a SAS disk on one controller, each with a volume; a SAS
// controller with a volume whose only disk names a RAID info no controller
// has, so the volume belongs to no controller (its disk's locator does: it
// is listed under the controller).
TEST_F(SystemDeviceTest, DevicesGroupedBySystemThenByClass) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "name": "AHCI", "type": 1, "raid_info": {"handle": 9},
     "disks": [{"handle": 11, "phy": {"handle": 51, "number": 0}, "port": {"handle": 61}},
               {"handle": 12, "phy": {"handle": 52, "number": 1, "protocol": 2}, "port": {"handle": 62}}],
     "volumes": [{"handle": 15, "name": "A", "disks": [11]}, {"handle": 16, "name": "B", "disks": [12]}]},
    {"handle": 2, "name": "DOX", "type": 2, "raid_info": {"handle": 19},
     "disks": [{"handle": 21, "phy": {"handle": 71, "number": 0}, "port": {"handle": 81}},
               {"handle": 22, "phy": {"handle": 72, "number": 1}, "port": {"handle": 82}},
               {"handle": 23, "raid_info_handle": 999, "phy": {"handle": 73, "number": 2}, "port": {"handle": 83}}],
     "volumes": [{"handle": 25, "name": "C", "disks": [21, 22]}, {"handle": 26, "name": "Lost", "disks": [23]}]}]})");
  const auto devices = List<&PROVIDER_CreateZubSystemDeviceInstance>();
  EXPECT_EQ(Pairs(devices, &stZUB_SystemDevice::GroupComponent, &stZUB_SystemDevice::PartComponent),
            (std::vector<std::wstring>{
                L"ZUB_ComputerSystem AHCI | ZUB_DAPort 61",
                L"ZUB_ComputerSystem AHCI | ZUB_DAPort 62",
                L"ZUB_ComputerSystem AHCI | ZUB_SCSIProtocolController 12",
                L"ZUB_ComputerSystem AHCI | ZUB_ATAProtocolController 11",
                L"ZUB_ComputerSystem AHCI | ZUB_ATALogicalPort 61",
                L"ZUB_ComputerSystem AHCI | ZUB_SCSILogicalPort 62",
                L"ZUB_ComputerSystem AHCI | ZUB_StorageVolume A_15",
                L"ZUB_ComputerSystem AHCI | ZUB_StorageVolume B_16",
                L"ZUB_ComputerSystem AHCI | ZUB_AlarmDevice 051",
                L"ZUB_ComputerSystem AHCI | ZUB_AlarmDevice 152",
                L"ZUB_ComputerSystem DOX | ZUB_DAPort 81",
                L"ZUB_ComputerSystem DOX | ZUB_SCSIProtocolController 21",
                L"ZUB_ComputerSystem DOX | ZUB_SCSILogicalPort 81",
                L"ZUB_ComputerSystem DOX | ZUB_SCSILogicalPort 82",
                L"ZUB_ComputerSystem DOX | ZUB_SCSILogicalPort 83",
                L"ZUB_ComputerSystem DOX | ZUB_StorageVolume C_25",
                L"ZUB_ComputerSystem DOX | ZUB_AlarmDevice 071",
                L"ZUB_ComputerSystem DOX | ZUB_AlarmDevice 172",
                L"ZUB_ComputerSystem DOX | ZUB_AlarmDevice 273"}));
  ASSERT_FALSE(devices.GetCount() == 0);
  EXPECT_EQ(devices[0].GroupComponent.Str(),
            Path(L"ZUB_ComputerSystem.CreationClassName=\"Corvo_ZUBe3.0\",Name=\"AHCI\""));
  EXPECT_EQ(devices[0].PartComponent.Str(), Path(L"ZUB_DAPort.CreationClassName=\"ZUB_DAPort\",DeviceID=\"61\","
                                                 L"SystemCreationClassName=\"Port_61\",SystemName=\"Corvo_ZUBe3.0\""));

  LoadAndList(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubSystemDeviceInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(PROVIDER_CreateZubSystemDeviceInstance()->GetData(nullptr), PROVIDER_INVALID_PARAMETER);
}

}  // namespace
