// ZUB_StorageConfigurationService on the path a management client follows
// (CreateSetting, PutData, then the service with references): creation,
// every kind of modification, deletion, rescans, rejected input, failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_configuration_service.h"
#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/port_controller.h"
#include "tests/classes/association_fixture.h"
#include "tests/classes/storage_helpers.h"

using zubtest::Row;
using zubtest::Settings;
namespace {

// Controller 5 (write-back offered): seven available disks, one volume "Base"
// (RAID1 on 51 and 52). Controller 6: one available disk.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 5, "name": "Five", "write_back_offered": 1, "raid_info": {"handle": 50},
   "disks": [{"handle": 51}, {"handle": 52}, {"handle": 53}, {"handle": 54}, {"handle": 55}, {"handle": 56},
             {"handle": 57}],
   "volumes": [{"handle": 500, "array_handle": 501, "name": "Base", "level": 2, "disks": [51, 52], "cache": 1}]},
  {"handle": 6, "name": "Six", "disks": [{"handle": 61}]}]})";

using Counts = std::vector<uint64_t>;

class ConfigurationTest : public zubtest::AssociationFixture {
 protected:
  // The methods read and leave fresh state whether the store is on or off.
  bool ReadOnce(bool configured) const override { return configured; }
  void SetUp() override {
    AssociationFixture::SetUp();
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
    const stZUB_StorageCapabilitiesPrimordial caps = zubtest::CreateSetting(L"5", 3);
    EXPECT_EQ(caps.ReturnValue, 0u);
    const CArrayT<stZUB_StorageSetting> all = Settings(SettingList::Primordial);
    stZUB_StorageSetting s = all[all.GetCount() - 1];
    s.RaidLevel = level;
    s.UserDataStripeDepth = strip;
    s.CachePolicy = cache;
    PROVIDER_CreateZubStorageSettingPrimordialInstance()->PutData(s);
    return caps.NewSetting.Str();
  }
  // A creation of volume `name` from the disks of those handles, or with
  // `volume`, its modification.
  static stZUB_StorageConfigurationService CreateOrModify(const wchar_t* name, const std::wstring& goal,
                                                          std::initializer_list<const wchar_t*> disks,
                                                          uint64_t size = 0,
                                                          const stZUB_StorageVolume* volume = nullptr) {
    stZUB_StorageConfigurationService rec;
    auto& p = rec.CreateOrModifyParams;
    p.ElementName = name;
    p.ElementType = 2;
    p.Goal = goal.c_str();
    p.Size = size;
    if (volume) p.TheElement = VolumeRef(*volume).c_str();
    for (const wchar_t* d : disks) p.InElements.Add(Disk(d).c_str());
    EXPECT_EQ(Service()->CreateOrModifyElementFromElements(&rec), PROVIDER_SUCCESS);
    return rec;
  }
  // The volume of that name as a host lists it now (none: a failure).
  static stZUB_StorageVolume Named(const wchar_t* name) {
    Refresh();
    CArrayT<stZUB_StorageVolume> volumes;
    PROVIDER_CreateZubStorageVolumeInstance()->GetData(&volumes);
    for (const stZUB_StorageVolume& v : volumes) {
      if (v.ElementName.Str() == name) return v;
    }
    ADD_FAILURE() << "no volume " << name;
    return {};
  }
  // The setting the volume update filed for a volume, as a goal reference.
  static std::wstring VolumeGoal(const wchar_t* name) {
    return Path(L"ZUB_StorageSettingVolume.InstanceID=\"VolumeSetting_" + std::wstring(name) + L"\"");
  }
  static std::wstring VolumeRef(const stZUB_StorageVolume& v) {
    return Path(zubtest::VolumeKeys(v.ElementName.Str(), v.VolumeHandle.Str()));
  }
  // Changes the volume setting filed for volume `name` of controller 5.
  template <class Edit>
  static void EditSetting(const wchar_t* name, Edit edit) {
    for (stZUB_StorageSetting s : Settings(SettingList::Volume)) {
      if (s.VolumeName.Str() != name || s.ControllerHandle.Str() != L"5") continue;
      edit(s);
      EXPECT_EQ(PROVIDER_CreateZubStorageSettingVolumeInstance()->PutData(s), PROVIDER_SUCCESS);
    }
  }
  static uint64_t ReturnToPool(const std::wstring& volume) {
    stZUB_StorageConfigurationService del;
    del.ReturnToStoragePoolParams.TheElement = volume.c_str();
    EXPECT_EQ(Service()->ReturnToStoragePool(&del), PROVIDER_SUCCESS);
    return del.ReturnValue;
  }
  // A rescan with every parameter given: each is written back, emptied.
  static uint64_t Scan() {
    stZUB_StorageConfigurationService scan;
    auto& p = scan.ScsiScanParams;
    p.Job = L"j";
    p.ConnectionType = 7;
    p.OtherConnectionType = L"o";
    for (CArrayT<CZubString>* list : {&p.Initiators, &p.Targets, &p.LUNs}) list->Add(L"x");
    EXPECT_EQ(Service()->ScsiScan(&scan), PROVIDER_SUCCESS);
    EXPECT_EQ(Row(p, {"Job", "ConnectionType", "OtherConnectionType", "Initiators", "Targets", "LUNs"}),
              L"NULL|0|NULL|||");
    return scan.ReturnValue;
  }
  // How often each changing call ran: create, expand, add disks, level
  // change, rename, delete.
  static Counts ConfigCalls() {
    Counts out;
    for (const char* call : {"SsiVolumeCreateFromDisks", "SsiExpandVolume", "SsiAddDisksToArray", "SsiRaidLevelModify",
                             "SsiVolumeRename", "SsiVolumeDelete"})
      out.push_back(Calls(call));
    return out;
  }
};

