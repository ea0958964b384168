// reportctl import-last-year and import-this-year with the demo reports and
// the bundled installation: last year's tables taken over into a blank
// report are compared with last year's cell by cell.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/codec.h"
#include "core/foundation/my_ini_file.h"
#include "core/import/import_common.h"
#include "core/import/this_year_import.h"
#include "core/archive/package.h"
#include "core/calc/structure.h"
#include "support/run_reportctl.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using namespace literals;
using testing::CliRun;
using testing::Reportctl;
using testing::TempFolder;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The demo reports packed, and a program folder with the bundled
// installation's packages. False when the demo could not be generated.
bool Stage(const TempFolder& dir) {
  const std::string script = std::string(REPORT_SOURCE_DIR) + "/data/tools/installation/gen_demo.py";
  if (std::system(("python3 " + Quote(script) + " " + Quote(dir / "demo") + " >/dev/null").c_str()) != 0)
    return false;
  for (const char* report : {"LastYear2021", "Demo2022"}) {
    const std::string folder = dir / "demo/" + report;
    if (Reportctl(dir, {"pack", folder, folder + "/Report.rpt"}).exitCode != 0) return false;
  }
  const fs::path installed = fs::path(REPORTCTL_PATH).parent_path() / "Help/Data";
  fs::create_directories(dir / "prog/Help/Data");
  for (const char* package : {"TI.a", "TL.a", "TP.a", "S.a"})
    fs::copy_file(installed / package, dir / "prog/Help/Data/" + package);
  return Reportctl(dir, {"new", "--program-folder", dir / "prog", dir / "prog/blank"}).exitCode == 0;
}

struct CellRecord {
  int type = 0;
  std::string state, cap;
};

std::vector<CellRecord> Cells(const std::string& path) {
  TMyIniFile ini(path);
  std::vector<CellRecord> cells;
  const int count = ini.ReadInteger("Table", "Count", 0);
  for (int n = 2; n <= count; ++n) {
    const std::string section = "Cell_" + std::to_string(n);
    cells.push_back({ini.ReadInteger(section, "Type", 0), ini.ReadString(section, "State", ""),
                     ini.ReadString(section, "Cap", "")});
  }
  ini.DiscardChanges();
  return cells;
}

TEST(CliImport, LastYearsTablesArriveCellByCell) {
  TempFolder dir;
  if (!Stage(dir)) GTEST_SKIP() << "the demo reports could not be generated";
  const CliRun r = Reportctl(
      dir, {"import-last-year", "--program-folder", dir / "prog", dir / "prog/blank", dir / "demo/LastYear2021"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("1. Таблица \""), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("отсутствует"), std::string::npos) << r.out;

  UnpackPackage(dir / "prog/blank/Report.rpt", dir / "after/");
  UnpackPackage(dir / "prog/Help/Data/TI.a", dir / "blank/");
  const std::vector<ImportEntry> entries = ReadImportEntries(dir / "blank/");
  ASSERT_FALSE(entries.empty());
  int tables = 0;
  for (const auto& e : entries) {
    const std::string from = dir / "demo/LastYear2021/" + Cp1251ToUtf8(e.lastYearFile);
    const std::string to = Cp1251ToUtf8(e.thisYearFile);
    if (ImportKindOf(e.lastYearFile) == ImportKind::Document) {
      EXPECT_EQ(testing::ReadFile(dir / "after/" + to), testing::ReadFile(from)) << to;
      continue;
    }
    ++tables;
    const auto last = Cells(from), now = Cells(dir / "after/" + to), blank = Cells(dir / "blank/" + to);
    ASSERT_EQ(now.size(), last.size()) << to;
    for (std::size_t i = 0; i < now.size(); ++i) {
      const std::string where = to + " Cell_" + std::to_string(i + 2);
      EXPECT_EQ(now[i].type, last[i].type) << where;
      if (last[i].state.find('H') != std::string::npos && i < blank.size() && now[i].cap == blank[i].cap)
        continue;  // the leftmost heading is this year's
      // Formula cells are computed again from this year's report.
      if (last[i].type == 7) continue;
      const bool number = last[i].type == 2 || last[i].type == 3;
      EXPECT_EQ(now[i].cap, !e.keepNumbers && number ? "" : last[i].cap) << where;
    }
  }
  EXPECT_GT(tables, 0);
}

TEST(CliImport, ThisYearsReportByTitleAndAnUnknownTitle) {
  TempFolder dir;
  if (!Stage(dir)) GTEST_SKIP() << "the demo reports could not be generated";
  const auto structure = ReadStructure(*FindStructureFile(dir / "demo/Demo2022/"));
  ASSERT_TRUE(structure);
  const std::string title = Cp1251ToUtf8(OfferedTitles(*structure).at(0));
  const std::vector<std::string> base = {"import-this-year", "--program-folder", dir / "prog", dir / "prog/blank",
                                         dir / "demo/Demo2022/Report.rpt"};
  CliRun r = Reportctl(dir, {base[0], base[1], base[2], base[3], base[4], title});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("1. ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\"" + title + "\" импортирован"), std::string::npos) << r.out;

  r = Reportctl(dir, {base[0], base[1], base[2], base[3], base[4], "Нет такой"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "1. В открытом отчете элемент \"Нет такой\" отсутствует.\n");

  r = Reportctl(dir, {base[0], base[1], base[2], base[3], dir / "demo/LastYear2021", title});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Отчет не той версии."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace rpt
