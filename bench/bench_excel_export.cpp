// Spreadsheet export of a growing table of 10,000 rows by 12 columns
// (120,000 cells): the sheet grid, the cell transfer and the .xlsx file
// written by libxlsxwriter. Target: under 1 s.
//
//   BM_TransferGrowingTable   the grid and every cell onto a sheet (in memory)
//   BM_ExportGrowingTable     the same and the .xlsx file written
#include <benchmark/benchmark.h>

#include <string>

#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/output/excel_export.h"
#include "core/report/report_state.h"
#include "core/tables/table.h"
#include "grid_table_generator.h"
#include "scratch_folder.h"

namespace {

constexpr int kRows = 10000;
constexpr int kCols = 12;

// Answers nothing and shows nothing: the export runs as reportctl's does.
class Silent : public rpt::Interaction {
 public:
  rpt::Button ShowMessage(rpt::MessageKind, std::string_view, unsigned, rpt::Button d) override { return d; }
  std::optional<std::string> ChooseFolder(std::string_view, const std::string&) override { return {}; }
  std::optional<std::string> ChooseOpenFile(std::string_view, std::string_view, const std::string&) override {
    return {};
  }
  std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view, const std::string&) override {
    return {};
  }
  void ProgressShow(rpt::ProgressWindow, std::string_view, bool, bool) override {}
  void ProgressUpdate(rpt::ProgressWindow, int, int, std::string_view) override {}
  void ProgressClose(rpt::ProgressWindow) override {}
  bool ProgressStopRequested(rpt::ProgressWindow) override { return false; }
  bool OpenDocument(const std::string&) override { return false; }
  bool OpenAddress(const std::string&) override { return false; }
  bool StartProgram(const std::string&, const std::vector<std::string>&) override { return false; }
};

struct Fixture {
  rpt::bench::ScratchFolder scratch{"bench_excel"};
  const std::string& folder = scratch.path();
  Silent ui;
  rpt::TableContext ctx;
  rpt::TTable table{ctx};
  Fixture() {
    std::string text = rpt::bench::GenerateGridTable(kRows, kCols);
    // Export codes of a growing table.
    const auto bl1 = text.find("BL1=2\r\n");
    text.replace(bl1, 7, "BL1=300000001\r\n");
    rpt::AtomicWriteFile(folder + "Grid.ini", text);
    table.LoadFromFile(folder + "Grid.ini");
  }
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

void Export(benchmark::State& state, bool write) {
  Fixture& f = Shared();
  const rpt::FolderSet folders = rpt::FolderSet::FromProgramFolder(f.folder);
  rpt::TReportState report(folders, f.ui);
  for (auto _ : state) {
    rpt::output::TExcelExport exporter(report);
    exporter.TransferTable(f.table, false);
    if (write) exporter.workbook().Write(f.folder + "Grid.xlsx");
    benchmark::DoNotOptimize(exporter.workbook().SheetCount());
  }
  state.counters["cells"] = static_cast<double>(kRows) * kCols;
}

void BM_TransferGrowingTable(benchmark::State& state) { Export(state, false); }
void BM_ExportGrowingTable(benchmark::State& state) { Export(state, true); }

BENCHMARK(BM_TransferGrowingTable)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ExportGrowingTable)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
