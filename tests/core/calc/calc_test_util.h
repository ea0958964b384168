// A small open report for the formula tests: table files written from a
// compact cell list, loaded through the calculation's hooks and
// registered as open tables.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc/recalc.h"
#include "core/foundation/codec.h"
#include "core/calc/open_tables.h"
#include "core/calc/table_map.h"
#include "core/tables/table.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace rpt::testing {

// One cell section. Text fields are UTF-8.
struct CellDef {
  int row = 0, col = 0;
  int type = 0;
  std::string cap;
  std::string form;  // empty: no "Form" key
  int dec = -1000;   // -1000: no "Dec" key
  char state = 'D';
};

// A real cell (type 3) gets one decimal: loading rounds a real to its Dec.
inline CellDef Num(int row, int col, std::string cap, int type = 2) {
  return {row, col, type, std::move(cap), {}, type == 3 ? 1 : -1000};
}
inline CellDef Txt(int row, int col, std::string cap) { return {row, col, 1, std::move(cap), {}}; }
inline CellDef F(int row, int col, std::string form, int dec = 0, std::string cap = {}) {
  return {row, col, 7, std::move(cap), std::move(form), dec};
}

// A table file: a grid table when rows > 0, else a form table (cells keep
// their Col and Row keys and stand in list order).
inline std::string TableFile(int rows, int cols, const std::vector<CellDef>& cells) {
  std::string s = "[Table]\r\nCount=" + std::to_string(cells.size()) + "\r\nFixed=" + (rows > 0 ? "1" : "0") +
                  "\r\nRowCount=" + std::to_string(rows) + "\r\nColCount=" + std::to_string(cols) + "\r\n\r\n";
  int n = 2;
  for (const CellDef& c : cells) {
    s += "[Cell_" + std::to_string(n++) + "]\r\nState=" + std::string(1, c.state) + "\r\nType=" +
         std::to_string(c.type) + "\r\nCol=" + std::to_string(c.col) + "\r\nRow=" + std::to_string(c.row) + "\r\n";
    if (!c.form.empty()) s += "Form=" + Utf8ToCp1251(c.form) + "\r\n";
    if (c.dec != -1000) s += "Dec=" + std::to_string(c.dec) + "\r\n";
    s += "Vis=0 0 10 10 5 0\r\nCap=" + Utf8ToCp1251(c.cap) + "\r\n\r\n";
  }
  return s;
}

class TestReport {
 public:
  TempFolder dir;
  ScriptedInteraction ui;
  TOpenTables open;
  TMapTables map;
  TCalcHooks hooks{open, map, &ui};
  TableContext ctx;
  std::vector<std::unique_ptr<TTable>> tables;

  TestReport() {
    ctx.hooks = &hooks;
    ctx.ui = &ui;
    open.SetWorkingFolder(dir.path());
  }

  // Loads a table (name without ".ini") and registers it as open.
  TTable& Add(std::string_view name, int rows, int cols, const std::vector<CellDef>& cells,
              bool register_ = true) {
    const std::string path = dir.Write(std::string(name) + ".ini", TableFile(rows, cols, cells));
    tables.push_back(std::make_unique<TTable>(ctx));
    TTable& t = *tables.back();
    t.LoadFromFile(path);
    if (register_) open.Register(t);
    return t;
  }

  // A grid table's cell (row, column); a form table's cell at index `col`.
  static TCell& At(TTable& t, int row, int col) {
    TCell* c = t.grid ? GetCell(t.data, col, row) : FirstRow(t.data)->cells.at(static_cast<std::size_t>(col)).get();
    if (!c) throw std::runtime_error("no such cell");
    return *c;
  }
  static std::string Text(TTable& t, int row, int col) { return Cp1251ToUtf8(At(t, row, col).label.caption); }
};

}  // namespace rpt::testing
