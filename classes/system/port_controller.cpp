// port_controller.cpp: CZubPortController, one record per controller.
#include "classes/system/port_controller.h"

#include "classes/ports/port_rules.h"
#include "classes/tables.h"
#include "framework/class_base.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_PortController,
    ZUB_FIELD(ControllerType).Cim(CimType::UInt16),
    ZUB_FIELD(Caption),
    ZUB_FIELD(HostControllerType),
    ZUB_FIELD(Revision),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Description),
    ZUB_FIELD(Name),
    ZUB_FIELD(NumberOfPhys),
    ZUB_FIELD(FeatureEnabled).Cim(CimType::Boolean),
    ZUB_FIELD(InstanceID),
    ZUB_FIELD(Identifier),
    ZUB_FIELD(Address),
    ZUB_FIELD(DeviceID).Key(2),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(CreationClassName).Key(1))

stZUB_PortController PortControllerOf(const _SSI_ControllerInfo& controller, uint64_t numberOfPhys) {
  enum : uint64_t { kControllerTypeOther = 1 };
  const CZubString name = FromMultiByte(controller.name);
  const CZubString handle = NumberText(controller.handle);
  stZUB_PortController rec;
  rec.ControllerType = kControllerTypeOther;
  rec.Caption = L"Host Controller ";
  rec.Caption.Append(name);
  rec.HostControllerType = controller.controllerType;
  rec.Revision = controller.revision;
  rec.ElementName = name;
  rec.Description = name;
  rec.Name = name;
  rec.NumberOfPhys = numberOfPhys;
  rec.FeatureEnabled = controller.featureFlag != 0 ? 1 : 0;
  rec.InstanceID = handle;
  rec.Identifier = handle;
  rec.Address = AddressText(controller.address, controller.address64Present, controller.address64);
  rec.DeviceID = handle;
  rec.SystemName = name;
  rec.SystemCreationClassName = kSystemCreationClassName;
  rec.CreationClassName = L"ZUB_PortController";
  return rec;
}

uint64_t NumberOfPhys(const _SSI_ControllerInfo& controller) {
  return controller.controllerType == kControllerTypeAhci ? ControllerPhyCount(controller.handle) : 0;
}

namespace {

class CZubPortController : public CZubClassT<CZubPortControllerInterface, stZUB_PortController> {
 public:
  // Built whole (CListBuild): the pools compare what they make of it.
  PROVIDER_STATUS Update() override {
    CListBuild<stZUB_PortController> built(m_list, nullptr);
    CHostController controllers;
    return ForEachListed(controllers, [](CHostController& w) { return w.Load(); },
                         [&](const _SSI_ControllerInfo& controller) {
                           built.Add(PortControllerOf(controller, NumberOfPhys(controller)));
                           return PROVIDER_SUCCESS;
                         },
                         &built);
  }
};

}  // namespace

CZubPortControllerInterface* PROVIDER_CreateZubPortControllerInstance() {
  return Singleton<CZubPortController>();
}
