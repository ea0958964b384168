// Which formula cells read which cells, learnt while formulas compute, so
// that the recalculation after an edit computes only the formula cells
// whose result may have changed.
//
// Every computation of a formula cell reports the cells it read: their
// shown texts, their values, or formula cells it computed on the way. A
// changed text marks every cell that read it as stale, and every cell that
// read a stale cell too (a sum computes the formula cells it adds, so it
// depends on what they read). A table's shallow pass then computes, in the
// pass's own order, only its stale cells; a cell that became stale after
// its turn stays stale for the next pass, exactly as the full pass would
// compute it again only then. Marking more than needed costs time, never
// a different result.
//
// The index holds only while the tables keep their shape (rows, cells,
// what a name finds): a changed shape, a cycle or a failing formula makes
// it forget everything, and each table's next pass computes all its cells.
#pragma once

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/tables/table_model.h"

namespace rpt {

class TCell;
class TOpenTables;
class TTable;

// What the formulas and rules of a table depend on besides cell texts: the
// rows in their order (a row is known by its first cell, whose identity is
// never reused), the cells of each row and section, the row and column
// counts.
std::vector<std::uint64_t> TableShape(const TTable& table);

class TDependencyIndex {
 public:
  // Forgets everything: every table's next pass computes all its cells.
  void Reset();

  // --- while formulas compute --------------------------------------------------------
  // A computation of `cell` starts and ends (also when it fails); the cells
  // read in between are its inputs.
  void Begin(const TCell& cell);
  void End();
  // The computation under way read `input` (a text, a value, or a formula
  // cell it computed).
  void Read(const TCell& input);
  // A computation met a cycle or failed: the index cannot vouch for anything.
  void Poison() { poisoned_ = true; }

  // --- around a pass -----------------------------------------------------------------------
  // Whether a shallow pass of `table` may compute only its stale cells: the
  // table was computed whole since the index last forgot, and no open
  // table changed its shape since. Forgets everything when a shape changed.
  bool Usable(const TTable& table, const TOpenTables& open);
  // A formula cell's turn in a whole pass: it is no longer stale.
  void Computing(const TCell& cell) { stale_.erase(&cell); }
  // A pass that may skip cells: hands `compute` the stale formula cells of
  // `table` in the order of the table's last whole pass, each once; a cell
  // that turns stale on the way is taken when its turn is still to come.
  template <typename Compute>
  void ComputeStale(const TTable& table, Compute&& compute);
  // The pass is over: after a whole pass (over `cells`, in its order) the
  // table counts as computed, unless a cycle or a failure made the index
  // forget.
  void PassEnded(const TTable& table, const TOpenTables& open, bool whole, const std::vector<TCell*>& cells);

  // A cell's text changed.
  void Changed(const TCell& cell);

  std::size_t StaleCount() const { return stale_.size(); }

 private:
  using Shape = std::vector<std::uint64_t>;
  void Snapshot(const TTable& table);

  struct Frame {
    const TCell* cell;
    std::size_t start;  // into inputs_
  };
  std::vector<Frame> frames_;
  std::vector<const TCell*> inputs_;
  // What each formula cell read when last computed (sorted), and the other
  // way round: the cells that ever read a cell since the last reset.
  std::unordered_map<const TCell*, std::vector<const TCell*>> reads_;
  std::unordered_map<const TCell*, std::vector<const TCell*>> readers_;
  std::unordered_set<const TCell*> stale_;
  // Cells marked stale since the pass under way last looked.
  std::vector<const TCell*> fresh_;
  // A computed table's formula cells: their place in its pass.
  std::unordered_map<const TCell*, std::pair<std::uint32_t, TCell*>> place_;
  // Tables computed whole since the last reset, and the shape of every
  // open table when the index began to rely on it.
  std::unordered_set<const TTable*> computed_;
  std::unordered_map<const TTable*, Shape> shapes_;
  std::uint64_t generation_ = 0;
  bool poisoned_ = false;
  std::vector<const TCell*> walk_;
  std::unordered_set<const TCell*> seen_;
};

template <typename Compute>
void TDependencyIndex::ComputeStale(const TTable& table, Compute&& compute) {
  // (place, cell) by place, the smallest first.
  std::vector<std::pair<std::uint32_t, TCell*>> due;
  const auto later = [](const auto& a, const auto& b) { return a.first > b.first; };
  std::int64_t current = -1;
  const auto take = [&](const TCell* cell) {
    const auto it = place_.find(cell);
    if (it == place_.end() || it->second.second->table() != &table) return;
    if (static_cast<std::int64_t>(it->second.first) <= current) return;
    due.push_back(it->second);
    std::push_heap(due.begin(), due.end(), later);
  };
  fresh_.clear();
  for (const TCell* cell : stale_) take(cell);
  while (!due.empty()) {
    std::pop_heap(due.begin(), due.end(), later);
    const auto [place, cell] = due.back();
    due.pop_back();
    if (static_cast<std::int64_t>(place) <= current || stale_.erase(cell) == 0) continue;
    current = place;
    compute(*cell);
    for (const TCell* c : fresh_) take(c);
    fresh_.clear();
  }
}

}  // namespace rpt
