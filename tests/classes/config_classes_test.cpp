// The configuration classes: capabilities and settings, their associations,
// and the spare configuration service.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classes/config/capability_associations.h"
#include "classes/config/spare_configuration.h"
#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/system/port_controller.h"
#include "tests/classes/association_fixture.h"
#include "tests/support/class_fixture.h"

using zubtest::Fields;

// ZUB_StorageCapabilitiesPrimordial and the two storage-setting lists:
// redundancy from the supported levels, CreateSetting, PutData and the list
// operations other classes use. The setting lists live for the whole
// process, so tests find their own settings by InstanceID.
namespace settings {

CArrayT<CRaidInfo::_stSupportedRaidLevelInfo> Levels(std::initializer_list<std::pair<uint32_t, int32_t>> levels) {
  CArrayT<CRaidInfo::_stSupportedRaidLevelInfo> out;
  for (auto [code, strip] : levels) {
    CRaidInfo::_stSupportedRaidLevelInfo l{};
    l.raidLevel = code;
    l.info.supported = 1;
    l.info.stripKib = strip;
    out.Add(l);
  }
  return out;
}

std::vector<uint64_t> Redundancy(const stZUB_StorageCapabilitiesPrimordial& c) {
  return {c.DataRedundancyMax, c.DataRedundancyMin, c.PackageRedundancyMax, c.PackageRedundancyMin};
}

TEST(CapabilitiesRules, RedundancyFollowsTheSupportedLevelsInOrder) {
  using V = std::vector<uint64_t>;
  stZUB_StorageCapabilitiesPrimordial c;
  EXPECT_EQ(ApplyRaidLevels(Levels({{SSI_RAID0, 128}, {SSI_RAID1, 64}}), 4, &c), 128);
  EXPECT_EQ(Redundancy(c), (V{1, 4, 0, 4}));
  c = {};
  EXPECT_EQ(ApplyRaidLevels(Levels({{SSI_RAID0, 128}, {SSI_RAID1, 64}, {SSI_RAID5, 256}}), 4, &c), 256);
  EXPECT_EQ(Redundancy(c), (V{0, 4, 1, 4}));  // a later RAID5 sets data redundancy back to 0
  c = {};
  ApplyRaidLevels(Levels({{SSI_RAID10, 64}}), 5, &c);
  EXPECT_EQ(Redundancy(c), (V{1, 2, 1, 2}));  // integer halves
  c = {};
  EXPECT_EQ(ApplyRaidLevels(Levels({}), 3, &c), 0);
  EXPECT_EQ(Redundancy(c), (V{0, 0, 0, 0}));
}

// Controller 7 offers write-back and RAID0 (strip 64) and RAID1 (strip 128):
// two available disks, a spare, two members. Controller 8 has no free disk.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 7, "name": "Seven", "write_back_offered": 1,
   "raid_info": {"handle": 70, "value1": 11, "value2": 12, "levels": {
     "1": {"strip_kib": 64, "strip_mask": 127}, "2": {"strip_kib": 128, "strip_mask": 0}}},
   "disks": [{"handle": 71}, {"handle": 72}, {"handle": 73, "usage": 4}, {"handle": 74}, {"handle": 75}],
   "volumes": [{"name": "M", "level": 2, "disks": [74, 75]}]},
  {"handle": 8, "name": "Eight", "disks": [{"handle": 81}, {"handle": 82}],
   "volumes": [{"name": "N", "level": 2, "disks": [81, 82]}]}]})";

