#include "core/import/year_figures.h"

#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/text_case.h"
#include "core/import/import_common.h"
#include "core/import/year_comparison.h"
#include "core/report/report_state.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt {

using namespace literals;

namespace {

constexpr std::size_t kCaptionLength = 40;

std::optional<long double> NumberOf(std::string_view text) {
  if (tables::TrimText(text).empty()) return std::nullopt;
  std::string copy(text);
  tables::DotsToCommas(copy);
  return tables::ParseNumber(copy);
}

std::string Shortened(std::string text) {
  if (text.size() > kCaptionLength) text = text.substr(0, kCaptionLength - 3) + "...";
  return text;
}

// A caption on one line, without the blanks that indent it in the table.
std::string CaptionText(const std::string& caption) {
  std::string text = caption;
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return std::string(tables::TrimText(text));
}

// The heading over column `col`: the deepest caption of the column
// headings that lies over the column's number cell.
std::string ColumnHeading(const TTable& table, int col) {
  const std::string number = std::to_string(col);
  const TCell* numberCell = nullptr;
  for (const auto& c : table.top.cells)
    if (c->type == cell_type::kColumnNumber && tables::TrimText(c->label.caption) == number) numberCell = c.get();
  std::string heading;
  if (numberCell) {
    const int x = numberCell->label.left + numberCell->label.width / 2;
    int deepest = -1;
    for (const auto& c : table.top.cells) {
      if (c->type != cell_type::kCaption || c->label.top >= numberCell->label.top) continue;
      if (x < c->label.left || x >= c->label.left + c->label.width || c->label.top <= deepest) continue;
      deepest = c->label.top;
      heading = CaptionText(c->label.caption);
    }
  }
  std::string out = std::string("Графа "_w) + number;
  if (!heading.empty()) out += ": " + heading;
  return Shortened(out);
}

std::string RowCaption(const TRow& row, int r) {
  for (const auto& c : row.cells) {
    if (c->type != cell_type::kCaption && c->type != cell_type::kText && c->type != cell_type::kListValue &&
        c->type != cell_type::kLongText)
      continue;
    const std::string text = CaptionText(c->label.caption);
    if (!text.empty()) return Shortened(text);
  }
  return std::string("Строка "_w) + std::to_string(r);
}

YearFigure FigureOf(const TTable& table, std::string_view file, const TCell& cell, std::string caption,
                    const TYearComparison* comparison) {
  YearFigure f;
  f.caption = std::move(caption);
  f.current = NumberOf(cell.label.caption);
  if (comparison && comparison->opened())
    if (const TableFileCells* last = comparison->LastYearTable(file))
      if (const FileCell* c = last->Numbered(last->Find(table, cell))) f.last = NumberOf(c->value);
  return f;
}

bool SaysTotal(const TRow& row) {
  for (const auto& c : row.cells) {
    if (c->type != cell_type::kCaption) continue;
    const std::string text = UpperCase(c->label.caption);
    return text.find("ВСЕГО"_w) != std::string::npos || text.find("ИТОГО"_w) != std::string::npos;
  }
  return false;
}

}  // namespace

std::vector<FigureColumn> FigureColumns(const TTable& table) {
  std::vector<FigureColumn> out;
  if (!table.grid) return out;
  for (int col = 1; col <= table.ColCount; ++col)
    for (int r = 1; r <= table.RowCount; ++r)
      if (const TCell* c = GetCell(table.data, col, r); c && IsComparedCell(*c)) {
        out.push_back({col, ColumnHeading(table, col)});
        break;
      }
  return out;
}

std::vector<YearFigure> ColumnByRows(const TTable& table, std::string_view fileCp1251, int col,
                                     const TYearComparison* comparison) {
  std::vector<YearFigure> out;
  if (!table.grid) return out;
  for (int r = 1; r <= table.RowCount; ++r) {
    const TRow* row = RowAt(table.data, r);
    const TCell* c = GetCell(table.data, col, r);
    if (!row || !c || !IsComparedCell(*c)) continue;
    out.push_back(FigureOf(table, fileCp1251, *c, RowCaption(*row, r), comparison));
  }
  return out;
}

std::vector<YearFigure> TableTotals(const TTable& table, std::string_view fileCp1251,
                                    const TYearComparison* comparison) {
  std::vector<YearFigure> out;
  if (table.growing) {
    for (const auto& c : table.footer.cells)
      if (IsComparedCell(*c)) out.push_back(FigureOf(table, fileCp1251, *c, ColumnHeading(table, c->Col), comparison));
    return out;
  }
  if (table.grid) {
    for (int r = 1; r <= table.RowCount; ++r) {
      const TRow* row = RowAt(table.data, r);
      if (!row || !SaysTotal(*row)) continue;
      for (const auto& c : row->cells)
        if (IsComparedCell(*c)) out.push_back(FigureOf(table, fileCp1251, *c, ColumnHeading(table, c->Col), comparison));
      return out;
    }
    return out;
  }
  if (const TRow* row = FirstRow(table.data))
    for (const auto& c : row->cells) {
      if (!IsComparedCell(*c)) continue;
      const std::string& hint = c->label.hint;
      std::string caption = hint.substr(0, hint.find('|'));
      if (tables::TrimText(caption).empty()) caption = std::string("Ячейка "_w) + std::to_string(c->number);
      out.push_back(FigureOf(table, fileCp1251, *c, Shortened(CaptionText(caption)), comparison));
    }
  return out;
}

std::vector<KeyTotal> ReadKeyTotals(const std::string& templateFolder) {
  std::vector<KeyTotal> out;
  const auto path = FindEntryNoCase(templateFolder, kOptionsFileName);
  if (!path) return out;
  TMyIniFile ini(*path);
  constexpr std::string_view section = "Основные показатели"_w;
  const int count = ini.ReadInteger(section, "Количество"_w, 0);
  for (int k = 1; k <= count && k <= 1000; ++k) {
    const std::string line = ini.ReadString(section, std::to_string(k), "");
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (int field = 0; field < 3; ++field) {
      const std::size_t semi = line.find(';', start);
      if (semi == std::string::npos) break;
      parts.push_back(line.substr(start, semi - start));
      start = semi + 1;
    }
    if (parts.size() != 3) continue;
    const auto row = TryStrToInt(parts[1]);
    const auto col = TryStrToInt(parts[2]);
    if (!row || !col || *row < 0 || *col < 1 || !IsPlainFileName(parts[0])) continue;
    out.push_back({parts[0], *row, *col, line.substr(start)});
  }
  ini.DiscardChanges();
  return out;
}

const TCell* KeyTotalCell(const TTable& table, const KeyTotal& total) {
  if (total.row > 0) {
    const TCell* c = table.grid ? GetCell(table.data, total.col, total.row) : nullptr;
    return c && IsComparedCell(*c) ? c : nullptr;
  }
  for (const auto& c : table.footer.cells)
    if (c->Col == total.col && IsComparedCell(*c)) return c.get();
  return nullptr;
}

std::vector<YearFigure> KeyTotalFigures(const TReportState& state, const std::vector<KeyTotal>& totals,
                                        const TYearComparison* comparison) {
  std::vector<YearFigure> out;
  for (const KeyTotal& total : totals) {
    YearFigure figure;
    figure.caption = total.caption;
    for (const TReportTable& t : state.tables()) {
      if (!t.table || !SameText(t.file, total.file)) continue;
      if (const TCell* c = KeyTotalCell(*t.table, total))
        figure = FigureOf(*t.table, t.file, *c, total.caption, comparison);
      break;
    }
    out.push_back(std::move(figure));
  }
  return out;
}

}  // namespace rpt
