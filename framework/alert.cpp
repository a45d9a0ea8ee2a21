// alert.cpp: the alert record's description, the kinds table and the builders.
#include "framework/alert.h"

#include <cwchar>
#include <string>

#include "framework/names.h"
#include "framework/association.h"

ZUB_DESCRIBE(stZUB_AlertIndication,
    ZUB_FIELD(Description),
    // A path kept in a string property, as CIM_AlertIndication declares it.
    ZUB_FIELD(AlertingManagedElement).Ref("CIM_ManagedElement").Cim(CimType::String),
    ZUB_FIELD(AlertingElementFormat).Cim(CimType::UInt16),
    ZUB_FIELD(AlertType).Cim(CimType::UInt16),
    ZUB_FIELD(OtherAlertType),
    ZUB_FIELD(PerceivedSeverity).Cim(CimType::UInt16),
    ZUB_FIELD(ProbableCause).Cim(CimType::UInt16),
    ZUB_FIELD(ProbableCauseDescription),
    ZUB_FIELD(Trending).Cim(CimType::UInt16),
    ZUB_FIELD(RecommendedActions),
    ZUB_FIELD(EventID),
    ZUB_FIELD(AlertClassName).Internal(),  // the host makes the indication an instance of this class
    ZUB_FIELD(SystemName),
    ZUB_FIELD(SystemCreationClassName),
    ZUB_FIELD(ProviderName),
    ZUB_FIELD(EventTime))

