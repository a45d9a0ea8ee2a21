// alert.h: what an alert is when it reaches the host: the record the event
// monitor hands to the host's callback, the fixed texts and numbers of every
// kind of alert (one table), the indication classes a CIM schema declares for
// them, and the builders the event-registered classes call from DetectAlerts.
//
// A class that raises alerts only maps its own record; the builder finds the
// kind from the class's kind code, builds the element's object path from the
// record's description and fills everything else. The volume class's
// RaiseAlerts (called by CDetectChangesT, framework/event_register.h, with the
// snapshot and what its rebuild read):
//
//   void RaiseAlerts(const CArrayT<stZUB_StorageVolume>& before,
//                    const CArrayT<stZUB_StorageVolume>& now) {
//     for (const VolumeChange& c : VolumeChanges(before, now))
//       RaiseVolumeAlert(m_alerts, c.kind, *c.volume);  // kind code 1..3
//   }
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "zubprov/interfaces.h"
#include "framework/record_desc.h"
#include "zubprov/provider.h"

// The elements alerts are about. Each has its own builder and kind codes.
enum class AlertElement : uint8_t { Volume, Disk, Pool, Software };

// Every kind of alert, in the order of the kinds table.
enum class AlertKind : uint8_t {
  VolumeCreated,
  VolumeModified,
  VolumeDeleted,
  DiskInserted,
  DiskFailed,
  DiskRemoved,
  DiskFailing,
  DiskMarkedPrimordial,
  DiskMarkedAsSpare,
  DiskSpareUsed,
  DiskSpareReleased,
  DiskReturnedToNormal,
  PrimordialPoolModified,
  SoftwareUpdated,
};
inline constexpr size_t kAlertKindCount = 14;

// The indication filter that selects the indications of one class (and of
// its subclasses): its name, its description and its place in the list of
// filters (from 1).
struct FilterDesc {
  const wchar_t* name;
  const wchar_t* description;
  uint32_t position;
};

// One row of the kinds table: everything fixed about a kind.
struct AlertKindDesc {
  AlertKind kind;
  AlertElement element;
  uint32_t code;  // the kind code the element's class passes: volume 1..3, disk 1..9, pool and software 1
  const wchar_t* description;
  const wchar_t* otherAlertType;
  const wchar_t* probableCauseDescription;
  const wchar_t* alertClassName;
  const wchar_t* alertSuperclass;  // the parent of alertClassName in the schema
  FilterDesc filter;               // the filter that selects alertClassName (name null: none)
  bool namesElement;               // false: the element is gone, its path is "N/A"
  uint64_t format;                 // AlertingElementFormat
  uint64_t trending;
  std::array<const wchar_t*, 3> recommendedActions;  // in order; unused places null
  uint64_t alertType = 1;
  uint64_t perceivedSeverity = 2;
};

// The kinds table, indexed by AlertKind.
std::span<const AlertKindDesc> AlertKinds();
const AlertKindDesc& AlertKindOf(AlertKind kind);
// The kind an element's builder raises for `code`; null outside its codes.
const AlertKindDesc* FindAlertKind(AlertElement element, uint32_t code);

// An indication class of the schema, the class it specialises and the filter
// that selects it (none: null name): the generic ZUB_AlertIndication, the
// class the spare-used filter selects, and one class per kind, each kind's
// from its row. The filters of these rows are the provider's indication
// filters (classes/profiles/indication_filter.h).
struct IndicationClassDesc {
  const wchar_t* name;
  const wchar_t* superclass;
  FilterDesc filter;
};
ZUBPROV_API std::span<const IndicationClassDesc> IndicationClasses();
// Whether an indication of class `cls` is an instance of `selected` (the
// class itself or one of its ancestors): what "SELECT * from selected" picks.
ZUBPROV_API bool IsIndicationOf(const wchar_t* cls, const wchar_t* selected);

// The alert of `kind` about one element: its object path (left out, "N/A",
// for the kinds whose element is gone), its EventID and SystemName, the
// kind's fixed values and the local time now.
stZUB_AlertIndication BuildAlert(AlertKind kind, const CZubString& elementPath, const CZubString& eventId,
                                 const CZubString& systemName);

// Appends, under the process-wide lock, the alert of kind `code` about the
// element `record` (described by `desc`; its path is built from its keys on
// the element's class, with the host's names) to `alerts`. False, and nothing
// appended, for a code outside the element's codes.
bool RaiseAlert(CSafeArrayT<stZUB_AlertIndication>& alerts, AlertElement element, uint32_t code,
                const RecordDesc& desc, const void* record, const CZubString& eventId, const CZubString& systemName);

// The builders of each element, called from DetectAlerts with a kind code
// and the element's record (for a gone element, its last record). A code
// outside the element's codes raises nothing and gives false.
// Volumes: path "ZUB_StorageVolume" with the volume record's keys
// (CreationClassName, DeviceID, SystemCreationClassName, SystemName);
// EventID its DeviceID, SystemName its SystemName.
template <class Volume>
bool RaiseVolumeAlert(CSafeArrayT<stZUB_AlertIndication>& alerts, uint32_t code, const Volume& volume) {
  return RaiseAlert(alerts, AlertElement::Volume, code, Volume::Describe(), &volume,
                    volume.DeviceID, volume.SystemName);
}
// Disks: the same on "ZUB_StorageExtentDisk".
template <class Disk>
bool RaiseDiskAlert(CSafeArrayT<stZUB_AlertIndication>& alerts, uint32_t code, const Disk& disk) {
  return RaiseAlert(alerts, AlertElement::Disk, code, Disk::Describe(), &disk,
                    disk.DeviceID, disk.SystemName);
}
// The primordial pool: path "ZUB_StoragePool.InstanceID"; EventID its
// InstanceID, SystemName its Caption.
template <class Pool>
bool RaisePoolAlert(CSafeArrayT<stZUB_AlertIndication>& alerts, const Pool& pool) {
  return RaiseAlert(alerts, AlertElement::Pool, 1, Pool::Describe(), &pool, pool.InstanceID, pool.Caption);
}
// A software identity: path "ZUB_SoftwareIdentity.InstanceID"; EventID its
// InstanceID, SystemName its new VersionString.
template <class Software>
bool RaiseSoftwareAlert(CSafeArrayT<stZUB_AlertIndication>& alerts, const Software& software) {
  return RaiseAlert(alerts, AlertElement::Software, 1, Software::Describe(), &software, software.InstanceID,
                    software.VersionString);
}
