// The rule language: parsing, testing one condition, rule lines, row rules,
// the rules file and the row consistency of growing tables.
#include <gtest/gtest.h>

#include "check_test_tables.h"
#include "core/calc/check_rules.h"
#include "core/calc/check_status.h"
#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "support/temp_folder.h"

namespace rpt::checks {
namespace {

using testing::CellSpec;
using testing::ToUtf8;
namespace ct = cell_type;

std::vector<std::string> Parsed(std::string_view conditionUtf8, bool* complete = nullptr) {
  ParsedCondition p = ParseCondition(Utf8ToCp1251(conditionUtf8));
  if (complete) *complete = p.parsed;
  return ToUtf8(p.texts);
}

TEST(CheckParse, ParsedForms) {
  struct Case {
    std::string_view condition;
    bool complete;
    std::vector<std::string> texts;
  } cases[] = {
      {"T1(3,4) >= T1(3,5) + T1(3,6)", true,
       {"T1.INI", "3 4", "3", "T1.INI", "3 5", "0", "T1.INI", "3 6"}},
      {"(5) <> пусто", true, {"", "0 5", "7", "", "пусто"}},
      {"(5)<>3+пусто", true, {"", "0 5", "7", "", "3", "0", "", "пусто"}},
      {"(1 2) <> 3", true, {"", "1 2", "1", "", "3"}},
      {"t1.ini(3  4) = 0,5", true, {"T1.INI", "3 4", "0", "", "0,5"}},
      {"kadry.INI.old(1 1) | 2 - 3 * 4 / 5", true,
       {"KADRY.INI", "1 1", "6", "", "2", "1", "", "3", "2", "", "4", "3", "", "5"}},
      {"(1 1) = 1 <= 2", false, {"", "1 1", "0", "", "1"}},
      {"(1 1) => 1", false, {"", "1 1"}},
      {"(1 1) = 1 +- 2", false, {"", "1 1", "0", "", "1"}},
      {"(1 1) + 1 = 2", false, {"", "1 1"}},
      // A last operand that does not fit uses the text up: parsed, but missing.
      {"T1(2,3) > 0.5", true, {"T1.INI", "2 3", "2"}},
      {"T1(2,3) > 0.5 + 1", false, {"T1.INI", "2 3", "2"}},
      {"(1 1) >", true, {"", "1 1", "2"}},
      {"", true, {}},
      // Addresses: one number must be above 1, two numbers positive, a name
      // without another ".".
      {"(1) = 0", false, {}},
      {"(0 1) = 0", false, {}},
      {"(1,,2) = 0", false, {}},
      {"T1.x(1 1) = 0", false, {}},
      {"-1 = 0", false, {}},
      {"abc = 0", false, {}},
      {"(2)= 1,2,3", true, {"", "0 2", "0", "", "1,2,3"}},
  };
  for (const Case& c : cases) {
    bool complete = false;
    EXPECT_EQ(Parsed(c.condition, &complete), c.texts) << c.condition;
    EXPECT_EQ(complete, c.complete) << c.condition;
  }
}

TEST(CheckParse, GeneralNumberText) {
  struct Case {
    double value;
    std::string_view text;
  } cases[] = {{0, "0"},           {0.5, "0,5"},        {-12.25, "-12,25"},
               {0.1 + 0.2, "0,3"}, {1e15, "1E15"},      {123456789012345, "123456789012345"},
               {1e-4, "0,0001"},   {1.5e-7, "1,5E-7"},  {1000000000, "1000000000"},
               {2.0 / 3, "0,666666666666667"}};
  for (const Case& c : cases) EXPECT_EQ(GeneralNumberText(c.value), c.text) << c.value;
}

// A report of three tables: a form "F", a grid "G" of 3 rows by 6 columns,
// and "T1" (grid) for references to another table.
class CheckRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = testing::MakeFormTable(context, "/rep/F.ini",
                                  {{ct::kText, ""},        // 2
                                   {ct::kText, "ООО"},     // 3
                                   {ct::kInteger, "5"},    // 4
                                   {ct::kText, " "},       // 5 blank
                                   {ct::kInteger, "7"},    // 6
                                   {ct::kReal, "0,5"},     // 7
                                   {ct::kInteger, "-2000000000"},  // 8
                                   {ct::kText, "12"}});    // 9
    grid = testing::MakeNumberGrid(context, "/rep/G.ini",
                                   {{"1", "2", "3", "10", "4", "6"},
                                    {"0", "0", "0", "9", "4", "6"},
                                    {"", "x", "0", "5", "2", "3"}});
    t1 = testing::MakeNumberGrid(context, "/rep/t1.INI", {{"0", "0", "0"}, {"0", "0", "1"}});
    checker.SetTables({{form.get(), "Форма"}, {grid.get(), "Сетка"}, {t1.get(), "Т1"}});
  }

