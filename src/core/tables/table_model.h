// The cell, row and section model of a table. A cell is plain data: its
// definition (type, formats, list links, export codes, grid position) and
// its visual record (caption = value, geometry, alignment, colours, font,
// hint, frame). There is no widget per cell: the table window paints the
// model.
//
// Containers hold their elements by pointer, so inserting or removing a
// row moves pointers, never cells, and a cell's address stays valid for as
// long as the cell exists.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/colors_fonts.h"

namespace rpt {

class TTable;

// Cell type codes.
namespace cell_type {
inline constexpr std::uint8_t kCaption = 0;
inline constexpr std::uint8_t kText = 1;
inline constexpr std::uint8_t kInteger = 2;
inline constexpr std::uint8_t kReal = 3;
inline constexpr std::uint8_t kDate = 4;
inline constexpr std::uint8_t kLongText = 5;
inline constexpr std::uint8_t kListValue = 6;
inline constexpr std::uint8_t kFormula = 7;
inline constexpr std::uint8_t kColumnNumber = 8;
inline constexpr std::uint8_t kRowNumber = 9;
inline constexpr std::uint8_t kTitle = 10;
inline constexpr std::uint8_t kTableNumber = 11;
inline constexpr std::uint8_t kCountsAsInput = 12;
inline constexpr std::uint8_t kDisplayOnly = 13;
}  // namespace cell_type

// {0, 8, 9, 10, 11, 13}: show a text, take no input.
constexpr bool IsDisplayType(std::uint8_t t) {
  return t == cell_type::kCaption || (t >= cell_type::kColumnNumber && t <= cell_type::kTableNumber) ||
         t == cell_type::kDisplayOnly;
}
// Display types and formulas: never edited by the user.
constexpr bool IsNotEditedType(std::uint8_t t) { return IsDisplayType(t) || t == cell_type::kFormula; }
// Display types, formulas and 12: Tab and Enter step over them.
constexpr bool IsSteppedOverType(std::uint8_t t) { return IsNotEditedType(t) || t == cell_type::kCountsAsInput; }

enum class VAlign : std::uint8_t { Top, Center, Bottom };
enum class HAlign : std::uint8_t { Left, Center, Right };

// The cell's visual record: what the table window paints.
// (Members ordered by size, so that a cell packs into three cache lines.)
struct TFramedLabel {
  std::string caption;  // the cell's value
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  TColor color = 0;
  std::int32_t frameWidth = 1;  // kept and copied; the frame is drawn one pixel wide
  TFont font;
  SharedText hint;  // "short|long"
  // A cell the definition does not describe shows nothing of its own.
  bool transparent = true;
  bool showHint = true;
  bool visible = true;
  bool framed = false;
  bool selected = false;    // flagged by a check rule
  bool remarked = false;    // named by a message of the table's protocol
  bool frameSolid = false;

  // Keypad placement: 1-3 top, 4-6 centre, 7-9 bottom; left, centre, right.
  // 0 and values above 9 are kept but leave the placement unchanged.
  std::int32_t TextAlign() const { return textAlign_; }
  void SetTextAlign(std::int32_t value);
  VAlign vertical() const { return vertical_; }
  HAlign horizontal() const { return horizontal_; }

  bool operator==(const TFramedLabel&) const = default;

 private:
  std::int32_t textAlign_ = 0;
  VAlign vertical_ = VAlign::Top;
  HAlign horizontal_ = HAlign::Left;
};

// Where the painting routine draws the text of a label: the label's area
// less margins (2 at the top for 1-3, 2 at the bottom for 7-9, 10 at the
// left for 1, 4, 7, 10 at the right for 3, 6, 9), and for centre and bottom
// placement moved down by the free height. `textHeight` is the wrapped
// text's height measured in MarginBoxOf's width.
struct LabelTextBox {
  int left, top, right, bottom;
  bool operator==(const LabelTextBox&) const = default;
};
LabelTextBox TextBoxOf(const TFramedLabel& label, int textHeight);
LabelTextBox MarginBoxOf(const TFramedLabel& label);

// A cell's identity: a number handed out once per process and never again.
// A cell remembered across an operation that may destroy cells (a row
// command, a reload) is found again by it only while it exists, never
// confused with a new cell that happens to lie at the old address. A copy
// of a cell is a new cell with an identity of its own.
class CellIdentity {
 public:
  CellIdentity() : value_(Next()) {}
  CellIdentity(const CellIdentity&) : CellIdentity() {}
  CellIdentity& operator=(const CellIdentity&) { return *this; }
  std::uint64_t value() const { return value_; }

 private:
  static std::uint64_t Next();
  std::uint64_t value_;
};

// Cache-line aligned, so that the fields a row shift walks (Row, type and
// the label's top, all in the first 64 bytes) cost one line per cell.
class alignas(64) TCell {
 public:
  // A cell belongs to a table (its modified mark and hooks); `table` may be
  // null for a cell standing alone.
  explicit TCell(TTable* table = nullptr);

