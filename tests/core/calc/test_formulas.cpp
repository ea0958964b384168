// Formula cells: the words of a formula, number texts, the sums of codes
// 0-6, same-table and cross-table expressions, text copies, and deep
// against shallow reading of formula cells.
#include <gtest/gtest.h>

#include "calc_test_util.h"
#include "core/calc/formulas.h"
#include "core/calc/rx_math_parser.h"

namespace rpt {
namespace {

using testing::CellDef;
using testing::F;
using testing::Num;
using testing::TestReport;
using testing::Txt;

TEST(FormulaTextTest, WordsOfAFormula) {
  struct Case { const char* form; int code; bool vertical; const char* expression; };
  const Case cases[] = {
      {"8 0 (1:2)+(1:3)", 8, true, "(1:2)+(1:3)"},
      {"8 1 (1:2) + 1", 8, false, "(1:2) + 1"},
      {"8 5", 8, false, "8 5"},  // no second blank: the whole text
      {"8 0 ", 8, true, ""},
      {"7", 7, false, "7"},
      {"abc 0", 0, true, "abc 0"},  // a first word that is no integer is code 0
      {"-1", -1, false, "-1"},
      {"6 00 1 2", 6, false, "1 2"},  // only "0" itself is vertical
  };
  for (const Case& c : cases) {
    const FormulaText f = SplitFormula(c.form);
    EXPECT_EQ(f.code, c.code) << c.form;
    EXPECT_EQ(f.vertical, c.vertical) << c.form;
    EXPECT_EQ(f.expression, c.expression) << c.form;
  }
}

TEST(FormulaTextTest, FixedNotationRoundsHalfAwayFromZeroOnTheDecimalDigits) {
  struct Case { long double value; int decimals; const char* text; };
  const Case cases[] = {
      {3.5L, 1, "3,5"},
      {0, 2, "0,00"},
      {1.25L, 1, "1,3"},
      {-1.25L, 1, "-1,3"},
      {0.5L, 0, "1"},
      {-0.001L, 2, "0,00"},  // no "-0,00"
      {0.006L, 2, "0,01"},
      {999.996L, 2, "1000,00"},
      {123.456L, -1, "123"},  // a negative Dec shows no decimals
      {1e20L, 0, "100000000000000000000"},
      {1.0L / 3, 25, "0,333333333333333333"},  // at most 18 decimals and 18 digits
      {123456789.123456789123L, 12, "123456789,123456789000"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFixedValue(c.value, c.decimals), c.text) << c.text;
  // The evaluator's 2,675 is not exactly 2.675, but its 18 digits are.
  EXPECT_EQ(FormatFixedValue(TRxMathParser().Evaluate("2,675"), 2), "2,68");
}

TEST(FormulaTextTest, GeneralNotationKeepsFifteenDigits) {
  struct Case { long double value; const char* text; };
  const Case cases[] = {
      {20, "20"},
      {-2.5L, "-2,5"},
      {1.0L / 3, "0,333333333333333"},
      {0.00001L, "0,00001"},
      {1.5e-7L, "1,5E-7"},
      {123456789012345.0L, "123456789012345"},
      {1234567890123456.0L, "1,23456789012346E15"},
      {1e20L, "1E20"},
      {0, "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatGeneralValue(c.value), c.text) << c.text;
}

TEST(FormulaTextTest, NumbersWithACommaAsDecimalSeparator) {
  struct Case { const char* text; std::optional<long double> value; };
  const Case cases[] = {
      {"1,5", 1.5L}, {" -2 ", -2.0L}, {",5", 0.5L}, {"1,5E3", 1500.0L}, {"+3", 3.0L},
      {"1.5", std::nullopt}, {"1,2,3", std::nullopt}, {"abc", std::nullopt}, {"", std::nullopt},
      {",", std::nullopt}, {"1E", std::nullopt}, {"1 000", std::nullopt},
      {"12345678901234567890", 12345678901234567890.0L},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadCommaNumber(c.text), c.value) << c.text;
  // However long the text.
  EXPECT_EQ(ReadCommaNumber("0," + std::string(200, '0') + "5"), 5e-201L);
}

// One row of cells around a formula cell at column 3; the same cells in
// a column (transposed) with the vertical form of the formula.
//   1: integer 1 | 2: text | 3: formula | 4: real 2,5 | 5: text | 6: integer 10 | 7: formula 7
std::vector<CellDef> LineCells(bool vertical, const std::string& codeAndRest) {
  std::vector<CellDef> cells = {Num(1, 1, "1"),       Txt(1, 2, "t"),  F(1, 3, ""), Num(1, 4, "2,5", 3),
                                Txt(1, 5, "u"),       Num(1, 6, "10"), F(1, 7, "8 0 7", 0)};
  const std::size_t space = codeAndRest.find(' ');
  const std::string code = codeAndRest.substr(0, space);
  const std::string rest = space == std::string::npos ? "" : codeAndRest.substr(space);
  cells[2].form = code + (vertical ? " 0" : " 1") + rest;
  cells[2].dec = 1;
  if (vertical)
    for (CellDef& c : cells) std::swap(c.row, c.col);
  return cells;
}

TEST(FormulaSumsTest, CodesZeroToSixInBothOrientations) {
  struct Case { const char* formula; const char* expected; };
  const Case cases[] = {
      {"0", "20,5"},           // every other cell, formula cells computed
      {"1", "13,5"},           // integers and reals only
      {"2", "1,0"},            // backwards, the text cell skipped
      {"4", "0,0"},            // backwards, stops at the text neighbour
      {"3", "12,5"},           // forwards, text and formula skipped
      {"5", "2,5"},            // forwards, stops at the text cell
      {"6 1 -4 6 7", "15,5"},  // 1 - 2,5 + 10 + 7
      {"6 0 x 4", "2,5"},      // "x" counts as 0: position 0 holds nothing
      {"9", "0,0"},            // no such code
  };
  for (const bool vertical : {false, true}) {
    for (const Case& c : cases) {
      TestReport r;
      TTable& t = vertical ? r.Add("T", 7, 1, LineCells(true, c.formula)) : r.Add("T", 1, 7, LineCells(false, c.formula));
      TCell& cell = vertical ? TestReport::At(t, 3, 1) : TestReport::At(t, 1, 3);
      EXPECT_EQ(r.hooks.recalc().CalcCell(&t, cell, false), c.expected) << c.formula << (vertical ? " vertical" : "");
    }
  }
}

TEST(FormulaSumsTest, SignedListOfRowsAndTheDefaultForm) {
  TestReport r;
  std::vector<CellDef> cells;
  for (int row = 1; row <= 7; ++row) cells.push_back(Num(row, 4, std::to_string(row * row)));
  cells.push_back(F(8, 4, "6 0 3 -5 7"));
  cells.push_back({8, 1, 7, "", "", 2});  // no "Form": "-1", code -1
  TTable& t = r.Add("T", 8, 4, cells);
  EXPECT_EQ(r.hooks.recalc().CalcCell(&t, TestReport::At(t, 8, 4), true), "33");  // 9 - 25 + 49
  EXPECT_EQ(r.hooks.recalc().CalcCell(&t, TestReport::At(t, 8, 1), true), "0,00");
  EXPECT_EQ(r.hooks.recalc().CalcCell(nullptr, TestReport::At(t, 8, 1), true), "0");
}

// Same-table expressions and text copies in a grid table:
//   (1:1) real 1,5   (1:2) integer 2    (1:3) the formula
//   (2:1) integer "" (2:2) real "" Dec 2 (2:3) integer -2
TEST(FormulaExpressionTest, SameTableExpressions) {
  struct Case { const char* form; int dec; const char* expected; };
  const Case cases[] = {
      {"8 0 (1:1)+(1:2)", 1, "3,5"},
      {"8 0 (1:1)*(1:1)", 2, "2,25"},  // both occurrences replaced at once
      {"8 0 (1:2)^2/(1:1)", 2, "2,67"},
      {"8 0 3*(2:3)", 0, "-6"},        // a negative value stays a literal
      {"8 0 (2:2)+1", 0, "1"},         // empty with Dec >= 0 counts as 0
      {"8 0 (9:9)+1", 2, "0,00"},      // a missing cell makes the whole expression 0
      {"8 0 1 + 2 * 3", 0, "7"},       // blanks deleted
      {"8 5", 0, "85"},
      {"8 0 (1:1)", -1, "1,5"},        // text copies
      {"8 0 (2:3)", -1, "-2"},
      {"8 0 (9:9)", -1, ""},
      {"8 0 ", 0, "!Syntax error"},
      {"8 0 1+(2:1)", 0, "!Syntax error"},  // an empty cell without Dec stays empty
      {"8 0 (1:2)/(2:2)", 0, "!Divide by zero"},
  };
  for (const Case& c : cases) {
    TestReport r;
    TTable& t = r.Add("T", 2, 3,
                      {{1, 1, 3, "1,5", "", 1}, Num(1, 2, "2"), F(1, 3, c.form, c.dec), Num(2, 1, ""),
                       {2, 2, 3, "", "", 2}, Num(2, 3, "-2")});
    TCell& cell = TestReport::At(t, 1, 3);
    const std::string expected = c.expected;
    if (expected.starts_with("!")) {
      try {
        r.hooks.recalc().CalcCell(&t, cell, true);
        ADD_FAILURE() << c.form << ": no error";
      } catch (const ERxParserError& e) {
        EXPECT_EQ(e.Message(), expected.substr(1)) << c.form;
      }
    } else {
      EXPECT_EQ(Cp1251ToUtf8(r.hooks.recalc().CalcCell(&t, cell, true)), expected) << c.form;
    }
  }
}

TEST(FormulaExpressionTest, MalformedReferencesRaiseAConversionErrorNamingThem) {
  for (const char* form : {"8 0 (1:x)+1", "8 0 (1:2", "8 0 ((1:2))", "8 0 2)+(1", "8 0 (1:2:3)", "8 0 ()",
                           "8 0 (a)"}) {
    TestReport r;
    TTable& t = r.Add("Fin", 1, 2, {Num(1, 1, "1"), F(1, 2, form)});
    try {
      r.hooks.recalc().CalcCell(&t, TestReport::At(t, 1, 2), false);
      ADD_FAILURE() << form << ": no error";
    } catch (const EConvertError& e) {
      const std::string message = Cp1251ToUtf8(e.Message());
      EXPECT_TRUE(message.starts_with("Неверная ссылка \"")) << message;
      EXPECT_NE(message.find("таблица \"Fin\", Ячейка 1-2"), std::string::npos) << message;
    }
  }
  // The reference itself is named.
  TestReport r;
  TTable& t = r.Add("Fin", 1, 2, {Num(1, 1, "1"), F(1, 2, "8 0 (1:1)+(1:x)")});
  EXPECT_THROW(
      {
        try {
          r.hooks.recalc().CalcCell(&t, TestReport::At(t, 1, 2), false);
        } catch (const EConvertError& e) {
          EXPECT_NE(Cp1251ToUtf8(e.Message()).find("\"(1:x)\""), std::string::npos);
          throw;
        }
      },
      EConvertError);
}

TEST(FormulaExpressionTest, AReferenceWhoseTextNamesItselfEndsWithAnError) {
  // The substituted text is scanned again; (1:1) holding "(1:1)" would
  // otherwise be replaced by itself for ever.
  TestReport r;
  TTable& t = r.Add("T", 1, 3, {Txt(1, 1, "(1:1)"), Txt(1, 2, "(1:2)(1:2)"), F(1, 3, "8 0 (1:1)")});
  EXPECT_THROW(r.hooks.recalc().CalcCell(&t, TestReport::At(t, 1, 3), false), EConvertError);
  TestReport::At(t, 1, 3).Form = "8 0 (1:2)";
  EXPECT_THROW(r.hooks.recalc().CalcCell(&t, TestReport::At(t, 1, 3), false), EConvertError);
}

// A form table: cells in list order, found by their "Row" and "Col" keys
// in expressions and by position in text copies.
//   index 0: Row 1 Col 1 integer 5   index 1: Row 0 Col 3 integer 7
//   index 2: the formula (Row 9 Col 9) index 3: Row 2 Col 1 real 1,5
TEST(FormulaExpressionTest, FormTablesFindCellsByKeysAndNumbers) {
  struct Case { const char* form; int dec; const char* expected; };
  const Case cases[] = {
      {"8 0 (1:1)*2", 0, "10"},
      {"8 0 (0:3)", 0, "7"},        // keys Row 0, Col 3
      {"8 0 (0:1)", 0, "0"},        // no cell with those keys
      {"8 0 (0:1)", -1, "5"},       // a text copy takes position 1 of row 0
      {"8 0 (2)+(5)", 1, "6,5"},    // cell numbers: Cell_2 and Cell_5
      {"8 0 (6)", 0, "0"},
      {"8 0 (3)", -1, "7"},
  };
  for (const Case& c : cases) {
    TestReport r;
    TTable& t = r.Add("Form", 0, 0,
                      {Num(1, 1, "5"), Num(0, 3, "7"), F(9, 9, c.form, c.dec), {2, 1, 3, "1,5", "", 1}});
    EXPECT_EQ(r.hooks.recalc().CalcCell(&t, TestReport::At(t, 0, 2), false), c.expected) << c.form << " " << c.dec;
  }
}

// Other tables: T1 has (1:1) real 0,5 and (2:3) integer 10.
TEST(FormulaExpressionTest, OtherTableExpressions) {
  struct Case { const char* form; int dec; bool t1Open; const char* expected; };
  const Case cases[] = {
      {"7 0 T1[(2:3)]*2", 0, true, "20"},
      {"7 0 T1[(2:3)]*2", 0, false, "0"},              // table not open: its references count 0
      {"7 0 t1[(2:3)]+T1[(2:3)]", 0, true, "20"},      // names without regard to letter case
      {"7 0 2*T1[(2:3)]/T1[(1:1)]", 0, true, "40"},
      {"7 0 T1[(2:3)+(1:1)]*2", 1, true, "21,0"},      // the inner part is a same-table expression
      {"7 0 T1[(9:9)]+1", 0, true, "1"},
      {"7 0 (1+T1[(2:3)])*3", 0, true, "33"},          // parentheses where no name follows
      {"7 0 T1[(1:3)]", 18, true, "0,123456789012346000"},  // handed over with 15 digits
      {"7 0 T1[(2:3)]", -1, true, "10"},               // text copies
      {"7 0 T1[(2:3)]", -1, false, ""},
      {"7 0 T1[(9:9)]", -1, true, ""},
      {"7 0 T1[(2:3)", 0, true, "!Syntax error"},      // no "]": an empty inner part
      {"7 0 T1[(2:x)]", -1, true, "!Неверная ссылка"},
      {"7 0 T1[(2:x)]", 0, true, "!Неверная ссылка"},
  };
  for (const Case& c : cases) {
    TestReport r;
    TTable& t1 = r.Add("T1", 2, 3, {{1, 1, 3, "0,5", "", 1}, Num(2, 3, "10"), {1, 3, 3, "0,1234567890123456789", "", 19}},
                       c.t1Open);
    (void)t1;
    TTable& t2 = r.Add("T2", 1, 1, {F(1, 1, c.form, c.dec)});
    TCell& cell = TestReport::At(t2, 1, 1);
    const std::string expected = c.expected;
    if (expected.starts_with("!")) {
      try {
        r.hooks.recalc().CalcCell(&t2, cell, false);
        ADD_FAILURE() << c.form << ": no error";
      } catch (const ECoreError& e) {
        EXPECT_TRUE(Cp1251ToUtf8(e.Message()).starts_with(expected.substr(1))) << c.form << ": " << Cp1251ToUtf8(e.Message());
      }
    } else {
      EXPECT_EQ(r.hooks.recalc().CalcCell(&t2, cell, false), expected) << c.form;
    }
  }
}

// Resolving references costs time with a formula's length: 40,000 table
// references once took seconds to compute. A formula beyond 4096
// characters is refused at once with its table and cell; the longest one
// below it computes.
TEST(FormulaExpressionTest, AnOverlongFormulaIsRefusedNamingItsCell) {
  std::string longest = "7 0 T1[(2:3)]";
  while (longest.size() + 10 <= TFormulaCalc::kMaxFormulaLength) longest += "+T1[(2:3)]";
  std::string tooLong = "7 0 T1[(1)]";  // distinct references: each one a pass over the text
  for (int i = 2; i <= 40000; ++i) tooLong += "+T1[(" + std::to_string(i) + ")]";
  TestReport r;
  r.Add("T1", 2, 3, {Num(2, 3, "1")});
  TTable& t2 = r.Add("T2", 1, 2, {F(1, 1, longest, 0), F(1, 2, tooLong, 0)});
  EXPECT_EQ(r.hooks.recalc().CalcCell(&t2, TestReport::At(t2, 1, 1), false),
            std::to_string((longest.size() - 3) / 10));
  try {
    r.hooks.recalc().CalcCell(&t2, TestReport::At(t2, 1, 2), false);
    ADD_FAILURE() << "computed";
  } catch (const EConvertError& e) {
    EXPECT_EQ(Cp1251ToUtf8(e.Message()), "Формула длиннее 4096 символов: таблица \"T2\", Ячейка 1-2.");
  }
}

TEST(FormulaExpressionTest, PrintOnlyTablesAreNotRead) {
  TestReport r;
  TTable& t1 = r.Add("T1", 1, 1, {Num(1, 1, "4")}, false);
  r.open.Register(t1, /*printOnly=*/true);
  TTable& t2 = r.Add("T2", 1, 1, {F(1, 1, "7 0 T1[(1:1)]+1")});
  EXPECT_EQ(r.hooks.recalc().CalcCell(&t2, TestReport::At(t2, 1, 1), true), "1");
  r.open.Register(t1, false);
  EXPECT_EQ(r.hooks.recalc().CalcCell(&t2, TestReport::At(t2, 1, 1), true), "5");
}

TEST(FormulaDepthTest, DeepComputesReferencedFormulasShallowReadsTheirText) {
  // (1:1) computes 5 but still shows 1; (1:2) reads it; (1:3) sums the row.
  TestReport r;
  TTable& t = r.Add("T", 1, 3, {F(1, 1, "8 0 2+3", 0, "1"), F(1, 2, "8 0 (1:1)*10"), F(1, 3, "0 1")});
  auto& calc = r.hooks.recalc();
  EXPECT_EQ(calc.CalcCell(&t, TestReport::At(t, 1, 2), true), "50");
  EXPECT_EQ(calc.CalcCell(&t, TestReport::At(t, 1, 2), false), "10");
  // Sums always compute the formula cells they add, with the same mode.
  EXPECT_EQ(calc.CalcCell(&t, TestReport::At(t, 1, 3), true), "55");
  EXPECT_EQ(calc.CalcCell(&t, TestReport::At(t, 1, 3), false), "15");
  // Nothing was stored.
  EXPECT_EQ(TestReport::Text(t, 1, 1), "1");

  // Cell numbers read the shown text even when deep.
  TestReport f;
  TTable& form = f.Add("F", 0, 0, {F(1, 1, "8 0 2+3", 0, "1"), F(1, 2, "8 0 (2)*10")});
  EXPECT_EQ(f.hooks.recalc().CalcCell(&form, TestReport::At(form, 0, 1), true), "10");
}

TEST(FormulaDepthTest, AnOverlongChainIsRefusedWithAnError) {
  // Each cell reads the next one; deep computation of the first follows
  // the whole chain.
  const int length = TFormulaCalc::kMaxChain + 5;
  std::vector<CellDef> cells;
  for (int row = 1; row <= length; ++row)
    cells.push_back(F(row, 1, row == length ? "8 0 1" : "8 0 (" + std::to_string(row + 1) + ":1)+1"));
  TestReport r;
  TTable& t = r.Add("T", length, 1, cells);
  EXPECT_THROW(r.hooks.recalc().CalcCell(&t, TestReport::At(t, 1, 1), true), ECoreError);
  // Within the limit it computes.
  EXPECT_EQ(r.hooks.recalc().CalcCell(&t, TestReport::At(t, 10, 1), true), std::to_string(length - 9));
}

}  // namespace
}  // namespace rpt
