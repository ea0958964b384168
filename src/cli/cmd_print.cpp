// reportctl print: prints report elements to a PDF file without a display,
// through the same layout and painting as the desktop program's printing.
// Items are chosen as the structure window's commands choose them: the
// whole report or a section from the print-start item on, or one item.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/report_session.h"
#include "core/foundation/codec.h"
#include "core/foundation/text_case.h"
#include "core/output/blank_form.h"
#include "core/output/print_layout.h"
#include "core/output/print_selection.h"
#include "painting/page_painter.h"

namespace rpt::cli {
namespace {

constexpr int kPdfDpi = 300;

// Qt's painting needs an application object; without a display it uses
// the offscreen platform.
void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "reportctl";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

class PdfJob {
 public:
  explicit PdfJob(const std::string& path) : writer_(QString::fromStdString(path)) {
    writer_.setResolution(kPdfDpi);
    writer_.setCreator(QStringLiteral("reportctl"));
  }
  ~PdfJob() {
    if (painter_.isActive()) painter_.end();
  }

  // Prints every page of the table; returns its page count.
  int PrintTable(TTable& table) {
    const QPageLayout layout = painting::TablePageLayout(table.page);
    const QRect full = layout.fullRectPixels(kPdfDpi);
    const output::TablePrintLayout L = output::LayOutTable(table, full.width(), full.height());
    if (const std::string m = output::OversizeMessage(L); !m.empty())
      std::cerr << Cp1251ToUtf8(table.tableName) << ": " << Cp1251ToUtf8(m) << '\n';
    for (int n = 1; n <= L.PageCount(); ++n) {
      writer_.setPageLayout(layout);
      if (!painter_.isActive()) {
        if (!painter_.begin(&writer_)) throw std::runtime_error("the PDF file cannot be written");
      } else {
        writer_.newPage();
      }
      painting::PaintPage(painter_, output::DrawPage(table, L, n));
      ++pages_;
    }
    return L.PageCount();
  }
  int Pages() const { return pages_; }
  bool Finish() { return !painter_.isActive() || painter_.end(); }

 private:
  QPdfWriter writer_;
  QPainter painter_;
  int pages_ = 0;
};

TTable* LoadedTable(const TReportState& state, const std::string& file) {
  for (const auto& t : state.tables())
    if (SameText(t.file, file)) return t.table.get();
  return nullptr;
}

int RunPrint(const Args& argsIn) {
  Args args = argsIn;
  const std::string program = ProgramFolder(args);
  const NodeChoice choice = TakeNodeChoice(args);
  const bool blank = TakeFlag(args, "--blank");
  const auto pdf = TakeOption(args, "--pdf");
  if (!pdf) throw UsageError("--pdf is required");
  if (blank && !choice.item) throw UsageError("--blank prints one table item: give --item");
  if (args.size() != 1) throw UsageError("one report folder expected");

  LoadedReport report(program, AbsoluteFolder(args[0]), -1);
  TReportState& state = report.state;
  if (!state.structure) throw std::runtime_error("the report has no structure");
  const StructureModel& model = *state.structure;

  std::vector<output::PrintItem> items;
  const TreeNode node = ResolveNode(model, choice);
  if (node.level == 2) {
    items = output::SingleItem(model, node.section, node.item);
    if (items.empty()) throw std::runtime_error("item " + *choice.item + " is excluded from the report");
  } else if (node.level == 1) {
    items = output::ItemsOfSection(model, node.section);
  } else {
    items = output::ItemsOfReport(model);
  }

  EnsureGuiApplication();
  PdfJob job(*pdf);
  for (const auto& it : items) {
    if (it.entry->kind == ItemKind::Document) {
      std::cerr << "document " << Cp1251ToUtf8(it.entry->file)
                << " is printed by the word processor, not into the PDF\n";
      continue;
    }
    if (blank) {
      if (it.entry->kind != ItemKind::Table) throw std::runtime_error("a blank form is printed for a table item");
      auto table = output::OpenBlankTable(state.tableContext(), state.folders().templates, it.entry->file, report.ui);
      if (!table) throw std::runtime_error("no blank table " + Cp1251ToUtf8(it.entry->file));
      job.PrintTable(*table);
      continue;
    }
    TTable* table = LoadedTable(state, it.entry->file);
    if (!table) throw std::runtime_error("table " + Cp1251ToUtf8(it.entry->file) + " is not loaded");
    job.PrintTable(*table);
  }
  if (job.Pages() == 0) {
    std::cerr << "nothing to print\n";
    return kExitError;
  }
  if (!job.Finish()) throw std::runtime_error("the PDF file cannot be written");
  std::printf("%s: %d pages\n", pdf->c_str(), job.Pages());
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("print",
                  "print --program-folder P REPORT [--item FILE | --section N | --all] [--blank] --pdf OUT.pdf",
                  RunPrint);

}  // namespace rpt::cli
