// A growing table of 10,000 rows by 12 columns compared with last year's
// copy of it, as the table window does after every change.
// Target: well under 100 ms, so that typing never waits for it.
//
//   BM_ReadLastYearsTable   last year's table file read and indexed
//   BM_CompareGrowingTable  every figure matched by its record and compared
#include <benchmark/benchmark.h>

#include <string>

#include "core/foundation/file_io.h"
#include "core/tables/table.h"
#include "core/tables/table_file_cells.h"
#include "core/tables/year_change.h"
#include "grid_table_generator.h"
#include "scratch_folder.h"

namespace {

constexpr int kRows = 10000;
constexpr int kCols = 12;

struct Fixture {
  rpt::bench::ScratchFolder scratch{"bench_year"};
  const std::string& folder = scratch.path();
  std::string path;
  rpt::TableContext ctx;
  rpt::TTable table{ctx};
  Fixture() {
    path = folder + "Growing.ini";
    rpt::AtomicWriteFile(path, rpt::bench::GenerateGridTable(kRows, kCols));
    table.LoadFromFile(path);
    table.growing = true;
  }
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

void BM_ReadLastYearsTable(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(rpt::TableFileCells::Read(Shared().path));
}
BENCHMARK(BM_ReadLastYearsTable)->Unit(benchmark::kMillisecond);

void BM_CompareGrowingTable(benchmark::State& state) {
  const rpt::TableFileCells last = rpt::TableFileCells::Read(Shared().path);
  std::size_t compared = 0;
  for (auto _ : state) {
    const auto cells = rpt::CompareWithLastYear(Shared().table, last, {});
    compared = cells.size();
    benchmark::DoNotOptimize(cells.data());
  }
  state.counters["figures"] = static_cast<double>(compared);
}
BENCHMARK(BM_CompareGrowingTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
