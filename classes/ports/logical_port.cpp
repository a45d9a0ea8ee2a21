// logical_port.cpp: the logical ports of every protocol, and the ATA and
// SCSI classes that list them.
#include "classes/ports/logical_port.h"

#include "classes/ports/port_family.h"
#include "classes/ports/port_rules.h"
#include "classes/tables.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_LogicalPort,
    ZUB_FIELD(DeviceID).Key(2),
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(PortType).Cim(CimType::UInt16),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(UsageRestriction).Cim(CimType::UInt16),
    ZUB_FIELD(EnabledState).Cim(CimType::UInt16),
    ZUB_FIELD(StatusList).Cim(CimType::UInt16),
    ZUB_FIELD(Caption),
    ZUB_FIELD(Description),
    ZUB_FIELD(MaxSpeed),
    ZUB_FIELD(Speed),
    ZUB_FIELD(LinkCode).Cim(CimType::UInt16),
    ZUB_FIELD(Address),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(AttachedHandle).Internal(),
    ZUB_FIELD(Protocol).Internal())

namespace {

enum : uint64_t { kUsageEndDevice = 2, kUsageController = 3 };

stZUB_LogicalPort PortRecord(const _SSI_PortInfo& port, SSI_HANDLE controller, SSI_HANDLE attached,
                             uint64_t usage, const CZubString& address) {
  stZUB_LogicalPort rec;
  rec.DeviceID = NumberText(port.handle);
  rec.SystemName = kSystemCreationClassName;
  rec.PortType = 1;
  rec.UsageRestriction = usage;
  rec.EnabledState = 2;
  for (uint64_t status : {0, 2, 3, 6}) rec.StatusList.Add(status);
  rec.LinkCode = 5;
  rec.Address = address;
  rec.ControllerHandle = NumberText(controller);
  rec.AttachedHandle = NumberText(attached);
  return rec;
}

// Speeds and protocol from the first PHY attached to the record's disk.
void MatchPhy(const CArrayT<_SSI_PhyInfo>& phys, stZUB_LogicalPort* rec) {
  const SSI_HANDLE attached = HandleFromText(rec->AttachedHandle);
  for (const _SSI_PhyInfo& phy : phys) {
    if (phy.attachedType != kAttachedEndDevice || phy.attachedHandle != attached) continue;
    rec->Speed = LinkRate(phy.negotiatedLinkRate);
    rec->MaxSpeed = LinkRate(phy.maxLinkRate);
    rec->Protocol = phy.protocol;
    return;
  }
}

}  // namespace

PROVIDER_STATUS CLogicalPortBase::BuildAll(CArrayT<stZUB_LogicalPort>* out) {
  out->RemoveAll();
  // Failed loads leave their lists empty: "nothing to build from".
  CHostController controllers;
  CPorts ports;
  CPhys phys;
  controllers.Load();
  ports.Load();
  phys.Load(SSI_SCOPE_ALL, 0);
  if (controllers.m_list.GetCount() == 0 || ports.m_list.GetCount() == 0 || phys.m_list.GetCount() == 0)
    return PROVIDER_NOT_FOUND;

  PROVIDER_STATUS status = PROVIDER_SUCCESS;
  for (const _SSI_ControllerInfo& controller : controllers.m_list) {
    CEndDevices disks;
    if (disks.Load(SSI_SCOPE_CONTROLLER, controller.handle) != SSI_STATUS_SUCCESS) {
      status = PROVIDER_FAILED;
      break;
    }
    bool firstDisk = true;
    for (const _SSI_EndDeviceInfo& disk : disks.m_list) {
      for (const _SSI_PortInfo& port : ports.m_list) {
        if (port.attachedType == kAttachedEndDevice && port.attachedHandle == disk.handle) {
          out->Add(PortRecord(port, controller.handle, disk.handle, kUsageEndDevice,
                              AddressText(port.address, disk.address64Present, disk.address64)));
        } else if (firstDisk && port.attachedType == kAttachedController && port.attachedHandle == controller.handle) {
          out->Add(PortRecord(port, controller.handle, controller.handle, kUsageController,
                              AddressText(port.address, port.address64Present, port.address64)));
        }
      }
      firstDisk = false;
    }
  }
  for (stZUB_LogicalPort& rec : *out) MatchPhy(phys.m_list, &rec);
  return status;
}

void CLogicalPortBase::Stamp(const PortFamily& family, stZUB_LogicalPort* rec) {
  rec->CreationClassName = family.logicalPort.cimClass;
  rec->SystemCreationClassName = family.logicalPort.systemPrefix;
  rec->SystemCreationClassName.Append(rec->DeviceID);
  rec->ElementName = family.logicalPort.elementName;
  rec->Caption = family.logicalPort.caption;
  rec->Description = rec->Caption;
}

using CZubATALogicalPort = CPortFamilyClassT<CLogicalPortBase, kAtaPorts>;
using CZubSCSILogicalPort = CPortFamilyClassT<CLogicalPortBase, kScsiPorts>;

CZubLogicalPortInterface* PROVIDER_CreateZubATALogicalPortInstance() {
  return Singleton<CZubATALogicalPort>();
}

CZubLogicalPortInterface* PROVIDER_CreateZubSCSILogicalPortInstance() {
  return Singleton<CZubSCSILogicalPort>();
}

CEventRegisterInterface* ATALogicalPortEvents() { return Singleton<CZubATALogicalPort>(); }
CEventRegisterInterface* SCSILogicalPortEvents() { return Singleton<CZubSCSILogicalPort>(); }
