// system.h: the records a host receives and the factories it calls for the
// systems, cards, port controllers, products, alarm devices and system
// devices.
// A record is copied out of the library by its class's GetData; a factory
// returns the class's one object. Each class's contract (what Update reads
// and returns, what its methods do) is written at its header in classes/.
#pragma once

#include <cstdint>

#include "zubprov/interfaces.h"

struct RecordDesc;  // the record descriptions (Describe) are for generic hosts

// classes/system/alarm_device.h
struct ZUBPROV_API stZUB_AlarmDevice {
  CZubString DeviceID;                 // PHY number and PHY handle, decimal, no separator
  CZubString CreationClassName;        // "ZUB_AlarmDevice"
  CZubString SystemName;               // "Corvo_ZUBe3.0"
  CZubString SystemCreationClassName;  // "CIM_AlarmDevice"
  CZubString Name;                     // "PHY Locator"
  CZubString Caption;                  // "Visual locator"
  CZubString Description;              // "Visual locator to map logical to physical for device: " + PHY number
  uint8_t AudibleAlarm = 0;            // 0
  uint8_t Reserved1 = 0;
  uint8_t MotionAlarm = 0;             // 0
  uint64_t Urgency = 0;                // 0
  uint64_t AlarmState = 0;             // 1
  uint8_t VisibleAlarm = 0;            // 1
  uint8_t Reserved2 = 0;
  uint8_t Enabled = 0;                 // 1
  uint64_t ReturnValue = 0;            // out of SetAlarmIndicator
  uint64_t Reserved3 = 0;
  uint64_t State = 0;                  // in of SetAlarmIndicator: 1 off, other non-zero on
  uint64_t Reserved4 = 0;
  CZubString PhyHandle;                // decimal
  CZubString EndDeviceHandle;          // the disk's handle, decimal
  CZubString ControllerHandle;         // decimal

  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_AssociatedAlarm {
  CZubString Antecedent;  // the alarm device
  CZubString Dependent;   // the disk extent it locates

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubAlarmDeviceInterface* PROVIDER_CreateZubAlarmDeviceInstance();

ZUB_FACTORY CZubAssociatedAlarmInterface* PROVIDER_CreateZubAssociatedAlarmInstance();

// classes/system/card.h
struct ZUBPROV_API stZUB_Card {
  uint64_t OperationalStatus = 0;   // 2 (OK)
  uint8_t PoweredOn = 0;            // 1
  CZubString Caption;               // the controller's name
  CZubString Description;           // the controller's name
  uint64_t PackageType = 0;         // 1 (other)
  CZubString OtherPackageType;      // "KRL Chipset"
  CZubString ElementName;           // the controller's name
  CZubString Model;                 // the identification number, decimal
  CZubString SKU;                   // the identification number
  CZubString Manufacturer;          // "Corvo_" and the identification number
  CZubString SerialNumber;          // the identification number
  CZubString Version;               // the identification number
  CZubString Name;                  // identification number, "_", controller name
  CZubString CreationClassName;     // "ZUB_Card"
  CZubString Tag;                   // the controller's handle, decimal

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubCardInterface* PROVIDER_CreateZubCardInstance();

// classes/system/computer_system.h
struct ZUBPROV_API stZUB_ComputerSystem {
  CZubString NameFormat;          // "HID"
  CArrayT<uint64_t> Dedicated;    // 30 (host-based RAID controller), 15 (block server)
  CZubString CreationClassName;   // "Corvo_ZUBe3.0"
  CZubString Name;                // the controller's name
  CZubString ControllerHandle;    // the controller's handle, decimal

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubComputerSystemInterface* PROVIDER_CreateZubComputerSystemInstance();

// classes/system/port_controller.h
struct ZUBPROV_API stZUB_PortController {
  uint64_t ControllerType = 0;          // 1 (other)
  CZubString Caption;                   // "Host Controller " and the controller's name
  int64_t HostControllerType = 0;       // the controller type: 1 AHCI, 2 DOX
  uint64_t Revision = 0;                // the controller's revision
  CZubString ElementName;               // the controller's name
  CZubString Description;               // the controller's name
  CZubString Name;                      // the controller's name
  uint64_t NumberOfPhys = 0;            // PHYs of an AHCI controller; 0 for any other
  uint8_t FeatureEnabled = 0;           // 1 when the controller's feature flag is set
  CZubString InstanceID;                // the controller's handle, decimal
  CZubString Identifier;                // the controller's handle, decimal
  CZubString Address;                   // the address rule on the controller record
  CZubString DeviceID;                  // the controller's handle, decimal
  CZubString SystemName;                // the controller's name
  CZubString SystemCreationClassName;   // "Corvo_ZUBe3.0"
  CZubString CreationClassName;         // "ZUB_PortController"

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubPortControllerInterface* PROVIDER_CreateZubPortControllerInstance();

// classes/system/product.h
struct ZUBPROV_API stZUB_Product {
  CZubString Name;               // kind prefix + the object's own text
  CZubString IdentifyingNumber;  // the object's handle, decimal
  CZubString Vendor;
  CZubString Version;
  CZubString Description;        // per kind
  CZubString ElementName;        // per kind
  CZubString CreationClassName;  // "ZUB_ProductHBA", ...
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ProductPhysicalComponent {
  CZubString GroupComponent;  // the product
  CZubString PartComponent;   // the card
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ComputerSystemPackage {
  CZubString Dependent;   // the computer system
  CZubString Antecedent;  // the card
  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_Realizes {
  CZubString Dependent;   // the port controller
  CZubString Antecedent;  // the card
  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubProductInterface* PROVIDER_CreateZubProductHBAInstance();

ZUB_FACTORY CZubProductInterface* PROVIDER_CreateZubProductDiskInstance();

ZUB_FACTORY CZubProductInterface* PROVIDER_CreateZubProductEnclosureInstance();

ZUB_FACTORY CZubProductInterface* PROVIDER_CreateZubProductRouterInstance();

ZUB_FACTORY CZubProductPhysicalComponentInterface* PROVIDER_CreateZubProductPhysicalComponentInstance();

ZUB_FACTORY CZubComputerSystemPackageInterface* PROVIDER_CreateZubComputerSystemPackageInstance();

ZUB_FACTORY CZubRealizesInterface* PROVIDER_CreateZubRealizesInstance();

// classes/system/system_device.h
struct ZUBPROV_API stZUB_SystemDevice {
  CZubString GroupComponent;  // the computer system
  CZubString PartComponent;   // the device

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubSystemDeviceInterface* PROVIDER_CreateZubSystemDeviceInstance();
