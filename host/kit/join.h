// join.h: lists written as one text.
#pragma once

#include <string>
#include <string_view>

namespace zubcim {

// Appends `item` to `out`, after `separator` unless `out` is empty.
inline void AppendJoined(std::string& out, std::string_view separator, std::string_view item) {
  if (!out.empty()) out += separator;
  out += item;
}

}  // namespace zubcim
