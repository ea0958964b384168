// The report engine with checking: the calculation of TCalcHooks plus the
// check rules, the table statuses and the protocol of TableChecker. The
// report state hands it to its tables as their hooks; the windows observe
// statuses and the protocol through checker().AddObserver.
#pragma once

#include <string>
#include <string_view>

#include "core/calc/check_status.h"
#include "core/calc/recalc.h"
#include "core/calc/table_map.h"

namespace rpt {

class TCheckingEngine : public TCalcHooks {
 public:
  // The checker remembers the rules' outcomes between checks, as the
  // recalculation remembers what formulas read.
  explicit TCheckingEngine(Interaction* ui) : TCalcHooks(ui) { checker_.SetIncremental(true); }
  TCheckingEngine(TOpenTables& tables, TMapTables& map, Interaction* ui) : TCalcHooks(tables, map, ui) {
    checker_.SetIncremental(true);
  }
  // Recalculation and checks both learn of every changed text.
  void ValueChanged(TTable& table, TCell& cell) override {
    TCalcHooks::ValueChanged(table, cell);
    checker_.ValueChanged(cell);
  }

  checks::TableChecker& checker() { return checker_; }
  checks::TableChecker* Checker() override { return &checker_; }

  void OpenCheckRules(const std::string& path) override { checker_.OpenRules(path); }
  void ReleaseCheckRules() override { checker_.rules().Release(); }
  // Calculation attaches first; the checker then learns the tables and
  // their item captions in load order.
  void Attach(const ReportEngineView& view) override;

  void CheckTable(TTable& table) override { checker_.CheckTable(table); }
  bool HasRules(std::string_view tableName) override { return checker_.HasRules(tableName); }
  // After a report was loaded and recalculated: every table's status.
  void RefreshStatuses() override { checker_.ReportLoaded(); }

 private:
  checks::TableChecker checker_;
};

}  // namespace rpt
