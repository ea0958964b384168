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
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/foundation/colors_fonts.h"

namespace rpt::tables {

class IniSnapshot {
 public:
  // The bytes of the file (a NUL byte ends the text).
  explicit IniSnapshot(std::string text);
  // Reads the file; a missing or unreadable file gives an empty snapshot.
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
    bool exists() const { return exists_; }

   private:
    friend class IniSnapshot;
    std::vector<std::pair<std::string_view, std::string_view>> keys_;
    bool exists_ = false;
    // One-entry cache: most cells of a table share one font text.
    mutable std::string lastFontText_;
    mutable std::optional<TFont> lastFont_;
  };

  // Parses the named section into `out` (reusing its storage); returns it.
  const Section& Select(std::string_view name, Section& out) const;
  // Convenience for a few reads.
  Section Get(std::string_view name) const;

  bool empty() const { return text_.empty(); }

 private:
  std::string text_;
  // Folded section name -> offset of the line after its first header.
  std::unordered_map<std::string, std::size_t> headers_;
};

}  // namespace rpt::tables
