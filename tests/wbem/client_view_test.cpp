// The client view (host/view) in the server, on the library's whole catalogue
// and a topology written here: what the view derives, the adapter's choice
// of disks, and --records-only leaving all of it out. The walks a storage
// client makes are scripts/client-walk.py's.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "host/view/adapter.h"
#include "host/wbem/client_view.h"
#include "tests/wbem/wbem_fixture.h"

namespace {

using namespace wbemtest;
using V = std::vector<std::string>;

// "Pick" (SAS) has a degraded RAID5, free disks of 1 and 2 GB and a failed
// free disk of 4 GB; "Full" (AHCI) has a mirror and no free disk, so no pool.
const char* const kTopology = R"({"middleware_version": "13.2.0.1022", "controllers": [
  {"handle": 1, "name": "Pick", "type": 2, "driver_version": "2.1.0.7", "address": [0, 3, 0, 0], "disks": [
    {"handle": 11, "serial": "P11", "size": 1000000000}, {"handle": 12, "serial": "P12", "size": 1000000000},
    {"handle": 13, "serial": "P13", "size": 2000000000}, {"handle": 14, "serial": "P14", "size": 4000000000, "state": 3},
    {"handle": 15, "serial": "P15"}, {"handle": 16, "serial": "P16"}, {"handle": 17, "serial": "P17"}],
   "volumes": [{"handle": 51, "array_handle": 52, "name": "Parity", "level": 8, "disks": [15, 16, 17], "state": 2}]},
  {"handle": 2, "name": "Full", "type": 1, "driver_version": "13.2.0.1022", "disks": [
    {"handle": 21, "serial": "F21"}, {"handle": 22, "serial": "F22", "state": 4}],
   "volumes": [{"handle": 61, "array_handle": 62, "name": "Pair", "level": 2, "disks": [21, 22]}]}]})";

std::string Param(const char* name, const std::string& xml, const char* element = "IPARAMVALUE") {
  return std::string("<") + element + " NAME=\"" + name + "\">" + xml + "</" + element + ">";
}
std::string ClassParam(const char* name, const std::string& cls) { return Param(name, "<CLASSNAME NAME=\"" + cls + "\"/>"); }
std::string Xml(pugi::xml_node node) {
  std::ostringstream out;
  node.print(out, "", pugi::format_raw);
  return out.str();
}
// A property's values joined by commas; "NULL" for none.
std::string Value(pugi::xml_node instance, const char* property) {
  pugi::xml_node p = instance.find_child_by_attribute("NAME", property);
  if (!p) return "NULL";
  std::string out;
  bool any = false;
  for (pugi::xpath_node v : p.select_nodes(".//VALUE")) {
    out += (any ? "," : "") + std::string(v.node().child_value());
    any = true;
  }
  return any ? out : "NULL";
}

class ClientView : public WbemFixture {
 protected:
  void SetUp() override {
    WbemFixture::SetUp();
    Load(kTopology);
    zubwbem::AddClientView(full);
  }
  // Each instance of a class (by its key Name or DeviceID or InstanceID) with the values of `properties`.
  std::map<std::string, V> Instances(const std::string& cls, const V& properties, zubwbem::Operations* via = nullptr) {
    pugi::xml_document doc = Call(IntrinsicRequest("EnumerateInstances", ClassParam("ClassName", cls)), via ? via : &view);
    std::map<std::string, V> out;
    for (pugi::xml_node named : ReturnValue(doc).children("VALUE.NAMEDINSTANCE")) {
      pugi::xml_node instance = named.child("INSTANCE");
      std::string key = Value(instance, "DeviceID");
      if (key == "NULL") key = Value(instance, "Name");
      if (key == "NULL") key = Value(instance, "InstanceID");
      V values;
      for (const std::string& p : properties) values.push_back(Value(instance, p.c_str()));
      out[key] = values;
    }
    return out;
  }
  // The first instance name of a class whose key has this value.
  std::string NameOf(const std::string& cls, const std::string& key) {
    pugi::xml_document doc = Call(IntrinsicRequest("EnumerateInstanceNames", ClassParam("ClassName", cls)), &view);
    for (pugi::xml_node name : ReturnValue(doc).children("INSTANCENAME")) {
      if (name.find_node([&](pugi::xml_node n) { return std::string(n.child_value()) == key; })) return Xml(name);
    }
    ADD_FAILURE() << "no " << cls << " " << key;
    return "";
  }
  pugi::xml_document Invoke(const std::string& method, const std::string& target, const std::string& params,
                            zubwbem::Operations* via = nullptr) {
    return Call(MethodRequest(method, target, params), via ? via : &view);
  }
  static pugi::xml_node Method(const pugi::xml_document& doc) {
    return doc.child("CIM").child("MESSAGE").child("SIMPLERSP").child("METHODRESPONSE");
  }

  zubwbem::Schema full{ClassCatalog()};
  zubwbem::Schema recordsOnly{ClassCatalog()};
  zubwbem::ProviderGate libraryGate{zubwbem::PathDefaults{"box", "root/corvo_zub"}};
  zubwbem::Operations view{full, libraryGate, nullptr, nullptr, true};
  zubwbem::Operations records{recordsOnly, libraryGate};
};

