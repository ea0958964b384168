// Report-wide recalculation over a generated report: 200 grid tables of 50
// rows, each row an integer and five formula cells (a cross-table
// reference to the previous table, a same-table expression, a sum, a
// signed list and an expression over formula cells), 50,000 formula cells
// in chains that run through all 200 tables. The tables are loaded in the
// reverse of their dependency order.
//
//   build/bench/bin/bench_recalc --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/calc/recalc.h"
#include "core/foundation/file_io.h"
#include "core/calc/open_tables.h"
#include "core/calc/table_map.h"
#include "core/tables/table.h"

namespace {

using namespace rpt;
namespace fs = std::filesystem;

constexpr int kTables = 200;
constexpr int kRows = 50;
constexpr int kCols = 6;

std::string TableName(int k) { return std::string(1, 'T').append(std::to_string(k)); }

std::string GenerateTable(int k) {
  std::string out = "[Table]\r\nFixed=1\r\nRowCount=" + std::to_string(kRows) + "\r\nColCount=" +
                    std::to_string(kCols) + "\r\nCount=" + std::to_string(kRows * kCols) + "\r\n\r\n";
  int n = 2;
  for (int r = 1; r <= kRows; ++r) {
    const std::string R = std::to_string(r);
    for (int c = 1; c <= kCols; ++c) {
      std::string type = "7", form, dec = "2", cap = "0";
      switch (c) {
        case 1: type = "2"; cap = std::to_string(r + k); dec = "-1"; break;
        case 2: form = k == 0 ? "8 0 (" + R + ":1)*2" : "7 0 " + TableName(k - 1) + "[(" + R + ":6)]*1,01"; break;
        case 3: form = "8 0 (" + R + ":2)+(" + R + ":1)"; break;
        case 4: form = "1 1"; break;
        case 5: form = "6 1 2 3 -4"; break;
        case 6: form = "8 0 (" + R + ":5)/2-(" + R + ":4)/3"; break;
      }
      out += "[Cell_" + std::to_string(n++) + "]\r\nState=D\r\nType=" + type + "\r\nCol=" + std::to_string(c) +
             "\r\nRow=" + R + "\r\nDec=" + dec + "\r\n";
      if (!form.empty()) out += "Form=" + form + "\r\n";
      out += "Vis=0 0 80 30 5 16777215\r\nCap=" + cap + "\r\n\r\n";
    }
  }
  return out;
}

struct Report {
  fs::path folder;
  TOpenTables open;
  TMapTables map;
  TCalcHooks hooks{open, map, nullptr};
  TableContext ctx;
  std::vector<std::unique_ptr<TTable>> tables;

  Report() {
    folder = fs::temp_directory_path() / ("bench_recalc_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::vector<std::string> names;
    for (int k = 0; k < kTables; ++k) names.push_back(TableName(k));
    hooks.recalc().SetActiveNames(names);
    ctx.hooks = &hooks;
    open.SetWorkingFolder(WithSeparator(folder.string()));
    // Loaded last table first, so that the map's order is the reverse of
    // the dependency order.
    for (int k = kTables - 1; k >= 0; --k) {
      const fs::path path = folder / (TableName(k) + ".ini");
      const std::string text = GenerateTable(k);
      AtomicWriteFile(path.string(), text);
      tables.push_back(std::make_unique<TTable>(ctx));
      tables.back()->LoadFromFile(path.string());
      open.Register(*tables.back());
    }
    hooks.SetLoading(true);
    hooks.recalc().RecalcAllTables();  // values settle
  }
  ~Report() { fs::remove_all(folder); }
};

Report& TheReport() {
  static Report report;
  return report;
}

void BM_RecalcAllTables(benchmark::State& state) {
  Report& r = TheReport();
  for (auto _ : state) r.hooks.recalc().RecalcAllTables();
  state.counters["formula_cells"] = kTables * kRows * (kCols - 1);
}
BENCHMARK(BM_RecalcAllTables)->Unit(benchmark::kMillisecond);

// A change of one number cell: its table again, shallow.
void BM_RecalcTableShallow(benchmark::State& state) {
  Report& r = TheReport();
  TTable& last = *r.tables.front();
  for (auto _ : state) r.hooks.recalc().RecalcTable(last, false, false);
}
BENCHMARK(BM_RecalcTableShallow)->Unit(benchmark::kMicrosecond);

// The same table deep: every cross-table reference is followed back
// through the chain of tables (computed once per pass).
void BM_RecalcTableDeep(benchmark::State& state) {
  Report& r = TheReport();
  TTable& last = *r.tables.front();
  for (auto _ : state) r.hooks.recalc().RecalcTable(last, true, false);
}
BENCHMARK(BM_RecalcTableDeep)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
