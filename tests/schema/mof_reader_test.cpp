// The MOF reader on small texts: what it reads, where it stops, includes, and
// how a class's inherited elements are resolved.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>
#include <type_traits>

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

// The error reading with `read` ends in.
std::string ErrorOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const MofError& e) {
    return e.what();
  }
  return "no error";
}

using V = std::vector<std::string>;

// Values and elements written back much as the texts below declare them:
// null, true, -128, -0.25, "x", {0, 2}; "[Key true] Base REF Left".
std::string Shown(const MofValue& value) {
  std::string out;
  for (const MofScalar& s : value.items) {
    std::ostringstream item;
    if (s.kind == MofScalar::Kind::Null) item << "null";
    if (s.kind == MofScalar::Kind::Boolean) item << (s.boolean ? "true" : "false");
    if (s.kind == MofScalar::Kind::Integer) item << (s.negative ? "-" : "") << s.integer;
    if (s.kind == MofScalar::Kind::Real) item << s.real;
    if (s.kind == MofScalar::Kind::String) item << '"' << s.text << '"';
    out += (out.empty() ? "" : ", ") + item.str();
  }
  return value.array ? "{" + out + "}" : out;
}
template <typename T>  // MofProperty or MofParameter
V Declared(const std::vector<T>& elements) {
  V out;
  for (const T& e : elements) {
    std::vector<std::string> qualifiers;  // by name: the order they reach a class in is no matter
    for (const MofQualifier& q : e.qualifiers) qualifiers.push_back(q.name + " " + Shown(q.value));
    std::sort(qualifiers.begin(), qualifiers.end());
    std::string text;
    for (const std::string& q : qualifiers) text += (text.empty() ? "[" : ", ") + q;
    text += (text.empty() ? "" : "] ") + (e.IsReference() ? e.refClass + " REF" : e.type) + " " + e.name;
    if (e.array) text += "[" + (e.arraySize ? std::to_string(e.arraySize) : "") + "]";
    if constexpr (std::is_same_v<T, MofProperty>) {
      if (e.defaultValue) text += " = " + Shown(*e.defaultValue);
    }
    out.push_back(text);
  }
  return out;
}
// The properties of `cls` with the inherited ones resolved.
V Resolved(const MofSchema& schema, std::string_view cls) {
  std::vector<MofProperty> all;
  for (const MofProperty* p : schema.AllProperties(*schema.Find(cls))) all.push_back(*p);
  return Declared(all);
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
  ASSERT_TRUE(base->Qualifier("description") && base->Qualifier("Abstract"));
  EXPECT_EQ(base->Qualifier("Description")->value.Strings(), V{"A joined text:\t\"q\" \\ A\xC3\xA9!"});
  EXPECT_EQ(Shown(base->Qualifier("Abstract")->value), "true");

  // Types in lower case; hex, octal and binary numbers; an array qualifier
  // given one value in parentheses is an array of one.
  EXPECT_EQ(Declared(base->properties),
            (V{"[Key true, MaxLen 64] string Id",
               R"([ValueMap {"0", "2", ".."}, Values {"Unknown", "OK", "Reserved"}] uint16 States[] = {0, 2})",
               "sint8 Offsets[4] = {-128, 127, 8, 5}", "real64 Ratio = -0.25", "boolean Enabled = true",
               "char16 Letter = \"x\"", "datetime When = null", "uint64 Big = 18446744073709551615",
               "sint64 Small = -9223372036854775808", R"([Deprecated {"Base.States"}] string Old)"}));
  EXPECT_EQ(base->properties[1].Qualifier("Values")->flavors, (V{"tosubclass", "translatable"}));
  ASSERT_EQ(base->methods.size(), 1u);
  EXPECT_EQ(base->methods[0].returnType, "uint32");
  EXPECT_EQ(Declared(base->methods[0].parameters),
            (V{R"([In true, Out true, ValueMap {"1"}] uint16 Mode)", "[In false, Out true] Base REF Job",
               "[In true] string Names[]"}));
  EXPECT_EQ(Declared(schema.Find("Link")->properties), (V{"[Key true] Base REF Left", "[Key true] base REF Right"}));

  const MofQualifierDecl* values = schema.FindQualifierDecl("values");
  ASSERT_NE(values, nullptr);
  EXPECT_TRUE(values->array);
  EXPECT_TRUE(values->defaultValue.IsNull());
  EXPECT_EQ(values->flavors, (V{"enableoverride", "tosubclass", "translatable"}));
  EXPECT_EQ(Shown(schema.FindQualifierDecl("Weight")->defaultValue), "1.5");
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
    EXPECT_EQ(ErrorOf([&] { Read(text); }), expected) << text;
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

  auto errorOf = [&](const std::string& file) {
    MofSchema again;
    return ErrorOf([&] { ReadMof(again, file, files[file], resolve); });
  };
  files["b.mof"] = "class B {\n   string Name\n};\n";
  EXPECT_EQ(errorOf("index.mof"), "b.mof:3:1: expected ';' after the property Name, not '}'");
  files.erase("b.mof");
  EXPECT_EQ(errorOf("index.mof"), "dir/a.mof:1:9: expected an include file that exists: \"b.mof\" was not found");
  // A file that includes itself stops at a bounded depth.
  files["loop.mof"] = "#pragma include (\"loop.mof\")\n";
  EXPECT_NE(errorOf("loop.mof"), "no error");
}

