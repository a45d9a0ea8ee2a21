// main.cpp: zubcim, the command-line host of the provider library: the
// command line, and the one place where errors become a line on standard
// error and an exit code.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/cli/commands.h"
#include "host/cli/disk_commands.h"
#include "host/kit/errors.h"
#include "host/cli/scenario.h"
#include "host/cli/volume_command.h"
#include "host/wbem/wbem_commands.h"

namespace {

// Messages may carry a newline (from a library); the contract is one line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

int Fail(int code, const std::string& message) {
  std::cerr << "zubcim: " << OneLine(message) << std::endl;
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zubcim;
  CLI::App app{"zubcim: the command-line host of the zubprov CIM provider, on the simulated RAID stack", "zubcim"};
  app.require_subcommand(0, 1);  // none given is reported below, in the host's own words
  app.fallthrough();  // global options may also follow the command

  HostOptions options;
  std::string computerName;
  app.add_option("--topology", options.session.topology, "simulated RAID stack topology (JSON); default: built-in");
  app.add_option("--namespace", options.session.nameSpace, "namespace handed to the provider")
      ->capture_default_str();
  CLI::Option* computerNameOption =
      app.add_option("--computer-name", computerName, "computer name handed to the provider; default: host name");
  app.add_flag("--json", options.json, "machine-readable output, one JSON object per line");
  app.add_flag("--records-only", options.recordsOnly,
               "the library's records alone, without the client view (derived properties, the view's classes "
               "and method adapter; docs/client-view.md)");

  CLI::App* classes = app.add_subcommand("classes", "list the CIM classes the library serves");

  std::vector<std::string> listNames;
  bool listAll = false;
  CLI::App* list = app.add_subcommand("list", "list the instances of classes");
  list->add_option("CLASS", listNames,
                   "CIM class names (a class of the client view too; a class's derived properties are added)");
  list->add_flag("--all", listAll,
                 "every class, in catalogue order: a summary (--json: every record), then every reference checked "
                 "(exit 4 when one names no listed instance)");

  std::string invokeClass, invokeMethod, invokeIn;
  CLI::App* invoke = app.add_subcommand("invoke", "call an extrinsic method with a JSON record as input");
  invoke->add_option("CLASS", invokeClass, "CIM class name")->required();
  invoke->add_option("METHOD", invokeMethod, "method name")->required();
  invoke->add_option("--in", invokeIn, "JSON object of fields to set; default: standard input");

  std::string scenario;
  CLI::App* run = app.add_subcommand("run", "run a JSON scenario, one JSON line per step");
  run->add_option("SCENARIO", scenario, "scenario file, or - for standard input")->required();

  bool demo = false;
  CLI::App* watch = app.add_subcommand("watch", "print alerts as they are delivered");
  watch->add_flag("--demo", demo, "also drive a short built-in sequence of changes");

  auto runVolumeCommand = AddVolumeCommands(app);
  auto runDiskCommand = AddDiskCommands(app);
  auto runWbemCommand = AddWbemCommands(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    return Fail(kExitBadInput, std::string(e.what()) + " (see zubcim --help)");
  }
  if (computerNameOption->count() > 0) options.session.computerName = computerName;

  try {
    if (*classes) return ClassesCommand(options);
    if (*list) return ListCommand(options, listNames, listAll);
    if (*invoke) return InvokeCommand(options, invokeClass, invokeMethod, invokeIn);
    if (*run) return RunCommand(options, scenario);
    if (*watch) return WatchCommand(options, demo);
    if (std::optional<int> code = runVolumeCommand(options)) return *code;
    if (std::optional<int> code = runDiskCommand(options)) return *code;
    if (std::optional<int> code = runWbemCommand(options)) return *code;
    return Fail(kExitBadInput, "no command given (see zubcim --help)");
  } catch (const HostError& e) {
    return Fail(e.code(), e.what());
  } catch (const std::exception& e) {
    return Fail(kExitStartFailed, std::string("internal error: ") + e.what());
  }
}
