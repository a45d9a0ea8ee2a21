// The task verbs as a person uses them: zubcim volume create|modify|delete,
// spare add|remove and locate on|off, one command each; disks named by
// serial number or DeviceID, the outcome in words or as JSON, exit 3 when the
// method failed or the request cannot be done and 2 for input that names
// nothing or makes no sense.
#include "tests/host/zubcim_runner.h"

namespace zubcim_test {
namespace {

// "Ctl" (write-back offered): D1, D2 in volume "Old", D3 and D4 available,
// S1 a spare, N1 without a PHY. "Other": D9.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 3, "name": "Ctl", "write_back_offered": 1, "disks": [
    {"handle": 31, "serial": "D1"}, {"handle": 32, "serial": "D2"}, {"handle": 33, "serial": "D3"},
    {"handle": 34, "serial": "D4", "phy": {"handle": 7, "number": 0}}, {"handle": 35, "serial": "S1", "usage": 4},
    {"handle": 36, "serial": "N1", "phy": null}],
   "volumes": [{"handle": 300, "array_handle": 301, "name": "Old", "level": 2, "disks": ["D1", "D2"]}]},
  {"handle": 9, "name": "Other", "disks": [{"handle": 91, "serial": "D9"}]}]})";

class VolumeVerbTest : public ZubcimTest {
 protected:
  void SetUp() override {
    ZubcimTest::SetUp();
    topology_ = "--topology " + Quote(Write("topology.json", kTopology)) + " ";
  }
  Result Cli(const std::string& args) { return Run(topology_ + args); }
  std::string topology_;
};
using DiskVerbTest = VolumeVerbTest;

TEST_F(VolumeVerbTest, CreateModifyAndDeleteInOneCommandEachAndWhatTheyRefuse) {
  Result created = Cli("--json volume create --controller Ctl --level RAID1 --strip 64K --cache writeback "
                          "--name Data --disks D3 34");
  ASSERT_EQ(created.code, 0) << created.err << created.out;
  ASSERT_EQ(created.json().size(), 1u);
  const Json line = created.json()[0];
  EXPECT_EQ(line["volume"], "create");
  EXPECT_EQ(line["record"]["ReturnValue"], 0);
  const std::string path = line["record"]["CreateOrModifyParams"]["TheElement"];
  EXPECT_NE(path.find("ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Data_"), std::string::npos)
      << path;
  EXPECT_GT(line["record"]["CreateOrModifyParams"]["Size"].get<uint64_t>(), 0u);
  Result renamed = Cli("volume modify Old --name Renamed --cache WRITEBACK");
  EXPECT_EQ(renamed.code, 0) << renamed.err;
  EXPECT_NE(renamed.out.find("0 (success)"), std::string::npos) << renamed.out;
  EXPECT_EQ(Cli("volume modify Old_300 --add-disks D3 D4 --level RAID10").code, 0);
  Result deleted = Cli("volume delete Old");
  EXPECT_EQ(deleted.code, 0) << deleted.err;
  EXPECT_NE(deleted.out.find("deleted Old_300"), std::string::npos) << deleted.out;
  // A method that fails exits 3; a request that names nothing is bad input.
  Result busy = Cli("volume create --controller 3 --level RAID0 --name Busy --disks D1 D3");
  EXPECT_EQ(busy.code, 3) << "a disk in use: the method fails: " << busy.out;
  EXPECT_NE(busy.out.find("5 (invalid parameter)"), std::string::npos) << busy.out;
  Result noPool = Cli("volume create --controller Ctl --level RAID0 --name X --disks D9 --size 1T");
  EXPECT_EQ(noPool.code, 3) << noPool.out << noPool.err;
  EXPECT_BAD_INPUT(Cli("volume create --controller Nowhere --level RAID0 --name X --disks D3"), "Nowhere");
  EXPECT_BAD_INPUT(Cli("volume create --controller Ctl --level RAID7 --name X --disks D3"), "RAID7");
  EXPECT_BAD_INPUT(Cli("volume create --controller Ctl --level RAID0 --name X --disks D7"), "D7");
  EXPECT_BAD_INPUT(Cli("volume create --controller Ctl --level RAID0 --name X --disks D3 --strip 64Q"), "64Q");
  EXPECT_BAD_INPUT(Cli("volume modify Old"), "nothing to change");
  EXPECT_BAD_INPUT(Cli("volume delete Nope"), "Nope");
  EXPECT_BAD_INPUT(Cli("volume create --name X"), "--controller");
}

// A volume named a"b\c: listed with its keys, every reference to it resolves
// in the inventory; the methods cannot be given it (the library's reference
// text cuts a value at a double quote), and the verbs say so instead of
// letting the library look for another volume.
TEST_F(VolumeVerbTest, AVolumeWhoseNameHoldsAQuoteIsListedAndTheVerbsSayWhyTheyCannotNameIt) {
  topology_ = "--topology " + Quote(Write("quoted.json", R"({"middleware_version": "1.0", "controllers": [
    {"handle": 3, "name": "Ctl", "disks": [{"handle": 31}, {"handle": 32}, {"handle": 33}],
     "volumes": [{"handle": 300, "array_handle": 301, "name": "a\"b\\c", "level": 2, "disks": [31, 32]}]}]})")) + " ";
  Result listed = Cli("--json list ZUB_StorageVolume");
  ASSERT_EQ(listed.code, 0) << listed.err;
  EXPECT_EQ(listed.json()[0]["instances"][0]["DeviceID"], "a\"b\\c_300");
  Result all = Cli("list --all");
  EXPECT_EQ(all.code, 0) << all.err << all.out;
  // Through a run's steps: no shell stands between the name and the verb.
  Result refused = Cli("run " + Quote(Write("refused.json", R"([
    {"volume": {"delete": {"volume": "a\"b\\c"}}},
    {"volume": {"modify": {"volume": "a\"b\\c", "name": "Plain"}}}])")));
  const std::vector<std::string> lines = refused.outLines();
  ASSERT_EQ(lines.size(), 2u) << refused.out << refused.err;
  for (const std::string& line : lines) EXPECT_NE(line.find("double quote"), std::string::npos) << line;
}