class SettingsTest : public zubtest::ClassFixture {
 protected:
  void SetUp() override {
    ClassFixture::SetUp();
    Load(kTopology);
    List<&PROVIDER_CreateZubPortControllerInstance>();
    List<&PROVIDER_CreateZubStorageExtentDiskInstance>();
    List<&PROVIDER_CreateZubStoragePoolInstance>();
  }
  static stZUB_StorageCapabilitiesPrimordial Create(const wchar_t* id, uint64_t type) {
    stZUB_StorageCapabilitiesPrimordial rec;
    rec.InstanceID = id;
    rec.SettingType = type;
    EXPECT_EQ(PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance()->CreateSetting(&rec), PROVIDER_SUCCESS);
    return rec;
  }
  static const stZUB_StorageSetting* Find(const CArrayT<stZUB_StorageSetting>& list, const CZubString& id) {
    for (const stZUB_StorageSetting& s : list) {
      if (s.InstanceID.Compare(id) == 0) return &s;
    }
    return nullptr;
  }
  static CArrayT<stZUB_StorageSetting> Primordial() {
    CArrayT<stZUB_StorageSetting> out;
    PROVIDER_CreateZubStorageSettingPrimordialInstance()->GetData(&out);
    return out;
  }
};

TEST_F(SettingsTest, CapabilitiesPerPrimordialPool) {
  auto caps = List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>();
  ASSERT_EQ(caps.GetCount(), 1u);  // controller 8 has no pool
  const stZUB_StorageCapabilitiesPrimordial& c = caps[0];
  EXPECT_EQ(c.InstanceID.Str(), L"7");
  EXPECT_EQ(c.ExtentStripeLengthDefault, 3u);  // two available disks and the spare
  EXPECT_EQ(c.UserDataStripeDepthDefault, 131072u);
  EXPECT_EQ(Redundancy(c), (std::vector<uint64_t>{1, 3, 0, 3}));
  EXPECT_EQ(c.DataRedundancyDefault * 10 + c.PackageRedundancyDefault, 33u);
  Fail("SsiGetRaidLevelInfo");
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>(PROVIDER_FAILED).GetCount(), 0u);
}

TEST_F(SettingsTest, CreateSettingFilesNumberedDefaultAndGoalSettings) {
  List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>();
  const size_t before = Primordial().GetCount();
  EXPECT_EQ(Create(L"7", 1).ReturnValue, 5u);
  EXPECT_EQ(Create(L"8", 2).ReturnValue, 2u);  // no capabilities entry
  EXPECT_EQ(Primordial().GetCount(), before);

  stZUB_StorageCapabilitiesPrimordial first = Create(L"7", 2);
  ASSERT_EQ(first.ReturnValue, 0u);
  EXPECT_EQ(Create(L"7", 9).ReturnValue, 5u);  // a failure uses no number
  stZUB_StorageCapabilitiesPrimordial second = Create(L"7", 3);
  ASSERT_EQ(second.ReturnValue, 0u);

  CArrayT<stZUB_StorageSetting> list = Primordial();
  ASSERT_EQ(list.GetCount(), before + 2);
  const stZUB_StorageSetting& d = list[before];
  const stZUB_StorageSetting& g = list[before + 1];
  const std::wstring prefix = L"Generated_PrimordialSetting_";
  ASSERT_EQ(d.InstanceID.Str().rfind(prefix, 0), 0u);
  const uint64_t n = std::stoull(d.InstanceID.Str().substr(prefix.size()));
  EXPECT_EQ(g.InstanceID.Str(), prefix + std::to_wstring(n + 1));
  EXPECT_NE(first.NewSetting.Str().find(L"ZUB_StorageSettingPrimordial.InstanceID=\"" + d.InstanceID.Str() + L"\""),
            std::wstring::npos)
      << first.NewSetting.Str();

  EXPECT_EQ(d.PoolID.Str() + L" " + d.RaidLevel.Str() + L" " + d.CachePolicy.Str(), L"Primordial_7 RAID0 CACHING_OFF");
  EXPECT_EQ(d.ExtentStripeLength, 2u);  // the pool's available extents
  ASSERT_EQ(d.SupportedRaidLevels.GetCount() * 10 + d.SupportedCachePolicies.GetCount(), 22u);
  EXPECT_EQ(d.SupportedRaidLevels[1].Str() + L" " + d.SupportedCachePolicies[1].Str(), L"RAID1 WRITEBACK");
  // Default: the capabilities' defaults; goal: their ranges, any strip.
  EXPECT_EQ(d.UserDataStripeDepthMin + d.UserDataStripeDepthMax, 2 * 131072u);
  EXPECT_EQ(d.DataRedundancyMax * 100 + d.DataRedundancyMin * 10 + d.NoSinglePointOfFailure, 330u);
  EXPECT_EQ(g.UserDataStripeDepthMin, 1024u);
  EXPECT_EQ(g.UserDataStripeDepthMax, 33554432u);
  EXPECT_EQ(g.DataRedundancyMax * 100 + g.DataRedundancyMin * 10 + g.NoSinglePointOfFailure, 131u);
}

