// One print command's output on the printer chosen in the print dialog:
// tables and text documents in report order. Into a PDF file everything
// goes into the one file (documents through LibreOffice); on a printer the
// tables are painted by us and each document is handed to LibreOffice for
// that printer between them. Without LibreOffice the user is told which
// documents were not printed.
#pragma once

#include <QPainter>
#include <memory>
#include <string>
#include <vector>

#include "painting/office_documents.h"
#include "painting/pdf_book.h"

namespace rpt {
class Interaction;
class TTable;
}  // namespace rpt

namespace rpt::gui {

class TPrintForm;

class TPrintRun {
 public:
  TPrintRun(TPrintForm& form, Interaction& ui, painting::OfficeTools tools = painting::OfficeTools::Find());
  ~TPrintRun();
  TPrintRun(const TPrintRun&) = delete;
  TPrintRun& operator=(const TPrintRun&) = delete;

  void AddTable(TTable& table);
  // A text document of the working folder (UTF-8 path); `title` is the
  // item's caption (Windows-1251) for the messages.
  void AddDocument(const std::string& path, const std::string& title);
  // Ends the job and tells the user what became of the documents; for a
  // PDF file offers to open it. False when nothing could be printed.
  bool Finish();

 private:
  void EndTableJob();

  TPrintForm& form_;
  Interaction& ui_;
  painting::OfficeTools tools_;
  std::unique_ptr<painting::PdfBook> book_;  // printing into a PDF file
  QPainter painter_;                         // a table job on the printer
  bool printed_ = false;
  bool failed_ = false;
  int documentsSent_ = 0;
  std::vector<painting::LeftOutDocument> missing_;  // names are titles (Windows-1251)
};

// The message about documents that were not printed (Windows-1251);
// empty when there are none.
std::string LeftOutMessage(const std::vector<painting::LeftOutDocument>& missing);

}  // namespace rpt::gui
