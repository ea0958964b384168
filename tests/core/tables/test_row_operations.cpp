// Row operations of growing tables: the buffer row, insertions, cut,
// clear, delete, empty rows, whole-table operations, the pop-up decision
// and the questions of the menu commands.
#include <gtest/gtest.h>

#include "core/foundation/codec.h"
#include "row_test_util.h"
#include "support/scripted_interaction.h"

namespace rpt {
namespace {

using namespace literals;
using testing::GrowingTable;
using testing::ScriptedInteraction;
using Strings = std::vector<std::string>;

constexpr std::uint8_t N = cell_type::kRowNumber, T = cell_type::kText, I = cell_type::kInteger,
                       R = cell_type::kReal, L = cell_type::kListValue, F = cell_type::kFormula,
                       C = cell_type::kCaption;

// Row number, text, integer; values "a".."f" and 1..6.
GrowingTable SixRows(std::vector<int> heights = {}) {
  return GrowingTable({N, T, I},
                      {{"", "a", "1"}, {"", "b", "2"}, {"", "c", "3"}, {"", "d", "4"}, {"", "e", "5"}, {"", "f", "6"}},
                      heights);
}

TEST(RowOperationsTest, CopyThenInsertFromBufferTakesValuesAndHeights) {
  GrowingTable g = SixRows({20, 35, 20, 20, 20, 20});
  CopyRowToBuffer(g.table, 2);
  EXPECT_FALSE(g.table.Modified()) << "copying into the buffer is no change";
  EXPECT_FALSE(g.Cell(0, 2).label.visible);
  g.hooks.calls.clear();

  ASSERT_TRUE(InsertBufferRow(g.table, 5));
  EXPECT_EQ(g.table.RowCount, 7);
  EXPECT_EQ(g.Column(2), (Strings{"a", "b", "c", "d", "e", "b", "f"}));
  EXPECT_EQ(g.Column(1), (Strings{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(g.Cell(6, 3).label.height, 35);
  EXPECT_TRUE(g.Cell(6, 2).label.visible);
  EXPECT_EQ(g.LayoutFault(), "");
  // The row numbers moved (which marks the table) before the recalculation.
  EXPECT_EQ(g.hooks.calls, (Strings{"modified", "report changed", "recalc shallow check", "check"}));
  EXPECT_FALSE(g.hooks.Loading());
}

TEST(RowOperationsTest, CutRowFiveAndPasteOnRowOneMakesItRowTwo) {
  GrowingTable g = SixRows();
  ASSERT_TRUE(CutRow(g.table, 5));
  EXPECT_EQ(g.Column(2), (Strings{"a", "b", "c", "d", "f"}));
  EXPECT_EQ(g.LayoutFault(), "");
  ASSERT_TRUE(InsertBufferRow(g.table, 1));
  EXPECT_EQ(g.Column(2), (Strings{"a", "e", "b", "c", "d", "f"}));
  EXPECT_EQ(g.Column(3), (Strings{"1", "5", "2", "3", "4", "6"}));
  EXPECT_EQ(g.LayoutFault(), "");
}

TEST(RowOperationsTest, InsertCopyAndEmptyRow) {
  GrowingTable g = SixRows({20, 20, 40, 20, 20, 20});
  ASSERT_TRUE(InsertCopyRow(g.table, 3));
  EXPECT_EQ(g.Column(2), (Strings{"a", "b", "c", "c", "d", "e", "f"}));
  EXPECT_EQ(g.Cell(4, 1).label.height, 40);
  ASSERT_TRUE(InsertEmptyRow(g.table, 1));
  EXPECT_EQ(g.Column(2), (Strings{"a", "", "b", "c", "c", "d", "e", "f"}));
  EXPECT_EQ(g.Column(3)[1], "");
  EXPECT_EQ(g.Cell(2, 1).label.caption, "2") << "a row-number cell keeps its number";
  EXPECT_EQ(g.LayoutFault(), "");
  EXPECT_FALSE(InsertEmptyRow(g.table, 0));
  EXPECT_FALSE(InsertEmptyRow(g.table, 9));
}

TEST(RowOperationsTest, ThreeEmptyRowsAfterRowFour) {
  GrowingTable g = SixRows();
  ASSERT_TRUE(InsertEmptyRows(g.table, 4, 3));
  EXPECT_EQ(g.table.RowCount, 9);
  EXPECT_EQ(g.Column(2), (Strings{"a", "b", "c", "d", "", "", "", "e", "f"}));
  EXPECT_EQ(g.Column(1), (Strings{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  EXPECT_EQ(g.LayoutFault(), "");
}

TEST(RowOperationsTest, DeletingEveryRowLeavesNoRowsToSort) {
  GrowingTable g = SixRows();
  while (g.table.RowCount > 0) ASSERT_TRUE(DeleteRow(g.table, 1, true));
  EXPECT_EQ(g.table.data.rows.size(), 1u);
  EXPECT_EQ(g.LayoutFault(), "");
  EXPECT_FALSE(DeleteRow(g.table, 1, true));

  struct NoDialogs : RowDialogs {
    bool RowCount(RowCountSpin&) override { return false; }
    std::optional<Strings> SortColumns(const Strings&) override {
      ADD_FAILURE() << "no dialog expected";
      return std::nullopt;
    }
  } dialogs;
  ScriptedInteraction ui;
  EXPECT_FALSE(SortRowsCommand(g.table, &ui, dialogs));
  EXPECT_EQ(ui.MessageTexts(), (Strings{std::string(NoRowsToSortWarning())}));
  EXPECT_EQ(NoRowsToSortWarning(), "В таблице нет строк для сортировки."_w);
}

TEST(RowOperationsTest, ClearRowKeepsNumbersAndListCodesGo) {
  GrowingTable g({N, T, L, R}, {{"", "x", "item", "2,5"}, {"", "y", "z", "1"}});
  TCell& list = g.Cell(1, 3);
  list.BVal = 7;
  list.label.hint = "h";
  ASSERT_TRUE(ClearRow(g.table, 1, true));
  EXPECT_EQ(g.Column(1), (Strings{"1", "2"}));
  EXPECT_EQ(g.Column(2), (Strings{"", "y"}));
  EXPECT_EQ(list.BVal, -1);
  EXPECT_EQ(list.label.hint, "");
  // Under the loading flag: no per-cell marks, one recalculation.
  EXPECT_EQ(g.hooks.calls, (Strings{"recalc shallow check"}));
  EXPECT_FALSE(g.hooks.Loading());
}

TEST(RowOperationsTest, NestedBulkOperationKeepsTheOuterLoadingFlag) {
  GrowingTable g = SixRows();
  g.hooks.SetLoading(true);
  CopyRowToBuffer(g.table, 1);
  ClearRow(g.table, 2, false);
  EXPECT_TRUE(g.hooks.Loading());
}

struct EmptyCase {
  const char* name;
  std::vector<std::uint8_t> types;
  Strings values;
  bool empty;
};

class IsRowEmptyTest : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(IsRowEmptyTest, Decides) {
  const EmptyCase& c = GetParam();
  GrowingTable g(c.types, {c.values});
  EXPECT_EQ(IsRowEmpty(g.table, 1), c.empty);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IsRowEmptyTest,
    ::testing::Values(EmptyCase{"all_blank", {N, T, I}, {"", "", ""}, true},
                      EmptyCase{"blank_text_is_content", {T}, {" "}, false},
                      EmptyCase{"zero_numbers", {T, I, R}, {"", "0", "0,00"}, true},
                      EmptyCase{"unreadable_number_counts_as_zero", {T, I}, {"", "x"}, true},
                      EmptyCase{"number", {T, R}, {"", "0,5"}, false},
                      EmptyCase{"only_list_cell_filled", {L, I}, {"Отдел", ""}, true},
                      EmptyCase{"no_text_or_list_cell", {I, F}, {"", ""}, false},
                      EmptyCase{"date_not_examined", {T, cell_type::kDate}, {"", "01.01.2020"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RowOperationsTest, DeleteEmptyRowsRemovesAndRestacks) {
  GrowingTable g({N, T, L, I}, {{"", "a", "", "1"}, {"", "", "Отдел", ""}, {"", "c", "", ""},
                                {"", "", "", "0"}, {"", "", "", "5"}},
                 {20, 30, 20, 25, 20});
  g.hooks.calls.clear();
  ASSERT_TRUE(DeleteEmptyRows(g.table));
  EXPECT_EQ(g.table.RowCount, 3);
  EXPECT_EQ(g.Column(2), (Strings{"a", "c", ""}));
  EXPECT_EQ(g.Column(4), (Strings{"1", "", "5"}));
  EXPECT_EQ(g.LayoutFault(), "");
  EXPECT_EQ(g.hooks.calls, (Strings{"modified", "report changed", "check"})) << "no recalculation";

  g.table.SetModified(false);
  EXPECT_FALSE(DeleteEmptyRows(g.table));
  EXPECT_FALSE(g.table.Modified()) << "nothing removed, nothing changed";
}

TEST(RowOperationsTest, RowsCompatibleAndThePopupDecision) {
  GrowingTable g({N, T, L}, {{"", "a", "x"}, {"", "b", "y"}, {"", "c", "z"}});
  g.Cell(3, 3).List = "L2.lst 1";
  // A row of display cells only, and one with a formula beside them.
  GrowingTable d({N, C, F}, {{"", "t", ""}});
  d.Cell(1, 3).type = C;

  struct PopupCase {
    const char* name;
    TTable* table;
    int row, col;
    bool subreports;
    CellPopupMenu expected;
  };
  const CellPopupMenu none{};
  CellPopupMenu rowsOnly{true, true, false, false, true, false};
  CellPopupMenu listCell = rowsOnly;
  listCell.insertWholeList = true;
  auto run = [](const std::vector<PopupCase>& cases) {
    for (const PopupCase& c : cases) {
      TCell* cell = c.row >= 1 ? GetCell(c.table->data, c.col, c.row) : nullptr;
      EXPECT_EQ(DecideCellPopup(*c.table, cell, c.row, c.subreports), c.expected) << c.name;
    }
  };
  run({{"before_any_copy", &g.table, 1, 2, false, rowsOnly},
       {"list_cell", &g.table, 1, 3, false, listCell},
       {"outside_data_area", &g.table, 0, 2, false, none},
       {"display_row", &d.table, 1, 2, false, none}});

  CopyRowToBuffer(g.table, 1);
  CellPopupMenu fits = rowsOnly;
  fits.insertFromBuffer = true;
  run({{"after_copy", &g.table, 2, 2, false, fits},
       {"other_list", &g.table, 3, 2, false, rowsOnly}});
  EXPECT_TRUE(RowsCompatible(g.table, 0, 2));
  EXPECT_FALSE(RowsCompatible(g.table, 0, 3));

  // Not growing: the menu shows without row operations.
  g.table.growing = false;
  g.Cell(1, 2).type = I;
  CellPopupMenu fixed{true, false, false, false, false, true};
  run({{"fixed_table_number_cell", &g.table, 1, 2, true, fixed}});

  // A formula row does not allow row operations but shows the menu.
  GrowingTable f({N, F}, {{"", "1"}});
  run({{"formula_row", &f.table, 1, 2, false, CellPopupMenu{true, false, false, false, true, false}}});
}

TEST(RowOperationsTest, FillZerosAndClearNumbers) {
  GrowingTable g({T, I, R, R}, {{"a", "", " ", "4"}, {"", "3", "", ""}});
  g.Cell(1, 3).Dec = 2;
  g.Cell(2, 3).Dec = 2;
  g.Cell(2, 4).Dec = -1;
  g.hooks.calls.clear();
  FillZeros(g.table);
  EXPECT_EQ(g.Column(2), (Strings{"0", "3"}));
  EXPECT_EQ(g.Column(3), (Strings{"0,00", "0,00"}));
  EXPECT_EQ(g.Column(4), (Strings{"4", "0"}));
  EXPECT_EQ(g.Column(1), (Strings{"a", ""}));
  EXPECT_EQ(g.hooks.calls, (Strings{"modified", "report changed"})) << "no recalculation, no status";

  ClearNumbers(g.table);
  EXPECT_EQ(g.Column(2), (Strings{"", ""}));
  EXPECT_EQ(g.Column(4), (Strings{"", ""}));
  EXPECT_EQ(g.Column(1), (Strings{"a", ""}));
}

TEST(RowOperationsTest, FillZerosReachesTheCellsOfAFormTable) {
  GrowingTable g({}, {});
  TTable& t = g.table;
  t.grid = false;
  t.growing = false;
  TRow& row = *FirstRow(t.data);
  for (std::uint8_t type : {I, R, T}) AddCell(row, &t, true)->type = type;
  row.cells[1]->Dec = 1;
  FillZeros(t);
  EXPECT_EQ(row.cells[0]->label.caption, "0");
  EXPECT_EQ(row.cells[1]->label.caption, "0,0");
  EXPECT_EQ(row.cells[2]->label.caption, "");
}

TEST(RowOperationsTest, FitRowHeightsTakesTheTallestTextAtLeastThirty) {
  // 50 wide less 10: six characters of 6 pixels per 13-pixel line.
  GrowingTable g({T, T}, {{"a", "b"}, {"aaaaaa bbbbbb cccccc", "x"}}, {50, 20});
  ScriptedInteraction ui;
  g.ctx.ui = &ui;
  FitRowHeights(g.table);
  EXPECT_EQ(g.Cell(1, 1).label.height, 30);
  EXPECT_EQ(g.Cell(2, 2).label.height, 3 * 13 + 10);
  EXPECT_EQ(g.Cell(2, 1).label.top, 30);
  EXPECT_EQ(g.LayoutFault(), "");
  ASSERT_FALSE(ui.progress.empty());
  EXPECT_EQ(ui.progress.front().text, "Работаю..."_w);
  EXPECT_EQ(ui.progress.back().event, "close");
}

// The "Количество строк" spin field, driven as a user would.
struct ScriptedRowDialogs : RowDialogs {
  std::vector<std::pair<char, double>> events;  // 'L' leave, 'E' enter, 'C' cancel, 'S' set
  bool RowCount(RowCountSpin& spin) override {
    for (const auto& [e, v] : events) {
      if (e == 'S') spin.value = v;
      if (e == 'L') spin.Leave();
      if (e == 'E' && spin.Enter()) return true;
      if (e == 'C') return false;
    }
    return false;
  }
  std::optional<Strings> SortColumns(const Strings&) override { return std::nullopt; }
};

TEST(RowOperationsTest, AskRowCountKeepsToOneHundred) {
  struct Case {
    const char* name;
    std::vector<std::pair<char, double>> events;
    int result;
    int warnings;
  };
  const std::vector<Case> cases = {
      {"default_one", {{'E', 0}}, 1, 0},
      {"typed_seven", {{'S', 7}, {'E', 0}}, 7, 0},
      {"rounded", {{'S', 2.6}, {'E', 0}}, 3, 0},
      {"enter_above_limit_sets_100", {{'S', 150}, {'E', 0}, {'E', 0}}, 100, 1},
      {"leave_above_limit_warns", {{'S', 101}, {'L', 0}, {'S', 5}, {'E', 0}}, 5, 1},
      {"cancelled", {{'S', 5}, {'C', 0}}, 0, 0},
  };
  for (const Case& c : cases) {
    ScriptedInteraction ui;
    ScriptedRowDialogs dialogs;
    dialogs.events = c.events;
    EXPECT_EQ(AskRowCount(&ui, dialogs), c.result) << c.name;
    EXPECT_EQ(static_cast<int>(ui.messages.size()), c.warnings) << c.name;
    for (const auto& m : ui.messages) {
      EXPECT_EQ(m.text, "Можно вставить не более 100 строк."_w);
      EXPECT_EQ(m.kind, MessageKind::Warning);
    }
  }
  GrowingTable g = SixRows();
  ScriptedInteraction ui;
  ScriptedRowDialogs dialogs;
  dialogs.events = {{'C', 0}};
  EXPECT_FALSE(InsertEmptyRowsCommand(g.table, 2, &ui, dialogs));
  EXPECT_EQ(g.table.RowCount, 6);
  dialogs.events = {{'S', 2}, {'E', 0}};
  EXPECT_TRUE(InsertEmptyRowsCommand(g.table, 2, &ui, dialogs));
  EXPECT_EQ(g.table.RowCount, 8);
}

TEST(RowOperationsTest, CommandsAskFirstAndNoLeavesTheTable) {
  struct Case {
    const char* name;
    bool (*run)(TTable&, Interaction*);
    std::string question;
    Strings columnIfYes;
  };
  const std::vector<Case> cases = {
      {"delete", [](TTable& t, Interaction* ui) { return DeleteRowCommand(t, 2, ui); },
       std::string("Данные строки будут потеряны. Вы действительно хотите удалить строку из таблицы?"_w),
       {"a", "", "c"}},
      {"clear", [](TTable& t, Interaction* ui) { return ClearRowCommand(t, 1, ui); },
       std::string("Все данные из строки будут потеряны. Вы действительно хотите очистить строку?"_w),
       {"", "b", "", "c"}},
      {"delete_empty", [](TTable& t, Interaction* ui) { return DeleteEmptyRowsCommand(t, ui); },
       DeleteEmptyRowsQuestion(), {"a", "b", "c"}},
  };
  EXPECT_EQ(DeleteEmptyRowsQuestion(),
            Utf8ToCp1251("Внимание! Могут быть удалены пустые строки, необходимые для копирования. "
                         "Тогда придется воспользоваться командой \"Таблица / Обновление\" и все уже "
                         "введенные данные в этой таблице будут потеряны.\r\nЛучше воспользоваться этой "
                         "операцией после полного окончания редактирования таблицы.\r\nВыполнить "
                         "операцию?"));
  for (const Case& c : cases) {
    for (Button answer : {kNo, kYes}) {
      GrowingTable g({T}, {{"a"}, {"b"}, {""}, {"c"}});
      ScriptedInteraction ui;
      ui.answers = {answer};
      EXPECT_EQ(c.run(g.table, &ui), answer == kYes) << c.name;
      ASSERT_EQ(ui.messages.size(), 1u) << c.name;
      EXPECT_EQ(ui.messages[0].text, c.question) << c.name;
      EXPECT_EQ(ui.messages[0].kind, MessageKind::Warning);
      EXPECT_EQ(ui.messages[0].buttons, unsigned{kYes | kNo});
      EXPECT_EQ(g.table.Modified(), answer == kYes) << c.name;
      if (answer == kNo) EXPECT_EQ(g.Column(1), (Strings{"a", "b", "", "c"})) << c.name;
      else EXPECT_EQ(g.Column(1), c.columnIfYes) << c.name;
      EXPECT_EQ(g.LayoutFault(), "") << c.name;
    }
  }
}

}  // namespace
}  // namespace rpt
