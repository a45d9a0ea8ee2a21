// operations.cpp: request checks, dispatch, and the class and instance
// operations. Associations are in associations.cpp, methods and
// ModifyInstance in methods.cpp, the instances the server keeps itself
// (subscriptions) in interop_ops.cpp.
#include "host/wbem/operations.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <initializer_list>

#include "host/wbem/op_context.h"

namespace zubwbem {
namespace {

std::string Major(const std::string& version) { return version.substr(0, version.find('.')); }

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(std::string_view(text).substr(0, prefix.size()), prefix);
}

// ---- class operations --------------------------------------------------------

ClassOptions ClassOptionsOf(const OpContext& ctx) {
  ClassOptions options;
  options.localOnly = ctx.Flag("LocalOnly", true);
  options.qualifiers = ctx.Flag("IncludeQualifiers", true);
  options.classOrigin = ctx.Flag("IncludeClassOrigin", false);
  options.properties = ctx.Properties();
  return options;
}

std::string GetClass(OpContext& ctx) {
  const CimClass& cls = ctx.RequireClass(ReadClassName(ctx.request.Param("ClassName"), "ClassName"));
  XmlOut out;
  out.Class(cls, ClassOptionsOf(ctx));
  return std::move(out.Text());
}

// The classes EnumerateClasses and EnumerateClassNames answer with.
std::vector<const CimClass*> SelectClasses(OpContext& ctx) {
  pugi::xml_node param = ctx.request.Param("ClassName");
  const CimClass* base = nullptr;
  if (param && param.child("CLASSNAME")) base = &ctx.RequireClass(ReadClassName(param, "ClassName"));
  const bool deep = ctx.Flag("DeepInheritance", false);
  std::vector<const CimClass*> out;
  for (const CimClass* cls : ctx.schema.ClassesIn(ctx.nameSpace)) {
    if (base) {
      if (cls == base) continue;
      if (deep ? !ctx.schema.IsA(*cls, base->name) : !EqualsNoCase(cls->superclass, base->name)) continue;
    } else if (!deep && !cls->superclass.empty()) {
      continue;
    }
    out.push_back(cls);
  }
  return out;
}

std::string EnumerateClasses(OpContext& ctx) {
  ClassOptions options = ClassOptionsOf(ctx);
  XmlOut out;
  for (const CimClass* cls : SelectClasses(ctx)) out.Class(*cls, options);
  return std::move(out.Text());
}

std::string EnumerateClassNames(OpContext& ctx) {
  XmlOut out;
  for (const CimClass* cls : SelectClasses(ctx)) out.Open("CLASSNAME").Attr("NAME", cls->name).Raw("/>\n");
  return std::move(out.Text());
}

// ---- instance operations -----------------------------------------------------

}  // namespace

void VisitInstances(OpContext& ctx, const char* classParam, const std::function<void(const Instance&)>& emit,
                    const CimClass** asked, const std::function<void(size_t)>& counted) {
  const CimClass& cls = ctx.RequireClass(ReadClassName(ctx.request.Param(classParam), classParam));
  *asked = &cls;
  InstanceCache cache(ctx);
  const std::vector<const Instance*> instances = cache.Of(cls);
  if (counted) counted(instances.size());
  for (const Instance* instance : instances) emit(*instance);
}

