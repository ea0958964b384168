#include "core/foundation/errors.h"
#include "core/app/startup.h"

#include <filesystem>
#include <iterator>
#include <span>

#include "core/foundation/codec.h"
#include "core/foundation/config_keys.h"
#include "core/foundation/file_io.h"
#include "core/foundation/interaction.h"
#include "core/archive/package.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kAlreadyRunning = "Эта программа уже загружена."_w;
constexpr std::string_view kExitQuestion = "Вы действительно хотите закончить работу?"_w;

void PrepareWorkingFolder(const FolderSet& folders) {
  std::error_code ec;
  if (!fs::is_directory(folders.working, ec)) {
    ForceFolders(folders.working);
    return;
  }
  if (auto sub = FindEntryNoCase(folders.working, "Subreports")) (void)ClearFolder(WithSeparator(*sub), true);
  for (const auto& name : ListMatching(folders.working, "*")) fs::remove(folders.working + name, ec);
}

}  // namespace

bool AcquireInstance(InstanceLock& lock, std::string_view programName, Interaction& ui) {
  if (lock.Acquire(programName) != InstanceLock::State::AlreadyRunning) return true;
  ui.ShowMessage(MessageKind::Warning, kAlreadyRunning, kOk, kOk);
  return false;
}

void PrepareFolders(const FolderSet& folders, Interaction& ui, InstallationParts parts) {
  const std::pair<const std::string*, std::string> refresh[] = {
      {&folders.templates, folders.TemplatePackage()},
      {&folders.lists, folders.ListPackage()},
      {&folders.print, folders.PrintPackage()},
      {&folders.service, folders.ServicePackage()},
  };
  const std::size_t wanted = parts == InstallationParts::All ? std::size(refresh) : 2;
  for (const auto& [folder, package] : std::span(refresh, wanted)) {
    try {
      RefreshFolder(*folder, package);
    } catch (const std::exception& e) {
      ui.ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    }
  }
  PrepareWorkingFolder(folders);
}

InstallationOptions ReadInstallationOptions(const FolderSet& folders) {
  InstallationOptions o;
  o.siteAddress = SiteAddress(folders.templates);
  o.importableTables = ImportableTableCount(folders.templates);
  return o;
}

TProgramSession::TProgramSession(const FolderSet& folders, Interaction& ui, std::string programName,
                                 ReportEngine* engine, ReportView* view)
    : folders_(folders),
      ui_(ui),
      programName_(std::move(programName)),
      state_(std::make_unique<TReportState>(folders, ui, engine, view)) {}

TProgramSession::~TProgramSession() {
  if (started_) Shutdown();
}

bool TProgramSession::Lock() {
  if (!locked_) locked_ = AcquireInstance(lock_, programName_, ui_);
  return locked_;
}

bool TProgramSession::Start(bool openReport) {
  if (!Lock()) return false;
  started_ = true;
  PrepareFolders(folders_, ui_);
  state_->ReadInstallation();
  options_ = ReadInstallationOptions(folders_);
  editor_ = ChooseTextEditor();
  // Data set aside at an earlier start lives for one start more.
  if (state_->recoveryMode() != TReportState::RecoveryMode::Off) PurgeAsideRecoveries(folders_);
  if (openReport && state_->tables().empty()) state_->OpenReportFolder({});
  return true;
}

bool TProgramSession::CloseRequest() {
  if (ui_.ShowMessage(MessageKind::Confirmation, kExitQuestion, kYes | kNo) != kYes) return false;
  state_->structureWindowEnabled = false;
  if (!state_->CloseQuery()) {
    state_->structureWindowEnabled = true;
    return false;
  }
  state_->engine().ReleaseCheckRules();
  return true;
}

void TProgramSession::Shutdown() {
  if (!started_) return;
  started_ = false;
  state_->CloseAllTables();
  (void)state_->recent().Save(folders_.program);
  for (const std::string* folder :
       {&folders_.working, &folders_.templates, &folders_.lists, &folders_.print, &folders_.service})
    (void)ClearFolder(*folder, true);
  lock_.Release();
  locked_ = false;
}

}  // namespace rpt