TEST_F(ClientView, DerivesFromTheRecordsAndAddsNoPool) {
  // A system's health is its worst volume's; its identity the name and the address.
  EXPECT_EQ(Instances("ZUB_ComputerSystem", {"ElementName", "HealthState", "OperationalStatus", "OtherIdentifyingInfo"}),
            (std::map<std::string, V>{{"Pick", {"Pick", "10", "3", "Pick,0-3-0-0"}},
                                      {"Full", {"Full", "5", "2", "Full,0-0-0-0"}}}));
  // Blocks of 512 bytes; parity only where the level has it.
  const auto volumes = Instances("ZUB_StorageVolume", {"VolumeSize", "NumberOfBlocks", "OperationalStatus",
                                                       "ExtentStripeLength", "ParityLayout", "Primordial"});
  ASSERT_EQ(volumes.size(), 2u);
  for (const auto& [id, v] : volumes) {
    EXPECT_EQ(std::stoull(v[1]) * 512, std::stoull(v[0])) << id;
    EXPECT_EQ(v[5], "FALSE") << id;
  }
  EXPECT_EQ(volumes.at("Parity_51"), (V{volumes.at("Parity_51")[0], volumes.at("Parity_51")[1], "3", "3", "2", "FALSE"}));
  EXPECT_EQ(volumes.at("Pair_61")[4], "NULL");
  // The pool holds the free, healthy disks only; "Full" gets none.
  EXPECT_EQ(Instances("ZUB_StoragePool", {"TotalManagedSpace", "RemainingManagedSpace", "OperationalStatus"}),
            (std::map<std::string, V>{{"1", {"4000000000", "4000000000", "2"}}}));
  pugi::xml_document doc = Call(IntrinsicRequest("AssociatorNames", Param("ObjectName", SystemName("Full")) +
                                                                        ClassParam("AssocClass", "CIM_HostedStoragePool")),
                                &view);
  EXPECT_FALSE(ReturnValue(doc).child("OBJECTPATH")) << last.body;
  // A drive per disk, its health from the disk's state, hosted by the disk's system.
  const auto drives = Instances("CIM_DiskDrive", {"SystemName", "Name", "HealthState", "OperationalStatus"});
  EXPECT_EQ(drives.size(), 9u);
  EXPECT_EQ(drives.at("14"), (V{"Pick", "P14", "25", "6"}));
  EXPECT_EQ(drives.at("22"), (V{"Full", "F22", "10", "5"}));
  EXPECT_EQ(drives.at("21"), (V{"Full", "F21", "5", "2"}));
  // Each system's first installed software is its own driver, though "Full" is listed second.
  doc = Call(IntrinsicRequest("Associators", Param("ObjectName", SystemName("Full")) +
                                                 ClassParam("AssocClass", "CIM_InstalledSoftwareIdentity")),
             &view);
  pugi::xml_node first = ReturnValue(doc).child("VALUE.OBJECTWITHPATH").child("INSTANCE");
  EXPECT_EQ(Value(first, "InstanceID"), "Full") << last.body;
  EXPECT_EQ(Value(first, "VersionString"), "13.2.0.1022");
}

TEST_F(ClientView, AdapterCreatesFromTheFewestHealthyFreeDisksLargestFirst) {
  const std::string service = NameOf("ZUB_StorageConfigurationService", "ZUB_StorageConfigurationService_Pick");
  pugi::xml_document created = Invoke("CreateSetting", NameOf("ZUB_StorageCapabilitiesPrimordial", "1"),
                                      Param("SettingType", "<VALUE>3</VALUE>", "PARAMVALUE"));
  pugi::xml_node setting = Method(created).find_child_by_attribute("PARAMVALUE", "NAME", "NewSetting").first_child();
  ASSERT_TRUE(setting) << last.body;
  const std::string goal = Param("Goal", Xml(setting), "PARAMVALUE") + Param("ElementType", "<VALUE>2</VALUE>", "PARAMVALUE");
  auto size = [](const char* bytes) { return Param("Size", std::string("<VALUE>") + bytes + "</VALUE>", "PARAMVALUE"); };

  // No choice of healthy disks reaches 5 GB (the failed 4 GB disk is none): 4097, and the largest reachable.
  pugi::xml_document doc = Invoke(zubview::kAdapterMethod, service, goal + size("5000000000"));
  EXPECT_STREQ(Method(doc).child("RETURNVALUE").child_value("VALUE"), "4097") << last.body;
  EXPECT_STREQ(Method(doc).find_child_by_attribute("PARAMVALUE", "NAME", "Size").child_value("VALUE"), "3000000000");

  // 1.5 GB of RAID0: the 2 GB disk and one of 1 GB; one 1 GB disk stays in the pool.
  doc = Invoke(zubview::kAdapterMethod, service,
               goal + size("1500000000") + Param("ElementName", "<VALUE>Made</VALUE>", "PARAMVALUE"));
  ASSERT_STREQ(Method(doc).child("RETURNVALUE").child_value("VALUE"), "0") << last.body;
  pugi::xml_node element = Method(doc).find_child_by_attribute("PARAMVALUE", "NAME", "TheElement");
  EXPECT_TRUE(element.select_node(".//KEYVALUE[text()='Made_' or starts-with(text(), 'Made_')]")) << last.body;
  const auto disks = Instances("ZUB_StorageExtentDisk", {"DiskUsage"});
  EXPECT_EQ((V{disks.at("11")[0], disks.at("12")[0], disks.at("13")[0], disks.at("14")[0]}), (V{"1", "2", "1", "2"}));
  EXPECT_EQ(Instances("ZUB_StoragePool", {"RemainingManagedSpace"}), (std::map<std::string, V>{{"1", {"1000000000"}}}));

  // Not offered where the controller has no pool; not there at all with the records alone.
  const std::string bare = NameOf("ZUB_StorageConfigurationService", "ZUB_StorageConfigurationService_Full");
  EXPECT_EQ(ErrorOf(Invoke(zubview::kAdapterMethod, bare, goal)), 16) << last.body;
  EXPECT_EQ(ErrorOf(Invoke(zubview::kAdapterMethod, service, goal + size("1000"), &records)), 7) << last.body;
}