TEST_F(SettingsTest, PutDataChangesGoalsOnlyAndListsPersist) {
  List<&PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance>();
  stZUB_StorageCapabilitiesPrimordial created = Create(L"7", 3);
  ASSERT_EQ(created.ReturnValue, 0u);
  CArrayT<stZUB_StorageSetting> list = Primordial();
  stZUB_StorageSetting goal = list[list.GetCount() - 1];
  goal.ElementName = L"renamed";
  goal.PoolID = L"elsewhere";
  goal.RaidLevel = L"RAID1";
  goal.UserDataStripeDepth = 65536;
  goal.CachePolicy = L"WRITEBACK";
  goal.SmallestDiskBlocks = 5;  // only volume settings take this
  CZubStorageSettingInterface* settings = PROVIDER_CreateZubStorageSettingPrimordialInstance();
  EXPECT_EQ(settings->PutData(goal), PROVIDER_SUCCESS);
  EXPECT_EQ(settings->Update(), PROVIDER_SUCCESS);  // the list is not rebuilt
  list = Primordial();
  const stZUB_StorageSetting* stored = Find(list, goal.InstanceID);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->ElementName.Str() + L" " + stored->PoolID.Str(), L"Primordial storage settings Primordial_7");
  EXPECT_EQ(stored->RaidLevel.Str() + L" " + stored->CachePolicy.Str(), L"RAID1 WRITEBACK");
  EXPECT_EQ(stored->UserDataStripeDepth, 65536u);
  EXPECT_EQ(stored->SmallestDiskBlocks, 0u);

  // The volume list: filed and removed by other classes.
  stZUB_StorageSetting volume;
  volume.InstanceID = L"VolumeSetting_ListTest";
  AddSetting(SettingList::Volume, volume);
  AddSetting(SettingList::Volume, volume);
  volume.SmallestDiskBlocks = 5;
  PROVIDER_CreateZubStorageSettingVolumeInstance()->PutData(volume);  // every setting with that key
  CArrayT<stZUB_StorageSetting> volumes;
  PROVIDER_CreateZubStorageSettingVolumeInstance()->GetData(&volumes);
  size_t found = 0;
  for (const stZUB_StorageSetting& s : volumes) {
    if (s.InstanceID.Compare(volume.InstanceID) == 0) found += s.SmallestDiskBlocks;
  }
  EXPECT_EQ(found, 10u);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_FAILED);

  // A volume's own setting is filed once, however many listings of the new
  // volume file it at the same moment; another controller's is its own.
  volume.VolumeName = L"ListTest";
  volume.ControllerHandle = L"7";
  FileVolumeSetting(volume);
  FileVolumeSetting(volume);
  volume.ControllerHandle = L"8";
  FileVolumeSetting(volume);
  PROVIDER_CreateZubStorageSettingVolumeInstance()->GetData(&volumes);
  EXPECT_EQ(std::count_if(volumes.begin(), volumes.end(),
                          [&](const stZUB_StorageSetting& s) { return s.InstanceID.Compare(volume.InstanceID) == 0; }),
            2);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
  EXPECT_EQ(RemoveSetting(SettingList::Volume, volume.InstanceID), PROVIDER_SUCCESS);
}

}  // namespace settings

