// Row operations on a growing table of 10,000 rows by 12 columns.
// Targets: inserting or deleting one row under 2 ms; sorting under 150 ms.
//
//   BM_InsertDelete100Middle  100 empty rows inserted after row 5,000, then
//                             the same 100 rows deleted (items = row operations)
//   BM_CutPasteMiddle         a row cut from row 2,500 and pasted after row 7,500
//   BM_SortTwoColumns         all rows by a text column with many equal
//                             values, then an integer column
//   BM_DeleteEmptyRowsHalf    every second row empty
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/foundation/file_io.h"
#include "core/tables/row_operations.h"
#include "core/tables/table.h"
#include "grid_table_generator.h"
#include "scratch_folder.h"

namespace {

constexpr int kRows = 10000;
constexpr int kCols = 12;

struct Fixture {
  rpt::bench::ScratchFolder scratch{"bench_rows"};
  const std::string& folder = scratch.path();
  std::string path;
  Fixture() {
    path = folder + "Growing.ini";
    rpt::AtomicWriteFile(path, rpt::bench::GenerateGridTable(kRows, kCols));
  }
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

struct Table {
  rpt::TableContext ctx;
  rpt::TTable table{ctx};
  Table() { Load(); }
  void Load() {
    table.LoadFromFile(Shared().path);
    table.growing = true;
  }
};

void BM_InsertDelete100Middle(benchmark::State& state) {
  Table t;
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) rpt::InsertEmptyRow(t.table, kRows / 2);
    for (int i = 0; i < 100; ++i) rpt::DeleteRow(t.table, kRows / 2 + 1, false);
  }
  if (t.table.RowCount != kRows) state.SkipWithError("row count changed");
  state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_InsertDelete100Middle)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_CutPasteMiddle(benchmark::State& state) {
  Table t;
  for (auto _ : state) {
    rpt::CutRow(t.table, kRows / 4);
    rpt::InsertBufferRow(t.table, kRows * 3 / 4);
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_CutPasteMiddle)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_SortTwoColumns(benchmark::State& state) {
  Table t;
  // Column 2 holds texts, column 3 integers: 50 different texts, so that
  // the integers decide within each text.
  std::mt19937 random(12345);
  std::vector<std::string> texts(kRows), numbers(kRows);
  for (int r = 0; r < kRows; ++r) {
    texts[r] = "Organisation " + std::to_string(random() % 50);
    numbers[r] = std::to_string(random() % 100000);
  }
  for (auto _ : state) {
    state.PauseTiming();
    {
      rpt::LoadingScope loading(t.table);
      for (int r = 1; r <= kRows; ++r) {
        rpt::GetCell(t.table.data, 2, r)->SetValue(texts[r - 1]);
        rpt::GetCell(t.table.data, 3, r)->SetValue(numbers[r - 1]);
      }
    }
    state.ResumeTiming();
    rpt::SortRows(t.table, {2, 3});
  }
}
BENCHMARK(BM_SortTwoColumns)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_DeleteEmptyRowsHalf(benchmark::State& state) {
  Table t;
  for (auto _ : state) {
    state.PauseTiming();
    t.Load();
    for (int r = 2; r <= kRows; r += 2) rpt::ClearRow(t.table, r, false);
    state.ResumeTiming();
    rpt::DeleteEmptyRows(t.table);
  }
  if (t.table.RowCount != kRows / 2) state.SkipWithError("wrong number of rows removed");
}
BENCHMARK(BM_DeleteEmptyRowsHalf)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
