// Undo and redo of value changes and row operations: every step taken back
// gives the table exactly as it was, and redoing gives it as it became.
#include <gtest/gtest.h>

#include "core/tables/table_undo.h"
#include "row_test_util.h"

namespace rpt {
namespace {

using testing::GrowingTable;

constexpr std::uint8_t N = cell_type::kRowNumber, T = cell_type::kText, I = cell_type::kInteger;

// Everything a saved table file holds of the rows: each cell's content and
// place, the row count and the sizes.
std::string Fingerprint(const TTable& t) {
  std::string s = std::to_string(t.RowCount) + "/" + std::to_string(t.contentHeight) + "/" +
                  std::to_string(t.footer.topOffset) + "\n";
  for (const auto& row : t.data.rows) {
    for (const auto& c : row->cells)
      s += c->label.caption + "@" + std::to_string(c->Row) + ":" + std::to_string(c->label.top) + "+" +
           std::to_string(c->label.height) + (c->label.visible ? "" : "h") + "|";
    s += "\n";
  }
  return s;
}

// The table window's way of recording a typed value.
void Type(TTable& t, TableUndo& undo, TCell& cell, const std::string& value, int fit = 0) {
  const TCell before = cell;
  cell.SetValue(value);
  if (fit != 0) ResizeRow(t, cell, fit);
  undo.RecordValue(t, cell, before, fit);
}

template <typename Op>
void Operation(TTable& t, TableUndo& undo, Op op) {
  TableRowsState before = CaptureRows(t);
  ASSERT_TRUE(op());
  undo.RecordRows(t, std::move(before));
}

TEST(TableUndoTest, TenMixedStepsUndoneAndRedoneExactly) {
  GrowingTable g({N, T, I}, {{"", "a", "1"}, {"", "b", "2"}, {"", "c", "3"}});
  TTable& t = g.table;
  TableUndo undo;
  std::vector<std::string> states{Fingerprint(t)};
  const auto step = [&] { states.push_back(Fingerprint(t)); };

  Type(t, undo, g.Cell(1, 2), "alpha"), step();
  Operation(t, undo, [&] { return InsertEmptyRow(t, 1); }), step();
  Type(t, undo, g.Cell(2, 3), "42"), step();
  Type(t, undo, g.Cell(2, 2), "a long text\r\nover two lines", 25), step();  // the row fitted
  Operation(t, undo, [&] { return CutRow(t, 3); }), step();
  Operation(t, undo, [&] { return InsertBufferRow(t, 1); }), step();
  Type(t, undo, g.Cell(4, 3), ""), step();
  Operation(t, undo, [&] { return DeleteRow(t, 1, true); }), step();
  Operation(t, undo, [&] {
    SortRows(t, {2});
    return true;
  }), step();
  Operation(t, undo, [&] { return ClearRow(t, 2, true); }), step();
  ASSERT_EQ(undo.Size(), 10u);
  ASSERT_EQ(g.LayoutFault(), "");

  for (std::size_t i = states.size() - 1; i-- > 0;) {
    ASSERT_TRUE(undo.Undo(t)) << i;
    EXPECT_EQ(Fingerprint(t), states[i]) << "undone to step " << i;
    EXPECT_EQ(g.LayoutFault(), "") << i;
  }
  EXPECT_FALSE(undo.Undo(t));
  EXPECT_TRUE(t.Modified());
  for (std::size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(undo.Redo(t)) << i;
    EXPECT_EQ(Fingerprint(t), states[i]) << "redone to step " << i;
  }
  EXPECT_FALSE(undo.Redo(t));
}

TEST(TableUndoTest, NewStepDropsRedoAndDepthIsKept) {
  GrowingTable g({N, I}, {{"", "0"}});
  TTable& t = g.table;
  TableUndo undo;
  Type(t, undo, g.Cell(1, 2), "1");
  Type(t, undo, g.Cell(1, 2), "2");
  ASSERT_TRUE(undo.Undo(t));
  Type(t, undo, g.Cell(1, 2), "3");
  EXPECT_FALSE(undo.CanRedo());
  ASSERT_TRUE(undo.Undo(t));
  EXPECT_EQ(g.Cell(1, 2).label.caption, "1");

  Type(t, undo, g.Cell(1, 2), "1");  // unchanged: no step, the redo stays
  EXPECT_TRUE(undo.CanRedo());
  for (int i = 0; i < 150; ++i) Type(t, undo, g.Cell(1, 2), std::to_string(i + 10));
  EXPECT_EQ(undo.Size(), TableUndo::kDepth);
  int undone = 0;
  while (undo.Undo(t)) ++undone;
  EXPECT_EQ(undone, 100);
  EXPECT_EQ(g.Cell(1, 2).label.caption, "59") << "the value before the oldest step kept";
}

// A change no step recorded (the composition window, another program's
// pick) is never overwritten by taking back an older step.
TEST(TableUndoTest, AnUnrecordedChangeIsNeverUndoneOver) {
  GrowingTable g({N, T, I}, {{"", "a", "1"}, {"", "b", "2"}});
  TTable& t = g.table;
  TableUndo undo;
  Operation(t, undo, [&] { return InsertEmptyRow(t, 1); });
  g.Cell(3, 3).label.caption = "99";  // not through a step
  const std::string now = Fingerprint(t);
  EXPECT_FALSE(undo.Undo(t));
  EXPECT_EQ(Fingerprint(t), now);
  EXPECT_FALSE(undo.CanUndo());

  Type(t, undo, g.Cell(1, 2), "x");
  g.Cell(1, 2).label.caption = "y";
  EXPECT_FALSE(undo.Undo(t));
  EXPECT_EQ(g.Cell(1, 2).label.caption, "y");
  // The check marks and formula results are no such change.
  Type(t, undo, g.Cell(2, 2), "z");
  g.Cell(2, 2).label.remarked = true;
  EXPECT_TRUE(undo.Undo(t));
}

TEST(TableUndoTest, UndoRecalculatesAndChecks) {
  GrowingTable g({N, I}, {{"", "0"}});
  TableUndo undo;
  Type(g.table, undo, g.Cell(1, 2), "7");
  g.hooks.calls.clear();
  ASSERT_TRUE(undo.Undo(g.table));
  EXPECT_EQ(g.Cell(1, 2).label.caption, "0");
  EXPECT_EQ(g.hooks.calls.back(), "recalc shallow check");
}

}  // namespace
}  // namespace rpt
