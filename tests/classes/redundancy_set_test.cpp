// ZUB_StorageRedundancySet and its member, hosting and spare associations.
#include <gtest/gtest.h>

#include "classes/storage/redundancy_set.h"
#include "tests/classes/association_fixture.h"

namespace {

// Controller 1 (AHCI, feature on, 8 PHYs): a healthy spare (SizeB 900), a
// failed spare (SizeB 1500), a RAID5 volume of four disks, a RAID0 volume.
// Controller 2 (DOX, feature off): only a failed spare. Controller 3 (type 3):
// a spare, but no set. Controller 4 (DOX): a RAID1 volume.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "A", "type": 1, "feature_flag": 1, "phy_count": 8, "disks": [
     {"handle": 11, "usage": 4, "sizes": [1, 900, 1]}, {"handle": 12, "usage": 4, "state": 3, "sizes": [1, 1500, 1]},
     {"handle": 13}, {"handle": 14}, {"handle": 15}, {"handle": 16}, {"handle": 17}, {"handle": 18}],
   "volumes": [{"name": "R5", "level": 8, "disks": [13, 14, 15, 16]}, {"name": "Z", "level": 1, "disks": [17, 18]}]},
  {"handle": 2, "name": "B", "type": 2, "feature_flag": 0, "disks": [
     {"handle": 21, "usage": 4, "state": 3, "sizes": [1, 700, 1]}]},
  {"handle": 3, "name": "C", "type": 3, "feature_flag": 1, "disks": [{"handle": 31, "usage": 4}]},
  {"handle": 4, "name": "D", "type": 2, "feature_flag": 1, "disks": [{"handle": 41}, {"handle": 42}],
   "volumes": [{"name": "M", "level": 2, "disks": [41, 42]}]}]})";

class RedundancySetTest : public zubtest::AssociationFixture {
 protected:
  CArrayT<stZUB_StorageRedundancySet> Sets(PROVIDER_STATUS status = PROVIDER_SUCCESS) {
    return List<&PROVIDER_CreateZubStorageRedundancySetInstance>(status);
  }
  static std::wstring Set(const std::wstring& id) {
    return Path(L"ZUB_StorageRedundancySet.InstanceID=\"ZUBe:StorageRedundancySet:" + id + L"\"");
  }
};

TEST_F(RedundancySetTest, OneSetPerAhciOrDoxControllerNumberedPerTypeWithItsHealthySpares) {
  LoadAndList(kTopology);
  auto sets = Sets();
  ASSERT_EQ(sets.GetCount(), 3u);  // none for the controller of type 3
  EXPECT_EQ(sets[0].InstanceID.Str(), L"ZUBe:StorageRedundancySet:AHCI0");
  EXPECT_EQ(sets[1].InstanceID.Str(), L"ZUBe:StorageRedundancySet:DOX0");
  EXPECT_EQ(sets[2].InstanceID.Str(), L"ZUBe:StorageRedundancySet:DOX1");

  const stZUB_StorageRedundancySet& a = sets[0];
  EXPECT_EQ(a.RedundancyStatus, 2u);
  EXPECT_EQ(a.LargestSpareSize, 900u);  // the failed, larger spare does not count
  EXPECT_EQ(a.MaxNumberSupported, 8u);
  EXPECT_EQ(a.ControllerHandle.Str(), L"1");
  EXPECT_EQ(a.MinNumberNeeded * 10 + a.LoadBalanceAlgorithm, 11u);
  for (const CZubString* text : {&a.ElementName, &a.Caption, &a.Description, &a.Name}) {
    EXPECT_EQ(text->Str(), L"ZUBe storage redundancy set");
  }
  EXPECT_EQ(a.OtherLoadBalanceAlgorithm.Str(), L"Algorithm dependent on RAID volume target");

  // Only a failed spare; no spare at all.
  EXPECT_EQ(sets[1].RedundancyStatus, 4u);
  EXPECT_EQ(sets[1].LargestSpareSize, 0u);
  EXPECT_EQ(sets[2].RedundancyStatus, 4u);

  Load(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "type": 1, "disks": []}]})");
  PROVIDER_CreateZubStorageExtentDiskInstance()->Update();
  EXPECT_EQ(Sets(PROVIDER_FAILED).GetCount(), 0u);  // no disk extent
}

TEST_F(RedundancySetTest, MembersAreTheDisksOfRedundantVolumeSettingsOfTheSetsController) {
  LoadAndList(kTopology);
  Sets();
  auto members = List<&PROVIDER_CreateZubMemberOfCollectionInstance>();
  ASSERT_EQ(members.GetCount(), 6u);  // R5's four, M's two; never the RAID0 volume's disks
  const wchar_t* const expected[][2] = {{L"AHCI0", L"13"}, {L"AHCI0", L"14"}, {L"AHCI0", L"15"},
                                        {L"AHCI0", L"16"}, {L"DOX1", L"41"}, {L"DOX1", L"42"}};
  for (size_t i = 0; i < members.GetCount(); ++i) {
    EXPECT_EQ(members[i].Collection.Str(), Set(expected[i][0])) << i;
    EXPECT_EQ(members[i].Member.Str(), Disk(expected[i][1])) << i;
  }

  // No volume setting at all.
  ClearSettings();
  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 1, "type": 1, "disks": [{"handle": 11}]}]})");
  Sets();
  EXPECT_EQ(List<&PROVIDER_CreateZubMemberOfCollectionInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

TEST_F(RedundancySetTest, EachSetIsHostedByTheSystemOfItsController) {
  LoadAndList(kTopology);
  Sets();
  auto hosted = List<&PROVIDER_CreateZubHostedCollectionInstance>();
  ASSERT_EQ(hosted.GetCount(), 3u);  // system C has no set
  EXPECT_EQ(hosted[0].Dependent.Str(), Set(L"AHCI0"));
  EXPECT_EQ(hosted[0].Antecedent.Str(), System(L"A"));
  EXPECT_EQ(hosted[1].Antecedent.Str(), System(L"B"));
  EXPECT_EQ(hosted[2].Dependent.Str(), Set(L"DOX1"));
  EXPECT_EQ(hosted[2].Antecedent.Str(), System(L"D"));

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 3, "type": 3, "disks": [{"handle": 31}]}]})");
  Sets();
  EXPECT_EQ(List<&PROVIDER_CreateZubHostedCollectionInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
}

TEST_F(RedundancySetTest, SparesOfFeatureEnabledControllersInAnyStateAreSpares) {
  LoadAndList(kTopology);
  Sets();
  auto spares = List<&PROVIDER_CreateZubIsSpareInstance>();
  ASSERT_EQ(spares.GetCount(), 2u);  // not B's (feature off) nor C's (no set)
  EXPECT_EQ(spares[0].Dependent.Str(), Set(L"AHCI0"));
  EXPECT_EQ(spares[0].Antecedent.Str(), Disk(L"11"));
  EXPECT_EQ(spares[0].SpareStatus, 2u);
  EXPECT_EQ(spares[1].Antecedent.Str(), Disk(L"12"));  // the failed spare too

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [{"handle": 3, "type": 3, "disks": [{"handle": 31}]}]})");
  Sets();
  EXPECT_EQ(List<&PROVIDER_CreateZubIsSpareInstance>(PROVIDER_FAILED).GetCount(), 0u);  // no set
}

}  // namespace
