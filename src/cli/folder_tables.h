// Loading the tables of an unpacked report folder the way a report load
// does, for the commands that work on a folder (recalc, check).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/calc/report_engine.h"
#include "core/calc/structure.h"
#include "core/tables/table.h"

namespace rpt::cli {

struct FolderTables {
  std::vector<std::unique_ptr<TTable>> tables;  // in report order
  std::vector<std::string> fileNames;          // "Файл" of each, Windows-1251
};

// The folder's structure; a folder without one is an error.
StructureModel ReadFolderStructure(const std::string& folder);

// Loads every table item of the structure that is neither excluded nor in an
// excluded section, with the loading flag set (it stays set), attaching each
// to the engine through `view`. A missing table file stops with the load's
// message.
FolderTables LoadFolderTables(const std::string& folder, const StructureModel& model,
                              TableContext& context, ReportEngine& engine, ReportEngineView& view);

}  // namespace rpt::cli
