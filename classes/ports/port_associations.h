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

#include "framework/interfaces.h"
#include "framework/record_desc.h"

struct ZUBPROV_API stZUB_ControlledBy {
  CZubString Dependent;     // the logical port
  CZubString Antecedent;    // the port controller
  CZubString DeviceNumber;  // the logical port's Address
  uint64_t AccessState = 0; // 1

  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ProtocolControllerForUnit {
  CZubString Dependent;      // the volume
  CZubString Antecedent;     // the protocol controller
  uint64_t DeviceAccess = 0; // 2

  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ConcreteIdentity {
  CZubString SystemElement;  // the computer system
  CZubString SameElement;    // the port controller

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubControlledByInterface* PROVIDER_CreateZubControlledByInstance();
ZUB_FACTORY CZubProtocolControllerForUnitInterface* PROVIDER_CreateZubProtocolControllerForUnitInstance();
ZUB_FACTORY CZubConcreteIdentityInterface* PROVIDER_CreateZubConcreteIdentityInstance();
