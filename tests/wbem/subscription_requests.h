// subscription_requests.h: the CreateInstance bodies a client (pywbem)
// sends to subscribe for indications in root/interop, and the paths of what
// they create, for the subscription and indication tests.
#pragma once

#include <string>

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

}  // namespace wbemtest
