// Row operations of grid tables (growing tables above all): the one-row
// buffer, inserting, cutting, clearing, deleting and sorting rows, removing
// empty rows, and the whole-table operations on numbers and row heights.
//
// Rows are 1..RowCount of the data section, row 0 is the hidden buffer row.
// Every row is a strip: its cells share one top, the first row's top is 0
// and each row starts at the bottom of the one before (its column-1 cell's
// top + height). Operations keep that layout, the cells' Row and the
// row-number cells' values; they move row pointers, never cells.
//
// The table window does the rest around a call: the busy pointer, closing
// the editors, scrolling, AlignSections. Recalculation ("recalc") means the
// hooks' shallow RecalcTable with the check; "status" means CheckTable.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tables/table.h"

namespace rpt {

class Interaction;

// Sets the loading flag for a bulk change and puts back what it was, so
// that an operation nested in another bulk operation (list insertion
// copies rows) does not end the outer one's flag.
class LoadingScope {
 public:
  explicit LoadingScope(TTable& table) : hooks_(table.hooks()), was_(hooks_.Loading()) {
    if (!was_) hooks_.SetLoading(true);
  }
  ~LoadingScope() {
    if (!was_) hooks_.SetLoading(false);
  }
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;

 private:
  TableHooks& hooks_;
  bool was_;
};

// What a cell is rather than what it holds: its type, format and list
// bindings.
void CopyCellDefinition(TCell& to, const TCell& from);

// Copies row `source` into row `destination`, cell by cell over the
// columns: definition, frame, alignment, font, colour, hint and value, with
// Row = `number`, the given visibility and top, and left and width only
// `withColumns`. Row-number cells get `number`. The cell numbers are not
// copied. Runs under the loading flag, so the table is not marked modified.
void CopyRow(TTable& table, int source, int destination, bool withColumns, bool visible, int top,
             int number);

// Column by column the same type, and list cells bound to the same list.
bool RowsCompatible(const TTable& table, int a, int b);

// Rows `first`..RowCount move down by dy (up when negative) and their Row
// numbers by dn in the same direction; the footer and the content height
// follow.
void ShiftRows(TTable& table, int first, int dy, int dn);

// "Копировать строку": row r into the buffer row (not a change of the table).
void CopyRowToBuffer(TTable& table, int r);

// The insertions go after row r (1..RowCount); false when r is no data row.
bool InsertEmptyRow(TTable& table, int r);
bool InsertEmptyRows(TTable& table, int r, int n);
bool InsertBufferRow(TTable& table, int r);
bool InsertCopyRow(TTable& table, int r);

// Row r into the buffer, then out of the table; recalculates.
bool CutRow(TTable& table, int r);
// Empties every cell of row r (row numbers stay); recalculates when asked
// and r is a data row. The buffer row (r = 0) may be cleared too.
bool ClearRow(TTable& table, int r, bool recalculate);
// Removes row r; the rows below move up.
bool DeleteRow(TTable& table, int r, bool recalculate);

// No text, no number other than 0, and at least one text or list cell.
bool IsRowEmpty(TTable& table, int r);
// Removes every empty row in one pass; true when any was removed. No
// recalculation.
bool DeleteEmptyRows(TTable& table);

// The columns offered for sorting, as decimal texts: the columns of type
// 1-4, 6 or 7 of the first data row that has a cell of type 1-6 or 14 and
// above. Empty when there is none.
std::vector<std::string> SortableColumns(const TTable& table);
// A row's sort key over the chosen columns (1-based).
std::string SortKey(TTable& table, int r, const std::vector<int>& columns);
// The key order: Latin a-z folded to upper case, other bytes as they are.
int CompareSortKeys(std::string_view a, std::string_view b);
// Sorts every block of rows (runs of rows holding a text or list cell) on
// its own by the keys of `columns`, with the classic non-stable quicksort.
void SortRows(TTable& table, const std::vector<int>& columns);

// Empty integer cells get "0", empty real cells 0 with their decimals.
// In a form table the cells of row 0. No recalculation, no status.
void FillZeros(TTable& table);
// Every integer and real cell of rows 0..RowCount gets the empty value.
void ClearNumbers(TTable& table);
// Every data row gets the height its texts need (at least 30), with the
// progress window "Работаю...".
void FitRowHeights(TTable& table);

// ---------------------------------------------------------------------------
// The cell pop-up menu: which items a right click enables.

struct CellPopupMenu {
  bool show = false;  // no menu at all
  bool rowOperations = false;  // "Копировать строку", "Вставить N пустых строк",
                               // "Вставить строку", "Вырезать строку",
                               // "Очистить строку", "Удалить строку"
  bool insertFromBuffer = false;  // "Из буфера"
  bool insertWholeList = false;   // "Вставить весь список"
  bool deleteEmptyRows = false;   // "Удалить пустые строки"
  bool subreportData = false;     // "Данные из подотчетов"
  bool operator==(const CellPopupMenu&) const = default;
};

// `cell` is the clicked cell when it lies in the data area (null
// otherwise), `row` its row's index in the data section.
CellPopupMenu DecideCellPopup(const TTable& table, const TCell* cell, int row, bool hasSubreports);

// ---------------------------------------------------------------------------
// The menu commands: questions through the interaction port, dialogs
// through RowDialogs.

// The spin field of "Количество строк" (1..100, starting at 1).
class RowCountSpin {
 public:
  explicit RowCountSpin(Interaction* ui) : ui_(ui) {}
  double value = 1;
  // Leaving the field: false (the dialog stays open, after the warning)
  // when the value is above 100.
  bool Leave();
  // Enter: true confirms; above 100 warns, sets 100 and stays open.
  bool Enter();

 private:
  Interaction* ui_;
};

// The two dialogs; the desktop program shows them, tests script them.
class RowDialogs {
 public:
  virtual ~RowDialogs() = default;
  // "Количество строк": true when confirmed ("Выполнить"), with the value
  // left in `spin`; false when cancelled.
  virtual bool RowCount(RowCountSpin& spin) = 0;
  // "Выбор столбцов для сортировки" with "Доступные столбцы" filled: the
  // texts of "Отобранные столбцы" in order, nothing when cancelled.
  virtual std::optional<std::vector<std::string>> SortColumns(
      const std::vector<std::string>& available) = 0;
};

// The number of rows to insert: 1..100, 0 when cancelled.
int AskRowCount(Interaction* ui, RowDialogs& dialogs);

// The texts of the questions and warnings (Windows-1251).
std::string_view DeleteRowQuestion();
std::string_view ClearRowQuestion();
std::string DeleteEmptyRowsQuestion();
std::string_view RowCountLimitWarning();
std::string_view NoRowsToSortWarning();
std::string_view NoSortColumnsWarning();

// "Вставить N пустых строк".
bool InsertEmptyRowsCommand(TTable& table, int r, Interaction* ui, RowDialogs& dialogs);
// "Очистить строку": asks, clears with recalculation, marks modified.
bool ClearRowCommand(TTable& table, int r, Interaction* ui);
// "Удалить строку": asks, deletes with recalculation.
bool DeleteRowCommand(TTable& table, int r, Interaction* ui);
// "Удалить пустые строки": asks, removes.
bool DeleteEmptyRowsCommand(TTable& table, Interaction* ui);
// "Сортировка": fills the dialog, warns, sorts. True when sorted.
bool SortRowsCommand(TTable& table, Interaction* ui, RowDialogs& dialogs);

}  // namespace rpt
