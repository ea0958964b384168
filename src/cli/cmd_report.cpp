// reportctl new / open / set: the report lifecycle of the desktop program,
// headless. `open` and `set` load a report exactly as the program does
// (unpack, version, tables, recalculation, statuses) but in a private
// working area, so that neither the report folder (for `open`) nor a
// running program's working folder is touched.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/command.h"
#include "cli/headless_interaction.h"
#include "cli/report_session.h"
#include "core/calc/checking_engine.h"
#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/foundation/file_io.h"
#include "core/foundation/text_case.h"
#include "core/lists/cell_input.h"
#include "core/report/recent_list.h"
#include "core/report/report_folder_dialog.h"
#include "core/report/report_state.h"
#include "core/app/startup.h"

namespace rpt::cli {
namespace {

namespace fs = std::filesystem;

// Headless, answering the folder browser with the folder given.
class FolderInteraction : public HeadlessInteraction {
 public:
  std::optional<std::string> folder;
  std::optional<std::string> ChooseFolder(std::string_view, const std::string&) override { return folder; }
};


std::string_view StatusWord(std::uint8_t status) {
  switch (status) {
    case 1: return "norm";
    case 2: return "empty";
    case 3: return "errors";
    default: return "undetermined";
  }
}

void PrintTables(const TReportState& state) {
  for (const auto& t : state.tables())
    PrintLine((t.caption.empty() ? t.itemTitle : t.caption) + "\t" + t.file + "\t" +
              std::string(StatusWord(t.table->status)));
}


int RunNew(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const bool sub = TakeFlag(args, "--sub");
  if (args.size() > 1) throw UsageError("at most one report folder");
  FolderInteraction ui;
  // An installation's user folder is made at the first use.
  std::error_code made;
  fs::create_directories(program, made);
  TReportState state(ProgramFolders(program), ui);
  state.isSubreport = sub;
  state.subreportOnly = sub;  // a plain copy of the blank report, named for a sub-report
  state.previousFolder = state.folders().templates;
  if (args.empty()) {
    state.runFolderDialog = [](TFormNewRep& d) { d.CreateAutomatically(); };
  } else {
    ui.folder = AbsoluteFolder(args[0]);
    std::error_code ec;
    fs::create_directories(*ui.folder, ec);
    state.runFolderDialog = [](TFormNewRep& d) { d.ChooseFolder(); };
  }
  if (AskFolder(state, FolderDialogMode::NewReport) != FolderDialogResult::Created) return kExitError;
  std::printf("%s\n", state.currentFolder.c_str());
  return kExitOk;
}

int RunOpen(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  if (args.size() != 1) throw UsageError("one report folder expected");
  // Only reads the tables: no lock, no documents, nothing printed or sent.
  LoadedReport report(program, AbsoluteFolder(args[0]), -1, TReportState::RecoveryMode::Off,
                      InstallationParts::ReportData, AfterLoad::DropUnpacked);
  PrintTables(report.state);
  return kExitOk;
}

TCell* FindCell(TTable& table, const std::string& address) {
  const auto dash = address.find('-');
  try {
    if (dash != std::string::npos)
      return GetCell(table.data, std::stoi(address.substr(dash + 1)), std::stoi(address.substr(0, dash)));
    return CellByNumber(table.data, std::stoi(address));
  } catch (const std::logic_error&) {
    throw UsageError("CELL is \"row-col\" or a cell number");
  }
}

// Whole seconds to wait for the report lock; none by default.
int LockWaitMs(Args& args) {
  const auto wait = TakeOption(args, "--wait");
  if (!wait) return 0;
  const auto seconds = TryStrToInt(*wait);
  if (!seconds || *seconds < 0 || *seconds > 3600) throw UsageError("--wait takes seconds (0..3600)");
  return *seconds * 1000;
}

// The report is locked from before it is read until after the package is
// written (TReportState holds the lock), so two commands or a command and
// the desktop program never interleave their saves: the second is refused
// with the holder's name. A value is checked as the cell's editor checks
// it; further TABLE CELL VALUE triples change more cells before the one
// save. Exit 0 only when the changes reached the package and nothing
// failed on the way (a formula error after a change included).
int RunSet(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const int waitMs = LockWaitMs(args);
  if (args.size() < 4 || (args.size() - 1) % 3 != 0) throw UsageError("FOLDER TABLE CELL VALUE [TABLE CELL VALUE...] expected");
  LoadedReport report(program, AbsoluteFolder(args[0]), waitMs, TReportState::RecoveryMode::Off,
                      InstallationParts::ReportData);
  TReportState& state = report.state;
  const int errorsBefore = report.ui.errorsShown;
  // Every change is made before the one save.
  for (std::size_t i = 1; i + 2 < args.size(); i += 3) {
    const std::string wanted = Utf8ToCp1251(args[i]);
    TReportTable* target = state.FindTable(wanted);
    if (!target)
      for (const auto& t : state.tables())
        if (SameText(t.table->tableName, wanted)) target = const_cast<TReportTable*>(&t);
    if (!target) throw std::runtime_error("no table " + args[i] + " in the report");
    TCell* cell = FindCell(*target->table, args[i + 1]);
    if (!cell) throw std::runtime_error("no cell " + args[i + 1] + " in " + args[i]);
    if (IsNotEditedType(cell->type)) throw std::runtime_error("cell " + args[i + 1] + " takes no input");
    const CellInput input = CheckCellInput(*cell, args[i + 2], state.folders().lists);
    if (!input.error.empty()) {
      report.ui.ShowMessage(MessageKind::Error, input.error, kOk, kOk);
      return kExitError;
    }
    if (input.itemCode) {
      cell->BVal = *input.itemCode;
      cell->BList = input.rowCode.value_or(-1);
      cell->ListCode = input.listCode.value_or(cell->ListCode);
    }
    cell->SetValue(input.value);
  }
  if (state.IsModified() && !state.Save()) return kExitError;
  PrintTables(state);
  return report.ui.errorsShown == errorsBefore ? kExitOk : kExitError;
}

}  // namespace

REPORTCTL_COMMAND("new", "new --program-folder P [--sub] [FOLDER]", RunNew);
REPORTCTL_COMMAND("open", "open --program-folder P FOLDER", RunOpen);
REPORTCTL_COMMAND("set", "set --program-folder P [--wait SECONDS] FOLDER TABLE CELL VALUE [TABLE CELL VALUE...]", RunSet);

}  // namespace rpt::cli
