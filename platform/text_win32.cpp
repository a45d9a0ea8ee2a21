// text_win32.cpp: wide number formatting and multibyte conversion on the
// Windows C runtime (wchar_t is 16 bits wide here).
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

std::wstring WidenMultiByte(const char* text, size_t n) {
  size_t len = 0;
  while (len < n && text[len] != 0) ++len;
  std::string bytes(text, len);
  std::wstring wide(bytes.size(), L'\0');
  size_t got = std::mbstowcs(wide.data(), bytes.c_str(), wide.size() + 1);
  if (got != static_cast<size_t>(-1)) {
    wide.resize(got);
    return wide;
  }
  // A locale that rejects a byte: widen byte for byte, as the C locale does.
  for (size_t i = 0; i < bytes.size(); ++i) wide[i] = static_cast<unsigned char>(bytes[i]);
  return wide;
}

std::string NarrowToMultiByte(const std::wstring& text, size_t n) {
  std::string bytes(text.size() * MB_CUR_MAX + 1, '\0');
  size_t got = std::wcstombs(bytes.data(), text.c_str(), bytes.size());
  if (got == static_cast<size_t>(-1)) {
    for (size_t i = 0; i < text.size(); ++i) bytes[i] = static_cast<char>(text[i] & 0xFF);
    got = text.size();
  }
  bytes.resize(got < n ? got : n);
  return bytes;
}

}  // namespace platform
