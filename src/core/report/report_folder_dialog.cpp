#include "core/report/report_folder_dialog.h"

#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/interaction.h"
#include "core/archive/package.h"
#include "core/report/recent_list.h"
#include "core/calc/structure.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kChooseSentence =
    "Необходимо выбрать уже существующую или создать новую папку для его размещения - это можно "
    "сделать самостоятельно или автоматически."_w;
constexpr std::string_view kSubreportText =
    "Структура подотчета и сам подотчет должны находиться в отдельной папке. Необходимо выбрать "
    "уже существующую или создать новую папку для его размещения - это можно сделать "
    "самостоятельно или автоматически."_w;

std::string S(std::string_view s) { return std::string(s); }

}  // namespace

std::string_view TFormNewRep::Caption() { return "Создание отчета"_w; }

TFormNewRep::TFormNewRep(TReportState& state, FolderDialogMode mode) : state_(state), mode_(mode) {
  openingPrevious_ = state_.previousFolder;
  state_.currentFolder = state_.folders().program;
}

std::string TFormNewRep::Word(bool capitalised) const {
  return S(ReportWord(state_.isSubreport, capitalised));
}

std::string TFormNewRep::ExplanatoryText() const {
  switch (mode_) {
    case FolderDialogMode::SaveAs:
      return S("Сохранять "_w) + Word(false) + S(" следует в отдельной папке. "_w) + S(kChooseSentence);
    case FolderDialogMode::NewReport:
      return S("Новый "_w) + Word(false) + S(" создается в отдельной папке. "_w) + S(kChooseSentence);
    case FolderDialogMode::SubreportStructure:
      break;
  }
  return S(kSubreportText);
}

void TFormNewRep::CreateAutomatically() {
  state_.currentFolder = FirstFreeFolder(state_.folders().program, Cp1251ToUtf8(Word(true)));
  Create();
  result_ = FolderDialogResult::Created;
  closed_ = true;
}

void TFormNewRep::ChooseFolder() {
  Interaction& ui = state_.ui();
  const auto chosen = ui.ChooseFolder(Caption(), state_.folders().program);
  if (!chosen || chosen->empty()) {
    state_.currentFolder = state_.previousFolder;
    return;
  }
  const std::string path = WithSeparator(*chosen);
  const std::string shown = Utf8ToCp1251(path);
  if (HoldsReport(path)) {
    ui.ShowMessage(MessageKind::Error,
                   S("Папку "_w) + shown + S(" нельзя использовать для размещения "_w) + Word(false) +
                       S("а."_w),
                   kOk, kOk);
    return;
  }
  state_.currentFolder = path;
  const std::string question =
      mode_ == FolderDialogMode::SaveAs
          ? Word(true) + S(" сохраняется в папке "_w) + shown + S(". Сохранять?"_w)
          : Word(true) + S(" создается в папке "_w) + shown + S(". Создавать?"_w);
  switch (ui.ShowMessage(MessageKind::Confirmation, question, kYes | kNo | kCancel)) {
    case kYes:
      Create();
      result_ = FolderDialogResult::Created;
      closed_ = true;
      return;
    case kNo:
      state_.currentFolder = state_.previousFolder;
      result_ = FolderDialogResult::Cancelled;
      closed_ = true;
      return;
    default:
      state_.currentFolder = state_.previousFolder;
      return;
  }
}

void TFormNewRep::Cancel() {
  result_ = FolderDialogResult::Cancelled;
  state_.currentFolder = openingPrevious_;
  state_.previousFolder = openingPrevious_;
  closed_ = true;
}

void TFormNewRep::Create() {
  const std::string folder = WithSeparator(state_.currentFolder);
  const FolderSet& f = state_.folders();
  // A sub-report's structure is edited in the tree once its folder exists.
  state_.structureEditing = mode_ == FolderDialogMode::SubreportStructure;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directory(folder, ec);
    if (ec)
      throw EFileError("Cannot create folder \"" + Utf8ToCp1251(folder) + "\". " + ec.message());
  }
  // A new report starts as a copy of the blank report.
  if (mode_ == FolderDialogMode::NewReport)
    CopyFile(f.TemplatePackage(), folder + std::string(kReportPackageName));
  // A sub-report (defined here, or made where only sub-reports are made)
  // is marked as one in the working structure, with the folder it goes to.
  if (mode_ == FolderDialogMode::SubreportStructure || (state_.isSubreport && !state_.subreportOnly)) {
    if (!FindStructureFile(f.working)) RefreshFolder(f.working, f.TemplatePackage());
    const auto str = FindStructureFile(f.working);
    if (!str) throw EFileError("No structure file in \"" + Utf8ToCp1251(f.working) + "\"");
    std::string why = WriteSubreportFlag(*str, true);
    if (why.empty()) why = WriteSubreportFolder(*str, Utf8ToCp1251(folder));
    if (!why.empty()) throw EFileError(why);
    state_.structureChanged = true;
    state_.EndStructureEditing();
    return;
  }
  // "Save as" takes the package of the report it was saved from.
  if (mode_ == FolderDialogMode::SaveAs) {
    if (const auto package = FindEntryNoCase(state_.previousFolder, kReportPackageName))
      CopyFile(*package, folder + std::string(kReportPackageName));
  }
}

FolderDialogResult AskFolder(TReportState& state, FolderDialogMode mode) {
  TFormNewRep dialog(state, mode);
  try {
    if (state.runFolderDialog) state.runFolderDialog(dialog);
  } catch (const std::exception& e) {
    // Creating failed (the blank report missing, a folder that cannot be
    // made): the error is shown and nothing counts as created.
    state.ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    dialog.Cancel();
  }
  if (!dialog.closed()) dialog.Cancel();
  return dialog.result();
}

}  // namespace rpt
