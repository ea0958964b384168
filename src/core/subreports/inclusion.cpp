#include "core/subreports/inclusion.h"

#include <algorithm>
#include <filesystem>

#include "core/calc/checking_engine.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/foundation/text_case.h"
#include "core/archive/package.h"
#include "core/foundation/progress.h"
#include "core/report/report_state.h"
#include "core/calc/structure.h"
#include "core/subreports/combine.h"
#include "core/tables/table.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kChooseSubreport =
    "Необходимо выбрать подотчет, который Вы хотите присоединить к открытому отчету."_w;
constexpr std::string_view kFindSubreport = "Поиск подотчета"_w;
constexpr std::string_view kSubreportFilter = "Файлы подотчетов (*.rpt)|*.RPT"_w;
constexpr std::string_view kAlreadyIncluded = "Отчет уже содержит выбранный Вами подотчет."_w;
constexpr std::string_view kNotThisYear = "Выбранный подотчет не этого года."_w;
constexpr std::string_view kNoStructure = "Не найден файл описания структуры подотчета."_w;
constexpr std::string_view kIncludingCaption = "Включение подотчета в отчет."_w;
constexpr std::string_view kRemovingCaption = "Удаление данных подотчета."_w;
constexpr std::string_view kIncludeFailed =
    "При включении подотчета возникла ошибка. Осуществляется восстановление данных отчета."_w;
constexpr std::string_view kRemoveFailed =
    "При удалении данных подотчета возникла ошибка. Осуществляется восстановление данных отчета."_w;
constexpr std::string_view kRestored = "Данные отчета восстановлены."_w;
constexpr std::string_view kPackageName = "Report.rpt";

std::string S(std::string_view s) { return std::string(s); }
std::string W(const std::string& utf8) { return Utf8ToCp1251(utf8); }

std::string Quoted(const std::string& utf8) {
  std::string out(1, '"');
  out += W(utf8);
  out += '"';
  return out;
}

std::string NotASubreport(const std::string& packagePath) {
  return S("Файл "_w) + Quoted(packagePath) + S(" не является подотчетом."_w);
}


std::string WithoutSeparator(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// "Отчет не содержит подотчет \"F\"."
std::string NotListed(const std::string& folder) {
  std::string text = S("Отчет не содержит подотчет "_w);
  text += Quoted(folder);
  text += '.';
  return text;
}

void DeleteCopy(const std::string& copy) { (void)ClearFolder(copy, /*removeFolder=*/true); }

}  // namespace

std::string WorkingCopyOf(const std::string& workingFolder, const std::string& subreportFolder) {
  return WithSeparator(workingFolder) + "Subreports/" + LastFolderComponent(subreportFolder) + "/";
}

std::string StoredSubreportFolder(const std::string& folder) { return W(WithSeparator(folder)); }

// --- checks -------------------------------------------------------------------------

bool TSubreportInclusion::AlreadyIncluded(const std::string& folder) {
  const auto path = FindStructureFile(state_.folders().working);
  const std::string text = path ? ReadWholeFile(*path).value_or("") : std::string();
  const std::string stored = StoredSubreportFolder(folder);
  const std::string last = W(LastFolderComponent(folder));
  if (text.find(stored) != std::string::npos || text.find("\\" + last + "\\") != std::string::npos ||
      text.find("/" + last + "/") != std::string::npos) {
    state_.ui().ShowMessage(MessageKind::Information, kAlreadyIncluded, kOk, kOk);
    return true;
  }
  return false;
}

TSubreportInclusion::Verdict TSubreportInclusion::PrepareInclusion(const std::string& folder, bool& copyCreated) {
  Interaction& ui = state_.ui();
  const std::string copy = WorkingCopyOf(state_.folders().working, folder);
  const std::string packagePath = folder + std::string(kPackageName);
  copyCreated = !FolderExists(copy);
  try {
    if (!copyCreated && !ClearFolder(copy, /*removeFolder=*/false))
      throw EFileError(S("Не удается очистить папку "_w) + Quoted(copy));
    if (!ForceFolders(copy)) throw EFileError(S("Не удается создать папку "_w) + Quoted(copy));
    const auto package = FindEntryNoCase(folder, kPackageName);
    if (!package) throw EFileError(S("Отсутствует файл "_w) + Quoted(packagePath));
    UnpackPackage(*package, copy);
  } catch (const std::exception& e) {
    DeleteCopy(copy);
    ui.ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    return Verdict::Refused;
  }
  // A sub-report without a structure file would otherwise end the command
  // without a word.
  const auto str = FindStructureFile(copy);
  std::string_view refusal;
  std::string text;
  if (!str) {
    refusal = kNoStructure;
  } else if (!IsSubreport(copy)) {
    text = NotASubreport(packagePath);
    refusal = text;
  } else if (VersionOf(copy) != kVersionThisYear) {
    refusal = kNotThisYear;
  }
  if (refusal.empty()) return Verdict::Ok;
  DeleteCopy(copy);
  copyCreated = false;
  ui.ShowMessage(MessageKind::Error, refusal, kOk, kOk);
  return Verdict::Refused;
}

