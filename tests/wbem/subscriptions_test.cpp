// Indication subscriptions in root/interop as a client makes, lists, modifies and deletes them; what the server
// refuses; which listeners an alert class reaches; the file that keeps them; a subscription's life on the store's
// clock. (The client check sees a one-second subscription go; indications_serve_test restarts a server on the file.)
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/catalog.h"
#include "host/indications/subscriptions.h"
#include "tests/wbem/subscription_requests.h"

namespace {

using namespace wbemtest;
using namespace std::chrono_literals;
using V = std::vector<std::string>;

std::span<const ClassDesc> InteropCatalog() {
  static const ClassDesc classes[] = {*FindClass("ZUB_ComputerSystem"), *FindClass("ZUB_IndicationFilter")};
  return classes;
}

class Subscriptions : public WbemFixture {
 protected:
  void SetUp() override {
    WbemFixture::SetUp();
    file = testing::TempDir() + "/zub-subscriptions-" + std::to_string(::getpid()) + ".json";
    std::filesystem::remove(file);
    store = std::make_unique<zubwbem::SubscriptionStore>(interopSchema, "testhost", file, [this] { return now; });
    interop = std::make_unique<zubwbem::Operations>(interopSchema, gate, store.get());
  }
  void TearDown() override {
    std::filesystem::remove(file);
    WbemFixture::TearDown();
  }
  pugi::xml_document Ask(const std::string& body) { return Call(body, interop.get()); }
  int Create(const std::string& instance) { return ErrorOf(Ask(CreateRequest(instance))); }
  int Delete(const std::string& instanceName) { return ErrorOf(Ask(DeleteRequest(instanceName))); }
  int Modify(const std::string& instanceName, const std::string& properties, const std::string& propertyList = "") {
    return ErrorOf(Ask(ModifyRequest("root/interop", instanceName, "CIM_IndicationSubscription", properties, propertyList)));
  }
  // "Class:Name" of each instance of `cls`.
  V Names(const std::string& cls) {
    pugi::xml_document doc = Ask(NamesRequest(cls));
    V out;
    for (pugi::xml_node n : ReturnValue(doc).children("INSTANCENAME"))
      out.push_back(std::string(n.attribute("CLASSNAME").value()) + ":" +
                    n.find_child_by_attribute("KEYBINDING", "NAME", "Name").child_value("KEYVALUE"));
    return out;
  }
  V Listeners(const char* alertClass) {
    V out;
    for (const zubwbem::Target& t : store->TargetsOf(alertClass)) out.push_back(t.destination);
    return out;
  }
  // A property of the instance GetInstance answers with; "(none)" without one.
  std::string Get(const std::string& instanceName, const char* property) {
    pugi::xml_document doc = Ask(GetRequest(instanceName));
    pugi::xml_node p = ReturnValue(doc).child("INSTANCE").find_child_by_attribute("PROPERTY", "NAME", property);
    return p && p.child("VALUE") ? p.child_value("VALUE") : "(none)";
  }
  // The values of `property` of each `cls` a store reading the file again finds.
  V Reloaded(const char* cls, const char* property) {
    zubwbem::SubscriptionStore again(interopSchema, "h", file, [this] { return now; });
    std::string error;
    EXPECT_TRUE(again.Load(&error)) << error;
    V out;
    for (const zubwbem::KeptInstance& k : again.List(*interopSchema.Find("root/interop", cls))) {
      const zubwbem::CimValue* v = k.Value(property);
      out.push_back(v && !v->items.empty() ? v->items.front() : "(none)");
    }
    return out;
  }

