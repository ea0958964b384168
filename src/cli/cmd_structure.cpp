// reportctl structure FOLDER: the structure model of the folder's structure
// file, one node per line, indented by two blanks per depth.
#include <iostream>

#include "cli/command.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/calc/structure.h"

namespace rpt::cli {
namespace {

int RunStructure(const Args& args) {
  if (args.size() != 1) throw UsageError("expected one folder");
  const std::string folder = WithSeparator(args[0]);
  const auto path = FindStructureFile(folder);
  const auto model = path ? ReadStructure(*path) : std::nullopt;
  if (!model) {
    std::cerr << "reportctl: " << folder << ": no structure file (*.str)\n";
    return kExitError;
  }
  auto mark = [](bool excluded) { return excluded ? std::string(" excluded") : std::string(); };
  PrintLine(model->title);
  for (const auto& section : model->sections) {
    PrintLine("  " + section.title + mark(section.excluded));
    for (const auto& item : section.items)
      PrintLine("    " + item.title + (item.kind == ItemKind::Table ? " table " : " document ") +
                item.file + mark(item.excluded));
  }
  std::string active = "active: ";
  for (std::size_t i = 0; i < model->activeNames.size(); ++i)
    active += (i ? ", " : "") + model->activeNames[i];
  PrintLine(active);
  PrintLine("print-start: " + std::to_string(model->printStart));
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("structure", "structure FOLDER", RunStructure);

}  // namespace rpt::cli
