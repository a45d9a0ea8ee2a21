// alarm_device.cpp: CZubAlarmDevice, the locate light of each disk's PHY,
// and CZubAssociatedAlarm, each locator with its disk.
#include "classes/system/alarm_device.h"

#include "classes/storage/disk_extent.h"
#include "classes/tables.h"
#include "framework/association.h"
#include "framework/event_register.h"
#include "framework/class_base.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_AlarmDevice,
    ZUB_FIELD(DeviceID).Key(2),
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(Name),
    ZUB_FIELD(Caption),
    ZUB_FIELD(Description),
    ZUB_FIELD(AudibleAlarm).Cim(CimType::Boolean),
    ZUB_FIELD(Reserved1).Internal(),
    ZUB_FIELD(MotionAlarm).Cim(CimType::Boolean),
    ZUB_FIELD(Urgency).Cim(CimType::UInt16),
    ZUB_FIELD(AlarmState).Cim(CimType::UInt16),
    ZUB_FIELD(VisibleAlarm).Cim(CimType::Boolean),
    ZUB_FIELD(Reserved2).Internal(),
    ZUB_FIELD(Enabled).Cim(CimType::Boolean),
    ZUB_FIELD(ReturnValue).Return(),
    ZUB_FIELD(Reserved3).Internal(),
    ZUB_FIELD(State).In("SetAlarmIndicator").Cim(CimType::UInt16),
    ZUB_FIELD(Reserved4).Internal(),
    ZUB_FIELD(PhyHandle).Internal(),
    ZUB_FIELD(EndDeviceHandle).Internal(),
    ZUB_FIELD(ControllerHandle).Internal())

ZUB_DESCRIBE(stZUB_AssociatedAlarm,
    ZUB_FIELD(Antecedent).Key(1).Ref("ZUB_AlarmDevice"),
    ZUB_FIELD(Dependent).Key(2).Ref("ZUB_StorageExtentDisk"))

namespace {
// The alarm state "off": a new device's, and the one SetAlarmIndicator
// switches the light off with.
enum : uint64_t { kAlarmStateOff = 1 };
}  // namespace

stZUB_AlarmDevice AlarmDeviceOf(const _SSI_PhyInfo& phy, const _SSI_EndDeviceInfo& disk, SSI_HANDLE controller) {
  stZUB_AlarmDevice rec;
  rec.DeviceID = NumberText(phy.phyNumber);
  rec.DeviceID.AppendNumber(phy.handle);
  rec.CreationClassName = L"ZUB_AlarmDevice";
  rec.SystemName = kSystemCreationClassName;
  rec.SystemCreationClassName = L"CIM_AlarmDevice";
  rec.Name = L"PHY Locator";
  rec.Caption = L"Visual locator";
  rec.Description = L"Visual locator to map logical to physical for device: ";
  rec.Description.AppendNumber(phy.phyNumber);
  rec.AlarmState = kAlarmStateOff;
  rec.VisibleAlarm = 1;
  rec.Enabled = 1;
  rec.PhyHandle = NumberText(phy.handle);
  rec.EndDeviceHandle = NumberText(disk.handle);
  rec.ControllerHandle = NumberText(controller);
  return rec;
}

namespace {

bool SameKeys(const stZUB_AlarmDevice& a, const stZUB_AlarmDevice& b) {
  return a.DeviceID.Compare(b.DeviceID) == 0 && a.CreationClassName.Compare(b.CreationClassName) == 0 &&
         a.SystemCreationClassName.Compare(b.SystemCreationClassName) == 0 &&
         a.SystemName.Compare(b.SystemName) == 0;
}

class CZubAlarmDevice : public CZubClassT<CZubAlarmDeviceInterface, stZUB_AlarmDevice>,
                        public CRefreshAfterEventT<CZubAlarmDevice> {
 public:
  // Built in one step (CListBuild): the monitor's refresh and a host may
  // rebuild the list at the same time.
  PROVIDER_STATUS Update() override {
    CListBuild<stZUB_AlarmDevice> built(m_list, nullptr);
    CPhys phys;
    bool physRead = false;
    CHostController controllers;
    return ForEachListed(controllers, [](CHostController& w) { return w.Load(); },
                         [&](const _SSI_ControllerInfo& controller) {
                           if (!physRead && phys.Load(SSI_SCOPE_ALL, 0) != SSI_STATUS_SUCCESS) return PROVIDER_FAILED;
                           physRead = true;
                           CEndDevices disks;
                           if (disks.Load(SSI_SCOPE_CONTROLLER, controller.handle) != SSI_STATUS_SUCCESS)
                             return PROVIDER_FAILED;
                           for (const _SSI_EndDeviceInfo& disk : disks.m_list) {
                             if (const _SSI_PhyInfo* phy = PhyOf(phys, disk.handle))
                               built.Add(AlarmDeviceOf(*phy, disk, controller.handle));
                           }
                           return PROVIDER_SUCCESS;
                         });
  }

  PROVIDER_STATUS SetAlarmIndicator(stZUB_AlarmDevice* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    rec->ReturnValue = 0;
    if (rec->State == 0) return PROVIDER_SUCCESS;
    CArrayT<stZUB_AlarmDevice> alarms;
    m_list.CopyTo(&alarms);
    for (const stZUB_AlarmDevice& alarm : alarms) {
      if (!SameKeys(alarm, *rec)) continue;
      CPhys phys;
      phys.Locate(HandleFromText(alarm.PhyHandle), rec->State == kAlarmStateOff ? 0 : 1);  // its failure is not reported
      break;
    }
    return PROVIDER_SUCCESS;
  }

 private:
  // The first PHY of the list attached to the end device, or null.
  static const _SSI_PhyInfo* PhyOf(const CPhys& phys, SSI_HANDLE endDevice) {
    for (const _SSI_PhyInfo& phy : phys.m_list) {
      if (phy.attachedHandle == endDevice) return &phy;
    }
    return nullptr;
  }
};

class CZubAssociatedAlarm : public CZubClassT<CZubAssociatedAlarmInterface, stZUB_AssociatedAlarm> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_AlarmDevice> alarms;
    CArrayT<stZUB_StorageExtentDisk> disks;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubAlarmDeviceInstance>(&alarms)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(&disks)) return s;
    if (alarms.GetCount() == 0 || disks.GetCount() == 0 || alarms.GetCount() != disks.GetCount())
      return PROVIDER_NOT_FOUND;
    const CReferenceBuilder refs;
    Join(alarms, disks,
         [](const stZUB_AlarmDevice& a, const stZUB_StorageExtentDisk& d) {
           return a.EndDeviceHandle.Compare(d.EndDeviceHandle) == 0;
         },
         [&](const stZUB_AlarmDevice& alarm, const stZUB_StorageExtentDisk& disk) {
           stZUB_AssociatedAlarm rec;
           rec.Antecedent = refs.To(L"ZUB_AlarmDevice", alarm);
           rec.Dependent = refs.To(L"ZUB_StorageExtentDisk", disk);
           m_list.AddLocked(rec);
         });
    return UpdateDone();
  }
};

}  // namespace

CZubAlarmDeviceInterface* PROVIDER_CreateZubAlarmDeviceInstance() { return Singleton<CZubAlarmDevice>(); }

CEventRegisterInterface* AlarmDeviceEvents() { return Singleton<CZubAlarmDevice>(); }

CZubAssociatedAlarmInterface* PROVIDER_CreateZubAssociatedAlarmInstance() {
  return Singleton<CZubAssociatedAlarm>();
}