  std::chrono::system_clock::time_point now = std::chrono::sys_days{std::chrono::March / 1 / 2026} + 10h;
  zubwbem::Schema interopSchema{InteropCatalog()};
  std::string file;
  std::unique_ptr<zubwbem::SubscriptionStore> store;
  std::unique_ptr<zubwbem::Operations> interop;
};

TEST_F(Subscriptions, ClientsSubscribeListAndUnsubscribe) {
  for (const std::string& instance : {Filter("disks", "SELECT * FROM ZUB_AlertDiskFailed"),
                                      Destination("one", "http://127.0.0.1:5990"), Destination("two", "127.0.0.1:5991/alerts"),
                                      Subscription(FilterName("disks"), DestinationName("one")),
                                      Subscription(FilterName("disks"), DestinationName("two"))})
    ASSERT_EQ(Create(instance), 0) << last.body;

  // (A deep enumeration of the filters is counted in indications_serve_test.)
  EXPECT_EQ(Names("CIM_ListenerDestination"),
            (V{"CIM_ListenerDestinationCIMXML:one", "CIM_ListenerDestinationCIMXML:two"}));
  pugi::xml_document doc = Ask(InteropRequest(
      "EnumerateInstances", "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"CIM_IndicationSubscription\"/></IPARAMVALUE>"));
  EXPECT_EQ(doc.select_nodes("//VALUE.NAMEDINSTANCE").size(), 2u) << last.body;
  EXPECT_TRUE(doc.select_node("//INSTANCE/PROPERTY.REFERENCE[@NAME='Handler']/VALUE.REFERENCE/INSTANCEPATH/"
                              "NAMESPACEPATH/HOST"));
  EXPECT_EQ(Get(FilterName("disks"), "Query"), "SELECT * FROM ZUB_AlertDiskFailed");

  // The filter selects its class and the classes below it, each listener once.
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailed"), (V{"http://127.0.0.1:5990", "127.0.0.1:5991/alerts"}));
  EXPECT_TRUE(Listeners("ZUB_AlertDiskFailing").empty());
  ASSERT_EQ(Create(Filter("all", "select *  from zub_alertindication ;")), 0) << last.body;
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("one"))), 0) << last.body;
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailing"), V{"http://127.0.0.1:5990"});
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailed").size(), 2u);

  // Twice the same: 11. Deleting what a subscription names: 1. Unknown: 6.
  EXPECT_EQ(Create(Filter("disks", "SELECT * FROM ZUB_AlertDiskFailed")), 11);
  EXPECT_EQ(Create(Subscription(FilterName("all"), DestinationName("one"))), 11);
  EXPECT_EQ(Delete(FilterName("disks")), 1);
  EXPECT_EQ(Delete(DestinationName("one")), 1);
  EXPECT_EQ(Delete(FilterName("none")), 6);

  V deletedDestinations;
  store->OnDestinationDeleted([&](const std::string& key) { deletedDestinations.push_back(key); });
  EXPECT_EQ(Delete(SubscriptionName(FilterName("disks"), DestinationName("two"))), 0) << last.body;
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailed"), V{"http://127.0.0.1:5990"});
  EXPECT_EQ(Delete(DestinationName("two")), 0) << last.body;
  ASSERT_EQ(deletedDestinations.size(), 1u);
  EXPECT_NE(deletedDestinations[0].find("Name=\"two\""), std::string::npos);
  EXPECT_EQ(Delete(SubscriptionName(FilterName("all"), DestinationName("one"))), 0);
  EXPECT_TRUE(Listeners("ZUB_AlertDiskFailing").empty());
}

