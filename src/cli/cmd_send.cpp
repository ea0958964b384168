// reportctl send / sysinfo: a report's data file prepared by one of the
// three routes of the desktop program's "Отправка", and the system
// information that travels inside it.
#include <cstdio>
#include <iostream>

#include "cli/qt_application.h"
#include "cli/report_session.h"
#include "cli/toolkit_commands.h"
#include "core/app/startup.h"
#include "core/foundation/codec.h"
#include "core/output/report_sending.h"

namespace rpt::cli {
namespace {

// The desktop's part of a send without a desktop: the summaries answered by
// --force (else the send stops, the tables listed on stderr), the address
// that would open in the browser printed instead, the folder of --to.
class SendAnswers : public HeadlessInteraction, public output::SendDesk {
 public:
  bool force = false;
  std::optional<std::string> folder;

  checks::ErrorsSummaryAnswer AskErrors(const std::vector<std::string>& lines) override {
    return Answer(lines) ? checks::ErrorsSummaryAnswer::SendAnyway : checks::ErrorsSummaryAnswer::Cancel;
  }
  checks::EmptySummaryAnswer AskEmpty(const std::vector<std::string>& lines) override {
    return Answer(lines) ? checks::EmptySummaryAnswer::SendAnyway : checks::EmptySummaryAnswer::Cancel;
  }
  std::vector<output::PrinterFacts> Printers() override { return InstalledPrinters(); }
  std::optional<std::string> ChooseFolder(std::string_view, const std::string&) override { return folder; }
  bool OpenAddress(const std::string& url) override {
    std::cerr << "Адрес: " << url << '\n';
    return true;
  }

 private:
  bool Answer(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) std::cerr << Cp1251ToUtf8(line) << '\n';
    if (!force) std::cerr << "the send stops here; --force sends anyway\n";
    return force;
  }
};

// "send --program-folder P REPORT --route internet|media|email [--to FOLDER]
// [--force]": prints the data file written.
int RunSend(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const auto route = TakeOption(args, "--route");
  const auto to = TakeOption(args, "--to");
  SendAnswers ui;
  ui.force = TakeFlag(args, "--force");
  if (args.size() != 1) throw UsageError("one report folder expected");
  if (!route || (*route != "internet" && *route != "media" && *route != "email"))
    throw UsageError("--route internet, media or email");
  if ((*route == "media") != to.has_value()) throw UsageError("--to FOLDER goes with --route media, and only there");

  PrivateArea area(program);
  TCheckingEngine engine(&ui);
  TReportState state(area.folders, ui, &engine);
  PrepareFolders(area.folders, ui);
  state.ReadInstallation();
  const std::string folder = AbsoluteFolder(args[0]);
  if (!HoldsReport(folder)) throw std::runtime_error("no report in " + folder);
  state.OpenReportFolder(folder);
  if (!state.treeVisible) return kExitError;

  output::TReportSending sending(state, ui, ReadInstallationOptions(area.folders).siteAddress);
  std::optional<output::SentFile> sent;
  if (*route == "internet") sent = sending.SendInternet();
  else if (*route == "email") sent = sending.SendEmail();
  else sent = sending.SendMediaTo(AbsoluteFolder(*to));
  if (!sent) return sending.stoppedAtSummary() ? kExitChecksFailed : kExitError;
  std::printf("%s\n", sent->path.c_str());
  return ui.errorsShown > 0 ? kExitError : kExitOk;
}

// "sysinfo": the system information file as UTF-8.
int RunSysinfo(const Args& args) {
  if (!args.empty()) throw UsageError("sysinfo takes no arguments");
  output::SystemFacts facts = output::ReadSystemFacts();
  facts.printers = InstalledPrinters();
  for (const std::string& line : output::SystemInfoLines(facts)) PrintLine(line);
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("send", kSendUsage, RunSend);
REPORTCTL_COMMAND("sysinfo", kSysinfoUsage, RunSysinfo);

}  // namespace rpt::cli
