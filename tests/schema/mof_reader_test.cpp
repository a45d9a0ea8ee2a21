// The MOF reader on small texts: what it reads, where it stops, includes, and
// how a class's inherited elements are resolved.
#include <gtest/gtest.h>

#include <map>

#include "host/cim/mof_reader.h"

namespace zubwbem {
namespace {

// The qualifiers the texts below use, declared as DMTF declares them.
constexpr std::string_view kQualifiers = R"(
Qualifier Abstract : boolean = false, Scope(class, association, indication), Flavor(EnableOverride, Restricted);
Qualifier Association : boolean = false, Scope(association), Flavor(DisableOverride, ToSubclass);
Qualifier Deprecated : string[], Scope(any), Flavor(EnableOverride, Restricted);
Qualifier Description : string = null, Scope(any), Flavor(EnableOverride, ToSubclass, Translatable);
Qualifier In : boolean = true, Scope(parameter), Flavor(DisableOverride, ToSubclass);
Qualifier Key : boolean = false, Scope(property, reference), Flavor(DisableOverride, ToSubclass);
Qualifier MaxLen : uint32 = null, Scope(property, method, parameter);
Qualifier Out : boolean = false, Scope(parameter), Flavor(DisableOverride, ToSubclass);
Qualifier Override : string = null, Scope(property, reference, method), Flavor(EnableOverride, Restricted);
Qualifier ValueMap : string[], Scope(property, method, parameter);
Qualifier Values : string[], Scope(property, method, parameter), Flavor(EnableOverride, ToSubclass, Translatable);
Qualifier Weight : real64 = 1.5, Scope(property);
)";

MofSchema Read(std::string_view text) {
  MofSchema schema;
  ReadMof(schema, "q.mof", kQualifiers);
  ReadMof(schema, "t.mof", text);
  return schema;
}

std::string ErrorOf(std::string_view text) {
  try {
    Read(text);
  } catch (const MofError& e) {
    return e.what();
  }
  return "no error";
}

TEST(MofReader, ReadsClassesWithTheirElementsValuesAndQualifiers) {
  MofSchema schema = Read(R"(
#pragma locale ("en_US")
/* A comment
   over lines. */
[Abstract, Description ("A " "joined" " text:\t\"q\" \\ \x41\X00e9" /* inside */ "!")]
class Base {
      [Key, MaxLen (0x40)]
   string Id;                             // a line comment
      [ValueMap {"0", "2", ".."}, Values {"Unknown", "OK", "Reserved"}: ToSubclass Translatable]
   UINT16 States[] = {0, 2};
   sint8 Offsets[4] = {-128, 127, 010, 101b};
   real64 Ratio = -2.5e-1;
   boolean Enabled = TRUE;
   char16 Letter = 'x';
   datetime When = null;
   uint64 Big = 0xFFFFFFFFFFFFFFFF;
   sint64 Small = -9223372036854775808;
      [Deprecated ("Base.States")]
   string Old;
   uint32 Start(
         [In, Out, ValueMap {"1"}] uint16 Mode,
         [In (false), Out] Base REF Job,
         [In] string Names[]);
};
[Association]
class Link {
      [Key] Base REF Left;
      [Key] base ref Right;
};
)");
  ASSERT_EQ(schema.Classes().size(), 2u);
  const MofClass* base = schema.Find("BASE");
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base->name, "Base");
  EXPECT_EQ(base->superclass, "");
  ASSERT_NE(base->Qualifier("description"), nullptr);
  EXPECT_EQ(base->Qualifier("Description")->value.Strings(),
            std::vector<std::string>{"A joined text:\t\"q\" \\ A\xC3\xA9!"});
  EXPECT_TRUE(base->Qualifier("Abstract")->value.items[0].boolean);

  ASSERT_EQ(base->properties.size(), 10u);
  const MofProperty& id = base->properties[0];
  EXPECT_EQ(id.type, "string");
  EXPECT_FALSE(id.array);
  EXPECT_EQ(id.Qualifier("MaxLen")->value.items[0].integer, 64u);
  EXPECT_FALSE(id.defaultValue.has_value());

