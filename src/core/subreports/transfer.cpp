#include "core/subreports/transfer.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "core/archive/package.h"
#include "core/calc/structure.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/text_case.h"
#include "core/report/report_state.h"
#include "core/tables/ini_snapshot.h"
#include "core/tables/table_model.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kAskFolder = "Укажите папку для записи данных передаваемого подотчета."_w;
constexpr std::string_view kFolderCaption = "Укажите место для записи данных"_w;
constexpr std::string_view kNoResources =
    "Для создания архива не хватает системных ресурсов. Перезагрузите программу и снова выполните команду "
    "передачи подотчета."_w;
constexpr std::string_view kFindReceived = "Найдите принимаемый подотчет."_w;
constexpr std::string_view kFindReport = "Поиск отчета"_w;
constexpr std::string_view kReportFilter = "Файлы отчетов (*.rpt)|*.RPT"_w;
constexpr std::string_view kReceptionFolderCaption = "Укажите папку для записи принимаемого подотчета"_w;
constexpr std::string_view kManualNames[] = {"Руководство пользователя.rtf", "Руководство пользователя.doc"};

std::string S(std::string_view s) { return std::string(s); }
std::string Quoted(const std::string& utf8) { return "\"" + Utf8ToCp1251(utf8) + "\""; }

void ShowError(TReportState& state, std::string_view text) {
  state.ui().ShowMessage(MessageKind::Error, text, kOk, kOk);
}

void Copy(const std::string& source, const std::string& target) { CopyFile(source, target); }

// The file of `folder` named `name` (letter case ignored), when it exists.
std::optional<std::string> Entry(const std::string& folder, std::string_view name) {
  return FindEntryNoCase(folder, name);
}

// A name of a file in one folder: no folder part, not "." or "..". Names
// read from a structure or table file are used only when they are such, so
// that no file from elsewhere ever goes into a package.
bool PlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string_view::npos;
}

// The value lists named by the list cells (Type 6) of a table file: the first
// word of each "List".
void CollectLists(const std::string& tableFile, std::map<std::string, std::string>& lists) {
  const auto ini = tables::IniSnapshot::FromFile(tableFile);
  const std::int64_t count = ini.Get("Table").ReadInteger("Count", 0);
  tables::IniSnapshot::Section sec;
  for (std::int64_t n = 2; n <= count + 1; ++n) {
    ini.Select("Cell_" + std::to_string(n), sec);
    if (sec.ReadInteger("Type", 0) != cell_type::kListValue) continue;
    const std::string name = NthWord(sec.ReadString("List", ""), 1);
    if (PlainName(name)) lists.emplace(FoldCase(name), name);
  }
}

// The HTML help with its pictures and pages, plain files only: a link
// inside is not followed out of the folder.
void CopyHelpFolder(const std::string& from, const std::string& to) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_symlink() || !it->is_regular_file()) continue;
    Copy(it->path().string(), to + fs::relative(it->path(), from).string());
  }
  if (ec) throw EFileError(S("Не удается прочитать папку "_w) + Quoted(from));
}

// Leaving the current work: the structure written back, the save question.
bool LeaveCurrentWork(TReportState& state) { return state.CloseQuery(); }

}  // namespace

void BuildStagingFolder(const TransferSources& src, const std::string& staging) {
  const std::string tabIni = staging + "TabIni/", tabLst = staging + "TabLst/", printDocs = staging + "PrintDocs/";
  for (const auto& f : {tabIni, tabLst, printDocs})
    if (!ForceFolders(f)) throw EFileError(S("Не удается создать папку "_w) + Quoted(f));

  for (const auto exe : kProgramExecutables)
    if (const auto path = Entry(src.executableFolder, exe); path && fs::is_regular_file(*path))
      Copy(*path, staging + std::string(exe));
  [&] {
    for (const std::string& folder : {src.programFolder, src.installFolder})
      for (const auto manual : kManualNames)
        if (const auto path = Entry(folder + "Doc/", manual)) {
          Copy(*path, staging + "Doc/" + std::string(manual));
          return;
        }
  }();

  const auto structurePath = FindStructureFile(src.workingFolder);
  const auto model = structurePath ? ReadStructure(*structurePath) : std::nullopt;
  if (!model) throw EFileError("Не найден файл описания структуры подотчета."_w);
  std::map<std::string, std::string> lists;  // folded name -> name
  for (const auto& section : model->sections)
    for (const auto& item : section.items) {
      if (item.excluded || section.excluded || !PlainName(item.file)) continue;
      const std::string name = Cp1251ToUtf8(item.file);
      auto path = Entry(src.workingFolder, name);
      if (!path) path = Entry(src.templateFolder, name);
      if (!path) continue;
      const std::string target = tabIni + fs::path(*path).filename().string();
      Copy(*path, target);
      if (item.kind == ItemKind::Table) CollectLists(target, lists);
    }
  for (const auto name : {kCheckRulesFileName, kInstructionsFileName})
    if (const auto path = Entry(src.templateFolder, name)) Copy(*path, tabIni + fs::path(*path).filename().string());
  const std::string structureCopy = tabIni + fs::path(*structurePath).filename().string();
  Copy(*structurePath, structureCopy);
  if (const std::string why = WriteSubreportOnly(structureCopy, true); !why.empty()) throw EFileError(why);

  for (const auto& [folded, list] : lists)
    if (const auto path = Entry(src.listFolder, Cp1251ToUtf8(list)))
      Copy(*path, tabLst + fs::path(*path).filename().string());
  for (const auto& name : ListMatching(src.printFolder, "*")) Copy(src.printFolder + name, printDocs + name);
  for (const auto& name : ListMatching(src.programFolder + "Help/", "*.chm"))
    Copy(src.programFolder + "Help/" + name, staging + "Help/" + name);
  for (const std::string& folder : {src.programFolder, src.installFolder})
    if (FolderExists(folder + "Help/html/")) {
      CopyHelpFolder(folder + "Help/html/", staging + "Help/html/");
      break;
    }
}

