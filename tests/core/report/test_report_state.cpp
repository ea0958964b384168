// The report lifecycle driven through the scripted port: loading, saving,
// save as, new, open, delete and the close query.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/my_ini_file.h"
#include "core/archive/package.h"
#include "core/report/recent_list.h"
#include "core/report/report_folder_dialog.h"
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

using testing::W;

std::string CellValue(const TReportTable& t) { return CellByNumber(t.table->data, 2)->label.caption; }

ino_t Inode(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_ino;
}

struct Program {
  TempFolder dir;
  FolderSet folders;
  ScriptedInteraction ui;
  std::unique_ptr<TReportState> state;
  explicit Program(const testing::StructureOptions& o = {}) : folders(MakeProgram(dir, o)) {
    PrepareFolders(folders, ui);
    state = std::make_unique<TReportState>(folders, ui);
    state->ReadInstallation();
  }
  std::string Report(const std::string& name, const testing::StructureOptions& o = {}) {
    return MakeReport(dir, name, testing::BlankReportFiles(o));
  }
};

TEST(ReportLoad, FirstLoadCreatesReportFromTemplateWithProgress) {
  Program p;
  fs::create_directories(p.folders.program + "Отчет1");  // taken: the next number is used
  p.state->OpenReportFolder({});
  TReportState& s = *p.state;
  const std::string folder = p.folders.program + "Отчет2/";
  EXPECT_EQ(s.currentFolder, folder);
  EXPECT_EQ(ReadFile(folder + "Report.rpt"), ReadFile(p.folders.TemplatePackage()));
  ASSERT_EQ(s.tables().size(), 2u);
  EXPECT_EQ(s.tables()[0].itemTitle, W("Таблица 1"));
  EXPECT_EQ(CellValue(s.tables()[1]), "7");
  EXPECT_TRUE(s.treeVisible);
  EXPECT_FALSE(s.loading());
  EXPECT_TRUE(s.structureWindowEnabled);
  EXPECT_TRUE(s.tablesFrameEnabled);
  EXPECT_FALSE(s.IsModified());
  EXPECT_EQ(s.caption, W("Подготовка отчета: " + folder));
  EXPECT_EQ(s.recent().entries(), std::vector<std::string>{folder});
  EXPECT_TRUE(p.ui.messages.empty());

  // Two sections (2 and 1 items): the second bar restarts per section.
  std::vector<std::string> events;
  for (const auto& e : p.ui.progress)
    events.push_back(e.event + " " + std::to_string(e.bar) + " " + std::to_string(e.position) + " " +
                     Cp1251ToUtf8(e.text));
  const std::vector<std::string> expected = {
      "show 0 0 Загрузка отчета", "update 1 0 Таблицы", "update 1 0 ", "update 1 12 ",
      "update 1 25 ",             "update 0 12 ",       "update 1 0 ", "update 1 25 ",
      "update 0 25 ",             "close 0 0 "};
  EXPECT_EQ(events, expected);
  EXPECT_TRUE(p.ui.progress[0].secondBar);
  EXPECT_FALSE(p.ui.progress[0].stoppable);
}

// Replaces the working folder's T1.ini, once the load has unpacked the
// report and begins on its tables, by a file that exists and cannot be read.
void MakeT1UnreadableWhileLoading(Program& p) {
  auto done = std::make_shared<bool>(false);
  const std::string t1 = p.folders.working + "T1.ini";
  p.ui.onProgressShow = [done, t1](const testing::RecordedProgress&) {
    if (*done) return;
    *done = true;
    if (::geteuid() == 0) {  // root reads anything: a file whose reading fails instead
      fs::remove(t1);
      fs::create_symlink("/proc/self/mem", t1);
    } else {
      fs::permissions(t1, fs::perms::none);
    }
  };
}

