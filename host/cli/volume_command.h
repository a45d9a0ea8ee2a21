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

#include "host/cli/commands.h"

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

class CimClient;

// What a volume verb did: the method it called last and its result.
struct VolumeOutcome {
  std::string verb;     // create, modify, delete
  std::string method;   // the CIM method called last
  Json result;          // {"status", "record"} of that call
  std::string success;  // a line for people when it succeeded

  uint64_t ReturnValue() const { return result["record"].value("ReturnValue", uint64_t{0}); }
  int Status() const { return result["status"].get<int>(); }
  bool Succeeded() const { return ReturnValue() == 0 && Status() == 0; }
  // {"volume": VERB, "invoke": METHOD, "status": N, "record": {...}}
  Json ToJson() const;
};

// Runs one verb on a running session (the commands below and the `volume`
// step of `run`); throws a bad-input HostError for a request naming nothing.
VolumeOutcome RunVolumeVerb(CimClient& client, const std::string& verb, const VolumeRequest& request);
// A request from JSON: {"controller", "name", "level", "strip", "cache",
// "size", "volume" (texts), "disks" (texts)}.
VolumeRequest VolumeRequestFromJson(const Json& in);

int VolumeCreateCommand(const HostOptions& options, const VolumeRequest& request);
int VolumeModifyCommand(const HostOptions& options, const VolumeRequest& request);
int VolumeDeleteCommand(const HostOptions& options, const VolumeRequest& request);

// "64K" → 65536; throws a bad-input HostError naming `what`.
uint64_t ParseBytes(const std::string& text, const std::string& what);

}  // namespace zubcim
