// port_fixture.h: the fixture of the port classes' tests. Volume settings
// live for the whole process, and a DA port needs exactly one per volume, so
// LoadPorts drops the settings earlier tests filed; it also reads the disk
// list afresh, since a volume's setting names the disks that list holds.
// References are built on host "box" and namespace root\Corvo_ZUB.
#pragma once

#include <string>

#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "framework/provider.h"
#include "tests/support/class_fixture.h"

namespace zubtest {

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
