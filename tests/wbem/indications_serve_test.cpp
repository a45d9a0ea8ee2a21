// Indications end to end: the built `zubcim serve` on a topology written here, clients subscribing over HTTP, the
// simulation changed through POST /sim and the configuration service, in-process listeners receiving the alerts;
// then a restart of the server on the same subscriptions file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include <httplib.h>

#include "tests/wbem/subscription_requests.h"

namespace {

using namespace wbemtest;
using namespace std::chrono_literals;

// Alerts by the element they are about (volumes, disks, pools), each in
// arrival order: the order the monitor promises. A change the monitor meets
// half made can reach the pools one look before the volumes and disks.
std::map<std::string, std::vector<std::string>> ByElement(const std::vector<std::string>& alerts) {
  std::map<std::string, std::vector<std::string>> out;
  for (const std::string& a : alerts) {
    const char* element = a.rfind("ZUB_AlertVolume", 0) == 0 ? "volume" : a.rfind("ZUB_AlertDisk", 0) == 0 ? "disk" : "pool";
    out[element].push_back(a);
  }
  return out;
}
namespace fs = std::filesystem;

// A property of the instance a life-cycle indication embeds ("" when there is none).
std::string Embedded(const zubwbem::ReceivedIndication& r, const char* which, const char* property) {
  pugi::xml_document doc;
  if (!doc.load_string(r.Text(which).c_str())) return "";
  pugi::xml_node instance = doc.child("INSTANCE");
  if (std::string(property) == "CLASSNAME") return instance.attribute("CLASSNAME").value();
  return instance.find_child_by_attribute("PROPERTY", "NAME", property).child_value("VALUE");
}
// "Class SourceClass DeviceID" of a life-cycle indication.
std::string LifeCycleEvent(const zubwbem::ReceivedIndication& r) {
  return r.className + " " + Embedded(r, "SourceInstance", "CLASSNAME") + " " + Embedded(r, "SourceInstance", "DeviceID");
}
// Waits (bounded, generously) until `listener` received the life-cycle indication `event`; what it received.
std::vector<zubwbem::ReceivedIndication> UntilLifeCycle(TestListener& listener, const std::string& event) {
  for (int i = 0; i < 1200; ++i) {
    std::vector<zubwbem::ReceivedIndication> seen = listener.WaitFor(0);
    for (const auto& r : seen) {
      if (LifeCycleEvent(r) == event) return seen;
    }
    std::this_thread::sleep_for(50ms);
  }
  return listener.WaitFor(0);
}
std::vector<std::string> LifeCycleEvents(const std::vector<zubwbem::ReceivedIndication>& received) {
  std::vector<std::string> out;
  for (const auto& r : received) out.push_back(LifeCycleEvent(r));
  return out;
}

// One controller with a mirror on 21 and 22, a spare 23 and two free disks.
const char* const kServedTopology = R"({"middleware_version": "1", "controllers": [
  {"handle": 2, "name": "C2", "type": 2, "disks": [
    {"handle": 21, "serial": "S21"}, {"handle": 22, "serial": "S22"}, {"handle": 23, "serial": "S23", "usage": 4},
    {"handle": 24, "serial": "S24"}, {"handle": 25, "serial": "S25"}],
   "volumes": [{"handle": 50, "name": "M", "level": 2, "disks": ["S21", "S22"]}]}]})";

