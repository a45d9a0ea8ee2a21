// scenario.cpp: checking and running scenario steps.
#include "host/cli/scenario.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "host/cli/cim_client.h"
#include "host/kit/errors.h"
#include "host/kit/lookup.h"
#include "host/cli/volume_command.h"
#include "host/kit/simulation.h"

namespace zubcim {
namespace {

enum class StepKind { List, Invoke, Sim, Alerts, Counters, Volume };

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
    throw BadInput("expected an object with one key: list, invoke, sim, alerts, counters or volume");
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
    RequireSimulation("a sim step");
    return {StepKind::Sim, nullptr, nullptr, arg};
  }
  if (kind == "counters") {
    if (!arg.is_object() || !arg.empty()) throw BadInput("counters takes an empty object");
    RequireSimulation("a counters step");
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
  if (kind == "volume") {
    // {"volume": {"create": {...request...}}}: a volume verb inside the run.
    if (!arg.is_object() || arg.size() != 1)
      throw BadInput("volume takes an object with one key: create, modify or delete");
    VolumeRequestFromJson(arg.begin().value());  // only to reject bad fields now
    return {StepKind::Volume, nullptr, nullptr, arg};
  }
  throw BadInput("unknown step \"" + kind + "\"; expected list, invoke, sim, alerts, counters or volume");
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
  if (RequireSimulation("a sim step").ApplyChange(change.dump(), &error)) {
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
  const SimulationControl::Counters counters = RequireSimulation("a counters step").GetCounters();
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

// A volume verb's outcome; a request that names nothing is reported on its
// line and the run goes on.
Json VolumeStep(CimClient& client, const Json& argument) {
  const std::string& verb = argument.begin().key();
  try {
    return RunVolumeVerb(client, verb, VolumeRequestFromJson(argument.begin().value())).ToJson();
  } catch (const HostError& e) {
    return {{"volume", verb}, {"error", e.what()}};
  }
}

int RunCommand(const HostOptions& options, const std::string& scenarioFile) {
  const bool fromStdin = scenarioFile == "-";
  const std::string source = fromStdin ? "standard input" : scenarioFile;
  std::vector<Step> steps = CheckScenario(ParseJson(ReadInput(fromStdin ? "" : scenarioFile), source), source);
  Session session(options.session);
  CimClient client(session);
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
      case StepKind::Volume:
        PrintLine(VolumeStep(client, step.argument));
        break;
    }
  }
  return kExitOk;
}

}  // namespace zubcim
