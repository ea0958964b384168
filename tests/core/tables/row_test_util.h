// Growing tables built in memory for the row-operation tests: every row a
// strip of cells of the given types, stacked from top 0, and a reader of a
// column's values.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/tables/row_operations.h"
#include "core/tables/table.h"
#include "table_test_util.h"

namespace rpt::testing {

struct GrowingTable {
  RecordingHooks hooks;
  TableContext ctx;
  TTable table{ctx};

  // `types` per column; `rows` values per row (missing values empty). Row
  // heights are 20 (or `heights[r-1]`), column c is 50 wide at 50 * (c-1).
  GrowingTable(std::vector<std::uint8_t> types, std::vector<std::vector<std::string>> rows,
               std::vector<int> heights = {}) {
    ctx.hooks = &hooks;
    TTable& t = table;
    t.grid = true;
    t.growing = true;
    t.ColCount = static_cast<int>(types.size());
    t.RowCount = static_cast<int>(rows.size());
    int top = 0;
    for (int r = 0; r <= t.RowCount; ++r) {
      TRow* row = AppendRow(t.data, t.ColCount, &t, r != 0);
      const int h = r == 0 ? 20 : (r - 1 < static_cast<int>(heights.size()) ? heights[r - 1] : 20);
      for (int c = 1; c <= t.ColCount; ++c) {
        TCell& cell = *CellAt(*row, c);
        cell.label.left = 50 * (c - 1);
        cell.label.width = 50;
        if (r == 0) continue;  // the buffer row: empty caption cells
        cell.type = types[c - 1];
        cell.Col = c;
        cell.Row = r;
        cell.label.top = top;
        cell.label.height = h;
        if (cell.type == cell_type::kListValue) cell.List = "L1.lst";
        if (cell.type == cell_type::kRowNumber) cell.label.caption = std::to_string(r);
        const auto& values = rows[r - 1];
        if (c - 1 < static_cast<int>(values.size()) && cell.type != cell_type::kRowNumber)
          cell.label.caption = values[c - 1];
      }
      if (r > 0) top += h;
    }
    t.contentHeight = top;
    t.footer.topOffset = top;
  }

  TCell& Cell(int r, int c) { return *GetCell(table.data, c, r); }

  // Column c's values of rows 1..RowCount.
  std::vector<std::string> Column(int c) {
    std::vector<std::string> out;
    for (int r = 1; r <= table.RowCount; ++r) out.push_back(Cell(r, c).label.caption);
    return out;
  }

  // Empty when every row r has Row = r in all cells and rows are stacked
  // from 0; else the first violation.
  std::string LayoutFault() {
    int top = 0;
    if (table.data.rows.size() != static_cast<std::size_t>(table.RowCount) + 1) return "row vector size";
    for (int r = 1; r <= table.RowCount; ++r) {
      TRow& row = *RowAt(table.data, r);
      for (auto& cell : row.cells) {
        if (cell->Row != r) return "Row of row " + std::to_string(r);
        if (cell->label.top != top) return "top of row " + std::to_string(r);
        if (cell->type == cell_type::kRowNumber && cell->label.caption != std::to_string(r))
          return "number of row " + std::to_string(r);
      }
      top += row.cells.front()->label.height;
    }
    if (table.contentHeight != top) return "content height";
    if (table.footer.topOffset != top) return "footer";
    return "";
  }
};

}  // namespace rpt::testing