  // Cells come from the cell pool (core/tables/cell_pool.h).
  static void* operator new(std::size_t size, std::align_val_t);
  static void operator delete(void* p, std::size_t size, std::align_val_t) noexcept;

  // Grid position and type first, beside the label's geometry: moving
  // thousands of rows walks exactly these fields of every cell. The order
  // of the rest packs a cell into three cache lines.
  std::int32_t Col = 0;
  std::int32_t Row = 0;
  std::uint8_t type = cell_type::kCaption;
  bool DirectInput = true;
  std::int32_t number = 0;
  TFramedLabel label;
  std::int32_t Dec = -1;
  std::int32_t Len = 0;
  SharedText List;
  SharedText Form = NoFormula();
  std::int32_t BObj = -1;
  std::int32_t BVal = -1;
  std::int32_t BList = -1;
  std::int32_t ListCode = -1;
  SharedText definedFontName;
  std::int32_t definedFontSize = 8;
  // The fill colour as the table file defines it: what a save writes and
  // what the colour scheme looks up (the label shows the scheme's colour).
  TColor definedColor = 0;

  // "-1": the formula text of a cell without a formula.
  static const SharedText& NoFormula();

  // Stores a value: "." becomes "," in reals and numeric formula results;
  // outside the loading flag the table is marked modified and recalculated
  // or checked according to the type.
  void SetValue(std::string_view text);
  // The value with the decimal point normalised (the caption is rewritten).
  const std::string& GetValue();
  // Empties the value, the list codes and the hint (row-number cells keep theirs).
  void Clear();

  // Resize; the table is marked modified when the size changes.
  void SetWidth(std::int32_t width);
  void SetHeight(std::int32_t height);
  std::int32_t GetWidth() const { return label.width; }
  std::int32_t GetHeight() const { return label.height; }

  TTable* table() const { return table_; }
  void SetTable(TTable* table) { table_ = table; }

  // Same definition and visual record (the owning table aside).
  bool SameContent(const TCell& other) const;

  // This cell's identity (never 0, never reused).
  std::uint64_t id() const { return identity_.value(); }

 private:
  TTable* table_;
  CellIdentity identity_;
};

// A formula cell with a negative "Dec" copies another cell's text (a
// date, a name) rather than computing a number.
bool IsTextCopy(std::uint8_t type, std::int32_t dec);

// The normalisation of a stored value: "." becomes "," in a real value and
// in a formula result whose first word (words separated by "," and ".") is
// an integer. A text copy keeps its text as copied: "15.03.2023" is a
// date, not a number to rewrite.
void NormalizeValue(std::uint8_t type, std::int32_t dec, std::string& text);

// The cells of one row, in column order.
class TRow {
 public:
  std::vector<std::unique_ptr<TCell>> cells;
  std::size_t size() const { return cells.size(); }
};

// Header, column headings and footer.
class TNoDataSect {
 public:
  virtual ~TNoDataSect() = default;
  std::vector<std::unique_ptr<TCell>> cells;
  std::int32_t topOffset = 0;
  std::int32_t height = 0;
  TCell* leftmost = nullptr;  // not owned
  // The section's panel in the window.
  std::int32_t panelHeight = 0;
  bool panelVisible = true;

  std::size_t size() const { return cells.size(); }
  void Clear();
};
class THeaderSect : public TNoDataSect {};
class TTopSect : public TNoDataSect {};
class TFootterSect : public TNoDataSect {};

// The data rows; row 0 is a grid table's buffer row and a form table's only row.
class TDataSect {
 public:
  std::vector<std::unique_ptr<TRow>> rows;
  std::size_t size() const { return rows.size(); }
  void Clear() { rows.clear(); }
};

// Row and section operations. Lookups return null outside the table and
// never raise.
TCell* AddCell(TRow& row, TTable* table, bool visible);
TCell* CellAt(const TRow& row, int n);                 // 1-based
TRow* RowAt(const TDataSect& data, int i);             // 0-based
TRow* FirstRow(const TDataSect& data);
TCell* GetCell(const TDataSect& data, int col, int row);
TCell* CellByNumber(const TDataSect& data, int n);     // index n - 2 of row 0
TRow* AppendRow(TDataSect& data, int colCount, TTable* table, bool visible);
TRow* InsertRow(TDataSect& data, int colCount, int index, bool visible, TTable* table);
void SetColumnLeft(TDataSect& data, int col, int left);
void SetColumnWidth(TDataSect& data, int col, int width);
void LayoutSection(TNoDataSect& section, int minLeft);
void ShiftSection(TNoDataSect& section, int dx);
TCell* AddSectionCell(TNoDataSect& section, TTable* table, bool visible);

}  // namespace rpt
