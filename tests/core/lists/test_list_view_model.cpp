// The list window's model: groups and columns as read, positioning on a
// cell's value, the search with its wrap, the layout written back, and a
// chosen row applied to the bound cells of a table row.
#include <gtest/gtest.h>

#include "core/foundation/my_ini_file.h"
#include "core/lists/list_test_util.h"
#include "core/lists/list_view_model.h"
#include "core/tables/row_test_util.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using testing::GrowingTable;
using testing::ReadFile;
using testing::TempFolder;
using testing::Win;

std::unique_ptr<TListFile> LoadText(const TempFolder& folder, const std::string& text) {
  return TListFile::Load(folder.Write("l1.lst", text));
}

TEST(ListViewModelTest, FlatListColumnsHeadingsAndRows) {
  TempFolder folder;
  const auto list = LoadText(folder, testing::FlatListFile());
  ASSERT_TRUE(list);
  EXPECT_EQ(list->caption, Win("Организации"));
  EXPECT_EQ(list->listCode, 77);
  EXPECT_EQ(list->levels, 0);
  EXPECT_TRUE(list->groups.empty());
  EXPECT_EQ(list->searchColumn, 1);
  ASSERT_EQ(list->columns.size(), 2u);
  EXPECT_EQ(list->columns[0].heading, Win("Город"));
  EXPECT_EQ(list->columns[1].code, "502");
  EXPECT_EQ(list->columns[0].width, 120);
  const auto rows = list->Rows(0, list->level1Count);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].texts, (std::vector<std::string>{Win("Омск"), Win("ОмГУ")}));
  EXPECT_EQ(rows[2].cellCodes, (std::vector<std::int32_t>{31, 32}));
  EXPECT_EQ(rows[2].rowCode, 300);

  // Defaults: "Список значений", "Поле n"; a flat list counted 0 has no rows.
  const auto bare = LoadText(folder, Win("[Список]\nПолей=2\nКолНаУровне1=0\n\n[0]\n"));
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->caption, Win("Список значений"));
  EXPECT_EQ(bare->columns[1].heading, Win("Поле 2"));
  EXPECT_TRUE(bare->Rows(0, bare->level1Count).empty());
  EXPECT_FALSE(TListFile::Load(folder / "missing.lst"));
}

TEST(ListViewModelTest, GroupsBelowOneAndMalformedGroupsAreLeftOut) {
  TempFolder folder;
  const auto list = LoadText(folder, testing::TwoLevelListFile());
  ASSERT_TRUE(list);
  ASSERT_EQ(list->groups.size(), 1u) << "count 0 and a value without its % parts are not shown";
  const ListGroup& siberia = list->groups[0];
  EXPECT_EQ(siberia.caption, Win("Сибирь"));
  ASSERT_EQ(siberia.children.size(), 2u);
  EXPECT_EQ(siberia.children[1].caption, Win("Омская"));
  EXPECT_EQ(siberia.children[1].level, 2);
  const ListGroup* omsk = list->FindGroup(32);
  ASSERT_TRUE(omsk);
  EXPECT_EQ(omsk->count, 1);
  EXPECT_FALSE(list->FindGroup(10)) << "10 is a group key of level 1, not a row key";
  EXPECT_EQ(list->Rows(31, 2)[1].texts[0], Win("ТПУ"));
}

TEST(ListViewModelTest, DamagedCountsAreBoundedByTheFile) {
  TempFolder folder;
  const auto list = LoadText(folder, Win("[Список]\nУровней=1\nКолНаУровне1=2000000000\nПолей=2000000000\n\n"
                                         "[1]\n0_1=A%1%2000000000\n\n[0]\n1_1_1=x\n\n"));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->groups.size(), 1u);
  EXPECT_LE(list->columns.size(), 8u);
  EXPECT_LE(list->Rows(1, list->groups[0].count).size(), 2u);
  // A level count beyond the levels the file has (found by fuzzing: half a
  // million levels read one empty section after another).
  const auto deep = LoadText(folder, Win("[Список]\nУровней=2147483647\nКолНаУровне1=1\n\n"
                                         "[1]\n0_1=A%1%1\n\n[0]\n1_1_1=x\n\n"));
  ASSERT_TRUE(deep);
  ASSERT_EQ(deep->groups.size(), 1u);
  EXPECT_EQ(deep->Rows(1, 1).size(), 1u);
  // The searched column is the largest integer: nothing is found, nothing overflows.
  const auto far = LoadText(folder, Win("[Список]\nПоиск=2147483647\n\n[0]\n1_1_1=x\n\n"));
  ASSERT_TRUE(far);
  EXPECT_FALSE(far->Search("x", 0).has_value());
}

struct LocateCase {
  const char* name;
  std::int32_t code;
  const char* text;
  std::optional<ListPosition> expected;
};

TEST(ListViewModelTest, LocatesTheCellsValue) {
  TempFolder folder;
  const auto list = LoadText(folder, testing::TwoLevelListFile());
  const LocateCase cases[] = {
      {"code and text", 3, "ОмГУ", ListPosition{32, 1, Win("ОмГУ")}},
      {"any code for -1: first row with the text", -1, "ТПУ", ListPosition{31, 1, Win("ТПУ")}},
      {"code of another text", 1, "ТПУ", std::nullopt},
      {"unknown code", 99, "", std::nullopt},
  };
  for (const LocateCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(list->Locate(c.code, Win(c.text)), c.expected);
  }
}

