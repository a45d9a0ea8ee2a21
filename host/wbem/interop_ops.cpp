// interop_ops.cpp: the instances the server keeps itself, the indication
// subscriptions of root/interop (subscriptions.h): listed among the
// library's instances, created and deleted by clients, and a subscription's
// state modified.
#include <algorithm>

#include "host/wbem/op_context.h"

namespace zubwbem {
namespace {

Instance InstanceOfKept(const KeptInstance& kept) {
  Instance out;
  out.cls = kept.cls;
  for (const CimProperty& p : kept.cls->properties) {
    const CimValue* v = kept.Value(p.name);
    out.values.push_back(v ? *v : CimValue{});
  }
  out.path = kept.path;
  return out;
}

const CimClass& WritableClass(OpContext& ctx, const std::string& name, const char* operation) {
  const CimClass& cls = ctx.RequireClass(name);
  if (!cls.kept || !ctx.store)
    throw CimFault(kCimNotSupported, std::string(operation) + " of " + cls.name + " is not supported");
  return cls;
}

}  // namespace

std::vector<Instance> KeptInstances(OpContext& ctx, const CimClass& cls) {
  std::vector<Instance> out;
  if (!ctx.store || !cls.kept) return out;
  for (const KeptInstance& instance : ctx.store->List(cls)) out.push_back(InstanceOfKept(instance));
  return out;
}

std::string CreateInstance(OpContext& ctx) {
  pugi::xml_node instance = ctx.request.Param("NewInstance").child("INSTANCE");
  if (!instance) throw CimFault(kCimInvalidParameter, "NewInstance must be an INSTANCE");
  const CimClass& cls = WritableClass(ctx, instance.attribute("CLASSNAME").value(), "CreateInstance");
  std::map<std::string, CimValue> values;
  for (pugi::xml_node property : instance.children()) {
    const std::string element = property.name();
    if (element != "PROPERTY" && element != "PROPERTY.ARRAY" && element != "PROPERTY.REFERENCE") continue;
    values[property.attribute("NAME").value()] = ReadValue(property);
  }
  // A subscription may name one of the provider's own filters.
  auto providerFilter = [&ctx](const CimClass& filterClass, const CimPath& path) -> std::optional<std::string> {
    for (const CimClass* served : ctx.schema.Served(InteropNs(), filterClass.name)) {
      for (const Instance& filter : ctx.gate.List(*served)) {
        if (!KeysMatch(filter.path, path)) continue;
        const CimValue* query = filter.Value("Query");
        if (query && !query->items.empty()) return query->items.front();
      }
    }
    return std::nullopt;
  };
  const CimPath created = ctx.store->Create(cls, values, providerFilter);
  XmlOut out;
  out.InstanceName(created);
  out.Raw("\n");
  return std::move(out.Text());
}

void ModifyKeptInstance(OpContext& ctx) {
  pugi::xml_node named = ctx.request.Param("ModifiedInstance").child("VALUE.NAMEDINSTANCE");
  if (!named) throw CimFault(kCimInvalidParameter, "ModifiedInstance must be a VALUE.NAMEDINSTANCE");
  CimPath path = ReadInstanceName(named.child("INSTANCENAME"));
  const CimClass& cls = WritableClass(ctx, path.className, "ModifyInstance");
  CheckKeys(cls, path);
  // With a PropertyList only the properties it names are modified, and one
  // it names that the instance leaves out becomes NULL (keys excepted).
  const PropertyFilter filter = ctx.Properties();
  std::map<std::string, CimValue> values;
  for (pugi::xml_node property : named.child("INSTANCE").children()) {
    const std::string element = property.name();
    if (element != "PROPERTY" && element != "PROPERTY.ARRAY" && element != "PROPERTY.REFERENCE") continue;
    const std::string name = property.attribute("NAME").value();
    if (filter.Allows(name) || !cls.FindProperty(name)) values[name] = ReadValue(property);
  }
  if (filter.Named()) {
    for (const CimProperty& p : cls.properties) {
      const bool given = std::any_of(values.begin(), values.end(), [&](const auto& v) { return EqualsNoCase(v.first, p.name); });
      if (!p.key && !given && filter.Allows(p.name)) values[p.name] = CimValue{};
    }
  }
  ctx.store->Modify(cls, path, values);
}

void DeleteInstance(OpContext& ctx) {
  pugi::xml_node param = ctx.request.Param("InstanceName");
  if (!param) throw CimFault(kCimInvalidParameter, "DeleteInstance needs InstanceName");
  CimPath path = ReadInstanceName(param.child("INSTANCENAME"));
  const CimClass& cls = WritableClass(ctx, path.className, "DeleteInstance");
  CheckKeys(cls, path);
  ctx.store->Delete(cls, path);
}

}  // namespace zubwbem
