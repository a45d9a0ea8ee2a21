// da_port.h: ZUB_DAPort, one direct-attached port per RAID volume: the port
// through which the volume's first member disk is reached (the port of the
// first PHY attached to that disk). Keys: CreationClassName ("ZUB_DAPort"),
// DeviceID (the port's handle: two volumes on one first disk give two DA
// ports with one DeviceID), SystemCreationClassName ("Port_" and DeviceID),
// SystemName ("Corvo_ZUBe3.0"). Caption and ProtocolName follow the PHY's
// protocol code, the speeds the link-rate rule; HealthState and
// ControllerHandle are the volume's, AttachedHandle the disk's handle.
//
// A volume gets no DA port, and the next volume is looked at, when its
// setting lists no member disk, when its first disk has no PHY, or when that
// PHY belongs to no port the middleware lists.
//
// Update: 0 listed; 4 no volume, not one volume setting per volume, a volume
// without a setting of its name, or a first member disk that is not among
// its controller's end devices (the DA ports of the volumes before it stay
// listed); 1 an end-device, port or PHY enumeration failed; 9 the volume or
// volume-setting object cannot be created. Reads ZUB_StorageVolume and
// ZUB_StorageSettingVolume (refreshing both), the end devices of each
// volume's controller, every port and the first disk's PHYs. Re-reads its
// list after each middleware event.
#pragma once

#include "classes/storage/storage_volume.h"
#include "zubprov/ports.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The DA port of `volume` through `port`, as `phy` (its first disk's first
// PHY) reports the link.
stZUB_DAPort DAPortOf(const _SSI_PortInfo& port, const _SSI_PhyInfo& phy, const stZUB_StorageVolume& volume);

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* DAPortEvents();
