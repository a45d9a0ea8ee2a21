// wbem_commands.h: the verbs of zubcim that belong to the WBEM server:
// serve, schema, passwd, sim and listen. main adds them and asks them to
// run.
#pragma once

#include <functional>
#include <optional>

#include <CLI/CLI.hpp>

#include "host/commands.h"

namespace zubcim {

// Adds the verbs to `app`; the returned function runs the one chosen (its
// exit code) or returns nothing when none of them was. It throws HostError
// as the other verbs do.
std::function<std::optional<int>(const HostOptions&)> AddWbemCommands(CLI::App& app);

// `zubcim listen` (listen_command.cpp).
struct ListenArgs {
  std::string address = "127.0.0.1";
  int port = 5990;  // 0: any free port
};
int ListenCommand(const HostOptions& options, const ListenArgs& args);

}  // namespace zubcim
