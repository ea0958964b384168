// Report text for tests written in UTF-8 source: the Windows-1251 bytes the
// core holds, and whole files as the program writes them (CR LF line ends).
#pragma once

#include <string>
#include <string_view>

#include "core/foundation/codec.h"

namespace rpt::testing {

inline std::string W(std::string_view utf8) { return Utf8ToCp1251(utf8); }

// UTF-8 text with "\n" line ends -> Windows-1251 bytes with CR LF.
inline std::string Win(std::string_view utf8) {
  std::string out;
  for (const char c : Utf8ToCp1251(utf8)) {
    if (c == '\n') out += "\r\n";
    else out += c;
  }
  return out;
}

}  // namespace rpt::testing
