#include "core/output/excel_export.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/foundation/codec.h"
#include "core/foundation/config_keys.h"
#include "core/foundation/errors.h"
#include "core/foundation/interaction.h"
#include "core/foundation/progress.h"
#include "core/output/export_target.h"
#include "core/output/print_layout.h"
#include "core/report/report_state.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt::output {

using namespace literals;

namespace {

int Bottom(const TCell& c) { return c.label.top + c.label.height; }

int LowestBottom(const TNoDataSect& s) {
  int b = 0;
  for (const auto& c : s.cells) b = std::max(b, Bottom(*c));
  return b;
}

// Where the sections of a table stand on the sheet: each below the one
// before; the fixed sections of a grid table moved in line with its data
// columns, as the table window shows them with nothing scrolled.
struct Stacking {
  int shift = 0;                      // added to the left of header, heading and footer cells
  int top = 0, data = 0, footer = 0;  // vertical offsets (the header's is 0)
};

Stacking StackingOf(const TTable& t) {
  Stacking s;
  if (!t.grid) return s;
  const TRow* row1 = RowAt(t.data, 1);
  const TCell* d11 = row1 ? CellAt(*row1, 1) : nullptr;
  if (d11 && t.top.leftmost) s.shift = d11->label.left - t.top.leftmost->label.left;
  s.top = LowestBottom(t.header);
  s.data = s.top + LowestBottom(t.top);
  int dataBottom = 0;
  for (int r = 1; r <= t.RowCount; ++r)
    if (const TRow* row = RowAt(t.data, r))
      if (const TCell* c = CellAt(*row, 1)) dataBottom = std::max(dataBottom, Bottom(*c));
  s.footer = s.data + dataBottom;
  return s;
}

std::size_t IndexIn(const std::vector<int>& set, int v) {
  return static_cast<std::size_t>(std::lower_bound(set.begin(), set.end(), v) - set.begin());
}

void SortUnique(std::vector<int>& v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
}

}  // namespace

std::vector<int> SheetGrid::ColumnWidths() const {
  std::vector<int> w;
  for (std::size_t k = 1; k < columns.size(); ++k)
    w.push_back(static_cast<int>(NearestEven((columns[k] - columns[k - 1]) / 7.0)));
  return w;
}

std::vector<int> SheetGrid::RowHeights() const {
  std::vector<int> h;
  for (std::size_t k = 1; k < rows.size(); ++k) h.push_back(rows[k] - rows[k - 1]);
  return h;
}

SheetRange SheetGrid::RangeOf(int left, int top, int width, int height) const {
  // A box whose edges are not boundaries (a data cell out of line with its
  // row or column) takes the sheet cells its edges reach into.
  const int lastRowIndex = std::max(0, static_cast<int>(rows.size()) - 2);
  const int lastColIndex = std::max(0, static_cast<int>(columns.size()) - 2);
  SheetRange r;
  r.firstRow = std::min(static_cast<int>(IndexIn(rows, top)), lastRowIndex);
  r.lastRow = std::clamp(static_cast<int>(IndexIn(rows, top + height)) - 1, r.firstRow, lastRowIndex);
  r.firstCol = std::min(static_cast<int>(IndexIn(columns, left)), lastColIndex);
  r.lastCol = std::clamp(static_cast<int>(IndexIn(columns, left + width)) - 1, r.firstCol, lastColIndex);
  return r;
}

SheetGrid GridOf(const TTable& t) {
  SheetGrid g;
  auto add = [&g](const TCell& c, int dx, int dy, bool rows, bool columns) {
    if (rows) {
      g.rows.push_back(c.label.top + dy);
      g.rows.push_back(Bottom(c) + dy);
    }
    if (columns) {
      g.columns.push_back(c.label.left + dx);
      g.columns.push_back(c.label.left + c.label.width + dx);
    }
  };
  if (!t.grid) {
    if (const TRow* row0 = RowAt(t.data, 0))
      for (const auto& c : row0->cells) add(*c, 0, 0, true, true);
  } else {
    const Stacking s = StackingOf(t);
    for (const auto& c : t.header.cells) add(*c, s.shift, 0, true, true);
    for (const auto& c : t.top.cells) add(*c, s.shift, s.top, true, true);
    // A grid's rows and columns are those of its first column and first row.
    for (int r = 1; r <= t.RowCount; ++r)
      if (const TRow* row = RowAt(t.data, r))
        if (const TCell* c = CellAt(*row, 1)) add(*c, 0, s.data, true, r == 1);
    if (const TRow* row1 = RowAt(t.data, 1))
      for (int col = 2; col <= t.ColCount; ++col)
        if (const TCell* c = CellAt(*row1, col)) add(*c, 0, s.data, false, true);
    for (const auto& c : t.footer.cells) add(*c, s.shift, s.footer, true, true);
  }
  SortUnique(g.rows);
  SortUnique(g.columns);
  return g;
}

