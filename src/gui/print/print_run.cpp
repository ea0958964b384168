#include "gui/print/print_run.h"

#include <QFileInfo>
#include <QPrinter>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "core/output/print_layout.h"
#include "core/tables/table.h"
#include "gui/print/print_service.h"
#include "gui/print/table_print.h"
#include "painting/page_painter.h"

namespace rpt::gui {

namespace {

using Why = painting::LeftOutDocument::Why;

std::string Reason(const painting::LeftOutDocument& d) {
  switch (d.why) {
    case Why::NoFile: return "файла документа нет в отчете";
    case Why::NoOffice:
      return "текстовые документы печатаются через LibreOffice, а он не установлен (пакет libreoffice-writer)";
    case Why::NoJoiner:
      return "для сборки файла PDF нужна программа pdfunite (пакет poppler-utils) или qpdf";
    case Why::NotConverted: return "LibreOffice не смог его напечатать";
  }
  return {};
}

}  // namespace

std::string LeftOutMessage(const std::vector<painting::LeftOutDocument>& missing) {
  if (missing.empty()) return {};
  if (missing.size() == 1)
    return Utf8ToCp1251("Документ \"") + missing[0].name + Utf8ToCp1251("\" не напечатан: " + Reason(missing[0]) + ".");
  std::string text = Utf8ToCp1251("Не напечатаны документы:");
  for (const auto& d : missing) text += "\r\n\"" + d.name + Utf8ToCp1251("\": " + Reason(d) + ".");
  return text;
}

TPrintRun::TPrintRun(TPrintForm& form, Interaction& ui, painting::OfficeTools tools)
    : form_(form), ui_(ui), tools_(std::move(tools)) {
  QPrinter& printer = form_.Printer();
  if (printer.outputFormat() == QPrinter::PdfFormat)
    book_ = std::make_unique<painting::PdfBook>(printer.outputFileName().toStdString(), kLayoutDpi, tools_);
}

TPrintRun::~TPrintRun() {
  if (painter_.isActive()) painter_.end();
}

void TPrintRun::AddTable(TTable& table) {
  if (failed_) return;
  std::string oversize;
  if (book_) {
    try {
      oversize = book_->AddTable(table);
    } catch (const std::exception&) {
      failed_ = true;
      return;
    }
  } else {
    QPrinter& printer = form_.Printer();
    const QPageLayout layout = painting::TablePageLayout(table.page);
    const QRect full = layout.fullRectPixels(kLayoutDpi);
    const output::TablePrintLayout L = output::LayOutTable(table, full.width(), full.height());
    oversize = output::OversizeMessage(L);
    for (int n = 1; n <= L.PageCount(); ++n) {
      printer.setFullPage(true);
      printer.setPageLayout(layout);
      if (!painter_.isActive()) {
        if (!painter_.begin(&printer)) {
          failed_ = true;
          ui_.ShowMessage(MessageKind::Warning, Utf8ToCp1251("Принтер не готов к работе."), kOk, kOk);
          return;
        }
      } else {
        printer.newPage();
      }
      const double k = static_cast<double>(printer.resolution()) / kLayoutDpi;
      painter_.save();
      painter_.scale(k, k);
      painting::PaintPage(painter_, output::DrawPage(table, L, n));
      painter_.restore();
    }
  }
  printed_ = true;
  if (!oversize.empty()) ui_.ShowMessage(MessageKind::Warning, table.title + ": " + oversize, kOk, kOk);
  ui_.ProcessEvents();
}

void TPrintRun::EndTableJob() {
  if (painter_.isActive()) painter_.end();
}

void TPrintRun::AddDocument(const std::string& path, const std::string& title) {
  if (failed_) return;
  if (book_) {
    book_->AddDocument(path, title);
    return;
  }
  if (!QFileInfo(QString::fromStdString(path)).isFile()) {
    missing_.push_back({title, Why::NoFile, {}});
    return;
  }
  if (tools_.office.empty()) {
    missing_.push_back({title, Why::NoOffice, {}});
    return;
  }
  // The tables before it leave as a job of their own, so that the paper
  // comes out in the report's order.
  EndTableJob();
  const std::string error = painting::PrintOnPrinter(tools_.office, path, form_.Printer().printerName().toStdString());
  if (error.empty())
    ++documentsSent_;
  else
    missing_.push_back({title, Why::NotConverted, error});
  ui_.ProcessEvents();
}

bool TPrintRun::Finish() {
  EndTableJob();
  bool written = false;
  if (book_) {
    const painting::PdfBook::Result r = book_->Finish();
    documentsSent_ += r.documents;
    missing_.insert(missing_.end(), r.missing.begin(), r.missing.end());
    if (!failed_ && r.error.empty() && r.pages > 0) {
      written = true;
    } else if (failed_ || !r.error.empty()) {
      failed_ = true;
      ui_.ShowMessage(MessageKind::Warning,
                      Utf8ToCp1251("Файл " + form_.Printer().outputFileName().toStdString() + " не записан."), kOk,
                      kOk);
    }
  }
  if (documentsSent_ > 0)
    ui_.ShowMessage(MessageKind::Information, Utf8ToCp1251("Отправка данных на печать закончена."), kOk, kOk);
  if (const std::string m = LeftOutMessage(missing_); !m.empty()) ui_.ShowMessage(MessageKind::Warning, m, kOk, kOk);
  if (written) form_.OfferToOpenPdf();
  return !failed_ && (printed_ || documentsSent_ > 0);
}

}  // namespace rpt::gui
