#include "core/report/report_state.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "core/calc/checking_engine.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/config_keys.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/text_case.h"
#include "core/foundation/interaction.h"
#include "core/archive/package.h"
#include "core/foundation/progress.h"
#include "core/report/recovery_run.h"
#include "core/report/report_folder_dialog.h"
#include "core/tables/parallel_load.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kWrongVersion = "Не та версия отчета."_w;
constexpr std::string_view kLoadingCaption = "Загрузка отчета"_w;
constexpr std::string_view kTablesLabel = "Таблицы"_w;
constexpr std::string_view kSavingCaption = "Сохранение отчета"_w;
constexpr std::string_view kSaveQuestion = "Сохранить сделанные в отчете изменения?"_w;
constexpr std::string_view kFindReport = "Поиск отчета"_w;
constexpr std::string_view kReportFilter = "Файлы отчетов (*.rpt)|*.RPT"_w;

std::string W(const std::string& utf8) { return Utf8ToCp1251(utf8); }

// "/a/b/" is inside "/a/" (or is it).
bool IsInside(const std::string& folder, const std::string& outer) {
  const std::string f = WithSeparator(folder), o = WithSeparator(outer);
  return f.compare(0, o.size(), o) == 0;
}

// The files a report folder holds of the report itself: the package and its
// backup, the colour scheme, the comparison settings, the transfer archive
// of a department's report and the report's lock file.
constexpr std::string_view kReportOwnFiles[] = {"Report.rpt", "Report.rpt$", kColorsFileName, kComparisonFileName,
                                                "Arch.rpt", kReportLockName};
// The new package a save was writing: "Report.rpt~" and a unique ending.
constexpr std::string_view kUnfinishedPackage = "Report.rpt~";
// How many of a folder's other entries the delete question names.
constexpr std::size_t kListedOthers = 20;


// The user's home folder as the environment and the password database give it.
std::vector<std::string> HomeFolders() {
  std::vector<std::string> homes;
  if (const char* home = std::getenv("HOME"); home && *home) homes.emplace_back(home);
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) homes.emplace_back(pw->pw_dir);
  return homes;
}

std::string CanonicalFolder(const std::string& folder) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(fs::path(folder), ec);
  return WithSeparator(ec ? folder : p.string());
}

}  // namespace

// --- BasicReportEngine --------------------------------------------------------

void BasicReportEngine::TableMapAdd(std::string_view fileName) {
  if (view_.map) view_.map->AddTable(fileName);
}

void BasicReportEngine::TableMapRemove(std::string_view fileName) {
  if (view_.map) view_.map->Remove(fileName);
}

// --- helpers --------------------------------------------------------------------

std::string FirstFreeFolder(const std::string& programFolder, std::string_view wordUtf8) {
  for (int n = 1;; ++n) {
    const std::string name = std::string(wordUtf8) + std::to_string(n);
    if (!FindEntryNoCase(programFolder, name)) return programFolder + name + "/";
  }
}

// --- construction -----------------------------------------------------------------

TReportState::TReportState(const FolderSet& folders, Interaction& ui, ReportEngine* engine,
                           ReportView* view)
    : folders_(folders), ui_(&ui), view_(view ? view : &defaultView_) {
  if (!engine) {
    ownEngine_ = std::make_unique<TCheckingEngine>(&ui);
    engine = ownEngine_.get();
  }
  engine_ = engine;
  context_.hooks = this;
  context_.ui = ui_;
  context_.listFolder = folders_.lists;
  context_.templateFolder = folders_.templates;
  currentFolder = folders_.program;
  previousFolder = folders_.program;
  runFolderDialog = [](TFormNewRep& dialog) { dialog.CreateAutomatically(); };
  AttachEngine();
}

TReportState::~TReportState() {
  tables_.clear();
  engine_->Attach({});
}

void TReportState::ReadInstallation() {
  const TemplateFlags flags = ReadTemplateFlags(folders_.templates);
  isSubreport = flags.isSubreport;
  subreportOnly = flags.subreportOnly;
  recent_.Load(folders_.program);
  const TableFontChoice font = ReadTableFontChoice(folders_.program);
  context_.userFontFace = font.face;
  context_.userFontSize = font.size;
}

