// reportctl's entries for the commands of the companion program: each
// replaces this process by the companion with the same arguments.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/toolkit_commands.h"
#include "core/foundation/folders.h"

namespace rpt::cli {
namespace {

// Beside reportctl (a build, a portable folder), else in the private
// program folder of an installation (/usr/bin -> /usr/libexec/report).
std::string ToolkitProgramPath() {
  const std::string here = ExecutableFolder();
  for (const std::string& candidate :
       {here + kToolkitProgram, here + "../libexec/report/" + kToolkitProgram})
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  throw std::runtime_error(std::string("the companion program ") + kToolkitProgram + " is not installed beside " +
                           here);
}

[[noreturn]] void HandOver(const char* command, const Args& args) {
  const std::string path = ToolkitProgramPath();
  std::vector<std::string> words{path, command};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  ::execv(path.c_str(), argv.data());
  throw std::runtime_error("cannot start " + path + ": " + std::strerror(errno));
}

int RunPrint(const Args& args) { HandOver("print", args); }
int RunSend(const Args& args) { HandOver("send", args); }
int RunSysinfo(const Args& args) { HandOver("sysinfo", args); }

}  // namespace

REPORTCTL_COMMAND("print", kPrintUsage, RunPrint);
REPORTCTL_COMMAND("send", kSendUsage, RunSend);
REPORTCTL_COMMAND("sysinfo", kSysinfoUsage, RunSysinfo);

}  // namespace rpt::cli
