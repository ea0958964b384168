#include "core/calc/recalc.h"

#include <algorithm>
#include <unordered_set>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/interaction.h"
#include "core/foundation/text_case.h"
#include "core/calc/open_tables.h"
#include "core/calc/structure.h"
#include "core/calc/table_map.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt {

using namespace literals;

std::vector<TCell*> FormulaCellsInOrder(TTable& table) {
  std::vector<TCell*> cells;
  if (!table.hasFormulas) return cells;
  const auto take = [&cells](const std::unique_ptr<TCell>& cell) {
    if (cell->type == cell_type::kFormula) cells.push_back(cell.get());
  };
  if (table.grid) {
    for (const auto& c : table.header.cells) take(c);
    for (const auto& c : table.footer.cells) take(c);
    for (int r = 1; r <= table.RowCount; ++r)
      if (const TRow* row = RowAt(table.data, r))
        for (int c = 1; c <= table.ColCount; ++c)
          if (const std::size_t i = static_cast<std::size_t>(c - 1); i < row->cells.size()) take(row->cells[i]);
  } else if (const TRow* row = FirstRow(table.data)) {
    for (const auto& c : row->cells) take(c);
  }
  return cells;
}

// --- TRecalc ----------------------------------------------------------------------

TRecalc::TRecalc(TOpenTables& tables, TMapTables& map, Interaction* ui)
    : tables_(tables), map_(&map), calc_(tables, ui) {}

void TRecalc::SetIncremental(bool on) {
  incremental_ = on;
  index_.Reset();
  calc_.SetDependencyIndex(on ? &index_ : nullptr);
}

void TRecalc::Pass(TTable& table, bool deep, const CellFailure* onFailure) {
  if (!incremental_) {
    PassOver(table, FormulaCellsInOrder(table), deep, onFailure);
    return;
  }
  // Only a shallow pass may skip cells: a deep one computes again what
  // expressions read, whatever changed. (A shape changed meanwhile is
  // found by the next shallow pass.)
  const bool whole = deep || !index_.Usable(table, tables_);
  std::vector<TCell*> cells;
  try {
    if (whole) PassOver(table, cells = FormulaCellsInOrder(table), deep, onFailure);
    else index_.ComputeStale(table, [&](TCell& cell) { cell.SetValue(calc_.Compute(&table, cell, deep)); });
  } catch (...) {
    index_.Poison();
    index_.PassEnded(table, tables_, whole, cells);
    throw;
  }
  index_.PassEnded(table, tables_, whole, cells);
}

void TRecalc::PassOver(TTable& table, const std::vector<TCell*>& cells, bool deep, const CellFailure* onFailure) {
  for (TCell* cell : cells) {
    if (incremental_) index_.Computing(*cell);
    if (!onFailure) {
      cell->SetValue(calc_.Compute(&table, *cell, deep));
      continue;
    }
    try {
      cell->SetValue(calc_.Compute(&table, *cell, deep));
    } catch (const ECoreError& e) {
      const TTable& failedTable = calc_.failedTable_ ? *calc_.failedTable_ : table;
      const TCell& failedCell = calc_.failedCell_ ? *calc_.failedCell_ : *cell;
      calc_.failedTable_ = nullptr;
      calc_.failedCell_ = nullptr;
      calc_.impure_ = false;
      (*onFailure)(failedTable, failedCell, e);
    }
  }
}

void TRecalc::RecalcTable(TTable& table, bool deep, bool withCheck) {
  {
    TFormulaCalc::Scope scope(calc_);
    Pass(table, deep);
  }
  if (withCheck) table.hooks().CheckTable(table);
}

void TRecalc::RecalcAllTables() { RecalcAll(nullptr); }

void TRecalc::RecalcAllTables(const CellFailure& onFailure) { RecalcAll(&onFailure); }

void TRecalc::RecalcAll(const CellFailure* onFailure) {
  // Every cell of every table is computed: the index would only cost time
  // here (a report's load and save), so it starts afresh and each table
  // builds its part at its first pass of its own (its window opening, the
  // first edit).
  struct Unindexed {
    TRecalc& r;
    bool was;
    ~Unindexed() { r.SetIncremental(was); }
  } unindexed{*this, incremental_};
  SetIncremental(false);
  TMapTables rest = map_->Copy();
  for (TTable* table : tables_.ReportTables())
    if (!table->hasFormulas) rest.Remove(TOpenTables::FileNameOf(*table));
  const auto order = rest.RecalcOrder([this](const std::string& fileName) { return tables_.FindByFileName(fileName); });
  // The operation keeps every result: room for them all is made at once.
  std::vector<std::pair<TTable*, std::vector<TCell*>>> passes;
  std::size_t formulas = 0;
  for (const auto* list : {&order.ordered, &order.blocked})
    for (const auto& entry : *list) {
      passes.emplace_back(entry.window, FormulaCellsInOrder(*entry.window));
      formulas += passes.back().second.size();
    }
  calc_.results_[1].Reserve(formulas);
  TFormulaCalc::Scope scope(calc_);
  for (auto& [table, cells] : passes) PassOver(*table, cells, true, onFailure);
}

