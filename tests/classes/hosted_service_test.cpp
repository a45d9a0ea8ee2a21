// ZUB_HostedService: each system with its two services, the lists walked
// side by side.
#include <gtest/gtest.h>

#include <string>

#include "classes/config/hosted_service.h"
#include "classes/config/spare_configuration.h"
#include "classes/config/storage_configuration_service.h"
#include "tests/classes/association_fixture.h"

namespace {

class HostedServiceTest : public zubtest::AssociationFixture {
 protected:
  void LoadAndListServices(const std::string& json) {
    LoadAndList(json);
    PROVIDER_CreateZubStorageConfigurationServiceInstance()->Update();
    PROVIDER_CreateZubSpareConfigurationServiceInstance()->Update();
  }
  static std::wstring StorageService(const std::wstring& controller) {
    return Path(
        L"ZUB_StorageConfigurationService.CreationClassName=\"ZUB_StorageConfigurationService\","
        L"Name=\"ZUB_StorageConfigurationService_" + controller +
        L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"" + controller + L"\"");
  }
  static std::wstring SpareService(const std::wstring& name, const std::wstring& handle) {
    return Path(L"ZUB_SpareConfigurationService.CreationClassName=\"ZUB_SpareConfigurationService\",Name=\"" + name +
                L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"SpareCfgService_" + handle + L"\"");
  }
};

TEST_F(HostedServiceTest, EachSystemHostsItsStorageThenItsSpareService) {
  LoadAndListServices(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 3, "type": 2, "name": "Dox", "disks": []},
    {"handle": 4, "type": 1, "name": "Ahci", "disks": []}]})");
  const std::wstring expected[][2] = {
      {System(L"Dox"), StorageService(L"Dox")},
      {System(L"Dox"), SpareService(L"ZUBe:DoxSpareConfigurationService0", L"3")},
      {System(L"Ahci"), StorageService(L"Ahci")},
      {System(L"Ahci"), SpareService(L"ZUBe:AhciSpareConfigurationService0", L"4")}};
  auto hosted = List<&PROVIDER_CreateZubHostedServiceInstance>();
  ASSERT_EQ(hosted.GetCount(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(hosted[i].Antecedent.Str(), expected[i][0]) << i;
    EXPECT_EQ(hosted[i].Dependent.Str(), expected[i][1]) << i;
  }
}

TEST_F(HostedServiceTest, ListsOfDifferentLengthsJoinNothing) {
  // The spare services stop at the controller of another type: two storage
  // services, one spare service.
  LoadAndListServices(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 3, "type": 2, "disks": []}, {"handle": 4, "type": 7, "disks": []}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubHostedServiceInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);

  LoadAndListServices(R"({"middleware_version": "1.0", "controllers": []})");
  EXPECT_EQ(List<&PROVIDER_CreateZubHostedServiceInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace
