// mof_reader.h: CIM classes and qualifier declarations read from MOF text
// (DSP0221, the subset DMTF's schema files are written in), and the schema
// they make.
//
// ReadMof reads one MOF text into a MofSchema: comments, `#pragma include`
// (handed to the caller's resolver, so the same reader serves text compiled
// into the binary and files on disk), other pragmas (read and ignored),
// qualifier declarations and class declarations with their qualifiers,
// properties, references, methods and parameters. It checks what a schema
// must hold together: every qualifier used is declared first, with a value of
// its type (a boolean qualifier named alone is true); scopes and flavors are
// known names; a class is declared once and after its superclass; an
// element the class inherits is declared again only with the Override
// qualifier, which names it under its own name.
// REF classes are not checked (a reference may name a class declared later).
// Anything else throws MofError, whose what() is one line
// "SOURCE:LINE:COL: what was expected" (columns count bytes from 1).
//
// What a class has (MofSchema::AllProperties, AllMethods): every inherited
// element followed by the class's new ones, the root class's first. An
// element declared again under an inherited name (the Override qualifier
// says so) takes the inherited one's place; its qualifiers are the
// inherited ones that propagate (the declaration's flavor is not Restricted,
// e.g. Key, ValueMap, Values) with the class's own ones replacing those of
// the same name, and a property without a default value keeps the inherited
// one. Restricted qualifiers (Override, Abstract, Deprecated, Experimental,
// Version) never reach a subclass. The merged elements live in the schema
// and are made when the class is read.
//
// Names of classes, properties, methods and qualifiers are compared without
// regard to case and kept as written. Type names are kept in lower case.
// Pointers into a schema stay valid until it is read into again.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zubwbem {

class MofError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One value: a boolean, an integer (`negative` with its magnitude in
// `integer`, so every uint64 and sint64 fits), a real, a string (also a
// char16 literal), or NULL.
struct MofScalar {
  enum class Kind { Null, Boolean, Integer, Real, String };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::uint64_t integer = 0;
  bool negative = false;
  double real = 0;
  std::string text;
};

// A qualifier's or default's value: one scalar, or an array `{...}`. NULL is
// a scalar of kind Null (`null` in the MOF), also where an array was allowed.
struct MofValue {
  bool array = false;
  std::vector<MofScalar> items;  // a scalar has exactly one

  bool IsNull() const { return !array && (items.empty() || items[0].kind == MofScalar::Kind::Null); }
  // The texts of a string value or string array (ValueMap, Values); empty
  // for anything else.
  std::vector<std::string> Strings() const;
};

struct MofQualifier {
  std::string name;
  MofValue value;
  std::vector<std::string> flavors;  // given at the use (`: ToSubclass`), usually none
};
using MofQualifiers = std::vector<MofQualifier>;

// Case-insensitive lookup in a qualifier list; null when absent.
const MofQualifier* FindQualifier(const MofQualifiers& qualifiers, std::string_view name);

// A property, reference or parameter. `type` is "string", "boolean",
// "uint8".."uint64", "sint8".."sint64", "real32", "real64", "datetime",
// "char16", or "ref" with the class referred to in `refClass`.
struct MofTyped {
  std::string name;
  std::string type;
  std::string refClass;
  bool array = false;
  std::size_t arraySize = 0;  // `X[8]`: 8; 0 for `X[]` and scalars
  MofQualifiers qualifiers;

  bool IsReference() const { return type == "ref"; }
  const MofQualifier* Qualifier(std::string_view name) const { return FindQualifier(qualifiers, name); }
};

struct MofProperty : MofTyped {
  std::optional<MofValue> defaultValue;
};

struct MofParameter : MofTyped {};

struct MofMethod {
  std::string name;
  std::string returnType;  // a type name as MofTyped::type ("ref" is not allowed)
  MofQualifiers qualifiers;
  std::vector<MofParameter> parameters;

  const MofQualifier* Qualifier(std::string_view name) const { return FindQualifier(qualifiers, name); }
};

// A class as declared: its own qualifiers and the elements it declares
// (new ones and overrides), in MOF order.
struct MofClass {
  std::string name;
  std::string superclass;  // "" for a root class
  MofQualifiers qualifiers;
  std::vector<MofProperty> properties;  // references included
  std::vector<MofMethod> methods;

  const MofQualifier* Qualifier(std::string_view name) const { return FindQualifier(qualifiers, name); }
};

// `Qualifier Name : type[] = default, Scope(...), Flavor(...);`. Scopes and
// flavors are in lower case; `defaultValue` is null when none was given.
struct MofQualifierDecl {
  std::string name;
  std::string type;
  bool array = false;
  std::size_t arraySize = 0;
  MofValue defaultValue;
  std::vector<std::string> scopes;
  std::vector<std::string> flavors;

  bool Has(std::string_view flavor) const;
  // Whether a use of it reaches subclasses (no Restricted flavor).
  bool Propagates() const { return !Has("restricted"); }
};

class MofSchema {
 public:
  // Declaration order: every class after its superclass.
  const std::vector<MofClass>& Classes() const { return m_classes; }
  const std::vector<MofQualifierDecl>& QualifierDecls() const { return m_qualifierDecls; }

  // Case-insensitive; null when not declared.
  const MofClass* Find(std::string_view name) const;
  const MofQualifierDecl* FindQualifierDecl(std::string_view name) const;

  // Whether `cls` descends from `ancestor` (a class is not its own
  // subclass); false when either is not declared.
  bool IsSubclassOf(std::string_view cls, std::string_view ancestor) const;

  // Every property and method the class has, inherited ones resolved as the
  // top of this header says. `cls` must be one of this schema's classes
  // (else the result is empty).
  std::vector<const MofProperty*> AllProperties(const MofClass& cls) const;
  std::vector<const MofMethod*> AllMethods(const MofClass& cls) const;

 private:
  friend class MofParser;
  struct Resolved {
    std::vector<MofProperty> properties;
    std::vector<MofMethod> methods;
  };
  std::vector<MofClass> m_classes;
  std::vector<Resolved> m_resolved;  // parallel to m_classes
  std::map<std::string, std::size_t> m_classIndex;  // lower-case name -> index
  std::vector<MofQualifierDecl> m_qualifierDecls;
  std::map<std::string, std::size_t> m_qualifierIndex;
};

// What `#pragma include ("path")` brings in: the text and the name it is
// known by in error messages and further includes.
struct MofSource {
  std::string name;
  std::string text;
};
// Called with the included path as written and the name of the source that
// includes it; nullopt when there is no such file (ReadMof then throws).
using MofIncludeResolver = std::function<std::optional<MofSource>(std::string_view path, std::string_view from)>;

// Reads `text` (known as `sourceName`) into `schema`, includes included where
// they stand. Without a resolver an include throws. Throws MofError; the
// schema then holds what was read before the error.
void ReadMof(MofSchema& schema, std::string_view sourceName, std::string_view text,
             const MofIncludeResolver& resolve = {});

}  // namespace zubwbem
