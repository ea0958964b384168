// The structure window's "Прошлый год ..." and "Этот год ...": the core's
// imports with their windows.
#pragma once

class QWidget;

namespace rpt {
class TReportState;
}

namespace rpt::gui {

void ImportFromLastYear(TReportState& state, QWidget* parent);
void ImportFromThisYear(TReportState& state, QWidget* parent);

}  // namespace rpt::gui
