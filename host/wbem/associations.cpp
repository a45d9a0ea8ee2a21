// associations.cpp: Associators, AssociatorNames, References and
// ReferenceNames, computed from the association classes' instances of every
// namespace served (an association of root/interop links the profiles to
// elements of root/corvo_zub): every reference property of an association
// is a role, and an association instance links the instances its
// references name, each found in the namespace its reference names.
#include <functional>
#include <set>

#include "host/wbem/op_context.h"

namespace zubwbem {
namespace {

struct Filters {
  const CimClass* assocClass = nullptr;
  const CimClass* resultClass = nullptr;
  std::string role;
  std::string resultRole;
};

// An optional class filter: a class of any namespace served (the request's
// first); a class none has is an error.
const CimClass* ClassFilter(OpContext& ctx, const char* name) {
  pugi::xml_node param = ctx.request.Param(name);
  if (!param || !param.child("CLASSNAME")) return nullptr;
  std::string cls = ReadClassName(param, name);
  const CimClass* found = ctx.schema.FindAnywhere(ctx.nameSpace, cls);
  if (!found) throw CimFault(kCimInvalidParameter, std::string(name) + " " + cls + " is not a class of this server");
  return found;
}

std::string TextFilter(OpContext& ctx, const char* name) {
  pugi::xml_node param = ctx.request.Param(name);
  if (!param || !param.child("VALUE")) return "";
  return ReadString(param, name);
}

CimPath ObjectName(OpContext& ctx, const char* name) {
  pugi::xml_node param = ctx.request.Param(name);
  if (!param) throw CimFault(kCimInvalidParameter, std::string(name) + " is missing");
  if (param.child("CLASSNAME"))
    throw CimFault(kCimNotSupported, "associations of a class (rather than an instance) are not served");
  CimPath path = ReadInstanceName(param.child("INSTANCENAME"));
  const CimClass& cls = ctx.RequireClass(path.className);
  CheckKeys(cls, path);
  return path;
}

// Whether a class name may name the instance of `cls`: the same class, a
// class it descends from, a general class that stands for it (an alias) or
// one it stands for (the object named by an alias, a reference naming the
// instance by its own class), or a class the schema does not know (the
// keys decide then).
bool ClassFits(OpContext& ctx, const std::string& name, const CimClass& cls) {
  const CimClass* named = ctx.schema.Find(cls.nameSpace, name);
  if (!named || ctx.schema.IsA(cls, named->name)) return true;
  for (const std::string& standsFor : named->aliasOf) {
    if (ctx.schema.IsA(cls, standsFor)) return true;
  }
  for (const std::string& standsFor : cls.aliasOf) {
    if (ctx.schema.IsA(*named, standsFor)) return true;
  }
  return false;
}

// Whether reference `ref` names the object `object` (of class `objectClass`).
bool Names(OpContext& ctx, const CimPath& ref, const CimPath& object, const CimClass& objectClass) {
  return KeysMatch(ref, object) && (EqualsNoCase(ref.className, object.className) || ClassFits(ctx, ref.className, objectClass));
}

// Calls visit(association instance, index of the role the object plays) for
// each association instance, of any namespace, that names the object in an
// allowed role.
template <class Visit>
void ForEachLink(OpContext& ctx, InstanceCache& cache, const CimPath& object, const CimClass& objectClass,
                 const CimClass* assocFilter, const std::string& role, Visit visit) {
  for (const std::string& ns : ctx.schema.Namespaces()) {
    for (const Instance* link : cache.In(ns)) {
      const CimClass& assoc = *link->cls;
      if (!assoc.association) continue;
      if (assocFilter && !ctx.schema.IsA(assoc, assocFilter->name)) continue;
      for (size_t i = 0; i < assoc.properties.size(); ++i) {
        const CimProperty& p = assoc.properties[i];
        if (p.type != CimType::Reference || p.array || link->values[i].refs.empty()) continue;
        if (!role.empty() && !EqualsNoCase(role, p.name)) continue;
        const CimPath& ref = link->values[i].refs.front();
        // A reference without a namespace names the association's own.
        const std::string refNs = ref.ns.empty() ? ns : CanonicalNamespace(JoinNamespace(ref.ns));
        if (refNs != CanonicalNamespace(objectClass.nameSpace)) continue;
        if (Names(ctx, ref, object, objectClass)) visit(*link, i);
      }
    }
  }
}

InstanceOptions OptionsOf(OpContext& ctx) {
  InstanceOptions options;
  options.properties = ctx.Properties();
  options.classOrigin = ctx.Flag("IncludeClassOrigin", false);
  return options;
}

void WriteObject(XmlOut& out, const Instance& instance, bool names, const InstanceOptions& options) {
  if (names) {
    out.Raw("<OBJECTPATH>");
    out.InstancePath(instance.path);
    out.Raw("</OBJECTPATH>\n");
    return;
  }
  out.Raw("<VALUE.OBJECTWITHPATH>\n");
  out.InstancePath(instance.path);
  out.Raw("\n");
  out.Instance(instance, options);
  out.Raw("</VALUE.OBJECTWITHPATH>\n");
}

}  // namespace

void VisitAssociators(OpContext& ctx, const char* objectParam, const std::function<void(const Instance&)>& emit) {
  CimPath object = ObjectName(ctx, objectParam);
  const CimClass& objectClass = ctx.RequireClass(object.className);
  Filters f;
  f.assocClass = ClassFilter(ctx, "AssocClass");
  f.resultClass = ClassFilter(ctx, "ResultClass");
  f.role = TextFilter(ctx, "Role");
  f.resultRole = TextFilter(ctx, "ResultRole");
  InstanceCache cache(ctx);
  std::set<std::string> seen;
  ForEachLink(ctx, cache, object, objectClass, f.assocClass, f.role, [&](const Instance& link, size_t role) {
    const CimClass& assoc = *link.cls;
    for (size_t i = 0; i < assoc.properties.size(); ++i) {
      const CimProperty& p = assoc.properties[i];
      if (i == role || p.type != CimType::Reference || p.array || link.values[i].refs.empty()) continue;
      if (!f.resultRole.empty() && !EqualsNoCase(f.resultRole, p.name)) continue;
      CimPath ref = link.values[i].refs.front();
      if (ref.ns.empty()) ref.ns = SplitNamespace(assoc.nameSpace);
      const Instance* result = cache.Resolve(ref);
      if (!result) continue;
      if (f.resultClass && !ctx.schema.IsA(*result->cls, f.resultClass->name)) continue;
      if (!seen.insert(JoinNamespace(result->path.ns) + ":" + Describe(result->path)).second) continue;
      emit(*result);
    }
  });
}

void VisitReferences(OpContext& ctx, const char* objectParam, const std::function<void(const Instance&)>& emit) {
  CimPath object = ObjectName(ctx, objectParam);
  const CimClass& objectClass = ctx.RequireClass(object.className);
  const CimClass* resultClass = ClassFilter(ctx, "ResultClass");
  const std::string role = TextFilter(ctx, "Role");
  InstanceCache cache(ctx);
  std::set<std::string> seen;
  ForEachLink(ctx, cache, object, objectClass, resultClass, role, [&](const Instance& link, size_t) {
    if (seen.insert(JoinNamespace(link.path.ns) + ":" + Describe(link.path)).second) emit(link);
  });
}

std::string Associators(OpContext& ctx, bool names) {
  InstanceOptions options = names ? InstanceOptions() : OptionsOf(ctx);
  XmlOut out;
  VisitAssociators(ctx, "ObjectName", [&](const Instance& result) { WriteObject(out, result, names, options); });
  return std::move(out.Text());
}

std::string References(OpContext& ctx, bool names) {
  InstanceOptions options = names ? InstanceOptions() : OptionsOf(ctx);
  XmlOut out;
  VisitReferences(ctx, "ObjectName", [&](const Instance& link) { WriteObject(out, link, names, options); });
  return std::move(out.Text());
}

}  // namespace zubwbem