TEST(ReportLoad, FailuresLeaveTheProgramUsable) {
  const std::string kWorking = "<working>";  // stands for the working folder in a message
  struct Case {
    const char* name;
    std::function<std::string(Program&)> make;  // the report folder
    // UTF-8, in order; "…" at the end: the text begins so. Empty: check
    // only that one error came.
    std::vector<std::string> messages;
    std::size_t tablesLeft;
  };
  const auto oneTable = [](std::string bytes) {
    return [bytes](Program& p) {
      auto files = testing::BlankReportFiles();
      files[1].second = bytes;
      return MakeReport(p.dir, "damaged", files);
    };
  };
  const std::vector<Case> cases = {
      {"wrong version",
       [](Program& p) { return p.Report("old", {.version = "22_00_21"}); },
       {"Не та версия отчета."}, 0},
      {"missing table of the second section",
       [](Program& p) {
         auto files = testing::BlankReportFiles();
         files.erase(files.begin() + 2);  // T2.ini
         return MakeReport(p.dir, "holed", files);
       },
       {}, 1},
      {"damaged package",
       [](Program& p) {
         p.dir.Write("bad/Report.rpt", "not a cabinet at all");
         return p.dir / "bad/";
       },
       {}, 0},
      // Errors while the tables load are named before the general message.
      {"table that cannot be loaded",
       oneTable("[Table]\r\nFixed=1\r\nRowCount=100000\r\nColCount=100000\r\n"),
       {"Таблица \"T1.ini\" повреждена: слишком много ячеек.", "Не та версия отчета."}, 0},
      // A structure whose table would be read from and saved into a file
      // outside the report.
      {"item naming a file outside the report",
       [](Program& p) {
         auto files = testing::BlankReportFiles();
         const std::string from = W("Файл=T1.ini");
         files[0].second.replace(files[0].second.find(from), from.size(), W("Файл=../x/T1.ini"));
         return MakeReport(p.dir, "outside", files);
       },
       {"Структура отчета повреждена: у пункта \"Пункт_1_1\" (\"Таблица 1\") файл \"../x/T1.ini\" не находится "
        "в папке отчета.",
        "Не та версия отчета."},
       0},
      {"cell count that is no number, garbage sections",
       oneTable("[Table]\r\nFixed=0\r\nCount=abc\r\n\r\n[Cell_\x01\x02]\r\n\xff\xfe=\r\n[[[\r\n"),
       {"Таблица \"T1.ini\" повреждена: неверное число ячеек.", "Не та версия отчета."}, 0},
      {"table file that cannot be read",
       [](Program& p) {
         MakeT1UnreadableWhileLoading(p);
         return p.Report("unreadable");
       },
       {"Не удается прочитать файл \"<working>T1.ini\": …",
        "Не та версия отчета."},
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Program p;
    const std::string folder = c.make(p);
    p.state->OpenReportFolder(folder);
    TReportState& s = *p.state;
    ASSERT_EQ(p.ui.messages.size(), std::max<std::size_t>(1, c.messages.size()));
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
      EXPECT_EQ(p.ui.messages[i].kind, MessageKind::Error);
      std::string expected = c.messages[i];
      if (auto at = expected.find(kWorking); at != std::string::npos)
        expected.replace(at, kWorking.size(), p.folders.working);
      const std::string text = Cp1251ToUtf8(p.ui.messages[i].text);
      if (expected.size() >= 3 && expected.ends_with("…")) {
        expected.resize(expected.size() - std::string("…").size());
        EXPECT_EQ(text.substr(0, expected.size()), expected);
        EXPECT_GT(text.size(), expected.size());  // the system's reason follows
      } else {
        EXPECT_EQ(text, expected);
      }
    }
    if (std::string(c.name) == "damaged package") {
      // The cabinet reader's own message.
      TempFolder out;
      std::string expected;
      try {
        UnpackPackage(folder + "Report.rpt", out.path());
      } catch (const std::exception& e) {
        expected = e.what();
      }
      EXPECT_FALSE(expected.empty());
      EXPECT_EQ(p.ui.messages[0].text, expected);
      EXPECT_EQ(s.currentFolder, p.folders.program);
    }
    EXPECT_EQ(s.tables().size(), c.tablesLeft);
    EXPECT_FALSE(s.treeVisible);
    EXPECT_FALSE(s.loading());
    EXPECT_TRUE(s.structureWindowEnabled);
    EXPECT_FALSE(s.Save());  // nothing to save, nothing written
    EXPECT_FALSE(s.SaveAs());
    // Another report opens afterwards.
    p.ui.messages.clear();
    p.state->OpenReportFolder(p.Report("good"));
    EXPECT_TRUE(p.ui.messages.empty());
    EXPECT_EQ(s.tables().size(), 2u);
    EXPECT_TRUE(s.treeVisible);
  }
}

