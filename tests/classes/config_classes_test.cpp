// The configuration classes: capabilities and settings, their associations,
// and the spare configuration service.
#include <gtest/gtest.h>

#include <string>

#include "classes/config/capability_associations.h"
#include "classes/config/spare_configuration.h"
#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/system/port_controller.h"
#include "tests/classes/association_fixture.h"
#include "tests/classes/storage_helpers.h"

using zubtest::CreateSetting;
using zubtest::RefPairs;
using zubtest::Refs;
using zubtest::Rows;
using zubtest::Settings;
using zubtest::Table;

// ZUB_StorageCapabilitiesPrimordial, the two storage-setting lists and the
// associations of capabilities and settings to pools, systems and volumes.
namespace capabilities {

// Controller 7 offers write-back, RAID0 (strip 64) and RAID1 (strip 128): two
// available disks, a spare, a volume "Data". Controller 8 offers RAID1, then
// RAID5: one available disk, a volume "Data". Controller 9: no pool, a volume
// "Other". Controller 10 offers RAID10 only: five available disks.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 7, "name": "Seven", "write_back_offered": 1,
   "raid_info": {"handle": 70, "value1": 11, "value2": 12, "levels": {
     "1": {"strip_kib": 64, "strip_mask": 127}, "2": {"strip_kib": 128, "strip_mask": 0}}},
   "disks": [{"handle": 71}, {"handle": 72}, {"handle": 73, "usage": 4}, {"handle": 74}, {"handle": 75}],
   "volumes": [{"handle": 700, "name": "Data", "level": 2, "disks": [74, 75]}]},
  {"handle": 8, "name": "Eight", "raid_info": {"levels": {"2": {"strip_kib": 16}, "8": {"strip_kib": 32}}},
   "disks": [{"handle": 81}, {"handle": 82}, {"handle": 83}],
   "volumes": [{"handle": 800, "name": "Data", "level": 2, "disks": [82, 83]}]},
  {"handle": 9, "name": "Nine", "disks": [{"handle": 91}, {"handle": 92}],
   "volumes": [{"handle": 900, "name": "Other", "level": 2, "disks": [91, 92]}]},
  {"handle": 10, "name": "Ten", "raid_info": {"levels": {"4": {"strip_kib": 256}}},
   "disks": [{"handle": 101}, {"handle": 102}, {"handle": 103}, {"handle": 104}, {"handle": 105}]}]})";

// Every list up to date on kTopology; no setting filed but the volumes'.
class ConfigTest : public zubtest::AssociationFixture {
 protected:
  void SetUp() override {
    AssociationFixture::SetUp();
    LoadAndList(kTopology);
  }
  static std::wstring Capabilities(const std::wstring& id) {
    return Path(L"ZUB_StorageCapabilitiesPrimordial.InstanceID=\"" + id + L"\"");
  }
};

