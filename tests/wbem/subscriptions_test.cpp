// Indication subscriptions in root/interop: creating, listing, modifying and
// deleting filters, destinations and subscriptions as a client does, what
// the server refuses, the provider's own filters used by reference, which
// listeners an alert class reaches, the file that keeps them across a
// restart, a subscription's life on the store's clock, and what
// PersistenceType says.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/catalog.h"
#include "host/indications/subscriptions.h"
#include "tests/wbem/subscription_requests.h"

namespace {

using namespace wbemtest;
using namespace std::chrono_literals;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

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
  pugi::xml_document Ask(const std::string& body) {
    last = interop->Handle(body, zubwbem::CimHeaders{"MethodCall", "", "", "1.0", "application/xml"});
    pugi::xml_document doc;
    EXPECT_EQ(last.http, 200) << last.cimError;
    EXPECT_TRUE(doc.load_string(last.body.c_str())) << last.body;
    return doc;
  }
  int Create(const std::string& instance) { return ErrorOf(Ask(CreateRequest(instance))); }
  std::vector<std::string> Names(const std::string& cls) {
    pugi::xml_document doc = Ask(InteropRequest(
        "EnumerateInstanceNames", "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"" + cls + "\"/></IPARAMVALUE>"));
    std::vector<std::string> out;
    for (pugi::xml_node n : ReturnValue(doc).children("INSTANCENAME"))
      out.push_back(std::string(n.attribute("CLASSNAME").value()) + ":" +
                    n.find_child_by_attribute("KEYBINDING", "NAME", "Name").child_value("KEYVALUE"));
    return out;
  }
  std::vector<std::string> Listeners(const char* alertClass) {
    std::vector<std::string> out;
    for (const zubwbem::Target& t : store->TargetsOf(alertClass)) out.push_back(t.destination);
    return out;
  }

