// hosted_service.cpp: CZubHostedService, each system with its two services.
#include "classes/config/hosted_service.h"

#include "classes/config/spare_configuration.h"
#include "classes/config/storage_configuration_service.h"
#include "classes/system/computer_system.h"
#include "framework/association.h"
#include "framework/class_base.h"

ZUB_DESCRIBE(stZUB_HostedService,
    ZUB_FIELD(Antecedent).Key(1).Ref("ZUB_ComputerSystem"),
    ZUB_FIELD(Dependent).Key(2).Ref("CIM_Service"))

namespace {

class CZubHostedService : public CZubClassT<CZubHostedServiceInterface, stZUB_HostedService> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<stZUB_ComputerSystem> systems;
    CArrayT<stZUB_StorageConfigurationService> storageServices;
    CArrayT<stZUB_SpareConfigurationService> spareServices;
    if (ReadLists<&PROVIDER_CreateZubComputerSystemInstance, &PROVIDER_CreateZubStorageConfigurationServiceInstance,
                  &PROVIDER_CreateZubSpareConfigurationServiceInstance>(ListNeed::AnyState, &systems,
                                                                       &storageServices, &spareServices))
      return PROVIDER_FAILED;
    const size_t count = systems.GetCount();
    if (count == 0 || storageServices.GetCount() != count || spareServices.GetCount() != count) {
      return PROVIDER_NOT_FOUND;
    }
    for (const stZUB_ComputerSystem& system : systems) {
      const CZubString antecedent = refs.To(L"ZUB_ComputerSystem", system);
      for (size_t i = 0; i < count; ++i) {
        if (SameController(storageServices[i], system)) {
          m_list.AddLocked({antecedent, refs.To(L"ZUB_StorageConfigurationService", storageServices[i])});
        }
        if (SameController(spareServices[i], system)) {
          m_list.AddLocked({antecedent, refs.To(L"ZUB_SpareConfigurationService", spareServices[i])});
        }
      }
    }
    return UpdateDone();
  }

};

}  // namespace

CZubHostedServiceInterface* PROVIDER_CreateZubHostedServiceInstance() { return Singleton<CZubHostedService>(); }
