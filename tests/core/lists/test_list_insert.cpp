// Whole-list insertion: rows taken from a value list below the current
// row, the run of a row key ended by a missing value, the bounded key
// search, the stop, a missing list, and the expansion of all lists.
#include <gtest/gtest.h>

#include "core/foundation/codec.h"
#include "core/lists/list_insert.h"
#include "core/lists/value_list.h"
#include "core/tables/row_test_util.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using namespace literals;
using testing::GrowingTable;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::Win;
using Strings = std::vector<std::string>;

constexpr std::uint8_t N = cell_type::kRowNumber, T = cell_type::kText, I = cell_type::kInteger,
                       L = cell_type::kListValue;

// A list file with two bound columns (codes 501, 502); `rows` are the
// lines of section "0" after its header.
std::string ListFile(int levels, const std::string& rows) {
  return Win("[Список]\nListCode=77\nУровней=" + std::to_string(levels) +
             "\nКолНаУровне1=3\nПолей=2\n1.LC=501\n2.LC=502\n\n[0]\n" + rows + "\n");
}

// The five lines of row K_r: two texts with their codes and the row code.
std::string ListRow(const std::string& k, int r, const std::string& a, const std::string& b) {
  const std::string p = k + "_" + std::to_string(r);
  return p + "_1=" + a + "\n" + p + "_1.BV=" + std::to_string(r * 10 + 1) + "\n" + p + "_2=" + b + "\n" +
         p + "_2.BV=" + std::to_string(r * 10 + 2) + "\n" + p + ".BL=" + std::to_string(r * 100) + "\n";
}

const std::string kFiller = "Count=3\nNote=x\n";

// Row number, two list columns bound to 501 and 502, an integer, a text.
struct ListTable {
  TempFolder folder;
  ScriptedInteraction ui;
  GrowingTable g{{N, L, L, I, T}, {{"", "", "", "5", "t"}, {"", "Старое", "X", "1", "u"}}};
  explicit ListTable(const std::string& listText) {
    if (!listText.empty()) folder.Write("l1.lst", listText);
    g.ctx.listFolder = folder.path();
    g.ctx.ui = &ui;
    g.Cell(2, 2).label.caption = Win("Старое");
    for (int r = 1; r <= 2; ++r) {
      g.Cell(r, 2).BObj = 501;
      g.Cell(r, 3).BObj = 502;
    }
  }
  int Shows() const {
    int n = 0;
    for (const auto& p : ui.progress) n += p.event == "show";
    return n;
  }
};

TEST(ListInsertTest, FlatListOfThreeRowsGoesBelowTheCurrentRow) {
  ListTable t(ListFile(0, kFiller + ListRow("0", 1, "Москва", "МГУ") + ListRow("0", 2, "Томск", "ТГУ") +
                             ListRow("0", 3, "Омск", "ОмГУ")));
  const auto list = TValueList::Open(t.folder / "l1.lst");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->sectionLines, 18);
  EXPECT_EQ(list->RowCount(), 3);

  const ListInsertResult res = InsertWholeList(t.g.table, 1, 2);
  EXPECT_EQ(res.inserted, 3);
  EXPECT_FALSE(res.stopped);
  EXPECT_EQ(t.g.Column(2), (Strings{"", Win("Москва"), Win("Томск"), Win("Омск"), Win("Старое")}));
  EXPECT_EQ(t.g.Column(3), (Strings{"", Win("МГУ"), Win("ТГУ"), Win("ОмГУ"), "X"}));
  EXPECT_EQ(t.g.Column(4), (Strings{"5", "", "", "", "1"})) << "cells that are not list cells come empty";
  EXPECT_EQ(t.g.Column(5), (Strings{"t", "", "", "", "u"}));
  EXPECT_EQ(t.g.Column(1), (Strings{"1", "2", "3", "4", "5"}));
  const TCell& c = t.g.Cell(3, 3);
  EXPECT_EQ(c.BVal, 22);
  EXPECT_EQ(c.BList, 200);
  EXPECT_EQ(c.ListCode, 77);
  EXPECT_EQ(t.g.Cell(2, 1).label.height, 30) << "the height the row's texts need";
  EXPECT_EQ(t.g.LayoutFault(), "");
  EXPECT_FALSE(t.g.hooks.Loading());
  EXPECT_TRUE(t.g.table.Modified());
  ASSERT_EQ(t.Shows(), 1);
  EXPECT_EQ(t.ui.progress.front().text, "Вставка списка"_w);
  EXPECT_TRUE(t.ui.progress.front().stoppable);
  EXPECT_EQ(t.ui.progress.back().event, "close");
}

struct KeyCase {
  const char* name;
  int levels;
  std::string rows;
  Strings inserted;  // column 2 of the inserted rows
};

class ListKeysTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ListKeysTest, InsertsTheRowsItFinds) {
  const KeyCase& c = GetParam();
  ListTable t(ListFile(c.levels, c.rows));
  const ListInsertResult res = InsertWholeList(t.g.table, 2, 2);
  Strings got = t.g.Column(2);
  got.erase(got.begin(), got.begin() + 2);
  EXPECT_EQ(res.inserted, static_cast<int>(c.inserted.size()));
  EXPECT_EQ(got, c.inserted);
  EXPECT_EQ(t.g.LayoutFault(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ListKeysTest,
    ::testing::Values(
        // 0_2 lacks its second column: key 0 ends there, key 1 goes on.
        KeyCase{"missing_value_ends_the_key",
                0,
                kFiller + ListRow("0", 1, "a", "b") + "0_2_1=c\n0_2_1.BV=1\n0_2.BL=2\n" +
                    ListRow("1", 1, "d", "e") + ListRow("1", 2, "f", "g"),
                {"a", "d", "f"}},
        // Lines for three rows, two rows present: ends after key 1.
        KeyCase{"fewer_rows_than_lines", 0,
                kFiller + "x1=1\nx2=2\nx3=3\nx4=4\nx5=5\n" + ListRow("0", 1, "a", "b") + ListRow("0", 2, "c", "d"),
                {"a", "c"}},
        // A list with levels starts at key 1 and tries every listed key.
        KeyCase{"levels_with_a_gap", 1,
                kFiller + ListRow("1", 1, "a", "b") + ListRow("3", 1, "c", "d") + ListRow("3", 2, "e", "f"),
                {"a", "c", "e"}},
        KeyCase{"empty_list", 0, "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ListInsertTest, NoRowsWhenNoCellIsBoundToTheList) {
  ListTable t(ListFile(0, kFiller + ListRow("0", 1, "a", "b")));
  for (int r = 1; r <= 2; ++r) t.g.Cell(r, 2).BObj = t.g.Cell(r, 3).BObj = 9;
  EXPECT_EQ(InsertWholeList(t.g.table, 1, 2).inserted, 0);
  EXPECT_EQ(t.g.table.RowCount, 2);
}

TEST(ListInsertTest, MissingListInsertsNothingAndShowsNoProgress) {
  ListTable t("");
  const ListInsertResult res = InsertWholeList(t.g.table, 2, 2);
  EXPECT_EQ(res.inserted, 0);
  EXPECT_EQ(t.g.table.RowCount, 2);
  EXPECT_EQ(t.Shows(), 0);
  EXPECT_FALSE(t.g.table.Modified());
  EXPECT_EQ(t.g.Cell(0, 2).label.caption, Win("Старое")) << "the current row went to the buffer";
}

TEST(ListInsertTest, DamagedFieldCountOpensWithTheColumnsTheFileHolds) {
  // A count of 2147483647 columns once built codes until memory ran out.
  TempFolder folder;
  folder.Write("l1.lst", Win("[Список]\nПолей=2147483647\n1.LC=501\n\n[0]\n0_1_1=a\n"));
  const auto list = TValueList::Open(folder / "l1.lst");
  ASSERT_TRUE(list);
  ASSERT_LE(list->columnCodes.size(), 3u);
  EXPECT_EQ(list->columnCodes.front(), "501");
  EXPECT_EQ(list->RowCount(), 0);  // 2 * 2147483647 + 1 once wrapped round to -1
}

TEST(ListInsertTest, StopKeepsTheRowsInsertedSoFar) {
  ListTable t(ListFile(0, kFiller + ListRow("0", 1, "a", "b") + ListRow("0", 2, "c", "d") +
                             ListRow("0", 3, "e", "f")));
  t.ui.stopAfterUpdates = 2;
  const ListInsertResult res = InsertWholeList(t.g.table, 1, 2);
  EXPECT_TRUE(res.stopped);
  EXPECT_EQ(res.inserted, 1);
  EXPECT_EQ(t.g.Column(2), (Strings{"", "a", Win("Старое")}));
  EXPECT_EQ(t.g.LayoutFault(), "");
  EXPECT_EQ(t.ui.MessageTexts().size(), 1u) << "the stop question";
  EXPECT_FALSE(t.g.hooks.Loading());
}

TEST(ListInsertTest, ExpandAllListsReplacesEveryEmptyListRow) {
  ListTable t(ListFile(0, kFiller + ListRow("0", 1, "a", "b") + ListRow("0", 2, "c", "d")));
  InsertEmptyRow(t.g.table, 2);  // row 3: an empty copy of row 2
  t.g.table.SetModified(false);
  EXPECT_EQ(ExpandAllLists(t.g.table), 4);
  EXPECT_EQ(t.g.Column(2), (Strings{"a", "c", Win("Старое"), "a", "c"}));
  EXPECT_EQ(t.g.LayoutFault(), "");
  EXPECT_FALSE(t.g.table.Modified()) << "the expansion is no change";

  // A list that leaves the list column empty is expanded once per row.
  ListTable u(ListFile(0, kFiller + ListRow("0", 1, "a", "b")));
  for (int r = 1; r <= 2; ++r) u.g.Cell(r, 2).BObj = 9;
  u.g.Cell(2, 2).label.caption.clear();
  EXPECT_EQ(ExpandAllLists(u.g.table), 2);
  EXPECT_EQ(u.g.table.RowCount, 2);
}

}  // namespace
}  // namespace rpt
