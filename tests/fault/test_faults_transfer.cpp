// A department's package and the composition's save under failing file
// operations: every call is made to fail in turn. A transfer that said it
// was done left a whole package; one that failed said so and left no
// package at the destination. A saved correction is in the sub-report's
// package or the package is the one before, and a failure was shown.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "core/app/startup.h"
#include "core/archive/package.h"
#include "core/foundation/codec.h"
#include "core/foundation/my_ini_file.h"
#include "core/report/report_fixture.h"
#include "core/report/report_state.h"
#include "core/subreports/composition.h"
#include "core/subreports/inclusion.h"
#include "core/subreports/transfer.h"
#include "core/tables/table.h"
#include "fault/fault_injection.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;

struct World {
  TempFolder dir;
  FolderSet folders = testing::MakeProgram(dir);
  ScriptedInteraction ui;
  std::string report, sub;
  std::unique_ptr<TReportState> state;
  World() {
    testing::MakePackage(dir, "stage", {{"UnSelf.bin", "#!/bin/sh\nexit 0\n"}}, folders.ServicePackage());
    testing::StructureOptions o;
    o.subreport = true;
    sub = testing::MakeReport(dir, "dep", testing::BlankReportFiles(o));
    report = testing::MakeReport(dir, "r", testing::BlankReportFiles());
    PrepareFolders(folders, ui);
    state = std::make_unique<TReportState>(folders, ui);
  }
};

// The names in the archive behind the stub, or why there is none.
std::string ArchiveOf(World& w, const std::string& setup) {
  const std::string bytes = ReadFile(setup);
  const auto at = bytes.find(kTransferSeparator);
  if (at == std::string::npos) return "no separator";
  const std::string archive = w.dir.Write("check.cab", bytes.substr(at + kTransferSeparator.size()));
  std::string names;
  try {
    for (const auto& f : ListPackage(archive, false)) names += f.name + " ";
  } catch (const std::exception& e) {
    return std::string("damaged: ") + e.what();
  }
  return names;
}

TEST(FaultsTransfer, EveryFailingCallOfATransferLeavesAWholePackageOrNoneAndSaysSo) {
  std::unique_ptr<World> w;
  std::optional<std::string> done;
  int failed = 0;
  const int runs = faults::ForEveryCall(
      [&] {
        w = std::make_unique<World>();
        w->state->OpenReportFolder(w->sub);
        w->ui.messages.clear();
      },
      [&] { done = TransferSubreportTo(*w->state, w->dir / "media", w->dir / "exe/"); },
      [&](const faults::Outcome& o) {
        SCOPED_TRACE("call " + std::to_string(o.failAt) + " (" + o.kind + ") failing with " + std::strerror(o.error));
        const std::string setup = w->dir / "media/dep (для передачи)/Setup_p.exe";
        if (done) {
          EXPECT_EQ(ArchiveOf(*w, setup), "TI.a TL.a TP.a ");
          EXPECT_EQ(w->ui.messages.back().kind, MessageKind::Information);
        } else {
          ++failed;
          EXPECT_FALSE(fs::exists(setup));
          ASSERT_FALSE(w->ui.messages.empty()) << "a failure is never silent";
          EXPECT_EQ(w->ui.messages.back().kind, MessageKind::Error);
        }
        EXPECT_FALSE(fs::exists(w->sub + "Arch.rpt"));
        EXPECT_FALSE(fs::exists(w->folders.program + "Setup_p.exe"));
      },
      {ENOSPC, EIO}, faults::kWrite | faults::kRename | faults::kFsync);
  EXPECT_GT(runs, 10);
  EXPECT_GT(failed, 0);
}

TEST(FaultsTransfer, ACorrectionIsSavedIntoTheSubreportsPackageOrNotAtAll) {
  std::unique_ptr<World> w;
  std::unique_ptr<TSubreportComposition> c;
  bool saved = false;
  const auto packaged = [&] {
    const std::string out = w->dir / "out/";
    fs::remove_all(out);
    fs::create_directories(out);
    UnpackPackage(w->sub + "Report.rpt", out);
    TMyIniFile ini(out + "T1.ini");
    ini.DiscardChanges();
    return ini.ReadString("Cell_2", "Cap", "?");
  };
  int failed = 0;
  faults::ForEveryCall(
      [&] {
        w = std::make_unique<World>();
        w->state->OpenReportFolder(w->report);
        ASSERT_TRUE(TSubreportInclusion(*w->state).IncludeMany({w->sub}, false).done);
        TTable& table = *w->state->tables()[0].table;
        c = std::make_unique<TSubreportComposition>(table, *CellByNumber(table.data, 2), CompositionSourceOf(*w->state),
                                                    w->ui);
        ASSERT_TRUE(c->Take(2, "9"));
        w->ui.messages.clear();
      },
      [&] { saved = c->Save(); },
      [&](const faults::Outcome& o) {
        SCOPED_TRACE("call " + std::to_string(o.failAt) + " (" + o.kind + ") failing with " + std::strerror(o.error));
        const std::string value = packaged();
        if (saved) {
          EXPECT_EQ(value, "9");
          EXPECT_FALSE(c->changed());
        } else {
          ++failed;
          EXPECT_TRUE(value == "5" || value == "9") << value;
          EXPECT_FALSE(w->ui.messages.empty()) << "a failure is never silent";
          EXPECT_TRUE(c->changed());
        }
        c.reset();
      },
      {ENOSPC}, faults::kWrite | faults::kRename | faults::kFsync);
  EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace rpt