TEST_F(ConfigurationTest, OneServicePerPortController) {
  EXPECT_EQ(zubtest::Table(List<&PROVIDER_CreateZubStorageConfigurationServiceInstance>(),
                           {"Name", "SystemName", "ControllerHandle"}),
            (zubtest::Rows{L"ZUB_StorageConfigurationService_Five|Five|5",
                           L"ZUB_StorageConfigurationService_Six|Six|6"}));
}

TEST_F(ConfigurationTest, CreateModifyInEveryWayAndDelete) {
  // Creation: the goal's level, strip and cache policy, the named disks.
  const auto created = CreateOrModify(L"Made", Goal(L"RAID5", 65536, L"WRITEBACK"), {L"53", L"54", L"55"});
  ASSERT_EQ(created.ReturnValue, 0u);
  const stZUB_StorageVolume made = Named(L"Made");
  EXPECT_EQ(Row(made, {"RaidLevel", "StripSize", "CachePolicy", "NumberOfDisks"}), L"RAID5|65536|WRITEBACK|3");
  EXPECT_EQ(created.CreateOrModifyParams.TheElement.Str(), VolumeRef(made));
  EXPECT_EQ(created.CreateOrModifyParams.Size, made.VolumeSize);

  // Name and cache policy only: no expand, add or level call.
  EditSetting(L"Made", [](stZUB_StorageSetting& s) { s.CachePolicy = L"WRITE_THROUGH"; });
  EXPECT_EQ(CreateOrModify(L"Renamed", VolumeGoal(L"Made"), {}, made.VolumeSize, &made).ReturnValue, 0u);
  EXPECT_EQ(ConfigCalls(), (Counts{1, 0, 0, 0, 1, 0}));
  const stZUB_StorageVolume renamed = Named(L"Renamed");
  EXPECT_EQ(renamed.CachePolicy.Str(), L"WRITE_THROUGH");

  // Add a disk (one of the volume's own is skipped); no name is no rename.
  EXPECT_EQ(CreateOrModify(L"", VolumeGoal(L"Renamed"), {L"53", L"56"}, renamed.VolumeSize, &renamed).ReturnValue,
            0u);
  EXPECT_EQ(ConfigCalls(), (Counts{1, 0, 1, 0, 1, 0}));
  const stZUB_StorageVolume wider = Named(L"Renamed");
  EXPECT_EQ(wider.NumberOfDisks, 4u);
  // Expand; the name the goal setting already has is no rename.
  EXPECT_EQ(CreateOrModify(L"Renamed", VolumeGoal(L"Renamed"), {}, wider.VolumeSize + 4096, &wider).ReturnValue, 0u);
  EXPECT_EQ(ConfigCalls(), (Counts{1, 1, 1, 0, 1, 0}));

  // A strip of its own, the level kept, goes through the level call...
  const stZUB_StorageVolume base = Named(L"Base");
  EditSetting(L"Base", [](stZUB_StorageSetting& s) { s.UserDataStripeDepth = 65536; });
  EXPECT_EQ(CreateOrModify(L"", VolumeGoal(L"Base"), {}, 0, &base).ReturnValue, 0u);
  EXPECT_EQ(ConfigCalls(), (Counts{1, 1, 1, 1, 1, 0}));
  const stZUB_StorageVolume restriped = Named(L"Base");
  EXPECT_EQ(Row(restriped, {"RaidLevel", "StripSize"}), L"RAID1|65536");
  // ... and so does a new level, carrying level, strip, a size between the
  // old one and the largest, and the added disks (51 is its own).
  EditSetting(L"Base", [](stZUB_StorageSetting& s) {
    s.RaidLevel = L"RAID5";
    s.UserDataStripeDepth = 32768;
  });
  const uint64_t size = restriped.VolumeSize + 1024 * 2048;
  EXPECT_EQ(CreateOrModify(L"", VolumeGoal(L"Base"), {L"51", L"57"}, size, &restriped).ReturnValue, 0u);
  EXPECT_EQ(ConfigCalls(), (Counts{1, 1, 1, 2, 1, 0}));
  const stZUB_StorageVolume raid5 = Named(L"Base");
  EXPECT_EQ(Row(raid5, {"RaidLevel", "StripSize", "NumberOfDisks", "VolumeSize"}),
            L"RAID5|32768|3|" + std::to_wstring(size));

  // A modification takes its goal setting away: until a listing files a new
  // one, the volume cannot be returned to the pool.
  EXPECT_EQ(CreateOrModify(L"", VolumeGoal(L"Base"), {}, size, &raid5).ReturnValue, 0u);
  EXPECT_EQ(ReturnToPool(VolumeRef(raid5)), 4u);

  // Deletion: the volume goes, its setting with it; a second one finds nothing.
  EXPECT_EQ(ReturnToPool(VolumeRef(wider)), 0u);
  EXPECT_EQ(zubtest::Table(List<&PROVIDER_CreateZubStorageVolumeInstance>(), {"ElementName"}), zubtest::Rows{L"Base"});
  EXPECT_EQ(zubtest::Table(Settings(SettingList::Volume), {"VolumeName"}), zubtest::Rows{L"Base"});
  EXPECT_EQ(ReturnToPool(VolumeRef(wider)), 4u);
  EXPECT_EQ(Calls("SsiVolumeDelete"), 1u);
}

