// ZUB_SpareConfigurationService and ZUB_SpareConfigurationCapabilities
// through the simulation: per-kind numbering, the candidates of each
// operation, marking and unmarking with the disks' usage following, and
// every way a request is refused or rejected.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classes/config/spare_configuration.h"
#include "tests/classes/association_fixture.h"

namespace {

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
  EXPECT_EQ(services[0].Name.Str(), L"ZUBe:AhciSpareConfigurationService0");
  EXPECT_EQ(services[1].Name.Str(), L"ZUBe:DoxSpareConfigurationService0");
  EXPECT_EQ(services[2].Name.Str(), L"ZUBe:AhciSpareConfigurationService1");
  EXPECT_EQ(services[2].ElementName.Str(), services[2].Name.Str());
  EXPECT_EQ(services[1].Caption.Str(), L"Spare Configuration Service for DOX HBA Controller 0");
  EXPECT_EQ(services[2].Description.Str(), L"Spare Configuration Service for AHCI HBA Controller 1");
  EXPECT_EQ(services[1].SystemName.Str(), L"SpareCfgService_2");
  EXPECT_EQ(services[1].SystemCreationClassName.Str(), L"Corvo_ZUBe3.0");
  EXPECT_EQ(services[1].CreationClassName.Str(), L"ZUB_SpareConfigurationService");
  EXPECT_EQ(services[1].ControllerHandle.Str(), L"2");
  EXPECT_EQ(caps[0].InstanceID.Str(), L"ZUBe:SpareConfigurationCapabilities:AHCI0");
  EXPECT_EQ(caps[1].InstanceID.Str(), L"ZUBe:SpareConfigurationCapabilities:DOX0");
  EXPECT_EQ(caps[2].InstanceID.Str(), L"ZUBe:SpareConfigurationCapabilities:AHCI1");
  EXPECT_EQ(caps[2].ControllerHandle.Str(), L"3");
  EXPECT_EQ(caps[0].ElementName.Str(), L"ZUBe Spare Configuration Capabilities");
  ASSERT_EQ(caps[0].SupportedSynchronousActions.GetCount(), 2u);
  EXPECT_EQ(caps[0].SupportedSynchronousActions[1], 3u);
  ASSERT_EQ(caps[0].SupportedAsynchronousActions.GetCount(), 1u);
  EXPECT_EQ(caps[0].SupportedAsynchronousActions[0], 4u);
  EXPECT_EQ(caps[0].CapabilityFlag1, 0u);
  EXPECT_EQ(caps[0].CapabilityFlag2, 1u);

  // Operation is a parameter of both methods.
  for (const char* method : {"GetExtents", "SetSpareExtents"}) {
    const auto params = MethodParameters(stZUB_SpareConfigurationService::Describe(), method);
    EXPECT_TRUE(std::any_of(params.begin(), params.end(),
                            [](const ParameterDesc& p) { return std::string(p.field->name) == "Operation"; }))
        << method;
  }
}

// A controller of another kind stops both lists there; no controller at all
// is "nothing" for the service only.
TEST_F(SpareTest, AControllerOfAnotherKindOrNoneAtAll) {
  Load(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 2}, {"handle": 2, "type": 5}, {"handle": 3, "type": 1}]})");
  List<&PROVIDER_CreateZubPortControllerInstance>();
  EXPECT_EQ(List<&PROVIDER_CreateZubSpareConfigurationServiceInstance>(PROVIDER_FAILED).GetCount(), 1u);
  EXPECT_EQ(List<&PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance>(PROVIDER_FAILED).GetCount(), 1u);

  Load(R"({"middleware_version": "1.0", "controllers": []})");
  List<&PROVIDER_CreateZubPortControllerInstance>(PROVIDER_NOT_FOUND);
  EXPECT_EQ(List<&PROVIDER_CreateZubSpareConfigurationServiceInstance>(PROVIDER_NOT_FOUND).GetCount(), 0u);
  EXPECT_EQ(List<&PROVIDER_CreateZubSpareConfigurationCapabilitiesInstance>().GetCount(), 0u);
}

TEST_F(SpareTest, CandidatesSparesAndAllDisksOfTheServicesControllerOnly) {
  EXPECT_EQ(Extents(kSpareCandidates), (std::vector<std::wstring>{Disk(L"11"), Disk(L"17"), Disk(L"18")}));
  EXPECT_EQ(Extents(kSpareDisks), (std::vector<std::wstring>{Disk(L"14")}));
  EXPECT_EQ(Extents(kSpareAllDisks).size(), 8u);
  EXPECT_EQ(Extents(kSpareCandidates, 1), (std::vector<std::wstring>{Disk(L"21")}));
  EXPECT_TRUE(Extents(kSpareAllDisks, 2).empty());

  // Another operation: nothing written.
  stZUB_SpareConfigurationService rec = ServiceRecord(0);
  rec.Operation = 5;
  rec.ReturnValue = 77;
  rec.GetExtentsParams.Extents.Add(L"kept");
  EXPECT_EQ(Service()->GetExtents(&rec), PROVIDER_FAILED);
  EXPECT_EQ(rec.ReturnValue, 77u);
  ASSERT_EQ(rec.GetExtentsParams.Extents.GetCount(), 1u);
  // A service that is not one of the instances.
  rec.Operation = kSpareCandidates;
  rec.Name = L"ZUBe:AhciSpareConfigurationService7";
  EXPECT_EQ(Service()->GetExtents(&rec), PROVIDER_FAILED);
  EXPECT_EQ(Service()->GetExtents(nullptr), PROVIDER_INVALID_PARAMETER);
  ExpectSessionsBalanced();
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
  EXPECT_EQ(Set(kSpareMark, {Disk(L"11"), Path(L"ZUB_StorageExtentDisk.Name=\"11\"")},
                PROVIDER_INVALID_PARAMETER)
                .ReturnValue,
            5u);
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

}  // namespace
