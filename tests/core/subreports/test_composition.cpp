// The composition of an indicator: the report's value, the sum and each
// included sub-report's value, corrected and saved into the report and the
// sub-reports' packages.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/startup.h"
#include "core/archive/package.h"
#include "core/calc/structure.h"
#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/my_ini_file.h"
#include "core/report/report_fixture.h"
#include "core/report/report_state.h"
#include "core/subreports/composition.h"
#include "core/subreports/inclusion.h"
#include "core/tables/table.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::Win;

using Files = std::vector<std::pair<std::string, std::string>>;

// T1: a form table with an integer (cell 2) and a real with Dec 2 (cell 3).
std::string T1(const std::string& integer, const std::string& real = "") {
  return Win("[Table]\nFixed=0\nCount=3\n\n[Cell_2]\nState=D\nType=2\nBObj=11\nVis=10 10 40 20 5 0\nCap=" + integer +
             "\n\n[Cell_3]\nState=D\nType=3\nDec=2\nBObj=12\nVis=60 10 40 20 5 0\nCap=" + real + "\n");
}

Files ReportFiles(const std::string& integer, const std::string& real, bool subreport, bool excludeT1 = false) {
  testing::StructureOptions o;
  o.subreport = subreport;
  auto files = testing::BlankReportFiles(o);
  files[1].second = T1(integer, real);
  if (excludeT1) {
    std::string& s = files[0].second;
    const std::string from = Win("Файл=T1.ini\nУдален=0"), to = Win("Файл=T1.ini\nУдален=1");
    s.replace(s.find(from), from.size(), to);
  }
  return files;
}

struct Office {
  TempFolder dir;
  FolderSet folders;
  ScriptedInteraction ui;
  std::unique_ptr<TReportState> state;
  std::string report;
  std::vector<std::string> subs;
  // The report (0 and blank) with the sub-reports given as (integer, real, T1 excluded).
  explicit Office(const std::vector<std::tuple<std::string, std::string, bool>>& departments)
      : folders(testing::MakeProgram(dir)) {
    PrepareFolders(folders, ui);
    state = std::make_unique<TReportState>(folders, ui);
    state->ReadInstallation();
    report = testing::MakeReport(dir, "rep", ReportFiles("0", "", false));
    state->OpenReportFolder(report);
    int k = 0;
    for (const auto& [integer, real, excluded] : departments)
      subs.push_back(
          testing::MakeReport(dir, "Кафедра " + std::to_string(++k), ReportFiles(integer, real, true, excluded)));
    if (!subs.empty()) {
      EXPECT_TRUE(TSubreportInclusion(*state).IncludeMany(subs, false).done);
    }
    ui.messages.clear();
  }
  TTable& table() { return *state->tables()[0].table; }
  TCell& cell(int n) { return *CellByNumber(table().data, n); }
  TSubreportComposition Composition(int n) {
    return TSubreportComposition(table(), cell(n), CompositionSourceOf(*state), ui);
  }
  // Cell n's "Cap" in the T1.ini of the sub-report's package.
  std::string PackagedCap(std::size_t sub, int n) {
    const std::string out = dir / ("unpacked" + std::to_string(sub) + "/");
    fs::remove_all(out);
    fs::create_directories(out);
    UnpackPackage(subs[sub] + "Report.rpt", out);
    TMyIniFile ini(out + "T1.ini");
    ini.DiscardChanges();
    return Cp1251ToUtf8(ini.ReadString("Cell_" + std::to_string(n), "Cap", "?"));
  }
};

std::vector<std::string> Values(const TSubreportComposition& c) {
  std::vector<std::string> out;
  for (const auto& row : c.rows()) out.push_back(Cp1251ToUtf8(row.source) + "=" + Cp1251ToUtf8(row.value));
  return out;
}

