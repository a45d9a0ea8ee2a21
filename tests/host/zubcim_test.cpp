// zubcim_test.cpp: zubcim as scripts see it: JSON lines, exit codes, one-line
// errors, and the life cycle it drives (visible through the simulation's
// counters). Every run uses a topology written here.
#include <sstream>

#include "framework/catalog.h"
#include "host/cli/table.h"
#include "tests/host/zubcim_runner.h"

namespace zubcim_test {
namespace {

constexpr const char* kTwoControllers = R"({"middleware_version": "13.1.0.1004", "controllers": [
  {"handle": 11, "name": "Alpha Controller", "type": 1, "disks": [{"handle": 1001, "serial": "ALPHA-DISK-1"}]},
  {"handle": 22, "name": "Beta Controller", "type": 2,
   "disks": [{"handle": 2001, "serial": "BETA-DISK-1"}, {"handle": 2002, "serial": "BETA-DISK-2"}]}]})";

std::vector<std::string> Keys(const Json& object) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : object.items()) keys.push_back(key);
  return keys;
}

class HostTest : public ZubcimTest {
 protected:
  void SetUp() override {
    ZubcimTest::SetUp();
    topology_ = "--topology " + Quote(Write("topology.json", kTwoControllers));
  }
  Result RunScenario(const std::string& steps) {
    return Run(topology_ + " run " + Quote(Write("scenario.json", steps)));
  }
  std::string topology_;
};

TEST_F(HostTest, JsonListOfComputerSystemGivesEveryFieldOfEveryController) {
  Result r = Run(topology_ + " --json list ZUB_ComputerSystem");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::vector<Json> lines = r.json();
  ASSERT_EQ(lines.size(), 1u);
  const Json& line = lines[0];
  EXPECT_EQ(Keys(line), (std::vector<std::string>{"list", "status", "instances"}));
  EXPECT_EQ(line["list"], "ZUB_ComputerSystem");
  EXPECT_EQ(line["status"], 0);
  ASSERT_EQ(line["instances"].size(), 2u);
  EXPECT_EQ(line["instances"][1]["Name"], "Beta Controller");
  EXPECT_EQ(line["instances"][1]["ControllerHandle"], "22");
  EXPECT_EQ(line["instances"][0]["Dedicated"], Json::parse("[30, 15]"));
  // The two invocation orders of the global option give the same answer.
  Result after = Run("--json list ZUB_ComputerSystem " + topology_);
  EXPECT_EQ(after.code, 0) << after.err;
  EXPECT_EQ(after.out, r.out);
  // No instance is still success; the status tells there was nothing.
  std::string empty = Write("empty.json", R"({"middleware_version": "1.0", "controllers": []})");
  Result none = Run("--topology " + Quote(empty) + " --json list ZUB_ComputerSystem");
  ASSERT_EQ(none.code, 0) << none.err;
  EXPECT_EQ(none.json().at(0)["instances"].size(), 0u);
  EXPECT_NE(none.json().at(0)["status"], 0);
}

// Each list step asks the class again (Update), so a change made by a sim
// step between two lists shows in the second. A fault is no change of the
// stack: it shows once the stack changes (until then what was read stays).
TEST_F(HostTest, ScenarioStepsRunInOrderInOneProcess) {
  Result r = RunScenario(R"([
    {"list": "ZUB_ComputerSystem"},
    {"sim": {"op": "fail", "call": "SsiGetControllerHandles", "status": 15, "times": 0}},
    {"sim": {"op": "set_disk", "disk": "BETA-DISK-2", "firmware": "2.0"}},
    {"list": "ZUB_ComputerSystem"},
    {"sim": {"op": "clear_faults"}},
    {"list": "ZUB_ComputerSystem"},
    {"sim": {"op": "set_disk", "disk": "NO-SUCH-DISK", "state": 3}},
    {"counters": {}}
  ])");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::vector<Json> lines = r.json();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0]["status"], 0);
  EXPECT_EQ(lines[0]["instances"].size(), 2u);
  EXPECT_EQ(lines[1], Json::parse(R"({"sim": "fail", "ok": true})"));
  EXPECT_NE(lines[3]["status"], 0) << "the failing middleware shows in the status";
  EXPECT_EQ(lines[3]["instances"].size(), 0u);
  EXPECT_EQ(lines[4], Json::parse(R"({"sim": "clear_faults", "ok": true})"));
  EXPECT_EQ(lines[5], lines[0]);
  EXPECT_EQ(Keys(lines[6]), (std::vector<std::string>{"sim", "ok", "error"}));
  EXPECT_EQ(lines[6]["ok"], false);
  EXPECT_NE(lines[6]["error"].get<std::string>().find("NO-SUCH-DISK"), std::string::npos) << lines[6];
  const Json& counters = lines[7]["counters"];
  EXPECT_EQ(Keys(counters), (std::vector<std::string>{"calls", "sessions_opened", "sessions_closed", "sessions_open"}));
  EXPECT_GT(counters["sessions_opened"].get<uint64_t>(), 0u);
  EXPECT_EQ(counters["sessions_closed"], counters["sessions_opened"]) << "also on the failing path";
  EXPECT_EQ(counters["sessions_open"], 0);
  EXPECT_EQ(counters["calls"]["SsiInitialize"], 1) << "the provider initialises the middleware once";
}

