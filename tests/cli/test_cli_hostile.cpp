// reportctl given what an attacker or a careless user would give it: items
// that name files outside the report, structures that make a table
// overwrite the structure, values no editor would take, links planted in
// the destination of an unpack, broken check rules, an interrupted command.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/foundation/codec.h"
#include "core/report/report_fixture.h"
#include "core/report/report_lock.h"
#include "support/run_reportctl.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::ReadFile;
using testing::Reportctl;
using testing::TempFolder;
using testing::Win;

// The blank report with the item of T1.ini given another "Файл".
std::vector<std::pair<std::string, std::string>> WithFirstTableFile(const std::string& file) {
  auto files = testing::BlankReportFiles();
  std::string& structure = files[0].second;
  const std::string from = Utf8ToCp1251("Файл=T1.ini");
  structure.replace(structure.find(from), from.size(), Utf8ToCp1251("Файл=" + file));
  return files;
}

TEST(CliHostile, ItemsNamingFilesOutsideOrNotTheirOwnAreRefused) {
  struct Case {
    std::string file;
    std::string message;  // after "Структура отчета повреждена: "
  };
  const Case cases[] = {
      {"../../victim/Kadry.ini",
       "у пункта \"Пункт_1_1\" (\"Таблица 1\") файл \"../../victim/Kadry.ini\" не находится в папке отчета."},
      {"..\\..\\victim\\Kadry.ini",
       "у пункта \"Пункт_1_1\" (\"Таблица 1\") файл \"..\\..\\victim\\Kadry.ini\" не находится в папке отчета."},
      {"/tmp/Kadry.ini", "у пункта \"Пункт_1_1\" (\"Таблица 1\") файл \"/tmp/Kadry.ini\" не находится в папке отчета."},
      {"..", "у пункта \"Пункт_1_1\" (\"Таблица 1\") файл \"..\" не находится в папке отчета."},
      {"report.STR", "таблица пункта \"Пункт_1_1\" (\"Таблица 1\") записана в файл структуры \"report.STR\"."},
      {"Check.chk", "таблица пункта \"Пункт_1_1\" (\"Таблица 1\") записана в файл правил проверки \"Check.chk\"."},
      {"t2.INI", "пункты \"Пункт_1_1\" (\"Таблица 1\") и \"Пункт_2_1\" (\"Таблица 2\") записаны в один файл \"T2.ini\"."},
      {"Doc.rtf", "пункты \"Пункт_1_1\" (\"Таблица 1\") и \"Пункт_1_2\" (\"Пояснение\") записаны в один файл \"Doc.rtf\"."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TempFolder dir;
    const FolderSet f = testing::MakeProgram(dir);
    const std::string victim = dir.Write("victim/Kadry.ini", "precious");
    const std::string report = testing::MakeReport(dir, "r", WithFirstTableFile(c.file));
    const std::string package = ReadFile(report + "Report.rpt");

    const CliRun set = Reportctl(dir, {"set", "--program-folder", f.program, report, "T2", "2", "9"});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_NE(set.err.find("Ошибка: Структура отчета повреждена: " + c.message), std::string::npos) << set.err;
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_EQ(ReadFile(report + "Report.rpt"), package);

    // The folder commands read nothing the structure points at either; they
    // load as the program does, so the refusal comes as the same error.
    const std::string unpacked = dir / "unpacked/";
    ASSERT_EQ(Reportctl(dir, {"unpack", report + "Report.rpt", unpacked}).exitCode, 0);
    for (const char* command : {"recalc", "check"}) {
      const CliRun r = Reportctl(dir, {command, unpacked});
      EXPECT_EQ(r.exitCode, 1) << command;
      EXPECT_EQ(r.err, "Ошибка: Структура отчета повреждена: " + c.message + "\n") << command;
    }
  }
}

// A report whose first table has an integer, a real, a date, a list-only
// cell, a text of at most 5 characters and a formula dividing by the
// integer; the installed lists hold "l1.lst".
struct EditorReport {
  TempFolder dir;
  FolderSet f = testing::MakeProgram(dir);
  std::string report;
  EditorReport() {
    auto files = testing::BlankReportFiles();
    files[1].second = Win(
        "[Table]\nFixed=0\nCount=7\n\n"
        "[Cell_2]\nState=D\nType=2\nCol=1\nRow=1\nVis=10 10 40 20 5 0\nCap=4\n\n"
        "[Cell_3]\nState=D\nType=3\nDec=2\nCol=2\nRow=1\nVis=10 60 40 20 5 0\nCap=1,00\n\n"
        "[Cell_4]\nState=D\nType=4\nCol=3\nRow=1\nVis=10 110 40 20 5 0\nCap=\n\n"
        "[Cell_5]\nState=D\nType=6\nList=l1.lst\nDirectInput=0\nBObj=101000001\nCol=4\nRow=1\nVis=10 160 40 20 5 0\nCap=\n\n"
        "[Cell_6]\nState=D\nType=1\nLen=5\nCol=5\nRow=1\nVis=10 210 40 20 5 0\nCap=\n\n"
        "[Cell_7]\nState=D\nType=7\nDec=0\nCol=6\nRow=1\nForm=8 0 8/(1:1)\nVis=10 260 40 20 5 0\nCap=2\n");
    report = testing::MakeReport(dir, "r", files);
    testing::MakePackage(dir, "lists",
                         {{"l1.lst", Win("[Список]\nListCode=77\nПолей=1\n1.LC=101000001\n\n[0]\n"
                                             "0_1_1=Физика\n0_1_1.BV=11\n0_1.BL=100\n"
                                             "0_2_1=Химия\n0_2_1.BV=12\n0_2.BL=200\n")}},
                         f.data + "TL.a");
  }
  CliRun Set(const std::string& cell, const std::string& value) {
    return Reportctl(dir, {"set", "--program-folder", f.program, report, "T1", cell, value});
  }
  std::string Saved(const std::string& key) {
    const std::string out = dir / "out/";
    fs::remove_all(out);
    Reportctl(dir, {"unpack", report + "Report.rpt", out});
    return Cp1251ToUtf8(ReadFile(out + "T1.ini"));
  }
};

TEST(CliHostile, SetTakesOnlyWhatTheCellsEditorTakes) {
  EditorReport r;
  struct Case {
    const char* cell;
    const char* value;
    const char* error;  // empty: accepted
  };
  const Case cases[] = {
      {"2", "abc", "Ошибка: Неверное значение \"abc\": в ячейку вводится целое число не более чем из 9 цифр."},
      {"2", "99999999999", "Ошибка: Неверное значение \"99999999999\": в ячейку вводится целое число не более чем из 9 цифр."},
      {"2", "1.5", "Ошибка: Неверное значение \"1.5\": в ячейку вводится целое число не более чем из 9 цифр."},
      {"2", "-5", "Ошибка: Неверное значение \"-5\": в ячейку вводится целое число не более чем из 9 цифр."},
      {"3", "x1", "Ошибка: Неверное значение \"x1\": в ячейку вводится число от 0 до 1,2E+100 не длиннее 18 знаков."},
      {"3", "1e200", "Ошибка: Неверное значение \"1e200\": в ячейку вводится число от 0 до 1,2E+100 не длиннее 18 знаков."},
      {"4", "yesterday", "Ошибка: Неверная дата."},
      {"4", "30.02.2023", "Ошибка: Неверная дата."},
      {"5", "Биология", "Ошибка: Значение должно быть выбрано из списка."},
      {"6", "шесть!", "Ошибка: Неверное значение \"шесть!\": в ячейку вводится не более 5 знаков."},
      {"6", "日本", "Ошибка: Текст \"??\" содержит знаки, которых нет в кодировке Windows-1251."},
  };
  const std::string before = ReadFile(r.report + "Report.rpt");
  for (const Case& c : cases) {
    const CliRun run = r.Set(c.cell, c.value);
    EXPECT_EQ(run.exitCode, 1) << c.value;
    EXPECT_EQ(run.err, std::string(c.error) + "\n") << c.value;
  }
  EXPECT_EQ(ReadFile(r.report + "Report.rpt"), before);

  // What the editors take is stored as they store it.
  for (const auto& [cell, value] : {std::pair{"3", "2.5"}, {"4", "29.02.2024"}, {"5", "Химия"}, {"6", "пять"}}) {
    const CliRun run = r.Set(cell, value);
    EXPECT_EQ(run.exitCode, 0) << value << run.err;
  }
  const std::string saved = r.Saved("T1.ini");
  EXPECT_NE(saved.find("Cap=2,50"), std::string::npos);
  EXPECT_NE(saved.find("Cap=29.02.2024"), std::string::npos);
  EXPECT_NE(saved.find("BVal=12\r\nBList=200"), std::string::npos) << "the item's codes come with it";
  EXPECT_NE(saved.find("Cap=Химия"), std::string::npos);
  EXPECT_NE(saved.find("Cap=пять"), std::string::npos);
}

// Several cells in one run: all of them, saved once, or none when one of
// the values is refused.
TEST(CliHostile, SetChangesSeveralCellsOrNone) {
  EditorReport r;
  const std::string before = ReadFile(r.report + "Report.rpt");
  const CliRun refused =
      Reportctl(r.dir, {"set", "--program-folder", r.f.program, r.report, "T1", "3", "7,5", "T1", "6", "шесть!"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(ReadFile(r.report + "Report.rpt"), before);
  const CliRun both =
      Reportctl(r.dir, {"set", "--program-folder", r.f.program, r.report, "T1", "3", "7,5", "T1", "6", "два"});
  EXPECT_EQ(both.exitCode, 0) << both.err;
  const std::string saved = r.Saved("T1.ini");
  EXPECT_NE(saved.find("Cap=7,50"), std::string::npos);
  EXPECT_NE(saved.find("Cap=два"), std::string::npos);
}

TEST(CliHostile, AFormulaErrorAfterTheChangeMakesTheExitNonZero) {
  EditorReport r;
  const CliRun run = r.Set("2", "0");  // 8/(1:1) divides by it
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Ячейка 7\r\nDivide by zero"), std::string::npos) << run.err;
  EXPECT_NE(r.Saved("T1.ini").find("Cap=0\r\n"), std::string::npos) << "the change itself is saved";
}

TEST(CliHostile, UnpackReplacesLinksInsteadOfFollowingThem) {
  TempFolder dir;
  dir.Write("work/Kadry.ini", "table");
  dir.Write("work/sub/deep.ini", "deep");
  ASSERT_EQ(Reportctl(dir, {"pack", dir / "work", dir / "Report.rpt", "--recursive"}).exitCode, 0);
  const std::string outside = dir.Write("outside.txt", "keep");
  fs::create_directories(dir / "outside-folder");
  fs::create_directories(dir / "dest");
  fs::create_symlink("../outside.txt", dir / "dest/Kadry.ini");
  fs::create_symlink("../outside-folder", dir / "dest/sub");
  const CliRun r = Reportctl(dir, {"unpack", dir / "Report.rpt", dir / "dest"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(outside), "keep");
  EXPECT_TRUE(fs::is_empty(dir / "outside-folder"));
  EXPECT_FALSE(fs::is_symlink(dir / "dest/Kadry.ini"));
  EXPECT_EQ(ReadFile(dir / "dest/Kadry.ini"), "table");
  EXPECT_EQ(ReadFile(dir / "dest/sub/deep.ini"), "deep");
}

TEST(CliHostile, CheckSaysWhichRuleCouldNotBeTested) {
  TempFolder dir;
  const std::string folder = dir / "rep/";
  for (const auto& [name, bytes] : testing::BlankReportFiles()) dir.Write("rep/" + name, bytes);
  // Rule 1 lacks its right side, rule 2 names a cell the table has not;
  // both count as holding, as in the program, but the exit says so.
  dir.Write("rep/Check.chk", Win("[T1]\nCount=3\n1=(1 1) > ;пусто\n2=(9 9) > 0\n3=(2) <> пусто\n"));
  const CliRun r = Reportctl(dir, {"check", folder});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "T1.ini norm\nT2.ini norm\nошибки в 0 таблицах, пустых таблиц: 0\n");
  EXPECT_EQ(r.err,
            "Ошибка: Правило 1 таблицы \"T1\" не удалось проверить: \"(1 1) > ;пусто\".\n"
            "Ошибка: Правило 2 таблицы \"T1\" не удалось проверить: \"(9 9) > 0\".\n");
}

TEST(CliHostile, AnInterruptedCommandLeavesNoPrivateFolderBehind) {
  TempFolder dir;
  const FolderSet f = testing::MakeProgram(dir);
  const std::string report = testing::MakeReport(dir, "r", testing::BlankReportFiles());
  const std::string tmp = dir / "tmp/";
  fs::create_directories(tmp);
  // The report is held, so that the command waits with its private area made.
  TReportLock held;
  ASSERT_EQ(held.Acquire(report), TReportLock::Result::Acquired);
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::execl(REPORTCTL_PATH, "reportctl", "set", "--program-folder", f.program.c_str(), "--wait", "60",
            report.c_str(), "T1", "2", "1", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (int i = 0; i < 200 && fs::is_empty(tmp); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_FALSE(fs::is_empty(tmp)) << "the command made its private area";
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_TRUE(fs::is_empty(tmp));
}

}  // namespace
}  // namespace rpt
