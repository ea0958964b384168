#include "cli/report_session.h"

#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/foundation/text_case.h"
#include "core/app/startup.h"
#include "core/calc/structure.h"

namespace rpt::cli {

namespace fs = std::filesystem;

// Takes "--NAME VALUE" out of the arguments.
std::optional<std::string> TakeOption(Args& args, const std::string& name) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != name) continue;
    if (i + 1 >= args.size()) throw UsageError(name + " takes a value");
    std::string value = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return value;
  }
  return std::nullopt;
}

bool TakeFlag(Args& args, const std::string& name) {
  for (std::size_t i = 0; i < args.size(); ++i)
    if (args[i] == name) {
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  return false;
}

namespace {

// Where the desktop program beside this one keeps its files: its own folder
// when portable, else the user's data folder with the installed packages.
ProgramLocation DesktopProgramLocation() {
  return ResolveProgramLocation(ExecutableFolder(), kDesktopProgramName);
}

}  // namespace

std::string ProgramFolder(Args& args) {
  const auto p = TakeOption(args, "--program-folder");
  if (!p) return DesktopProgramLocation().programFolder;
  std::error_code ec;
  const fs::path abs = fs::absolute(*p, ec);
  return WithSeparator(ec ? *p : abs.lexically_normal().string());
}

NodeChoice TakeNodeChoice(Args& args) {
  NodeChoice c;
  c.item = TakeOption(args, "--item");
  c.section = TakeOption(args, "--section");
  const bool all = TakeFlag(args, "--all");
  if (static_cast<int>(c.item.has_value()) + static_cast<int>(c.section.has_value()) + static_cast<int>(all) > 1)
    throw UsageError("one of --item, --section, --all");
  return c;
}

TreeNode ResolveNode(const StructureModel& model, const NodeChoice& choice) {
  const int sections = static_cast<int>(model.sections.size());
  if (choice.item) {
    const std::string wanted = Utf8ToCp1251(*choice.item);
    for (int s = 0; s < sections; ++s)
      for (int i = 0; i < static_cast<int>(model.sections[s].items.size()); ++i)
        if (SameText(model.sections[s].items[i].file, wanted)) return {2, s, i};
    throw std::runtime_error("no item " + *choice.item + " in the report");
  }
  if (choice.section) {
    const std::string& text = *choice.section;
    int n = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) throw UsageError("a section number expected");
    if (n < 1 || n > sections) throw std::runtime_error("no section " + text);
    return {1, n - 1, 0};
  }
  return {};
}

FolderSet ProgramFolders(const std::string& programFolder) {
  if (FindEntryNoCase(programFolder + "Help/Data/", kTemplatePackageName))
    return FolderSet::FromProgramFolder(programFolder);
  return FolderSet::FromProgramFolder(programFolder, DesktopProgramLocation().installData);
}

std::string AbsoluteFolder(const std::string& folder) {
  std::error_code ec;
  const fs::path abs = fs::absolute(folder, ec);
  return WithSeparator(ec ? folder : abs.lexically_normal().string());
}

// The program's folder set with the temporary folders moved into a private
// folder that is removed afterwards; the installed packages stay where the
// program folder has them.
PrivateArea::PrivateArea(const std::string& programFolder) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = WithSeparator(tmp && *tmp ? tmp : "/tmp") + "reportctl-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  root_ = pattern + "/";
  RegisterTemporaryFolder(root_);
  folders = ProgramFolders(programFolder);
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

void PrivateArea::ClearWorkingInBackground() {
  if (clearing_.joinable()) return;
  try {
    clearing_ = std::thread([folder = folders.working] {
      std::error_code ec;
      for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code gone;
        fs::remove_all(it->path(), gone);
      }
    });
  } catch (const std::system_error&) {
    // Removed with the rest at the end.
  }
}

PrivateArea::~PrivateArea() {
  if (clearing_.joinable()) clearing_.join();
  std::error_code ec;
  fs::remove_all(root_, ec);
  UnregisterTemporaryFolder(root_);
}

// A loaded report in a private working area.
LoadedReport::LoadedReport(const std::string& program, const std::string& folder, int lockWaitMs,
                           TReportState::RecoveryMode recovery, InstallationParts parts,
                           AfterLoad afterLoad)
    : area(program), state(area.folders, ui, &engine, &dropper) {
  dropper.enabled = afterLoad == AfterLoad::DropUnpacked;
  state.SetRecoveryMode(recovery);
  state.lockWaitMs = std::max(lockWaitMs, 0);
  state.lockReports = lockWaitMs >= 0;
  PrepareFolders(area.folders, ui, parts);
  state.ReadInstallation();
  if (!HoldsReport(folder)) {
    state.OpenReportFolder(folder);  // reports the folder
    throw std::runtime_error("no report in " + folder);
  }
  state.OpenReportFolder(folder);
  if (!state.treeVisible) throw std::runtime_error("the report could not be loaded");
}

namespace {

// The folder set of a report read in place: the report folder is the
// working folder and holds the lists; the check rules come from the
// template folder.
FolderSet InPlaceFolders(const std::string& folder, const std::string& rulesFolder) {
  FolderSet f = FolderSet::FromProgramFolder(folder);
  f.working = folder;
  f.lists = folder;
  f.templates = rulesFolder.empty() || FindEntryNoCase(folder, kCheckRulesFileName) ? folder : rulesFolder;
  return f;
}

}  // namespace

UnpackedReport::UnpackedReport(const std::string& folder, const std::string& rulesFolder, ReportView* view)
    : state(InPlaceFolders(WithSeparator(folder), rulesFolder.empty() ? "" : WithSeparator(rulesFolder)), ui,
            &engine, view) {
  if (!FindStructureFile(WithSeparator(folder))) throw std::runtime_error("no structure file (*.str) in " + folder);
  state.lockReports = false;
  state.ReadUnpackedReport();
}

}  // namespace rpt::cli
