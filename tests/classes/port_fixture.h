// port_fixture.h: the fixture of the port classes' tests. Volume settings
// live for the whole process, and a DA port needs exactly one per volume, so
// LoadPorts drops the settings earlier tests filed; it also reads the disk
// list afresh, since a volume's setting names the disks that list holds.
// References are built on host "box" and namespace root\Corvo_ZUB; Short and
// Pairs write them compactly for comparing many at once.
#pragma once

#include <string>
#include <vector>

#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "framework/object_path.h"
#include "framework/provider.h"
#include "tests/support/class_fixture.h"

namespace zubtest {

// "Class Key" of a reference, its key being DeviceID or else Name.
inline std::wstring Short(const CZubString& reference) {
  CWbemObjectPath path;
  path.ParsePath(reference);
  CZubString key;
  if (!path.m_keys.TryGetPropertyValue(L"DeviceID", &key)) path.m_keys.TryGetPropertyValue(L"Name", &key);
  return path.m_className.Str() + L" " + key.Str();
}

// "First | Second" of each association record, in Short form.
template <class Rec>
std::vector<std::wstring> Pairs(const CArrayT<Rec>& records, CZubString Rec::*first, CZubString Rec::*second) {
  std::vector<std::wstring> out;
  for (const Rec& r : records) out.push_back(Short(r.*first) + L" | " + Short(r.*second));
  return out;
}

class PortFixture : public ClassFixture {
 protected:
  void SetUp() override {
    ClassFixture::SetUp();
    stComputerStringNames names;
    names.Namespace = L"root\\Corvo_ZUB";
    names.ComputerName = L"box";
    PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names);
  }

  static void LoadPorts(const std::string& json) {
    Load(json);
    CArrayT<stZUB_StorageSetting> settings;
    PROVIDER_CreateZubStorageSettingVolumeInstance()->GetData(&settings);
    for (const stZUB_StorageSetting& s : settings) RemoveSetting(SettingList::Volume, s.InstanceID);
    PROVIDER_CreateZubStorageExtentDiskInstance()->Update();
    abru2sim::ResetCounters();
  }

  // The path of an instance as the library writes references.
  static std::wstring Path(const std::wstring& classAndKeys) { return L"\\\\box\\root\\Corvo_ZUB:" + classAndKeys; }
};

}  // namespace zubtest
