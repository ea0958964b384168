// reportctl new / open / set end to end, and the crash safety of saving:
// `set` killed at random moments never leaves a report that does not open.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "core/foundation/codec.h"
#include "core/report/report_state.h"
#include "core/report/report_fixture.h"
#include "support/run_reportctl.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;

struct CmdResult {
  int exitCode;
  std::string out;
};

// `env`: assignments put before the command ("NAME=value ").
CmdResult Reportctl(const std::string& args, const std::string& env = "") {
  const std::string cmd = env + std::string(REPORTCTL_PATH) + " " + args + " 2>/dev/null";
  FILE* pipe = ::popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Every file below the folder with its modification time and content.
std::vector<std::string> Snapshot(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    std::string line = e.path().string();
    if (e.is_regular_file()) {
      struct stat st {};
      ::stat(e.path().c_str(), &st);
      line += ":" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + ":" +
              ReadFile(e.path().string());
    }
    out.push_back(line);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The value of cell 2 of the report's first table, as a fresh program loads it.
std::optional<std::string> LoadedValue(const FolderSet& program, const std::string& folder) {
  ScriptedInteraction ui;
  TempFolder area;
  FolderSet f = FolderSet::FromProgramFolder(program.program);
  f.working = area / "work/";
  f.templates = area / "tabini/";
  f.subreports = f.working + "Subreports/";
  TReportState state(f, ui);
  state.OpenReportFolder(folder);
  if (!state.treeVisible || state.tables().size() != 2 || !ui.messages.empty()) return std::nullopt;
  return CellByNumber(state.tables()[0].table->data, 2)->label.caption;
}

TEST(CliReport, NewOpenSet) {
  TempFolder dir;
  const FolderSet f = testing::MakeProgram(dir);
  const std::string P = "--program-folder " + Quote(f.program);

  CmdResult r = Reportctl("new " + P);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, f.program + "Отчет1/\n");
  EXPECT_EQ(Reportctl("new " + P).out, f.program + "Отчет2/\n");
  EXPECT_EQ(Reportctl("new " + P + " --sub").out, f.program + "Подотчет1/\n");
  EXPECT_EQ(Reportctl("new " + P + " " + Quote(dir / "mine")).exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "mine/Report.rpt"), ReadFile(f.TemplatePackage()));
  EXPECT_EQ(Reportctl("new " + P + " " + Quote(dir / "mine")).exitCode, 1);  // holds a report
  // Without the option the program's own folder is used (see the package
  // test); the option without its folder is a usage error.
  EXPECT_EQ(Reportctl("new --program-folder").exitCode, 2);

  const std::string report = f.program + "Отчет1/";
  const auto before = Snapshot(f.program);
  const std::string tmp = dir / "tmp";
  fs::create_directories(tmp);
  r = Reportctl("open " + P + " " + Quote(report), "TMPDIR=" + Quote(tmp) + " ");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "Таблица 1\tT1.ini\tnorm\nТаблица 2\tT2.ini\tnorm\n") << r.out;
  EXPECT_EQ(Snapshot(f.program), before);  // nothing written, not even the working folder
  // The private working area (its unpacked report emptied as soon as the
  // tables were read) is gone.
  EXPECT_TRUE(fs::is_empty(tmp));
  EXPECT_EQ(Reportctl("open " + P + " " + Quote(dir / "nothing")).exitCode, 1);

  r = Reportctl("set " + P + " " + Quote(report) + " T1 2 0");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "Таблица 1\tT1.ini\tempty\nТаблица 2\tT2.ini\tnorm\n") << r.out;
  EXPECT_EQ(LoadedValue(f, report), "0");
  EXPECT_EQ(Reportctl("set " + P + " " + Quote(report) + " T9 2 1").exitCode, 1);
  EXPECT_EQ(Reportctl("set " + P + " " + Quote(report) + " T1 x 1").exitCode, 2);
}

TEST(CliReport, OpenReportsAFormulaErrorAndStillOpens) {
  TempFolder dir;
  const FolderSet f = testing::MakeProgram(dir);
  const std::string report = testing::MakeReport(dir, "divide", testing::FormulaErrorReportFiles());
  const testing::CliRun r = testing::Reportctl(dir, {"open", "--program-folder", f.program, report});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "Ошибка: Сведения о кадрах\r\nЯчейка 5\r\nDivide by zero\n");
  EXPECT_EQ(r.out, "Сведения о кадрах\tT1.ini\tnorm\nТаблица 2\tT2.ini\tnorm\n");
}

// A report large enough that packing takes a noticeable part of a run.
std::vector<std::pair<std::string, std::string>> LargeReport() {
  auto files = testing::BlankReportFiles();
  std::string big = "[Table]\nFixed=0\nCount=3001\n\n[Cell_2]\nState=D\nType=2\nVis=10 10 40 20 5 0\nCap=0\n\n";
  for (int n = 3; n <= 3001; ++n)
    big += "[Cell_" + std::to_string(n) + "]\nState=D\nType=1\nVis=10 " + std::to_string(n * 20) +
           " 40 20 5 0\nCap=текст ячейки номер " + std::to_string(n * 7919 % 100003) + "\n\n";
  files[1].second = testing::Win(big);
  return files;
}

TEST(CliReportCrash, KilledWhileSavingAlwaysLeavesAReportThatOpens) {
  TempFolder dir;
  const FolderSet f = testing::MakeProgram(dir);
  const std::string report = testing::MakeReport(dir, "crash", LargeReport());
  const std::string P = "--program-folder " + Quote(f.program);

  // How long one save takes, to spread the kills over the whole run.
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(Reportctl("set " + P + " " + Quote(report) + " T1 2 1").exitCode, 0);
  const auto runTime = std::chrono::steady_clock::now() - t0;
  std::string committed = "1";

  // The killed runs' private working areas land here and go with the test.
  const std::string tmp = dir / "tmp";
  fs::create_directories(tmp);
  std::mt19937 rng(20261210);
  const auto maxDelay = std::chrono::duration_cast<std::chrono::microseconds>(runTime).count() * 12 / 10;
  std::uniform_int_distribution<long> delay(0, std::max<long>(maxDelay, 1000));
  int opened = 0, killedMidway = 0, newContent = 0;
  constexpr int kRuns = 200;
  for (int i = 0; i < kRuns; ++i) {
    const std::string value = std::to_string(i + 2);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::setenv("TMPDIR", tmp.c_str(), 1);
      ::execl(REPORTCTL_PATH, "reportctl", "set", "--program-folder", f.program.c_str(), report.c_str(), "T1",
              "2", value.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay(rng)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) ++killedMidway;

    const auto loaded = LoadedValue(f, report);
    ASSERT_TRUE(loaded) << "run " << i << ": the report does not open";
    ASSERT_TRUE(*loaded == committed || *loaded == value) << "run " << i << ": " << *loaded;
    if (*loaded == value) {
      ++newContent;
      committed = value;
    }
    ++opened;
  }
  std::printf("crash safety: %d of %d killed saves left a report that opens (%d killed before exit, %d with the new value)\n",
              opened, kRuns, killedMidway, newContent);
  EXPECT_EQ(opened, kRuns);
}

}  // namespace
}  // namespace rpt
