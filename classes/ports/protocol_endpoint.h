// protocol_endpoint.h: ZUB_ATAProtocolEndpoint and ZUB_SCSIProtocolEndpoint,
// the protocol endpoints of the ports: one per DA port (da_port.h), then one
// per logical port (logical_port.h, all of them, whatever the logical-port
// classes keep). The ATA class keeps the SATA endpoints (protocol 1), the
// SCSI class the SAS, Serial Tunneling and Serial SCSI ones (2, 3, 4). Keys:
// CreationClassName (the class), Name ("SATA_DAPort_", "SATA_Logical_",
// "SCSI_DAPort_" or "SCSI_Logical_" and the port's handle),
// SystemCreationClassName ("SATAEndpoint_" or "SCSIEndpoint_" and the
// port's handle), SystemName ("Corvo_ZUBe3.0"). References to an endpoint
// name its keys in this order, also under the general class
// ZUB_ProtocolEndpoint. IsDAPortEndpoint tells the two kinds apart;
// PortHandle, ControllerHandle and AttachedHandle (the disk) are decimal
// handle texts for joins.
//
// Update: 0 listed (also when no endpoint is of the class's protocols); 4
// nothing to build from (no DA port and no logical port), or the DA-port
// object cannot be created. A DA-port refresh that fails is not reported:
// the endpoints of the logical ports are listed. Reads ZUB_DAPort (refreshing it) and builds the
// logical ports of every protocol itself. Both classes re-read their list
// after each middleware event.
#pragma once

#include "zubprov/ports.h"
#include "framework/record_desc.h"

struct PortFamily;

// What the two classes share (port_family.h puts it together with a
// family's table).
class CProtocolEndpointBase {
 public:
  using Interface = CZubProtocolEndpointInterface;
  using Record = stZUB_ProtocolEndpoint;

  // One record per DA port, then one per logical port of every protocol,
  // without the class texts. Returns 0; 9 the DA-port object cannot be
  // created (nothing is built then).
  static PROVIDER_STATUS BuildAll(CArrayT<stZUB_ProtocolEndpoint>* out);
  static void Stamp(const PortFamily& family, stZUB_ProtocolEndpoint* rec);
};

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* ATAProtocolEndpointEvents();
CEventRegisterInterface* SCSIProtocolEndpointEvents();
