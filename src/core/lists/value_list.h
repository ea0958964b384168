// A value-list file read for the table side: the list's code, levels,
// columns and column codes, and the rows of section "0" by key. The file is
// only read, never written back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/foundation/text_case.h"

namespace rpt {

class TValueList {
 public:
  // Reads the file (UTF-8 path); nothing when it does not exist.
  static std::unique_ptr<TValueList> Open(const std::string& path);
  // The list named by a cell's "List" (its first word, Windows-1251) in the
  // list folder, found without regard to case; nothing when missing.
  static std::unique_ptr<TValueList> OpenNamed(const std::string& listFolder, std::string_view list);

  std::int32_t listCode = -1;  // "Список" / "ListCode", -1 when missing
  std::int32_t levels = 0;     // "Уровней"
  std::int32_t fields = 1;     // "Полей"
  std::vector<std::string> columnCodes;  // n + ".LC", n = 1..fields
  int sectionLines = 0;  // lines of section "0", its header included
  int maxRowKey = -1;    // the largest row key K of the keys K_r_c of section "0"

  // (lines of section "0" - 3) / (2 * fields + 1), rounded down; 0 without fields.
  int RowCount() const;
  // A value of section "0"; nothing when the key is missing or its value
  // empty (a settings file reads an empty value as the default).
  std::optional<std::string_view> Value(std::string_view key) const;

 private:
  std::unordered_map<std::string, std::string, FoldedHash, FoldedEqual> rows_;
};

}  // namespace rpt
