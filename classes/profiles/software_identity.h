// software_identity.h: ZUB_SoftwareIdentity, the software of the RAID
// stack: one driver identity per controller (in controller order; its
// InstanceID the controller's name, its version the driver version text),
// then this provider ("ZUBe:CIMProvider", "3.0.0.8000"), then the
// middleware ("ZUBe:ABRU2", its system-information version), listed only
// when the middleware answers and its version text is a known version.
// Version numbers come from "%d.%d.%d.%d" and are set only when all four are
// read and one of them is not 0 (SoftwareVersionOf).
//
// Update: always 0. No controller, or a controller list that cannot be
// reloaded, only leaves out (further) drivers. Reads the controllers and the
// middleware's system information. After each middleware event the class
// compares the versions with those it saw at the previous event and raises
// a software-updated alert for each identity whose VersionString changed
// (SoftwareChanges).
//
// ZUB_ElementSoftwareIdentity joins every computer system with every
// software identity (ElementSoftwareStatus 6). Update: 0; 4 when either list
// is empty; 1 when the host's names cannot be read; 9 when either object
// cannot be created. Reads ZUB_ComputerSystem and ZUB_SoftwareIdentity.
#pragma once

#include <vector>

#include "zubprov/profiles.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The version numbers of a version text: all four, or nothing when fewer
// than four are read or all are 0.
struct SoftwareVersion {
  bool known = false;
  int32_t numbers[4] = {};
};
SoftwareVersion SoftwareVersionOf(const CZubString& text);

// The identity of a controller's driver, from its controller record.
stZUB_SoftwareIdentity DriverIdentityOf(const _SSI_ControllerInfo& controller);

// The identities whose VersionString changed, in list order: the records of
// `current` at the positions where `previous` has another text; none when
// the two lists differ in length (software came or went).
std::vector<const stZUB_SoftwareIdentity*> SoftwareChanges(const CArrayT<stZUB_SoftwareIdentity>& previous,
                                                           const CArrayT<stZUB_SoftwareIdentity>& current);

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* SoftwareIdentityEvents();
