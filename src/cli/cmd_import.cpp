// reportctl import-last-year / import-this-year: the imports of the
// desktop program, answering Yes to every question. The protocol is
// printed, one line each; the report is saved when anything was imported.
// Exit 0 when every entry or title was imported.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/report_session.h"
#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/import/last_year_import.h"
#include "core/import/this_year_import.h"

namespace rpt::cli {
namespace {

int Finish(LoadedReport& report, const ImportOutcome& outcome) {
  for (const auto& line : outcome.protocol.lines()) PrintLine(line);
  if (!outcome.ran) return kExitError;
  if (report.state.IsModified() && !report.state.Save()) return kExitError;
  return outcome.allImported ? kExitOk : kExitError;
}

int RunImportLastYear(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  if (args.size() < 2) throw UsageError("REPORT and SOURCE expected");
  LoadedReport report(program, AbsoluteFolder(args[0]), 0);
  TLastYearImport import(report.state);
  std::vector<int> selected;
  for (std::size_t i = 2; i < args.size(); ++i) {
    const auto n = TryStrToInt(args[i]);
    if (!n || *n < 1) throw UsageError("ENTRY is a number of the importable entries");
    selected.push_back(*n);
  }
  if (selected.empty())
    for (const auto& line : import.ListLines()) selected.push_back(line.number);
  return Finish(report, import.Import(args[1], selected));
}

int RunImportThisYear(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  if (args.size() < 3) throw UsageError("REPORT, SOURCE and at least one TITLE expected");
  LoadedReport report(program, AbsoluteFolder(args[0]), 0);
  std::vector<std::string> titles;
  for (std::size_t i = 2; i < args.size(); ++i) titles.push_back(Utf8ToCp1251(args[i]));
  TThisYearImport import(report.state);
  return Finish(report, import.Import(args[1], titles));
}

}  // namespace

REPORTCTL_COMMAND("import-last-year", "import-last-year --program-folder P REPORT SOURCE [ENTRY...]",
                  RunImportLastYear);
REPORTCTL_COMMAND("import-this-year", "import-this-year --program-folder P REPORT SOURCE TITLE...",
                  RunImportThisYear);

}  // namespace rpt::cli
