#include "core/tables/row_operations.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/foundation/common.h"
#include "core/foundation/interaction.h"
#include "core/foundation/progress.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt {

using namespace literals;

namespace {

bool IsDataRow(const TTable& t, int r) {
  return t.grid && r >= 1 && r <= t.RowCount && RowAt(t.data, r) != nullptr;
}

// A row's top and height are those of its column-1 cell.
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

void Recalculate(TTable& t) { t.hooks().RecalcTable(t, /*deep=*/false, /*withCheck=*/true); }
void Status(TTable& t) { t.hooks().CheckTable(t); }

// A row-number cell shows its row. What SetValue does for this type, done
// in place: a row operation renumbers every row below it, and a string
// built, normalised and moved per row showed in every insertion. Row
// numbers take no recalculation or check; the change mark stays as
// SetValue sets it.
void Renumber(TTable& t, TCell& cell, int r) {
  if (cell.type != cell_type::kRowNumber) return;
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, r).ptr;
  const std::string_view text(digits, static_cast<std::size_t>(end - digits));
  if (cell.label.caption == text) return;
  cell.label.caption.assign(text);
  t.hooks().ValueChanged(t, cell);
  if (!t.hooks().Loading()) t.SetModified(true);
}

// A new shown row at index `at`, RowCount + 1.
void InsertDataRow(TTable& t, int at) {
  InsertRow(t.data, t.ColCount, at, /*visible=*/true, &t);
  ++t.RowCount;
}

bool Confirmed(Interaction* ui, std::string_view question) {
  return !ui || ui->ShowMessage(MessageKind::Warning, question, kYes | kNo) == kYes;
}

void Warn(Interaction* ui, std::string_view text) {
  if (ui) ui->ShowMessage(MessageKind::Warning, text, kOk);
}

}  // namespace

void CopyCellDefinition(TCell& to, const TCell& from) {
  to.type = from.type;
  to.Dec = from.Dec;
  to.Len = from.Len;
  to.List = from.List;
  to.Form = from.Form;
  to.BObj = from.BObj;
  to.BVal = from.BVal;
  to.BList = from.BList;
  to.ListCode = from.ListCode;
  to.DirectInput = from.DirectInput;
}

void CopyRow(TTable& t, int source, int destination, bool withColumns, bool visible, int top, int number) {
  TRow* s = RowAt(t.data, source);
  TRow* d = RowAt(t.data, destination);
  if (!s || !d || s == d) return;
  LoadingScope loading(t);
  for (int c = 1; c <= t.ColCount; ++c) {
    TCell* from = CellAt(*s, c);
    TCell* to = CellAt(*d, c);
    if (!from || !to) continue;
    TFramedLabel& l = to->label;
    const TFramedLabel& f = from->label;
    l.visible = visible;
    CopyCellDefinition(*to, *from);
    to->definedFontName = from->definedFontName;
    to->definedFontSize = from->definedFontSize;
    to->Col = from->Col;
    to->Row = number;
    l.framed = f.framed;
    l.frameWidth = f.frameWidth;
    l.selected = f.selected;
    l.frameSolid = f.frameSolid;
    l.SetTextAlign(f.TextAlign());
    l.top = top;
    if (withColumns) {
      l.left = f.left;
      l.width = f.width;
    }
    // Directly: copying into the buffer is no change of the table.
    l.height = f.height;
    to->SetValue(from->GetValue());
    if (to->type == cell_type::kRowNumber) to->SetValue(std::to_string(number));
    l.color = f.color;
    to->definedColor = from->definedColor;
    l.hint = f.hint;
    l.showHint = f.showHint;
    l.font = f.font;
    l.transparent = f.transparent;
  }
}

bool RowsCompatible(const TTable& t, int a, int b) {
  const TRow* ra = RowAt(t.data, a);
  const TRow* rb = RowAt(t.data, b);
  if (!ra || !rb || ra->size() != rb->size()) return false;
  for (std::size_t c = 0; c < ra->size(); ++c) {
    const TCell& x = *ra->cells[c];
    const TCell& y = *rb->cells[c];
    if (x.type != y.type) return false;
    if (x.type == cell_type::kListValue && NthWord(x.List, 1) != NthWord(y.List, 1)) return false;
  }
  return true;
}