  // Tests one condition (UTF-8) of `table`; the protocol in UTF-8.
  TestResult Test(TTable& table, std::string_view condition,
                  std::optional<std::string_view> message = std::nullopt) {
    const std::string c = Utf8ToCp1251(condition);
    std::optional<std::string> m;
    if (message) m = Utf8ToCp1251(*message);
    protocol.clear();
    return TestCondition(table, c, m ? std::optional<std::string_view>(*m) : std::nullopt, &checker,
                         protocol);
  }
  bool Line(TTable& table, std::string_view line) {
    protocol.clear();
    return CheckRuleLine(table, Utf8ToCp1251(line), &checker, protocol);
  }
  std::vector<std::string> Messages() const { return ToUtf8(protocol); }

  TableContext context;
  std::unique_ptr<TTable> form, grid, t1;
  TableChecker checker;
  std::vector<std::string> protocol;
};

TEST_F(CheckRulesTest, OutcomesOfOneCondition) {
  using R = TestResult;
  struct Case {
    bool onForm;
    std::string_view condition;
    TestResult result;
  } cases[] = {
      // The eight comparisons (grid row 1: 1 2 3 10 4 6).
      {false, "(1 3) = 3", R::Holds},       {false, "(1 3) = 4", R::Fails},
      {false, "(1 3) <> 4", R::Holds},      {false, "(1 3) <> 3", R::Fails},
      {false, "(1 4) > (1 5)", R::Holds},   {false, "(1 4) > 10", R::Fails},
      {false, "(1 4) >= 10", R::Holds},     {false, "(1 4) >= 11", R::Fails},
      {false, "(1 1) < 2", R::Holds},       {false, "(1 1) < 1", R::Fails},
      {false, "(1 1) <= 1", R::Holds},      {false, "(1 1) <= 0,99", R::Fails},
      {true, "(3) <> пусто", R::Holds},     {true, "(5) <> пусто", R::Fails},
      // "|": both zero or both non-zero.
      {false, "(2,3) | (2,2)", R::Holds},   {false, "(1,5) | (1,6)", R::Holds},
      {false, "(2,3) | (1,6)", R::Fails},   {false, "(1,6) | (2,3)", R::Fails},
      // "*" and "/" before "+" and "-", left to right.
      {false, "(1,6) = 2*(1,1)+4", R::Holds},   {false, "(1,6) = 2+(1,1)*4", R::Holds},
      {false, "(1 4) = 6 / (1 3) * 5", R::Holds}, {false, "(1 4) = 20 - 4 - 6", R::Holds},
      {false, "(1 1) = 2 - 1", R::Holds},
      // Rounded to 15 digits between steps: 0,1 + 0,2 is 0,3.
      {false, "0,3 = 0,1 + 0,2", R::Holds},
      // Empty and non-numeric cell texts count as 0.
      {false, "(3 1) = 0", R::Holds},       {false, "(3 2) = 0", R::Holds},
      // Numeric cell numbers read cell n - 2: (6) is cell 4 ("5"), (9) cell 7.
      {true, "(6) = 5", R::Holds},          {true, "(9) = 0,5", R::Holds},
      // ... and (2), (3) select no cell: the rule breaks off and holds.
      {true, "(2) = 1", R::Error},          {true, "(3) = 1", R::Error},
      {false, "(9 9) = 1", R::Error},       {false, "(1 7) = 1", R::Error},
      // The emptiness test reads cell n itself; "r c" reads cell c.
      {true, "(3 5) <> пусто", R::Fails},   {true, "(7 3) <> пусто", R::Holds},
      {true, "(5) = пусто", R::Fails},
      // A captured text that is no number breaks the rule off where it is read.
      {true, "(3) = пусто", R::Error},      {true, "(9) = пусто", R::Holds},
      {true, "(3) = пусто + 1", R::Error},
      // Division by zero, overflow, incomplete forms: holds without a message.
      {false, "(1 1) = 1 / (2 2)", R::Error},
      {false, "(1 1) = 0,5 / 0", R::Error},
      {false, "", R::Error},                {false, "(1 1)", R::Error},
      {false, "(1 1) =", R::Error},         {false, "(1 1) = 1 +", R::Error},
      {false, "T1(2,3) > 0.5", R::Error},
      // No value: a constant that is no number, a table that is not open, a
      // cell below the marker; and text left over.
      {false, "(1 1) = 1,2,3", R::NotTested}, {false, "T9(1,1) = 0", R::NotTested},
      {true, "(10) = 0", R::NotTested},     {true, "(5) <> 3 + пусто", R::NotTested},
      {false, "T1(2,3) > 0.5 + 1", R::NotTested},
      // Another table, by name in any letter case, with or without ".ini".
      {false, "T1(2,3) > 0,5", R::Holds},   {false, "t1.ini(2 3) = 1", R::Holds},
      {false, "T1(2,3) > 1", R::Fails},     {false, "T1(5,3) > 1", R::Error},
  };
  // A result that overflows breaks the rule off too.
  const std::string big = "1" + std::string(300, '0');
  EXPECT_EQ(Test(*grid, "(1 1) = " + big + " * " + big), TestResult::Error);
  for (const Case& c : cases) {
    TTable& table = c.onForm ? *form : *grid;
    EXPECT_EQ(Test(table, c.condition), c.result) << c.condition;
    const std::size_t expected = c.result == R::Fails || c.result == R::NotTested ? 1 : 0;
    EXPECT_EQ(protocol.size(), expected) << c.condition;
  }
}

