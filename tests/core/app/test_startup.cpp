// Start-up and shutdown: the single-instance lock, the folders made from the
// installed packages, the first report, and what the end leaves behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/config_keys.h"
#include "core/foundation/file_io.h"
#include "core/app/instance_lock.h"
#include "core/app/startup.h"

#include "support/text.h"
#include "../report/report_fixture.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;

using testing::W;

// A lock name no other test process uses.
std::string ProgramName(std::string_view test) {
  return "report-test-" + std::string(test) + "-" + std::to_string(::getpid());
}

std::vector<std::string> Tree(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    out.push_back(e.path().string() + (e.is_regular_file() ? ":" + ReadFile(e.path().string()) : ""));
  std::sort(out.begin(), out.end());
  return out;
}

TEST(Startup, FirstStartOpensANewReportAndTheEndCleansUp) {
  TempFolder dir;
  const FolderSet f = testing::MakeProgram(dir);
  ScriptedInteraction ui;
  std::string report;
  {
    TProgramSession session(f, ui, ProgramName("first"));
    ASSERT_TRUE(session.Start());
    report = f.program + "Отчет1/";
    EXPECT_EQ(session.state().currentFolder, report);
    EXPECT_EQ(ReadFile(report + "Report.rpt"), ReadFile(f.TemplatePackage()));
    EXPECT_EQ(session.state().tables().size(), 2u);
    EXPECT_TRUE(fs::exists(f.templates + "Check.chk"));
    EXPECT_TRUE(fs::is_directory(f.lists));  // "TL.a" missing: empty folder
    EXPECT_TRUE(FindEntryNoCase(f.working, "T1.ini"));
    EXPECT_TRUE(ui.messages.empty());
    ui.answers = {kNo};
    EXPECT_FALSE(session.CloseRequest());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, W("Вы действительно хотите закончить работу?"));
    ui.answers = {kYes};
    EXPECT_TRUE(session.CloseRequest());
    session.Shutdown();
  }
  for (const auto* folder : {&f.working, &f.templates, &f.lists, &f.print, &f.service})
    EXPECT_FALSE(fs::exists(*folder)) << *folder;
  EXPECT_TRUE(fs::exists(f.TemplatePackage()));
  EXPECT_TRUE(fs::exists(report + "Report.rpt"));
  EXPECT_EQ(ReadRecentReports(f.program), std::vector<std::string>{report});
  const std::string history = ReadFile(f.program + "History.ini");
  EXPECT_NE(history.find(W("[TF_StructRep.MRUManager1]")), std::string::npos);
  EXPECT_NE(history.find(W("Item_0=" + f.program + "Отчет1\r\n")), std::string::npos) << history;

  // The next start opens the most recent report again.
  ScriptedInteraction ui2;
  TProgramSession again(f, ui2, ProgramName("first"));
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(again.state().currentFolder, report);
  EXPECT_FALSE(fs::exists(f.program + "Отчет2"));
}

TEST(Startup, SecondInstanceIsWarnedAndTouchesNothing) {
  TempFolder dir;
  const FolderSet f = testing::MakeProgram(dir);
  ScriptedInteraction ui;
  TProgramSession first(f, ui, ProgramName("second"));
  ASSERT_TRUE(first.Start());
  dir.Write("prog/Help/Data/Temp/unsaved.txt", "work in progress");
  const auto before = Tree(f.program);

  ScriptedInteraction ui2;
  {
    TProgramSession second(f, ui2, ProgramName("second"));
    EXPECT_FALSE(second.Start());
  }
  ASSERT_EQ(ui2.messages.size(), 1u);
  EXPECT_EQ(ui2.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(ui2.messages[0].text, W("Эта программа уже загружена."));
  EXPECT_TRUE(ui2.progress.empty());
  EXPECT_EQ(Tree(f.program), before);

  // A program file of another name is another program.
  ScriptedInteraction ui3;
  InstanceLock other;
  EXPECT_TRUE(AcquireInstance(other, ProgramName("second") + "-copy", ui3));
}

TEST(Startup, WorkingFolderIsPrepared) {
  TempFolder dir;
  const FolderSet f = testing::MakeProgram(dir);
  dir.Write("prog/Help/Data/Temp/old.ini", "x");
  dir.Write("prog/Help/Data/Temp/Subreports/Dep/Report.str", "x");
  dir.Write("prog/Help/Data/Temp/Temp_p/keep.txt", "kept");
  dir.Write("prog/Help/Data/TabIni/stale.txt", "x");
  ScriptedInteraction ui;
  PrepareFolders(f, ui);
  EXPECT_FALSE(fs::exists(f.working + "old.ini"));
  EXPECT_FALSE(fs::exists(f.working + "Subreports"));
  EXPECT_EQ(ReadFile(f.working + "Temp_p/keep.txt"), "kept");
  EXPECT_FALSE(fs::exists(f.templates + "stale.txt"));
  EXPECT_TRUE(fs::exists(f.templates + "Report.str"));
  EXPECT_TRUE(ui.messages.empty());
}

// A session that only reads, checks and saves reports unpacks the blank
// tables and the lists, not the print documents or the service files.
TEST(Startup, ReportDataLeavesPrintAndServiceAlone) {
  TempFolder dir;
  const FolderSet f = testing::MakeProgram(dir);
  testing::MakePackage(dir, "lists", {{"Vuz.lst", "[List]\r\n"}}, f.ListPackage());
  testing::MakePackage(dir, "docs", {{"Title.rtf", "{\\rtf1}"}}, f.PrintPackage());
  testing::MakePackage(dir, "service", {{"UnSelf.bin", "stub"}}, f.ServicePackage());
  ScriptedInteraction ui;
  PrepareFolders(f, ui, InstallationParts::ReportData);
  EXPECT_TRUE(fs::exists(f.templates + "Report.str"));
  EXPECT_TRUE(fs::exists(f.lists + "Vuz.lst"));
  EXPECT_FALSE(fs::exists(f.print + "Title.rtf"));
  EXPECT_FALSE(fs::exists(f.service + "UnSelf.bin"));
  PrepareFolders(f, ui);
  EXPECT_TRUE(fs::exists(f.print + "Title.rtf"));
  EXPECT_TRUE(fs::exists(f.service + "UnSelf.bin"));
  EXPECT_TRUE(ui.messages.empty());
}

TEST(InstanceLockTest, ReleasedWhenTheHolderIsKilled) {
  const std::string name = ProgramName("killed");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceLock lock;
    const char ok = lock.Acquire(name) == InstanceLock::State::Acquired ? '1' : '0';
    (void)!::write(ready[1], &ok, 1);
    for (;;) ::pause();
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  EXPECT_EQ(ok, '1');
  InstanceLock lock;
  EXPECT_EQ(lock.Acquire(name), InstanceLock::State::AlreadyRunning);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(lock.Acquire(name), InstanceLock::State::Acquired);
  ::close(ready[0]);
  ::close(ready[1]);
}

}  // namespace
}  // namespace rpt
