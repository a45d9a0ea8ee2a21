// Alert records of every kind and the builders the registered classes call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classes/profiles/software_identity.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "framework/alert.h"
#include "provider/provider.h"

namespace {

// ASCII texts of the provider, for messages.
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::vector<std::wstring> Texts(const CArrayT<CZubString>& list) {
  std::vector<std::wstring> out;
  for (const CZubString& s : list) out.push_back(s.Str());
  return out;
}

class AlertTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNames(L"root\\Corvo_ZUB", L"host1"); }
  static void SetNames(const wchar_t* nameSpace, const wchar_t* computer) {
    stComputerStringNames names;
    names.Namespace = nameSpace;
    names.ComputerName = computer;
    ASSERT_EQ(PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names), PROVIDER_SUCCESS);
  }
  static stZUB_StorageVolume Volume() {
    stZUB_StorageVolume v;
    v.CreationClassName = L"ZUB_StorageVolume";
    v.DeviceID = L"Data_150";
    v.SystemCreationClassName = L"Corvo_ZUBe3.0";
    v.SystemName = L"Volume_150";
    return v;
  }
  CSafeArrayT<stZUB_AlertIndication> alerts_;
};

// Every kind as the host must see it, written out here rather than read from
// the provider's table.
struct ExpectedKind {
  AlertElement element;
  uint32_t code;
  const wchar_t* description;
  const wchar_t* otherAlertType;
  const wchar_t* cause;
  const wchar_t* cls;
  uint64_t format;
  uint64_t trending;
  std::vector<std::wstring> actions;
  uint64_t alertType;
  uint64_t severity;
  bool path;  // false: "N/A"
};

const std::vector<ExpectedKind>& Expected() {
  const std::vector<std::wstring> none = {L"No actions required"};
  static const std::vector<ExpectedKind> kinds = {
      {AlertElement::Volume, 1, L"New storage volume has been created", L"Creation Alert", L"Creation of a volume",
       L"ZUB_AlertVolumeCreated", 2, 1, none, 1, 2, true},
      {AlertElement::Volume, 2, L"A storage volume has been modified", L"Modified Alert", L"Modification of a volume",
       L"ZUB_AlertVolumeModified", 0, 1, none, 1, 2, true},
      {AlertElement::Volume, 3, L"A storage volume has been deleted", L"Deletion Alert", L"Deletion of a volume",
       L"ZUB_AlertVolumeDeleted", 0, 1, none, 1, 2, false},
      {AlertElement::Disk, 1, L"New disk inserted into the system", L"Disk insertion Alert", L"Insertion of a disk",
       L"ZUB_AlertDiskInserted", 2, 1, none, 1, 2, true},
      {AlertElement::Disk, 2, L"Disk Failed", L"Disk Failed Alert", L"Disk Failed", L"ZUB_AlertDiskFailed", 2, 3,
       {L"Check cables and power", L"Reboot", L"Replace bad disk"}, 5, 6, true},
      {AlertElement::Disk, 3, L"A disk has been removed", L"Deletion Alert", L"Removal of a disk",
       L"ZUB_AlertDiskRemoved", 0, 3, {L"Check enclosure", L"Check cables", L"Check power"}, 1, 2, false},
      {AlertElement::Disk, 4, L"Potential disk failure", L"Potential disk failure Alert", L"Potential disk failure",
       L"ZUB_AlertDiskFailing", 2, 4, {L"Check cables and power", L"Reboot", L"Replace potential bad disk"}, 5, 3,
       true},
      {AlertElement::Disk, 5, L"New disk in the primordial pool", L"New disk in the primordial pool Alert",
       L"Disk marked as primordial", L"ZUB_AlertDiskMarkedPrimordial", 2, 4, none, 1, 2, true},
      {AlertElement::Disk, 6, L"New disk in the disk spare pool", L"New disk in the disk spare pool Alert",
       L"Disk marked as spare", L"ZUB_AlertDiskMarkedAsSpare", 2, 4, none, 1, 2, true},
      {AlertElement::Disk, 7, L"Spare disk is used in a volume", L"Spare disk is used Alert",
       L"Spare disk used in a volume", L"ZUB_AlertDiskSpareUsed", 2, 1, none, 1, 2, true},
      {AlertElement::Disk, 8, L"Spare disk has been released from the spare pool",
       L"Spare disk has been released Alert", L"Disk marked as unknown", L"ZUB_AlertDiskSpareReleased", 2, 4, none,
       1, 2, true},
      {AlertElement::Disk, 9, L"Disk state returned to normal", L"Disk state returned to normal Alert",
       L"Disk is healthy", L"ZUB_AlertDiskReturnedToNormal", 2, 2, none, 1, 2, true},
      {AlertElement::Pool, 1, L"Primordial storage pool has been modified",
       L"Primordial storage pool has been modified Alert", L"Disks have been added or removed from pool",
       L"ZUB_AlertPrimordialPoolModified", 2, 1, none, 1, 2, true},
      {AlertElement::Software, 1, L"Updated software in the ZUBe stack", L"Updated software in the ZUBe stack Alert",
       L"ZUBe Driver installation", L"ZUB_AlertSoftwareUpdated", 2, 1, none, 1, 2, true},
  };
  return kinds;
}

