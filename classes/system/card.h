// card.h: ZUB_Card, one instance per RAID controller: the card or chipset
// that carries the host controller. Its keys are CreationClassName
// ("ZUB_Card") and Tag, the controller's handle in decimal, so a card joins
// its controller's system (ControllerHandle) and port controller (DeviceID)
// by comparing texts. The identification number of the controller record
// stands in for model, SKU, serial number and version alike.
//
// Update: 0 listed; 4 the middleware reports no controller (also when the
// enumeration fails); 1 a reload inside the loop failed. Reads only the
// controller list.
#pragma once

#include "framework/interfaces.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

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

// The record of one controller (Update maps every controller with it).
stZUB_Card CardOf(const _SSI_ControllerInfo& controller);