namespace {

std::string EnumerateInstances(OpContext& ctx, bool names) {
  InstanceOptions options;
  options.properties = ctx.Properties();
  options.classOrigin = ctx.Flag("IncludeClassOrigin", false);
  const bool deep = ctx.Flag("DeepInheritance", true);
  XmlOut out;
  const CimClass* cls = nullptr;
  size_t expected = 0;  // instances still to size the buffer for: once, after the first
  VisitInstances(ctx, "ClassName", [&](const Instance& instance) {
    if (names) {
      out.InstanceName(instance.path);
      out.Raw("\n");
    } else {
      options.declaredIn = deep || instance.cls == cls ? nullptr : cls;
      out.Raw("<VALUE.NAMEDINSTANCE>\n");
      out.InstanceName(instance.path);
      out.Raw("\n");
      out.Instance(instance, options);
      out.Raw("</VALUE.NAMEDINSTANCE>\n");
    }
    // The first instance gauges the answer: a buffer grown by doubling to
    // megabytes copies it a score of times and touches fresh pages each time.
    if (expected > 1) out.Text().reserve(out.Text().size() * expected * 5 / 4);
    expected = 0;
  }, &cls, [&](size_t n) { expected = n; });
  return std::move(out.Text());
}

// The instance the request's InstanceName names; NOT_FOUND when none.
const Instance& RequireInstance(OpContext& ctx, InstanceCache& cache) {
  pugi::xml_node param = ctx.request.Param("InstanceName");
  if (!param) throw CimFault(kCimInvalidParameter, ctx.request.name + " needs InstanceName");
  CimPath wanted = ReadInstanceName(param.child("INSTANCENAME"));
  const CimClass& cls = ctx.RequireClass(wanted.className);
  CheckKeys(cls, wanted);
  for (const Instance* instance : cache.Of(cls)) {
    if (KeysMatch(instance->path, wanted)) return *instance;
  }
  throw CimFault(kCimNotFound, "no instance " + Describe(wanted) + " in " + ctx.nameSpace);
}

std::string GetInstance(OpContext& ctx) {
  InstanceOptions options;
  options.properties = ctx.Properties();
  options.classOrigin = ctx.Flag("IncludeClassOrigin", false);
  InstanceCache cache(ctx);
  XmlOut out;
  out.Instance(RequireInstance(ctx, cache), options);
  return std::move(out.Text());
}

std::string GetProperty(OpContext& ctx) {
  InstanceCache cache(ctx);
  const Instance& instance = RequireInstance(ctx, cache);
  pugi::xml_node param = ctx.request.Param("PropertyName");
  if (!param || !param.child("VALUE")) throw CimFault(kCimInvalidParameter, "GetProperty needs PropertyName");
  const std::string name = param.child_value("VALUE");
  const std::vector<CimProperty>& properties = instance.cls->properties;
  for (size_t i = 0; i < properties.size(); ++i) {
    if (!EqualsNoCase(properties[i].name, name)) continue;
    XmlOut out;
    if (!instance.values[i].null) out.ParamValue(properties[i], instance.values[i]);
    return std::move(out.Text());
  }
  throw CimFault(kCimNoSuchProperty, instance.cls->name + " has no property " + name);
}

// ---- qualifier declarations ----------------------------------------------------

std::string EnumerateQualifiers(OpContext& ctx) {
  XmlOut out;
  for (const MofQualifierDecl& decl : ctx.schema.QualifierDecls()) out.QualifierDeclaration(decl);
  return std::move(out.Text());
}

std::string GetQualifier(OpContext& ctx) {
  pugi::xml_node param = ctx.request.Param("QualifierName");
  const std::string name = param ? param.child_value("VALUE") : "";
  if (name.empty()) throw CimFault(kCimInvalidParameter, "GetQualifier needs QualifierName");
  const MofQualifierDecl* decl = ctx.schema.FindQualifierDecl(name);
  if (!decl) throw CimFault(kCimNotFound, "no qualifier " + name + " is declared");
  XmlOut out;
  out.QualifierDeclaration(*decl);
  return std::move(out.Text());
}

// ---- dispatch ----------------------------------------------------------------

// What DSP0200 lets each operation answer, besides CIM_ERR_ACCESS_DENIED,
// CIM_ERR_INVALID_NAMESPACE and CIM_ERR_FAILED, which every operation may:
// a fault with another code answers with the operation's nearest one.
enum ErrorSet : unsigned {
  kParam = 1u << kCimInvalidParameter,
  kClass = 1u << kCimInvalidClass,
  kFound = 1u << kCimNotFound,
  kSupport = 1u << kCimNotSupported,
  kExists = 1u << kCimAlreadyExists,
  kProperty = 1u << kCimNoSuchProperty,
  kMethod = (1u << kCimMethodNotFound) | (1u << kCimMethodNotAvailable),
  kQuery = (1u << kCimQueryLanguageNotSupported) | (1u << kCimInvalidQuery),
  kPull = (1u << kCimInvalidEnumerationContext) | (1u << kCimInvalidOperationTimeout) |
          (1u << kCimServerLimitsExceeded),
  kOpen = kPull | (1u << kCimFilteredEnumerationNotSupported) | (1u << kCimContinuationOnErrorNotSupported),
};

// What an operation's run gives back: the content of IRETURNVALUE, nothing
// (the operation returns nothing), or the whole of IMETHODRESPONSE.
enum class Answer { Value, Nothing, Whole };

struct Operation {
  const char* name;
  std::vector<const char*> params;  // the IPARAMVALUEs it takes
  std::function<std::string(OpContext&)> run;
  Answer answer = Answer::Value;
  unsigned errors = kParam;             // what it may answer (ErrorSet)
  int classMissing = kCimInvalidClass;  // what it answers for a class that does not exist
};

int AllowedCode(const Operation& op, int code) {
  if (code == kCimFailed || code == 2 || code == kCimInvalidNamespace) return code;
  if (code > 0 && code < 32 && (op.errors >> code) & 1u) return code;
  // The nearest the operation may say: a thing it was given is wrong, or it
  // failed.
  return (op.errors & kParam) && (code == kCimInvalidClass || code == kCimTypeMismatch) ? kCimInvalidParameter
                                                                                        : kCimFailed;
}

// What every Open operation takes besides its own parameters.
std::vector<const char*> OpenParams(std::vector<const char*> own) {
  for (const char* common : {"FilterQueryLanguage", "FilterQuery", "OperationTimeout", "ContinueOnError", "MaxObjectCount"})
    own.push_back(common);
  return own;
}

const std::vector<Operation>& OperationTable() {
  static const std::vector<Operation> table = {
      {"GetClass", {"ClassName", "LocalOnly", "IncludeQualifiers", "IncludeClassOrigin", "PropertyList"}, GetClass,
       Answer::Value, kParam | kFound, kCimNotFound},
      {"EnumerateClasses",
       {"ClassName", "DeepInheritance", "LocalOnly", "IncludeQualifiers", "IncludeClassOrigin"},
       EnumerateClasses, Answer::Value, kParam | kClass | kSupport},
      {"EnumerateClassNames", {"ClassName", "DeepInheritance"}, EnumerateClassNames, Answer::Value,
       kParam | kClass | kSupport},
      {"GetInstance",
       {"InstanceName", "LocalOnly", "IncludeQualifiers", "IncludeClassOrigin", "PropertyList"},
       GetInstance, Answer::Value, kParam | kClass | kFound},
      {"GetProperty", {"InstanceName", "PropertyName"}, GetProperty, Answer::Value,
       kParam | kClass | kFound | kProperty},
      {"EnumerateInstances",
       {"ClassName", "LocalOnly", "DeepInheritance", "IncludeQualifiers", "IncludeClassOrigin", "PropertyList"},
       [](OpContext& ctx) { return EnumerateInstances(ctx, false); }, Answer::Value, kParam | kClass | kSupport},
      {"EnumerateInstanceNames", {"ClassName"}, [](OpContext& ctx) { return EnumerateInstances(ctx, true); }, Answer::Value,
       kParam | kClass | kSupport},
      {"Associators",
       {"ObjectName", "AssocClass", "ResultClass", "Role", "ResultRole", "IncludeQualifiers", "IncludeClassOrigin",
        "PropertyList"},
       [](OpContext& ctx) { return Associators(ctx, false); }, Answer::Value, kParam | kSupport, kCimInvalidParameter},
      {"AssociatorNames",
       {"ObjectName", "AssocClass", "ResultClass", "Role", "ResultRole"},
       [](OpContext& ctx) { return Associators(ctx, true); }, Answer::Value, kParam | kSupport, kCimInvalidParameter},
      {"References",
       {"ObjectName", "ResultClass", "Role", "IncludeQualifiers", "IncludeClassOrigin", "PropertyList"},
       [](OpContext& ctx) { return References(ctx, false); }, Answer::Value, kParam | kSupport, kCimInvalidParameter},
      {"ReferenceNames", {"ObjectName", "ResultClass", "Role"}, [](OpContext& ctx) { return References(ctx, true); },
       Answer::Value, kParam | kSupport, kCimInvalidParameter},
      {"ModifyInstance",
       {"ModifiedInstance", "IncludeQualifiers", "PropertyList"},
       [](OpContext& ctx) {
         ModifyInstance(ctx);
         return std::string();
       },
       Answer::Nothing, kParam | kClass | kFound | kSupport},
      // The Indications profile adds the query errors for filters.
      {"CreateInstance", {"NewInstance"}, CreateInstance, Answer::Value, kParam | kClass | kSupport | kExists | kQuery},
      {"DeleteInstance",
       {"InstanceName"},
       [](OpContext& ctx) {
         DeleteInstance(ctx);
         return std::string();
       },
       Answer::Nothing, kParam | kClass | kFound | kSupport},
      {"EnumerateQualifiers", {}, EnumerateQualifiers, Answer::Value, kParam | kSupport},
      {"GetQualifier", {"QualifierName"}, GetQualifier, Answer::Value, kParam | kFound},
      // Pulled enumerations: instances are read once at the Open, the rest
      // is kept for the pulls (pull_ops.cpp).
      {"OpenEnumerateInstances",
       OpenParams({"ClassName", "DeepInheritance", "IncludeClassOrigin", "PropertyList"}),
       OpenEnumeration, Answer::Whole, kParam | kClass | kSupport | kOpen},
      {"OpenEnumerateInstancePaths", OpenParams({"ClassName"}), OpenEnumeration, Answer::Whole,
       kParam | kClass | kSupport | kOpen},
      {"OpenReferenceInstances",
       OpenParams({"InstanceName", "ResultClass", "Role", "IncludeClassOrigin", "PropertyList"}),
       OpenEnumeration, Answer::Whole, kParam | kSupport | kOpen, kCimInvalidParameter},
      {"OpenReferenceInstancePaths", OpenParams({"InstanceName", "ResultClass", "Role"}), OpenEnumeration,
       Answer::Whole, kParam | kSupport | kOpen, kCimInvalidParameter},
      {"OpenAssociatorInstances",
       OpenParams({"InstanceName", "AssocClass", "ResultClass", "Role", "ResultRole", "IncludeClassOrigin",
                   "PropertyList"}),
       OpenEnumeration, Answer::Whole, kParam | kSupport | kOpen, kCimInvalidParameter},
      {"OpenAssociatorInstancePaths",
       OpenParams({"InstanceName", "AssocClass", "ResultClass", "Role", "ResultRole"}), OpenEnumeration,
       Answer::Whole, kParam | kSupport | kOpen, kCimInvalidParameter},
      {"PullInstancesWithPath", {"EnumerationContext", "MaxObjectCount"}, PullEnumeration, Answer::Whole,
       kParam | kPull},
      {"PullInstancePaths", {"EnumerationContext", "MaxObjectCount"}, PullEnumeration, Answer::Whole,
       kParam | kPull},
      {"CloseEnumeration", {"EnumerationContext"}, CloseEnumeration, Answer::Nothing, kParam | kPull},
  };
  return table;
}

std::string ClassOfRequest(const Request& request) {
  if (!request.intrinsic) return request.className;
  for (const char* name : {"ClassName", "InstanceName", "ObjectName", "ModifiedInstance"}) {
    pugi::xml_node param = request.Param(name);
    if (!param) continue;
    if (pugi::xml_node c = param.child("CLASSNAME")) return c.attribute("NAME").value();
    if (pugi::xml_node i = param.child("INSTANCENAME")) return i.attribute("CLASSNAME").value();
    if (pugi::xml_node n = param.child("VALUE.NAMEDINSTANCE").child("INSTANCENAME"))
      return n.attribute("CLASSNAME").value();
  }
  if (pugi::xml_node created = request.Param("NewInstance").child("INSTANCE")) return created.attribute("CLASSNAME").value();
  return "";
}

// An extrinsic method call, as the table would write it: a target that is
// not there is NOT_FOUND, a class that is not there a wrong parameter.
const Operation kInvokeMethod{"InvokeMethod", {}, InvokeMethod, Answer::Value, kParam | kFound | kSupport | kMethod,
                              kCimInvalidParameter};

std::string RunOperation(OpContext& ctx, const Operation& op) {
  ctx.classMissing = op.classMissing;
  try {
    if (!ctx.request.intrinsic) return MethodResponse(ctx.request.id, ctx.request.name, op.run(ctx));
    for (pugi::xml_node p : ctx.request.params) {
      const char* name = p.attribute("NAME").value();
      if (std::none_of(op.params.begin(), op.params.end(), [&](const char* known) { return EqualsNoCase(known, name); }))
        throw CimFault(kCimInvalidParameter, std::string(op.name) + " takes no parameter \"" + name + "\"");
    }
    return IMethodResponse(ctx.request.id, op.name, op.run(ctx), op.answer == Answer::Value);
  } catch (const CimFault& e) {
    const int code = AllowedCode(op, e.code());
    if (code == e.code()) throw;
    throw CimFault(code, e.what());
  }
}

std::string Run(OpContext& ctx) {
  const Request& request = ctx.request;
  if (!ctx.schema.HasNamespace(ctx.nameSpace))
    throw CimFault(kCimInvalidNamespace, "namespace \"" + request.nameSpace + "\" is not served (root/corvo_zub, root/interop)");
  if (!request.intrinsic) return RunOperation(ctx, kInvokeMethod);
  for (const Operation& op : OperationTable()) {
    if (EqualsNoCase(op.name, request.name)) return RunOperation(ctx, op);
  }
  throw CimFault(kCimNotSupported, "the operation " + request.name + " is not supported");
}

}  // namespace

