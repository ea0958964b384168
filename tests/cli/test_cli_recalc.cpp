// reportctl recalc end to end: the changed formula cells of a report
// folder, nothing written, and the bundled reports.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/calc/recalc.h"
#include "core/foundation/codec.h"
#include "core/calc/open_tables.h"
#include "core/calc/structure.h"
#include "core/calc/table_map.h"
#include "core/tables/table.h"
#include "support/scripted_interaction.h"
#include "support/text.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CliRun Shell(const TempFolder& dir, const std::string& command) {
  const std::string cmd = command + " 2>" + Quote(dir / "stderr.txt");
  CliRun r{};
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = ReadFile(dir / "stderr.txt");
  return r;
}

CliRun Recalc(const TempFolder& dir, const std::string& folder) {
  return Shell(dir, Quote(REPORTCTL_PATH) + " recalc " + Quote(folder));
}

using testing::Win;

std::string Structure(int count, const std::string& items) {
  return "[Отчет]\nНазвание=Отчет\nКоличество_разделов=1\nВерсия=23_00_22\n\n"
         "[Раздел_1]\nНазвание=Раздел\nКоличество_пунктов=" + std::to_string(count) + "\nУдален=0\n\n" + items;
}

std::string Grid(const std::string& cells, int count, int cols) {
  return "[Table]\nFixed=1\nRowCount=1\nColCount=" + std::to_string(cols) + "\nCount=" + std::to_string(count) +
         "\n\n" + cells;
}

// Stages the bundled installation (Windows-1251) and returns its TabIni.
std::string StageBlankReport(const TempFolder& dir) {
  const std::string script = std::string(REPORT_SOURCE_DIR) + "/data/tools/installation/stage.py";
  const CliRun r = Shell(dir, "python3 " + Quote(script) + " " + Quote(dir / "staging") + " >/dev/null");
  if (r.exitCode != 0) return {};
  return dir / "staging/TabIni/";
}

TEST(CliRecalc, PrintsTheChangedFormulaCellsAndWritesNothing) {
  TempFolder dir;
  const std::string folder = dir / "rep/";
  dir.Write("rep/R.str", Win(Structure(3, "[Пункт_1_1]\nНазвание=Итоги\nТип=0\nФайл=Sum.ini\n\n"
                                       "[Пункт_1_2]\nНазвание=Данные\nТип=0\nФайл=Data.ini\n\n"
                                       "[Пункт_1_3]\nНазвание=Лишняя\nТип=0\nФайл=Gone.ini\nУдален=1\n")));
  dir.Write("rep/Sum.ini", Win(Grid("[Cell_2]\nCol=1\nRow=1\nType=7\nDec=1\nForm=7 0 Data[(1:3)]/4\nCap=1,0\n\n"
                                    "[Cell_3]\nCol=2\nRow=1\nType=7\nDec=-1\nForm=7 0 Data[(1:1)]\nCap=\n",
                                    2, 2)));
  dir.Write("rep/Data.ini", Win(Grid("[Cell_2]\nCol=1\nRow=1\nType=1\nCap=два слова\n\n"
                                     "[Cell_3]\nCol=2\nRow=1\nType=2\nCap=5\n\n"
                                     "[Cell_4]\nCol=3\nRow=1\nType=7\nDec=0\nForm=0 1\nCap=5\n",
                                     3, 3)));
  const std::string before = ReadFile(folder + "Sum.ini") + ReadFile(folder + "Data.ini");
  const CliRun r = Recalc(dir, folder);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Sum 1-1: 1,0 -> 1,3\nSum 1-2:  -> два слова\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(folder + "Sum.ini") + ReadFile(folder + "Data.ini"), before);
  EXPECT_FALSE(fs::exists(folder + "Temp.tmp"));

  // A malformed reference: named with its table and cell as opening the
  // report names it, and the exit is not 0.
  dir.Write("rep/Data.ini", Win(Grid("[Cell_2]\nCol=1\nRow=1\nType=7\nDec=0\nForm=8 0 (1:z)\nCap=1\n", 1, 1)));
  const CliRun bad = Recalc(dir, folder);
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "Ошибка: Data\r\nЯчейка 1-1\r\nНеверная ссылка \"(1:z)\" в формуле: таблица \"Data\", Ячейка 1-1.\n");

  // A table file that is missing stops the load.
  fs::remove(folder + "Data.ini");
  const CliRun missing = Recalc(dir, folder);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Ошибка: Отсутствует таблица \"" + folder + "Data.ini\".\r\nЗагрузка отчета прекращена.\n");
  EXPECT_EQ(Recalc(dir, dir / "nowhere").exitCode, 1);
}