  // A property of the instance GetInstance answers with; "(none)" without one.
  std::string Get(const std::string& instanceName, const char* property) {
    pugi::xml_document doc = Ask(InteropRequest("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + instanceName + "</IPARAMVALUE>"));
    pugi::xml_node p = ReturnValue(doc).child("INSTANCE").find_child_by_attribute("PROPERTY", "NAME", property);
    return p && p.child("VALUE") ? p.child_value("VALUE") : "(none)";
  }
  int Modify(const std::string& instanceName, const std::string& properties, const std::string& propertyList = "") {
    return ErrorOf(Ask(ModifyRequest(instanceName, "CIM_IndicationSubscription", properties, propertyList)));
  }
  const zubwbem::CimClass& SubscriptionClass() { return *interopSchema.Find("root/interop", "CIM_IndicationSubscription"); }

  std::chrono::system_clock::time_point now = std::chrono::sys_days{std::chrono::March / 1 / 2026} + 10h;
  zubwbem::Schema interopSchema{InteropCatalog()};
  std::string file;
  std::unique_ptr<zubwbem::SubscriptionStore> store;
  std::unique_ptr<zubwbem::Operations> interop;
};

TEST_F(Subscriptions, ClientsSubscribeListAndUnsubscribe) {
  ASSERT_EQ(Create(Filter("disks", "SELECT * FROM ZUB_AlertDiskFailed")), 0) << last.body;
  pugi::xml_document answer = Ask(CreateRequest(Destination("one", "http://127.0.0.1:5990")));
  pugi::xml_node created = ReturnValue(answer).child("INSTANCENAME");
  ASSERT_TRUE(created) << last.body;
  EXPECT_STREQ(created.find_child_by_attribute("KEYBINDING", "NAME", "SystemName").child_value("KEYVALUE"), "testhost")
      << "keys a client leaves out are the server's";
  ASSERT_EQ(Create(Destination("two", "127.0.0.1:5991/alerts")), 0) << last.body;
  ASSERT_EQ(Create(Subscription(FilterName("disks"), DestinationName("one"))), 0) << last.body;
  answer = Ask(CreateRequest(Subscription(FilterName("disks"), DestinationName("two"))));
  created = ReturnValue(answer).child("INSTANCENAME");
  EXPECT_STREQ(created.find_child_by_attribute("KEYBINDING", "NAME", "Filter")
                   .child("VALUE.REFERENCE").child("INSTANCEPATH").child("INSTANCENAME").attribute("CLASSNAME").value(),
               "CIM_IndicationFilter")
      << last.body;

  // Deep enumeration of the filter class also lists the provider's fifteen.
  std::vector<std::string> filters = Names("CIM_IndicationFilter");
  EXPECT_EQ(filters.size(), 16u);
  EXPECT_EQ(filters.back(), "CIM_IndicationFilter:disks");
  EXPECT_EQ(Names("CIM_ListenerDestination"),
            (std::vector<std::string>{"CIM_ListenerDestinationCIMXML:one", "CIM_ListenerDestinationCIMXML:two"}));
  pugi::xml_document doc = Ask(InteropRequest(
      "EnumerateInstances", "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"CIM_IndicationSubscription\"/></IPARAMVALUE>"));
  ASSERT_EQ(ReturnValue(doc).select_nodes("VALUE.NAMEDINSTANCE").size(), 2u) << last.body;
  pugi::xml_node subscription = ReturnValue(doc).child("VALUE.NAMEDINSTANCE").child("INSTANCE");
  EXPECT_STREQ(subscription.find_child_by_attribute("PROPERTY", "NAME", "SubscriptionState").child_value("VALUE"), "2");
  EXPECT_TRUE(subscription.find_child_by_attribute("PROPERTY.REFERENCE", "NAME", "Handler")
                  .child("VALUE.REFERENCE").child("INSTANCEPATH").child("NAMESPACEPATH").child("HOST"));
  doc = Ask(InteropRequest("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + FilterName("disks") + "</IPARAMVALUE>"));
  EXPECT_STREQ(ReturnValue(doc).child("INSTANCE").find_child_by_attribute("PROPERTY", "NAME", "Query").child_value("VALUE"),
               "SELECT * FROM ZUB_AlertDiskFailed");

  // The filter selects its class and the classes below it, each listener once.
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailed"), (std::vector<std::string>{"http://127.0.0.1:5990", "127.0.0.1:5991/alerts"}));
  EXPECT_TRUE(Listeners("ZUB_AlertDiskFailing").empty());
  ASSERT_EQ(Create(Filter("all", "select *  from zub_alertindication ;")), 0) << last.body;
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("one"))), 0) << last.body;
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailing"), (std::vector<std::string>{"http://127.0.0.1:5990"}));
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailed").size(), 2u);

  // Twice the same: 11. Deleting what a subscription names: 1. Unknown: 6.
  EXPECT_EQ(Create(Filter("disks", "SELECT * FROM ZUB_AlertDiskFailed")), 11);
  EXPECT_EQ(Create(Subscription(FilterName("all"), DestinationName("one"))), 11);
  EXPECT_EQ(ErrorOf(Ask(DeleteRequest(FilterName("disks")))), 1);
  EXPECT_EQ(ErrorOf(Ask(DeleteRequest(DestinationName("one")))), 1);
  EXPECT_EQ(ErrorOf(Ask(DeleteRequest(FilterName("none")))), 6);

  std::vector<std::string> deletedDestinations;
  store->OnDestinationDeleted([&](const std::string& key) { deletedDestinations.push_back(key); });
  EXPECT_EQ(ErrorOf(Ask(DeleteRequest(SubscriptionName(FilterName("disks"), DestinationName("two"))))), 0) << last.body;
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailed"), (std::vector<std::string>{"http://127.0.0.1:5990"}));
  EXPECT_EQ(ErrorOf(Ask(DeleteRequest(DestinationName("two")))), 0) << last.body;
  ASSERT_EQ(deletedDestinations.size(), 1u);
  EXPECT_NE(deletedDestinations[0].find("Name=\"two\""), std::string::npos);
  EXPECT_EQ(ErrorOf(Ask(DeleteRequest(SubscriptionName(FilterName("all"), DestinationName("one"))))), 0);
  EXPECT_TRUE(Listeners("ZUB_AlertDiskFailing").empty());
}

TEST_F(Subscriptions, WhatCannotBeDeliveredIsRefused) {
  EXPECT_EQ(Create(Filter("f", "SELECT * FROM ZUB_AlertDiskFailed", "XPath")), 14);
  EXPECT_EQ(Create(Filter("f", "SELECT Description FROM ZUB_AlertDiskFailed")), 15);
  EXPECT_EQ(Create(Filter("f", "SELECT * FROM ZUB_AlertDiskFailed WHERE PerceivedSeverity = 6")), 15);
  EXPECT_EQ(Create(Filter("f", "SELECT * FROM ZUB_ComputerSystem")), 15) << "not an indication class";
  EXPECT_EQ(Create(Filter("f", "SELECT * FROM ZUB_AlertDiskFailed", "WQL", "<VALUE>root/cimv2</VALUE>")), 4);
  EXPECT_EQ(Create(Filter("", "SELECT * FROM ZUB_AlertDiskFailed")), 4) << "a filter needs its Name";
  EXPECT_EQ(Create(Destination("d", "ftp://127.0.0.1/")), 4);
  EXPECT_EQ(Create("<INSTANCE CLASSNAME=\"CIM_ListenerDestinationCIMXML\">" + Property("Name", "string", "d") +
                   Property("Destination", "string", "http://h:1") + Property("Protocol", "uint16", "4") + "</INSTANCE>"),
            7);
  EXPECT_EQ(Create("<INSTANCE CLASSNAME=\"CIM_ListenerDestinationCIMXML\">" + Property("Name", "string", "d") +
                   Property("Destination", "string", "http://h:1") + Property("Colour", "string", "red") + "</INSTANCE>"),
            4);
  ASSERT_EQ(Create(Destination("d", "http://h:1")), 0);
  EXPECT_EQ(Create(Subscription(FilterName("missing"), DestinationName("d"))), 4);
  ASSERT_EQ(Create(Filter("f", "SELECT * FROM CIM_AlertIndication")), 0) << last.body;
  EXPECT_EQ(Create(Subscription(FilterName("f"), DestinationName("missing"))), 4);
  // Only the subscription classes are created, and only in root/interop.
  EXPECT_EQ(ErrorOf(Ask(CreateRequest("<INSTANCE CLASSNAME=\"ZUB_ComputerSystem\"></INSTANCE>"))), 5);
  EXPECT_EQ(ErrorOf(Ask(CreateRequest("<INSTANCE CLASSNAME=\"ZUB_IndicationFilter\"></INSTANCE>"))), 7);
  EXPECT_EQ(ErrorOf(Ask(IntrinsicRequest("CreateInstance", "<IPARAMVALUE NAME=\"NewInstance\">" +
                                                               Filter("g", "SELECT * FROM ZUB_AlertIndication") +
                                                               "</IPARAMVALUE>"))), 7);
  // A server without a store creates nothing.
  pugi::xml_document doc = Call(CreateRequest(Filter("h", "SELECT * FROM ZUB_AlertIndication")));
  EXPECT_EQ(ErrorOf(doc), 7);
  EXPECT_EQ(Names("CIM_IndicationSubscription").size(), 0u);
}

TEST_F(Subscriptions, TheProvidersFiltersServeByReference) {
  ASSERT_EQ(Create(Destination("d", "http://127.0.0.1:5990")), 0);
  const std::string providerFilter =
      "<INSTANCENAME CLASSNAME=\"ZUB_IndicationFilter\"><KEYBINDING NAME=\"Name\"><KEYVALUE>ZUB_Volume_Created</KEYVALUE>"
      "</KEYBINDING><KEYBINDING NAME=\"SystemName\"><KEYVALUE>box</KEYVALUE></KEYBINDING><KEYBINDING "
      "NAME=\"SystemCreationClassName\"><KEYVALUE>ZUB_ComputerSystem</KEYVALUE></KEYBINDING><KEYBINDING "
      "NAME=\"CreationClassName\"><KEYVALUE>ZUB_IndicationFilter</KEYVALUE></KEYBINDING></INSTANCENAME>";
  ASSERT_EQ(Create(Subscription(providerFilter, DestinationName("d"))), 0) << last.body;
  EXPECT_EQ(Listeners("ZUB_AlertVolumeCreated").size(), 1u);
  EXPECT_TRUE(Listeners("ZUB_AlertVolumeDeleted").empty());
  std::string unknown = providerFilter;
  unknown.replace(unknown.find("ZUB_Volume_Created"), 18, "ZUB_Volume_Renamed");
  EXPECT_EQ(Create(Subscription(unknown, DestinationName("d"))), 4);
  // The spare-used alert's class specialises the one the spare filter selects.
  std::string spare = providerFilter;
  spare.replace(spare.find("ZUB_Volume_Created"), 18, "ZUB_Spare_Disk_Used");
  ASSERT_EQ(Create(Subscription(spare, DestinationName("d"))), 0) << last.body;
  EXPECT_EQ(Listeners("ZUB_AlertDiskSpareUsed").size(), 1u);
}

TEST_F(Subscriptions, TheFileKeepsThemAcrossARestart) {
  ASSERT_EQ(Create(Filter("all", "SELECT * FROM ZUB_AlertIndication")), 0);
  ASSERT_EQ(Create(Destination("d", "http://127.0.0.1:5990/x")), 0);
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("d"))), 0);
  EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

  zubwbem::SubscriptionStore again(interopSchema, "otherhost", file);
  std::string error;
  ASSERT_TRUE(again.Load(&error)) << error;
  ASSERT_EQ(again.TargetsOf("ZUB_AlertVolumeCreated").size(), 1u);
  EXPECT_EQ(again.TargetsOf("ZUB_AlertVolumeCreated")[0].destination, "http://127.0.0.1:5990/x");
  const zubwbem::CimClass& filterClass = *interopSchema.Find("root/interop", "CIM_IndicationFilter");
  ASSERT_EQ(again.List(filterClass).size(), 1u);
  EXPECT_EQ(again.List(filterClass)[0].Value("Query")->items, std::vector<std::string>{"SELECT * FROM ZUB_AlertIndication"});
  const zubwbem::CimPath path = again.List(filterClass)[0].path;
  EXPECT_THROW(again.Delete(filterClass, path), zubwbem::CimFault) << "still subscribed after the restart";

  std::ofstream(file) << R"({"instances": [{"class": "ZUB_ComputerSystem"}]})";
  EXPECT_FALSE(zubwbem::SubscriptionStore(interopSchema, "h", file).Load(&error));
  EXPECT_NE(error.find(file), std::string::npos) << error;

  // A file that cannot be written keeps nothing.
  zubwbem::SubscriptionStore unwritable(interopSchema, "h", testing::TempDir() + "/no/such/folder/subs.json");
  ASSERT_TRUE(unwritable.Load(&error));
  zubwbem::Operations ops2(interopSchema, gate, &unwritable);
  last = ops2.Handle(CreateRequest(Destination("d", "http://h:1")), zubwbem::CimHeaders{"MethodCall", "", "", "1.0", ""});
  pugi::xml_document doc;
  doc.load_string(last.body.c_str());
  EXPECT_EQ(ErrorOf(doc), 1);
  EXPECT_TRUE(unwritable.List(*interopSchema.Find("root/interop", "CIM_ListenerDestinationCIMXML")).empty());
}

