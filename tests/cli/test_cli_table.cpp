// reportctl table show / resave and datalines, end to end.
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

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::Reportctl;
using testing::TempFolder;

const std::string kFixtures = std::string(REPORT_TEST_FIXTURES) + "/tables/";

// The fixtures were written by the program: a resave gives the same bytes.
TEST(CliTable, ResaveOfProgramWrittenFilesIsByteIdentical) {
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(kFixtures)) {
    if (entry.path().extension() != ".ini") continue;
    ++seen;
    TempFolder dir;
    const std::string out = dir / "out.ini";
    const testing::CliRun r = Reportctl(dir, {"table", "resave", entry.path().string(), out, "--lists", kFixtures});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(out), ReadFile(entry.path().string())) << entry.path();
  }
  EXPECT_EQ(seen, 3);
}

TEST(CliTable, ShowPrintsCellsAndTheGrid) {
  TempFolder dir;
  const testing::CliRun r = Reportctl(dir, {"table", "show", kFixtures + "grid.ini"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "kind: grid\nRowCount: 2\nColCount: 3\n"
            "2 H 0 0 10 Таблица 1||Кадры\n3 T 0 0 8 1\n4 D 1 1 1  текст\n5 D 1 2 2 12\n"
            "6 D 1 3 6 Тула\n7 D 2 1 3 12,50\n8 D 2 2 7 24,5\n9 D 2 3 4 01.02.2023\n"
            "10 B 0 0 0 Подпись\n"
            " текст | 12 | Тула\n12,50 | 24,5 | 01.02.2023\n");
  const testing::CliRun g = Reportctl(dir, {"table", "show", kFixtures + "growing.ini"});
  EXPECT_EQ(g.out, "kind: growing\nRowCount: 2\nColCount: 3\n1 | Иванов | Тула\n2 |  | \n");
}

TEST(CliTable, DataLinesOfSeveralTables) {
  TempFolder dir;
  const testing::CliRun r = Reportctl(dir, {"datalines", kFixtures + "form.ini", kFixtures + "growing.ini"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, Utf8ToCp1251("t:form\r\nl:Cities.lst/42\r\n"
                                "f:105000003, 101000004, 103000004\r\n"
                                "v:'строкавторая'\\ 'Орёл'#1\\ 2.500\r\n"
                                "t:growing\r\nl:Cities.lst/42\r\nf:105000001, 101000001\r\n"
                                "v:'Иванов'\\ 'Тула'#1\r\n"));
}

TEST(CliTable, FailedSaveExitsWithTheMessageAndWritesNothing) {
  TempFolder dir;
  const std::string in = dir.Write(
      "bad.ini", Utf8ToCp1251("[Table]\r\nCount=1\r\n\r\n[Cell_2]\r\nType=3\r\nCap=abc\r\n"));
  const testing::CliRun r = Reportctl(dir, {"table", "resave", in, dir / "out.ini"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Таблица \"bad.ini\" не сохранена: значение ячейки 2 \"abc\" не является числом.\n");
  EXPECT_FALSE(fs::exists(dir / "out.ini"));
  EXPECT_EQ(Reportctl(dir, {"table", "show"}).exitCode, 2);
  EXPECT_EQ(Reportctl(dir, {"table", "show", dir / "none.ini"}).exitCode, 1);
}

}  // namespace
}  // namespace rpt