TEST_F(Subscriptions, WhatCannotBeDeliveredIsRefused) {
  ASSERT_EQ(Create(Destination("d", "http://h:1")), 0);
  ASSERT_EQ(Create(Filter("f", "SELECT * FROM CIM_AlertIndication")), 0) << last.body;
  // The provider's filter for spares, by reference: it serves the spare-used
  // alert's class, which specialises the one it selects.
  const std::string spares = ProviderFilterName("ZUB_Spare_Disk_Used", "box");
  ASSERT_EQ(Create(Subscription(spares, DestinationName("d"))), 0) << last.body;
  EXPECT_EQ(Listeners("ZUB_AlertDiskSpareUsed").size(), 1u);
  const std::pair<std::string, int> kCases[] = {
      {Filter("g", "SELECT * FROM ZUB_AlertDiskFailed", "XPath"), 14},
      {Filter("g", "SELECT Description FROM ZUB_AlertDiskFailed"), 15},
      {Filter("g", "SELECT * FROM ZUB_AlertDiskFailed WHERE PerceivedSeverity = 6"), 15},
      {Filter("g", "SELECT * FROM ZUB_ComputerSystem"), 15},  // not an indication class
      {Filter("g", "SELECT * FROM ZUB_AlertDiskFailed", "WQL", "<VALUE>root/cimv2</VALUE>"), 4},
      {Filter("", "SELECT * FROM ZUB_AlertDiskFailed"), 4},  // a filter needs its Name
      {Destination("e", "ftp://127.0.0.1/"), 4},
      {Destination("e", "http://h:1", Property("Protocol", "uint16", "4")), 7},
      {Destination("e", "http://h:1", Property("Colour", "string", "red")), 4},
      {Subscription(FilterName("missing"), DestinationName("d")), 4},
      {Subscription(FilterName("f"), DestinationName("missing")), 4},
      {Subscription(ProviderFilterName("ZUB_Volume_Renamed", "box"), DestinationName("d")), 4},
      {Subscription(FilterName("f"), DestinationName("d"), Property("SubscriptionDuration", "uint64", "0")), 4},
      // Only the subscription classes are created.
      {"<INSTANCE CLASSNAME=\"ZUB_ComputerSystem\"></INSTANCE>", 5},
      {"<INSTANCE CLASSNAME=\"ZUB_IndicationFilter\"></INSTANCE>", 7},
  };
  for (const auto& [instance, code] : kCases) EXPECT_EQ(Create(instance), code) << instance << "\n" << last.body;
  // Only in root/interop, and not by a server without a store.
  const std::string newFilter =
      "<IPARAMVALUE NAME=\"NewInstance\">" + Filter("g", "SELECT * FROM ZUB_AlertIndication") + "</IPARAMVALUE>";
  EXPECT_EQ(ErrorOf(Ask(IntrinsicRequest("CreateInstance", newFilter))), 7);
  EXPECT_EQ(ErrorOf(Call(CreateRequest(Filter("h", "SELECT * FROM ZUB_AlertIndication")))), 7);
  EXPECT_EQ(Names("CIM_IndicationFilter").size(), 15u + 1u);
}

TEST_F(Subscriptions, AFileThatCannotBeReadOrWrittenIsRefused) {
  std::string error;
  std::ofstream(file) << R"({"instances": [{"class": "ZUB_ComputerSystem"}]})";
  EXPECT_FALSE(zubwbem::SubscriptionStore(interopSchema, "h", file).Load(&error));
  EXPECT_NE(error.find(file), std::string::npos) << error;

  zubwbem::SubscriptionStore unwritable(interopSchema, "h", testing::TempDir() + "/no/such/folder/subs.json");
  ASSERT_TRUE(unwritable.Load(&error));
  zubwbem::Operations ops2(interopSchema, gate, &unwritable);
  EXPECT_EQ(ErrorOf(Call(CreateRequest(Destination("d", "http://h:1")), &ops2)), 1);
  EXPECT_TRUE(unwritable.List(*interopSchema.Find("root/interop", "CIM_ListenerDestinationCIMXML")).empty());
}