TEST_F(CheckRulesTest, MessageTexts) {
  struct Case {
    bool onForm;
    std::string_view line;
    std::string_view message;
  } cases[] = {
      {true, "(5) <> пусто;Не указано наименование", "1. Ячейка (5): Не указано наименование"},
      {false, "(1 4) > (1 5) + (1 6)", "1. Условие  (1 4) > (1 5) + (1 6)  не выполняется."},
      {false, "  (1 4) > (1 5) + (1 6);Мало;совсем", "1. Ячейка (1-4): Мало;совсем"},
      {false, "T1(1  2) = 1;Нет", "1. Ячейка T1(1--2): Нет"},
      {false, "0 > 1;Без адреса", "1. Ячейка : Без адреса"},
      {false, "T9(1,1) = 0;Не дойдет",
       "1. Проверку условия  \"T9(1,1) = 0\"  выполнить не удалось."},
      {false, "T1(2,3) > 0.5 + 1", "1. Проверку условия  \"T1(2,3) > 0.5 + 1\"  выполнить не удалось."},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Line(c.onForm ? *form : *grid, c.line)) << c.line;
    EXPECT_EQ(Messages(), std::vector<std::string>{std::string(c.message)}) << c.line;
  }
  // A holding rule adds nothing; "ООО" is not blank.
  EXPECT_TRUE(Line(*form, "(3) <> пусто;Не указано наименование"));
  EXPECT_TRUE(protocol.empty());
}

TEST_F(CheckRulesTest, MessagesAreNumberedAfterTheProtocol) {
  protocol = {"1. x"};
  EXPECT_FALSE(CheckRuleLine(*grid, "(1 1) = 5", &checker, protocol));
  ASSERT_EQ(protocol.size(), 2u);
  EXPECT_EQ(ToUtf8(protocol)[1], "2. Условие  (1 1) = 5  не выполняется.");
}

TEST_F(CheckRulesTest, RowRules) {
  // Row 1: 10 = 4 + 6, row 2: 9 <> 10, row 3: 5 = 2 + 3.
  EXPECT_FALSE(Line(*grid, "(*,4) = (*,5)+(*,6)"));
  EXPECT_EQ(Messages(), std::vector<std::string>{"1. Условие  (2,4) = (2,5)+(2,6)  не выполняется."});
  EXPECT_FALSE(Line(*grid, "(* 4) <> (* 5) + (* 6);Сумма в строке"));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"1. Ячейка (1-4): Сумма в строке",
                                                  "2. Ячейка (3-4): Сумма в строке"}));
  // A row that breaks off ends the rule; rows already failed keep it failed.
  grid->data.rows[2]->cells[4]->label.caption = "0";  // (2,5)
  EXPECT_FALSE(Line(*grid, "(* 1) = (* 4) / (* 5)"));
  EXPECT_EQ(Messages(), std::vector<std::string>{"1. Условие  (1 1) = (1 4) / (1 5)  не выполняется."});
  // A table without data rows passes every row rule.
  EXPECT_TRUE(Line(*form, "(* 1) = 1"));
  // Every "*" is the row placeholder: "2*(1,1)" becomes table "21".
  EXPECT_FALSE(Line(*grid, "(*,6) = 2*(*,1)+4"));
  EXPECT_EQ(Messages()[0], "1. Проверку условия  \"(1,6) = 21(1,1)+4\"  выполнить не удалось.");
}

