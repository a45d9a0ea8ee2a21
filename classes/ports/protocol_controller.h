// protocol_controller.h: ZUB_ATAProtocolController and
// ZUB_SCSIProtocolController, one protocol controller per DA port (one per
// volume, da_port.h), for the disk the DA port reaches: the ATA class keeps
// those of SATA DA ports (protocol 1), the SCSI class those of SAS, Serial
// Tunneling and Serial SCSI ones (2, 3, 4). Keys: CreationClassName (the
// class), DeviceID (the disk's end-device handle: two volumes on one first
// disk give two controllers with one DeviceID), SystemCreationClassName
// ("ATAController_" or "SCSIController_" and DeviceID), SystemName
// ("Corvo_ZUBe3.0"); Name repeats SystemCreationClassName. PhyCount counts
// the PHYs of the DA port's controller (0 when they cannot be read).
//
// Update: 0 listed (also when no DA port is of the class's protocols); 4 no
// DA port, or the DA-port object cannot be created. Reads ZUB_DAPort
// (refreshing it, and so the volumes and their settings) and each
// controller's PHYs. Both classes re-read their list after each middleware
// event.
#pragma once

#include "zubprov/ports.h"
#include "framework/record_desc.h"

struct PortFamily;

// What the two classes share (port_family.h puts it together with a
// family's table).
class CProtocolControllerBase {
 public:
  using Interface = CZubProtocolControllerInterface;
  using Record = stZUB_ProtocolController;

  // One record per DA port, in their order, without the class texts.
  // Returns 0; 4 no DA port; 9 the DA-port object cannot be created.
  static PROVIDER_STATUS BuildAll(CArrayT<stZUB_ProtocolController>* out);
  static void Stamp(const PortFamily& family, stZUB_ProtocolController* rec);
};

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* ATAProtocolControllerEvents();
CEventRegisterInterface* SCSIProtocolControllerEvents();