// Capabilities and settings joined to pools, to each other and to volumes.
namespace capabilities {

// Controllers 7 and 8: a pool each and a volume "Data" each. Controller 9:
// no pool, a volume "Other".
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 7, "name": "Seven", "disks": [{"handle": 71}, {"handle": 72}, {"handle": 73}],
   "volumes": [{"handle": 700, "name": "Data", "level": 2, "disks": [72, 73]}]},
  {"handle": 8, "name": "Eight", "disks": [{"handle": 81}, {"handle": 82}, {"handle": 83}],
   "volumes": [{"handle": 800, "name": "Data", "level": 2, "disks": [82, 83]}]},
  {"handle": 9, "name": "Nine", "disks": [{"handle": 91}, {"handle": 92}],
   "volumes": [{"handle": 900, "name": "Other", "level": 2, "disks": [91, 92]}]}]})";

class CapabilityAssociationsTest : public zubtest::AssociationFixture {
 protected:
  static std::wstring Capabilities(const std::wstring& id) {
    return Path(L"ZUB_StorageCapabilitiesPrimordial.InstanceID=\"" + id + L"\"");
  }
  static std::wstring SpareCapabilities(const std::wstring& id) {
    return Path(L"ZUB_SpareConfigurationCapabilities.InstanceID=\"ZUBe:SpareConfigurationCapabilities:" + id + L"\"");
  }
  // The path of a new default setting generated from capabilities `id`.
  static std::wstring CreateSetting(const wchar_t* id) {
    stZUB_StorageCapabilitiesPrimordial rec;
    rec.InstanceID = id;
    rec.SettingType = 2;
    EXPECT_EQ(PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance()->CreateSetting(&rec), PROVIDER_SUCCESS);
    EXPECT_EQ(rec.ReturnValue, 0u);
    return rec.NewSetting.Str();
  }
};

using zubtest::RefPairs;
using zubtest::Refs;

TEST_F(CapabilityAssociationsTest, EachPoolHasTheCapabilitiesOfItsController) {
  LoadAndList(kTopology);
  // The pools first (controller 9 has none), then every system, 9 too, with
  // the spare capabilities of its controller (all three AHCI, numbered).
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubElementCapabilitiesInstance>(), &stZUB_ElementCapabilities::ManagedElement,
                 &stZUB_ElementCapabilities::Capabilities),
            (RefPairs{{Path(L"ZUB_StoragePool.InstanceID=\"7\""), Capabilities(L"7")},
                      {Path(L"ZUB_StoragePool.InstanceID=\"8\""), Capabilities(L"8")},
                      {System(L"Seven"), SpareCapabilities(L"AHCI0")}, {System(L"Eight"), SpareCapabilities(L"AHCI1")},
                      {System(L"Nine"), SpareCapabilities(L"AHCI2")}}));
}

TEST_F(CapabilityAssociationsTest, SettingsJoinTheCapabilitiesTheyWereGeneratedFromAndAreCopied) {
  LoadAndList(kTopology);
  EXPECT_EQ(List<&PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance>(PROVIDER_NOT_FOUND).GetCount(),
            0u);  // no setting yet
  const std::wstring first = CreateSetting(L"7");
  const std::wstring second = CreateSetting(L"8");
  const std::wstring third = CreateSetting(L"7");
  EXPECT_EQ(first.rfind(Path(L"ZUB_StorageSettingPrimordial.InstanceID=\"Generated_PrimordialSetting_"), 0), 0u);
  RefPairs expected = {{Capabilities(L"7"), first}, {Capabilities(L"7"), third}, {Capabilities(L"8"), second}};
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubStorageSettingsGeneratedFromCapabilitiesInstance>(),
                 &stZUB_StorageSettingsGeneratedFromCapabilities::Capabilities,
                 &stZUB_StorageSettingsGeneratedFromCapabilities::Setting),
            expected);  // capabilities order, then setting order

  // The associated-to list re-reads the generated-from list as it is now.
  expected.emplace_back(Capabilities(L"8"), CreateSetting(L"8"));
  EXPECT_EQ(Refs(List<&PROVIDER_CreateZubStorageSettingsAssociatedToCapabilitiesInstance>(),
                 &stZUB_StorageSettingsAssociatedToCapabilities::Capabilities,
                 &stZUB_StorageSettingsAssociatedToCapabilities::Setting), expected);
}

