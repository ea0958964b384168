// The figures the charts against last year show: a column of a table by
// its rows, a table's totals, and the report's key totals that the
// installation names ("Options.cnf", section "Основные показатели").
//
// Texts are Windows-1251.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rpt {

class TCell;
class TReportState;
class TTable;
class TYearComparison;

// One bar pair: a caption, this year's figure and last year's.
struct YearFigure {
  std::string caption;
  std::optional<long double> current, last;
};

// A column of a grid table that holds figures, with its heading.
struct FigureColumn {
  int col = 0;
  std::string heading;  // "Графа 3: Всего"
};

// The columns of `table`'s data rows that hold figures (a form table has none).
std::vector<FigureColumn> FigureColumns(const TTable& table);
// Column `col` row by row, captioned by each row's first text ("Строка N"
// when it has none); last year's values from `comparison` when it is open.
std::vector<YearFigure> ColumnByRows(const TTable& table, std::string_view fileCp1251, int col,
                                     const TYearComparison* comparison);
// The table's totals: a growing table's footer figures, else the data row
// whose caption says "всего" or "итого", else (a form table) all its figures.
std::vector<YearFigure> TableTotals(const TTable& table, std::string_view fileCp1251,
                                    const TYearComparison* comparison);

// One line of "Основные показатели": the table file, the data row (0: the
// footer's total of a growing table) and column, the caption.
struct KeyTotal {
  std::string file;
  int row = 0, col = 0;
  std::string caption;
};
std::vector<KeyTotal> ReadKeyTotals(const std::string& templateFolder);
// Each key total of the open report against last year.
std::vector<YearFigure> KeyTotalFigures(const TReportState& state, const std::vector<KeyTotal>& totals,
                                        const TYearComparison* comparison);

// The cell a key total names in `table`, or null.
const TCell* KeyTotalCell(const TTable& table, const KeyTotal& total);

}  // namespace rpt