TEST_F(ConfigurationTest, RejectedInputAndWrongGoals) {
  const std::wstring goal = Goal(L"RAID0", 0, L"CACHING_OFF");
  // References without the key read are rejected, the goal's or a disk's.
  EXPECT_EQ(CreateOrModify(L"Keyless", Path(L"ZUB_StorageSettingPrimordial.Id=\"1\""), {L"61"}).ReturnValue, 5u);
  stZUB_StorageConfigurationService rec = CreateOrModify(L"X", goal, {});  // no disk: rejected
  EXPECT_EQ(rec.ReturnValue, 5u);
  rec.CreateOrModifyParams.InElements.Add(Path(L"ZUB_StorageExtentDisk.Name=\"61\"").c_str());
  Service()->CreateOrModifyElementFromElements(&rec);
  EXPECT_EQ(rec.ReturnValue, 5u);
  // Another element type, though all else would do.
  rec.CreateOrModifyParams.InElements.RemoveAll();
  rec.CreateOrModifyParams.InElements.Add(Disk(L"55").c_str());
  rec.CreateOrModifyParams.ElementType = 3;
  Service()->CreateOrModifyElementFromElements(&rec);
  EXPECT_EQ(rec.ReturnValue, 5u);
  // No name, or one beyond the middleware's 17 bytes.
  EXPECT_EQ(CreateOrModify(L"", goal, {L"55"}).ReturnValue, 5u);
  EXPECT_EQ(CreateOrModify(L"EighteenCharacters", goal, {L"55", L"56"}).ReturnValue, 5u);
  EXPECT_EQ(Calls("SsiVolumeCreateFromDisks"), 0u);
  EXPECT_EQ(CreateOrModify(L"SeventeenCharactr", goal, {L"55", L"56"}).ReturnValue, 0u);

  // Disks that match no extent: the middleware is still asked, with none.
  EXPECT_EQ(CreateOrModify(L"Ghosts", goal, {L"999"}).ReturnValue, 5u);  // the middleware's 14
  EXPECT_EQ(Calls("SsiVolumeCreateFromDisks"), 2u);

  // A volume setting is no creation goal, a primordial setting no
  // modification goal; a volume's class name is matched exactly.
  EXPECT_EQ(CreateOrModify(L"Wrong", VolumeGoal(L"Base"), {L"61"}).ReturnValue, 4u);
  const stZUB_StorageVolume base = Named(L"Base");
  EXPECT_EQ(CreateOrModify(L"", goal, {}, 0, &base).ReturnValue, 4u);
  EXPECT_EQ(ReturnToPool(Path(L"zub_storagevolume" + zubtest::VolumeKeys(L"Base", L"500").substr(17))), 5u);
  EXPECT_EQ(ReturnToPool(L""), 5u);
  EXPECT_EQ(Service()->CreateOrModifyElementFromElements(nullptr), PROVIDER_INVALID_PARAMETER);
}