bool PackStagingFolder(TReportState& state, const std::string& staging, const std::string& archive) {
  const std::pair<const char*, std::string_view> inner[] = {
      {"TabIni/", kTemplatePackageName}, {"TabLst/", kListPackageName}, {"PrintDocs/", kPrintPackageName}};
  for (const auto& [folder, package] : inner) {
    const std::string path = staging + folder;
    if (!FolderExists(path)) continue;
    if (!PackFolder(state.ui(), path + "*", staging + std::string(package), true, false)) return false;
    if (!ClearFolder(path, /*removeFolder=*/true)) return false;
  }
  return PackFolder(state.ui(), staging + "*", archive, false, true);
}

void WriteSetupFile(const std::string& stub, const std::string& archive, const std::string& setup) {
  std::ifstream stubIn(stub, std::ios::binary), archiveIn(archive, std::ios::binary);
  if (!stubIn) throw EFileError(S("Отсутствует файл "_w) + Quoted(stub));
  if (!archiveIn) throw EFileError(S("Отсутствует файл "_w) + Quoted(archive));
  std::ofstream out(setup, std::ios::binary | std::ios::trunc);
  out << stubIn.rdbuf();
  out.write(kTransferSeparator.data(), static_cast<std::streamsize>(kTransferSeparator.size()));
  out << archiveIn.rdbuf();
  out.flush();
  if (!out) throw EFileError(S("Не удается записать файл "_w) + Quoted(setup));
  out.close();
  ::chmod(setup.c_str(), 0755);
}

std::optional<std::string> TransferSubreportTo(TReportState& state, const std::string& chosenIn,
                                               const std::string& executableFolder) {
  Interaction& ui = state.ui();
  const std::string chosen = WithSeparator(chosenIn);
  // The program's own data folder is emptied and refilled at every start.
  if (chosen.find(state.folders().program + "Help/Data") != std::string::npos ||
      FolderHolds(state.folders().data, chosen)) {
    ui.ShowMessage(MessageKind::Warning,
                   S("Папку "_w) + Quoted(chosen) + S(" для записи данных использовать нельзя."_w), kOk, kOk);
    return std::nullopt;
  }
  if (!LeaveCurrentWork(state)) return std::nullopt;

  TransferSources sources;
  sources.workingFolder = state.folders().working;
  sources.templateFolder = state.folders().templates;
  sources.listFolder = state.folders().lists;
  sources.printFolder = state.folders().print;
  sources.programFolder = state.folders().program;
  sources.installFolder = state.folders().installData;
  if (sources.installFolder.ends_with("Help/Data/"))
    sources.installFolder.resize(sources.installFolder.size() - std::string_view("Help/Data/").size());
  sources.executableFolder = WithSeparator(executableFolder);

  std::string setup;
  std::optional<PrivateTempFolder> area;
  try {
    area.emplace("transfer", "Не удается создать папку"_w);
    const std::string staging = area->path() + "Подотчет/";
    BuildStagingFolder(sources, staging);
    const std::string archive = area->path() + std::string(kTransferArchiveName);
    if (!PackStagingFolder(state, staging, archive)) {
      ShowError(state, kNoResources);
      return std::nullopt;
    }
    const auto stub = Entry(state.folders().service, kSelfExtractorStubName);
    setup = area->path() + std::string(kTransferPackageName);
    WriteSetupFile(stub.value_or(state.folders().service + std::string(kSelfExtractorStubName)), archive, setup);
  } catch (const std::exception& e) {
    // A file that could not be copied or written names itself.
    ShowError(state, ErrorMessage(e));
    return std::nullopt;
  }

  const std::string destination =
      chosen + LastFolderComponent(state.currentFolder) + Cp1251ToUtf8(" (для передачи)/"_w);
  try {
    if (!ForceFolders(destination)) throw EFileError(S("Не удается создать папку "_w) + Quoted(destination));
    CopyFile(setup, destination + std::string(kTransferPackageName));
  } catch (const std::exception&) {
    ShowError(state, S("Записать подотчет в папку "_w) + Quoted(destination) + S(" не удалось."_w));
    return std::nullopt;
  }
  ui.ShowMessage(MessageKind::Information, S("Запись подотчета в папку "_w) + Quoted(destination) + S(" закончена."_w),
                 kOk, kOk);
  return destination;
}

