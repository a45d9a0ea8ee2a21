// Values and references between records, CIM-XML and the library's text form.
#include <gtest/gtest.h>

#include <climits>

#include "host/kit/record_json.h"
#include "host/kit/wide_text.h"
#include "host/cim/records.h"
#include "host/cim/xml_request.h"
#include "host/cim/xml_writer.h"
#include "tests/wbem/wbem_fixture.h"

namespace {

using namespace zubwbem;
using wbemtest::stScratchService;

const PathDefaults kDefaults{"box", "root/corvo_zub"};

const CimClass& ServiceClass() {
  static const Schema schema(wbemtest::TestCatalog());
  return *schema.Find("root/corvo_zub", "ZUB_ScratchService");
}

int FaultOf(const std::function<void()>& f, std::string* what = nullptr) {
  try {
    f();
  } catch (const CimFault& e) {
    if (what) *what = e.what();
    return e.code();
  }
  return 0;
}

TEST(XmlValues, EveryKindOfPropertyRoundTripsThroughCimXml) {
  stScratchService in = wbemtest::ServiceRecord(L"one");
  in.Text = L"Data & Logs <R5> \"q\" back\\slash Gr\u00f6\u00dfe";
  in.Big = UINT64_MAX;
  in.Signed = INT64_MIN;
  in.Count = UINT32_MAX;
  in.Offset = -5;
  in.Flag = 1;
  in.Mode = 65535;
  in.Small = 255;
  in.Tiny = -128;
  in.When = L"20240131120000.000000+000";
  in.Sizes.Add(1);
  in.Sizes.Add(UINT64_MAX);
  in.Names.Add(L"a, b");
  in.Names.Add(L"");
  in.Owner = L"\\\\box\\root\\corvo_zub:ZUB_ComputerSystem.CreationClassName=\"Corvo_ZUBe3.0\",Name=\"C 1\"";

  const CimClass& cls = ServiceClass();
  XmlOut out;
  out.Instance(InstanceOf(cls, &in, kDefaults), InstanceOptions{});
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(out.Text().c_str())) << out.Text();
  pugi::xml_node instance = doc.child("INSTANCE");
  auto property = [&](const char* name) { return instance.find_child_by_attribute("NAME", name); };
  EXPECT_STREQ(property("Flag").attribute("TYPE").value(), "boolean");
  EXPECT_STREQ(property("Flag").child_value("VALUE"), "TRUE");
  EXPECT_STREQ(property("Mode").attribute("TYPE").value(), "uint16");
  EXPECT_STREQ(property("Tiny").child_value("VALUE"), "-128");
  EXPECT_STREQ(property("Big").child_value("VALUE"), "18446744073709551615");
  EXPECT_STREQ(property("When").attribute("TYPE").value(), "datetime");
  EXPECT_STREQ(property("Names").name(), "PROPERTY.ARRAY");
  EXPECT_STREQ(property("Owner").name(), "PROPERTY.REFERENCE");
  EXPECT_STREQ(property("Owner").attribute("REFERENCECLASS").value(), "ZUB_ComputerSystem");
  EXPECT_FALSE(property("Reserved"));  // internal
  EXPECT_FALSE(property("Label"));     // a parameter
  EXPECT_EQ(out.Text().find("<VALUE/>"), std::string::npos);

  stScratchService back;
  for (const CimProperty& p : cls.properties) {
    if (p.field) WriteField(*p.field, p, ReadValue(property(p.name.c_str())), p.field->at(&back), kDefaults);
  }
  back.Reserved = in.Reserved;
  const RecordDesc& desc = stScratchService::Describe();
  EXPECT_EQ(zubcim::ToJson(desc, &back).dump(), zubcim::ToJson(desc, &in).dump());
}

