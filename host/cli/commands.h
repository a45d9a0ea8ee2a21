// commands.h: the verbs of zubcim. Each returns the exit code or throws
// HostError; all output to standard output goes through here, scenario.cpp
// and watch.cpp.
#pragma once

#include <string>
#include <vector>

#include "host/kit/host_options.h"
#include "host/kit/record_json.h"
#include "host/kit/session.h"

namespace zubcim {

int ClassesCommand(const HostOptions& options);
int ListCommand(const HostOptions& options, const std::vector<std::string>& classes, bool all);
int InvokeCommand(const HostOptions& options, const std::string& cls, const std::string& method,
                  const std::string& inFile);
int WatchCommand(const HostOptions& options, bool demo);  // watch.cpp

// Shared with the scenario runner.
std::string ReadInput(const std::string& path);  // "" reads standard input
Json ParseJson(const std::string& text, const std::string& source);

}  // namespace zubcim
