// Export of report tables into a spreadsheet workbook: each table becomes
// one worksheet whose grid reproduces the table's geometry on screen, each
// table cell one merged range with its text (numbers as numbers), frame,
// alignment and font. The workbook is written as an .xlsx file at the end
// and handed to the desktop's spreadsheet program.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/spreadsheet.h"

namespace rpt {
class TTable;
class TCell;
class TReportState;
}  // namespace rpt

namespace rpt::output {

// The sheet grid of one table: every distinct row and column boundary of
// its cells in pixels (header, column headings, data grid and footer
// stacked; the fixed sections moved in line with the data columns).
struct SheetGrid {
  std::vector<int> columns;  // sorted, distinct
  std::vector<int> rows;     // sorted, distinct

  // Column k's width in characters: its pixels / 7 rounded, halves to even.
  std::vector<int> ColumnWidths() const;
  // Row k's height: its pixels, taken as points.
  std::vector<int> RowHeights() const;
  // The sheet cells a box of the table covers.
  SheetRange RangeOf(int left, int top, int width, int height) const;
};
SheetGrid GridOf(const TTable& table);

// The cells in the order they are transferred, with the offsets that place
// them in the stacked layout.
struct PlacedTableCell {
  TCell* cell;
  int dx, dy;
};
std::vector<PlacedTableCell> CellsInOrder(TTable& table);

// The text a sheet cell gets: a leading "$" dropped, blanks and control
// characters trimmed at both ends, each line break a blank.
std::string SheetText(std::string_view caption);
// The number an integer, real or computing formula cell holds, with the
// decimals it shows (-1: an exponent form); nothing for a text.
struct SheetNumber {
  double value;
  int decimals;
};
std::optional<SheetNumber> NumberOf(const TCell& cell, std::string_view text);
// Spreadsheet alignment codes of a cell's keypad placement 1-9 (0, 0 outside).
struct SheetAlignment {
  int vertical, horizontal;
};
SheetAlignment AlignmentOf(int textAlign);

// The structure window's "Excel" command and its parts.
class TExcelExport {
 public:
  explicit TExcelExport(TReportState& state);

  // Where the workbook goes: a fixed file (reportctl), else a folder the
  // user chooses once (kept in "LocOpt.cnf") and a name made of the
  // report's and the selection's.
  std::string outputPath;  // UTF-8; empty: ask
  bool openWhenWritten = true;

  // The whole command: the save recommendation, the recent list, the
  // recalculation, then the selection. level 0 the report, 1 section
  // `section`, 2 item `item` of it (0-based).
  void Run(int level, int section, int item);
  // The selection alone, shown at the end when `showAtEnd`.
  void ExportSelection(int level, int section, int item, bool showAtEnd);
  // One table onto a new sheet of the workbook (opened when there is none).
  void TransferTable(TTable& table, bool visibleAfter);

  // The workbook while the export runs and after a run that did not show it.
  const TSpreadsheet& workbook() const { return book_; }
  bool aborted() const { return abort_; }
  int tablesTransferred() const { return transferred_; }
  // The files written so far (UTF-8).
  const std::vector<std::string>& written() const { return written_; }

 private:
  void TransferItem(int section, int item);
  void TransferCell(TCell& cell, const SheetGrid& grid, int dx, int dy);
  void Show();
  std::optional<std::string> TargetPath();
  std::string FileNameOf(int level, int section, int item) const;

  TReportState& state_;
  TSpreadsheet book_;
  bool abort_ = false;
  int transferred_ = 0;
  std::string fileName_;
  std::vector<std::string> written_;
};

}  // namespace rpt::output
