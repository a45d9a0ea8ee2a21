// storage_configuration_service.h: ZUB_StorageConfigurationService, one
// service per port controller, through which a client creates, modifies and
// deletes volumes and asks the RAID stack to rescan. Its methods work on the
// lists of other classes as the host last built them: the primordial and
// volume settings (a creation's or modification's goal), the pools, the disk
// extents and the volumes.
//
// Update: 0; 4 no port controller; 1 the port-controller object is missing.
// Reads ZUB_PortController.
//
// Methods: status 0 always (11 for a null record); the outcome in ReturnValue:
// 0 success; 5 rejected input (element type not 2, no disk or a name of more
// than 17 characters for a creation, a reference lacking a key the method
// reads, a volume reference of another class); 4 anything not found; a
// failed middleware call by the translation table (MiddlewareReturnValue).
#pragma once

#include "zubprov/config.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The ReturnValue of a failed middleware call in each method.
enum class ConfigMethod { CreateOrModify, ReturnToStoragePool, ScsiScan };
uint64_t MiddlewareReturnValue(ConfigMethod method, SSI_STATUS status);
