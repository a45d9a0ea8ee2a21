// text_win32.cpp: wide number formatting ("%llu") on the Windows C runtime
// (wchar_t is 16 bits wide here).
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "platform/platform.h"

namespace platform {

size_t FormatU64(wchar_t* buf, size_t cap, uint64_t value) {
  if (!buf || cap == 0) return 0;
  int n = _snwprintf(buf, cap, L"%llu", static_cast<unsigned long long>(value));
  // _snwprintf leaves the text unterminated when it fills the buffer.
  if (n < 0 || static_cast<size_t>(n) >= cap) {
    buf[cap - 1] = L'\0';
    return n < 0 ? 0 : cap - 1;
  }
  return static_cast<size_t>(n);
}

bool ParseU64(const wchar_t* text, uint64_t* value) {
  unsigned long long v = 0;
  if (!text || swscanf_s(text, L"%llu", &v) != 1) return false;
  *value = v;
  return true;
}

}  // namespace platform
