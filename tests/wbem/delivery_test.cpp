// Alerts to listeners in-process: the export request an alert becomes, as a listener reads it; the router's choice
// of listeners; a listener that is down and comes back; a full queue; a listener that refuses; a listener that is
// gone, met as each subscription's OnFatalErrorPolicy says.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include <httplib.h>

#include "host/indications/delivery.h"
#include "host/indications/indications.h"
#include "tests/wbem/subscription_requests.h"

namespace {

using namespace wbemtest;
using namespace std::chrono_literals;

stZUB_AlertIndication DiskAlert(AlertKind kind, const wchar_t* id) {
  const std::wstring path = std::wstring(L"\\\\box\\root\\Corvo_ZUB:ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\",DeviceID=\"") + id +
                            L"\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Disk_" + id + L"\"";
  return BuildAlert(kind, CZubString(path.c_str()), CZubString(id), L"Disk_x");
}

// Short pauses between tries, so the tests wait little.
zubwbem::DeliverySettings Quick() { return {.firstPause = 10ms, .longestPause = 100ms}; }

class Delivery : public WbemFixture {
 protected:
  // Subscribes the destination `destination` (made when a URL is given)
  // with a filter "SELECT * FROM <cls>" named `name`.
  void Subscribe(const std::string& name, const std::string& cls, const std::string& destination,
                 const std::string& url = "", const std::string& more = "") {
    std::vector<std::string> instances = {Filter(name, "SELECT * FROM " + cls),
                                          Subscription(FilterName(name), DestinationName(destination), more)};
    if (!url.empty()) instances.insert(instances.begin() + 1, Destination(destination, url));
    for (const std::string& instance : instances)
      ASSERT_EQ(ErrorOf(Call(CreateRequest(instance), &interop)), 0) << instance;
  }
  // The key delivery knows the destination `name` by.
  std::string KeyOf(const std::string& name) {
    for (const zubwbem::KeptInstance& d : store.List(*schema.Find("root/interop", "CIM_ListenerDestinationCIMXML"))) {
      if (d.Value("Name")->items.front() == name) return zubwbem::Describe(d.path);
    }
    return "";
  }
  // The subscriptions' states by their destination's Name.
  std::map<std::string, std::string> States() {
    std::map<std::string, std::string> out;
    for (const zubwbem::KeptInstance& s : store.List(*schema.Find("root/interop", "CIM_IndicationSubscription"))) {
      for (const zubwbem::KeyBinding& key : s.Value("Handler")->refs.front().keys) {
        if (key.name == "Name") out[key.value] = s.Value("SubscriptionState")->items.front();
      }
    }
    return out;
  }
  // Waits (bounded, generously) until `done`.
  template <typename Done>
  static bool Eventually(Done done) {
    for (int i = 0; i < 60000 && !done(); ++i) std::this_thread::sleep_for(1ms);
    return done();
  }

