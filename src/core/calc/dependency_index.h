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

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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
  // A formula cell's turn in a pass: true when it must be computed (always
  // in a whole pass); it is no longer stale.
  bool TakeStale(const TCell& cell, bool whole);
  // The pass is over: after a whole pass the table counts as computed,
  // unless a cycle or a failure made the index forget.
  void PassEnded(const TTable& table, const TOpenTables& open, bool whole);

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
  // Tables computed whole since the last reset, and the shape of every
  // open table when the index began to rely on it.
  std::unordered_set<const TTable*> computed_;
  std::unordered_map<const TTable*, Shape> shapes_;
  std::uint64_t generation_ = 0;
  bool poisoned_ = false;
  std::vector<const TCell*> walk_;
  std::unordered_set<const TCell*> seen_;
};

}  // namespace rpt
