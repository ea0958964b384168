// TMainForm ("Таблицы отчета"), the frame of the table windows: an MDI
// frame with one hidden TF_Table per table of the open report, the menus,
// the tool bar and the status bar of table editing, the cell pop-up menu,
// navigation in report order and the window arrangements. It takes turns
// with the structure window: opening a table hides that one and shows the
// frame; closing the frame recalculates the report, refreshes the lights
// and brings the structure window back. The frame is hidden, never closed.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/calc/check_status.h"
#include "gui/foundation/command_set.h"
#include "gui/tables/table_actions.h"

class QAction;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace rpt {
class RowDialogs;
class TProgramSession;
class TReportState;
class TTable;
struct TReportTable;
}  // namespace rpt

namespace rpt {
class TYearComparison;
}

namespace rpt::gui {

class TF_StructRep;
class TF_Table;
class TFormInstruction;
class TFormSRData;
class TFormList;
class TFormProtocol;
class TSelectTab;

// The commands of the tables frame, by their object names: the commands
// themselves, then the faces that show a command a second time (in the menu
// bar, a menu, the tool bar or the pop-up menu).
enum class TableCommand {
  FileOpen1,
  ShowStruct,
  FileSave1,
  FileClose1,
  FileExit1,
  WindowCascade1,
  WindowMinimizeAll1,
  WindowMaximizeAll1,
  HideAllWithoutActive,
  WindowOptimizeAll1,
  WindowOptimize,
  ViewHeader1,
  ViewFootter1,
  CalcTable,
  FillZeros,
  CheckTable,
  LoardClearTable,
  LoardLastEdition,
  DelEmptyRows,
  SortRows,
  CellsHeight,
  PrintTable,
  FirstTab,
  PrevTab,
  NextTab,
  LastTab,
  WinCalc,
  TabInstruct,
  KeyBoardInstr,
  HelpAbout1,
  HelpContents,
  HelpTool,
  UndoEdit,
  RedoEdit,
  NextRemark,
  PrevRemark,
  ReloadButton,
  CellsHeightMenu,
  CheckTableOnMenuBar,
  WinCalcOnMenuBar,
  WindowCascadeMenu,
  WindowMinimizeAllMenu,
  CellsHeightTool,
  WindowCascadeTool,
  DelEmptyRowsPopup,
  CopyRow,
  InsertEmptyRow,
  InsertBufferRow,
  InsertCopyRow,
  CutRow,
  ClearRow,
  DeleteRow,
  InsertList,
  InsertNRows,
  SubrepData,
  PopupHelp,
  YearChanges,
  YearChart,
  Count
};

enum class TableMenu { MenuDocuments, MenuTable, MenuReload, MenuPrint, MenuView, MenuWindows, MenuHelp, InsertRow, BarPopup, PopupMenu1, Count };

class TMainForm : public QMainWindow, public checks::CheckObserver {
  Q_OBJECT
 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // --- wiring (start-up) ----------------------------------------------------
  void AttachSession(TProgramSession* session);
  void SetStructure(TF_StructRep* structure);
  void SetSelectTab(TSelectTab* selectTab);
  void SetListWindow(TFormList* list);
  // The protocol window docks here in table mode.
  void SetProtocol(TFormProtocol* protocol);
  // The report's comparison with last year, handed to every table window
  // (null: none); call again when it changed.
  void SetYearComparison(const TYearComparison* comparison);
  // Brings the table forward and makes the cell current (a line of the
  // list of changes since last year was chosen).
  void ShowYearChange(const TTable* table, const TCell* cell);
  // The row dialogs of the pop-up menu and the sort action (tests script
  // them); unset: the Qt dialogs.
  void SetRowDialogs(RowDialogs* dialogs) { rowDialogs_ = dialogs; }
  // The window "Инструкция" shows a table's filling instruction in; made
  // at its first use.
  TFormInstruction& Instruction();
  // "Данные из подотчетов": the composition of the active table's current
  // cell. The window is run by `runComposition` (tests drive it), by default
  // modally.
  void SubreportData();
  std::function<void(TFormSRData&)> runComposition;

  // --- what the report state tells ----------------------------------------
  // Table windows follow the state's tables; caption, enabled state and
  // the "Вид" check marks follow a load.
  void StateChanged(const TReportState& state);
  // The state's tables are about to be destroyed.
  void TablesClosing();
  void MinimiseTablesFrame();

  // --- operations offered to other windows ----------------------------------
  // The table window of a table file path (letter case ignored), or null.
  TF_Table* FindTable(const std::string& path) const;
  // Destroys every table window.
  void CloseAllTables();
  // The enabled states of every action (the pure rules of table_actions).
  void RefreshTableActions();
  TableActionInputs Inputs() const;
  // Sizeable border, normal state, the frame's top-left corner, FitWindow.
  void Optimize(TF_Table* window);
  // The first shown window after `window` in report order, else the last
  // shown one before it, else null.
  TF_Table* NeighbourTable(TF_Table* window) const;
  // Every other window hidden; the window at `index` (0 when out of range)
  // shown, in front and active.
  void GoToTable(int index);
  // The structure window's *Edit* of a table item ("Файл", Windows-1251):
  // the frame shown with its placement and the table's window in front.
  // False when the report has no window for that file.
  bool OpenTable(std::string_view fileCp1251);
  // The user's table font to every table window.
  void ApplyFont();
  // F8 and Shift+F8: the next (previous) cell a check message names, in
  // the active table and then in the tables after (before) it; at the end
  // a message says there are no more.
  void GoToRemark(bool forward);
  // The cells of message `message` of the table's protocol: the table in
  // front, its protocol docked with that message chosen, the first cell
  // current and every named cell in view.
  void ShowRemark(TTable* table, int message);
  // Every table window in the report's colour scheme (after "Цветовая карта").
  void ApplyColors();
  // Closing (the close box, "Выход", the last table window closed): the
  // report recalculated, the statuses refreshed, the frame hidden and the
  // structure window back in front.
  void CloseFrame();

