// logical_port.h: ZUB_ATALogicalPort and ZUB_SCSILogicalPort, the ports of
// the RAID stack: each port attached to a disk, and each controller's own
// port. The ATA class lists the ports whose PHY speaks SATA (protocol 1),
// the SCSI class those whose PHY speaks SAS, Serial Tunneling or Serial SCSI
// (2, 3, 4); a port whose disk has no PHY, and a controller's own port,
// have protocol 0 and are in neither. Keys: CreationClassName (the
// class), DeviceID (the port's handle), SystemCreationClassName ("ATAPort_"
// or "SCSIPort_" and the handle), SystemName ("Corvo_ZUBe3.0"). Address
// follows the address rule (port_rules.h); Speed and MaxSpeed the link-rate
// rule on the PHY's negotiated and maximum codes. ControllerHandle and
// AttachedHandle (the disk or the controller) are decimal handle texts for
// joins.
//
// Update: 0 listed (also when no port is of the class's protocols); 4 the
// build found nothing (no controller, port or PHY, or no port attached to a
// disk or a controller that has disks). A failed end-device enumeration is
// not reported: the ports built before it are listed. Reads the controllers,
// every port and every PHY, and each controller's end devices. Both classes
// re-read their list after each middleware event.
#pragma once

#include "zubprov/ports.h"
#include "framework/record_desc.h"

struct PortFamily;

// What the two classes share (port_family.h puts it together with a
// family's table).
class CLogicalPortBase {
 public:
  using Interface = CZubLogicalPortInterface;
  using Record = stZUB_LogicalPort;

  // Every port record of every protocol, without the class texts: for each
  // controller in order, for each of its end devices, the ports in the
  // middleware's order that are attached to that disk, and (once, during
  // the walk for its first disk) those attached to the controller itself;
  // then each record takes speeds and protocol from the first PHY attached
  // to the record's AttachedHandle. Returns 0; 4 (nothing) when there is no
  // controller, no port or no PHY; 1 when an end-device enumeration failed
  // (the records built before it are in *out).
  static PROVIDER_STATUS BuildAll(CArrayT<stZUB_LogicalPort>* out);
  // The texts of a family's class.
  static void Stamp(const PortFamily& family, stZUB_LogicalPort* rec);
};

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* ATALogicalPortEvents();
CEventRegisterInterface* SCSILogicalPortEvents();
