// interfaces.h: the abstract interface of every CIM class the library serves,
// in slot order (see interface_base.h). The records are declared next to the
// classes that fill them; an interface only needs their names.
#pragma once

#include "zubprov/interface_base.h"

// The host's namespace and computer name, used in every object path.
struct stComputerStringNames {
  CZubString Namespace;
  CZubString ComputerName;
};

struct stZUB_AlertIndication;
using AlertCallback = void (*)(const stZUB_AlertIndication&);

class ZUBPROV_API CZubProviderInterface : public CProviderInterfaceBase {
 public:
  virtual PROVIDER_STATUS Cleanup() = 0;  // slot 4
};

class ZUBPROV_API CEventMonInterface : public CProviderInterfaceBase {
 public:
  virtual PROVIDER_STATUS SetCallBackFunc(AlertCallback callback) = 0;  // slot 4
  virtual PROVIDER_STATUS Terminate() = 0;                              // slot 5
};

class ZUBPROV_API CZubContainerInterface : public CProviderInterfaceBase {
 public:
  virtual PROVIDER_STATUS SetComputerNameStrings(const stComputerStringNames& names) = 0;  // slot 4
};

// An interface whose slot 4 is GetData of Record, on Base.
#define ZUB_INTERFACE_BEGIN(Iface, Base, Record)               \
  struct Record;                                               \
  class ZUBPROV_API Iface : public Base {                      \
   public:                                                     \
    virtual PROVIDER_STATUS GetData(CArrayT<Record>* out) = 0;
#define ZUB_INTERFACE_END };
#define ZUB_INTERFACE(Iface, Base, Record) ZUB_INTERFACE_BEGIN(Iface, Base, Record) ZUB_INTERFACE_END

// Instance classes.
ZUB_INTERFACE(CZubComputerSystemInterface, CProviderInterfaceBase, stZUB_ComputerSystem)
ZUB_INTERFACE(CZubCardInterface, CProviderInterfaceBase, stZUB_Card)
ZUB_INTERFACE(CZubPortControllerInterface, CProviderInterfaceBase, stZUB_PortController)
ZUB_INTERFACE_BEGIN(CZubAlarmDeviceInterface, CProviderInterfaceBase, stZUB_AlarmDevice)
  virtual PROVIDER_STATUS SetAlarmIndicator(stZUB_AlarmDevice* rec) = 0;  // slot 5
ZUB_INTERFACE_END
ZUB_INTERFACE(CZubProductInterface, CProviderInterfaceBase, stZUB_Product)
ZUB_INTERFACE(CZubLogicalPortInterface, CProviderInterfaceBase, stZUB_LogicalPort)
ZUB_INTERFACE(CZubProtocolControllerInterface, CProviderInterfaceBase, stZUB_ProtocolController)
ZUB_INTERFACE(CZubProtocolEndpointInterface, CProviderInterfaceBase, stZUB_ProtocolEndpoint)
ZUB_INTERFACE(CZubDAPortInterface, CProviderInterfaceBase, stZUB_DAPort)
ZUB_INTERFACE(CZubIndicationFilterInterface, CProviderInterfaceBase, stZUB_IndicationFilter)
ZUB_INTERFACE(CZubRegisteredProfileInterface, CProviderInterfaceBase, stZUB_RegisteredProfile)
ZUB_INTERFACE(CZubSoftwareIdentityInterface, CProviderInterfaceBase, stZUB_SoftwareIdentity)
ZUB_INTERFACE(CZubSpareConfigurationCapabilitiesInterface, CProviderInterfaceBase,
              stZUB_SpareConfigurationCapabilities)
ZUB_INTERFACE_BEGIN(CZubSpareConfigurationServiceInterface, CProviderInterfaceBase,
                    stZUB_SpareConfigurationService)
  virtual PROVIDER_STATUS GetExtents(stZUB_SpareConfigurationService* rec) = 0;       // slot 5
  virtual PROVIDER_STATUS SetSpareExtents(stZUB_SpareConfigurationService* rec) = 0;  // slot 6
ZUB_INTERFACE_END
ZUB_INTERFACE_BEGIN(CZubStorageCapabilitiesPrimordialInterface, CProviderInterfaceBase,
                    stZUB_StorageCapabilitiesPrimordial)
  virtual PROVIDER_STATUS CreateSetting(stZUB_StorageCapabilitiesPrimordial* rec) = 0;  // slot 5
ZUB_INTERFACE_END
ZUB_INTERFACE_BEGIN(CZubStorageConfigurationServiceInterface, CProviderInterfaceBase,
                    stZUB_StorageConfigurationService)
  virtual PROVIDER_STATUS CreateOrModifyElementFromElements(stZUB_StorageConfigurationService* rec) = 0;
  virtual PROVIDER_STATUS ReturnToStoragePool(stZUB_StorageConfigurationService* rec) = 0;
  virtual PROVIDER_STATUS ScsiScan(stZUB_StorageConfigurationService* rec) = 0;
ZUB_INTERFACE_END
ZUB_INTERFACE(CZubStorageExtentDiskInterface, CProviderInterfaceBase, stZUB_StorageExtentDisk)
ZUB_INTERFACE_BEGIN(CZubStoragePoolInterface, CProviderInterfaceBase, stZUB_StoragePool)
  virtual PROVIDER_STATUS GetSupportedSizes(stZUB_StoragePool* rec) = 0;      // slot 5
  virtual PROVIDER_STATUS GetSupportedSizeRange(stZUB_StoragePool* rec) = 0;  // slot 6
  virtual PROVIDER_STATUS GetAvailableExtents(stZUB_StoragePool* rec) = 0;    // slot 7
ZUB_INTERFACE_END
ZUB_INTERFACE(CZubStorageRedundancySetInterface, CProviderInterfaceBase, stZUB_StorageRedundancySet)
ZUB_INTERFACE_BEGIN(CZubStorageSettingInterface, CProviderInterfaceBase, stZUB_StorageSetting)
  virtual PROVIDER_STATUS PutData(stZUB_StorageSetting setting) = 0;  // slot 5
ZUB_INTERFACE_END
ZUB_INTERFACE(CZubStorageVolumeInterface, CProviderInterfaceBase, stZUB_StorageVolume)

// Association classes.
ZUB_INTERFACE(CZubDeviceSAPImplementationInterface, CAssociationInterface, stZUB_DeviceSAPImplementation)
ZUB_INTERFACE(CZubSAPAvailableForElementInterface, CAssociationInterface, stZUB_SAPAvailableForElement)
ZUB_INTERFACE(CZubAllocatedFromStoragePoolInterface, CAssociationInterface, stZUB_AllocatedFromStoragePool)
ZUB_INTERFACE(CZubAssociatedAlarmInterface, CAssociationInterface, stZUB_AssociatedAlarm)
ZUB_INTERFACE(CZubComputerSystemPackageInterface, CAssociationInterface, stZUB_ComputerSystemPackage)
ZUB_INTERFACE(CZubConcreteComponentInterface, CAssociationInterface, stZUB_ConcreteComponent)
ZUB_INTERFACE(CZubConcreteDependencyInterface, CAssociationInterface, stZUB_ConcreteDependency)
ZUB_INTERFACE(CZubConcreteIdentityInterface, CAssociationInterface, stZUB_ConcreteIdentity)
ZUB_INTERFACE(CZubControlledByInterface, CAssociationInterface, stZUB_ControlledBy)
ZUB_INTERFACE(CZubElementCapabilitiesInterface, CAssociationInterface, stZUB_ElementCapabilities)
ZUB_INTERFACE(CZubElementConformsToProfileInterface, CAssociationInterface, stZUB_ElementConformsToProfile)
ZUB_INTERFACE(CZubElementSettingDataInterface, CAssociationInterface, stZUB_ElementSettingData)
ZUB_INTERFACE(CZubElementSoftwareIdentityInterface, CAssociationInterface, stZUB_ElementSoftwareIdentity)
ZUB_INTERFACE(CZubHostedAccessPointInterface, CAssociationInterface, stZUB_HostedAccessPoint)
ZUB_INTERFACE(CZubHostedCollectionInterface, CAssociationInterface, stZUB_HostedCollection)
ZUB_INTERFACE(CZubHostedServiceInterface, CAssociationInterface, stZUB_HostedService)
ZUB_INTERFACE(CZubIsSpareInterface, CAssociationInterface, stZUB_IsSpare)
ZUB_INTERFACE(CZubMemberOfCollectionInterface, CAssociationInterface, stZUB_MemberOfCollection)
ZUB_INTERFACE(CZubProductPhysicalComponentInterface, CAssociationInterface, stZUB_ProductPhysicalComponent)
ZUB_INTERFACE(CZubProtocolControllerForUnitInterface, CAssociationInterface, stZUB_ProtocolControllerForUnit)
ZUB_INTERFACE(CZubRealizesInterface, CAssociationInterface, stZUB_Realizes)
ZUB_INTERFACE(CZubReferencedProfileInterface, CAssociationInterface, stZUB_ReferencedProfile)
ZUB_INTERFACE(CZubStorageSettingsAssociatedToCapabilitiesInterface, CAssociationInterface,
              stZUB_StorageSettingsAssociatedToCapabilities)
ZUB_INTERFACE(CZubStorageSettingsGeneratedFromCapabilitiesInterface, CAssociationInterface,
              stZUB_StorageSettingsGeneratedFromCapabilities)
ZUB_INTERFACE(CZubSystemDeviceInterface, CAssociationInterface, stZUB_SystemDevice)

#undef ZUB_INTERFACE
#undef ZUB_INTERFACE_BEGIN
#undef ZUB_INTERFACE_END
