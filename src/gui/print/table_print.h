// TPrint_Form's job without its panels: lays tables out, previews them
// through the print service and prints them on the chosen printer or into
// a PDF file. One instance serves the structure window and the frame.
#pragma once

#include <QPrinter>
#include <functional>
#include <memory>

#include "core/output/print_layout.h"
#include "gui/print/print_service.h"

namespace rpt {
class Interaction;
class TTable;
}  // namespace rpt

namespace rpt::gui {

class TPrintForm {
 public:
  static TPrintForm& Instance();

  void SetInteraction(Interaction* ui) { ui_ = ui; }
  void SetOwner(QWidget* owner) { owner_ = owner; }
  TPrintService& Service() { return service_; }
  QPrinter& Printer() { return printer_; }

  // Lays the table out and opens the preview (preview) or prints it.
  // A temporary blank is freed when its preview closes or it is printed.
  void PrepareTable(TTable& table, bool preview, std::unique_ptr<TTable> temporaryBlank = nullptr);
  // The system print dialog; false when cancelled. Printing to a PDF file
  // asks for the file name (through the interaction port).
  bool ChoosePrinter(QWidget* parent);
  // Takes the place of the system print dialog (tests): sets up the
  // printer and answers whether to print.
  std::function<bool(QPrinter&, QWidget*)> printDialog;
  // After a job into a PDF file: offers to open it.
  void OfferToOpenPdf();
  TTable* Current() const { return current_; }
  const output::TablePrintLayout& Layout() const { return layout_; }

 private:
  TPrintForm();
  void Draw(QPainter& painter, int page);
  void ReportOversize(const TTable& table, const output::TablePrintLayout& layout);
  void PrintRequest();
  void PageSetup();

  Interaction* ui_ = nullptr;
  QWidget* owner_ = nullptr;
  TPrintService service_;
  QPrinter printer_{QPrinter::HighResolution};
  TTable* current_ = nullptr;
  std::unique_ptr<TTable> blank_;
  output::TablePrintLayout layout_;
};

}  // namespace rpt::gui
