// wide_text.h: records hold wchar_t text (32-bit code points on Linux, UTF-16
// on Windows) while JSON and the terminal speak UTF-8. One converter serves
// both widths so that the host has no per-system code.
#pragma once

#include <string>
#include <string_view>

namespace zubcim {

// Text that is not valid (a lone surrogate, a value beyond U+10FFFF, a broken
// UTF-8 sequence) becomes U+FFFD rather than an error: a record with a damaged
// text must still print.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace zubcim