TEST_F(AlertTest, EveryKindCarriesItsTextsAndNumbers) {
  ASSERT_EQ(AlertKinds().size(), Expected().size());
  const CZubString path = L"\\\\host1\\root\\Corvo_ZUB:ZUB_X.K=\"v\"";
  for (const ExpectedKind& e : Expected()) {
    SCOPED_TRACE(Narrow(e.cls));
    const AlertKindDesc* kind = FindAlertKind(e.element, e.code);
    ASSERT_NE(kind, nullptr);
    const stZUB_AlertIndication a = BuildAlert(kind->kind, path, L"Disk_7", L"Host_Controller_1");
    EXPECT_EQ(a.Description.Str(), e.description);
    EXPECT_EQ(a.AlertingManagedElement.Str(), e.path ? path.Str() : L"N/A");
    EXPECT_EQ(a.AlertingElementFormat, e.format);
    EXPECT_EQ(a.AlertType, e.alertType);
    EXPECT_EQ(a.OtherAlertType.Str(), e.otherAlertType);
    EXPECT_EQ(a.PerceivedSeverity, e.severity);
    EXPECT_EQ(a.ProbableCause, 1u);
    EXPECT_EQ(a.ProbableCauseDescription.Str(), e.cause);
    EXPECT_EQ(a.Trending, e.trending);
    EXPECT_EQ(Texts(a.RecommendedActions), e.actions);
    EXPECT_EQ(a.EventID.Str(), L"Disk_7");
    EXPECT_EQ(a.AlertClassName.Str(), e.cls);
    EXPECT_EQ(a.SystemName.Str(), L"Host_Controller_1");
    EXPECT_EQ(a.SystemCreationClassName.Str(), L"Corvo_ZUBe3.0");
    EXPECT_EQ(a.ProviderName.Str(), L"Corvo_ZUBe3.0");
    // asctime's form: "Wed Jun 30 21:49:08 1993\n".
    ASSERT_EQ(a.EventTime.GetLength(), 25u) << Narrow(a.EventTime.Str());
    EXPECT_EQ(a.EventTime.Str().back(), L'\n');
  }
  // Codes outside an element's range name no kind.
  EXPECT_EQ(FindAlertKind(AlertElement::Volume, 0), nullptr);
  EXPECT_EQ(FindAlertKind(AlertElement::Volume, 4), nullptr);
  EXPECT_EQ(FindAlertKind(AlertElement::Disk, 10), nullptr);
  EXPECT_EQ(FindAlertKind(AlertElement::Pool, 2), nullptr);
}

