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

#include "zubprov/system.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The record of one controller (Update maps every controller with it).
stZUB_Card CardOf(const _SSI_ControllerInfo& controller);
