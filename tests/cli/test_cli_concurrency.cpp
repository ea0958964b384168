// Fifty pairs of reportctl set on different cells of one report, started
// together. Each pair: both processes end; a process that exited 0 has its
// value in the package, one that did not was refused with the holder's
// name; the package always opens. In every second pair both wait for the
// lock (--wait), and then both changes must arrive.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/codec.h"
#include "core/archive/package.h"
#include "core/report/report_fixture.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

// reportctl started with stderr into `errFile`; its process id.
pid_t Start(const std::vector<std::string>& args, const std::string& errFile) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(err, 2);
    ::dup2(null, 1);
    std::vector<char*> argv{const_cast<char*>("reportctl")};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(REPORTCTL_PATH, argv.data());
    ::_exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// "Cap=" of the integer cell of a table file of the package.
std::string Packed(const TempFolder& dir, const std::string& package, const std::string& table) {
  const std::string out = dir / "check/";
  fs::remove_all(out);
  UnpackPackage(package, out);  // raises for a package that does not open
  const std::string text = ReadFile(out + table);
  const auto cap = text.find("Cap=");
  return text.substr(cap + 4, text.find("\r\n", cap) - cap - 4);
}

TEST(CliConcurrency, FiftyPairsOfSavesLoseNoChangeWithoutSayingSo) {
  TempFolder dir;
  const FolderSet f = testing::MakeProgram(dir);
  const std::string report = testing::MakeReport(dir, "r", testing::BlankReportFiles());
  const std::string package = report + "Report.rpt";
  int refused = 0, bothSaved = 0;
  for (int pair = 0; pair < 50; ++pair) {
    SCOPED_TRACE(pair);
    const bool wait = pair % 2 == 1;
    const std::string a = std::to_string(1000 + pair), b = std::to_string(2000 + pair);
    auto args = [&](const std::string& table, const std::string& value) {
      std::vector<std::string> v{"set", "--program-folder", f.program};
      if (wait) v.insert(v.end(), {"--wait", "30"});
      v.insert(v.end(), {report, table, "2", value});
      return v;
    };
    const std::string errA = dir / "a.err", errB = dir / "b.err";
    const pid_t pa = Start(args("T1", a), errA);
    const pid_t pb = Start(args("T2", b), errB);
    const int ca = Wait(pa), cb = Wait(pb);
    std::string t1, t2;
    ASSERT_NO_THROW(t1 = Packed(dir, package, "T1.ini")) << "the package opens";
    t2 = Packed(dir, package, "T2.ini");
    for (const auto& [code, value, packed, err] :
         {std::tuple{ca, a, t1, errA}, std::tuple{cb, b, t2, errB}}) {
      if (code == 0) {
        EXPECT_EQ(packed, value) << "a change reported as saved is in the package";
      } else {
        EXPECT_EQ(code, 1);
        EXPECT_NE(ReadFile(err).find("уже открыт другой программой"), std::string::npos) << ReadFile(err);
        ++refused;
      }
    }
    if (wait) {
      EXPECT_EQ(ca, 0) << ReadFile(errA);
      EXPECT_EQ(cb, 0) << ReadFile(errB);
    }
    if (ca == 0 && cb == 0) ++bothSaved;
  }
  std::printf("pairs: 50, both saved: %d, refused: %d\n", bothSaved, refused);
  EXPECT_GE(bothSaved, 25);
}

}  // namespace
}  // namespace rpt