std::optional<std::string> TransferSubreport(TReportState& state, const std::string& executableFolder) {
  Interaction& ui = state.ui();
  if (ui.ShowMessage(MessageKind::Confirmation, kAskFolder, kOk | kCancel, kOk) != kOk) return std::nullopt;
  const auto chosen = ui.ChooseFolder(kFolderCaption, state.folders().program);
  if (!chosen || chosen->empty()) return std::nullopt;
  return TransferSubreportTo(state, *chosen, executableFolder);
}

std::optional<std::string> ReceiveSubreportFrom(TReportState& state, const std::string& package) {
  Interaction& ui = state.ui();
  if (!LeaveCurrentWork(state)) return std::nullopt;
  const std::string reception = state.folders().reception;
  std::string recorded;
  try {
    if (!ClearFolder(reception, /*removeFolder=*/false) || !ForceFolders(reception))
      throw EFileError(S("Не удается очистить папку "_w) + Quoted(reception));
    UnpackPackage(package, reception);
    if (const auto structure = FindStructureFile(reception)) {
      {
        TMyIniFile ini(*structure);
        recorded = ini.ReadString("Отчет"_w, "Папка"_w, "");
        ini.DiscardChanges();
      }
      if (!recorded.empty())
        if (const std::string why = WriteSubreportOnly(*structure, false); !why.empty()) throw EFileError(why);
    }
  } catch (const std::exception& e) {
    ShowError(state, ErrorMessage(e));
    return std::nullopt;
  }
  if (recorded.empty()) {
    const fs::path parent = fs::path(package).parent_path();
    ShowError(state, S("Папка "_w) + Quoted(WithSeparator(parent.string())) + S(" подотчета не содержит."_w));
    (void)ClearFolder(reception, false);
    return std::nullopt;
  }
  std::string destination = StoredFolderToPath(recorded);
  const Button answer =
      ui.ShowMessage(MessageKind::Confirmation, S("Записать принимаемый подотчет в папку "_w) + recorded + "?",
                     kYes | kNo | kCancel, kYes);
  if (answer == kNo) {
    const auto chosen = ui.ChooseFolder(kReceptionFolderCaption, state.folders().program);
    if (!chosen || chosen->empty()) return std::nullopt;
    destination = WithSeparator(*chosen);
  } else if (answer != kYes) {
    return std::nullopt;
  }
  if (!ForceFolders(destination)) {
    ShowError(state, S("Не удается создать папку "_w) + Quoted(destination));
    return std::nullopt;
  }
  const auto existing = Entry(destination, kReportPackageName);
  if (!PackFolder(ui, reception + "*", existing.value_or(destination + std::string(kReportPackageName)), true, false))
    return std::nullopt;
  (void)ClearFolder(reception, false);
  ui.ShowMessage(MessageKind::Information, S("Подотчет записан в папку "_w) + Quoted(destination) + ".", kOk, kOk);
  state.structureEditing = false;
  state.structureChanged = false;
  state.currentFolder = destination;
  state.OpenReportFolder(destination);
  return destination;
}

std::optional<std::string> ReceiveSubreport(TReportState& state) {
  Interaction& ui = state.ui();
  if (ui.ShowMessage(MessageKind::Confirmation, kFindReceived, kOk | kCancel, kOk) != kOk) return std::nullopt;
  const auto file = ui.ChooseOpenFile(kFindReport, kReportFilter, state.folders().program);
  if (!file || file->empty()) return std::nullopt;
  return ReceiveSubreportFrom(state, *file);
}

}  // namespace rpt
