// The blank form of a table item: a temporary table from the item's blank
// table file, its lists expanded when the user wants them.
#pragma once

#include <memory>
#include <string>

#include "core/foundation/interaction.h"
#include "core/tables/table.h"

namespace rpt::output {

// Loads the blank table `file` (Windows-1251 "Файл") of the template folder
// (UTF-8, ends with "/"). A growing table asks "Раскрыть список?" and on
// "Да" takes every row of its lists. Null when the blank file is missing.
// The table lives on its own context, shared by the one blank open at a time.
std::unique_ptr<TTable> OpenBlankTable(TableContext& context, const std::string& templateFolder,
                                       const std::string& file, Interaction& ui);

}  // namespace rpt::output