TEST(ReportLoad, DanglingLinkAsThePackageIsNamed) {
  Program p;
  fs::create_directories(p.dir / "link");
  fs::create_symlink("gone.rpt", p.dir / "link/Report.rpt");
  p.state->OpenReportFolder(p.dir / "link/");
  EXPECT_EQ(p.ui.MessageTexts(),
            std::vector<std::string>{W("Файл отчета \"" + p.dir / "link/Report.rpt" +
                                       "\" является ссылкой на несуществующий файл \"gone.rpt\".")});
  EXPECT_FALSE(p.state->treeVisible);
}

// One program at a time has a report: the second is told who has it and
// opens nothing, and the report is free again once the first lets go.
TEST(ReportLock, ABusyReportNamesItsHolderAndOpensOnceFree) {
  Program p;
  const std::string folder = p.Report("r");
  p.state->OpenReportFolder(folder);
  ASSERT_TRUE(p.state->reportLock().held());

  ScriptedInteraction ui2;
  FolderSet other = p.folders;
  other.working = p.dir / "work2/";
  other.subreports = other.working + "Subreports/";
  {
    TReportState second(other, ui2);
    second.OpenReportFolder(folder);
    ASSERT_EQ(ui2.messages.size(), 1u);
    const std::string text = Cp1251ToUtf8(ui2.messages[0].text);
    EXPECT_EQ(text.substr(0, text.find(':')), "Отчет в папке " + folder + " уже открыт другой программой");
    for (const std::string& part : {std::string("программа test_report_state"),
                                    "процесс " + std::to_string(::getpid()), std::string("пользователь "),
                                    std::string("компьютер ")})
      EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
    EXPECT_TRUE(second.tables().empty());
    EXPECT_FALSE(second.treeVisible);
    EXPECT_FALSE(second.reportLock().held());
  }
  // Another report opened by the first frees this one.
  p.state->OpenReportFolder(p.Report("other"));
  ui2.messages.clear();
  TReportState second(other, ui2);
  second.OpenReportFolder(folder);
  EXPECT_TRUE(ui2.messages.empty());
  EXPECT_EQ(second.tables().size(), 2u);
  // Deleting the report takes its lock file with it.
  ui2.answers.push_back(kYes);
  ASSERT_TRUE(second.DeleteReport());
  EXPECT_FALSE(fs::exists(folder));
}

TEST(ReportLoad, DamagedIncludedSubreportIsNamedByTheCabinetReader) {
  Program p;
  p.dir.Write("dept/Report.rpt", "not a cabinet either");
  auto files = testing::BlankReportFiles();
  files[0].second += testing::Win("\n[Подотчеты]\nКоличество=1\n1=" + (p.dir / "dept") + "\n");
  p.state->OpenReportFolder(MakeReport(p.dir, "head", files));
  std::string cabinetMessage;
  try {
    TempFolder out;
    UnpackPackage(p.dir / "dept/Report.rpt", out.path());
  } catch (const std::exception& e) {
    cabinetMessage = e.what();
  }
  ASSERT_FALSE(cabinetMessage.empty());
  EXPECT_EQ(p.ui.MessageTexts(), (std::vector<std::string>{cabinetMessage, W("Не та версия отчета.")}));
  EXPECT_FALSE(p.state->treeVisible);
  EXPECT_TRUE(p.state->structureWindowEnabled);
}

TEST(ReportLoad, MissingTableMessageNamesThePath) {
  Program p;
  auto files = testing::BlankReportFiles();
  files.erase(files.begin() + 2);
  p.state->OpenReportFolder(MakeReport(p.dir, "holed", files));
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text,
            W("Отсутствует таблица \"" + p.folders.working + "T2.ini\".\r\nЗагрузка отчета прекращена."));
  EXPECT_EQ(p.state->tables()[0].file, "T1.ini");
  // The progress window was closed before the message.
  EXPECT_EQ(p.ui.progress.back().event, "close");
}

std::string Cap(const TReportTable& t, int number) { return CellByNumber(t.table->data, number)->label.caption; }