// --- hooks ------------------------------------------------------------------------------

void TReportState::ModifiedChanged(TTable& table, bool modified) {
  engine_->ModifiedChanged(table, modified);
  if (!loading_) Notify();
}
void TReportState::ReportChanged() {
  reportChanged = true;
  engine_->ReportChanged();
}
void TReportState::RecalcTable(TTable& table, bool deep, bool withCheck) {
  engine_->RecalcTable(table, deep, withCheck);
}
void TReportState::ValueChanged(TTable& table, TCell& cell) { engine_->ValueChanged(table, cell); }
void TReportState::CheckTable(TTable& table) { engine_->CheckTable(table); }
void TReportState::TableMapAdd(std::string_view fileName) { engine_->TableMapAdd(fileName); }
void TReportState::TableMapRemove(std::string_view fileName) { engine_->TableMapRemove(fileName); }
void TReportState::RegisterTableLinks(TTable& table, std::string_view references) {
  engine_->RegisterTableLinks(table, references);
}
bool TReportState::HasRules(std::string_view tableName) { return engine_->HasRules(tableName); }
TColor TReportState::DisplayColor(TColor fileColor) { return colorScheme_.DisplayColor(fileColor); }
std::optional<TColor> TReportState::BackgroundColor() { return colorScheme_.Background(); }

std::string TReportState::ColorsFilePath() const {
  if (currentFolder.empty() || !structure) return {};
  return FindEntryNoCase(currentFolder, kColorsFileName).value_or(currentFolder + std::string(kColorsFileName));
}

void TReportState::ReloadColorScheme() {
  const std::string path = ColorsFilePath();
  colorScheme_ = path.empty() ? TColorScheme{} : ReadColorScheme(path);
}

void TReportState::ForgetStructure() {
  structure.reset();
  selectionStructure.reset();
  treeVisible = false;
}

void TReportState::AttachEngine() {
  ReportEngineView v;
  v.workingFolder = folders_.working;
  v.map = &map_;
  v.structure = structure ? &*structure : nullptr;
  v.tables.reserve(tables_.size());
  for (const auto& t : tables_) v.tables.push_back({t.table.get(), t.itemTitle});
  engine_->Attach(v);
}

void TReportState::Notify() { view_->StateChanged(*this); }

void TReportState::ShowError(std::string_view message) {
  ui_->ShowMessage(MessageKind::Error, message, kOk, kOk);
}

TReportTable* TReportState::FindTable(std::string_view fileCp1251) {
  for (auto& t : tables_)
    if (SameText(t.file, fileCp1251)) return &t;
  return nullptr;
}

void TReportState::CloseAllTables() {
  if (tables_.empty()) return;
  view_->TablesClosing();
  tables_.clear();
  AttachEngine();
}

// --- report-wide --------------------------------------------------------------------

void TReportState::RecalcAllTables() { engine_->RecalcAllTables(); }

void TReportState::RefreshStatuses() {
  engine_->RefreshStatuses();
  Notify();
}

bool TReportState::VersionIsCurrent(const std::string& folder) {
  return VersionOf(folder) == kVersionThisYear;
}

bool TReportState::IsModified() const {
  if (documentOpened || reportChanged) return true;
  for (const auto& t : tables_)
    if (t.table->Modified()) return true;
  return false;
}

void TReportState::DiscardChanges() {
  for (auto& t : tables_) t.table->SetModified(false);
  documentOpened = false;
}

void TReportState::RememberFolder(const std::string& folder) {
  recent_.Remember(folder, folders_.templates);
}

// --- open and load ----------------------------------------------------------------

void TReportState::OpenReportFolder(const std::string& folder) {
  const std::string f = folder.empty() ? folder : WithSeparator(folder);
  if (f.empty() || HoldsReport(f)) {
    view_->MinimiseTablesFrame();
    ForgetStructure();
    structureEditing = false;
    LoadReport(f);
  } else {
    ShowError(std::string("Папка "_w) + W(f) + std::string(" отсутствует или не содержит "_w) + std::string("отчет"_w) + std::string("а."_w));
    recent_.Remove(f);
    currentFolder = folders_.program;
  }
  Notify();
}

std::string TReportState::CreateAutomaticFolder() {
  const std::string folder =
      FirstFreeFolder(folders_.program, Cp1251ToUtf8(ReportWord(isSubreport, true)));
  if (!ForceFolders(folder)) throw EFileError("Cannot create folder \"" + W(folder) + "\"");
  CopyFile(folders_.TemplatePackage(), folder + std::string(kReportPackageName));
  return folder;
}

void TReportState::BeginLoad() {
  // Nothing of the previous report stays open while the next one loads.
  structureWindowEnabled = false;
  documentOpened = false;
  CloseAllTables();
  tablesFrameEnabled = false;
  map_.Clear();
  loading_ = true;
  Notify();
}

void TReportState::EndLoad() {
  // Whatever the outcome, the windows are usable again afterwards.
  loading_ = false;
  structureWindowEnabled = true;
  tablesFrameEnabled = !tables_.empty() && !structureEditing;
  headerFooterViews = true;
  reportChanged = false;
  Notify();
}

void TReportState::LoadFailed(std::string_view message) {
  // Leaves no report open and the windows usable.
  lock_.Release();
  ShowError(message);
  ForgetStructure();
  currentFolder = folders_.program;
  EndLoad();
}

void TReportState::LoadReport(const std::string& folder) {
  const bool reloadOfWorking = !folder.empty() && WithSeparator(folder) == folders_.working;
  BeginLoad();

  // No folder given: the last report used, or else a new one made from the
  // blank report. The folder's package is then unpacked into the working folder.
  std::string f = folder.empty() ? folder : WithSeparator(folder);
  std::optional<RecoveryManifest> restore;
  // The tables start loading while the package is still being unpacked.
  tables::TablePreloader ahead(context_);
  try {
    if (f.empty()) {
      recent_.Purge();
      f = recent_.empty() ? CreateAutomaticFolder() : recent_.entries().front();
    }
    // The lock comes first: nothing of the report is read while another
    // program may be writing it, and a report another program has open is
    // not opened here, where its changes could overwrite the other's.
    if (reloadOfWorking || !lockReports) {
      lock_.Release();
    } else if (!lock_.held() || lock_.folder() != f) {
      TReportLock lock;
      if (lock.Acquire(f, lockWaitMs) == TReportLock::Result::Busy) {
        LoadFailed(ReportBusyMessage(f, lock.holder()));
        return;
      }
      lock_ = std::move(lock);  // the previous report's lock goes
    }
    currentFolder = f;
    // What a crash left of the report's unsaved changes is offered before
    // anything is read.
    if (!reloadOfWorking) restore = OfferRecovery(f);
    const auto package = FindEntryNoCase(f, kReportPackageName);
    // A link to nothing would be unpacked as nothing and then taken for a
    // report of another version.
    if (package && fs::is_symlink(fs::symlink_status(*package)) && !fs::exists(*package)) {
      std::error_code ec;
      const fs::path target = fs::read_symlink(*package, ec);
      LoadFailed(std::string("Файл отчета \""_w) + W(*package) +
                 std::string("\" является ссылкой на несуществующий файл \""_w) + W(target.string()) + "\".");
      return;
    }
    RefreshFolder(folders_.working, package ? *package : f + std::string(kReportPackageName),
                  [&ahead](const std::string& path) { ahead.Offer(path); });
    if (restore) {
      ahead.Discard();  // the recovered tables replace some of the files
      if (const std::string error = CopyRecoveredTables(*restore, recovery_->restoredFrom, folders_.working);
          !error.empty()) {
        // The report opens as saved; the data stays where it is.
        restore.reset();
        recovery_->restoredFrom.clear();
        ShowError(std::string("Несохраненные изменения не восстановлены: "_w) + Utf8ToCp1251(error));
        RefreshFolder(folders_.working, package ? *package : f + std::string(kReportPackageName));
      }
    }
  } catch (const std::exception& e) {
    LoadFailed(ErrorMessage(e));
    return;
  }
  const ReadOutcome outcome = ReadWorkingFolder(f, false, &ahead);
  if (restore && outcome != ReadOutcome::Read) {
    // The recovered tables do not read: they are set aside and the report
    // opens as it was saved.
    const std::string folderRestored = recovery_->restoredFrom;
    recovery_->restoredFrom.clear();
    std::string message("Несохраненные изменения не восстановлены: таблицы из них не читаются."_w);
    if (folderRestored == recovery_->folder) {
      if (const std::string aside = SetRecoveryAside(folderRestored, "таблицы из них не читаются"_w); !aside.empty())
        message += std::string("\r\nОни отложены в папку \""_w) + W(aside) + "\".";
    }
    ShowError(message);
    // Loaded again without them, and without looking for them again.
    const RecoveryMode mode = recoveryMode_;
    recoveryMode_ = RecoveryMode::Off;
    LoadReport(f);
    recoveryMode_ = mode;
    RecoveryOpened(std::nullopt);
    return;
  }
  switch (outcome) {
    case ReadOutcome::Read:
      EndLoad();
      RecoveryOpened(restore);
      break;
    case ReadOutcome::TableMissing:
      TablesMissing();
      break;
    case ReadOutcome::Failed:
      if (reloadOfWorking) {
        // The working folder itself failed: it was emptied above; stop here
        // instead of reloading for ever.
        ShowError(kWrongVersion);
        EndLoad();
      } else {
        // The user has learnt what is wrong; the working folder is read
        // again as it now is.
        LoadReport(folders_.working);
      }
      break;
  }
}

