#include "core/subreports/combine.h"

#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/text_case.h"
#include "core/tables/row_operations.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt {

using namespace literals;

namespace {

using tables::FormatFixed;
using tables::ParseNumber;
using tables::TrimText;

// A whole number as an integer cell holds it: blanks around it and an
// optional sign allowed.
std::optional<long long> ParseInteger(std::string_view text) {
  text = TrimText(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string IntegerText(long long value) { return std::to_string(value); }

// Stores a new value; true when it differs from the old one.
bool Store(TTable& table, TCell& cell, const std::string& text) {
  if (cell.label.caption == text) return false;
  cell.SetValue(text);
  table.SetModified(true);
  return true;
}

// One pair of cells at the same position of two tables of one definition.
bool AddCell(TTable& report, TCell& to, const TCell& from, bool subtract) {
  if (to.type == cell_type::kInteger) {
    const long long a = ParseInteger(to.label.caption).value_or(0);
    const long long b = ParseInteger(from.label.caption).value_or(0);
    return Store(report, to, IntegerText(subtract ? a - b : a + b));
  }
  if (to.type == cell_type::kReal) {
    const long double a = ParseNumber(to.label.caption).value_or(0);
    const long double b = ParseNumber(from.label.caption).value_or(0);
    return Store(report, to, FormatFixed(subtract ? a - b : a + b, to.Dec));
  }
  return false;
}

bool IsKeyType(std::uint8_t type) { return type == cell_type::kText || type == cell_type::kListValue; }

std::string KeyText(std::string_view text) { return UpperCase(TrimText(text)); }

// "Таблица T.ini, строка R, графа C: значение \"X\" не является числом."
[[noreturn]] void NotANumber(const TTable& table, int row, int col, std::string_view text) {
  throw ECoreError(std::string("Таблица "_w) + table.tableName + std::string(", строка "_w) + std::to_string(row) +
                   std::string(", графа "_w) + std::to_string(col) + std::string(": значение \""_w) +
                   std::string(text) + std::string("\" не является числом."_w));
}

// The column-1 cell's top and height give a row's strip.
int RowTop(const TTable& t, int r) {
  const TRow* row = RowAt(t.data, r);
  const TCell* cell = row ? CellAt(*row, 1) : nullptr;
  return cell ? cell->label.top : 0;
}
int RowHeight(const TTable& t, int r) {
  const TRow* row = RowAt(t.data, r);
  const TCell* cell = row ? CellAt(*row, 1) : nullptr;
  return cell ? cell->label.height : 0;
}

// Inserts the sub-report's row after report row `after`: the layout of
// that row, the definitions and values of the sub-report's row. The table
// is recalculated once by the caller, not per row.
int InsertRecord(TTable& report, int after, const TRow& source) {
  const int h = RowHeight(report, after);
  const int top = RowTop(report, after) + h;
  InsertRow(report.data, report.ColCount, after + 1, /*visible=*/true, &report);
  ++report.RowCount;
  CopyRow(report, after, after + 1, /*withColumns=*/false, /*visible=*/true, top, after + 1);
  ClearRow(report, after + 1, /*recalculate=*/false);  // nothing of row `after` stays where the record has no cell
  int numbers = 0;
  {
    LoadingScope loading(report);
    TRow& row = *RowAt(report.data, after + 1);
    for (int c = 1; c <= report.ColCount; ++c) {
      TCell* to = CellAt(row, c);
      const TCell* from = CellAt(source, c);
      if (!to || !from) continue;
      CopyCellDefinition(*to, *from);
      to->label.hint = from->label.hint;
      if (to->type == cell_type::kRowNumber) continue;  // renumbered below
      to->SetValue(from->label.caption);
      if (to->type == cell_type::kInteger || to->type == cell_type::kReal) ++numbers;
    }
  }
  ShiftRows(report, after + 2, h, 1);
  report.SetModified(true);
  return numbers;
}

}  // namespace

int AddTableValues(TTable& report, TTable& sub, bool subtract) {
  int changed = 0;
  if (report.grid) {
    for (int r = 1; r <= report.RowCount; ++r)
      for (int c = 1; c <= report.ColCount; ++c) {
        TCell* to = GetCell(report.data, c, r);
        const TCell* from = GetCell(sub.data, c, r);
        if (to && from && AddCell(report, *to, *from, subtract)) ++changed;
      }
    return changed;
  }
  const TRow* to = FirstRow(report.data);
  const TRow* from = FirstRow(sub.data);
  if (!to || !from) return 0;
  const std::size_t n = std::min(to->size(), from->size());
  for (std::size_t i = 0; i < n; ++i)
    if (AddCell(report, *to->cells[i], *from->cells[i], subtract)) ++changed;
  return changed;
}

int MergeTableRows(TTable& report, TTable& sub, bool subtract) {
  int changed = 0;
  // The report's key texts, folded once per row and column as needed.
  std::vector<int> keyColumns;
  std::vector<std::string> keys;
  for (int b = 1; b <= sub.RowCount; ++b) {
    const TRow* row = RowAt(sub.data, b);
    if (!row) continue;
    keyColumns.clear();
    keys.clear();
    for (int c = 1; c <= static_cast<int>(row->size()); ++c) {
      const TCell* cell = CellAt(*row, c);
      if (cell && IsKeyType(cell->type)) {
        keyColumns.push_back(c);
        keys.push_back(KeyText(cell->label.caption));
      }
    }
    if (keyColumns.empty()) continue;

    int match = 0;
    for (int i = 1; i <= report.RowCount && match == 0; ++i) {
      const TRow* candidate = RowAt(report.data, i);
      if (!candidate) continue;
      bool same = true;
      for (std::size_t k = 0; k < keyColumns.size() && same; ++k) {
        const TCell* cell = CellAt(*candidate, keyColumns[k]);
        same = cell && KeyText(cell->label.caption) == keys[k];
      }
      if (same) match = i;
    }

    if (match > 0) {
      TRow& target = *RowAt(report.data, match);
      for (int c = 1; c <= static_cast<int>(row->size()); ++c) {
        const TCell* from = CellAt(*row, c);
        TCell* to = CellAt(target, c);
        if (!from || !to || TrimText(from->label.caption).empty()) continue;
        if (from->type == cell_type::kInteger) {
          const auto b2 = ParseInteger(from->label.caption);
          if (!b2) NotANumber(sub, b, c, from->label.caption);
          const long long a = ParseInteger(to->label.caption).value_or(0);
          if (Store(report, *to, IntegerText(subtract ? a - *b2 : a + *b2))) ++changed;
        } else if (from->type == cell_type::kReal) {
          const auto b2 = ParseNumber(from->label.caption);
          if (!b2) NotANumber(sub, b, c, from->label.caption);
          long double a = 0;
          if (!TrimText(to->label.caption).empty()) {
            const auto parsed = ParseNumber(to->label.caption);
            if (!parsed) NotANumber(report, match, c, to->label.caption);
            a = *parsed;
          }
          // The report cell's own decimals: a sum written with fewer would
          // lose the difference in every row.
          if (Store(report, *to, FormatFixed(subtract ? a - *b2 : a + *b2, to->Dec))) ++changed;
        }
      }
      continue;
    }
    if (subtract) continue;
    // A record is inserted as a copy of a report row's layout; with no row
    // to copy it would be lost without a word.
    if (report.RowCount < 1)
      throw ECoreError(std::string("Таблица "_w) + report.tableName +
                       std::string(" не содержит строк: запись подотчета некуда вставить."_w));

    const TCell* key = CellAt(*row, keyColumns.front());
    int after = 0;
    for (int i = 1; i <= report.RowCount && after == 0; ++i) {
      const TRow* candidate = RowAt(report.data, i);
      const TCell* cell = candidate ? CellAt(*candidate, keyColumns.front()) : nullptr;
      if (!cell) continue;
      if (!key->List.empty() ? SameText(cell->List, key->List)
                             : cell->type == cell_type::kText && cell->label.caption == key->label.caption)
        after = i;
    }
    if (after == 0) after = report.RowCount;
    changed += InsertRecord(report, after, *row);
  }
  report.hooks().RecalcTable(report, /*deep=*/false, /*withCheck=*/true);
  return changed;
}

void SortByKeyColumn(TTable& table) {
  for (int r = 1; r <= table.RowCount; ++r) {
    const TRow* row = RowAt(table.data, r);
    if (!row) continue;
    for (int c = 1; c <= static_cast<int>(row->size()); ++c)
      if (const TCell* cell = CellAt(*row, c); cell && IsKeyType(cell->type)) {
        SortRows(table, {c});
        return;
      }
  }
}

}  // namespace rpt
