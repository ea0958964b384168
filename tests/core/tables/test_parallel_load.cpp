// Loading a report's table files side by side must leave exactly what
// loading them one after the other leaves: the same tables, the same calls
// into the report's hooks in the same order, the same page settings handed
// from table to table, and the same tables handed over before a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
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

// Also records the changed values and the colour questions.
struct Hooks : RecordingHooks {
  void ValueChanged(TTable& table, TCell& cell) override {
    calls.push_back("value " + table.tableName + " " + cell.label.caption);
  }
  TColor DisplayColor(TColor c) override { return c == 255 ? 0x00FF00 : c; }
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

struct LoadRun {
  Hooks hooks;
  TableContext ctx;
  std::vector<std::unique_ptr<TTable>> tables;
  std::vector<std::size_t> order;
  std::string error;

  LoadRun(const std::vector<std::string>& files, unsigned threads) {
    ctx.hooks = &hooks;
    ctx.currentPage = {9, 9, 9, 9, 0};
    hooks.rulesFor = Win("T5");
    try {
      tables::LoadTableFiles(ctx, files, [this](std::size_t i, std::unique_ptr<TTable> t) {
        order.push_back(i);
        tables.push_back(std::move(t));
      }, threads);
    } catch (const EFileError& e) {
      error = e.Message();
    }
  }
};

std::vector<std::string> WriteTables(const TempFolder& dir, const std::vector<std::string>& texts) {
  std::vector<std::string> files;
  for (std::size_t i = 0; i < texts.size(); ++i)
    files.push_back(dir.Write("T" + std::to_string(i + 1) + ".ini", Win(texts[i])));
  return files;
}

void ExpectSameAsOneAfterAnother(const std::vector<std::string>& files) {
  const LoadRun one(files, 1);
  for (const unsigned threads : {2u, 4u}) {
    const LoadRun side(files, threads);
    SCOPED_TRACE(threads);
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
      EXPECT_EQ(&b.context(), &side.ctx) << "joins the report's context";
      EXPECT_FALSE(b.Modified());
    }
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

TEST(ParallelLoadTest, NoFilesLoadNothing) {
  const LoadRun side({}, 4);
  EXPECT_TRUE(side.tables.empty());
  EXPECT_TRUE(side.hooks.calls.empty());
}

}  // namespace
}  // namespace rpt
