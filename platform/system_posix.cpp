// system_posix.cpp: local time on POSIX systems.
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

}  // namespace platform
