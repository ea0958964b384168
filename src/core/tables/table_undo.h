// Undo and redo of one table's changes: the values the user typed and the
// row operations. A value change keeps the cell's content before and after
// (and the height its row was fitted by); a row operation keeps the data
// rows, the footer and the table-level sizes before and after, which is
// what row operations change. Undoing puts back exactly what was there, so
// that a saved table file is byte for byte the earlier one.
//
// The stack keeps the last 100 steps; a step that would make the rows kept
// by the operation steps exceed a few million cells drops the oldest steps
// first (at least the newest step stays).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/tables/table.h"
#include "core/tables/table_geometry.h"

namespace rpt {

// The data rows and the sizes that row operations change (the footer's
// cells stay; only its offset follows the rows).
struct TableRowsState {
  std::vector<std::vector<TCell>> rows;  // data rows, row 0 (the buffer) first
  std::int32_t footerTop = 0;
  std::int32_t RowCount = 0, contentWidth = 0, contentHeight = 0, MinTopD = 0;
  std::size_t CellCount() const;
};
TableRowsState CaptureRows(const TTable& table);
// Puts the state back (new cells, so nothing keeps pointing at old ones).
void RestoreRows(TTable& table, const TableRowsState& state);

// The cell's content (value, list codes, formats) from `from`; its
// geometry, place and marks stay as they are. Nothing is recalculated.
void RestoreCellContent(TCell& cell, const TCell& from);

class TableUndo {
 public:
  static constexpr std::size_t kDepth = 100;
  static constexpr std::size_t kCellBudget = 4'000'000;

  // A cell's value changed: `before` is the cell as it was when its
  // editing began; `rowFit` the dy its row was then resized by (ResizeRow),
  // 0 when it was not. Nothing is recorded when the cell's content is
  // unchanged and its row was not resized.
  void RecordValue(const TTable& table, const TCell& cell, const TCell& before, int rowFit = 0);
  // A row operation: `before` was captured before it ran; the table as it
  // is now is the state after it.
  void RecordRows(const TTable& table, TableRowsState before);

  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < steps_.size(); }
  // The table as before the last step (after the step undone last); the
  // table is then modified, recalculated and checked. False when there is
  // nothing to undo or redo; also when the table no longer is as the step
  // left it (changed in a way no step recorded): then nothing is put back
  // and the steps are forgotten.
  bool Undo(TTable& table);
  bool Redo(TTable& table);
  void Clear();
  std::size_t Size() const { return steps_.size(); }

 private:
  struct Step {
    // A value step: the cell's place and its content before and after.
    TableSection section = TableSection::None;
    CellPos pos;
    std::unique_ptr<TCell> before, after;
    int rowFit = 0;
    // An operation step.
    std::unique_ptr<TableRowsState> rowsBefore, rowsAfter;
  };
  void Push(Step step);
  static bool Matches(TTable& table, const Step& step, bool undo);
  bool Apply(TTable& table, const Step& step, bool undo);

  std::vector<Step> steps_;
  std::size_t done_ = 0;  // steps_[0, done_) are done, the rest undone
};

}  // namespace rpt