// A default setting takes the capabilities' defaults, a goal their ranges
// and any strip; the numbers run on across both kinds, a failure uses none.
// PutData changes the goals only; the setting lists persist.
TEST_F(ConfigTest, CreateSettingAndPutDataOnTheSettingLists) {
  EXPECT_EQ(CreateSetting(L"9", 2).ReturnValue, 2u);  // no capabilities entry
  const stZUB_StorageCapabilitiesPrimordial first = CreateSetting(L"7", 2);
  EXPECT_EQ(CreateSetting(L"7", 9).ReturnValue, 5u);
  EXPECT_EQ(CreateSetting(L"7", 3).ReturnValue, 0u);

  const CArrayT<stZUB_StorageSetting> list = Settings(SettingList::Primordial);
  ASSERT_EQ(list.GetCount(), 2u);  // the failures filed none
  const std::wstring prefix = L"Generated_PrimordialSetting_", id = list[0].InstanceID.Str();
  ASSERT_EQ(id.rfind(prefix, 0), 0u);
  EXPECT_EQ(list[1].InstanceID.Str(), prefix + std::to_wstring(std::stoull(id.substr(prefix.size())) + 1));
  EXPECT_EQ(first.NewSetting.Str(), Path(L"ZUB_StorageSettingPrimordial.InstanceID=\"" + id + L"\""));
  // ExtentStripeLength: the pool's available extents.
  const std::wstring common = L"Primordial_7|RAID0|CACHING_OFF|2|RAID0,RAID1|CACHING_OFF,WRITEBACK|11|12|";
  EXPECT_EQ(Table(list, {"PoolID", "RaidLevel", "CachePolicy", "ExtentStripeLength", "SupportedRaidLevels",
                         "SupportedCachePolicies", "RaidInfoValue1", "RaidInfoValue2", "UserDataStripeDepthMin",
                         "UserDataStripeDepthMax", "DataRedundancyMax", "DataRedundancyMin", "PackageRedundancyMax",
                         "PackageRedundancyMin", "NoSinglePointOfFailure"}),
            (Rows{common + L"131072|131072|3|3|3|3|0", common + L"1024|33554432|1|3|0|3|1"}));

  // PutData changes the goal values only, and the list persists.
  stZUB_StorageSetting goal = list[1];
  goal.ElementName = L"renamed";
  goal.PoolID = L"elsewhere";
  goal.RaidLevel = L"RAID1";
  goal.UserDataStripeDepth = 65536;
  goal.CachePolicy = L"WRITEBACK";
  goal.SmallestDiskBlocks = 5;  // only volume settings take this
  CZubStorageSettingInterface* primordial = PROVIDER_CreateZubStorageSettingPrimordialInstance();
  EXPECT_EQ(primordial->PutData(goal), PROVIDER_SUCCESS);
  EXPECT_EQ(primordial->Update(), PROVIDER_SUCCESS);  // the list is not rebuilt
  EXPECT_EQ(Table(Settings(SettingList::Primordial),
                  {"ElementName", "PoolID", "RaidLevel", "UserDataStripeDepth", "CachePolicy", "SmallestDiskBlocks"}),
            (Rows{L"Primordial storage settings|Primordial_7|RAID0|0|CACHING_OFF|0",
                  L"Primordial storage settings|Primordial_7|RAID1|65536|WRITEBACK|0"}));

  // The volume list, filed and emptied by other classes: PutData reaches
  // every setting of the key.
  ClearSettings();
  stZUB_StorageSetting volume;
  volume.InstanceID = L"VolumeSetting_ListTest";
  AddSetting(SettingList::Volume, volume);
  AddSetting(SettingList::Volume, volume);
  volume.SmallestDiskBlocks = 5;
  PROVIDER_CreateZubStorageSettingVolumeInstance()->PutData(volume);
  EXPECT_EQ(Table(Settings(SettingList::Volume), {"InstanceID", "SmallestDiskBlocks"}),
            (Rows{L"VolumeSetting_ListTest|5", L"VolumeSetting_ListTest|5"}));
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_FAILED);

  // A volume's own setting is filed once, however many listings of the new
  // volume file it at the same moment; another controller's is its own.
  volume.VolumeName = L"ListTest";
  for (const wchar_t* controller : {L"7", L"7", L"8"}) {
    volume.ControllerHandle = controller;
    FileVolumeSetting(volume);
  }
  EXPECT_EQ(Table(Settings(SettingList::Volume), {"VolumeName", "ControllerHandle"}),
            (Rows{L"ListTest|7", L"ListTest|8"}));
}

