// TFormProtocol ("Протокол проверки"): the messages of failed checks. In
// table mode it is docked in the tables frame and highlights the cells the
// selected message names; in report mode it is a free window, above every
// other, listing every table with errors, and "Таблица" jumps to the table
// a message belongs to. The contents are the checker's ProtocolView; the
// window follows it through CheckObserver and hands every user action back
// to the checker.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "core/calc/check_status.h"

class QDialog;
class QDockWidget;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace rpt {
class Interaction;
class TTable;
}  // namespace rpt

namespace rpt::gui {

class TFormProtocol : public QWidget, public checks::CheckObserver {
  Q_OBJECT
 public:
  TFormProtocol(checks::TableChecker& checker, Interaction& ui, QWidget* parent = nullptr);
  ~TFormProtocol() override;

  // The frame's dock for table mode; without one (tests) table mode shows
  // the window as a free window too.
  void SetDock(QDockWidget* dock);
  // "Печатать" writes "T.txt" into this folder (UTF-8, ends with "/").
  void SetServiceFolder(const std::string& folder) { serviceFolder_ = folder; }
  // "Печатать" is enabled when this answers true (the structure window's
  // print action); unset: disabled.
  void SetPrintEnabled(std::function<bool()> enabled) { printEnabled_ = std::move(enabled); }

  // CheckObserver: the checker opened, refreshed, changed or closed the view.
  void ProtocolChanged(const checks::ProtocolView& view) override;

  // The buttons.
  void TableClick();  // "Таблица"
  void PrintClick();  // "Печатать"
  void FileClick();   // "В файл"
  void ExitClick();   // "Выход"
  // Selecting a line of the list (from 0).
  void SelectLine(int index);

  QListWidget* List() const { return list_; }
  QPlainTextEdit* Detail() const { return detail_; }
  QPushButton* TableButton() const { return table_; }
  QPushButton* PrintButton() const { return print_; }
  QPushButton* FileButton() const { return file_; }
  QPushButton* ExitButton() const { return exit_; }
  // The free window of report mode (and of table mode without a dock).
  QDialog* FreeWindow() const { return free_; }

 signals:
  // Cells were highlighted or the highlight removed: repaint that table.
  void highlightChanged(rpt::TTable* table);
  // "Таблица": select the structure-tree item with this caption (the first
  // that stands for a document, checks::FindTargetItem) and edit it.
  void tableRequested(const QString& caption);
  // The window was closed or hidden.
  void closed();
  // The user chose a message (table mode): its first cell should become
  // the current cell (the view's selectedCells).
  void cellsChosen();
  // After tableRequested: the table is open; show message `message` of its
  // protocol and go to its first cell.
  void messageRequested(rpt::TTable* table, int message);

 private:
  void Render(const checks::ProtocolView& view);
  void ShowIn(const checks::ProtocolView& view);
  void HideAll();
  void ReportSelectionError(const std::string& message);

  checks::TableChecker& checker_;
  Interaction& ui_;
  std::string serviceFolder_;
  std::function<bool()> printEnabled_;
  QDockWidget* dock_ = nullptr;
  QDialog* free_;
  QListWidget* list_;
  QPlainTextEdit* detail_;
  QPushButton* table_;
  QPushButton* print_;
  QPushButton* file_;
  QPushButton* exit_;
  TTable* highlighted_ = nullptr;
  bool rendering_ = false;
  bool inModalLoop_ = false;
  std::string lastError_;  // the selection error already reported
};

}  // namespace rpt::gui
