// profile_table.cpp: what `zubcim check` knows of each profile, one row
// each, or one for a server with the client view and one for the records
// alone where the view changes the walk (profile_check.h says how the walk
// reads a row; docs/check.md what each row means).
#include "host/wbem/profile_check.h"

namespace zubwbem {
namespace {

// What leads from a controller's system either way.
const Follow kService{{"CIM_HostedService", "CIM_StorageConfigurationService"}, true, {"Name", "SystemName"}};
const Follow kPackage{{"CIM_ComputerSystemPackage", "CIM_PhysicalPackage"}, true, {"Tag", "Manufacturer", "Model"}};
const Follow kVolumes{{"CIM_SystemDevice", "CIM_StorageVolume"}, false, {"DeviceID", "ElementName"}};
const Follow kRedundancy{{"CIM_HostedCollection", "CIM_StorageRedundancySet"}, false, {"InstanceID"}};
const Follow kEndpoints{{"CIM_HostedAccessPoint", "CIM_ProtocolEndpoint"}, false, {"Name"}};
const std::vector<const char*> kSystemKeys = {"CreationClassName", "Name", "NameFormat"};
const std::vector<const char*> kSoftware = {"InstanceID", "VersionString"};

}  // namespace

std::span<const ProfileRow> ProfileTable() {
  static const ProfileRow rows[] = {
      // With the view each system conforms itself; it has a name, a health
      // and its identity, its drives (each on its disk extent) and its pool
      // (none for a controller without a free, healthy disk).
      {"Host Hardware RAID Controller", "CIM_ComputerSystem", {},
       {"CreationClassName", "Name", "NameFormat", "ElementName", "OperationalStatus", "HealthState",
        "IdentifyingDescriptions", "OtherIdentifyingInfo"},
       {kService, kPackage,
        {{"CIM_InstalledSoftwareIdentity", "CIM_SoftwareIdentity"}, true, kSoftware},
        kVolumes,
        {{"CIM_SystemDevice", "CIM_DiskDrive"}, false, {"DeviceID", "OperationalStatus", "HealthState"}},
        {{"CIM_MediaPresent", "CIM_StorageExtent"}, true, {"DeviceID"}, "CIM_DiskDrive"},
        {{"CIM_HostedStoragePool", "CIM_StoragePool"}, false, {"InstanceID"}},
        kRedundancy, kEndpoints},
       Served::View},
      // The records join the profile to the port controllers; the system is
      // their identity.
      {"Host Hardware RAID Controller", "CIM_ComputerSystem",
       {{"CIM_ElementConformsToProfile", "CIM_PortController"}, {"CIM_ConcreteIdentity", "CIM_ComputerSystem"}},
       kSystemKeys,
       {kService, kPackage, {{"CIM_ElementSoftwareIdentity", "CIM_SoftwareIdentity"}, true, kSoftware}, kVolumes,
        kRedundancy, kEndpoints},
       Served::RecordsOnly},
      // The pools of the systems, with their capabilities and volumes.
      {"Block Services", "CIM_StoragePool",
       {{"CIM_HostedStoragePool", "CIM_StoragePool"}},
       {"InstanceID", "PoolID", "TotalManagedSpace", "RemainingManagedSpace", "OperationalStatus", "HealthState",
        "Usage"},
       {{{"CIM_ElementCapabilities", "CIM_StorageCapabilities"}, true, {"InstanceID"}},
        {{"CIM_AllocatedFromStoragePool", "CIM_StorageVolume"}, false, {"DeviceID"}}},
       Served::View, "no controller has a free, healthy disk (the library makes no pool then)"},
      // The records hang the pools from no system: the services stand for them.
      {"Block Services", "CIM_StorageConfigurationService",
       {{"CIM_HostedService", "CIM_StorageConfigurationService"}},
       {"Name", "SystemName"},
       {},
       Served::RecordsOnly},
      {"Physical Asset", "CIM_PhysicalPackage",
       {{"CIM_ComputerSystemPackage", "CIM_PhysicalPackage"}},
       {"Tag", "Manufacturer", "Model", "SerialNumber"},
       {{{"CIM_Realizes", "CIM_PortController"}, true, {"DeviceID"}},
        {{"CIM_ProductPhysicalComponent", "CIM_Product"}, true, {"Name", "Vendor"}}}},
      {"Software Inventory", "CIM_SoftwareIdentity",
       {{"CIM_InstalledSoftwareIdentity", "CIM_SoftwareIdentity"}},
       kSoftware,
       {},
       Served::View},
      {"Software Inventory", "CIM_SoftwareIdentity",
       {{"CIM_ElementSoftwareIdentity", "CIM_SoftwareIdentity"}},
       kSoftware,
       {},
       Served::RecordsOnly},
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
