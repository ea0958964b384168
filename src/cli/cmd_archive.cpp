// Archive commands: report packages, plain cabinets and the send container.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/command.h"
#include "cli/headless_interaction.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/report/package.h"
#include "core/report/packed_container.h"

namespace rpt::cli {
namespace {

// Splits the arguments into positional ones and the allowed "--" flags.
struct Parsed {
  std::vector<std::string> positional;
  bool noExchange = false;
  bool recursive = false;
};

Parsed Parse(const Args& args, bool allowRecursive) {
  Parsed p;
  for (const auto& a : args) {
    if (a == "--no-exchange")
      p.noExchange = true;
    else if (a == "--recursive" && allowRecursive)
      p.recursive = true;
    else if (a.size() > 1 && a[0] == '-' && a[1] == '-')
      throw UsageError("unknown option " + a);
    else
      p.positional.push_back(a);
  }
  return p;
}

int Pack(const Args& args) {
  const Parsed p = Parse(args, true);
  if (p.positional.size() != 2) throw UsageError("expected FOLDER and PACKAGE");
  HeadlessInteraction ui;
  std::string cause;
  const std::string mask = WithSeparator(p.positional[0]) + "*";
  if (PackFolder(ui, mask, p.positional[1], !p.noExchange, p.recursive, &cause)) return kExitOk;
  std::fprintf(stderr, "%s\n", Cp1251ToUtf8(cause).c_str());
  return kExitError;
}

int Unpack(const Args& args) {
  const Parsed p = Parse(args, false);
  if (p.positional.size() != 2) throw UsageError("expected PACKAGE and FOLDER");
  UnpackPackage(p.positional[0], p.positional[1], !p.noExchange);
  return kExitOk;
}

int List(const Args& args) {
  const Parsed p = Parse(args, false);
  if (p.positional.size() != 1) throw UsageError("expected PACKAGE");
  for (const auto& f : ListPackage(p.positional[0], !p.noExchange)) {
    char when[64];
    std::snprintf(when, sizeof when, "%02d.%02d.%04d %02d:%02d:%02d", f.day, f.month, f.year, f.hour,
                  f.minute, f.second);
    std::printf("%s\t%u\t%s\n", f.name.c_str(), f.size, when);
  }
  return kExitOk;
}

int Container(const Args& args) {
  if (args.size() < 1) throw UsageError("expected DEST");
  PackFiles(std::vector<std::string>(args.begin() + 1, args.end()), args[0]);
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("pack", "pack FOLDER PACKAGE [--no-exchange] [--recursive]", Pack);
REPORTCTL_COMMAND("unpack", "unpack PACKAGE FOLDER [--no-exchange]", Unpack);
REPORTCTL_COMMAND("list", "list PACKAGE [--no-exchange]", List);
REPORTCTL_COMMAND("container", "container DEST FILE...", Container);

}  // namespace rpt::cli
