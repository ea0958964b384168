#include "gui/report/structure_actions.h"

namespace rpt::gui {

StructureStates ComputeStructureStates(const StructureInputs& in) {
  const bool T = in.treeVisible, E = in.structureEditing, S = in.isSubreport, O = in.subreportOnly;
  const bool W = in.tablesOpen, P = in.printerInstalled;
  const bool sel = in.selected != NodeKind::None;
  const bool item = in.selected == NodeKind::Document || in.selected == NodeKind::Table;
  const bool usable = T && sel && !in.selectedExcluded && !E;

  StructureStates s;
  s.saveAs = T;
  s.save = !E && in.modified;
  s.remove = T && !E;
  s.colors = T;
  s.history = !in.recentEmpty;
  s.edit = T && item && !in.selectedExcluded && !E;
  s.data = !E && W;
  s.importVisible = !O;
  s.lastYearVisible = in.importableTables >= 1 && !O;
  s.lastYear = !S && !E;
  s.thisYearVisible = !O;
  s.thisYear = !S && !E;
  s.word = usable;
  s.exportMenu = s.word;
  s.excel = usable && in.selected != NodeKind::Document;
  s.check = T && !E;
  s.subreportVisible = !O;
  s.structure = !O;
  s.correction = !O;
  s.transfer = !O && S;
  s.include = !O && !E && !S && T;
  s.includedList = s.include;
  s.printSelected = usable && P;
  // The whole report is the root, which is never excluded.
  s.printAll = T && P && !E;
  s.blank = usable && P && in.selected == NodeKind::Table;
  s.printAllSubreportCaption = S || O;
  s.sending = T && !E && (!S || O);
  s.internet = !O && !S;
  s.email = !O && !S;
  s.siteVisible = !O && !S;
  s.lights = !E && W;
  s.legend = !E;
  s.tablesFrame = !E && !in.loading && W;
  return s;
}

}  // namespace rpt::gui
