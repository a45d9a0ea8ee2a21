// computer_system.cpp: CZubComputerSystem, built from the controller list.
#include "classes/system/computer_system.h"

#include "framework/class_base.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

const RecordDesc& stZUB_ComputerSystem::Describe() {
  static const FieldDesc fields[] = {
      ZUB_FIELD(stZUB_ComputerSystem, NameFormat),
      ZUB_FIELD(stZUB_ComputerSystem, Dedicated),
      ZUB_FIELD(stZUB_ComputerSystem, CreationClassName),
      ZUB_FIELD(stZUB_ComputerSystem, Name),
      ZUB_FIELD(stZUB_ComputerSystem, ControllerHandle),
  };
  static const RecordDesc desc = DescribeRecord<stZUB_ComputerSystem>("stZUB_ComputerSystem", fields);
  return desc;
}

namespace {

enum : uint64_t { kDedicatedHostRaidController = 30, kDedicatedBlockServer = 15 };

class CZubComputerSystem : public CZubClassT<CZubComputerSystemInterface, stZUB_ComputerSystem> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CHostController controllers;
    controllers.Load();  // an empty list after a failed load means "no controller"
    if (controllers.m_list.GetCount() == 0) return PROVIDER_NOT_FOUND;
    do {
      stZUB_ComputerSystem rec;
      if (!controllers.m_bLoaded && controllers.Load() != SSI_STATUS_SUCCESS) return PROVIDER_FAILED;
      const _SSI_ControllerInfo info = *controllers.m_list.GetCurrent();
      rec.NameFormat = L"HID";
      rec.CreationClassName = L"Corvo_ZUBe3.0";
      rec.Name = FromMultiByte(info.name);
      rec.Dedicated.Add(kDedicatedHostRaidController);
      rec.Dedicated.Add(kDedicatedBlockServer);
      rec.ControllerHandle = NumberText(info.handle);
      m_list.AddLocked(rec);
    } while (controllers.m_list.MoveNext());
    return UpdateDone();
  }
};

}  // namespace

CZubComputerSystemInterface* PROVIDER_CreateZubComputerSystemInstance() {
  return Singleton<CZubComputerSystem>();
}
