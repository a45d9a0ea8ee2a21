// topology.h: turning a topology (JSON file or text) into a Model.
//
// The loader checks every rule a topology must keep and reports the first
// broken one as "<source>: <JSON path>: <what was expected>". It is used at
// SsiInitialize (ABRU2_TOPOLOGY), by the control API's loaders and for the
// built-in default; changes.cpp reuses the disk reader for insert_disk.
#pragma once

#include <functional>
#include <string>

#include "sim/json_reader.h"
#include "sim/model.h"

namespace abru2sim {

// Reads a whole topology; throws InputError.
Model BuildModel(const Json& root);

// Text or file to model. On failure *error holds the one-line message and
// *out is untouched.
bool ParseTopologyText(const std::string& text, const std::string& source, Model* out,
                       std::string* error);
bool ReadTopologyFile(const std::string& path, Model* out, std::string* error);

// Called for every explicit handle met while reading, with its path, so the
// caller can refuse duplicates against whatever it already holds.
using HandleClaim = std::function<void(SSI_HANDLE, const std::string& path)>;

// One disk object as in a topology file. defaultPhyNumber is used when the
// disk's PHY gives no number; handles left out stay 0 for the caller to fill.
Disk ReadDisk(const Json& v, const std::string& path, int32_t controllerType,
              uint32_t defaultPhyNumber, const HandleClaim& claim);

// The protocol a disk's PHY gets when the file names none: SATA on AHCI.
int32_t DefaultProtocol(int32_t controllerType);

}  // namespace abru2sim