TEST_F(Subscriptions, ASubscriptionLivesItsDurationThenGoes) {
  V notices;
  store->OnNotice([&](const std::string& line) { notices.push_back(line); });
  ASSERT_EQ(Create(Filter("all", "SELECT * FROM ZUB_AlertIndication")), 0);
  ASSERT_EQ(Create(Destination("short", "http://127.0.0.1:5990/short")), 0);
  ASSERT_EQ(Create(Destination("long", "http://127.0.0.1:5990/long")), 0);
  // The start and what is left are the server's to say, whatever the client gives.
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("short"),
                                Property("SubscriptionDuration", "uint64", "60") +
                                    Property("SubscriptionStartTime", "datetime", "19990101000000.000000+000") +
                                    Property("SubscriptionTimeRemaining", "uint64", "5"))), 0) << last.body;
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("long"))), 0);
  const std::string shortOne = SubscriptionName(FilterName("all"), DestinationName("short"));
  EXPECT_EQ(Get(shortOne, "SubscriptionStartTime"), "20260301100000.000000+000");
  EXPECT_EQ(Get(shortOne, "SubscriptionTimeRemaining"), "60");

  now += 20500ms;
  EXPECT_EQ(Get(shortOne, "SubscriptionTimeRemaining"), "40") << "rounded up";
  // A restart keeps the start: the time left goes on from it. The other has no end.
  EXPECT_EQ(Reloaded("CIM_IndicationSubscription", "SubscriptionTimeRemaining"), (V{"40", "(none)"}));
  std::string shortKey;
  for (const zubwbem::Target& t : store->TargetsOf("ZUB_AlertDiskFailed")) {
    if (t.destination.ends_with("/short")) shortKey = t.key;
  }
  ASSERT_FALSE(shortKey.empty());
  EXPECT_TRUE(store->Wants(shortKey, "ZUB_AlertDiskFailed"));
  now += 39500ms - 1us;
  EXPECT_EQ(Get(shortOne, "SubscriptionTimeRemaining"), "1");
  EXPECT_TRUE(notices.empty());

  // At its end it delivers nothing: what waits for its listener is no
  // longer wanted, and the decision removes it, from the file too.
  now += 1us;
  EXPECT_FALSE(store->Wants(shortKey, "ZUB_AlertDiskFailed"));
  EXPECT_EQ(ReadFile(file).find("SubscriptionDuration"), std::string::npos) << "the only one with an end";
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailed"), V{"http://127.0.0.1:5990/long"});
  EXPECT_EQ(Names("CIM_IndicationSubscription").size(), 1u);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("destination \"short\") expired"), std::string::npos) << notices[0];

  // Made again, it lives anew.
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("short"),
                                Property("SubscriptionDuration", "uint64", "60"))), 0);
  EXPECT_EQ(Get(shortOne, "SubscriptionTimeRemaining"), "60");
  EXPECT_EQ(Get(shortOne, "SubscriptionStartTime"), "20260301100100.000000+000");
}

TEST_F(Subscriptions, ModifyInstanceSetsTheStateAndNothingElse) {
  ASSERT_EQ(Create(Filter("all", "SELECT * FROM ZUB_AlertIndication")), 0);
  ASSERT_EQ(Create(Destination("d", "http://127.0.0.1:5990")), 0);
  const std::string disable = Property("OnFatalErrorPolicy", "uint16", "3");
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("d"), disable)), 0);
  const std::string name = SubscriptionName(FilterName("all"), DestinationName("d"));
  EXPECT_EQ(Modify(name, Property("SubscriptionState", "uint16", "4")), 0) << last.body;
  EXPECT_EQ(Get(name, "SubscriptionState"), "4");
  EXPECT_TRUE(Listeners("ZUB_AlertDiskFailed").empty());
  EXPECT_EQ(Reloaded("CIM_IndicationSubscription", "SubscriptionState"), V{"4"}) << "saved";

  // As pywbem modifies: the whole instance as it was read, the state changed.
  const std::string asRead = "<PROPERTY.REFERENCE NAME=\"Filter\">" + InteropReference(FilterName("all")) +
                             "</PROPERTY.REFERENCE><PROPERTY.REFERENCE NAME=\"Handler\">" +
                             InteropReference(DestinationName("d")) + "</PROPERTY.REFERENCE>" +
                             disable + Property("SubscriptionStartTime", "datetime", "20000101000000.000000+000") +
                             "<PROPERTY NAME=\"SubscriptionDuration\" TYPE=\"uint64\"></PROPERTY>";
  EXPECT_EQ(Modify(name, asRead + Property("SubscriptionState", "uint16", "02")), 0) << last.body;
  EXPECT_EQ(Get(name, "SubscriptionState"), "2");
  EXPECT_EQ(Get(name, "SubscriptionStartTime"), "20260301100000.000000+000");
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailed").size(), 1u);

  // Nothing else changes, and the state only to enabled or disabled.
  EXPECT_EQ(Modify(name, Property("OnFatalErrorPolicy", "uint16", "4")), 7);
  EXPECT_EQ(Modify(name, Property("SubscriptionState", "uint16", "3")), 4);
  EXPECT_EQ(Modify(name, "", "<VALUE>SubscriptionState</VALUE>"), 4) << "named and left out: NULL";
  EXPECT_EQ(Modify(name, Property("SubscriptionState", "uint16", "4"), "<VALUE>SubscriptionDuration</VALUE>"), 0)
      << "a PropertyList that leaves the state out leaves it";
  EXPECT_EQ(Get(name, "SubscriptionState"), "2");
  EXPECT_EQ(ErrorOf(Ask(ModifyRequest("root/interop", FilterName("all"), "CIM_IndicationFilter",
                                      Property("Query", "string", "SELECT * FROM ZUB_AlertDiskFailed")))), 7);
  EXPECT_EQ(Modify(SubscriptionName(FilterName("none"), DestinationName("d")), Property("SubscriptionState", "uint16", "4")), 6);
}

