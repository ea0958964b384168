// Combining a department's table into the head office's table: cell by cell
// for tables with a fixed layout, record by record for growing tables. Both
// add or subtract; neither recalculates more than the one table it changed.
#pragma once

#include <string>

namespace rpt {

class TTable;

// Cell by cell over the report table's grid (rows 1..RowCount, columns
// 1..ColCount; row 0 of a form table pairwise by position): integer cells
// (Type 2) and real cells (Type 3) of the report become the report value
// plus or minus the sub-report value, a text that is no number counting as
// 0; reals are written with the report cell's "Dec". A blank numeric cell
// therefore becomes 0 with its decimals. Returns how many cells changed;
// the report table is marked modified when any did.
int AddTableValues(TTable& report, TTable& sub, bool subtract);

// Record by record for growing tables: each data row of the sub-report with
// text or list cells (Types 1 and 6, its key) is matched to the first report
// row whose cells in the key columns read the same once blanks are trimmed
// and letters upper-cased. The numbers of a matched row are added or
// subtracted (reals written with the report cell's "Dec"); an unmatched
// record is inserted, when adding, after the first report row bound to the
// same value list in the key column (or with the same text when the key
// cell has no list), else at the end. A number cell whose text is no
// number raises ECoreError naming the table and the cell. The table is
// recalculated (shallow, with its check) at the end. Returns the count of
// changed cells, an inserted row counting as its numeric cells.
int MergeTableRows(TTable& report, TTable& sub, bool subtract);

// After a merge: the rows sorted by the first column holding a text or list
// cell (searching the data rows from the first), as "Сортировать" does.
void SortByKeyColumn(TTable& table);

}  // namespace rpt
