// ports.h: the records a host receives and the factories it calls for the
// logical and DA ports, protocol controllers and endpoints and their
// associations.
// A record is copied out of the library by its class's GetData; a factory
// returns the class's one object. Each class's contract (what Update reads
// and returns, what its methods do) is written at its header in classes/.
#pragma once

#include <cstdint>

#include "zubprov/interfaces.h"

struct RecordDesc;  // the record descriptions (Describe) are for generic hosts

// classes/ports/access_points.h
struct ZUBPROV_API stZUB_DeviceSAPImplementation {
  CZubString Dependent;   // the endpoint
  CZubString Antecedent;  // the DA port or logical port

  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_SAPAvailableForElement {
  CZubString ManagedElement;  // the protocol controller
  CZubString AvailableSAP;    // the endpoint

  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_HostedAccessPoint {
  CZubString Dependent;   // the endpoint
  CZubString Antecedent;  // the computer system

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubDeviceSAPImplementationInterface* PROVIDER_CreateZubATADeviceSAPImplementationInstance();

ZUB_FACTORY CZubDeviceSAPImplementationInterface* PROVIDER_CreateZubSCSIDeviceSAPImplementationInstance();

ZUB_FACTORY CZubSAPAvailableForElementInterface* PROVIDER_CreateZubATASAPAvailableForElementInstance();

ZUB_FACTORY CZubSAPAvailableForElementInterface* PROVIDER_CreateZubSCSISAPAvailableForElementInstance();

ZUB_FACTORY CZubHostedAccessPointInterface* PROVIDER_CreateZubHostedAccessPointInstance();

// classes/ports/da_port.h
struct ZUBPROV_API stZUB_DAPort {
  CZubString DeviceID;                 // the port's handle, decimal
  CZubString CreationClassName;        // "ZUB_DAPort"
  CZubString SystemCreationClassName;  // "Port_" and DeviceID
  CZubString SystemName;               // "Corvo_ZUBe3.0"
  CZubString ProtocolName;             // "ATA" (1), "Unknown" (0), "SCSI" (any other code)
  uint64_t PortType = 0;               // 81
  uint64_t UsageRestriction = 0;       // 2
  uint64_t EnabledState = 0;           // 2
  CArrayT<uint64_t> StatusList;        // 2
  CZubString Caption;                  // the protocol's text and " Port": "SATA Port", "SAS Port", ...
  CZubString Description;              // as Caption
  uint64_t MaxSpeed = 0;               // link rate of the PHY's maximum code
  uint64_t Speed = 0;                  // link rate of the PHY's negotiated code
  int64_t Protocol = 0;                // the PHY's protocol code
  uint64_t HealthState = 0;            // the volume's
  CZubString ControllerHandle;         // the volume's
  CZubString AttachedHandle;           // the port's attached handle (the disk), decimal

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubDAPortInterface* PROVIDER_CreateZubDAPortInstance();

// classes/ports/logical_port.h
struct ZUBPROV_API stZUB_LogicalPort {
  CZubString DeviceID;                 // the port's handle, decimal
  CZubString CreationClassName;        // "ZUB_ATALogicalPort", "ZUB_SCSILogicalPort"
  CZubString SystemCreationClassName;  // "ATAPort_", "SCSIPort_" and DeviceID
  CZubString SystemName;               // "Corvo_ZUBe3.0"
  uint64_t PortType = 0;               // 1
  CZubString ElementName;              // "ATA - EndDevice", "SCSI - EndDevice"
  uint64_t UsageRestriction = 0;       // 2 attached to a disk, 3 attached to the controller
  uint64_t EnabledState = 0;           // 2
  CArrayT<uint64_t> StatusList;        // 0, 2, 3, 6
  CZubString Caption;                  // "ATA EndDevice Port", "SCSI EndDevice Port"
  CZubString Description;              // as Caption
  uint64_t MaxSpeed = 0;               // link rate of the PHY's maximum code; 0 without PHY
  uint64_t Speed = 0;                  // link rate of the PHY's negotiated code; 0 without PHY
  uint64_t LinkCode = 0;               // 5
  CZubString Address;                  // the address rule
  CZubString ControllerHandle;         // decimal
  CZubString AttachedHandle;           // the disk's or the controller's handle, decimal
  int64_t Protocol = 0;                // the PHY's protocol code; 0 without PHY

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubLogicalPortInterface* PROVIDER_CreateZubATALogicalPortInstance();

ZUB_FACTORY CZubLogicalPortInterface* PROVIDER_CreateZubSCSILogicalPortInstance();

// classes/ports/port_associations.h
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

// classes/ports/protocol_controller.h
struct ZUBPROV_API stZUB_ProtocolController {
  CZubString DeviceID;                 // the DA port's AttachedHandle (the disk)
  CZubString CreationClassName;        // "ZUB_ATAProtocolController", "ZUB_SCSIProtocolController"
  CZubString SystemCreationClassName;  // "ATAController_", "SCSIController_" and DeviceID
  CZubString SystemName;               // "Corvo_ZUBe3.0"
  CZubString Name;                     // as SystemCreationClassName
  uint64_t Reserved = 0;               // 0
  CZubString NameFormat;               // "Class Name | DeviceID"
  uint64_t PhyCount = 0;               // PHYs of the DA port's controller
  CZubString Caption;                  // "ATA Protocol Controller", "SCSI Protocol Controller"
  CZubString Description;              // as Caption
  CArrayT<uint64_t> StatusList;        // the DA port's
  uint64_t HealthState = 0;            // the DA port's
  CZubString ControllerHandle;         // the DA port's
  int64_t Protocol = 0;                // the DA port's

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubProtocolControllerInterface* PROVIDER_CreateZubATAProtocolControllerInstance();

ZUB_FACTORY CZubProtocolControllerInterface* PROVIDER_CreateZubSCSIProtocolControllerInstance();

// classes/ports/protocol_endpoint.h
struct ZUBPROV_API stZUB_ProtocolEndpoint {
  CZubString Name;                     // the kind's prefix and PortHandle
  CZubString CreationClassName;        // "ZUB_ATAProtocolEndpoint", "ZUB_SCSIProtocolEndpoint"
  CZubString SystemCreationClassName;  // "SATAEndpoint_", "SCSIEndpoint_" and PortHandle
  CZubString SystemName;               // "Corvo_ZUBe3.0"
  CZubString NameFormat;               // "Protocol|Porthandle"
  uint64_t ProtocolIFType = 0;         // 3 ATA, 8 SCSI
  uint64_t EndpointKind = 0;           // 3
  CZubString ElementName;              // "SATA Endpoint", "SCSI Endpoint"
  CZubString Description;              // "SATA Endpoint for DA Port", ... for Logical Port
  CArrayT<uint64_t> StatusList;        // the port's
  uint64_t SourceValue = 0;            // a DA port's HealthState, a logical port's LinkCode
  CZubString PortHandle;               // the port's DeviceID (its handle)
  CZubString ControllerHandle;         // the port's
  CZubString AttachedHandle;           // the port's
  int64_t Protocol = 0;                // the port's
  uint8_t IsDAPortEndpoint = 0;        // 1 made from a DA port, 0 from a logical port

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubProtocolEndpointInterface* PROVIDER_CreateZubATAProtocolEndpointInstance();

ZUB_FACTORY CZubProtocolEndpointInterface* PROVIDER_CreateZubSCSIProtocolEndpointInstance();
