// What the report state asks of calculation and checking. The report state
// owns the tables and the table map; the engine computes formulas, runs the
// checks and sets each table's status. The state hands every table the
// engine as its hooks (the loading flag and the change marks stay with the
// state), so the engine sees each cell change the table reports.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/tables/table_context.h"

namespace rpt {

class TMapTables;
class TTable;
struct StructureModel;
namespace checks {
class TableChecker;
}

// An open table with the caption of its item in the structure tree.
struct ReportTableRef {
  TTable* table = nullptr;
  std::string itemTitle;  // Windows-1251
};

// What the engine may read of the open report while it works.
struct ReportEngineView {
  std::string workingFolder;                  // UTF-8, ends with "/"
  TMapTables* map = nullptr;                  // the report's table map
  const StructureModel* structure = nullptr;  // null when no report is loaded
  std::vector<ReportTableRef> tables;         // in load order
};

class ReportEngine : public TableHooks {
 public:
  // Opens the check rules ("Check.chk" of the template folder) at the first
  // report load; later calls keep the file that is open.
  virtual void OpenCheckRules(const std::string& path) {}
  // The check rules object is released (program end).
  virtual void ReleaseCheckRules() {}
  // The report's tables or structure changed: a load started (no tables),
  // a table was opened, all tables were closed.
  virtual void Attach(const ReportEngineView& view) {}
  // Recalculates every open table in the order of the table map.
  virtual void RecalcAllTables() {}
  // The same after a report was loaded and before it is saved: a formula
  // that fails is reported for its cell, which keeps its text, and all the
  // other cells and tables are still computed, so that no formula can make
  // a report impossible to open or to save.
  virtual void RecalcAllTablesKeepGoing() { RecalcAllTables(); }
  // Gives every open table its status (0..3) and the tree its lights.
  virtual void RefreshStatuses() {}
  // The checker behind the statuses and the protocol; null for an engine
  // that does not check.
  virtual checks::TableChecker* Checker() { return nullptr; }
};

// Without calculation and checking: the table map is still kept, every
// table without formulas leaves it again, statuses stay undetermined.
class BasicReportEngine : public ReportEngine {
 public:
  void Attach(const ReportEngineView& view) override { view_ = view; }
  void TableMapAdd(std::string_view fileName) override;
  void TableMapRemove(std::string_view fileName) override;

 protected:
  ReportEngineView view_;
};

}  // namespace rpt
