// The enabled and visible states of the structure window's commands as one
// function of what the window shows. Recomputed after every change of
// selection, after loading and after each command.
#pragma once

namespace rpt::gui {

enum class NodeKind { None, Root, Section, Document, Table };

struct StructureInputs {
  bool treeVisible = false;        // T: a report is shown
  bool structureEditing = false;   // E
  bool isSubreport = false;        // S
  bool subreportOnly = false;      // O: the installation prepares sub-reports only
  bool tablesOpen = false;         // W: at least one table window
  bool printerInstalled = false;   // P
  NodeKind selected = NodeKind::None;
  bool selectedExcluded = false;
  bool modified = false;           // the report would be saved
  bool loading = false;
  int importableTables = 0;        // "Options.cnf" / "Импортируемые таблицы"
  bool recentEmpty = true;
};

struct StructureStates {
  bool saveAs = false, save = false, remove = false, colors = false;
  bool history = false;
  bool edit = false;
  bool data = false;
  bool importVisible = false;
  bool lastYearVisible = false, lastYear = false;
  bool thisYearVisible = false, thisYear = false;
  bool exportMenu = false, word = false, excel = false;
  bool check = false;
  bool subreportVisible = false;  // the "Подотчет" menu and the separator before "Настройка"
  bool structure = false, correction = false, transfer = false;
  bool include = false, includedList = false;
  bool printSelected = false, printAll = false, blank = false;
  bool printAllSubreportCaption = false;  // "Всего подотчета" instead of "Всего отчета"
  bool sending = false, internet = false, email = false;
  bool siteVisible = false;
  bool lights = false;
  bool legend = false;  // the status bar's legend and its refresh click
  bool tablesFrame = false;
};

StructureStates ComputeStructureStates(const StructureInputs& in);

}  // namespace rpt::gui