void ShiftRows(TTable& t, int first, int dy, int dn) {
  const int step = dy >= 0 ? dn : -dn;
  const int last = std::min(t.RowCount, static_cast<int>(t.data.rows.size()) - 1);
  // Every cell is a heap block of its own: the walk waits on memory, so
  // the cells a few rows ahead are fetched while this row is changed.
  constexpr int kAhead = 4;
  auto prefetch = [&t, last](int i) {
    if (i > last) return;
    for (const auto& cell : t.data.rows[static_cast<std::size_t>(i)]->cells) {
      __builtin_prefetch(&cell->label.top, 1);
      __builtin_prefetch(&cell->type, 0);
      __builtin_prefetch(&cell->Row, 1);
    }
  };
  for (int i = std::max(first, 0); i < std::max(first, 0) + kAhead; ++i) prefetch(i);
  for (int i = std::max(first, 0); i <= last; ++i) {
    TRow* row = t.data.rows[static_cast<std::size_t>(i)].get();
    prefetch(i + kAhead);
    for (const auto& cell : row->cells) {
      cell->label.top += dy;
      cell->Row += step;
      Renumber(t, *cell, cell->Row);
    }
  }
  t.footer.topOffset += dy;
  t.contentHeight += dy;
}

void CopyRowToBuffer(TTable& t, int r) {
  if (!IsDataRow(t, r)) return;
  CopyRow(t, r, 0, /*withColumns=*/true, /*visible=*/false, /*top=*/0, r);
}

bool InsertEmptyRow(TTable& t, int r) {
  if (!IsDataRow(t, r)) return false;
  const int h = RowHeight(t, r);
  InsertDataRow(t, r + 1);
  CopyRow(t, r, r + 1, false, true, RowTop(t, r) + h, r + 1);
  ClearRow(t, r + 1, false);
  ShiftRows(t, r + 2, h, 1);
  Status(t);
  t.SetModified(true);
  return true;
}

bool InsertEmptyRows(TTable& t, int r, int n) {
  if (!IsDataRow(t, r) || n <= 0) return false;
  const int h = RowHeight(t, r);
  const int top = RowTop(t, r);
  for (int i = 1; i <= n; ++i) {
    InsertDataRow(t, r + i);
    CopyRow(t, r, r + i, false, true, top + i * h, r + i);
    ClearRow(t, r + i, false);
  }
  ShiftRows(t, r + n + 1, n * h, n);
  Status(t);
  t.SetModified(true);
  return true;
}

namespace {

// Inserts a copy of `source` (values included) after row r: the column
// layout of row r, the heights of the source.
void InsertFrom(TTable& t, int source, int r) {
  const int h = RowHeight(t, source);
  const int top = RowTop(t, r) + RowHeight(t, r);
  InsertDataRow(t, r + 1);
  CopyRow(t, source, r + 1, false, true, top, r + 1);
  ShiftRows(t, r + 2, h, 1);
  Recalculate(t);
  Status(t);
  t.SetModified(true);
}

}  // namespace

bool InsertBufferRow(TTable& t, int r) {
  if (!IsDataRow(t, r)) return false;
  InsertFrom(t, 0, r);
  return true;
}

bool InsertCopyRow(TTable& t, int r) {
  if (!IsDataRow(t, r)) return false;
  InsertFrom(t, r, r);
  return true;
}

bool CutRow(TTable& t, int r) {
  if (!IsDataRow(t, r)) return false;
  CopyRow(t, r, 0, true, false, 0, r);
  DeleteRow(t, r, false);
  Recalculate(t);
  return true;
}

bool ClearRow(TTable& t, int r, bool recalculate) {
  TRow* row = RowAt(t.data, r);
  if (!row || r > t.RowCount) return false;
  {
    LoadingScope loading(t);
    for (const auto& cell : row->cells) cell->Clear();
  }
  if (r > 0 && recalculate) Recalculate(t);
  return true;
}

bool DeleteRow(TTable& t, int r, bool recalculate) {
  if (!IsDataRow(t, r)) return false;
  const int h = RowHeight(t, r);
  t.data.rows.erase(t.data.rows.begin() + r);
  --t.RowCount;
  ShiftRows(t, r, -h, 1);
  if (recalculate) Recalculate(t);
  Status(t);
  t.SetModified(true);
  return true;
}

bool IsRowEmpty(TTable& t, int r) { return t.IsRowEmpty(r); }

