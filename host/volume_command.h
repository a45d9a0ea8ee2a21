// volume_command.h: `zubcim volume create|modify|delete`, each one command
// that drives the library as a CIM management client would: capabilities
// and CreateSetting, PutData of the goal, the pool's supported sizes, the
// disks, then the storage configuration service with references. Each prints
// the outcome in words with the CIM return value and exits 3 when the
// method reported a failure.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/commands.h"

namespace zubcim {

struct VolumeRequest {
  std::string volume;      // modify, delete: the volume's name or DeviceID
  std::string controller;  // create: a controller's name or handle
  std::string name;        // create: the name; modify: a new name
  std::string level;       // RAID0, RAID1, RAID10, RAID5, RAID6
  std::string strip;       // bytes, or with K or M ("64K")
  std::string cache;       // CACHING_OFF, WRITE_THROUGH, WRITEBACK
  std::string size;        // bytes, or with K, M, G, T; create: default the largest
  std::vector<std::string> disks;  // serial numbers or DeviceIDs (create: the disks; modify: disks to add)
};

// Adds `volume create|modify|delete` to `app`; the returned function runs the
// one chosen (its exit code) or returns nothing when none was.
std::function<std::optional<int>(const HostOptions&)> AddVolumeCommands(CLI::App& app);

int VolumeCreateCommand(const HostOptions& options, const VolumeRequest& request);
int VolumeModifyCommand(const HostOptions& options, const VolumeRequest& request);
int VolumeDeleteCommand(const HostOptions& options, const VolumeRequest& request);

// "64K" → 65536; throws a bad-input HostError naming `what`.
uint64_t ParseBytes(const std::string& text, const std::string& what);

}  // namespace zubcim
