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
  using TCalcHooks::TCalcHooks;

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
