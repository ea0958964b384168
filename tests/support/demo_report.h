// The demo report packed for end-to-end tests of reportctl, and the shell
// calls those tests make.
#pragma once

#include <string>

#include "support/temp_folder.h"

namespace rpt::testing {

// `s` quoted for the shell.
std::string ShellQuote(const std::string& s);

struct ShellRun {
  int exitCode;
  std::string out;  // stdout; stderr is dropped
};
ShellRun RunShell(const std::string& command);

// The folder of reportctl, which is also the program folder of the build.
std::string BuildProgramFolder();

// The demo report packed in `dir`/name/Report.rpt; `edit` runs in the
// unpacked tables' folder first. Empty when it could not be made.
std::string PackedDemoReport(const TempFolder& dir, const std::string& name, const std::string& edit = "");

}  // namespace rpt::testing
