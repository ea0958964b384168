#include "painting/pdf_book.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <stdexcept>

#include "core/output/print_layout.h"
#include "core/tables/table.h"
#include "painting/page_painter.h"

namespace rpt::painting {

std::optional<LeftOutDocument::Why> MissingTool(const OfficeTools& tools) {
  if (tools.office.empty()) return LeftOutDocument::Why::NoOffice;
  if (tools.merger.empty()) return LeftOutDocument::Why::NoJoiner;
  return std::nullopt;
}

std::string ReasonText(const LeftOutDocument& d) {
  switch (d.why) {
    case LeftOutDocument::Why::NoFile: return "the report holds no such file";
    case LeftOutDocument::Why::NoOffice: return "LibreOffice (soffice) is not installed";
    case LeftOutDocument::Why::NoJoiner: return "neither pdfunite (poppler-utils) nor qpdf is installed to join PDF files";
    case LeftOutDocument::Why::NotConverted:
      return d.detail.empty() ? "LibreOffice did not convert it" : "LibreOffice did not convert it: " + d.detail;
  }
  return {};
}

PdfBook::PdfBook(std::string path, int dpi, OfficeTools tools)
    : path_(std::move(path)), dpi_(dpi), tools_(std::move(tools)) {}

PdfBook::~PdfBook() {
  if (painter_.isActive()) painter_.end();
}

std::string PdfBook::AddTable(TTable& table) {
  const QPageLayout layout = TablePageLayout(table.page);
  const QRect full = layout.fullRectPixels(dpi_);
  const output::TablePrintLayout L = output::LayOutTable(table, full.width(), full.height());
  for (int n = 1; n <= L.PageCount(); ++n) {
    if (!writer_) {
      if (!work_.isValid()) throw std::runtime_error("no temporary folder for the PDF");
      Part part;
      part.pdf = work_.filePath(QStringLiteral("part-%1.pdf").arg(parts_.size() + 1)).toStdString();
      parts_.push_back(part);
      writer_ = std::make_unique<QPdfWriter>(QString::fromStdString(part.pdf));
      writer_->setResolution(dpi_);
      writer_->setCreator(QCoreApplication::applicationName());
      writer_->setPageLayout(layout);
      if (!painter_.begin(writer_.get())) throw std::runtime_error("the PDF file cannot be written");
    } else {
      writer_->setPageLayout(layout);
      writer_->newPage();
    }
    PaintPage(painter_, output::DrawPage(table, L, n));
    ++tablePages_;
  }
  return output::OversizeMessage(L);
}

void PdfBook::EndSegment() {
  if (painter_.isActive() && !painter_.end()) segmentFailed_ = true;
  writer_.reset();
}

void PdfBook::AddDocument(const std::string& path, const std::string& name) {
  if (!QFileInfo(QString::fromStdString(path)).isFile()) {
    missing_.push_back({name, LeftOutDocument::Why::NoFile, {}});
    return;
  }
  if (const auto why = MissingTool(tools_)) {
    missing_.push_back({name, *why, {}});
    return;
  }
  EndSegment();
  parts_.push_back({{}, path, name});
}

PdfBook::Result PdfBook::Finish() {
  Result r;
  EndSegment();
  std::vector<std::string> documents;
  for (const Part& p : parts_)
    if (!p.document.empty()) documents.push_back(p.document);
  std::vector<std::string> converted;
  std::string officeError;
  if (!documents.empty()) converted = ConvertToPdf(tools_.office, documents, work_.path().toStdString(), officeError);
  std::vector<std::string> files;
  std::size_t d = 0;
  for (const Part& p : parts_) {
    if (p.document.empty()) {
      files.push_back(p.pdf);
      continue;
    }
    const std::string& pdf = converted[d++];
    const int pages = pdf.empty() ? 0 : PdfPageCount(tools_.merger, pdf);
    if (pages <= 0) {
      missing_.push_back({p.name, LeftOutDocument::Why::NotConverted, officeError});
      continue;
    }
    files.push_back(pdf);
    r.pages += pages;
    ++r.documents;
  }
  r.pages += tablePages_;
  r.missing = missing_;
  if (segmentFailed_) {
    r.error = "the PDF file cannot be written";
    return r;
  }
  if (files.empty()) return r;
  r.error = JoinPdfs(tools_.merger, files, path_);
  return r;
}

}  // namespace rpt::painting
