// port_associations.cpp: port controllers and protocol controllers joined
// to the ports, volumes and systems they serve.
#include "classes/ports/port_associations.h"

#include "classes/ports/port_family.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/computer_system.h"
#include "classes/system/port_controller.h"
#include "framework/association.h"

ZUB_DESCRIBE(stZUB_ControlledBy,
    ZUB_FIELD(Dependent).Key(1).Ref("CIM_LogicalPort"),
    ZUB_FIELD(Antecedent).Key(2).Ref("ZUB_PortController"),
    ZUB_FIELD(DeviceNumber),
    ZUB_FIELD(AccessState).Cim(CimType::UInt16))

ZUB_DESCRIBE(stZUB_ProtocolControllerForUnit,
    ZUB_FIELD(Dependent).Key(1).Ref("ZUB_StorageVolume"),
    ZUB_FIELD(Antecedent).Key(2).Ref("CIM_ProtocolController"),
    ZUB_FIELD(DeviceAccess).Cim(CimType::UInt16))

ZUB_DESCRIBE(stZUB_ConcreteIdentity,
    ZUB_FIELD(SystemElement).Key(1).Ref("ZUB_ComputerSystem"),
    ZUB_FIELD(SameElement).Key(2).Ref("ZUB_PortController"))

namespace {

// A family's list of records, in the order an association visits them.
template <class Record>
struct FamilyList {
  const PortFamily* family;
  const CArrayT<Record>* list;
};

class CZubControlledBy : public CZubClassT<CZubControlledByInterface, stZUB_ControlledBy> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_PortController> controllers;
    CArrayT<stZUB_LogicalPort> ata;
    CArrayT<stZUB_LogicalPort> scsi;
    if (PROVIDER_STATUS s = ReadLists<&PROVIDER_CreateZubPortControllerInstance, kAtaPorts.logicalPorts,
                                      kScsiPorts.logicalPorts>(ListNeed::Rebuilt, &controllers, &ata, &scsi))
      return s;
    if (controllers.GetCount() == 0) return PROVIDER_NOT_FOUND;
    const CReferenceBuilder refs;
    const FamilyList<stZUB_LogicalPort> ports[] = {{&kAtaPorts, &ata}, {&kScsiPorts, &scsi}};
    for (const stZUB_PortController& controller : controllers) {
      const CZubString antecedent = refs.To(L"ZUB_PortController", controller);
      for (const auto& [family, list] : ports) {
        for (const stZUB_LogicalPort& port : *list) {
          stZUB_ControlledBy rec;
          rec.Dependent = refs.To(family->logicalPort.cimClass, port);
          rec.Antecedent = antecedent;
          rec.DeviceNumber = port.Address;
          rec.AccessState = 1;
          m_list.AddLocked(rec);
        }
      }
    }
    return UpdateDone();
  }
};

class CZubProtocolControllerForUnit
    : public CZubClassT<CZubProtocolControllerForUnitInterface, stZUB_ProtocolControllerForUnit> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_StorageVolume> volumes;
    CArrayT<stZUB_ProtocolController> scsi;
    CArrayT<stZUB_ProtocolController> ata;
    if (PROVIDER_STATUS s = ReadLists<&PROVIDER_CreateZubStorageVolumeInstance, kScsiPorts.controllers,
                                      kAtaPorts.controllers>(ListNeed::Rebuilt, &volumes, &scsi, &ata))
      return s;
    const CReferenceBuilder refs;
    const FamilyList<stZUB_ProtocolController> controllers[] = {{&kScsiPorts, &scsi}, {&kAtaPorts, &ata}};
    // Named, not a structured binding: a lambda may capture a binding only
    // since C++20, which clang 14 (the fuzz build) does not implement.
    for (const FamilyList<stZUB_ProtocolController>& entry : controllers) {
      Join(*entry.list, volumes, SameController,
           [&](const stZUB_ProtocolController& controller, const stZUB_StorageVolume& volume) {
             stZUB_ProtocolControllerForUnit rec;
             rec.Dependent = refs.To(L"ZUB_StorageVolume", volume);
             rec.Antecedent = refs.To(entry.family->controller.cimClass, controller);
             rec.DeviceAccess = 2;
             m_list.AddLocked(rec);
           });
    }
    return UpdateDone();
  }
};

class CZubConcreteIdentity : public CZubClassT<CZubConcreteIdentityInterface, stZUB_ConcreteIdentity> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_PortController> controllers;
    CArrayT<stZUB_ComputerSystem> systems;
    if (PROVIDER_STATUS s =
            ReadLists<&PROVIDER_CreateZubPortControllerInstance, &PROVIDER_CreateZubComputerSystemInstance>(
                ListNeed::Rebuilt, &controllers, &systems))
      return s;
    if (controllers.GetCount() == 0 || controllers.GetCount() != systems.GetCount()) return PROVIDER_NOT_FOUND;
    const CReferenceBuilder refs;
    const auto ofItsController = [](const stZUB_PortController& controller, const stZUB_ComputerSystem& system) {
      return controller.DeviceID.Compare(system.ControllerHandle) == 0;
    };
    Join(controllers, systems, ofItsController,
         [&](const stZUB_PortController& controller, const stZUB_ComputerSystem& system) {
           stZUB_ConcreteIdentity rec;
           rec.SystemElement = refs.To(L"ZUB_ComputerSystem", system);
           rec.SameElement = refs.To(L"ZUB_PortController", controller);
           m_list.AddLocked(rec);
         });
    return UpdateDone();
  }
};

}  // namespace

CZubControlledByInterface* PROVIDER_CreateZubControlledByInstance() { return Singleton<CZubControlledBy>(); }

CZubProtocolControllerForUnitInterface* PROVIDER_CreateZubProtocolControllerForUnitInstance() {
  return Singleton<CZubProtocolControllerForUnit>();
}

CZubConcreteIdentityInterface* PROVIDER_CreateZubConcreteIdentityInstance() {
  return Singleton<CZubConcreteIdentity>();
}
