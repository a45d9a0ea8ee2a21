// subscription_requests.h: the CreateInstance bodies a client (pywbem)
// sends to subscribe for indications in root/interop, the paths of what
// they create, and an in-process listener that keeps what it receives (it
// can be stopped and started again on the same port).
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/indications/listener.h"

#include "tests/wbem/wbem_fixture.h"

namespace wbemtest {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The four keys of a filter or destination named `name` of class `cls`.
inline std::string KeyedName(const std::string& cls, const std::string& name, const std::string& system = "testhost",
                             const std::string& systemClass = "CIM_ComputerSystem") {
  auto key = [](const char* key, const std::string& value) {
    return std::string("<KEYBINDING NAME=\"") + key + "\"><KEYVALUE VALUETYPE=\"string\">" + value +
           "</KEYVALUE></KEYBINDING>";
  };
  return "<INSTANCENAME CLASSNAME=\"" + cls + "\">" + key("CreationClassName", cls) + key("Name", name) +
         key("SystemCreationClassName", systemClass) + key("SystemName", system) + "</INSTANCENAME>";
}
inline std::string FilterName(const std::string& name) { return KeyedName("CIM_IndicationFilter", name); }
inline std::string DestinationName(const std::string& name) { return KeyedName("CIM_ListenerDestinationCIMXML", name); }
// One of the provider's own filters (ZUB_Volume_Created, ...) on the computer `system`.
inline std::string ProviderFilterName(const std::string& name, const std::string& system) {
  return KeyedName("ZUB_IndicationFilter", name, system, "ZUB_ComputerSystem");
}

inline std::string Filter(const std::string& name, const std::string& query, const std::string& language = "WQL",
                          const std::string& sources = "<VALUE>root/corvo_zub</VALUE>") {
  return "<INSTANCE CLASSNAME=\"CIM_IndicationFilter\">" + Property("CreationClassName", "string", "CIM_IndicationFilter") +
         Property("SystemCreationClassName", "string", "CIM_ComputerSystem") + Property("SystemName", "string", "testhost") +
         Property("Name", "string", name) + "<PROPERTY.ARRAY NAME=\"SourceNamespaces\" TYPE=\"string\"><VALUE.ARRAY>" +
         sources + "</VALUE.ARRAY></PROPERTY.ARRAY>" + Property("Query", "string", query) +
         Property("QueryLanguage", "string", language) + "</INSTANCE>";
}

// SystemName and SystemCreationClassName left to the server; `more`: further PROPERTY elements.
inline std::string Destination(const std::string& name, const std::string& url, const std::string& more = "") {
  return "<INSTANCE CLASSNAME=\"CIM_ListenerDestinationCIMXML\">" +
         Property("CreationClassName", "string", "CIM_ListenerDestinationCIMXML") + Property("Name", "string", name) +
         Property("Destination", "string", url) + (more.empty() ? Property("PersistenceType", "uint16", "3") : more) +
         "</INSTANCE>";
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

inline std::string InteropRequest(const std::string& op, const std::string& params) {
  return IntrinsicRequest(op, params, "root/interop");
}
inline std::string CreateRequest(const std::string& instance) {
  return InteropRequest("CreateInstance", "<IPARAMVALUE NAME=\"NewInstance\">" + instance + "</IPARAMVALUE>");
}
inline std::string GetRequest(const std::string& instanceName) {
  return InteropRequest("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + instanceName + "</IPARAMVALUE>");
}
inline std::string DeleteRequest(const std::string& instanceName) {
  return InteropRequest("DeleteInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + instanceName + "</IPARAMVALUE>");
}
inline std::string NamesRequest(const std::string& cls) {
  return InteropRequest("EnumerateInstanceNames",
                        "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"" + cls + "\"/></IPARAMVALUE>");
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
      const std::vector<std::string> seen = Events(m_received);
      return std::find(seen.begin(), seen.end(), last) != seen.end();
    });
    return Events(m_received);
  }
  std::vector<std::string> UntilCount(size_t count) { return Events(WaitFor(count)); }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
  }
  static std::vector<std::string> Events(const std::vector<zubwbem::ReceivedIndication>& received) {
    std::vector<std::string> out;
    for (const auto& r : received) out.push_back(r.className + " " + r.Text("EventID"));
    return out;
  }

 private:
  std::unique_ptr<zubwbem::IndicationListener> m_listener;
  std::thread m_thread;
  int m_port = 0;
  std::mutex m_mutex;
  std::condition_variable m_arrived;
  std::vector<zubwbem::ReceivedIndication> m_received;
};

}  // namespace wbemtest
