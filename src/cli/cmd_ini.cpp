// reportctl ini: read and write settings files from scripts. Sections, keys
// and values arrive as UTF-8 and are handled as Windows-1251; the file path
// stays UTF-8.
#include <iostream>

#include "cli/command.h"
#include "core/foundation/codec.h"
#include "core/foundation/my_ini_file.h"

namespace rpt::cli {
namespace {

int RunIni(const Args& args) {
  if (args.empty()) throw UsageError("missing subcommand");
  const std::string& sub = args[0];
  if (sub == "get") {
    if (args.size() != 4 && args.size() != 5) throw UsageError("ini get takes FILE SECTION KEY [DEFAULT]");
    TMyIniFile ini(args[1]);
    const std::string def = args.size() == 5 ? Utf8ToCp1251(args[4]) : std::string();
    PrintLine(ini.ReadString(Utf8ToCp1251(args[2]), Utf8ToCp1251(args[3]), def));
    // Looking must not rewrite the file.
    ini.DiscardChanges();
    return kExitOk;
  }
  if (sub == "set") {
    if (args.size() != 5) throw UsageError("ini set takes FILE SECTION KEY VALUE");
    TMyIniFile ini(args[1]);
    ini.WriteString(Utf8ToCp1251(args[2]), Utf8ToCp1251(args[3]), Utf8ToCp1251(args[4]));
    if (const std::string error = ini.Release(); !error.empty()) {
      std::cerr << Cp1251ToUtf8(error) << '\n';
      return kExitError;
    }
    return kExitOk;
  }
  if (sub == "sections") {
    if (args.size() != 2) throw UsageError("ini sections takes FILE");
    TMyIniFile ini(args[1]);
    for (const auto& name : ini.SectionNames()) PrintLine(name);
    ini.DiscardChanges();
    return kExitOk;
  }
  throw UsageError("unknown subcommand '" + sub + "'");
}

}  // namespace

REPORTCTL_COMMAND("ini",
                  "ini get FILE SECTION KEY [DEFAULT] | ini set FILE SECTION KEY VALUE | ini sections FILE",
                  RunIni);

}  // namespace rpt::cli