TEST(CliRecalc, ACycleIsReportedAndTheRestIsCalculated) {
  TempFolder dir;
  const std::string folder = dir / "rep/";
  dir.Write("rep/R.str", Win(Structure(2, "[Пункт_1_1]\nНазвание=А\nТип=0\nФайл=A.ini\n\n"
                                       "[Пункт_1_2]\nНазвание=Б\nТип=0\nФайл=B.ini\n")));
  dir.Write("rep/A.ini", Win(Grid("[Cell_2]\nCol=1\nRow=1\nType=7\nDec=0\nForm=7 0 B[(1:1)]+1\nCap=3\n", 1, 1)));
  dir.Write("rep/B.ini", Win(Grid("[Cell_2]\nCol=1\nRow=1\nType=7\nDec=0\nForm=7 0 A[(1:1)]+1\nCap=4\n\n"
                                  "[Cell_3]\nCol=2\nRow=1\nType=7\nDec=0\nForm=8 0 2*3\nCap=\n",
                                  2, 2)));
  const CliRun r = Recalc(dir, folder);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "A 1-1: 3 -> 0\nB 1-1: 4 -> 0\nB 1-2:  -> 6\n");
  EXPECT_NE(r.err.find("Формула ссылается сама на себя: таблица \"A\", Ячейка 1-1."), std::string::npos) << r.err;
}

// Every formula of the blank report calculates, and a recalculated report
// that was saved recalculates to itself.
TEST(CliRecalc, TheBlankReportCalculatesAndIsAFixedPointOnceSaved) {
  TempFolder dir;
  const std::string blank = StageBlankReport(dir);
  if (blank.empty()) GTEST_SKIP() << "the installation could not be staged";
  const CliRun first = Recalc(dir, blank);
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.err, "");
  EXPECT_NE(first.out, "");

  // Recalculate and save as the program does, into a copy.
  const std::string copy = dir / "copy/";
  fs::copy(blank, copy);
  const auto model = ReadStructure(*FindStructureFile(copy));
  ASSERT_TRUE(model);
  testing::ScriptedInteraction ui;
  TOpenTables open;
  TMapTables map;
  TCalcHooks engine(open, map, &ui);
  ReportEngineView view{copy, &map, &*model, {}};
  engine.Attach(view);
  TableContext ctx;
  ctx.hooks = &engine;
  ctx.listFolder = dir / "staging/TabLst/";
  std::vector<std::unique_ptr<TTable>> tables;
  for (const auto& section : model->sections)
    for (const auto& item : section.items) {
      if (item.excluded || section.excluded || item.kind != ItemKind::Table) continue;
      tables.push_back(std::make_unique<TTable>(ctx));
      tables.back()->LoadFromFile(copy + Cp1251ToUtf8(item.file));
      view.tables.push_back({tables.back().get(), item.title});
      engine.Attach(view);
    }
  engine.recalc().RecalcAllTables();
  for (auto& t : tables) t->SaveToFile(t->filePath, false);
  EXPECT_TRUE(ui.messages.empty());

  const CliRun again = Recalc(dir, copy);
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(again.out, "");
}

// The demo reports carry formula values computed by their generator: the
// program computes the same texts.
TEST(CliRecalc, TheDemoReportsAgreeWithTheirGenerator) {
  TempFolder dir;
  const std::string script = std::string(REPORT_SOURCE_DIR) + "/data/tools/installation/gen_demo.py";
  if (Shell(dir, "python3 " + Quote(script) + " " + Quote(dir / "demo") + " >/dev/null").exitCode != 0)
    GTEST_SKIP() << "the demo reports could not be generated";
  for (const char* report : {"Demo2022", "SubMech", "SubEco"}) {
    const CliRun r = Recalc(dir, dir / "demo/" + report);
    EXPECT_EQ(r.exitCode, 0) << report << ": " << r.err;
    EXPECT_EQ(r.out, "") << report;
  }
}

}  // namespace
}  // namespace rpt
