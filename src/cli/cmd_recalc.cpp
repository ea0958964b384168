// reportctl recalc: loads the tables of a report folder as a report load
// does, recalculates them in dependency order and prints every formula
// cell whose text changed. Nothing is written. A formula that fails is
// shown with its table and cell, as opening the report shows it, and makes
// the exit non-zero.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/folder_tables.h"
#include "cli/headless_interaction.h"
#include "core/calc/recalc.h"
#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/calc/open_tables.h"
#include "core/calc/structure.h"
#include "core/calc/table_map.h"
#include "core/tables/table.h"

namespace rpt::cli {
namespace {

using namespace literals;

// A value on one line: line breaks shown as "||".
std::string OneLine(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      out += "||";
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
    } else {
      out += value[i];
    }
  }
  return out;
}

int RunRecalc(const Args& args) {
  if (args.size() != 1) throw UsageError("one report folder expected");
  const std::string folder = WithSeparator(args[0]);
  const StructureModel model = ReadFolderStructure(folder);

  HeadlessInteraction ui;
  TOpenTables openTables;
  TMapTables map;
  TCalcHooks engine(openTables, map, &ui);
  TableContext context;
  context.hooks = &engine;
  context.ui = &ui;
  context.listFolder = folder;
  context.templateFolder = folder;

  ReportEngineView view;
  view.workingFolder = folder;
  view.map = &map;
  view.structure = &model;
  engine.Attach(view);

  // As a report load: the loading flag stays set through the
  // recalculation, so no table is even marked modified.
  const FolderTables loaded = LoadFolderTables(folder, model, context, engine, view);
  const auto& owned = loaded.tables;

  struct Before {
    TTable* table;
    TCell* cell;
    std::string text;
  };
  std::vector<Before> before;
  for (const auto& table : owned)
    for (TCell* cell : FormulaCellsInOrder(*table)) before.push_back({table.get(), cell, cell->label.caption});

  // As a report load: a failing formula is named with its table and cell,
  // and every other cell is still computed.
  engine.RecalcAllTablesKeepGoing();
  for (const Before& b : before) {
    if (b.cell->label.caption == b.text) continue;
    PrintLine(b.table->tableName + " " + CellAddress(*b.table, *b.cell) + ": " + OneLine(b.text) + " -> " +
              OneLine(b.cell->label.caption));
  }
  return ui.errorsShown == 0 ? kExitOk : kExitError;
}

}  // namespace

REPORTCTL_COMMAND("recalc", "recalc FOLDER", RunRecalc);

}  // namespace rpt::cli