  // --- the parts (tests, screenshots) -------------------------------------
  const std::vector<TF_Table*>& Windows() const { return windows_; }
  TF_Table* ActiveTable() const;
  int ActiveIndex() const;
  QMdiArea* Mdi() const { return mdi_; }
  QAction* Command(const QString& name) const;
  QAction* Command(TableCommand id) const { return commands_[id]; }
  QMenu* MenuNamed(const QString& name) const;
  QMenu* CellPopup() const { return popup_; }
  QToolBar* ToolBar() const { return toolBar_; }
  QDockWidget* ProtocolDock() const { return protocolDock_; }
  QLabel* HintPanel() const { return hintPanel_; }
  QLabel* CellPanel() const { return cellPanel_; }
  // Prepares the cell pop-up menu for the active table's current cell (the
  // enabling rules); false when no menu is shown for it.
  bool PreparePopup();
  // The saved placement (invalid before the first close).
  QRect Placement() const { return placement_; }

  // CheckObserver
  void TableStatusChanged(TTable& table, std::uint8_t status) override;
  void CheckActionEnabled(TTable& table, bool enabled) override;

 signals:
  // The frame was hidden and the structure window is back.
  void frameClosed();
  // "Изменения за год" and "Диаграмма" of the menu "Таблица".
  void yearChangesRequested();
  void yearChartRequested(TF_Table* window);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The keyboard focus back to a table window: to the editor open over its
  // current cell, else to its data area.
  static void FocusData(TF_Table* window);
  void BuildCommands();
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildPopup();
  void ConnectCommands();
  void CreateTableWindow(const TReportTable& table);
  void DestroyTableWindows();
  void FillWindowMenu();
  void UpdateCaption();

  // The window actions.
  void MinimizeAll();
  void MaximizeAll();
  void HideAllWithoutActive();
  void OptimizeAll();
  void ShowStruct();
  void CloseActive();
  void TableClosing(TF_Table* window);
  void SetHeaderView(bool on);
  void SetFooterView(bool on);

  // The table actions on the active table, then the focus to its data area.
  void OnActive(const std::function<void(TF_Table&, TTable&)>& action, bool focus = true);
  // Where the data area stands after a row command that did its work.
  enum class RowView { Stay, NewRow, Top };
  // A row command on the current row of the active table. The current cell
  // is let go while the rows change and taken back when it still exists;
  // `busy` shows the hourglass meanwhile (commands without questions). A
  // command that `replacesCells` when it returns true (a reload) leaves no
  // current cell: a new cell may take the old one's address. A command
  // that changed the table becomes an undo step (`undo` Step), is none
  // (None: copying into the buffer) or makes the earlier steps void
  // (Forget: a reload replaces more than the rows).
  enum class UndoRecord { Step, None, Forget };
  void OnRow(const std::function<bool(TTable&, int row)>& command, RowView view = RowView::Stay,
             bool busy = false, bool replacesCells = false, UndoRecord undo = UndoRecord::Step);
  void ListRequested(TF_Table* window);
  void Calculator();
  void Help(int topic);
  void CloseProtocol();
  checks::TableChecker* Checker() const;
  TReportState* state() const;
  RowDialogs& Dialogs();

  TProgramSession* session_ = nullptr;
  QPointer<TF_StructRep> structure_;
  QPointer<TSelectTab> selectTab_;
  QPointer<TFormList> listWindow_;
  QPointer<TFormProtocol> protocol_;
  const TYearComparison* yearComparison_ = nullptr;
  RowDialogs* rowDialogs_ = nullptr;
  QPointer<TFormInstruction> instruction_;
  std::unique_ptr<RowDialogs> ownDialogs_;

  QMdiArea* mdi_;
  QToolBar* toolBar_ = nullptr;
  QDockWidget* protocolDock_ = nullptr;
  QLabel* hintPanel_ = nullptr;
  QLabel* cellPanel_ = nullptr;
  QMenu* popup_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  QAction* windowListSeparator_ = nullptr;
  std::vector<QAction*> windowListItems_;
  CommandSet<TableCommand, TableMenu> commands_{this};
  std::vector<TF_Table*> windows_;
  QRect placement_;
  bool placementMaximized_ = false;
  bool headerShown_ = true;
  bool footerShown_ = true;
  bool closing_ = false;
};

// The calculator on this desktop: the first of the known calculator
// programs found on PATH, empty when there is none.
std::string FindCalculator();
// The information when no calculator starts (Windows-1251): the programs
// looked for and the Debian package that brings one.
std::string CalculatorMissingText();

}  // namespace rpt::gui
