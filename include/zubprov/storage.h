// storage.h: the records a host receives and the factories it calls for the
// disks, volumes, pools, redundancy sets and their associations.
// A record is copied out of the library by its class's GetData; a factory
// returns the class's one object. Each class's contract (what Update reads
// and returns, what its methods do) is written at its header in classes/.
#pragma once

#include <cstdint>

#include "zubprov/interfaces.h"

struct RecordDesc;  // the record descriptions (Describe) are for generic hosts

// classes/storage/disk_extent.h
struct ZUBPROV_API stZUB_StorageExtentDisk {
  CZubString CreationClassName;        // "ZUB_StorageExtentDisk"
  CZubString DeviceID;                 // end-device handle, decimal
  CZubString SystemCreationClassName;  // "Corvo_ZUBe3.0"
  CZubString SystemName;               // "Disk_" + end-device handle
  uint64_t FixedValue1 = 0;            // 2
  uint64_t DiskCategory = 0;           // 1 for usage 5 or 6, else 3
  uint64_t SizeA = 0;                  // end-device sizes, unchanged
  uint64_t SizeB = 0;
  uint64_t SizeC = 0;
  uint64_t DiskSize = 0;               // what pools add up and offer
  int64_t DiskUsage = 0;               // 1 member, 2 available, 4 spare; also 0, 5, 6
  int64_t DiskState = 0;               // 3 failed, 4 failure predicted, 6 normal
  int64_t DeviceValue1 = 0;
  int64_t DeviceValue2 = 0;
  CZubString FirmwareRevision;
  CZubString Model;
  CZubString SerialNumber;
  CZubString EndDeviceHandle;          // decimal
  CZubString ControllerHandle;         // the controller it was enumerated under, decimal
  uint8_t AvailableForPool = 0;        // usage 2 or 6 and not barred from pools
  uint8_t DeviceFlag = 0;              // barred from pools

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubStorageExtentDiskInterface* PROVIDER_CreateZubStorageExtentDiskInstance();

// classes/storage/redundancy_set.h
struct ZUBPROV_API stZUB_StorageRedundancySet {
  CZubString InstanceID;                  // type prefix + counter of that type
  CZubString ElementName;                 // "ZUBe storage redundancy set"
  CZubString Caption;                     // the same
  CZubString Description;                 // the same
  uint64_t RedundancyStatus = 0;          // 2 a healthy spare is available, else 4
  uint64_t MinNumberNeeded = 0;           // 1
  uint64_t MaxNumberSupported = 0;        // the port controller's NumberOfPhys
  CZubString Name;                        // "ZUBe storage redundancy set"
  uint64_t LoadBalanceAlgorithm = 0;      // 1 (other)
  CZubString OtherLoadBalanceAlgorithm;   // "Algorithm dependent on RAID volume target"
  CZubString ControllerHandle;            // the port controller's InstanceID
  uint64_t LargestSpareSize = 0;          // largest SizeB of the healthy spares, 0 for none
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_MemberOfCollection {
  CZubString Collection;  // the redundancy set
  CZubString Member;      // a disk extent
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_HostedCollection {
  CZubString Dependent;   // the redundancy set
  CZubString Antecedent;  // the computer system
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_IsSpare {
  CZubString Dependent;     // the redundancy set
  CZubString Antecedent;    // the spare disk extent
  uint64_t SpareStatus = 0; // 2
  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubStorageRedundancySetInterface* PROVIDER_CreateZubStorageRedundancySetInstance();

ZUB_FACTORY CZubMemberOfCollectionInterface* PROVIDER_CreateZubMemberOfCollectionInstance();

ZUB_FACTORY CZubHostedCollectionInterface* PROVIDER_CreateZubHostedCollectionInstance();

ZUB_FACTORY CZubIsSpareInterface* PROVIDER_CreateZubIsSpareInstance();

// classes/storage/storage_associations.h
struct ZUBPROV_API stZUB_AllocatedFromStoragePool {
  CZubString Dependent;        // the volume
  CZubString Antecedent;       // the pool
  uint64_t SpaceConsumed = 0;  // the volume's VolumeSize
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ConcreteComponent {
  CZubString GroupComponent;  // the pool (or a protocol endpoint)
  CZubString PartComponent;   // the disk extent
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ConcreteDependency {
  CZubString Dependent;   // the volume
  CZubString Antecedent;  // the disk extent
  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubAllocatedFromStoragePoolInterface* PROVIDER_CreateZubAllocatedFromStoragePoolInstance();

ZUB_FACTORY CZubConcreteComponentInterface* PROVIDER_CreateZubConcreteComponentInstance();

ZUB_FACTORY CZubConcreteDependencyInterface* PROVIDER_CreateZubConcreteDependencyInstance();

// classes/storage/storage_pool.h
struct ZUBPROV_API stZUB_StoragePool {
  CZubString InstanceID;        // the controller handle, decimal
  CZubString PoolID;            // "Primordial_" + InstanceID
  uint8_t Primordial = 0;       // 1
  uint64_t FixedSpace = 0;      // 0
  uint64_t AvailableSpace = 0;  // DiskSize of the available, healthy disks
  uint64_t FixedValue1 = 0;     // 5
  CZubString ElementName;       // "Unallocated Storage Pool"
  CZubString Caption;           // PoolID
  CZubString Description;       // "Unallocated Storage Pool"
  uint64_t FixedValue2 = 0;     // 19
  CZubString ControllerHandle;  // the port controller's InstanceID
  CZubString ControllerName;    // the port controller's ElementName
  // Method parameters.
  uint64_t SizesElementType = 0;
  CZubString SizesGoal;
  CArrayT<uint64_t> Sizes;
  uint64_t RangeElementType = 0;
  CZubString RangeGoal;
  uint64_t MinimumVolumeSize = 0;
  uint64_t MaximumVolumeSize = 0;
  uint64_t VolumeSizeDivisor = 0;
  CZubString ExtentsGoal;
  CArrayT<CZubString> AvailableExtents;
  uint64_t ReturnValue = 0;

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubStoragePoolInterface* PROVIDER_CreateZubStoragePoolInstance();

// classes/storage/storage_volume.h
struct ZUBPROV_API stZUB_StorageVolume {
  CZubString CreationClassName;        // "ZUB_StorageVolume"
  CZubString DeviceID;                 // name "_" handle
  CZubString SystemCreationClassName;  // "Corvo_ZUBe3.0"
  CZubString SystemName;               // "Volume_" handle
  CZubString ElementName;              // the volume's name
  CZubString Caption;                  // RaidLevel
  uint64_t FixedValue1 = 0;            // 0
  uint64_t FixedValue2 = 0;            // 0
  uint64_t FixedValue3 = 0;            // 2
  uint64_t FixedValue4 = 0;            // 2
  CZubString Description;              // "Volume storage of type: " RaidLevel
  uint8_t RedundancyFlag = 0;          // NoSinglePointOfFailure
  uint8_t FixedFlag = 0;               // 0
  uint8_t NoSinglePointOfFailure = 0;
  uint64_t DataRedundancy = 0;
  uint64_t PackageRedundancy = 0;
  uint64_t HealthState = 0;
  CZubString RaidLevel;                // "RAID5", or "Invalid or Unknown"
  uint64_t VolumeSize = 0;
  int64_t StripSize = 0;               // bytes
  uint64_t NumberOfDisks = 0;
  uint8_t VolumeFlag = 0;
  int64_t VolumeState = 0;             // the middleware's, unchanged
  CZubString CachePolicy;
  CZubString ControllerHandle;         // decimal; empty when no controller owns its disks
  CZubString VolumeHandle;             // decimal
  CZubString ArrayHandle;              // decimal

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubStorageVolumeInterface* PROVIDER_CreateZubStorageVolumeInstance();
