#include "core/calc/dependency_index.h"

#include <algorithm>

#include "core/calc/open_tables.h"
#include "core/tables/table.h"

namespace rpt {

namespace {

bool Registered(const TTable& table, const TOpenTables& open) {
  const auto tables = open.Tables();
  return std::find(tables.begin(), tables.end(), &table) != tables.end();
}

}  // namespace

void TDependencyIndex::Reset() {
  reads_.clear();
  readers_.clear();
  stale_.clear();
  fresh_.clear();
  place_.clear();
  computed_.clear();
  shapes_.clear();
  poisoned_ = false;
}

std::vector<std::uint64_t> TableShape(const TTable& table) {
  std::vector<std::uint64_t> s;
  s.reserve(table.data.rows.size() * 2 + 10);
  const auto section = [&s](const std::vector<std::unique_ptr<TCell>>& cells) {
    s.push_back(cells.size());
    s.push_back(cells.empty() ? 0 : cells.front()->id());
  };
  s.push_back(static_cast<std::uint64_t>(static_cast<std::uint32_t>(table.RowCount)));
  s.push_back(static_cast<std::uint64_t>(static_cast<std::uint32_t>(table.ColCount)));
  s.push_back(table.grid ? 1 : 0);
  section(table.header.cells);
  section(table.footer.cells);
  s.push_back(table.data.rows.size());
  for (const auto& row : table.data.rows) section(row->cells);
  return s;
}

void TDependencyIndex::Snapshot(const TTable& table) {
  if (!shapes_.contains(&table)) shapes_.emplace(&table, TableShape(table));
}

void TDependencyIndex::Begin(const TCell& cell) { frames_.push_back({&cell, inputs_.size()}); }

void TDependencyIndex::Read(const TCell& input) {
  if (!frames_.empty()) inputs_.push_back(&input);
}

void TDependencyIndex::End() {
  if (frames_.empty()) return;
  const Frame frame = frames_.back();
  frames_.pop_back();
  const auto first = inputs_.begin() + static_cast<std::ptrdiff_t>(frame.start);
  std::sort(first, inputs_.end());
  const auto last = std::unique(first, inputs_.end());
  std::vector<const TCell*>& known = reads_[frame.cell];
  if (!std::equal(first, last, known.begin(), known.end())) {
    // Inputs read for the first time become edges; one no longer read stays
    // an edge (it only ever marks too much).
    for (auto it = first; it != last; ++it)
      if (!std::binary_search(known.begin(), known.end(), *it)) readers_[*it].push_back(frame.cell);
    known.assign(first, last);
  }
  inputs_.resize(frame.start);
}

bool TDependencyIndex::Usable(const TTable& table, const TOpenTables& open) {
  if (open.Generation() != generation_) {
    Reset();
    generation_ = open.Generation();
    return false;
  }
  for (const auto& [t, shape] : shapes_) {
    if (TableShape(*t) != shape) {
      Reset();
      return false;
    }
  }
  return computed_.contains(&table) && Registered(table, open);
}

void TDependencyIndex::PassEnded(const TTable& table, const TOpenTables& open, bool whole,
                                 const std::vector<TCell*>& cells) {
  fresh_.clear();
  if (poisoned_) {
    Reset();
    return;
  }
  if (!whole || open.Generation() != generation_ || !Registered(table, open)) return;
  if (computed_.insert(&table).second)
    for (std::size_t i = 0; i < cells.size(); ++i) place_[cells[i]] = {static_cast<std::uint32_t>(i), cells[i]};
  // Every open table is read with the shape it has now; a later change of
  // any of them makes the index forget.
  for (const TTable* t : open.Tables()) Snapshot(*t);
}

void TDependencyIndex::Changed(const TCell& cell) {
  if (readers_.empty()) return;
  walk_.assign(1, &cell);
  seen_.clear();
  while (!walk_.empty()) {
    const TCell* c = walk_.back();
    walk_.pop_back();
    const auto it = readers_.find(c);
    if (it == readers_.end()) continue;
    for (const TCell* reader : it->second) {
      if (!seen_.insert(reader).second) continue;
      stale_.insert(reader);
      fresh_.push_back(reader);
      walk_.push_back(reader);
    }
  }
}

}  // namespace rpt
