// The table window, offscreen at 1920 x 1080: painting the visible part of
// a growing table of 1,000 to 30,000 rows x 12 columns (at the start and at
// the end of the data), opening the window on a loaded table of 10,000
// rows, and one keystroke into an integer cell that 500 formula cells read,
// in a table of 100 and of 10,000 rows (SetValue with the shallow
// recalculation and the check, then the repaint).
//
//   QT_QPA_PLATFORM=offscreen build/bench/bin/bench_table_window --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "core/calc/checking_engine.h"
#include "core/foundation/file_io.h"
#include "core/calc/open_tables.h"
#include "core/calc/table_map.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"
#include "gui/tables/cell_painting.h"
#include "gui/tables/table_window.h"
#include "grid_table_generator.h"

namespace {

using namespace rpt;
using namespace rpt::gui;
namespace fs = std::filesystem;

fs::path Folder() {
  static const fs::path folder = [] {
    fs::path f = fs::temp_directory_path() / ("bench_table_window_" + std::to_string(::getpid()));
    fs::create_directories(f);
    return f;
  }();
  return folder;
}

// A growing grid table of `rows` x 12 cells, loaded once per size.
struct Loaded {
  TableContext context;
  TTable table{context};
  explicit Loaded(int rows) {
    context.measure = &SharedQtTextMeasure();
    std::string text = bench::GenerateGridTable(rows, 12);
    const std::string plain = "BL1=2\r\n";
    text.replace(text.find(plain), plain.size(), "BL1=310000000\r\n");
    const fs::path path = Folder() / ("G" + std::to_string(rows) + ".ini");
    AtomicWriteFile(path.string(), text);
    table.LoadFromFile(path.string());
  }
};

Loaded& TableOf(int rows) {
  static std::map<int, std::unique_ptr<Loaded>> tables;
  auto& slot = tables[rows];
  if (!slot) slot = std::make_unique<Loaded>(rows);
  return *slot;
}

std::unique_ptr<TF_Table> OpenWindow(TTable& table) {
  auto w = std::make_unique<TF_Table>(table);
  w->resize(1920, 1080);
  w->show();
  return w;
}

void PaintViewport(benchmark::State& state, bool atEnd) {
  Loaded& t = TableOf(static_cast<int>(state.range(0)));
  auto w = OpenWindow(t.table);
  QScrollBar* v = w->DataArea()->verticalScrollBar();
  v->setValue(atEnd ? v->maximum() : 0);
  QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    w->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["rows"] = static_cast<double>(t.table.RowCount);
}

void BM_PaintViewportStart(benchmark::State& state) { PaintViewport(state, false); }
void BM_PaintViewportEnd(benchmark::State& state) { PaintViewport(state, true); }
BENCHMARK(BM_PaintViewportStart)->Arg(1000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintViewportEnd)->Arg(1000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);

// Scrolling a page down and painting, as PgDn does all the way through.
void BM_ScrollPageAndPaint(benchmark::State& state) {
  Loaded& t = TableOf(10000);
  auto w = OpenWindow(t.table);
  QScrollBar* v = w->DataArea()->verticalScrollBar();
  QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    v->setValue(v->value() >= v->maximum() ? 0 : v->value() + v->pageStep());
    w->render(&image);
  }
}
BENCHMARK(BM_ScrollPageAndPaint)->Unit(benchmark::kMillisecond);

// Building the window on a loaded table, fitting it and its first paint.
void BM_OpenWindow(benchmark::State& state) {
  Loaded& t = TableOf(10000);
  QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    auto w = std::make_unique<TF_Table>(t.table);
    w->resize(1920, 1080);
    w->SetHidden(false);
    w->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond);

// The same with the table file loaded first.
void BM_LoadAndOpenWindow(benchmark::State& state) {
  const fs::path path = Folder() / "G10000.ini";
  TableOf(10000);
  QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    TableContext context;
    context.measure = &SharedQtTextMeasure();
    TTable table(context);
    table.LoadFromFile(path.string());
    auto w = std::make_unique<TF_Table>(table);
    w->resize(1920, 1080);
    w->SetHidden(false);
    w->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_LoadAndOpenWindow)->Unit(benchmark::kMillisecond);

// `rows` rows: column 1 integers, columns 2-6 formulas. In the first 100
// rows they read cell (1:1): 500 formula cells depend on the cell typed
// into; below they read only their own row's integer, so that a table of
// 10,000 rows holds 50,000 formulas of which the keystroke concerns 500.
std::string DependentTable(int rows) {
  std::string out = "[Table]\r\nFixed=1\r\nRowCount=" + std::to_string(rows) + "\r\nColCount=6\r\nCount=" +
                    std::to_string(rows * 6) + "\r\nMinLeft=0\r\nMinTopD=0\r\n\r\n";
  int n = 2;
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= 6; ++c) {
      const std::string type = c == 1 ? "2" : "7";
      const std::string row = std::to_string(r), col = std::to_string(c);
      out += "[Cell_" + std::to_string(n++) + "]\r\nState=D\r\nType=" + type + "\r\nCol=" + col + "\r\nRow=" + row +
             "\r\nDec=2\r\n";
      if (c > 1) out += "Form=8 0 " + std::string(r <= 100 ? "(1:1)*" + col + "+" : "") + "(" + row + ":1)*" + col + "\r\n";
      out += "Vis=" + std::to_string((r - 1) * 30) + " " + std::to_string((c - 1) * 80) +
             " 80 30 5 16777215\r\nFrame=1\r\nCap=" + (c == 1 ? row : std::string("0")) + "\r\n\r\n";
    }
  return out;
}

// One keystroke into cell (1:1), which 500 formula cells read: SetValue
// with the shallow recalculation and the check, then the repaint. The
// table is computed whole once before, as a report load computes it.
void BM_TypeIntoCellWith500Dependents(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  TOpenTables open;
  TMapTables map;
  TCheckingEngine engine(open, map, nullptr);
  TableContext context;
  context.hooks = &engine;
  context.measure = &SharedQtTextMeasure();
  const fs::path path = Folder() / ("Dep" + std::to_string(rows) + ".ini");
  AtomicWriteFile(path.string(), DependentTable(rows));
  open.SetWorkingFolder(WithSeparator(Folder().string()));
  TTable table(context);
  table.LoadFromFile(path.string());
  open.Register(table);
  engine.RecalcAllTables();
  auto w = OpenWindow(table);
  w->GoToCell(1, 1);
  auto* edit = static_cast<QLineEdit*>(w->Editor(CellEditor::Int));
  QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
  int digit = 1;  // the cell holds 1: every keystroke changes it
  for (auto _ : state) {
    edit->selectAll();
    // One keystroke: SetValue, the shallow recalculation with the check.
    edit->insert(QString::number(digit = digit % 9 + 2));  // 2..10, never the value before
    // The repaint of the whole window (an offscreen window is never exposed,
    // so it is rendered).
    w->render(&image);
  }
  // (1:2) = (1:1)*2+(1:1)*2 and (100:6) = (1:1)*6+100*6: the formulas
  // followed the last keystroke.
  const auto first = tables::ParseNumber(table.data.rows[1]->cells[1]->label.caption);
  const auto last = tables::ParseNumber(table.data.rows[100]->cells[5]->label.caption);
  if (!first || *first != 4.0 * digit || !last || *last != 6.0 * digit + 600)
    state.SkipWithError("the formulas did not follow the keystrokes");
  state.counters["formula_cells"] = 5.0 * rows;
  state.counters["dependents"] = 500;
}
BENCHMARK(BM_TypeIntoCellWith500Dependents)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(Folder(), ec);
  return 0;
}
