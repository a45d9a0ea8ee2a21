// storage_capabilities.h: ZUB_StorageCapabilitiesPrimordial, what the
// primordial pool of each controller can offer (redundancy from the RAID
// levels it supports and its free or spare disks, the default strip), and
// CreateSetting, which generates a primordial storage setting from it. Its
// key, InstanceID, is the pool's controller handle in decimal.
//
// Update: 0; 4 no pool or no controller; 7 the pool class is not initialised
// after its Initialize; the pool class's GetData status when that fails; 1 a
// middleware enumeration failed. Reads ZUB_StoragePool, the controllers,
// their disks and RAID levels.
//
// CreateSetting: status 0 always; ReturnValue 0 with NewSetting the path of
// the setting filed in the primordial list, 5 for a SettingType other than 2
// (default) or 3 (goal), 2 when no capabilities entry with that InstanceID
// leads to a controller, 4 for any other failure (nothing filed then).
#pragma once

#include "zubprov/config.h"
#include "framework/record_desc.h"
#include "middleware/wrappers.h"

// The redundancy a controller with `disks` free or spare disks offers, from
// its supported levels in middleware order, into the four Max/Min fields of
// `caps`; returns the largest strip value of those levels.
int32_t ApplyRaidLevels(const CArrayT<CRaidInfo::_stSupportedRaidLevelInfo>& levels, uint64_t disks,
                        stZUB_StorageCapabilitiesPrimordial* caps);

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* StorageCapabilitiesEvents();