  const MofProperty& states = base->properties[1];
  EXPECT_EQ(states.type, "uint16");
  EXPECT_TRUE(states.array);
  EXPECT_EQ(states.arraySize, 0u);
  EXPECT_EQ(states.Qualifier("ValueMap")->value.Strings(), (std::vector<std::string>{"0", "2", ".."}));
  EXPECT_EQ(states.Qualifier("Values")->flavors, (std::vector<std::string>{"tosubclass", "translatable"}));
  ASSERT_TRUE(states.defaultValue && states.defaultValue->array);
  EXPECT_EQ(states.defaultValue->items.size(), 2u);
  EXPECT_EQ(states.defaultValue->items[1].integer, 2u);

  const MofProperty& offsets = base->properties[2];
  EXPECT_EQ(offsets.arraySize, 4u);
  const std::vector<MofScalar>& o = offsets.defaultValue->items;
  ASSERT_EQ(o.size(), 4u);
  EXPECT_TRUE(o[0].negative);
  EXPECT_EQ(o[0].integer, 128u);
  EXPECT_FALSE(o[1].negative);
  EXPECT_EQ(o[2].integer, 8u);  // octal
  EXPECT_EQ(o[3].integer, 5u);  // binary

  EXPECT_EQ(base->properties[3].defaultValue->items[0].kind, MofScalar::Kind::Real);
  EXPECT_DOUBLE_EQ(base->properties[3].defaultValue->items[0].real, -0.25);
  EXPECT_TRUE(base->properties[4].defaultValue->items[0].boolean);
  EXPECT_EQ(base->properties[5].defaultValue->items[0].text, "x");
  EXPECT_TRUE(base->properties[6].defaultValue->IsNull());
  EXPECT_EQ(base->properties[7].defaultValue->items[0].integer, 0xFFFFFFFFFFFFFFFFu);
  EXPECT_TRUE(base->properties[8].defaultValue->items[0].negative);
  EXPECT_EQ(base->properties[8].defaultValue->items[0].integer, 9223372036854775808u);
  // An array qualifier given one value in parentheses is an array of one.
  EXPECT_TRUE(base->properties[9].Qualifier("Deprecated")->value.array);

  ASSERT_EQ(base->methods.size(), 1u);
  const MofMethod& start = base->methods[0];
  EXPECT_EQ(start.returnType, "uint32");
  ASSERT_EQ(start.parameters.size(), 3u);
  EXPECT_EQ(start.parameters[0].type, "uint16");
  EXPECT_NE(start.parameters[0].Qualifier("Out"), nullptr);
  EXPECT_TRUE(start.parameters[1].IsReference());
  EXPECT_EQ(start.parameters[1].refClass, "Base");
  EXPECT_FALSE(start.parameters[1].Qualifier("In")->value.items[0].boolean);
  EXPECT_TRUE(start.parameters[2].array);

  const MofClass* link = schema.Find("Link");
  ASSERT_EQ(link->properties.size(), 2u);
  EXPECT_EQ(link->properties[1].type, "ref");
  EXPECT_EQ(link->properties[1].refClass, "base");
  EXPECT_NE(link->properties[1].Qualifier("key"), nullptr);

  const MofQualifierDecl* values = schema.FindQualifierDecl("values");
  ASSERT_NE(values, nullptr);
  EXPECT_TRUE(values->array);
  EXPECT_TRUE(values->defaultValue.IsNull());
  EXPECT_EQ(values->flavors, (std::vector<std::string>{"enableoverride", "tosubclass", "translatable"}));
  EXPECT_TRUE(values->Propagates());
  EXPECT_FALSE(schema.FindQualifierDecl("Override")->Propagates());
  EXPECT_DOUBLE_EQ(schema.FindQualifierDecl("Weight")->defaultValue.items[0].real, 1.5);
}