TEST(ReportLoad, FormulaErrorIsShownOnceAndTheReportOpensAndSaves) {
  Program p;
  const std::string folder = MakeReport(p.dir, "divide", testing::FormulaErrorReportFiles());
  p.state->OpenReportFolder(folder);
  TReportState& s = *p.state;
  // One message, naming the cell whose formula failed (cell 6 fails only
  // because it reads cell 5).
  const std::vector<std::string> expected = {W("Сведения о кадрах\r\nЯчейка 5\r\nDivide by zero")};
  EXPECT_EQ(p.ui.MessageTexts(), expected);
  EXPECT_EQ(p.ui.messages.at(0).kind, MessageKind::Error);
  ASSERT_TRUE(s.treeVisible);
  EXPECT_EQ(s.currentFolder, folder);
  ASSERT_EQ(s.tables().size(), 2u);
  const TReportTable& t1 = s.tables()[0];
  const TReportTable& t2 = s.tables()[1];
  EXPECT_EQ(t1.caption, W("Сведения о кадрах"));
  EXPECT_EQ(Cap(t1, 5), "1,50");  // kept
  EXPECT_EQ(Cap(t1, 6), "9");     // kept: it reads the failing cell
  EXPECT_EQ(Cap(t1, 7), "4");     // the rest of the table is computed
  EXPECT_EQ(Cap(t2, 3), "21");    // and every other table
  EXPECT_EQ(Cap(t2, 4), "5");
  for (const auto& t : s.tables()) EXPECT_NE(t.table->status, 0) << t.file;  // every table checked
  EXPECT_FALSE(s.IsModified());
  EXPECT_EQ(s.recent().entries().front(), folder);

  // Saving shows the error again and goes on.
  p.ui.messages.clear();
  CellByNumber(t2.table->data, 2)->SetValue("8");
  ASSERT_TRUE(s.Save());
  EXPECT_EQ(p.ui.MessageTexts(), expected);
  EXPECT_FALSE(s.IsModified());

  p.state.reset();  // the first program ends and lets go of the report
  ScriptedInteraction ui2;
  TReportState other(p.folders, ui2);
  other.OpenReportFolder(folder);
  EXPECT_EQ(ui2.MessageTexts(), expected);
  ASSERT_EQ(other.tables().size(), 2u);
  EXPECT_EQ(Cap(other.tables()[1], 3), "24");
}

TEST(ReportLoad, AllTablesExcludedLoadsWithoutTables) {
  Program p;
  p.state->OpenReportFolder(p.Report("none", {.excludeAllTables = true}));
  EXPECT_TRUE(p.ui.messages.empty());
  EXPECT_TRUE(p.state->tables().empty());
  EXPECT_TRUE(p.state->treeVisible);
  EXPECT_FALSE(p.state->tablesFrameEnabled);
}

TEST(ReportOpen, FolderWithoutPackageIsReportedAndForgotten) {
  Program p;
  const std::string kept = p.Report("kept");
  const std::string gone = p.Report("gone");
  p.state->OpenReportFolder(kept);
  p.state->OpenReportFolder(gone);
  ASSERT_EQ(p.state->recent().entries().front(), gone);
  fs::remove(gone + "Report.rpt");
  p.ui.messages.clear();
  p.state->OpenReportFolder(gone);
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(p.ui.messages[0].text, W("Папка " + gone + " отсутствует или не содержит отчета."));
  EXPECT_EQ(p.state->recent().entries(), std::vector<std::string>{kept});
  EXPECT_EQ(p.state->currentFolder, p.folders.program);
}

TEST(ReportSave, UnchangedReportIsNotSaved) {
  Program p;
  const std::string folder = p.Report("r");
  p.state->OpenReportFolder(folder);
  const std::string before = ReadFile(folder + "Report.rpt");
  const ino_t inode = Inode(folder + "Report.rpt");
  p.ui.progress.clear();
  EXPECT_FALSE(p.state->Save());
  EXPECT_TRUE(p.ui.progress.empty());
  EXPECT_EQ(Inode(folder + "Report.rpt"), inode);
  EXPECT_EQ(ReadFile(folder + "Report.rpt"), before);
}

