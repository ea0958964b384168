// reportctl compare on the demo report against a last year's report made
// from it: the flagged cells are exactly those whose change crosses the
// thresholds, in fixed and growing tables alike.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <tuple>

#include "support/demo_report.h"
#include "support/run_reportctl.h"
#include "support/temp_folder.h"

namespace rpt::testing {
namespace {

// Last year's report: the demo report with its version put back a year
// and these figures as last year had them (this year's in the comment).
const char* const kLastYearEdits[] = {
    "Kadry.ini:2:3=300",    // 820: rose by more than 100 %
    "Kadry.ini:2:4=180",    // 360: doubled exactly, not flagged
    "Kadry.ini:2:5=501",    // 250: fell by more than 50 %
    "Kadry.ini:2:6=300",    // 150: halved exactly, not flagged
    "Kadry.ini:3:3=0",      // 120: from zero
    "Kadry.ini:3:7=",       // 10: not filled in last year
    "Fin.ini:5:4=100,0",    // 0,0: to zero
    "Stazh.ini:1:7=50",     // not filled in this year
    // A growing table's record is known by its texts: the first department
    // had another head last year, so its figures have no counterpart...
    "Podr.ini:1:5=Другой руководитель",
    "Podr.ini:1:6=640",     // 64: would be a fall of 90 % in the same row
    // ...while the second is found and compared.
    "Podr.ini:2:6=20",      // 120: rose by 500 %
};

std::string LastYearEditCommand() {
  std::string command = "python3 " + ShellQuote(std::string(REPORT_SOURCE_DIR) + "/tests/support/set_table_cells.py") +
                        " . --version 22_00_21";
  for (const char* edit : kLastYearEdits) command += " " + ShellQuote(edit);
  return command;
}

using Place = std::tuple<std::string, int, int>;  // file, row, column

// File, row and column of each CSV line after the heading.
std::set<Place> FlaggedPlaces(const std::string& csv) {
  std::set<Place> places;
  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string f; std::getline(parts, f, ';');) fields.push_back(f);
    if (fields.size() < 5) continue;
    places.emplace(fields[1], std::stoi(fields[3]), std::stoi(fields[4]));
  }
  return places;
}

class CompareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    thisYear_ = PackedDemoReport(dir_, "thisyear");
    lastYear_ = PackedDemoReport(dir_, "lastyear", LastYearEditCommand());
    ASSERT_FALSE(thisYear_.empty());
    ASSERT_FALSE(lastYear_.empty());
  }
  CliRun Compare(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"compare", "--program-folder", BuildProgramFolder(), thisYear_, lastYear_};
    args.insert(args.end(), extra.begin(), extra.end());
    return Reportctl(dir_, args);
  }
  TempFolder dir_;
  std::string thisYear_, lastYear_;
};

TEST_F(CompareTest, FlagsExactlyTheCellsOverTheThresholds) {
  const CliRun run = Compare({"--csv"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
            "Таблица;Файл;Ячейка;Строка;Графа;Прошлый год;Этот год;Изменение, %;Причина");
  EXPECT_EQ(FlaggedPlaces(run.out), (std::set<Place>{{"Kadry.ini", 2, 3},
                                                     {"Kadry.ini", 2, 5},
                                                     {"Kadry.ini", 3, 3},
                                                     {"Fin.ini", 5, 4},
                                                     {"Podr.ini", 2, 6}}));
  EXPECT_NE(run.out.find(";Kadry.ini;") , std::string::npos);
  EXPECT_NE(run.out.find(";300;820;173,3;рост более чем на 100 %\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(";100,0;0,0;-100,0;стало 0\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(";0;120;;было 0\n"), std::string::npos) << run.out;
}

TEST_F(CompareTest, ThresholdsFromTheCommandLine) {
  // 30 % either way takes in the exact doubling and halving too; without
  // the zero rule the fall to zero still counts as a fall and the rise
  // from zero has no percentage.
  const CliRun run = Compare({"--csv", "--threshold", "30", "--no-zero"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(FlaggedPlaces(run.out), (std::set<Place>{{"Kadry.ini", 2, 3},
                                                     {"Kadry.ini", 2, 4},
                                                     {"Kadry.ini", 2, 5},
                                                     {"Kadry.ini", 2, 6},
                                                     {"Fin.ini", 5, 4},
                                                     {"Podr.ini", 2, 6}}));
  EXPECT_NE(run.out.find(";100,0;0,0;-100,0;снижение более чем на 30 %\n"), std::string::npos) << run.out;
}

TEST_F(CompareTest, TextLinesAndCount) {
  const CliRun run = Compare({});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find(", строка 2, графа 3: было 300, стало 820 (+173,3 %) - рост более чем на 100 %\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("отмечено ячеек: 5\n"), std::string::npos) << run.out;
}

TEST_F(CompareTest, RefusesThisYearsReportAndMissingOnes) {
  CliRun run = Reportctl(dir_, {"compare", "--program-folder", BuildProgramFolder(), thisYear_, thisYear_});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("содержит отчет не прошлого года."), std::string::npos) << run.err;
  run = Reportctl(dir_, {"compare", "--program-folder", BuildProgramFolder(), thisYear_, dir_.path()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("не содержит отчета."), std::string::npos) << run.err;
  run = Reportctl(dir_, {"compare", "--program-folder", BuildProgramFolder(), thisYear_});
  EXPECT_EQ(run.exitCode, 2);
}

}  // namespace
}  // namespace rpt::testing
