// capability_associations.h: capabilities and settings joined to the
// elements they describe. References are built on the container's host and
// namespace (empty texts when it cannot be obtained, except where noted).
//
// ZUB_ElementCapabilities: each pool with the storage capabilities of its
// controller (pool order, then capabilities order), then each computer
// system with the spare configuration capabilities of its controller.
//   Update: 0, also when nothing joins; 1 a class it reads cannot be created.
//   Reads ZUB_StoragePool, ZUB_StorageCapabilitiesPrimordial,
//   ZUB_ComputerSystem and ZUB_SpareConfigurationCapabilities.
//
// ZUB_StorageSettingsGeneratedFromCapabilities: each storage capabilities
// record with each primordial setting generated from it, i.e. whose PoolID is
// "Primordial_" followed by the capabilities' InstanceID.
//   Update: 0; 4 no capabilities or no primordial setting; 9 a class it reads
//   cannot be created. Reads ZUB_StorageCapabilitiesPrimordial and
//   ZUB_StorageSettingPrimordial.
//
// ZUB_StorageSettingsAssociatedToCapabilities: a copy of the generated-from
// list, in its order.
//   Update: 0; 9 that class cannot be created. Reads
//   ZUB_StorageSettingsGeneratedFromCapabilities.
//
// ZUB_ElementSettingData: each volume with each volume setting of its name,
// whatever the controller; IsDefault 0, IsCurrent 1, IsNext 2.
//   Update: 0; 1 no container; 4 no volume or no volume setting; 9 a class it
//   reads cannot be created. Reads ZUB_StorageVolume and
//   ZUB_StorageSettingVolume.
#pragma once

#include "framework/interfaces.h"
#include "framework/record_desc.h"

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