TEST_F(Subscriptions, PersistenceTypeSaysWhereTheyAreKept) {
  // Kept in a file: Permanent, whatever the client said.
  ASSERT_EQ(Create(Destination("d", "http://h:1", Property("PersistenceType", "uint16", "1") +
                                                     Property("OtherPersistenceType", "string", "now and then"))), 0);
  EXPECT_EQ(Get(DestinationName("d"), "PersistenceType"), "2");
  EXPECT_EQ(Get(DestinationName("d"), "OtherPersistenceType"), "(none)");
  // Kept in memory only: Transient.
  zubwbem::SubscriptionStore memory(interopSchema, "testhost", "");
  const zubwbem::CimClass& destinations = *interopSchema.Find("root/interop", "CIM_ListenerDestinationCIMXML");
  auto text = [](const char* value) { return zubwbem::CimValue{false, {value}, {}}; };
  memory.Create(destinations, {{"Name", text("m")}, {"Destination", text("http://h:3")}, {"PersistenceType", text("2")}}, {});
  EXPECT_EQ(memory.List(destinations).at(0).Value("PersistenceType")->items, V{"3"});
}

TEST_F(Subscriptions, LifeCycleFiltersSelectByTheSourceInstancesClass) {
  ASSERT_EQ(Create(Destination("vols", "http://127.0.0.1:5990/vols")), 0);
  ASSERT_EQ(Create(Destination("store", "http://127.0.0.1:5990/store")), 0);
  ASSERT_EQ(Create(Destination("alerts", "http://127.0.0.1:5990/alerts")), 0);
  ASSERT_EQ(Create(Filter("created", "SELECT * FROM CIM_InstCreation WHERE SourceInstance ISA CIM_StorageVolume")), 0)
      << last.body;
  ASSERT_EQ(Create(Filter("any", "select * from CIM_InstIndication where SourceInstance isa 'CIM_StorageExtent' "
                                 "or SourceInstance ISA CIM_StoragePool;")), 0) << last.body;
  ASSERT_EQ(Create(Filter("alerts", "SELECT * FROM CIM_AlertIndication")), 0);
  ASSERT_EQ(Create(Subscription(FilterName("created"), DestinationName("vols"))), 0);
  ASSERT_EQ(Create(Subscription(FilterName("any"), DestinationName("store"))), 0);
  ASSERT_EQ(Create(Subscription(FilterName("alerts"), DestinationName("alerts"))), 0);
  // A filter asks of a SourceInstance only of a life-cycle class, and of a class the server has.
  for (const char* query : {"SELECT * FROM CIM_AlertIndication WHERE SourceInstance ISA CIM_StorageVolume",
                            "SELECT * FROM CIM_InstCreation WHERE SourceInstance ISA CIM_NoSuchThing",
                            "SELECT * FROM CIM_InstCreation WHERE PreviousInstance ISA CIM_StorageVolume",
                            "SELECT * FROM CIM_InstCreation WHERE SourceInstance ISA CIM_StorageVolume AND"})
    EXPECT_EQ(Create(Filter("bad", query)), 15) << query;

  auto listeners = [](zubwbem::SubscriptionStore& from, const char* cls, const char* source) {
    V out;
    for (const zubwbem::Target& t : from.TargetsOf(cls, source)) out.push_back(t.destination.substr(22));
    return out;
  };
  const struct {
    const char* cls;
    const char* source;
    V listeners;
  } kSelected[] = {
      {"CIM_InstCreation", "CIM_StorageVolume", {"vols", "store"}},
      {"CIM_InstCreation", "CIM_StorageExtent", {"store"}},  // an extent is no volume
      {"CIM_InstDeletion", "CIM_StorageVolume", {"store"}},
      {"CIM_InstModification", "CIM_StoragePool", {"store"}},
      {"CIM_InstModification", "CIM_ComputerSystem", {}},
      {"CIM_InstCreation", "", {}},
      {"ZUB_AlertIndication", "", {"alerts"}},
  };
  zubwbem::SubscriptionStore reloaded(interopSchema, "h", file, [this] { return now; });
  std::string error;
  ASSERT_TRUE(reloaded.Load(&error)) << error;
  for (const auto& [cls, source, expected] : kSelected) {
    EXPECT_EQ(listeners(*store, cls, source), expected) << cls << " of " << source;
    EXPECT_EQ(listeners(reloaded, cls, source), expected) << cls << " of " << source << ", from the file";
  }
  const std::string vols = store->TargetsOf("CIM_InstCreation", "CIM_StorageVolume")[0].key;
  EXPECT_TRUE(store->Wants(vols, "CIM_InstCreation", "CIM_StorageVolume"));
  EXPECT_FALSE(store->Wants(vols, "CIM_InstCreation", "CIM_StoragePool"));
}

