// text_common.cpp: multibyte conversion of the middleware's 8-bit texts, the
// same on every system: the C runtime's mbstowcs/wcstombs in the current
// locale, and byte-for-byte widening for what the locale rejects (glibc's C
// locale knows only ASCII; the Windows C locale widens every byte as is).
#include <cstdlib>

#include "platform/platform.h"

namespace platform {

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