bool DeleteEmptyRows(TTable& t) {
  if (!t.grid || t.RowCount <= 0) {
    Status(t);
    return false;
  }
  const int before = t.RowCount;
  // One pass that keeps the rows in place: a row removed from the middle
  // would otherwise move every row after it once per removal.
  auto& rows = t.data.rows;
  std::size_t kept = 1;  // the buffer row stays
  int removedHeight = 0;
  const std::size_t end = std::min(rows.size(), static_cast<std::size_t>(t.RowCount) + 1);
  for (std::size_t i = 1; i < end; ++i) {
    if (t.IsRowEmpty(static_cast<int>(i))) {
      removedHeight += RowHeight(t, static_cast<int>(i));
      rows[i].reset();
      continue;
    }
    const int index = static_cast<int>(kept);
    for (const auto& cell : rows[i]->cells) {
      cell->label.top -= removedHeight;
      cell->Row = index;
      Renumber(t, *cell, index);
    }
    if (kept != i) rows[kept] = std::move(rows[i]);
    ++kept;
  }
  t.RowCount = static_cast<int>(kept) - 1;
  // Rows past RowCount (there should be none) keep their places after.
  for (std::size_t i = end; i < rows.size(); ++i) rows[kept++] = std::move(rows[i]);
  rows.resize(kept);
  t.footer.topOffset -= removedHeight;
  t.contentHeight -= removedHeight;
  Status(t);
  if (t.RowCount != before) t.SetModified(true);
  return t.RowCount != before;
}

// ---------------------------------------------------------------------------
// Sorting

std::vector<std::string> SortableColumns(const TTable& t) {
  std::vector<std::string> columns;
  if (!t.grid) return columns;
  for (int r = 1; r <= t.RowCount; ++r) {
    const TRow* row = RowAt(t.data, r);
    if (!row) break;
    const bool candidate = std::any_of(row->cells.begin(), row->cells.end(), [](const auto& c) {
      return (c->type >= 1 && c->type <= 6) || c->type >= 14;
    });
    if (!candidate) continue;
    for (std::size_t c = 0; c < row->size(); ++c) {
      const std::uint8_t type = row->cells[c]->type;
      using namespace cell_type;
      if ((type >= kText && type <= kDate) || type == kListValue || type == kFormula)
        columns.push_back(std::to_string(c + 1));
    }
    break;
  }
  return columns;
}

