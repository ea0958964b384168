// reportctl check end to end on the bundled blank report.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "core/foundation/codec.h"
#include "support/run_reportctl.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using testing::ReadFile;
using testing::Reportctl;
using testing::TempFolder;
namespace fs = std::filesystem;

// The installation's blank report as the program finds it: Windows-1251
// with CR LF line ends. Check.chk is left out unless asked for.
std::string StageBlankReport(const TempFolder& dir, bool withRules) {
  const fs::path source = fs::path(REPORT_SOURCE_DIR) / "data/installation/TabIni";
  for (const auto& entry : fs::directory_iterator(source)) {
    const std::string name = entry.path().filename().string();
    const std::string ext = entry.path().extension().string();
    if (ext != ".ini" && ext != ".str" && ext != ".chk") continue;
    if (name == "Check.chk" && !withRules) continue;
    std::string text;
    for (const char c : ReadFile(entry.path().string())) {
      if (c == '\n') text += '\r';
      text += c;
    }
    dir.Write("rep/" + name, Utf8ToCp1251(text));
  }
  return dir / "rep";
}

TEST(CliCheck, BlankReportIsEmptyEverywhere) {
  TempFolder dir;
  const std::string folder = StageBlankReport(dir, true);
  const testing::CliRun r = Reportctl(dir, {"check", folder});
  EXPECT_EQ(r.exitCode, 0) << ReadFile(dir / "stderr.txt");
  // Formula cells tested against "пусто" are filled by the recalculation.
  EXPECT_NE(r.out.find("Org.ini empty\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("CKP.ini empty\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("errors"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("norm"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nошибки в 0 таблицах, пустых таблиц: "), std::string::npos) << r.out;
}

TEST(CliCheck, RulesFromAnotherFolderAndErrors) {
  TempFolder dir;
  const std::string folder = StageBlankReport(dir, false);
  dir.Write("rules/Check.chk", Utf8ToCp1251("[Org]\r\nCount=2\r\n1=(5 1) > 0;Не указан год\r\n"
                                            "2=T9(1 1) = 0\r\n"));
  const testing::CliRun r = Reportctl(dir, {"check", folder, "--rules", dir / "rules"});
  EXPECT_EQ(r.exitCode, 3) << ReadFile(dir / "stderr.txt");
  EXPECT_NE(r.out.find("Title.ini empty\nOrg.ini errors\n"
                       "  1. Ячейка (5-1): Не указан год\n"
                       "  2. Проверку условия  \"T9(1 1) = 0\"  выполнить не удалось.\n"
                       "Podr.ini empty\n"),
            std::string::npos)
      << r.out;
  // The verdict closes the output: one table with errors, the others empty.
  const std::size_t verdict = r.out.rfind("ошибки в 1 таблицах, пустых таблиц: ");
  ASSERT_NE(verdict, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\n', verdict), r.out.size() - 1) << r.out;
  // Without rules anywhere nothing fails.
  EXPECT_EQ(Reportctl(dir, {"check", folder}).exitCode, 0);
  EXPECT_EQ(Reportctl(dir, {"check"}).exitCode, 2);
  EXPECT_EQ(Reportctl(dir, {"check", dir / "nothing"}).exitCode, 1);
}

// Rule tests: sample reports with the protocols their tables must give.
TEST(CliRulesTest, ReportsDifferencesAndPassesWhenTheyAgree) {
  TempFolder dir;
  StageBlankReport(dir, false);
  std::filesystem::create_directories(dir / "tests");
  std::filesystem::rename(dir / "rep", dir / "tests/1 good");
  dir.Write("tests/Check.chk", Utf8ToCp1251("[Org]\r\nCount=1\r\n1=(5 1) > 0;Не указан год\r\n"));
  dir.Write("tests/1 good/Org.ini.protocol", "1. Ячейка (5-1): Не указан год\n");
  std::filesystem::copy(dir / "tests/1 good", dir / "tests/2 bad");
  dir.Write("tests/2 bad/Org.ini.protocol", "1. Ячейка (5-1): Не указан месяц\n");
  dir.Write("tests/2 bad/Title.ini.protocol", "1. Ячейка (2): Лишнее\n");

  testing::CliRun r = Reportctl(dir, {"rules-test", dir / "tests"});
  EXPECT_EQ(r.exitCode, 3) << ReadFile(dir / "stderr.txt");
  EXPECT_EQ(r.out,
            "1 good: ok\n"
            "2 bad: расхождения\n"
            "  Title.ini\n"
            "    - 1. Ячейка (2): Лишнее\n"
            "  Org.ini\n"
            "    - 1. Ячейка (5-1): Не указан месяц\n"
            "    + 1. Ячейка (5-1): Не указан год\n"
            "тестов: 2, с расхождениями: 1, не прочитано: 0\n");

  std::filesystem::remove(dir / "tests/2 bad/Title.ini.protocol");
  dir.Write("tests/2 bad/Org.ini.protocol", "1. Ячейка (5-1): Не указан год\r\n\r\n");
  r = Reportctl(dir, {"rules-test", dir / "tests"});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(Reportctl(dir, {"rules-test", dir / "tests/1 good/Org.ini.protocol"}).exitCode, 1);
}

}  // namespace
}  // namespace rpt
