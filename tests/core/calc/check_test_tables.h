// Small hand-built tables for the check tests: a form table from a list of
// cells and a grid table from rows of cells, with cell types and texts
// written in UTF-8 and stored as Windows-1251.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/foundation/codec.h"
#include "core/tables/table.h"
#include "core/tables/table_model.h"

namespace rpt::testing {

struct CellSpec {
  std::uint8_t type;
  std::string_view text;  // UTF-8
};

inline void FillCell(TCell& cell, const CellSpec& want) {
  cell.type = want.type;
  cell.label.caption = Utf8ToCp1251(want.text);
}

// A form table: the cells of row 0 get cell numbers 2, 3, ...
inline std::unique_ptr<TTable> MakeFormTable(TableContext& context, const std::string& path,
                                             const std::vector<CellSpec>& cells) {
  auto t = std::make_unique<TTable>(context);
  t->filePath = path;
  t->tableName = TableNameOf(path);
  t->grid = false;
  t->data.rows.push_back(std::make_unique<TRow>());
  for (const CellSpec& want : cells) FillCell(*AddCell(*t->data.rows[0], t.get(), true), want);
  NumberCells(*t);
  return t;
}

// A grid table: `rows` are data rows 1..n, all of the same width.
inline std::unique_ptr<TTable> MakeGridTable(TableContext& context, const std::string& path,
                                             const std::vector<std::vector<CellSpec>>& rows,
                                             bool growing = false) {
  auto t = std::make_unique<TTable>(context);
  t->filePath = path;
  t->tableName = TableNameOf(path);
  t->grid = true;
  t->growing = growing;
  t->RowCount = static_cast<int>(rows.size());
  t->ColCount = rows.empty() ? 0 : static_cast<int>(rows[0].size());
  for (int r = 0; r <= t->RowCount; ++r) AppendRow(t->data, t->ColCount, t.get(), true);
  for (int r = 1; r <= t->RowCount; ++r)
    for (int c = 1; c <= t->ColCount; ++c) {
      TCell& cell = *CellAt(*t->data.rows[static_cast<std::size_t>(r)], c);
      cell.Row = r;
      cell.Col = c;
      FillCell(cell, rows[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c - 1)]);
    }
  if (!growing) NumberCells(*t);
  return t;
}

// The grid of numbers: every cell an integer cell.
inline std::unique_ptr<TTable> MakeNumberGrid(TableContext& context, const std::string& path,
                                              const std::vector<std::vector<std::string_view>>& rows) {
  std::vector<std::vector<CellSpec>> specs;
  for (const auto& row : rows) {
    specs.emplace_back();
    for (std::string_view text : row) specs.back().push_back({cell_type::kInteger, text});
  }
  return MakeGridTable(context, path, specs);
}

inline std::vector<std::string> ToUtf8(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(Cp1251ToUtf8(l));
  return out;
}

}  // namespace rpt::testing
