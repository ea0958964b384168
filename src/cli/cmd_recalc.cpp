// reportctl recalc: reads a report folder as the program reads a report it
// has unpacked, recalculates them in dependency order and prints every formula
// cell whose text changed. Nothing is written. A formula that fails is
// shown with its table and cell, as opening the report shows it, and makes
// the exit non-zero.
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/report_session.h"
#include "core/calc/recalc.h"
#include "core/foundation/file_io.h"
#include "core/report/report_state.h"
#include "core/tables/table.h"

namespace rpt::cli {
namespace {

using namespace literals;

// A value on one line: line breaks shown as "||".
std::string OneLine(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      out += "||";
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
    } else {
      out += value[i];
    }
  }
  return out;
}

// Remembers every formula cell's text as the tables were read, before the
// load recalculates them.
class FormulaTexts : public ReportView {
 public:
  struct Before {
    const TTable* table;
    const TCell* cell;
    std::string text;
  };
  std::vector<Before> before;
  void TablesLoaded(const TReportState& state) override {
    for (const auto& t : state.tables())
      for (TCell* cell : FormulaCellsInOrder(*t.table)) before.push_back({t.table.get(), cell, cell->label.caption});
  }
};

int RunRecalc(const Args& args) {
  if (args.size() != 1) throw UsageError("one report folder expected");
  // As a report load: the loading flag stays set through the
  // recalculation, so no table is even marked modified, and a failing
  // formula is named with its table and cell while every other cell is
  // still computed.
  FormulaTexts texts;
  UnpackedReport report(WithSeparator(args[0]), "", &texts);
  if (!report.loaded()) return kExitError;
  for (const auto& b : texts.before) {
    if (b.cell->label.caption == b.text) continue;
    PrintLine(b.table->tableName + " " + CellAddress(*b.table, *b.cell) + ": " + OneLine(b.text) + " -> " +
              OneLine(b.cell->label.caption));
  }
  return report.ui.errorsShown == 0 ? kExitOk : kExitError;
}

}  // namespace

REPORTCTL_COMMAND("recalc", "recalc FOLDER", RunRecalc);

}  // namespace rpt::cli