TEST_F(Subscriptions, ASubscriptionLivesItsDurationThenGoes) {
  std::vector<std::string> notices;
  store->OnNotice([&](const std::string& line) { notices.push_back(line); });
  ASSERT_EQ(Create(Filter("all", "SELECT * FROM ZUB_AlertIndication")), 0);
  ASSERT_EQ(Create(Destination("short", "http://127.0.0.1:5990/short")), 0);
  ASSERT_EQ(Create(Destination("long", "http://127.0.0.1:5990/long")), 0);
  // The start and what is left are the server's to say, whatever the client gives.
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("short"),
                                Property("SubscriptionDuration", "uint64", "60") +
                                    Property("SubscriptionStartTime", "datetime", "19990101000000.000000+000") +
                                    Property("SubscriptionTimeRemaining", "uint64", "5"))),
            0)
      << last.body;
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("long"))), 0);
  const std::string shortOne = SubscriptionName(FilterName("all"), DestinationName("short"));
  const std::string longOne = SubscriptionName(FilterName("all"), DestinationName("long"));
  EXPECT_EQ(Get(shortOne, "SubscriptionStartTime"), "20260301100000.000000+000");
  EXPECT_EQ(Get(shortOne, "SubscriptionTimeRemaining"), "60");
  EXPECT_EQ(Get(longOne, "SubscriptionTimeRemaining"), "(none)") << "no end";

  now += 20500ms;
  EXPECT_EQ(Get(shortOne, "SubscriptionTimeRemaining"), "40") << "rounded up";
  {
    // A restart keeps the start: the time left goes on from it.
    zubwbem::SubscriptionStore again(interopSchema, "h", file, [this] { return now; });
    std::string error;
    ASSERT_TRUE(again.Load(&error)) << error;
    const std::vector<zubwbem::KeptInstance> listed = again.List(SubscriptionClass());
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].Value("SubscriptionTimeRemaining")->items, std::vector<std::string>{"40"});
  }
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
  EXPECT_EQ(Listeners("ZUB_AlertDiskFailed"), std::vector<std::string>{"http://127.0.0.1:5990/long"});
  EXPECT_EQ(Names("CIM_IndicationSubscription").size(), 1u);
  EXPECT_EQ(ErrorOf(Ask(InteropRequest("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + shortOne + "</IPARAMVALUE>"))), 6);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("destination \"short\") expired"), std::string::npos) << notices[0];

  // Made again, it lives anew; an end of 0 and a policy the class lacks are refused.
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("short"), Property("SubscriptionDuration", "uint64", "60"))), 0);
  EXPECT_EQ(Get(shortOne, "SubscriptionTimeRemaining"), "60");
  EXPECT_EQ(Get(shortOne, "SubscriptionStartTime"), "20260301100100.000000+000");
  EXPECT_EQ(Create(Subscription(FilterName("all"), DestinationName("long"), Property("SubscriptionDuration", "uint64", "0"))), 4);
  EXPECT_EQ(Create(Subscription(FilterName("all"), DestinationName("long"), Property("OnFatalErrorPolicy", "uint16", "5"))), 4);
}

