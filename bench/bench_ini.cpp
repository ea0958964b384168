// Settings-file speed on table-shaped files: loading, reading every key of
// every section, and writing a big file section by section.
//
//   bench_ini [--write-file=PATH] [google benchmark flags]
// With --write-file the ~5 MB table-shaped file is written to PATH and the
// program exits; with INI_BENCH_FILE=PATH in the environment the load and
// read benchmarks use that file instead of generating their own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/foundation/my_ini_file.h"

namespace {

using namespace rpt::literals;

// Sections "Cell_1".."Cell_N", ten keys each, Russian values, about `bytes`.
std::string TableShapedText(std::size_t bytes) {
  const std::string_view words[] = {"Количество"_w, "защищенных"_w, "диссертаций"_w, "сотрудников"_w,
                                    "кафедры"_w,    "в отчетном"_w, "году"_w,        "всего"_w};
  std::string text;
  text.reserve(bytes + 1024);
  for (int n = 1; text.size() < bytes; ++n) {
    const std::string num = std::to_string(n);
    text += "[Cell_" + num + "]\r\n";
    text += "Cap=";
    for (int w = 0; w < 4; ++w) {
      text += words[(n + w) % 8];
      text += ' ';
    }
    text += num + "\r\n";
    text += "BObj=" + std::string("Стр"_w) + num + "_" + std::to_string(n % 12) + "\r\n";
    text += "Type=" + std::to_string(n % 14) + "\r\n";
    text += "Value=" + std::to_string(n * 37 % 100000) + "," + std::to_string(n % 100) + "\r\n";
    text += "Formula=[Cell_" + std::to_string(n > 1 ? n - 1 : 1) + "]+[Cell_" + num + "]\r\n";
    text += "Color=clWindow\r\n";
    text += "Font=Times New Roman,10,0000,clWindowText\r\n";
    text += "Width=" + std::to_string(60 + n % 40) + "\r\n";
    text += "Align=" + std::to_string(n % 3) + "\r\n";
    text += "Hint=" + std::string("Заполняется по данным кафедр"_w) + "\r\n";
    text += "\r\n";
  }
  return text;
}

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid())))
      .string();
}

// The file the load and read benchmarks use, written once per process.
const std::string& SampleFile() {
  static const std::string path = [] {
    if (const char* given = std::getenv("INI_BENCH_FILE")) return std::string(given);
    std::string p = TempPath("bench_ini_table.ini");
    rpt::AtomicWriteFile(p, TableShapedText(5 * 1024 * 1024));
    std::atexit([] { std::filesystem::remove(SampleFile()); });
    return p;
  }();
  return path;
}

std::int64_t FileBytes(const std::string& path) {
  return static_cast<std::int64_t>(std::filesystem::file_size(path));
}

void BM_Load(benchmark::State& state) {
  const std::string& path = SampleFile();
  for (auto _ : state) {
    rpt::TMyIniFile ini(path);
    benchmark::DoNotOptimize(ini.LineCount());
    ini.DiscardChanges();
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(path));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

// Load, then every key of every section by name, keys found from the
// section buffer as a generic reader would.
void BM_LoadAndReadAll(benchmark::State& state) {
  const std::string& path = SampleFile();
  std::size_t values = 0;
  for (auto _ : state) {
    rpt::TMyIniFile ini(path);
    std::size_t total = 0;
    for (const auto& section : ini.SectionNames()) {
      std::vector<std::string> keys;
      const auto& lines = ini.Section(section);
      for (std::size_t i = 1; i < lines.size(); ++i)
        if (const auto eq = lines[i].find('='); eq != std::string::npos) keys.push_back(lines[i].substr(0, eq));
      for (const auto& key : keys) total += ini.ReadString(section, key, "").size();
      values += keys.size();
    }
    benchmark::DoNotOptimize(total);
    ini.DiscardChanges();
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(path));
  state.counters["values"] = benchmark::Counter(static_cast<double>(values), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadAndReadAll)->Unit(benchmark::kMillisecond);

void WriteCells(rpt::TMyIniFile& ini, int sections, int pass) {
  for (int n = 1; n <= sections; ++n) {
    const std::string section = "Cell_" + std::to_string(n);
    ini.WriteInteger(section, "Type", n % 14);
    ini.WriteString(section, "Value", std::to_string(n * 7 + pass));
    ini.WriteString(section, "BObj", "Стр"_w);
    ini.WriteColor(section, "Color", rpt::clWindow);
  }
}

// A new file of state.range(0) sections, every section appended, then saved.
// Run at two sizes: the time per section must not grow with the file.
void BM_WriteNewSections(benchmark::State& state) {
  const std::string path = TempPath("bench_ini_new.ini");
  for (auto _ : state) {
    std::filesystem::remove(path);
    rpt::TMyIniFile ini(path);
    WriteCells(ini, static_cast<int>(state.range(0)), 0);
    if (!ini.Release().empty()) state.SkipWithError("cannot write");
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(path));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(path);
}
BENCHMARK(BM_WriteNewSections)->Arg(12000)->Arg(120000)->Unit(benchmark::kMillisecond);

// The same file rewritten: every section replaced in place.
void BM_RewriteSections(benchmark::State& state) {
  const std::string path = TempPath("bench_ini_rewrite.ini");
  {
    rpt::TMyIniFile ini(path);
    WriteCells(ini, static_cast<int>(state.range(0)), 0);
  }
  int pass = 0;
  for (auto _ : state) {
    rpt::TMyIniFile ini(path);
    WriteCells(ini, static_cast<int>(state.range(0)), ++pass);
    if (!ini.Release().empty()) state.SkipWithError("cannot write");
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(path));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(path);
}
BENCHMARK(BM_RewriteSections)->Arg(12000)->Arg(120000)->Unit(benchmark::kMillisecond);

// Every key of every section of a file of state.range(0) small sections
// (a table of 10,000 rows x 12 columns has 120,000): linear in the file.
void BM_ReadAllCells(benchmark::State& state) {
  const std::string path = TempPath("bench_ini_cells.ini");
  const int sections = static_cast<int>(state.range(0));
  {
    rpt::TMyIniFile ini(path);
    WriteCells(ini, sections, 0);
  }
  const char* keys[] = {"Type", "Value", "BObj", "Color"};
  for (auto _ : state) {
    rpt::TMyIniFile ini(path);
    std::int64_t total = 0;
    for (int n = 1; n <= sections; ++n) {
      const std::string section = "Cell_" + std::to_string(n);
      for (const char* key : keys) total += static_cast<std::int64_t>(ini.ReadString(section, key, "").size());
    }
    benchmark::DoNotOptimize(total);
    ini.DiscardChanges();
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(path));
  state.SetItemsProcessed(state.iterations() * sections);
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReadAllCells)->Arg(12000)->Arg(120000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--write-file=", 13) == 0) {
      const std::string error = rpt::AtomicWriteFile(argv[i] + 13, TableShapedText(5 * 1024 * 1024));
      if (!error.empty()) {
        std::fprintf(stderr, "bench_ini: %s\n", error.c_str());
        return 1;
      }
      return 0;
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
