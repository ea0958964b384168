// reportctl subreport create / include / remove / subreports: the head
// office's work with departments' sub-reports, as the desktop commands do
// it, for any number of sub-reports in one run.
#include <filesystem>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/report_session.h"
#include "core/foundation/codec.h"
#include "core/foundation/folders.h"
#include "core/report/report_folder_dialog.h"
#include "core/report/structure.h"
#include "core/subreports/inclusion.h"
#include "core/subreports/structure_editing.h"

namespace rpt::cli {
namespace {

namespace fs = std::filesystem;

// Headless, answering the folder browser and the file picker with what the
// command line gave.
class PickerAnswers : public HeadlessInteraction {
 public:
  std::optional<std::string> folder, file;
  std::optional<std::string> ChooseFolder(std::string_view, const std::string&) override { return folder; }
  std::optional<std::string> ChooseOpenFile(std::string_view, std::string_view, const std::string&) override {
    return file;
  }
};

std::vector<std::string> Folders(const Args& args, std::size_t from) {
  std::vector<std::string> folders;
  for (std::size_t i = from; i < args.size(); ++i) folders.push_back(AbsoluteFolder(args[i]));
  return folders;
}

// "SUB-REPORT<TAB>FILE<TAB>TITLE<TAB>CELLS" per table the run combined.
void PrintCounts(const SubreportRunResult& run) {
  for (const auto& t : run.tables)
    PrintLine(Utf8ToCp1251(t.subreport) + "\t" + t.file + "\t" + t.title + "\t" + std::to_string(t.cells));
}

int RunCombination(const Args& argsIn, bool subtract) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  if (args.size() < 2) throw UsageError("REPORT and at least one SUBREPORT expected");
  LoadedReport report(program, AbsoluteFolder(args[0]), 0);
  TSubreportInclusion inclusion(report.state);
  const std::vector<std::string> folders = Folders(args, 1);
  const SubreportRunResult run =
      subtract ? inclusion.RemoveMany(folders, /*check=*/false) : inclusion.IncludeMany(folders, /*check=*/false);
  if (!run.done) {
    if (!run.failure.empty()) std::fprintf(stderr, "%s\n", Cp1251ToUtf8(run.failure).c_str());
    return kExitError;
  }
  PrintCounts(run);
  return kExitOk;
}

int RunInclude(const Args& args) { return RunCombination(args, false); }
int RunRemove(const Args& args) { return RunCombination(args, true); }

int RunSubreports(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  if (args.size() != 1) throw UsageError("one report folder expected");
  LoadedReport report(program, AbsoluteFolder(args[0]), -1);
  const auto path = FindStructureFile(report.state.folders().working);
  if (!path) return kExitError;
  int k = 0;
  for (const auto& folder : ReadSubreportFolders(*path)) PrintLine(std::to_string(++k) + ". " + folder);
  return kExitOk;
}

// "subreport create": a new sub-report in FOLDER from the blank report,
// holding the named items (table or document file names, or table names)
// and excluding all others; written into FOLDER/Report.rpt.
int RunSubreportCreate(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  if (args.size() < 4 || args[0] != "create") throw UsageError("create REPORT FOLDER ITEM... expected");
  // The open report is left as the desktop command leaves it: read only.
  LoadedReport report(program, AbsoluteFolder(args[1]), -1);
  PickerAnswers ui;
  TReportState state(report.area.folders, ui, nullptr);
  state.ReadInstallation();
  const std::string folder = AbsoluteFolder(args[2]);
  std::error_code ec;
  fs::create_directories(folder, ec);
  ui.folder = folder;
  state.runFolderDialog = [](TFormNewRep& d) { d.ChooseFolder(); };
  if (!DefineSubreportStructure(state)) return kExitError;
  std::vector<std::string> items;
  for (std::size_t i = 3; i < args.size(); ++i) items.push_back(Utf8ToCp1251(args[i]));
  if (!KeepOnlyItems(state, items)) return kExitError;
  if (!state.EndStructureEditing()) return kExitError;
  std::printf("%s\n", state.currentFolder.c_str());
  return ui.errorsShown == 0 ? kExitOk : kExitError;
}

}  // namespace

REPORTCTL_COMMAND("include", "include --program-folder P REPORT SUBREPORT...", RunInclude);
REPORTCTL_COMMAND("remove", "remove --program-folder P REPORT SUBREPORT...", RunRemove);
REPORTCTL_COMMAND("subreports", "subreports --program-folder P REPORT", RunSubreports);
REPORTCTL_COMMAND("subreport", "subreport create --program-folder P REPORT FOLDER ITEM...", RunSubreportCreate);

}  // namespace rpt::cli
