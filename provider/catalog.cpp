// catalog.cpp: the table of every class the library serves, in the order
// hosts list them (elements before associations). A class appears in every
// host output once it has a row here and its record a description.
#include "framework/catalog.h"

#include "classes/config/capability_associations.h"
#include "classes/config/hosted_service.h"
#include "classes/config/spare_configuration.h"
#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_configuration_service.h"
#include "classes/config/storage_setting.h"
#include "classes/profiles/registered_profile.h"
#include "classes/profiles/software_identity.h"
#include "classes/ports/access_points.h"
#include "classes/ports/da_port.h"
#include "classes/ports/logical_port.h"
#include "classes/ports/port_associations.h"
#include "classes/ports/protocol_controller.h"
#include "classes/ports/protocol_endpoint.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/redundancy_set.h"
#include "classes/storage/storage_associations.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/alarm_device.h"
#include "classes/system/card.h"
#include "classes/system/computer_system.h"
#include "classes/system/port_controller.h"
#include "classes/system/product.h"
#include "classes/system/system_device.h"
#include "classes/profiles/indication_filter.h"

namespace {

const MethodDesc kPoolMethods[] = {
    ZUB_METHOD(PROVIDER_CreateZubStoragePoolInstance, GetSupportedSizes),
    ZUB_METHOD(PROVIDER_CreateZubStoragePoolInstance, GetSupportedSizeRange),
    ZUB_METHOD(PROVIDER_CreateZubStoragePoolInstance, GetAvailableExtents),
};
const MethodDesc kCapabilitiesMethods[] = {
    ZUB_METHOD(PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance, CreateSetting),
};
const MethodDesc kConfigurationMethods[] = {
    ZUB_METHOD(PROVIDER_CreateZubStorageConfigurationServiceInstance, CreateOrModifyElementFromElements),
    ZUB_METHOD(PROVIDER_CreateZubStorageConfigurationServiceInstance, ReturnToStoragePool),
    ZUB_METHOD(PROVIDER_CreateZubStorageConfigurationServiceInstance, ScsiScan),
};
const MethodDesc kSpareMethods[] = {
    ZUB_METHOD(PROVIDER_CreateZubSpareConfigurationServiceInstance, GetExtents),
    ZUB_METHOD(PROVIDER_CreateZubSpareConfigurationServiceInstance, SetSpareExtents),
};
const MethodDesc kAlarmMethods[] = {
    ZUB_METHOD(PROVIDER_CreateZubAlarmDeviceInstance, SetAlarmIndicator),
};
const MethodDesc kPrimordialSettingOperations[] = {
    ZUB_HOST_OPERATION(PROVIDER_CreateZubStorageSettingPrimordialInstance, PutData),
};
const MethodDesc kVolumeSettingOperations[] = {
    ZUB_HOST_OPERATION(PROVIDER_CreateZubStorageSettingVolumeInstance, PutData),
};

}  // namespace