TEST_F(Subscriptions, ModifyInstanceSetsTheStateAndNothingElse) {
  ASSERT_EQ(Create(Filter("all", "SELECT * FROM ZUB_AlertIndication")), 0);
  ASSERT_EQ(Create(Destination("d", "http://127.0.0.1:5990")), 0);
  ASSERT_EQ(Create(Subscription(FilterName("all"), DestinationName("d"), Property("OnFatalErrorPolicy", "uint16", "3"))), 0);
  const std::string name = SubscriptionName(FilterName("all"), DestinationName("d"));
  EXPECT_EQ(Modify(name, Property("SubscriptionState", "uint16", "4")), 0) << last.body;
  EXPECT_EQ(Get(name, "SubscriptionState"), "4");
  EXPECT_TRUE(Listeners("ZUB_AlertDiskFailed").empty());
  {
    zubwbem::SubscriptionStore again(interopSchema, "h", file);
    std::string error;
    ASSERT_TRUE(again.Load(&error)) << error;
    EXPECT_EQ(again.List(SubscriptionClass())[0].Value("SubscriptionState")->items, std::vector<std::string>{"4"});
  }

  // As pywbem modifies: the whole instance as it was read, the state changed.
  const std::string asRead = "<PROPERTY.REFERENCE NAME=\"Filter\">" + InteropReference(FilterName("all")) +
                             "</PROPERTY.REFERENCE><PROPERTY.REFERENCE NAME=\"Handler\">" +
                             InteropReference(DestinationName("d")) + "</PROPERTY.REFERENCE>" +
                             Property("OnFatalErrorPolicy", "uint16", "3") +
                             Property("SubscriptionStartTime", "datetime", "20000101000000.000000+000") +
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
  EXPECT_EQ(ErrorOf(Ask(ModifyRequest(FilterName("all"), "CIM_IndicationFilter",
                                      Property("Query", "string", "SELECT * FROM ZUB_AlertDiskFailed")))),
            7);
  EXPECT_EQ(Modify(SubscriptionName(FilterName("none"), DestinationName("d")), Property("SubscriptionState", "uint16", "4")), 6);
}

