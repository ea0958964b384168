// TF_StructRep, the application's working window: the open report as a
// tree of sections and items with the tables' lights, the main menu through
// which every function is reached, the recent list and the hand-over of
// items for editing. It owns no report logic: the report state does the
// work and tells the window through ReportView.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>

#include "core/report/report_state.h"
#include "gui/foundation/command_set.h"
#include "gui/report/structure_actions.h"

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace rpt {
class TProgramSession;
namespace checks {
class TableChecker;
}
}  // namespace rpt

namespace rpt::gui {

class TLegendPanel;
class TSelectTab;

// Roles of the data kept on each tree node.
enum NodeRole {
  kKindRole = Qt::UserRole,   // NodeKind as int
  kSectionNameRole,           // "Пункт_N_M" of an item
  kFileRole,                  // "Файл" of an item
  kExcludedRole,              // bool
  kSectionIndexRole,          // index of the section (sections and items)
  kItemIndexRole,             // index of the item within its section
  kStateRole,                 // the state image: excluded mark or light
};

// The commands of the structure window, by their object names.
enum class StructureCommand {
  NewRep,
  OpenRep,
  OpenExample,
  SaveRep,
  SaveAsRep,
  DeleteRep,
  Font,
  Colors,
  Exit,
  Edit,
  ImportLastYear,
  ImportThisYear,
  ExportWord,
  ExportExcel,
  Check,
  SubStructure,
  SubCorrection,
  SubTransfer,
  SubReception,
  SubInclude,
  SubIncluded,
  PrintSelected,
  PrintAll,
  PrintBlank,
  PrinterSetup,
  SendInternet,
  SendMedia,
  SendEmail,
  Site,
  Lights,
  HelpContents,
  About,
  HelpTool,
  Count
};

enum class StructureMenu {
  MenuReport,
  MenuSettings,
  MenuHistory,
  MenuData,
  MenuImport,
  MenuExport,
  MenuSubreport,
  MenuPrint,
  MenuSend,
  MenuHelp,
  Count
};

class TF_StructRep : public QMainWindow, public ReportView {
  Q_OBJECT
 public:
  explicit TF_StructRep(QWidget* parent = nullptr);
  ~TF_StructRep() override;

  // The session whose report state the window shows and drives (null:
  // nothing to show, commands do nothing).
  void AttachSession(TProgramSession* session);
  void SetSelectTab(TSelectTab* selectTab) { selectTab_ = selectTab; }
  // Overrides the printer check (tests; machines without printers).
  void SetPrinterInstalled(bool installed);

  // ReportView
  void StateChanged(const TReportState& state) override;
  void BringToFront() override;

  // Closing ends the program when set (the tables frame clears it when it
  // takes over).
  void SetExitMode(bool on) { exitMode_ = on; }
  // *Edit* of a table item hands its "Файл" (Windows-1251) to the tables
  // frame; unset, the item cannot be edited yet.
  void SetTableOpener(std::function<void(const std::string&)> opener) { tableOpener_ = std::move(opener); }
  // After the user chose a table font: every table window applies it.
  void SetFontApplier(std::function<void()> applier) { fontApplier_ = std::move(applier); }
  // Gives every table window the colour scheme saved in "Цветовая карта".
  void SetColorApplier(std::function<void()> applier) { colorApplier_ = std::move(applier); }
  bool exitMode() const { return exitMode_; }

  QTreeWidget* Tree() const { return tree_; }
  // The command with the given object name ("NewRep", "SaveRep", "Edit", …).
  QAction* Command(const QString& name) const;
  QAction* Command(StructureCommand id) const { return commands_[id]; }
  QMenu* MenuNamed(const QString& name) const;
  QLabel* KindLabel() const { return kindLabel_; }
  TLegendPanel* Legend() const { return legend_; }
  StructureInputs Inputs() const;
  // Recomputes every enabled and visible state.
  void UpdateStates();
  // Rebuilds the tree from the state's structure and sets the lights.
  void RebuildTree();
  void UpdateLights();
  // Selects the node at a depth-first position (root 0).
  void SelectPosition(int position);
  int SelectedPosition() const;
  // The print commands for the selected node.
  void PrintSelected(bool blank);
  // The selected node: level 0 the report, 1 a section, 2 an item (0-based
  // section and item).
  struct TreeSelection {
    bool valid = false;
    int level = 0, section = 0, item = 0;
  };
  TreeSelection Selection() const;
  // "Excel": the selected node's tables into a spreadsheet workbook.
  void ExportExcel();
  // "Word": the selected node as one document built from the print templates.
  void ExportWord();

  // *Edit* of the selected node; `byEnter` toggles folder nodes.
  void EditExecute(bool byEnter = false);
  // "Таблица" of the report-mode protocol: selects the first item with this
  // caption and edits it.
  void EditItemTitled(const QString& caption);
  // "Проверка": every table's status, then the verdict or the protocol.
  void CheckReport();
  void RefreshLights();
  // Opens a help topic in the HTML help.
  void Help(int topic);
  void OfferHelpOnRightClick(QWidget* bar, int topic);

  // Placement kept in "History.ini".
  void RestorePlacement();
  void SavePlacement();

 signals:
  // The close in exit mode was granted: the program ends.
  void programEnd();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddToMenuBar(QAction* command);
  void BuildCommands();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildPopups();
  void ConnectCommands();
  void RebuildHistory();
  void NotYet();
  void ConnectSendCommands();
  void ConnectSubreportCommands();
  // An import command, then the lights and the commands brought up to date.
  void Import(void (*run)(TReportState&, QWidget*));
  void ChooseFont();
  // "Цвета ...": the colour map window; after "Сохранить" the scheme goes
  // to every table window and the lights.
  void ChooseColors();
  void TreePressed(QTreeWidgetItem* item);
  bool OpenDocumentItem(const std::string& file);
  TReportState* state() const;
  checks::TableChecker* checker() const;

  TProgramSession* session_ = nullptr;
  TSelectTab* selectTab_ = nullptr;
  QTreeWidget* tree_;
  QLabel* kindLabel_ = nullptr;
  TLegendPanel* legend_ = nullptr;
  QMenu* historyMenu_ = nullptr;
  QAction* settingsSeparator_ = nullptr;
  CommandSet<StructureCommand, StructureMenu> commands_{this};
  std::function<void(const std::string&)> tableOpener_;
  std::function<void()> fontApplier_;
  std::function<void()> colorApplier_;
  bool exitMode_ = false;
  bool printerInstalled_ = false;
  bool wasLoading_ = false;
  bool shownTree_ = false;
};

// Panel 1 of the status bar: the legend of the lights; a click refreshes them.
class TLegendPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TLegendPanel(QWidget* parent = nullptr);
  void SetShown(bool shown);
  bool legendShown() const { return shown_; }
  std::function<void()> onClick;
  QSize sizeHint() const override { return {172, 20}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  bool shown_ = true;
};

// The text of the information box of commands still to come.
QString NextVersionText();

}  // namespace rpt::gui
