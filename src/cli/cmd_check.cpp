// reportctl check: reads a report folder as the program reads a report it
// has unpacked (tables, recalculation in dependency order, statuses), checks
// every table and prints the statuses and protocols, then the verdict in one
// line ("ошибки в N таблицах, пустых таблиц: M"). Exit 3 when some table has
// errors; exit 1 when a formula or a rule could not be computed or tested
// (each is named on stderr).
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/report_session.h"
#include "core/calc/check_status.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/tables/table.h"

namespace rpt::cli {
namespace {

using namespace literals;

std::string_view StatusWord(std::uint8_t status) {
  switch (status) {
    case checks::kNorm: return "norm";
    case checks::kEmpty: return "empty";
    case checks::kErrors: return "errors";
    default: return "undetermined";
  }
}

int RunCheck(const Args& argsIn) {
  Args args = argsIn;
  std::string rulesFolder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--rules") continue;
    if (i + 1 >= args.size()) throw UsageError("--rules takes a folder");
    rulesFolder = WithSeparator(args[i + 1]);
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    break;
  }
  if (args.size() != 1) throw UsageError("one report folder expected");
  const std::string folder = WithSeparator(args[0]);

  // The load recalculates the formulas in dependency order; a formula that
  // fails has shown its error and its cell keeps its text.
  UnpackedReport report(folder, rulesFolder);
  if (!report.loaded()) return kExitError;
  HeadlessInteraction& ui = report.ui;
  checks::TableChecker& checker = report.engine.checker();

  const bool ok = checker.CheckAllTables();
  int withErrors = 0, empty = 0;
  for (const auto& t : report.state.tables()) {
    const TTable& table = *t.table;
    if (table.status == checks::kErrors) ++withErrors;
    if (table.status == checks::kEmpty) ++empty;
    PrintLine(t.file + ' ' + std::string(StatusWord(table.status)));
    for (const std::string& line : checker.Protocol(table)) PrintLine("  " + line);
    // A rule that could not be tested counts as holding, as in the
    // program; the one who runs the check still learns of it.
    for (const int k : checker.RuleErrors(table))
      ui.ShowMessage(MessageKind::Error,
                     std::string("Правило "_w) + std::to_string(k) + std::string(" таблицы \""_w) + table.tableName +
                         std::string("\" не удалось проверить: \""_w) +
                         checker.rules().RuleLine(table.tableName, k) + "\".",
                     kOk, kOk);
    if (checker.CheckFailed(table))
      ui.ShowMessage(MessageKind::Error,
                     std::string("Проверку таблицы \""_w) + table.tableName +
                         std::string("\" прервала ошибка в ее данных."_w),
                     kOk, kOk);
  }
  PrintLine(std::string("ошибки в "_w) + std::to_string(withErrors) + std::string(" таблицах, пустых таблиц: "_w) +
            std::to_string(empty));
  // A reported error (a formula or a rule that failed) comes first: the
  // statuses cannot be trusted then.
  if (ui.errorsShown > 0) return kExitError;
  return ok ? kExitOk : kExitChecksFailed;
}

}  // namespace

REPORTCTL_COMMAND("check", "check FOLDER [--rules DIR]", RunCheck);

}  // namespace rpt::cli
