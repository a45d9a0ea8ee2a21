// protocol_endpoint.cpp: the protocol endpoints of the DA ports and the
// logical ports, and the ATA and SCSI classes that list them.
#include "classes/ports/protocol_endpoint.h"

#include "classes/ports/da_port.h"
#include "classes/ports/port_family.h"
#include "classes/tables.h"
#include "framework/association.h"

ZUB_DESCRIBE(stZUB_ProtocolEndpoint,
    ZUB_FIELD(Name).Key(2),
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(NameFormat),
    ZUB_FIELD(ProtocolIFType).Cim(CimType::UInt16),
    ZUB_FIELD(EndpointKind).Cim(CimType::UInt16),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Description),
    ZUB_FIELD(StatusList).Cim(CimType::UInt16),
    ZUB_FIELD(SourceValue).Cim(CimType::UInt16),
    ZUB_FIELD(PortHandle).Internal(),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(AttachedHandle).Internal(),
    ZUB_FIELD(Protocol).Internal(),
    ZUB_FIELD(IsDAPortEndpoint).Cim(CimType::Boolean))

namespace {

// The endpoint of a DA port or a logical port (both name the port's handle
// DeviceID).
template <class Port>
stZUB_ProtocolEndpoint EndpointOf(const Port& port, uint64_t sourceValue, uint8_t isDAPort) {
  stZUB_ProtocolEndpoint rec;
  rec.SystemName = kSystemCreationClassName;
  rec.NameFormat = L"Protocol|Porthandle";
  rec.EndpointKind = 3;
  rec.StatusList = port.StatusList;
  rec.SourceValue = sourceValue;
  rec.PortHandle = port.DeviceID;
  rec.ControllerHandle = port.ControllerHandle;
  rec.AttachedHandle = port.AttachedHandle;
  rec.Protocol = port.Protocol;
  rec.IsDAPortEndpoint = isDAPort;
  return rec;
}

}  // namespace

PROVIDER_STATUS CProtocolEndpointBase::BuildAll(CArrayT<stZUB_ProtocolEndpoint>* out) {
  out->RemoveAll();
  CArrayT<stZUB_DAPort> daPorts;
  if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubDAPortInstance>(&daPorts, ListNeed::Rebuilt)) return s;
  CArrayT<stZUB_LogicalPort> logicalPorts;
  CLogicalPortBase::BuildAll(&logicalPorts);
  for (const stZUB_DAPort& port : daPorts) out->Add(EndpointOf(port, port.HealthState, 1));
  for (const stZUB_LogicalPort& port : logicalPorts) out->Add(EndpointOf(port, port.LinkCode, 0));
  return PROVIDER_SUCCESS;
}

void CProtocolEndpointBase::Stamp(const PortFamily& family, stZUB_ProtocolEndpoint* rec) {
  const PortFamily::EndpointTexts& texts = family.endpoint;
  const bool daPort = rec->IsDAPortEndpoint == 1;
  rec->Name = daPort ? texts.daPortName : texts.logicalPortName;
  rec->Name.Append(rec->PortHandle);
  rec->Description = daPort ? texts.daPortDescription : texts.logicalPortDescription;
  rec->CreationClassName = texts.cimClass;
  rec->SystemCreationClassName = texts.systemPrefix;
  rec->SystemCreationClassName.Append(rec->PortHandle);
  rec->ElementName = texts.elementName;
  rec->ProtocolIFType = texts.protocolIFType;
}

using CZubATAProtocolEndpoint = CPortFamilyClassT<CProtocolEndpointBase, kAtaPorts>;
using CZubSCSIProtocolEndpoint = CPortFamilyClassT<CProtocolEndpointBase, kScsiPorts>;

CZubProtocolEndpointInterface* PROVIDER_CreateZubATAProtocolEndpointInstance() {
  return Singleton<CZubATAProtocolEndpoint>();
}

CZubProtocolEndpointInterface* PROVIDER_CreateZubSCSIProtocolEndpointInstance() {
  return Singleton<CZubSCSIProtocolEndpoint>();
}

CEventRegisterInterface* ATAProtocolEndpointEvents() { return Singleton<CZubATAProtocolEndpoint>(); }
CEventRegisterInterface* SCSIProtocolEndpointEvents() { return Singleton<CZubSCSIProtocolEndpoint>(); }