void TRecalc::RegisterTableLinks(TTable& table, std::string_view references) {
  // A formula too long to be computed registers nothing; computing it
  // reports it.
  if (references.size() > TFormulaCalc::kMaxFormulaLength) return;
  const std::string fileName = TOpenTables::FileNameOf(table);
  std::string text(references);
  for (std::size_t bracket; (bracket = text.find('[')) != std::string::npos;) {
    std::size_t start = bracket;
    while (start > 0 && text[start - 1] != '*' && text[start - 1] != '+' && text[start - 1] != '-' &&
           text[start - 1] != '/')
      --start;
    const std::string name(tables::TrimText(std::string_view(text).substr(start, bracket - start)));
    text.erase(start, bracket - start + 1);
    if (name.empty()) continue;
    const int index = map_->IndexOf(fileName);
    if (index < 0 || static_cast<std::size_t>(index) + 1 != map_->Count()) continue;
    const bool active = std::any_of(activeNames_.begin(), activeNames_.end(),
                                    [&](const std::string& a) { return SameText(a, name); });
    if (active) map_->AddReference(name + ".ini", static_cast<std::size_t>(index));
  }
}

std::string CellFailureText(const TTable& table, const TCell& cell, std::string_view message) {
  std::string text = table.title.empty() ? table.tableName : table.title;
  text += "\r\n";
  text += "Ячейка "_w;
  text += CellAddress(table, cell);
  text += "\r\n";
  text += message;
  return text;
}

// --- moments ------------------------------------------------------------------------

RecalcRule RuleOf(RecalcMoment moment) {
  switch (moment) {
    case RecalcMoment::ReportLoaded:
    case RecalcMoment::WholeReportNeeded: return {true, true, false, false};
    case RecalcMoment::TableActivated: return {false, true, false, true};
    case RecalcMoment::RecalcAction: return {false, true, true, false};
    case RecalcMoment::NumberChanged:
    case RecalcMoment::RowOperation:
    case RecalcMoment::SubreportValuesAdded: return {false, false, true, false};
    case RecalcMoment::TableReloaded: return {false, true, true, false};
    case RecalcMoment::IndicatorSaved: return {false, false, false, false};
  }
  return {false, false, false, false};
}

TCalcHooks::TCalcHooks(TOpenTables& tables, TMapTables& map, Interaction* ui)
    : tables_(&tables), map_(&map), ui_(ui), recalc_(tables, map, ui) {
  recalc_.SetIncremental(true);
}

TCalcHooks::TCalcHooks(Interaction* ui)
    : ownTables_(std::make_unique<TOpenTables>()),
      ownMap_(std::make_unique<TMapTables>()),
      tables_(ownTables_.get()),
      map_(ownMap_.get()),
      ui_(ui),
      recalc_(*tables_, *map_, ui) {
  recalc_.SetIncremental(true);
}

void TCalcHooks::Attach(const ReportEngineView& view) {
  if (view.map) map_ = view.map;
  recalc_.SetMap(*map_);
  recalc_.ForgetDependencies();
  tables_->Clear();
  tables_->SetWorkingFolder(view.workingFolder);
  for (const ReportTableRef& ref : view.tables)
    if (ref.table) tables_->Register(*ref.table);
  recalc_.SetActiveNames(view.structure ? view.structure->activeNames : std::vector<std::string>());
}

bool TCalcHooks::KeepGoing() {
  // A cell read by many others fails once for each of them; it is shown once.
  std::unordered_set<const TCell*> shown;
  bool ok = true;
  try {
    recalc_.RecalcAllTables([&](const TTable& table, const TCell& cell, const ECoreError& e) {
      ok = false;
      if (shown.insert(&cell).second && ui_)
        ui_->ShowMessage(MessageKind::Error, CellFailureText(table, cell, e.Message()), kOk, kOk);
    });
  } catch (const ECoreError& e) {
    if (ui_) ui_->ShowMessage(MessageKind::Error, e.Message(), kOk, kOk);
    return false;
  }
  return ok;
}

bool TCalcHooks::Guarded(TTable* table, bool deep, bool withCheck, bool all) {
  try {
    if (all) recalc_.RecalcAllTables();
    else if (table) recalc_.RecalcTable(*table, deep, withCheck);
    return true;
  } catch (const ECoreError& e) {
    if (ui_) ui_->ShowMessage(MessageKind::Error, e.Message(), kOk, kOk);
    return false;
  }
}

void TCalcHooks::RecalcTable(TTable& table, bool deep, bool withCheck) { Guarded(&table, deep, withCheck, false); }

bool TCalcHooks::Recalculate(RecalcMoment moment, TTable* table) {
  if (moment == RecalcMoment::ReportLoaded) return KeepGoing();
  const RecalcRule rule = RuleOf(moment);
  if (!rule.allTables && (!table || (rule.onlyWithFormulas && !table->hasFormulas))) return true;
  return Guarded(table, rule.deep, rule.withCheck, rule.allTables);
}

void TCalcHooks::TableMapAdd(std::string_view fileName) { map_->AddTable(fileName); }

void TCalcHooks::TableMapRemove(std::string_view fileName) { map_->Remove(fileName); }

void TCalcHooks::RegisterTableLinks(TTable& table, std::string_view references) {
  recalc_.RegisterTableLinks(table, references);
}

}  // namespace rpt
