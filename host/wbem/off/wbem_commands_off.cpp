// wbem_commands_off.cpp: the server's verbs in a build without the WBEM
// server (the Windows cross build): they say so instead of being unknown.
#include "host/kit/errors.h"
#include "host/wbem/wbem_commands.h"

namespace zubcim {

std::function<std::optional<int>(const HostOptions&)> AddWbemCommands(CLI::App& app) {
  std::vector<CLI::App*> verbs;
  for (const char* name : {"serve", "schema", "passwd", "sim", "listen", "check"}) {
    CLI::App* verb = app.add_subcommand(name, "(not in this build: zubcim was built without the WBEM server)");
    verb->allow_extras();
    verbs.push_back(verb);
  }
  return [verbs](const HostOptions&) -> std::optional<int> {
    for (CLI::App* verb : verbs) {
      if (*verb) throw BadInput(verb->get_name() + ": this zubcim was built without the WBEM server");
    }
    return std::nullopt;
  };
}

}  // namespace zubcim