TEST(ReportSave, EditedCellIsSavedIntoThePackage) {
  Program p;
  const std::string folder = p.Report("r");
  p.state->OpenReportFolder(folder);
  TReportState& s = *p.state;
  CellByNumber(s.tables()[1].table->data, 2)->SetValue("42");
  EXPECT_TRUE(s.reportChanged);
  EXPECT_TRUE(s.IsModified());
  p.ui.progress.clear();
  ASSERT_TRUE(s.Save());
  EXPECT_FALSE(s.IsModified());
  EXPECT_FALSE(fs::exists(folder + "Report.rpt$"));
  for (const auto& e : fs::directory_iterator(folder))  // no unfinished package is left
    EXPECT_FALSE(e.path().filename().string().starts_with("Report.rpt~")) << e.path();
  ASSERT_FALSE(p.ui.progress.empty());
  EXPECT_EQ(p.ui.progress[0].window, ProgressWindow::Single);
  EXPECT_EQ(p.ui.progress[0].text, W("Сохранение отчета"));

  // A fresh program sees the value.
  p.state.reset();  // the first program ends and lets go of the report
  ScriptedInteraction ui2;
  TReportState other(p.folders, ui2);
  other.OpenReportFolder(folder);
  ASSERT_EQ(other.tables().size(), 2u);
  EXPECT_EQ(CellValue(other.tables()[1]), "42");
}

TEST(ReportSave, LoadAndSaveRecalculateAcrossTablesAndSetStatuses) {
  Program p;
  auto files = testing::BlankReportFiles();
  files[2].second = testing::Win(
      "[Table]\nFixed=0\nCount=2\n\n[Cell_2]\nState=D\nType=7\nDec=0\nForm=7 0 T1[(2)]*2\n"
      "Vis=10 10 40 20 5 0\nCap=0\n");
  const std::string folder = MakeReport(p.dir, "calc", files);
  p.state->OpenReportFolder(folder);
  TReportState& s = *p.state;
  ASSERT_EQ(s.tables().size(), 2u);
  EXPECT_EQ(CellValue(s.tables()[1]), "10");
  EXPECT_EQ(s.tables()[0].table->status, 1);
  EXPECT_FALSE(s.IsModified());  // values computed while loading are no change

  CellByNumber(s.tables()[0].table->data, 2)->SetValue("6");
  ASSERT_TRUE(s.Save());
  EXPECT_EQ(CellValue(s.tables()[1]), "12");
  p.state.reset();  // the first program ends and lets go of the report
  ScriptedInteraction ui2;
  TReportState other(p.folders, ui2);
  other.OpenReportFolder(folder);
  EXPECT_EQ(CellValue(other.tables()[1]), "12");
  EXPECT_EQ(ReadFile(p.folders.working + "T2.ini").find("Cap=12") != std::string::npos, true);
}

TEST(ReportSave, TableThatCannotBeWrittenFailsTheSave) {
  Program p;
  const std::string folder = p.Report("r");
  p.state->OpenReportFolder(folder);
  TReportState& s = *p.state;
  const std::string before = ReadFile(folder + "Report.rpt");
  CellByNumber(s.tables()[0].table->data, 2)->SetValue("9");
  // The table's temporary file cannot be created.
  fs::create_directories(p.folders.working + "Temp.tmp/x");
  EXPECT_FALSE(s.Save());
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].kind, MessageKind::Error);
  EXPECT_NE(p.ui.messages[0].text.find("T1"), std::string::npos) << p.ui.messages[0].text;
  EXPECT_EQ(ReadFile(folder + "Report.rpt"), before);
  EXPECT_TRUE(s.tables()[0].table->Modified());
  EXPECT_TRUE(s.IsModified());
  EXPECT_EQ(p.ui.progress.back().event, "close");

  fs::remove_all(p.folders.working + "Temp.tmp");
  EXPECT_TRUE(s.Save());
  EXPECT_FALSE(s.IsModified());
}

