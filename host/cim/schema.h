// schema.h: the CIM classes the server answers for, in each namespace it
// serves:
// - every standard CIM_ class of the project's DMTF schema (dmtf_schema.h),
//   with its properties, methods, parameters and qualifiers, inherited ones
//   resolved (each knows the class it comes from);
// - each catalogue class (framework/catalog.h) in the namespace its row
//   names, as a subclass of its standard class: it inherits every property
//   and method, overrides those its record holds (keeping the standard
//   type, array-ness and qualifiers) and adds the rest of its record's
//   properties and its own methods; a text the record holds where the
//   standard class declares a code (NameFormat of a SCSI protocol
//   controller) makes the code "Other" and fills its Other... property;
// - the alert classes an indication may be (framework/alert.h), the same
//   way on CIM_AlertIndication with the alert record's fields;
// - the standard subscription classes (CIM_IndicationFilter,
//   CIM_ListenerDestinationCIMXML, CIM_IndicationSubscription), whose
//   instances clients create in the interop namespace and the server keeps.
// Problem() says when a catalogue row names a standard class the schema
// lacks, or a record field cannot stand for the standard property it
// overrides (the schema tests fail on it).
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/catalog.h"
#include "host/cim/mof_reader.h"

namespace zubwbem {

// A property, a method parameter or a return value's type.
struct CimTyped {
  std::string name;
  CimType type = CimType::String;
  bool array = false;
  std::string refClass;  // references: the class pointed to
};

struct CimProperty : CimTyped {
  bool key = false;                  // a key of the instance paths the server writes
  const FieldDesc* field = nullptr;  // the record field holding its value; null: no value (NULL)
  std::optional<std::string> constant;  // without a field: the value every instance has
  std::string classOrigin;           // the class that first declares it
  bool local = false;                // declared or overridden by this class
  MofQualifiers qualifiers;          // as this class has them
  std::optional<MofValue> defaultValue;
};

struct CimParameter : CimTyped {
  bool in = false;
  bool out = false;
  ParameterDesc param{};  // the record field behind it; param.field null: the record has none
  MofQualifiers qualifiers;
};

struct CimMethod {
  std::string name;
  CimType returnType = CimType::UInt32;
  std::vector<CimParameter> params;
  const MethodDesc* desc = nullptr;  // the library's implementation; null: not supported
  std::string classOrigin;
  bool local = false;
  MofQualifiers qualifiers;
};

struct CimClass {
  std::string name;
  std::string superclass;  // "" for a root class
  std::string description;
  std::string nameSpace;   // "root/corvo_zub", "root/interop"
  bool association = false;
  const ClassDesc* desc = nullptr;  // null for a standard class (no instances of its own)
  bool kept = false;                // instances the server keeps itself (subscriptions.h)
  bool hostOwned = false;           // a class of the server's own (its instances are the server's)
  // A class name the library's references use for instances of other
  // classes: it stands for their instances (none of its own).
  std::vector<std::string> aliasOf;
  bool indication = false;          // an indication class: no instances, delivered to listeners
  MofQualifiers qualifiers;         // the class's own
  std::vector<CimProperty> properties;  // every property, inherited ones first
  std::vector<size_t> keys;         // indexes into properties, in the order paths name them
  std::vector<CimMethod> methods;   // every extrinsic method, inherited ones first
  const MethodDesc* putData = nullptr;  // the library's write path (ModifyInstance)

  const CimProperty* FindProperty(std::string_view name) const;
  const CimMethod* FindMethod(std::string_view name) const;
};

// The namespaces served, as the server spells them (canonical:
// "root/corvo_zub", "root/interop"): the library's two (framework/names.h).
const std::string& ClassNs();
const std::string& InteropNs();
// The namespace a class belongs to: its catalogue row's.
const std::string& NamespaceOfClass(std::string_view zubClass);

// The class names the library's references use for instances of other
// classes, each with the standard class it specialises: GetInstance of
// such a reference finds the instance with its keys among the classes it
// stands for.
struct AliasClass {
  std::string name;
  std::string superclass;
  std::vector<std::string> standsFor;  // catalogue classes
};
std::vector<AliasClass> AliasClasses();

// The standard classes whose instances clients create in the interop
// namespace and the server keeps (subscriptions.h).
extern const char* const kFilterClass;       // "CIM_IndicationFilter"
extern const char* const kDestinationClass;  // "CIM_ListenerDestinationCIMXML"
extern const char* const kSubscriptionClass; // "CIM_IndicationSubscription"
std::span<const char* const> KeptClassNames();

class Schema {
 public:
  explicit Schema(std::span<const ClassDesc> catalog);

  bool HasNamespace(std::string_view ns) const;
  std::vector<std::string> Namespaces() const;
  // Case-insensitive; null when the namespace does not hold it.
  const CimClass* Find(std::string_view ns, std::string_view name) const;
  // A class of any namespace served, the requested one first.
  const CimClass* FindAnywhere(std::string_view ns, std::string_view name) const;
  // Every class of a namespace: parents before children, then by name.
  std::vector<const CimClass*> ClassesIn(std::string_view ns) const;
  // Whether `cls` is `ancestor` or descends from it.
  bool IsA(const CimClass& cls, std::string_view ancestor) const;
  // The classes with instances (catalogue classes) that are `name` or
  // descend from it, in catalogue order.
  std::vector<const CimClass*> Served(std::string_view ns, std::string_view name) const;
  // Served classes of the namespace, in catalogue order.
  std::vector<const CimClass*> Served(std::string_view ns) const;
  // The kept classes (interop) that are `name` or descend from it.
  std::vector<const CimClass*> Kept(std::string_view ns, std::string_view name) const;
  // The qualifier declarations (EnumerateQualifiers, GetQualifier).
  const std::vector<MofQualifierDecl>& QualifierDecls() const;
  const MofQualifierDecl* FindQualifierDecl(std::string_view name) const;
  // What does not hold together: "" when nothing.
  const std::string& Problem() const { return m_problem; }

  // A class of the host's own in `ns`, specialising a standard class with
  // nothing added (the server's object manager, its computer system).
  const CimClass& AddHostClass(const std::string& ns, const std::string& name, const std::string& superclass,
                               const std::string& description);
  // A property of the host's own on a class of `ns`, after its others (a
  // derived property of the client view that the standard class lacks).
  void AddProperty(const std::string& ns, const std::string& cls, CimProperty property);

 private:
  CimClass& Add(const std::string& ns, CimClass cls);
  CimClass Derived(const std::string& ns, const std::string& name, const std::string& superclass);

  std::map<std::string, std::map<std::string, CimClass>> m_classes;  // canonical ns -> lower-case name -> class
  std::vector<std::pair<std::string, std::string>> m_servedOrder;   // (ns, lower-case name), catalogue order
  std::string m_problem;
};

// The CIM view of a description's field (type, array, reference class).
CimTyped TypedOf(const FieldDesc& field);
// The CIM type of a MOF type name ("uint16", "ref", ...).
CimType CimTypeOf(std::string_view mofType);

}  // namespace zubwbem