// One entry per pool: its free and spare disks, the largest strip, the
// redundancy its levels allow, each level in turn (RAID5 after RAID1 takes
// data redundancy back to 0; RAID10 halves), the minimums as defaults. Each
// pool has its controller's capabilities, then each system (9 too) its
// spare capabilities; settings join the capabilities they were generated
// from; a volume has every setting of its name on any controller.
TEST_F(ConfigTest, CapabilitiesPerPoolAndTheAssociationsOfCapabilitiesAndSettings) {
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>(),
                  {"InstanceID", "ExtentStripeLengthDefault", "UserDataStripeDepthDefault", "DataRedundancyMax",
                   "DataRedundancyMin", "PackageRedundancyMax", "PackageRedundancyMin", "DataRedundancyDefault",
                   "PackageRedundancyDefault"}),
            (Rows{L"7|3|131072|1|3|0|3|3|3", L"8|1|32768|0|1|1|1|1|1", L"10|5|262144|1|2|1|2|2|2"}));
  const auto spare = [](const std::wstring& n) {
    return Path(L"ZUB_SpareConfigurationCapabilities.InstanceID=\"ZUBe:SpareConfigurationCapabilities:AHCI" + n +
                L"\"");
  };
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubElementCapabilitiesInstance>(), &stZUB_ElementCapabilities::ManagedElement,
                 &stZUB_ElementCapabilities::Capabilities),
            (RefPairs{{Path(L"ZUB_StoragePool.InstanceID=\"7\""), Capabilities(L"7")},
                      {Path(L"ZUB_StoragePool.InstanceID=\"8\""), Capabilities(L"8")},
                      {Path(L"ZUB_StoragePool.InstanceID=\"10\""), Capabilities(L"10")},
                      {System(L"Seven"), spare(L"0")}, {System(L"Eight"), spare(L"1")}, {System(L"Nine"), spare(L"2")},
                      {System(L"Ten"), spare(L"3")}}));

  EXPECT_EQ(List<&PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance>(PROVIDER_NOT_FOUND).GetCount(),
            0u);  // no setting yet
  const auto made = [](const wchar_t* id) { return CreateSetting(id, 2).NewSetting.Str(); };
  const std::wstring first = made(L"7"), second = made(L"8"), third = made(L"7");
  RefPairs expected = {{Capabilities(L"7"), first}, {Capabilities(L"7"), third}, {Capabilities(L"8"), second}};
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance>(),
                 &stZUB_StorageSettingsGeneratedFromCapabilities::Capabilities,
                 &stZUB_StorageSettingsGeneratedFromCapabilities::Setting),
            expected);  // capabilities order, then setting order
  // The associated-to list re-reads the generated-from list as it is now.
  expected.emplace_back(Capabilities(L"8"), made(L"8"));
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubStorageSettingsAssociatedToCapabilitiesInstance>(),
                 &stZUB_StorageSettingsAssociatedToCapabilities::Capabilities,
                 &stZUB_StorageSettingsAssociatedToCapabilities::Setting), expected);

  const auto volume = [](const wchar_t* name, const wchar_t* h) { return Path(zubtest::VolumeKeys(name, h)); };
  const auto setting = [](const wchar_t* name) {
    return Path(L"ZUB_StorageSettingVolume.InstanceID=\"VolumeSetting_" + std::wstring(name) + L"\"");
  };
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubElementSettingDataInstance>(), &stZUB_ElementSettingData::ManagedElement,
                 &stZUB_ElementSettingData::SettingData),
            (RefPairs{{volume(L"Data", L"700"), setting(L"Data")}, {volume(L"Data", L"700"), setting(L"Data")},
                      {volume(L"Data", L"800"), setting(L"Data")}, {volume(L"Data", L"800"), setting(L"Data")},
                      {volume(L"Other", L"900"), setting(L"Other")}}));
  ClearSettings();
  EXPECT_EQ(List<&PROVIDER_CreateZubElementSettingDataInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  Fail("SsiGetRaidLevelInfo");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>(PROVIDER_FAILED).GetCount(), 0u);
}

}  // namespace capabilities

// ZUB_SpareConfigurationService and ZUB_SpareConfigurationCapabilities:
// numbering, candidates, marking and unmarking, refusals and rejections.
namespace spares {

// AHCI controller 1: 11 candidate, 12 failing, 13 barred from pools, 14
// spare, 15 failed spare, 16 volume member, 17 and 18 candidates. DOX
// controller 2: 21 candidate. AHCI controller 3: no disk.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "A", "type": 1, "disks": [
    {"handle": 11}, {"handle": 12, "state": 4}, {"handle": 13, "no_pool": 1}, {"handle": 14, "usage": 4},
    {"handle": 15, "usage": 4, "state": 3}, {"handle": 16}, {"handle": 17}, {"handle": 18}],
   "volumes": [{"handle": 100, "array_handle": 101, "name": "V", "level": 1, "disks": [16]}]},
  {"handle": 2, "name": "D", "type": 2, "disks": [{"handle": 21}]}, {"handle": 3, "name": "B", "type": 1}]})";