TEST_F(CapabilityAssociationsTest, AVolumeHasEverySettingOfItsNameOnAnyController) {
  LoadAndList(kTopology);
  auto data = List<&PROVIDER_CreateZubElementSettingDataInstance>();
  const std::wstring data7 = Path(L"ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Data_700\","
      L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_700\"");
  const std::wstring setting = Path(L"ZUB_StorageSettingVolume.InstanceID=\"VolumeSetting_Data\"");
  ASSERT_EQ(data.GetCount(), 5u);  // each "Data" with both settings of that name, "Other" with its own
  EXPECT_EQ(data[0].ManagedElement.Str() + data[0].SettingData.Str(), data7 + setting);
  EXPECT_EQ(data[1].ManagedElement.Str(), data7);
  EXPECT_EQ(data[0].IsDefault * 100 + data[0].IsCurrent * 10 + data[0].IsNext, 12u);
  EXPECT_NE(data[2].ManagedElement.Str().find(L"DeviceID=\"Data_800\""), std::wstring::npos);
  EXPECT_EQ(data[4].SettingData.Str(), Path(L"ZUB_StorageSettingVolume.InstanceID=\"VolumeSetting_Other\""));
  ClearSettings();
  EXPECT_EQ(List<&PROVIDER_CreateZubElementSettingDataInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace capabilities

// ZUB_SpareConfigurationService and ZUB_SpareConfigurationCapabilities
// through the simulation: per-kind numbering, the candidates of each
// operation, marking and unmarking with the disks' usage following, and
// every way a request is refused or rejected.
namespace spares {

// AHCI controller 1: 11 candidate, 12 failing, 13 barred from pools, 14
// spare, 15 failed spare, 16 volume member, 17 and 18 candidates. DOX
// controller 2: 21 candidate. AHCI controller 3: no disk.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "A", "type": 1, "disks": [
    {"handle": 11}, {"handle": 12, "state": 4}, {"handle": 13, "no_pool": 1}, {"handle": 14, "usage": 4},
    {"handle": 15, "usage": 4, "state": 3}, {"handle": 16}, {"handle": 17}, {"handle": 18}],
   "volumes": [{"handle": 100, "array_handle": 101, "name": "V", "level": 1, "disks": [16]}]},
  {"handle": 2, "name": "D", "type": 2, "disks": [{"handle": 21}]},
  {"handle": 3, "name": "B", "type": 1}]})";

