// The table window's geometry on the model: dates the date editor accepts,
// column and row resizing, and finding a remembered cell again.
#include <gtest/gtest.h>

#include <string>

#include "core/tables/table_geometry.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using testing::TempFolder;

TEST(TableGeometry, DatesTheDateEditorAccepts) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"01.02.2024", true},  {" 1. 2.2024", true},  {"29.02.2024", true}, {"29.02.2000", true},
      {"29.02.2023", false}, {"29.02.1900", false}, {"31.04.2024", false}, {"00.01.2024", false},
      {"01.13.2024", false}, {"01.01.0000", false}, {"01.01.  24", false}, {"  .  .    ", false},
      {"01.01", false},      {"1.1.2024.1", false}, {"1 1.01.2024", false}, {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidDate(c.text), c.valid) << c.text;
}

// A grid of two rows and two 80-pixel columns: a title, the headings
// (column 2 in two halves of 40), the data and a signature.
std::string Grid() {
  std::string out = "[Table]\r\nCount=9\r\nFixed=1\r\nRowCount=2\r\nColCount=2\r\nMinLeft=10\r\nMinTop=40\r\n"
                    "MinTopD=70\r\nName=T\r\n\r\n";
  const char* cells[] = {
      "State=H\r\nType=10\r\nVis=5 10 160 30 5 16777215\r\n",
      "State=T\r\nType=8\r\nVis=40 10 80 30 5 16777215\r\n",
      "State=T\r\nType=0\r\nVis=40 90 40 30 5 16777215\r\n",
      "State=T\r\nType=0\r\nVis=40 130 40 30 5 16777215\r\n",
      "State=D\r\nType=1\r\nCol=1\r\nRow=1\r\nVis=70 10 80 30 5 16777215\r\n",
      "State=D\r\nType=1\r\nCol=2\r\nRow=1\r\nVis=70 90 80 30 5 16777215\r\n",
      "State=D\r\nType=1\r\nCol=1\r\nRow=2\r\nVis=100 10 80 30 5 16777215\r\n",
      "State=D\r\nType=1\r\nCol=2\r\nRow=2\r\nVis=100 90 80 30 5 16777215\r\n",
      "State=B\r\nType=0\r\nVis=140 10 160 25 5 16777215\r\n",
  };
  int n = 2;
  for (const char* c : cells) out += "[Cell_" + std::to_string(n++) + "]\r\n" + c + "\r\n";
  return out;
}

struct GridTable {
  TempFolder folder;
  TableContext context;
  TTable table{context};
  GridTable() { table.LoadFromFile(folder.Write("T.ini", Grid())); }
  TCell& Data(int row, int col) { return *CellAt(*RowAt(table.data, row), col); }
};

TEST(TableGeometry, ColumnsMoveInLineAndNeverGetNarrowerThanTenPixels) {
  GridTable g;
  ASSERT_EQ(SectionOf(g.table, &g.Data(2, 1)), TableSection::Data);
  EXPECT_EQ(PosOf(g.table, &g.Data(2, 1)), (CellPos{2, 1}));
  EXPECT_EQ(SectionOf(g.table, g.table.top.cells[1].get()), TableSection::Top);
  const int width = g.table.contentWidth, left2 = g.Data(2, 2).label.left,
            halfLeft = g.table.top.cells[2]->label.left;
  // Column 1 narrowed by 100: stopped at 10 pixels, headings, data and the
  // heading halves of column 2 move alike.
  EXPECT_TRUE(ResizeColumn(g.table, g.Data(1, 1), -100));
  for (int r = 1; r <= 2; ++r) EXPECT_EQ(g.Data(r, 1).label.width, 10);
  EXPECT_EQ(g.table.top.cells[0]->label.width, 10);
  EXPECT_EQ(g.Data(2, 2).label.left, left2 - 70);
  EXPECT_EQ(g.table.top.cells[2]->label.left, halfLeft - 70);
  EXPECT_EQ(g.table.contentWidth, width - 70);
  EXPECT_TRUE(g.table.Modified());
  // The heading half limits column 2 to a narrowing of 30.
  EXPECT_TRUE(ResizeColumn(g.table, *g.table.top.cells[2], -50));
  EXPECT_EQ(g.Data(1, 2).label.width, 50);
  EXPECT_EQ(g.table.top.cells[2]->label.width, 10);
  // At the limit nothing changes.
  EXPECT_FALSE(ResizeColumn(g.table, g.Data(1, 1), -5));
}

TEST(TableGeometry, RowsPushTheRowsBelowAndTheFooter) {
  GridTable g;
  const int footer = g.table.footer.topOffset, content = g.table.contentHeight, top2 = g.Data(2, 1).label.top;
  EXPECT_EQ(ResizeRow(g.table, g.Data(1, 2), 15), 15);
  EXPECT_EQ(g.Data(1, 1).label.height, 45);
  EXPECT_EQ(g.Data(2, 1).label.top, top2 + 15);
  EXPECT_EQ(g.table.footer.topOffset, footer + 15);
  EXPECT_EQ(g.table.contentHeight, content + 15);
  // Never lower than 10 pixels.
  EXPECT_EQ(ResizeRow(g.table, g.Data(2, 1), -100), -20);
  EXPECT_EQ(g.Data(2, 2).label.height, 10);
  // The header's line: the sections below follow.
  const int top = g.table.top.topOffset;
  EXPECT_EQ(ResizeRow(g.table, *g.table.header.cells[0], 5), 5);
  EXPECT_EQ(g.table.top.topOffset, top + 5);
}

TEST(TableGeometry, ARememberedCellIsFoundOnlyWhileItExists) {
  GridTable g;
  const std::uint64_t kept = g.Data(1, 1).id(), gone = g.Data(2, 2).id();
  EXPECT_NE(kept, gone);
  TCell copy = g.Data(1, 1);
  EXPECT_NE(copy.id(), kept);  // a copy is another cell
  g.table.data.rows.erase(g.table.data.rows.begin() + 2);
  EXPECT_EQ(FindCell(g.table, kept), &g.Data(1, 1));
  EXPECT_EQ(FindCell(g.table, gone), nullptr);
  EXPECT_EQ(FindCell(g.table, copy.id()), nullptr);
}

}  // namespace
}  // namespace rpt