std::span<const ClassDesc> ClassCatalog() {
  static const ClassDesc classes[] = {
      ZUB_CLASS(PROVIDER_CreateZubComputerSystemInstance,
          "ZUB_ComputerSystem", "CIM_ComputerSystem",
          "A host-based RAID controller, the system that scopes its disks, volumes, pools and ports"),
      ZUB_CLASS(PROVIDER_CreateZubCardInstance,
          "ZUB_Card", "CIM_Card", "The card or chipset that carries a host-based RAID controller"),
      ZUB_CLASS(PROVIDER_CreateZubPortControllerInstance,
          "ZUB_PortController", "CIM_PortController",
          "The port controller of a host-based RAID controller: its type, address and PHY count"),
      ZUB_CLASS(PROVIDER_CreateZubProductHBAInstance,
          "ZUB_ProductHBA", "CIM_Product", "A RAID controller as a product: its vendor and driver version"),
      ZUB_CLASS(PROVIDER_CreateZubProductDiskInstance,
          "ZUB_ProductDisk", "CIM_Product", "A disk as a product: its model and firmware revision"),
      ZUB_CLASS(PROVIDER_CreateZubProductEnclosureInstance,
          "ZUB_ProductEnclosure", "CIM_Product", "A disk enclosure as a product: its vendor and version"),
      ZUB_CLASS(PROVIDER_CreateZubProductRouterInstance,
          "ZUB_ProductRouter", "CIM_Product", "An expander (routing device) as a product: its vendor and version"),
      ZUB_CLASS(PROVIDER_CreateZubStorageExtentDiskInstance,
          "ZUB_StorageExtentDisk", "CIM_StorageExtent", "A disk of a RAID controller, as a storage extent"),
      ZUB_CLASS(PROVIDER_CreateZubStorageVolumeInstance,
          "ZUB_StorageVolume", "CIM_StorageVolume", "A RAID volume: its level, size, strip, health and cache policy"),
      ZUB_CLASS(PROVIDER_CreateZubStoragePoolInstance,
          "ZUB_StoragePool", "CIM_StoragePool",
          "The unallocated capacity of a controller: its available disks, as a primordial pool", kPoolMethods),
      ZUB_CLASS(PROVIDER_CreateZubStorageRedundancySetInstance,
          "ZUB_StorageRedundancySet", "CIM_StorageRedundancySet",
          "The protection the spare disks of a controller give its RAID volumes, and whether a healthy spare is left"),
      ZUB_CLASS(PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance,
          "ZUB_StorageCapabilitiesPrimordial", "CIM_StorageCapabilities",
          "What the primordial pool of a controller can offer; generates storage settings", kCapabilitiesMethods),
      ZUB_CLASS(PROVIDER_CreateZubStorageConfigurationServiceInstance,
          "ZUB_StorageConfigurationService", "CIM_StorageConfigurationService",
          "Creates, modifies and deletes the volumes of a controller and rescans the RAID stack",
          kConfigurationMethods),
      ZUB_CLASS(PROVIDER_CreateZubStorageSettingPrimordialInstance,
          "ZUB_StorageSettingPrimordial", "CIM_StorageSetting",
          "A storage setting generated from a pool's capabilities, the goal of a new volume",
          kPrimordialSettingOperations),
      ZUB_CLASS(PROVIDER_CreateZubStorageSettingVolumeInstance,
          "ZUB_StorageSettingVolume", "CIM_StorageSetting",
          "The storage setting of an existing volume, the goal of its modification", kVolumeSettingOperations),
      ZUB_CLASS(PROVIDER_CreateZubSpareConfigurationServiceInstance,
          "ZUB_SpareConfigurationService", "CIM_SpareConfigurationService",
          "Lists the disks of a controller that can become spares or are spares, and marks or unmarks them",
          kSpareMethods),
      ZUB_CLASS(PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance,
          "ZUB_SpareConfigurationCapabilities", "CIM_SpareConfigurationCapabilities",
          "What the spare configuration service of a controller offers"),
      ZUB_CLASS(PROVIDER_CreateZubAlarmDeviceInstance,
          "ZUB_AlarmDevice", "CIM_AlarmDevice", "The locate light of a disk's PHY; switched by SetAlarmIndicator",
          kAlarmMethods),
      ZUB_CLASS(PROVIDER_CreateZubSoftwareIdentityInstance,
          "ZUB_SoftwareIdentity", "CIM_SoftwareIdentity",
          "A piece of the RAID stack's software with its version: a controller's driver, this provider, the middleware"),
      ZUB_CLASS(PROVIDER_CreateZubRegisteredProfileInstance,
          "ZUB_RegisteredProfile", "CIM_RegisteredProfile", "A management profile the provider implements")
          .In(kInteropNamespace),
      ZUB_CLASS(PROVIDER_CreateZubIndicationFilterInstance,
          "ZUB_IndicationFilter", "CIM_IndicationFilter",
          "A filter a CIM client subscribes with to receive the provider's alerts of one class, or all of them")
          .In(kInteropNamespace),
      ZUB_CLASS(PROVIDER_CreateZubATALogicalPortInstance,
          "ZUB_ATALogicalPort", "CIM_LogicalPort", "A port of a SATA disk: its address and link speeds"),
      ZUB_CLASS(PROVIDER_CreateZubSCSILogicalPortInstance,
          "ZUB_SCSILogicalPort", "CIM_LogicalPort", "A port of a SAS disk: its address and link speeds"),
      ZUB_CLASS(PROVIDER_CreateZubDAPortInstance,
          "ZUB_DAPort", "CIM_LogicalPort",
          "The direct-attached port of a volume: the port of its first member disk, its protocol and speeds"),
      ZUB_CLASS(PROVIDER_CreateZubATAProtocolControllerInstance,
          "ZUB_ATAProtocolController", "CIM_ProtocolController",
          "The ATA protocol controller behind the DA port of a volume on SATA disks"),
      ZUB_CLASS(PROVIDER_CreateZubSCSIProtocolControllerInstance,
          "ZUB_SCSIProtocolController", "CIM_SCSIProtocolController",
          "The SCSI protocol controller behind the DA port of a volume on SAS disks"),
      ZUB_CLASS(PROVIDER_CreateZubATAProtocolEndpointInstance,
          "ZUB_ATAProtocolEndpoint", "CIM_ProtocolEndpoint",
          "The SATA protocol endpoint of a DA port or a SATA logical port"),
      ZUB_CLASS(PROVIDER_CreateZubSCSIProtocolEndpointInstance,
          "ZUB_SCSIProtocolEndpoint", "CIM_SCSIProtocolEndpoint",
          "The SCSI protocol endpoint of a DA port or a SAS logical port"),
      // Associations.
      ZUB_CLASS(PROVIDER_CreateZubMemberOfCollectionInstance,
          "ZUB_MemberOfCollection", "CIM_MemberOfCollection",
          "A member disk of a redundant volume, in the redundancy set of its controller"),
      ZUB_CLASS(PROVIDER_CreateZubHostedCollectionInstance,
          "ZUB_HostedCollection", "CIM_HostedCollection", "A controller's system and its redundancy set"),
      ZUB_CLASS(PROVIDER_CreateZubIsSpareInstance,
          "ZUB_IsSpare", "CIM_IsSpare", "A spare disk and the redundancy set of its controller"),
      ZUB_CLASS(PROVIDER_CreateZubAllocatedFromStoragePoolInstance,
          "ZUB_AllocatedFromStoragePool", "CIM_AllocatedFromStoragePool",
          "A volume and the pool of its controller, with the space the volume takes"),
      ZUB_CLASS(PROVIDER_CreateZubConcreteComponentInstance,
          "ZUB_ConcreteComponent", "CIM_ConcreteComponent",
          "A disk and the pool of its controller (while available), and the disk's own protocol endpoint"),
      ZUB_CLASS(PROVIDER_CreateZubConcreteDependencyInstance,
          "ZUB_ConcreteDependency", "CIM_ConcreteDependency", "A volume and each of its member disks"),
      ZUB_CLASS(PROVIDER_CreateZubElementCapabilitiesInstance,
          "ZUB_ElementCapabilities", "CIM_ElementCapabilities", "A pool and the storage capabilities of its controller"),
      ZUB_CLASS(PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance,
          "ZUB_StorageSettingsGeneratedFromCapabilities", "CIM_StorageSettingsGeneratedFromCapabilities",
          "A storage setting and the capabilities that generated it"),
      ZUB_CLASS(PROVIDER_CreateZubStorageSettingsAssociatedToCapabilitiesInstance,
          "ZUB_StorageSettingsAssociatedToCapabilities", "CIM_StorageSettingsAssociatedToCapabilities",
          "A storage setting and the capabilities it belongs to"),
      ZUB_CLASS(PROVIDER_CreateZubElementSettingDataInstance,
          "ZUB_ElementSettingData", "CIM_ElementSettingData", "A volume and the volume settings of its name"),
      ZUB_CLASS(PROVIDER_CreateZubHostedServiceInstance,
          "ZUB_HostedService", "CIM_HostedService",
          "A controller's system and the storage and spare configuration services it hosts"),
      ZUB_CLASS(PROVIDER_CreateZubProductPhysicalComponentInstance,
          "ZUB_ProductPhysicalComponent", "CIM_ProductPhysicalComponent",
          "A controller, disk, enclosure or expander product and the card of its controller"),
      ZUB_CLASS(PROVIDER_CreateZubComputerSystemPackageInstance,
          "ZUB_ComputerSystemPackage", "CIM_ComputerSystemPackage", "A controller's system and its card"),
      ZUB_CLASS(PROVIDER_CreateZubRealizesInstance,
          "ZUB_Realizes", "CIM_Realizes", "A port controller and the card that realizes it"),
      ZUB_CLASS(PROVIDER_CreateZubAssociatedAlarmInstance,
          "ZUB_AssociatedAlarm", "CIM_AssociatedAlarm", "A disk's locator and the disk it locates"),
      ZUB_CLASS(PROVIDER_CreateZubElementSoftwareIdentityInstance,
          "ZUB_ElementSoftwareIdentity", "CIM_ElementSoftwareIdentity",
          "A controller's system and each piece of software of the RAID stack"),
      ZUB_CLASS(PROVIDER_CreateZubReferencedProfileInstance,
          "ZUB_ReferencedProfile", "CIM_ReferencedProfile",
          "A profile the Host Hardware RAID Controller profile references")
          .In(kInteropNamespace),
      ZUB_CLASS(PROVIDER_CreateZubElementConformsToProfileInstance,
          "ZUB_ElementConformsToProfile", "CIM_ElementConformsToProfile",
          "A port controller and the Host Hardware RAID Controller profile it conforms to")
          .In(kInteropNamespace),
      ZUB_CLASS(PROVIDER_CreateZubATADeviceSAPImplementationInstance,
          "ZUB_ATADeviceSAPImplementation", "CIM_DeviceSAPImplementation",
          "A SATA endpoint and the DA ports and logical ports of its port"),
      ZUB_CLASS(PROVIDER_CreateZubSCSIDeviceSAPImplementationInstance,
          "ZUB_SCSIDeviceSAPImplementation", "CIM_DeviceSAPImplementation",
          "A SCSI endpoint and the DA ports and logical ports of its port"),
      ZUB_CLASS(PROVIDER_CreateZubATASAPAvailableForElementInstance,
          "ZUB_ATASAPAvailableForElement", "CIM_SAPAvailableForElement",
          "An ATA protocol controller and the SATA endpoints of the DA ports of its disk"),
      ZUB_CLASS(PROVIDER_CreateZubSCSISAPAvailableForElementInstance,
          "ZUB_SCSISAPAvailableForElement", "CIM_SAPAvailableForElement",
          "A SCSI protocol controller and the SCSI endpoints of the DA ports of its disk"),
      ZUB_CLASS(PROVIDER_CreateZubHostedAccessPointInstance,
          "ZUB_HostedAccessPoint", "CIM_HostedAccessPoint",
          "A RAID controller's system and every protocol endpoint of the controller"),
      ZUB_CLASS(PROVIDER_CreateZubControlledByInstance,
          "ZUB_ControlledBy", "CIM_ControlledBy", "A logical port and a port controller, with the port's address"),
      ZUB_CLASS(PROVIDER_CreateZubProtocolControllerForUnitInstance,
          "ZUB_ProtocolControllerForUnit", "CIM_ProtocolControllerForUnit",
          "A protocol controller and the volumes of its RAID controller"),
      ZUB_CLASS(PROVIDER_CreateZubConcreteIdentityInstance,
          "ZUB_ConcreteIdentity", "CIM_ConcreteIdentity",
          "A RAID controller's system and its port controller: one controller seen twice"),
      ZUB_CLASS(PROVIDER_CreateZubSystemDeviceInstance,
          "ZUB_SystemDevice", "CIM_SystemDevice",
          "A RAID controller's system and each logical device of the controller: ports, protocol controllers, volumes, "
          "the locate alarm device of each disk"),
  };
  return classes;
}
