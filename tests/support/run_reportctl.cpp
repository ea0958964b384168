#include "support/run_reportctl.h"

#include <sys/wait.h>

#include <cstdio>

namespace rpt::testing {

namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

CliRun Reportctl(const TempFolder& dir, std::initializer_list<std::string> args) {
  return Reportctl(dir, std::vector<std::string>(args));
}

CliRun Reportctl(const TempFolder& dir, const std::vector<std::string>& args) {
  std::string cmd = Quote(REPORTCTL_PATH);
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " 2>" + Quote(dir / "stderr.txt");
  CliRun r{};
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = ReadFile(dir / "stderr.txt");
  return r;
}

}  // namespace rpt::testing
