// reportctl export-xlsx and export-rtf: report tables into an .xlsx
// workbook, one sheet per table, or the report as one RTF document built
// from the print templates, through the same exports as the desktop
// program's "Excel" and "Word" commands. The whole report, a section or one
// item is chosen as in the structure tree; the named file is written
// (replacing one that is there) and not opened.
#include <cstdio>

#include "cli/report_session.h"
#include "core/output/excel_export.h"
#include "core/output/word_export.h"

namespace rpt::cli {
namespace {

int RunExportXlsx(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const NodeChoice choice = TakeNodeChoice(args);
  if (args.size() != 2) throw UsageError("a report folder and the output file expected");

  LoadedReport report(program, AbsoluteFolder(args[0]), -1);
  TReportState& state = report.state;
  if (!state.structure) throw std::runtime_error("the report has no structure");
  const TreeNode node = ResolveNode(*state.structure, choice);

  output::TExcelExport exporter(state);
  exporter.outputPath = args[1];
  exporter.openWhenWritten = false;
  exporter.Run(node.level, node.section, node.item);
  if (exporter.written().empty()) {
    std::fprintf(stderr, "nothing exported: no table in the selection\n");
    return kExitError;
  }
  std::printf("%s: %d sheets\n", args[1].c_str(), exporter.tablesTransferred());
  return report.ui.errorsShown > 0 ? kExitError : kExitOk;
}

int RunExportRtf(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const NodeChoice choice = TakeNodeChoice(args);
  if (args.size() != 2) throw UsageError("a report folder and the output file expected");

  LoadedReport report(program, AbsoluteFolder(args[0]), -1);
  TReportState& state = report.state;
  if (!state.structure) throw std::runtime_error("the report has no structure");
  const TreeNode node = ResolveNode(*state.structure, choice);

  output::TWordExport exporter(state);
  exporter.outputPath = args[1];
  exporter.openWhenWritten = false;
  // A document item alone is no export: it is the document itself.
  exporter.editDocument = [](int, int) {};
  exporter.Run(node.level, node.section, node.item);
  if (exporter.written().empty()) {
    std::fprintf(stderr, "nothing exported: no table or document in the selection\n");
    return kExitError;
  }
  std::printf("%s: %d tables\n", args[1].c_str(), exporter.tablesFilled());
  return report.ui.errorsShown > 0 ? kExitError : kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("export-rtf", "export-rtf --program-folder P REPORT [--item FILE | --section N | --all] OUT.rtf",
                  RunExportRtf);
REPORTCTL_COMMAND("export-xlsx", "export-xlsx --program-folder P REPORT [--item FILE | --section N | --all] OUT.xlsx",
                  RunExportXlsx);

}  // namespace rpt::cli
