// computer_system.cpp: CZubComputerSystem, one record per controller.
#include "classes/system/computer_system.h"

#include "classes/tables.h"
#include "framework/class_base.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_ComputerSystem,
    ZUB_FIELD(NameFormat),
    ZUB_FIELD(Dedicated).Cim(CimType::UInt16),
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(Name).Key(2),
    ZUB_FIELD(ControllerHandle).Internal())

stZUB_ComputerSystem ComputerSystemOf(const _SSI_ControllerInfo& controller) {
  enum : uint64_t { kDedicatedHostRaidController = 30, kDedicatedBlockServer = 15 };
  stZUB_ComputerSystem rec;
  rec.NameFormat = L"HID";
  rec.CreationClassName = kSystemCreationClassName;
  rec.Name = FromMultiByte(controller.name);
  rec.Dedicated.Add(kDedicatedHostRaidController);
  rec.Dedicated.Add(kDedicatedBlockServer);
  rec.ControllerHandle = NumberText(controller.handle);
  return rec;
}

namespace {

class CZubComputerSystem : public CZubClassT<CZubComputerSystemInterface, stZUB_ComputerSystem> {
 public:
  PROVIDER_STATUS Update() override { return UpdateFromList<CHostController>(&ComputerSystemOf); }
};

}  // namespace

CZubComputerSystemInterface* PROVIDER_CreateZubComputerSystemInstance() {
  return Singleton<CZubComputerSystem>();
}