TEST(XmlValues, EmptyReferencesAndDatesAreNullAndNullClearsAList) {
  stScratchService in = wbemtest::ServiceRecord(L"one");
  Instance instance = InstanceOf(ServiceClass(), &in, kDefaults);
  EXPECT_TRUE(instance.Value("Owner")->null);
  EXPECT_TRUE(instance.Value("When")->null);
  EXPECT_FALSE(instance.Value("Text")->null);  // "" is a value
  XmlOut out;
  out.Instance(instance, InstanceOptions{});
  EXPECT_NE(out.Text().find("<PROPERTY NAME=\"When\" TYPE=\"datetime\"></PROPERTY>"), std::string::npos);

  in.Sizes.Add(7);
  const CimProperty& sizes = *ServiceClass().FindProperty("Sizes");
  WriteField(*sizes.field, sizes, CimValue{}, &in.Sizes, kDefaults);
  EXPECT_EQ(in.Sizes.GetCount(), 0u);
}

TEST(XmlValues, ValuesOutsideTheirTypeAreRejectedNamingTheProperty) {
  const CimClass& cls = ServiceClass();
  auto write = [&](const char* name, std::vector<std::string> items) {
    stScratchService r;
    const CimProperty& p = *cls.FindProperty(name);
    CimValue v;
    v.null = false;
    v.items = std::move(items);
    std::string what;
    int code = FaultOf([&] { WriteField(*p.field, p, v, p.field->at(&r), kDefaults); }, &what);
    if (code) {
      EXPECT_NE(what.find(name), std::string::npos) << what;
    }
    return code;
  };
  EXPECT_EQ(write("Small", {"256"}), kCimInvalidParameter);
  EXPECT_EQ(write("Mode", {"65536"}), kCimInvalidParameter);
  EXPECT_EQ(write("Tiny", {"-129"}), kCimInvalidParameter);
  EXPECT_EQ(write("Big", {"-1"}), kCimInvalidParameter);
  EXPECT_EQ(write("Big", {"18446744073709551616"}), kCimInvalidParameter);
  EXPECT_EQ(write("Count", {"1.5"}), kCimInvalidParameter);
  EXPECT_EQ(write("Count", {""}), kCimInvalidParameter);
  EXPECT_EQ(write("Flag", {"maybe"}), kCimInvalidParameter);
  EXPECT_EQ(write("Text", {"a", "b"}), kCimInvalidParameter);
  EXPECT_EQ(write("Sizes", {"1", "x"}), kCimInvalidParameter);
  EXPECT_EQ(write("Flag", {"true"}), 0);  // any case
  EXPECT_EQ(write("Signed", {"-9223372036854775808"}), 0);
}

// The three forms a client may send, each read and handed to the library.
TEST(ReferenceForms, EachFormBecomesTheLibrarysTextAndParsesBack) {
  const std::string name = R"(<INSTANCENAME CLASSNAME="ZUB_ComputerSystem"><KEYBINDING NAME="CreationClassName"><KEYVALUE VALUETYPE="string" TYPE="string">Corvo_ZUBe3.0</KEYVALUE></KEYBINDING><KEYBINDING NAME="Name"><KEYVALUE>C 1</KEYVALUE></KEYBINDING></INSTANCENAME>)";
  const std::string ns = R"(<LOCALNAMESPACEPATH><NAMESPACE NAME="root"></NAMESPACE><NAMESPACE NAME="corvo_zub"/></LOCALNAMESPACEPATH>)";
  const struct {
    std::string xml;
    const wchar_t* host;
  } forms[] = {
      {"<INSTANCEPATH><NAMESPACEPATH><HOST>h1</HOST>" + ns + "</NAMESPACEPATH>" + name + "</INSTANCEPATH>", L"h1"},
      {"<LOCALINSTANCEPATH>" + ns + name + "</LOCALINSTANCEPATH>", L"box"},
      {name, L"box"},
  };
  for (const auto& form : forms) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(("<VALUE.REFERENCE>" + form.xml + "</VALUE.REFERENCE>").c_str()));
    CimPath path = ReadReference(doc.first_child());
    std::string text = LibraryTextOf(path, "box", "root/corvo_zub");
    CWbemObjectPath parsed;
    parsed.ParsePath(CZubString(zubcim::FromUtf8(text).c_str()));
    EXPECT_EQ(parsed.m_host.Str(), form.host) << text;
    EXPECT_EQ(parsed.m_namespace.Str(), L"root\\corvo_zub");
    EXPECT_EQ(parsed.m_className.Str(), L"ZUB_ComputerSystem");
    ASSERT_EQ(parsed.m_keys.GetCount(), 2u);
    EXPECT_EQ(parsed.m_keys[0].m_name.Str(), L"CreationClassName");
    EXPECT_EQ(parsed.m_keys[1].m_value.Str(), L"C 1");
  }
  // A reference key nested far deeper than any class needs is refused.
  std::string nested = "<VALUE.REFERENCE>" + name + "</VALUE.REFERENCE>";
  for (int i = 0; i < 1000; ++i)
    nested = R"(<VALUE.REFERENCE><INSTANCENAME CLASSNAME="ZUB_L"><KEYBINDING NAME="Up">)" + nested +
             "</KEYBINDING></INSTANCENAME></VALUE.REFERENCE>";
  pugi::xml_document deep;
  ASSERT_TRUE(deep.load_string(nested.c_str()));
  EXPECT_EQ(FaultOf([&] { ReadReference(deep.first_child()); }), kCimInvalidParameter);

  pugi::xml_document classPath;
  classPath.load_string("<VALUE.REFERENCE><CLASSNAME NAME=\"ZUB_X\"/></VALUE.REFERENCE>");
  EXPECT_EQ(FaultOf([&] { ReadReference(classPath.first_child()); }), kCimInvalidParameter);
}