TEST(MofReader, ErrorsNameSourceLineAndColumnOfWhatWasExpected) {
  const std::pair<std::string_view, std::string_view> kCases[] = {
      {"class A {\n   string X\n};", "t.mof:3:1: expected ';' after the property X, not '}'"},
      {"class A {\n   [Keys] string X;\n};", "t.mof:2:5: expected a declared qualifier, not Keys"},
      {"class A : B {};", "t.mof:1:11: expected superclass B to be declared before A"},
      {"class A {};\nclass a {};", "t.mof:2:7: expected class a to be declared once"},
      {"class A {\n   [MaxLen (\"8\")] string X;\n};", "t.mof:2:13: expected a value of type uint32 for qualifier MaxLen"},
      {"class A {\n   uint8 X = 256;\n};", "t.mof:2:14: expected a value of type uint8 for X"},
      {"class A {\n   uint8 X = -1;\n};", "t.mof:2:14: expected a value of type uint8 for X"},
      {"class A {\n   [Key (\"yes\")] string X;\n};", "t.mof:2:10: expected a value of type boolean for qualifier Key"},
      {"class A {\n   [ValueMap] uint16 X;\n};",
       "t.mof:2:13: expected a value for qualifier ValueMap (only boolean ones stand alone)"},
      {"[Key] class A {};", "t.mof:1:1: expected a qualifier allowed on a class, not Key"},
      {"class A {\n   [Description (\"open\n   )] string X;\n};", "t.mof:2:18: expected \" to close this literal"},
      {"class A {\n   strng X;\n};", "t.mof:2:4: expected a CIM data type, or a class name followed by REF, not 'strng'"},
      {"class A {\n   string X;\n   uint8 x;\n};", "t.mof:3:10: expected x to be declared once in A"},
      {"/* never closed\nclass A {};", "t.mof:1:1: expected */ to close this comment"},
      {"class A {\n   string X;\n};\nclass B : A {\n   [Override (\"Y\")] string Y;\n};",
       "t.mof:5:28: expected an inherited property Y to override (A has none)"},
      {"class A {\n   string X;\n};\nclass B : A {\n   [Override (\"x2\")] string X;\n};",
       "t.mof:5:29: expected Override (\"X\") on X: an override keeps the name"},
      {"class A {\n   string X;\n};\nclass B : A {\n   uint8 X;\n};",
       "t.mof:5:10: expected Override (\"X\") on X, which A has already"},
      {"Qualifier Q : boolean, Scope(klass);", "t.mof:1:30: expected a scope, not 'klass'"},
      {"Qualifier Q : boolean, Scope(class), Flavor(Sticky);", "t.mof:1:45: expected a flavor, not 'Sticky'"},
      {"Qualifier Key : boolean, Scope(class);", "t.mof:1:11: expected qualifier Key to be declared once"},
      {"instance of A {};", "t.mof:1:1: expected a class, qualifier or #pragma declaration, not 'instance'"},
      {"#pragma include (\"x.mof\")", "t.mof:1:9: expected no #pragma include here (no include resolver was given)"},
      {"class A {\n   uint32 M(string P, uint8 P);\n};", "t.mof:2:29: expected parameter P once in M"},
      {"class A {\n   uint64 X = 18446744073709551616;\n};", "t.mof:2:15: expected a number that fits 64 bits, not 18446744073709551616"},
  };
  for (const auto& [text, expected] : kCases) {
    EXPECT_EQ(ErrorOf(text), expected) << text;
  }
}

TEST(MofReader, IncludesGoThroughTheCallerAndErrorsNameTheIncludedSource) {
  std::map<std::string, std::string> files = {
      {"index.mof", "#pragma include (\"dir/\" \"a.mof\")\nclass Top : A {};\n"},
      {"dir/a.mof", "#pragma include (\"b.mof\")\nclass A : B {};\n"},
      {"b.mof", "class B {\n   string Name;\n};\n"},
  };
  std::vector<std::pair<std::string, std::string>> calls;
  auto resolve = [&](std::string_view path, std::string_view from) -> std::optional<MofSource> {
    calls.emplace_back(path, from);
    auto it = files.find(std::string(path));
    if (it == files.end()) return std::nullopt;
    return MofSource{it->first, it->second};
  };
  MofSchema schema;
  ReadMof(schema, "index.mof", files["index.mof"], resolve);
  ASSERT_EQ(schema.Classes().size(), 3u);
  EXPECT_EQ(schema.Classes()[0].name, "B");  // included text is read where the pragma stands
  EXPECT_EQ(schema.Classes()[2].name, "Top");
  EXPECT_EQ(calls, (std::vector<std::pair<std::string, std::string>>{{"dir/a.mof", "index.mof"}, {"b.mof", "dir/a.mof"}}));
  EXPECT_TRUE(schema.IsSubclassOf("top", "B"));

  files["b.mof"] = "class B {\n   string Name\n};\n";
  MofSchema broken;
  try {
    ReadMof(broken, "index.mof", files["index.mof"], resolve);
    FAIL() << "no error";
  } catch (const MofError& e) {
    EXPECT_STREQ(e.what(), "b.mof:3:1: expected ';' after the property Name, not '}'");
  }

  files.erase("b.mof");
  MofSchema missing;
  try {
    ReadMof(missing, "index.mof", files["index.mof"], resolve);
    FAIL() << "no error";
  } catch (const MofError& e) {
    EXPECT_STREQ(e.what(), "dir/a.mof:1:9: expected an include file that exists: \"b.mof\" was not found");
  }

  // A file that includes itself stops at a bounded depth.
  files["loop.mof"] = "#pragma include (\"loop.mof\")\n";
  MofSchema loop;
  EXPECT_THROW(ReadMof(loop, "loop.mof", files["loop.mof"], resolve), MofError);
}

