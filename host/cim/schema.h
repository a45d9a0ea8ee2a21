// schema.h: the CIM classes the server answers for, made from the library's
// catalogue rows and record descriptions and nothing else, plus the standard
// CIM_ classes they specialise (schema_tables.cpp), the alert classes an
// indication may be (framework/alert.h, with the alert record's properties) and
// the standard subscription classes whose instances the server keeps.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/catalog.h"

namespace zubwbem {

// A property, a method parameter or a return value's type.
struct CimTyped {
  std::string name;
  CimType type = CimType::String;
  bool array = false;
  std::string refClass;  // references: the class pointed to
};

struct CimProperty : CimTyped {
  bool key = false;
  const FieldDesc* field = nullptr;
};

struct CimParameter : CimTyped {
  bool in = false;
  bool out = false;
  ParameterDesc param{};
};

struct CimMethod {
  std::string name;
  CimType returnType = CimType::UInt32;
  std::vector<CimParameter> params;
  const MethodDesc* desc = nullptr;
};

struct CimClass {
  std::string name;
  std::string superclass;  // "" for a root class
  std::string description;
  std::string nameSpace;   // "root/corvo_zub", "root/interop"
  bool association = false;
  const ClassDesc* desc = nullptr;  // null for a standard class (no instances of its own)
  bool kept = false;                // instances the server keeps itself (subscriptions.h)
  bool indication = false;          // an alert's class: no instances, delivered to listeners
  std::vector<CimProperty> properties;
  std::vector<size_t> keys;         // indexes into properties, in key order
  std::vector<CimMethod> methods;   // extrinsic methods
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

// The standard classes the catalogue may name, with their parents.
struct StandardClass {
  const char* name;
  const char* parent;  // null for a root class
  bool association;
};
std::span<const StandardClass> StandardClasses();

// The standard classes of indication subscriptions, whose instances clients
// create in the interop namespace and the server keeps (subscriptions.h):
// their properties, keys first.
struct KeptProperty {
  const char* name;
  CimType type;
  bool key = false;
  bool array = false;
  const char* refClass = nullptr;
};
struct KeptClass {
  const char* name;
  const char* parent;  // a standard class, or null
  bool association;
  std::span<const KeptProperty> properties;
};
std::span<const KeptClass> KeptClasses();
extern const char* const kFilterClass;       // "CIM_IndicationFilter"
extern const char* const kDestinationClass;  // "CIM_ListenerDestinationCIMXML"
extern const char* const kSubscriptionClass; // "CIM_IndicationSubscription"

class Schema {
 public:
  explicit Schema(std::span<const ClassDesc> catalog);

  bool HasNamespace(std::string_view ns) const;
  // Case-insensitive; null when the namespace does not hold it.
  const CimClass* Find(std::string_view ns, std::string_view name) const;
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
  // The catalogue names a superclass the standard table lacks: "" when not.
  const std::string& Problem() const { return m_problem; }

 private:
  void AddStandardChain(const std::string& ns, const std::string& name);
  void AddKeptClasses();
  void AddIndicationClasses();

  std::map<std::string, std::map<std::string, CimClass>> m_classes;  // canonical ns -> lower-case name -> class
  std::vector<std::pair<std::string, std::string>> m_servedOrder;   // (ns, lower-case name), catalogue order
  std::string m_problem;
};

// The CIM view of a description's field (type, array, reference class).
CimTyped TypedOf(const FieldDesc& field);

}  // namespace zubwbem