TEST_F(ConfigurationTest, MiddlewareFailuresTranslatePerMethod) {
  struct Translation {
    SSI_STATUS status;
    uint64_t create, remove, scan;
  } rows[] = {{12, 1, 1, 1}, {14, 5, 5, 1}, {15, 4, 4, 4}, {16, 2, 2, 2}, {18, 5, 4, 5}, {23, 3, 3, 3}, {99, 5, 5, 5}};
  const std::wstring goal = Goal(L"RAID0", 0, L"CACHING_OFF");
  const stZUB_StorageVolume base = Named(L"Base");
  for (const Translation& row : rows) {
    SCOPED_TRACE(row.status);
    Fail("SsiVolumeCreateFromDisks", row.status);
    EXPECT_EQ(CreateOrModify(L"F", goal, {L"53", L"54"}).ReturnValue, row.create);
    Fail("SsiVolumeDelete", row.status);
    EXPECT_EQ(ReturnToPool(VolumeRef(base)), row.remove);
    Fail("SsiRescan", row.status);
    EXPECT_EQ(Scan(), row.scan);
  }
  EXPECT_EQ(Scan(), 0u);

  // A failed cache policy leaves the new volume in place, and the
  // record's TheElement and Size as they came in.
  Fail("SsiVolumeSetCachePolicy", 15);
  const stZUB_StorageConfigurationService stays = CreateOrModify(L"Stays", goal, {L"53", L"54"});
  EXPECT_EQ(stays.ReturnValue, 4u);
  EXPECT_EQ(stays.CreateOrModifyParams.TheElement.Str(), L"");
  EXPECT_EQ(stays.CreateOrModifyParams.Size, 0u);
  EXPECT_EQ(Named(L"Stays").ElementName.Str(), L"Stays");
}

}  // namespace
