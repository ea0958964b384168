// Arbitrary bytes as the check rules file "Check.chk", checked against a
// small fixed report whose tables are named F, G and T1: opening the rules,
// finding each table's section and testing every rule must end in statuses
// and protocols, never in a crash, a hang or a rewritten rules file.
#include <cstdint>
#include <string>

#include "checks_report.h"
#include "core/calc/check_status.h"
#include "fuzz_work.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzzing::Report report;
  if (size > 16384) return 0;
  const std::string path = fuzzing::WorkFolder() + "Check.chk";
  const auto input = fuzzing::Bytes(data, size);
  fuzzing::WriteFile(path, input);
  {
    rpt::checks::TableChecker checker;
    checker.SetTables({{report.form.get(), "F"}, {report.grid.get(), "G"}, {report.other.get(), "T1"}});
    checker.OpenRules(path);
    (void)checker.CheckAllTables();
    for (rpt::TTable* t : {report.form.get(), report.grid.get(), report.other.get()}) {
      if (t->status < 1 || t->status > 3) __builtin_trap();
      (void)checker.HasRules(t->tableName);
    }
    (void)checker.ReportProtocolLines();
  }
  if (fuzzing::ReadFile(path) != input) __builtin_trap();
  return 0;
}
