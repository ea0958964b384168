// Archive commands: report packages, plain cabinets and the send container.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/command.h"
#include "cli/headless_interaction.h"
#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/archive/package.h"
#include "core/archive/packed_container.h"

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

int PackInto(const Args& args) {
  const Parsed p = Parse(args, true);
  if (p.positional.size() != 2) throw UsageError("expected FOLDER and PACKAGE");
  HeadlessInteraction ui;
  ui.subject = p.positional[1];
  std::string cause;
  const std::string mask = WithSeparator(p.positional[0]) + "*";
  if (PackFolder(ui, mask, p.positional[1], !p.noExchange, p.recursive, &cause)) return kExitOk;
  throw ECoreError(cause);
}

int UnpackTo(const Args& args) {
  const Parsed p = Parse(args, false);
  if (p.positional.size() != 2) throw UsageError("expected PACKAGE and FOLDER");
  UnpackPackage(p.positional[0], p.positional[1], !p.noExchange);
  return kExitOk;
}

int ListOf(const Args& args) {
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

int PackContainer(const Args& args) {
  PackFiles(std::vector<std::string>(args.begin() + 1, args.end()), args[0]);
  return kExitOk;
}

// Each command's errors start with the package (or container) concerned.
const std::string& PackageArgument(const Args& args, std::size_t position) {
  const Parsed p = Parse(args, position == 1);
  if (p.positional.size() <= position) throw UsageError("expected FOLDER and PACKAGE");
  return *std::find(args.begin(), args.end(), p.positional[position]);
}

int Pack(const Args& args) { return ConcerningFile(PackageArgument(args, 1), PackInto, args); }
int Unpack(const Args& args) {
  if (Parse(args, false).positional.empty()) throw UsageError("expected PACKAGE and FOLDER");
  return ConcerningFile(PackageArgument(args, 0), UnpackTo, args);
}
int List(const Args& args) {
  if (Parse(args, false).positional.empty()) throw UsageError("expected PACKAGE");
  return ConcerningFile(PackageArgument(args, 0), ListOf, args);
}
int Container(const Args& args) {
  if (args.size() < 1) throw UsageError("expected DEST");
  return ConcerningFile(args[0], PackContainer, args);
}

}  // namespace

REPORTCTL_COMMAND("pack", "pack FOLDER PACKAGE [--no-exchange] [--recursive]", Pack);
REPORTCTL_COMMAND("unpack", "unpack PACKAGE FOLDER [--no-exchange]", Unpack);
REPORTCTL_COMMAND("list", "list PACKAGE [--no-exchange]", List);
REPORTCTL_COMMAND("container", "container DEST FILE...", Container);

}  // namespace rpt::cli
