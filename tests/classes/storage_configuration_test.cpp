// ZUB_StorageConfigurationService through the simulation: the request path a
// management client follows (capabilities, CreateSetting, PutData, pools,
// disks, then the service with references), every kind of modification,
// deletion, rescans, rejected input and the translation of middleware
// failures.
#include <gtest/gtest.h>

#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_configuration_service.h"
#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/port_controller.h"
#include "tests/support/class_fixture.h"

using zubtest::Fields;
namespace {

// Controller 5 (write-back offered): six available disks, one volume "Base"
// (RAID1 on 51 and 52). Controller 6: one available disk.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 5, "name": "Five", "write_back_offered": 1, "raid_info": {"handle": 50},
   "disks": [{"handle": 51}, {"handle": 52}, {"handle": 53}, {"handle": 54}, {"handle": 55}, {"handle": 56}],
   "volumes": [{"handle": 500, "array_handle": 501, "name": "Base", "level": 2, "disks": [51, 52], "cache": 1}]},
  {"handle": 6, "name": "Six", "disks": [{"handle": 61}]}]})";

std::wstring DiskRef(const wchar_t* id) {
  return std::wstring(L"\\\\h\\root\\Corvo_ZUB:ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\","
                      L"DeviceID=\"") + id + L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Disk_" + id +
         L"\"";
}

class ConfigurationTest : public zubtest::ClassFixture {
 protected:
  void SetUp() override {
    ClassFixture::SetUp();
    Load(kTopology);
    Refresh();
  }
  // What a host does between requests: every class it reads, up to date.
  static void Refresh() {
    List<&PROVIDER_CreateZubPortControllerInstance>();
    List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
    PROVIDER_CreateZubStoragePoolInstance()->Update();
    PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance()->Update();
    PROVIDER_CreateZubStorageVolumeInstance()->Update();
  }
  static CZubStorageConfigurationServiceInterface* Service() {
    return PROVIDER_CreateZubStorageConfigurationServiceInstance();
  }
  // A goal setting generated for controller 5, with the given goal values.
  static std::wstring Goal(const wchar_t* level, uint64_t strip, const wchar_t* cache) {
    stZUB_StorageCapabilitiesPrimordial caps;
    caps.InstanceID = L"5";
    caps.SettingType = 3;
    PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance()->CreateSetting(&caps);
    EXPECT_EQ(caps.ReturnValue, 0u);
    CArrayT<stZUB_StorageSetting> all;
    PROVIDER_CreateZubStorageSettingPrimordialInstance()->GetData(&all);
    stZUB_StorageSetting s = all[all.GetCount() - 1];
    s.RaidLevel = level;
    s.UserDataStripeDepth = strip;
    s.CachePolicy = cache;
    PROVIDER_CreateZubStorageSettingPrimordialInstance()->PutData(s);
    return caps.NewSetting.Str();
  }
  static stZUB_StorageConfigurationService Create(const wchar_t* name, const std::wstring& goal,
                                                  std::initializer_list<const wchar_t*> disks, uint64_t size = 0) {
    stZUB_StorageConfigurationService rec;
    auto& p = rec.CreateOrModifyParams;
    p.ElementName = name;
    p.ElementType = 2;
    p.Goal = goal.c_str();
    p.Size = size;
    for (const wchar_t* d : disks) p.InElements.Add(DiskRef(d).c_str());
    EXPECT_EQ(Service()->CreateOrModifyElementFromElements(&rec), PROVIDER_SUCCESS);
    return rec;
  }
  static const stZUB_StorageVolume* Find(const CArrayT<stZUB_StorageVolume>& list, const wchar_t* name) {
    for (const auto& v : list) {
      if (v.ElementName.Str() == name) return &v;
    }
    return nullptr;
  }
  static CArrayT<stZUB_StorageVolume> Volumes() {
    Refresh();
    CArrayT<stZUB_StorageVolume> out;
    PROVIDER_CreateZubStorageVolumeInstance()->GetData(&out);
    return out;
  }
  // The setting the volume update filed for a volume, as a goal reference.
  static std::wstring VolumeGoal(const wchar_t* name) {
    return std::wstring(L"\\\\h\\ns:ZUB_StorageSettingVolume.InstanceID=\"VolumeSetting_") + name + L"\"";
  }
  static CZubString VolumeRef(const stZUB_StorageVolume& v) {
    return (L"\\\\h\\ns:ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"" + v.DeviceID.Str() +
            L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"" + v.SystemName.Str() + L"\"")
        .c_str();
  }
  // Changes the volume setting filed for volume `name` of controller 5.
  template <class Edit>
  static void EditSetting(const wchar_t* name, Edit edit) {
    CArrayT<stZUB_StorageSetting> settings;
    PROVIDER_CreateZubStorageSettingVolumeInstance()->GetData(&settings);
    for (stZUB_StorageSetting s : settings) {
      if (s.VolumeName.Str() != name || s.ControllerHandle.Str() != L"5") continue;
      edit(s);
      EXPECT_EQ(PROVIDER_CreateZubStorageSettingVolumeInstance()->PutData(s), PROVIDER_SUCCESS);
    }
  }
  static uint64_t ReturnToPool(const stZUB_StorageVolume& v) {
    stZUB_StorageConfigurationService del;
    del.ReturnToStoragePoolParams.TheElement = VolumeRef(v);
    EXPECT_EQ(Service()->ReturnToStoragePool(&del), PROVIDER_SUCCESS);
    return del.ReturnValue;
  }
  static stZUB_StorageConfigurationService Modify(const stZUB_StorageVolume& v, const std::wstring& goal,
                                                  const wchar_t* newName, uint64_t size,
                                                  std::initializer_list<const wchar_t*> disks = {}) {
    stZUB_StorageConfigurationService rec;
    auto& p = rec.CreateOrModifyParams;
    p.ElementType = 2;
    p.ElementName = newName;
    p.Goal = goal.c_str();
    p.Size = size;
    p.TheElement = VolumeRef(v);
    for (const wchar_t* d : disks) p.InElements.Add(DiskRef(d).c_str());
    EXPECT_EQ(Service()->CreateOrModifyElementFromElements(&rec), PROVIDER_SUCCESS);
    return rec;
  }
};

