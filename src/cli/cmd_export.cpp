// reportctl export-xlsx: report tables into an .xlsx workbook, one sheet per
// table, through the same export as the desktop program's "Excel" command.
// The whole report, a section or one item is chosen as in the structure
// tree; the named file is written (replacing one that is there) and not
// opened.
#include <charconv>
#include <cstdio>

#include "cli/report_session.h"
#include "core/foundation/codec.h"
#include "core/foundation/text_case.h"
#include "core/output/excel_export.h"

namespace rpt::cli {
namespace {

int RunExportXlsx(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const auto item = TakeOption(args, "--item");
  const auto section = TakeOption(args, "--section");
  const bool all = TakeFlag(args, "--all");
  if (static_cast<int>(item.has_value()) + static_cast<int>(section.has_value()) + static_cast<int>(all) > 1)
    throw UsageError("one of --item, --section, --all");
  if (args.size() != 2) throw UsageError("a report folder and the output file expected");

  LoadedReport report(program, AbsoluteFolder(args[0]), -1);
  TReportState& state = report.state;
  if (!state.structure) throw std::runtime_error("the report has no structure");
  const StructureModel& model = *state.structure;

  int level = 0, s = 0, i = 0;
  if (item) {
    level = 2;
    const std::string wanted = Utf8ToCp1251(*item);
    bool found = false;
    for (s = 0; s < static_cast<int>(model.sections.size()) && !found; ++s)
      for (i = 0; i < static_cast<int>(model.sections[s].items.size()); ++i)
        if (SameText(model.sections[s].items[i].file, wanted)) {
          found = true;
          break;
        }
    if (!found) throw std::runtime_error("no item " + *item + " in the report");
    --s;
  } else if (section) {
    level = 1;
    int n = 0;
    const auto r = std::from_chars(section->data(), section->data() + section->size(), n);
    if (r.ec != std::errc() || r.ptr != section->data() + section->size())
      throw UsageError("a section number expected");
    if (n < 1 || n > static_cast<int>(model.sections.size())) throw std::runtime_error("no section " + *section);
    s = n - 1;
  }

  output::TExcelExport exporter(state);
  exporter.outputPath = args[1];
  exporter.openWhenWritten = false;
  exporter.Run(level, s, i);
  if (exporter.written().empty()) {
    std::fprintf(stderr, "nothing exported: no table in the selection\n");
    return kExitError;
  }
  std::printf("%s: %d sheets\n", args[1].c_str(), exporter.tablesTransferred());
  return report.ui.errorsShown > 0 ? kExitError : kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("export-xlsx",
                  "export-xlsx --program-folder P REPORT [--item FILE | --section N | --all] OUT.xlsx",
                  RunExportXlsx);

}  // namespace rpt::cli
