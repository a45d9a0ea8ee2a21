// schema_tables.cpp: the facts the schema takes from outside the catalogue:
// the standard CIM_ classes with their parents, and the classes the server
// keeps itself. Which namespace holds a class is the catalogue's (each row
// says); the two namespaces are the library's (framework/names.h). A
// catalogue row naming a standard class missing here is reported by
// Schema::Problem (and fails the schema test).
#include "classes/profiles/registered_profile.h"
#include "framework/catalog.h"
#include "framework/names.h"
#include "host/cim/cim_model.h"
#include "host/cim/schema.h"
#include "host/kit/wide_text.h"

namespace zubwbem {

const std::string& ClassNs() {
  static const std::string ns = CanonicalNamespace(zubcim::ToUtf8(kClassNamespace));
  return ns;
}

const std::string& InteropNs() {
  static const std::string ns = CanonicalNamespace(zubcim::ToUtf8(kInteropNamespace));
  return ns;
}

const std::string& NamespaceOfClass(std::string_view zubClass) {
  const ClassDesc* row = nullptr;
  for (const ClassDesc& c : ClassCatalog()) {
    if (EqualsNoCase(c.name, zubClass)) row = &c;
  }
  // The profiles' references name their registration class, which lives
  // with the profiles.
  const bool interop = row ? std::wstring_view(row->nameSpace) == kInteropNamespace
                           : EqualsNoCase(zubcim::ToUtf8(kProfileRegistrationClass), zubClass);
  return interop ? InteropNs() : ClassNs();
}

std::span<const StandardClass> StandardClasses() {
  static constexpr StandardClass kClasses[] = {
      {"CIM_ManagedElement", nullptr, false},
      {"CIM_ManagedSystemElement", "CIM_ManagedElement", false},
      {"CIM_LogicalElement", "CIM_ManagedSystemElement", false},
      {"CIM_EnabledLogicalElement", "CIM_LogicalElement", false},
      {"CIM_System", "CIM_EnabledLogicalElement", false},
      {"CIM_ComputerSystem", "CIM_System", false},
      {"CIM_LogicalDevice", "CIM_EnabledLogicalElement", false},
      {"CIM_StorageExtent", "CIM_LogicalDevice", false},
      {"CIM_StorageVolume", "CIM_StorageExtent", false},
      {"CIM_Controller", "CIM_LogicalDevice", false},
      {"CIM_PortController", "CIM_Controller", false},
      {"CIM_AlarmDevice", "CIM_LogicalDevice", false},
      {"CIM_LogicalPort", "CIM_LogicalDevice", false},
      {"CIM_NetworkPort", "CIM_LogicalPort", false},
      {"CIM_ProtocolController", "CIM_LogicalDevice", false},
      {"CIM_SCSIProtocolController", "CIM_ProtocolController", false},
      {"CIM_PhysicalElement", "CIM_ManagedSystemElement", false},
      {"CIM_PhysicalPackage", "CIM_PhysicalElement", false},
      {"CIM_Card", "CIM_PhysicalPackage", false},
      {"CIM_Product", "CIM_ManagedElement", false},
      {"CIM_ServiceAccessPoint", "CIM_EnabledLogicalElement", false},
      {"CIM_ProtocolEndpoint", "CIM_ServiceAccessPoint", false},
      {"CIM_SCSIProtocolEndpoint", "CIM_ProtocolEndpoint", false},
      {"CIM_Service", "CIM_EnabledLogicalElement", false},
      {"CIM_StorageConfigurationService", "CIM_Service", false},
      {"CIM_SpareConfigurationService", "CIM_Service", false},
      {"CIM_Collection", "CIM_ManagedElement", false},
      {"CIM_SystemSpecificCollection", "CIM_Collection", false},
      {"CIM_RedundancySet", "CIM_SystemSpecificCollection", false},
      {"CIM_StorageRedundancySet", "CIM_RedundancySet", false},
      {"CIM_ResourcePool", "CIM_LogicalElement", false},
      {"CIM_StoragePool", "CIM_ResourcePool", false},
      {"CIM_Capabilities", "CIM_ManagedElement", false},
      {"CIM_StorageCapabilities", "CIM_Capabilities", false},
      {"CIM_SpareConfigurationCapabilities", "CIM_Capabilities", false},
      {"CIM_SettingData", "CIM_ManagedElement", false},
      {"CIM_StorageSetting", "CIM_SettingData", false},
      {"CIM_SoftwareIdentity", "CIM_LogicalElement", false},
      {"CIM_RegisteredProfile", "CIM_ManagedElement", false},
      {"CIM_IndicationFilter", "CIM_ManagedElement", false},
      {"CIM_ListenerDestination", "CIM_ManagedElement", false},
      {"CIM_Indication", nullptr, false},
      {"CIM_ProcessIndication", "CIM_Indication", false},
      {"CIM_AlertIndication", "CIM_ProcessIndication", false},
      // Associations.
      {"CIM_Dependency", nullptr, true},
      {"CIM_Component", nullptr, true},
      {"CIM_SystemComponent", "CIM_Component", true},
      {"CIM_SystemDevice", "CIM_SystemComponent", true},
      {"CIM_ConcreteComponent", "CIM_Component", true},
      {"CIM_ProductPhysicalComponent", "CIM_Component", true},
      {"CIM_MemberOfCollection", nullptr, true},
      {"CIM_ConcreteDependency", "CIM_Dependency", true},
      {"CIM_HostedDependency", "CIM_Dependency", true},
      {"CIM_HostedService", "CIM_HostedDependency", true},
      {"CIM_HostedAccessPoint", "CIM_HostedDependency", true},
      {"CIM_HostedCollection", "CIM_HostedDependency", true},
      {"CIM_AllocatedFromStoragePool", "CIM_Dependency", true},
      {"CIM_AssociatedAlarm", "CIM_Dependency", true},
      {"CIM_Realizes", "CIM_Dependency", true},
      {"CIM_DeviceSAPImplementation", "CIM_Dependency", true},
      {"CIM_SAPAvailableForElement", nullptr, true},
      {"CIM_DeviceConnection", "CIM_Dependency", true},
      {"CIM_ControlledBy", "CIM_DeviceConnection", true},
      {"CIM_ElementCapabilities", nullptr, true},
      {"CIM_ElementConformsToProfile", nullptr, true},
      {"CIM_ElementSettingData", nullptr, true},
      {"CIM_ElementSoftwareIdentity", "CIM_Dependency", true},
      {"CIM_IsSpare", "CIM_Dependency", true},
      {"CIM_SystemPackaging", "CIM_Dependency", true},
      {"CIM_ComputerSystemPackage", "CIM_SystemPackaging", true},
      {"CIM_LogicalIdentity", nullptr, true},
      {"CIM_ConcreteIdentity", "CIM_LogicalIdentity", true},
      {"CIM_ProtocolControllerForDevice", "CIM_Dependency", true},
      {"CIM_ProtocolControllerForUnit", "CIM_ProtocolControllerForDevice", true},
      {"CIM_ReferencedProfile", "CIM_Dependency", true},
      {"CIM_SettingAssociatedToCapabilities", "CIM_Dependency", true},
      {"CIM_StorageSettingsAssociatedToCapabilities", "CIM_SettingAssociatedToCapabilities", true},
      {"CIM_StorageSettingsGeneratedFromCapabilities", "CIM_Dependency", true},
  };
  return kClasses;
}

const char* const kFilterClass = "CIM_IndicationFilter";
const char* const kDestinationClass = "CIM_ListenerDestinationCIMXML";
const char* const kSubscriptionClass = "CIM_IndicationSubscription";

std::span<const KeptClass> KeptClasses() {
  using T = CimType;
  // The keys of filters and destinations, in the order paths name them.
  static constexpr KeptProperty kFilter[] = {
      {"CreationClassName", T::String, true},
      {"Name", T::String, true},
      {"SystemCreationClassName", T::String, true},
      {"SystemName", T::String, true},
      {"Query", T::String},
      {"QueryLanguage", T::String},
      {"SourceNamespace", T::String},
      {"SourceNamespaces", T::String, false, true},
      {"IndividualSubscriptionSupported", T::Boolean},
      {"Description", T::String},
      {"ElementName", T::String},
  };
  static constexpr KeptProperty kDestination[] = {
      {"CreationClassName", T::String, true},
      {"Name", T::String, true},
      {"SystemCreationClassName", T::String, true},
      {"SystemName", T::String, true},
      {"Destination", T::String},
      {"PersistenceType", T::UInt16},
      {"OtherPersistenceType", T::String},
      {"Protocol", T::UInt16},
      {"OtherProtocol", T::String},
      {"Description", T::String},
      {"ElementName", T::String},
  };
  static constexpr KeptProperty kSubscription[] = {
      {"Filter", T::Reference, true, false, "CIM_IndicationFilter"},
      {"Handler", T::Reference, true, false, "CIM_ListenerDestination"},
      {"SubscriptionState", T::UInt16},
      {"OtherSubscriptionState", T::String},
      {"OnFatalErrorPolicy", T::UInt16},
      {"OtherOnFatalErrorPolicy", T::String},
      {"RepeatNotificationPolicy", T::UInt16},
      {"FailureTriggerTimeInterval", T::UInt64},
      {"SubscriptionDuration", T::UInt64},
      {"SubscriptionStartTime", T::DateTime},
      {"SubscriptionTimeRemaining", T::UInt64},
  };
  static const KeptClass kClasses[] = {
      {kFilterClass, "CIM_ManagedElement", false, kFilter},
      {kDestinationClass, "CIM_ListenerDestination", false, kDestination},
      {kSubscriptionClass, nullptr, true, kSubscription},
  };
  return kClasses;
}

}  // namespace zubwbem
