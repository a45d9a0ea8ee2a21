// association_fixture.h: the fixture of tests of association classes: known
// host and namespace texts for references, no setting left over from another
// test (the setting lists live as long as the process), and the element
// classes brought up to date on the loaded topology before an association
// reads them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "classes/config/spare_configuration.h"
#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/card.h"
#include "classes/system/computer_system.h"
#include "classes/system/port_controller.h"
#include "framework/object_path.h"
#include "provider/provider.h"
#include "tests/support/class_fixture.h"

namespace zubtest {

using RefPairs = std::vector<std::pair<std::wstring, std::wstring>>;

// "Class Key" of a reference, its key the first it has of DeviceID, Name,
// Tag and InstanceID.
inline std::wstring Brief(const CZubString& reference) {
  CWbemObjectPath path;
  path.ParsePath(reference);
  CZubString key;
  for (const wchar_t* name : {L"DeviceID", L"Name", L"Tag", L"InstanceID"}) {
    if (path.m_keys.TryGetPropertyValue(name, &key)) break;
  }
  return path.m_className.Str() + L" " + key.Str();
}

// "First|Second" of each association record, in Brief form.
template <class Rec>
Rows Links(const CArrayT<Rec>& records, CZubString Rec::*first, CZubString Rec::*second) {
  Rows out;
  for (const Rec& r : records) out.push_back(Brief(r.*first) + L"|" + Brief(r.*second));
  return out;
}

// The two references of each association record, whole.
template <class Rec>
RefPairs Refs(const CArrayT<Rec>& records, CZubString Rec::*first, CZubString Rec::*second) {
  RefPairs out;
  for (const Rec& r : records) out.emplace_back((r.*first).Str(), (r.*second).Str());
  return out;
}

class AssociationFixture : public ClassFixture {
 protected:
  void SetUp() override {
    ClassFixture::SetUp();
    stComputerStringNames names;
    names.Namespace = L"root\\corvo_zub";
    names.ComputerName = L"box";
    PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names);
    ClearSettings();
  }
  void TearDown() override {
    ClearSettings();
    ClassFixture::TearDown();
  }

  // Loads `json` and brings the element classes up to date on it (volumes
  // file their settings); an element class's own status is its tests'.
  void LoadAndList(const std::string& json) {
    Load(json);
    PROVIDER_CreateZubComputerSystemInstance()->Update();
    PROVIDER_CreateZubCardInstance()->Update();
    PROVIDER_CreateZubPortControllerInstance()->Update();
    PROVIDER_CreateZubStorageExtentDiskInstance()->Update();
    PROVIDER_CreateZubStorageVolumeInstance()->Update();
    PROVIDER_CreateZubStoragePoolInstance()->Update();
    PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance()->Update();
    PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance()->Update();
  }

  // A whole reference text on the fixture's host and namespace.
  static std::wstring Path(const std::wstring& keys) { return L"\\\\box\\root\\corvo_zub:" + keys; }
  static std::wstring Disk(const std::wstring& handle) {
    return Path(L"ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\",DeviceID=\"" + handle +
                L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Disk_" + handle + L"\"");
  }
  static std::wstring System(const std::wstring& name) {
    return Path(L"ZUB_ComputerSystem.CreationClassName=\"Corvo_ZUBe3.0\",Name=\"" + name + L"\"");
  }

  // Forgets every filed setting (a volume's stays until its deletion is seen).
  static void ClearSettings() {
    for (SettingList which : {SettingList::Primordial, SettingList::Volume}) {
      CArrayT<stZUB_StorageSetting> settings;
      (which == SettingList::Volume ? PROVIDER_CreateZubStorageSettingVolumeInstance()
                                    : PROVIDER_CreateZubStorageSettingPrimordialInstance())
          ->GetData(&settings);
      for (const stZUB_StorageSetting& s : settings) RemoveSetting(which, s.InstanceID);
    }
  }
};

}  // namespace zubtest
