// scenario.cpp: checking and running scenario steps.
#include "host/scenario.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "host/errors.h"
#include "host/lookup.h"
#include "sim/abru2_control.h"

namespace zubcim {
namespace {

enum class StepKind { List, Invoke, Sim, Alerts, Counters };

struct Step {
  StepKind kind;
  const ClassDesc* cls = nullptr;
  const MethodDesc* method = nullptr;
  Json argument;  // invoke: the "in" object; sim: the change; alerts: {"count", "wait_ms"}
};

const std::string& RequireString(const Json& object, const char* key, const std::string& what) {
  if (!object.contains(key) || !object[key].is_string())
    throw BadInput(what + " needs \"" + key + "\" (a string)");
  return object[key].get_ref<const std::string&>();
}

Step CheckStep(const Json& step) {
  if (!step.is_object() || step.size() != 1)
    throw BadInput("expected an object with one key: list, invoke, sim, alerts or counters");
  const std::string& kind = step.begin().key();
  const Json& arg = step.begin().value();

  if (kind == "list") {
    if (!arg.is_string()) throw BadInput("list takes a class name (a string)");
    return {StepKind::List, &RequireClass(arg.get<std::string>()), nullptr, {}};
  }
  if (kind == "invoke") {
    if (!arg.is_object()) throw BadInput("invoke takes an object {\"class\", \"method\", \"in\"}");
    for (const auto& [key, value] : arg.items()) {
      if (key != "class" && key != "method" && key != "in") throw BadInput("invoke: unknown key \"" + key + "\"");
    }
    const ClassDesc& cls = RequireClass(RequireString(arg, "class", "invoke"));
    const MethodDesc& method = RequireMethod(cls, RequireString(arg, "method", "invoke"));
    Json in = arg.contains("in") ? arg["in"] : Json::object();
    InputRecord(cls, method, in);  // only to reject bad fields now
    return {StepKind::Invoke, &cls, &method, in};
  }
  if (kind == "sim") {
    if (!arg.is_object()) throw BadInput("sim takes a change object {\"op\": ...}");
    RequireString(arg, "op", "sim");
    return {StepKind::Sim, nullptr, nullptr, arg};
  }
  if (kind == "counters") {
    if (!arg.is_object() || !arg.empty()) throw BadInput("counters takes an empty object");
    return {StepKind::Counters, nullptr, nullptr, {}};
  }
  if (kind == "alerts") {
    if (!arg.is_object()) throw BadInput("alerts takes an object {\"count\": K, \"wait_ms\": T}");
    for (const auto& [key, value] : arg.items()) {
      if (key != "count" && key != "wait_ms") throw BadInput("alerts: unknown key \"" + key + "\"");
    }
    for (const char* key : {"count", "wait_ms"}) {
      if (!arg.contains(key) || !arg[key].is_number_unsigned())
        throw BadInput(std::string("alerts needs \"") + key + "\" (a whole number, 0 or more)");
    }
    return {StepKind::Alerts, nullptr, nullptr, arg};
  }
  throw BadInput("unknown step \"" + kind + "\"; expected list, invoke, sim, alerts or counters");
}

std::vector<Step> CheckScenario(const Json& scenario, const std::string& source) {
  if (!scenario.is_array()) throw BadInput(source + ": expected a JSON array of steps");
  std::vector<Step> steps;
  for (size_t i = 0; i < scenario.size(); ++i) {
    try {
      steps.push_back(CheckStep(scenario[i]));
    } catch (const HostError& e) {
      throw HostError(e.code(), source + ": step " + std::to_string(i + 1) + ": " + e.what());
    }
  }
  return steps;
}

Json SimStep(const Json& change) {
  Json out = Json::object();
  out["sim"] = change["op"];
  std::string error;
  if (abru2sim::ApplyChange(change.dump(), &error)) {
    out["ok"] = true;
  } else {
    out["ok"] = false;
    out["error"] = error;
  }
  return out;
}

// Every alert delivered since the previous alerts step, once `count` of them
// arrived or `wait_ms` passed.
Json AlertsStep(const Json& arg) {
  // A day is as good as forever to a scenario, and keeps the deadline's
  // arithmetic in range.
  const auto wait = std::chrono::milliseconds(std::min<uint64_t>(arg["wait_ms"].get<uint64_t>(), 86'400'000));
  Json alerts = Json::array();
  for (const stZUB_AlertIndication& alert : Session::Alerts().Take(arg["count"].get<uint64_t>(), wait))
    alerts.push_back(ToJson(stZUB_AlertIndication::Describe(), &alert));
  return Json{{"alerts", std::move(alerts)}};
}

Json CountersStep() {
  abru2sim::Counters counters = abru2sim::GetCounters();
  Json calls = Json::object();
  for (const auto& [name, count] : counters.calls) calls[name] = count;
  Json body = Json::object();
  body["calls"] = std::move(calls);
  body["sessions_opened"] = counters.sessionsOpened;
  body["sessions_closed"] = counters.sessionsClosed;
  body["sessions_open"] = counters.sessionsOpen;
  return Json{{"counters", std::move(body)}};
}

}  // namespace

int RunCommand(const HostOptions& options, const std::string& scenarioFile) {
  const bool fromStdin = scenarioFile == "-";
  const std::string source = fromStdin ? "standard input" : scenarioFile;
  std::vector<Step> steps = CheckScenario(ParseJson(ReadInput(fromStdin ? "" : scenarioFile), source), source);
  Session session(options.session);
  session.WaitUntilMonitoring();  // no change a step makes may go unnoticed
  for (const Step& step : steps) {
    switch (step.kind) {
      case StepKind::List:
        PrintLine(session.List(*step.cls));
        break;
      case StepKind::Invoke:
        PrintLine(session.Invoke(*step.cls, *step.method, InputRecord(*step.cls, *step.method, step.argument)));
        break;
      case StepKind::Sim:
        PrintLine(SimStep(step.argument));
        break;
      case StepKind::Alerts:
        PrintLine(AlertsStep(step.argument));
        break;
      case StepKind::Counters:
        PrintLine(CountersStep());
        break;
    }
  }
  return kExitOk;
}

}  // namespace zubcim