class SpareTest : public zubtest::AssociationFixture {
 protected:
  // The lists the service reads, as a host keeps them current.
  void SetUp() override {
    AssociationFixture::SetUp();
    Load(kTopology);
    List<&PROVIDER_CreateZubPortControllerInstance>();
    List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
  }
  static CZubSpareConfigurationServiceInterface* Service() {
    return PROVIDER_CreateZubSpareConfigurationServiceInstance();
  }
  // The service of the n-th port controller, as a client addresses it.
  static stZUB_SpareConfigurationService ServiceRecord(size_t n) {
    const auto services = List<&PROVIDER_CreateZubSpareConfigurationServiceInstance>();
    EXPECT_GT(services.GetCount(), n);
    return services.GetCount() > n ? services[n] : stZUB_SpareConfigurationService{};
  }
  static Rows Extents(uint32_t operation, size_t service = 0) {
    stZUB_SpareConfigurationService rec = ServiceRecord(service);
    rec.Operation = operation;
    EXPECT_EQ(Service()->GetExtents(&rec), PROVIDER_SUCCESS);
    EXPECT_EQ(rec.ReturnValue, 0u);
    Rows out;
    for (const CZubString& e : rec.GetExtentsParams.Extents) out.push_back(e.Str());
    return out;
  }
  static stZUB_SpareConfigurationService Set(uint32_t operation, std::initializer_list<std::wstring> paths,
                                             PROVIDER_STATUS expected, size_t service = 0) {
    stZUB_SpareConfigurationService rec = ServiceRecord(service);
    rec.Operation = operation;
    for (const std::wstring& p : paths) rec.SetSpareExtentsParams.InExtents.Add(p.c_str());
    EXPECT_EQ(Service()->SetSpareExtents(&rec), expected);
    EXPECT_EQ(rec.Operation, operation);
    EXPECT_EQ(rec.GetExtentsParams.Extents.GetCount(), 0u);
    return rec;
  }
  // The usage of every disk in listing order: 11 to 18, then 21.
  static std::wstring Usages() {
    std::wstring out;
    for (const auto& d : List<&PROVIDER_CreateZubStorageExtentDiskInstance>()) out += std::to_wstring(d.DiskUsage);
    return out;
  }
};

TEST_F(SpareTest, ServicesAndCapabilitiesNumberEachKindOfControllerSeparately) {
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubSpareConfigurationServiceInstance>(),
                  {"Name", "SystemName", "ControllerHandle"}),
            (Rows{L"ZUBe:AhciSpareConfigurationService0|SpareCfgService_1|1",
                  L"ZUBe:DoxSpareConfigurationService0|SpareCfgService_2|2",
                  L"ZUBe:AhciSpareConfigurationService1|SpareCfgService_3|3"}));
  EXPECT_EQ(Table(List<&PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance>(),
                  {"InstanceID", "ControllerHandle"}),
            (Rows{L"ZUBe:SpareConfigurationCapabilities:AHCI0|1", L"ZUBe:SpareConfigurationCapabilities:DOX0|2",
                  L"ZUBe:SpareConfigurationCapabilities:AHCI1|3"}));

  // A controller of another kind stops both lists there.
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 2}, {"handle": 2, "type": 5}, {"handle": 3, "type": 1}]})");
  List<&PROVIDER_CreateZubPortControllerInstance>();
  EXPECT_EQ(List<&PROVIDER_CreateZubSpareConfigurationServiceInstance>(PROVIDER_FAILED).GetCount(), 1u);
  EXPECT_EQ(List<&PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance>(PROVIDER_FAILED).GetCount(), 1u);
}

// The candidates, spares and all disks of the service's controller only;
// marking and unmarking change the disks' usage.
TEST_F(SpareTest, CandidatesMarkingAndUnmarking) {
  EXPECT_EQ(Extents(kSpareCandidates), (Rows{Disk(L"11"), Disk(L"17"), Disk(L"18")}));
  EXPECT_EQ(Extents(kSpareDisks), (Rows{Disk(L"14")}));
  EXPECT_EQ(Extents(kSpareAllDisks).size(), 8u);
  EXPECT_EQ(Extents(kSpareCandidates, 1), (Rows{Disk(L"21")}));
  EXPECT_TRUE(Extents(kSpareAllDisks, 2).empty());

  EXPECT_EQ(Set(kSpareMark, {Disk(L"11"), Disk(L"17")}, PROVIDER_SUCCESS).ReturnValue, 0u);
  EXPECT_EQ(Usages(), L"422441422");
  EXPECT_EQ(Extents(kSpareDisks), (Rows{Disk(L"11"), Disk(L"14"), Disk(L"17")}));

  // A client's path may name a general class and spell host and namespace
  // in another case; the keys must be the same.
  std::wstring other = Disk(L"17");
  other.replace(other.find(L"ZUB_StorageExtentDisk."), 21, L"CIM_StorageExtent");
  other.replace(0, other.find(L':'), L"\\\\BOX\\ROOT\\Corvo_ZUB");
  EXPECT_EQ(Set(kSpareUnmark, {other}, PROVIDER_SUCCESS).ReturnValue, 0u);
  std::wstring otherKey = Disk(L"11");
  otherKey.replace(otherKey.find(L"Disk_11"), 7, L"disk_11");
  EXPECT_EQ(Set(kSpareUnmark, {otherKey}, PROVIDER_INVALID_PARAMETER).ReturnValue, 5u);
  std::wstring otherHost = Disk(L"11");
  otherHost.replace(0, otherHost.find(L"\\root"), L"\\\\elsewhere");
  EXPECT_EQ(Set(kSpareUnmark, {otherHost}, PROVIDER_INVALID_PARAMETER).ReturnValue, 5u);
  EXPECT_EQ(Usages(), L"422441222");

  // The middleware refuses a disk that is not available.
  EXPECT_EQ(Set(kSpareMark, {Disk(L"16")}, PROVIDER_REQUEST_REFUSED).ReturnValue, 6u);
  EXPECT_EQ(Usages(), L"422441222");
}