// A mistake in a scenario, on the command line, in the topology or in a class
// name is bad input, found before any step runs or anything is listed.
TEST_F(HostTest, MistakesAreBadInputFoundBeforeAnythingRuns) {
  struct Case {
    const char* steps;
    const char* mentions;
  } cases[] = {
      {R"({"list": "ZUB_ComputerSystem"})", "array"},
      {R"([{"list": "ZUB_ComputerSystem"}, {"lst": "ZUB_ComputerSystem"}])", "step 2: unknown step \"lst\""},
      {R"([{"list": "ZUB_ComputerSystm"}])", "ZUB_ComputerSystem"},
      {R"([{"list": "ZUB_ComputerSystem", "sim": {"op": "clear_faults"}}])", "step 1"},
      {R"([{"sim": {"disk": 5}}])", "\"op\""},
      {R"([{"counters": {}}, {"alerts": {"count": -1, "wait_ms": 10}}])", "step 2: alerts needs \"count\""},
      {R"([{"alerts": {"count": 1, "wait_ms": 5, "class": "X"}}])", "unknown key \"class\""},
      {R"([{"invoke": {"class": "ZUB_ComputerSystem", "method": "Nope", "in": {}}}])", "Nope"},
      {R"([{"list": "ZUB_ComputerSystem"},)", "not valid JSON"}, };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    EXPECT_BAD_INPUT(RunScenario(c.steps), c.mentions);
  }
  EXPECT_BAD_INPUT(Run(topology_ + " run " + Quote((dir_ / "missing.json").string())), "missing.json");
  Result fromInput = Run(topology_ + " run -", R"([{"list": "ZUB_ComputerSystem"}])");
  ASSERT_EQ(fromInput.code, 0) << fromInput.err;
  EXPECT_EQ(fromInput.json().at(0)["instances"].size(), 2u);
  // The command line, the topology and the class names are held to the same rule.
  EXPECT_BAD_INPUT(Run(""), "no command");
  EXPECT_BAD_INPUT(Run("list --no-such-option ZUB_ComputerSystem"), "--no-such-option");
  EXPECT_BAD_INPUT(Run("invoke ZUB_ComputerSystem"), "METHOD");
  EXPECT_BAD_INPUT(Run("frobnicate"), "frobnicate");
  EXPECT_BAD_INPUT(Run(topology_ + " watch extra"), "extra");
  EXPECT_BAD_INPUT(Run(topology_ + " list --all ZUB_ComputerSystem"), "--all");
  EXPECT_BAD_INPUT(Run(topology_ + " list"), "--all");
  EXPECT_EQ(Run("--help").code, 0);
  EXPECT_BAD_INPUT(Run(topology_ + " list ZUB_ComputerSystm"), "closest: ZUB_ComputerSystem");
  EXPECT_BAD_INPUT(Run(topology_ + " --json list ZUB_ComputerSystem ZUB_Nonsense"), "ZUB_Nonsense");
  EXPECT_BAD_INPUT(Run(topology_ + " invoke ZUB_Nonsense Foo"), "ZUB_Nonsense");
  EXPECT_BAD_INPUT(Run(topology_ + " invoke ZUB_ComputerSystem Foo", "{}"), "Foo");
  std::string bad = Write("bad.json", R"({"controllers": [{"handle": 0}]})");
  EXPECT_BAD_INPUT(Run("--topology " + Quote(bad) + " list ZUB_ComputerSystem"), "bad.json");
  EXPECT_BAD_INPUT(Run("--topology " + Quote(Write("broken.json", "{")) + " list ZUB_ComputerSystem"), "broken.json");
  EXPECT_BAD_INPUT(Run("--topology " + Quote((dir_ / "absent.json").string()) + " list ZUB_ComputerSystem"),
                   "absent.json");
  // The simulation's own variable is held to the same rule, and cannot
  // silently override --topology.
  SetEnv("ABRU2_TOPOLOGY", bad.c_str());
  EXPECT_BAD_INPUT(Run("list ZUB_ComputerSystem"), "bad.json");
  EXPECT_BAD_INPUT(Run(topology_ + " list ZUB_ComputerSystem"), "ABRU2_TOPOLOGY");
  SetEnv("ABRU2_TOPOLOGY", (dir_ / "topology.json").string().c_str());
  Result fromEnv = Run("--json list ZUB_ComputerSystem");
  EXPECT_EQ(fromEnv.code, 0) << fromEnv.err;
  EXPECT_NE(fromEnv.out.find("Beta Controller"), std::string::npos);
}

