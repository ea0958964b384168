// A value typed for a cell, checked as the cell's editor checks what the
// user types: whole numbers of at most 9 digits, numbers of at most 18
// characters from 0 to 1.2e+100, dates dd.mm.yyyy, texts within "Len", and
// in a cell that takes no typing ("DirectInput" 0) only a text of its list.
// Used where values come without an editor (reportctl set).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rpt {

class TCell;

struct CellInput {
  std::string value;  // what to store (Windows-1251), normalised as the editor would
  std::string error;  // why the text is refused (Windows-1251); empty when accepted
  // A list item chosen by its text: the codes the cell takes with it.
  std::optional<std::int32_t> itemCode, rowCode, listCode;
};

// Checks `utf8` for `cell`; `listFolder` holds the value lists (UTF-8,
// ends with "/"). An empty text empties any cell.
CellInput CheckCellInput(const TCell& cell, std::string_view utf8, const std::string& listFolder);

// A date dd.mm.yyyy with a four-digit year that exists in the calendar.
bool IsValidDateText(std::string_view text);

}  // namespace rpt
