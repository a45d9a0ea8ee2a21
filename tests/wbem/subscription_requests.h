// subscription_requests.h: the CreateInstance bodies a client (pywbem)
// sends to subscribe for indications in root/interop, the paths of what
// they create, and an in-process listener that keeps what it receives (it
// can be stopped and started again on the same port).
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/indications/listener.h"

#include "tests/wbem/wbem_fixture.h"

namespace wbemtest {

inline std::string Property(const std::string& name, const std::string& type, const std::string& value) {
  return "<PROPERTY NAME=\"" + name + "\" TYPE=\"" + type + "\"><VALUE>" + value + "</VALUE></PROPERTY>";
}

// The four keys of a filter or destination named `name` of class `cls`.
inline std::string KeyedName(const std::string& cls, const std::string& name) {
  return "<INSTANCENAME CLASSNAME=\"" + cls + "\"><KEYBINDING NAME=\"CreationClassName\"><KEYVALUE VALUETYPE=\"string\">" +
         cls + "</KEYVALUE></KEYBINDING><KEYBINDING NAME=\"Name\"><KEYVALUE VALUETYPE=\"string\">" + name +
         "</KEYVALUE></KEYBINDING><KEYBINDING NAME=\"SystemCreationClassName\"><KEYVALUE VALUETYPE=\"string\">"
         "CIM_ComputerSystem</KEYVALUE></KEYBINDING><KEYBINDING NAME=\"SystemName\"><KEYVALUE VALUETYPE=\"string\">"
         "testhost</KEYVALUE></KEYBINDING></INSTANCENAME>";
}
inline std::string FilterName(const std::string& name) { return KeyedName("CIM_IndicationFilter", name); }
inline std::string DestinationName(const std::string& name) { return KeyedName("CIM_ListenerDestinationCIMXML", name); }

inline std::string Filter(const std::string& name, const std::string& query, const std::string& language = "WQL",
                          const std::string& sources = "<VALUE>root/corvo_zub</VALUE>") {
  return "<INSTANCE CLASSNAME=\"CIM_IndicationFilter\">" + Property("CreationClassName", "string", "CIM_IndicationFilter") +
         Property("SystemCreationClassName", "string", "CIM_ComputerSystem") + Property("SystemName", "string", "testhost") +
         Property("Name", "string", name) +
         "<PROPERTY.ARRAY NAME=\"SourceNamespaces\" TYPE=\"string\"><VALUE.ARRAY>" + sources +
         "</VALUE.ARRAY></PROPERTY.ARRAY>" + Property("Query", "string", query) +
         Property("QueryLanguage", "string", language) + "</INSTANCE>";
}

// SystemName and SystemCreationClassName left to the server.
inline std::string Destination(const std::string& name, const std::string& url) {
  return "<INSTANCE CLASSNAME=\"CIM_ListenerDestinationCIMXML\">" +
         Property("CreationClassName", "string", "CIM_ListenerDestinationCIMXML") + Property("Name", "string", name) +
         Property("Destination", "string", url) + Property("PersistenceType", "uint16", "3") + "</INSTANCE>";
}

inline std::string InteropReference(const std::string& instanceName) {
  return "<VALUE.REFERENCE><LOCALINSTANCEPATH><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE NAME=\"interop\"/>"
         "</LOCALNAMESPACEPATH>" + instanceName + "</LOCALINSTANCEPATH></VALUE.REFERENCE>";
}

// `more`: further PROPERTY elements.
inline std::string Subscription(const std::string& filterName, const std::string& destinationName,
                                const std::string& more = "") {
  return "<INSTANCE CLASSNAME=\"CIM_IndicationSubscription\"><PROPERTY.REFERENCE NAME=\"Filter\">" +
         InteropReference(filterName) + "</PROPERTY.REFERENCE><PROPERTY.REFERENCE NAME=\"Handler\">" +
         InteropReference(destinationName) + "</PROPERTY.REFERENCE>" + Property("SubscriptionState", "uint16", "2") +
         more + "</INSTANCE>";
}

// The subscription's own name: its two references as keys.
inline std::string SubscriptionName(const std::string& filterName, const std::string& destinationName) {
  return "<INSTANCENAME CLASSNAME=\"CIM_IndicationSubscription\"><KEYBINDING NAME=\"Filter\">" +
         InteropReference(filterName) + "</KEYBINDING><KEYBINDING NAME=\"Handler\">" + InteropReference(destinationName) +
         "</KEYBINDING></INSTANCENAME>";
}

inline std::string CreateRequest(const std::string& instance) {
  return IntrinsicRequest("CreateInstance", "<IPARAMVALUE NAME=\"NewInstance\">" + instance + "</IPARAMVALUE>",
                          "root/interop");
}
// ModifyInstance of `instanceName` with the INSTANCE's `properties`, and a
// PropertyList when `propertyList` is not empty ("<VALUE>..</VALUE>...").
inline std::string ModifyRequest(const std::string& instanceName, const std::string& className,
                                 const std::string& properties, const std::string& propertyList = "") {
  return IntrinsicRequest("ModifyInstance",
                          "<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE>" + instanceName +
                              "<INSTANCE CLASSNAME=\"" + className + "\">" + properties +
                              "</INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>" +
                              (propertyList.empty() ? "" : "<IPARAMVALUE NAME=\"PropertyList\"><VALUE.ARRAY>" +
                                                               propertyList + "</VALUE.ARRAY></IPARAMVALUE>"),
                          "root/interop");
}
inline std::string DeleteRequest(const std::string& instanceName) {
  return IntrinsicRequest("DeleteInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + instanceName + "</IPARAMVALUE>",
                          "root/interop");
}
inline std::string InteropRequest(const std::string& op, const std::string& params) {
  return IntrinsicRequest(op, params, "root/interop");
}

class TestListener {
 public:
  explicit TestListener(int port = 0) { Start(port); }
  ~TestListener() { Stop(); }