TEST_F(ConfigurationTest, OneServicePerPortController) {
  auto services = List<&PROVIDER_CreateZubStorageConfigurationServiceInstance>();
  ASSERT_EQ(services.GetCount(), 2u);
  EXPECT_EQ(services[0].Name.Str(), L"ZUB_StorageConfigurationService_Five");
  EXPECT_EQ(services[1].SystemName.Str(), L"Six");
  EXPECT_EQ(services[0].ControllerHandle.Str(), L"5");
}

TEST_F(ConfigurationTest, CreateModifyInEveryWayAndDelete) {
  // Creation: the goal's level, strip and cache policy, the named disks.
  stZUB_StorageConfigurationService created = Create(L"Made", Goal(L"RAID5", 65536, L"WRITEBACK"),
                                                     {L"53", L"54", L"55"});
  ASSERT_EQ(created.ReturnValue, 0u);
  EXPECT_EQ(created.CreateOrModifyParams.Job.Str(), L"NULL");
  const std::wstring& path = created.CreateOrModifyParams.TheElement.Str();
  EXPECT_NE(path.find(L":ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Made_"), 0u);
  CArrayT<stZUB_StorageVolume> volumes = Volumes();
  const stZUB_StorageVolume* made = Find(volumes, L"Made");
  ASSERT_NE(made, nullptr);
  EXPECT_NE(path.find(made->DeviceID.Str()), std::wstring::npos) << path;
  EXPECT_EQ(made->RaidLevel.Str(), L"RAID5");
  EXPECT_EQ(made->StripSize, 65536);
  EXPECT_EQ(made->CachePolicy.Str(), L"WRITEBACK");
  EXPECT_EQ(made->NumberOfDisks, 3u);
  EXPECT_EQ(created.CreateOrModifyParams.Size, made->VolumeSize);

  // Name and cache policy only: no expand, add or level call.
  const uint64_t before = Calls("SsiExpandVolume") + Calls("SsiAddDisksToArray") + Calls("SsiRaidLevelModify");
  EditSetting(L"Made", [](stZUB_StorageSetting& s) { s.CachePolicy = L"WRITE_THROUGH"; });
  EXPECT_EQ(Modify(*made, VolumeGoal(L"Made"), L"Renamed", made->VolumeSize).ReturnValue, 0u);
  EXPECT_EQ(Calls("SsiExpandVolume") + Calls("SsiAddDisksToArray") + Calls("SsiRaidLevelModify"), before);
  EXPECT_EQ(Calls("SsiVolumeRename"), 1u);
  volumes = Volumes();
  const stZUB_StorageVolume* renamed = Find(volumes, L"Renamed");
  ASSERT_NE(renamed, nullptr);
  EXPECT_EQ(renamed->CachePolicy.Str(), L"WRITE_THROUGH");

  // Add a disk (one of the volume's own is skipped) and expand.
  stZUB_StorageConfigurationService grown =
      Modify(*renamed, VolumeGoal(L"Renamed"), L"", renamed->VolumeSize, {L"53", L"56"});
  EXPECT_EQ(grown.ReturnValue, 0u);
  EXPECT_EQ(Calls("SsiAddDisksToArray"), 1u);
  volumes = Volumes();
  const stZUB_StorageVolume* wider = Find(volumes, L"Renamed");
  ASSERT_NE(wider, nullptr);
  EXPECT_EQ(wider->NumberOfDisks, 4u);
  // The name the goal setting already has is no rename; neither is none.
  EXPECT_EQ(Modify(*wider, VolumeGoal(L"Renamed"), L"Renamed", wider->VolumeSize + 4096).ReturnValue, 0u);
  EXPECT_EQ(Calls("SsiExpandVolume"), 1u);
  EXPECT_EQ(Calls("SsiVolumeRename"), 1u);

  // A level change goes through the level call.
  volumes = Volumes();
  const stZUB_StorageVolume* base = Find(volumes, L"Base");
  ASSERT_NE(base, nullptr);
  EditSetting(L"Base", [](stZUB_StorageSetting& s) { s.RaidLevel = L"RAID0"; });
  EXPECT_EQ(Modify(*base, VolumeGoal(L"Base"), L"", 0).ReturnValue, 0u);
  EXPECT_EQ(Calls("SsiRaidLevelModify"), 1u);
  volumes = Volumes();
  EXPECT_EQ(Find(volumes, L"Base")->RaidLevel.Str(), L"RAID0");

  // Deletion: the volume goes, its setting with it; a second one finds nothing.
  const stZUB_StorageVolume gone = *Find(volumes, L"Renamed");
  EXPECT_EQ(ReturnToPool(gone), 0u);
  EXPECT_EQ(Find(Volumes(), L"Renamed"), nullptr);
  EXPECT_EQ(ReturnToPool(gone), 4u);
  ExpectSessionsBalanced();
}

