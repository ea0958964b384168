// The open report beside last year's: which report that is and the
// thresholds (kept per report in "Compare.opt" beside its package), last
// year's table files read from its package, and the list of flagged
// cells ("Изменения по сравнению с прошлым годом") that both the desktop
// program and `reportctl compare` show.
//
// Texts are Windows-1251; paths UTF-8.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tables/table_file_cells.h"
#include "core/tables/year_change.h"

namespace rpt {

class Interaction;
class TCell;
class TReportState;
class TTable;
struct FolderSet;
struct TReportTable;

struct ComparisonSettings {
  std::string lastYearFolder;  // UTF-8, ending with "/"; empty: none chosen
  ChangeThresholds thresholds;
  bool operator==(const ComparisonSettings&) const = default;
};

// The settings of the report in `reportFolder`; defaults when it has none.
ComparisonSettings ReadComparisonSettings(const std::string& reportFolder);
// Empty on success, else why the file could not be written.
[[nodiscard]] std::string WriteComparisonSettings(const std::string& reportFolder,
                                                  const ComparisonSettings& settings);

// A flagged cell of the open report.
struct FlaggedCell {
  const TReportTable* table = nullptr;
  const TCell* cell = nullptr;
  int number = 0;     // this year's cell number
  std::string lastValue, value;
  YearChange change;
};

class TYearComparison {
 public:
  // Reads last year's report from `source`, a report folder or a file in
  // it: its package must hold a report (not a sub-report) of last year's
  // version. A refusal is shown through `ui` with the import's messages
  // and leaves what was read before; false then.
  bool Open(const std::string& source, const FolderSet& folders, Interaction& ui);
  bool opened() const { return !folder_.empty(); }
  // Last year's report folder, ending with "/".
  const std::string& folder() const { return folder_; }
  void Close();

  ChangeThresholds thresholds;

  // Last year's table for this year's table file (Windows-1251): the file
  // the installation's import list names for it, else the file of the same
  // name. Null when last year's report has none.
  const TableFileCells* LastYearTable(std::string_view fileCp1251) const;
  // The figures of `table` (a table of the open report, its file `fileCp1251`)
  // beside last year's; empty when last year had no such table.
  std::vector<ComparedCell> Compare(const TTable& table, std::string_view fileCp1251) const;
  // Every flagged cell of the report's open tables, in report order.
  std::vector<FlaggedCell> Flagged(const TReportState& state) const;

 private:
  std::string folder_;
  std::map<std::string, TableFileCells> tables_;     // by the folded file name
  std::map<std::string, std::string> renamed_;        // this year's folded file name -> last year's
};

// "строка 3, графа 4" for a grid table's data cell, else "ячейка 45".
std::string CellPlace(const TTable& table, const TCell& cell, int number);
// The protocol's line: the table's title, the place, both values, the
// change and why it is flagged.
std::string FlaggedLine(const FlaggedCell& flagged, const ChangeThresholds& thresholds);

}  // namespace rpt