TEST(SubscriptionTexts, DestinationsQueriesAndDatesAreRead) {
  const std::tuple<const char*, const char*, const char*> kRead[] = {
      {"http://127.0.0.1:5990", "http://127.0.0.1:5990", "/"},
      {"HTTPS://[::1]/cimlistener/x", "https://[::1]:5991", "/cimlistener/x"},
      {"listener.example:6000", "http://listener.example:6000", "/"}};
  for (const auto& [text, origin, path] : kRead) {
    auto address = zubwbem::ParseDestination(text);
    ASSERT_TRUE(address) << text;
    EXPECT_EQ(address->Origin(), origin);
    EXPECT_EQ(address->path, path);
  }
  for (const char* bad : {"", "ftp://h/", "http://", "http://h:99999", "http://user@h:1", "http://h h:1"})
    EXPECT_FALSE(zubwbem::ParseDestination(bad)) << bad;
  EXPECT_EQ(zubwbem::SelectedClass(" Select * From CIM_AlertIndication"), "CIM_AlertIndication");
  for (const char* bad : {"SELECT Name FROM X", "SELECT * FROM", "SELECT * FROM A, B", "DELETE FROM X"})
    EXPECT_FALSE(zubwbem::SelectedClass(bad)) << bad;
  // Datetimes are written in UTC and read at any offset.
  const auto when = std::chrono::sys_days{std::chrono::March / 1 / 2026} + 10h + 123456us;
  EXPECT_EQ(zubwbem::CimDateTime(when), "20260301100000.123456+000");
  EXPECT_TRUE(zubwbem::ReadCimDateTime("20260301113000.123456+090") == when);
  EXPECT_TRUE(zubwbem::ReadCimDateTime("20260301083000.123456-090") == when);
  for (const char* bad : {"", "00000000000060.000000:000", "20260230000000.000000+000", "2026030110000*.000000+000"})
    EXPECT_FALSE(zubwbem::ReadCimDateTime(bad)) << bad;
}

}  // namespace
