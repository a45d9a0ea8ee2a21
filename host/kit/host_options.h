// host_options.h: what every front end of a host run is started with: the
// library's session (its topology and names) and whether output is for a
// program (--json) or a person, and whether the client view (host/view) is
// left out (--records-only: the library's records alone).
#pragma once

#include "host/kit/session.h"

namespace zubcim {

struct HostOptions {
  SessionOptions session;
  bool json = false;
  bool recordsOnly = false;
};

}  // namespace zubcim
