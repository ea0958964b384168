// What the commands that open a report share: the arguments every one of
// them takes, and a report loaded as the desktop program loads it, but in a
// private working area, so that neither the report folder nor a running
// program's working folder is touched until the report is saved.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "cli/command.h"
#include "cli/headless_interaction.h"
#include "core/app/startup.h"
#include "core/calc/checking_engine.h"
#include "core/foundation/folders.h"
#include "core/report/report_state.h"

namespace rpt::cli {

// Takes "--NAME VALUE" out of the arguments.
std::optional<std::string> TakeOption(Args& args, const std::string& name);
bool TakeFlag(Args& args, const std::string& name);
// The desktop program's file name: an installation's packages and the
// user's data folder are named after it.
inline constexpr std::string_view kDesktopProgramName = "report";

// "--program-folder P", absolute and ending with "/"; without it the folder
// the desktop program would use: the portable folder beside this program, or
// for an installation "$XDG_DATA_HOME/report/".
std::string ProgramFolder(Args& args);
// The folder set of a program folder: its own "Help/Data/" packages when it
// has them, else the installation's.
FolderSet ProgramFolders(const std::string& programFolder);
std::string AbsoluteFolder(const std::string& folder);

// "--item FILE", "--section N" or "--all" (also the default): the node of
// the structure tree a command works on. At most one may be given.
struct NodeChoice {
  std::optional<std::string> item;     // "Файл" of an item (UTF-8)
  std::optional<std::string> section;  // 1-based
};
NodeChoice TakeNodeChoice(Args& args);
// The node as the structure window selects it: level 0 the report, 1 a
// section, 2 an item (0-based section and item). Raises for an item or a
// section the report does not have.
struct TreeNode {
  int level = 0, section = 0, item = 0;
};
TreeNode ResolveNode(const StructureModel& model, const NodeChoice& choice);

// The program's folder set with the temporary folders moved into a private
// folder that is removed afterwards; the installed packages stay where the
// program folder has them.
class PrivateArea {
 public:
  explicit PrivateArea(const std::string& programFolder);
  ~PrivateArea();
  PrivateArea(const PrivateArea&) = delete;
  PrivateArea& operator=(const PrivateArea&) = delete;
  FolderSet folders;

  // Empties the working folder on a thread of its own, while the command
  // goes on; the destructor waits for it.
  void ClearWorkingInBackground();

 private:
  std::string root_;
  std::thread clearing_;
};

// For a command that reads nothing of the unpacked report but its tables:
// the unpacked files go as soon as the tables are loaded, while they are
// recalculated, instead of at the end.
class DropUnpackedAfterLoad final : public ReportView {
 public:
  explicit DropUnpackedAfterLoad(PrivateArea& area) : area_(area) {}
  bool enabled = false;
  void TablesLoaded(const TReportState&) override {
    if (enabled) area_.ClearWorkingInBackground();
  }

 private:
  PrivateArea& area_;
};

// What a command does with the unpacked report once its tables are loaded.
enum class AfterLoad { KeepUnpacked, DropUnpacked };

// A loaded report in a private working area.
struct LoadedReport {
  HeadlessInteraction ui;
  PrivateArea area;
  DropUnpackedAfterLoad dropper{area};
  TCheckingEngine engine{&ui};
  TReportState state;
  // `lockWaitMs` < 0: the report is only read, and not locked. `recovery`
  // Apply: what the desktop program kept of unsaved changes is restored.
  // `parts`: what of the installation the command uses.
  LoadedReport(const std::string& program, const std::string& folder, int lockWaitMs,
               TReportState::RecoveryMode recovery = TReportState::RecoveryMode::Off,
               InstallationParts parts = InstallationParts::All,
               AfterLoad afterLoad = AfterLoad::KeepUnpacked);
};

// A report folder read where it lies, as the desktop program reads a report
// it has unpacked: for the commands that only look at an unpacked report
// (recalc, check). Nothing is locked, unpacked or written. The check rules
// are the folder's "Check.chk", else the one in `rulesFolder`.
struct UnpackedReport {
  HeadlessInteraction ui;
  TCheckingEngine engine{&ui};
  TReportState state;
  // `view` may watch the load (its tables before their recalculation).
  UnpackedReport(const std::string& folder, const std::string& rulesFolder, ReportView* view = nullptr);
  // True when the structure and every table were read.
  bool loaded() const { return state.treeVisible; }
};

}  // namespace rpt::cli