TEST_F(HostTest, ClassesDescribesEveryCatalogueEntry) {
  // With the client view: the catalogue's classes with the derived
  // properties marked, then the view's own classes.
  Result view = Run("--json classes");
  ASSERT_EQ(view.code, 0) << view.err;
  std::vector<Json> viewLines = view.json();
  ASSERT_GT(viewLines.size(), ClassCatalog().size());
  EXPECT_EQ(viewLines[ClassCatalog().size()]["view"], true) << viewLines[ClassCatalog().size()];
  const Json& derived = viewLines[0]["properties"];
  ASSERT_GT(derived.size(), 4u);
  EXPECT_EQ(derived[4]["derived"], true) << derived[4];
  EXPECT_FALSE(derived[4]["rule"].get<std::string>().empty());
  // The records alone: exactly the catalogue.
  Result r = Run("--records-only --json classes");
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<Json> lines = r.json();
  std::span<const ClassDesc> catalog = ClassCatalog();
  ASSERT_EQ(lines.size(), catalog.size());
  for (size_t i = 0; i < catalog.size(); ++i) {
    EXPECT_EQ(Keys(lines[i]), (std::vector<std::string>{"class", "kind", "superclass", "description", "properties",
                                                          "methods"}));
    EXPECT_EQ(lines[i]["class"], catalog[i].name);
    EXPECT_EQ(lines[i]["kind"], catalog[i].association ? "association" : "instance");
  }
  // Internal fields are no properties; CIM types may differ from storage.
  const Json& cs = lines[0];
  ASSERT_EQ(cs["class"], "ZUB_ComputerSystem");
  EXPECT_EQ(cs["properties"], Json::parse(R"([{"name": "NameFormat", "type": "string"},
      {"name": "Dedicated", "type": "uint16[]"}, {"name": "CreationClassName", "type": "string", "key": true},
      {"name": "Name", "type": "string", "key": true}])"));
}

TEST_F(HostTest, TablesCutNothingOffATerminalAndFitOneByLeavingOutTrailingColumns) {
  // A pipe: every name whole, whatever COLUMNS says.
  SetEnv("COLUMNS", "50");
  Result r = Run(topology_ + " list ZUB_ComputerSystem");
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> lines = r.outLines();
  ASSERT_GE(lines.size(), 4u) << r.out;
  EXPECT_NE(lines[0].find("2 instances"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1].rfind("CreationClassName", 0), 0u) << "key column first: " << lines[1];
  EXPECT_NE(lines[1].find("ControllerHandle"), std::string::npos) << "no column left out: " << lines[1];
  EXPECT_NE(lines[2].find("Alpha Controller"), std::string::npos);
  Result classes = Run("classes");
  EXPECT_NE(classes.out.find("ZUB_StorageSettingsGeneratedFromCapabilities "), std::string::npos) << classes.out;
  EXPECT_EQ(classes.out.find("..."), std::string::npos) << classes.out;
  EXPECT_EQ(classes.out.find("left out"), std::string::npos) << classes.out;
  // A terminal 30 wide: the key columns stay whole (the row wraps), the
  // trailing ones go, and the note says which.
  const std::vector<std::string> header{"Key", "OtherKey", "Name", "Description"};
  const std::vector<std::vector<std::string>> rows{
      {"a-rather-long-key-value", "k2", "n", "d"}, {"b", "k", "name-that-is-long", "d"}};
  std::ostringstream narrow;
  zubcim::PrintColumns(narrow, header, rows, 30, 2);
  EXPECT_EQ(narrow.str(), "Key                      OtherKey\n"
            "a-rather-long-key-value  k2\n"
            "b                        k\n"
            "(2 columns left out to fit 30 columns: Name ...; --json shows every field)\n");
  std::ostringstream fits;
  zubcim::PrintColumns(fits, header, rows, 55, 1);
  EXPECT_EQ(fits.str(), "Key                      OtherKey  Name\n"
                        "a-rather-long-key-value  k2        n\n"
                        "b                        k         name-that-is-long\n"
                        "(1 column left out to fit 55 columns: Description; --json shows every field)\n");
  std::ostringstream unlimited;
  zubcim::PrintColumns(unlimited, header, rows, 0, 1);
  EXPECT_EQ(unlimited.str().find("left out"), std::string::npos);
  EXPECT_NE(unlimited.str().find("name-that-is-long  d"), std::string::npos) << unlimited.str();
}

}  // namespace
}  // namespace zubcim_test
