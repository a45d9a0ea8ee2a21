// system_device.cpp: CZubSystemDevice, each system with the devices of its
// controller.
#include "classes/system/system_device.h"

#include "classes/ports/da_port.h"
#include "classes/ports/port_family.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/alarm_device.h"
#include "classes/system/computer_system.h"
#include "framework/association.h"

ZUB_DESCRIBE(stZUB_SystemDevice,
    ZUB_FIELD(GroupComponent).Key(1).Ref("ZUB_ComputerSystem"),
    ZUB_FIELD(PartComponent).Key(2).Ref("CIM_LogicalDevice"))

namespace {

class CZubSystemDevice : public CZubClassT<CZubSystemDeviceInterface, stZUB_SystemDevice> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_ComputerSystem> systems;
    CArrayT<stZUB_DAPort> daPorts;
    CArrayT<stZUB_ProtocolController> scsiControllers;
    CArrayT<stZUB_ProtocolController> ataControllers;
    CArrayT<stZUB_LogicalPort> ataPorts;
    CArrayT<stZUB_LogicalPort> scsiPorts;
    CArrayT<stZUB_StorageVolume> volumes;
    CArrayT<stZUB_AlarmDevice> alarms;
    if (ReadLists<&PROVIDER_CreateZubComputerSystemInstance, &PROVIDER_CreateZubDAPortInstance,
                  kScsiPorts.controllers, kAtaPorts.controllers, kAtaPorts.logicalPorts, kScsiPorts.logicalPorts,
                  &PROVIDER_CreateZubStorageVolumeInstance, &PROVIDER_CreateZubAlarmDeviceInstance>(
            ListNeed::Rebuilt, &systems, &daPorts, &scsiControllers, &ataControllers, &ataPorts, &scsiPorts, &volumes,
            &alarms))
      return PROVIDER_FAILED;
    if (systems.GetCount() == 0) return PROVIDER_NOT_FOUND;
    const CReferenceBuilder refs;
    for (const stZUB_ComputerSystem& system : systems) {
      const CZubString group = refs.To(L"ZUB_ComputerSystem", system);
      const auto add = [&](const wchar_t* cimClass, const auto& devices) {
        for (const auto& device : devices) {
          if (SameController(device, system)) m_list.AddLocked({group, refs.To(cimClass, device)});
        }
      };
      add(L"ZUB_DAPort", daPorts);
      add(kScsiPorts.controller.cimClass, scsiControllers);
      add(kAtaPorts.controller.cimClass, ataControllers);
      add(kAtaPorts.logicalPort.cimClass, ataPorts);
      add(kScsiPorts.logicalPort.cimClass, scsiPorts);
      add(L"ZUB_StorageVolume", volumes);
      add(L"ZUB_AlarmDevice", alarms);
    }
    return UpdateDone();
  }
};

}  // namespace

CZubSystemDeviceInterface* PROVIDER_CreateZubSystemDeviceInstance() { return Singleton<CZubSystemDevice>(); }
