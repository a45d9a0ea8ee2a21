// zubcim check through the built zubcim: in-process and against a `zubcim serve` started here give the same
// report on a topology that keeps every profile whole; two controllers of one name fail it with a clear line.
// The walk's own rules on a stand-in server: a reference to nothing and a missing required property.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "host/wbem/profile_check.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// An AHCI controller with a mirror, a spare and a free disk; a SAS controller whose two disks are a mirror with a
// failed member (no free disk, so no pool).
const char* const kWholeTopology = R"({"middleware_version": "1", "controllers": [
  {"handle": 1, "name": "AHCI", "type": 1, "disks": [
    {"handle": 11, "serial": "A11"}, {"handle": 12, "serial": "A12"}, {"handle": 13, "serial": "A13", "usage": 4},
    {"handle": 14, "serial": "A14"}],
   "volumes": [{"handle": 51, "name": "Mirror", "level": 2, "disks": ["A11", "A12"]}]},
  {"handle": 2, "name": "SAS", "type": 2, "disks": [{"handle": 21, "serial": "S21", "state": 3}, {"handle": 22, "serial": "S22"}],
   "volumes": [{"handle": 52, "name": "Degraded", "level": 2, "disks": ["S21", "S22"]}]}]})";

// Two controllers the middleware names alike.
const char* const kTwinTopology = R"({"middleware_version": "1", "controllers": [
  {"handle": 1, "name": "Twin", "type": 2, "disks": [{"handle": 11, "serial": "A11"}]},
  {"handle": 2, "name": "Twin", "type": 2, "disks": [{"handle": 21, "serial": "B21"}]}]})";

struct Ran {
  int exit = -1;
  std::string out;
};

class ProfileCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(testing::TempDir()) / ("zub-check-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (server > 0 && ::kill(server, SIGTERM) == 0) ::waitpid(server, nullptr, 0);
    fs::remove_all(dir);
  }
  std::string Topology(const char* name, const char* json) {
    const fs::path file = dir / name;
    std::ofstream(file) << json;
    return file.string();
  }
  // zubcim with `args`: its exit code and standard output.
  static Ran Zubcim(const std::string& args) {
    Ran run;
    FILE* pipe = ::popen((std::string(ZUBCIM_PATH) + " " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }
  // `zubcim serve` on a free port; its URL.
  std::string Serve(const std::string& topology, bool recordsOnly = false) {
    if (server > 0 && ::kill(server, SIGTERM) == 0) ::waitpid(server, nullptr, 0);
    const fs::path said = dir / "serve.out";
    fs::remove(said);
    server = ::fork();
    if (server == 0) {
      std::freopen(said.c_str(), "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      const char* view = recordsOnly ? "--records-only" : "--json";  // --json changes nothing of serve
      ::execl(ZUBCIM_PATH, ZUBCIM_PATH, view, "--topology", topology.c_str(), "serve", "--listen", "127.0.0.1:0",
              nullptr);
      ::_exit(127);
    }
    const std::string serving = "http://127.0.0.1:";
    for (int i = 0; i < 3000; ++i) {
      std::ifstream in(said);
      const std::string text{std::istreambuf_iterator<char>(in), {}};
      const size_t at = text.find(serving);
      if (at != std::string::npos && text.find('\n', at) != std::string::npos)
        return serving + std::to_string(std::atoi(text.c_str() + at + serving.size()));
      std::this_thread::sleep_for(10ms);
    }
    ADD_FAILURE() << "zubcim serve did not start";
    return "";
  }
  // The JSON lines of a --json check, the last (the summary) left out.
  static std::vector<nlohmann::json> Profiles(const std::string& out) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    if (!lines.empty()) lines.pop_back();
    return lines;
  }

  fs::path dir;
  pid_t server = 0;
};

// With the client view each system conforms itself, its drives sit on their extents and the pool of the one
// controller with a free disk is Block Services' central instance; without it the records' own joins are walked.
TEST_F(ProfileCheck, InProcessAndServedAgreeAndEveryProfilePasses) {
  const std::string topology = Topology("whole.json", kWholeTopology);
  for (const bool recordsOnly : {false, true}) {
    const std::string mode = recordsOnly ? "--records-only " : "";
    const Ran local = Zubcim(mode + "--json --topology " + topology + " check");
    ASSERT_EQ(local.exit, 0) << local.out;
    const Ran served = Zubcim("--json check --server " + Serve(topology, recordsOnly));
    ASSERT_EQ(served.exit, 0) << served.out;
    const std::vector<nlohmann::json> profiles = Profiles(local.out);
    EXPECT_EQ(profiles, Profiles(served.out)) << mode;
    EXPECT_EQ(nlohmann::json::parse(served.out.substr(served.out.rfind('{')))["view"], !recordsOnly) << served.out;

    std::map<std::string, size_t> checked;  // "profile/item" -> instances checked
    for (const nlohmann::json& profile : profiles) {
      EXPECT_TRUE(profile["passed"].get<bool>()) << mode << profile.dump();
      for (const nlohmann::json& item : profile["items"])
        checked[profile["profile"].get<std::string>() + "/" + item["item"].get<std::string>()] = item["checked"];
    }
    EXPECT_EQ(checked["Host Hardware RAID Controller/central CIM_ComputerSystem"], 2u) << mode << "one system each";
    if (recordsOnly) {
      EXPECT_EQ(checked["Block Services/central CIM_StorageConfigurationService"], 2u) << local.out;
      EXPECT_EQ(checked.count("Block Services/central CIM_StoragePool"), 0u) << local.out;
    } else {
      EXPECT_EQ(checked["Block Services/central CIM_StoragePool"], 1u) << "AHCI's pool; SAS has no free disk";
      EXPECT_EQ(checked["Host Hardware RAID Controller/CIM_SystemDevice -> CIM_DiskDrive -> CIM_MediaPresent -> "
                        "CIM_StorageExtent"],
                6u)
          << local.out;
      EXPECT_EQ(checked["Software Inventory/central CIM_SoftwareIdentity"],
                checked["Host Hardware RAID Controller/CIM_InstalledSoftwareIdentity -> CIM_SoftwareIdentity"])
          << local.out;
    }
  }
}

TEST_F(ProfileCheck, TwoControllersOfOneNameFailWithAClearLine) {
  const std::string topology = Topology("twin.json", kTwinTopology);
  for (const std::string& via : {std::string("--topology ") + topology + " check", "check --server " + Serve(topology)}) {
    const Ran run = Zubcim(via);
    EXPECT_EQ(run.exit, 5) << via << "\n" << run.out;
    EXPECT_NE(run.out.find("FAIL central CIM_ComputerSystem: 2 instances of ZUB_ComputerSystem share the key "
                           "ZUB_ComputerSystem.CreationClassName=\"Corvo_ZUBe3.0\",Name=\"Twin\""),
              std::string::npos)
        << via << "\n" << run.out;
  }
}

// ---- the walk's rules on a stand-in server ------------------------------------------------------------------

using zubwbem::ClientInstance;
using zubwbem::CimPath;
using zubwbem::CimValue;
using zubwbem::KeyBinding;

CimPath PathOf(const char* ns, const char* cls, const char* key, const char* value) {
  return CimPath{"", zubwbem::SplitNamespace(ns), cls, {KeyBinding{key, value, KeyBinding::Kind::String, {}}}};
}
CimValue Text(const char* text) { return CimValue{false, {text}, {}}; }
CimValue Ref(const CimPath& path) { return CimValue{false, {}, {path}}; }

// A profile "P" whose central class "X_Central" is joined to it; each central instance leads through "X_Link" to
// an "X_Part". Class names are exact (no hierarchy).
class StandIn : public zubwbem::CimAccess {
 public:
  std::vector<ClientInstance> instances;

  std::vector<ClientInstance> Instances(const std::string&, const std::string& cls) override {
    std::vector<ClientInstance> out;
    for (const ClientInstance& i : instances) {
      if (i.path.className == cls || (cls == "CIM_RegisteredProfile" && i.path.className == "X_Profile")) out.push_back(i);
    }
    return out;
  }
  std::vector<ClientInstance> Associators(const CimPath& object, const std::string& assoc,
                                          const std::string& result) override {
    std::vector<ClientInstance> out;
    for (const ClientInstance& link : References(object, assoc)) {
      for (const auto& [name, value] : link.properties) {
        for (const CimPath& end : value.refs) {
          if (zubwbem::SameKeys(end, object) && end.className == object.className) continue;
          if (std::optional<ClientInstance> found = Get(end); found && (result.empty() || found->path.className == result))
            out.push_back(*found);
        }
      }
    }
    return out;
  }
  std::vector<ClientInstance> References(const CimPath& object, const std::string& assoc) override {
    std::vector<ClientInstance> out;
    for (const ClientInstance& i : instances) {
      if (i.path.className != Named(assoc)) continue;
      for (const auto& [name, value] : i.properties) {
        if (!value.refs.empty() && value.refs.front().className == object.className && zubwbem::SameKeys(value.refs.front(), object))
          out.push_back(i);
      }
    }
    return out;
  }
  std::optional<ClientInstance> Get(const CimPath& path) override {
    for (const ClientInstance& i : instances) {
      if (i.path.className == path.className && zubwbem::SameKeys(i.path, path)) return i;
    }
    return std::nullopt;
  }
  bool HasClass(const std::string&, const std::string&) override { return true; }
  std::string Where() const override { return "stand-in"; }

 private:
  static std::string Named(const std::string& assoc) {
    return assoc == "CIM_ElementConformsToProfile" ? "X_Conforms" : assoc;
  }
};

TEST(ProfileWalk, AReferenceToNothingAndAMissingPropertyAreFailuresOfTheirItem) {
  const CimPath profile = PathOf("root/interop", "X_Profile", "InstanceID", "P");
  const CimPath central = PathOf("root/x", "X_Central", "Name", "c1");
  const CimPath part = PathOf("root/x", "X_Part", "Name", "p1");
  const CimPath gone = PathOf("root/x", "X_Part", "Name", "gone");
  StandIn server;
  server.instances = {
      {profile, {{"RegisteredName", Text("P")}, {"RegisteredVersion", Text("1")}}},
      {central, {{"Name", Text("c1")}, {"Size", CimValue{}}}},
      {part, {{"Name", Text("p1")}}},
      {PathOf("root/interop", "X_Conforms", "Id", "1"), {{"ManagedElement", Ref(central)}, {"ConformantStandard", Ref(profile)}}},
      {PathOf("root/x", "X_Link", "Id", "1"), {{"Whole", Ref(central)}, {"Part", Ref(part)}}},
      {PathOf("root/x", "X_Link", "Id", "2"), {{"Whole", Ref(central)}, {"Part", Ref(gone)}}},
  };
  const zubwbem::ProfileRow table[] = {{"P", "X_Central", {}, {"Name", "Size"}, {{{"X_Link", "X_Part"}, true, {"Name"}}}}};

  const std::vector<zubwbem::ProfileResult> results = zubwbem::CheckProfiles(server, table, true);
  ASSERT_EQ(results.size(), 1u);
  const zubwbem::ProfileResult& p = results[0];
  ASSERT_EQ(p.items.size(), 2u);
  EXPECT_EQ(std::make_tuple(p.items[0].checked, p.items[0].missing, p.items[0].wrong), std::make_tuple(1u, 1u, 0u));
  EXPECT_EQ(std::make_tuple(p.items[1].checked, p.items[1].missing, p.items[1].wrong), std::make_tuple(1u, 0u, 1u));
  EXPECT_EQ(p.failures, (std::vector<std::string>{
                            "central X_Central: X_Central.Name=\"c1\" has no Size",
                            "X_Link -> X_Part: X_Link.Id=\"2\": Part names X_Part.Name=\"gone\", which does not exist"}));

  // The part gone, the central instance leads nowhere: missing, since every central instance must lead to one.
  server.instances.erase(server.instances.begin() + 2);
  const zubwbem::ProfileResult again = zubwbem::CheckProfiles(server, table, true)[0];
  EXPECT_EQ(again.items[1].missing, 1u);
}

}  // namespace
