// reportctl include / remove on the demo report: including and removing any
// set of departments' sub-reports gives back every byte of the report, and
// a killed include leaves the report as it was or as it is after, never
// half-summed.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"
#include "support/run_reportctl.h"
#include "support/temp_folder.h"

extern char** environ;

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::CliRun;
using testing::ReadFile;
using testing::Reportctl;
using testing::TempFolder;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Every file of an unpacked package, name -> bytes.
using Contents = std::map<std::string, std::string>;

// The demo report and its two departments' sub-reports, packed, with a
// program folder holding the bundled installation.
struct Demo {
  TempFolder dir;
  std::string program, report;
  std::string gen;
  bool ok = false;
  Demo() {
    const std::string script = std::string(REPORT_SOURCE_DIR) + "/data/tools/installation/gen_demo.py";
    gen = dir / "gen/";
    if (std::system(("python3 " + Quote(script) + " " + Quote(gen) + " >/dev/null 2>&1").c_str()) != 0) return;
    program = dir / "prog/";
    fs::create_directories(program + "Help");
    fs::copy(fs::path(REPORTCTL_PATH).parent_path() / "Help", program + "Help", fs::copy_options::recursive);
    report = Pack(gen + "Demo2022", "report");
    ok = true;
  }
  // Packs the folder `from` into dir/name/Report.rpt.
  std::string Pack(const std::string& from, const std::string& name) {
    fs::create_directories(dir / name);
    const CliRun r = Reportctl(dir, {"pack", from, dir / (name + "/Report.rpt")});
    if (r.exitCode != 0) throw std::runtime_error(r.err);
    return dir / (name + "/");
  }
  Contents Unpacked(const std::string& folder) {
    TempFolder out;
    const CliRun r = Reportctl(dir, {"unpack", folder + "Report.rpt", out.path()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    Contents c;
    for (const auto& e : fs::directory_iterator(out.path()))
      if (e.is_regular_file()) c[e.path().filename().string()] = ReadFile(e.path().string());
    return c;
  }
};

// A department's sub-report: the records and layout of `base` (an unpacked
// sub-report of the demo), every number input replaced by `value(cell)`.
void WriteSubreport(Demo& demo, const std::string& base, const std::string& name,
                    const std::function<std::string(const TCell&)>& value) {
  const std::string staging = demo.dir / ("stage-" + name + "/");
  fs::remove_all(staging);
  fs::copy(demo.gen + base, staging, fs::copy_options::recursive);
  TableContext context;
  for (const auto& e : fs::directory_iterator(staging)) {
    if (e.path().extension() != ".ini") continue;
    TTable t(context);
    t.LoadFromFile(e.path().string());
    for (const auto& row : t.data.rows) {
      // A department names each record it fills: the rows of a growing
      // table whose key texts are all blank stay blank. (Such rows all match
      // the report's first blank record, which the sort after a merge may
      // move among its equals.)
      bool named = !t.growing;
      for (const auto& cell : row->cells)
        if ((cell->type == cell_type::kText || cell->type == cell_type::kListValue) &&
            !tables::TrimText(cell->label.caption).empty())
          named = true;
      if (!named) continue;
      for (const auto& cell : row->cells)
        if (cell->type == cell_type::kInteger || cell->type == cell_type::kReal) cell->label.caption = value(*cell);
    }
    t.SaveToFile(e.path().string(), false);
  }
  demo.Pack(staging, name);
  fs::remove_all(staging);
}

TEST(CliSubreports, IncludingAndRemovingAnySetRestoresTheReportByteForByte) {
  Demo demo;
  if (!demo.ok) GTEST_SKIP() << "the demo reports could not be generated";
  std::mt19937 random(20231);
  const char* bases[] = {"SubMech", "SubEco"};
  std::vector<std::string> zero, valued;
  for (int k = 0; k < 6; ++k) {
    const std::string base = bases[k % 2];
    const std::string name = "dep" + std::to_string(k);
    WriteSubreport(demo, base, name + "z", [](const TCell& cell) {
      return cell.type == cell_type::kInteger ? std::string("0") : tables::FormatFixed(0, cell.Dec);
    });
    WriteSubreport(demo, base, name, [&](const TCell& cell) {
      if (cell.type == cell_type::kInteger) return std::to_string(random() % 2000);
      const long double v = static_cast<long double>(random() % 10000000) / 1000;
      return tables::FormatFixed(v, cell.Dec);
    });
    zero.push_back(demo.dir / (name + "z/"));
    valued.push_back(demo.dir / (name + "/"));
  }
  auto run = [&](const char* command, const std::vector<std::string>& folders) {
    std::vector<std::string> args = {command, "--program-folder", demo.program, demo.report};
    args.insert(args.end(), folders.begin(), folders.end());
    std::string line = Quote(REPORTCTL_PATH);
    for (const auto& a : args) {
      line += ' ';
      line += Quote(a);
    }
    const int rc = std::system((line + " >/dev/null 2>" + Quote(demo.dir / "err.txt")).c_str());
    EXPECT_EQ(rc, 0) << command << ": " << ReadFile(demo.dir / "err.txt");
  };
  // A report that sub-reports have touched holds every record they bring,
  // a number in every numeric cell and its growing tables sorted: sub-reports
  // of zeros with the same records make it so.
  run("include", zero);
  run("remove", zero);
  const Contents normal = demo.Unpacked(demo.report);

  for (int round = 0; round < 3; ++round) {
    std::vector<std::string> chosen;
    for (const auto& f : valued)
      if (random() % 2) chosen.push_back(f);
    if (chosen.empty()) chosen.push_back(valued[round]);
    run("include", chosen);
    const Contents summed = demo.Unpacked(demo.report);
    EXPECT_NE(summed, normal);
    std::shuffle(chosen.begin(), chosen.end(), random);
    // Removed in two runs, in another order than included.
    const std::size_t half = chosen.size() / 2;
    if (half > 0) run("remove", std::vector<std::string>(chosen.begin(), chosen.begin() + half));
    run("remove", std::vector<std::string>(chosen.begin() + half, chosen.end()));
    const Contents back = demo.Unpacked(demo.report);
    ASSERT_EQ(back.size(), normal.size());
    for (const auto& [name, bytes] : normal) EXPECT_TRUE(back.at(name) == bytes) << "round " << round << ": " << name;
  }
}

TEST(CliSubreports, AKilledIncludeLeavesTheReportBeforeOrAfter) {
  Demo demo;
  if (!demo.ok) GTEST_SKIP() << "the demo reports could not be generated";
  const std::string mech = demo.Pack(demo.gen + "SubMech", "mech"), eco = demo.Pack(demo.gen + "SubEco", "eco");
  const std::string saved = demo.dir / "saved.rpt";
  fs::copy_file(demo.report + "Report.rpt", saved);
  const Contents before = demo.Unpacked(demo.report);
  ASSERT_EQ(Reportctl(demo.dir, {"include", "--program-folder", demo.program, demo.report, mech, eco}).exitCode, 0);
  const Contents after = demo.Unpacked(demo.report);
  ASSERT_NE(before, after);

  // How long a whole run takes, to spread the kills over it.
  const auto reset = [&] {
    for (const auto& e : fs::directory_iterator(demo.report)) fs::remove(e.path());
    fs::copy_file(saved, demo.report + "Report.rpt");
  };
  reset();
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(Reportctl(demo.dir, {"include", "--program-folder", demo.program, demo.report, mech, eco}).exitCode, 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);

  // A killed reportctl cannot remove its private working folder: they go
  // into the test's folder, which goes with the test.
  const std::string tmp = demo.dir / "tmp";
  fs::create_directories(tmp);
  std::vector<std::string> envStrings = {"TMPDIR=" + tmp};
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("TMPDIR=", 0) != 0) envStrings.emplace_back(*e);
  std::vector<char*> env;
  for (auto& e : envStrings) env.push_back(e.data());
  env.push_back(nullptr);

  std::mt19937 random(7);
  int sawBefore = 0, sawAfter = 0;
  for (int i = 0; i < 100; ++i) {
    reset();
    std::vector<std::string> args = {REPORTCTL_PATH, "include", "--program-folder", demo.program, demo.report, mech, eco};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, REPORTCTL_PATH, &actions, nullptr, argv.data(), env.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Up to twice the measured run: on a loaded machine a run can take
    // longer than the one measured, and the late kills still have to land
    // after the replacement now and then.
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (2 * whole.count() + 1)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const Contents now = demo.Unpacked(demo.report);
    const bool isBefore = now == before, isAfter = now == after;
    EXPECT_TRUE(isBefore || isAfter) << "kill " << i;
    sawBefore += isBefore;
    sawAfter += isAfter;
  }
  std::printf("100 kills: %d left the report before, %d after\n", sawBefore, sawAfter);
  // The kills fell on both sides of the replacement.
  EXPECT_GT(sawBefore, 0);
  EXPECT_GT(sawAfter, 0);
}

// A department's sub-report made, filled and included from the command
// line: only its table and what computes from it change, and a second
// inclusion is refused.
TEST(CliSubreports, CreateSetIncludeListAndRefuseTwice) {
  Demo demo;
  if (!demo.ok) GTEST_SKIP() << "the demo reports could not be generated";
  const std::string dep = demo.dir / "Кафедра 1/";
  const CliRun created = Reportctl(demo.dir, {"subreport", "create", "--program-folder", demo.program, demo.report, dep, "Kadry"});
  ASSERT_EQ(created.exitCode, 0) << created.err;
  const CliRun set = Reportctl(demo.dir, {"set", "--program-folder", demo.program, dep, "Kadry.ini", "2-3", "4"});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(set.out.find("Fin.ini"), std::string::npos) << "only the chosen table is in the sub-report";

  const Contents before = demo.Unpacked(demo.report);
  const CliRun included = Reportctl(demo.dir, {"include", "--program-folder", demo.program, demo.report, dep});
  ASSERT_EQ(included.exitCode, 0) << included.err;
  EXPECT_NE(included.out.find(dep + "\tKadry.ini\t"), std::string::npos) << included.out;
  EXPECT_EQ(included.out.find("Fin.ini"), std::string::npos) << included.out;
  const Contents after = demo.Unpacked(demo.report);
  // Kadry changed, Pokaz computes from it, the structure lists the sub-report.
  for (const auto& [name, bytes] : before) {
    if (name != "Kadry.ini" && name != "Pokaz.ini" && name.find(".str") == std::string::npos) {
      EXPECT_TRUE(after.at(name) == bytes) << name;
    }
  }
  TempFolder t;
  const std::string kadry = t.Write("Kadry.ini", after.at("Kadry.ini"));
  const CliRun shown = Reportctl(demo.dir, {"table", "show", kadry});
  EXPECT_NE(shown.out.find("\n30 D 2 3 2 824\n"), std::string::npos) << "820 + 4";

  const CliRun listed = Reportctl(demo.dir, {"subreports", "--program-folder", demo.program, demo.report});
  EXPECT_EQ(listed.out, "1. " + dep + "\n");
  const CliRun again = Reportctl(demo.dir, {"include", "--program-folder", demo.program, demo.report, dep});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("Отчет уже содержит выбранный Вами подотчет."), std::string::npos) << again.err;
}

}  // namespace
}  // namespace rpt
