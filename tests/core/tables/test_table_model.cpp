// The cell, row and section model: value normalisation and the hooks a
// stored value triggers, addressing, layout and numbering.
#include <gtest/gtest.h>

#include "core/tables/table.h"
#include "table_test_util.h"

namespace rpt {
namespace {

using testing::RecordingHooks;
using Calls = std::vector<std::string>;

const Calls kRecalc = {"modified", "report changed", "recalc shallow check"};
const Calls kCheck = {"modified", "report changed", "check"};
const Calls kMarkOnly = {"modified", "report changed"};

struct SetValueCase {
  const char* name;
  std::uint8_t type;
  const char* before;
  const char* input;
  bool loading;
  const char* stored;
  Calls calls;
  int dec = 2;
};

class SetValueTest : public ::testing::TestWithParam<SetValueCase> {};

TEST_P(SetValueTest, NormalisesAndTriggersHooks) {
  const SetValueCase& c = GetParam();
  RecordingHooks hooks;
  TableContext ctx;
  ctx.hooks = &hooks;
  TTable table(ctx);
  TCell cell(&table);
  cell.type = c.type;
  cell.Dec = c.dec;
  cell.label.caption = c.before;
  hooks.SetLoading(c.loading);
  cell.SetValue(c.input);
  EXPECT_EQ(cell.label.caption, c.stored);
  EXPECT_EQ(hooks.calls, c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, SetValueTest,
    ::testing::Values(
        SetValueCase{"same_caption_does_nothing", 3, "1,5", "1,5", false, "1,5", {}},
        SetValueCase{"real_point_becomes_comma", 3, "", "12.5", false, "12,5", kRecalc},
        // Compared before normalisation: still marks and recalculates.
        SetValueCase{"real_point_over_same_value", 3, "1,5", "1.5", false, "1,5", kRecalc},
        SetValueCase{"real_blank_kept", 3, "1", "  ", false, "  ", kRecalc},
        SetValueCase{"formula_number", 7, "", "3.14", false, "3,14", kMarkOnly},
        SetValueCase{"formula_negative", 7, "", "-2.5", false, "-2,5", kMarkOnly},
        SetValueCase{"formula_text_unchanged", 7, "", "abc.def", false, "abc.def", kMarkOnly},
        SetValueCase{"text_copy_keeps_a_date", 7, "", "15.03.2023", false, "15.03.2023", kMarkOnly, -1},
        SetValueCase{"integer_recalcs", 2, "", "7", false, "7", kRecalc},
        SetValueCase{"list_recalcs", 6, "", "x", false, "x", kRecalc},
        SetValueCase{"text_checks", 1, "", "a.b", false, "a.b", kCheck},
        SetValueCase{"date_checks", 4, "", "01.02.2023", false, "01.02.2023", kCheck},
        SetValueCase{"long_text_checks", 5, "", "x", false, "x", kCheck},
        SetValueCase{"caption_marks_only", 0, "", "x", false, "x", kMarkOnly},
        SetValueCase{"row_number_marks_only", 9, "", "4", false, "4", kMarkOnly},
        SetValueCase{"loading_suppresses_all", 3, "", "2.5", true, "2,5", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CellTest, GetValueRewritesTheCaptionWithoutHooks) {
  RecordingHooks hooks;
  TableContext ctx;
  ctx.hooks = &hooks;
  TTable table(ctx);
  TCell cell(&table);
  cell.type = 3;
  cell.label.caption = "12.5";
  EXPECT_EQ(cell.GetValue(), "12,5");
  EXPECT_EQ(cell.label.caption, "12,5");
  EXPECT_TRUE(hooks.calls.empty());
}

TEST(CellTest, ClearKeepsRowNumbersAndResetsListCells) {
  RecordingHooks hooks;
  TableContext ctx;
  ctx.hooks = &hooks;
  TTable table(ctx);
  TCell number(&table);
  number.type = 9;
  number.label.caption = "3";
  number.BVal = 5;
  number.Clear();
  EXPECT_EQ(number.label.caption, "3");
  EXPECT_EQ(number.BVal, 5);
  EXPECT_TRUE(hooks.calls.empty());

  TCell list(&table);
  list.type = 6;
  list.label.caption = "Item";
  list.label.hint = "short|long";
  list.BVal = 10;
  list.BList = 2;
  list.ListCode = 7;
  list.Clear();
  EXPECT_EQ(list.label.caption, "");
  EXPECT_EQ(list.label.hint, "");
  EXPECT_EQ(list.BVal, -1);
  EXPECT_EQ(list.BList, -1);
  EXPECT_EQ(list.ListCode, -1);
  EXPECT_EQ(hooks.calls, kRecalc);
}

TEST(CellTest, ResizeMarksModifiedOnlyOnChange) {
  TableContext ctx;
  TTable table(ctx);
  TCell cell(&table);
  cell.label.width = 40;
  cell.SetWidth(40);
  cell.SetHeight(0);
  EXPECT_FALSE(table.Modified());
  cell.SetHeight(20);
  EXPECT_TRUE(table.Modified());
  EXPECT_EQ(cell.GetHeight(), 20);
}

// A form table: every cell in row 0 with free Col and Row keys.
struct FormTable {
  TableContext ctx;
  TTable table{ctx};
  FormTable(std::initializer_list<std::pair<int, int>> colRow) {
    AppendRow(table.data, 0, &table, true);
    for (auto [c, r] : colRow) {
      TCell* cell = AddCell(*FirstRow(table.data), &table, true);
      cell->Col = c;
      cell->Row = r;
    }
  }
  TCell* cell(int i) { return FirstRow(table.data)->cells[static_cast<std::size_t>(i)].get(); }
};

TEST(AddressingTest, GetCellOnAFormTable) {
  FormTable f({{5, 1}, {2, 9}, {2, 3}, {2, 3}});
  EXPECT_EQ(GetCell(f.table.data, 2, 0), f.cell(1));  // row 0 by position
  EXPECT_EQ(GetCell(f.table.data, 2, 3), f.cell(2));  // first with Col 2, Row 3
  EXPECT_EQ(GetCell(f.table.data, 7, 7), nullptr);
  EXPECT_EQ(GetCell(f.table.data, 9, 0), nullptr);
}

TEST(AddressingTest, OutOfRangeLookupsGiveNone) {
  FormTable f({{1, 1}, {2, 1}, {3, 1}});
  EXPECT_EQ(CellByNumber(f.table.data, 1), nullptr);
  EXPECT_EQ(CellByNumber(f.table.data, 2), f.cell(0));
  EXPECT_EQ(CellByNumber(f.table.data, 4), f.cell(2));
  EXPECT_EQ(CellByNumber(f.table.data, 5), nullptr);
  EXPECT_EQ(CellAt(*FirstRow(f.table.data), 0), nullptr);
  EXPECT_EQ(RowAt(f.table.data, -1), nullptr);
  EXPECT_EQ(RowAt(f.table.data, 1), nullptr);
  TDataSect empty;
  EXPECT_EQ(GetCell(empty, 1, 1), nullptr);
  EXPECT_EQ(CellByNumber(empty, 2), nullptr);
}

TEST(AddressingTest, GridRowBeyondRowCountIsLookedUpInTheBufferRow) {
  TableContext ctx;
  TTable t(ctx);
  for (int r = 0; r <= 2; ++r) AppendRow(t.data, 3, &t, r > 0);
  EXPECT_EQ(GetCell(t.data, 3, 2), RowAt(t.data, 2)->cells[2].get());
  EXPECT_EQ(GetCell(t.data, 3, 5), nullptr);
  RowAt(t.data, 0)->cells[1]->Col = 3;
  RowAt(t.data, 0)->cells[1]->Row = 5;
  EXPECT_EQ(GetCell(t.data, 3, 5), RowAt(t.data, 0)->cells[1].get());
}

TEST(RowTest, InsertMovesRowsWithoutCopyingCellsAndTakesColumnGeometry) {
  TableContext ctx;
  TTable t(ctx);
  for (int r = 0; r <= 10000; ++r) AppendRow(t.data, 12, &t, true);
  TCell* kept = RowAt(t.data, 5000)->cells[3].get();
  TCell* above = RowAt(t.data, 9)->cells[4].get();
  above->label.left = 321;
  above->label.width = 55;
  TRow* inserted = InsertRow(t.data, 12, 10, true, &t);
  EXPECT_EQ(RowAt(t.data, 10), inserted);
  EXPECT_EQ(RowAt(t.data, 5001)->cells[3].get(), kept);
  EXPECT_EQ(inserted->cells[4]->label.left, 321);
  EXPECT_EQ(inserted->cells[4]->label.width, 55);
  EXPECT_EQ(t.data.size(), 10002u);

  // Appending copies from the last row once there are two rows.
  TableContext ctx2;
  TTable u(ctx2);
  AppendRow(u.data, 2, &u, true);
  FirstRow(u.data)->cells[0]->label.left = 7;
  EXPECT_EQ(AppendRow(u.data, 2, &u, true)->cells[0]->label.left, 0);
  RowAt(u.data, 1)->cells[1]->label.width = 33;
  EXPECT_EQ(AppendRow(u.data, 2, &u, true)->cells[1]->label.width, 33);
}

TEST(RowTest, ColumnOperationsReachEveryRow) {
  TableContext ctx;
  TTable t(ctx);
  for (int r = 0; r <= 3; ++r) AppendRow(t.data, 2, &t, true);
  SetColumnLeft(t.data, 2, 90);
  SetColumnWidth(t.data, 2, 45);
  for (int r = 0; r <= 3; ++r) {
    EXPECT_EQ(RowAt(t.data, r)->cells[1]->label.left, 90);
    EXPECT_EQ(RowAt(t.data, r)->cells[1]->label.width, 45);
  }
  EXPECT_TRUE(t.Modified());
}

TEST(SectionTest, LayoutSection) {
  TableContext ctx;
  TTable t(ctx);
  t.header.panelHeight = 77;
  LayoutSection(t.header, 10);
  EXPECT_EQ(t.header.panelHeight, 77);

  struct Geo { int top, left, height; };
  for (Geo g : {Geo{100, 50, 20}, Geo{90, 40, 10}, Geo{95, 40, 30}}) {
    TCell* c = AddSectionCell(t.top, &t, true);
    c->label.top = g.top;
    c->label.left = g.left;
    c->label.height = g.height;
  }
  LayoutSection(t.top, 10);
  EXPECT_EQ(t.top.topOffset, 90);
  EXPECT_EQ(t.top.height, 35);
  EXPECT_EQ(t.top.panelHeight, 35);
  EXPECT_EQ(t.top.leftmost, t.top.cells[1].get());
  EXPECT_EQ(t.top.cells[0]->label.top, 10);
  EXPECT_EQ(t.top.cells[0]->label.left, 40);
  EXPECT_EQ(t.top.cells[2]->label.top, 5);
  ShiftSection(t.top, 5);
  EXPECT_EQ(t.top.cells[2]->label.left, 35);
}

std::vector<int> Numbers(const std::vector<std::unique_ptr<TCell>>& cells) {
  std::vector<int> n;
  for (const auto& c : cells) n.push_back(c->number);
  return n;
}

TEST(SectionTest, NumberCellsFollowsTheFileOrder) {
  TableContext ctx;
  TTable form(ctx);
  AppendRow(form.data, 0, &form, true);
  for (int i = 0; i < 5; ++i) AddCell(*FirstRow(form.data), &form, true);
  NumberCells(form);
  EXPECT_EQ(Numbers(FirstRow(form.data)->cells), (std::vector<int>{2, 3, 4, 5, 6}));

  TTable grid(ctx);
  grid.grid = true;
  grid.RowCount = 2;
  grid.ColCount = 3;
  for (int i = 0; i < 3; ++i) AddSectionCell(grid.header, &grid, true);
  for (int i = 0; i < 4; ++i) AddSectionCell(grid.top, &grid, true);
  for (int r = 0; r <= 2; ++r) AppendRow(grid.data, 3, &grid, r > 0);
  for (int i = 0; i < 2; ++i) AddSectionCell(grid.footer, &grid, true);
  NumberCells(grid);
  EXPECT_EQ(Numbers(grid.header.cells), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(Numbers(grid.top.cells), (std::vector<int>{5, 6, 7, 8}));
  EXPECT_EQ(Numbers(RowAt(grid.data, 0)->cells), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Numbers(RowAt(grid.data, 1)->cells), (std::vector<int>{9, 10, 11}));
  EXPECT_EQ(Numbers(RowAt(grid.data, 2)->cells), (std::vector<int>{12, 13, 14}));
  EXPECT_EQ(Numbers(grid.footer.cells), (std::vector<int>{15, 16}));
}

TEST(LabelTest, TextAlignPlacementAndTextBox) {
  struct Case { int align; VAlign v; HAlign h; LabelTextBox box; };
  // A label of 100 x 40 with 20 pixels of text.
  const Case cases[] = {
      {1, VAlign::Top, HAlign::Left, {10, 2, 100, 40}},
      {3, VAlign::Top, HAlign::Right, {0, 2, 90, 40}},
      {5, VAlign::Center, HAlign::Center, {0, 10, 100, 40}},
      {7, VAlign::Bottom, HAlign::Left, {10, 18, 100, 38}},
      {9, VAlign::Bottom, HAlign::Right, {0, 18, 90, 38}},
  };
  for (const Case& c : cases) {
    TFramedLabel l;
    l.width = 100;
    l.height = 40;
    l.SetTextAlign(c.align);
    EXPECT_EQ(l.vertical(), c.v) << c.align;
    EXPECT_EQ(l.horizontal(), c.h) << c.align;
    EXPECT_EQ(TextBoxOf(l, 20), c.box) << c.align;
  }
  TFramedLabel l;
  l.SetTextAlign(9);
  for (int keep : {0, 10, 12}) {
    l.SetTextAlign(keep);
    EXPECT_EQ(l.TextAlign(), keep);
    EXPECT_EQ(l.vertical(), VAlign::Bottom);
    EXPECT_EQ(l.horizontal(), HAlign::Right);
  }
  // Centre rounds toward zero: 41 - 20 = 21 free pixels put the text 10 down.
  TFramedLabel odd;
  odd.width = 10;
  odd.height = 41;
  odd.SetTextAlign(5);
  EXPECT_EQ(TextBoxOf(odd, 20).top, 10);
}

TEST(LabelTest, TextHeightOfCellsAndRows) {
  TableContext ctx;
  FixedTextMeasure measure(6, 13);
  ctx.measure = &measure;
  TTable t(ctx);
  AppendRow(t.data, 0, &t, false);
  AppendRow(t.data, 2, &t, true);
  TCell& a = *RowAt(t.data, 1)->cells[0];
  a.label.width = 70;  // 60 pixels of text: 10 characters a line
  a.label.caption = "aaaa bbbb cccc";
  EXPECT_EQ(t.TextHeight(a), 2 * 13 + 10);
  EXPECT_EQ(t.RowTextHeight(1), 36);
  a.label.caption = "x";
  EXPECT_EQ(t.RowTextHeight(1), 30);  // never below 30
  a.label.caption = "1\r\n2\r\n3\r\n4\r\n5";
  EXPECT_EQ(t.RowTextHeight(1), 75);
}

TEST(RowTest, IsRowEmpty) {
  struct Case { std::vector<std::pair<int, const char*>> cells; bool empty; };
  const Case cases[] = {
      {{{1, ""}, {2, ""}, {3, "0,00"}}, true},
      {{{1, " "}}, false},  // a blank counts as content
      {{{1, ""}, {2, "5"}}, false},
      {{{1, ""}, {3, "abc"}}, true},  // unreadable counts as 0
      {{{6, "item"}}, true},          // list values are not examined
      {{{2, ""}, {4, "01.01.2020"}}, false},  // no text or list cell
  };
  for (const Case& c : cases) {
    TableContext ctx;
    TTable t(ctx);
    AppendRow(t.data, 0, &t, false);
    AppendRow(t.data, 0, &t, true);
    for (auto [type, value] : c.cells) {
      TCell* cell = AddCell(*RowAt(t.data, 1), &t, true);
      cell->type = static_cast<std::uint8_t>(type);
      cell->label.caption = value;
    }
    EXPECT_EQ(t.IsRowEmpty(1), c.empty) << ::testing::PrintToString(c.cells);
  }
}

}  // namespace
}  // namespace rpt
