// system_win32.cpp: local time on Windows.
#include <windows.h>

#include <ctime>

#include "platform/platform.h"

namespace platform {

std::string LocalTimeText() {
  __time64_t now = _time64(nullptr);
  // Both results live in the runtime's per-thread buffers; copy at once.
  const struct tm* local = _localtime64(&now);
  if (!local) return "";
  const char* text = asctime(local);
  return text ? text : "";
}

}  // namespace platform
