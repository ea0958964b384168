// reportctl print: prints report elements to a PDF file without a display,
// through the same layout and painting as the desktop program's printing.
// Items are chosen as the structure window's commands choose them: the
// whole report or a section from the print-start item on, or one item.
// Text documents go into the PDF in their place when LibreOffice and a
// tool to join PDFs are installed; otherwise they are named on stderr.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/qt_application.h"
#include "cli/toolkit_commands.h"
#include "cli/report_session.h"
#include "core/foundation/codec.h"
#include "core/foundation/text_case.h"
#include "core/output/blank_form.h"
#include "core/output/print_layout.h"
#include "core/output/print_selection.h"
#include "painting/pdf_book.h"

namespace rpt::cli {
namespace {

constexpr int kPdfDpi = 300;

void PrintTable(painting::PdfBook& book, TTable& table) {
  if (const std::string m = book.AddTable(table); !m.empty())
    std::cerr << Cp1251ToUtf8(table.tableName) << ": " << Cp1251ToUtf8(m) << '\n';
}

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
  painting::PdfBook book(*pdf, kPdfDpi, painting::OfficeTools::Find());
  for (const auto& it : items) {
    if (it.entry->kind == ItemKind::Document) {
      if (blank) throw std::runtime_error("a blank form is printed for a table item");
      const std::string file = Cp1251ToUtf8(it.entry->file);
      book.AddDocument(state.folders().working + file, file);
      continue;
    }
    if (blank) {
      auto table = output::OpenBlankTable(state.tableContext(), state.folders().templates, it.entry->file, report.ui);
      if (!table) throw std::runtime_error("no blank table " + Cp1251ToUtf8(it.entry->file));
      PrintTable(book, *table);
      continue;
    }
    TTable* table = LoadedTable(state, it.entry->file);
    if (!table) throw std::runtime_error("table " + Cp1251ToUtf8(it.entry->file) + " is not loaded");
    PrintTable(book, *table);
  }
  const painting::PdfBook::Result result = book.Finish();
  for (const auto& d : result.missing)
    std::cerr << "document " << d.name << ": " << painting::ReasonText(d) << ": not in the PDF\n";
  if (!result.error.empty()) throw std::runtime_error("the PDF file cannot be written: " + result.error);
  if (result.pages == 0) {
    std::cerr << "nothing to print\n";
    return kExitError;
  }
  std::printf("%s: %d pages\n", pdf->c_str(), result.pages);
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("print", kPrintUsage, RunPrint);

}  // namespace rpt::cli
