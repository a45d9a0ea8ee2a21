// system_device.h: ZUB_SystemDevice, each computer system (GroupComponent)
// with every logical device of its controller (PartComponent; equal
// controller-handle texts): grouped by system in the systems' order, and
// within a system in the order DA ports, SCSI protocol controllers, ATA
// protocol controllers, ATA logical ports, SCSI logical ports, storage
// volumes, alarm devices, each class in its own order. A device of no
// listed controller (a volume whose disks no controller claims) is in no
// record.
//
// Update: 0 joined; 4 no computer system; 1 an object of a class it reads
// cannot be created. Every Update refreshes the classes it reads:
// ZUB_ComputerSystem, ZUB_DAPort, the protocol controllers and logical
// ports of both families, ZUB_StorageVolume, ZUB_AlarmDevice.
#pragma once

#include "zubprov/system.h"
#include "framework/record_desc.h"

