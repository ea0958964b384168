// Opening and saving a whole report: a generated report of 200 grid tables
// of 100 x 10 data cells (200,000 cells) with a formula in every sixth
// column and a row rule per table.
//
//   BM_OpenReport: *open report folder* — unpack, structure, 200 table files,
//     recalculation in dependency order, checks and statuses.
//   BM_SaveReport/1: one cell edited, then *save* — recalculation of all
//     tables, the changed table rewritten, the working folder packed.
//   BM_SaveReport/200: every table changed (for example after an import).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/file_io.h"
#include "core/foundation/interaction.h"
#include "core/archive/package.h"
#include "core/report/report_state.h"
#include "core/app/startup.h"
#include "grid_table_generator.h"
#include "quiet_interaction.h"

namespace fs = std::filesystem;

namespace rpt::bench {
namespace {

using namespace rpt::literals;

constexpr int kTables = 200, kRows = 100, kCols = 10;

std::string S(std::string_view s) { return std::string(s); }


void Write(const std::string& path, const std::string& bytes) {
  if (!AtomicWriteFile(path, bytes).empty()) throw std::runtime_error("cannot write " + path);
}

// A program folder with the blank report and one generated report.
struct GeneratedProgram {
  std::string root;
  FolderSet folders;
  std::string report;

  GeneratedProgram() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = WithSeparator(tmp && *tmp ? tmp : "/tmp") + "bench-report-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    root = pattern + "/";
    folders = FolderSet::FromProgramFolder(root + "prog/");
    const std::string stage = root + "stage/";
    ForceFolders(stage);
    ForceFolders(folders.data);
    // 20 sections of 10 tables.
    std::string structure = S("[Отчет]\r\nКоличество_разделов=20\r\nВерсия=23_00_22\r\n\r\n"_w);
    std::string rules;
    // The generator's formulas add a text cell; these add the integer and
    // the real cell of the row, so that every formula computes.
    std::string table = GenerateGridTable(kRows, kCols);
    for (std::size_t at = 0; (at = table.find("Form=8 0 (1:2)+(1:3)", at)) != std::string::npos;)
      table.replace(at, 20, "Form=8 0 (1:3)+(1:4)");
    for (int s = 1; s <= 20; ++s) {
      structure += S("[Раздел_"_w) + std::to_string(s) + S("]\r\nКоличество_пунктов=10\r\n\r\n"_w);
      for (int i = 1; i <= 10; ++i) {
        const std::string name = "G" + std::to_string((s - 1) * 10 + i);
        structure += S("[Пункт_"_w) + std::to_string(s) + "_" + std::to_string(i) + S("]\r\nТип=0\r\nФайл="_w) +
                     name + S(".ini\r\nНазвание="_w) + name + "\r\n\r\n";
        Write(stage + name + ".ini", table);
        rules += "[" + name + "]\r\nCount=1\r\n1=(* 3) >= 0\r\n\r\n";
      }
    }
    Write(stage + "Report.str", structure);
    Write(stage + "Check.chk", rules);
    QuietInteraction ui;
    report = root + "report/";
    ForceFolders(report);
    if (!PackFolder(ui, stage + "*", folders.TemplatePackage(), true, false) ||
        !PackFolder(ui, stage + "*", report + "Report.rpt", true, false))
      throw std::runtime_error("pack");
    (void)ClearFolder(stage, true);
    PrepareFolders(folders, ui);
  }
  ~GeneratedProgram() { (void)ClearFolder(root, true); }
};

GeneratedProgram& Program() {
  static GeneratedProgram program;
  return program;
}

void BM_OpenReport(benchmark::State& st) {
  GeneratedProgram& p = Program();
  QuietInteraction ui;
  TReportState state(p.folders, ui);
  for (auto _ : st) {
    state.OpenReportFolder(p.report);
    if (state.tables().size() != kTables || !ui.last.empty()) {
      st.SkipWithError(("report not loaded: " + Cp1251ToUtf8(ui.last)).c_str());
      break;
    }
  }
  st.counters["cells"] = kTables * kRows * kCols;
}
BENCHMARK(BM_OpenReport)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveReport(benchmark::State& st) {
  GeneratedProgram& p = Program();
  QuietInteraction ui;
  TReportState state(p.folders, ui);
  state.OpenReportFolder(p.report);
  const int changed = static_cast<int>(st.range(0));
  static int round = 1000;  // every value differs from the saved one, across runs too
  for (auto _ : st) {
    st.PauseTiming();
    ++round;
    for (int i = 0; i < changed; ++i)
      GetCell(state.tables()[i].table->data, 3, 1)->SetValue(std::to_string(round));
    st.ResumeTiming();
    if (!state.Save()) {
      st.SkipWithError(("save failed: " + Cp1251ToUtf8(ui.last) + "").c_str());
      break;
    }
  }
}
BENCHMARK(BM_SaveReport)->Arg(1)->Arg(kTables)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace rpt::bench

BENCHMARK_MAIN();
