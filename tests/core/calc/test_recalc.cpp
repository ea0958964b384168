// Recalculation: a table's pass, the report-wide order, the dependencies
// recorded while tables load, cycles, errors and the moments that
// recalculate.
#include <gtest/gtest.h>

#include "calc_test_util.h"
#include "core/calc/recalc.h"
#include "core/calc/rx_math_parser.h"
#include "core/calc/structure.h"

namespace rpt {
namespace {

using testing::CellDef;
using testing::F;
using testing::Num;
using testing::TestReport;
using testing::Txt;

CellDef In(char state, CellDef c) {
  c.state = state;
  return c;
}

// Counts the table checks that recalculation asks for.
struct CheckCount {
  std::vector<std::string> checked;
};
class CountingHooks : public TCalcHooks {
 public:
  CountingHooks(TOpenTables& t, TMapTables& m, Interaction* ui, CheckCount& c) : TCalcHooks(t, m, ui), count_(c) {}
  void CheckTable(TTable& table) override { count_.checked.push_back(table.tableName); }

 private:
  CheckCount& count_;
};

struct CheckedReport : TestReport {
  CheckCount count;
  CountingHooks counting{open, map, &ui, count};
  CheckedReport() { ctx.hooks = &counting; }
};

TEST(RecalcTableTest, VisitsHeaderFooterThenDataRowsOnly) {
  // Shallow passes read the shown text, so the order shows: the header and
  // the footer are computed before the data cell they read.
  TestReport r;
  TTable& t = r.Add("T", 2, 1,
                    {In('H', F(0, 0, "8 0 (1:1)", 0, "h")), In('T', F(0, 0, "8 0 9", 0, "t")),
                     In('B', F(0, 0, "8 0 (1:1)+1", 0, "b")), F(1, 1, "8 0 5", 0, "0"), F(2, 1, "8 0 (1:1)"),
                     F(0, 1, "8 0 9", 0, "buffer")});
  const auto texts = [&t] {
    return std::vector<std::string>{t.header.cells[0]->label.caption, t.top.cells[0]->label.caption,
                                    t.footer.cells[0]->label.caption, TestReport::Text(t, 1, 1),
                                    TestReport::Text(t, 2, 1), TestReport::Text(t, 0, 1)};
  };
  const std::vector<std::string> order = {"8 0 (1:1)", "8 0 (1:1)+1", "8 0 5", "8 0 (1:1)"};
  std::vector<std::string> forms;
  for (TCell* c : FormulaCellsInOrder(t)) forms.push_back(c->Form);
  EXPECT_EQ(forms, order);

  r.hooks.recalc().RecalcTable(t, false, false);
  EXPECT_EQ(texts(), (std::vector<std::string>{"0", "t", "1", "5", "5", "buffer"}));
  r.hooks.recalc().RecalcTable(t, false, false);
  EXPECT_EQ(texts(), (std::vector<std::string>{"5", "t", "6", "5", "5", "buffer"}));
}

TEST(RecalcTableTest, ResultsAreStoredThroughSetValue) {
  TestReport r;
  TTable& t = r.Add("T", 1, 2, {Num(1, 1, "2"), F(1, 2, "8 0 (1:1)*1,5", 1, "3,0")});
  r.hooks.recalc().RecalcTable(t, true, false);
  EXPECT_FALSE(t.Modified()) << "the same text marks nothing";
  TestReport::At(t, 1, 2).Form = "8 0 (1:1)*2";
  r.hooks.recalc().RecalcTable(t, true, false);
  EXPECT_EQ(TestReport::Text(t, 1, 2), "4,0");
  EXPECT_TRUE(t.Modified());
}

TEST(RecalcTableTest, ACellChangeRecalculatesAndChecksItsTable) {
  CheckedReport r;
  TTable& t = r.Add("T", 1, 3, {Num(1, 1, "2"), Txt(1, 2, ""), F(1, 3, "8 0 (1:1)*10")});
  TestReport::At(t, 1, 1).SetValue("3");
  EXPECT_EQ(TestReport::Text(t, 1, 3), "30");
  EXPECT_EQ(r.count.checked, std::vector<std::string>{"T"});
  TestReport::At(t, 1, 2).SetValue("text");  // a text cell: the check alone
  EXPECT_EQ(r.count.checked.size(), 2u);
  r.counting.SetLoading(true);
  TestReport::At(t, 1, 1).SetValue("4");  // while loading: nothing
  EXPECT_EQ(TestReport::Text(t, 1, 3), "30");
  EXPECT_EQ(r.count.checked.size(), 2u);
}

TEST(RecalcTableTest, AnErrorEndsThePassWithoutACheck) {
  CheckedReport r;
  TTable& t = r.Add("T", 1, 3, {F(1, 1, "8 0 1+1", 0, "old"), F(1, 2, "8 0 1+", 0, "old"), F(1, 3, "8 0 3", 0, "old")});
  EXPECT_THROW(r.counting.recalc().RecalcTable(t, true, true), ERxParserError);
  EXPECT_EQ(TestReport::Text(t, 1, 1), "2");
  EXPECT_EQ(TestReport::Text(t, 1, 3), "old");
  EXPECT_TRUE(r.count.checked.empty());
  // Started by a moment, the error is shown.
  EXPECT_FALSE(r.counting.Recalculate(RecalcMoment::RecalcAction, &t));
  ASSERT_EQ(r.ui.messages.size(), 1u);
  EXPECT_EQ(r.ui.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(r.ui.messages[0].text, "Syntax error");
  EXPECT_TRUE(r.count.checked.empty());
}

TEST(RecalcMomentTest, TheTriggerTable) {
  struct Case { RecalcMoment moment; RecalcRule rule; };
  const Case cases[] = {
      {RecalcMoment::ReportLoaded, {true, true, false, false}},
      {RecalcMoment::WholeReportNeeded, {true, true, false, false}},
      {RecalcMoment::TableActivated, {false, true, false, true}},
      {RecalcMoment::RecalcAction, {false, true, true, false}},
      {RecalcMoment::NumberChanged, {false, false, true, false}},
      {RecalcMoment::RowOperation, {false, false, true, false}},
      {RecalcMoment::TableReloaded, {false, true, true, false}},
      {RecalcMoment::SubreportValuesAdded, {false, false, true, false}},
      {RecalcMoment::IndicatorSaved, {false, false, false, false}},
  };
  for (const Case& c : cases) EXPECT_EQ(RuleOf(c.moment), c.rule) << static_cast<int>(c.moment);

  // Deep and shallow differ when a cell reads a later formula cell.
  for (const Case& c : cases) {
    if (c.rule.allTables) continue;
    CheckedReport r;
    TTable& t = r.Add("T", 1, 2, {F(1, 1, "8 0 (1:2)*10"), F(1, 2, "8 0 2+3", 0, "1")});
    EXPECT_TRUE(r.counting.Recalculate(c.moment, &t));
    EXPECT_EQ(TestReport::Text(t, 1, 1), c.rule.deep ? "50" : "10") << static_cast<int>(c.moment);
    EXPECT_EQ(r.count.checked.size(), c.rule.withCheck ? 1u : 0u) << static_cast<int>(c.moment);
  }
  // A table without formulas is left alone on activation.
  CheckedReport r;
  TTable& plain = r.Add("P", 1, 1, {Num(1, 1, "1")});
  EXPECT_TRUE(r.counting.Recalculate(RecalcMoment::TableActivated, &plain));
  EXPECT_FALSE(plain.hasFormulas);
}

TEST(RecalcAllTablesTest, ReferencedTablesComeFirst) {
  // T2 copies T1's shown text; T2 is loaded first, so only the map's order
  // lets it see T1's new value.
  TestReport r;
  r.hooks.recalc().SetActiveNames({"T1", "T2"});
  TTable& t2 = r.Add("T2", 1, 1, {F(1, 1, "7 0 T1[(1:1)]", -1, "old")});
  TTable& t1 = r.Add("T1", 1, 1, {F(1, 1, "8 0 2+2", 0, "0")});
  r.hooks.recalc().RecalcAllTables();
  EXPECT_EQ(TestReport::Text(t1, 1, 1), "4");
  EXPECT_EQ(TestReport::Text(t2, 1, 1), "4");
}

// The report date of the title form copied into a table's footer, as the
// templates do: the date reaches it, is saved and loads again as a date. A
// footer a former version saved as "15,03,2023" is mended by the next
// recalculation.
TEST(RecalcAllTablesTest, TextCopiesKeepADate) {
  TestReport r;
  r.hooks.recalc().SetActiveNames({"Title", "T1"});
  TTable& title = r.Add("Title", 0, 0, {{1, 1, 4, "15.03.2023"}});
  TTable& t1 = r.Add("T1", 1, 1, {Txt(1, 1, "x"), In('B', F(0, 0, "7 0 Title[(2)]", -1, "15,03,2023"))});
  EXPECT_EQ(t1.footer.cells[0]->label.caption, "15,03,2023");
  r.hooks.recalc().RecalcAllTables();
  EXPECT_EQ(t1.footer.cells[0]->GetValue(), "15.03.2023");
  EXPECT_EQ(TestReport::At(title, 0, 0).GetValue(), "15.03.2023");
  const std::string saved = t1.SaveText();
  EXPECT_NE(saved.find("Cap=15.03.2023\r\n"), std::string::npos);
  const std::string path = r.dir.Write("Again.ini", saved);
  TTable again(r.ctx);
  again.LoadFromFile(path);
  EXPECT_EQ(again.footer.cells[0]->label.caption, "15.03.2023");
}

TEST(RecalcAllTablesTest, CyclesAndClosedTablesEndAfterOneRoundInMapOrder) {
  TestReport r;
  r.hooks.recalc().SetActiveNames({"A", "B", "C", "Closed"});
  // A and B copy each other's shown text: a cycle between the tables but
  // not between cells. C reads a table that is not open.
  TTable& a = r.Add("A", 1, 2, {F(1, 1, "7 0 B[(1:2)]", -1, "a-old"), F(1, 2, "8 0 1", 0, "a")});
  TTable& b = r.Add("B", 1, 2, {F(1, 1, "7 0 A[(1:2)]", -1, "b-old"), F(1, 2, "8 0 2", 0, "b")});
  TTable& c = r.Add("C", 1, 1, {F(1, 1, "7 0 Closed[(1:1)]+5")});
  ASSERT_EQ(r.map.Count(), 3u);
  r.hooks.recalc().RecalcAllTables();
  EXPECT_EQ(TestReport::Text(a, 1, 1), "b") << "A first: B not yet recalculated";
  EXPECT_EQ(TestReport::Text(b, 1, 1), "1");
  EXPECT_EQ(TestReport::Text(c, 1, 1), "5");
  EXPECT_EQ(r.map.Count(), 3u) << "the map itself is unchanged";
}

TEST(RecalcAllTablesTest, AnErrorIsShownOnceAndEndsTheRecalculation) {
  TestReport r;
  TTable& bad = r.Add("Bad", 1, 1, {F(1, 1, "8 0 (1:x)", 0, "old")});
  TTable& good = r.Add("Good", 1, 1, {F(1, 1, "8 0 1", 0, "old")});
  EXPECT_THROW(r.hooks.recalc().RecalcAllTables(), EConvertError);
  EXPECT_EQ(TestReport::Text(good, 1, 1), "old");
  r.hooks.RecalcAllTables();  // as the report state calls it
  ASSERT_EQ(r.ui.messages.size(), 1u);
  EXPECT_EQ(Cp1251ToUtf8(r.ui.messages[0].text), "Неверная ссылка \"(1:x)\" в формуле: таблица \"Bad\", Ячейка 1-1.");
  EXPECT_EQ(TestReport::Text(bad, 1, 1), "old");
}

TEST(RegisterTableLinksTest, OnlyActiveTablesOnceIntoTheLoadingTablesOwnEntry) {
  TestReport r;
  r.hooks.recalc().SetActiveNames({"T1", "T2", "Doc", "Plain"});
  r.Add("T1", 1, 2,
        {F(1, 1, "7 0 100*T2[(1:1)]/(0+t2[(1:2)]+X[(1:1)]) + Doc[(1)]"), F(1, 2, "7 0 2 * (Fin[(1)])"),
         In('H', F(0, 0, "7 0 Plain[(1)]"))});
  ASSERT_EQ(r.map.Count(), 1u);
  EXPECT_EQ(r.map[0].Strings(), (std::vector<std::string>{"T1.ini", "T2.ini", "Doc.ini"}));

  // A table without formulas leaves the map again; a table that is not the
  // last one loaded gets no references.
  TTable& plain = r.Add("Plain", 1, 1, {Num(1, 1, "1")});
  EXPECT_EQ(r.map.IndexOf("Plain.ini"), -1);
  r.Add("T2", 1, 1, {F(1, 1, "8 0 1")});
  r.hooks.RegisterTableLinks(*r.tables[0], "T2[(1)]+Plain[(1)]");
  EXPECT_EQ(r.map[0].Count(), 3u);
  (void)plain;
}

TEST(CycleTest, CellsOnACycleGetZeroWithOneMessageAndTheRestGoesOn) {
  struct Case {
    const char* what;
    std::vector<CellDef> cells;
    bool deep;
    std::vector<std::string> expected;  // row 1, columns 1.. ; then (2:1)
    const char* cell;                   // named in the message
  };
  const Case cases[] = {
      {"itself", {F(1, 1, "8 0 (1:1)+1", 2), Num(1, 2, "0"), Num(1, 3, "0"), F(2, 1, "8 0 6")}, true,
       {"0,00", "0", "0", "6"}, "Ячейка 1-1"},
      {"two sums of a row", {F(1, 1, "0 1"), F(1, 2, "0 1", 1), Num(1, 3, "5"), F(2, 1, "8 0 6")}, false,
       {"0", "0,0", "5", "6"}, "Ячейка 1-1"},
      {"formula chain", {F(1, 1, "8 0 (1:2)"), F(1, 2, "8 0 (1:3)"), F(1, 3, "8 0 (1:1)"), F(2, 1, "8 0 6")}, true,
       {"0", "0", "0", "6"}, "Ячейка 1-1"},
      {"depends on a cycle", {F(1, 1, "8 0 (1:2)+1"), F(1, 2, "8 0 (1:3)"), F(1, 3, "8 0 (1:2)"), F(2, 1, "8 0 6")},
       true, {"1", "0", "0", "6"}, "Ячейка 1-2"},
  };
  for (const Case& c : cases) {
    TestReport r;
    TTable& t = r.Add("T", 2, 3, c.cells);
    r.hooks.recalc().RecalcTable(t, c.deep, false);
    const std::vector<std::string> got = {TestReport::Text(t, 1, 1), TestReport::Text(t, 1, 2),
                                          TestReport::Text(t, 1, 3), TestReport::Text(t, 2, 1)};
    EXPECT_EQ(got, c.expected) << c.what;
    ASSERT_EQ(r.ui.messages.size(), 1u) << c.what;
    EXPECT_EQ(r.ui.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(Cp1251ToUtf8(r.ui.messages[0].text),
              std::string("Формула ссылается сама на себя: таблица \"T\", ") + c.cell +
                  ".\r\nЯчейкам этого цикла дано значение 0.")
        << c.what;
  }
}

TEST(CycleTest, ACycleAcrossTablesInTheReportWideRecalculation) {
  TestReport r;
  r.hooks.recalc().SetActiveNames({"T1", "T2", "T3"});
  TTable& t1 = r.Add("T1", 1, 1, {F(1, 1, "7 0 T2[(1:1)]+1", 1, "9")});
  TTable& t2 = r.Add("T2", 1, 1, {F(1, 1, "7 0 T1[(1:1)]+1", 0, "9")});
  TTable& t3 = r.Add("T3", 1, 1, {F(1, 1, "8 0 7")});
  r.hooks.RecalcAllTables();
  EXPECT_EQ(TestReport::Text(t1, 1, 1), "0,0");
  EXPECT_EQ(TestReport::Text(t2, 1, 1), "0");
  EXPECT_EQ(TestReport::Text(t3, 1, 1), "7");
  ASSERT_EQ(r.ui.messages.size(), 1u);
  EXPECT_NE(Cp1251ToUtf8(r.ui.messages[0].text).find("таблица \"T1\", Ячейка 1-1"), std::string::npos);
  // Shallow reading of the other table's text is no cycle.
  r.hooks.recalc().RecalcTable(t1, false, false);
  EXPECT_EQ(TestReport::Text(t1, 1, 1), "1,0");
  EXPECT_EQ(r.ui.messages.size(), 1u);
}

TEST(OpenTablesTest, FoundByNameAndByFileInTheWorkingFolder) {
  TestReport r;
  TTable& fin = r.Add("Fin", 1, 1, {Num(1, 1, "1")});
  TTable& other = r.Add("Other", 1, 1, {Num(1, 1, "1")}, false);
  r.open.Register(other, /*printOnly=*/true);
  EXPECT_EQ(r.open.FindByName("fIN"), &fin);
  EXPECT_EQ(r.open.FindByName("Other"), nullptr);
  EXPECT_EQ(r.open.FindByFileName("FIN.INI"), &fin);
  EXPECT_EQ(r.open.FindByFileName("Fin.txt"), nullptr);
  r.open.SetWorkingFolder(r.dir.path() + "./sub/..//");
  EXPECT_EQ(r.open.FindByFileName("Fin.ini"), &fin);
  r.open.SetWorkingFolder(r.dir.path() + "sub/");
  EXPECT_EQ(r.open.FindByFileName("Fin.ini"), nullptr);
  EXPECT_EQ(r.open.FindByName("Fin"), &fin) << "formulas read tables wherever they lie";
  r.open.Unregister(fin);
  EXPECT_EQ(r.open.FindByName("Fin"), nullptr);
  EXPECT_EQ(r.open.Tables(), std::vector<TTable*>{&other});
  EXPECT_TRUE(r.open.ReportTables().empty());
}

TEST(ReportEngineTest, AttachedToTheReportsTablesAndMap) {
  // As the report state uses it: the map and the active names come with
  // Attach before the tables load, the tables after.
  testing::TempFolder dir;
  testing::ScriptedInteraction ui;
  TCalcHooks engine(&ui);
  TMapTables map;
  StructureModel structure;
  structure.activeNames = {"T1", "T2"};
  engine.Attach({dir.path(), &map, &structure, {}});
  TableContext ctx;
  ctx.hooks = &engine;
  TTable t2(ctx), t1(ctx);
  t2.LoadFromFile(dir.Write("T2.ini", testing::TableFile(1, 1, {F(1, 1, "7 0 T1[(1:1)]", -1, "old")})));
  t1.LoadFromFile(dir.Write("T1.ini", testing::TableFile(1, 1, {F(1, 1, "8 0 2+2", 0, "0")})));
  EXPECT_EQ(map.Count(), 2u);
  engine.Attach({dir.path(), &map, &structure, {{&t2, "b"}, {&t1, "a"}}});
  engine.RecalcAllTables();
  EXPECT_EQ(TestReport::Text(t2, 1, 1), "4");
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace rpt
