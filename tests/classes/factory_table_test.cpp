// The library's whole factory table, as a host finds it: every factory
// exported by the built library under its plain name, one object per
// factory, the association flag as the class's kind requires, and each CIM
// class served by the catalogue with the same flag; the event monitor's
// registrations in their fixed order. A class missing from the table, the
// catalogue or the exports fails here by name.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "events/event_registry.h"
#include "framework/catalog.h"
#include "tests/support/library_copy.h"

namespace {

struct FactoryRow {
  const char* factory;
  const char* cimClass;  // null for the host's own objects
  bool association;
};

constexpr FactoryRow kFactoryTable[] = {
    {"PROVIDER_CreateZubProviderInstance", nullptr, false},
    {"PROVIDER_CreateEventMonInstance", nullptr, false},
    {"PROVIDER_CreateZubContainerInstance", nullptr, false},
    {"PROVIDER_CreateZubComputerSystemInstance", "ZUB_ComputerSystem", false},
    {"PROVIDER_CreateZubCardInstance", "ZUB_Card", false},
    {"PROVIDER_CreateZubPortControllerInstance", "ZUB_PortController", false},
    {"PROVIDER_CreateZubAlarmDeviceInstance", "ZUB_AlarmDevice", false},
    {"PROVIDER_CreateZubProductDiskInstance", "ZUB_ProductDisk", false},
    {"PROVIDER_CreateZubProductEnclosureInstance", "ZUB_ProductEnclosure", false},
    {"PROVIDER_CreateZubProductHBAInstance", "ZUB_ProductHBA", false},
    {"PROVIDER_CreateZubProductRouterInstance", "ZUB_ProductRouter", false},
    {"PROVIDER_CreateZubATALogicalPortInstance", "ZUB_ATALogicalPort", false},
    {"PROVIDER_CreateZubSCSILogicalPortInstance", "ZUB_SCSILogicalPort", false},
    {"PROVIDER_CreateZubATAProtocolControllerInstance", "ZUB_ATAProtocolController", false},
    {"PROVIDER_CreateZubSCSIProtocolControllerInstance", "ZUB_SCSIProtocolController", false},
    {"PROVIDER_CreateZubATAProtocolEndpointInstance", "ZUB_ATAProtocolEndpoint", false},
    {"PROVIDER_CreateZubSCSIProtocolEndpointInstance", "ZUB_SCSIProtocolEndpoint", false},
    {"PROVIDER_CreateZubDAPortInstance", "ZUB_DAPort", false},
    {"PROVIDER_CreateZubIndicationFilterInstance", "ZUB_IndicationFilter", false},
    {"PROVIDER_CreateZubRegisteredProfileInstance", "ZUB_RegisteredProfile", false},
    {"PROVIDER_CreateZubSoftwareIdentityInstance", "ZUB_SoftwareIdentity", false},
    {"PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance", "ZUB_SpareConfigurationCapabilities", false},
    {"PROVIDER_CreateZubSpareConfigurationServiceInstance", "ZUB_SpareConfigurationService", false},
    {"PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance", "ZUB_StorageCapabilitiesPrimordial", false},
    {"PROVIDER_CreateZubStorageConfigurationServiceInstance", "ZUB_StorageConfigurationService", false},
    {"PROVIDER_CreateZubStorageExtentDiskInstance", "ZUB_StorageExtentDisk", false},
    {"PROVIDER_CreateZubStoragePoolInstance", "ZUB_StoragePool", false},
    {"PROVIDER_CreateZubStorageRedundancySetInstance", "ZUB_StorageRedundancySet", false},
    {"PROVIDER_CreateZubStorageSettingPrimordialInstance", "ZUB_StorageSettingPrimordial", false},
    {"PROVIDER_CreateZubStorageSettingVolumeInstance", "ZUB_StorageSettingVolume", false},
    {"PROVIDER_CreateZubStorageVolumeInstance", "ZUB_StorageVolume", false},
    {"PROVIDER_CreateZubATADeviceSAPImplementationInstance", "ZUB_ATADeviceSAPImplementation", true},
    {"PROVIDER_CreateZubSCSIDeviceSAPImplementationInstance", "ZUB_SCSIDeviceSAPImplementation", true},
    {"PROVIDER_CreateZubATASAPAvailableForElementInstance", "ZUB_ATASAPAvailableForElement", true},
    {"PROVIDER_CreateZubSCSISAPAvailableForElementInstance", "ZUB_SCSISAPAvailableForElement", true},
    {"PROVIDER_CreateZubAllocatedFromStoragePoolInstance", "ZUB_AllocatedFromStoragePool", true},
    {"PROVIDER_CreateZubAssociatedAlarmInstance", "ZUB_AssociatedAlarm", true},
    {"PROVIDER_CreateZubComputerSystemPackageInstance", "ZUB_ComputerSystemPackage", true},
    {"PROVIDER_CreateZubConcreteComponentInstance", "ZUB_ConcreteComponent", true},
    {"PROVIDER_CreateZubConcreteDependencyInstance", "ZUB_ConcreteDependency", true},
    {"PROVIDER_CreateZubConcreteIdentityInstance", "ZUB_ConcreteIdentity", true},
    {"PROVIDER_CreateZubControlledByInstance", "ZUB_ControlledBy", true},
    {"PROVIDER_CreateZubElementCapabilitiesInstance", "ZUB_ElementCapabilities", true},
    {"PROVIDER_CreateZubElementConformsToProfileInstance", "ZUB_ElementConformsToProfile", true},
    {"PROVIDER_CreateZubElementSettingDataInstance", "ZUB_ElementSettingData", true},
    {"PROVIDER_CreateZubElementSoftwareIdentityInstance", "ZUB_ElementSoftwareIdentity", true},
    {"PROVIDER_CreateZubHostedAccessPointInstance", "ZUB_HostedAccessPoint", true},
    {"PROVIDER_CreateZubHostedCollectionInstance", "ZUB_HostedCollection", true},
    {"PROVIDER_CreateZubHostedServiceInstance", "ZUB_HostedService", true},
    {"PROVIDER_CreateZubIsSpareInstance", "ZUB_IsSpare", true},
    {"PROVIDER_CreateZubMemberOfCollectionInstance", "ZUB_MemberOfCollection", true},
    {"PROVIDER_CreateZubProductPhysicalComponentInstance", "ZUB_ProductPhysicalComponent", true},
    {"PROVIDER_CreateZubProtocolControllerForUnitInstance", "ZUB_ProtocolControllerForUnit", true},
    {"PROVIDER_CreateZubRealizesInstance", "ZUB_Realizes", true},
    {"PROVIDER_CreateZubReferencedProfileInstance", "ZUB_ReferencedProfile", true},
    {"PROVIDER_CreateZubStorageSettingsAssociatedToCapabilitiesInstance",
     "ZUB_StorageSettingsAssociatedToCapabilities", true},
    {"PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance",
     "ZUB_StorageSettingsGeneratedFromCapabilities", true},
    {"PROVIDER_CreateZubSystemDeviceInstance", "ZUB_SystemDevice", true},
};

TEST(FactoryTable, EveryFactoryIsExportedAndEveryClassServedWithItsKind) {
  // Fresh singletons of a private copy: creating them reads no middleware.
  zubtest::LibraryCopy library(ZUBPROV_PATH);
  std::set<std::string> served;
  for (const FactoryRow& row : kFactoryTable) {
    SCOPED_TRACE(row.factory);
    auto* create = library.Find<CProviderInterfaceBase*()>(row.factory);
    ASSERT_NE(create, nullptr) << "not exported";
    CProviderInterfaceBase* object = create();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(create(), object) << "one object per factory";
    EXPECT_FALSE(object->IsInitialized());
    if (!row.cimClass) continue;
    EXPECT_EQ(object->m_bAssociation, row.association);
    const ClassDesc* cls = FindClass(row.cimClass);
    ASSERT_NE(cls, nullptr) << row.cimClass << " is not served";
    EXPECT_EQ(cls->association, row.association);
    served.insert(row.cimClass);
  }
  EXPECT_EQ(ClassCatalog().size(), served.size()) << "the catalogue serves a class without a factory row";
}

TEST(FactoryTable, TheMonitorCallsTheFourteenRegistrationsInTheirFixedOrder) {
  const char* const order[] = {
      "CZubStorageVolume",
      "CZubStorageExtentDisk",
      "CZubSoftwareIdentity",
      "CZubStoragePool",
      "CZubAlarmDevice",
      "CZubStorageSettingVolume",
      "CZubStorageCapabilitiesPrimordial",
      "CZubDAPort",
      "CZubATALogicalPort",
      "CZubATAProtocolController",
      "CZubATAProtocolEndpoint",
      "CZubSCSILogicalPort",
      "CZubSCSIProtocolController",
      "CZubSCSIProtocolEndpoint",
  };

  const auto table = EventRegistrationTable();
  const std::vector<CEventRegisterInterface*> registered = EventRegistrations();  // tests may add more after
  ASSERT_EQ(table.size(), std::size(order));
  ASSERT_GE(registered.size(), table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_STREQ(table[i].className, order[i]) << i;
    ASSERT_NE(table[i].registration, nullptr) << order[i];
    EXPECT_NE(table[i].registration(), nullptr) << order[i];
    EXPECT_EQ(registered[i], table[i].registration()) << order[i];
  }
}

}  // namespace
