// alarm_device.h: ZUB_AlarmDevice, the visual locator of every disk whose
// PHY the middleware lists: the locate light of that PHY. For each
// controller in order and each of its disks (end devices) in order, the
// first PHY of the system attached to the disk gives one alarm device; a disk
// without such a PHY has none. DeviceID is the PHY number followed by the
// PHY handle, in decimal without a separator.
//
// SetAlarmIndicator switches the locator of the instance whose four keys
// `rec` carries: State 1 switches it off (middleware mode 0), any other
// non-zero State on (mode 1), State 0 does nothing. It always answers
// status 0 and ReturnValue 0 (11 for a null record), also when no instance
// matches or the middleware fails. It works on the list as last built.
//
// Update: 0 listed; 4 the middleware reports no controller; 1 the PHY or an
// end-device enumeration failed (the records appended so far stay). Reads
// the controllers, every PHY and each controller's end devices. Re-reads
// its list after every middleware event.
//
// ZUB_AssociatedAlarm joins each alarm device with the disk extent it
// locates (same EndDeviceHandle). Update: 0; 4 when either list is empty or
// they differ in length (a disk without locator empties the association);
// 9 when either object cannot be created. Reads ZUB_AlarmDevice and
// ZUB_StorageExtentDisk.
#pragma once

#include "zubprov/system.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The record of the locator of `disk` (enumerated under `controller`) on `phy`.
stZUB_AlarmDevice AlarmDeviceOf(const _SSI_PhyInfo& phy, const _SSI_EndDeviceInfo& disk, SSI_HANDLE controller);

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* AlarmDeviceEvents();