TEST(CheckRulesFileTest, SectionsCountsAndMissingKeys) {
  testing::TempFolder dir;
  const std::string original = Utf8ToCp1251(
      "[G]\r\nCount=3\r\n1=(1 1) = 1\r\n2=(1 1) = 5\r\n1=(1 1) = 7\r\n\r\n"
      "[Zero]\r\nCount=0\r\n1=(1 1) = 5\r\n\r\n[Huge]\r\nCount=2000000000\r\n01=(1 1) = 5\r\n"
      "7=(1 1) = 9\r\n");
  const std::string path = dir.Write("Check.chk", original);
  TableContext context;
  auto grid = testing::MakeNumberGrid(context, dir / "G.ini", {{"1"}});
  {
    CheckRulesFile rules;
    rules.Open(path);
    rules.Open(dir / "other.chk");  // the first file stays open
    EXPECT_EQ(rules.Path(), path);
    EXPECT_EQ(rules.Count("g"), 3);
    EXPECT_TRUE(rules.HasRules("G"));
    EXPECT_FALSE(rules.HasRules("Zero"));
    EXPECT_FALSE(rules.HasRules("Missing"));
    // The first of two equal keys wins; key 3 is missing and holds silently.
    EXPECT_EQ(rules.RuleLine("G", 1), "(1 1) = 1");
    EXPECT_EQ(rules.RuleLine("G", 3), "");
    std::vector<std::string> protocol;
    EXPECT_TRUE(CheckRule(*grid, 1, rules, nullptr, protocol));
    EXPECT_TRUE(CheckRule(*grid, 3, rules, nullptr, protocol));
    EXPECT_FALSE(CheckRules(*grid, rules, nullptr, protocol));
    EXPECT_EQ(ToUtf8(protocol), std::vector<std::string>{"1. Условие  (1 1) = 5  не выполняется."});
    // A huge Count visits only the keys that are there ("01" is not key 1).
    grid->tableName = "Huge";
    protocol.clear();
    EXPECT_FALSE(CheckRules(*grid, rules, nullptr, protocol));
    EXPECT_EQ(ToUtf8(protocol), std::vector<std::string>{"1. Условие  (1 1) = 9  не выполняется."});
  }
  // Kept open and released, the file is never rewritten.
  EXPECT_EQ(testing::ReadFile(path), original);

  CheckRulesFile none;
  none.Open(dir / "absent.chk");
  EXPECT_EQ(none.Count("G"), 0);
}

TEST(CheckRowsTest, SevenCases) {
  TableContext context;
  // Name (text), code (list value), two numbers, a date, a caption.
  auto row = [](std::string_view name, std::string_view code, std::string_view a,
                std::string_view b, std::string_view date) {
    return std::vector<CellSpec>{{ct::kText, name},    {ct::kListValue, code}, {ct::kInteger, a},
                                 {ct::kReal, b},       {ct::kDate, date},      {ct::kCaption, "итого"}};
  };
  auto t = testing::MakeGridTable(context, "/rep/Grow.ini",
                                  {row("", "", "", "", ""),              // 1 all blank
                                   row("Лаборатория", "01", "0", "0", ""),   // 2 texts, no data
                                   row("", "", "3", "", ""),             // 3 data, no texts
                                   row("Лаборатория", "01", "0", "1,5", ""), // 4 complete
                                   row("Лаборатория", "", "0", "", ""),  // 5 a text blank, no data
                                   row("Лаборатория", "", "2", "", ""),  // 6 a text blank, data
                                   row(" ", "", "0", "0", "")},          // 7 zeros are empty
                                  /*growing=*/true);
  std::vector<std::string> protocol{Utf8ToCp1251("1. из правил")};
  EXPECT_FALSE(CheckRows(*t, protocol));
  EXPECT_EQ(ToUtf8(protocol),
            (std::vector<std::string>{
                "1. из правил",
                "2. Строка 2 имеет заполненные текстовые ячейки, но не содержит данных.",
                "3. Строка 3 содержит данные, а текстовые ячейки не заполнены.",
                "4. Строка 5 имеет заполненные текстовые ячейки, но не содержит данных.",
                "5. Строка 6 содержит данные, а текстовые ячейки не заполнены."}));

  // Rows without text cells are not checked; rows without data cells are
  // consistent.
  auto noText = testing::MakeGridTable(context, "/rep/N.ini",
                                       {{{ct::kInteger, "5"}, {ct::kCaption, "x"}}}, true);
  auto noData = testing::MakeGridTable(context, "/rep/D.ini",
                                       {{{ct::kText, "a"}, {ct::kText, ""}}}, true);
  protocol.clear();
  EXPECT_TRUE(CheckRows(*noText, protocol));
  EXPECT_TRUE(CheckRows(*noData, protocol));
  EXPECT_TRUE(protocol.empty());

  // A number cell holding no number ends the check with an error.
  auto bad = testing::MakeGridTable(context, "/rep/B.ini",
                                    {{{ct::kText, ""}, {ct::kInteger, "5"}},
                                     {{ct::kText, "a"}, {ct::kInteger, "abc"}}}, true);
  protocol.clear();
  EXPECT_THROW(CheckRows(*bad, protocol), EConvertError);
  EXPECT_EQ(protocol.size(), 1u);
}

}  // namespace
}  // namespace rpt::checks

