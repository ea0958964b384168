// The report folder dialog ("Создание отчета"): asks for the folder of a
// report being saved under another name, a new report or a new sub-report's
// structure, checks it and creates the report's first "Report.rpt" there.
// The window shows ExplanatoryText() and calls the three button handlers;
// the report state drives it through TReportState::runFolderDialog.
#pragma once

#include <string>

#include "core/report/report_state.h"

namespace rpt {

enum class FolderDialogMode { SaveAs = 0, NewReport = 1, SubreportStructure = 2 };

class TFormNewRep {
 public:
  // Opening: remembers the previous folder, makes the program folder the
  // current one; the result is cancelled until something is created.
  TFormNewRep(TReportState& state, FolderDialogMode mode);

  FolderDialogMode mode() const { return mode_; }
  // The explanatory text for the mode (Windows-1251).
  std::string ExplanatoryText() const;

  // "Создать автоматически": creates the first free "Отчет" + N (or
  // "Подотчет" + N) in the program folder and closes.
  void CreateAutomatically();
  // "Выбрать папку": the folder browser, the checks and the confirmation.
  void ChooseFolder();
  // "Отменить" or closing the window.
  void Cancel();

  bool closed() const { return closed_; }
  FolderDialogResult result() const { return result_; }

  // *create* in the current folder (errors of copying propagate).
  void Create();

  // The captions and hints of the dialog (Windows-1251).
  static std::string_view Caption();

 private:
  std::string Word(bool capitalised) const;

  TReportState& state_;
  FolderDialogMode mode_;
  std::string openingPrevious_;
  bool closed_ = false;
  FolderDialogResult result_ = FolderDialogResult::Cancelled;
};

// Runs the dialog with the state's driver until it closes; the result.
FolderDialogResult AskFolder(TReportState& state, FolderDialogMode mode);

}  // namespace rpt
