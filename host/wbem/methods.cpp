// methods.cpp: extrinsic method calls and ModifyInstance. Both start from
// the instance's own record (so the fields the library keeps for itself are
// there), set what the request gives, and call the library.
#include <memory>
#include <stdexcept>

#include "host/view/adapter.h"
#include "host/wbem/op_context.h"

namespace zubwbem {
namespace {

using RecordPtr = std::unique_ptr<void, void (*)(void*)>;

RecordPtr NewRecord(const CimClass& cls) {
  const RecordDesc& desc = cls.desc->record();
  return RecordPtr(desc.create(), desc.destroy);
}

int CimStatusOf(PROVIDER_STATUS status) {
  switch (status) {
    case PROVIDER_NOT_FOUND: return kCimNotFound;
    case PROVIDER_NOT_SUPPORTED: return kCimNotSupported;
    case PROVIDER_INVALID_PARAMETER: return kCimInvalidParameter;
    default: return kCimFailed;
  }
}

// The instance's record, or a fresh one for a call on the class.
RecordPtr TargetRecord(OpContext& ctx, const CimClass& cls, const std::optional<CimPath>& target) {
  RecordPtr record = NewRecord(cls);
  if (!target) return record;
  CheckKeys(cls, *target);
  if (!ctx.gate.FindRecord(cls, *target, record.get()))
    throw CimFault(kCimNotFound, "no instance " + Describe(*target) + " in " + ctx.nameSpace);
  return record;
}

// One output parameter, left out when NULL (wbemcli cannot read one).
void WriteOut(XmlOut& out, const CimParameter& param, const CimValue& v) {
  if (v.null || (param.type == CimType::Reference && v.refs.empty())) return;
  out.Open("PARAMVALUE").Attr("NAME", param.name).Attr("PARAMTYPE", TypeName(param.type)).Raw(">");
  out.ParamValue(param, v);
  out.Raw("</PARAMVALUE>\n");
}

// The client view's CreateOrModifyElementFromStoragePool (host/view/adapter.h)
// on a storage configuration service; not available for a service whose
// controller has no pool.
std::string InvokeAdapter(OpContext& ctx, const CimClass& cls, const CimMethod& method) {
  const Request& request = ctx.request;
  if (!request.target) throw CimFault(kCimInvalidParameter, method.name + " is called on a service, not on its class");
  CheckKeys(cls, *request.target);
  ViewInstances view(ctx.schema, ctx.gate);
  std::vector<zubcim::Json> records;
  const std::vector<Instance> services = ctx.gate.List(cls, &records);
  size_t at = 0;
  while (at < services.size() && !KeysMatch(services[at].path, *request.target)) ++at;
  if (at == services.size()) throw CimFault(kCimNotFound, "no instance " + Describe(*request.target) + " in " + ctx.nameSpace);
  if (!zubview::PoolOfService(view.Source(), records[at]))
    throw CimFault(kCimMethodNotAvailable, method.name + " is not available for " + Describe(*request.target) +
                                               ": its controller has no pool (no free, healthy disk)");
  const PathDefaults& defaults = ctx.gate.Defaults();
  zubview::PoolRequest in;
  for (pugi::xml_node p : request.params) {
    const std::string name = p.attribute("NAME").value();
    const CimParameter* param = nullptr;
    for (const CimParameter& candidate : method.params) {
      if (EqualsNoCase(candidate.name, name)) param = &candidate;
    }
    if (!param || !param->in) throw CimFault(kCimInvalidParameter, cls.name + "." + method.name + " takes no input \"" + name + "\"");
    const CimValue value = ReadValue(p);
    if (value.null) continue;
    auto text = [&] { return value.items.empty() ? std::string() : value.items.front(); };
    auto ref = [&] { return value.refs.empty() ? std::string() : LibraryTextOf(value.refs.front(), defaults.host, defaults.nameSpace); };
    try {
      if (EqualsNoCase(name, "ElementName")) in.elementName = text();
      else if (EqualsNoCase(name, "ElementType")) in.elementType = std::stoull(text());
      else if (EqualsNoCase(name, "Size")) in.size = std::stoull(text());
      else if (EqualsNoCase(name, "Goal")) in.goal = ref();
      else if (EqualsNoCase(name, "InPool")) in.inPool = ref();
      else if (EqualsNoCase(name, "TheElement")) in.theElement = ref();
    } catch (const std::logic_error&) {
      throw CimFault(kCimInvalidParameter, cls.name + "." + method.name + ": " + name + " is not a number");
    }
  }
  zubview::PoolOutcome outcome;
  try {
    outcome = zubview::CreateFromPool(view.Source(), records[at], in);
  } catch (const std::invalid_argument& e) {
    throw CimFault(kCimInvalidParameter, cls.name + "." + method.name + ": " + e.what());
  }
  XmlOut out;
  out.Open("RETURNVALUE").Attr("PARAMTYPE", TypeName(method.returnType)).Raw(">");
  out.Value(std::to_string(outcome.returnValue));
  out.Raw("</RETURNVALUE>\n");
  for (const CimParameter& param : method.params) {
    if (!param.out) continue;
    if (EqualsNoCase(param.name, "Size") && outcome.size)
      WriteOut(out, param, CimValueOf(param, zubcim::Json(*outcome.size), defaults));
    else if (EqualsNoCase(param.name, "TheElement") && !outcome.theElement.empty())
      WriteOut(out, param, CimValueOf(param, zubcim::Json(outcome.theElement), defaults));
  }
  return std::move(out.Text());
}

}  // namespace

std::string InvokeMethod(OpContext& ctx) {
  const Request& request = ctx.request;
  const CimClass& cls = ctx.RequireClass(request.className);
  const CimMethod* method = cls.FindMethod(request.name);
  if (!method) throw CimFault(kCimMethodNotFound, "class " + cls.name + " has no method " + request.name);
  if (ctx.view && EqualsNoCase(cls.name, zubview::kAdapterClass) && EqualsNoCase(method->name, zubview::kAdapterMethod))
    return InvokeAdapter(ctx, cls, *method);
  // A standard method the library does not implement.
  if (!cls.desc || !method->desc)
    throw CimFault(kCimNotSupported, cls.name + "." + method->name + " is not supported by this provider");
  RecordPtr record = TargetRecord(ctx, cls, request.target);
  const PathDefaults& defaults = ctx.gate.Defaults();
  for (pugi::xml_node p : request.params) {
    const std::string name = p.attribute("NAME").value();
    const CimParameter* param = nullptr;
    for (const CimParameter& candidate : method->params) {
      if (EqualsNoCase(candidate.name, name)) param = &candidate;
    }
    if (!param) throw CimFault(kCimInvalidParameter, cls.name + "." + method->name + " has no parameter \"" + name + "\"");
    if (!param->in) throw CimFault(kCimInvalidParameter, cls.name + "." + method->name + ": " + name + " is an output parameter");
    // A standard parameter the library does not take: only its absence is
    // understood.
    CimValue value = ReadValue(p);
    if (!param->param.field) {
      if (value.null) continue;
      throw CimFault(kCimNotSupported, cls.name + "." + method->name + ": this provider does not take " + name);
    }
    WriteField(*param->param.field, *param, value, param->param.At(record.get()), defaults);
  }
  const PROVIDER_STATUS status = ctx.gate.Invoke(cls, *method->desc, record.get());
  std::string returned = status == PROVIDER_SUCCESS ? "0" : "";
  if (const FieldDesc* ret = ReturnValueField(cls.desc->record())) {
    CimValue v = ReadField(*ret, TypedOf(*ret), ret->at(record.get()), defaults);
    if (!v.items.empty() && (status == PROVIDER_SUCCESS || v.items.front() != "0")) returned = v.items.front();
  }
  // A method that failed without saying so in its return value ends in a CIM
  // error; one that reports its outcome there answers with it.
  if (returned.empty())
    throw CimFault(CimStatusOf(status), cls.name + "." + method->name + ": the provider returned status " + std::to_string(status));
  XmlOut out;
  out.Open("RETURNVALUE").Attr("PARAMTYPE", TypeName(method->returnType)).Raw(">");
  out.Value(returned);
  out.Raw("</RETURNVALUE>\n");
  for (const CimParameter& param : method->params) {
    if (!param.out || !param.param.field) continue;
    WriteOut(out, param, ReadField(*param.param.field, param, param.param.At(record.get()), defaults));
  }
  return std::move(out.Text());
}

void ModifyInstance(OpContext& ctx) {
  pugi::xml_node named = ctx.request.Param("ModifiedInstance").child("VALUE.NAMEDINSTANCE");
  if (!named) throw CimFault(kCimInvalidParameter, "ModifiedInstance must be a VALUE.NAMEDINSTANCE");
  CimPath path = ReadInstanceName(named.child("INSTANCENAME"));
  const CimClass& cls = ctx.RequireClass(path.className);
  if (cls.kept) return ModifyKeptInstance(ctx);
  if (!cls.putData) throw CimFault(kCimNotSupported, "instances of " + cls.name + " cannot be modified");
  RecordPtr record = TargetRecord(ctx, cls, path);
  const PathDefaults& defaults = ctx.gate.Defaults();
  const PropertyFilter filter = ctx.Properties();
  pugi::xml_node instance = named.child("INSTANCE");
  for (const CimProperty& p : cls.properties) {
    if (!filter.Allows(p.name)) continue;
    pugi::xml_node given;
    for (pugi::xml_node node : instance.children()) {
      if (EqualsNoCase(node.attribute("NAME").value(), p.name)) given = node;
    }
    // A property the client names in PropertyList and leaves out of the
    // instance is cleared; without a PropertyList, what is left out stays.
    if (!given && (p.key || !filter.Named())) continue;
    CimValue value = given ? ReadValue(given) : CimValue{};
    if (p.key) {
      CimValue now = ReadField(*p.field, p, p.field->at(record.get()), defaults);
      if (value.items != now.items) throw CimFault(kCimInvalidParameter, "the key " + p.name + " cannot be changed");
      continue;
    }
    WriteField(*p.field, p, value, p.field->at(record.get()), defaults);
  }
  for (pugi::xml_node node : instance.children()) {
    const char* name = node.attribute("NAME").value();
    if (node.type() == pugi::node_element && *name && !cls.FindProperty(name))
      throw CimFault(kCimInvalidParameter, cls.name + " has no property \"" + std::string(name) + "\"");
  }
  if (PROVIDER_STATUS status = ctx.gate.Invoke(cls, *cls.putData, record.get()); status != PROVIDER_SUCCESS)
    throw CimFault(CimStatusOf(status), cls.name + ": the provider's PutData returned status " + std::to_string(status));
}

}  // namespace zubwbem