  zubwbem::SubscriptionStore store{schema, "testhost", ""};
  zubwbem::Operations interop{schema, gate, &store};
  std::ostringstream log;
};

TEST_F(Delivery, ListenersReceiveTheAlertsTheySelectedInOrderOnce) {
  TestListener all, failed;
  Subscribe("all", "ZUB_AlertIndication", "all", all.Url());
  Subscribe("failed", "ZUB_AlertDiskFailed", "failed", failed.Url());
  Subscribe("also", "CIM_AlertIndication", "all");  // two subscriptions of one listener: each alert once
  zubwbem::IndicationDelivery delivery(Quick(), log);
  zubwbem::IndicationRouter router(schema, store, delivery);
  zubcim::AlertQueue alerts;
  router.Start(alerts);
  for (const auto& [kind, id] : {std::pair{AlertKind::DiskFailing, L"11"}, std::pair{AlertKind::DiskFailed, L"11"},
                                 std::pair{AlertKind::DiskRemoved, L"12"}, std::pair{AlertKind::DiskFailed, L"21"}})
    alerts.Push(DiskAlert(kind, id));

  EXPECT_EQ(failed.UntilCount(2), (std::vector<std::string>{"ZUB_AlertDiskFailed 11", "ZUB_AlertDiskFailed 21"}));
  const std::vector<zubwbem::ReceivedIndication> got = all.WaitFor(4);
  ASSERT_EQ(TestListener::Events(got), (std::vector<std::string>{"ZUB_AlertDiskFailing 11", "ZUB_AlertDiskFailed 11",
                                                                 "ZUB_AlertDiskRemoved 12", "ZUB_AlertDiskFailed 21"}));
  router.Stop();
  // The indication carries the alert record's properties, typed by the
  // schema (their values are the alert records' own, tested with them).
  const zubwbem::ReceivedIndication& disk = got[1];
  EXPECT_EQ(disk.Text("PerceivedSeverity"), "6");
  EXPECT_EQ(disk.Text("RecommendedActions"), "Check cables and power, Reboot, Replace bad disk");
  EXPECT_EQ(disk.Text("AlertingManagedElement"),
            "//box/root/corvo_zub:ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\",DeviceID=\"11\","
            "SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Disk_11\"");
  EXPECT_EQ(disk.Text("IndicationTime").size(), 25u);
  EXPECT_EQ(disk.Text("EventTime").size(), 25u) << "the library's local time, as the datetime the class declares";
  EXPECT_FALSE(disk.Value("AlertClassName")) << "the class says it";
  EXPECT_NE(got[0].Text("IndicationIdentifier"), got[1].Text("IndicationIdentifier"));
  EXPECT_EQ(got[2].Text("AlertingManagedElement"), "N/A");
  EXPECT_EQ(router.Publish(DiskAlert(AlertKind::DiskInserted, L"13")), 1u);
  EXPECT_EQ(all.UntilCount(5).back(), "ZUB_AlertDiskInserted 13");
}

// What waits for a listener that is down is kept, up to the queue's limit
// (the oldest dropped beyond it), and delivered when it comes back.
TEST_F(Delivery, AListenerThatIsDownGetsWhatWaitedWhenItComesBack) {
  TestListener listener;
  listener.Stop();
  Subscribe("all", "ZUB_AlertIndication", "all", listener.Url());
  const std::string key = store.TargetsOf("ZUB_AlertDiskFailed")[0].key;
  zubwbem::DeliverySettings settings = Quick();
  settings.goneTries = 1'000'000;  // down for a while, not gone
  settings.queueLimit = 3;
  zubwbem::IndicationDelivery delivery(settings, log);
  zubwbem::IndicationRouter router(schema, store, delivery);
  for (const wchar_t* id : {L"1", L"2", L"3"}) router.Publish(DiskAlert(AlertKind::DiskFailed, id));
  ASSERT_TRUE(Eventually([&] { return delivery.Counts(key).failedTries >= 2; }));
  EXPECT_EQ(delivery.Counts(key).queued, 3u);
  for (int i = 1; i <= 6; ++i)
    delivery.Send("k", listener.Url(), {"ZUB_AlertIndication", "alert " + std::to_string(i), "x" + std::to_string(i)});
  EXPECT_EQ(delivery.Counts("k").dropped + delivery.Counts("k").queued, 6u);
  EXPECT_GE(delivery.Counts("k").dropped, 3u);
  EXPECT_NE(log.str().find("dropped alert "), std::string::npos) << log.str();
  delivery.Forget("k");
  EXPECT_EQ(delivery.Counts("k").queued, 0u);
  delivery.Send("bad", "ftp://nowhere", {"ZUB_AlertIndication", "alert 7", "x"});
  EXPECT_EQ(delivery.Counts("bad").dropped, 1u);

  listener.Start(listener.Port());  // the same port again
  EXPECT_EQ(listener.UntilCount(3),
            (std::vector<std::string>{"ZUB_AlertDiskFailed 1", "ZUB_AlertDiskFailed 2", "ZUB_AlertDiskFailed 3"}));
  // Counted once the listener's answer is in, just after it took the last.
  EXPECT_TRUE(Eventually([&] { return delivery.Counts(key).delivered == 3; })) << log.str();
  EXPECT_EQ(delivery.Counts(key).dropped, 0u);
  delivery.Stop();
  EXPECT_NE(log.str().find("does not answer"), std::string::npos) << log.str();
  EXPECT_NE(log.str().find("answers again"), std::string::npos) << log.str();
}

TEST_F(Delivery, AListenerThatRefusesIsTriedThenSkipped) {
  // A listener that answers every export with a CIM error.
  httplib::Server refusing;
  int tries = 0;
  std::mutex triesMutex;
  refusing.Post(".*", [&](const httplib::Request&, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(triesMutex);
    ++tries;
    res.set_content(zubwbem::ExportErrorResponse("1", 1, "not today"), "application/xml");
  });
  const int port = refusing.bind_to_any_port("127.0.0.1");
  std::thread server([&] { refusing.listen_after_bind(); });
  zubwbem::IndicationDelivery delivery(Quick(), log);
  const std::string url = "http://127.0.0.1:" + std::to_string(port);
  delivery.Send("k", url, {"ZUB_AlertIndication", "first", "<x/>"});
  delivery.Send("k", url, {"ZUB_AlertIndication", "second", "<x/>"});
  EXPECT_TRUE(Eventually([&] { return delivery.Counts("k").dropped == 2; }));
  EXPECT_EQ(delivery.Counts("k").delivered, 0u);
  delivery.Stop();
  refusing.stop();
  server.join();
  EXPECT_EQ(tries, 6) << "three tries each";
  EXPECT_NE(log.str().find("dropped first for " + url + ": the listener answered with error 1: not today"),
            std::string::npos)
      << log.str();
}

TEST_F(Delivery, AListenerThatIsGoneIsMetAsEachSubscriptionSays) {
  TestListener listener;
  listener.Stop();  // nobody listens on its port now
  Subscribe("a", "ZUB_AlertIndication", "ignore", listener.Url());  // no policy: Ignore
  Subscribe("b", "ZUB_AlertIndication", "disable", listener.Url(), Property("OnFatalErrorPolicy", "uint16", "3"));
  Subscribe("c", "ZUB_AlertIndication", "remove", listener.Url(), Property("OnFatalErrorPolicy", "uint16", "4"));
  zubwbem::DeliverySettings settings = Quick();
  settings.goneTries = 2;
  settings.firstPause = 500ms;  // the second alert is queued long before the first's second try
  zubwbem::IndicationDelivery delivery(settings, log);
  zubwbem::IndicationRouter router(schema, store, delivery);
  const std::string ignore = KeyOf("ignore"), disable = KeyOf("disable"), remove = KeyOf("remove");
  ASSERT_EQ(router.Publish(DiskAlert(AlertKind::DiskFailed, L"1")), 3u);
  ASSERT_EQ(router.Publish(DiskAlert(AlertKind::DiskFailed, L"2")), 3u);
  // The first fails on its second try; after it the kept subscription's
  // second fails at its first try, and what waited for the disabled and the
  // removed one is withdrawn unsent.
  ASSERT_TRUE(Eventually([&] { return delivery.Counts(ignore).dropped == 2; })) << log.str();
  EXPECT_EQ(delivery.Counts(ignore).failedTries, 3u);
  for (const std::string& key : {disable, remove}) {
    ASSERT_TRUE(Eventually([&] { return delivery.Counts(key).withdrawn == 1; })) << key << "\n" << log.str();
    EXPECT_EQ(delivery.Counts(key).dropped, 1u);
    EXPECT_EQ(delivery.Counts(key).failedTries, 2u);
  }
  EXPECT_EQ(States(), (std::map<std::string, std::string>{{"ignore", "2"}, {"disable", "4"}}));
  for (const char* outcome : {"destination \"ignore\") kept (OnFatalErrorPolicy Ignore)",
                              "destination \"disable\") disabled (OnFatalErrorPolicy Disable",
                              "destination \"remove\") removed (OnFatalErrorPolicy Remove)"})
    EXPECT_NE(log.str().find(outcome), std::string::npos) << outcome << "\n" << log.str();
}

TEST(ExportMessages, ListenersReadWhatTheServerWritesAndRefuseTheRest) {
  zubwbem::Schema schema{TestCatalog()};
  stZUB_AlertIndication alert = DiskAlert(AlertKind::DiskSpareUsed, L"13");
  const std::string request = zubwbem::ExportRequest(schema, alert, "77", "id-1", "20260101000000.000000+000");
  zubwbem::ReceivedIndication received;
  ASSERT_FALSE(zubwbem::ReadExportRequest(request, &received));
  EXPECT_EQ(received.messageId, "77");
  EXPECT_EQ(received.className, "ZUB_AlertDiskSpareUsed");
  EXPECT_EQ(received.properties.front().first, "IndicationIdentifier");

  alert.AlertClassName = L"ZUB_NotAClass";
  ASSERT_FALSE(zubwbem::ReadExportRequest(zubwbem::ExportRequest(schema, alert, "1", "i", "t"), &received));
  EXPECT_EQ(received.className, "ZUB_AlertIndication");

  EXPECT_EQ(zubwbem::ReadExportRequest("<CIM><oops", &received)->cimError, "request-not-well-formed");
  EXPECT_EQ(zubwbem::ReadExportRequest("<CIM><MESSAGE ID=\"1\"><SIMPLEREQ/></MESSAGE></CIM>", &received)->cimError,
            "request-not-valid");
  std::string other = request;
  other.replace(other.find("ExportIndication"), 16, "ExportSomething");
  EXPECT_EQ(zubwbem::ReadExportRequest(other, &received)->cimError, "unsupported-operation");
  // (An answer with an ERROR is met by the refusing listener above.)
  std::string why;
  EXPECT_TRUE(zubwbem::ExportAccepted("", &why)) << "a 200 without an ERROR is taken";
}

}  // namespace
