// reportctl export-xlsx and export-rtf: report tables into an .xlsx
// workbook, one sheet per table, or the report as one RTF document built
// from the print templates, through the same exports as the desktop
// program's "Excel" and "Word" commands. The whole report, a section or one
// item is chosen as in the structure tree; the named file is written
// (replacing one that is there) and not opened.
#include <cstdio>
#include <string>

#include "cli/report_session.h"
#include "core/output/excel_export.h"
#include "core/output/word_export.h"

namespace rpt::cli {
namespace {

// Loads the report, exports the chosen node to the named file with an
// exporter set up by `prepare`, and prints what `summary` says was written.
template <class Exporter, class Prepare, class Summary>
int RunExport(const Args& argsIn, const char* nothingExported, Prepare prepare, Summary summary) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const NodeChoice choice = TakeNodeChoice(args);
  if (args.size() != 2) throw UsageError("a report folder and the output file expected");

  LoadedReport report(program, AbsoluteFolder(args[0]), -1);
  TReportState& state = report.state;
  if (!state.structure) throw std::runtime_error("the report has no structure");
  const TreeNode node = ResolveNode(*state.structure, choice);

  Exporter exporter(state);
  exporter.outputPath = args[1];
  exporter.openWhenWritten = false;
  prepare(exporter);
  exporter.Run(node.level, node.section, node.item);
  if (exporter.written().empty()) {
    std::fprintf(stderr, "nothing exported: %s\n", nothingExported);
    return kExitError;
  }
  std::printf("%s: %s\n", args[1].c_str(), summary(exporter).c_str());
  return report.ui.errorsShown > 0 ? kExitError : kExitOk;
}

int RunExportXlsx(const Args& args) {
  return RunExport<output::TExcelExport>(
      args, "no table in the selection", [](output::TExcelExport&) {},
      [](const output::TExcelExport& e) { return std::to_string(e.tablesTransferred()) + " sheets"; });
}

int RunExportRtf(const Args& args) {
  return RunExport<output::TWordExport>(
      args, "no table or document in the selection",
      // A document item alone is no export: it is the document itself.
      [](output::TWordExport& e) { e.editDocument = [](int, int) {}; },
      [](const output::TWordExport& e) { return std::to_string(e.tablesFilled()) + " tables"; });
}

}  // namespace

REPORTCTL_COMMAND("export-rtf", "export-rtf --program-folder P REPORT [--item FILE | --section N | --all] OUT.rtf",
                  RunExportRtf);
REPORTCTL_COMMAND("export-xlsx", "export-xlsx --program-folder P REPORT [--item FILE | --section N | --all] OUT.xlsx",
                  RunExportXlsx);

}  // namespace rpt::cli
