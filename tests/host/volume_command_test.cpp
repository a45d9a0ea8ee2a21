// zubcim volume create|modify|delete as a person uses them: one command
// each, the outcome in words or as JSON, exit 3 when the method failed and 2
// for input that names nothing or makes no sense.
#include "tests/host/zubcim_runner.h"

namespace zubcim_test {
namespace {

// "Ctl" offers disks D1 to D4 (D1, D2 in volume "Old"); "Other" has D9.
constexpr const char* kTopology = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 3, "name": "Ctl", "write_back_offered": 1,
   "disks": [{"handle": 31, "serial": "D1"}, {"handle": 32, "serial": "D2"}, {"handle": 33, "serial": "D3"},
             {"handle": 34, "serial": "D4"}],
   "volumes": [{"handle": 300, "array_handle": 301, "name": "Old", "level": 2, "disks": ["D1", "D2"]}]},
  {"handle": 9, "name": "Other", "disks": [{"handle": 91, "serial": "D9"}]}]})";

class VolumeVerbTest : public ZubcimTest {
 protected:
  void SetUp() override {
    ZubcimTest::SetUp();
    topology_ = "--topology " + Quote(Write("topology.json", kTopology)) + " ";
  }
  Result Volume(const std::string& args) { return Run(topology_ + args); }
  std::string topology_;
};

TEST_F(VolumeVerbTest, CreateModifyAndDeleteInOneCommandEach) {
  Result created = Volume("--json volume create --controller Ctl --level RAID1 --strip 64K --cache writeback "
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

  Result renamed = Volume("volume modify Old --name Renamed --cache WRITEBACK");
  EXPECT_EQ(renamed.code, 0) << renamed.err;
  EXPECT_NE(renamed.out.find("0 (success)"), std::string::npos) << renamed.out;
  EXPECT_EQ(Volume("volume modify Old_300 --add-disks D3 D4 --level RAID10").code, 0);
  Result deleted = Volume("volume delete Old");
  EXPECT_EQ(deleted.code, 0) << deleted.err;
  EXPECT_NE(deleted.out.find("deleted Old_300"), std::string::npos) << deleted.out;
}

TEST_F(VolumeVerbTest, FailuresAndMistakes) {
  Result busy = Volume("volume create --controller 3 --level RAID0 --name Busy --disks D1 D3");
  EXPECT_EQ(busy.code, 3) << "a disk in use: the method fails: " << busy.out;
  EXPECT_NE(busy.out.find("5 (invalid parameter)"), std::string::npos) << busy.out;
  Result noPool = Volume("volume create --controller Ctl --level RAID0 --name X --disks D9 --size 1T");
  EXPECT_EQ(noPool.code, 3) << noPool.out << noPool.err;

  EXPECT_BAD_INPUT(Volume("volume create --controller Nowhere --level RAID0 --name X --disks D3"), "Nowhere");
  EXPECT_BAD_INPUT(Volume("volume create --controller Ctl --level RAID7 --name X --disks D3"), "RAID7");
  EXPECT_BAD_INPUT(Volume("volume create --controller Ctl --level RAID0 --name X --disks D7"), "D7");
  EXPECT_BAD_INPUT(Volume("volume create --controller Ctl --level RAID0 --name X --disks D3 --strip 64Q"), "64Q");
  EXPECT_BAD_INPUT(Volume("volume modify Old"), "nothing to change");
  EXPECT_BAD_INPUT(Volume("volume delete Nope"), "Nope");
  EXPECT_BAD_INPUT(Volume("volume create --name X"), "--controller");
}

// A volume named a"b\c: listed with its keys, every reference to it resolves
// in the inventory; the methods cannot be given it (the library's reference
// text cuts a value at a double quote), and the verbs say so instead of
// letting the library look for another volume.
TEST_F(VolumeVerbTest, AVolumeWhoseNameHoldsAQuoteIsListedAndTheVerbsSayWhyTheyCannotNameIt) {
  topology_ = "--topology " + Quote(Write("quoted.json", R"({"middleware_version": "1.0", "controllers": [
    {"handle": 3, "name": "Ctl", "disks": [{"handle": 31}, {"handle": 32}, {"handle": 33}],
     "volumes": [{"handle": 300, "array_handle": 301, "name": "a\"b\\c", "level": 2, "disks": [31, 32]}]}]})")) + " ";
  Result listed = Volume("--json list ZUB_StorageVolume");
  ASSERT_EQ(listed.code, 0) << listed.err;
  EXPECT_EQ(listed.json()[0]["instances"][0]["DeviceID"], "a\"b\\c_300");
  Result all = Volume("list --all");
  EXPECT_EQ(all.code, 0) << all.err << all.out;
  EXPECT_BAD_INPUT(Volume("volume delete 'a\"b\\c'"), "double quote");
  EXPECT_BAD_INPUT(Volume("volume modify 'a\"b\\c' --name Plain"), "double quote");
}

// In a run, one stack lives across steps: the created volume is listed with
// its setting, its creation and deletion raise their alerts, and a request
// naming nothing is reported on its line without ending the run.
TEST_F(VolumeVerbTest, VolumeStepsInARun) {
  Result r = Volume("run " + Quote(Write("scenario.json", R"([
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
  EXPECT_EQ(lines[5]["alerts"][0]["AlertingManagedElement"], "N/A");
  EXPECT_BAD_INPUT(Volume("run " + Quote(Write("bad.json", R"([{"volume": {"create": {"disks": 3}}}])"))), "disks");
}

}  // namespace
}  // namespace zubcim_test
