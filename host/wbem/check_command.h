// check_command.h: zubcim check (profile_check.h), in-process on a session
// of the library or against a running server (--server URL): a table per
// profile (checked, missing, wrong), each failure on a line of its own, and
// the exit code kExitCheckFailed when any profile failed.
#pragma once

#include <functional>
#include <optional>

#include <CLI/CLI.hpp>

#include "host/kit/host_options.h"

namespace zubcim {

// Adds the verb to `app`; the returned function runs it when it was chosen.
std::function<std::optional<int>(const HostOptions&)> AddCheckCommand(CLI::App& app);

}  // namespace zubcim
