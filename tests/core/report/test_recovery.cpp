// Recovery of unsaved work: when the desktop program writes the modified
// tables, what a load after a crash offers and restores, what is refused
// and set aside, and when the data goes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/foundation/codec.h"
#include "core/report/recovery.h"
#include "core/report/report_state.h"
#include "core/app/startup.h"

#include "support/text.h"
#include "report_fixture.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using namespace literals;
using testing::MakeProgram;
using testing::MakeReport;
using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;
using Mode = TReportState::RecoveryMode;

std::string Value(TReportState& s, const char* file) {
  return CellByNumber(s.FindTable(file)->table->data, 2)->label.caption;
}

// A program folder with one report; each Run is one start of the desktop
// program on it, ended by a crash unless the test closes it.
struct Office {
  TempFolder dir;
  FolderSet folders;
  std::string report;
  Office() : folders(MakeProgram(dir)), report(MakeReport(dir, "Отчет1", testing::BlankReportFiles())) {}

  struct Run {
    ScriptedInteraction ui;
    std::unique_ptr<TReportState> state;
  };
  std::unique_ptr<Run> Start(std::initializer_list<Button> answers = {}) {
    auto run = std::make_unique<Run>();
    run->ui.answers.assign(answers);
    PrepareFolders(folders, run->ui);
    PurgeAsideRecoveries(folders);
    run->state = std::make_unique<TReportState>(folders, run->ui);
    run->state->SetRecoveryMode(Mode::Offer);
    run->state->OpenReportFolder(report);
    return run;
  }
  // Types a value into T1 and has it written as the timer would.
  static void TypeAndKeep(TReportState& s, const char* value) {
    CellByNumber(s.FindTable("T1.ini")->table->data, 2)->SetValue(value);
    ASSERT_TRUE(s.WriteRecoveryNow());
    s.FlushRecovery();
  }
  std::string Folder() const { return RecoveryFolderOf(folders, report); }
};