void TReportState::TablesMissing() {
  // The tables loaded so far stay open, without the tree.
  loading_ = false;
  treeVisible = false;
  structureWindowEnabled = true;
  tablesFrameEnabled = true;
  Notify();
}

void TReportState::ReadUnpackedReport() {
  lock_.Release();
  BeginLoad();
  currentFolder = folders_.working;
  if (ReadWorkingFolder(folders_.working, true) == ReadOutcome::TableMissing)
    TablesMissing();
  else
    EndLoad();
}

TReportState::ReadOutcome TReportState::ReadWorkingFolder(const std::string& reportFolder, bool inPlace,
                                                          tables::TablePreloader* ahead) {
  // A report of another version is not opened.
  if (!VersionIsCurrent(folders_.working)) {
    lock_.Release();
    ShowError(kWrongVersion);
    ForgetStructure();
    return ReadOutcome::Read;
  }

  TFormProgressD progress(ui_);
  try {
    // The check rules and the structure (with the sub-reports it includes).
    if (!rulesOpened_) {
      engine_->OpenCheckRules(FindEntryNoCase(folders_.templates, kCheckRulesFileName)
                                  .value_or(folders_.templates + std::string(kCheckRulesFileName)));
      rulesOpened_ = true;
    }
    const auto path = FindStructureFile(folders_.working);
    if (!path) throw ECoreError(kWrongVersion);
    SubreportLoading sub{folders_.working, [](const std::string& p, const std::string& d) {
                           UnpackPackage(p, d);
                         }};
    // A folder read in place is never written to: its included sub-reports
    // stay packed.
    structure = ReadStructure(*path, inPlace ? nullptr : &sub);
    selectionStructure = ReadStructure(*path);
    if (!structure || !selectionStructure) throw ECoreError(kWrongVersion);
    CheckStructureFiles(*structure, *path);
    isSubreport = structure->isSubreport;
    caption = std::string(isSubreport ? "Подготовка подотчета: "_w : "Подготовка отчета: "_w) + W(reportFolder);
    treeVisible = true;
    AttachEngine();
    // The scheme the tables are shown in: the report folder's, not the
    // working folder's (it is no part of the package).
    colorScheme_ = ReadColorScheme(
        FindEntryNoCase(reportFolder, kColorsFileName).value_or(reportFolder + std::string(kColorsFileName)));

    if (!LoadTables(progress, ahead)) return ReadOutcome::TableMissing;
    // The engine learns the tables once they are all loaded: a table's
    // loading needs only the map, which it fills itself.
    AttachEngine();
    view_->TablesLoaded(*this);
    // A formula that fails is shown for its cell and the load goes on:
    // one bad formula must not make every report of the template unopenable.
    engine_->RecalcAllTablesKeepGoing();
    engine_->RefreshStatuses();
    progress.Finish();
    RememberFolder(reportFolder);
  } catch (const std::exception& e) {
    // The user learns what is wrong before the general message.
    progress.Finish();
    ShowError(ErrorMessage(e));
    CloseAllTables();
    ForgetStructure();
    return ReadOutcome::Failed;
  }
  return ReadOutcome::Read;
}

