// The structure window's print commands: the selected element, the whole
// report, a blank form and the printer choice.
#pragma once

class QWidget;

namespace rpt {
class TReportState;
}

namespace rpt::gui {

// level 0 the whole report, 1 section `section`, 2 item `item` of it
// (0-based). `blank`: the item's blank form.
void PrintSelection(TReportState& state, QWidget* parent, int level, int section, int item, bool blank);
// "Принтер": the system print dialog chooses the printer for later output.
void ChoosePrinter(TReportState& state, QWidget* parent);
// The frame's "Печать": the active table with preview.
class TPrintForm;

}  // namespace rpt::gui
