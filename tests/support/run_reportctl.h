// Runs the real reportctl binary for end-to-end tests.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace rpt::testing {

struct CliRun {
  int exitCode;
  std::string out;  // stdout as printed (UTF-8)
  std::string err;  // stderr as printed (UTF-8)
};

// Runs reportctl with the arguments (quoted for the shell); stderr goes
// through a file in `dir`.
CliRun Reportctl(const TempFolder& dir, std::initializer_list<std::string> args);
CliRun Reportctl(const TempFolder& dir, const std::vector<std::string>& args);

}  // namespace rpt::testing