TSubreportInclusion::Verdict TSubreportInclusion::PrepareRemoval(const std::string& folder) {
  const std::string copy = WorkingCopyOf(state_.folders().working, folder);
  std::string_view refusal;
  std::string text;
  if (!FindStructureFile(copy)) {
    refusal = kNoStructure;
  } else if (!IsSubreport(copy)) {
    text = NotASubreport(WithoutSeparator(folder) + "/" + std::string(kPackageName));
    refusal = text;
  }
  if (refusal.empty()) return Verdict::Ok;
  DeleteCopy(copy);
  state_.ui().ShowMessage(MessageKind::Error, refusal, kOk, kOk);
  return Verdict::Refused;
}

int TSubreportInclusion::ListIndexOf(const std::string& folder) const {
  const auto path = FindStructureFile(state_.folders().working);
  if (!path) return 0;
  const std::string wanted = WithSeparator(folder);
  const auto entries = ReadSubreportFolders(*path);
  for (std::size_t k = 0; k < entries.size(); ++k)
    if (StoredFolderToPath(entries[k]) == wanted) return static_cast<int>(k) + 1;
  return 0;
}

// --- the combination --------------------------------------------------------------------

void TSubreportInclusion::Combine(const std::string& folder, bool subtract) {
  const std::string copy = WorkingCopyOf(state_.folders().working, folder);
  const auto subPath = FindStructureFile(copy);
  const auto subModel = subPath ? ReadStructure(*subPath) : std::nullopt;
  if (!subModel) throw EFileError(kNoStructure);
  // A sub-report always keeps a table (its structure editing refuses
  // otherwise): a structure without one was not read, and including nothing
  // while listing the sub-report would make its removal subtract what was
  // never added.
  bool anyTable = false;
  for (const auto& s : subModel->sections)
    for (const auto& i : s.items) anyTable = anyTable || (i.kind == ItemKind::Table && !i.excluded);
  if (!anyTable)
    throw EFileError(S("Не удается прочитать структуру подотчета "_w) + Quoted(*subPath));
  if (!state_.structure) throw ECoreError("Отчет не открыт."_w);
  const StructureModel& model = *state_.structure;
  // Numbers are only ever taken out for a sub-report the list still holds.
  const int listed = ListIndexOf(folder);
  if (subtract && listed == 0)
    throw ECoreError(NotListed(folder));

  int nodes = 1;
  for (const auto& section : model.sections) nodes += 1 + static_cast<int>(section.items.size());

  TableContext subContext;
  subContext.listFolder = state_.folders().lists;
  subContext.templateFolder = state_.folders().templates;

  TFormProgress progress(&state_.ui());
  progress.Start(nodes, subtract ? kRemovingCaption : kIncludingCaption, false);
  state_.SetLoadingFlag(true);
  progress.Step();  // the root
  for (const auto& section : model.sections) {
    progress.Step();
    for (const auto& item : section.items) {
      progress.Step();
      if (item.kind != ItemKind::Table) continue;
      bool present = false;
      for (const auto& s : subModel->sections)
        for (const auto& i : s.items)
          if (!present && SameText(i.file, item.file)) present = !i.excluded;
      if (!present) continue;
      TReportTable* target = state_.FindTable(item.file);
      if (!target) continue;
      const auto file = FindEntryNoCase(copy, Cp1251ToUtf8(item.file));
      if (!file) throw EFileError(S("В подотчете отсутствует таблица "_w) + Quoted(copy + Cp1251ToUtf8(item.file)));
      TTable sub(subContext);
      sub.LoadFromFile(*file);
      TTable& report = *target->table;
      TableChangeCount count{item.file, item.title, 0, folder};
      if (report.growing) {
        count.cells = MergeTableRows(report, sub, subtract);
        SortByKeyColumn(report);
      } else {
        count.cells = AddTableValues(report, sub, subtract);
      }
      last_.tables.push_back(std::move(count));
    }
  }

  const auto path = FindStructureFile(state_.folders().working);
  if (!path) throw EFileError(kNoStructure);
  std::string why;
  if (subtract) {
    why = RemoveSubreportFolder(*path, listed);
  } else {
    why = AddSubreportFolder(*path, StoredSubreportFolder(folder));
  }
  if (!why.empty()) throw EFileError(why);
  state_.reportChanged = true;
  // The tree's copy of the list follows the file.
  if (const auto now = ReadStructure(*path)) {
    for (auto* m : {&state_.structure, &state_.selectionStructure})
      if (*m) {
        (*m)->hasSubreports = now->hasSubreports;
        (*m)->subreportLines = now->subreportLines;
      }
  }
  progress.Finish();
}

