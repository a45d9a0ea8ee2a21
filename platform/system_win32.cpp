// system_win32.cpp: local time and host name on Windows.
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

std::string HostName() {
  // The DNS host name is what gethostname() gives on POSIX systems (the
  // NetBIOS name would be upper-cased and cut to 15 characters).
  char buf[256] = {};
  DWORD size = sizeof buf;
  if (GetComputerNameExA(ComputerNameDnsHostname, buf, &size)) return buf;
  size = sizeof buf;
  if (GetComputerNameA(buf, &size)) return buf;
  return "";
}

}  // namespace platform