bool TReportState::LoadTables(TFormProgressD& progress, tables::TablePreloader* ahead) {
  // Every table of a section and item not left out; a missing table file
  // stops the load with the tables before it loaded and open.
  std::vector<std::string> files;
  std::vector<const StructureItem*> tableItems;
  std::string missing;
  for (const auto& section : structure->sections) {
    if (section.excluded) continue;
    for (const auto& item : section.items) {
      if (item.excluded || item.kind != ItemKind::Table) continue;
      const std::string name = Cp1251ToUtf8(item.file);
      const auto file = name.empty() ? std::nullopt : FindEntryNoCase(folders_.working, name);
      if (!file || !fs::is_regular_file(*file)) {
        missing = name;
        break;
      }
      files.push_back(*file);
      tableItems.push_back(&item);
    }
    if (!missing.empty()) break;
  }

  // The progress steps item by item and section by section as the tables
  // come in, in report order.
  progress.Start(static_cast<int>(structure->sections.size()), 0, kLoadingCaption, false, true, kTablesLabel);
  std::size_t sectionAt = 0, itemAt = 0;
  bool sectionStarted = false;
  // Steps the progress over every item before `until` (null: to the end).
  const auto stepTo = [&](const StructureItem* until) {
    for (; sectionAt < structure->sections.size(); ++sectionAt, itemAt = 0, sectionStarted = false) {
      const auto& section = structure->sections[sectionAt];
      if (!section.excluded) {
        if (!sectionStarted) progress.ResetSecond(static_cast<int>(section.items.size()), {});
        sectionStarted = true;
        for (; itemAt < section.items.size(); ++itemAt) {
          if (&section.items[itemAt] == until) return;
          progress.StepSecond();
        }
      }
      progress.StepFirst();
    }
  };
  tables::LoadTableFiles(context_, files, [&](std::size_t i, std::unique_ptr<TTable> table) {
    stepTo(tableItems[i]);
    TReportTable entry;
    entry.caption = table->title;
    entry.itemTitle = tableItems[i]->title;
    entry.file = tableItems[i]->file;
    entry.table = std::move(table);
    tables_.push_back(std::move(entry));
    progress.StepSecond();
    ++itemAt;
  }, 0, ahead);
  if (!missing.empty()) {
    progress.Finish();
    loading_ = false;
    ShowError(std::string("Отсутствует таблица \""_w) + W(folders_.working + missing) +
              std::string("\".\r\nЗагрузка отчета прекращена."_w));
    AttachEngine();  // the tables loaded so far stay open
    return false;
  }
  stepTo(nullptr);
  return true;
}

// --- save -------------------------------------------------------------------------------

