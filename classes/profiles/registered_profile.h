// registered_profile.h: the management profiles the provider implements,
// for clients that discover it through the interop namespace.
//
// ZUB_RegisteredProfile: the eight profiles of a fixed table (Host Hardware
// RAID Controller first), InstanceID the entry's prefix ("SNIA:", or "CIM:"
// for Physical Asset) followed by its index, AdvertiseTypes [3]. Update:
// always 0; reads nothing.
//
// References to a profile name the registration class
// "ZUB_Corvo_ProfileRegistration_RegisteredProfile_v3_0" (key InstanceID);
// hosts resolve them to ZUB_RegisteredProfile by their keys.
//
// ZUB_ReferencedProfile: every other profile (Antecedent) referenced by the
// Host Hardware RAID Controller profile (Dependent), in table order, both
// in the namespace the host handed in (a host serving the profiles in its
// interop namespace places them there). Update:
// 0; 4 with no profile; 9 when the profile object cannot be created. Reads
// ZUB_RegisteredProfile.
//
// ZUB_ElementConformsToProfile: every port controller (ManagedElement, a
// reference into "root\Corvo_ZUB") conforming to the Host Hardware RAID
// Controller profile (ConformantStandard, a reference into "root\Interop",
// whatever namespace the host handed in). Update: 0 (also with no port
// controller: the list is then empty); 4 with no profile; 1 when the
// port-controller or profile object cannot be created. Reads
// ZUB_PortController and ZUB_RegisteredProfile.
#pragma once

#include "zubprov/profiles.h"
#include "framework/record_desc.h"

// The class name references to a registered profile carry.
inline constexpr const wchar_t* kProfileRegistrationClass = L"ZUB_Corvo_ProfileRegistration_RegisteredProfile_v3_0";
