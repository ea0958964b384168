// reportctl compare: the report's figures against last year's report, as
// the desktop program's "Изменения по сравнению с прошлым годом" lists
// them. Prints the flagged cells as text (one line each, then the count)
// or as CSV (";"-separated, UTF-8). The report is only read.
#include <string>

#include "cli/command.h"
#include "cli/report_session.h"
#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/import/year_comparison.h"
#include "core/report/report_state.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt::cli {
namespace {

using namespace literals;

double Percent(const std::string& text) {
  std::string copy = text;
  tables::DotsToCommas(copy);
  const auto value = tables::ParseNumber(copy);
  if (!value || *value < 0) throw UsageError("a threshold is a percentage: --threshold GROWTH[/FALL]");
  return static_cast<double>(*value);
}

// "--threshold 100/50": more than 100 % up or 50 % down; "--threshold 30": 30 % either way.
void ApplyThreshold(const std::string& text, ChangeThresholds& thresholds) {
  const auto slash = text.find('/');
  thresholds.growthPercent = Percent(text.substr(0, slash));
  thresholds.fallPercent = slash == std::string::npos ? thresholds.growthPercent : Percent(text.substr(slash + 1));
}

std::string CsvField(const std::string& utf8) {
  if (utf8.find_first_of(";\"\r\n") == std::string::npos) return utf8;
  std::string out = "\"";
  for (const char c : utf8) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

void PrintCsv(const std::vector<FlaggedCell>& flagged, const ChangeThresholds& thresholds) {
  PrintLine(std::string("Таблица;Файл;Ячейка;Строка;Графа;Прошлый год;Этот год;Изменение, %;Причина"_w));
  for (const FlaggedCell& f : flagged) {
    const TTable& table = *f.table->table;
    const bool inGrid = table.grid && f.cell->Row > 0 && f.cell->Col > 0;
    const std::string title = f.table->caption.empty() ? f.table->itemTitle : f.table->caption;
    std::string line;
    for (const std::string& field :
         {title, f.table->file, std::to_string(f.number), inGrid ? std::to_string(f.cell->Row) : std::string(),
          inGrid ? std::to_string(f.cell->Col) : std::string(), f.lastValue, f.value,
          f.change.percent ? tables::FormatFixed(*f.change.percent, 1) : std::string(),
          FlagReason(f.change, thresholds)}) {
      if (!line.empty()) line += ';';
      line += CsvField(Cp1251ToUtf8(field));
    }
    std::printf("%s\n", line.c_str());
  }
}

int RunCompare(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const auto threshold = TakeOption(args, "--threshold");
  const bool noZero = TakeFlag(args, "--no-zero");
  const bool csv = TakeFlag(args, "--csv");
  if (args.empty() || args.size() > 2) throw UsageError("REPORT and LAST_YEAR expected");
  const std::string reportFolder = AbsoluteFolder(args[0]);
  const ComparisonSettings settings = ReadComparisonSettings(reportFolder);
  std::string lastYear = args.size() == 2 ? args[1] : settings.lastYearFolder;
  if (lastYear.empty()) throw UsageError("LAST_YEAR expected: the report names no last year's report");

  LoadedReport report(program, reportFolder, -1);
  TYearComparison comparison;
  comparison.thresholds = settings.thresholds;
  if (threshold) ApplyThreshold(*threshold, comparison.thresholds);
  if (noZero) comparison.thresholds.zeroChanges = false;
  if (!comparison.Open(lastYear, report.area.folders, report.ui)) return kExitError;
  const std::vector<FlaggedCell> flagged = comparison.Flagged(report.state);
  if (csv) {
    PrintCsv(flagged, comparison.thresholds);
  } else {
    for (const FlaggedCell& f : flagged) PrintLine(FlaggedLine(f, comparison.thresholds));
    PrintLine(std::string("отмечено ячеек: "_w) + std::to_string(flagged.size()));
  }
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("compare",
                  "compare --program-folder P REPORT [LAST_YEAR] [--threshold GROWTH[/FALL]] [--no-zero] [--csv]",
                  RunCompare);

}  // namespace rpt::cli
