// The counting, scaling and stop logic of the progress windows.
#include <gtest/gtest.h>

#include "core/foundation/progress.h"
#include "support/scripted_interaction.h"

namespace rpt {
namespace {

using testing::ScriptedInteraction;

std::vector<int> Updates(const ScriptedInteraction& ui, int bar = 0) {
  std::vector<int> positions;
  for (const auto& p : ui.progress)
    if (p.event == "update" && p.bar == bar) positions.push_back(p.position);
  return positions;
}

TEST(ProgressCounterTest, PositionsRoundHalfToEvenAndStopAtTheEnd) {
  struct Case { int total; int steps; std::vector<int> positions; };
  const Case cases[] = {
      {10, 12, {2, 5, 8, 10, 12, 15, 18, 20, 22, 25, 25, 25}},
      {50, 6, {0, 1, 2, 2, 2, 3}},  // one position every second step, ties to even
      {25, 3, {1, 2, 3}},
      {0, 3, {0, 0, 0}},            // total 0: a step does nothing
      {-5, 2, {0, 0}},
  };
  for (const Case& c : cases) {
    ProgressCounter bar;
    bar.Reset(c.total);
    std::vector<int> got;
    for (int k = 0; k < c.steps; ++k) {
      bar.Step();
      got.push_back(bar.position());
    }
    EXPECT_EQ(got, c.positions) << "total " << c.total;
  }
  ProgressCounter bar;
  bar.Reset(50);
  EXPECT_DOUBLE_EQ(bar.scale(), 2.0);
}

TEST(SingleProgressTest, UpdatesOnlyWhenThePositionMoves) {
  ScriptedInteraction ui;
  TFormProgress p(&ui);
  p.Start(50, "Запись", false);
  for (int k = 0; k < 50; ++k) p.Step();
  EXPECT_EQ(Updates(ui).size(), 25u);
  EXPECT_EQ(Updates(ui).back(), 25);
  p.Reset(-1, 10, "");  // counting restarts, position stays until the next step
  EXPECT_EQ(Updates(ui).back(), 25);
  p.Step();
  EXPECT_EQ(Updates(ui).back(), 2);
  p.Finish();
  EXPECT_EQ(ui.progress.back().event, "close");
  const std::size_t events = ui.progress.size();
  p.Step();  // the window is gone
  p.Finish();
  EXPECT_EQ(ui.progress.size(), events);
}

TEST(SingleProgressTest, StopIsAskedAndNoKeepsGoing) {
  ScriptedInteraction ui;
  TFormProgress p(&ui);
  p.Start(25, "Проверка", true);
  ui.stopAfterUpdates = 2;
  ui.answers = {kNo};
  for (int k = 0; k < 5; ++k) p.Step();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, MessageKind::Confirmation);
  EXPECT_EQ(ui.messages[0].text, StopQuestion());
  EXPECT_EQ(ui.messages[0].buttons, unsigned(kYes | kNo));
  EXPECT_FALSE(p.StopRequested());
  EXPECT_TRUE(p.shown());
  EXPECT_EQ(Updates(ui).size(), 5u);

  ui.stopAfterUpdates = 6;
  ui.answers = {kYes};
  for (int k = 0; k < 3; ++k) p.Step();
  EXPECT_TRUE(p.StopRequested());
  EXPECT_FALSE(p.shown());
  EXPECT_EQ(ui.progress.back().event, "close");
  EXPECT_EQ(Updates(ui).size(), 6u);  // hidden: no more updates
}

TEST(SingleProgressTest, NotStoppableNeverAsks) {
  ScriptedInteraction ui;
  TFormProgress p(&ui);
  p.Start(5, "x", false);
  ui.stopAfterUpdates = 0;
  for (int k = 0; k < 5; ++k) p.Step();
  EXPECT_FALSE(p.StopRequested());
  EXPECT_TRUE(ui.messages.empty());
}

TEST(DoubleProgressTest, BarsLayoutAndStop) {
  struct Height { bool stop, second; int height; };
  for (Height h : {Height{true, true, 100}, Height{false, true, 70}, Height{true, false, 60},
                   Height{false, false, 30}})
    EXPECT_EQ(TFormProgressD::ClientHeight(h.stop, h.second), h.height);

  ScriptedInteraction ui;
  TFormProgressD p(&ui);
  p.Start(2, 4, "Сохранение", true, true, "Таблица 1");
  ASSERT_FALSE(ui.progress.empty());
  EXPECT_EQ(ui.progress[0].event, "show");
  EXPECT_TRUE(ui.progress[0].stoppable);
  EXPECT_TRUE(ui.progress[0].secondBar);
  p.StepSecond();
  p.StepSecond();
  EXPECT_EQ(Updates(ui, 1).back(), 12);  // 2 * 25 / 4 = 12.5, ties to even
  p.StepFirst();
  EXPECT_EQ(Updates(ui, 0).back(), 12);  // 12.5 again
  p.ResetSecond(1, "Таблица 2");
  p.StepSecond();
  EXPECT_EQ(Updates(ui, 1).back(), 25);

  ui.stopAfterUpdates = 0;
  ui.answers = {kYes};
  p.StepFirst();
  EXPECT_TRUE(p.StopRequested());
  EXPECT_FALSE(p.shown());
  EXPECT_EQ(ui.progress.back().event, "close");
  const std::size_t events = ui.progress.size();
  p.StepFirst();
  p.Finish();
  EXPECT_EQ(ui.progress.size(), events);
}

}  // namespace
}  // namespace rpt
