// text.h: the conversions every record builder needs: numbers to decimal
// key text and back, and the middleware's 8-bit text fields to wide text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "zubprov/zub_string.h"

// Unsigned decimal text, the only number format of keys and identifiers.
inline CZubString NumberText(uint64_t value) {
  CZubString s;
  s.FromNumber(value);
  return s;
}

// A text of our own written in ASCII (a field or class name).
inline CZubString AsciiText(const char* ascii) {
  const std::wstring wide(ascii, ascii + std::char_traits<char>::length(ascii));
  return CZubString(wide.c_str());
}

// A handle read back from its decimal text ("%llu"), truncated to 32 bits;
// an empty or non-numeric text gives 0.
inline uint32_t HandleFromText(const CZubString& text) {
  uint64_t v = 0;
  platform::ParseU64(text.GetBuffer(), &v);
  return static_cast<uint32_t>(v);
}

// An 8-bit middleware text field, up to its terminator or the field's end.
template <size_t N>
CZubString FromMultiByte(const char (&field)[N]) {
  return CZubString(platform::WidenMultiByte(field, N).c_str());
}
