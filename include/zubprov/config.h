// config.h: the records a host receives and the factories it calls for the
// configuration services, capabilities, settings and their associations.
// A record is copied out of the library by its class's GetData; a factory
// returns the class's one object. Each class's contract (what Update reads
// and returns, what its methods do) is written at its header in classes/.
#pragma once

#include <cstdint>

#include "zubprov/interfaces.h"

struct RecordDesc;  // the record descriptions (Describe) are for generic hosts

// classes/config/capability_associations.h
struct ZUBPROV_API stZUB_ElementCapabilities {
  CZubString ManagedElement;  // a pool (or a computer system)
  CZubString Capabilities;    // its capabilities
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_StorageSettingsGeneratedFromCapabilities {
  CZubString Capabilities;  // the storage capabilities
  CZubString Setting;       // a primordial setting generated from them
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_StorageSettingsAssociatedToCapabilities {
  CZubString Capabilities;
  CZubString Setting;
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ElementSettingData {
  CZubString ManagedElement;  // the volume
  CZubString SettingData;     // a volume setting of its name
  uint64_t IsDefault = 0;     // 0
  uint64_t IsCurrent = 0;     // 1
  uint64_t IsNext = 0;        // 2
  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubElementCapabilitiesInterface* PROVIDER_CreateZubElementCapabilitiesInstance();

ZUB_FACTORY CZubStorageSettingsGeneratedFromCapabilitiesInterface*
PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance();

ZUB_FACTORY CZubStorageSettingsAssociatedToCapabilitiesInterface*
PROVIDER_CreateZubStorageSettingsAssociatedToCapabilitiesInstance();

ZUB_FACTORY CZubElementSettingDataInterface* PROVIDER_CreateZubElementSettingDataInstance();

// classes/config/hosted_service.h
struct ZUBPROV_API stZUB_HostedService {
  CZubString Antecedent;  // the computer system
  CZubString Dependent;   // a service it hosts

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubHostedServiceInterface* PROVIDER_CreateZubHostedServiceInstance();

// classes/config/spare_configuration.h
struct ZUBPROV_API stZUB_SetSpareExtentsParams {
  CZubString Job;                  // never written
  CZubString InstanceGroup;        // not read
  CArrayT<CZubString> InExtents;   // in: paths of the disk extents to mark or unmark
  CZubString RedundancySet;        // not read
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_GetExtentsParams {
  CZubString Job;                  // never written
  CZubString InstanceGroup;        // not read
  CArrayT<CZubString> Extents;     // out: paths of the selected disk extents
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_SpareConfigurationService {
  CZubString SystemCreationClassName;  // "Corvo_ZUBe3.0"
  CZubString SystemName;               // "SpareCfgService_" + controller handle
  CZubString CreationClassName;        // "ZUB_SpareConfigurationService"
  CZubString Name;                     // "ZUBe:AhciSpareConfigurationService" + AHCI number, or Dox
  CZubString Caption;                  // "Spare Configuration Service for AHCI HBA Controller " + number
  CZubString Description;              // as Caption
  CZubString ElementName;              // as Name
  CZubString ControllerHandle;         // decimal
  stZUB_SetSpareExtentsParams SetSpareExtentsParams;
  stZUB_GetExtentsParams GetExtentsParams;
  uint32_t Operation = 0;              // in: GetExtents 0, 1, 2; SetSpareExtents 3 mark, 4 unmark
  uint64_t ReturnValue = 0;

  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_SpareConfigurationCapabilities {
  CZubString InstanceID;               // "ZUBe:SpareConfigurationCapabilities:AHCI" + number, or DOX
  CZubString Caption;                  // "ZUBe Spare Configuration Capabilities"
  CZubString Description;              // the same
  CZubString ElementName;              // the same
  CArrayT<uint64_t> SupportedAsynchronousActions;  // 4
  CArrayT<uint64_t> SupportedSynchronousActions;   // 2, 3
  uint8_t CapabilityFlag1 = 0;         // 0
  uint8_t CapabilityFlag2 = 0;         // 1
  uint64_t CapabilityValue = 0;        // 0
  CZubString ControllerHandle;         // decimal

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubSpareConfigurationServiceInterface* PROVIDER_CreateZubSpareConfigurationServiceInstance();

ZUB_FACTORY CZubSpareConfigurationCapabilitiesInterface* PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance();

// classes/config/storage_capabilities.h
struct ZUBPROV_API stZUB_StorageCapabilitiesPrimordial {
  CZubString InstanceID;                    // the pool's controller handle
  CZubString CapabilitiesName;              // "ZUB_StorageCapabilitiesPrimordial_" + InstanceID
  CZubString ElementName;
  CZubString Description;
  uint64_t ElementType = 0;                 // 5
  uint8_t NoSinglePointOfFailure = 0;       // 1
  uint8_t NoSinglePointOfFailureDefault = 0;
  uint64_t DataRedundancyMax = 0;
  uint64_t DataRedundancyMin = 0;
  uint64_t DataRedundancyDefault = 0;
  uint64_t PackageRedundancyMax = 0;
  uint64_t PackageRedundancyMin = 0;
  uint64_t PackageRedundancyDefault = 0;
  uint64_t ExtentStripeLengthDefault = 0;   // the controller's available or spare disks
  uint64_t UserDataStripeDepthDefault = 0;  // largest level strip value × 1024
  uint64_t SettingType = 0;                 // CreateSetting: 2 default, 3 goal
  CZubString NewSetting;                    // CreateSetting: path of the new setting
  uint64_t ReturnValue = 0;

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubStorageCapabilitiesPrimordialInterface* PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance();

// classes/config/storage_configuration_service.h
struct ZUBPROV_API stZUB_CreateOrModifyParams {
  CZubString ElementName;     // in: the new volume's name, or a modified volume's new name
  uint64_t ElementType = 0;   // in: 2 (storage volume)
  CZubString Job;             // out: "NULL" after a creation
  CZubString Goal;            // in: path of the storage setting to apply
  uint64_t Size = 0;          // in/out: requested size; the new volume's size
  CArrayT<CZubString> InElements;  // in: paths of the disk extents to use
  CZubString TheElement;      // in/out: the volume to modify (empty: create); the new volume's path
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ReturnToStoragePoolParams {
  CZubString Job;             // never written
  CZubString TheElement;      // in: path of the volume to delete
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ScsiScanParams {
  CZubString Job;             // out: "NULL"
  uint64_t ConnectionType = 0;
  CZubString OtherConnectionType;
  CArrayT<CZubString> Initiators;
  CArrayT<CZubString> Targets;
  CArrayT<CZubString> LUNs;
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_StorageConfigurationService {
  CZubString Name;                     // "ZUB_StorageConfigurationService_" + controller name
  CZubString CreationClassName;        // "ZUB_StorageConfigurationService"
  CZubString SystemCreationClassName;  // "Corvo_ZUBe3.0"
  CZubString SystemName;               // the controller's name
  CZubString ElementName;              // "Storage Configuration Server"
  CZubString Description;
  CZubString ControllerHandle;         // decimal
  uint64_t ReturnValue = 0;
  stZUB_CreateOrModifyParams CreateOrModifyParams;
  stZUB_ReturnToStoragePoolParams ReturnToStoragePoolParams;
  stZUB_ScsiScanParams ScsiScanParams;

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubStorageConfigurationServiceInterface* PROVIDER_CreateZubStorageConfigurationServiceInstance();

// classes/config/storage_setting.h
struct ZUBPROV_API stZUB_StorageSetting {
  CZubString InstanceID;
  CZubString Caption;                   // the setting's RAID level name
  CZubString ElementName;
  CZubString Description;
  uint64_t SettingOption1 = 0;          // 2
  uint64_t ExtentStripeLength = 0;      // generated: disks available in the pool; volume: 2
  uint64_t SettingOption2 = 0;          // 2
  uint64_t SettingOption3 = 0;          // 2
  uint64_t SettingOption4 = 0;          // 2
  uint64_t UserDataStripeDepth = 0;     // goal strip size, bytes
  uint64_t UserDataStripeDepthMin = 0;
  uint64_t UserDataStripeDepthMax = 0;
  uint64_t RaidInfoValue1 = 0;          // from the controller's RAID-info record
  uint64_t RaidInfoValue2 = 0;
  uint8_t NoSinglePointOfFailure = 0;
  uint64_t DataRedundancyMax = 0;
  uint64_t DataRedundancyMin = 0;
  uint64_t DataRedundancyGoal = 0;
  uint64_t PackageRedundancyMax = 0;
  uint64_t PackageRedundancyMin = 0;
  uint64_t PackageRedundancyGoal = 0;
  uint64_t ChangeableType = 0;          // 1 generated, 2 volume setting
  CZubString VolumeName;                // volume: the volume's name; generated: its InstanceID
  CArrayT<CZubString> SupportedRaidLevels;
  CArrayT<CZubString> MemberDisks;      // volume: paths of its disk extents
  CZubString RaidLevel;
  CArrayT<CZubString> SupportedCachePolicies;
  CZubString CachePolicy;
  CZubString PoolID;                    // the pool it was generated from
  uint64_t SmallestDiskBlocks = 0;      // volume: smallest SizeB of its disks
  CZubString ControllerHandle;          // volume: the controller handle, decimal

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubStorageSettingInterface* PROVIDER_CreateZubStorageSettingPrimordialInstance();

ZUB_FACTORY CZubStorageSettingInterface* PROVIDER_CreateZubStorageSettingVolumeInstance();