TEST(ListViewModelTest, SearchIgnoresCaseContinuesAndWraps) {
  TempFolder folder;
  const auto list = LoadText(folder, testing::FlatListFile());
  // Column 2 ("Вуз") is searched; lines: header, then 5 per row.
  auto hit = list->Search(Win("гу"), list->SearchStart(std::nullopt));
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->line, 3);
  EXPECT_EQ(hit->text, Win("МГУ"));
  EXPECT_EQ(hit->code, 12);
  std::vector<std::string> found;
  for (int i = 0; i < 3; ++i) {
    hit = list->Search(Win("гу"), hit->line + 1);
    ASSERT_TRUE(hit);
    found.push_back(hit->text);
  }
  EXPECT_EQ(found, (std::vector<std::string>{Win("ТГУ"), Win("ОмГУ"), Win("МГУ")}));

  EXPECT_EQ(list->SearchStart(200), 10) << "the row code's line of the selected row";
  EXPECT_EQ(list->SearchStart(20), 0) << "a code is matched whole";
  EXPECT_EQ(list->Search(Win("гу"), 10)->text, Win("ОмГУ"));
  EXPECT_FALSE(list->Search(Win("Москва"), 0)) << "the first column is not searched";
  list->searchColumn = 0;
  EXPECT_EQ(list->Search(Win("москва"), 0)->code, 11);
}

TEST(ListViewModelTest, LayoutIsWrittenBackOnlyWhenStored) {
  TempFolder folder;
  const std::string path = folder.Write("l1.lst", testing::FlatListFile());
  LoadText(folder, testing::FlatListFile()).reset();
  EXPECT_EQ(ReadFile(path), testing::FlatListFile()) << "reading never rewrites the file";

  auto list = TListFile::Load(path);
  list->StoreLayout({350, 0, 280, 0, {3, 200}});
  EXPECT_EQ(list->Release(), "");
  TMyIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger(Win("Список"), Win("Ширина"), 0), 350);
  EXPECT_EQ(ini.ReadInteger(Win("Список"), Win("ШиринаДерева"), -1), 0);
  EXPECT_EQ(ini.ReadInteger(Win("Список"), Win("Высота"), 0), 280);
  EXPECT_EQ(ini.ReadInteger(Win("Список"), Win("Поиск"), -1), 0);
  EXPECT_EQ(ini.ReadInteger(Win("Список"), Win("Ширина_1"), 0), 40);
  EXPECT_EQ(ini.ReadInteger(Win("Список"), Win("Ширина_2"), 0), 200);
  EXPECT_EQ(ini.ReadString("0", "0_3_2", ""), Win("ОмГУ"));
  ini.DiscardChanges();
}

TEST(ListViewModelTest, ChosenRowFillsEveryCellBoundToTheList) {
  TempFolder folder;
  const auto list = LoadText(folder, testing::FlatListFile());
  constexpr std::uint8_t N = cell_type::kRowNumber, L = cell_type::kListValue, T = cell_type::kText;
  GrowingTable g{{N, L, L, T, T, L, L}, {{}, {}}};
  g.Cell(1, 2).BObj = 502;
  g.Cell(1, 3).BObj = 501;
  g.Cell(1, 4).List = "l1.LST pick";  // a text cell with the same list
  g.Cell(1, 6).List = "other.lst";
  g.Cell(1, 6).BObj = 501;
  g.Cell(1, 7).BObj = 999;  // no column with this code
  const auto rows = list->Rows(0, 3);

  std::vector<int> after;
  const auto filled = ApplyListRow(g.table, g.Cell(1, 2), *list, rows[1], [&](TCell& c) { after.push_back(c.Col); });
  EXPECT_EQ(after, (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(filled.size(), 3u);
  EXPECT_EQ(g.Cell(1, 2).label.caption, Win("ТГУ"));
  EXPECT_EQ(g.Cell(1, 3).label.caption, Win("Томск"));
  EXPECT_EQ(g.Cell(1, 4).label.caption, Win("Томск")) << "a text cell takes the first column";
  EXPECT_EQ(g.Cell(1, 2).BVal, 22);
  EXPECT_EQ(g.Cell(1, 3).BVal, 21);
  EXPECT_EQ(g.Cell(1, 3).BList, 200);
  EXPECT_EQ(g.Cell(1, 3).ListCode, 77);
  EXPECT_EQ(g.Cell(1, 4).BVal, -1) << "only list cells take codes";
  EXPECT_EQ(g.Cell(1, 6).label.caption, "");
  EXPECT_EQ(g.Cell(1, 7).label.caption, "");
  EXPECT_EQ(g.Cell(2, 2).label.caption, "") << "other rows stay";
  EXPECT_TRUE(g.table.Modified());

  // The same text with other codes still counts as a change.
  g.table.SetModified(false);
  g.Cell(1, 3).BVal = 5;
  ApplyListRow(g.table, g.Cell(1, 2), *list, rows[1]);
  EXPECT_EQ(g.Cell(1, 3).BVal, 21);
  EXPECT_TRUE(g.table.Modified());
}

}  // namespace
}  // namespace rpt
