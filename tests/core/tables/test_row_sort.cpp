// Sorting rows: keys by type, the Latin-only case folding, blocks between
// separator rows, and the order of equal keys that the quicksort gives.
#include <gtest/gtest.h>

#include "core/foundation/codec.h"
#include "row_test_util.h"
#include "support/scripted_interaction.h"

namespace rpt {
namespace {

using testing::GrowingTable;
using testing::ScriptedInteraction;
using Strings = std::vector<std::string>;

constexpr std::uint8_t N = cell_type::kRowNumber, T = cell_type::kText, I = cell_type::kInteger,
                       R = cell_type::kReal, D = cell_type::kDate, L = cell_type::kListValue,
                       F = cell_type::kFormula, C = cell_type::kCaption;

struct SortCase {
  const char* name;
  std::uint8_t type;  // of column 2, the sort column; column 1 holds the row's name
  Strings values;     // Windows-1251 unless noted
  Strings order;      // names of the rows after sorting
};

class SortRowsTest : public ::testing::TestWithParam<SortCase> {};

TEST_P(SortRowsTest, OrdersByTheKeyOfTheType) {
  const SortCase& c = GetParam();
  std::vector<Strings> rows;
  for (std::size_t i = 0; i < c.values.size(); ++i)
    rows.push_back({std::string(1, static_cast<char>('A' + i)), Utf8ToCp1251(c.values[i])});
  GrowingTable g({T, c.type}, rows);
  SortRows(g.table, {2});
  EXPECT_EQ(g.Column(1), c.order);
  EXPECT_EQ(g.LayoutFault(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SortRowsTest,
    ::testing::Values(
        SortCase{"integers_9_before_10", I, {"10", "9", "100"}, {"B", "A", "C"}},
        // Two decimals only: equal keys, and the quicksort exchanges them
        // (a stable sort would keep A before B).
        SortCase{"reals_equal_on_two_decimals", R, {"1,239", "1,234", "0,5"}, {"C", "B", "A"}},
        SortCase{"formula_negative_by_text", F, {"-5", "-1"}, {"B", "A"}},
        SortCase{"dates_by_text_day_first", D, {"10.12.2019", "02.01.2020"}, {"B", "A"}},
        SortCase{"cyrillic_case_kept", T, {"аб", "Аб"}, {"B", "A"}},
        // Latin case folded: "Ab" and "ab" are equal keys and swap.
        SortCase{"latin_case_folded", T, {"ab", "Ab", "Aa"}, {"C", "B", "A"}},
        SortCase{"list_values_as_text", L, {"b", "a", "c"}, {"B", "A", "C"}},
        SortCase{"reals_without_comma", R, {"12", "3,5"}, {"B", "A"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SortKeyTest, FormatsEachType) {
  GrowingTable g({T, I, R, D, C, F}, {{"ab", "42", "3,14159", "1.2.2020", "x", "7"}});
  EXPECT_EQ(SortKey(g.table, 1, {1}), "ab" + std::string(253, ' '));
  EXPECT_EQ(SortKey(g.table, 1, {2, 3}), "00000000000000000042,000" "00000000000000000003,140");
  EXPECT_EQ(SortKey(g.table, 1, {4, 5, 6}), "  1.2.2020" "00000000000000000007,000");
  g.Cell(1, 1).label.caption = std::string(300, 'z');
  EXPECT_EQ(SortKey(g.table, 1, {1}).size(), 300u) << "a longer text stays whole";
  EXPECT_GT(CompareSortKeys("_", "a"), 0) << "a-z fold to upper case, below '_'";
  EXPECT_EQ(CompareSortKeys("ABC", "abc"), 0);
  EXPECT_LT(CompareSortKeys("ab", "abc"), 0);
}

TEST(SortRowsBlocksTest, SeparatorRowsSplitTheTableIntoBlocks) {
  // Rows 3 and 6 have neither text nor list cells: they stay and separate.
  GrowingTable g({N, T, I}, {{"", "c", "1"}, {"", "a", "2"}, {"", "", "99"}, {"", "b", "3"},
                             {"", "a", "4"}, {"", "", "98"}, {"", "z", "5"}},
                 {20, 25, 40, 20, 30, 20, 20});
  for (int c = 2; c <= 3; ++c) {
    g.Cell(3, c).type = C;
    g.Cell(6, c).type = I;
  }
  g.Cell(6, 2).type = C;
  g.hooks.calls.clear();
  SortRows(g.table, {2});
  EXPECT_EQ(g.Column(3), (Strings{"2", "1", "99", "4", "3", "98", "5"}));
  EXPECT_EQ(g.Column(1), (Strings{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(g.Cell(1, 2).label.height, 25) << "rows move with their heights";
  EXPECT_EQ(g.LayoutFault(), "");
  EXPECT_EQ(g.hooks.calls.back(), "check") << "status, no recalculation";
  EXPECT_TRUE(g.table.Modified());
}

TEST(SortRowsBlocksTest, SeveralColumnsInTheChosenOrder) {
  GrowingTable g({T, I}, {{"b", "1"}, {"a", "2"}, {"b", "0"}, {"a", "1"}});
  SortRows(g.table, {2, 1});
  EXPECT_EQ(g.Column(1), (Strings{"b", "a", "b", "a"}));
  EXPECT_EQ(g.Column(2), (Strings{"0", "1", "1", "2"}));
  SortRows(g.table, {1, 2});
  EXPECT_EQ(g.Column(1), (Strings{"a", "a", "b", "b"}));
  EXPECT_EQ(g.Column(2), (Strings{"1", "2", "0", "1"}));
}

struct ChoiceDialogs : RowDialogs {
  std::optional<Strings> answer;
  Strings offered;
  bool RowCount(RowCountSpin&) override { return false; }
  std::optional<Strings> SortColumns(const Strings& available) override {
    offered = available;
    return answer;
  }
};

TEST(SortRowsCommandTest, OffersTheColumnsOfTheFirstSortableRowAndWarns) {
  // Row 1 has no cell of type 1-6; row 2 decides: columns of type 1-4, 6, 7.
  GrowingTable g({N, T, I, R, D, cell_type::kLongText, L, F}, {{}, {"", "b"}, {"", "a"}});
  for (int c = 2; c <= 8; ++c) g.Cell(1, c).type = C;
  ChoiceDialogs dialogs;
  ScriptedInteraction ui;

  dialogs.answer = std::nullopt;
  EXPECT_FALSE(SortRowsCommand(g.table, &ui, dialogs));
  EXPECT_EQ(dialogs.offered, (Strings{"2", "3", "4", "5", "7", "8"}));
  EXPECT_TRUE(ui.messages.empty()) << "cancelled: nothing said";

  dialogs.answer = Strings{};
  EXPECT_FALSE(SortRowsCommand(g.table, &ui, dialogs));
  EXPECT_EQ(ui.MessageTexts(), (Strings{std::string(NoSortColumnsWarning())}));
  EXPECT_EQ(NoSortColumnsWarning(), Utf8ToCp1251("Для сортировки не выбрано ни одного столбца."));
  EXPECT_FALSE(g.table.Modified());

  dialogs.answer = Strings{"2"};
  EXPECT_TRUE(SortRowsCommand(g.table, &ui, dialogs));
  EXPECT_EQ(g.Column(2), (Strings{"", "a", "b"}));

  GrowingTable numbers({N, F, C}, {{"", "1", "x"}});
  EXPECT_TRUE(SortableColumns(numbers.table).empty()) << "no row with a cell of type 1-6";
}

}  // namespace
}  // namespace rpt
