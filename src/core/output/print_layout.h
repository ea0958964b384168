// Print layout of one table: the printable copies of its cells on six
// strips, the scale that makes the widest part fill the printable width,
// the page breaks, and what goes on page n. The result is a display list
// in printer pixels; the renderer (printer, PDF, preview) only paints it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/foundation/colors_fonts.h"
#include "core/tables/table_context.h"
#include "core/tables/table_model.h"

namespace rpt {

class TTable;

namespace output {

// x rounded to the nearest integer, halves to even.
long long NearestEven(double x);

// Margins and printable area in printer pixels for a page of pw × ph pixels.
struct PageGeometry {
  int pageWidth = 0, pageHeight = 0;
  int left = 0, top = 0, width = 0, height = 0;
};
PageGeometry ComputePageGeometry(const PageSettings& page, int pw, int ph);

// A printable copy of a cell: white, solid frame, black text.
struct PrintCell {
  int left = 0, top = 0, width = 0, height = 0;
  std::string text;  // Windows-1251, decimal separator a comma
  TFont font;        // colour forced to black
  double fontPixels = 0;  // font height in the strip's pixels
  bool framed = false;
  std::int32_t frameWidth = 1;
  std::int32_t textAlign = 0;
  HAlign horizontal = HAlign::Left;
  VAlign vertical = VAlign::Top;
  int sourceRow = 0;  // data row of a data cell
};

// Width of a cell's printed frame line in printer pixels: one screen pixel
// at the cell's scale, at least one. The line is centred on the cell's
// edge, so half of it lies outside the cell.
double FrameLineWidth(const PrintCell& cell);

// A list of printable cells with its largest right and bottom edges.
class TSector {
 public:
  void Add(PrintCell cell);
  void Clear();
  const std::vector<PrintCell>& Cells() const { return cells_; }
  int Width = 0;
  int Height = 0;
  // The strip's extent: content moved to its origin.
  int MinLeft() const;
  int MinTop() const;
  int StripHeight() const { return cells_.empty() ? 0 : Height - MinTop(); }

 private:
  std::vector<PrintCell> cells_;
};

// The copy of a table cell; `topZero` places it at top 0 (column numbers).
PrintCell CopyCell(TCell& cell, bool topZero = false);

// A cell placed on a page, in printer pixels.
struct PlacedCell {
  PrintCell cell;  // left/top/width/height in printer pixels
};

struct PageImage {
  std::vector<PrintCell> cells;  // absolute printer pixels
  // Content beyond the printable area is clipped to it.
  int clipLeft = 0, clipTop = 0, clipWidth = 0, clipHeight = 0;
};

struct TablePrintLayout {
  PageGeometry geometry;
  bool grid = false;
  // Percent: the widest part fills the printable width, one percent less
  // when its right frame line would otherwise cross the printable edge.
  int scale = 100;
  std::string continuation;  // Windows-1251; empty when the table has no number cell
  // Grid tables: first data row of each page (rows are 1-based); the page
  // shows rows up to the next entry minus 1.
  std::vector<int> breaks;
  // Form tables: unscaled vertical positions; page n shows cells whose
  // top lies in (formBreaks[n-1], formBreaks[n]].
  std::vector<int> formBreaks;
  // A last page holding only the footer when it does not fit below the data.
  bool footerPage = false;
  // Data rows (grid) or cell tops (form) taller than a page: printed
  // clipped on a page of their own.
  std::vector<int> oversize;

  int PageCount() const;
};

// Lays the table out on pages of the given printer size. Always yields at
// least one page: a table without data prints its header and footer.
TablePrintLayout LayOutTable(TTable& table, int pageWidth, int pageHeight);

// The display list of page n (1-based).
PageImage DrawPage(TTable& table, const TablePrintLayout& layout, int n);

// Russian message naming the rows that did not fit (empty when all fit).
std::string OversizeMessage(const TablePrintLayout& layout);

}  // namespace output
}  // namespace rpt
