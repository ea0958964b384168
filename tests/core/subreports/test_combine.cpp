// Combining tables: cell by cell and record by record, adding and
// subtracting.
#include <gtest/gtest.h>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/report/report_fixture.h"
#include "core/subreports/combine.h"
#include "core/tables/table.h"

namespace rpt {
namespace {

using testing::TempFolder;
using testing::WinText;

// A growing table of records: key (Type 1, or Type 6 with a list),
// integer, real with two decimals.
struct Record {
  std::string key;
  std::string n, r;
  std::string list;  // a list cell when not empty
};

std::string GrowingTable(const std::vector<Record>& rows) {
  std::string s = "[Table]\nCount=" + std::to_string(rows.size() * 3 + 1) +
                  "\nBL1=300000001\nFixed=1\nMinTopD=5\nRowCount=" + std::to_string(rows.size()) +
                  "\nColCount=3\n\n";
  int n = 2;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string row = std::to_string(i + 1), top = std::to_string(i * 20);
    const Record& rec = rows[i];
    auto cell = [&](int col, const std::string& def, const std::string& left, const std::string& cap) {
      s += "[Cell_" + std::to_string(n++) + "]\nState=D\n" + def + "Col=" + std::to_string(col) + "\nRow=" + row +
           "\nVis=" + left + " " + top + " 100 20 5 0\nCap=" + cap + "\n\n";
    };
    cell(1, rec.list.empty() ? "Type=1\nLen=255\n" : "Type=6\nList=" + rec.list + "\n", "0", rec.key);
    cell(2, "Type=2\n", "100", rec.n);
    cell(3, "Type=3\nDec=2\n", "200", rec.r);
  }
  return WinText(s);
}

struct Tables {
  TempFolder dir;
  TableContext context;
  TTable report{context}, sub{context};
  Tables(const std::string& reportText, const std::string& subText) {
    report.LoadFromFile(dir.Write("r.ini", reportText));
    sub.LoadFromFile(dir.Write("s.ini", subText));
  }
  // "key n r" per row.
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    for (int r = 1; r <= report.RowCount; ++r)
      out.push_back(Cp1251ToUtf8(GetCell(report.data, 1, r)->label.caption + " " +
                                 GetCell(report.data, 2, r)->label.caption + " " +
                                 GetCell(report.data, 3, r)->label.caption));
    return out;
  }
};

std::string FormTable(const std::string& integer, const std::string& real) {
  return WinText("[Table]\nFixed=0\nCount=3\n\n[Cell_2]\nState=D\nType=2\nVis=10 10 40 20 5 0\nCap=" + integer +
                 "\n\n[Cell_3]\nState=D\nType=3\nDec=1\nVis=60 10 40 20 5 0\nCap=" + real + "\n");
}

TEST(AddTableValues, AddsAndSubtractsCellByCell) {
  struct Case {
    std::string reportInt, reportReal, subInt, subReal;
    bool subtract;
    std::string int_, real;
    int changed;
  } cases[] = {
      {"10", "", "5", "", false, "15", "0,0", 2},         // a blank real becomes 0 with its Dec
      {"15", "0,0", "5", "", true, "10", "0,0", 1},       // and back
      {"", "1,5", "", "2,25", false, "0", "3,8", 2},      // the report cell's Dec, rounded half up
      {"abc", "x", "7", "1", false, "7", "1,0", 2},        // a text that is no number counts as 0
      {"3", "1,0", "3", "1,0", true, "0", "0,0", 2},
  };
  for (const auto& c : cases) {
    Tables t(FormTable(c.reportInt, c.reportReal), FormTable(c.subInt, c.subReal));
    EXPECT_EQ(AddTableValues(t.report, t.sub, c.subtract), c.changed) << c.reportInt;
    EXPECT_EQ(CellByNumber(t.report.data, 2)->label.caption, c.int_) << c.reportInt;
    EXPECT_EQ(CellByNumber(t.report.data, 3)->label.caption, c.real) << c.reportInt;
    EXPECT_TRUE(t.report.Modified());
  }
}

TEST(MergeTableRows, MatchesRecordsByTrimmedUpperCasedKeys) {
  Tables t(GrowingTable({{"Петров П.П.", "1", "1,00"}, {"ИВАНОВ И.И.", "4", "1,26"}}),
           GrowingTable({{"Иванов И.И.", "3", "1,23"}}));
  GetCell(t.report.data, 1, 2)->label.caption = Utf8ToCp1251(" ИВАНОВ И.И.  ");
  EXPECT_EQ(MergeTableRows(t.report, t.sub, false), 2);
  // The sum keeps the cell's two decimals: 1,26 + 1,23 is 2,49, not 2,5.
  EXPECT_EQ(t.Rows(), (std::vector<std::string>{"Петров П.П. 1 1,00", " ИВАНОВ И.И.   7 2,49"}));
  EXPECT_EQ(MergeTableRows(t.report, t.sub, true), 2);
  EXPECT_EQ(t.Rows(), (std::vector<std::string>{"Петров П.П. 1 1,00", " ИВАНОВ И.И.   4 1,26"}));
}

TEST(MergeTableRows, InsertsNewRecordsAfterTheFirstRowOfTheSameListOrAtTheEnd) {
  const std::vector<Record> report = {
      {"Альфа", "1", "", "A.lst"}, {"Бета", "2", "", "B.lst"}, {"Вега", "3", "", "B.lst"},
      {"Гамма", "4", "", "C.lst"}};
  Tables t(GrowingTable(report), GrowingTable({{"Дельта", "5", "0,5", "B.lst"}, {"Эпсилон", "6", "", "D.lst"}}));
  const int top4 = GetCell(t.report.data, 1, 4)->label.top;
  EXPECT_EQ(MergeTableRows(t.report, t.sub, false), 4);
  EXPECT_EQ(t.Rows(), (std::vector<std::string>{"Альфа 1 ", "Бета 2 ", "Дельта 5 0,50", "Вега 3 ", "Гамма 4 ",
                                                "Эпсилон 6 "}));
  EXPECT_EQ(t.report.RowCount, 6);
  // The rows below the inserted one moved down by its height.
  EXPECT_EQ(GetCell(t.report.data, 1, 5)->label.top, top4 + 20);
  EXPECT_EQ(GetCell(t.report.data, 2, 3)->Row, 3);

  // Removal subtracts and keeps the inserted rows with zeros; an unknown
  // record changes nothing.
  Tables back(GrowingTable({{"Дельта", "5", "0,50", "B.lst"}, {"Зета", "1", "1", "B.lst"}}),
              GrowingTable({{"Дельта", "5", "0,5", "B.lst"}, {"Йота", "6", "", "B.lst"}}));
  MergeTableRows(back.report, back.sub, true);
  EXPECT_EQ(back.Rows(), (std::vector<std::string>{"Дельта 0 0,00", "Зета 1 1"}));
}

TEST(MergeTableRows, ANumberCellHoldingNoNumberFailsTheWholeOperation) {
  Tables t(GrowingTable({{"A", "1", ""}}), GrowingTable({{"A", "x", ""}}));
  EXPECT_THROW(MergeTableRows(t.report, t.sub, false), ECoreError);
}

TEST(SortByKeyColumn, SortsByTheFirstTextColumn) {
  Tables t(GrowingTable({{"B", "1", ""}, {"A", "2", ""}}), GrowingTable({}));
  SortByKeyColumn(t.report);
  EXPECT_EQ(t.Rows(), (std::vector<std::string>{"A 2 ", "B 1 "}));
}

}  // namespace
}  // namespace rpt
