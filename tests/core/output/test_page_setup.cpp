// Page setup: margins turning with the page, the standard margins, the
// cancel copy and the closing question.
#include <gtest/gtest.h>

#include "core/output/page_setup.h"

namespace rpt::output {
namespace {

TEST(PageSetup, MarginsTurnWithThePageAndBack) {
  PageSetupState d;
  d.Show(PageSettings{30, 15, 10, 20, 0});
  d.SetOrientation(1);
  EXPECT_EQ(d.Record(), (PageSettings{20, 30, 15, 10, 1}));
  EXPECT_EQ(d.Record(), StandardPage(1));
  EXPECT_TRUE(d.CancelEnabled());
  d.SetOrientation(0);
  EXPECT_EQ(d.Record(), (PageSettings{30, 15, 10, 20, 0}));
}

TEST(PageSetup, StandardAloneLeavesNothingToCancel) {
  PageSetupState d;
  d.Show(PageSettings{5, 5, 5, 5, 1});
  d.Standard();
  EXPECT_EQ(d.Record(), StandardPage(1));
  EXPECT_FALSE(d.CancelEnabled());
}

TEST(PageSetup, EditsAreClampedAndCancelReturnsToTheShownSettings) {
  PageSetupState d;
  d.Show(PageSettings{30, 15, 10, 20, 0});
  d.SetMargin(Margin::Left, 150);
  d.SetMargin(Margin::Top, 240);
  d.SetMargin(Margin::Bottom, -3);
  EXPECT_EQ(d.Record(), (PageSettings{100, 240, 10, 0, 0}));
  d.Cancel();
  EXPECT_EQ(d.Record(), (PageSettings{30, 15, 10, 20, 0}));
  EXPECT_FALSE(d.CancelEnabled());
}

TEST(PageSetup, ClosingWithChangesAsks) {
  PageSetupState d;
  d.Show(PageSettings{30, 15, 10, 20, 0});
  d.SetMargin(Margin::Right, 12);
  EXPECT_FALSE(d.Close(CloseAnswer::Cancel));  // stays open, edit kept
  EXPECT_EQ(d.Record().right, 12);
  EXPECT_TRUE(d.Close(CloseAnswer::No));
  EXPECT_EQ(d.Record().right, 10);
  EXPECT_FALSE(d.Applied());
  d.SetMargin(Margin::Right, 12);
  EXPECT_TRUE(d.Close(CloseAnswer::Yes));
  EXPECT_TRUE(d.Applied());
  EXPECT_FALSE(d.CancelEnabled());
}

TEST(PageSetup, SketchOutlineAndPrintableArea) {
  const Sketch p = PageSketch(PageSettings{30, 15, 10, 20, 0}, 400);
  EXPECT_EQ(p.page.height, 185);
  EXPECT_EQ(p.page.width, 130);  // 185 × 209 / 297
  EXPECT_EQ(p.page.top, 18);
  EXPECT_EQ(p.printable.left - p.page.left, 18);  // 30 × 130 / 209
  const Sketch l = PageSketch(StandardPage(1), 400);
  EXPECT_EQ(l.page.height, 132);
  EXPECT_EQ(l.page.width, 187);
}

}  // namespace
}  // namespace rpt::output
