// reportctl transfer / receive: a sub-report handed to a department as a
// self-installing package, and the department's filled sub-report taken
// back into the folder it was made in, as the desktop commands do it.
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/report_session.h"
#include "core/app/startup.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/subreports/transfer.h"

namespace rpt::cli {
namespace {

// "transfer --program-folder P SUBREPORT DEST": DEST + the sub-report
// folder's last component + " (для передачи)/Setup_p.exe". Prints the
// destination folder.
int RunTransfer(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  if (args.size() != 2) throw UsageError("SUBREPORT and DEST expected");
  LoadedReport report(program, AbsoluteFolder(args[0]), 0);
  if (!report.state.isSubreport) {
    std::fprintf(stderr, "%s is not a sub-report\n", args[0].c_str());
    return kExitError;
  }
  const auto destination = TransferSubreportTo(report.state, AbsoluteFolder(args[1]), ExecutableFolder());
  if (!destination || report.ui.errorsShown != 0) return kExitError;
  std::printf("%s\n", destination->c_str());
  return kExitOk;
}

// Answers the destination question with "Нет" and the folder dialog with
// the folder given, when one is.
class ReceptionAnswers : public HeadlessInteraction {
 public:
  std::optional<std::string> folder;
  Button ShowMessage(MessageKind kind, std::string_view text, unsigned buttons, Button def) override {
    const Button answer = HeadlessInteraction::ShowMessage(kind, text, buttons, def);
    return folder && (buttons & kNo) && (buttons & kCancel) ? kNo : answer;
  }
  std::optional<std::string> ChooseFolder(std::string_view, const std::string&) override { return folder; }
};

// "receive --program-folder P SOURCE [DEST]": SOURCE is the department's
// package or its folder. Without DEST the sub-report goes into the folder it
// records; with DEST there instead. Prints the folder it went to.
int RunReceive(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  if (args.empty() || args.size() > 2) throw UsageError("SOURCE [DEST] expected");
  std::string source = args[0];
  if (FolderExists(source)) {
    const std::string folder = AbsoluteFolder(source);
    source = FindEntryNoCase(folder, kReportPackageName).value_or(folder + std::string(kReportPackageName));
  }
  PrivateArea area(program);
  ReceptionAnswers ui;
  if (args.size() == 2) ui.folder = AbsoluteFolder(args[1]);
  TCheckingEngine engine(&ui);
  TReportState state(area.folders, ui, &engine);
  PrepareFolders(area.folders, ui);
  state.ReadInstallation();
  const auto destination = ReceiveSubreportFrom(state, source);
  if (!destination || ui.errorsShown != 0 || !state.treeVisible) return kExitError;
  std::printf("%s\n", destination->c_str());
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("transfer", "transfer --program-folder P SUBREPORT DEST", RunTransfer);
REPORTCTL_COMMAND("receive", "receive --program-folder P SOURCE [DEST]", RunReceive);

}  // namespace rpt::cli
