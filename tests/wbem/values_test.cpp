// Values and references between records, CIM-XML and the library's text form.
#include <gtest/gtest.h>

#include <climits>

#include "host/kit/record_json.h"
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
  // Each kind at the edges of its range, and a text with what XML and the
  // library's text treat specially.
  stScratchService in = wbemtest::ServiceRecord(L"one");
  const RecordDesc& desc = stScratchService::Describe();
  std::string error;
  ASSERT_TRUE(zubcim::FromJson(desc, zubcim::Json::parse(R"({
      "Text": "Data & Logs <R5> \"q\" back\\slash Gr\u00f6\u00dfe", "Big": 18446744073709551615,
      "Signed": -9223372036854775808, "Count": 4294967295, "Offset": -5, "Flag": 1, "Mode": 65535, "Small": 255,
      "Tiny": -128, "When": "20240131120000.000000+000", "Sizes": [1, 18446744073709551615], "Names": ["a, b", ""],
      "Owner": "\\\\box\\root\\corvo_zub:ZUB_ComputerSystem.CreationClassName=\"Corvo_ZUBe3.0\",Name=\"C 1\""})"),
                               &in, &error)) << error;

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
    const CimValue v{false, std::move(items), {}};
    std::string what;
    int code = FaultOf([&] { WriteField(*p.field, p, v, p.field->at(&r), kDefaults); }, &what);
    EXPECT_TRUE(code == 0 || what.find(name) != std::string::npos) << what;
    return code;
  };
  EXPECT_EQ(write("Mode", {"65536"}), kCimInvalidParameter);
  EXPECT_EQ(write("Tiny", {"-129"}), kCimInvalidParameter);
  EXPECT_EQ(write("Big", {"-1"}), kCimInvalidParameter);
  EXPECT_EQ(write("Count", {"1.5"}), kCimInvalidParameter);
  EXPECT_EQ(write("Flag", {"maybe"}), kCimInvalidParameter);
  EXPECT_EQ(write("Text", {"a", "b"}), kCimInvalidParameter);
  EXPECT_EQ(write("Sizes", {"1", "x"}), kCimInvalidParameter);
  EXPECT_EQ(write("Flag", {"true"}), 0);  // any case
  EXPECT_EQ(write("Signed", {"-9223372036854775808"}), 0);
}

// What a reference may not be. (The three forms a client may send, each
// handed to the library, are read back by the scratch service's Echo in
// operations_test.)
TEST(ReferenceForms, DeepNestingAndClassPathsAreRefused) {
  const std::string name = R"(<INSTANCENAME CLASSNAME="ZUB_ComputerSystem"><KEYBINDING NAME="Name">)"
                           R"(<KEYVALUE>C 1</KEYVALUE></KEYBINDING></INSTANCENAME>)";
  // A reference key nested far deeper than any class needs.
  std::string nested = "<VALUE.REFERENCE>" + name + "</VALUE.REFERENCE>";
  for (int i = 0; i < 1000; ++i)
    nested = R"(<VALUE.REFERENCE><INSTANCENAME CLASSNAME="ZUB_L"><KEYBINDING NAME="Up">)" + nested +
             "</KEYBINDING></INSTANCENAME></VALUE.REFERENCE>";
  const std::string classPath = "<VALUE.REFERENCE><CLASSNAME NAME=\"ZUB_X\"/></VALUE.REFERENCE>";
  for (const std::string& refused : {nested, classPath}) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(refused.c_str()));
    EXPECT_EQ(FaultOf([&] { ReadReference(doc.first_child()); }), kCimInvalidParameter) << refused.substr(0, 80);
  }
}

// A path in the library's text, written as a CIM-XML reference and read back.
CimPath ThroughXml(const std::string& text) {
  XmlOut out;
  out.ValueReference(PathFromLibraryText(text));
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(out.Text().c_str())) << out.Text();
  return ReadReference(doc.first_child());
}

// The host, and the characters XML and the library's text treat specially (the
// client check resolves every reference the server hands out in its namespace).
TEST(ReferenceForms, TheLibrarysTextBecomesAFullInstancePath) {
  CimPath back = ThroughXml(
      "\\\\H\\root\\Corvo_ZUB:ZUB_StorageExtentDisk.CreationClassName=\"ZUB_StorageExtentDisk\",DeviceID=\"a&b\"");
  EXPECT_EQ(back.host, "H");
  ASSERT_EQ(back.keys.size(), 2u);
  EXPECT_EQ(back.keys[1].value, "a&b");

  // A volume named a"b\c: the library's text holds the quote unescaped; the
  // server reads it whole, so the reference it hands out resolves.
  back = ThroughXml("\\\\H\\root\\Corvo_ZUB:ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\","
                    "DeviceID=\"a\"b\\c_5\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_5\"");
  ASSERT_EQ(back.keys.size(), 4u);
  EXPECT_EQ(back.keys[1].value, "a\"b\\c_5");
}

TEST(ReferenceForms, WhatTheTextFormCannotCarryIsRejected) {
  const CimPath path = PathFromLibraryText("\\\\h\\root\\corvo_zub:ZUB_X.Id=\"1\"");
  auto text = [](const CimPath& p) { return FaultOf([&] { LibraryTextOf(p, "box", "root/corvo_zub"); }); };
  EXPECT_EQ(text(path), 0);
  const std::function<void(CimPath&)> kCannot[] = {
      [](CimPath& p) { p.keys[0].value = "a\"b"; },
      [](CimPath& p) { p.keys[0].value = "a,b"; },
      [](CimPath& p) { p.host = "127.0.0.1:5988"; },
      [&](CimPath& p) {
        p.keys[0].kind = KeyBinding::Kind::Reference;
        p.keys[0].ref.push_back(path);
      },
  };
  for (const auto& change : kCannot) {
    CimPath changed = path;
    change(changed);
    EXPECT_EQ(text(changed), kCimInvalidParameter);
  }
}

}  // namespace