TEST_F(Subscriptions, PersistenceTypeSaysWhereTheyAreKept) {
  // Kept in a file: Permanent, whatever the client said.
  ASSERT_EQ(Create("<INSTANCE CLASSNAME=\"CIM_ListenerDestinationCIMXML\">" + Property("Name", "string", "d") +
                   Property("Destination", "string", "http://h:1") + Property("PersistenceType", "uint16", "1") +
                   Property("OtherPersistenceType", "string", "now and then") + "</INSTANCE>"),
            0);
  EXPECT_EQ(Get(DestinationName("d"), "PersistenceType"), "2");
  EXPECT_EQ(Get(DestinationName("d"), "OtherPersistenceType"), "(none)");
  // Kept in memory only: Transient.
  zubwbem::SubscriptionStore memory(interopSchema, "testhost", "");
  const zubwbem::CimClass& destinations = *interopSchema.Find("root/interop", "CIM_ListenerDestinationCIMXML");
  auto text = [](const char* value) { return zubwbem::CimValue{false, {value}, {}}; };
  memory.Create(destinations, {{"Name", text("m")}, {"Destination", text("http://h:3")}, {"PersistenceType", text("2")}}, {});
  EXPECT_EQ(memory.List(destinations).at(0).Value("PersistenceType")->items, std::vector<std::string>{"3"});
}

TEST(SubscriptionTexts, DestinationsAndQueriesAreRead) {
  auto address = zubwbem::ParseDestination("http://127.0.0.1:5990");
  ASSERT_TRUE(address);
  EXPECT_EQ(address->Origin(), "http://127.0.0.1:5990");
  EXPECT_EQ(address->path, "/");
  address = zubwbem::ParseDestination("HTTPS://[::1]/cimlistener/x");
  ASSERT_TRUE(address);
  EXPECT_EQ(address->Origin(), "https://[::1]:5991");
  EXPECT_EQ(address->path, "/cimlistener/x");
  EXPECT_EQ(zubwbem::ParseDestination("listener.example:6000")->Origin(), "http://listener.example:6000");
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
