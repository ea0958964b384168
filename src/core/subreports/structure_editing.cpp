#include "core/subreports/structure_editing.h"

#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/text_case.h"
#include "core/archive/package.h"
#include "core/report/report_folder_dialog.h"
#include "core/report/report_state.h"
#include "core/calc/structure.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kHint =
    "Щелчком мыши установите или снимите отметку об исключении элементов структуры подотчета. При нажатой "
    "клавише SHIFT щелчок мыши устанавливает или снимает отметку целого раздела отчета."_w;
constexpr std::string_view kFindSubreport = "Поиск подотчета"_w;
constexpr std::string_view kSubreportFilter = "Файлы подотчетов (*.rpt)|*.RPT"_w;
constexpr std::string_view kNoTables = "Подотчет не содержит ни одной таблицы или формы. Это недопустимо."_w;

std::string S(std::string_view s) { return std::string(s); }

void ShowError(TReportState& state, std::string_view text) {
  state.ui().ShowMessage(MessageKind::Error, text, kOk, kOk);
}


// The tree is rebuilt from the working folder's structure, with its marks.
bool ShowStructure(TReportState& state) {
  const auto path = FindStructureFile(state.folders().working);
  auto model = path ? ReadStructure(*path) : std::nullopt;
  if (!model) return false;
  state.structure = model;
  state.selectionStructure = std::move(model);
  state.treeVisible = true;
  state.caption = S("Подготовка подотчета: "_w) + Utf8ToCp1251(state.currentFolder);
  return true;
}

void EnterMode(TReportState& state) {
  state.structureEditing = true;
  state.ui().ShowMessage(MessageKind::Information, kHint, kOk, kOk);
}

// Leaving the current work: the structure written back when one was being
// defined, the save question for an open report; its tables closed.
bool LeaveCurrentWork(TReportState& state) {
  if (!state.CloseQuery()) return false;
  state.CloseAllTables();
  return true;
}

}  // namespace

std::string_view StructureModeHint() { return kHint; }

bool DefineSubreportStructure(TReportState& state) {
  if (!LeaveCurrentWork(state)) return false;
  const std::string keepFolder = state.currentFolder, keepPrevious = state.previousFolder;
  const bool keepSub = state.isSubreport, hadReport = state.treeVisible && !state.structureEditing;
  state.isSubreport = true;
  state.previousFolder = state.folders().templates;
  (void)ClearFolder(state.folders().working, /*removeFolder=*/false);
  if (AskFolder(state, FolderDialogMode::SubreportStructure) == FolderDialogResult::Created &&
      ShowStructure(state)) {
    EnterMode(state);
    state.structureChanged = true;
    return true;
  }
  state.structureEditing = false;
  state.structureChanged = false;
  state.isSubreport = keepSub;
  state.currentFolder = keepFolder;
  state.previousFolder = keepPrevious;
  // The working folder was emptied for the new structure: the report open
  // before comes back from its package.
  if (hadReport) state.OpenReportFolder(keepFolder);
  return false;
}

bool CorrectSubreportStructure(TReportState& state) {
  if (!LeaveCurrentWork(state)) return false;
  Interaction& ui = state.ui();
  const auto file = ui.ChooseOpenFile(kFindSubreport, kSubreportFilter, state.folders().program);
  if (!file || file->empty()) return false;
  const std::string check = state.folders().check;
  bool isSub = false;
  try {
    RefreshFolder(check, *file);
    isSub = IsSubreport(check);
  } catch (const std::exception& e) {
    ShowError(state, ErrorMessage(e));
  }
  (void)ClearFolder(check, /*removeFolder=*/false);
  if (!isSub) {
    ui.ShowMessage(MessageKind::Information,
                   S("Файл \""_w) + Utf8ToCp1251(*file) + S("\" не является подотчетом."_w), kOk, kOk);
    return false;
  }
  const fs::path parent = fs::path(*file).parent_path();
  state.currentFolder = WithSeparator(parent.empty() ? "." : parent.string());
  try {
    RefreshFolder(state.folders().working, *file);
  } catch (const std::exception& e) {
    ShowError(state, ErrorMessage(e));
    return false;
  }
  if (!ShowStructure(state)) return false;
  state.isSubreport = true;
  state.structureChanged = false;
  EnterMode(state);
  return true;
}

bool KeepOnlyItems(TReportState& state, const std::vector<std::string>& items) {
  if (!state.structureEditing || !state.structure) return false;
  auto listed = [&](const StructureItem& item) {
    const std::string name = item.file.substr(0, item.file.find('.'));
    for (const auto& wanted : items)
      if (SameText(wanted, item.file) || SameText(wanted, name)) return true;
    return false;
  };
  StructureModel model = *state.structure;
  bool anyTable = false;
  for (auto& section : model.sections) {
    bool all = !section.items.empty();
    for (auto& item : section.items) {
      item.excluded = !listed(item);
      all = all && item.excluded;
      anyTable = anyTable || (item.kind == ItemKind::Table && !item.excluded);
    }
    section.excluded = all;
  }
  if (!anyTable) {
    ShowError(state, kNoTables);
    return false;
  }
  const auto path = FindStructureFile(state.folders().working);
  if (!path) return false;
  TMyIniFile ini(*path);
  for (std::size_t n = 0; n < model.sections.size(); ++n) {
    const auto& section = model.sections[n];
    ini.WriteInteger(S("Раздел_"_w) + std::to_string(n + 1), "Удален"_w, section.excluded ? 1 : 0);
    for (std::size_t m = 0; m < section.items.size(); ++m)
      ini.WriteInteger(S("Пункт_"_w) + std::to_string(n + 1) + "_" + std::to_string(m + 1), "Удален"_w,
                       section.items[m].excluded ? 1 : 0);
  }
  if (const std::string why = ini.Release(); !why.empty()) {
    ShowError(state, why);
    return false;
  }
  state.structure = model;
  state.selectionStructure = std::move(model);
  state.structureChanged = true;
  return true;
}

}  // namespace rpt