TEST_F(ConfigurationTest, ALevelChangeCarriesLevelStripSizeAndAddedDisks) {
  // Base (RAID1 on 51, 52) becomes RAID5 on three disks with a strip of its
  // own and a size between the old one and the largest.
  CArrayT<stZUB_StorageVolume> volumes = Volumes();
  const stZUB_StorageVolume base = *Find(volumes, L"Base");
  EditSetting(L"Base", [](stZUB_StorageSetting& s) {
    s.RaidLevel = L"RAID5";
    s.UserDataStripeDepth = 32768;
  });
  const uint64_t size = base.VolumeSize + 1024 * 2048;
  EXPECT_EQ(Modify(base, VolumeGoal(L"Base"), L"", size, {L"51", L"53"}).ReturnValue, 0u);
  EXPECT_EQ(Calls("SsiRaidLevelModify"), 1u);
  EXPECT_EQ(Calls("SsiExpandVolume") + Calls("SsiAddDisksToArray") + Calls("SsiVolumeRename"), 0u);
  volumes = Volumes();
  const stZUB_StorageVolume* changed = Find(volumes, L"Base");
  ASSERT_NE(changed, nullptr);
  EXPECT_EQ(changed->RaidLevel.Str(), L"RAID5");
  EXPECT_EQ(changed->StripSize, 32768);
  EXPECT_EQ(changed->VolumeSize, size);
  EXPECT_EQ(changed->NumberOfDisks, 3u);

  // A modification takes its goal setting away: until the volumes are
  // listed again (which files a new one), the volume has none and cannot be
  // returned to the pool.
  EXPECT_EQ(Modify(*changed, VolumeGoal(L"Base"), L"", changed->VolumeSize).ReturnValue, 0u);
  CArrayT<stZUB_StorageSetting> settings;
  PROVIDER_CreateZubStorageSettingVolumeInstance()->GetData(&settings);
  for (const stZUB_StorageSetting& s : settings) EXPECT_NE(s.VolumeName.Str(), L"Base");
  EXPECT_EQ(ReturnToPool(*changed), 4u);
  EXPECT_EQ(Calls("SsiVolumeDelete"), 0u);
}

