// The data lines of form, grid and growing tables.
#include <gtest/gtest.h>

#include "core/tables/table.h"
#include "support/temp_folder.h"
#include "table_test_util.h"

namespace rpt {
namespace {

using testing::TempFolder;
using testing::Win;

struct Case {
  const char* name;
  const char* table;     // UTF-8, "\n" line ends
  const char* expected;  // UTF-8, "\n" line ends
};

class DataLinesTest : public ::testing::TestWithParam<Case> {};

TEST_P(DataLinesTest, Block) {
  const Case& c = GetParam();
  TempFolder dir;
  dir.Write("TabLst/города.LST", Win("[Список]\nListCode=42\n"));
  TableContext ctx;
  ctx.listFolder = dir / "TabLst/";
  TTable t(ctx);
  t.LoadFromFile(dir.Write(std::string(c.name) + ".ini", Win(c.table)));
  t.SetModified(true);
  std::string out = "before\r\n";
  t.WriteDataLines(out);
  EXPECT_EQ(out, "before\r\n" + Win(c.expected));
  EXPECT_FALSE(t.Modified());
}

INSTANTIATE_TEST_SUITE_P(
    Tables, DataLinesTest,
    ::testing::Values(
        Case{"NoExports",
             "[Table]\nFixed=1\nRowCount=1\nColCount=1\nCount=1\n\n[Cell_2]\nCol=1\nRow=1\nType=1\nCap=x\n",
             "t:NoExports\nf:\nv:\n"},
        Case{"Grid",
             "[Table]\nFixed=1\nRowCount=2\nColCount=2\nCount=4\n\n"
             "[Cell_2]\nCol=1\nRow=1\nType=3\nDec=1\nBObj=103000001\nCap=1.5\n\n"
             "[Cell_3]\nCol=2\nRow=1\nType=3\nDec=1\nBObj=103000002\n\n"
             "[Cell_4]\nCol=1\nRow=2\nType=6\nList=Города.lst\nBObj=101000005\nCap=Тула\n\n"
             "[Cell_5]\nCol=2\nRow=2\nType=0\nBObj=105000004\nCap=caption\n",
             "t:Grid\nf:103000001, 103000002, 101000005\nv:1.5\\ 0\\ 'Тула'\n"},
        Case{"Form",
             "[Table]\nCount=5\n\n"
             "[Cell_2]\nType=6\nList=Города.lst\nBObj=101000001\nCap=Тула\n\n"
             "[Cell_3]\nType=6\nList=Города.lst 2\nBObj=101000002\nCap=Орёл\n\n"
             "[Cell_4]\nType=1\nBObj=105000001\nCap=a'b||c\n\n"
             "[Cell_5]\nType=2\nBObj=102500000\nCap=5\n\n"  // in no range: left out
             "[Cell_6]\nType=6\nList=Город\nBObj=101000003\nCap=x\n",
             "t:Form\nl:Города.lst/42\nl:Город/-1\nf:101000001, 101000002, 105000001, 101000003\n"
             "v:'Тула'#1\\ 'Орёл'#1\\ 'a\"bc'\\ 'x'#2\n"},
        Case{"GrowingEmpty",
             "[Table]\nFixed=1\nBL1=300000001\nRowCount=2\nColCount=2\nCount=4\n\n"
             "[Cell_2]\nCol=1\nRow=1\nType=1\nBObj=105000001\n\n"
             "[Cell_3]\nCol=2\nRow=1\nType=3\nBObj=103000001\nCap=0\n\n"
             "[Cell_4]\nCol=1\nRow=2\nType=1\nBObj=105000001\n\n"
             "[Cell_5]\nCol=2\nRow=2\nType=3\nBObj=103000001\n",
             "t:GrowingEmpty\n"},
        Case{"Growing",
             "[Table]\nFixed=1\nBL1=399999999\nRowCount=4\nColCount=4\nCount=16\n\n"
             "[Cell_2]\nCol=1\nRow=1\nType=9\nCap=1\n\n"
             "[Cell_3]\nCol=2\nRow=1\nType=1\nBObj=105000001\nCap=Иванов\n\n"
             "[Cell_4]\nCol=3\nRow=1\nType=6\nList=Города.lst\nBObj=101000001\nCap=Тула\n\n"
             "[Cell_5]\nCol=4\nRow=1\nType=3\nDec=1\nBObj=103000001\nCap=1.5\n\n"
             "[Cell_6]\nCol=1\nRow=2\nType=9\nCap=2\n\n"
             "[Cell_7]\nCol=2\nRow=2\nType=1\nBObj=105000001\n\n"
             "[Cell_8]\nCol=3\nRow=2\nType=6\nList=Города.lst\nBObj=101000001\n\n"
             "[Cell_9]\nCol=4\nRow=2\nType=3\nDec=1\nBObj=103000001\n\n"
             "[Cell_10]\nCol=1\nRow=3\nType=9\nCap=3\n\n"  // only a list value: empty
             "[Cell_11]\nCol=2\nRow=3\nType=1\nBObj=105000001\n\n"
             "[Cell_12]\nCol=3\nRow=3\nType=6\nList=Города.lst\nBObj=101000001\nCap=Орёл\n\n"
             "[Cell_13]\nCol=4\nRow=3\nType=3\nDec=1\nBObj=103000001\nCap=0\n\n"
             "[Cell_14]\nCol=1\nRow=4\nType=9\nCap=4\n\n"
             "[Cell_15]\nCol=2\nRow=4\nType=1\nBObj=105000001\nCap=Петров\n\n"
             "[Cell_16]\nCol=3\nRow=4\nType=6\nList=Города.lst\nBObj=101000001\n\n"
             "[Cell_17]\nCol=4\nRow=4\nType=3\nDec=1\nBObj=103000001\n",
             "t:Growing\nl:Города.lst/42\nf:105000001, 101000001, 103000001\n"
             "v:'Иванов'\\ 'Тула'#1\\ 1.5\nv:'Петров'\\ ''#1\\ 0\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rpt
