// storage_associations.h: the associations among volumes, pools and disks.
//
// ZUB_AllocatedFromStoragePool: each volume with the pool of its controller;
// SpaceConsumed is the volume's VolumeSize.
//   Update: 0; 1 no container; 4 no volume or no pool; 9 a class it reads
//   cannot be created. Reads ZUB_StorageVolume and ZUB_StoragePool.
//
// ZUB_ConcreteComponent: each disk available for a pool (usage 2, any state)
// with the pool of its controller, then the disk with the first ATA and the
// first SCSI endpoint attached to it that is not a DA port's.
//   Update: 0; 1 no container; 4 no disk extent; 9 a class it reads cannot be
//   created. Reads ZUB_StoragePool, ZUB_StorageExtentDisk,
//   ZUB_ATAProtocolEndpoint and ZUB_SCSIProtocolEndpoint (either may be
//   empty).
//
// ZUB_ConcreteDependency: each volume with each member disk of the volume
// setting of its name and controller, in the setting's order.
//   Update: 0; 1 no container; 4 no port controller, no volume or no volume
//   setting; 9 a class it reads cannot be created. Reads ZUB_PortController,
//   ZUB_StorageVolume and ZUB_StorageSettingVolume.
#pragma once

#include "zubprov/storage.h"
#include "framework/record_desc.h"