namespace {

constexpr const wchar_t* kNoActions = L"No actions required";
constexpr const wchar_t* kGenericAlert = L"ZUB_AlertIndication";
constexpr const wchar_t* kSpareDiskUsedAlert = L"ZUB_AlertSpareDiskUsed";
constexpr const wchar_t* kNotApplicable = L"N/A";
constexpr const wchar_t* kProviderName = L"Corvo_ZUBe3.0";
constexpr uint64_t kFormatObjectPath = 2;
constexpr uint64_t kFormatUnknown = 0;
constexpr uint64_t kProbableCauseOther = 1;

using K = AlertKind;
using E = AlertElement;

constexpr FilterDesc kNoFilter = {nullptr, nullptr, 0};

// The kinds, with each one's class and the filter that selects it; the
// filters are listed in the order of their positions.
constexpr AlertKindDesc kKinds[] = {
    {K::VolumeCreated, E::Volume, 1, L"New storage volume has been created", L"Creation Alert",
     L"Creation of a volume", L"ZUB_AlertVolumeCreated", kGenericAlert,
     {L"ZUB_Volume_Created", L"Volume created Alert", 2}, true, kFormatObjectPath, 1, {kNoActions}},
    {K::VolumeModified, E::Volume, 2, L"A storage volume has been modified", L"Modified Alert",
     L"Modification of a volume", L"ZUB_AlertVolumeModified", kGenericAlert,
     {L"ZUB_Volume_Modified", L"Volume modified Alert", 4}, true, kFormatUnknown, 1, {kNoActions}},
    {K::VolumeDeleted, E::Volume, 3, L"A storage volume has been deleted", L"Deletion Alert", L"Deletion of a volume",
     L"ZUB_AlertVolumeDeleted", kGenericAlert, {L"ZUB_Volume_Deleted", L"Volume deleted Alert", 3}, false,
     kFormatUnknown, 1, {kNoActions}},
    {K::DiskInserted, E::Disk, 1, L"New disk inserted into the system", L"Disk insertion Alert",
     L"Insertion of a disk", L"ZUB_AlertDiskInserted", kGenericAlert,
     {L"ZUB_Disk_Inserted", L"Disk has been inserted Alert", 6}, true, kFormatObjectPath, 1, {kNoActions}},
    {K::DiskFailed, E::Disk, 2, L"Disk Failed", L"Disk Failed Alert", L"Disk Failed", L"ZUB_AlertDiskFailed",
     kGenericAlert, {L"ZUB_Disk_Failed", L"Disk has failed Alert", 7}, true, kFormatObjectPath, 3,
     {L"Check cables and power", L"Reboot", L"Replace bad disk"},
     /*alertType=*/5, /*perceivedSeverity=*/6},
    {K::DiskRemoved, E::Disk, 3, L"A disk has been removed", L"Deletion Alert", L"Removal of a disk",
     L"ZUB_AlertDiskRemoved", kGenericAlert, {L"ZUB_Disk_Removed", L"Disk has been removed Alert", 5}, false,
     kFormatUnknown, 3, {L"Check enclosure", L"Check cables", L"Check power"}},
    {K::DiskFailing, E::Disk, 4, L"Potential disk failure", L"Potential disk failure Alert",
     L"Potential disk failure", L"ZUB_AlertDiskFailing", kGenericAlert,
     {L"ZUB_Disk_Failing", L"Disk is going to fail soon Alert", 8}, true, kFormatObjectPath, 4,
     {L"Check cables and power", L"Reboot", L"Replace potential bad disk"},
     /*alertType=*/5, /*perceivedSeverity=*/3},
    {K::DiskMarkedPrimordial, E::Disk, 5, L"New disk in the primordial pool",
     L"New disk in the primordial pool Alert", L"Disk marked as primordial", L"ZUB_AlertDiskMarkedPrimordial",
     kGenericAlert, {L"ZUB_Disk_MarkedPrimordial", L"Disk is now part of the primordial pool Alert", 10}, true,
     kFormatObjectPath, 4, {kNoActions}},
    {K::DiskMarkedAsSpare, E::Disk, 6, L"New disk in the disk spare pool", L"New disk in the disk spare pool Alert",
     L"Disk marked as spare", L"ZUB_AlertDiskMarkedAsSpare", kGenericAlert,
     {L"ZUB_Disk_MarkedSpare", L"Disk is marked as a spare Alert", 9}, true, kFormatObjectPath, 4, {kNoActions}},
    // Raised as ZUB_AlertDiskSpareUsed, declared a subclass of the class the
    // spare-used filter selects, so that filter picks these alerts up.
    {K::DiskSpareUsed, E::Disk, 7, L"Spare disk is used in a volume", L"Spare disk is used Alert",
     L"Spare disk used in a volume", L"ZUB_AlertDiskSpareUsed", kSpareDiskUsedAlert, kNoFilter, true,
     kFormatObjectPath, 1, {kNoActions}},
    {K::DiskSpareReleased, E::Disk, 8, L"Spare disk has been released from the spare pool",
     L"Spare disk has been released Alert", L"Disk marked as unknown", L"ZUB_AlertDiskSpareReleased", kGenericAlert,
     {L"ZUB_Spare_Disk_Released", L"A spare disk has been released from the spare pool Alert", 14}, true,
     kFormatObjectPath, 4, {kNoActions}},
    {K::DiskReturnedToNormal, E::Disk, 9, L"Disk state returned to normal", L"Disk state returned to normal Alert",
     L"Disk is healthy", L"ZUB_AlertDiskReturnedToNormal", kGenericAlert,
     {L"ZUB_Disk_Returned_To_Normal", L"A failed disk has been recovered and is of normal health Alert", 15}, true,
     kFormatObjectPath, 2, {kNoActions}},
    {K::PrimordialPoolModified, E::Pool, 1, L"Primordial storage pool has been modified",
     L"Primordial storage pool has been modified Alert", L"Disks have been added or removed from pool",
     L"ZUB_AlertPrimordialPoolModified", kGenericAlert,
     {L"ZUB_PrimordialPool_Modified", L"The primordial storage pool has been modified Alert", 13}, true,
     kFormatObjectPath, 1, {kNoActions}},
    {K::SoftwareUpdated, E::Software, 1, L"Updated software in the ZUBe stack",
     L"Updated software in the ZUBe stack Alert", L"ZUBe Driver installation", L"ZUB_AlertSoftwareUpdated",
     kGenericAlert, {L"ZUB_Software_Updated", L"Software has been updated Alert", 11}, true, kFormatObjectPath, 1,
     {kNoActions}},
};
static_assert(std::size(kKinds) == kAlertKindCount);

constexpr bool RowsFollowTheKinds() {
  for (size_t i = 0; i < std::size(kKinds); ++i) {
    if (static_cast<size_t>(kKinds[i].kind) != i) return false;
  }
  return true;
}
static_assert(RowsFollowTheKinds(), "the kinds table is indexed by AlertKind");

// The class of each element, indexed by AlertElement.
constexpr const wchar_t* kElementClasses[] = {L"ZUB_StorageVolume", L"ZUB_StorageExtentDisk", L"ZUB_StoragePool",
                                              L"ZUB_SoftwareIdentity"};

// The classes no kind is raised with; each kind's class follows from its row.
constexpr IndicationClassDesc kBaseIndicationClasses[] = {
    {kGenericAlert, L"CIM_AlertIndication", {L"ZUB_ALL_AlertIndication", L"Generic ZUB Alert", 1}},
    {kSpareDiskUsedAlert, kGenericAlert, {L"ZUB_Spare_Disk_Used", L"A spare disk has been used Alert", 12}},
};

// The filters' positions run 1..n without a gap or a repeat.
constexpr bool FiltersNumberedInOrder() {
  size_t count = 0;
  uint32_t sum = 0;
  for (const IndicationClassDesc& c : kBaseIndicationClasses) count += c.filter.name ? (sum += c.filter.position, 1) : 0;
  for (const AlertKindDesc& k : kKinds) count += k.filter.name ? (sum += k.filter.position, 1) : 0;
  return sum == count * (count + 1) / 2;
}
static_assert(FiltersNumberedInOrder(), "filter positions are 1..n");

CZubString LocalTimeNow() {
  const std::string text = platform::LocalTimeText();
  return CZubString(platform::WidenMultiByte(text.c_str(), text.size()).c_str());
}

}  // namespace

