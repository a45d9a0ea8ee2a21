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

#include "zubprov/config.h"
#include "framework/record_desc.h"