class SpareTest : public zubtest::AssociationFixture {
 protected:
  void SetUp() override {
    AssociationFixture::SetUp();
    Load(kTopology);
    Refresh();
  }
  // The lists the service reads, as a host keeps them current.
  static void Refresh() {
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
  static std::vector<std::wstring> Extents(uint32_t operation, size_t service = 0) {
    stZUB_SpareConfigurationService rec = ServiceRecord(service);
    rec.Operation = operation;
    EXPECT_EQ(Service()->GetExtents(&rec), PROVIDER_SUCCESS);
    EXPECT_EQ(rec.ReturnValue, 0u);
    std::vector<std::wstring> out;
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
  static int64_t Usage(const wchar_t* id) {
    for (const auto& d : List<&PROVIDER_CreateZubStorageExtentDiskInstance>()) {
      if (d.DeviceID.Str() == id) return d.DiskUsage;
    }
    return -1;
  }
};

TEST_F(SpareTest, ServicesAndCapabilitiesNumberEachKindOfControllerSeparately) {
  const auto services = List<&PROVIDER_CreateZubSpareConfigurationServiceInstance>();
  const auto caps = List<&PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance>();
  ASSERT_EQ(services.GetCount(), 3u);
  ASSERT_EQ(caps.GetCount(), 3u);
  EXPECT_EQ(services[1].Name.Str(), L"ZUBe:DoxSpareConfigurationService0");
  EXPECT_EQ(services[2].Name.Str(), L"ZUBe:AhciSpareConfigurationService1");
  EXPECT_EQ(services[1].SystemName.Str() + L" " + services[1].ControllerHandle.Str(), L"SpareCfgService_2 2");
  EXPECT_EQ(caps[2].InstanceID.Str() + L" " + caps[2].ControllerHandle.Str(),
            L"ZUBe:SpareConfigurationCapabilities:AHCI1 3");
}

// A controller of another kind stops both lists there.
TEST_F(SpareTest, AControllerOfAnotherKindStopsBothLists) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 2}, {"handle": 2, "type": 5}, {"handle": 3, "type": 1}]})");
  List<&PROVIDER_CreateZubPortControllerInstance>();
  EXPECT_EQ(List<&PROVIDER_CreateZubSpareConfigurationServiceInstance>(PROVIDER_FAILED).GetCount(), 1u);
  EXPECT_EQ(List<&PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance>(PROVIDER_FAILED).GetCount(), 1u);
}

TEST_F(SpareTest, CandidatesSparesAndAllDisksOfTheServicesControllerOnly) {
  EXPECT_EQ(Extents(kSpareCandidates), (std::vector<std::wstring>{Disk(L"11"), Disk(L"17"), Disk(L"18")}));
  EXPECT_EQ(Extents(kSpareDisks), (std::vector<std::wstring>{Disk(L"14")}));
  EXPECT_EQ(Extents(kSpareAllDisks).size(), 8u);
  EXPECT_EQ(Extents(kSpareCandidates, 1), (std::vector<std::wstring>{Disk(L"21")}));
  EXPECT_TRUE(Extents(kSpareAllDisks, 2).empty());

  // Another operation (nothing written), or a service that is not one of the instances.
  stZUB_SpareConfigurationService rec = ServiceRecord(0);
  rec.Operation = 5;
  rec.ReturnValue = 77;
  rec.GetExtentsParams.Extents.Add(L"kept");
  EXPECT_EQ(Service()->GetExtents(&rec), PROVIDER_FAILED);
  EXPECT_EQ(rec.ReturnValue * 10 + rec.GetExtentsParams.Extents.GetCount(), 771u);
  rec.Operation = kSpareCandidates;
  rec.Name = L"ZUBe:AhciSpareConfigurationService7";
  EXPECT_EQ(Service()->GetExtents(&rec), PROVIDER_FAILED);
}

TEST_F(SpareTest, MarkingAndUnmarkingChangeTheDisksUsage) {
  const stZUB_SpareConfigurationService marked = Set(kSpareMark, {Disk(L"11"), Disk(L"17")}, PROVIDER_SUCCESS);
  EXPECT_EQ(marked.ReturnValue, 0u);
  EXPECT_EQ(Usage(L"11"), 4);
  EXPECT_EQ(Usage(L"17"), 4);
  EXPECT_EQ(Extents(kSpareDisks), (std::vector<std::wstring>{Disk(L"11"), Disk(L"14"), Disk(L"17")}));

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
  EXPECT_EQ(Usage(L"17"), 2);
  EXPECT_EQ(Usage(L"11"), 4);

  // The middleware refuses a disk that is not available.
  const stZUB_SpareConfigurationService refused = Set(kSpareMark, {Disk(L"16")}, PROVIDER_REQUEST_REFUSED);
  EXPECT_EQ(refused.ReturnValue, 6u);
  EXPECT_EQ(Usage(L"16"), 1);
  ExpectSessionsBalanced();
}