TEST(ReportSaveAs, WritesThePackageFirstThenOpensTheCopy) {
  Program p;
  const std::string folder = p.Report("r");
  p.state->OpenReportFolder(folder);
  TReportState& s = *p.state;
  const ino_t inode = Inode(folder + "Report.rpt");
  ASSERT_TRUE(s.SaveAs());  // unchanged, and still written
  EXPECT_NE(Inode(folder + "Report.rpt"), inode);
  const std::string copy = p.folders.program + "Отчет1/";
  EXPECT_EQ(s.currentFolder, copy);
  EXPECT_EQ(ReadFile(copy + "Report.rpt"), ReadFile(folder + "Report.rpt"));
  EXPECT_EQ(s.tables().size(), 2u);
  EXPECT_TRUE(s.treeVisible);
  EXPECT_EQ(s.recent().entries().front(), copy);

  // A change goes into the old package before the copy is made.
  CellByNumber(s.tables()[0].table->data, 2)->SetValue("11");
  ASSERT_TRUE(s.SaveAs());
  EXPECT_EQ(s.currentFolder, p.folders.program + "Отчет2/");
  EXPECT_EQ(CellValue(s.tables()[0]), "11");
  // The copy is free again: only the report now open is locked.
  ScriptedInteraction ui2;
  TReportState other(p.folders, ui2);
  other.OpenReportFolder(copy);
  EXPECT_EQ(CellValue(other.tables()[0]), "11");
}

TEST(ReportSaveAs, SubreportOfAFullInstallationRecordsItsNewFolder) {
  Program p;
  const std::string folder = p.Report("dep", {.subreport = true});
  p.state->OpenReportFolder(folder);
  ASSERT_TRUE(p.state->isSubreport);
  ASSERT_TRUE(p.state->SaveAs());
  const std::string copy = p.folders.program + "Подотчет1/";
  EXPECT_EQ(p.state->currentFolder, copy);
  EXPECT_TRUE(p.state->isSubreport);
  EXPECT_EQ(p.state->caption, W("Подготовка подотчета: " + copy));
  TempFolder out;
  UnpackPackage(copy + "Report.rpt", out.path());
  TMyIniFile ini(*FindStructureFile(out.path()));
  EXPECT_EQ(StoredFolderToPath(ini.ReadString(W("Отчет"), W("Папка"), "")), copy);
}

TEST(ReportSaveAs, CancelledDialogRestoresTheFolder) {
  Program p;
  const std::string folder = p.Report("r");
  p.state->OpenReportFolder(folder);
  p.state->runFolderDialog = [](TFormNewRep& d) { d.Cancel(); };
  EXPECT_FALSE(p.state->SaveAs());
  EXPECT_EQ(p.state->currentFolder, folder);
  EXPECT_EQ(p.state->previousFolder, folder);
  EXPECT_EQ(p.state->tables().size(), 2u);
}

TEST(ReportCloseQuery, AnswersDecideBetweenSavingAndDiscarding) {
  for (const Button answer : {kYes, kNo}) {
    SCOPED_TRACE(answer == kYes ? "yes" : "no");
    Program p;
    const std::string folder = p.Report("r");
    p.state->OpenReportFolder(folder);
    const std::string before = ReadFile(folder + "Report.rpt");
    CellByNumber(p.state->tables()[0].table->data, 2)->SetValue("3");
    p.ui.answers = {answer};
    EXPECT_TRUE(p.state->CloseQuery());
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].text, W("Сохранить сделанные в отчете изменения?"));
    EXPECT_EQ(p.ui.messages[0].buttons, unsigned(kYes | kNo));
    EXPECT_FALSE(p.state->IsModified() && answer == kYes);
    EXPECT_EQ(ReadFile(folder + "Report.rpt") == before, answer == kNo);
    if (answer == kNo) {
      EXPECT_FALSE(p.state->tables()[0].table->Modified());
    }
  }
  // Unmodified: no question.
  Program p;
  p.state->OpenReportFolder(p.Report("r"));
  EXPECT_TRUE(p.state->CloseQuery());
  EXPECT_TRUE(p.ui.messages.empty());
}

TEST(ReportNew, CreatesFromTemplateOrRestoresOnCancel) {
  Program p;
  const std::string folder = p.Report("r");
  p.state->OpenReportFolder(folder);
  p.state->runFolderDialog = [](TFormNewRep& d) { d.Cancel(); };
  EXPECT_FALSE(p.state->NewReport());
  EXPECT_EQ(p.state->currentFolder, folder);
  EXPECT_EQ(p.state->tables().size(), 2u);

  p.state->runFolderDialog = [](TFormNewRep& d) { d.CreateAutomatically(); };
  ASSERT_TRUE(p.state->NewReport());
  const std::string created = p.folders.program + "Отчет1/";
  EXPECT_EQ(p.state->currentFolder, created);
  EXPECT_EQ(ReadFile(created + "Report.rpt"), ReadFile(p.folders.TemplatePackage()));
  EXPECT_EQ(p.state->tables().size(), 2u);
  EXPECT_EQ(p.state->recent().entries(), (std::vector<std::string>{created, folder}));
}