TEST(MofReader, AllPropertiesResolvesOverridesWithPropagatingQualifiers) {
  MofSchema schema = Read(R"(
[Abstract]
class Root {
      [Key, MaxLen (16)]
   string Id;
      [ValueMap {"0", "1"}, Values {"Off", "On"}, Deprecated {"Root.Level"}]
   uint16 State = 1;
   string Caption;
      [ValueMap {"0", "1"}]
   uint32 Reset([In, Description ("how")] uint16 How, [Out] string Report);
};
class Middle : Root {
      [Override ("State"), Values {"Stopped", "Running"}]
   uint16 State;
   uint32 Level;
      [Override ("Reset")]
   uint32 Reset([In, ValueMap {"2"}] uint16 How, [Out] string Report);
};
class Leaf : Middle {
      [Override ("Id"), MaxLen (32)]
   string Id;
   string Extra;
};
)");
  const MofClass* leaf = schema.Find("Leaf");
  ASSERT_NE(leaf, nullptr);
  std::vector<std::string> names;
  for (const MofProperty* p : schema.AllProperties(*leaf)) names.push_back(p->name);
  // Inherited ones first and in their places, overrides included; then new ones.
  EXPECT_EQ(names, (std::vector<std::string>{"Id", "State", "Caption", "Level", "Extra"}));

  std::vector<const MofProperty*> all = schema.AllProperties(*leaf);
  const MofProperty& id = *all[0];
  ASSERT_NE(id.Qualifier("Key"), nullptr);  // from Root, through an override that does not repeat it
  EXPECT_EQ(id.Qualifier("MaxLen")->value.items[0].integer, 32u);
  EXPECT_NE(id.Qualifier("Override"), nullptr);  // Leaf's own
  const MofProperty& state = *all[1];
  EXPECT_EQ(state.Qualifier("ValueMap")->value.Strings(), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(state.Qualifier("Values")->value.Strings(), (std::vector<std::string>{"Stopped", "Running"}));
  EXPECT_EQ(state.Qualifier("Deprecated"), nullptr);  // restricted to Root
  EXPECT_EQ(state.Qualifier("Override"), nullptr);    // restricted to Middle
  ASSERT_TRUE(state.defaultValue.has_value());
  EXPECT_EQ(state.defaultValue->items[0].integer, 1u);  // kept from Root

  // Middle sees its own override with the Override qualifier; Root is untouched.
  const MofClass* middle = schema.Find("Middle");
  EXPECT_NE(schema.AllProperties(*middle)[1]->Qualifier("Override"), nullptr);
  const MofClass* root = schema.Find("Root");
  EXPECT_EQ(schema.AllProperties(*root)[1]->Qualifier("Values")->value.Strings(), (std::vector<std::string>{"Off", "On"}));
  EXPECT_EQ(schema.AllProperties(*root).size(), 3u);

  std::vector<const MofMethod*> methods = schema.AllMethods(*leaf);
  ASSERT_EQ(methods.size(), 1u);
  const MofParameter& how = methods[0]->parameters[0];
  EXPECT_EQ(how.Qualifier("ValueMap")->value.Strings(), std::vector<std::string>{"2"});
  EXPECT_EQ(how.Qualifier("Description")->value.Strings(), std::vector<std::string>{"how"});
  EXPECT_EQ(methods[0]->Qualifier("ValueMap")->value.Strings(), (std::vector<std::string>{"0", "1"}));

  EXPECT_TRUE(schema.IsSubclassOf("leaf", "ROOT"));
  EXPECT_TRUE(schema.IsSubclassOf("Leaf", "Middle"));
  EXPECT_FALSE(schema.IsSubclassOf("Leaf", "Leaf"));
  EXPECT_FALSE(schema.IsSubclassOf("Root", "Leaf"));
  EXPECT_FALSE(schema.IsSubclassOf("Leaf", "Nowhere"));

  // A class that is not the schema's own has nothing to resolve.
  MofClass stranger = *leaf;
  EXPECT_TRUE(schema.AllProperties(stranger).empty());
}

}  // namespace
}  // namespace zubwbem
