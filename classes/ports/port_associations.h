// port_associations.h: the associations of the port controllers and
// protocol controllers:
//
// ZUB_ControlledBy: each port controller (Antecedent, in order) with every
// ATA and then every SCSI logical port (Dependent), whatever their
// controller; DeviceNumber is the logical port's Address, AccessState 1.
// ZUB_ProtocolControllerForUnit: each SCSI and then each ATA protocol
// controller (Antecedent) with each volume of the same controller
// (Dependent); DeviceAccess 2.
// ZUB_ConcreteIdentity: each port controller (SameElement) with the computer
// system of its controller (SystemElement).
//
// Update: 0 joined (for the protocol controller for unit also when there is
// nothing to join); 4 no port controller (controlled by), no port controller
// or system or not as many of each (concrete identity); 9 an object of a
// class it reads cannot be created. Every Update refreshes the classes it
// reads: ZUB_PortController, ZUB_ComputerSystem, ZUB_StorageVolume and the
// logical ports and protocol controllers of both families.
#pragma once

#include "zubprov/ports.h"
#include "framework/record_desc.h"

