// storage_volume.cpp: CZubStorageVolume: the volumes, the volume settings it
// files for them, and what changed since the previous list.
#include "classes/storage/storage_volume.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <memory>

#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/tables.h"
#include "framework/event_register.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_StorageVolume,
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(DeviceID).Key(2),
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Caption),
    ZUB_FIELD(FixedValue1).Cim(CimType::UInt16),
    ZUB_FIELD(FixedValue2).Cim(CimType::UInt16),
    ZUB_FIELD(FixedValue3).Cim(CimType::UInt16),
    ZUB_FIELD(FixedValue4).Cim(CimType::UInt16),
    ZUB_FIELD(Description),
    ZUB_FIELD(RedundancyFlag).Cim(CimType::Boolean),
    ZUB_FIELD(FixedFlag).Cim(CimType::Boolean),
    ZUB_FIELD(NoSinglePointOfFailure).Cim(CimType::Boolean),
    ZUB_FIELD(DataRedundancy).Cim(CimType::UInt16),
    ZUB_FIELD(PackageRedundancy).Cim(CimType::UInt16),
    ZUB_FIELD(HealthState).Cim(CimType::UInt16),
    ZUB_FIELD(RaidLevel),
    ZUB_FIELD(VolumeSize),
    ZUB_FIELD(StripSize),
    ZUB_FIELD(NumberOfDisks),
    ZUB_FIELD(VolumeFlag).Cim(CimType::Boolean),
    ZUB_FIELD(VolumeState).Cim(CimType::SInt32),
    ZUB_FIELD(CachePolicy),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(VolumeHandle).Internal(),
    ZUB_FIELD(ArrayHandle).Internal())

namespace {

bool SameVolume(const stZUB_StorageVolume& a, const stZUB_StorageVolume& b) {
  return a.ElementName.Compare(b.ElementName) == 0 && a.ControllerHandle.Compare(b.ControllerHandle) == 0;
}

// The fields whose change is a modification.
bool Unchanged(const stZUB_StorageVolume& a, const stZUB_StorageVolume& b) {
  return a.ElementName.Compare(b.ElementName) == 0 && a.Description.Compare(b.Description) == 0 &&
         a.NoSinglePointOfFailure == b.NoSinglePointOfFailure && a.DataRedundancy == b.DataRedundancy &&
         a.PackageRedundancy == b.PackageRedundancy && a.HealthState == b.HealthState &&
         a.RaidLevel.Compare(b.RaidLevel) == 0 && a.VolumeSize == b.VolumeSize && a.StripSize == b.StripSize &&
         a.NumberOfDisks == b.NumberOfDisks && a.CachePolicy.Compare(b.CachePolicy) == 0 &&
         a.ControllerHandle.Compare(b.ControllerHandle) == 0 && a.VolumeHandle.Compare(b.VolumeHandle) == 0;
}

bool HasSame(const CArrayT<stZUB_StorageVolume>& list, const stZUB_StorageVolume& v) {
  return std::any_of(list.begin(), list.end(), [&](const stZUB_StorageVolume& o) { return SameVolume(o, v); });
}

// A volume's setting as filed the first time its volume is listed.
class SettingFiler {
 public:
  SettingFiler(const stZUB_StorageVolume& volume, uint32_t level, const _SSI_ControllerInfo& controller,
               uint32_t cachePolicy) {
    s.SettingOption1 = s.ExtentStripeLength = s.SettingOption2 = s.SettingOption3 = s.SettingOption4 = 2;
    s.NoSinglePointOfFailure = volume.NoSinglePointOfFailure;
    s.DataRedundancyMax = s.DataRedundancyMin = s.DataRedundancyGoal = volume.DataRedundancy;
    s.PackageRedundancyMax = s.PackageRedundancyMin = s.PackageRedundancyGoal = volume.PackageRedundancy;
    s.RaidLevel = volume.RaidLevel;
    s.VolumeName = volume.ElementName;
    s.ElementName = L"Volume storage settings";
    s.Description = L"Volume storage settings for this controller";
    s.InstanceID = L"VolumeSetting_";
    s.InstanceID.Append(s.VolumeName);
    s.Caption = volume.RaidLevel;
    s.CachePolicy = volume.CachePolicy;
    s.SupportedCachePolicies = SupportedCachePolicies(controller, cachePolicy);
    s.ControllerHandle = NumberText(controller.handle);
    s.SmallestDiskBlocks = std::numeric_limits<uint64_t>::max();
    m_level = level;
    m_strip = volume.StripSize;
    m_raidInfo = controller.raidInfoHandle;
  }

