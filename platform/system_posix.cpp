// system_posix.cpp: local time and host name on POSIX systems.
#include <unistd.h>

#include <ctime>

#include "platform/platform.h"

namespace platform {

std::string LocalTimeText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[64] = {};
  asctime_r(&local, buf);
  return buf;
}

std::string HostName() {
  char buf[256] = {};
  if (gethostname(buf, sizeof buf - 1) != 0) return "";
  return buf;
}

}  // namespace platform