TEST(SubreportComposition, SumTakeAndSaveIntoTheSubreportsPackage) {
  Office o({{"5", "", false}, {"7", "", false}});
  ASSERT_EQ(o.cell(2).label.caption, "12");
  TSubreportComposition c = o.Composition(2);
  EXPECT_EQ(c.decimals(), 0);
  EXPECT_EQ(c.cellNumber(), 2);
  EXPECT_FALSE(c.columnAndRow());  // a form table's cell has no grid place
  EXPECT_EQ(Values(c),
            (std::vector<std::string>{"Отчет=12", "Сумма по всем подотчетам=12", "Кафедра 1=5", "Кафедра 2=7"}));
  EXPECT_EQ(c.Select(0).text, "12");
  EXPECT_TRUE(c.Select(0).editable);
  EXPECT_FALSE(c.Select(1).editable);  // the sum is computed
  EXPECT_EQ(c.Select(1).text, "0");
  EXPECT_FALSE(c.changed());

  const std::string secondBefore = ReadFile(o.subs[1] + "Report.rpt");
  EXPECT_FALSE(c.Take(2, "5"));  // the same value changes nothing
  EXPECT_FALSE(c.Take(2, "abc"));
  EXPECT_FALSE(c.Take(1, "99"));
  ASSERT_TRUE(c.Take(2, "6"));
  EXPECT_TRUE(c.changed());
  EXPECT_EQ(c.rows()[1].value, "13");  // at once

  ASSERT_TRUE(c.Save());
  EXPECT_FALSE(c.changed());
  EXPECT_EQ(o.PackagedCap(0, 2), "6");
  EXPECT_EQ(ReadFile(o.subs[1] + "Report.rpt"), secondBefore);  // nothing of the other one changed
  EXPECT_EQ(o.cell(2).label.caption, "12");                     // the report keeps its value
  EXPECT_FALSE(o.table().Modified());
  EXPECT_TRUE(o.ui.messages.empty());

  // The report row changes the cell itself.
  ASSERT_TRUE(c.Take(0, "13"));
  ASSERT_TRUE(c.Save());
  EXPECT_EQ(o.cell(2).label.caption, "13");
  EXPECT_TRUE(o.table().Modified());

  // Opened again, the composition reads the files.
  EXPECT_EQ(Values(o.Composition(2))[2], "Кафедра 1=6");
}

TEST(SubreportComposition, RealsTakeTheCellsDecimalsAndCancelRereadsTheFiles) {
  Office o({{"1", "1,25", false}, {"1", "", false}});
  TSubreportComposition c = o.Composition(3);
  EXPECT_EQ(c.decimals(), 2);
  // A blank value does not count in the sum.
  EXPECT_EQ(Values(c),
            (std::vector<std::string>{"Отчет=1,25", "Сумма по всем подотчетам=1,25", "Кафедра 1=1,25", "Кафедра 2="}));
  ASSERT_TRUE(c.Take(3, "2.005"));  // a point is read as the comma, halves rounded away from zero
  EXPECT_EQ(c.rows()[3].value, "2,01");
  EXPECT_EQ(c.rows()[1].value, "3,26");
  c.Rebuild();  // "Отменить"
  EXPECT_FALSE(c.changed());
  EXPECT_EQ(c.rows()[3].value, "");
  EXPECT_EQ(c.rows()[1].value, "1,25");
}

TEST(SubreportComposition, ASubreportWithoutTheTableIsNotEditable) {
  Office o({{"5", "", false}, {"", "", true}});
  TSubreportComposition c = o.Composition(2);
  const CompositionRow& without = c.rows()[3];
  EXPECT_FALSE(without.present);
  EXPECT_EQ(without.value, "");
  EXPECT_EQ(c.Select(3).text, "0");
  EXPECT_FALSE(c.Select(3).editable);
  EXPECT_FALSE(c.Take(3, "4"));
  EXPECT_EQ(c.rows()[1].value, "5");
}

TEST(SubreportComposition, AValueThatIsNoNumberFailsTheSum) {
  Office o({{"5", "", false}});
  // The department's file was changed by hand.
  const std::string copy = WorkingCopyOf(o.folders.working, o.subs[0]);
  {
    TMyIniFile ini(copy + "T1.ini");
    ini.WriteString("Cell_2", "Cap", Win("пять"));
    ASSERT_EQ(ini.Release(), "");
  }
  EXPECT_THROW(o.Composition(2), EConvertError);
}

