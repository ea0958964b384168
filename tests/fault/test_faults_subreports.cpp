// Including a sub-report under failing file operations: every call the
// inclusion makes (unpacking the sub-report, writing the tables and the
// structure file, packing, renaming) is made to fail in turn. The report
// afterwards holds the sums and the list entry together, or neither; a run
// that failed has said so and holds the report saved before.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/foundation/codec.h"
#include "core/report/package.h"
#include "core/report/report_fixture.h"
#include "core/report/report_state.h"
#include "core/report/startup.h"
#include "core/report/structure.h"
#include "core/subreports/inclusion.h"
#include "core/tables/table_model.h"
#include "fault/fault_injection.h"

namespace rpt {
namespace {

using testing::ScriptedInteraction;
using testing::TempFolder;

struct IncludeWorld {
  TempFolder dir;
  FolderSet folders = testing::MakeProgram(dir);
  ScriptedInteraction ui;
  std::string report = testing::MakeReport(dir, "r", testing::BlankReportFiles());
  std::string sub;
  std::unique_ptr<TReportState> state;
  IncludeWorld() {
    testing::StructureOptions o;
    o.subreport = true;
    auto files = testing::BlankReportFiles(o);
    files[1].second = testing::FormTable("3");
    files[2].second = testing::FormTable("1");
    sub = testing::MakeReport(dir, "dep", files);
    PrepareFolders(folders, ui);
    state = std::make_unique<TReportState>(folders, ui);
    state->OpenReportFolder(report);
    ui.messages.clear();
  }
};

// "T1 T2 listed" as a fresh program opens the report.
std::string Opened(IncludeWorld& w) {
  ScriptedInteraction ui;
  FolderSet f = w.folders;
  f.working = w.dir / "check-work/";
  f.subreports = f.working + "Subreports/";
  TReportState state(f, ui);
  state.OpenReportFolder(w.report);
  if (!state.treeVisible || state.tables().size() != 2) return "unopenable";
  const auto path = FindStructureFile(f.working);
  return CellByNumber(state.tables()[0].table->data, 2)->label.caption + " " +
         CellByNumber(state.tables()[1].table->data, 2)->label.caption + " " +
         std::to_string(path ? ReadSubreportFolders(*path).size() : 99);
}

TEST(FaultsSubreports, EveryFailingCallOfAnInclusionLeavesTheReportBeforeOrAfter) {
  std::unique_ptr<IncludeWorld> w;
  SubreportRunResult run;
  int failed = 0;
  const int runs = faults::ForEveryCall(
      [&] { w = std::make_unique<IncludeWorld>(); },
      [&] { run = TSubreportInclusion(*w->state).IncludeMany({w->sub}, false); },
      [&](const faults::Outcome& o) {
        SCOPED_TRACE("call " + std::to_string(o.failAt) + " (" + o.kind + ") failing with " + std::strerror(o.error));
        if (!o.fired) {
          ASSERT_TRUE(run.done);
        }
        if (!run.done) {
          ++failed;
          EXPECT_FALSE(w->ui.messages.empty()) << "a failure is never silent";
        }
        // What the program shows after the restore is what the package holds.
        const std::string shown =
            w->state->treeVisible ? CellByNumber(w->state->tables()[0].table->data, 2)->label.caption : "";
        w->state.reset();
        const std::string opened = Opened(*w);
        if (!run.done && !shown.empty()) {
          EXPECT_EQ(shown, opened.substr(0, 1));
        }
        EXPECT_TRUE(opened == "5 7 0" || opened == "8 8 1") << opened;
        if (run.done) {
          EXPECT_EQ(opened, "8 8 1");
        }
      },
      {ENOSPC, EIO});
  std::printf("%d runs, %d failed inclusions\n", runs, failed);
  EXPECT_GT(failed, 10);
}

}  // namespace
}  // namespace rpt
