// entry.h: the library's entry point hands process events to the framework.
#pragma once

namespace zub {

// Called once when the provider library leaves the process (Windows: process
// detach; elsewhere: unload). Implemented by the framework.
void OnProcessDetach();

}  // namespace zub
