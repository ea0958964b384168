// reportctl: a command-line front end to the core, for scripting and for
// end-to-end tests. Takes and prints UTF-8; the core sees Windows-1251.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

#include "cli/command.h"
#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"

namespace rpt::cli {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

void PrintLine(const std::string& cp1251) { std::cout << Cp1251ToUtf8(cp1251) << '\n'; }

int ConcerningFile(const std::string& file, int (*body)(const Args&), const Args& args) {
  const std::string name = rpt::Utf8ToCp1251(file);
  const auto named = [&](const std::string& cp1251) {
    return cp1251.rfind(name + ": ", 0) == 0 ? cp1251 : name + ": " + cp1251;
  };
  try {
    return body(args);
  } catch (const UsageError&) {
    throw;
  } catch (const rpt::ECoreError& e) {
    throw rpt::ECoreError(named(e.Message()));
  } catch (const std::exception& e) {
    throw rpt::ECoreError(named(rpt::Utf8ToCp1251(e.what())));
  }
}

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: reportctl COMMAND [ARGS...]\n";
  auto commands = Commands();
  std::sort(commands.begin(), commands.end(),
            [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const auto& c : commands) out << "  reportctl " << c.usage << '\n';
  out << "without --program-folder: the folder the desktop program uses (for an installed\n"
         "program $XDG_DATA_HOME/report/, by default ~/.local/share/report/)\n";
  out << "exit codes:\n"
      << "  " << kExitOk << "  success\n"
      << "  " << kExitError << "  an error, reported on stderr (naming the file it concerns)\n"
      << "  " << kExitUsage << "  wrong arguments or an unknown command\n"
      << "  " << kExitChecksFailed << "  check: some table breaks a check rule\n";
}

}  // namespace
}  // namespace rpt::cli

int main(int argc, char** argv) {
  using namespace rpt::cli;
  if (argc < 2 || std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(argc < 2 ? std::cerr : std::cout);
    return argc < 2 ? kExitUsage : kExitOk;
  }
  // An interrupted command leaves none of its private folders behind.
  rpt::RemoveTemporaryFoldersOnSignal();
  const auto& commands = Commands();
  const auto it = std::find_if(commands.begin(), commands.end(),
                               [&](const Command& c) { return std::strcmp(c.name, argv[1]) == 0; });
  if (it == commands.end()) {
    std::cerr << "reportctl: unknown command '" << argv[1] << "'\n";
    PrintUsage(std::cerr);
    return kExitUsage;
  }
  try {
    return it->run(Args(argv + 2, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "reportctl: " << e.what() << "\nusage: reportctl " << it->usage << '\n';
    return kExitUsage;
  } catch (const rpt::ECoreError& e) {
    std::cerr << rpt::Cp1251ToUtf8(e.Message()) << '\n';
    return kExitError;
  } catch (const std::exception& e) {
    std::cerr << "reportctl: " << e.what() << '\n';
    return kExitError;
  }
}
