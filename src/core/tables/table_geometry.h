// The table window's geometry decisions on the model, free of widgets:
// which section a cell lies in, where a data cell stands, how dragging a
// cell's right or bottom edge resizes columns, rows and sections, and which
// dates the date editor accepts. The window only carries them out and
// paints the result, so the rules are tested on plain tables.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/tables/table.h"
#include "core/tables/table_navigation.h"

namespace rpt {

enum class TableSection { None, Header, Top, Data, Footer };

// Cells narrower or lower than this are never made by a resize.
inline constexpr int kMinCellSize = 10;

// The table's cell whose identity is `id` (TCell::id); null when that cell
// no longer exists.
TCell* FindCell(const TTable& table, std::uint64_t id);

// The position of a data cell; {-1, -1} for any other cell.
CellPos PosOf(const TTable& table, const TCell* cell);
TableSection SectionOf(const TTable& table, const TCell* cell);

// Grid tables: the vertical line at the right edge of `cell` moves by `dx`.
// In the header or footer the cells spanning it widen and those right of it
// move; in the column headings and the data both move by the same amount so
// that they stay in line. A narrowing stops before any spanning cell gets
// 10 pixels wide or less. True when anything changed (the table is then
// marked modified). Form tables are left alone (false).
bool ResizeColumn(TTable& table, const TCell& cell, int dx);

// The horizontal line at the bottom of `cell` moves by `dy`: form tables
// move and stretch the cells of their one row; grid tables stretch the
// cell's data row (the rows below and the footer follow) or the section
// line it spans in the header, headings or footer (the sections below
// follow). No cell is left lower than 10 pixels. The change in height of the
// content, 0 when nothing changed.
int ResizeRow(TTable& table, TCell& cell, int dy);

// A date the date editor accepts: "dd.mm.yyyy" with blanks allowed around
// the digits of each part and a four-digit year, naming a day of the
// Gregorian calendar.
bool IsValidDate(std::string_view text);

// Every cell of the table (grid tables: all sections; form tables: the
// data row) in the face and size given (size 0 keeps each cell's size).
// Marks the table modified.
void SetCellFont(TTable& table, std::string_view face, int size);

// The colour scheme of the hooks (TableHooks::BackgroundColor and
// DisplayColor) given to the table's background and to its cells that are
// not transparent (grid tables: headings and data; form tables: the data
// row), each looked up by the colour its table file defines. False, and
// nothing changed, without a scheme; else the table is marked modified.
bool ApplyColourScheme(TTable& table);

}  // namespace rpt
