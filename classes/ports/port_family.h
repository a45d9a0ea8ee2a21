// port_family.h: the ATA and the SCSI family of the port classes. Within a
// family, the logical-port, protocol-controller and protocol-endpoint classes
// and the associations between them (access_points.h) differ from the other
// family's only by the PHY protocol codes they keep and the texts they stamp
// on their records: one row of this table per family, and one class
// template per kind of class.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "classes/ports/logical_port.h"
#include "classes/ports/protocol_controller.h"
#include "classes/ports/protocol_endpoint.h"
#include "framework/event_register.h"
#include "framework/class_base.h"

struct PortFamily {
  std::span<const int64_t> protocols;  // the PHY protocol codes the family keeps

  struct LogicalPortTexts {
    const wchar_t* cimClass;      // CreationClassName
    const wchar_t* systemPrefix;  // SystemCreationClassName, before DeviceID
    const wchar_t* elementName;
    const wchar_t* caption;       // also the Description
  } logicalPort;
  struct ControllerTexts {
    const wchar_t* cimClass;
    const wchar_t* systemPrefix;  // SystemCreationClassName and Name, before DeviceID
    const wchar_t* caption;       // also the Description
  } controller;
  struct EndpointTexts {
    const wchar_t* cimClass;
    const wchar_t* systemPrefix;  // SystemCreationClassName, before the port handle
    const wchar_t* elementName;
    const wchar_t* daPortName;    // Name, before the port handle: a DA port's endpoint
    const wchar_t* logicalPortName;
    const wchar_t* daPortDescription;
    const wchar_t* logicalPortDescription;
    uint64_t protocolIFType;
  } endpoint;

  // The family's classes, for the associations that read them.
  CZubLogicalPortInterface* (*logicalPorts)();
  CZubProtocolControllerInterface* (*controllers)();
  CZubProtocolEndpointInterface* (*endpoints)();

  bool Keeps(int64_t protocol) const {
    return std::find(protocols.begin(), protocols.end(), protocol) != protocols.end();
  }
};

inline constexpr int64_t kAtaProtocols[] = {1};        // SATA
inline constexpr int64_t kScsiProtocols[] = {2, 3, 4};  // SAS, Serial Tunneling, Serial SCSI

inline constexpr PortFamily kAtaPorts = {
    kAtaProtocols,
    {L"ZUB_ATALogicalPort", L"ATAPort_", L"ATA - EndDevice", L"ATA EndDevice Port"},
    {L"ZUB_ATAProtocolController", L"ATAController_", L"ATA Protocol Controller"},
    {L"ZUB_ATAProtocolEndpoint", L"SATAEndpoint_", L"SATA Endpoint", L"SATA_DAPort_", L"SATA_Logical_",
     L"SATA Endpoint for DA Port", L"SATA Endpoint for Logical Port", 3},
    &PROVIDER_CreateZubATALogicalPortInstance,
    &PROVIDER_CreateZubATAProtocolControllerInstance,
    &PROVIDER_CreateZubATAProtocolEndpointInstance,
};

inline constexpr PortFamily kScsiPorts = {
    kScsiProtocols,
    {L"ZUB_SCSILogicalPort", L"SCSIPort_", L"SCSI - EndDevice", L"SCSI EndDevice Port"},
    {L"ZUB_SCSIProtocolController", L"SCSIController_", L"SCSI Protocol Controller"},
    {L"ZUB_SCSIProtocolEndpoint", L"SCSIEndpoint_", L"SCSI Endpoint", L"SCSI_DAPort_", L"SCSI_Logical_",
     L"SCSI Endpoint for DA Port", L"SCSI Endpoint for Logical Port", 8},
    &PROVIDER_CreateZubSCSILogicalPortInstance,
    &PROVIDER_CreateZubSCSIProtocolControllerInstance,
    &PROVIDER_CreateZubSCSIProtocolEndpointInstance,
};

// A family's class of one kind: the kind's build of every record (Base:
// CLogicalPortBase, CProtocolControllerBase or CProtocolEndpointBase), of
// which it keeps those of the family's protocols, stamped with the family's
// texts. Update: 0 (also when none is kept); 4 when the build left no
// record; the build's own status is not passed on. Re-reads its list after
// each middleware event.
template <class Base, const PortFamily& Family>
class CPortFamilyClassT : public CZubClassT<typename Base::Interface, typename Base::Record>,
                          public CRefreshAfterEventT<CPortFamilyClassT<Base, Family>> {
 public:
  // Built in one step (CListBuild): the monitor's refresh and a host may
  // rebuild the list at the same time.
  PROVIDER_STATUS Update() override {
    CListBuild<typename Base::Record> built(this->m_list, nullptr);
    CArrayT<typename Base::Record> all;
    Base::BuildAll(&all);
    if (all.GetCount() == 0) return PROVIDER_NOT_FOUND;
    for (typename Base::Record& rec : all) {
      if (!Family.Keeps(rec.Protocol)) continue;
      Base::Stamp(Family, &rec);
      built.Add(rec);
    }
    return this->UpdateDone();
  }
};
