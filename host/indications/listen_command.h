// listen_command.h: `zubcim listen`, a CIM-XML indication listener that
// prints each indication it receives (a line for people, or JSON).
#pragma once

#include <string>

#include "host/kit/host_options.h"

namespace zubcim {

struct ListenArgs {
  std::string address = "127.0.0.1";
  int port = 5990;  // 0: any free port
};
int ListenCommand(const HostOptions& options, const ListenArgs& args);

}  // namespace zubcim
