// topology_fuzz.cpp: the simulation's topology loader takes files written by
// people; any text must either load or be refused with one line, and a
// loaded topology must enumerate through the middleware calls without harm.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sim/abru2_control.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool initialised = (SsiInitialize(), true);
  (void)initialised;
  std::string error;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (!abru2sim::LoadTopologyText(text, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  SSI_HANDLE session = 0;
  if (SsiSessionOpen(&session) != 0) std::abort();
  uint32_t count = 0;
  SsiGetEndDeviceHandles(session, SSI_SCOPE_ALL, 0, nullptr, &count);
  SSI_HANDLE handles[64];
  uint32_t n = count < 64 ? count : 64;
  if (n && SsiGetEndDeviceHandles(session, SSI_SCOPE_ALL, 0, handles, &n) == 0) {
    for (uint32_t i = 0; i < n && i < 64; ++i) {
      _SSI_EndDeviceInfo info;
      SsiGetEndDeviceInfo(session, handles[i], &info);
    }
  }
  SsiSessionClose(session);
  return 0;
}
