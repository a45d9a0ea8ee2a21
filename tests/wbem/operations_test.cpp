// Operations' flags, filters and refusals on the test catalogue (see wbem_fixture.h). What a client walking
// the served classes meets (every instance, path, association end, pulled piece, the common error codes) is
// checked by tools/conformance/cim-client-check.py.
#include <gtest/gtest.h>

#include "tests/wbem/wbem_fixture.h"

namespace {

using namespace wbemtest;
using V = std::vector<std::string>;

std::string Param(const char* name, const std::string& xml) {
  return std::string("<IPARAMVALUE NAME=\"") + name + "\">" + xml + "</IPARAMVALUE>";
}
std::string ClassParam(const char* name, const std::string& cls) {
  return Param(name, "<CLASSNAME NAME=\"" + cls + "\"/>");
}
std::string Text(const char* name, const std::string& value) { return Param(name, "<VALUE>" + value + "</VALUE>"); }
std::string Flag(const char* name, bool value) { return Text(name, value ? "TRUE" : "FALSE"); }
std::string Object(const std::string& instanceName) { return Param("ObjectName", instanceName); }
std::string Instance(const std::string& instanceName) { return Param("InstanceName", instanceName); }
std::string Properties(const std::string& values) {
  return Param("PropertyList", "<VALUE.ARRAY>" + values + "</VALUE.ARRAY>");
}

size_t Count(pugi::xml_node node, const char* child) {
  return std::distance(node.children(child).begin(), node.children(child).end());
}

// The key DeviceID (or Name) of each result, in order.
V Ids(pugi::xml_node returned) {
  V ids;
  for (pugi::xpath_node key : returned.select_nodes(".//INSTANCENAME/KEYBINDING[@NAME='DeviceID' or @NAME='Name']")) {
    if (std::string(key.node().parent().attribute("CLASSNAME").value()) != "ZUB_ScratchSystemDisk")
      ids.push_back(key.node().child_value("KEYVALUE"));
  }
  return ids;
}
// The NAME of each `element` child.
V Names(pugi::xml_node parent, const char* element) {
  V out;
  for (pugi::xml_node n : parent.children(element)) out.emplace_back(n.attribute("NAME").value());
  return out;
}

using Operations = WbemFixture;

TEST_F(Operations, EnumerationsAnswerInTheirShapesAndHonourTheirFlags) {
  pugi::xml_document doc = Op("EnumerateInstances", ClassParam("ClassName", "ZUB_StorageExtentDisk"));
  EXPECT_EQ(Ids(ReturnValue(doc)), (V{"11", "12", "21"})) << last.body;
  EXPECT_FALSE(ReturnValue(doc).select_node("//PROPERTY[@CLASSORIGIN]")) << "no class origins unless asked";

  // Through a standard parent: systems, disks, services (links are components).
  EXPECT_EQ(Count(ReturnValue(Op("EnumerateInstanceNames", ClassParam("ClassName", "CIM_ManagedElement"))),
                  "INSTANCENAME"), 2u + 3u + 2u);
  EXPECT_EQ(Ids(ReturnValue(Op("EnumerateInstanceNames", ClassParam("ClassName", "CIM_System")))), (V{"C1", "C2"}));

  // PropertyList and IncludeClassOrigin; DeepInheritance=FALSE keeps only
  // the properties the named class has (a standard class: its standard
  // ones, with the record's values where the record holds them).
  doc = Op("EnumerateInstances", ClassParam("ClassName", "ZUB_StorageExtentDisk") + Properties("<VALUE>model</VALUE>") +
                                     Flag("IncludeClassOrigin", true));
  pugi::xml_node instance = ReturnValue(doc).child("VALUE.NAMEDINSTANCE").child("INSTANCE");
  ASSERT_EQ(Names(instance, "PROPERTY"), V{"Model"});
  EXPECT_STREQ(instance.child("PROPERTY").attribute("CLASSORIGIN").value(), "ZUB_StorageExtentDisk");
  doc = Op("EnumerateInstances", ClassParam("ClassName", "CIM_StorageExtent") + Flag("DeepInheritance", false));
  EXPECT_EQ(Count(ReturnValue(doc), "VALUE.NAMEDINSTANCE"), 3u);
  instance = ReturnValue(doc).child("VALUE.NAMEDINSTANCE").child("INSTANCE");
  EXPECT_STREQ(instance.find_child_by_attribute("NAME", "DeviceID").child_value("VALUE"), "11");
  ASSERT_TRUE(instance.find_child_by_attribute("NAME", "BlockSize")) << "a standard property the record lacks: NULL";
  EXPECT_FALSE(instance.find_child_by_attribute("NAME", "BlockSize").child("VALUE"));
  EXPECT_FALSE(instance.find_child_by_attribute("NAME", "DiskUsage")) << "the subclass's own";
}

TEST_F(Operations, GetInstanceFindsByKeysOrRefusesAPathItCannotRead) {
  pugi::xml_document doc =
      Op("GetInstance", Instance(DiskName("12")) + Properties("<VALUE>DeviceID</VALUE><VALUE>SerialNumber</VALUE>"));
  pugi::xml_node instance = ReturnValue(doc).child("INSTANCE");
  EXPECT_EQ(Names(instance, "PROPERTY"), (V{"DeviceID", "SerialNumber"})) << last.body;
  EXPECT_STREQ(instance.find_child_by_attribute("NAME", "SerialNumber").child_value("VALUE"), "S12");

  std::string viaParent = DiskName("21");
  viaParent.replace(viaParent.find("ZUB_StorageExtentDisk"), 21, "CIM_StorageExtent");
  doc = Op("GetInstance", Instance(viaParent));
  EXPECT_STREQ(ReturnValue(doc).child("INSTANCE").attribute("CLASSNAME").value(), "ZUB_StorageExtentDisk");

  const std::string keyless = "<INSTANCENAME CLASSNAME=\"ZUB_StorageExtentDisk\"></INSTANCENAME>";
  EXPECT_EQ(ErrorOf(Op("GetInstance", Instance(keyless))), 4);
  std::string badKey = DiskName("11");
  badKey.replace(badKey.find("\"DeviceID\""), 10, "\"Serial\"");
  EXPECT_EQ(ErrorOf(Op("GetInstance", Instance(badKey))), 4);
  EXPECT_NE(last.body.find("Serial"), std::string::npos);
}

TEST_F(Operations, ClassesComeFromTheDescriptionsWithTheirParents) {
  const V roots = Names(ReturnValue(Op("EnumerateClassNames", "")), "CLASSNAME");
  for (const char* root : {"CIM_ManagedElement", "CIM_Indication", "CIM_Component"})
    EXPECT_NE(std::find(roots.begin(), roots.end(), root), roots.end()) << root;
  EXPECT_EQ(std::count_if(roots.begin(), roots.end(), [](const std::string& r) { return r.rfind("ZUB_", 0) == 0; }), 0);
  const V below = Names(ReturnValue(Op("EnumerateClassNames", ClassParam("ClassName", "CIM_LogicalDevice") +
                                                                   Flag("DeepInheritance", true))), "CLASSNAME");
  const auto at = [&](const char* name) { return std::find(below.begin(), below.end(), name) - below.begin(); };
  EXPECT_LT(at("CIM_StorageExtent"), at("ZUB_StorageExtentDisk")) << "parents first";
  EXPECT_LT(at("ZUB_StorageExtentDisk"), static_cast<long>(below.size()));
  EXPECT_EQ(at("CIM_LogicalDevice"), static_cast<long>(below.size())) << "not the class itself";

  const pugi::xml_document service = Op("GetClass", ClassParam("ClassName", "zub_scratchservice"));
  pugi::xml_node cls = ReturnValue(service).child("CLASS");
  EXPECT_STREQ(cls.attribute("SUPERCLASS").value(), "CIM_StorageConfigurationService");
  // By default only what the class declares itself: an override is the
  // class's own, an inherited property is not, an internal field never.
  const V local = Names(cls, "PROPERTY");
  EXPECT_NE(std::find(local.begin(), local.end(), "Name"), local.end());
  EXPECT_EQ(std::find(local.begin(), local.end(), "StartMode"), local.end());
  EXPECT_EQ(std::find(local.begin(), local.end(), "Reserved"), local.end());
  EXPECT_FALSE(cls.find_child_by_attribute("METHOD", "NAME", "PutData"));
  pugi::xml_node echo = cls.find_child_by_attribute("METHOD", "NAME", "Echo");
  EXPECT_STREQ(echo.attribute("TYPE").value(), "uint32");
  EXPECT_STREQ(echo.find_child_by_attribute("PARAMETER.ARRAY", "NAME", "InSizes").attribute("TYPE").value(), "uint64");
  EXPECT_STREQ(echo.find_child_by_attribute("PARAMETER.REFERENCE", "NAME", "InTarget").attribute("REFERENCECLASS")
                   .value(), "ZUB_StorageExtentDisk");
  EXPECT_TRUE(echo.find_child_by_attribute("PARAMETER.REFARRAY", "NAME", "InElements"));
  pugi::xml_node size = echo.find_child_by_attribute("PARAMETER", "NAME", "Size");
  EXPECT_EQ(Names(size, "QUALIFIER"), (V{"In", "Out"}));

  Op("GetClass", ClassParam("ClassName", "ZUB_ScratchService") + Flag("IncludeQualifiers", false));
  EXPECT_EQ(last.body.find("QUALIFIER"), std::string::npos);
  const pugi::xml_document link = Op("GetClass", ClassParam("ClassName", "ZUB_ScratchSystemDisk"));
  cls = ReturnValue(link).child("CLASS");
  EXPECT_STREQ(cls.child("QUALIFIER").attribute("NAME").value(), "Association");
  EXPECT_STREQ(cls.child("PROPERTY.REFERENCE").attribute("REFERENCECLASS").value(), "ZUB_ComputerSystem") << "narrowed";
  Call(IntrinsicRequest("GetClass", ClassParam("ClassName", "ZUB_ComputerSystem"), "root/interop"));
  EXPECT_NE(last.body.find("CODE=\"6\""), std::string::npos) << "a class of the other namespace";
}

TEST_F(Operations, AssociationsFollowTheLinksWithEveryFilter) {
  auto ids = [&](const char* op, const std::string& object, const std::string& filters) {
    pugi::xml_document doc = Op(op, Object(object) + filters);
    EXPECT_EQ(ErrorOf(doc), 0) << last.body;
    return Ids(ReturnValue(doc));
  };
  EXPECT_EQ(ids("AssociatorNames", DiskName("11"), ""), V{"C1"});
  EXPECT_EQ(ids("AssociatorNames", SystemName("C1"), ""), (V{"11", "12"}));
  EXPECT_EQ(ids("AssociatorNames", SystemName("C2"), ClassParam("AssocClass", "CIM_Component")), V{"21"});
  EXPECT_EQ(ids("AssociatorNames", SystemName("C2"), ClassParam("AssocClass", "ZUB_ScratchService")), V{});
  EXPECT_EQ(ids("AssociatorNames", SystemName("C1"), ClassParam("ResultClass", "CIM_StorageExtent")), (V{"11", "12"}));
  EXPECT_EQ(ids("AssociatorNames", SystemName("C1"), ClassParam("ResultClass", "CIM_System")), V{});
  EXPECT_EQ(ids("AssociatorNames", SystemName("C1"), Text("Role", "PartComponent")), V{});
  EXPECT_EQ(ids("AssociatorNames", SystemName("C1"), Text("ResultRole", "partcomponent")), (V{"11", "12"}));
  EXPECT_EQ(ids("AssociatorNames", SystemName("C1"), Text("ResultRole", "GroupComponent")), V{});

  pugi::xml_document doc = Op("AssociatorNames", Object(DiskName("12")));
  EXPECT_STREQ(doc.select_node("//OBJECTPATH/INSTANCEPATH/NAMESPACEPATH/HOST").node().child_value(), "testhost");
  doc = Op("Associators", Object(SystemName("C2")) + Properties("<VALUE>SerialNumber</VALUE>"));
  pugi::xml_node result = ReturnValue(doc).child("VALUE.OBJECTWITHPATH");
  EXPECT_TRUE(result.child("INSTANCEPATH"));
  EXPECT_EQ(Names(result.child("INSTANCE"), "PROPERTY"), V{"SerialNumber"});
  EXPECT_STREQ(result.child("INSTANCE").child("PROPERTY").child_value("VALUE"), "S21");

  doc = Op("ReferenceNames", Object(DiskName("21")));
  pugi::xml_node link = ReturnValue(doc).select_node("OBJECTPATH/INSTANCEPATH/INSTANCENAME").node();
  EXPECT_STREQ(link.attribute("CLASSNAME").value(), "ZUB_ScratchSystemDisk");
  EXPECT_TRUE(link.child("KEYBINDING").child("VALUE.REFERENCE").child("INSTANCEPATH"));
  auto refs = [&](const std::string& filters) {
    pugi::xml_document d = Op("References", Object(DiskName("21")) + filters);
    EXPECT_EQ(ErrorOf(d), 0) << last.body;
    return Count(ReturnValue(d), "VALUE.OBJECTWITHPATH");
  };
  EXPECT_EQ(refs(ClassParam("ResultClass", "CIM_SystemDevice")), 1u);
  EXPECT_EQ(refs(ClassParam("ResultClass", "ZUB_ScratchService")), 0u);
  EXPECT_EQ(refs(Text("Role", "GroupComponent")), 0u);

  EXPECT_EQ(ErrorOf(Op("Associators", Object("<INSTANCENAME CLASSNAME=\"ZUB_StorageExtentDisk\"></INSTANCENAME>"))), 4);
  EXPECT_EQ(ErrorOf(Op("Associators", Object(DiskName("11")) + ClassParam("AssocClass", "ZUB_Nope"))), 4);
  EXPECT_EQ(ErrorOf(Op("AssociatorNames", Object("<INSTANCENAME CLASSNAME=\"ZUB_Nothing\"><KEYBINDING NAME=\"K\">"
                                                  "<KEYVALUE>1</KEYVALUE></KEYBINDING></INSTANCENAME>"))), 4);
}

TEST_F(Operations, MethodsTakeReferenceAndArrayParametersAndAnswerWithTheirOutputs) {
  const std::string ns =
      R"(<LOCALNAMESPACEPATH><NAMESPACE NAME="root"/><NAMESPACE NAME="corvo_zub"/></LOCALNAMESPACEPATH>)";
  const std::string params =
      R"(<PARAMVALUE NAME="label"><VALUE>hi</VALUE></PARAMVALUE><PARAMVALUE NAME="InSizes"><VALUE.ARRAY>)"
      R"(<VALUE>1</VALUE><VALUE>18446744073709551615</VALUE></VALUE.ARRAY></PARAMVALUE>)"
      R"(<PARAMVALUE NAME="InForce"><VALUE>true</VALUE></PARAMVALUE><PARAMVALUE NAME="InTarget"><VALUE.REFERENCE>)"
      "<INSTANCEPATH><NAMESPACEPATH><HOST>127.0.0.1</HOST>" + ns + "</NAMESPACEPATH>" + DiskName("11") +
      R"(</INSTANCEPATH></VALUE.REFERENCE></PARAMVALUE><PARAMVALUE NAME="InElements" PARAMTYPE="reference">)"
      "<VALUE.REFARRAY><VALUE.REFERENCE><LOCALINSTANCEPATH>" + ns + DiskName("12") +
      "</LOCALINSTANCEPATH></VALUE.REFERENCE><VALUE.REFERENCE>" + DiskName("21") +
      R"(</VALUE.REFERENCE></VALUE.REFARRAY></PARAMVALUE><PARAMVALUE NAME="Size"><VALUE>21</VALUE></PARAMVALUE>)";
  pugi::xml_document doc = Call(MethodRequest("Echo", ServiceName("one"), params));
  pugi::xml_node rsp = doc.child("CIM").child("MESSAGE").child("SIMPLERSP").child("METHODRESPONSE");
  ASSERT_STREQ(rsp.attribute("NAME").value(), "Echo") << last.body;
  EXPECT_STREQ(rsp.first_child().name(), "RETURNVALUE");  // first, as clients require
  EXPECT_STREQ(rsp.child("RETURNVALUE").child_value("VALUE"), "0");
  auto out = [&](const char* name) { return rsp.find_child_by_attribute("PARAMVALUE", "NAME", name); };
  // Echo writes back what the library read: the label, the flag, the
  // internal field, and each reference's class, host, namespace and key.
  EXPECT_STREQ(out("OutText").child_value("VALUE"),
               "hi|force|kept|ZUB_StorageExtentDisk:11|testhost\\root\\corvo_zub:12|testhost\\root\\corvo_zub:21");
  EXPECT_STREQ(out("OutTarget").attribute("PARAMTYPE").value(), "reference");
  EXPECT_STREQ(out("OutTarget").select_node("VALUE.REFERENCE/INSTANCEPATH/NAMESPACEPATH/HOST").node().child_value(),
               "127.0.0.1");
  EXPECT_EQ(Count(out("OutSizes").child("VALUE.ARRAY"), "VALUE"), 2u);
  EXPECT_STREQ(out("Size").child_value("VALUE"), "42");
  EXPECT_FALSE(out("OutNothing"));  // NULL outputs are left out
  EXPECT_FALSE(out("Label"));       // inputs are not echoed

  const char* fail = R"(<PARAMVALUE NAME="Label"><VALUE>fail</VALUE></PARAMVALUE>)";
  doc = Call(MethodRequest("Echo", "ZUB_ScratchService", fail));
  EXPECT_STREQ(doc.select_node("//RETURNVALUE").node().child_value("VALUE"), "4");  // an outcome, not an error
  const std::tuple<const char*, std::string, std::string, int> kRefused[] = {  // method, target, parameters, code
      {"Echo", ServiceName("one"), R"(<PARAMVALUE NAME="Label"><VALUE>status</VALUE></PARAMVALUE>)", 1},
      {"Nope", ServiceName("one"), "", 17},
      {"PutData", ServiceName("one"), "", 17},  // ModifyInstance's, not a method
      {"Echo", ServiceName("three"), "", 6},
      {"Echo", ServiceName("one"), R"(<PARAMVALUE NAME="OutText"><VALUE>x</VALUE></PARAMVALUE>)", 4},
      {"Echo", ServiceName("one"), R"(<PARAMVALUE NAME="Size"><VALUE>big</VALUE></PARAMVALUE>)", 4},
      {"Echo", ServiceName("one"),
       R"(<PARAMVALUE NAME="InTarget"><VALUE.REFERENCE><INSTANCENAME CLASSNAME="ZUB_X"><KEYBINDING NAME="Id">)"
       R"(<KEYVALUE>a,b</KEYVALUE></KEYBINDING></INSTANCENAME></VALUE.REFERENCE></PARAMVALUE>)", 4},
      {"Echo", ServiceName("one"), R"(<PARAMVALUE NAME="Colour"><VALUE>red</VALUE></PARAMVALUE>)", 4},
  };
  for (const auto& [method, target, params, code] : kRefused)
    EXPECT_EQ(ErrorOf(Call(MethodRequest(method, target, params))), code) << method << params;
  EXPECT_NE(last.body.find("Colour"), std::string::npos) << "the error names the parameter";
}

TEST_F(Operations, ModifyInstanceWritesThroughPutData) {
  auto modify = [&](const std::string& cls, const std::string& name, const std::string& props,
                    const std::string& propertyList = "") {
    return ErrorOf(Call(ModifyRequest("root/corvo_zub", name, cls, props, propertyList)));
  };
  const stScratchService& two = Service().source[1];
  ASSERT_EQ(modify("ZUB_ScratchService", ServiceName("two"), Property("Text", "string", "new") +
                   Property("Big", "uint64", "9"), "<VALUE>Text</VALUE>"), 0) << last.body;
  EXPECT_EQ(last.body.find("IRETURNVALUE"), std::string::npos) << "a void operation";
  EXPECT_EQ(two.Text.Str(), L"new");
  EXPECT_EQ(two.Big, 0u);  // not in the PropertyList
  EXPECT_EQ(two.Reserved.Str(), L"kept");

  // Without a PropertyList every property given is written and what is left
  // out stays; a property named in the PropertyList and left out is cleared.
  ASSERT_EQ(modify("ZUB_ScratchService", ServiceName("two"), Property("Big", "uint64", "9")), 0) << last.body;
  EXPECT_EQ(two.Big, 9u);
  EXPECT_EQ(two.Text.Str(), L"new");
  ASSERT_EQ(modify("ZUB_ScratchService", ServiceName("two"), Property("Text", "string", "newer"),
                   "<VALUE>Text</VALUE><VALUE>Big</VALUE><VALUE>Name</VALUE>"), 0) << last.body;
  EXPECT_EQ(two.Text.Str(), L"newer");
  EXPECT_EQ(two.Big, 0u);

  EXPECT_EQ(modify("ZUB_ScratchService", ServiceName("two"), Property("Name", "string", "x")), 4) << "a key";
  EXPECT_EQ(modify("ZUB_ScratchService", ServiceName("two"), Property("Colour", "string", "x")), 4);
  EXPECT_EQ(modify("ZUB_ScratchService", ServiceName("nine"), ""), 6);
  EXPECT_EQ(modify("ZUB_ComputerSystem", SystemName("C1"), ""), 7) << "no PutData";
  Service().putStatus = PROVIDER_FAILED;
  EXPECT_EQ(modify("ZUB_ScratchService", ServiceName("two"), ""), 1);
}

// Pulled enumerations hand out their objects in pieces, and refuse what they
// do not do with their own codes. (The client check pulls every class and
// the associators in pieces of 7 after an open that returns nothing; here an
// open returns one, the rest come two by two, and references are pulled too.)
TEST_F(Operations, PulledEnumerationsGiveWhatTheOneShotOperationsGiveInPieces) {
  auto param = [](const pugi::xml_document& doc, const char* name) {
    return doc.select_node((std::string("//IMETHODRESPONSE/PARAMVALUE[@NAME='") + name + "']").c_str()).node();
  };
  auto objects = [](const pugi::xml_document& doc) {
    return Count(ReturnValue(doc), "VALUE.INSTANCEWITHPATH") + Count(ReturnValue(doc), "INSTANCEPATH");
  };
  size_t pulled = 0;  // objects of the last pullAll
  auto pullAll = [&](const std::string& open, const std::string& params, const char* pull) {
    pugi::xml_document doc = Op(open, params + Text("MaxObjectCount", "1"));
    EXPECT_EQ(objects(doc), 1u) << last.body;
    V ids = Ids(ReturnValue(doc));
    pulled = objects(doc);
    auto more = [&] { return std::string(param(doc, "EndOfSequence").child_value("VALUE")) == "FALSE"; };
    for (int pulls = 0; more() && pulls < 10; ++pulls) {
      doc = Op(pull, Text("EnumerationContext", param(doc, "EnumerationContext").child_value("VALUE")) +
                         Text("MaxObjectCount", "2"));
      EXPECT_EQ(ErrorOf(doc), 0) << last.body;
      EXPECT_TRUE(objects(doc) == 2u || (!more() && objects(doc) < 2u)) << "full pieces but the last";
      for (const std::string& id : Ids(ReturnValue(doc))) ids.push_back(id);
      pulled += objects(doc);
    }
    EXPECT_FALSE(param(doc, "EnumerationContext").child("VALUE")) << "a finished enumeration names no context";
    return ids;
  };
  EXPECT_EQ(pullAll("OpenEnumerateInstancePaths", ClassParam("ClassName", "CIM_ManagedElement"), "PullInstancePaths"),
            (V{"C1", "C2", "11", "12", "21", "one", "two"}));
  pullAll("OpenReferenceInstances", Instance(SystemName("C1")), "PullInstancesWithPath");
  EXPECT_EQ(pulled, 2u);

  // Instances come with their paths and honour the PropertyList.
  const std::string disks = ClassParam("ClassName", "ZUB_StorageExtentDisk");
  pugi::xml_document doc = Op("OpenEnumerateInstances", disks + Properties("<VALUE>Model</VALUE>") +
                                                          Text("MaxObjectCount", "5"));
  pugi::xml_node first = ReturnValue(doc).child("VALUE.INSTANCEWITHPATH");
  EXPECT_TRUE(first.child("INSTANCEPATH").child("NAMESPACEPATH"));
  EXPECT_EQ(Names(first.child("INSTANCE"), "PROPERTY"), V{"Model"});
  EXPECT_STREQ(param(doc, "EndOfSequence").child_value("VALUE"), "TRUE");

  // A context is pulled only by its own kind, and is gone once closed.
  doc = Op("OpenEnumerateInstancePaths", disks);
  const std::string context = param(doc, "EnumerationContext").child_value("VALUE");
  ASSERT_FALSE(context.empty()) << "MaxObjectCount absent: nothing at the open";
  const std::string one = Text("EnumerationContext", context) + Text("MaxObjectCount", "1");
  EXPECT_EQ(ErrorOf(Op("PullInstancesWithPath", one)), 21);
  EXPECT_EQ(ErrorOf(Op("CloseEnumeration", Text("EnumerationContext", context))), 0);
  EXPECT_EQ(ErrorOf(Op("PullInstancePaths", one)), 21);
  EXPECT_EQ(ErrorOf(Op("CloseEnumeration", Text("EnumerationContext", context))), 21);
  EXPECT_EQ(ErrorOf(Op("PullInstancePaths", Text("EnumerationContext", "zubcim-1-1"))), 4) << "needs MaxObjectCount";

  EXPECT_EQ(ErrorOf(Op("OpenEnumerateInstances", disks + Flag("ContinueOnError", true))), 26);
  EXPECT_EQ(ErrorOf(Op("OpenEnumerateInstances", disks + Text("OperationTimeout", "0"))), 22);
  EXPECT_EQ(ErrorOf(Op("OpenEnumerateInstances", disks + Text("MaxObjectCount", "-1"))), 4);
  EXPECT_EQ(ErrorOf(Op("OpenEnumerateInstances", ClassParam("ClassName", "ZUB_Nothing"))), 5);
}

TEST_F(Operations, BadRequestsEndInTheMatchingError) {
  const std::string systems = ClassParam("ClassName", "ZUB_ComputerSystem");
  EXPECT_EQ(ErrorOf(Call(IntrinsicRequest("EnumerateInstances", systems, "root/cimv2"))), 3);
  EXPECT_NE(last.body.find("root/cimv2"), std::string::npos);
  EXPECT_EQ(ErrorOf(Op("EnumerateInstances", ClassParam("ClassName", "ZUB_Nothing"))), 5);
  EXPECT_NE(last.body.find("ZUB_Nothing"), std::string::npos);
  EXPECT_EQ(ErrorOf(Op("EnumerateInstances", systems + Flag("Colour", true))), 4);
  EXPECT_NE(last.body.find("Colour"), std::string::npos);
  EXPECT_EQ(ErrorOf(Op("EnumerateInstances", Text("ClassName", "x"))), 4);
  EXPECT_EQ(ErrorOf(Op("EnumerateInstances", systems + Text("DeepInheritance", "perhaps"))), 4);
  EXPECT_EQ(ErrorOf(Op("EnumerationCount", "")), 7);
  EXPECT_EQ(ErrorOf(Op("EnumerateClassNames", ClassParam("ClassName", "ZUB_Nothing"))), 5);

  // Refused before any operation: the HTTP status and CIMError header.
  const zubwbem::CimHeaders good{"MethodCall", "EnumerateInstances", "root%2Fcorvo_zub", "1.0",
                                 "application/xml; charset=\"utf-8\""};
  const std::string request = IntrinsicRequest("EnumerateInstances", systems);
  auto refused = [&](const std::string& body, void (*change)(zubwbem::CimHeaders&)) {
    zubwbem::CimHeaders headers = good;
    if (change) change(headers);
    zubwbem::Outcome o = ops.Handle(body, headers);
    return std::to_string(o.http) + " " + o.cimError;
  };
  EXPECT_EQ(refused(request, nullptr), "200 ");
  EXPECT_EQ(refused("<CIM><MESSAGE ID=\"1\"><SIMPLEREQ><IMETHODCALL NAME=\"x\"></SIMPLEREQ>", nullptr),
            "400 request-not-well-formed");
  EXPECT_EQ(refused("<NOTCIM/>", nullptr), "400 request-not-valid");
  EXPECT_EQ(refused("<CIM CIMVERSION=\"3.0\"/>", nullptr), "501 unsupported-cim-version");
  EXPECT_EQ(refused("<CIM><MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><MULTIREQ/></MESSAGE></CIM>", nullptr),
            "501 multiple-requests-unsupported");
  EXPECT_EQ(refused(request, [](zubwbem::CimHeaders& h) { h.cimOperation = ""; }), "400 unsupported-operation");
  EXPECT_EQ(refused(request, [](zubwbem::CimHeaders& h) { h.cimMethod = "GetInstance"; }), "400 header-mismatch");
  EXPECT_EQ(refused(request, [](zubwbem::CimHeaders& h) { h.contentType = "text/json"; }), "400 header-mismatch");
  EXPECT_EQ(refused(request, [](zubwbem::CimHeaders& h) { h.protocolVersion = "2.0"; }),
            "501 unsupported-protocol-version");
}

// LocalOnly, IncludeClassOrigin and PropertyList shape a class; qualifier
// declarations are found by any case of their name. (The client check reads
// every class whole, with the declarations and error codes clients use.)
TEST_F(Operations, ClassOperationsHonourTheirFlagsAndQualifiersAreDeclared) {
  // Each answer's document outlives the nodes read from it.
  const pugi::xml_document whole = Op("GetClass", ClassParam("ClassName", "ZUB_ScratchService") +
                                                      Flag("LocalOnly", false) + Flag("IncludeClassOrigin", true));
  pugi::xml_node cls = ReturnValue(whole).child("CLASS");
  pugi::xml_node start = cls.find_child_by_attribute("PROPERTY", "NAME", "StartMode");
  EXPECT_STREQ(start.attribute("CLASSORIGIN").value(), "CIM_Service");
  EXPECT_STREQ(start.attribute("PROPAGATED").value(), "true");
  EXPECT_TRUE(start.find_child_by_attribute("QUALIFIER", "NAME", "ValueMap").child("VALUE.ARRAY"));
  EXPECT_STREQ(cls.find_child_by_attribute("PROPERTY", "NAME", "Name").attribute("CLASSORIGIN").value(),
               "CIM_ManagedSystemElement");
  EXPECT_TRUE(cls.find_child_by_attribute("METHOD", "NAME", "StartService")) << "inherited methods too";
  const pugi::xml_document profile = Op("GetClass", ClassParam("ClassName", "CIM_RegisteredProfile") +
                                                        Flag("LocalOnly", false) +
                                                        Properties("<VALUE>RegisteredOrganization</VALUE>"));
  EXPECT_EQ(Names(ReturnValue(profile).child("CLASS"), "PROPERTY"), V{"RegisteredOrganization"});

  const pugi::xml_document key = Op("GetQualifier", Text("QualifierName", "key"));
  EXPECT_STREQ(ReturnValue(key).child("QUALIFIER.DECLARATION").child("SCOPE").attribute("PROPERTY").value(), "true");
}

TEST(Schema, TheCatalogueNamesOnlyKnownStandardClassesAndNoClassIsServedTwice) {
  zubwbem::Schema schema(ClassCatalog());
  EXPECT_EQ(schema.Problem(), "");
  for (const ClassDesc& desc : ClassCatalog()) {
    const zubwbem::CimClass* cls = schema.Find(zubwbem::NamespaceOfClass(desc.name), desc.name);
    ASSERT_NE(cls, nullptr) << desc.name;
    EXPECT_EQ(cls->desc, &desc);
    EXPECT_TRUE(schema.IsA(*cls, "CIM_ManagedElement") || cls->association) << desc.name;
  }
  // A text where the standard class has a code: the code says "Other"
  // (1) and the text goes where the standard class says what Other means.
  const zubwbem::CimClass* scsi = schema.Find("root/corvo_zub", "ZUB_SCSIProtocolController");
  ASSERT_NE(scsi, nullptr);
  const zubwbem::CimProperty* format = scsi->FindProperty("NameFormat");
  const zubwbem::CimProperty* otherFormat = scsi->FindProperty("OtherNameFormat");
  ASSERT_TRUE(format && otherFormat && otherFormat->field);
  EXPECT_EQ(format->field, nullptr);
  EXPECT_EQ(format->constant, std::optional<std::string>("1"));
  EXPECT_STREQ(otherFormat->field->CimName(), "NameFormat");
}

}  // namespace
