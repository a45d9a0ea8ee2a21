// spare_configuration.cpp: CZubSpareConfigurationService and
// CZubSpareConfigurationCapabilities: one record per port controller,
// numbered per kind; spare candidates, marking and unmarking.
#include "classes/config/spare_configuration.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "classes/storage/disk_extent.h"
#include "classes/system/port_controller.h"
#include "classes/tables.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "framework/object_path.h"
#include "framework/text.h"
#include "middleware/abru2.h"
#include "middleware/read_once.h"

ZUB_DESCRIBE(stZUB_SetSpareExtentsParams,
    ZUB_FIELD(Job).Out().NullText(),
    ZUB_FIELD(InstanceGroup).In().Ref("CIM_SystemSpecificCollection"),
    ZUB_FIELD(InExtents).In().Ref("ZUB_StorageExtentDisk"),
    ZUB_FIELD(RedundancySet).In().Ref("CIM_StorageRedundancySet"))

ZUB_DESCRIBE(stZUB_GetExtentsParams,
    ZUB_FIELD(Job).Out().NullText(),
    ZUB_FIELD(InstanceGroup).In().Ref("CIM_SystemSpecificCollection"),
    ZUB_FIELD(Extents).Out().Ref("ZUB_StorageExtentDisk"))

ZUB_DESCRIBE(stZUB_SpareConfigurationService,
    ZUB_FIELD(SystemCreationClassName).Key(3),
    ZUB_FIELD(SystemName).Key(4),
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(Name).Key(2),
    ZUB_FIELD(Caption),
    ZUB_FIELD(Description),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(ControllerHandle).Internal(),
    ZUB_FIELD(SetSpareExtentsParams).Params("SetSpareExtents"),
    ZUB_FIELD(GetExtentsParams).Params("GetExtents"),
    ZUB_FIELD(Operation).In("GetExtents").In("SetSpareExtents").Cim(CimType::UInt16),
    ZUB_FIELD(ReturnValue).Return())

ZUB_DESCRIBE(stZUB_SpareConfigurationCapabilities,
    ZUB_FIELD(InstanceID).Key(1),
    ZUB_FIELD(Caption),
    ZUB_FIELD(Description),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(SupportedAsynchronousActions).Cim(CimType::UInt16),
    ZUB_FIELD(SupportedSynchronousActions).Cim(CimType::UInt16),
    ZUB_FIELD(CapabilityFlag1).Cim(CimType::Boolean),
    ZUB_FIELD(CapabilityFlag2).Cim(CimType::Boolean),
    ZUB_FIELD(CapabilityValue),
    ZUB_FIELD(ControllerHandle).Internal())

namespace {


// The kinds of controller that offer sparing, each numbered on its own.
struct SpareKind {
  int32_t controllerType;
  const wchar_t* serviceName;      // followed by the number
  const wchar_t* serviceCaption;   // followed by the number
  const wchar_t* capabilitiesID;   // followed by the number
};
constexpr SpareKind kSpareKinds[] = {
    {kControllerTypeAhci, L"ZUBe:AhciSpareConfigurationService",
     L"Spare Configuration Service for AHCI HBA Controller ", L"ZUBe:SpareConfigurationCapabilities:AHCI"},
    {kControllerTypeDox, L"ZUBe:DoxSpareConfigurationService",
     L"Spare Configuration Service for DOX HBA Controller ", L"ZUBe:SpareConfigurationCapabilities:DOX"},
};

CZubString Numbered(const wchar_t* text, uint64_t number) {
  CZubString out(text);
  out.AppendNumber(number);
  return out;
}

stZUB_SpareConfigurationService ServiceOf(const stZUB_PortController& controller, const SpareKind& kind,
                                          uint64_t number) {
  stZUB_SpareConfigurationService rec;
  rec.SystemCreationClassName = kSystemCreationClassName;
  rec.SystemName = L"SpareCfgService_";
  rec.SystemName.Append(controller.InstanceID);
  rec.CreationClassName = L"ZUB_SpareConfigurationService";
  rec.Name = Numbered(kind.serviceName, number);
  rec.Caption = Numbered(kind.serviceCaption, number);
  rec.Description = rec.Caption;
  rec.ElementName = rec.Name;
  rec.ControllerHandle = controller.InstanceID;
  return rec;
}

stZUB_SpareConfigurationCapabilities CapabilitiesOf(const stZUB_PortController& controller, const SpareKind& kind,
                                                    uint64_t number) {
  constexpr const wchar_t* kText = L"ZUBe Spare Configuration Capabilities";
  stZUB_SpareConfigurationCapabilities rec;
  rec.InstanceID = Numbered(kind.capabilitiesID, number);
  rec.Caption = kText;
  rec.Description = kText;
  rec.ElementName = kText;
  rec.SupportedAsynchronousActions.Add(4);
  rec.SupportedSynchronousActions.Add(2);
  rec.SupportedSynchronousActions.Add(3);
  rec.CapabilityFlag1 = 0;
  rec.CapabilityFlag2 = 1;
  rec.CapabilityValue = 0;
  rec.ControllerHandle = controller.InstanceID;
  return rec;
}

// The class of one record per port controller, numbered per kind. With no
// port controller, Update returns `noController` (the list empty).
template <class Iface, class Record, auto Map, PROVIDER_STATUS noController>
class CNumberedPerControllerT : public CZubClassT<Iface, Record> {
 public:
  PROVIDER_STATUS Update() override {
    this->m_list.RemoveAll();
    CArrayT<stZUB_PortController> controllers;
    if (ReadList<&PROVIDER_CreateZubPortControllerInstance>(&controllers) == PROVIDER_NO_OBJECT)
      return PROVIDER_FAILED;
    if (controllers.GetCount() == 0 && noController != PROVIDER_SUCCESS) return noController;
    uint64_t next[std::size(kSpareKinds)] = {};
    for (const stZUB_PortController& controller : controllers) {
      const auto* kind = std::find_if(std::begin(kSpareKinds), std::end(kSpareKinds), [&](const SpareKind& k) {
        return k.controllerType == controller.HostControllerType;
      });
      if (kind == std::end(kSpareKinds)) return PROVIDER_FAILED;
      this->m_list.AddLocked(Map(controller, *kind, next[kind - std::begin(kSpareKinds)]++));
    }
    return this->UpdateDone();
  }
};

// What GetExtents selects, by Operation. kAny: the value does not matter.
constexpr int64_t kAny = -1;
struct Selection {
  uint32_t operation;
  int64_t usage;
  int64_t state;
  bool notBarred;  // DeviceFlag must be 0