TEST_F(ConfigurationTest, RejectedInputAndWrongGoals) {
  const std::wstring goal = Goal(L"RAID0", 0, L"CACHING_OFF");
  // While the pool has disks: references without the key read are rejected.
  EXPECT_EQ(Create(L"Keyless", L"\\\\h\\ns:ZUB_StorageSettingPrimordial.Id=\"1\"", {L"61"}).ReturnValue, 5u);
  stZUB_StorageConfigurationService keyless = Create(L"X", goal, {});
  keyless.CreateOrModifyParams.InElements.Add(L"\\\\h\\ns:ZUB_StorageExtentDisk.Name=\"61\"");
  Service()->CreateOrModifyElementFromElements(&keyless);
  EXPECT_EQ(keyless.ReturnValue, 5u);

  // Disks that match no extent: the middleware is still asked, with none.
  EXPECT_EQ(Create(L"Ghosts", goal, {L"999"}).ReturnValue, 5u);  // the middleware's 14
  EXPECT_EQ(Calls("SsiVolumeCreateFromDisks"), 1u);

  const uint64_t creates = Calls("SsiVolumeCreateFromDisks");
  auto rec = Create(L"Typed", goal, {L"53", L"54"});
  EXPECT_EQ(rec.ReturnValue, 0u);

  stZUB_StorageConfigurationService bad;
  bad.CreateOrModifyParams.ElementType = 3;
  bad.CreateOrModifyParams.ElementName = L"X";
  bad.CreateOrModifyParams.Goal = goal.c_str();
  bad.CreateOrModifyParams.InElements.Add(DiskRef(L"55").c_str());
  Service()->CreateOrModifyElementFromElements(&bad);
  EXPECT_EQ(bad.ReturnValue, 5u);
  EXPECT_EQ(Create(L"", goal, {L"55"}).ReturnValue, 5u);
  EXPECT_EQ(Create(L"NoDisks", goal, {}).ReturnValue, 5u);
  EXPECT_EQ(Create(L"EighteenCharacters", goal, {L"55", L"56"}).ReturnValue, 5u);
  EXPECT_EQ(Calls("SsiVolumeCreateFromDisks"), creates + 1);
  EXPECT_EQ(Create(L"SeventeenCharactr", goal, {L"55", L"56"}).ReturnValue, 0u);

  // A volume setting is no creation goal, a primordial setting no
  // modification goal.
  EXPECT_EQ(Create(L"Wrong", VolumeGoal(L"Base"), {L"61"}).ReturnValue, 4u);
  CArrayT<stZUB_StorageVolume> volumes = Volumes();
  EXPECT_EQ(Modify(*Find(volumes, L"Base"), goal, L"", 0).ReturnValue, 4u);
  stZUB_StorageConfigurationService del;
  del.ReturnToStoragePoolParams.TheElement =
      L"\\\\h\\ns:zub_storagevolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Base_500\","
      L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_500\"";
  Service()->ReturnToStoragePool(&del);
  EXPECT_EQ(del.ReturnValue, 5u);  // class names match exactly
  del.ReturnToStoragePoolParams.TheElement = L"";
  Service()->ReturnToStoragePool(&del);
  EXPECT_EQ(del.ReturnValue, 5u);
  EXPECT_EQ(Service()->CreateOrModifyElementFromElements(nullptr), PROVIDER_INVALID_PARAMETER);
}