class IndicationsServed : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(testing::TempDir()) / ("zub-indications-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "topology.json") << kServedTopology;
  }
  void TearDown() override {
    StopServer();
    fs::remove_all(dir);
  }
  // `zubcim serve` as a process of its own, on a free loopback port, keeping
  // its subscriptions in the test's folder.
  void StartServer() {
    // Everything the child needs is made before the fork: it only redirects and runs.
    std::vector<std::string> args = {ZUBCIM_PATH, "--topology", (dir / "topology.json").string(),
                                     "--computer-name", "testhost", "serve", "--listen", "127.0.0.1:0",
                                     "--subscriptions", (dir / "subscriptions.json").string()};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int out = ::open((dir / "serve.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open((dir / "serve.err").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    pid = ::fork();
    if (pid == 0) {
      ::dup2(out, 1);
      ::dup2(err, 2);
      ::execv(ZUBCIM_PATH, argv.data());
      ::_exit(127);
    }
    ::close(out);
    ::close(err);
    // No std::regex in a program with cpp-httplib (see subscriptions.cpp).
    const std::string serving = "http://127.0.0.1:";
    int port = 0;
    for (int i = 0; i < 6000 && port == 0; ++i) {
      const std::string said = ReadFile(dir / "serve.out");
      const size_t at = said.find(serving);
      if (at != std::string::npos && said.find('\n', at) != std::string::npos) port = std::atoi(said.c_str() + at + serving.size());
      else std::this_thread::sleep_for(10ms);
    }
    ASSERT_GT(port, 0) << Log();
    client = std::make_unique<httplib::Client>("127.0.0.1", port);
    client->set_read_timeout(60, 0);
  }
  // SIGTERM, as a person stops it; its exit status.
  int StopServer() {
    int status = -1;
    if (pid > 0 && ::kill(pid, SIGTERM) == 0) ::waitpid(pid, &status, 0);
    pid = 0;
    return status;
  }
  std::string Log() const { return ReadFile(dir / "serve.err"); }
  // A CIM-XML request; the response document (a CIM error fails the test unless `expectedError`).
  pugi::xml_document Cim(const std::string& body, int expectedError = 0) {
    pugi::xml_document doc;
    httplib::Result r = client->Post("/cimom", {{"CIMOperation", "MethodCall"}}, body, "application/xml");
    EXPECT_TRUE(r && r->status == 200) << (r ? r->body : "no answer");
    if (!r) return doc;
    doc.load_string(r->body.c_str());
    pugi::xml_node error = doc.select_node("//ERROR").node();
    EXPECT_EQ(error ? error.attribute("CODE").as_int() : 0, expectedError) << body << "\n" << r->body;
    return doc;
  }
  void Sim(const std::string& change) {
    httplib::Result r = client->Post("/sim", change, "application/json");
    ASSERT_TRUE(r && r->status == 200) << (r ? r->body : "no answer");
  }
  void Subscribe(const std::string& filter, const std::string& query, const std::string& destination) {
    if (!query.empty()) Cim(CreateRequest(Filter(filter, query)));
    Cim(CreateRequest(Subscription(FilterName(filter), DestinationName(destination))));
  }
  // A reference the configuration methods return, as the next call passes it on.
  static std::string Reference(const pugi::xml_document& doc, const char* parameter) {
    std::ostringstream xml;
    const std::string path = "//PARAMVALUE[@NAME='" + std::string(parameter) + "']/VALUE.REFERENCE";
    doc.select_node(path.c_str()).node().print(xml, "", pugi::format_raw);
    return xml.str();
  }
  static std::string Service() {
    return KeyedName("ZUB_StorageConfigurationService", "ZUB_StorageConfigurationService_C2", "C2", "Corvo_ZUBe3.0");
  }
  // A volume on disks 24 and 25 through the configuration service, as a
  // client makes one: a goal setting, then the volume. Its reference.
  std::string CreateVolume() {
    const std::string capabilities = "<INSTANCENAME CLASSNAME=\"ZUB_StorageCapabilitiesPrimordial\"><KEYBINDING "
                                     "NAME=\"InstanceID\"><KEYVALUE>2</KEYVALUE></KEYBINDING></INSTANCENAME>";
    pugi::xml_document setting =
        Cim(MethodRequest("CreateSetting", capabilities, "<PARAMVALUE NAME=\"SettingType\"><VALUE>3</VALUE></PARAMVALUE>"));
    pugi::xml_document created = Cim(MethodRequest("CreateOrModifyElementFromElements", Service(),
        "<PARAMVALUE NAME=\"ElementName\"><VALUE>Fresh</VALUE></PARAMVALUE><PARAMVALUE NAME=\"ElementType\"><VALUE>2</VALUE>"
        "</PARAMVALUE><PARAMVALUE NAME=\"Goal\">" + Reference(setting, "NewSetting") +
            "</PARAMVALUE><PARAMVALUE NAME=\"InElements\"><VALUE.REFARRAY><VALUE.REFERENCE>" + DiskName("24") +
            "</VALUE.REFERENCE><VALUE.REFERENCE>" + DiskName("25") + "</VALUE.REFERENCE></VALUE.REFARRAY></PARAMVALUE>"));
    EXPECT_STREQ(created.select_node("//RETURNVALUE/VALUE").node().child_value(), "0") << Log();
    return Reference(created, "TheElement");
  }
  void DeleteVolume(const std::string& volume) {
    pugi::xml_document deleted =
        Cim(MethodRequest("ReturnToStoragePool", Service(), "<PARAMVALUE NAME=\"TheElement\">" + volume + "</PARAMVALUE>"));
    EXPECT_STREQ(deleted.select_node("//RETURNVALUE/VALUE").node().child_value(), "0") << Log();
  }
  static std::string DeviceIdOf(const std::string& reference) {
    pugi::xml_document doc;
    doc.load_string(reference.c_str());
    return doc.select_node("//KEYBINDING[@NAME='DeviceID']/KEYVALUE").node().child_value();
  }
  size_t Count(const std::string& cls) {
    return Cim(NamesRequest(cls)).select_nodes("//IRETURNVALUE/INSTANCENAME").size();
  }

  fs::path dir;
  pid_t pid = 0;
  std::unique_ptr<httplib::Client> client;
};

TEST_F(IndicationsServed, ListenersReceiveTheScenariosAlertsAndSubscriptionsOutliveARestart) {
  TestListener all, some;
  StartServer();
  Cim(CreateRequest(Destination("all", all.Url())));
  Cim(CreateRequest(Destination("some", some.Url())));
  Subscribe("every", "SELECT * FROM ZUB_AlertIndication", "all");
  // `some` takes the created volumes through the provider's own filter, and
  // the failing disks (which end each part of the scenario) by a filter of its own.
  Cim(CreateRequest(Subscription(ProviderFilterName("ZUB_Volume_Created", "testhost"), DestinationName("some"))));
  Subscribe("failing", "SELECT * FROM ZUB_AlertDiskFailing", "some");

  // Each step once the previous one's alerts arrived: changes the monitor
  // takes in together would raise other alerts (a disk that leaves the pool
  // and comes back in one look did not change).
  Sim(R"({"op": "set_disk", "disk": "S21", "state": 3})");
  all.Until("ZUB_AlertDiskFailed 21");
  Sim(R"({"op": "set_disk", "disk": "S23", "usage": 1})");
  all.Until("ZUB_AlertDiskSpareUsed 23");
  const std::string volume = CreateVolume();
  const std::string id = DeviceIdOf(volume);
  ASSERT_FALSE(id.empty()) << volume;
  all.Until("ZUB_AlertVolumeCreated " + id);
  DeleteVolume(volume);
  all.Until("ZUB_AlertVolumeDeleted " + id);
  Sim(R"({"op": "set_disk", "disk": "S24", "state": 4})");  // the end of the scenario
  // The volume's disks leave the primordial pool of controller 2 and come
  // back; the failing disk leaves it again.
  EXPECT_EQ(ByElement(all.UntilCount(10)),
            ByElement({"ZUB_AlertDiskFailed 21", "ZUB_AlertDiskSpareUsed 23", "ZUB_AlertVolumeCreated " + id,
                       "ZUB_AlertPrimordialPoolModified 2", "ZUB_AlertVolumeDeleted " + id,
                       "ZUB_AlertDiskMarkedPrimordial 24", "ZUB_AlertDiskMarkedPrimordial 25",
                       "ZUB_AlertPrimordialPoolModified 2", "ZUB_AlertDiskFailing 24",
                       "ZUB_AlertPrimordialPoolModified 2"}))
      << Log();
  EXPECT_EQ(some.Until("ZUB_AlertDiskFailing 24"),
            (std::vector<std::string>{"ZUB_AlertVolumeCreated " + id, "ZUB_AlertDiskFailing 24"}));

  // A restart keeps every filter, destination and subscription, and what
  // they name is still in use. (Unsubscribing is met by the store's own
  // tests: the router asks the store for each alert's listeners.)
  EXPECT_EQ(StopServer(), 0) << Log();
  StartServer();
  Cim(DeleteRequest(DestinationName("all")), 1);
  EXPECT_EQ(Count("CIM_IndicationSubscription"), 3u);
  EXPECT_EQ(Count("CIM_ListenerDestinationCIMXML"), 2u);
  EXPECT_EQ(Count("CIM_IndicationFilter"), 2u + 15u);  // the clients' and the provider's
  all.Clear();
  some.Clear();
  Sim(R"({"op": "set_disk", "disk": "S22", "state": 4})");
  EXPECT_EQ(some.Until("ZUB_AlertDiskFailing 22"), std::vector<std::string>{"ZUB_AlertDiskFailing 22"});
  const std::vector<std::string> seen = all.Until("ZUB_AlertDiskFailing 22");
  EXPECT_NE(std::find(seen.begin(), seen.end(), "ZUB_AlertDiskFailing 22"), seen.end()) << Log();
}

TEST_F(IndicationsServed, LifeCycleIndicationsFollowTheVolumesAndDisks) {
  TestListener volumes, disks, pools, drives;
  StartServer();
  Cim(CreateRequest(Destination("volumes", volumes.Url())));
  Cim(CreateRequest(Destination("disks", disks.Url())));
  Cim(CreateRequest(Destination("pools", pools.Url())));
  Cim(CreateRequest(Destination("drives", drives.Url())));
  Subscribe("drive", "SELECT * FROM CIM_InstIndication WHERE SourceInstance ISA CIM_DiskDrive", "drives");
  Subscribe("made", "SELECT * FROM CIM_InstCreation WHERE SourceInstance ISA CIM_StorageVolume", "volumes");
  Subscribe("ended", "SELECT * FROM CIM_InstDeletion WHERE SourceInstance ISA CIM_StorageVolume", "volumes");
  Subscribe("extents", "SELECT * FROM CIM_InstIndication WHERE SourceInstance ISA CIM_StorageExtent", "disks");
  Subscribe("pool", "SELECT * FROM CIM_InstModification WHERE SourceInstance ISA CIM_StoragePool", "pools");

  // A disk comes: a creation of a disk extent, for the disks only.
  Sim(R"({"op": "insert_disk", "controller": 2, "disk": {"handle": 26, "serial": "S26"}})");
  const std::string inserted = "CIM_InstCreation ZUB_StorageExtentDisk 26";
  ASSERT_EQ(LifeCycleEvents(UntilLifeCycle(disks, inserted)), std::vector<std::string>{inserted}) << Log();
  const zubwbem::ReceivedIndication creation = disks.WaitFor(1)[0];
  EXPECT_TRUE(zubwbem::IsCimDateTime(creation.Text("IndicationTime"))) << creation.Text("IndicationTime");
  EXPECT_EQ(creation.Text("PreviousInstance"), "");

  // A volume is made of two disks and goes again: its creation and deletion, each once, for the volumes; the
  // disks see the volume come and go too (a volume is an extent), and their own two disks change twice.
  const std::string volume = CreateVolume();
  const std::string id = DeviceIdOf(volume);
  const std::vector<zubwbem::ReceivedIndication> made = UntilLifeCycle(volumes, "CIM_InstCreation ZUB_StorageVolume " + id);
  ASSERT_FALSE(made.empty());
  // The client view's derived properties are part of the instance sent.
  EXPECT_NE(Embedded(made.back(), "SourceInstance", "NumberOfBlocks"), "") << made.back().Text("SourceInstance");
  DeleteVolume(volume);
  EXPECT_EQ(LifeCycleEvents(UntilLifeCycle(volumes, "CIM_InstDeletion ZUB_StorageVolume " + id)),
            (std::vector<std::string>{"CIM_InstCreation ZUB_StorageVolume " + id, "CIM_InstDeletion ZUB_StorageVolume " + id}))
      << Log();
  // A disk that fails: a modification with the disk before and after, and what changed.
  Sim(R"({"op": "set_disk", "disk": "S26", "state": 4})");
  const std::string failing = "CIM_InstModification ZUB_StorageExtentDisk 26";
  std::vector<zubwbem::ReceivedIndication> seen = UntilLifeCycle(disks, failing);
  std::map<std::string, int> counts;
  for (const std::string& event : LifeCycleEvents(seen)) ++counts[event];
  EXPECT_EQ(counts, (std::map<std::string, int>{{inserted, 1},
                                                {"CIM_InstCreation ZUB_StorageVolume " + id, 1},
                                                {"CIM_InstDeletion ZUB_StorageVolume " + id, 1},
                                                {"CIM_InstModification ZUB_StorageExtentDisk 24", 2},
                                                {"CIM_InstModification ZUB_StorageExtentDisk 25", 2},
                                                {failing, 1}}))
      << Log();
  const zubwbem::ReceivedIndication& last = seen.back();
  ASSERT_EQ(LifeCycleEvent(last), failing);
  EXPECT_EQ(Embedded(last, "PreviousInstance", "DeviceID"), "26");
  const std::string changed = last.Text("ChangedPropertyNames");
  ASSERT_FALSE(changed.empty());
  const std::string first = changed.substr(0, changed.find(','));
  EXPECT_NE(Embedded(last, "PreviousInstance", first.c_str()), Embedded(last, "SourceInstance", first.c_str())) << changed;
  // The client view's drive of the disk: its creation, then its modification with the health derived before and
  // after the disk predicted its failure; nothing of the extents or volumes.
  const std::string driveFailing = "CIM_InstModification ZUB_HostDiskDrive 26";
  const std::vector<zubwbem::ReceivedIndication> driveSeen = UntilLifeCycle(drives, driveFailing);
  std::vector<std::string> driveEvents;
  for (const std::string& event : LifeCycleEvents(driveSeen)) {
    if (event.ends_with(" 26")) driveEvents.push_back(event);
    EXPECT_NE(event.find(" ZUB_HostDiskDrive "), std::string::npos) << event;
  }
  EXPECT_EQ(driveEvents, (std::vector<std::string>{"CIM_InstCreation ZUB_HostDiskDrive 26", driveFailing})) << Log();
  ASSERT_EQ(LifeCycleEvent(driveSeen.back()), driveFailing);
  EXPECT_EQ(Embedded(driveSeen.back(), "PreviousInstance", "HealthState"), "5");
  EXPECT_EQ(Embedded(driveSeen.back(), "SourceInstance", "HealthState"), "10");
  // The pool of controller 2 gave the volume its disks and took them back: modifications of the pool alone.
  const std::vector<std::string> poolEvents = LifeCycleEvents(UntilLifeCycle(pools, "CIM_InstModification ZUB_StoragePool "));
  ASSERT_FALSE(poolEvents.empty());
  for (const std::string& event : poolEvents) EXPECT_EQ(event, "CIM_InstModification ZUB_StoragePool ");
}

}  // namespace
