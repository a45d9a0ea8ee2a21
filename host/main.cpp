// main.cpp: zubcim, the command-line host of the provider library: the
// command line, and the one place where errors become a line on standard
// error and an exit code.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/commands.h"
#include "host/errors.h"
#include "host/scenario.h"
#include "host/volume_command.h"

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

  CLI::App* classes = app.add_subcommand("classes", "list the CIM classes the library serves");

  std::vector<std::string> listNames;
  bool listAll = false;
  CLI::App* list = app.add_subcommand("list", "list the instances of classes");
  list->add_option("CLASS", listNames, "CIM class names");
  list->add_flag("--all", listAll, "every class, in catalogue order");

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

  VolumeRequest volume;
  CLI::App* volumeCmd = app.add_subcommand("volume", "create, modify or delete a RAID volume, as a CIM client would");
  volumeCmd->require_subcommand(1);
  CLI::App* volumeCreate = volumeCmd->add_subcommand("create", "create a volume from disks");
  volumeCreate->add_option("--controller", volume.controller, "controller name or handle")->required();
  volumeCreate->add_option("--name", volume.name, "volume name (at most 17 characters)")->required();
  volumeCreate->add_option("--level", volume.level, "RAID0, RAID1, RAID10, RAID5 or RAID6")->required();
  volumeCreate->add_option("--disks", volume.disks, "disks by serial number or DeviceID")->required();
  volumeCreate->add_option("--strip", volume.strip, "strip size, e.g. 64K; default: the level's");
  volumeCreate->add_option("--cache", volume.cache, "CACHING_OFF, WRITE_THROUGH or WRITEBACK");
  volumeCreate->add_option("--size", volume.size, "size, e.g. 100G; default: the largest the disks allow");
  CLI::App* volumeModify = volumeCmd->add_subcommand("modify", "rename, expand, add disks, change level or cache");
  volumeModify->add_option("VOLUME", volume.volume, "volume name or DeviceID")->required();
  volumeModify->add_option("--name", volume.name, "new name");
  volumeModify->add_option("--level", volume.level, "new RAID level");
  volumeModify->add_option("--strip", volume.strip, "new strip size");
  volumeModify->add_option("--cache", volume.cache, "new cache policy");
  volumeModify->add_option("--size", volume.size, "new (larger) size");
  volumeModify->add_option("--add-disks", volume.disks, "disks to add, by serial number or DeviceID");
  CLI::App* volumeDelete = volumeCmd->add_subcommand("delete", "delete a volume (its disks return to the pool)");
  volumeDelete->add_option("VOLUME", volume.volume, "volume name or DeviceID")->required();

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
    if (*volumeCreate) return VolumeCreateCommand(options, volume);
    if (*volumeModify) return VolumeModifyCommand(options, volume);
    if (*volumeDelete) return VolumeDeleteCommand(options, volume);
    return Fail(kExitBadInput, "no command given (see zubcim --help)");
  } catch (const HostError& e) {
    return Fail(e.code(), e.what());
  } catch (const std::exception& e) {
    return Fail(kExitStartFailed, std::string("internal error: ") + e.what());
  }
}