void TSubreportInclusion::Finish() {
  state_.SetLoadingFlag(false);
  state_.engine().RecalcAllTablesKeepGoing();
  state_.engine().RefreshStatuses();
  if (!state_.Save()) throw EFileError("Отчет не сохранен."_w);
}

void TSubreportInclusion::Restore(bool subtract) {
  Interaction& ui = state_.ui();
  state_.SetLoadingFlag(false);
  ui.ShowMessage(MessageKind::Error, subtract ? kRemoveFailed : kIncludeFailed, kOk, kOk);
  state_.DiscardChanges();
  state_.reportChanged = false;
  state_.LoadReport(state_.currentFolder);
  // A reload that failed has said why; it is not announced as a restore.
  if (state_.treeVisible) ui.ShowMessage(MessageKind::Information, kRestored, kOk, kOk);
}

void TSubreportInclusion::RunCheck() {
  auto* engine = dynamic_cast<TCheckingEngine*>(&state_.engine());
  if (!engine) return;
  try {
    engine->checker().CheckReport(state_.ui());
  } catch (const std::exception& e) {
    state_.ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  }
}

// --- the desktop commands ---------------------------------------------------------------

std::optional<std::string> TSubreportInclusion::IncludeSubreport() {
  Interaction& ui = state_.ui();
  last_ = {};
  if (!state_.treeVisible) return std::nullopt;
  state_.structureWindowEnabled = false;
  struct Enable {
    TReportState& s;
    ~Enable() { s.structureWindowEnabled = true; }
  } enable{state_};
  if (state_.IsModified() && !state_.Save()) return std::nullopt;
  if (ui.ShowMessage(MessageKind::Information, kChooseSubreport, kOk, kOk) == kCancel) return std::nullopt;
  const auto file = ui.ChooseOpenFile(kFindSubreport, kSubreportFilter, state_.folders().program);
  if (!file || file->empty()) return std::nullopt;
  const fs::path parent = fs::path(*file).parent_path();
  const std::string folder = WithSeparator(parent.empty() ? "." : parent.string());
  if (ui.ShowMessage(MessageKind::Confirmation,
                     S("Подотчет "_w) + Quoted(folder) + S(" включается в открытый отчет. Включать?"_w),
                     kYes | kNo) != kYes)
    return std::nullopt;
  if (AlreadyIncluded(folder)) return std::nullopt;
  bool copyCreated = false;
  if (PrepareInclusion(folder, copyCreated) != Verdict::Ok) return std::nullopt;
  try {
    Combine(folder, false);
    Finish();
  } catch (const std::exception& e) {
    last_.failure = ErrorMessage(e);
    Restore(false);
    if (!ListIndexOf(folder)) DeleteCopy(WorkingCopyOf(state_.folders().working, folder));
    return std::nullopt;
  }
  last_.done = true;
  ui.ShowMessage(MessageKind::Information, S("Подотчет "_w) + Quoted(folder) + S(" включен в отчет."_w), kOk, kOk);
  RunCheck();
  return folder;
}

