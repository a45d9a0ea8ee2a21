// protocol_controller.cpp: the protocol controllers of the DA ports, and the
// ATA and SCSI classes that list them.
#include "classes/ports/protocol_controller.h"

#include <map>

#include "classes/ports/da_port.h"
#include "classes/ports/port_family.h"
#include "classes/ports/port_rules.h"
#include "classes/tables.h"
#include "framework/association.h"
#include "framework/text.h"

ZUB_DESCRIBE(stZUB_ProtocolController,
    ZUB_FIELD(DeviceID).Key(2),
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(Name),
    ZUB_FIELD(Reserved).Internal(),
    ZUB_FIELD(NameFormat),
    ZUB_FIELD(PhyCount),
    ZUB_FIELD(Caption),
    ZUB_FIELD(Description),
    ZUB_FIELD(StatusList).Cim(CimType::UInt16),
    ZUB_FIELD(HealthState).Cim(CimType::UInt16),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(Protocol).Internal())

PROVIDER_STATUS CProtocolControllerBase::BuildAll(CArrayT<stZUB_ProtocolController>* out) {
  out->RemoveAll();
  CArrayT<stZUB_DAPort> daPorts;
  if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubDAPortInstance>(&daPorts, ListNeed::Rebuilt)) return s;
  if (daPorts.GetCount() == 0) return PROVIDER_NOT_FOUND;
  // A controller's PHYs are counted once per rebuild, not once per DA port
  // (each count reads every PHY record of the controller).
  std::map<SSI_HANDLE, uint64_t> phyCounts;
  auto phyCount = [&](SSI_HANDLE controller) {
    auto known = phyCounts.find(controller);
    if (known == phyCounts.end()) known = phyCounts.emplace(controller, ControllerPhyCount(controller)).first;
    return known->second;
  };
  for (const stZUB_DAPort& port : daPorts) {
    stZUB_ProtocolController rec;
    rec.DeviceID = port.AttachedHandle;
    rec.SystemName = kSystemCreationClassName;
    rec.NameFormat = L"Class Name | DeviceID";
    rec.PhyCount = phyCount(HandleFromText(port.ControllerHandle));
    rec.StatusList = port.StatusList;
    rec.HealthState = port.HealthState;
    rec.ControllerHandle = port.ControllerHandle;
    rec.Protocol = port.Protocol;
    out->Add(rec);
  }
  return PROVIDER_SUCCESS;
}

void CProtocolControllerBase::Stamp(const PortFamily& family, stZUB_ProtocolController* rec) {
  rec->CreationClassName = family.controller.cimClass;
  rec->SystemCreationClassName = family.controller.systemPrefix;
  rec->SystemCreationClassName.Append(rec->DeviceID);
  rec->Name = rec->SystemCreationClassName;
  rec->Caption = family.controller.caption;
  rec->Description = rec->Caption;
}

using CZubATAProtocolController = CPortFamilyClassT<CProtocolControllerBase, kAtaPorts>;
using CZubSCSIProtocolController = CPortFamilyClassT<CProtocolControllerBase, kScsiPorts>;

CZubProtocolControllerInterface* PROVIDER_CreateZubATAProtocolControllerInstance() {
  return Singleton<CZubATAProtocolController>();
}

CZubProtocolControllerInterface* PROVIDER_CreateZubSCSIProtocolControllerInstance() {
  return Singleton<CZubSCSIProtocolController>();
}

CEventRegisterInterface* ATAProtocolControllerEvents() { return Singleton<CZubATAProtocolController>(); }
CEventRegisterInterface* SCSIProtocolControllerEvents() { return Singleton<CZubSCSIProtocolController>(); }