bool TReportState::SaveAndPack(bool always) {
  (void)always;
  structureWindowEnabled = false;
  Notify();
  bool ok = true;
  {
    TFormProgress progress(ui_);
    progress.Start(static_cast<int>(tables_.size()), kSavingCaption, false);
    try {
      engine_->RecalcAllTablesKeepGoing();
      for (auto& t : tables_) {
        progress.Step();
        if (t.table->Modified()) t.table->SaveToFile(t.table->filePath, false);
      }
    } catch (const std::exception& e) {
      // A table that could not be written keeps its mark, and the package
      // keeps the last complete state of the report.
      progress.Finish();
      ShowError(ErrorMessage(e));
      ok = false;
    }
  }
  if (ok) {
    const auto package = FindEntryNoCase(currentFolder, kReportPackageName);
    ok = PackFolder(*ui_, folders_.working + "*",
                    package ? *package : currentFolder + std::string(kReportPackageName), true, false);
  }
  if (ok) {
    documentOpened = false;
    reportChanged = false;
    DropRecovery();
  }
  structureWindowEnabled = true;
  Notify();
  return ok;
}

bool TReportState::Save() {
  if (!IsModified()) return false;
  return SaveAndPack(false);
}

bool TReportState::SaveAs() {
  if (!treeVisible) return false;  // no report is open
  if (structureEditing) EndStructureEditing();
  if (!SaveAndPack(true)) return false;
  previousFolder = currentFolder;
  if (AskFolder(*this, FolderDialogMode::SaveAs) == FolderDialogResult::Created) {
    treeVisible = false;
    structureEditing = false;
    OpenReportFolder(currentFolder);
    return true;
  }
  currentFolder = previousFolder;
  Notify();
  return false;
}

// --- new, open, delete --------------------------------------------------------------------

bool TReportState::NewReport() {
  if (structureEditing) EndStructureEditing();
  if (!CloseQuery()) return false;
  const bool keepSub = isSubreport;
  const std::string keepCurrent = currentFolder, keepPrevious = previousFolder;
  isSubreport = subreportOnly;
  previousFolder = folders_.templates;
  bool created = false;
  if (AskFolder(*this, FolderDialogMode::NewReport) == FolderDialogResult::Created) {
    treeVisible = false;
    structureEditing = false;
    OpenReportFolder(currentFolder);
    created = true;
  } else {
    isSubreport = keepSub;
    currentFolder = keepCurrent;
    previousFolder = keepPrevious;
  }
  Notify();
  view_->BringToFront();
  return created;
}

void TReportState::Open() {
  if (!CloseQuery()) return;
  const auto file = ui_->ChooseOpenFile(kFindReport, kReportFilter, folders_.program);
  if (!file || file->empty()) return;
  const fs::path parent = fs::path(*file).parent_path();
  OpenReportFolder(WithSeparator(parent.empty() ? "." : parent.string()));
}

bool TReportState::OpenExample() {
  if (!CloseQuery()) return false;
  const std::string package = folders_.ExamplePackage();
  if (!fs::is_regular_file(package)) {
    ShowError(std::string("Пример отчета не установлен: нет файла "_w) + W(package) + ".");
    return false;
  }
  std::string folder;
  for (int n = 1; folder.empty(); ++n) {
    const std::string name = n == 1 ? "Пример" : "Пример " + std::to_string(n);
    std::error_code ec;
    if (!fs::exists(folders_.program + name, ec)) folder = folders_.program + name + "/";
  }
  try {
    fs::create_directories(folder);
    CopyFile(package, folder + std::string(kReportPackageName));
  } catch (const std::exception& e) {
    ShowError(ErrorMessage(e));
    return false;
  }
  OpenReportFolder(folder);
  return treeVisible && currentFolder == folder;
}

