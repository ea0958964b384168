// The enabled states of the tables frame's actions as one function of the
// frame's windows and of the active table. Recomputed after every change of
// the table windows (showing, hiding, closing, activation) and after the
// window actions.
#pragma once

namespace rpt::gui {

struct TableActionInputs {
  int windows = 0;           // table windows of the open report
  int shown = 0;             // of them, not hidden
  bool hasActive = false;    // the frame has an active child window
  int activeIndex = -1;      // its index in report order, -1 when none
  // The active table's marks (read only when a window is shown).
  bool modified = false;
  bool hasFormulas = false;
  bool hasNumbers = false;
  bool growing = false;
  bool protocolHasMessages = false;
};

struct TableActionStates {
  bool frame = false;  // the frame window itself
  bool open = false;   // "Открыть ..." (both actions)
  bool first = false, previous = false, next = false, last = false;
  bool cascade = false;          // the "Каскад" action and its tool button
  bool cascadeMenu = false;      // the "Каскад" menu item
  bool minimizeAll = false;      // the "Свернуть все" action
  bool minimizeAllMenu = false;  // the "Свернуть все" menu item
  bool keepActive = false;       // "Оставить активное"
  bool save = false, recalc = false, fillZeros = false, sort = false, deleteEmptyRows = false;
  bool print = false;
  bool loadClean = false, loadLastEdition = false, reloadButton = false;
  bool optimizeAll = false, optimize = false;
  bool instruction = false;
  bool check = false;
  bool viewMenu = false;  // "Вид"
};

TableActionStates RefreshTableActions(const TableActionInputs& in);

}  // namespace rpt::gui
