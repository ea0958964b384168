// The change of a figure from last year to this year and when it is
// flagged, as a table of cases; the tool tip's text.
#include <gtest/gtest.h>

#include "core/foundation/codec.h"
#include "core/tables/year_change.h"

namespace rpt {
namespace {

struct Case {
  const char* last;
  const char* current;
  bool compared;
  ChangeFlag flag;
};

TEST(YearChange, FlagsOnlyWhatCrossesTheDefaultThresholds) {
  const Case cases[] = {
      {"100", "201", true, ChangeFlag::Growth},     // more than doubled
      {"100", "200", true, ChangeFlag::None},       // doubled exactly
      {"100", "49,9", true, ChangeFlag::Fall},      // fell by more than half
      {"100", "50", true, ChangeFlag::None},        // halved exactly
      {"0", "3", true, ChangeFlag::FromZero},
      {"3", "0", true, ChangeFlag::ToZero},
      {"0,0", "0", true, ChangeFlag::None},         // zero both years
      {"-10", "25", true, ChangeFlag::Growth},      // +350 % of |last|
      {"10", "-10", true, ChangeFlag::Fall},
      {"1.5", "1,6", true, ChangeFlag::None},       // either decimal point
      {"", "5", false, ChangeFlag::None},           // not filled in last year
      {"5", " ", false, ChangeFlag::None},          // not filled in this year
      {"5", "Х", false, ChangeFlag::None},          // no number
  };
  for (const Case& c : cases) {
    const auto change = CompareYearValues(c.last, c.current, {});
    ASSERT_EQ(change.has_value(), c.compared) << c.last << " -> " << c.current;
    if (change) {
      EXPECT_EQ(change->flag, c.flag) << c.last << " -> " << c.current;
    }
  }
}

TEST(YearChange, ThresholdsAreThoseOfTheReport) {
  const ChangeThresholds tight{20, 10, false};
  EXPECT_EQ(CompareYearValues("100", "121", tight)->flag, ChangeFlag::Growth);
  EXPECT_EQ(CompareYearValues("100", "89", tight)->flag, ChangeFlag::Fall);
  EXPECT_EQ(CompareYearValues("100", "110", tight)->flag, ChangeFlag::None);
  // Without the zero rule a fall to zero is a fall of 100 %, and a rise
  // from zero has no percentage to measure.
  EXPECT_EQ(CompareYearValues("3", "0", tight)->flag, ChangeFlag::Fall);
  EXPECT_EQ(CompareYearValues("0", "3", tight)->flag, ChangeFlag::None);
}

TEST(YearChange, HintNamesLastYearTheChangeAndWhy) {
  const ChangeThresholds thresholds;
  ComparedCell cell;
  cell.lastNumber = 5;
  cell.lastValue = "120";
  cell.change = CompareYearValues("120", "300", thresholds);
  EXPECT_EQ(Cp1251ToUtf8(YearChangeHint(cell, thresholds)),
            "Прошлый год: 120\r\nИзменение: +150,0 %\r\nЗаметное изменение: рост более чем на 100 %");
  cell.lastValue = "0";
  cell.change = CompareYearValues("0", "7", thresholds);
  EXPECT_EQ(Cp1251ToUtf8(YearChangeHint(cell, thresholds)),
            "Прошлый год: 0\r\nИзменение: с нуля\r\nЗаметное изменение: было 0");
  cell.lastValue = "";
  cell.change.reset();
  EXPECT_EQ(Cp1251ToUtf8(YearChangeHint(cell, thresholds)), "Прошлый год: не заполнено");
  cell.lastNumber = 0;
  EXPECT_EQ(Cp1251ToUtf8(YearChangeHint(cell, thresholds)), "В прошлом году такой ячейки нет");
  EXPECT_EQ(FormatPercent(-50), "-50,0 %");
  EXPECT_EQ(Cp1251ToUtf8(FlagReason(*CompareYearValues("10", "1", {33.5, 33.5, true}), {33.5, 33.5, true})),
            "снижение более чем на 33,5 %");
}

}  // namespace
}  // namespace rpt