const CimClass& OpContext::RequireClass(const std::string& name) const {
  const CimClass* cls = schema.Find(nameSpace, name);
  if (!cls) throw CimFault(classMissing, "class " + name + " does not exist in namespace " + nameSpace);
  return *cls;
}

bool OpContext::Flag(const char* name, bool fallback) const {
  pugi::xml_node param = request.Param(name);
  if (!param || !param.child("VALUE")) return fallback;
  return ReadBoolean(param, name);
}

PropertyFilter OpContext::Properties() const {
  pugi::xml_node param = request.Param("PropertyList");
  if (!param || !param.child("VALUE.ARRAY")) return PropertyFilter();
  return PropertyFilter(ReadStringArray(param, "PropertyList"));
}

ViewInstances* InstanceCache::View() {
  if (m_ctx.view && !m_view) m_view = std::make_unique<ViewInstances>(m_ctx.schema, m_ctx.gate);
  return m_view.get();
}

const std::vector<Instance>& InstanceCache::Served(const CimClass& cls) {
  auto it = m_served.find(&cls);
  if (it == m_served.end()) {
    ViewInstances* view = ViewInstances::Derives(cls) ? View() : nullptr;
    it = m_served.emplace(&cls, view ? view->Served(cls) : m_ctx.gate.List(cls)).first;
  }
  return it->second;
}

