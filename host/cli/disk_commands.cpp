// disk_commands.cpp: the spare and locate verbs.
#include "host/cli/disk_commands.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>

#include "host/cli/cim_client.h"
#include "classes/tables.h"
#include "host/kit/errors.h"
#include "host/kit/join.h"

namespace zubcim {
namespace {

// A disk's usage (DiskUsage) in words.
std::string UsageText(const Json& disk) {
  const int64_t usage = disk.value("DiskUsage", int64_t{0});
  const char* word = WordOf(kDiskUsageWords, usage);
  return word ? word : "usage " + std::to_string(usage);
}

// What each direction of `spare` asks the service.
struct SpareVerb {
  const char* verb;
  uint32_t candidates;  // GetExtents operation
  uint32_t operation;   // SetSpareExtents operation
  const char* notCandidate;
};
constexpr SpareVerb kAdd = {"add", 0, 3, "cannot become a spare"};
constexpr SpareVerb kRemove = {"remove", 1, 4, "is not a spare"};

bool Succeeded(const Json& result) {
  return result["status"] == 0 && result["record"].value("ReturnValue", uint64_t{0}) == 0;
}

}  // namespace

int SpareCommand(const HostOptions& options, bool add, const std::vector<std::string>& names) {
  const SpareVerb& v = add ? kAdd : kRemove;
  if (names.empty()) throw BadInput(std::string("spare ") + v.verb + " needs at least one disk");
  Session session(options.session);
  CimClient client(session);
  const Json disks = client.Instances("ZUB_StorageExtentDisk");
  std::vector<Json> named;
  for (const std::string& name : names) {
    named.push_back(FindDisk(disks, name));
    if (Text(named.back(), "ControllerHandle") != Text(named.front(), "ControllerHandle"))
      throw BadInput("disks " + names.front() + " and " + name +
                     " belong to different controllers; name the disks of one controller at a time");
  }
  Json service = FindOne(client.Instances("ZUB_SpareConfigurationService"), {"ControllerHandle"},
                         Text(named.front(), "ControllerHandle"), "spare configuration service of controller");

  // The candidates, as the service lists them, by reference.
  service["Operation"] = v.candidates;
  const Json listed = client.Invoke("ZUB_SpareConfigurationService", "GetExtents", service);
  if (!Succeeded(listed)) return ReportOutcome(options, "spare", v.verb, "GetExtents", listed, "");
  const Json& candidates = listed["record"]["GetExtentsParams"]["Extents"];
  auto isCandidate = [&](const Json& disk) {
    const std::string ref = client.Reference("ZUB_StorageExtentDisk", disk);
    return std::find(candidates.begin(), candidates.end(), ref) != candidates.end();
  };
  Json refs = Json::array();
  for (size_t i = 0; i < named.size(); ++i) {
    if (isCandidate(named[i])) {
      refs.push_back(client.Reference("ZUB_StorageExtentDisk", named[i]));
      continue;
    }
    std::string listedNames;
    for (const Json& d : disks) {
      if (isCandidate(d)) AppendJoined(listedNames, ", ", Text(d, "SerialNumber") + " (" + Text(d, "DeviceID") + ")");
    }
    throw HostError(kExitMethodFailed, "disk " + names[i] + " " + v.notCandidate + " (GetExtents lists: " +
                                           (listedNames.empty() ? "none" : listedNames) + ")");
  }

  service["Operation"] = v.operation;
  service["SetSpareExtentsParams"] = {{"InExtents", refs}};
  const uint64_t waits = MonitorWaits();
  const Json result = client.Invoke("ZUB_SpareConfigurationService", "SetSpareExtents", service);
  const int code = ReportOutcome(options, "spare", v.verb, "SetSpareExtents", result, "");
  if (options.json || code != kExitOk) return code;
  // Every disk changed, which wakes the event monitor, and it reads the disks
  // again: they are read here once it is done, never at the same time.
  WaitForMonitorWaitsBeyond(waits, std::chrono::seconds(10));
  const Json now = client.Instances("ZUB_StorageExtentDisk");
  std::string usage;
  for (const std::string& name : names) AppendJoined(usage, ", ", name + " " + UsageText(FindDisk(now, name)));
  std::cout << "disks now: " << usage << '\n';
  return code;
}

int LocateCommand(const HostOptions& options, bool on, const std::string& name) {
  enum : uint64_t { kStateOff = 1, kStateSteady = 2 };
  Session session(options.session);
  CimClient client(session);
  const Json disk = FindDisk(client.Instances("ZUB_StorageExtentDisk"), name);
  const Json alarms = client.Instances("ZUB_AlarmDevice");
  const auto alarm = std::find_if(alarms.begin(), alarms.end(), [&](const Json& a) {
    return Text(a, "EndDeviceHandle") == Text(disk, "EndDeviceHandle");
  });
  if (alarm == alarms.end())
    throw HostError(kExitMethodFailed, "disk " + name + " has no locator (the RAID stack lists no PHY for it)");
  Json request = *alarm;
  request["State"] = on ? kStateSteady : kStateOff;
  const Json result = client.Invoke("ZUB_AlarmDevice", "SetAlarmIndicator", request);
  return ReportOutcome(options, "locate", on ? "on" : "off", "SetAlarmIndicator", result,
                       "locate light of disk " + name + " (PHY handle " + Text(*alarm, "PhyHandle") + ") switched " +
                           (on ? "on" : "off"));
}

std::function<std::optional<int>(const HostOptions&)> AddDiskCommands(CLI::App& app) {
  auto disks = std::make_shared<std::vector<std::string>>();
  auto disk = std::make_shared<std::string>();
  CLI::App* spare = app.add_subcommand("spare", "make disks spares or available again, as a CIM client would");
  spare->require_subcommand(1);
  CLI::App* add = spare->add_subcommand("add", "mark available disks of one controller as spares");
  add->add_option("DISK", *disks, "disks by serial number or DeviceID")->required();
  CLI::App* remove = spare->add_subcommand("remove", "make spare disks of one controller available again");
  remove->add_option("DISK", *disks, "disks by serial number or DeviceID")->required();
  CLI::App* locate = app.add_subcommand("locate", "switch the locate light of a disk on or off");
  locate->require_subcommand(1);
  CLI::App* on = locate->add_subcommand("on", "switch the disk's locate light on");
  on->add_option("DISK", *disk, "the disk by serial number or DeviceID")->required();
  CLI::App* off = locate->add_subcommand("off", "switch the disk's locate light off");
  off->add_option("DISK", *disk, "the disk by serial number or DeviceID")->required();
  return [=](const HostOptions& options) -> std::optional<int> {
    if (*add || *remove) return SpareCommand(options, add->parsed(), *disks);
    if (*on || *off) return LocateCommand(options, on->parsed(), *disk);
    return std::nullopt;
  };
}

}  // namespace zubcim