TEST(ReferenceForms, TheLibrarysTextBecomesAFullInstancePath) {
  CimPath path = PathFromLibraryText(
      "\\\\H\\root\\Corvo_ZUB:ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\",DeviceID=\"a&b\"");
  XmlOut out;
  out.ValueReference(path);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(out.Text().c_str())) << out.Text();
  pugi::xml_node full = doc.child("VALUE.REFERENCE").child("INSTANCEPATH");
  EXPECT_STREQ(full.child("NAMESPACEPATH").child_value("HOST"), "H");
  pugi::xml_node ns = full.child("NAMESPACEPATH").child("LOCALNAMESPACEPATH");
  EXPECT_STREQ(ns.first_child().attribute("NAME").value(), "root");
  EXPECT_STREQ(ns.last_child().attribute("NAME").value(), "Corvo_ZUB");
  CimPath back = ReadReference(doc.first_child());
  EXPECT_EQ(back.className, "ZUB_StorageExtentDisk");
  EXPECT_TRUE(SameKeys(back, path));
  EXPECT_EQ(back.keys[1].value, "a&b");

  // A volume named a"b\c: the library's text holds the quote unescaped; the
  // server reads it whole, so the reference it hands out resolves.
  CimPath quoted = PathFromLibraryText(
      "\\\\H\\root\\Corvo_ZUB:ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"a\"b\\c_5\","
      "SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_5\"");
  ASSERT_EQ(quoted.keys.size(), 4u);
  EXPECT_EQ(quoted.keys[1].value, "a\"b\\c_5");
  XmlOut quotedOut;
  quotedOut.ValueReference(quoted);
  pugi::xml_document quotedDoc;
  ASSERT_TRUE(quotedDoc.load_string(quotedOut.Text().c_str())) << quotedOut.Text();
  EXPECT_EQ(ReadReference(quotedDoc.first_child()).keys[1].value, "a\"b\\c_5");
}

TEST(ReferenceForms, WhatTheTextFormCannotCarryIsRejected) {
  auto text = [](CimPath path) { return FaultOf([&] { LibraryTextOf(path, "box", "root/corvo_zub"); }); };
  CimPath path = PathFromLibraryText("\\\\h\\root\\corvo_zub:ZUB_X.Id=\"1\"");
  EXPECT_EQ(text(path), 0);
  CimPath quote = path;
  quote.keys[0].value = "a\"b";
  EXPECT_EQ(text(quote), kCimInvalidParameter);
  CimPath comma = path;
  comma.keys[0].value = "a,b";
  EXPECT_EQ(text(comma), kCimInvalidParameter);
  CimPath port = path;
  port.host = "127.0.0.1:5988";
  EXPECT_EQ(text(port), kCimInvalidParameter);
  CimPath nested = path;
  nested.keys[0].kind = KeyBinding::Kind::Reference;
  nested.keys[0].ref.push_back(path);
  EXPECT_EQ(text(nested), kCimInvalidParameter);
}

}  // namespace