const std::vector<Instance>& InstanceCache::Kept(const CimClass& cls) {
  auto it = m_kept.find(&cls);
  if (it == m_kept.end()) it = m_kept.emplace(&cls, KeptInstances(m_ctx, cls)).first;
  return it->second;
}

std::vector<const Instance*> InstanceCache::Of(const CimClass& cls) {
  std::vector<const Instance*> out;
  const Schema& schema = m_ctx.schema;
  std::vector<const CimClass*> served;
  if (!cls.aliasOf.empty()) {
    for (const std::string& name : cls.aliasOf) {
      for (const CimClass* c : schema.Served(cls.nameSpace, name)) served.push_back(c);
    }
  } else {
    served = schema.Served(cls.nameSpace, cls.name);
  }
  for (const CimClass* c : served) {
    for (const Instance& instance : Served(*c)) out.push_back(&instance);
  }
  for (const CimClass* kept : schema.Kept(cls.nameSpace, cls.name)) {
    for (const Instance& instance : Kept(*kept)) out.push_back(&instance);
  }
  if (m_ctx.own) {
    for (const Instance* instance : m_ctx.own->Of(schema, cls)) out.push_back(instance);
  }
  if (ViewInstances* view = View()) {
    for (const Instance* instance : view->Of(cls)) out.push_back(instance);
  }
  return out;
}

