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

#include "framework/interfaces.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

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

// The ReturnValue of a failed middleware call in each method.
enum class ConfigMethod { CreateOrModify, ReturnToStoragePool, ScsiScan };
uint64_t MiddlewareReturnValue(ConfigMethod method, SSI_STATUS status);
