// access_points.h: the associations of the protocol endpoints
// (protocol_endpoint.h):
//
// ZUB_ATADeviceSAPImplementation, ZUB_SCSIDeviceSAPImplementation: each
// endpoint of the family (Dependent) with each DA port and each logical port
// of the family's protocols on the endpoint's port (Antecedent; equal port
// handles), DA ports first. An endpoint made from a logical port so also
// joins the DA ports of its port, and the other way round.
// ZUB_ATASAPAvailableForElement, ZUB_SCSISAPAvailableForElement: each
// protocol controller of the family (ManagedElement) with each of the
// family's DA-port endpoints of its disk (AvailableSAP), in endpoint order.
// ZUB_HostedAccessPoint: each computer system (Antecedent) with every
// endpoint of its controller (Dependent, named under the general class
// ZUB_ProtocolEndpoint), grouped by system, SCSI endpoints before ATA ones.
//
// Update: 0 joined; 4 no endpoint of the family (device SAP
// implementation), no endpoint or no protocol controller of the family (SAP
// available for element), no computer system (hosted access point); 9 an
// object of a class it reads cannot be created. Every Update refreshes the
// classes it reads: the family's endpoints, controllers and logical ports,
// ZUB_DAPort, ZUB_ComputerSystem.
#pragma once

#include "zubprov/ports.h"
#include "framework/record_desc.h"

// The general class ZUB_HostedAccessPoint names every endpoint under.
inline constexpr const wchar_t* kGeneralEndpointClass = L"ZUB_ProtocolEndpoint";

