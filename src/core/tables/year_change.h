// This year's figures beside last year's: the change of a value, whether
// it is large enough to be suspicious (a count that tripled, a budget that
// fell to zero is most often a typing error), and the cells of a table
// with their counterparts in last year's table file.
//
// These are warnings only: nothing here touches a table's status.
// Texts are Windows-1251.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rpt {

class TCell;
class TTable;
class TableFileCells;

// When a change is flagged. The defaults flag a value that more than
// doubled, fell by more than half, or went from zero to another value or
// back.
struct ChangeThresholds {
  double growthPercent = 100;  // rose by more than this
  double fallPercent = 50;     // fell by more than this
  bool zeroChanges = true;     // from 0 to another value, or to 0
  bool operator==(const ChangeThresholds&) const = default;
};

enum class ChangeFlag { None, Growth, Fall, FromZero, ToZero };

struct YearChange {
  long double last = 0, current = 0;
  // (current - last) / |last| in percent; nothing when last year's value is 0.
  std::optional<long double> percent;
  ChangeFlag flag = ChangeFlag::None;
  bool flagged() const { return flag != ChangeFlag::None; }
};

// The change from `last` to `current` (both as cells show numbers, ","
// as decimal separator). Nothing when either is empty or no number: an
// empty cell is one not filled in, not a zero.
std::optional<YearChange> CompareYearValues(std::string_view last, std::string_view current,
                                            const ChangeThresholds& thresholds);

// Cells that hold a figure: integers, reals and formulas that compute a number.
bool IsComparedCell(const TCell& cell);

// One figure of this year's table and what last year's table held for it.
struct ComparedCell {
  const TCell* cell = nullptr;
  int lastNumber = 0;     // last year's cell number; 0 when last year had no such cell
  std::string lastValue;  // last year's value
  std::optional<YearChange> change;
};

// Every figure of `table` (header, column headings, data rows, footer; a
// grid table's buffer row left out) in reading order, with last year's
// counterpart found as TableFileCells::Find finds it.
std::vector<ComparedCell> CompareWithLastYear(const TTable& table, const TableFileCells& lastYear,
                                              const ChangeThresholds& thresholds);

// "+7,5 %", "-50,0 %" (one decimal; no sign on 0).
std::string FormatPercent(long double percent);
// Why a change was flagged: "рост более чем на 100 %", "снижение более
// чем на 50 %", "было 0", "стало 0"; empty when it was not.
std::string FlagReason(const YearChange& change, const ChangeThresholds& thresholds);
// The cell's tool tip: last year's value, the change and why it is flagged.
std::string YearChangeHint(const ComparedCell& compared, const ChangeThresholds& thresholds);

}  // namespace rpt