// In a run, one stack lives across steps: the created volume is listed with
// its setting, its creation and deletion raise their alerts, and a request
// naming nothing is reported on its line without ending the run.
TEST_F(VolumeVerbTest, VolumeStepsInARun) {
  Result r = Cli("run " + Quote(Write("scenario.json", R"([
    {"volume": {"create": {"controller": "Ctl", "level": "RAID0", "name": "Fresh", "disks": ["D3", "D4"]}}},
    {"alerts": {"count": 2, "wait_ms": 20000}},
    {"list": "ZUB_StorageSettingVolume"},
    {"volume": {"delete": {"volume": "Nope"}}},
    {"volume": {"delete": {"volume": "Fresh"}}},
    {"alerts": {"count": 4, "wait_ms": 20000}}
  ])")));
  ASSERT_EQ(r.code, 0) << r.err;
  const std::vector<Json> lines = r.json();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0]["record"]["ReturnValue"], 0);
  EXPECT_EQ(lines[1]["alerts"][0]["AlertClassName"], "ZUB_AlertVolumeCreated");
  bool filed = false;
  for (const Json& s : lines[2]["instances"]) filed |= s["InstanceID"] == "VolumeSetting_Fresh";
  EXPECT_TRUE(filed) << lines[2];
  EXPECT_NE(lines[3]["error"].get<std::string>().find("Nope"), std::string::npos);
  EXPECT_EQ(lines[4]["record"]["ReturnValue"], 0);
  EXPECT_EQ(lines[5]["alerts"][0]["AlertClassName"], "ZUB_AlertVolumeDeleted");
  EXPECT_BAD_INPUT(Cli("run " + Quote(Write("bad.json", R"([{"volume": {"create": {"disks": 3}}}])"))), "disks");
}

TEST_F(DiskVerbTest, SparesAndLocateLightsSetByTheDisksNamesAndWhatIsRefused) {
  Result added = Cli("spare add D3 34");
  ASSERT_EQ(added.code, 0) << added.err << added.out;
  EXPECT_EQ(added.outLines(), (std::vector<std::string>{
                                  "spare add: SetSpareExtents returned CIM return value 0 (success)",
                                  "disks now: D3 spare, 34 spare"}));
  Result removed = Cli("--json spare remove S1");
  ASSERT_EQ(removed.code, 0) << removed.err;
  ASSERT_EQ(removed.json().size(), 1u);
  const Json line = removed.json()[0];
  EXPECT_EQ(line["spare"], "remove");
  EXPECT_EQ(line["record"]["Operation"], 4);
  EXPECT_EQ(line["record"]["ReturnValue"], 0);
  const std::string path = line["record"]["SetSpareExtentsParams"]["InExtents"][0];
  EXPECT_NE(path.find("ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\",DeviceID=\"35\""),
            std::string::npos) << path;
  EXPECT_EQ(Cli("spare remove 35").outLines().back(), "disks now: 35 available");
  // Requests that cannot be done, and requests that name nothing.
  Result busy = Cli("spare add D3 D1");
  EXPECT_EQ(busy.code, 3) << busy.out;
  EXPECT_NE(busy.err.find("disk D1 cannot become a spare (GetExtents lists: D3 (33), D4 (34), N1 (36))"), std::string::npos)
      << busy.err;
  Result notSpare = Cli("spare remove D3");
  EXPECT_EQ(notSpare.code, 3);
  EXPECT_NE(notSpare.err.find("is not a spare (GetExtents lists: S1 (35))"), std::string::npos) << notSpare.err;
  EXPECT_BAD_INPUT(Cli("spare add D3 D9"), "different controllers");
  EXPECT_BAD_INPUT(Cli("spare add D7"), "D7");
  EXPECT_BAD_INPUT(Cli("spare add"), "DISK");
  EXPECT_BAD_INPUT(Cli("spare swap D3"), "subcommand");
  // The locate light is the disk's PHY's.
  Result on = Cli("locate on D4");
  ASSERT_EQ(on.code, 0) << on.err;
  EXPECT_EQ(on.outLines(), (std::vector<std::string>{
                               "locate on: SetAlarmIndicator returned CIM return value 0 (success)",
                               "locate light of disk D4 (PHY handle 7) switched on"}));
  Result off = Cli("--json locate off 34");
  ASSERT_EQ(off.code, 0) << off.err;
  EXPECT_EQ(off.json()[0]["record"]["State"], 1);
  EXPECT_EQ(off.json()[0]["record"]["DeviceID"], "07");
  Result noPhy = Cli("locate on N1");
  EXPECT_EQ(noPhy.code, 3);
  EXPECT_NE(noPhy.err.find("disk N1 has no locator"), std::string::npos) << noPhy.err;
  EXPECT_BAD_INPUT(Cli("locate on Nobody"), "Nobody");
  EXPECT_BAD_INPUT(Cli("locate blink D4"), "subcommand");
}

}  // namespace
}  // namespace zubcim_test