TEST(ReportOpen, ChosenFileOpensItsFolder) {
  Program p;
  const std::string folder = p.Report("r");
  p.ui.pickerAnswers = {folder + "Report.rpt"};
  p.state->Open();
  EXPECT_EQ(p.state->currentFolder, folder);
  EXPECT_EQ(p.state->tables().size(), 2u);
  p.ui.pickerAnswers = {std::nullopt};
  p.state->Open();
  EXPECT_EQ(p.state->currentFolder, folder);
}

TEST(ReportDelete, ConfirmedDeletionRemovesFolderAndEntry) {
  Program p;
  const std::string folder = p.Report("r");
  p.dir.Write("r/Colors.opt", "[Colors]\r\n");
  p.dir.Write("r/report.RPT$", "backup");
  p.state->OpenReportFolder(folder);
  p.ui.answers = {kNo};
  EXPECT_FALSE(p.state->DeleteReport());
  EXPECT_TRUE(fs::exists(folder + "Report.rpt"));
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text, W("Вы действительно хотите удалить отчет из папки " + folder + "?"));
  p.ui.answers = {kYes};
  EXPECT_TRUE(p.state->DeleteReport());
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(p.state->recent().empty());
  EXPECT_EQ(p.state->currentFolder, p.folders.program);
  EXPECT_TRUE(p.state->tables().empty());
  EXPECT_FALSE(p.state->treeVisible);
  // With no report open there is nothing to delete, least of all the program folder.
  EXPECT_FALSE(p.state->DeleteReport());
  EXPECT_TRUE(fs::exists(p.folders.TemplatePackage()));
}

TEST(ReportDelete, OtherFilesAreNamedAndKeptLinksRemovedAsLinks) {
  Program p;
  const std::string folder = p.Report("r");
  p.dir.Write("r/Мои заметки.txt", "my own notes");
  p.dir.Write("r/photos/1.jpg", "jpeg");
  p.dir.Write("elsewhere/colours", "not the report's");
  p.dir.Write("elsewhere/box/inside", "not the report's either");
  fs::create_symlink(p.dir / "elsewhere/colours", folder + "Colors.opt");  // the report's name, a link
  fs::create_directory_symlink(p.dir / "elsewhere/box", folder + "Arch.rpt");
  fs::create_directory_symlink(p.dir / "elsewhere", folder + "shortcut");  // someone else's link
  p.dir.Write("r/Report.rpt~x1Y2z3", "left by a save that was cut off");
  p.state->OpenReportFolder(folder);
  p.ui.answers = {kYes};
  EXPECT_TRUE(p.state->DeleteReport());
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].kind, MessageKind::Confirmation);
  EXPECT_EQ(p.ui.messages[0].text, W("Вы действительно хотите удалить отчет из папки " + folder +
                                     "?\r\nКроме файлов отчета в папке есть:\r\nphotos/\r\nshortcut\r\n"
                                     "Мои заметки.txt\r\nОни не будут удалены."));
  EXPECT_FALSE(fs::exists(folder + "Report.rpt"));
  EXPECT_FALSE(fs::exists(folder + "Report.rpt~x1Y2z3"));
  EXPECT_FALSE(fs::exists(folder + "Report.lck"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder + "Colors.opt")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder + "Arch.rpt")));
  EXPECT_EQ(ReadFile(folder + "Мои заметки.txt"), "my own notes");
  EXPECT_EQ(ReadFile(folder + "photos/1.jpg"), "jpeg");
  EXPECT_TRUE(fs::is_symlink(folder + "shortcut"));
  EXPECT_EQ(ReadFile(p.dir / "elsewhere/colours"), "not the report's");
  EXPECT_EQ(ReadFile(p.dir / "elsewhere/box/inside"), "not the report's either");
  EXPECT_TRUE(p.state->recent().empty());
  EXPECT_FALSE(p.state->treeVisible);
}