// Every entry is tried; the result is the last failure's, ReturnValue what
// the last refusal or success left.
TEST_F(SpareTest, AFailureInTheMiddleStillProcessesTheRest) {
  zubtest::NthCall second{2, [] { Fail("SsiDiskMarkAsSpare", 23); }};
  second.Install("SsiDiskMarkAsSpare");
  const auto rec = Set(kSpareMark, {Disk(L"11"), Disk(L"17"), Disk(L"18")}, PROVIDER_REQUEST_REFUSED);
  EXPECT_EQ(rec.ReturnValue, 0u);
  EXPECT_EQ(Calls("SsiDiskMarkAsSpare"), 3u);
  EXPECT_EQ(Usage(L"11"), 4);
  EXPECT_EQ(Usage(L"17"), 2);
  EXPECT_EQ(Usage(L"18"), 4);

  // Another failure of the last disk: status 1, ReturnValue the refusal's.
  zubtest::NthCall third{3, [] { Fail("SsiDiskUnmarkAsSpare", SSI_STATUS_FAILED); }};
  third.Install("SsiDiskUnmarkAsSpare");
  const auto unmark = Set(kSpareUnmark, {Disk(L"11"), Disk(L"17"), Disk(L"18")}, PROVIDER_FAILED);
  EXPECT_EQ(unmark.ReturnValue, 6u);  // 17 is no spare: 18, refused
  EXPECT_EQ(Usage(L"11"), 2);
  EXPECT_EQ(Usage(L"18"), 4);
}

TEST_F(SpareTest, RejectedRequestsReachNoDisk) {
  // A disk of another controller, a path without DeviceID, no disk at all.
  EXPECT_EQ(Set(kSpareMark, {Disk(L"21")}, PROVIDER_INVALID_PARAMETER).ReturnValue, 5u);
  EXPECT_EQ(Set(kSpareMark, {Disk(L"11"), Path(L"ZUB_StorageExtentDisk.Name=\"11\"")}, PROVIDER_INVALID_PARAMETER)
                .ReturnValue, 5u);
  EXPECT_EQ(Set(kSpareMark, {L"no path at all"}, PROVIDER_INVALID_PARAMETER).ReturnValue, 5u);
  EXPECT_EQ(Set(kSpareMark, {}, PROVIDER_INVALID_PARAMETER).ReturnValue, 5u);
  EXPECT_EQ(Set(kSpareMark, {Disk(L"21")}, PROVIDER_INVALID_PARAMETER, 2).ReturnValue, 5u);  // no disk there
  EXPECT_EQ(Calls("SsiDiskMarkAsSpare"), 0u);
  EXPECT_EQ(Usage(L"11"), 2);

  // Another operation, or a service that is not one of the instances.
  stZUB_SpareConfigurationService rec = ServiceRecord(0);
  rec.Operation = kSpareAllDisks;
  rec.ReturnValue = 77;
  rec.SetSpareExtentsParams.InExtents.Add(Disk(L"11").c_str());
  EXPECT_EQ(Service()->SetSpareExtents(&rec), PROVIDER_FAILED);
  EXPECT_EQ(rec.ReturnValue, 77u);
  rec.Operation = kSpareMark;
  rec.SystemName = L"SpareCfgService_9";
  EXPECT_EQ(Service()->SetSpareExtents(&rec), PROVIDER_FAILED);
  EXPECT_EQ(Service()->SetSpareExtents(nullptr), PROVIDER_INVALID_PARAMETER);
  EXPECT_EQ(Calls("SsiDiskMarkAsSpare"), 0u);
}

}  // namespace spares