// Every entry is tried; the result is the last failure's, ReturnValue what
// the last refusal or success left.
TEST_F(SpareTest, AFailureInTheMiddleStillProcessesTheRest) {
  zubtest::NthCall second{2, [] { Fail("SsiDiskMarkAsSpare", 23); }};
  second.Install("SsiDiskMarkAsSpare");
  EXPECT_EQ(Set(kSpareMark, {Disk(L"11"), Disk(L"17"), Disk(L"18")}, PROVIDER_REQUEST_REFUSED).ReturnValue, 0u);
  EXPECT_EQ(Calls("SsiDiskMarkAsSpare"), 3u);
  EXPECT_EQ(Usages(), L"422441242");

  // Another failure of the last disk: status 1, ReturnValue the refusal's
  // (17 is no spare: refused).
  zubtest::NthCall third{3, [] { Fail("SsiDiskUnmarkAsSpare", SSI_STATUS_FAILED); }};
  third.Install("SsiDiskUnmarkAsSpare");
  EXPECT_EQ(Set(kSpareUnmark, {Disk(L"11"), Disk(L"17"), Disk(L"18")}, PROVIDER_FAILED).ReturnValue, 6u);
  EXPECT_EQ(Usages(), L"222441242");
}

TEST_F(SpareTest, RejectedRequestsReachNoDisk) {
  // A disk of another controller, a path without DeviceID, no disk at all.
  EXPECT_EQ(Set(kSpareMark, {Disk(L"21")}, PROVIDER_INVALID_PARAMETER).ReturnValue, 5u);
  EXPECT_EQ(Set(kSpareMark, {Disk(L"11"), Path(L"ZUB_StorageExtentDisk.Name=\"11\"")}, PROVIDER_INVALID_PARAMETER)
                .ReturnValue, 5u);
  EXPECT_EQ(Set(kSpareMark, {L"no path at all"}, PROVIDER_INVALID_PARAMETER).ReturnValue, 5u);
  EXPECT_EQ(Set(kSpareMark, {}, PROVIDER_INVALID_PARAMETER).ReturnValue, 5u);
  EXPECT_EQ(Set(kSpareMark, {Disk(L"21")}, PROVIDER_INVALID_PARAMETER, 2).ReturnValue, 5u);  // no disk there

  // Another operation (nothing written), or a service that is not one of
  // the instances.
  stZUB_SpareConfigurationService rec = ServiceRecord(0);
  rec.Operation = 5;
  rec.ReturnValue = 77;
  rec.GetExtentsParams.Extents.Add(L"kept");
  rec.SetSpareExtentsParams.InExtents.Add(Disk(L"11").c_str());
  EXPECT_EQ(Service()->GetExtents(&rec), PROVIDER_FAILED);
  EXPECT_EQ(rec.ReturnValue * 10 + rec.GetExtentsParams.Extents.GetCount(), 771u);
  rec.Operation = kSpareAllDisks;
  EXPECT_EQ(Service()->SetSpareExtents(&rec), PROVIDER_FAILED);
  EXPECT_EQ(rec.ReturnValue, 77u);
  rec.Operation = kSpareMark;
  rec.SystemName = L"SpareCfgService_9";
  EXPECT_EQ(Service()->SetSpareExtents(&rec), PROVIDER_FAILED);
  rec = ServiceRecord(0);
  rec.Operation = kSpareCandidates;
  rec.Name = L"ZUBe:AhciSpareConfigurationService7";
  EXPECT_EQ(Service()->GetExtents(&rec), PROVIDER_FAILED);
  EXPECT_EQ(Service()->SetSpareExtents(nullptr), PROVIDER_INVALID_PARAMETER);
  EXPECT_EQ(Calls("SsiDiskMarkAsSpare"), 0u);
  EXPECT_EQ(Usages(), L"222441222");
}

}  // namespace spares
