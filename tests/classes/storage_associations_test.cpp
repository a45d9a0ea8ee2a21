// ZUB_AllocatedFromStoragePool, ZUB_ConcreteComponent (pool part) and
// ZUB_ConcreteDependency on volumes of the same name on two controllers.
#include <gtest/gtest.h>

#include "classes/storage/storage_associations.h"
#include "tests/classes/association_fixture.h"

namespace {

// Controller 5: an available disk, an available failed disk, a RAID5 volume
// "Data" of three disks. Controller 6: only a RAID1 volume "Data", so no pool.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 5, "name": "Five", "disks": [
     {"handle": 51}, {"handle": 52, "state": 3}, {"handle": 53}, {"handle": 54}, {"handle": 55}],
   "volumes": [{"handle": 500, "name": "Data", "level": 8, "size": 3000, "disks": [55, 53, 54]}]},
  {"handle": 6, "name": "Six", "disks": [{"handle": 61}, {"handle": 62}],
   "volumes": [{"handle": 600, "name": "Data", "level": 2, "size": 2000, "disks": [61, 62]}]}]})";

class StorageAssociationsTest : public zubtest::AssociationFixture {
 protected:
  static std::wstring Volume(const std::wstring& handle) {
    return Path(L"ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Data_" + handle +
                L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_" + handle + L"\"");
  }
  static std::wstring Pool(const std::wstring& id) { return Path(L"ZUB_StoragePool.InstanceID=\"" + id + L"\""); }
};

TEST_F(StorageAssociationsTest, AVolumeIsAllocatedFromThePoolOfItsControllerOnly) {
  LoadAndList(kTopology);
  auto allocated = List<&PROVIDER_CreateZubAllocatedFromStoragePoolInstance>();
  ASSERT_EQ(allocated.GetCount(), 1u);  // controller 6 has no pool
  EXPECT_EQ(allocated[0].Dependent.Str(), Volume(L"500"));
  EXPECT_EQ(allocated[0].Antecedent.Str(), Pool(L"5"));
  CArrayT<stZUB_StorageVolume> volumes;
  PROVIDER_CreateZubStorageVolumeInstance()->GetData(&volumes);
  ASSERT_EQ(volumes.GetCount(), 2u);
  EXPECT_NE(volumes[0].VolumeSize, 0u);
  EXPECT_EQ(allocated[0].SpaceConsumed, volumes[0].VolumeSize);

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 6, "disks": [{"handle": 61}, {"handle": 62}],
    "volumes": [{"name": "Data", "level": 2, "disks": [61, 62]}]}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubAllocatedFromStoragePoolInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

TEST_F(StorageAssociationsTest, EveryAvailableDiskIsAComponentOfItsPoolWhateverItsState) {
  LoadAndList(kTopology);
  auto components = List<&PROVIDER_CreateZubConcreteComponentInstance>();
  ASSERT_EQ(components.GetCount(), 2u);  // not the member disks
  EXPECT_EQ(components[0].GroupComponent.Str(), Pool(L"5"));
  EXPECT_EQ(components[0].PartComponent.Str(), Disk(L"51"));
  EXPECT_EQ(components[1].GroupComponent.Str(), Pool(L"5"));
  EXPECT_EQ(components[1].PartComponent.Str(), Disk(L"52"));  // failed, left out of the pool's space

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 5, "disks": []}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubConcreteComponentInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

TEST_F(StorageAssociationsTest, AVolumeDependsOnTheDisksOfTheSettingOfItsNameAndController) {
  LoadAndList(kTopology);
  auto dependencies = List<&PROVIDER_CreateZubConcreteDependencyInstance>();
  const std::wstring expected[][2] = {{Volume(L"500"), Disk(L"55")}, {Volume(L"500"), Disk(L"53")},
                                      {Volume(L"500"), Disk(L"54")}, {Volume(L"600"), Disk(L"61")},
                                      {Volume(L"600"), Disk(L"62")}};
  ASSERT_EQ(dependencies.GetCount(), std::size(expected));  // never across controllers
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(dependencies[i].Dependent.Str(), expected[i][0]) << i;
    EXPECT_EQ(dependencies[i].Antecedent.Str(), expected[i][1]) << i;
  }

  ClearSettings();
  EXPECT_EQ(List<&PROVIDER_CreateZubConcreteDependencyInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace
