// Loading a report's table files side by side must leave exactly what
// loading them one after the other leaves: the same tables, the same calls
// into the report's hooks in the same order, the same page settings handed
// from table to table, and the same tables handed over before a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/foundation/errors.h"
#include "core/tables/parallel_load.h"
#include "support/temp_folder.h"
#include "table_test_util.h"

namespace rpt {
namespace {

using testing::RecordingHooks;
using testing::TempFolder;
using testing::Win;

// Also records the changed values; a colour scheme that shows red as green
// unless `plainColors`.
struct Hooks : RecordingHooks {
  bool plainColors = false;
  void ValueChanged(TTable& table, TCell& cell) override {
    calls.push_back("value " + table.tableName + " " + cell.label.caption);
  }
  TColor DisplayColor(TColor c) override { return c == 255 && !plainColors ? 0x00FF00 : c; }
};

// Tables of every kind a load treats apart: with and without margins (the
// latter take the settings of the table before), with cross-table formulas
// (registered links), without formulas (removed from the map again), with
// a value the load cannot read and rewrites, with rules.
std::vector<std::string> TableTexts() {
  std::vector<std::string> texts;
  for (int t = 1; t <= 12; ++t) {
    std::string s = "[Table]\nFixed=1\nRowCount=3\nColCount=2\nCount=6\n";
    if (t % 3 == 1) s += "PageLeft=" + std::to_string(t) + "\nPageTop=2\nPageRight=3\nPageBottom=4\nPageOrient=1\n";
    s += "\n";
    int n = 2;
    for (int r = 1; r <= 3; ++r) {
      s += "[Cell_" + std::to_string(n++) + "]\nState=D\nCol=1\nRow=" + std::to_string(r) +
           "\nType=3\nDec=2\nVis=0 0 40 20 5 255\nCap=" +
           (r == 3 ? std::string("1.2.3") : std::to_string(t) + "." + std::to_string(r)) + "\n\n";
      s += "[Cell_" + std::to_string(n++) + "]\nState=D\nCol=2\nRow=" + std::to_string(r) + "\nVis=0 40 40 20 5 0\n";
      if (t % 2 == 0) s += "Type=7\nForm=7 0 T" + std::to_string(t - 1) + "[(1:1)]\nHint=Итог|по строке\n\n";
      else s += "Type=1\nCap=строка " + std::to_string(r) + "\n\n";
    }
    texts.push_back(s);
  }
  return texts;
}

// How a run loads: plainly, or with every file offered to a preloader
// first; `between` runs once the preloader has loaded them.
struct Ahead {
  bool offer = false;
  std::function<void()> between;
};

struct LoadRun {
  Hooks hooks;
  TableContext ctx;
  std::vector<std::unique_ptr<TTable>> tables;
  std::vector<std::size_t> order;
  std::string error;
  std::size_t taken = 0;  // tables the load took from the preloader

  LoadRun(const std::vector<std::string>& files, unsigned threads, bool plainColors = false,
          const Ahead& ahead = {}) {
    ctx.hooks = &hooks;
    ctx.currentPage = {9, 9, 9, 9, 0};
    hooks.rulesFor = Win("T5");
    hooks.plainColors = plainColors;
    tables::TablePreloader preloader(ctx);
    if (ahead.offer) {
      for (const auto& f : files) preloader.Offer(f);
      preloader.WaitForOffered();
      if (ahead.between) ahead.between();
    }
    try {
      tables::LoadTableFiles(ctx, files, [this](std::size_t i, std::unique_ptr<TTable> t) {
        order.push_back(i);
        tables.push_back(std::move(t));
      }, threads, ahead.offer ? &preloader : nullptr);
    } catch (const EFileError& e) {
      error = e.Message();
    }
    taken = preloader.Taken();
  }
};

std::vector<std::string> WriteTables(const TempFolder& dir, const std::vector<std::string>& texts) {
  std::vector<std::string> files;
  for (std::size_t i = 0; i < texts.size(); ++i)
    files.push_back(dir.Write("T" + std::to_string(i + 1) + ".ini", Win(texts[i])));
  return files;
}

void ExpectSame(const LoadRun& side, const LoadRun& one) {
  EXPECT_EQ(side.error, one.error);
  EXPECT_EQ(side.hooks.calls, one.hooks.calls);
  EXPECT_EQ(side.order, one.order);
  EXPECT_EQ(side.ctx.currentPage, one.ctx.currentPage);
  ASSERT_EQ(side.tables.size(), one.tables.size());
  for (std::size_t i = 0; i < side.tables.size(); ++i) {
    const TTable& a = *one.tables[i];
    const TTable& b = *side.tables[i];
    EXPECT_TRUE(SameModel(a, b)) << a.tableName;
    EXPECT_EQ(b.page, a.page) << a.tableName;
    EXPECT_EQ(b.hasRules, a.hasRules) << a.tableName;
    EXPECT_EQ(b.background, a.background) << a.tableName;
    EXPECT_EQ(&b.context(), &side.ctx) << "joins the report's context";
    EXPECT_FALSE(b.Modified());
  }
}

void ExpectSameAsOneAfterAnother(const std::vector<std::string>& files) {
  const LoadRun one(files, 1);
  for (const unsigned threads : {1u, 2u, 4u}) {
    SCOPED_TRACE(threads);
    if (threads > 1) ExpectSame(LoadRun(files, threads), one);
    // Loaded ahead, the tables' red has not been asked of the report's
    // scheme: each is loaded again.
    ExpectSame(LoadRun(files, threads, false, {true, {}}), one);
  }
  const LoadRun plain(files, 1, true);
  for (const unsigned threads : {1u, 2u}) {
    SCOPED_TRACE(threads);
    const LoadRun ahead(files, threads, true, {true, {}});
    ExpectSame(ahead, plain);
  }
}

TEST(ParallelLoadTest, LeavesWhatLoadingOneAfterAnotherLeaves) {
  TempFolder dir;
  const auto files = WriteTables(dir, TableTexts());
  ExpectSameAsOneAfterAnother(files);
  // What the cases rest on: margins handed on, links, rules, rewritten values.
  const LoadRun one(files, 1);
  ASSERT_EQ(one.tables.size(), 12u);
  EXPECT_EQ(one.tables[1]->page, one.tables[0]->page);
  EXPECT_EQ(one.tables[0]->page, (PageSettings{1, 2, 3, 4, 1}));
  EXPECT_TRUE(one.tables[4]->hasRules);
  const auto& calls = one.hooks.calls;
  EXPECT_NE(std::find(calls.begin(), calls.end(), "links T1[(1:1)]"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "map remove T1.ini"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), Win("value T1 0,0")), calls.end());
}

TEST(ParallelLoadTest, AFailingTableStopsTheLoadAfterTheTablesBeforeIt) {
  auto texts = TableTexts();
  texts[6] = "[Table]\nCount=2147483647\n";
  TempFolder dir;
  const auto files = WriteTables(dir, texts);
  ExpectSameAsOneAfterAnother(files);
  const LoadRun side(files, 4);
  EXPECT_EQ(side.error, Win("Таблица \"T7.ini\" повреждена: слишком много ячеек."));
  EXPECT_EQ(side.order, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5}));
}

// Tables loaded while the report unpacks are taken over when their answers
// hold; a file that changed since is loaded again.
TEST(ParallelLoadTest, TablesLoadedAheadAreTakenOverOnlyWhileTheyHold) {
  TempFolder dir;
  auto texts = TableTexts();
  const auto files = WriteTables(dir, texts);
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core: nothing is loaded ahead";

  const LoadRun plainly(files, 2, true);
  const LoadRun ahead(files, 2, true, {true, {}});
  ExpectSame(ahead, plainly);
  EXPECT_EQ(ahead.taken, files.size());
  EXPECT_TRUE(ahead.tables[4]->hasRules) << "asked of the report at the hand-over";

  // The report's scheme shows red otherwise than the preloader assumed.
  EXPECT_EQ(LoadRun(files, 2, false, {true, {}}).taken, 0u);

  // T3 rewritten after it was loaded ahead: its new content is what loads.
  texts[2] = texts[8];
  const LoadRun changed(files, 2, true, {true, [&] { dir.Write("T3.ini", Win(texts[2])); }});
  TempFolder other;
  ExpectSame(changed, LoadRun(WriteTables(other, texts), 2, true));
  EXPECT_EQ(changed.taken, files.size() - 1);
}

TEST(ParallelLoadTest, NoFilesLoadNothing) {
  const LoadRun side({}, 4);
  EXPECT_TRUE(side.tables.empty());
  EXPECT_TRUE(side.hooks.calls.empty());
}

}  // namespace
}  // namespace rpt
