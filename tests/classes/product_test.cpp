// The four product classes and the card associations: products, systems and
// port controllers joined to the card of their controller.
#include <gtest/gtest.h>

#include "classes/system/product.h"
#include "tests/classes/association_fixture.h"

namespace {

// Controller 1: two disks (one without a serial number), an expander and an
// enclosure. Controller 2: one disk.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "C1", "vendor": 32902, "driver_version": "13.1",
   "routing_devices": [{"handle": 400, "vendor": "ACME-EXP", "version": "0102"}],
   "enclosures": [{"handle": 300, "vendor": "ACME", "version": "0001"}],
   "disks": [{"handle": 11, "serial": "S11", "model": "M11", "firmware": "F11"}, {"handle": 12, "serial": ""}]},
  {"handle": 2, "name": "C2", "disks": [{"handle": 21, "serial": "S21"}]}]})";

class ProductTest : public zubtest::AssociationFixture {
 protected:
  static std::wstring Card(const std::wstring& tag) {
    return Path(L"ZUB_Card.CreationClassName=\"ZUB_Card\",Tag=\"" + tag + L"\"");
  }
  static std::vector<std::wstring> Texts(const CArrayT<stZUB_Product>& products) {
    std::vector<std::wstring> out;
    for (const stZUB_Product& p : products) {
      for (const CZubString* t : {&p.Name, &p.IdentifyingNumber, &p.Vendor, &p.Version, &p.Description,
                                  &p.ElementName, &p.CreationClassName}) {
        out.push_back(t->Str());
      }
    }
    return out;
  }
};

TEST_F(ProductTest, EachKindListsItsObjectsWithItsOwnTexts) {
  Load(kTopology);
  auto hbas = List<&PROVIDER_CreateZubProductHBAInstance>();
  ASSERT_EQ(hbas.GetCount(), 2u);
  hbas.RemoveAt(1);
  EXPECT_EQ(Texts(hbas), (std::vector<std::wstring>{L"Host_Controller_C1", L"1", L"32902", L"13.1",
                                                     L"Host Bus Adapter - RAID", L"Corvo ZUB RAID HBA",
                                                     L"ZUB_ProductHBA"}));
  auto disks = List<&PROVIDER_CreateZubProductDiskInstance>();
  ASSERT_EQ(disks.GetCount(), 3u);
  EXPECT_EQ(disks[1].Name.Str(), L"End_Device_");  // no serial number
  disks.RemoveAt(1);
  disks.RemoveAt(1);
  EXPECT_EQ(Texts(disks), (std::vector<std::wstring>{L"End_Device_S11", L"11", L"M11", L"F11", L"Storage Device",
                                                      L"Disk", L"ZUB_ProductDisk"}));
  EXPECT_EQ(Texts(List<&PROVIDER_CreateZubProductEnclosureInstance>()),
            (std::vector<std::wstring>{L"Enclosure_ACME", L"300", L"ACME", L"0001", L"Disk Enclosure",
                                       L"Disk Enclosure", L"ZUB_ProductEnclosure"}));
  EXPECT_EQ(Texts(List<&PROVIDER_CreateZubProductRouterInstance>()),
            (std::vector<std::wstring>{L"Router_400", L"400", L"ACME-EXP", L"0102", L"Router or Expander Device",
                                       L"Router or Expander Device", L"ZUB_ProductRouter"}));

  // Nothing of a kind.
  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 2, "disks": []}]})");
  EXPECT_EQ(List<&PROVIDER_CreateZubProductRouterInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubProductDiskInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

TEST_F(ProductTest, EveryProductOfAControllerIsAComponentOfItsCard) {
  Load(kTopology);
  auto components = List<&PROVIDER_CreateZubProductPhysicalComponentInstance>();
  // Card 1: its HBA, router, two disks, enclosure; card 2: its HBA and disk.
  const std::wstring expected[][2] = {
      {L"ZUB_ProductHBA.Name=\"Host_Controller_C1\",IdentifyingNumber=\"1\",Vendor=\"32902\",Version=\"13.1\"", L"1"},
      {L"ZUB_ProductRouter.Name=\"Router_400\",IdentifyingNumber=\"400\",Vendor=\"ACME-EXP\",Version=\"0102\"", L"1"},
      {L"ZUB_ProductDisk.Name=\"End_Device_S11\",IdentifyingNumber=\"11\",Vendor=\"M11\",Version=\"F11\"", L"1"},
      {L"ZUB_ProductDisk.Name=\"End_Device_\",IdentifyingNumber=\"12\",", L"1"},
      {L"ZUB_ProductEnclosure.Name=\"Enclosure_ACME\",IdentifyingNumber=\"300\",Vendor=\"ACME\",Version=\"0001\"",
       L"1"},
      {L"ZUB_ProductHBA.Name=\"Host_Controller_C2\",IdentifyingNumber=\"2\",", L"2"},
      {L"ZUB_ProductDisk.Name=\"End_Device_S21\",IdentifyingNumber=\"21\",", L"2"}};
  ASSERT_EQ(components.GetCount(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(components[i].GroupComponent.Str().rfind(Path(expected[i][0]), 0), 0u)
        << i << " " << std::string(components[i].GroupComponent.Str().begin(), components[i].GroupComponent.Str().end());
    EXPECT_EQ(components[i].PartComponent.Str(), Card(expected[i][1])) << i;
  }
  EXPECT_EQ(components[0].GroupComponent.Str(), Path(expected[0][0]));

  // The enclosures under controller 1 cannot be fetched (the fourth call: the
  // enclosure products' own load and this one each count, then fetch): what
  // was joined stays.
  zubtest::NthCall fault{4, [] { Fail("SsiGetEnclosureHandles"); }};
  fault.Install("SsiGetEnclosureHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubProductPhysicalComponentInstance>(PROVIDER_FAILED).GetCount(), 4u);
}

TEST_F(ProductTest, EachCardPackagesOneSystemAndRealizesOnePortController) {
  Load(kTopology);
  auto packages = List<&PROVIDER_CreateZubComputerSystemPackageInstance>();
  ASSERT_EQ(packages.GetCount(), 2u);
  EXPECT_EQ(packages[0].Dependent.Str(), System(L"C1"));
  EXPECT_EQ(packages[0].Antecedent.Str(), Card(L"1"));
  EXPECT_EQ(packages[1].Dependent.Str(), System(L"C2"));
  EXPECT_EQ(packages[1].Antecedent.Str(), Card(L"2"));

  auto realizes = List<&PROVIDER_CreateZubRealizesInstance>();
  ASSERT_EQ(realizes.GetCount(), 2u);
  EXPECT_EQ(realizes[1].Dependent.Str(),
            Path(L"ZUB_PortController.CreationClassName=\"ZUB_PortController\",DeviceID=\"2\","
                 L"SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"C2\""));
  EXPECT_EQ(realizes[1].Antecedent.Str(), Card(L"2"));

  // The systems (read first) are not listed, the cards are: no record at all.
  Fail("SsiGetControllerHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubComputerSystemPackageInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  Fail("SsiGetControllerHandles");
  EXPECT_EQ(List<&PROVIDER_CreateZubRealizesInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

}  // namespace