TEST(RecoveryTiming, WritesWaitForTheIntervalAndAPauseButNeverLongerThanTheInterval) {
  const RecoveryTiming t;  // 60 s, 3 s of quiet
  struct Case {
    std::int64_t now, changedAt, lastWriteAt, lastInputAt;
    bool due;
  } cases[] = {
      {59'999, 1'000, 0, 0, false},        // the interval since the last write has not passed
      {60'000, 1'000, 0, 0, true},         // it has, and nobody types
      {61'000, 30'000, 0, 60'000, false},  // typing: waits for a pause
      {63'000, 30'000, 0, 60'000, true},   // the pause came
      {90'000, 30'000, 0, 89'900, true},   // typing on: the change waited the whole interval
      {120'000, 60'500, 60'000, 119'999, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RecoveryWriteDue(t, c.now, c.changedAt, c.lastWriteAt, c.lastInputAt), c.due) << c.now;

  auto env = [](const char* value) {
    return [value](const char*) -> std::optional<std::string> { return std::string(value); };
  };
  EXPECT_EQ(RecoveryTiming::FromEnvironment(env("400")).intervalMs, 400);
  EXPECT_EQ(RecoveryTiming::FromEnvironment(env("400")).quietMs, 20);
  for (const char* ignored : {"600000", "abc", "-5", "10"})
    EXPECT_EQ(RecoveryTiming::FromEnvironment(env(ignored)).intervalMs, 60000) << ignored;
}

TEST(Recovery, WritingTouchesNeitherTheWorkingFolderNorThePackageAndMarksNothingSaved) {
  Office o;
  auto run = o.Start();
  TReportState& s = *run->state;
  const std::string package = ReadFile(o.report + "Report.rpt");
  const std::string working = ReadFile(o.folders.working + "T1.ini");
  EXPECT_FALSE(s.WriteRecoveryNow());  // nothing changed, nothing written
  Office::TypeAndKeep(s, "42");
  EXPECT_EQ(ReadFile(o.report + "Report.rpt"), package);
  EXPECT_EQ(ReadFile(o.folders.working + "T1.ini"), working);
  EXPECT_TRUE(s.FindTable("T1.ini")->table->Modified());
  EXPECT_TRUE(s.IsModified());
  const auto manifest = ReadRecovery(o.Folder());
  ASSERT_TRUE(manifest);
  ASSERT_EQ(manifest->tables.size(), 1u);
  EXPECT_EQ(manifest->tables[0].file, "T1.ini");
  // The table as a save writes it.
  EXPECT_EQ(ReadFile(GenerationFolder(o.Folder(), manifest->generation) + "T1.ini"),
            s.FindTable("T1.ini")->table->SaveText());
}

TEST(Recovery, AfterACrashYesRestoresTheTablesAsChangedAndASaveRemovesTheData) {
  Office o;
  {
    auto run = o.Start();
    Office::TypeAndKeep(*run->state, "42");
    Office::TypeAndKeep(*run->state, "43");  // a second generation replaces the first
  }  // the program ends without a word: a crash
  auto run = o.Start({kYes});
  TReportState& s = *run->state;
  ASSERT_EQ(run->ui.messages.size(), 1u);
  const auto& question = run->ui.messages[0];
  EXPECT_EQ(question.kind, MessageKind::Confirmation);
  EXPECT_NE(question.text.find("Найдены несохраненные изменения отчета из папки "_w), std::string::npos);
  EXPECT_NE(question.text.find(ReadRecovery(o.Folder())->time), std::string::npos);
  EXPECT_NE(question.text.find("Восстановить их?"_w), std::string::npos);
  ASSERT_TRUE(s.treeVisible);
  EXPECT_TRUE(s.recoveryRestored());
  EXPECT_EQ(Value(s, "T1.ini"), "43");
  EXPECT_TRUE(s.FindTable("T1.ini")->table->Modified());
  EXPECT_FALSE(s.FindTable("T2.ini")->table->Modified());
  EXPECT_TRUE(s.IsModified());
  // Not yet saved: the package still has the old value, the data stays.
  EXPECT_TRUE(fs::exists(o.Folder()));
  ASSERT_TRUE(s.Save());
  EXPECT_FALSE(fs::exists(o.Folder()));
  run.reset();
  auto again = o.Start();
  EXPECT_TRUE(again->ui.messages.empty());
  EXPECT_EQ(Value(*again->state, "T1.ini"), "43");
}

TEST(Recovery, NoSetsTheDataAsideForOneMoreStartThenItGoes) {
  Office o;
  { Office::TypeAndKeep(*o.Start()->state, "42"); }
  const std::string aside = AsideFolderOf(o.Folder());
  {
    auto run = o.Start({kNo});
    EXPECT_EQ(Value(*run->state, "T1.ini"), "5");
    EXPECT_FALSE(run->state->IsModified());
    EXPECT_FALSE(fs::exists(o.Folder()));
    EXPECT_TRUE(fs::exists(aside));
  }
  {
    auto run = o.Start();  // the next start: kept, not offered
    EXPECT_TRUE(run->ui.messages.empty());
    EXPECT_TRUE(fs::exists(aside));
  }
  auto run = o.Start();
  EXPECT_FALSE(fs::exists(aside));
}

TEST(Recovery, ApplyTakesBackWhatWasSetAsideAndItsSaveRemovesIt) {
  Office o;
  { Office::TypeAndKeep(*o.Start()->state, "42"); }
  { auto declined = o.Start({kNo}); }
  ScriptedInteraction ui;
  PrepareFolders(o.folders, ui);
  TReportState s(o.folders, ui);
  s.SetRecoveryMode(Mode::Apply);
  s.OpenReportFolder(o.report);
  EXPECT_TRUE(ui.messages.empty());  // nothing asked
  ASSERT_TRUE(s.recoveryRestored());
  EXPECT_EQ(Value(s, "T1.ini"), "42");
  ASSERT_TRUE(s.Save());
  EXPECT_FALSE(fs::exists(o.Folder()));
  EXPECT_FALSE(fs::exists(AsideFolderOf(o.Folder())));
}

TEST(Recovery, DataOfAnotherVersionOrOfAReportSavedSinceIsRefusedAndSetAside) {
  struct Case {
    const char* what;
    std::function<void(Office&)> spoil;
    std::string_view reason;
  } cases[] = {
      {"report saved since",
       [](Office& o) { MakeReport(o.dir, "Отчет1", testing::BlankReportFiles()); },
       "отчет был сохранен или заменен после их записи"_w},
      {"another version",
       [](Office& o) {
         const std::string path = o.Folder() + "Recovery.ini";
         std::string text = ReadFile(path);
         text.replace(text.find("Program="), 8, "Program=1.");
         std::ofstream(path, std::ios::binary) << text;
       },
       "другой версией программы (1."_w},
      {"a table that leaves the folder",
       [](Office& o) {
         std::ofstream(o.Folder() + "Recovery.ini", std::ios::app) << "Table=../T1.ini\tx\n";
       },
       "данные повреждены"_w},
      {"garbage manifest",
       [](Office& o) { std::ofstream(o.Folder() + "Recovery.ini", std::ios::binary) << "\x01\x02 nonsense"; },
       "данные повреждены"_w},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Office o;
    { Office::TypeAndKeep(*o.Start()->state, "42"); }
    c.spoil(o);
    auto run = o.Start();
    ASSERT_EQ(run->ui.messages.size(), 1u);
    EXPECT_EQ(run->ui.messages[0].kind, MessageKind::Warning);
    EXPECT_NE(run->ui.messages[0].text.find(c.reason), std::string::npos);
    EXPECT_NE(run->ui.messages[0].text.find("не могут быть восстановлены"_w), std::string::npos);
    EXPECT_TRUE(run->state->treeVisible);
    EXPECT_FALSE(run->state->IsModified());
    EXPECT_FALSE(fs::exists(o.Folder()));
    EXPECT_TRUE(fs::exists(AsideFolderOf(o.Folder())));
  }
}

TEST(Recovery, AWriteCutOffLeavesTheLastCompleteGeneration) {
  Office o;
  { Office::TypeAndKeep(*o.Start()->state, "42"); }
  // A later write got as far as its generation's folder (half a table) and
  // no further: the manifest still names the one before.
  const auto manifest = ReadRecovery(o.Folder());
  const std::string next = GenerationFolder(o.Folder(), manifest->generation + 1);
  fs::create_directories(next);
  std::ofstream(next + "T1.ini") << "[Tab";
  std::ofstream(o.Folder() + ".Recovery.ini.abc123") << "[Recovery]\nGener";
  auto run = o.Start({kYes});
  EXPECT_EQ(Value(*run->state, "T1.ini"), "42");
  // The next write clears what the cut-off one left.
  Office::TypeAndKeep(*run->state, "44");
  EXPECT_FALSE(fs::exists(o.Folder() + ".Recovery.ini.abc123"));
  EXPECT_EQ(std::distance(fs::directory_iterator(o.Folder()), fs::directory_iterator()), 2);
}

TEST(Recovery, TablesThatDoNotLoadAreSetAsideAndTheReportOpensAsSaved) {
  for (const Mode mode : {Mode::Offer, Mode::Apply}) {
    Office o;
    { Office::TypeAndKeep(*o.Start()->state, "42"); }
    const auto manifest = ReadRecovery(o.Folder());
    std::ofstream(GenerationFolder(o.Folder(), manifest->generation) + "T1.ini", std::ios::trunc)
        << "[Table]\r\nFixed=0\r\nCount=99999999999\r\n";
    ScriptedInteraction ui;
    PrepareFolders(o.folders, ui);
    TReportState s(o.folders, ui);
    s.SetRecoveryMode(mode);
    s.OpenReportFolder(o.report);
    ASSERT_TRUE(s.treeVisible);
    EXPECT_EQ(Value(s, "T1.ini"), "5");
    EXPECT_FALSE(s.IsModified());
    EXPECT_FALSE(s.recoveryRestored());
    EXPECT_NE(ui.MessageTexts().back().find("таблицы из них не читаются"_w), std::string::npos);
    EXPECT_FALSE(fs::exists(o.Folder()));
    EXPECT_TRUE(fs::exists(AsideFolderOf(o.Folder())));
  }
}

TEST(Recovery, ADeliberateNoToTheSaveQuestionRemovesTheData) {
  Office o;
  auto run = o.Start({kNo});
  Office::TypeAndKeep(*run->state, "42");
  ASSERT_TRUE(fs::exists(o.Folder()));
  EXPECT_TRUE(run->state->CloseQuery());
  EXPECT_FALSE(fs::exists(o.Folder()));
}

TEST(Recovery, TheTimerWritesOnlyAfterTheIntervalAndAPause) {
  Office o;
  auto run = o.Start();
  TReportState& s = *run->state;
  RecoveryTiming timing;
  timing.intervalMs = 10'000;
  timing.quietMs = 1'000;
  s.SetRecoveryMode(Mode::Offer, timing);
  const std::int64_t t0 = RecoveryClockMs();  // the load was just now
  CellByNumber(s.FindTable("T1.ini")->table->data, 2)->SetValue("42");
  s.NoteUserInput(t0 + 9'900);
  EXPECT_FALSE(s.WriteRecoveryIfDue(t0 + 5'000));   // the first look sees the change
  EXPECT_FALSE(s.WriteRecoveryIfDue(t0 + 10'500));  // the interval passed, but the user types
  EXPECT_TRUE(s.WriteRecoveryIfDue(t0 + 11'000));   // a pause
  s.FlushRecovery();
  EXPECT_TRUE(ReadRecovery(o.Folder()));
  EXPECT_FALSE(s.WriteRecoveryIfDue(t0 + 60'000));  // nothing new
}

}  // namespace
}  // namespace rpt
