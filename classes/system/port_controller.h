// port_controller.h: ZUB_PortController, one instance per RAID controller:
// the logical port controller. Its keys are CreationClassName
// ("ZUB_PortController"), DeviceID (the controller's handle in decimal),
// SystemCreationClassName and SystemName (the controller's name); InstanceID
// and Identifier repeat the handle text, so the controller's card (Tag) and
// system (ControllerHandle) join by comparing texts. Address follows the
// address rule of ports (classes/ports/port_rules.h) on the controller
// record itself; a port attached to the controller plays no part.
//
// Update: 0 listed; 4 the middleware reports no controller (also when the
// enumeration fails); 1 a reload inside the loop failed. Reads the
// controller list and, for each AHCI controller, its PHY list (NumberOfPhys);
// a PHY list that cannot be read counts 0 PHYs and is no failure.
#pragma once

#include "zubprov/system.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The record of one controller with `numberOfPhys` PHYs (Update passes
// NumberOfPhys(controller)).
stZUB_PortController PortControllerOf(const _SSI_ControllerInfo& controller, uint64_t numberOfPhys);

// The PHY count of an AHCI controller as the middleware lists it
// (ControllerPhyCount); 0 for every other type, without a middleware call.
uint64_t NumberOfPhys(const _SSI_ControllerInfo& controller);