namespace {

void AppendKey(std::string& key, TCell& cell) {
  const std::string& v = cell.GetValue();
  switch (cell.type) {
    case cell_type::kText:
    case cell_type::kListValue:
      key += v;
      if (v.size() < 255) key.append(255 - v.size(), ' ');
      break;
    case cell_type::kInteger:
    case cell_type::kReal:
    case cell_type::kFormula: {
      const std::size_t comma = v.find(',');
      const std::string_view whole = std::string_view(v).substr(0, comma);
      if (whole.size() < 20) key.append(20 - whole.size(), '0');
      key += whole;
      key += ',';
      std::string_view decimals =
          comma == std::string::npos ? std::string_view() : std::string_view(v).substr(comma + 1, 2);
      key += decimals;
      key.append(3 - decimals.size(), '0');
      break;
    }
    case cell_type::kDate:
      if (v.size() < 10) key.append(10 - v.size(), ' ');
      key += v;
      break;
    default:
      break;
  }
}

constexpr unsigned char FoldLatin(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

bool HasTextOrList(const TRow& row) {
  return std::any_of(row.cells.begin(), row.cells.end(), [](const auto& c) {
    return c->type == cell_type::kText || c->type == cell_type::kListValue;
  });
}

// The classic quicksort on a permutation: the middle element's key as the
// pivot, both scans, exchange and step while i <= j, recursion on the left
// part and a loop on the right. Its order of equal keys is the program's.
void QuickSort(std::vector<int>& order, const std::vector<std::string>& keys, int l, int r) {
  int i = l;
  do {
    i = l;
    int j = r;
    const std::string& pivot = keys[static_cast<std::size_t>(order[static_cast<std::size_t>((l + r) >> 1)])];
    do {
      while (CompareSortKeys(keys[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])], pivot) < 0) ++i;
      while (CompareSortKeys(keys[static_cast<std::size_t>(order[static_cast<std::size_t>(j)])], pivot) > 0) --j;
      if (i <= j) {
        std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(order, keys, l, j);
    l = i;
  } while (i < r);
}

void SortBlock(TTable& t, int start, int end, const std::vector<int>& columns) {
  const int n = end - start;
  std::vector<std::string> keys(static_cast<std::size_t>(n));
  std::vector<int> order(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    keys[static_cast<std::size_t>(k)] = SortKey(t, start + k, columns);
    order[static_cast<std::size_t>(k)] = k;
  }
  QuickSort(order, keys, 0, n - 1);
  auto& rows = t.data.rows;
  std::vector<std::unique_ptr<TRow>> block(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k)
    block[static_cast<std::size_t>(k)] = std::move(rows[static_cast<std::size_t>(start + order[static_cast<std::size_t>(k)])]);
  for (int k = 0; k < n; ++k) {
    const int target = start + k;
    rows[static_cast<std::size_t>(target)] = std::move(block[static_cast<std::size_t>(k)]);
    const int top = target < 2 ? 0 : RowTop(t, target - 1) + RowHeight(t, target - 1);
    for (const auto& cell : rows[static_cast<std::size_t>(target)]->cells) {
      cell->label.top = top;
      cell->Row = target;
      Renumber(t, *cell, target);
    }
  }
}

}  // namespace

std::string SortKey(TTable& t, int r, const std::vector<int>& columns) {
  std::string key;
  TRow* row = RowAt(t.data, r);
  if (!row) return key;
  for (int c : columns)
    if (TCell* cell = CellAt(*row, c)) AppendKey(key, *cell);
  return key;
}

int CompareSortKeys(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = FoldLatin(static_cast<unsigned char>(a[i]));
    const unsigned char y = FoldLatin(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

void SortRows(TTable& t, const std::vector<int>& columns) {
  int r = 1;
  while (r <= t.RowCount) {
    while (r <= t.RowCount && !HasTextOrList(*RowAt(t.data, r))) ++r;
    const int start = r;
    while (r <= t.RowCount && HasTextOrList(*RowAt(t.data, r))) ++r;
    if (r - start > 1) SortBlock(t, start, r, columns);
  }
  Status(t);
  t.SetModified(true);
}

// ---------------------------------------------------------------------------
// Whole-table operations

void FillZeros(TTable& t) {
  {
    LoadingScope loading(t);
    auto fill = [](TCell& cell) {
      if (cell.type != cell_type::kInteger && cell.type != cell_type::kReal) return;
      if (!tables::TrimText(cell.GetValue()).empty()) return;
      cell.SetValue(cell.type == cell_type::kInteger ? std::string("0") : tables::FormatFixed(0, cell.Dec));
    };
    if (t.grid) {
      for (int r = 0; r <= t.RowCount; ++r)
        for (int c = 1; c <= t.ColCount; ++c)
          if (TCell* cell = GetCell(t.data, c, r)) fill(*cell);
    } else if (TRow* row = FirstRow(t.data)) {
      // The action is offered for form tables with numbers and promises
      // zeros in every numeric cell: a walk over the grid reaches none here.
      for (const auto& cell : row->cells) fill(*cell);
    }
  }
  t.SetModified(true);
}

void ClearNumbers(TTable& t) {
  {
    LoadingScope loading(t);
    for (int r = 0; r <= t.RowCount; ++r)
      for (int c = 1; c <= t.ColCount; ++c)
        if (TCell* cell = GetCell(t.data, c, r))
          if (cell->type == cell_type::kInteger || cell->type == cell_type::kReal) cell->SetValue("");
  }
  t.SetModified(true);
}

void FitRowHeights(TTable& t) {
  if (!t.grid || t.RowCount <= 0) return;
  TFormProgress progress(t.context().ui);
  progress.Start(t.RowCount, "Работаю..."_w, false);
  int y = 0;
  int grown = 0;
  for (int i = 1; i <= t.RowCount; ++i) {
    TRow* row = RowAt(t.data, i);
    if (!row) break;
    progress.Step();
    const int h = t.RowTextHeight(i);
    grown += h - RowHeight(t, i);
    for (const auto& cell : row->cells) {
      cell->label.top = y;
      cell->SetHeight(h);
    }
    y += h;
  }
  t.contentHeight += grown;
  // The footer stays below the rows, as after every other row operation;
  // a saved file would otherwise put the signatures over the data.
  t.footer.topOffset += grown;
  progress.Finish();
}

// ---------------------------------------------------------------------------
// Pop-up menu

CellPopupMenu DecideCellPopup(const TTable& t, const TCell* cell, int row, bool hasSubreports) {
  CellPopupMenu m;
  const TRow* r = RowAt(t.data, row);
  if (!cell || !r) return m;
  const bool allDisplay = std::all_of(r->cells.begin(), r->cells.end(),
                                      [](const auto& c) { return IsDisplayType(c->type); });
  if (allDisplay) return m;
  m.show = true;
  m.rowOperations = t.growing && std::any_of(r->cells.begin(), r->cells.end(),
                                             [](const auto& c) { return !IsNotEditedType(c->type); });
  m.insertWholeList = m.rowOperations && cell->type == cell_type::kListValue;
  m.deleteEmptyRows = t.growing;
  m.subreportData = (cell->type == cell_type::kInteger || cell->type == cell_type::kReal) && hasSubreports;
  m.insertFromBuffer = m.rowOperations && RowsCompatible(t, 0, row);
  return m;
}

// ---------------------------------------------------------------------------
// Commands

std::string_view DeleteRowQuestion() {
  return "Данные строки будут потеряны. Вы действительно хотите удалить строку из таблицы?"_w;
}
std::string_view ClearRowQuestion() {
  return "Все данные из строки будут потеряны. Вы действительно хотите очистить строку?"_w;
}
std::string DeleteEmptyRowsQuestion() {
  std::string q(("Внимание! Могут быть удалены пустые строки, необходимые для копирования. Тогда "
                 "придется воспользоваться командой "_w));
  q += '"';
  q += "Таблица / Обновление"_w;
  q += '"';
  q += " и все уже введенные данные в этой таблице будут потеряны."_w;
  q += "\r\n";
  q += "Лучше воспользоваться этой операцией после полного окончания редактирования таблицы."_w;
  q += "\r\n";
  q += "Выполнить операцию?"_w;
  return q;
}
std::string_view RowCountLimitWarning() { return "Можно вставить не более 100 строк."_w; }
std::string_view NoRowsToSortWarning() { return "В таблице нет строк для сортировки."_w; }
std::string_view NoSortColumnsWarning() { return "Для сортировки не выбрано ни одного столбца."_w; }

bool RowCountSpin::Leave() {
  if (value <= 100) return true;
  Warn(ui_, RowCountLimitWarning());
  return false;
}

bool RowCountSpin::Enter() {
  if (value <= 100) return true;
  Warn(ui_, RowCountLimitWarning());
  value = 100;
  return false;
}

int AskRowCount(Interaction* ui, RowDialogs& dialogs) {
  RowCountSpin spin(ui);
  spin.value = 1;
  if (!dialogs.RowCount(spin)) return 0;
  // The field's limits hold for what it shows; a confirmed value is kept
  // within them whatever the front end let through.
  return static_cast<int>(std::clamp(std::nearbyint(spin.value), 0.0, 100.0));
}

bool InsertEmptyRowsCommand(TTable& t, int r, Interaction* ui, RowDialogs& dialogs) {
  if (!IsDataRow(t, r)) return false;
  const int n = AskRowCount(ui, dialogs);
  if (n == 0) return false;
  return InsertEmptyRows(t, r, n);
}

bool ClearRowCommand(TTable& t, int r, Interaction* ui) {
  if (!IsDataRow(t, r) || !Confirmed(ui, ClearRowQuestion())) return false;
  ClearRow(t, r, true);
  t.SetModified(true);
  return true;
}

bool DeleteRowCommand(TTable& t, int r, Interaction* ui) {
  if (!IsDataRow(t, r) || !Confirmed(ui, DeleteRowQuestion())) return false;
  return DeleteRow(t, r, true);
}

bool DeleteEmptyRowsCommand(TTable& t, Interaction* ui) {
  if (!Confirmed(ui, DeleteEmptyRowsQuestion())) return false;
  return DeleteEmptyRows(t);
}

bool SortRowsCommand(TTable& t, Interaction* ui, RowDialogs& dialogs) {
  const std::vector<std::string> available = SortableColumns(t);
  if (available.empty()) {
    Warn(ui, NoRowsToSortWarning());
    return false;
  }
  const auto chosen = dialogs.SortColumns(available);
  if (!chosen) return false;
  if (chosen->empty()) {
    Warn(ui, NoSortColumnsWarning());
    return false;
  }
  std::vector<int> columns;
  for (const std::string& text : *chosen) {
    const int c = TryStrToInt(text).value_or(0);
    if (c >= 1 && c <= t.ColCount) columns.push_back(c);
  }
  SortRows(t, columns);
  return true;
}

}  // namespace rpt
