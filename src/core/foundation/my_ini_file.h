// The settings file: an INI-like text of "[section]" headers and
// "key=value" lines, read and written by one class. The whole file is held
// as lines; one section at a time is "selected" into a buffer, edited there
// and written back when another section is selected or the object is
// released. Every text is Windows-1251 bytes; the file name is UTF-8.
//
// The rules are strict: nothing is trimmed, there are no comments, a blank
// line ends a section for reading, the first matching header and the first
// matching key win (letter case ignored, Latin and Cyrillic).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/colors_fonts.h"

namespace rpt {

class TMyIniFile {
 public:
  // Loads the file when the name is non-empty and the file exists; otherwise
  // starts with no lines. An empty name keeps the text in memory only. A
  // file that exists but cannot be read is never replaced: Release reports it.
  explicit TMyIniFile(std::string fileName);
  // Releases the object (see Release), ignoring a write failure; owners
  // that must know call Release() first.
  ~TMyIniFile();
  TMyIniFile(const TMyIniFile&) = delete;
  TMyIniFile& operator=(const TMyIniFile&) = delete;

  // Writes the selected section back and saves the file when it has lines
  // and was modified (a file loaded at creation counts as modified). The
  // file is replaced atomically. Returns an empty string on success, else
  // the reason; calling it again after success does nothing.
  [[nodiscard]] std::string Release();
  // Forgets that anything changed, so that releasing writes nothing until
  // the next change: for readers that must leave the file as it is.
  void DiscardChanges();

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def);
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  bool ReadBool(std::string_view section, std::string_view key, bool def);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  TColor ReadColor(std::string_view section, std::string_view key, TColor def);
  void WriteColor(std::string_view section, std::string_view key, TColor value);
  void ReadFont(std::string_view section, std::string_view key, TFont& font, const TFont& def);
  void WriteFont(std::string_view section, std::string_view key, const TFont& font);
  // Raises EListError when the key is not in the section.
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

  // Selects the section and returns its buffer: the header line, then the
  // content lines in file order.
  const std::vector<std::string>& Section(std::string_view section);

  // The file's lines as they stand (the selected section's pending changes
  // not yet written back), for owners that work on the line list itself.
  std::size_t LineCount() const;
  std::vector<std::string> Lines() const;
  // Section names (without brackets) of every header line, in file order.
  std::vector<std::string> SectionNames() const;

  const std::string& FileName() const;
  bool FileModified() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The lenient, profile-style reading used for the installation flags of the
// template structure file, "Options.cnf" and "History.ini": sections and
// keys compare without regard to case, blanks around keys and values are
// ignored, blank lines do not end a section, integers are decimal or "0x"
// hexadecimal, and every write rewrites the file at once.
class ProfileFile {
 public:
  explicit ProfileFile(std::string fileName);
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  // True for an integer other than 0.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  // Each write saves the file; returns an empty string on success, else the reason.
  std::string WriteString(std::string_view section, std::string_view key, std::string_view value);
  std::string EraseSection(std::string_view section);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace rpt
