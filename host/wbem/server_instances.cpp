// server_instances.cpp: the server's own instances of the interop namespace.
#include "host/wbem/server_instances.h"

#include <initializer_list>
#include <utility>

#include "host/wbem/provider_gate.h"
#include "host/wbem/pull_limits.h"

namespace zubwbem {

const char* const kServerBrand = "zubcim";
const char* const kServerProfileVersion = "1.6.0";

namespace {

const char* const kObjectManagerClass = "ZUBCIM_ObjectManager";
const char* const kSystemClass = "ZUBCIM_ComputerSystem";
const char* const kProfileClass = "ZUBCIM_RegisteredProfile";

// A property's value: one text, a list of texts, or a reference.
struct Set {
  const char* name;
  CimValue value;
};

CimValue Text(std::string text) { return CimValue{false, {std::move(text)}, {}}; }
CimValue Texts(std::initializer_list<std::string> texts) { return CimValue{false, texts, {}}; }
CimValue Ref(const CimPath& path) { return CimValue{false, {}, {path}}; }

// An instance of `cls` with these values; its path from the class's keys.
Instance Make(const CimClass& cls, const std::string& host, std::initializer_list<Set> values) {
  Instance out;
  out.cls = &cls;
  out.values.resize(cls.properties.size());
  for (const Set& set : values) {
    for (size_t i = 0; i < cls.properties.size(); ++i) {
      if (EqualsNoCase(cls.properties[i].name, set.name)) out.values[i] = set.value;
    }
  }
  out.path = PathOf(cls, out.values, host);
  return out;
}

}  // namespace

ServerInstances::ServerInstances(Schema& schema, const ServerIdentity& id, ProviderGate& gate) {
  const std::string& interop = InteropNs();
  const CimClass& system = schema.AddHostClass(interop, kSystemClass, "CIM_ComputerSystem",
                                               "The machine the CIM server runs on");
  const CimClass& manager = schema.AddHostClass(interop, kObjectManagerClass, "CIM_ObjectManager",
                                                "The CIM server: zubcim serve");
  const CimClass& profile = schema.AddHostClass(interop, kProfileClass, "CIM_RegisteredProfile",
                                                "A profile the CIM server itself implements");
  const auto standard = [&](const char* name) -> const CimClass& { return *schema.Find(interop, name); };
  const std::string& host = id.hostName;

  m_instances.push_back(Make(system, host, {{"CreationClassName", Text(kSystemClass)},
                                            {"Name", Text(host)},
                                            {"ElementName", Text(host)},
                                            {"NameFormat", Text("IP")},
                                            {"Dedicated", Texts({"0"})},  // not dedicated
                                            {"OperationalStatus", Texts({"2"})}}));
  const CimPath systemPath = m_instances.back().path;
  m_objectManager = m_instances.size();
  m_instances.push_back(Make(manager, host, {{"SystemCreationClassName", Text(kSystemClass)},
                                             {"SystemName", Text(host)},
                                             {"CreationClassName", Text(kObjectManagerClass)},
                                             {"Name", Text(kServerBrand)},
                                             {"ElementName", Text(kServerBrand)},
                                             {"Description", Text(std::string(kServerBrand) + " " + id.version)},
                                             {"Started", Text("TRUE")},
                                             {"EnabledState", Text("2")},
                                             {"OperationalStatus", Texts({"2"})},
                                             {"GatherStatisticalData", Text("FALSE")}}));
  const CimPath managerPath = m_instances.back().path;
  m_instances.push_back(Make(standard("CIM_HostedService"), host,
                             {{"Antecedent", Ref(systemPath)}, {"Dependent", Ref(managerPath)}}));

  for (const std::string& ns : schema.Namespaces()) {
    m_instances.push_back(Make(standard("CIM_Namespace"), host,
                               {{"SystemCreationClassName", Text(kSystemClass)},
                                {"SystemName", Text(host)},
                                {"ObjectManagerCreationClassName", Text(kObjectManagerClass)},
                                {"ObjectManagerName", Text(kServerBrand)},
                                {"CreationClassName", Text("CIM_Namespace")},
                                {"Name", Text(ns)},
                                {"ClassInfo", Text("0")},
                                {"ClassType", Text("2")}}));  // CIM
    const CimPath nsPath = m_instances.back().path;
    m_instances.push_back(Make(standard("CIM_NamespaceInManager"), host,
                               {{"Antecedent", Ref(managerPath)}, {"Dependent", Ref(nsPath)}}));
  }

  m_instances.push_back(Make(standard("CIM_CIMXMLCommunicationMechanism"), host,
                             {{"SystemCreationClassName", Text(kSystemClass)},
                              {"SystemName", Text(host)},
                              {"CreationClassName", Text("CIM_CIMXMLCommunicationMechanism")},
                              {"Name", Text(std::string(kServerBrand) + ":CIM-XML")},
                              {"CommunicationMechanism", Text("2")},  // CIM-XML
                              {"Version", Text("1.0.0")},
                              {"CIMXMLProtocolVersion", Text("1")},   // 1.0
                              {"MultipleOperationsSupported", Text("FALSE")},
                              {"AuthenticationMechanismsSupported", Texts({id.basicAuthentication ? "3" : "2"})},
                              // Basic Read, Instance Manipulation, Association Traversal,
                              // Indications, Pulled Read. Not Basic Write (SetProperty) nor
                              // Qualifier Declaration (qualifiers are read, never set).
                              {"FunctionalProfilesSupported", Texts({"2", "5", "6", "9", "10"})},
                              {"CIMValidated", Text("FALSE")},
                              {"PulledEnumerationClosureOnExceedingServerLimitsSupported", Text("FALSE")},
                              {"PulledEnumerationContinuationOnErrorSupported", Text("FALSE")},
                              {"PulledEnumerationMaximumOperationTimeout", Text(std::to_string(kPullLongestTimeout))},
                              {"PulledEnumerationMinimumOperationTimeout", Text(std::to_string(kPullShortestTimeout))},
                              {"PulledEnumerationNoOperationTimeoutSupported", Text("FALSE")},
                              {"OperationalStatus", Texts({"2"})},
                              {"EnabledState", Text("2")}}));
  const CimPath mechanismPath = m_instances.back().path;
  m_instances.push_back(Make(standard("CIM_CommMechanismForManager"), host,
                             {{"Antecedent", Ref(managerPath)}, {"Dependent", Ref(mechanismPath)}}));

  m_instances.push_back(Make(profile, host, {{"InstanceID", Text("ZUBCIM:SNIA:Server")},
                                             {"RegisteredOrganization", Text("11")},  // SNIA
                                             {"RegisteredName", Text("Server")},
                                             {"RegisteredVersion", Text(kServerProfileVersion)},
                                             {"AdvertiseTypes", Texts({"2"})},  // not advertised
                                             {"ElementName", Text("SNIA:Server")}}));
  const CimPath serverProfile = m_instances.back().path;
  const CimClass& conforms = standard("CIM_ElementConformsToProfile");
  m_instances.push_back(Make(conforms, host, {{"ConformantStandard", Ref(serverProfile)}, {"ManagedElement", Ref(managerPath)}}));
  // The object manager delivers the library's indications: it conforms to
  // the library's own Indication profile.
  for (const CimClass* profiles : schema.Served(interop, "CIM_RegisteredProfile")) {
    for (const Instance& registered : gate.List(*profiles)) {
      const CimValue* name = registered.Value("RegisteredName");
      if (!name || name->items.empty() || name->items.front() != "Indication") continue;
      m_instances.push_back(Make(conforms, host, {{"ConformantStandard", Ref(registered.path)},
                                                  {"ManagedElement", Ref(managerPath)}}));
    }
  }
}

std::vector<const Instance*> ServerInstances::Of(const Schema& schema, const CimClass& cls) const {
  std::vector<const Instance*> out;
  for (const Instance& instance : m_instances) {
    if (EqualsNoCase(instance.cls->nameSpace, cls.nameSpace) && schema.IsA(*instance.cls, cls.name))
      out.push_back(&instance);
  }
  return out;
}

std::vector<const Instance*> ServerInstances::In(std::string_view ns) const {
  std::vector<const Instance*> out;
  for (const Instance& instance : m_instances) {
    if (EqualsNoCase(instance.cls->nameSpace, ns)) out.push_back(&instance);
  }
  return out;
}

}  // namespace zubwbem