TEST(MofReader, AllPropertiesResolvesOverridesWithPropagatingQualifiers) {
  MofSchema schema = Read(R"(
[Abstract] class Root {
   [Key, MaxLen (16)] string Id;
   [ValueMap {"0", "1"}, Values {"Off", "On"}, Deprecated {"Root.Level"}] uint16 State = 1;
   string Caption;
   [ValueMap {"0", "1"}] uint32 Reset([In, Description ("how")] uint16 How, [Out] string Report);
};
class Middle : Root {
   [Override ("State"), Values {"Stopped", "Running"}] uint16 State;
   uint32 Level;
   [Override ("Reset")] uint32 Reset([In, ValueMap {"2"}] uint16 How, [Out] string Report);
};
class Leaf : Middle {
   [Override ("Id"), MaxLen (32)] string Id;
   string Extra;
};
)");
  // Inherited ones first and in their places, overrides included; then new
  // ones. What reaches each: Key through an override that does not repeat it,
  // the default kept, but not Deprecated and Override, restricted to their class.
  EXPECT_EQ(Resolved(schema, "Leaf"), (V{R"([Key true, MaxLen 32, Override "Id"] string Id)",
                                        R"([ValueMap {"0", "1"}, Values {"Stopped", "Running"}] uint16 State = 1)",
                                        "string Caption", "uint32 Level", "string Extra"}));
  // Middle sees its own override with the Override qualifier; Root is untouched.
  EXPECT_EQ(Resolved(schema, "Middle")[0], R"([Key true, MaxLen 16] string Id)");
  EXPECT_EQ(Resolved(schema, "Middle")[1],
            R"([Override "State", ValueMap {"0", "1"}, Values {"Stopped", "Running"}] uint16 State = 1)");
  EXPECT_EQ(Resolved(schema, "Root"),
            (V{R"([Key true, MaxLen 16] string Id)",
               R"([Deprecated {"Root.Level"}, ValueMap {"0", "1"}, Values {"Off", "On"}] uint16 State = 1)",
               "string Caption"}));

  const MofClass* leaf = schema.Find("Leaf");
  std::vector<const MofMethod*> methods = schema.AllMethods(*leaf);
  ASSERT_EQ(methods.size(), 1u);
  EXPECT_EQ(Declared(methods[0]->parameters),
            (V{R"([Description "how", In true, ValueMap {"2"}] uint16 How)", "[Out true] string Report"}));
  EXPECT_EQ(Shown(methods[0]->Qualifier("ValueMap")->value), R"({"0", "1"})");
  EXPECT_EQ(methods[0]->Qualifier("Override"), nullptr);

  EXPECT_TRUE(schema.IsSubclassOf("leaf", "ROOT") && schema.IsSubclassOf("Leaf", "Middle"));
  EXPECT_FALSE(schema.IsSubclassOf("Leaf", "Leaf") || schema.IsSubclassOf("Root", "Leaf") ||
               schema.IsSubclassOf("Leaf", "Nowhere"));

  // A class that is not the schema's own has nothing to resolve.
  MofClass stranger = *leaf;
  EXPECT_TRUE(schema.AllProperties(stranger).empty());
}

}  // namespace
}  // namespace zubwbem
