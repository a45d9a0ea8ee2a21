// The whole inventory's references: every reference any class writes names
// an instance its class lists, on a topology with two controllers of each
// type; and the check itself catches each kind of slip.
#include <gtest/gtest.h>

#include "host/kit/inventory.h"
#include "tests/host/zubcim_runner.h"

namespace {

using zubcim::DanglingReference;
using zubcim::ListedClass;
using zubcim_test::Result;

// Two AHCI and two DOX controllers: mirrors, a RAID5, spares (one failed),
// an available failed disk, SATA, SAS, STP and SSP disks, a controller
// without its own port, two with spare marking enabled.
constexpr const char* kFourControllers = R"({"middleware_version": "2.1.0.7", "controllers": [
  {"handle": 1, "type": 1, "name": "AHCI One", "feature_flag": 1, "disks": [
     {"handle": 11, "serial": "A11"}, {"handle": 12, "serial": "A12"}, {"handle": 13, "usage": 4},
     {"handle": 14, "state": 3}],
   "volumes": [{"handle": 101, "name": "Mirror", "level": 2, "disks": [11, 12]}]},
  {"handle": 2, "type": 1, "name": "AHCI Two", "port": null, "disks": [
     {"handle": 21}, {"handle": 22}, {"handle": 23, "usage": 4, "state": 3}]},
  {"handle": 3, "type": 2, "name": "DOX One", "disks": [
     {"handle": 31, "phy": {"handle": 131, "protocol": 2}}, {"handle": 32, "phy": {"handle": 132, "protocol": 4}},
     {"handle": 33, "phy": {"handle": 133, "protocol": 3}}, {"handle": 34}],
   "volumes": [{"handle": 301, "name": "Data", "level": 8, "disks": [31, 32, 33]}]},
  {"handle": 4, "type": 2, "name": "DOX Two", "feature_flag": 1, "disks": [{"handle": 41}, {"handle": 42}, {"handle": 43, "usage": 4}],
   "volumes": [{"handle": 401, "name": "Mirror2", "level": 2, "disks": [41, 42]}]}]})";

class InventoryTest : public zubcim_test::ZubcimTest {};

TEST_F(InventoryTest, EveryReferenceOfAFourControllerInventoryNamesAListedInstance) {
  const std::string topology = "--topology " + Quote(Write("four.json", kFourControllers));
  Result human = Run(topology + " list --all");
  EXPECT_EQ(human.code, 0) << human.err;
  EXPECT_NE(human.out.find("every reference names a listed instance"), std::string::npos) << human.out;
  Result json = Run(topology + " --json list --all");
  ASSERT_EQ(json.code, 0) << json.err;
  // Every class in catalogue order, each instance with its record's fields in order.
  const std::vector<zubcim_test::Json> lines = json.json();
  ASSERT_EQ(lines.size(), ClassCatalog().size());
  size_t associationsWithInstances = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const ClassDesc& cls = ClassCatalog()[i];
    EXPECT_EQ(lines[i]["list"], cls.name);
    EXPECT_TRUE(lines[i]["status"].is_number_integer());
    std::vector<std::string> fields;
    for (const FieldDesc& f : cls.record().fields) fields.push_back(f.name);
    for (const zubcim_test::Json& instance : lines[i]["instances"]) {
      std::vector<std::string> keys;
      for (const auto& item : instance.items()) keys.push_back(item.key());
      EXPECT_EQ(keys, fields) << cls.name;
    }
    if (cls.association && !lines[i]["instances"].empty()) ++associationsWithInstances;
  }
  // Only the generated settings' two associations have nothing to join.
  EXPECT_EQ(associationsWithInstances, 25u);
}

// An inventory made by hand: one system, and a class that refers to it.
TEST(InventoryCheck, EachKindOfSlipIsReportedAndOnlyThose) {
  const ClassDesc* systems = FindClass("ZUB_ComputerSystem");
  const ClassDesc* collections = FindClass("ZUB_HostedCollection");
  const ClassDesc* profiles = FindClass("ZUB_RegisteredProfile");
  ASSERT_TRUE(systems && collections && profiles);
  const std::string system =
      R"(\\h\root\Corvo_ZUB:ZUB_ComputerSystem.CreationClassName="Corvo_ZUBe3.0",Name="A, B")";
  std::vector<ListedClass> listed = {
      {systems, {{"instances", {{{"CreationClassName", "Corvo_ZUBe3.0"}, {"Name", "A, B"}}}}}},
      {profiles, {{"instances", {{{"InstanceID", "SNIA:0"}}}}}}, {collections, {{"instances", {
             {{"Antecedent", system}, {"Dependent", ""}},  // empty: nothing to check
             {{"Antecedent", R"(\\h\root\corvo_zub:ZUB_ComputerSystem.creationclassname="Corvo_ZUBe3.0",NAME="A, B")"},
              {"Dependent", R"(\\h\root\Interop:ZUB_Corvo_Registration.InstanceID="SNIA:0")"}},  // resolved by keys
             {{"Antecedent", R"(\\h\root\Corvo_ZUB:ZUB_ComputerSystem.CreationClassName="Corvo_ZUBe3.0",Name="A")"},
              {"Dependent", R"(\\h\root\Other:ZUB_RegisteredProfile.InstanceID="SNIA:0")"}},
             {{"Antecedent", R"(\\h\root\Corvo_ZUB:ZUB_ComputerSystem.Name="A, B")"},
              {"Dependent", R"(\\h\root\Corvo_ZUB:ZUB_Card.InstanceID="SNIA:0")"}},
             {{"Antecedent", "not a path"}, {"Dependent", R"(\\h\root\Corvo_ZUB:ZUB_RegisteredProfile.InstanceID="SNIA:1)"}},
         }}}}, };
  const std::vector<DanglingReference> dangling = zubcim::DanglingReferences(listed, "root\\Corvo_ZUB");
  std::vector<std::string> found;
  for (const DanglingReference& d : dangling) found.push_back(d.field + " " + d.reference);
  EXPECT_EQ(found, (std::vector<std::string>{
                       // The fields in description order, each over every instance.
                       R"(Dependent \\h\root\Other:ZUB_RegisteredProfile.InstanceID="SNIA:0")",  // namespace
                       R"(Dependent \\h\root\Corvo_ZUB:ZUB_Card.InstanceID="SNIA:0")",  // a served class, not it
                       R"(Dependent \\h\root\Corvo_ZUB:ZUB_RegisteredProfile.InstanceID="SNIA:1)",
                       R"(Antecedent \\h\root\Corvo_ZUB:ZUB_ComputerSystem.CreationClassName="Corvo_ZUBe3.0",Name="A")",
                       R"(Antecedent \\h\root\Corvo_ZUB:ZUB_ComputerSystem.Name="A, B")",  // a key missing
                       "Antecedent not a path", }));
  for (const DanglingReference& d : dangling) EXPECT_EQ(d.cls, "ZUB_HostedCollection");
}

}  // namespace