TEST_F(ClientView, RecordsOnlyServesTheRecordsAsTheyAre) {
  EXPECT_EQ(Instances("ZUB_ComputerSystem", {"ElementName", "HealthState"}, &records),
            (std::map<std::string, V>{{"Pick", {"NULL", "NULL"}}, {"Full", {"NULL", "NULL"}}}));
  EXPECT_EQ(ErrorOf(Call(IntrinsicRequest("GetClass", ClassParam("ClassName", zubview::ViewClasses()[0].name)), &records)),
            6);
  EXPECT_FALSE(recordsOnly.Find("root/corvo_zub", "ZUB_StorageVolume")->FindProperty("ParityLayout"));
  EXPECT_TRUE(full.Find("root/corvo_zub", "ZUB_StorageVolume")->FindProperty("ParityLayout"));
  pugi::xml_document doc = Call(IntrinsicRequest("AssociatorNames", Param("ObjectName", SystemName("Pick")) +
                                                                        ClassParam("AssocClass", "CIM_SystemDevice")),
                                &records);
  EXPECT_FALSE(ReturnValue(doc).select_node(".//INSTANCENAME[@CLASSNAME='ZUB_StorageExtentDisk']")) << last.body;
  doc = Call(IntrinsicRequest("AssociatorNames", Param("ObjectName", SystemName("Pick")) +
                                                     ClassParam("AssocClass", "CIM_SystemDevice")),
             &view);
  EXPECT_TRUE(ReturnValue(doc).select_node(".//INSTANCENAME[@CLASSNAME='ZUB_StorageExtentDisk']")) << last.body;
}

// The adapter's choice alone: the fewest disks, largest first, as each level counts its data disks.
TEST(PickDisks, TakesTheFewestLargestFirstThatTheLevelLets) {
  auto disks = [](std::initializer_list<uint64_t> sizes) {
    std::vector<zubcim::Json> out;
    int id = 0;
    for (uint64_t s : sizes) out.push_back({{"DeviceID", std::to_string(++id)}, {"DiskSize", s}});
    return out;
  };
  auto pick = [](const std::vector<zubcim::Json>& free, const char* level, uint64_t size, uint64_t* largest = nullptr) {
    uint64_t ignored = 0;
    std::string ids;
    for (const zubcim::Json& d : zubview::PickDisks(free, level, size, largest ? largest : &ignored))
      ids += d["DeviceID"].get<std::string>();
    return ids;
  };
  const auto free = disks({10, 30, 20, 30, 10});
  EXPECT_EQ(pick(free, "RAID0", 0), "24");      // the level's fewest, largest first (equal sizes in order)
  EXPECT_EQ(pick(free, "RAID0", 60), "24");     // 2 × 30
  EXPECT_EQ(pick(disks({30, 30, 30, 10}), "RAID0", 61), "123");  // 3 × 30
  EXPECT_EQ(pick(free, "RAID1", 30), "24");     // a mirror holds one disk's worth
  EXPECT_EQ(pick(free, "RAID5", 40), "243");    // (3 − 1) × 20
  EXPECT_EQ(pick(free, "RAID6", 20), "2431");   // (4 − 2) × 10
  EXPECT_EQ(pick(free, "RAID10", 20), "2431");  // an even count, half of it data
  uint64_t largest = 0;
  EXPECT_EQ(pick(free, "RAID5", 41, &largest), "");  // more disks, smaller ones: never beyond 40
  EXPECT_EQ(largest, 40u);
  EXPECT_EQ(pick(free, "RAID1", 31, &largest), "");
  EXPECT_EQ(largest, 30u);
  EXPECT_EQ(pick(free, "RAID6", 1, &largest), "2431");
  EXPECT_EQ(pick(disks({30, 30, 30}), "RAID6", 1, &largest), "");
  EXPECT_EQ(pick(free, "JBOD", 1, &largest), "") << "a level the adapter does not know";
}

}  // namespace
