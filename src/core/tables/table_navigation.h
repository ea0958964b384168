// The table window's keyboard decisions, free of widgets: which cell Tab,
// Shift+Tab, Enter and the Ctrl+arrow keys lead to, and where the paging
// keys put the data area. The window only carries them out, so the rules
// are tested as tables of cases on plain tables.
#pragma once

#include <optional>

#include "core/tables/table.h"

namespace rpt {

// A data cell by position: the row's index in the data section (grid
// tables 1..RowCount, form tables 0) and the 1-based position in the row.
// Positions, not the cells' Col and Row: cells the definition does not
// describe carry 0 in both.
struct CellPos {
  int row = -1;
  int col = -1;
  bool operator==(const CellPos&) const = default;
};

enum class ArrowKey { Left, Right, Up, Down };
enum class PagingKey { PageUp, PageDown, Home, End };

// Tab and Enter (forward) and Shift+Tab (backward) from `from`: the next
// cell that is not stepped over (display types, formulas, type 12). Grid
// tables walk the data rows column by column and wrap from the last row to
// row 1 (and back); form tables walk row 0 by cell number, wrapping to
// number 2 (backward to the last). Nothing when no other cell qualifies or
// `from` is no data cell.
std::optional<CellPos> NextEditableCell(const TTable& table, CellPos from, bool forward);

// The first cell Tab stops at: grid tables from row 1, column 1 on, row by
// row; form tables from cell number 2 on. Nothing when there is none.
std::optional<CellPos> FirstEditableCell(const TTable& table);

// The last cell Tab stops at (Ctrl+End; FirstEditableCell is Ctrl+Home).
std::optional<CellPos> LastEditableCell(const TTable& table);

// Ctrl+arrow from `from`, or nothing for no move. Form tables that do not
// grow take the nearest cell of type 1-6 lying in the key's direction;
// grid tables search the row (Left/Right) or column (Up/Down) outward from
// the neighbour and stop at the first cell that is not a display or
// formula cell.
std::optional<CellPos> ArrowTarget(const TTable& table, CellPos from, ArrowKey key);

// The new vertical position of the data area for a paging key.
int PagingPosition(PagingKey key, int position, int areaHeight, int contentHeight);

// Grid tables: the first data row (1..RowCount) whose bottom lies below
// `y` in data-area coordinates, found by bisection over the rows' strips;
// RowCount + 1 when none does.
int FirstRowBelow(const TTable& table, int y);

}  // namespace rpt
