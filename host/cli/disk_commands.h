// disk_commands.h: `zubcim spare add|remove DISK...` and `zubcim locate
// on|off DISK`, each one command that drives the library as a CIM
// management client would. A disk is named by its serial number or DeviceID.
//
// spare: the spare configuration service of the disks' controller lists the
// candidates (GetExtents: the disks that can become spares, or the spares),
// then marks or unmarks the named disks given by those references
// (SetSpareExtents); when all succeeded, the disks' usage is shown as the
// RAID stack reports it once the event monitor has taken the change in. All
// disks of one command belong to one controller.
// locate: the disk's locator (ZUB_AlarmDevice) is switched with
// SetAlarmIndicator, State 2 (on) or 1 (off).
//
// Each prints the outcome in words with the CIM return value; exit 3 when
// the method failed, a named disk is no candidate or has no locator; 2 for
// bad input.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/cli/commands.h"

namespace zubcim {

// Adds `spare add|remove` and `locate on|off` to `app`; the returned function
// runs the one chosen (its exit code) or returns nothing when none was.
std::function<std::optional<int>(const HostOptions&)> AddDiskCommands(CLI::App& app);

int SpareCommand(const HostOptions& options, bool add, const std::vector<std::string>& disks);
int LocateCommand(const HostOptions& options, bool on, const std::string& disk);

}  // namespace zubcim