bool TSubreportInclusion::RemoveSubreport(const std::string& folderIn) {
  Interaction& ui = state_.ui();
  last_ = {};
  const std::string shown = WithoutSeparator(folderIn);
  const std::string folder = WithSeparator(folderIn);
  if (state_.IsModified() && !state_.Save()) return false;
  if (ui.ShowMessage(MessageKind::Confirmation,
                     S("Удалять данные подотчета "_w) + Quoted(shown) + S(" из отчета?"_w), kYes | kNo) != kYes)
    return false;
  state_.structureWindowEnabled = false;
  struct Enable {
    TReportState& s;
    ~Enable() { s.structureWindowEnabled = true; }
  } enable{state_};
  if (PrepareRemoval(folder) != Verdict::Ok) return false;
  try {
    Combine(folder, true);
    Finish();
  } catch (const std::exception& e) {
    last_.failure = ErrorMessage(e);
    Restore(true);
    return false;
  }
  DeleteCopy(WorkingCopyOf(state_.folders().working, folder));
  last_.done = true;
  ui.ShowMessage(MessageKind::Information,
                 S("Данные подотчета "_w) + Quoted(shown) + S(" из отчета удалены."_w), kOk, kOk);
  RunCheck();
  return true;
}

// --- several in one run ---------------------------------------------------------------------

SubreportRunResult TSubreportInclusion::IncludeMany(const std::vector<std::string>& foldersIn, bool check) {
  last_ = {};
  std::vector<std::string> folders;
  for (const auto& f : foldersIn) folders.push_back(WithSeparator(f));
  if (!state_.treeVisible) return last_;
  if (state_.IsModified() && !state_.Save()) return last_;
  std::vector<std::string> created;
  auto dropCopies = [&] {
    for (const auto& f : created) DeleteCopy(WorkingCopyOf(state_.folders().working, f));
  };
  for (std::size_t i = 0; i < folders.size(); ++i) {
    bool refused = AlreadyIncluded(folders[i]);
    for (std::size_t j = 0; j < i && !refused; ++j)
      if (LastFolderComponent(folders[j]) == LastFolderComponent(folders[i])) {
        state_.ui().ShowMessage(MessageKind::Information, kAlreadyIncluded, kOk, kOk);
        refused = true;
      }
    bool copyCreated = false;
    if (!refused) refused = PrepareInclusion(folders[i], copyCreated) != Verdict::Ok;
    if (copyCreated) created.push_back(folders[i]);
    if (refused) {
      last_.failure = W(folders[i]);
      dropCopies();
      return last_;
    }
  }
  try {
    for (const auto& f : folders) Combine(f, false);
    Finish();
  } catch (const std::exception& e) {
    last_.failure = ErrorMessage(e);
    last_.tables.clear();
    Restore(false);
    dropCopies();
    return last_;
  }
  last_.done = true;
  if (check) RunCheck();
  return last_;
}

SubreportRunResult TSubreportInclusion::RemoveMany(const std::vector<std::string>& foldersIn, bool check) {
  last_ = {};
  std::vector<std::string> folders;
  for (const auto& f : foldersIn) folders.push_back(WithSeparator(f));
  if (!state_.treeVisible) return last_;
  if (state_.IsModified() && !state_.Save()) return last_;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    const std::string& f = folders[i];
    const bool twice = std::find(folders.begin(), folders.begin() + static_cast<std::ptrdiff_t>(i), f) !=
                       folders.begin() + static_cast<std::ptrdiff_t>(i);
    if (twice || !ListIndexOf(f)) {
      state_.ui().ShowMessage(MessageKind::Error, NotListed(WithoutSeparator(f)), kOk, kOk);
      last_.failure = W(f);
      return last_;
    }
    if (PrepareRemoval(f) != Verdict::Ok) {
      last_.failure = W(f);
      return last_;
    }
  }
  try {
    for (const auto& f : folders) Combine(f, true);
    Finish();
  } catch (const std::exception& e) {
    last_.failure = ErrorMessage(e);
    last_.tables.clear();
    Restore(true);
    return last_;
  }
  for (const auto& f : folders) DeleteCopy(WorkingCopyOf(state_.folders().working, f));
  last_.done = true;
  if (check) RunCheck();
  return last_;
}

}  // namespace rpt

namespace rpt {

std::vector<std::string> SubreportListLines(const std::vector<std::string>& storedFolders) {
  std::vector<std::string> lines;
  for (std::size_t k = 1; k <= storedFolders.size(); ++k) {
    std::string folder = storedFolders[k - 1];
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    std::string line = k < 10 ? " " : "";
    line += std::to_string(k);
    line += ". ";
    line += folder;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string FolderOfListLine(const std::string& line) {
  const auto dot = line.find('.');
  return dot == std::string::npos || dot + 2 > line.size() ? std::string() : line.substr(dot + 2);
}

}  // namespace rpt