std::vector<PlacedTableCell> CellsInOrder(TTable& t) {
  std::vector<PlacedTableCell> out;
  if (!t.grid) {
    if (const TRow* row0 = RowAt(t.data, 0))
      for (const auto& c : row0->cells) out.push_back({c.get(), 0, 0});
    return out;
  }
  const Stacking s = StackingOf(t);
  for (const auto& c : t.header.cells) out.push_back({c.get(), s.shift, 0});
  for (const auto& c : t.top.cells) out.push_back({c.get(), s.shift, s.top});
  for (int r = 1; r <= t.RowCount; ++r)
    if (const TRow* row = RowAt(t.data, r))
      for (int col = 1; col <= t.ColCount; ++col)
        if (TCell* c = CellAt(*row, col)) out.push_back({c, 0, s.data});
  for (const auto& c : t.footer.cells) out.push_back({c.get(), s.shift, s.footer});
  return out;
}

std::string SheetText(std::string_view caption) {
  if (!caption.empty() && caption.front() == '$') caption.remove_prefix(1);
  auto blankOrControl = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!caption.empty() && blankOrControl(caption.front())) caption.remove_prefix(1);
  while (!caption.empty() && blankOrControl(caption.back())) caption.remove_suffix(1);
  std::string text;
  text.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '\r' || c == '\n') {
      text += ' ';
      if (c == '\r' && i + 1 < caption.size() && caption[i + 1] == '\n') ++i;
    } else {
      text += c;
    }
  }
  return text;
}

std::optional<SheetNumber> NumberOf(const TCell& cell, std::string_view text) {
  const bool numeric = cell.type == cell_type::kInteger || cell.type == cell_type::kReal ||
                       (cell.type == cell_type::kFormula && !IsTextCopy(cell.type, cell.Dec));
  if (!numeric || text.empty()) return std::nullopt;
  const auto value = tables::ParseNumber(text);
  if (!value || !std::isfinite(static_cast<double>(*value))) return std::nullopt;
  // The decimals the cell shows: those of its text.
  int decimals = 0;
  if (text.find_first_of("eE") != std::string_view::npos) {
    decimals = -1;
  } else if (const auto comma = text.find(','); comma != std::string_view::npos) {
    decimals = static_cast<int>(text.size() - comma - 1);
  }
  return SheetNumber{static_cast<double>(*value), decimals};
}

SheetAlignment AlignmentOf(int textAlign) {
  if (textAlign < 1 || textAlign > 9) return {0, 0};
  const int u = textAlign - 1;
  static constexpr int kHorizontal[3] = {2, 3, 1};
  return {u / 3 + 1, kHorizontal[u % 3]};
}

// --- the command -----------------------------------------------------------------------

TExcelExport::TExcelExport(TReportState& state) : state_(state) {}

void TExcelExport::Run(int level, int section, int item) {
  if (state_.tables().empty()) return;
  Interaction& ui = state_.ui();
  if (state_.IsModified() &&
      ui.ShowMessage(MessageKind::Confirmation,
                     "Рекомендуется сохранить сделанные в отчете изменения. Выполнить сохранение?"_w, kYes | kNo,
                     kYes) == kYes &&
      !state_.Save())
    return;
  state_.RememberFolder(state_.currentFolder);
  state_.RecalcAllTables();
  fileName_ = FileNameOf(level, section, item);
  ExportSelection(level, section, item, true);
}

void TExcelExport::ExportSelection(int level, int section, int item, bool showAtEnd) {
  abort_ = false;
  book_.Quit();
  if (!state_.structure) return;
  const StructureModel& model = *state_.structure;
  const int sections = static_cast<int>(model.sections.size());
  if (level == 0) {
    if (state_.ui().ShowMessage(
            MessageKind::Warning,
            "Вы выбрали передачу в Excel всего отчета. Эта операция может занять довольно много времени и на ее "
            "выполнение может не хватить ресурсов компьютера. \r\nРекомендуется выполнять передачу по отдельным "
            "разделам.\r\nВы можете прервать процесс передачи в любой момент.\r\nВыполнить операцию?"_w,
            kYes | kNo, kYes) != kYes)
      return;
    for (int s = 0; s < sections && !abort_; ++s)
      for (int i = 0; i < static_cast<int>(model.sections[s].items.size()) && !abort_; ++i) TransferItem(s, i);
  } else if (level == 1) {
    if (section >= 0 && section < sections)
      for (int i = 0; i < static_cast<int>(model.sections[section].items.size()) && !abort_; ++i)
        TransferItem(section, i);
  } else if (section >= 0 && section < sections) {
    TransferItem(section, item);
  }
  if (abort_)
    state_.ui().ShowMessage(MessageKind::Information, "Процесс передачи таблиц отчета в Excel прерван."_w, kOk, kOk);
  if (showAtEnd && book_.IsOpen()) Show();
}

void TExcelExport::TransferItem(int section, int item) {
  const StructureSection& sec = state_.structure->sections[section];
  if (item < 0 || item >= static_cast<int>(sec.items.size())) return;
  const StructureItem& it = sec.items[item];
  if (it.kind != ItemKind::Table || it.excluded || sec.excluded) return;
  TReportTable* t = state_.FindTable(it.file);
  if (!t || !t->table) return;
  try {
    TransferTable(*t->table, false);
  } catch (const std::exception&) {
    // One table's failure never ends the walk.
  }
}

