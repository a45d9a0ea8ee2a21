// pull_ops.cpp: the pulled enumerations of DSP0200 1.3. An Open operation
// computes its whole answer at once (the library's lists are read under one
// request, as the other operations read them), keeps what the client did
// not take in an enumeration context and hands out its name; the client
// pulls the rest in pieces of MaxObjectCount. A context not pulled within
// its OperationTimeout expires (pull_limits.h); the end of the sequence
// closes it.
#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <random>

#include "host/wbem/op_context.h"
#include "host/wbem/pull_limits.h"

namespace zubwbem {

namespace {

using Clock = std::chrono::steady_clock;

enum class Kind { Instances, Paths };

struct Context {
  std::string nameSpace;
  Kind kind;
  std::deque<std::string> objects;  // CIM-XML of each object not yet pulled
  std::chrono::seconds timeout;
  Clock::time_point expires;
};

class Contexts {
 public:
  std::string Add(Context context) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Sweep();
    if (m_open.size() >= kPullMostOpen)
      throw CimFault(kCimServerLimitsExceeded, "too many open enumerations; close or finish some");
    context.expires = Clock::now() + context.timeout;
    const std::string name = "zubcim-" + std::to_string(++m_count) + "-" + std::to_string(m_random());
    m_open.emplace(name, std::move(context));
    return name;
  }
  // Takes up to `max` objects of a context opened in `ns` for `kind`;
  // *end tells whether it is now finished (and closed).
  std::vector<std::string> Take(const std::string& name, const std::string& ns, Kind kind, uint32_t max, bool* end) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Sweep();
    auto it = m_open.find(name);
    if (it == m_open.end() || it->second.nameSpace != ns || it->second.kind != kind)
      throw CimFault(kCimInvalidEnumerationContext, "no open enumeration \"" + name + "\" of this kind in " + ns);
    Context& context = it->second;
    std::vector<std::string> out;
    while (out.size() < max && !context.objects.empty()) {
      out.push_back(std::move(context.objects.front()));
      context.objects.pop_front();
    }
    *end = context.objects.empty();
    if (*end) m_open.erase(it);
    else context.expires = Clock::now() + context.timeout;
    return out;
  }
  void Close(const std::string& name, const std::string& ns) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Sweep();
    auto it = m_open.find(name);
    if (it == m_open.end() || it->second.nameSpace != ns)
      throw CimFault(kCimInvalidEnumerationContext, "no open enumeration \"" + name + "\" in " + ns);
    m_open.erase(it);
  }

 private:
  void Sweep() {
    const auto now = Clock::now();
    std::erase_if(m_open, [&](const auto& entry) { return entry.second.expires <= now; });
  }

  std::mutex m_mutex;
  std::map<std::string, Context> m_open;
  uint64_t m_count = 0;
  std::mt19937_64 m_random{std::random_device{}()};
};

Contexts& Open() {
  static Contexts* const contexts = new Contexts();  // request threads may outlive static destruction
  return *contexts;
}

uint32_t Unsigned32(OpContext& ctx, const char* name, uint32_t fallback) {
  pugi::xml_node param = ctx.request.Param(name);
  if (!param || !param.child("VALUE")) return fallback;
  const std::string text = param.child_value("VALUE");
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || *end || text[0] == '-' || value > UINT32_MAX)
    throw CimFault(kCimInvalidParameter, std::string(name) + " must be a uint32, not \"" + text + "\"");
  return static_cast<uint32_t>(value);
}

std::string Response(const std::vector<std::string>& objects, bool end, const std::string& context) {
  XmlOut out;
  out.Raw("<IRETURNVALUE>\n");
  for (const std::string& object : objects) out.Raw(object);
  out.Raw("</IRETURNVALUE>\n");
  out.Raw("<PARAMVALUE NAME=\"EndOfSequence\" PARAMTYPE=\"boolean\">").Value(end ? "TRUE" : "FALSE");
  out.Raw("</PARAMVALUE>\n<PARAMVALUE NAME=\"EnumerationContext\" PARAMTYPE=\"string\">");
  if (!end) out.Value(context);
  out.Raw("</PARAMVALUE>\n");
  return std::move(out.Text());
}

std::string InstanceWithPath(const Instance& instance, const InstanceOptions& options) {
  XmlOut out;
  out.Raw("<VALUE.INSTANCEWITHPATH>");
  out.InstancePath(instance.path);
  out.Instance(instance, options);
  out.Raw("</VALUE.INSTANCEWITHPATH>\n");
  return std::move(out.Text());
}

