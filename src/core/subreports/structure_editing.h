// Defining which sections and items a department's sub-report holds: a new
// sub-report from the blank report ("Структура") or an existing one's
// structure opened again ("Коррекция"). While it is defined the report
// state is in structure mode: the working folder holds the sub-report's
// structure, the tree shows every item with its exclusion mark, and the
// structure is packed into the sub-report's "Report.rpt" when the work is
// left (TReportState::EndStructureEditing).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rpt {

class TReportState;

// The information box shown on entering structure mode (Windows-1251).
std::string_view StructureModeHint();

// "Структура": leaves the current work, asks for the sub-report's folder
// (the report folder dialog in its sub-report variant, through the state's
// runFolderDialog), creates the sub-report there from the blank report and
// enters structure mode. True when the mode was entered. Cancelled, the
// report that was open before is opened again.
bool DefineSubreportStructure(TReportState& state);

// "Коррекция": leaves the current work, asks for a sub-report's package,
// checks that it is one (unpacked into the check folder, which is emptied
// again) and enters structure mode on it. True when the mode was entered.
bool CorrectSubreportStructure(TReportState& state);

// Structure mode: every item whose "Файл" (or table name, the part before
// the first ".") is not among `items` is excluded, every listed one
// included; a section is excluded exactly when all its items are. Refused
// with the error box when no table would remain. The working structure
// file is written at once. True when the marks were written.
bool KeepOnlyItems(TReportState& state, const std::vector<std::string>& itemsCp1251);

}  // namespace rpt
