// Loading many table files at once. A report's tables are independent
// files, and building their cells is most of the time a report takes to
// open: on a machine with more than one core they are loaded side by side.
//
// A table loading on a worker thread talks to a stand-in for the report's
// hooks. Its questions (rules, colours) are answered by the report's hooks
// under one lock; its notifications (table map, cross-table links, changed
// values, modified marks) are kept and passed on to the report's hooks on
// the calling thread, table by table in file order, exactly as a load of
// one table after the other would have made them. A table without margins
// takes the page settings of the table before it, as then. Nothing of the
// interaction port is used by a worker.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/tables/table.h"

namespace rpt::tables {

// Loads `files` (UTF-8 paths) into new tables of `context`. `loaded` is
// called on the calling thread for every table in the order of `files`,
// each as soon as it and those before it are loaded. When a table fails to
// load, the tables before it have been handed over, the others are
// discarded and the failure is raised on the calling thread. `threads` 0
// takes the number of cores; 1 loads everything on the calling thread.
void LoadTableFiles(TableContext& context, const std::vector<std::string>& files,
                    const std::function<void(std::size_t, std::unique_ptr<TTable>)>& loaded,
                    unsigned threads = 0);

}  // namespace rpt::tables
