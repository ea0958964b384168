// A read-only view of a settings file for the bulk readers of table and
// list files. It answers every read exactly as TMyIniFile does (first
// matching header and key, letter case ignored, a blank line or a line
// beginning with "[" ends a section, an empty value reads as the default),
// but indexes the section headers once, so that reading the 120,000 cell
// sections of a large table costs one pass over the text instead of one
// search per section. Unlike TMyIniFile it never writes the file back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/foundation/colors_fonts.h"

namespace rpt::tables {

namespace ini_detail {
std::int32_t OtherInteger(std::string_view text, std::int32_t def);
}  // namespace ini_detail

// The typed reads of the settings file on a value already found (nothing:
// the key is missing): missing or empty values give the default.
// Inline, since a table load reads a dozen integers per cell: short plain
// decimals (nearly every value) directly, anything else by the settings
// file's own rules.
inline std::int32_t IniInteger(std::string_view t, std::int32_t def) {
  if (t.empty()) return def;
  const std::size_t start = t[0] == '-' ? 1 : 0;
  if (t.size() > start && t.size() - start <= 9) {
    std::int32_t n = 0;
    std::size_t i = start;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) n = n * 10 + (t[i] - '0');
    if (i == t.size()) return start ? -n : n;
  }
  return ini_detail::OtherInteger(t, def);
}
inline std::int32_t IniInteger(std::optional<std::string_view> value, std::int32_t def) {
  return value ? IniInteger(*value, def) : def;
}
inline bool IniBool(std::optional<std::string_view> value, bool def) {
  return (IniInteger(value, def ? 1 : 0) & 0xFF) != 0;
}
std::string IniString(std::optional<std::string_view> value, std::string_view def);

class IniSnapshot {
 public:
  // The bytes of the file (a NUL byte ends the text).
  explicit IniSnapshot(std::string text);
  // Reads the file; a missing file gives an empty snapshot, one that exists
  // and cannot be read raises EFileError naming it.
  static IniSnapshot FromFile(const std::string& path);

  // The content lines of one section, parsed into keys and values.
  class Section {
   public:
    // The value of the first key matching without regard to case; nothing
    // when the section or the key is missing.
    std::optional<std::string_view> Find(std::string_view key) const;

    std::string ReadString(std::string_view key, std::string_view def) const;
    std::int32_t ReadInteger(std::string_view key, std::int32_t def) const;
    bool ReadBool(std::string_view key, bool def) const;
    // On a missing key or malformed text the font becomes `def`.
    void ReadFont(std::string_view key, TFont& font, const TFont& def) const;
    void ReadFontValue(std::optional<std::string_view> value, TFont& font, const TFont& def) const;
    bool exists() const { return exists_; }
    // Every key line of the section in file order (duplicates included).
    const std::vector<std::pair<std::string_view, std::string_view>>& keys() const { return keys_; }

   private:
    friend class IniSnapshot;
    std::vector<std::pair<std::string_view, std::string_view>> keys_;
    bool exists_ = false;
    // Most cells of a table share two or three font texts.
    struct CachedFont {
      std::string text;
      TFont font;
    };
    mutable std::vector<CachedFont> fonts_;
  };

  // Parses the named section into `out` (reusing its storage); returns it.
  const Section& Select(std::string_view name, Section& out) const;
  // Convenience for a few reads.
  Section Get(std::string_view name) const;

  bool empty() const { return text_.empty(); }

 private:
  struct Header {
    std::size_t name;     // offset of the name in the text
    std::size_t length;   // of the name
    std::size_t content;  // offset of the line after the header
    bool first;           // the first header of that name (the one reads use)
  };
  std::size_t Find(std::string_view name) const;  // index into headers_, or npos

  std::string text_;
  std::vector<Header> headers_;       // in file order
  std::vector<std::uint32_t> slots_;  // open addressing over first headers: index + 1
  // Readers mostly ask for the sections in file order: the header after the
  // last one found is tried before the hash.
  mutable std::size_t cursor_ = 0;
};

}  // namespace rpt::tables
