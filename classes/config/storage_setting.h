// storage_setting.h: ZUB_StorageSettingPrimordial and ZUB_StorageSettingVolume,
// two lists of storage settings (one record type) that live for the life of
// the process. The primordial list holds the settings CreateSetting of
// ZUB_StorageCapabilitiesPrimordial generates; the volume list one setting
// per volume, filed by ZUB_StorageVolume's Update and removed by the storage
// configuration service after it changed or deleted the volume. A host uses
// a setting as the goal of a volume creation or modification and changes its
// goal values with PutData.
//
// Update: 0 always; the lists are not rebuilt. PutData: 0 always; updates
// the goal fields of every stored setting with the given InstanceID.
#pragma once

#include "zubprov/config.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The operations other classes use on the two lists, each under the
// process-wide lock. Both are no-ops when the list object cannot be created.
enum class SettingList { Primordial, Volume };
// Appends a copy at the end of the list.
void AddSetting(SettingList list, const stZUB_StorageSetting& setting);
// Appends a volume's setting unless the volume list holds one for the same
// volume (VolumeName and ControllerHandle) already, in one step: two
// threads listing a new volume at once file one setting between them.
void FileVolumeSetting(const stZUB_StorageSetting& setting);
// Removes the first setting with that InstanceID: 0, or 1 when there is none.
PROVIDER_STATUS RemoveSetting(SettingList list, const CZubString& instanceId);

// The cache policies a controller offers for a policy code: "CACHING_OFF" and
// "WRITEBACK" when it offers write-back, else only the policy's own name.
CArrayT<CZubString> SupportedCachePolicies(const _SSI_ControllerInfo& controller, uint32_t policy);

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* StorageSettingVolumeEvents();
