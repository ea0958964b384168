// reportctl check: loads the tables of a report folder, recalculates them in
// dependency order, refreshes every table's status and prints the statuses
// and protocols. Exit 3 when some table has errors; exit 1 when a formula
// or a rule could not be computed or tested (each is named on stderr).
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/folder_tables.h"
#include "cli/headless_interaction.h"
#include "core/calc/check_status.h"
#include "core/calc/checking_engine.h"
#include "core/calc/open_tables.h"
#include "core/calc/table_map.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/calc/structure.h"
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

  const StructureModel model = ReadFolderStructure(folder);

  HeadlessInteraction ui;
  TOpenTables openTables;
  TMapTables map;
  TCheckingEngine engine(openTables, map, &ui);
  checks::TableChecker& checker = engine.checker();
  auto rules = FindEntryNoCase(folder, "Check.chk");
  if (!rules && !rulesFolder.empty()) rules = FindEntryNoCase(rulesFolder, "Check.chk");
  if (rules) engine.OpenCheckRules(*rules);

  TableContext context;
  context.hooks = &engine;
  context.ui = &ui;
  context.listFolder = folder;
  context.templateFolder = rulesFolder.empty() ? folder : rulesFolder;

  ReportEngineView view;
  view.workingFolder = folder;
  view.map = &map;
  view.structure = &model;
  engine.Attach(view);
  const FolderTables loaded = LoadFolderTables(folder, model, context, engine, view);
  const auto& fileNames = loaded.fileNames;
  engine.SetLoading(false);
  // Formula values first, in dependency order; a failed recalculation has
  // shown its error and the tables keep the values they have.
  engine.RecalcAllTables();

  const bool ok = checker.CheckAllTables();
  for (std::size_t i = 0; i < view.tables.size(); ++i) {
    const TTable& table = *view.tables[i].table;
    PrintLine(fileNames[i] + ' ' + std::string(StatusWord(table.status)));
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
  // A reported error (a formula or a rule that failed) comes first: the
  // statuses cannot be trusted then.
  if (ui.errorsShown > 0) return kExitError;
  return ok ? kExitOk : kExitChecksFailed;
}

}  // namespace

REPORTCTL_COMMAND("check", "check FOLDER [--rules DIR]", RunCheck);

}  // namespace rpt::cli