std::vector<const Instance*> InstanceCache::In(const std::string& ns) {
  std::vector<const Instance*> out;
  for (const CimClass* c : m_ctx.schema.Served(ns)) {
    for (const Instance& instance : Served(*c)) out.push_back(&instance);
  }
  for (const char* name : KeptClassNames()) {
    const CimClass* kept = m_ctx.schema.Find(ns, name);
    if (!kept || !kept->kept) continue;
    for (const Instance& instance : Kept(*kept)) out.push_back(&instance);
  }
  if (m_ctx.own) {
    for (const Instance* instance : m_ctx.own->In(ns)) out.push_back(instance);
  }
  if (ViewInstances* view = View()) {
    for (const Instance* instance : view->In(ns)) out.push_back(instance);
  }
  return out;
}

const Instance* InstanceCache::Resolve(const CimPath& path) {
  const std::string ns = path.ns.empty() ? m_ctx.nameSpace : CanonicalNamespace(JoinNamespace(path.ns));
  if (!m_ctx.schema.HasNamespace(ns)) return nullptr;
  const CimClass* named = m_ctx.schema.Find(ns, path.className);
  for (const Instance* instance : named ? Of(*named) : In(ns)) {
    if (KeysMatch(instance->path, path)) return instance;
  }
  return nullptr;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
      if (hex(text[i + 1]) && hex(text[i + 2])) {
        out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

Outcome Operations::Handle(const std::string& body, const CimHeaders& headers) {
  Outcome out;
  auto refuse = [&](int http, const std::string& cimError) {
    out.http = http;
    out.cimError = cimError;
    out.cimStatus = -1;
    return out;
  };
  if (!EqualsNoCase(headers.cimOperation, "MethodCall")) return refuse(400, "unsupported-operation");
  if (!headers.protocolVersion.empty() && Major(headers.protocolVersion) != "1")
    return refuse(501, "unsupported-protocol-version");
  if (!headers.contentType.empty() && !StartsWithNoCase(headers.contentType, "application/xml") &&
      !StartsWithNoCase(headers.contentType, "text/xml"))
    return refuse(400, "header-mismatch");
  Request request;
  if (std::optional<BadRequest> bad = ParseRequest(body, &request)) return refuse(bad->http, bad->cimError);
  out.operation = request.name;
  out.className = ClassOfRequest(request);
  if (!headers.cimMethod.empty() && !EqualsNoCase(PercentDecode(headers.cimMethod), request.name))
    return refuse(400, "header-mismatch");
  OpContext ctx{m_schema, m_gate, request, CanonicalNamespace(request.nameSpace), m_store, m_own, m_view};
  try {
    out.body = Run(ctx);
  } catch (const CimFault& e) {
    out.cimStatus = e.code();
    out.body = ErrorResponse(request.id, request.name, request.intrinsic, e.code(), e.what());
  } catch (const std::exception& e) {
    out.cimStatus = kCimFailed;
    out.body = ErrorResponse(request.id, request.name, request.intrinsic, kCimFailed,
                             std::string("internal error: ") + e.what());
  } catch (...) {
    out.cimStatus = kCimFailed;
    out.body = ErrorResponse(request.id, request.name, request.intrinsic, kCimFailed, "internal error");
  }
  return out;
}

}  // namespace zubwbem