bool TReportState::DeleteReport() {
  // Only an open report's own folder is ever deleted.
  if (!treeVisible || structureEditing) return false;
  const std::string former = currentFolder;
  // A report kept in a folder that also holds the program, its data or the
  // user's home is never deleted from there: one slip would take far more
  // than the report with it.
  if (const std::string_view reason = DeleteRefusal(former); !reason.empty()) {
    ShowError(std::string(ReportWord(isSubreport, true)) + std::string(" нельзя удалить: папка "_w) + W(former) +
              " " + std::string(reason) + ".");
    return false;
  }
  // Only the report's own files go; anything else the folder holds stays,
  // and the user is told so before answering.
  std::vector<std::string> own, others;
  for (const std::string& name : FolderEntries(former)) {
    const bool isFolder = name.back() == '/';
    const bool mine = !isFolder && (std::any_of(std::begin(kReportOwnFiles), std::end(kReportOwnFiles),
                                                [&](std::string_view f) { return SameFileName(name, f); }) ||
                                    name.compare(0, kUnfinishedPackage.size(), kUnfinishedPackage) == 0);
    (mine ? own : others).push_back(name);
  }
  std::string question = std::string("Вы действительно хотите удалить "_w) +
                         std::string(ReportWord(isSubreport, false)) + std::string(" из папки "_w) + W(former) + "?";
  if (!others.empty()) {
    question += std::string("\r\nКроме файлов "_w) + std::string(ReportWord(isSubreport, false)) +
                std::string("а в папке есть:"_w);
    const std::size_t shown = std::min(others.size(), kListedOthers);
    for (std::size_t i = 0; i < shown; ++i) question += "\r\n" + W(others[i]);
    if (others.size() > shown) question += std::string("\r\nи еще "_w) + std::to_string(others.size() - shown);
    question += std::string("\r\nОни не будут удалены."_w);
  }
  if (ui_->ShowMessage(MessageKind::Confirmation, question, kYes | kNo) != kYes) return false;
  view_->MinimiseTablesFrame();
  CloseAllTables();
  ForgetStructure();
  currentFolder = folders_.program;
  std::error_code ec;
  const std::string cwd = WithSeparator(fs::current_path(ec).string());
  if (!ec && IsInside(cwd, CanonicalFolder(former))) {
    if (::chdir(folders_.program.c_str()) != 0) {
      // Deleting proceeds; the folder then stays as the process's current one.
    }
  }
  lock_.Release();  // its file goes with the report's other files
  DropRecovery();
  const std::string failure = DeleteFilesThenFolder(former, own);
  recent_.Remove(former);
  structureEditing = false;
  if (!failure.empty()) ShowError(failure);
  Notify();
  return failure.empty();
}

std::string_view TReportState::DeleteRefusal(const std::string& folder) const {
  if (IsFileSystemRoot(folder)) return "является корневой папкой файловой системы"_w;
  if (FolderHolds(folder, folders_.program)) return "является папкой программы или содержит ее"_w;
  if (FolderHolds(folder, folders_.data) || FolderHolds(folder, folders_.installData))
    return "является папкой данных программы или содержит ее"_w;
  for (const std::string& home : HomeFolders())
    if (FolderHolds(folder, home)) return "является домашней папкой пользователя или содержит ее"_w;
  return {};
}

bool TReportState::CloseQuery() {
  if (structureEditing) EndStructureEditing();
  if (tables_.empty()) return true;
  if (IsModified() && ui_->ShowMessage(MessageKind::Confirmation, kSaveQuestion, kYes | kNo) == kYes) {
    const bool ok = Save();
    RememberFolder(currentFolder);
    return ok;
  }
  // A deliberate "Нет": what was kept for a crash goes too.
  DiscardChanges();
  DropRecovery();
  RememberFolder(currentFolder);
  return true;
}

bool TReportState::EndStructureEditing() {
  if (!((structureEditing && structureChanged) || (isSubreport && !subreportOnly))) return true;
  const auto package = FindEntryNoCase(currentFolder, kReportPackageName);
  return PackFolder(*ui_, folders_.working + "*",
                    package ? *package : currentFolder + std::string(kReportPackageName), true, false);
}

void TReportState::ChooseRecent(const std::string& chosen) {
  if (!CloseQuery()) return;
  const std::string entry = WithSeparator(chosen);
  if (entry == WithSeparator(folders_.templates)) {
    recent_.Remove(entry);
    ui_->ShowMessage(MessageKind::Warning,
                     std::string("Папка \""_w) + W(entry) + std::string("\" является служебной. "_w) +
                         std::string("Редактирование данных в ней запрещено."_w),
                     kOk, kOk);
    Notify();
    return;
  }
  OpenReportFolder(entry);
}

}  // namespace rpt