// A growing table: name (text), department (list value) and an integer
// with export code 40 per row.
std::string Growing(const std::vector<std::tuple<std::string, int, std::string>>& rows) {
  std::string s = "[Table]\nCount=" + std::to_string(rows.size() * 3) +
                  "\nBL1=300000001\nFixed=1\nRowCount=" + std::to_string(rows.size()) + "\nColCount=3\n\n";
  int n = 2;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& [name, dept, value] = rows[i];
    const std::string where = "Row=" + std::to_string(i + 1) + "\nVis=0 " + std::to_string(i * 20) + " 100 20 5 0\n";
    s += "[Cell_" + std::to_string(n++) + "]\nState=D\nType=1\nCol=1\n" + where + "Cap=" + name + "\n\n";
    s += "[Cell_" + std::to_string(n++) + "]\nState=D\nType=6\nList=Podr.lst\nBList=5\nBVal=" + std::to_string(dept) +
         "\nCol=2\n" + where + "Cap=Кафедра\n\n";
    s += "[Cell_" + std::to_string(n++) + "]\nState=D\nType=2\nBObj=40\nCol=3\n" + where + "Cap=" + value + "\n\n";
  }
  return Win(s);
}

TEST(FindSubreportCell, GrowingTablesFindTheRecordByItsKeyTexts) {
  TempFolder dir;
  TableContext context;
  TTable report(context);
  report.LoadFromFile(dir.Write("r.ini", Growing({{"Иванов И.И.", 1, "3"}, {"Петров", 1, "4"}, {"Сидоров", 2, "1"}})));
  ASSERT_TRUE(report.growing);
  struct Case {
    std::string sub;
    int reportRow;
    int expected;
  } cases[] = {
      // blanks ("$" stores a leading one) and letter case do not count; the record's third cell is 7
      {Growing({{"Смирнов", 1, "1"}, {"$ иванов и.и.  ", 1, "3"}}), 1, 7},
      {Growing({{"Смирнов", 1, "1"}}), 2, 0},  // the record is missing
      {Growing({{"Сидоров", 3, "1"}}), 3, 0},  // same text, another list item
      {Growing({{"Сидоров", 2, "1"}}), 3, 4},
  };
  // A number cell without an export code is found in its own column, not
  // as the record's first cell without one (the name).
  TTable bare(context);
  std::string noCode = Growing({{"Петров", 1, "4"}});
  const auto code = noCode.find("BObj=40");
  noCode.erase(code, noCode.find('\n', code) + 1 - code);
  bare.LoadFromFile(dir.Write("bare.ini", noCode));
  EXPECT_EQ(FindSubreportCell(dir.Write("s.ini", noCode), bare, *GetCell(bare.data, 3, 1)), 4);
  for (const auto& c : cases) {
    const std::string path = dir.Write("s.ini", c.sub);
    EXPECT_EQ(FindSubreportCell(path, report, *GetCell(report.data, 3, c.reportRow)), c.expected)
        << "row " << c.reportRow;
  }
}

TEST(FindSubreportCell, OtherTablesTakeTheCellsNumberOrItsExportCode) {
  TempFolder dir;
  TableContext context;
  TTable report(context);
  report.LoadFromFile(dir.Write("r.ini", T1("1", "2")));
  const TCell& real = *CellByNumber(report.data, 3);
  EXPECT_EQ(FindSubreportCell(dir.Write("a.ini", T1("", "")), report, real), 3);
  // The same export code elsewhere: the first cell carrying it.
  const std::string moved =
      Win("[Table]\nFixed=0\nCount=3\n\n[Cell_2]\nState=D\nType=3\nBObj=12\nCap=1\n\n"
          "[Cell_3]\nState=D\nType=2\nBObj=11\nCap=2\n\n[Cell_4]\nState=D\nType=2\nBObj=13\nCap=2\n");
  EXPECT_EQ(FindSubreportCell(dir.Write("b.ini", moved), report, real), 2);
  EXPECT_EQ(FindSubreportCell(dir.Write("c.ini", Win("[Table]\nFixed=0\nCount=0\n")), report, real), 0);
  // Without an export code only the cell's own number counts: any other
  // cell without one would be written over by a save.
  TTable plain(context);
  plain.LoadFromFile(dir.Write("p.ini", Win("[Table]\nFixed=0\nCount=2\n\n[Cell_2]\nState=D\nType=1\nCap=a\n\n"
                                            "[Cell_3]\nState=D\nType=2\nCap=1\n")));
  const std::string changed =
      Win("[Table]\nFixed=0\nCount=2\n\n[Cell_2]\nState=D\nType=1\nCap=a\n\n"
          "[Cell_3]\nState=D\nType=2\nBObj=7\nCap=1\n");
  EXPECT_EQ(FindSubreportCell(dir.Write("d.ini", changed), plain, *CellByNumber(plain.data, 3)), 0);
}

}  // namespace
}  // namespace rpt