  // The paths of the array's disks and the smallest of their SizeB.
  void AddDisks(const CEndDevices& array, const CArrayT<stZUB_StorageExtentDisk>& disks) {
    CReferenceBuilder refs;
    for (const _SSI_EndDeviceInfo& member : array.m_list) {
      for (const stZUB_StorageExtentDisk& disk : disks) {
        if (HandleFromText(disk.EndDeviceHandle) != member.handle) continue;
        s.SmallestDiskBlocks = std::min(s.SmallestDiskBlocks, disk.SizeB);
        s.MemberDisks.Add(refs.To(L"ZUB_StorageExtentDisk", disk));
      }
    }
  }

  // The RAID information of the controller: false when it cannot be read.
  bool AddRaidInfo() {
    CRaidInfo raid;
    _SSI_RaidInfo info{};
    CArrayT<CRaidInfo::_stSupportedRaidLevelInfo> levels;
    if (raid.GetRaidInfo(&info, m_raidInfo) != SSI_STATUS_SUCCESS) return false;
    s.RaidInfoValue1 = info.value4;
    s.RaidInfoValue2 = info.value16;
    if (raid.GetSupportedRaidLevels(&levels, m_raidInfo) != SSI_STATUS_SUCCESS) return false;
    for (const auto& entry : levels) {
      s.SupportedRaidLevels.Add(SupportedRaidLevelText(entry.raidLevel));
      if (entry.raidLevel != m_level) continue;
      s.UserDataStripeDepth = static_cast<uint64_t>(m_strip);
      s.UserDataStripeDepthMin = SmallestStrip(entry.info.stripMask);
      s.UserDataStripeDepthMax = LargestStrip(entry.info.stripMask);
    }
    return true;
  }

  void File() {
    s.ChangeableType = 2;
    FileVolumeSetting(s);
  }
  const stZUB_StorageSetting& Filed() const { return s; }

