// Recalculation: one table's pass over its formula cells, the report-wide
// recalculation in dependency order, the recording of cross-table
// dependencies while tables load, and the moments at which the program
// recalculates. TCalcHooks plugs all of it into the tables through their
// hooks; as a ReportEngine the report state can own it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc/dependency_index.h"
#include "core/calc/formulas.h"
#include "core/calc/open_tables.h"
#include "core/calc/report_engine.h"

namespace rpt {

class Interaction;
class TMapTables;

// The formula cells of a table in the order a pass computes them: a grid
// table's header cells, footer cells, then data rows 1..RowCount column by
// column (not the column headings, not the buffer row); a form table's
// cells in order. Empty when the table has no formula cells.
std::vector<TCell*> FormulaCellsInOrder(TTable& table);

class TRecalc {
 public:
  TRecalc(TOpenTables& tables, TMapTables& map, Interaction* ui);

  TFormulaCalc& formulas() { return calc_; }
  // The report's table map (the report state replaces it on attaching).
  void SetMap(TMapTables& map) { map_ = &map; }

  // The names of the report's items that are not excluded (documents too):
  // only references to these tables count as dependencies.
  void SetActiveNames(std::vector<std::string> names) { activeNames_ = std::move(names); }

  std::string CalcCell(TTable* table, TCell& cell, bool deep) { return calc_.CalcCell(table, cell, deep); }

  // With `on`, a shallow pass computes only the formula cells whose inputs
  // changed since they were last computed, with the same results as a
  // whole pass (see TDependencyIndex). Whoever turns it on reports every
  // changed cell text through ValueChanged.
  void SetIncremental(bool on);
  void ForgetDependencies() { index_.Reset(); }
  void ValueChanged(const TCell& cell) {
    if (incremental_) index_.Changed(cell);
  }
  const TDependencyIndex& dependencyIndex() const { return index_; }

  // Every formula cell of the table gets its new text through SetValue;
  // with `withCheck` the table check (TableHooks::CheckTable) follows. An
  // error ends the pass at once, the remaining cells keep their texts and
  // no check runs; the error propagates (ERxParserError, EConvertError,
  // ECoreError).
  void RecalcTable(TTable& table, bool deep, bool withCheck);

  // Every open table with formula cells, once, deep, tables after the
  // tables they read (the table map). Tables held back by a cycle of
  // dependencies or by a table that is not open follow once, in map order.
  // An error ends the whole recalculation and propagates.
  void RecalcAllTables();

  // A formula cell whose computation failed: the cell whose own formula
  // raised the error (which may be a cell that the visited one reads, in
  // this or another table) and the error.
  using CellFailure = std::function<void(const TTable& table, const TCell& cell, const ECoreError& error)>;
  // The same, but an error ends only the cell it arose in: `onFailure`
  // hears of it, the cell keeps its text and every other cell and table is
  // still computed. A cell that others read may fail once for each of them.
  void RecalcAllTables(const CellFailure& onFailure);

  // While `table` loads: records in its map entry the tables that a code-7
  // formula's text `references` reads, when the entry is the map's last
  // one and the name is an active name.
  void RegisterTableLinks(TTable& table, std::string_view references);

 private:
  void Pass(TTable& table, bool deep, const CellFailure* onFailure = nullptr);
  void PassOver(TTable& table, const std::vector<TCell*>& cells, bool deep, const CellFailure* onFailure);
  void RecalcAll(const CellFailure* onFailure);

  TOpenTables& tables_;
  TMapTables* map_;
  TFormulaCalc calc_;
  std::vector<std::string> activeNames_;
  TDependencyIndex index_;
  bool incremental_ = false;
};

// The message for a formula cell that could not be computed while a report
// loads or saves: the table's title (its name when it has none), "Ячейка "
// + the cell's address and the error's message, each on a line of its own.
std::string CellFailureText(const TTable& table, const TCell& cell, std::string_view message);

// When the program recalculates.
enum class RecalcMoment {
  ReportLoaded,          // a report was loaded, before its tables are checked
  WholeReportNeeded,     // printing, exports, sending; after imports and sub-report
                         // inclusion or removal; the tables frame closing
  TableActivated,        // a table window became active
  RecalcAction,          // the frame's action "Пересчет" on the active table
  NumberChanged,         // a cell of type 2, 3 or 6 changed (outside loading)
  RowOperation,          // a row was inserted, copied, removed, sorted, cleared
  TableReloaded,         // a table was reloaded from a file
  SubreportValuesAdded,  // a sub-report's values were added into a table
  IndicatorSaved,        // the composition window saved an indicator
};

struct RecalcRule {
  bool allTables;   // RecalcAllTables (the rest does not apply)
  bool deep;
  bool withCheck;   // the check runs only after a pass that succeeded
  bool onlyWithFormulas;  // nothing happens for a table without formulas
  bool operator==(const RecalcRule&) const = default;
};
RecalcRule RuleOf(RecalcMoment moment);

// The calculation's part of the report engine: recalculation requested
// by cells, the table map filled while tables load, the recalculation
// moments, and the report-wide recalculation the report state asks for.
// Errors of a recalculation it starts are shown as an error message
// through the interaction port and end only that recalculation. Checking
// (CheckTable, RefreshStatuses, the check rules) is left to a derived
// class; a derived Attach must call this one.
class TCalcHooks : public ReportEngine {
 public:
  // With the caller's registry of open tables and table map (tests,
  // reportctl).
  TCalcHooks(TOpenTables& tables, TMapTables& map, Interaction* ui);
  // For the report state: a registry of its own, filled by Attach, and the
  // map Attach names.
  explicit TCalcHooks(Interaction* ui);

  TRecalc& recalc() { return recalc_; }
  TOpenTables& openTables() { return *tables_; }

  void RecalcTable(TTable& table, bool deep, bool withCheck) override;
  void TableMapAdd(std::string_view fileName) override;
  void TableMapRemove(std::string_view fileName) override;
  void RegisterTableLinks(TTable& table, std::string_view references) override;
  void ValueChanged(TTable& table, TCell& cell) override { recalc_.ValueChanged(cell); }

  // The report's tables, map, working folder and active names.
  void Attach(const ReportEngineView& view) override;
  void RecalcAllTables() override { Recalculate(RecalcMoment::WholeReportNeeded); }
  // After loading and before saving: each failing formula cell is shown
  // once (CellFailureText) and keeps its text; the rest is computed.
  void RecalcAllTablesKeepGoing() override { Recalculate(RecalcMoment::ReportLoaded); }

  // Recalculates what the moment calls for (`table` for the one-table
  // moments). False when a recalculation failed; its error was shown. After
  // a report was loaded the recalculation goes on past failing cells, each
  // shown once; false then too.
  bool Recalculate(RecalcMoment moment, TTable* table = nullptr);

 private:
  bool Guarded(TTable* table, bool deep, bool withCheck, bool all);
  bool KeepGoing();

  std::unique_ptr<TOpenTables> ownTables_;
  std::unique_ptr<TMapTables> ownMap_;
  TOpenTables* tables_;
  TMapTables* map_;
  Interaction* ui_;
  TRecalc recalc_;
};

}  // namespace rpt
