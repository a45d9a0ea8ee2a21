// text_posix.cpp: wide number formatting ("%llu") on the C runtime of POSIX
// systems (wchar_t is 32 bits wide here).
#include <cstdlib>
#include <cwchar>

#include "platform/platform.h"

namespace platform {

size_t FormatU64(wchar_t* buf, size_t cap, uint64_t value) {
  int n = std::swprintf(buf, cap, L"%llu", static_cast<unsigned long long>(value));
  return n < 0 ? 0 : static_cast<size_t>(n);
}

bool ParseU64(const wchar_t* text, uint64_t* value) {
  unsigned long long v = 0;
  if (!text || std::swscanf(text, L"%llu", &v) != 1) return false;
  *value = v;
  return true;
}

}  // namespace platform
