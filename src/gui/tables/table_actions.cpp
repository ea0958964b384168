#include "gui/tables/table_actions.h"

namespace rpt::gui {

TableActionStates RefreshTableActions(const TableActionInputs& in) {
  TableActionStates s;
  const bool any = in.windows > 0;
  s.frame = any;
  s.open = any;
  s.first = s.previous = s.next = s.last = any;
  s.cascade = s.minimizeAll = s.keepActive = in.hasActive;
  // Every window hidden: nothing to act on but the navigation.
  if (in.shown == 0) {
    s.keepActive = false;
    return s;
  }

  s.first = s.previous = in.activeIndex > 0;
  s.next = s.last = in.activeIndex < in.windows - 1;
  s.loadClean = s.loadLastEdition = s.reloadButton = true;
  s.print = true;
  s.cascadeMenu = s.minimizeAllMenu = true;
  s.optimizeAll = s.optimize = true;
  s.instruction = true;
  s.viewMenu = true;
  s.save = in.modified;
  s.recalc = in.hasFormulas;
  s.fillZeros = in.hasNumbers;
  s.sort = s.deleteEmptyRows = in.growing;
  s.check = in.protocolHasMessages;
  return s;
}

}  // namespace rpt::gui