void TExcelExport::TransferTable(TTable& table, bool visibleAfter) {
  Interaction& ui = state_.ui();
  TFormProgressD progress(&ui);
  try {
    const SheetGrid grid = GridOf(table);
    if (!book_.IsOpen())
      book_.Open(table.tableName);
    else
      book_.AddSheet(table.tableName);
    const PageSettings& page = table.page;
    book_.SetPage(0, {page.orientation == 1, static_cast<double>(page.left), static_cast<double>(page.top),
                      static_cast<double>(page.right), static_cast<double>(page.bottom)});
    const std::vector<int> widths = grid.ColumnWidths();
    for (std::size_t k = 0; k < widths.size(); ++k) book_.SetColumnWidth(0, static_cast<int>(k), widths[k]);
    const std::vector<int> heights = grid.RowHeights();
    for (std::size_t k = 0; k < heights.size(); ++k) book_.SetRowHeight(0, static_cast<int>(k), heights[k]);

    const std::vector<PlacedTableCell> cells = CellsInOrder(table);
    progress.Start(static_cast<int>(cells.size()), 0, table.number.empty() ? table.tableName : table.number, true,
                   false, "");
    for (const PlacedTableCell& p : cells) {
      TransferCell(*p.cell, grid, p.dx, p.dy);
      progress.StepFirst();
      if (progress.StopRequested()) break;
    }
    progress.Finish();
    ++transferred_;
  } catch (const std::exception& e) {
    progress.Finish();
    ui.ShowMessage(MessageKind::Error,
                   std::string("При передаче данных возникла ошибка. Попробуйте еще раз."_w) + "\r\n" + ErrorMessage(e), kOk,
                   kOk);
    // What was built so far is the user's to keep: not closing shows it.
    if (ui.ShowMessage(MessageKind::Confirmation, "Закрыть Excel?"_w, kYes | kNo, kYes) != kYes && book_.IsOpen())
      Show();
    book_.Quit();
    return;
  }
  if (progress.StopRequested()) {
    abort_ = true;
    if (ui.ShowMessage(MessageKind::Confirmation, "Сохранить уже созданные данные?"_w, kYes | kNo, kYes) != kYes)
      book_.Quit();
  } else if (visibleAfter) {
    Show();
  }
}

void TExcelExport::TransferCell(TCell& cell, const SheetGrid& grid, int dx, int dy) {
  const TFramedLabel& l = cell.label;
  if (l.width <= 0 || l.height <= 0) return;  // covers no sheet cell
  const SheetRange range = grid.RangeOf(l.left + dx, l.top + dy, l.width, l.height);
  book_.Merge(0, range);
  if (l.framed) book_.Frame(0, range, sheet_code::kFrameMedium);
  const SheetAlignment a = AlignmentOf(l.TextAlign());
  book_.Align(0, range, a.vertical, a.horizontal, true);
  book_.Font(0, range, l.font.name, l.font.size, l.font.bold, l.font.italic,
             l.font.underline ? sheet_code::kUnderlineSingle : 0);
  std::string caption = l.caption;
  if (cell.type == cell_type::kReal || cell.type == cell_type::kFormula) NormalizeValue(cell.type, cell.Dec, caption);
  const std::string text = SheetText(caption);
  if (const auto n = NumberOf(cell, text))
    book_.SetNumber(0, range, n->value, n->decimals);
  else if (!text.empty())
    book_.SetText(0, range, text);
}

// --- writing and showing the workbook -------------------------------------------------

std::string TExcelExport::FileNameOf(int level, int section, int item) const {
  return ExportFileName(state_, level, section, item, ".xlsx");
}

std::optional<std::string> TExcelExport::TargetPath() {
  if (!outputPath.empty()) return outputPath;
  static constexpr ExportTargetKind kKind{ReadExcelFolder, WriteExcelFolder, "Папка для книг Excel"_w,
                                            "Сохранить книгу Excel"_w, "Книга Excel (*.xlsx)"_w};
  if (fileName_.empty()) fileName_ = FileNameOf(0, 0, 0);
  return ChooseExportTarget(state_, kKind, fileName_);
}

void TExcelExport::Show() {
  Interaction& ui = state_.ui();
  const auto path = TargetPath();
  if (!path) return;
  try {
    book_.Write(*path);
  } catch (const std::exception& e) {
    ui.ShowMessage(MessageKind::Error, std::string("Excel не загружается."_w) + "\r\n" + ErrorMessage(e), kOk, kOk);
    return;
  }
  written_.push_back(*path);
  book_.Quit();
  if (openWhenWritten && !ui.OpenDocument(*path))
    ui.ShowMessage(MessageKind::Information,
                   std::string("Книга сохранена в файле \""_w) + Utf8ToCp1251(*path) +
                       std::string("\", но программа для ее просмотра не найдена."_w),
                   kOk, kOk);
}

}  // namespace rpt::output
