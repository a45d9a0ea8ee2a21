// computer_system.h: ZUB_ComputerSystem, one instance per RAID controller,
// the scoping system every other element names as its owner. Other classes
// find the system of a controller by comparing their controller-handle text
// with ControllerHandle.
//
// Update: 0 listed; 4 the middleware reports no controller (also when the
// enumeration fails); 1 a reload inside the loop failed. Reads only the
// controller list.
#pragma once

#include "zubprov/system.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The record of one controller (Update maps every controller with it).
stZUB_ComputerSystem ComputerSystemOf(const _SSI_ControllerInfo& controller);
