// The spreadsheet the export fills: a workbook of worksheets, each a grid of
// rows and columns with merged ranges, frames, alignment, fonts and values.
// It is built in memory; Write() hands it to libxlsxwriter, which writes an
// .xlsx file, and Quit() discards it. Each sheet-level call names its sheet
// by a 1-based index (0: the active sheet); a call for a sheet that does
// not exist is skipped.
//
// A range that leaves the sheet's limits (1,048,576 rows, 16,384 columns)
// raises ESpreadsheetError, as does a file that cannot be written.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/errors.h"

namespace rpt::output {

class ESpreadsheetError : public ECoreError {
 public:
  using ECoreError::ECoreError;
};

inline constexpr int kSheetRows = 1048576;
inline constexpr int kSheetColumns = 16384;

// Rows and columns counted from 0, both ends included.
struct SheetRange {
  int firstRow = 0, firstCol = 0, lastRow = 0, lastCol = 0;
  bool operator==(const SheetRange&) const = default;
  auto operator<=>(const SheetRange&) const = default;
};

// The column's name: 0 "A", 25 "Z", 26 "AA", 16383 "XFD".
std::string ColumnName(int col);
// "B3:D4" (rows shown from 1).
std::string RangeRef(const SheetRange& range);

// Frame weights and alignment codes as the export passes them.
namespace sheet_code {
inline constexpr int kFrameHairline = 1, kFrameThin = 2, kFrameMedium = 3, kFrameThick = 4;
// Vertical: 1 top, 2 centre, 3 bottom. Horizontal: 1 general (right, as the
// screen shows those cells), 2 left, 3 centre. 0: not set.
inline constexpr int kUnderlineSingle = 2;
}  // namespace sheet_code

class TSpreadsheet {
 public:
  TSpreadsheet();
  ~TSpreadsheet();
  TSpreadsheet(const TSpreadsheet&) = delete;
  TSpreadsheet& operator=(const TSpreadsheet&) = delete;

  // A new workbook with one sheet, named after the caption when it has one.
  void Open(std::string_view caption);
  // A new sheet after the others; it becomes the active sheet. The name
  // (Windows-1251) is made fit for a sheet name and unique.
  void AddSheet(std::string_view name = {});
  bool IsOpen() const { return open_; }
  int SheetCount() const { return static_cast<int>(sheets_.size()); }

  // The printed page: A4 in the orientation given, margins in millimetres,
  // the sheet scaled to one page wide as the program prints its tables.
  struct PageSetup {
    bool landscape = false;
    double left = 0, top = 0, right = 0, bottom = 0;
  };
  void SetPage(int sheet, const PageSetup& page);
  void SetRowHeight(int sheet, int row, double points);
  void SetColumnWidth(int sheet, int col, double characters);
  void Merge(int sheet, const SheetRange& range);
  void Frame(int sheet, const SheetRange& range, int weight);
  void Align(int sheet, const SheetRange& range, int vertical, int horizontal, bool wrap);
  void Font(int sheet, const SheetRange& range, std::string_view name, int size, bool bold, bool italic, int underline);
  void SetText(int sheet, const SheetRange& range, std::string_view text);
  void SetNumber(int sheet, const SheetRange& range, double value, int decimals);

  // Writes the workbook as an .xlsx file (UTF-8 path). The file is written
  // beside the target and renamed over it, so a failed write leaves what
  // was there. Raises ESpreadsheetError with the reason.
  void Write(const std::string& path) const;
  // Discards the workbook.
  void Quit();

 private:
  struct Sheet;
  Sheet* SheetAt(int sheet);
  struct Entry;
  Entry* EntryFor(int sheet, const SheetRange& range);

  std::vector<std::unique_ptr<Sheet>> sheets_;
  std::string caption_;
  int active_ = 0;
  bool open_ = false;
};

}  // namespace rpt::output
