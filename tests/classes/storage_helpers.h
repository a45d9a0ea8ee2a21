// storage_helpers.h: what the storage and configuration class tests share:
// the two setting lists, a setting generated from capabilities, a volume's
// path.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_setting.h"
#include "tests/support/class_fixture.h"

namespace zubtest {

// The keys of a volume's path, as the volume class writes them.
inline std::wstring VolumeKeys(const std::wstring& name, const std::wstring& handle) {
  return L"ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"" + name + L"_" + handle +
         L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_" + handle + L"\"";
}

inline CArrayT<stZUB_StorageSetting> Settings(SettingList which) {
  CArrayT<stZUB_StorageSetting> out;
  (which == SettingList::Volume ? PROVIDER_CreateZubStorageSettingVolumeInstance()
                                : PROVIDER_CreateZubStorageSettingPrimordialInstance())
      ->GetData(&out);
  return out;
}

// CreateSetting on capabilities `id`: type 2 a default setting, 3 a goal.
inline stZUB_StorageCapabilitiesPrimordial CreateSetting(const wchar_t* id, uint64_t type) {
  stZUB_StorageCapabilitiesPrimordial rec;
  rec.InstanceID = id;
  rec.SettingType = type;
  EXPECT_EQ(PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance()->CreateSetting(&rec), PROVIDER_SUCCESS);
  return rec;
}

}  // namespace zubtest
