// Loading, saving and the data lines of a grid table of 10,000 rows by 12
// columns (about 26 MB of table file). Target: load + save under 150 ms.
//
//   BM_LoadGridTable    LoadFromFile from the page cache
//   BM_SaveText         building the file text only (no I/O)
//   BM_SaveGridTable    SaveToFile: text, Temp.tmp written and flushed, renamed
//   BM_WriteDataLines   the data lines of the table
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "core/foundation/file_io.h"
#include "core/tables/table.h"
#include "grid_table_generator.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 10000;
constexpr int kCols = 12;

struct Fixture {
  rpt::bench::ScratchFolder scratch{"bench_table"};
  const std::string& folder = scratch.path();
  std::string path;
  std::size_t bytes = 0;
  Fixture() {
    path = folder + "Grid.ini";
    const std::string text = rpt::bench::GenerateGridTable(kRows, kCols);
    bytes = text.size();
    rpt::AtomicWriteFile(path, text);
  }
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

void BM_LoadGridTable(benchmark::State& state) {
  Fixture& f = Shared();
  rpt::TableContext ctx;
  for (auto _ : state) {
    rpt::TTable t(ctx);
    t.LoadFromFile(f.path);
    benchmark::DoNotOptimize(t.data.size());
    state.PauseTiming();  // freeing 120,000 cells is not loading
    {
      rpt::TTable gone(ctx);
      std::swap(gone.data.rows, t.data.rows);
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.bytes));
}
BENCHMARK(BM_LoadGridTable)->Unit(benchmark::kMillisecond);

void BM_SaveText(benchmark::State& state) {
  Fixture& f = Shared();
  rpt::TableContext ctx;
  rpt::TTable t(ctx);
  t.LoadFromFile(f.path);
  std::size_t size = 0;
  for (auto _ : state) {
    const std::string text = t.SaveText();
    size = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_SaveText)->Unit(benchmark::kMillisecond);

void BM_SaveGridTable(benchmark::State& state) {
  Fixture& f = Shared();
  rpt::TableContext ctx;
  rpt::TTable t(ctx);
  t.LoadFromFile(f.path);
  const std::string out = f.folder + "Saved.ini";
  for (auto _ : state) t.SaveToFile(out, false);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(out)));
  if (rpt::ReadWholeFile(out) != rpt::ReadWholeFile(f.path)) state.SkipWithError("saved file differs from the generated one");
}
BENCHMARK(BM_SaveGridTable)->Unit(benchmark::kMillisecond);

void BM_WriteDataLines(benchmark::State& state) {
  Fixture& f = Shared();
  rpt::TableContext ctx;
  rpt::TTable t(ctx);
  t.LoadFromFile(f.path);
  std::size_t size = 0;
  for (auto _ : state) {
    std::string lines;
    t.WriteDataLines(lines);
    size = lines.size();
    benchmark::DoNotOptimize(lines.data());
  }
  state.counters["lines_bytes"] = static_cast<double>(size);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_WriteDataLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