 private:
  stZUB_StorageSetting s;
  uint32_t m_level = 0;
  int64_t m_strip = 0;
  SSI_HANDLE m_raidInfo = 0;
};

bool HasSetting(const CArrayT<stZUB_StorageSetting>& settings, const CZubString& name, SSI_HANDLE controller) {
  return std::any_of(settings.begin(), settings.end(), [&](const stZUB_StorageSetting& s) {
    return s.VolumeName.Compare(name) == 0 && HandleFromText(s.ControllerHandle) == controller;
  });
}

class CZubStorageVolume : public CZubClassT<CZubStorageVolumeInterface, stZUB_StorageVolume>,
                          public CDetectChangesT<CZubStorageVolume, stZUB_StorageVolume> {
 public:
  PROVIDER_STATUS Update() override { return Build(nullptr); }

  // Update, also handing what it read to *read (the event monitor's
  // comparison). Where the listing stops (a volume whose array lists no
  // disk), that volume and those after it are gaps, by their handles.
  PROVIDER_STATUS Build(std::optional<CListRead<stZUB_StorageVolume>>* read) {
    CListBuild<stZUB_StorageVolume> built(m_list, read);
    CVolumeList volumes;
    Reads reads;
    return ForEachListed(
        volumes, [](CVolumeList& w) { return LoadVolumes(&w); },
        [&](const _SSI_VolumeInfo& volume) { return Add(volume, reads, built); }, &built,
        [&](SSI_HANDLE skipped) { built.Gap(GapOf(skipped), CZubString()); });
  }

  // A deleted volume's setting goes with it (the next volume of that name
  // files a new one).
  void RaiseAlerts(const CArrayT<stZUB_StorageVolume>& before, const CArrayT<stZUB_StorageVolume>& now) {
    for (const VolumeChange& c : VolumeChanges(before, now)) {
      if (c.kind == kVolumeDeleted) ForgetSetting(*c.volume);
      RaiseVolumeAlert(m_alerts, c.kind, *c.volume);
    }
  }

 private:
  static void ForgetSetting(const stZUB_StorageVolume& volume) {
    CArrayT<stZUB_StorageSetting> settings;
    ReadList<&PROVIDER_CreateZubStorageSettingVolumeInstance>(&settings);
    for (const stZUB_StorageSetting& s : settings) {
      if (s.VolumeName.Compare(volume.ElementName) == 0 && s.ControllerHandle.Compare(volume.ControllerHandle) == 0) {
        RemoveSetting(SettingList::Volume, s.InstanceID);
        return;
      }
    }
  }

  // What one Update reads once for all its volumes: the controllers, the
  // volume settings (with those it files added) and the disk extents. Read
  // per volume, they made a listing quadratic in the number of volumes.
  struct Reads {
    std::unique_ptr<CHostController> controllers;
    std::unique_ptr<CArrayT<stZUB_StorageSetting>> settings;
    std::unique_ptr<CArrayT<stZUB_StorageExtentDisk>> disks;
  };

  static PROVIDER_STATUS Add(const _SSI_VolumeInfo& volume, Reads& reads, CListBuild<stZUB_StorageVolume>& built) {
    stZUB_StorageVolume rec = VolumeOf(volume);
    CEndDevices array;
    array.Load(SSI_SCOPE_RAID_ARRAY, volume.arrayHandle);
    if (array.m_list.GetCount() == 0) return PROVIDER_NOT_FOUND;
    if (!reads.controllers) {
      reads.controllers = std::make_unique<CHostController>();
      reads.controllers->Load();
    }
    const CHostController& controllers = *reads.controllers;
    if (controllers.m_list.GetCount() == 0) return PROVIDER_NOT_FOUND;
    // An unread disk or controller record leaves the key empty: listed as
    // it is, but not a state of the volume the monitor compares.
    const bool read = array.AllRead() && controllers.AllRead();
    // The controller whose RAID info the array's first disk names; when none
    // does, the last one visited stands in (the key stays empty).
    const _SSI_ControllerInfo* controller = nullptr;
    for (const _SSI_ControllerInfo& c : controllers.m_list) {
      controller = &c;
      if (c.raidInfoHandle == array.m_list[0].raidInfoHandle) {
        rec.ControllerHandle = NumberText(c.handle);
        break;
      }
    }
    if (!reads.settings) {
      reads.settings = std::make_unique<CArrayT<stZUB_StorageSetting>>();
      if (ReadList<&PROVIDER_CreateZubStorageSettingVolumeInstance>(reads.settings.get()) == PROVIDER_NO_OBJECT) {
        reads.settings.reset();
        return PROVIDER_NO_OBJECT;
      }
    }
    // A setting filed from an unread record would stay filed under the wrong
    // controller: the next listing that reads both files it.
    if (read && !HasSetting(*reads.settings, rec.ElementName, controller->handle)) {
      SettingFiler filer(rec, volume.raidLevel, *controller, volume.cachePolicy);
      if (!reads.disks) {
        reads.disks = std::make_unique<CArrayT<stZUB_StorageExtentDisk>>();
        if (ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(reads.disks.get()) == PROVIDER_NO_OBJECT) {
          reads.disks.reset();
          return PROVIDER_FAILED;
        }
      }
      filer.AddDisks(array, *reads.disks);
      if (!filer.AddRaidInfo()) return PROVIDER_FAILED;
      filer.File();
      reads.settings->Add(filer.Filed());
    }
    if (read) built.Add(rec);
    else built.AddUnread(rec, GapOf(volume.handle), CZubString());
    return PROVIDER_SUCCESS;
  }

  // A volume not read: its snapshot record, by its handle (its controller is
  // not known: the disk naming it was not read).
  static CListGap<stZUB_StorageVolume> GapOf(SSI_HANDLE volume) {
    return {&stZUB_StorageVolume::VolumeHandle, NumberText(volume)};
  }
};

}  // namespace

