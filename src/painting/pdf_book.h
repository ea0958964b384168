// A PDF file of report elements in report order: the pages of tables are
// painted here, text documents are converted by the office and joined
// with them. Without the office (or without a tool to join PDFs) the
// documents are left out and named, and the tables still print.
#pragma once

#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "painting/office_documents.h"

namespace rpt {
class TTable;
}

namespace rpt::painting {

// A document that could not be printed, and why.
struct LeftOutDocument {
  enum class Why { NoFile, NoOffice, NoJoiner, NotConverted };
  std::string name;    // as the caller named it (UTF-8)
  Why why;
  std::string detail;  // what the office said, for NotConverted (UTF-8)
};
// The reason in English for the command line.
std::string ReasonText(const LeftOutDocument& d);
// Which reason applies when the tools lack a program; nullopt when both are there.
std::optional<LeftOutDocument::Why> MissingTool(const OfficeTools& tools);

class PdfBook {
 public:
  PdfBook(std::string path, int dpi, OfficeTools tools);
  ~PdfBook();
  PdfBook(const PdfBook&) = delete;
  PdfBook& operator=(const PdfBook&) = delete;

  // Paints every page of the table. Returns the layout's message about rows
  // that did not fit on a page (Windows-1251; empty when all fit). Throws
  // std::runtime_error when no PDF can be written.
  std::string AddTable(TTable& table);
  // A text document (UTF-8 path) at this place of the book; `name` (UTF-8)
  // names it in messages.
  void AddDocument(const std::string& path, const std::string& name);
  // True when documents can go into the book.
  bool TakesDocuments() const { return !tools_.office.empty() && !tools_.merger.empty(); }

  struct Result {
    int pages = 0;
    int documents = 0;                       // documents printed into the file
    std::vector<LeftOutDocument> missing;    // documents left out, in order
    std::string error;                       // why the file was not written; empty when it was
  };
  // Writes the file (nothing when no page was printed).
  Result Finish();

 private:
  struct Part {
    std::string pdf;       // a segment of table pages, or the document's PDF once converted
    std::string document;  // the document's path; empty for table pages
    std::string name;
  };
  void EndSegment();

  std::string path_;
  int dpi_;
  OfficeTools tools_;
  QTemporaryDir work_;
  std::vector<Part> parts_;
  std::unique_ptr<QPdfWriter> writer_;
  QPainter painter_;
  int tablePages_ = 0;
  bool segmentFailed_ = false;
  std::vector<LeftOutDocument> missing_;
};

}  // namespace rpt::painting