TEST_F(ConfigurationTest, MiddlewareFailuresTranslatePerMethod) {
  struct Row {
    SSI_STATUS status;
    uint64_t create, remove, scan;
  } rows[] = {{12, 1, 1, 1}, {14, 5, 5, 1}, {15, 4, 4, 4}, {16, 2, 2, 2}, {18, 5, 4, 5}, {23, 3, 3, 3}, {99, 5, 5, 5}};
  const std::wstring goal = Goal(L"RAID0", 0, L"CACHING_OFF");
  CArrayT<stZUB_StorageVolume> volumes = Volumes();
  const stZUB_StorageVolume base = *Find(volumes, L"Base");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.status);
    Fail("SsiVolumeCreateFromDisks", row.status);
    EXPECT_EQ(Create(L"F", goal, {L"53", L"54"}).ReturnValue, row.create);

    Fail("SsiVolumeDelete", row.status);
    EXPECT_EQ(ReturnToPool(base), row.remove);

    stZUB_StorageConfigurationService scan;
    Fail("SsiRescan", row.status);
    Service()->ScsiScan(&scan);
    EXPECT_EQ(scan.ReturnValue, row.scan);
    EXPECT_EQ(scan.ScsiScanParams.Job.Str() + scan.ScsiScanParams.OtherConnectionType.Str(), L"NULLNULL");
  }
  // A failed cache policy leaves the new volume in place, and the
  // record's TheElement and Size as they came in.
  Fail("SsiVolumeSetCachePolicy", 15);
  const stZUB_StorageConfigurationService stays = Create(L"Stays", goal, {L"53", L"54"});
  EXPECT_EQ(stays.ReturnValue, 4u);
  EXPECT_EQ(stays.CreateOrModifyParams.TheElement.Str(), L"");
  EXPECT_EQ(stays.CreateOrModifyParams.Size, 0u);
  EXPECT_NE(Find(Volumes(), L"Stays"), nullptr);

  // A rescan writes every output, whatever the caller passed.
  stZUB_StorageConfigurationService scan;
  auto& p = scan.ScsiScanParams;
  p.Job = L"j";
  p.ConnectionType = 7;
  p.OtherConnectionType = L"o";
  for (CArrayT<CZubString>* list : {&p.Initiators, &p.Targets, &p.LUNs}) list->Add(L"x");
  Service()->ScsiScan(&scan);
  EXPECT_EQ(scan.ReturnValue, 0u);
  EXPECT_EQ(p.Job.Str() + p.OtherConnectionType.Str(), L"NULLNULL");
  EXPECT_EQ(p.ConnectionType, 0u);
  EXPECT_EQ(p.Initiators.GetCount() + p.Targets.GetCount() + p.LUNs.GetCount(), 0u);
}

}  // namespace