namespace rpt::checks {
namespace {

// A failed rule explains itself: its condition with the values it read,
// and the cells it read (n - 2 for a numeric (n), n for the emptiness test).
TEST_F(CheckRulesTest, FailedConditionShowsOperandValuesAndCells) {
  struct Case {
    bool onForm;
    std::string_view line;
    std::string_view values;
    std::vector<RuleCell> cells;
  } cases[] = {
      {false, "(1 4) = (1 5) + (1 6);Сумма", "10 = 4 + 6", {}},  // holds: no explanation
      {false, "(1 4) < (1 5) / 2 - (1 1)", "10 < 4 / 2 - 1", {{nullptr, 1, 4}, {nullptr, 1, 5}, {nullptr, 1, 1}}},
      {false, "(1 1) | t1(2 1)", "1 | 0", {{nullptr, 1, 1}, {nullptr, 2, 1}}},
      {true, "(5) <> пусто;Не указано", "\"\" <> пусто", {{nullptr, 0, 0, 5}}},
      {true, "(6) > 0,5 + (8)", "5 > 0,5 + 7", {{nullptr, 0, 0, 4}, {nullptr, 0, 0, 6}}},
  };
  for (Case& c : cases) {
    for (RuleCell& rc : c.cells)
      if (rc.row == 2 && rc.col == 1) rc.table = t1.get();
    TTable& table = c.onForm ? *form : *grid;
    protocol.clear();
    std::vector<RuleExplanation> explanations;
    CheckRuleLine(table, Utf8ToCp1251(c.line), &checker, protocol, nullptr, &explanations);
    ASSERT_EQ(explanations.size(), protocol.size()) << c.line;
    if (c.cells.empty()) {
      EXPECT_TRUE(protocol.empty()) << c.line;
      continue;
    }
    ASSERT_EQ(protocol.size(), 1u) << c.line;
    EXPECT_EQ(Cp1251ToUtf8(explanations[0].values), c.values) << c.line;
    EXPECT_EQ(explanations[0].cells, c.cells) << c.line;
  }
  // One explanation per message of a row rule, each with its own row.
  protocol.clear();
  std::vector<RuleExplanation> explanations;
  CheckRuleLine(*grid, "(* 4) = (* 5)", &checker, protocol, nullptr, &explanations);
  ASSERT_EQ(explanations.size(), 3u);
  EXPECT_EQ(explanations[2].values, "5 = 2");
  EXPECT_EQ(explanations[2].cells, (std::vector<RuleCell>{{nullptr, 3, 4}, {nullptr, 3, 5}}));
}

TEST(RemarkWalk, NextAndPreviousAcrossTables) {
  const std::vector<std::vector<CellPos>> remarked{{{1, 2}, {3, 1}}, {}, {{0, 4}}};
  using S = std::optional<RemarkStop>;
  EXPECT_EQ(NextRemark(remarked, 0, std::nullopt, true), (S{{0, {1, 2}}}));
  EXPECT_EQ(NextRemark(remarked, 0, CellPos{1, 2}, true), (S{{0, {3, 1}}}));
  EXPECT_EQ(NextRemark(remarked, 0, CellPos{2, 9}, true), (S{{0, {3, 1}}}));
  EXPECT_EQ(NextRemark(remarked, 0, CellPos{3, 1}, true), (S{{2, {0, 4}}})) << "the empty table skipped";
  EXPECT_EQ(NextRemark(remarked, 2, CellPos{0, 4}, true), S{}) << "no wrap";
  EXPECT_EQ(NextRemark(remarked, 1, std::nullopt, true), (S{{2, {0, 4}}}));
  EXPECT_EQ(NextRemark(remarked, 2, CellPos{0, 4}, false), (S{{0, {3, 1}}}));
  EXPECT_EQ(NextRemark(remarked, 0, CellPos{3, 1}, false), (S{{0, {1, 2}}}));
  EXPECT_EQ(NextRemark(remarked, 0, CellPos{1, 2}, false), S{});
}

}  // namespace
}  // namespace rpt::checks
