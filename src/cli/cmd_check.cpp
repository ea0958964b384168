// reportctl check: loads the tables of a report folder, recalculates them,
// refreshes every table's status and prints the statuses and protocols.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/headless_interaction.h"
#include "core/calc/check_status.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/report/structure.h"
#include "core/tables/table.h"

namespace rpt::cli {
namespace {

// The report state's hooks as far as checking a folder needs them.
class CheckHooks : public TableHooks {
 public:
  explicit CheckHooks(checks::TableChecker& checker) : checker_(checker) {}
  bool HasRules(std::string_view tableName) override { return checker_.HasRules(tableName); }
  void CheckTable(TTable& table) override {
    if (!Loading()) checker_.CheckTable(table);
  }

 private:
  checks::TableChecker& checker_;
};

std::string_view StatusWord(std::uint8_t status) {
  switch (status) {
    case checks::kNorm: return "norm";
    case checks::kEmpty: return "empty";
    case checks::kErrors: return "errors";
    default: return "undetermined";
  }
}

// Recalculation of every table in dependency order before the check.
// SEAM: the formula engine's RecalcAllTables plugs in here; until it does,
// the tables are checked with the formula values stored in their files.
void RecalcAllTables(std::vector<checks::CheckedTable>& tables) {}

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

  const auto structurePath = FindStructureFile(folder);
  if (!structurePath) throw std::runtime_error("no structure file (*.str) in " + folder);
  const auto model = ReadStructure(*structurePath);
  if (!model) throw std::runtime_error("cannot read " + *structurePath);

  checks::TableChecker checker;
  auto rules = FindEntryNoCase(folder, "Check.chk");
  if (!rules && !rulesFolder.empty()) rules = FindEntryNoCase(rulesFolder, "Check.chk");
  if (rules) checker.OpenRules(*rules);

  HeadlessInteraction ui;
  CheckHooks hooks(checker);
  TableContext context;
  context.hooks = &hooks;
  context.ui = &ui;
  context.listFolder = folder;
  context.templateFolder = rulesFolder.empty() ? folder : rulesFolder;

  std::vector<std::unique_ptr<TTable>> owned;
  std::vector<checks::CheckedTable> tables;
  std::vector<std::string> fileNames;
  hooks.SetLoading(true);
  for (const StructureSection& section : model->sections) {
    if (section.excluded) continue;
    for (const StructureItem& item : section.items) {
      if (item.excluded || item.kind != ItemKind::Table) continue;
      const std::string name = Cp1251ToUtf8(item.file);
      const std::string path = FindEntryNoCase(folder, name).value_or(folder + name);
      auto table = std::make_unique<TTable>(context);
      table->LoadFromFile(path);
      tables.push_back({table.get(), item.title});
      fileNames.push_back(item.file);
      owned.push_back(std::move(table));
    }
  }
  hooks.SetLoading(false);
  checker.SetTables(tables);
  RecalcAllTables(tables);

  const bool ok = checker.CheckAllTables();
  for (std::size_t i = 0; i < tables.size(); ++i) {
    PrintLine(fileNames[i] + ' ' + std::string(StatusWord(tables[i].table->status)));
    for (const std::string& line : checker.Protocol(*tables[i].table)) PrintLine("  " + line);
  }
  return ok ? kExitOk : 3;
}

}  // namespace

REPORTCTL_COMMAND("check", "check FOLDER [--rules DIR]", RunCheck);

}  // namespace rpt::cli
