// reportctl recalc: loads the tables of a report folder as a report load
// does, recalculates them in dependency order and prints every formula
// cell whose text changed. Nothing is written.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/headless_interaction.h"
#include "core/calc/recalc.h"
#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/report/open_tables.h"
#include "core/report/structure.h"
#include "core/report/table_map.h"
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
  const auto structurePath = FindStructureFile(folder);
  if (!structurePath) throw std::runtime_error("no structure file (*.str) in " + folder);
  const auto model = ReadStructure(*structurePath);
  if (!model) throw std::runtime_error("cannot read " + *structurePath);

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
  view.structure = &*model;
  engine.Attach(view);

  // As a report load: the loading flag stays set through the
  // recalculation, so no table is even marked modified.
  engine.SetLoading(true);
  std::vector<std::unique_ptr<TTable>> owned;
  for (const StructureSection& section : model->sections) {
    if (section.excluded) continue;
    for (const StructureItem& item : section.items) {
      if (item.excluded || item.kind != ItemKind::Table) continue;
      const std::string name = Cp1251ToUtf8(item.file);
      const auto path = name.empty() ? std::nullopt : FindEntryNoCase(folder, name);
      if (!path)
        throw ECoreError(std::string("Отсутствует таблица \""_w) + Utf8ToCp1251(folder + name) +
                         std::string("\".\r\nЗагрузка отчета прекращена."_w));
      auto table = std::make_unique<TTable>(context);
      table->LoadFromFile(*path);
      view.tables.push_back({table.get(), item.title});
      owned.push_back(std::move(table));
      engine.Attach(view);
    }
  }

  struct Before {
    TTable* table;
    TCell* cell;
    std::string text;
  };
  std::vector<Before> before;
  for (const auto& table : owned)
    for (TCell* cell : FormulaCellsInOrder(*table)) before.push_back({table.get(), cell, cell->label.caption});

  std::string error;
  try {
    engine.recalc().RecalcAllTables();
  } catch (const ECoreError& e) {
    error = e.Message();
  }
  for (const Before& b : before) {
    if (b.cell->label.caption == b.text) continue;
    PrintLine(b.table->tableName + " " + CellAddress(*b.table, *b.cell) + ": " + OneLine(b.text) + " -> " +
              OneLine(b.cell->label.caption));
  }
  if (!error.empty()) throw ECoreError(error);
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("recalc", "recalc FOLDER", RunRecalc);

}  // namespace rpt::cli
