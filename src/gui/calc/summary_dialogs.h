// The two summaries shown before a report is sent: "Таблицы с замечаниями"
// (TForm_ProtErrors) and "Пустые таблицы" (TForm_ProtEmptyTabs). Both are
// modal and take the lines the checker builds (Windows-1251).
#pragma once

#include <string>
#include <vector>

#include "core/calc/check_status.h"

class QWidget;

namespace rpt::gui {

checks::ErrorsSummaryAnswer ShowErrorsSummary(const std::vector<std::string>& lines,
                                              QWidget* parent = nullptr);
checks::EmptySummaryAnswer ShowEmptySummary(const std::vector<std::string>& lines,
                                            QWidget* parent = nullptr);

}  // namespace rpt::gui
