#include "core/lists/list_insert.h"

#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/lists/value_list.h"
#include "core/foundation/progress.h"
#include "core/tables/row_operations.h"
#include "core/tables/table.h"

namespace rpt {

using namespace literals;

namespace {

const TCell* FirstCell(const TTable& t, int r) {
  const TRow* row = RowAt(t.data, r);
  return row ? CellAt(*row, 1) : nullptr;
}

int RowBottom(const TTable& t, int r) {
  const TCell* c = FirstCell(t, r);
  return c ? c->label.top + c->label.height : 0;
}

std::int32_t IntOrMinusOne(std::optional<std::string_view> text) {
  return text ? TryStrToInt(*text).value_or(-1) : -1;
}

}  // namespace

bool FillBuffer(TTable& t, const TValueList& list, std::string_view rowKey) {
  TRow* buffer = RowAt(t.data, 0);
  if (!buffer) return false;
  LoadingScope loading(t);
  const std::string key(rowKey);
  bool bound = false;
  for (int i = 1; i <= t.ColCount; ++i) {
    TCell* cell = CellAt(*buffer, i);
    if (!cell) continue;
    if (cell->type != cell_type::kListValue) {
      cell->SetValue("");
      cell->label.hint.clear();
      cell->BVal = -1;
      continue;
    }
    const std::string code = std::to_string(cell->BObj);
    std::size_t n = 0;
    while (n < list.columnCodes.size() && list.columnCodes[n] != code) ++n;
    if (n == list.columnCodes.size()) continue;
    const std::string cellKey = key + "_" + std::to_string(n + 1);
    const auto text = list.Value(cellKey);
    if (!text) return false;
    cell->SetValue(*text);
    cell->BList = IntOrMinusOne(list.Value(key + ".BL"));
    cell->BVal = IntOrMinusOne(list.Value(cellKey + ".BV"));
    cell->ListCode = list.listCode;
    bound = true;
  }
  // A row that takes nothing from the list is no row of it; counting it
  // would insert empty rows without end.
  return bound;
}

ListInsertResult InsertWholeList(TTable& t, int row, int col) {
  ListInsertResult result;
  if (!t.grid || row < 1 || row > t.RowCount) return result;
  const TCell* current = GetCell(t.data, col, row);
  if (!current) return result;
  const std::string listName = current->List;
  CopyRowToBuffer(t, row);

  const auto list = TValueList::OpenNamed(t.context().listFolder, listName);
  if (!list || list->fields == 0 || list->RowCount() <= 0) return result;
  const int rowCount = list->RowCount();

  TFormProgress progress(t.context().ui);
  progress.Start(rowCount, "Вставка списка"_w, true);
  int totalHeight = 0;
  {
    LoadingScope loading(t);
    // A list holding fewer rows than its line count promises would send
    // the search on to ever higher keys: it ends at the first key without
    // rows once every key of the list was tried, and never tries more keys
    // (or rows of one key) than the list has lines.
    const int limit = list->sectionLines;
    int key = list->levels != 0 ? 1 : 0;
    for (int tried = 0; result.inserted < rowCount && tried < limit; ++tried, ++key) {
      int found = 0;
      for (int r = 1; r <= limit; ++r) {
        progress.Step();
        if (progress.StopRequested()) {
          result.stopped = true;
          break;
        }
        if (!FillBuffer(t, *list, std::to_string(key) + "_" + std::to_string(r))) break;
        const int index = row + result.inserted + 1;
        InsertRow(t.data, t.ColCount, index, /*visible=*/true, &t);
        ++t.RowCount;
        CopyRow(t, 0, index, /*withColumns=*/false, /*visible=*/true, RowBottom(t, index - 1), index);
        const int h = t.RowTextHeight(index);
        for (const auto& cell : RowAt(t.data, index)->cells) cell->label.height = h;
        totalHeight += h;
        ++result.inserted;
        ++found;
      }
      if (result.stopped) break;
      if (found == 0 && key >= list->maxRowKey) break;
    }
    if (result.inserted > 0) ShiftRows(t, row + result.inserted + 1, totalHeight, result.inserted);
  }
  progress.Finish();
  if (result.inserted > 0) {
    // Rows were added under the loading flag: nothing marked them.
    t.hooks().CheckTable(t);
    t.SetModified(true);
  }
  return result;
}

int ExpandAllLists(TTable& t) {
  if (!t.grid) return 0;
  int listCol = 0;
  for (int r = 1; r <= t.RowCount && listCol == 0; ++r)
    if (const TRow* row = RowAt(t.data, r))
      for (int c = 1; c <= static_cast<int>(row->size()); ++c)
        if (row->cells[static_cast<std::size_t>(c - 1)]->type == cell_type::kListValue) {
          listCol = c;
          break;
        }
  if (listCol == 0) return 0;
  int total = 0;
  // The search goes on below the rows just inserted: rows the list left
  // empty in that column would otherwise be expanded again and again.
  for (int from = 1;;) {
    int r = from;
    for (; r <= t.RowCount; ++r) {
      TCell* cell = GetCell(t.data, listCol, r);
      if (cell && cell->type == cell_type::kListValue && cell->GetValue().empty()) break;
    }
    if (r > t.RowCount) break;
    const ListInsertResult res = InsertWholeList(t, r, listCol);
    DeleteRow(t, r, false);
    total += res.inserted;
    from = r + res.inserted;
    if (res.stopped) break;
  }
  t.SetModified(false);
  return total;
}

}  // namespace rpt
