// host_options.h: what every front end of a host run is started with: the
// library's session (its topology and names) and whether output is for a
// program (--json) or a person.
#pragma once

#include "host/kit/session.h"

namespace zubcim {

struct HostOptions {
  SessionOptions session;
  bool json = false;
};

}  // namespace zubcim
