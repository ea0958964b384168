// A report loaded as the desktop program loads it, in a private working
// area removed afterwards, and the option parsing the report commands share.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/command.h"
#include "cli/headless_interaction.h"
#include "core/calc/checking_engine.h"
#include "core/foundation/file_io.h"
#include "core/report/report_state.h"
#include "core/report/startup.h"

namespace rpt::cli {

// Takes "--NAME VALUE" out of the arguments.
std::optional<std::string> TakeOption(Args& args, const std::string& name);
bool TakeFlag(Args& args, const std::string& name);
// "--program-folder P", required; absolute, with a trailing separator.
std::string ProgramFolder(Args& args);
std::string AbsoluteFolder(const std::string& folder);

// The program's folder set with the temporary folders moved into a private
// folder that is removed afterwards; the installed packages stay where the
// program folder has them.
class PrivateArea {
 public:
  explicit PrivateArea(const std::string& programFolder) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = WithSeparator(tmp && *tmp ? tmp : "/tmp") + "reportctl-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    root_ = pattern + "/";
    RegisterTemporaryFolder(root_);
    folders = FolderSet::FromProgramFolder(programFolder);
    const FolderSet inside = FolderSet::FromProgramFolder(root_, folders.installData);
    folders.templates = inside.templates;
    folders.lists = inside.lists;
    folders.print = inside.print;
    folders.service = inside.service;
    folders.working = inside.working;
    folders.subreports = inside.subreports;
    folders.reception = inside.reception;
    folders.import = inside.import;
    folders.check = inside.check;
  }
  ~PrivateArea() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    UnregisterTemporaryFolder(root_);
  }
  FolderSet folders;

 private:
  std::string root_;
};

// A loaded report in a private working area.
struct LoadedReport {
  HeadlessInteraction ui;
  PrivateArea area;
  TCheckingEngine engine{&ui};
  TReportState state;
  // `lockWaitMs` < 0: the report is only read, and not locked.
  LoadedReport(const std::string& program, const std::string& folder, int lockWaitMs)
      : area(program), state(area.folders, ui, &engine) {
    state.lockWaitMs = std::max(lockWaitMs, 0);
    state.lockReports = lockWaitMs >= 0;
    PrepareFolders(area.folders, ui);
    state.ReadInstallation();
    if (!HoldsReport(folder)) {
      state.OpenReportFolder(folder);  // reports the folder
      throw std::runtime_error("no report in " + folder);
    }
    state.OpenReportFolder(folder);
    if (!state.treeVisible) throw std::runtime_error("the report could not be loaded");
  }
};

}  // namespace rpt::cli
