// What keeping unsaved work for a crash costs the typist. A report of 20
// grid tables of 100 x 10 data cells, opened in the desktop program's
// recovery mode.
//
//   BM_StoreTypedValue: one typed number stored (SetValue: the table
//     recalculated and checked), what every keystroke that leaves a cell
//     costs anyway; for comparison.
//   BM_RecoveryPause/N: the time the program's thread is held by a write
//     that is due, N tables modified and one of them changed since the
//     last write (the others' texts are kept from before). A key pressed
//     just then waits this long at most; the disk is the writer thread's.
//   BM_RecoveryPauseAllChanged/N: the same with all N tables changed.
//   BM_RecoveryDisk/N: the writer thread's part for N tables (files
//     flushed, manifest renamed), on no thread of the user's.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <string>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/file_io.h"
#include "core/archive/package.h"
#include "core/report/recovery.h"
#include "core/report/report_state.h"
#include "core/app/startup.h"
#include "grid_table_generator.h"
#include "quiet_interaction.h"

namespace rpt::bench {
namespace {

using namespace rpt::literals;

constexpr int kTables = 20, kRows = 100, kCols = 10;

std::string S(std::string_view s) { return std::string(s); }

struct OpenReport {
  std::string root;
  FolderSet folders;
  QuietInteraction ui;
  std::unique_ptr<TReportState> state;

  OpenReport() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = WithSeparator(tmp && *tmp ? tmp : "/tmp") + "bench-recovery-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    root = pattern + "/";
    folders = FolderSet::FromProgramFolder(root + "prog/");
    const std::string stage = root + "stage/", report = root + "report/";
    ForceFolders(stage);
    ForceFolders(folders.data);
    ForceFolders(report);
    std::string structure = S("[Отчет]\r\nКоличество_разделов=1\r\nВерсия=23_00_22\r\n\r\n[Раздел_1]\r\n"_w) +
                            S("Количество_пунктов="_w) + std::to_string(kTables) + "\r\n\r\n";
    const std::string table = GenerateGridTable(kRows, kCols);
    for (int i = 1; i <= kTables; ++i) {
      const std::string name = "G" + std::to_string(i);
      structure += S("[Пункт_1_"_w) + std::to_string(i) + S("]\r\nТип=0\r\nФайл="_w) + name + ".ini\r\n\r\n";
      if (!AtomicWriteFile(stage + name + ".ini", table).empty()) throw std::runtime_error("write");
    }
    if (!AtomicWriteFile(stage + "Report.str", structure).empty()) throw std::runtime_error("write");
    if (!PackFolder(ui, stage + "*", folders.TemplatePackage(), true, false) ||
        !PackFolder(ui, stage + "*", report + "Report.rpt", true, false))
      throw std::runtime_error("pack");
    PrepareFolders(folders, ui);
    state = std::make_unique<TReportState>(folders, ui);
    state->SetRecoveryMode(TReportState::RecoveryMode::Offer);
    state->OpenReportFolder(report);
    if (state->tables().size() != kTables) throw std::runtime_error("report not loaded");
  }
  ~OpenReport() {
    state.reset();
    (void)ClearFolder(root, true);
  }
  TCell* Cell(int table) { return GetCell(state->tables()[table].table->data, 3, 1); }
};

int round = 0;  // every value differs from the one before

void BM_StoreTypedValue(benchmark::State& st) {
  OpenReport r;
  for (auto _ : st) r.Cell(0)->SetValue(std::to_string(++round));
}
BENCHMARK(BM_StoreTypedValue)->Unit(benchmark::kMicrosecond)->UseRealTime();

void Pause(benchmark::State& st, bool allChanged) {
  OpenReport r;
  const int tables = static_cast<int>(st.range(0));
  for (int i = 0; i < tables; ++i) r.Cell(i)->SetValue(std::to_string(++round));
  r.state->WriteRecoveryNow();
  std::int64_t now = RecoveryClockMs() + 1'000'000;
  for (auto _ : st) {
    st.PauseTiming();
    r.state->FlushRecovery();
    for (int i = 0; i < (allChanged ? tables : 1); ++i) r.Cell(i)->SetValue(std::to_string(++round));
    now += 100'000;  // the interval has passed and nobody types
    st.ResumeTiming();
    if (!r.state->WriteRecoveryIfDue(now)) {
      st.SkipWithError("no write was due");
      break;
    }
  }
  r.state->FlushRecovery();
}

void BM_RecoveryPause(benchmark::State& st) { Pause(st, false); }
BENCHMARK(BM_RecoveryPause)->Arg(1)->Arg(kTables)->Iterations(40)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RecoveryPauseAllChanged(benchmark::State& st) { Pause(st, true); }
BENCHMARK(BM_RecoveryPauseAllChanged)->Arg(1)->Arg(kTables)->Iterations(40)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RecoveryDisk(benchmark::State& st) {
  OpenReport r;
  RecoverySnapshot snapshot;
  snapshot.folder = r.folders.recovery + "bench/";
  for (int i = 0; i < st.range(0); ++i)
    snapshot.files.emplace_back("G" + std::to_string(i + 1) + ".ini",
                                std::make_shared<const std::string>(r.state->tables()[i].table->SaveText()));
  snapshot.manifest = "[Recovery]\nGeneration=1\n";
  for (auto _ : st) {
    ++snapshot.generation;
    if (const std::string error = WriteRecoverySnapshot(snapshot); !error.empty()) {
      st.SkipWithError(error.c_str());
      break;
    }
  }
}
BENCHMARK(BM_RecoveryDisk)->Arg(1)->Arg(kTables)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace rpt::bench

BENCHMARK_MAIN();
