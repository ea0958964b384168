// reportctl recover: what the desktop program kept of a report's unsaved
// changes (after a crash, or set aside), and with --apply those changes
// made the report's saved state: the report is loaded with the kept tables
// in place of the saved ones, recalculated and saved, and the kept data
// removed.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/report_session.h"
#include "core/foundation/codec.h"
#include "core/report/recovery.h"
#include "core/report/report_state.h"

namespace rpt::cli {
namespace {

using namespace literals;

// Lists one recovery folder; false when it holds nothing.
bool List(const std::string& folder, const std::string& packageIdentity) {
  const auto manifest = ReadRecovery(folder);
  if (!manifest) return false;
  std::printf("%s\n", folder.c_str());
  PrintLine(std::string("  записано: "_w) + manifest->time);
  std::string state;
  if (manifest->startsLeft >= 0) {
    state = std::string("отложено ("_w) + manifest->asideReason + ")";
  } else if (const std::string refusal = RecoveryRefusal(*manifest, folder, packageIdentity); !refusal.empty()) {
    state = std::string("восстановить нельзя: "_w) + refusal;
  } else {
    state = "можно восстановить"_w;
  }
  PrintLine(std::string("  состояние: "_w) + state);
  PrintLine(std::string("  таблицы:"_w));
  for (const auto& t : manifest->tables) PrintLine("    " + t.file + "\t" + t.title);
  return true;
}

int RunRecover(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const bool apply = TakeFlag(args, "--apply");
  if (args.size() != 1) throw UsageError("one report folder expected");
  const std::string report = AbsoluteFolder(args[0]);
  if (!apply) {
    const std::string folder = RecoveryFolderOf(FolderSet::FromProgramFolder(program), report);
    const std::string identity = PackageIdentity(report);
    const bool any = List(folder, identity) | List(AsideFolderOf(folder), identity);
    if (!any) PrintLine(std::string("нет данных для восстановления"_w));
    return kExitOk;
  }
  LoadedReport loaded(program, report, 0, TReportState::RecoveryMode::Apply);
  TReportState& state = loaded.state;
  if (!state.recoveryRestored()) {
    if (loaded.ui.errorsShown == 0) std::fprintf(stderr, "%s: nothing to recover\n", report.c_str());
    return kExitError;
  }
  std::vector<std::string> restored;
  for (const auto& t : state.tables())
    if (t.table->Modified()) restored.push_back(t.file + "\t" + t.caption);
  if (!state.Save()) return kExitError;
  for (const auto& line : restored) PrintLine(line);
  return loaded.ui.errorsShown == 0 ? kExitOk : kExitError;
}

}  // namespace

REPORTCTL_COMMAND("recover", "recover --program-folder P REPORT [--apply]", RunRecover);

}  // namespace rpt::cli