TEST(ReportDelete, RefusedWhereTheFolderHoldsTheProgramTheDataOrTheHome) {
  struct Case {
    const char* name;
    std::string folder;  // below the test's folder; "" = the test's folder itself
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"the program folder", "prog/", "является папкой программы или содержит ее"},
      {"around the program folder", "", "является папкой программы или содержит ее"},
      {"around the data folder", "prog/Help/", "является папкой данных программы или содержит ее"},
      {"the home folder", "home/user/", "является домашней папкой пользователя или содержит ее"},
      {"around the home folder", "home/", "является домашней папкой пользователя или содержит ее"},
      {"a link to the home folder", "to-home/", "является домашней папкой пользователя или содержит ее"},
  };
  const char* home = std::getenv("HOME");
  const std::string savedHome = home ? home : "";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Program p;
    fs::create_directories(p.dir / "home/user");
    fs::create_directory_symlink(p.dir / "home/user", p.dir / "to-home");
    ::setenv("HOME", (p.dir / "home/user").c_str(), 1);
    const std::string folder = p.dir / c.folder;
    fs::copy_file(p.Report("source") + "Report.rpt", folder + "Report.rpt");
    p.state->OpenReportFolder(folder);
    ASSERT_TRUE(p.state->treeVisible);
    p.ui.messages.clear();
    EXPECT_FALSE(p.state->DeleteReport());
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(p.ui.messages[0].text, W("Отчет нельзя удалить: папка " + folder + " " + c.reason + "."));
    EXPECT_TRUE(fs::exists(folder + "Report.rpt"));
    EXPECT_TRUE(fs::exists(p.folders.TemplatePackage()));
    EXPECT_EQ(p.state->tables().size(), 2u);  // the report stays open
    EXPECT_EQ(p.state->currentFolder, folder);
    if (savedHome.empty()) ::unsetenv("HOME");
    else ::setenv("HOME", savedHome.c_str(), 1);
  }
}

TEST(RecentList, RememberPurgeAndTheTemplateFolder) {
  Program p;
  std::vector<std::string> folders;
  for (int i = 0; i < 12; ++i) folders.push_back(p.Report("r" + std::to_string(i)));
  TRecentList list;
  for (const auto& f : folders) list.Remember(f, p.folders.templates);
  ASSERT_EQ(list.entries().size(), 10u);
  EXPECT_EQ(list.entries().front(), folders[11]);
  list.Remember(folders[5], p.folders.templates);  // moves to the top
  EXPECT_EQ(list.entries().front(), folders[5]);
  EXPECT_EQ(list.entries().size(), 10u);
  list.Remember(p.dir / "empty/", p.folders.templates);  // no package: not listed
  fs::create_directories(p.dir / "empty");
  list.Remember(p.dir / "empty/", p.folders.templates);
  p.dir.Write("prog/Help/Data/TabIni/Report.rpt", "x");
  list.Remember(p.folders.templates, p.folders.templates);
  EXPECT_EQ(list.entries().front(), folders[5]);
  fs::remove(folders[11] + "Report.rpt");
  list.Purge();
  EXPECT_EQ(list.entries().size(), 9u);

  // Written when the program ends, read back at the next start.
  ASSERT_EQ(list.Save(p.folders.program), "");
  TRecentList again;
  again.Load(p.folders.program);
  EXPECT_EQ(again.entries(), list.entries());
}

TEST(RecentList, ChoosingTheTemplateFolderWarnsAndForgetsIt) {
  Program p;
  const std::string folder = p.Report("r");
  p.state->OpenReportFolder(folder);
  p.state->recent().Set({p.folders.templates, folder});
  p.state->ChooseRecent(p.folders.templates);
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].kind, MessageKind::Warning);
  std::string entry = p.folders.templates;
  EXPECT_EQ(p.ui.messages[0].text,
            W("Папка \"" + entry + "\" является служебной. Редактирование данных в ней запрещено."));
  EXPECT_EQ(p.state->recent().entries(), std::vector<std::string>{folder});
  EXPECT_EQ(p.state->currentFolder, folder);
}

}  // namespace
}  // namespace rpt
