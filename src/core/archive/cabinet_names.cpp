#include "core/archive/cabinet_names.h"

#include "core/foundation/codec.h"

namespace rpt {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Malformed UTF-8 (possible in file names on disk) is stored as U+FFFD rather
// than as bytes other readers would reject.
std::string CleanUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) AppendUtf8(out, DecodeUtf8At(s, i));
  return out;
}

}  // namespace

TSTCabStoredName EncodeCabinetName(std::string_view utf8Name) {
  std::string name(utf8Name);
  for (char& c : name)
    if (c == '/') c = '\\';
  if (FitsCp1251(name)) return {Utf8ToCp1251(name), false};
  return {CleanUtf8(name), true};
}

std::string DecodeCabinetName(std::string_view bytes, bool utf8Attribute) {
  if (!utf8Attribute) return Cp1251ToUtf8(bytes);
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const char32_t cp = DecodeUtf8At(bytes, i);
    AppendUtf8(out, cp == 0 ? char32_t(0xFFFD) : cp);
  }
  return out;
}

std::optional<std::vector<std::string>> SafeNameParts(std::string_view name) {
  if (name.empty() || IsSeparator(name.front())) return std::nullopt;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    std::string_view part = name.substr(start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") parts.emplace_back(part);
    start = end + 1;
  }
  if (parts.empty()) return std::nullopt;
  const std::string& first = parts.front();
  const auto letter = static_cast<unsigned char>(first[0]);
  if (first.size() >= 2 && first[1] == ':' &&
      ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')))
    return std::nullopt;
  return parts;
}

}  // namespace rpt