// On the records of the volume, disk and pool classes.
TEST_F(AlertTest, ElementBuildersNameTheElementByItsKeysOnItsClass) {
  const stZUB_StorageVolume volume = Volume();
  EXPECT_TRUE(RaiseVolumeAlert(alerts_, 1, volume));  // created
  EXPECT_TRUE(RaiseVolumeAlert(alerts_, 3, volume));  // deleted
  stZUB_StorageExtentDisk disk;
  disk.CreationClassName = L"ZUB_StorageExtentDisk";
  disk.DeviceID = L"110";
  disk.SystemCreationClassName = L"Corvo_ZUBe3.0";
  disk.SystemName = L"Disk_110";
  EXPECT_TRUE(RaiseDiskAlert(alerts_, 7, disk));  // spare used
  stZUB_StoragePool pool;
  pool.InstanceID = L"100";
  pool.Caption = L"Primordial_100";
  EXPECT_TRUE(RaisePoolAlert(alerts_, pool));
  stZUB_SoftwareIdentity software;
  software.InstanceID = L"Driver_1";
  software.VersionString = L"13.2.0.1022";
  EXPECT_TRUE(RaiseSoftwareAlert(alerts_, software));
  // Out of range: nothing is raised.
  EXPECT_FALSE(RaiseVolumeAlert(alerts_, 4, volume));
  EXPECT_FALSE(RaiseDiskAlert(alerts_, 0, disk));

  ASSERT_EQ(alerts_.GetCount(), 5u);
  EXPECT_EQ(alerts_[0].AlertingManagedElement.Str(),
            L"\\\\host1\\root\\Corvo_ZUB:ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\","
            L"DeviceID=\"Data_150\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_150\"");
  EXPECT_EQ(alerts_[0].AlertingElementFormat, 2u);
  EXPECT_EQ(alerts_[0].EventID.Str(), L"Data_150");
  EXPECT_EQ(alerts_[0].SystemName.Str(), L"Volume_150");

  // A deleted volume is gone: no path, format 0, but still its identity
  // from its last record.
  EXPECT_EQ(alerts_[1].AlertClassName.Str(), L"ZUB_AlertVolumeDeleted");
  EXPECT_EQ(alerts_[1].AlertingManagedElement.Str(), L"N/A");
  EXPECT_EQ(alerts_[1].AlertingElementFormat, 0u);
  EXPECT_EQ(alerts_[1].EventID.Str(), L"Data_150");
  EXPECT_EQ(alerts_[1].SystemName.Str(), L"Volume_150");

  EXPECT_EQ(alerts_[2].AlertingManagedElement.Str(),
            L"\\\\host1\\root\\Corvo_ZUB:ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\","
            L"DeviceID=\"110\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Disk_110\"");
  EXPECT_EQ(alerts_[2].EventID.Str(), L"110");
  EXPECT_EQ(alerts_[2].SystemName.Str(), L"Disk_110");
  EXPECT_EQ(alerts_[3].AlertingManagedElement.Str(), L"\\\\host1\\root\\Corvo_ZUB:ZUB_StoragePool.InstanceID=\"100\"");
  EXPECT_EQ(alerts_[3].EventID.Str(), L"100");
  EXPECT_EQ(alerts_[3].SystemName.Str(), L"Primordial_100");
  EXPECT_EQ(alerts_[4].AlertingManagedElement.Str(),
            L"\\\\host1\\root\\Corvo_ZUB:ZUB_SoftwareIdentity.InstanceID=\"Driver_1\"");
  EXPECT_EQ(alerts_[4].EventID.Str(), L"Driver_1");
  EXPECT_EQ(alerts_[4].SystemName.Str(), L"13.2.0.1022");
}

TEST(AlertRecord, DescriptionIsCompleteAndKeepsTheElementPathAString) {
  const RecordDesc& desc = stZUB_AlertIndication::Describe();
  EXPECT_EQ(CheckDescription(desc), "");
  const FieldDesc* element = desc.Find("AlertingManagedElement");
  ASSERT_NE(element, nullptr);
  EXPECT_NE(element->reference, nullptr) << "hosts learn that it holds an object path";
  EXPECT_EQ(CimTypeName(*element), "string") << "as CIM_AlertIndication declares it";
  EXPECT_EQ(CimTypeName(*desc.Find("PerceivedSeverity")), "uint16");
  EXPECT_EQ(CimTypeName(*desc.Find("RecommendedActions")), "string[]");
  EXPECT_FALSE(desc.Find("AlertClassName")->IsProperty()) << "it names the class, it is not a property";
}

}  // namespace