std::string PathOf(const Instance& instance) {
  XmlOut out;
  out.InstancePath(instance.path);
  out.Raw("\n");
  return std::move(out.Text());
}

bool Named(const std::string& op, const char* what) { return EqualsNoCase(op, what); }

}  // namespace

std::string OpenEnumeration(OpContext& ctx) {
  const std::string& op = ctx.request.name;
  pugi::xml_node query = ctx.request.Param("FilterQuery");
  if ((query && query.child("VALUE")) || (ctx.request.Param("FilterQueryLanguage") &&
                                          ctx.request.Param("FilterQueryLanguage").child("VALUE")))
    throw CimFault(kCimFilteredEnumerationNotSupported, "filtered enumerations are not supported");
  if (ctx.Flag("ContinueOnError", false))
    throw CimFault(kCimContinuationOnErrorNotSupported, "an enumeration ends at its first error");
  const uint32_t timeout = Unsigned32(ctx, "OperationTimeout", kPullDefaultTimeout);
  if (timeout < kPullShortestTimeout || timeout > kPullLongestTimeout)
    throw CimFault(kCimInvalidOperationTimeout, "OperationTimeout must be " + std::to_string(kPullShortestTimeout) +
                                                    " to " + std::to_string(kPullLongestTimeout) + " seconds");
  const uint32_t max = Unsigned32(ctx, "MaxObjectCount", 0);

  const bool paths = Named(op, "OpenEnumerateInstancePaths") || Named(op, "OpenReferenceInstancePaths") ||
                     Named(op, "OpenAssociatorInstancePaths");
  InstanceOptions options;
  if (!paths) {
    options.properties = ctx.Properties();
    options.classOrigin = ctx.Flag("IncludeClassOrigin", false);
  }
  std::deque<std::string> objects;
  const auto emit = [&](const Instance& instance) {
    objects.push_back(paths ? PathOf(instance) : InstanceWithPath(instance, options));
  };
  if (Named(op, "OpenEnumerateInstances") || Named(op, "OpenEnumerateInstancePaths")) {
    const bool deep = ctx.Flag("DeepInheritance", true);
    const CimClass* asked = nullptr;
    VisitInstances(ctx, "ClassName", [&](const Instance& instance) {
      options.declaredIn = deep || instance.cls == asked ? nullptr : asked;
      emit(instance);
    }, &asked);
  } else if (Named(op, "OpenReferenceInstances") || Named(op, "OpenReferenceInstancePaths")) {
    VisitReferences(ctx, "InstanceName", emit);
  } else {
    VisitAssociators(ctx, "InstanceName", emit);
  }

  std::vector<std::string> first;
  while (first.size() < max && !objects.empty()) {
    first.push_back(std::move(objects.front()));
    objects.pop_front();
  }
  if (objects.empty()) return Response(first, true, "");
  const std::string name =
      Open().Add(Context{ctx.nameSpace, paths ? Kind::Paths : Kind::Instances, std::move(objects),
                         std::chrono::seconds(timeout), {}});
  return Response(first, false, name);
}

std::string PullEnumeration(OpContext& ctx) {
  pugi::xml_node param = ctx.request.Param("EnumerationContext");
  if (!param || !param.child("VALUE")) throw CimFault(kCimInvalidParameter, "EnumerationContext is missing");
  if (!ctx.request.Param("MaxObjectCount")) throw CimFault(kCimInvalidParameter, "MaxObjectCount is missing");
  const uint32_t max = Unsigned32(ctx, "MaxObjectCount", 0);
  const std::string name = param.child_value("VALUE");
  bool end = false;
  const Kind kind = Named(ctx.request.name, "PullInstancePaths") ? Kind::Paths : Kind::Instances;
  const std::vector<std::string> objects = Open().Take(name, ctx.nameSpace, kind, max, &end);
  return Response(objects, end, name);
}

std::string CloseEnumeration(OpContext& ctx) {
  pugi::xml_node param = ctx.request.Param("EnumerationContext");
  if (!param || !param.child("VALUE")) throw CimFault(kCimInvalidParameter, "EnumerationContext is missing");
  Open().Close(param.child_value("VALUE"), ctx.nameSpace);
  return "";
}

}  // namespace zubwbem