  void Start(int port) {
    m_listener = std::make_unique<zubwbem::IndicationListener>([this](const zubwbem::ReceivedIndication& indication) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_received.push_back(indication);
      m_arrived.notify_all();
    });
    std::string error;
    ASSERT_TRUE(m_listener->Bind("127.0.0.1", port, &error)) << error;
    m_port = m_listener->Port();
    m_thread = std::thread([this] { m_listener->Run(); });
  }
  void Stop() {
    if (m_listener) m_listener->Stop();
    if (m_thread.joinable()) m_thread.join();
    m_listener.reset();
  }
  int Port() const { return m_port; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/zub"; }

  // Waits (bounded, generously) until `count` indications arrived; all of them.
  std::vector<zubwbem::ReceivedIndication> WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_for(lock, std::chrono::seconds(60), [&] { return m_received.size() >= count; });
    return m_received;
  }
  // "Class EventID" of each indication so far, once `last` is among them
  // (waiting as WaitFor does).
  std::vector<std::string> Until(const std::string& last) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_for(lock, std::chrono::seconds(60), [&] {
      const std::vector<std::string> seen = Seen();
      return std::find(seen.begin(), seen.end(), last) != seen.end();
    });
    return Seen();
  }
  std::vector<std::string> UntilCount(size_t count) {
    WaitFor(count);
    std::lock_guard<std::mutex> lock(m_mutex);
    return Seen();
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
  }

 private:
  std::vector<std::string> Seen() const {
    std::vector<std::string> out;
    for (const auto& r : m_received) out.push_back(r.className + " " + r.Text("EventID"));
    return out;
  }

  std::unique_ptr<zubwbem::IndicationListener> m_listener;
  std::thread m_thread;
  int m_port = 0;
  std::mutex m_mutex;
  std::condition_variable m_arrived;
  std::vector<zubwbem::ReceivedIndication> m_received;
};

}  // namespace wbemtest