  bool Selects(const stZUB_StorageExtentDisk& disk) const {
    return (usage == kAny || disk.DiskUsage == usage) && (state == kAny || disk.DiskState == state) &&
           (!notBarred || disk.DeviceFlag == 0);
  }
};
constexpr Selection kSelections[] = {
    {kSpareCandidates, kDiskUsageAvailable, kDiskStateNormal, true},
    {kSpareDisks, kDiskUsageSpare, kDiskStateNormal, false},
    {kSpareAllDisks, kAny, kAny, false},
};

// Middleware statuses of a marking call that mean the RAID stack refused it.
constexpr SSI_STATUS kRefusals[] = {SSI_STATUS_REFUSED, SSI_STATUS_TIMEOUT};

bool SameService(const stZUB_SpareConfigurationService& a, const stZUB_SpareConfigurationService& b) {
  return a.SystemCreationClassName.Compare(b.SystemCreationClassName) == 0 &&
         a.SystemName.Compare(b.SystemName) == 0 && a.CreationClassName.Compare(b.CreationClassName) == 0 &&
         a.Name.Compare(b.Name) == 0;
}

// A path text as read: host, namespace and keys.
CWbemObjectPath Parsed(const CZubString& text) {
  CWbemObjectPath path;
  path.ParsePath(text);
  return path;
}

// Host and namespace are CIM names: equal whatever the case of their ASCII
// letters (a client writes "root/corvo_zub" for "root\Corvo_ZUB").
bool SameName(const CZubString& a, const CZubString& b) {
  const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
  return a.GetLength() == b.GetLength() &&
         std::equal(a.Str().begin(), a.Str().end(), b.Str().begin(),
                    [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

// The keys as the provider writes them (names, order and values exactly).
CZubString KeysText(CWbemObjectPath path) {
  path.m_host = L"";
  path.m_namespace = L"";
  return path.ToString();
}

// Whether two paths name the same instance: their keys written alike, on the
// same host and namespace.
bool SamePath(const CWbemObjectPath& a, const CWbemObjectPath& b) {
  return SameName(a.m_host, b.m_host) && SameName(a.m_namespace, b.m_namespace) &&
         KeysText(a).Compare(KeysText(b)) == 0;
}

// The disk handles (DeviceID keys) of the entries of `named`; false when an
// entry is not one of `candidates` or has no DeviceID.
bool NamedCandidates(const CArrayT<CZubString>& named, const CArrayT<CZubString>& candidates,
                     std::vector<SSI_HANDLE>* handles) {
  std::vector<CWbemObjectPath> allowed;
  for (const CZubString& c : candidates) allowed.push_back(Parsed(c));
  for (const CZubString& entry : named) {
    const CWbemObjectPath path = Parsed(entry);
    CZubString deviceId;
    if (!path.m_keys.TryGetPropertyValue(L"DeviceID", &deviceId)) return false;
    if (std::none_of(allowed.begin(), allowed.end(), [&](const CWbemObjectPath& a) { return SamePath(a, path); }))
      return false;
    handles->push_back(HandleFromText(deviceId));
  }
  return !allowed.empty();
}

using CServiceBase = CNumberedPerControllerT<CZubSpareConfigurationServiceInterface, stZUB_SpareConfigurationService,
                                             &ServiceOf, PROVIDER_NOT_FOUND>;

class CZubSpareConfigurationService : public CServiceBase {
 public:
  PROVIDER_STATUS GetExtents(stZUB_SpareConfigurationService* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    const Selection* selection = std::find_if(std::begin(kSelections), std::end(kSelections),
                                              [&](const Selection& s) { return s.operation == rec->Operation; });
    if (selection == std::end(kSelections)) return PROVIDER_FAILED;
    rec->ReturnValue = kReturnSuccess;
    stZUB_SpareConfigurationService service;
    if (!FindService(*rec, &service)) return PROVIDER_FAILED;
    CArrayT<stZUB_StorageExtentDisk> disks;
    ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(&disks);
    if (disks.GetCount() == 0) return PROVIDER_FAILED;
    CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<CZubString>& extents = rec->GetExtentsParams.Extents;
    extents.RemoveAll();
    for (const stZUB_StorageExtentDisk& disk : disks) {
      if (SameController(disk, service) && selection->Selects(disk))
        extents.Add(refs.To(L"ZUB_StorageExtentDisk", disk));
    }
    rec->ReturnValue = kReturnSuccess;
    return PROVIDER_SUCCESS;
  }

  PROVIDER_STATUS SetSpareExtents(stZUB_SpareConfigurationService* rec) override {
    if (!rec) return PROVIDER_INVALID_PARAMETER;
    // Reads and leaves fresh state: the configuration changes here.
    const zubmw::FreshScope fresh;
    const uint32_t operation = rec->Operation;
    if (operation != kSpareMark && operation != kSpareUnmark) return PROVIDER_FAILED;
    if (rec->SetSpareExtentsParams.InExtents.GetCount() == 0) return Rejected(rec);
    rec->ReturnValue = kReturnSuccess;
    if (!FindService(*rec, nullptr)) return PROVIDER_FAILED;

    // The candidates are all of the service's disks.
    CArrayT<CZubString>& extents = rec->GetExtentsParams.Extents;
    extents.RemoveAll();
    rec->Operation = kSpareAllDisks;
    const PROVIDER_STATUS listed = GetExtents(rec);
    rec->Operation = operation;
    if (listed != PROVIDER_SUCCESS) return listed;
    std::vector<SSI_HANDLE> disks;
    const bool valid = NamedCandidates(rec->SetSpareExtentsParams.InExtents, extents, &disks);
    extents.RemoveAll();
    if (!valid) return Rejected(rec);

    PROVIDER_STATUS result = PROVIDER_SUCCESS;
    for (SSI_HANDLE disk : disks) {
      const SSI_STATUS s = operation == kSpareMark ? SsiDiskMarkAsSpare(disk, 0) : SsiDiskUnmarkAsSpare(disk);
      if (s == SSI_STATUS_SUCCESS) {
        rec->ReturnValue = kReturnSuccess;
      } else if (std::find(std::begin(kRefusals), std::end(kRefusals), s) != std::end(kRefusals)) {
        rec->ReturnValue = kReturnSpareRefused;
        result = PROVIDER_REQUEST_REFUSED;
      } else {
        result = PROVIDER_FAILED;
      }
    }
    return result;
  }

 private:
  static PROVIDER_STATUS Rejected(stZUB_SpareConfigurationService* rec) {
    rec->ReturnValue = kReturnInvalidParameter;
    return PROVIDER_INVALID_PARAMETER;
  }

  // The instance whose four keys are those of `rec`, from the list as
  // Initialize leaves it; false when there is none.
  bool FindService(const stZUB_SpareConfigurationService& rec, stZUB_SpareConfigurationService* found) {
    Initialize();
    CArrayT<stZUB_SpareConfigurationService> services;
    m_list.CopyTo(&services);
    for (const stZUB_SpareConfigurationService& s : services) {
      if (!SameService(s, rec)) continue;
      if (found) *found = s;
      return true;
    }
    return false;
  }
};

using CZubSpareConfigurationCapabilities =
    CNumberedPerControllerT<CZubSpareConfigurationCapabilitiesInterface, stZUB_SpareConfigurationCapabilities,
                            &CapabilitiesOf, PROVIDER_SUCCESS>;

}  // namespace

CZubSpareConfigurationServiceInterface* PROVIDER_CreateZubSpareConfigurationServiceInstance() {
  return Singleton<CZubSpareConfigurationService>();
}

CZubSpareConfigurationCapabilitiesInterface* PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance() {
  return Singleton<CZubSpareConfigurationCapabilities>();
}
