// zubcim spare add|remove and zubcim locate on|off as a person uses them:
// disks named by serial number or DeviceID, the outcome in words or as JSON,
// exit 3 when the request cannot be done and 2 for input that names nothing.
#include "tests/host/zubcim_runner.h"

namespace zubcim_test {
namespace {

// "Ctl": D1, D2 in a volume, D3 and D4 available, S1 a spare, N1 without a
// PHY. "Other": D9.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 3, "name": "Ctl", "disks": [
    {"handle": 31, "serial": "D1"}, {"handle": 32, "serial": "D2"}, {"handle": 33, "serial": "D3"},
    {"handle": 34, "serial": "D4", "phy": {"handle": 7, "number": 0}}, {"handle": 35, "serial": "S1", "usage": 4},
    {"handle": 36, "serial": "N1", "phy": null}],
   "volumes": [{"handle": 300, "array_handle": 301, "name": "Old", "level": 2, "disks": ["D1", "D2"]}]},
  {"handle": 9, "name": "Other", "disks": [{"handle": 91, "serial": "D9"}]}]})";

class DiskVerbTest : public ZubcimTest {
 protected:
  void SetUp() override {
    ZubcimTest::SetUp();
    topology_ = "--topology " + Quote(Write("topology.json", kTopology)) + " ";
  }
  Result Verb(const std::string& args) { return Run(topology_ + args); }
  std::string topology_;
};

TEST_F(DiskVerbTest, SparesAddedAndRemovedByTheirNames) {
  Result added = Verb("spare add D3 34");
  ASSERT_EQ(added.code, 0) << added.err << added.out;
  EXPECT_EQ(added.outLines(), (std::vector<std::string>{
                                  "spare add: SetSpareExtents returned CIM return value 0 (success)",
                                  "disks now: D3 spare, 34 spare"}));
  Result removed = Verb("--json spare remove S1");
  ASSERT_EQ(removed.code, 0) << removed.err;
  ASSERT_EQ(removed.json().size(), 1u);
  const Json line = removed.json()[0];
  EXPECT_EQ(line["spare"], "remove");
  EXPECT_EQ(line["record"]["Operation"], 4);
  EXPECT_EQ(line["record"]["ReturnValue"], 0);
  const std::string path = line["record"]["SetSpareExtentsParams"]["InExtents"][0];
  EXPECT_NE(path.find("ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\",DeviceID=\"35\""),
            std::string::npos)
      << path;
  EXPECT_EQ(Verb("spare remove 35").outLines().back(), "disks now: 35 available");
}

TEST_F(DiskVerbTest, SpareRequestsThatCannotBeDoneOrNameNothing) {
  Result busy = Verb("spare add D3 D1");
  EXPECT_EQ(busy.code, 3) << busy.out;
  EXPECT_NE(busy.err.find("disk D1 cannot become a spare (GetExtents lists: D3 (33), D4 (34), N1 (36))"), std::string::npos)
      << busy.err;
  Result notSpare = Verb("spare remove D3");
  EXPECT_EQ(notSpare.code, 3);
  EXPECT_NE(notSpare.err.find("is not a spare (GetExtents lists: S1 (35))"), std::string::npos) << notSpare.err;

  EXPECT_BAD_INPUT(Verb("spare add D3 D9"), "different controllers");
  EXPECT_BAD_INPUT(Verb("spare add D7"), "D7");
  EXPECT_BAD_INPUT(Verb("spare add"), "DISK");
  EXPECT_BAD_INPUT(Verb("spare swap D3"), "subcommand");
}

TEST_F(DiskVerbTest, LocateSwitchesTheLightOfTheDisksPhy) {
  Result on = Verb("locate on D4");
  ASSERT_EQ(on.code, 0) << on.err;
  EXPECT_EQ(on.outLines(), (std::vector<std::string>{
                               "locate on: SetAlarmIndicator returned CIM return value 0 (success)",
                               "locate light of disk D4 (PHY handle 7) switched on"}));
  Result off = Verb("--json locate off 34");
  ASSERT_EQ(off.code, 0) << off.err;
  EXPECT_EQ(off.json()[0]["record"]["State"], 1);
  EXPECT_EQ(off.json()[0]["record"]["DeviceID"], "07");

  Result noPhy = Verb("locate on N1");
  EXPECT_EQ(noPhy.code, 3);
  EXPECT_NE(noPhy.err.find("disk N1 has no locator"), std::string::npos) << noPhy.err;
  EXPECT_BAD_INPUT(Verb("locate on Nobody"), "Nobody");
  EXPECT_BAD_INPUT(Verb("locate blink D4"), "subcommand");
}

}  // namespace
}  // namespace zubcim_test
