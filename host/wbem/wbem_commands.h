// wbem_commands.h: the verbs of zubcim that belong to the WBEM server and
// its indications: serve, schema, passwd, sim, listen and check. main adds them and
// asks them to run.
#pragma once

#include <functional>
#include <optional>

#include <CLI/CLI.hpp>

#include "host/kit/host_options.h"

namespace zubcim {

// Adds the verbs to `app`; the returned function runs the one chosen (its
// exit code) or returns nothing when none of them was. It throws HostError
// as the other verbs do.
std::function<std::optional<int>(const HostOptions&)> AddWbemCommands(CLI::App& app);

}  // namespace zubcim
