// profile_table.cpp: what `zubcim check` knows of each profile, one row
// each (profile_check.h says how the walk reads a row; docs/check.md what
// each row means and which rows the client view changes).
#include "host/wbem/profile_check.h"

namespace zubwbem {

std::span<const ProfileRow> ProfileTable() {
  static const ProfileRow rows[] = {
      // The controller's system is reached through its port controller, the
      // element the library joins to the profile.
      {"Host Hardware RAID Controller", "CIM_ComputerSystem",
       {{"CIM_ElementConformsToProfile", "CIM_PortController"}, {"CIM_ConcreteIdentity", "CIM_ComputerSystem"}},
       {"CreationClassName", "Name", "NameFormat"},
       {{{"CIM_HostedService", "CIM_StorageConfigurationService"}, true, {"Name", "SystemName"}},
        {{"CIM_ComputerSystemPackage", "CIM_PhysicalPackage"}, true, {"Tag", "Manufacturer", "Model"}},
        {{"CIM_ElementSoftwareIdentity", "CIM_SoftwareIdentity"}, true, {"InstanceID", "VersionString"}},
        {{"CIM_SystemDevice", "CIM_StorageVolume"}, false, {"DeviceID", "ElementName"}},
        {{"CIM_HostedCollection", "CIM_StorageRedundancySet"}, false, {"InstanceID"}},
        {{"CIM_HostedAccessPoint", "CIM_ProtocolEndpoint"}, false, {"Name"}}}},
      {"Block Services", "CIM_StorageConfigurationService",
       {{"CIM_HostedService", "CIM_StorageConfigurationService"}},
       {"Name", "SystemName"},
       {}},
      {"Physical Asset", "CIM_PhysicalPackage",
       {{"CIM_ComputerSystemPackage", "CIM_PhysicalPackage"}},
       {"Tag", "Manufacturer", "Model", "SerialNumber"},
       {{{"CIM_Realizes", "CIM_PortController"}, true, {"DeviceID"}},
        {{"CIM_ProductPhysicalComponent", "CIM_Product"}, true, {"Name", "Vendor"}}}},
      {"Software Inventory", "CIM_SoftwareIdentity",
       {{"CIM_ElementSoftwareIdentity", "CIM_SoftwareIdentity"}},
       {"InstanceID", "VersionString"},
       {}},
      {"Generic Initiator Ports", "CIM_LogicalPort",
       {{"CIM_SystemDevice", "CIM_LogicalPort"}},
       {"DeviceID"},
       {{{"CIM_DeviceSAPImplementation", "CIM_ProtocolEndpoint"}, true, {"Name"}},
        {{"CIM_ControlledBy", "CIM_PortController"}, false, {"DeviceID"}}}},
      {"Direct Attached (DA) Target Ports", "CIM_ProtocolController",
       {{"CIM_SystemDevice", "CIM_ProtocolController"}},
       {"DeviceID"},
       {{{"CIM_ProtocolControllerForUnit", "CIM_StorageVolume"}, true, {"DeviceID"}},
        {{"CIM_SAPAvailableForElement", "CIM_ProtocolEndpoint"}, true, {"Name"}}}},
      {"Disk Sparing", "CIM_SpareConfigurationService",
       {{"CIM_HostedService", "CIM_SpareConfigurationService"}},
       {"Name", "SystemName"},
       {}},
      // The object manager conforms to it (the server joins them).
      {"Indication", "CIM_ObjectManager", {}, {"Name", "SystemName"}, {}},
      {"Server", "CIM_ObjectManager", {}, {"Name", "SystemName", "ElementName"},
       {{{"CIM_NamespaceInManager", "CIM_Namespace"}, true, {"Name"}},
        {{"CIM_CommMechanismForManager", "CIM_ObjectManagerCommunicationMechanism"}, true, {"Name"}},
        {{"CIM_HostedService", "CIM_ComputerSystem"}, true, {"Name"}}}},
  };
  return rows;
}

}  // namespace zubwbem
