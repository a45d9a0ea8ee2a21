// Every operation's response shape, its parameters, and the errors it ends
// with, on the test catalogue (see wbem_fixture.h).
#include <gtest/gtest.h>

#include <map>

#include <sstream>

#include "tests/wbem/wbem_fixture.h"

namespace {

using namespace wbemtest;

std::string ClassParam(const char* name, const std::string& cls) {
  return std::string("<IPARAMVALUE NAME=\"") + name + "\"><CLASSNAME NAME=\"" + cls + "\"/></IPARAMVALUE>";
}
std::string Flag(const char* name, bool value) {
  return std::string("<IPARAMVALUE NAME=\"") + name + "\"><VALUE>" + (value ? "TRUE" : "FALSE") + "</VALUE></IPARAMVALUE>";
}
std::string Text(const char* name, const std::string& value) {
  return std::string("<IPARAMVALUE NAME=\"") + name + "\"><VALUE>" + value + "</VALUE></IPARAMVALUE>";
}
std::string Object(const std::string& instanceName) {
  return "<IPARAMVALUE NAME=\"ObjectName\">" + instanceName + "</IPARAMVALUE>";
}
std::string Properties(const std::string& values) {
  return "<IPARAMVALUE NAME=\"PropertyList\"><VALUE.ARRAY>" + values + "</VALUE.ARRAY></IPARAMVALUE>";
}

size_t Count(pugi::xml_node node, const char* child) {
  size_t n = 0;
  for (pugi::xml_node c : node.children(child)) {
    (void)c;
    ++n;
  }
  return n;
}

// The key DeviceID (or Name) of each result, in order.
std::vector<std::string> Ids(pugi::xml_node returned) {
  std::vector<std::string> ids;
  for (pugi::xpath_node key : returned.select_nodes(".//INSTANCENAME/KEYBINDING[@NAME='DeviceID' or @NAME='Name']")) {
    if (std::string(key.node().parent().attribute("CLASSNAME").value()) != "ZUB_ScratchSystemDisk")
      ids.push_back(key.node().child_value("KEYVALUE"));
  }
  return ids;
}

using Operations = WbemFixture;

TEST_F(Operations, EnumerationsAnswerInTheirShapesAndHonourTheirFlags) {
  pugi::xml_document doc = Op("EnumerateInstances", ClassParam("ClassName", "ZUB_StorageExtentDisk"));
  pugi::xml_node ret = ReturnValue(doc);
  ASSERT_EQ(Count(ret, "VALUE.NAMEDINSTANCE"), 3u) << last.body;
  pugi::xml_node first = ret.child("VALUE.NAMEDINSTANCE");
  EXPECT_TRUE(first.child("INSTANCENAME"));
  EXPECT_STREQ(first.child("INSTANCE").attribute("CLASSNAME").value(), "ZUB_StorageExtentDisk");
  EXPECT_EQ(Ids(ret), (std::vector<std::string>{"11", "12", "21"}));
  EXPECT_FALSE(first.child("INSTANCE").child("PROPERTY").attribute("CLASSORIGIN"));

  // Through a standard parent, names only.
  doc = Op("EnumerateInstanceNames", ClassParam("ClassName", "CIM_ManagedElement"));
  ret = ReturnValue(doc);
  EXPECT_EQ(Count(ret, "INSTANCENAME"), 2u + 3u + 2u);  // systems, disks, services (links are components)
  doc = Op("EnumerateInstanceNames", ClassParam("ClassName", "CIM_System"));
  EXPECT_EQ(Ids(ReturnValue(doc)), (std::vector<std::string>{"C1", "C2"}));

  // PropertyList and IncludeClassOrigin; DeepInheritance=FALSE keeps only
  // the properties the named class has (a standard class: its standard
  // ones, with the record's values where the record holds them).
  doc = Op("EnumerateInstances", ClassParam("ClassName", "ZUB_StorageExtentDisk") + Properties("<VALUE>model</VALUE>") +
                                     Flag("IncludeClassOrigin", true));
  pugi::xml_node instance = ReturnValue(doc).child("VALUE.NAMEDINSTANCE").child("INSTANCE");
  ASSERT_EQ(Count(instance, "PROPERTY"), 1u);
  EXPECT_STREQ(instance.child("PROPERTY").attribute("NAME").value(), "Model");
  EXPECT_STREQ(instance.child("PROPERTY").attribute("CLASSORIGIN").value(), "ZUB_StorageExtentDisk");
  doc = Op("EnumerateInstances", ClassParam("ClassName", "CIM_StorageExtent") + Flag("DeepInheritance", false));
  ret = ReturnValue(doc);
  EXPECT_EQ(Count(ret, "VALUE.NAMEDINSTANCE"), 3u);
  std::map<std::string, pugi::xml_node> shallow;
  for (pugi::xml_node p : ret.child("VALUE.NAMEDINSTANCE").child("INSTANCE").children()) shallow[p.attribute("NAME").value()] = p;
  EXPECT_STREQ(shallow["DeviceID"].child_value("VALUE"), "11");
  EXPECT_TRUE(shallow.count("BlockSize")) << "a standard property the record lacks: NULL";
  EXPECT_FALSE(shallow["BlockSize"].child("VALUE"));
  EXPECT_FALSE(shallow.count("DiskUsage")) << "the subclass's own";
}

TEST_F(Operations, GetInstanceFindsByKeysOrSaysNotFound) {
  pugi::xml_document doc = Op("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + DiskName("12") + "</IPARAMVALUE>" +
                                                 Properties("<VALUE>DeviceID</VALUE><VALUE>SerialNumber</VALUE>"));
  pugi::xml_node instance = ReturnValue(doc).child("INSTANCE");
  ASSERT_TRUE(instance) << last.body;
  EXPECT_FALSE(instance.next_sibling("INSTANCE"));
  EXPECT_STREQ(instance.find_child_by_attribute("NAME", "SerialNumber").child_value("VALUE"), "S12");
  EXPECT_EQ(Count(instance, "PROPERTY"), 2u);

  std::string viaParent = DiskName("21");
  viaParent.replace(viaParent.find("ZUB_StorageExtentDisk"), 21, "CIM_StorageExtent");
  doc = Op("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + viaParent + "</IPARAMVALUE>");
  EXPECT_STREQ(ReturnValue(doc).child("INSTANCE").attribute("CLASSNAME").value(), "ZUB_StorageExtentDisk");

  EXPECT_EQ(ErrorOf(Op("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + DiskName("99") + "</IPARAMVALUE>")), 6);
  EXPECT_EQ(ErrorOf(Op("GetInstance",
                       "<IPARAMVALUE NAME=\"InstanceName\"><INSTANCENAME CLASSNAME=\"ZUB_StorageExtentDisk\"></INSTANCENAME></IPARAMVALUE>")),
            4);
  std::string badKey = DiskName("11");
  badKey.replace(badKey.find("\"DeviceID\""), 10, "\"Serial\"");
  doc = Op("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + badKey + "</IPARAMVALUE>");
  EXPECT_EQ(ErrorOf(doc), 4);
  EXPECT_NE(last.body.find("Serial"), std::string::npos);
}

TEST_F(Operations, ClassesComeFromTheDescriptionsWithTheirParents) {
  pugi::xml_document doc = Op("EnumerateClassNames", "");
  std::vector<std::string> roots;
  for (pugi::xml_node c : ReturnValue(doc).children("CLASSNAME")) roots.emplace_back(c.attribute("NAME").value());
  for (const char* root : {"CIM_ManagedElement", "CIM_Indication", "CIM_Component"})
    EXPECT_NE(std::find(roots.begin(), roots.end(), root), roots.end()) << root;
  EXPECT_EQ(std::count_if(roots.begin(), roots.end(), [](const std::string& r) { return r.rfind("ZUB_", 0) == 0; }), 0);
  doc = Op("EnumerateClassNames", ClassParam("ClassName", "CIM_LogicalDevice") + Flag("DeepInheritance", true));
  std::vector<std::string> below;
  for (pugi::xml_node c : ReturnValue(doc).children("CLASSNAME")) below.emplace_back(c.attribute("NAME").value());
  const auto at = [&](const char* name) { return std::find(below.begin(), below.end(), name) - below.begin(); };
  EXPECT_LT(at("CIM_StorageExtent"), at("ZUB_StorageExtentDisk")) << "parents first";
  EXPECT_LT(at("ZUB_StorageExtentDisk"), static_cast<long>(below.size()));
  EXPECT_EQ(at("CIM_LogicalDevice"), static_cast<long>(below.size())) << "not the class itself";

  doc = Op("GetClass", ClassParam("ClassName", "zub_scratchservice"));
  pugi::xml_node cls = ReturnValue(doc).child("CLASS");
  EXPECT_STREQ(cls.attribute("SUPERCLASS").value(), "CIM_StorageConfigurationService");
  EXPECT_TRUE(cls.find_child_by_attribute("PROPERTY", "NAME", "Name").find_child_by_attribute("QUALIFIER", "NAME", "Key"));
  EXPECT_FALSE(cls.find_child_by_attribute("PROPERTY", "NAME", "Reserved"));
  EXPECT_FALSE(cls.find_child_by_attribute("METHOD", "NAME", "PutData"));
  pugi::xml_node echo = cls.find_child_by_attribute("METHOD", "NAME", "Echo");
  EXPECT_STREQ(echo.attribute("TYPE").value(), "uint32");
  EXPECT_STREQ(echo.find_child_by_attribute("PARAMETER.ARRAY", "NAME", "InSizes").attribute("TYPE").value(), "uint64");
  EXPECT_STREQ(echo.find_child_by_attribute("PARAMETER.REFERENCE", "NAME", "InTarget").attribute("REFERENCECLASS").value(),
               "ZUB_StorageExtentDisk");
  EXPECT_TRUE(echo.find_child_by_attribute("PARAMETER.REFARRAY", "NAME", "InElements"));
  pugi::xml_node size = echo.find_child_by_attribute("PARAMETER", "NAME", "Size");
  EXPECT_TRUE(size.find_child_by_attribute("QUALIFIER", "NAME", "In") && size.find_child_by_attribute("QUALIFIER", "NAME", "Out"));

  doc = Op("GetClass", ClassParam("ClassName", "ZUB_ScratchService") + Flag("IncludeQualifiers", false));
  EXPECT_EQ(last.body.find("QUALIFIER"), std::string::npos);
  doc = Op("GetClass", ClassParam("ClassName", "ZUB_ScratchSystemDisk"));
  cls = ReturnValue(doc).child("CLASS");
  EXPECT_STREQ(cls.child("QUALIFIER").attribute("NAME").value(), "Association");
  EXPECT_STREQ(cls.child("PROPERTY.REFERENCE").attribute("REFERENCECLASS").value(), "ZUB_ComputerSystem");

  doc = Call(IntrinsicRequest("GetClass", ClassParam("ClassName", "ZUB_ComputerSystem"), "root/interop"));
  EXPECT_EQ(ErrorOf(doc), 6) << "GetClass of a class the namespace lacks: NOT_FOUND";
  doc = Call(IntrinsicRequest("EnumerateClassNames", "", "root/interop"));
  EXPECT_EQ(ErrorOf(doc), 0);
}

TEST_F(Operations, AssociationsFollowTheLinksWithEveryFilter) {
  auto ids = [&](const char* op, const std::string& object, const std::string& filters) {
    pugi::xml_document doc = Op(op, Object(object) + filters);
    EXPECT_EQ(ErrorOf(doc), 0) << last.body;
    return Ids(ReturnValue(doc));
  };
  using V = std::vector<std::string>;
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
  pugi::xml_node path = ReturnValue(doc).child("OBJECTPATH").child("INSTANCEPATH");
  EXPECT_STREQ(path.child("NAMESPACEPATH").child_value("HOST"), "testhost");
  doc = Op("Associators", Object(SystemName("C2")) + Properties("<VALUE>SerialNumber</VALUE>"));
  pugi::xml_node result = ReturnValue(doc).child("VALUE.OBJECTWITHPATH");
  EXPECT_TRUE(result.child("INSTANCEPATH"));
  EXPECT_STREQ(result.child("INSTANCE").child("PROPERTY").child_value("VALUE"), "S21");

  doc = Op("ReferenceNames", Object(DiskName("21")));
  pugi::xml_node link = ReturnValue(doc).child("OBJECTPATH").child("INSTANCEPATH").child("INSTANCENAME");
  EXPECT_STREQ(link.attribute("CLASSNAME").value(), "ZUB_ScratchSystemDisk");
  EXPECT_TRUE(link.child("KEYBINDING").child("VALUE.REFERENCE").child("INSTANCEPATH"));
  // The link's own path, as a client sends it back: its keys are references.
  std::ostringstream linkName;
  link.print(linkName, "", pugi::format_raw);
  doc = Op("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">" + linkName.str() + "</IPARAMVALUE>");
  EXPECT_STREQ(ReturnValue(doc).child("INSTANCE").attribute("CLASSNAME").value(), "ZUB_ScratchSystemDisk") << last.body;
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
}

TEST_F(Operations, MethodsTakeReferenceAndArrayParametersAndAnswerWithTheirOutputs) {
  const std::string params =
      R"(<PARAMVALUE NAME="label"><VALUE>hi</VALUE></PARAMVALUE>)"
      R"(<PARAMVALUE NAME="InSizes"><VALUE.ARRAY><VALUE>1</VALUE><VALUE>18446744073709551615</VALUE></VALUE.ARRAY></PARAMVALUE>)"
      R"(<PARAMVALUE NAME="InForce"><VALUE>true</VALUE></PARAMVALUE>)"
      R"(<PARAMVALUE NAME="InTarget"><VALUE.REFERENCE><INSTANCEPATH><NAMESPACEPATH><HOST>127.0.0.1</HOST><LOCALNAMESPACEPATH><NAMESPACE NAME="root"/><NAMESPACE NAME="corvo_zub"/></LOCALNAMESPACEPATH></NAMESPACEPATH>)" +
      DiskName("11") +
      R"(</INSTANCEPATH></VALUE.REFERENCE></PARAMVALUE><PARAMVALUE NAME="InElements" PARAMTYPE="reference"><VALUE.REFARRAY><VALUE.REFERENCE><LOCALINSTANCEPATH><LOCALNAMESPACEPATH><NAMESPACE NAME="root"/><NAMESPACE NAME="corvo_zub"/></LOCALNAMESPACEPATH>)" +
      DiskName("12") + "</LOCALINSTANCEPATH></VALUE.REFERENCE><VALUE.REFERENCE>" + DiskName("21") +
      R"(</VALUE.REFERENCE></VALUE.REFARRAY></PARAMVALUE><PARAMVALUE NAME="Size"><VALUE>21</VALUE></PARAMVALUE>)";
  pugi::xml_document doc = Call(MethodRequest("Echo", ServiceName("one"), params));
  pugi::xml_node rsp = doc.child("CIM").child("MESSAGE").child("SIMPLERSP").child("METHODRESPONSE");
  ASSERT_STREQ(rsp.attribute("NAME").value(), "Echo") << last.body;
  EXPECT_STREQ(rsp.first_child().name(), "RETURNVALUE");  // first, as clients require
  EXPECT_STREQ(rsp.child("RETURNVALUE").child_value("VALUE"), "0");
  auto out = [&](const char* name) { return rsp.find_child_by_attribute("PARAMVALUE", "NAME", name); };
  EXPECT_STREQ(out("OutText").child_value("VALUE"),
               "hi|force|kept|ZUB_StorageExtentDisk:11|testhost\\root\\corvo_zub:12|testhost\\root\\corvo_zub:21");
  EXPECT_STREQ(out("OutTarget").attribute("PARAMTYPE").value(), "reference");
  EXPECT_STREQ(out("OutTarget").child("VALUE.REFERENCE").child("INSTANCEPATH").child("NAMESPACEPATH").child_value("HOST"),
               "127.0.0.1");
  EXPECT_EQ(Count(out("OutSizes").child("VALUE.ARRAY"), "VALUE"), 2u);
  EXPECT_STREQ(out("Size").child_value("VALUE"), "42");
  EXPECT_FALSE(out("OutNothing"));  // NULL outputs are left out
  EXPECT_FALSE(out("Label"));       // inputs are not echoed

  auto code = [&](const std::string& method, const std::string& target, const std::string& p) {
    return ErrorOf(Call(MethodRequest(method, target, p)));
  };
  doc = Call(MethodRequest("Echo", "ZUB_ScratchService", R"(<PARAMVALUE NAME="Label"><VALUE>fail</VALUE></PARAMVALUE>)"));
  EXPECT_STREQ(doc.select_node("//RETURNVALUE").node().child_value("VALUE"), "4");  // an outcome, not an error
  EXPECT_EQ(code("Echo", ServiceName("one"), R"(<PARAMVALUE NAME="Label"><VALUE>status</VALUE></PARAMVALUE>)"), 1);
  EXPECT_EQ(code("Nope", ServiceName("one"), ""), 17);
  EXPECT_EQ(code("Echo", ServiceName("three"), ""), 6);
  EXPECT_EQ(code("Echo", ServiceName("one"), R"(<PARAMVALUE NAME="Colour"><VALUE>red</VALUE></PARAMVALUE>)"), 4);
  EXPECT_NE(last.body.find("Colour"), std::string::npos);
  EXPECT_EQ(code("Echo", ServiceName("one"), R"(<PARAMVALUE NAME="OutText"><VALUE>x</VALUE></PARAMVALUE>)"), 4);
  EXPECT_EQ(code("Echo", ServiceName("one"), R"(<PARAMVALUE NAME="Size"><VALUE>big</VALUE></PARAMVALUE>)"), 4);
  EXPECT_EQ(code("Echo", ServiceName("one"),
                 R"(<PARAMVALUE NAME="InTarget"><VALUE.REFERENCE><INSTANCENAME CLASSNAME="ZUB_X"><KEYBINDING NAME="Id"><KEYVALUE>a,b</KEYVALUE></KEYBINDING></INSTANCENAME></VALUE.REFERENCE></PARAMVALUE>)"),
            4);
  EXPECT_EQ(code("PutData", ServiceName("one"), ""), 17);
}

TEST_F(Operations, ModifyInstanceWritesThroughPutData) {
  auto modify = [&](const std::string& cls, const std::string& name, const std::string& props, const std::string& extra = "") {
    return Op("ModifyInstance", "<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE>" + name +
                                    "<INSTANCE CLASSNAME=\"" + cls + "\">" + props + "</INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>" +
                                    extra);
  };
  pugi::xml_document doc = modify("ZUB_ScratchService", ServiceName("two"),
                                  R"(<PROPERTY NAME="Text" TYPE="string"><VALUE>new</VALUE></PROPERTY><PROPERTY NAME="Big" TYPE="uint64"><VALUE>9</VALUE></PROPERTY>)",
                                  Properties("<VALUE>Text</VALUE>"));
  ASSERT_EQ(ErrorOf(doc), 0) << last.body;
  pugi::xml_node rsp = doc.child("CIM").child("MESSAGE").child("SIMPLERSP").child("IMETHODRESPONSE");
  EXPECT_FALSE(rsp.first_child());  // a void operation: no IRETURNVALUE
  EXPECT_EQ(Service().source[1].Text.Str(), L"new");
  EXPECT_EQ(Service().source[1].Big, 0u);  // not in the PropertyList
  EXPECT_EQ(Service().source[1].Reserved.Str(), L"kept");

  // Without a PropertyList every property given is written and what is left
  // out stays; a property named in the PropertyList and left out is cleared.
  ASSERT_EQ(ErrorOf(modify("ZUB_ScratchService", ServiceName("two"),
                           R"(<PROPERTY NAME="Big" TYPE="uint64"><VALUE>9</VALUE></PROPERTY>)")), 0) << last.body;
  EXPECT_EQ(Service().source[1].Big, 9u);
  EXPECT_EQ(Service().source[1].Text.Str(), L"new");
  ASSERT_EQ(ErrorOf(modify("ZUB_ScratchService", ServiceName("two"),
                           R"(<PROPERTY NAME="Text" TYPE="string"><VALUE>newer</VALUE></PROPERTY>)",
                           Properties("<VALUE>Text</VALUE><VALUE>Big</VALUE><VALUE>Name</VALUE>"))), 0) << last.body;
  EXPECT_EQ(Service().source[1].Text.Str(), L"newer");
  EXPECT_EQ(Service().source[1].Big, 0u);

  EXPECT_EQ(ErrorOf(modify("ZUB_ScratchService", ServiceName("two"), R"(<PROPERTY NAME="Name" TYPE="string"><VALUE>x</VALUE></PROPERTY>)")), 4);
  EXPECT_EQ(ErrorOf(modify("ZUB_ScratchService", ServiceName("two"), R"(<PROPERTY NAME="Colour" TYPE="string"><VALUE>x</VALUE></PROPERTY>)")), 4);
  EXPECT_EQ(ErrorOf(modify("ZUB_ScratchService", ServiceName("nine"), "")), 6);
  EXPECT_EQ(ErrorOf(modify("ZUB_ComputerSystem", SystemName("C1"), "")), 7);
  Service().putStatus = PROVIDER_FAILED;
  EXPECT_EQ(ErrorOf(modify("ZUB_ScratchService", ServiceName("two"), "")), 1);
}

// Pulled enumerations hand out the same objects as the one-shot operations,
// in pieces, and refuse what they do not do with their own codes.
TEST_F(Operations, PulledEnumerationsGiveWhatTheOneShotOperationsGiveInPieces) {
  auto param = [](const pugi::xml_document& doc, const char* name) {
    return doc.child("CIM").child("MESSAGE").child("SIMPLERSP").child("IMETHODRESPONSE").find_child_by_attribute(
        "PARAMVALUE", "NAME", name);
  };
  size_t objects = 0;  // of the last pullAll
  auto pullAll = [&](const std::string& open, const std::string& params, const char* pull) {
    pugi::xml_document doc = Op(open, params + Text("MaxObjectCount", "1"));
    EXPECT_EQ(ErrorOf(doc), 0) << last.body;
    std::vector<std::string> ids = Ids(ReturnValue(doc));
    objects = Count(ReturnValue(doc), "VALUE.INSTANCEWITHPATH") + Count(ReturnValue(doc), "INSTANCEPATH");
    EXPECT_EQ(objects, 1u);
    size_t pulls = 0;
    while (std::string(param(doc, "EndOfSequence").child_value("VALUE")) == "FALSE" && pulls++ < 10) {
      const std::string context = param(doc, "EnumerationContext").child_value("VALUE");
      doc = Op(pull, Text("EnumerationContext", context) + Text("MaxObjectCount", "2"));
      EXPECT_EQ(ErrorOf(doc), 0) << last.body;
      for (const std::string& id : Ids(ReturnValue(doc))) ids.push_back(id);
      objects += Count(ReturnValue(doc), "VALUE.INSTANCEWITHPATH") + Count(ReturnValue(doc), "INSTANCEPATH");
    }
    EXPECT_FALSE(param(doc, "EnumerationContext").child("VALUE")) << "a finished enumeration names no context";
    return ids;
  };
  auto oneShot = [&](const std::string& op, const std::string& params) { return Ids(ReturnValue(Op(op, params))); };

  EXPECT_EQ(pullAll("OpenEnumerateInstances", ClassParam("ClassName", "CIM_ManagedElement"),
                    "PullInstancesWithPath"),
            oneShot("EnumerateInstanceNames", ClassParam("ClassName", "CIM_ManagedElement")));
  EXPECT_EQ(pullAll("OpenEnumerateInstancePaths", ClassParam("ClassName", "ZUB_StorageExtentDisk"),
                    "PullInstancePaths"),
            (std::vector<std::string>{"11", "12", "21"}));
  const std::string object = "<IPARAMVALUE NAME=\"InstanceName\">" + SystemName("C1") + "</IPARAMVALUE>";
  EXPECT_EQ(pullAll("OpenAssociatorInstancePaths", object, "PullInstancePaths"), (std::vector<std::string>{"11", "12"}));
  pullAll("OpenReferenceInstances", object, "PullInstancesWithPath");
  EXPECT_EQ(objects, 2u);

  // Instances come with their paths and honour the PropertyList.
  pugi::xml_document doc = Op("OpenEnumerateInstances", ClassParam("ClassName", "ZUB_StorageExtentDisk") +
                                                          Properties("<VALUE>Model</VALUE>") + Text("MaxObjectCount", "5"));
  pugi::xml_node first = ReturnValue(doc).child("VALUE.INSTANCEWITHPATH");
  EXPECT_TRUE(first.child("INSTANCEPATH").child("NAMESPACEPATH"));
  EXPECT_EQ(Count(first.child("INSTANCE"), "PROPERTY"), 1u);
  EXPECT_STREQ(param(doc, "EndOfSequence").child_value("VALUE"), "TRUE");

  // A context is pulled only by its own kind, and is gone once closed.
  doc = Op("OpenEnumerateInstancePaths", ClassParam("ClassName", "ZUB_StorageExtentDisk"));
  const std::string context = param(doc, "EnumerationContext").child_value("VALUE");
  ASSERT_FALSE(context.empty()) << "MaxObjectCount absent: nothing at the open";
  EXPECT_EQ(ErrorOf(Op("PullInstancesWithPath", Text("EnumerationContext", context) + Text("MaxObjectCount", "1"))), 21);
  EXPECT_EQ(ErrorOf(Op("CloseEnumeration", Text("EnumerationContext", context))), 0);
  EXPECT_EQ(ErrorOf(Op("PullInstancePaths", Text("EnumerationContext", context) + Text("MaxObjectCount", "1"))), 21);
  EXPECT_EQ(ErrorOf(Op("CloseEnumeration", Text("EnumerationContext", context))), 21);
  EXPECT_EQ(ErrorOf(Op("PullInstancePaths", Text("EnumerationContext", "zubcim-1-1"))), 4) << "MaxObjectCount is required";

  const std::string disks = ClassParam("ClassName", "ZUB_StorageExtentDisk");
  EXPECT_EQ(ErrorOf(Op("OpenEnumerateInstances", disks + Text("FilterQueryLanguage", "DMTF:FQL") +
                                                    Text("FilterQuery", "Model = 'x'"))), 25);
  EXPECT_EQ(ErrorOf(Op("OpenEnumerateInstances", disks + Flag("ContinueOnError", true))), 26);
  EXPECT_EQ(ErrorOf(Op("OpenEnumerateInstances", disks + Text("OperationTimeout", "0"))), 22);
  EXPECT_EQ(ErrorOf(Op("OpenEnumerateInstances", disks + Text("MaxObjectCount", "-1"))), 4);
  EXPECT_EQ(ErrorOf(Op("OpenEnumerateInstances", ClassParam("ClassName", "ZUB_Nothing"))), 5);
}

TEST_F(Operations, BadRequestsEndInTheMatchingError) {
  EXPECT_EQ(ErrorOf(Call(IntrinsicRequest("EnumerateInstances", ClassParam("ClassName", "ZUB_ComputerSystem"), "root/cimv2"))), 3);
  EXPECT_NE(last.body.find("root/cimv2"), std::string::npos);
  EXPECT_EQ(ErrorOf(Op("EnumerateInstances", ClassParam("ClassName", "ZUB_Nothing"))), 5);
  EXPECT_NE(last.body.find("ZUB_Nothing"), std::string::npos);
  EXPECT_EQ(ErrorOf(Op("ExecQuery", "")), 7);
  EXPECT_EQ(ErrorOf(Op("EnumerationCount", "")), 7);
  EXPECT_EQ(ErrorOf(Op("CreateClass", "")), 7);
  EXPECT_EQ(ErrorOf(Op("EnumerateInstances", ClassParam("ClassName", "ZUB_ComputerSystem") + Flag("Colour", true))), 4);
  EXPECT_NE(last.body.find("Colour"), std::string::npos);
  EXPECT_EQ(ErrorOf(Op("EnumerateInstances", Text("ClassName", "x"))), 4);
  EXPECT_EQ(ErrorOf(Op("EnumerateInstances", ClassParam("ClassName", "ZUB_ComputerSystem") + Text("DeepInheritance", "perhaps"))), 4);

  const zubwbem::CimHeaders good{"MethodCall", "EnumerateInstances", "root%2Fcorvo_zub", "1.0", "application/xml; charset=\"utf-8\""};
  const std::string request = IntrinsicRequest("EnumerateInstances", ClassParam("ClassName", "ZUB_ComputerSystem"));
  auto refused = [&](const std::string& body, zubwbem::CimHeaders headers) {
    zubwbem::Outcome o = ops.Handle(body, headers);
    return std::to_string(o.http) + " " + o.cimError;
  };
  EXPECT_EQ(refused(request, good), "200 ");
  EXPECT_EQ(refused("<CIM><MESSAGE ID=\"1\"><SIMPLEREQ><IMETHODCALL NAME=\"x\"></SIMPLEREQ>", good), "400 request-not-well-formed");
  EXPECT_EQ(refused("<NOTCIM/>", good), "400 request-not-valid");
  EXPECT_EQ(refused("<CIM CIMVERSION=\"3.0\"/>", good), "501 unsupported-cim-version");
  EXPECT_EQ(refused("<CIM><MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><MULTIREQ/></MESSAGE></CIM>", good),
            "501 multiple-requests-unsupported");
  zubwbem::CimHeaders h = good;
  h.cimOperation = "";
  EXPECT_EQ(refused(request, h), "400 unsupported-operation");
  h = good;
  h.cimMethod = "GetInstance";
  EXPECT_EQ(refused(request, h), "400 header-mismatch");
  h = good;
  h.contentType = "application/json";
  EXPECT_EQ(refused(request, h), "400 header-mismatch");
  h = good;
  h.protocolVersion = "2.0";
  EXPECT_EQ(refused(request, h), "501 unsupported-protocol-version");
}

// LocalOnly, IncludeClassOrigin, IncludeQualifiers and PropertyList shape a
// class as DSP0200 says; the qualifier declarations are served; each
// operation answers a missing class with the code its error list has.
TEST_F(Operations, ClassOperationsHonourTheirFlagsAndQualifiersAreDeclared) {
  const auto names = [](pugi::xml_node cls, const char* element) {
    std::vector<std::string> out;
    for (pugi::xml_node n : cls.children(element)) out.emplace_back(n.attribute("NAME").value());
    return out;
  };
  // By default only what the class declares itself.
  // Each answer's document outlives the nodes read from it.
  const pugi::xml_document own = Op("GetClass", ClassParam("ClassName", "ZUB_ScratchService"));
  pugi::xml_node cls = ReturnValue(own).child("CLASS");
  std::vector<std::string> local = names(cls, "PROPERTY");
  EXPECT_NE(std::find(local.begin(), local.end(), "Name"), local.end()) << "an override is the class's own";
  EXPECT_EQ(std::find(local.begin(), local.end(), "StartMode"), local.end()) << "an inherited one is not";
  const pugi::xml_document whole = Op("GetClass", ClassParam("ClassName", "ZUB_ScratchService") +
                                                      Flag("LocalOnly", false) + Flag("IncludeClassOrigin", true));
  cls = ReturnValue(whole).child("CLASS");
  pugi::xml_node start = cls.find_child_by_attribute("PROPERTY", "NAME", "StartMode");
  ASSERT_TRUE(start);
  EXPECT_STREQ(start.attribute("CLASSORIGIN").value(), "CIM_Service");
  EXPECT_STREQ(start.attribute("PROPAGATED").value(), "true");
  EXPECT_TRUE(start.find_child_by_attribute("QUALIFIER", "NAME", "ValueMap").child("VALUE.ARRAY"));
  EXPECT_STREQ(cls.find_child_by_attribute("PROPERTY", "NAME", "Name").attribute("CLASSORIGIN").value(),
               "CIM_ManagedSystemElement");
  EXPECT_TRUE(cls.find_child_by_attribute("METHOD", "NAME", "StartService")) << "inherited methods too";
  const pugi::xml_document profile =
      Op("GetClass", ClassParam("ClassName", "CIM_RegisteredProfile") + Flag("LocalOnly", false) +
                         Properties("<VALUE>RegisteredOrganization</VALUE>"));
  cls = ReturnValue(profile).child("CLASS");
  ASSERT_EQ(names(cls, "PROPERTY"), std::vector<std::string>{"RegisteredOrganization"});
  pugi::xml_node org = cls.child("PROPERTY");
  std::vector<std::string> map, values;
  for (pugi::xml_node v : org.find_child_by_attribute("QUALIFIER", "NAME", "ValueMap").child("VALUE.ARRAY").children())
    map.emplace_back(v.child_value());
  for (pugi::xml_node v : org.find_child_by_attribute("QUALIFIER", "NAME", "Values").child("VALUE.ARRAY").children())
    values.emplace_back(v.child_value());
  const size_t snia = std::find(map.begin(), map.end(), "11") - map.begin();
  ASSERT_LT(snia, values.size());
  EXPECT_EQ(values[snia], "SNIA");

  const pugi::xml_document declared = Op("EnumerateQualifiers", "");
  pugi::xml_node decls = ReturnValue(declared);
  EXPECT_TRUE(decls.find_child_by_attribute("QUALIFIER.DECLARATION", "NAME", "Key"));
  const pugi::xml_document keyDoc = Op("GetQualifier", "<IPARAMVALUE NAME=\"QualifierName\"><VALUE>key</VALUE></IPARAMVALUE>");
  pugi::xml_node key = ReturnValue(keyDoc).child("QUALIFIER.DECLARATION");
  EXPECT_STREQ(key.attribute("TYPE").value(), "boolean");
  EXPECT_STREQ(key.child("SCOPE").attribute("PROPERTY").value(), "true");
  EXPECT_EQ(ErrorOf(Op("GetQualifier", "<IPARAMVALUE NAME=\"QualifierName\"><VALUE>Colour</VALUE></IPARAMVALUE>")), 6);

  EXPECT_EQ(ErrorOf(Op("GetClass", ClassParam("ClassName", "ZUB_Nothing"))), 6);
  EXPECT_EQ(ErrorOf(Op("EnumerateClassNames", ClassParam("ClassName", "ZUB_Nothing"))), 5);
  EXPECT_EQ(ErrorOf(Op("AssociatorNames", "<IPARAMVALUE NAME=\"ObjectName\"><INSTANCENAME CLASSNAME=\"ZUB_Nothing\">"
                                          "<KEYBINDING NAME=\"K\"><KEYVALUE>1</KEYVALUE></KEYBINDING></INSTANCENAME></IPARAMVALUE>")),
            4);
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
  // A record field overriding a standard property keeps the standard type
  // (an array holding the record's value); what the record lacks is
  // inherited with no value; the class's own elements are local.
  const zubwbem::CimClass* card = schema.Find("root/corvo_zub", "ZUB_Card");
  ASSERT_NE(card, nullptr);
  const zubwbem::CimProperty* status = card->FindProperty("OperationalStatus");
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->array);
  EXPECT_EQ(status->type, CimType::UInt16);
  EXPECT_NE(status->field, nullptr);
  EXPECT_TRUE(status->local);
  EXPECT_EQ(status->classOrigin, "CIM_ManagedSystemElement");
  const zubwbem::CimProperty* removable = card->FindProperty("Removable");
  ASSERT_NE(removable, nullptr);
  EXPECT_EQ(removable->field, nullptr);
  EXPECT_FALSE(removable->local);
  // The standard parents are whole: a client asking for CIM_StorageExtent
  // sees its block size.
  const zubwbem::CimClass* extent = schema.Find("root/corvo_zub", "CIM_StorageExtent");
  ASSERT_NE(extent, nullptr);
  EXPECT_NE(extent->FindProperty("BlockSize"), nullptr);
  EXPECT_TRUE(schema.IsA(*schema.Find("root/interop", "ZUB_RegisteredProfile"), "CIM_RegisteredSpecification"));
  // A text where the standard class has a code: the code says "Other"
  // (1) and the text goes where the standard class says what Other means.
  const zubwbem::CimClass* scsi = schema.Find("root/corvo_zub", "ZUB_SCSIProtocolController");
  ASSERT_NE(scsi, nullptr);
  const zubwbem::CimProperty* format = scsi->FindProperty("NameFormat");
  const zubwbem::CimProperty* otherFormat = scsi->FindProperty("OtherNameFormat");
  ASSERT_TRUE(format && otherFormat);
  EXPECT_EQ(format->type, CimType::UInt16);
  EXPECT_EQ(format->field, nullptr);
  EXPECT_EQ(format->constant, std::optional<std::string>("1"));
  ASSERT_NE(otherFormat->field, nullptr);
  EXPECT_STREQ(otherFormat->field->CimName(), "NameFormat");
}

}  // namespace