stZUB_StorageVolume VolumeOf(const _SSI_VolumeInfo& volume) {
  stZUB_StorageVolume rec;
  const CZubString handle = NumberText(volume.handle);
  rec.CreationClassName = L"ZUB_StorageVolume";
  rec.ElementName = FromMultiByte(volume.name);
  rec.DeviceID = rec.ElementName;
  rec.DeviceID.Append(L"_");
  rec.DeviceID.Append(handle);
  rec.SystemCreationClassName = kSystemCreationClassName;
  rec.SystemName = L"Volume_";
  rec.SystemName.Append(handle);
  rec.VolumeSize = volume.totalSize;
  rec.StripSize = static_cast<int32_t>(volume.stripSize << 11);
  rec.NumberOfDisks = volume.numDisks;
  rec.VolumeFlag = volume.flag != 0;
  rec.VolumeState = volume.state;
  rec.HealthState = VolumeHealthState(volume.state);
  rec.ArrayHandle = NumberText(volume.arrayHandle);
  rec.VolumeHandle = handle;
  rec.CachePolicy = CachePolicyText(volume.cachePolicy);
  rec.RaidLevel = VolumeRaidLevelText(volume.raidLevel);
  if (const RaidLevel* level = RaidLevelByCode(volume.raidLevel)) {
    rec.NoSinglePointOfFailure = level->NoSinglePointOfFailure();
    rec.DataRedundancy = level->DataRedundancy(rec.NumberOfDisks);
    rec.PackageRedundancy = level->PackageRedundancy(rec.NumberOfDisks);
  }
  rec.Description = L"Volume storage of type: ";
  rec.Description.Append(rec.RaidLevel);
  rec.RedundancyFlag = rec.NoSinglePointOfFailure;
  rec.Caption = rec.RaidLevel;
  rec.FixedValue3 = rec.FixedValue4 = 2;
  return rec;
}

uint64_t SmallestStrip(uint32_t mask) { return mask ? uint64_t{2048} << std::countr_zero(mask) : 0; }
uint64_t LargestStrip(uint32_t mask) { return mask ? uint64_t{2048} << (31 - std::countl_zero(mask)) : 0; }

std::vector<VolumeChange> VolumeChanges(const CArrayT<stZUB_StorageVolume>& previous,
                                        const CArrayT<stZUB_StorageVolume>& current) {
  std::vector<VolumeChange> out;
  if (current.GetCount() > previous.GetCount()) {
    for (const stZUB_StorageVolume& v : current) {
      if (!HasSame(previous, v)) out.push_back({&v, kVolumeCreated});
    }
  } else if (previous.GetCount() > current.GetCount()) {
    for (const stZUB_StorageVolume& v : previous) {
      if (!HasSame(current, v)) out.push_back({&v, kVolumeDeleted});
    }
  } else {
    for (size_t i = 0; i < current.GetCount(); ++i) {
      if (!Unchanged(current[i], previous[i])) out.push_back({&current[i], kVolumeModified});
    }
  }
  return out;
}

CZubStorageVolumeInterface* PROVIDER_CreateZubStorageVolumeInstance() { return Singleton<CZubStorageVolume>(); }

CEventRegisterInterface* StorageVolumeEvents() { return Singleton<CZubStorageVolume>(); }
