// reportctl pack / unpack / list / container end to end.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "support/run_reportctl.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using testing::ReadFile;
using testing::Reportctl;
using testing::TempFolder;

TEST(CliArchive, PackListUnpack) {
  TempFolder dir;
  const std::string file = dir.Write("work/Отчет.str", "[Отчет]");
  dir.Write("work/sub/inner.ini", "inner");
  std::tm tm{};
  tm.tm_year = 2023 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = 5;
  tm.tm_hour = 14;
  tm.tm_min = 7;
  tm.tm_sec = 9;  // stored with 2-second resolution
  tm.tm_isdst = -1;
  const std::time_t when = std::mktime(&tm);
  struct timespec times[2] = {{when, 0}, {when, 0}};
  ::utimensat(AT_FDCWD, file.c_str(), times, 0);

  EXPECT_EQ(Reportctl(dir, {"pack", dir / "work", dir / "Report.rpt"}).exitCode, 0);
  testing::CliRun list = Reportctl(dir, {"list", dir / "Report.rpt"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out, "Отчет.str\t12\t05.03.2023 14:07:08\n");
  EXPECT_EQ(Reportctl(dir, {"list", dir / "Report.rpt", "--no-exchange"}).exitCode, 1);

  EXPECT_EQ(Reportctl(dir, {"pack", dir / "work", dir / "plain.cab", "--no-exchange", "--recursive"}).exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "plain.cab").substr(0, 4), "MSCF");
  EXPECT_EQ(Reportctl(dir, {"unpack", dir / "plain.cab", dir / "out", "--no-exchange"}).exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "out/sub/inner.ini"), "inner");

  testing::CliRun bad = Reportctl(dir, {"unpack", dir / "plain.cab", dir / "out2"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, dir / "plain.cab" + ": Cabinet file does not have the correct format [0x0002]\n");
  EXPECT_EQ(Reportctl(dir, {"unpack", dir / "plain.cab"}).exitCode, 2);
}

// Whatever goes wrong, the message starts with the file it concerns.
TEST(CliArchive, ErrorsStartWithTheFileConcerned) {
  TempFolder dir;
  const std::string junk = dir.Write("junk.rpt", "not a cabinet at all");
  const std::string missing = dir / "missing.rpt";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"unpack", junk, dir / "out"}, junk},
      {{"list", junk}, junk},
      {{"unpack", missing, dir / "out"}, missing},
      {{"pack", dir / "no-such-folder", dir / "x/y/R.rpt"},
       dir / "x/y/R.rpt"},
      {{"container", dir / "send.gz", dir / "missing"}, dir / "send.gz"},
  };
  for (const auto& [args, file] : cases) {
    const testing::CliRun run = Reportctl(dir, args);
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_EQ(run.err.rfind(file + ": ", 0), 0u) << args[0] << ": " << run.err;
  }
}

TEST(CliArchive, HelpListsEveryExitCode) {
  TempFolder dir;
  const testing::CliRun help = Reportctl(dir, {"help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* code : {"  0  ", "  1  ", "  2  ", "  3  "}) EXPECT_NE(help.out.find(code), std::string::npos) << code;
}

TEST(CliArchive, Container) {
  TempFolder dir;
  const std::string a = dir.Write("R.txt", "abc");
  EXPECT_EQ(Reportctl(dir, {"container", dir / "send.gz", a}).exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "send.gz").substr(0, 2), "\x1F\x8B");
  EXPECT_EQ(Reportctl(dir, {"container", dir / "send.gz", dir / "missing"}).exitCode, 1);
}

}  // namespace
}  // namespace rpt
