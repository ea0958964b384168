// reportctl's subcommands. Each command file registers itself with
// REPORTCTL_COMMAND; main() dispatches on the first argument.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace rpt::cli {

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;  // a reported error, message on stderr
inline constexpr int kExitUsage = 2;
inline constexpr int kExitChecksFailed = 3;  // reportctl check: some table breaks a rule

// Thrown for wrong arguments; main() prints the command's usage and exits 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Arguments after the command name, UTF-8 as given on the command line.
using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

struct Command {
  const char* name;
  const char* usage;  // shown for usage errors and by "reportctl help"
  CommandFn run;
};

std::vector<Command>& Commands();

struct CommandRegistrar {
  CommandRegistrar(const char* name, const char* usage, CommandFn fn) {
    Commands().push_back({name, usage, fn});
  }
};

#define REPORTCTL_COMMAND(name, usage, fn) \
  static ::rpt::cli::CommandRegistrar reportctl_registrar_##fn(name, usage, fn)

// Runs `body` for the file `file` (UTF-8, as given): an error it raises is
// reported with the file in front, so that every message starts with the
// file it concerns. Usage errors pass unchanged.
int ConcerningFile(const std::string& file, int (*body)(const Args&), const Args& args);

// Windows-1251 text to the terminal as UTF-8.
void PrintLine(const std::string& cp1251);

}  // namespace rpt::cli
