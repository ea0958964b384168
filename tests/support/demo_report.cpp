#include "support/demo_report.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

namespace rpt::testing {

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

ShellRun RunShell(const std::string& command) {
  ShellRun r{};
  FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r");
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string BuildProgramFolder() { return std::filesystem::path(REPORTCTL_PATH).parent_path().string(); }

std::string PackedDemoReport(const TempFolder& dir, const std::string& name, const std::string& edit) {
  const std::string src = dir / ("src-" + name);
  const std::string script = std::string(REPORT_SOURCE_DIR) + "/data/tools/installation/gen_demo.py";
  if (RunShell("python3 " + ShellQuote(script) + " " + ShellQuote(src) + " >/dev/null").exitCode != 0) return {};
  const std::string tables = src + "/Demo2022";
  if (!edit.empty() && RunShell("cd " + ShellQuote(tables) + " && " + edit).exitCode != 0) return {};
  const std::string report = dir / name;
  std::filesystem::create_directories(report);
  if (RunShell(ShellQuote(REPORTCTL_PATH) + " pack " + ShellQuote(tables) + " " + ShellQuote(report + "/Report.rpt"))
          .exitCode != 0)
    return {};
  return report;
}

}  // namespace rpt::testing
