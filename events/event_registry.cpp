// event_registry.cpp: the registration table of the event monitor.
#include "events/event_registry.h"

#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_setting.h"
#include "classes/ports/da_port.h"
#include "classes/ports/logical_port.h"
#include "classes/ports/protocol_controller.h"
#include "classes/ports/protocol_endpoint.h"
#include "classes/profiles/software_identity.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/alarm_device.h"
#include "framework/zub_lock.h"

namespace {

// The classes that react to events, in the order the monitor visits them and
// delivers their alerts. The first four compare their state with a snapshot
// and raise alerts; the others re-read their list. A class fills in its
// accessor when it lands (see event_registry.h).
constexpr EventRegistrationRow kRows[] = {
    {"CZubStorageVolume", &StorageVolumeEvents},
    {"CZubStorageExtentDisk", &StorageExtentDiskEvents},
    {"CZubSoftwareIdentity", &SoftwareIdentityEvents},
    {"CZubStoragePool", &StoragePoolEvents},
    {"CZubAlarmDevice", &AlarmDeviceEvents},
    {"CZubStorageSettingVolume", &StorageSettingVolumeEvents},
    {"CZubStorageCapabilitiesPrimordial", &StorageCapabilitiesEvents},
    {"CZubDAPort", &DAPortEvents},
    {"CZubATALogicalPort", &ATALogicalPortEvents},
    {"CZubATAProtocolController", &ATAProtocolControllerEvents},
    {"CZubATAProtocolEndpoint", &ATAProtocolEndpointEvents},
    {"CZubSCSILogicalPort", &SCSILogicalPortEvents},
    {"CZubSCSIProtocolController", &SCSIProtocolControllerEvents},
    {"CZubSCSIProtocolEndpoint", &SCSIProtocolEndpointEvents},
};
static_assert(std::size(kRows) == kEventRegistrationRows);

// Registrations added by tests, guarded by the process-wide lock. A fixed
// array: nothing on the heap that an unloaded library copy could leave
// behind, nothing destroyed while a monitor thread may still read it.
constexpr size_t kMostAdded = 16;
CEventRegisterInterface* g_added[kMostAdded] = {};
size_t g_addedCount = 0;

}  // namespace

std::span<const EventRegistrationRow> EventRegistrationTable() { return kRows; }

std::vector<CEventRegisterInterface*> EventRegistrations() {
  std::vector<CEventRegisterInterface*> all;
  for (const EventRegistrationRow& row : kRows) {
    if (CEventRegisterInterface* r = row.registration ? row.registration() : nullptr) all.push_back(r);
  }
  CGlobalLock lock(GetGlobalLock());
  all.insert(all.end(), g_added, g_added + g_addedCount);
  return all;
}

void ZubAddEventRegistration(CEventRegisterInterface* registration) {
  CGlobalLock lock(GetGlobalLock());
  if (registration && g_addedCount < kMostAdded) g_added[g_addedCount++] = registration;
}