std::span<const AlertKindDesc> AlertKinds() { return kKinds; }

const AlertKindDesc& AlertKindOf(AlertKind kind) { return kKinds[static_cast<size_t>(kind)]; }

const AlertKindDesc* FindAlertKind(AlertElement element, uint32_t code) {
  for (const AlertKindDesc& row : kKinds) {
    if (row.element == element && row.code == code) return &row;
  }
  return nullptr;
}

std::span<const IndicationClassDesc> IndicationClasses() {
  static const std::vector<IndicationClassDesc> classes = [] {
    std::vector<IndicationClassDesc> all(std::begin(kBaseIndicationClasses), std::end(kBaseIndicationClasses));
    for (const AlertKindDesc& row : kKinds) all.push_back({row.alertClassName, row.alertSuperclass, row.filter});
    return all;
  }();
  return classes;
}

bool IsIndicationOf(const wchar_t* cls, const wchar_t* selected) {
  // Walks up the hierarchy; the schema is a tree of a few levels.
  for (const wchar_t* at = cls; at != nullptr;) {
    if (std::wcscmp(at, selected) == 0) return true;
    const wchar_t* parent = nullptr;
    for (const IndicationClassDesc& c : IndicationClasses()) {
      if (std::wcscmp(c.name, at) == 0) parent = c.superclass;
    }
    at = parent;
  }
  return false;
}

stZUB_AlertIndication BuildAlert(AlertKind kind, const CZubString& elementPath, const CZubString& eventId,
                                 const CZubString& systemName) {
  const AlertKindDesc& row = AlertKindOf(kind);
  stZUB_AlertIndication alert;
  alert.Description = row.description;
  alert.AlertingManagedElement = row.namesElement ? elementPath : CZubString(kNotApplicable);
  alert.AlertingElementFormat = row.format;
  alert.AlertType = row.alertType;
  alert.OtherAlertType = row.otherAlertType;
  alert.PerceivedSeverity = row.perceivedSeverity;
  alert.ProbableCause = kProbableCauseOther;
  alert.ProbableCauseDescription = row.probableCauseDescription;
  alert.Trending = row.trending;
  for (const wchar_t* action : row.recommendedActions) {
    if (action) alert.RecommendedActions.Add(action);
  }
  alert.EventID = eventId;
  alert.AlertClassName = row.alertClassName;
  alert.SystemName = systemName;
  alert.SystemCreationClassName = kSystemCreationClassName;
  alert.ProviderName = kProviderName;
  alert.EventTime = LocalTimeNow();
  return alert;
}

bool RaiseAlert(CSafeArrayT<stZUB_AlertIndication>& alerts, AlertElement element, uint32_t code,
                const RecordDesc& desc, const void* record, const CZubString& eventId,
                const CZubString& systemName) {
  const AlertKindDesc* row = FindAlertKind(element, code);
  if (!row) return false;
  // A gone element's path is not wanted; the host's names need not be read.
  const CZubString path =
      row->namesElement ? CReferenceBuilder().To(kElementClasses[static_cast<size_t>(element)], desc, record)
                        : CZubString();
  alerts.AddLocked(BuildAlert(row->kind, path, eventId, systemName));
  return true;
}
