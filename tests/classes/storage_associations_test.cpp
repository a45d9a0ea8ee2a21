// ZUB_AllocatedFromStoragePool, ZUB_ConcreteComponent and
// ZUB_ConcreteDependency on volumes of the same name on two controllers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/ports/protocol_endpoint.h"
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
  std::vector<std::wstring> inPools;  // (the disks' endpoints are joined too)
  for (const auto& component : List<&PROVIDER_CreateZubConcreteComponentInstance>()) {
    if (component.GroupComponent.Str().find(L"ZUB_StoragePool") != std::wstring::npos) {
      EXPECT_EQ(component.GroupComponent.Str(), Pool(L"5"));
      inPools.push_back(component.PartComponent.Str());
    }
  }
  // Not the member disks; the failed disk although the pool's space leaves it out.
  EXPECT_EQ(inPools, (std::vector<std::wstring>{Disk(L"51"), Disk(L"52")}));

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 5, "disks": []}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubConcreteComponentInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

TEST_F(StorageAssociationsTest, EveryDiskIsAComponentOfItsOwnEndpointNotOfItsVolumesDAPortEndpoint) {
  // AHCI 5: 51 available, 52 and 53 a mirror (52 its first disk, so the DA
  // port's endpoint is attached to 52 too, and listed first), 54 without a
  // PHY. DOX 6: SAS and SSP disks.
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 5, "type": 1, "disks": [
       {"handle": 51, "phy": {"handle": 151, "protocol": 1}, "port": {"handle": 251}},
       {"handle": 52, "phy": {"handle": 152, "protocol": 1}, "port": {"handle": 252}},
       {"handle": 53, "phy": {"handle": 153, "protocol": 1}, "port": {"handle": 253}},
       {"handle": 54, "phy": null}],
     "volumes": [{"handle": 500, "name": "Mirror", "level": 2, "disks": [52, 53]}]},
    {"handle": 6, "type": 2, "disks": [
       {"handle": 61, "phy": {"handle": 161, "protocol": 2}, "port": {"handle": 261}},
       {"handle": 62, "phy": {"handle": 162, "protocol": 4}, "port": {"handle": 262}}]}]})");
  PROVIDER_CreateZubATAProtocolEndpointInstance()->Update();  // the port classes too
  PROVIDER_CreateZubSCSIProtocolEndpointInstance()->Update();
  const auto endpoint = [](const std::wstring& kind, const std::wstring& port) {
    const std::wstring cimClass = kind == L"SATA" ? L"ZUB_ATAProtocolEndpoint" : L"ZUB_SCSIProtocolEndpoint";
    return Path(cimClass + L".CreationClassName=\"" + cimClass + L"\",Name=\"" + kind + L"_Logical_" + port +
                L"\",SystemCreationClassName=\"" + kind + L"Endpoint_" + port + L"\",SystemName=\"Corvo_ZUBe3.0\"");
  };
  const std::wstring expected[][2] = {
      {Pool(L"5"), Disk(L"51")}, {endpoint(L"SATA", L"251"), Disk(L"51")},
      {endpoint(L"SATA", L"252"), Disk(L"52")},  // a member: no pool
      {endpoint(L"SATA", L"253"), Disk(L"53")},
      {Pool(L"5"), Disk(L"54")},                 // no PHY: no endpoint
      {Pool(L"6"), Disk(L"61")}, {endpoint(L"SCSI", L"261"), Disk(L"61")},
      {Pool(L"6"), Disk(L"62")}, {endpoint(L"SCSI", L"262"), Disk(L"62")}};
  auto components = List<&PROVIDER_CreateZubConcreteComponentInstance>();
  ASSERT_EQ(components.GetCount(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(components[i].GroupComponent.Str(), expected[i][0]) << i;
    EXPECT_EQ(components[i].PartComponent.Str(), expected[i][1]) << i;
  }
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
