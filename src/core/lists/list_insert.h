// Whole-list insertion: one table row per row of a value list, below the
// current row ("Вставить весь список"), and the expansion of every list
// of a clean table before a blank form is printed.
#pragma once

#include <string>
#include <string_view>

namespace rpt {

class TTable;
class TValueList;

struct ListInsertResult {
  int inserted = 0;      // rows added below the current row
  bool stopped = false;  // the user stopped it in the progress window
};

// Fills the buffer row with the list's row `rowKey` (K + "_" + r): cells
// that are not list cells are emptied, list cells bound to a column of the
// list (their "BObj" among the column codes) take that column's text and
// codes, other list cells keep theirs. False when a bound column has no
// text for the key, or when no cell is bound to the list at all.
bool FillBuffer(TTable& table, const TValueList& list, std::string_view rowKey);

// Inserts the rows of the list named by the "List" of cell (row, col)
// below that row, with the progress window "Вставка списка". Nothing
// happens to the table beyond the buffer row when the list is missing or
// has no rows.
ListInsertResult InsertWholeList(TTable& table, int row, int col);

// Replaces every row whose cell in the list column (the first column
// holding a list cell) is empty by the whole list, and leaves the table
// unmodified. Returns the number of rows inserted.
int ExpandAllLists(TTable& table);

}  // namespace rpt
