// Names of files inside cabinets. On disk a name is UTF-8 with "/" between
// folders; inside a cabinet it is Windows-1251 with "\" between folders, or
// UTF-8 with the name attribute when the code page cannot hold it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rpt {

// The attribute that marks a stored name as UTF-8.
inline constexpr unsigned kCabNameIsUtf = 0x80;

struct TSTCabStoredName {
  std::string bytes;  // as stored, "\" between folders
  bool utf8 = false;  // needs the UTF-8 attribute
};

// A UTF-8 name ("/" or "\" between folders) as the writer stores it.
TSTCabStoredName EncodeCabinetName(std::string_view utf8Name);

// The stored bytes as UTF-8 text: strict UTF-8 when the attribute is set
// (malformed or overlong sequences become U+FFFD), Windows-1251 otherwise.
// Separators are left as they are.
std::string DecodeCabinetName(std::string_view bytes, bool utf8Attribute);

// The folder parts of a decoded name, split on "\" and "/", with empty and
// "." parts dropped. Nothing when the name would leave the destination
// folder: a ".." part, a leading separator, a drive letter, or no part left.
std::optional<std::vector<std::string>> SafeNameParts(std::string_view decodedUtf8);

}  // namespace rpt
