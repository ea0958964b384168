// A small fixed report for the check fuzz targets: a form table, a grid
// table and a second grid that rules reach by name.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/calc/check_status.h"
#include "core/foundation/codec.h"
#include "core/tables/table.h"
#include "core/tables/table_model.h"

namespace fuzzing {

using namespace rpt;

struct Report {
  TableContext context;
  std::unique_ptr<TTable> form, grid, other;
  checks::TableChecker checker;

  static void Fill(TCell& cell, std::uint8_t type, std::string_view utf8) {
    cell.type = type;
    cell.label.caption = Utf8ToCp1251(utf8);
  }

  std::unique_ptr<TTable> Grid(const std::string& path, int rows, int cols) {
    auto t = std::make_unique<TTable>(context);
    t->filePath = path;
    t->tableName = TableNameOf(path);
    t->grid = true;
    t->RowCount = rows;
    t->ColCount = cols;
    static const char* kTexts[] = {"0", "1,5", "", "abc", "-3", "1E300", "-2000000000", "7"};
    int k = 0;
    for (int r = 0; r <= rows; ++r) AppendRow(t->data, cols, t.get(), true);
    for (int r = 1; r <= rows; ++r)
      for (int c = 1; c <= cols; ++c) {
        TCell& cell = *CellAt(*t->data.rows[static_cast<std::size_t>(r)], c);
        cell.Row = r;
        cell.Col = c;
        Fill(cell, c == 1 ? 1 : 2, kTexts[k++ % 8]);
      }
    NumberCells(*t);
    return t;
  }

  Report() {
    form = std::make_unique<TTable>(context);
    form->filePath = "/rep/F.ini";
    form->tableName = "F";
    form->data.rows.push_back(std::make_unique<TRow>());
    const char* texts[] = {"Итог", "", "ООО", "12", " ", "0,5", "-1000000001", "x y"};
    for (int i = 0; i < 8; ++i) Fill(*AddCell(*form->data.rows[0], form.get(), true), i % 3, texts[i]);
    NumberCells(*form);
    grid = Grid("/rep/G.ini", 3, 4);
    other = Grid("/rep/T1.ini", 2, 3);
    checker.SetTables({{form.get(), "F"}, {grid.get(), "G"}, {other.get(), "T1"}});
  }
};

}  // namespace fuzzing
