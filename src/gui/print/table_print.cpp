#include "gui/print/table_print.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "core/tables/table.h"
#include "painting/page_painter.h"
#include "gui/print/page_setup_dialog.h"
#include "gui/print/preview_form.h"

namespace rpt::gui {

TPrintForm& TPrintForm::Instance() {
  static TPrintForm form;
  return form;
}

TPrintForm::TPrintForm() {
  service_.OnDraw = [this](QPainter& p, int, int page) { Draw(p, page); };
  service_.OnPreviewClose = [this] {
    blank_.reset();
    current_ = nullptr;
  };
  service_.PageSetupAllowed = [this] { return !blank_; };
  service_.OnPageSetup = [this] { PageSetup(); };
  service_.OnPrintRequest = [this] { PrintRequest(); };
}

void TPrintForm::Draw(QPainter& painter, int page) {
  if (current_) painting::PaintPage(painter, output::DrawPage(*current_, layout_, page));
}

void TPrintForm::ReportOversize(const TTable& table, const output::TablePrintLayout& layout) {
  const std::string m = output::OversizeMessage(layout);
  if (!m.empty() && ui_) ui_->ShowMessage(MessageKind::Warning, table.title + ": " + m, kOk, kOk);
}

void TPrintForm::PrepareTable(TTable& table, bool preview, std::unique_ptr<TTable> temporaryBlank) {
  service_.ClosePreview();  // frees an earlier blank
  QApplication::setOverrideCursor(Qt::WaitCursor);
  blank_ = std::move(temporaryBlank);
  current_ = &table;
  service_.pageLayout = painting::TablePageLayout(table.page);
  const QRect full = service_.pageLayout.fullRectPixels(kLayoutDpi);
  layout_ = output::LayOutTable(table, full.width(), full.height());
  service_.SetPageCount(layout_.PageCount());
  QApplication::restoreOverrideCursor();
  ReportOversize(table, layout_);
  if (preview) {
    service_.Preview(owner_);
    if (blank_ && service_.PreviewWindow()) service_.PreviewWindow()->setProperty("closeOnDeactivate", true);
  } else {
    printer_.setFullPage(true);
    if (!service_.Print(printer_) && ui_)
      ui_->ShowMessage(MessageKind::Warning, Utf8ToCp1251("Принтер не готов к работе."), kOk, kOk);
    blank_.reset();
  }
}

bool TPrintForm::ChoosePrinter(QWidget* parent) {
  if (printDialog) {
    if (!printDialog(printer_, parent)) return false;
  } else {
    QPrintDialog dialog(&printer_, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
  }
  if (printer_.outputFormat() == QPrinter::PdfFormat) {
    QString name = printer_.outputFileName();
    if (name.isEmpty()) name = QDir::home().filePath(QString::fromUtf8("Отчет.pdf"));
    if (!ui_) return false;
    const auto chosen = ui_->ChooseSaveFile(Utf8ToCp1251("Печать в файл PDF"),
                                            Utf8ToCp1251("Документы PDF|*.pdf"), name.toStdString());
    if (!chosen || chosen->empty()) return false;
    name = QString::fromStdString(*chosen);
    if (QFileInfo(name).suffix().isEmpty()) name += ".pdf";
    printer_.setOutputFileName(name);
  }
  return true;
}

void TPrintForm::OfferToOpenPdf() {
  if (!ui_ || printer_.outputFormat() != QPrinter::PdfFormat || printer_.outputFileName().isEmpty()) return;
  const std::string file = printer_.outputFileName().toStdString();
  if (ui_->ShowMessage(MessageKind::Confirmation,
                       Utf8ToCp1251("Файл " + file + " записан. Открыть его?"), kYes | kNo, kYes) == kYes)
    ui_->OpenDocument(file);
}

void TPrintForm::PrintRequest() {
  TTable* table = current_;
  if (!table) return;
  QWidget* parent = service_.PreviewWindow();
  if (!ChoosePrinter(parent)) return;
  printer_.setFullPage(true);
  if (!service_.Print(printer_)) {
    if (ui_) ui_->ShowMessage(MessageKind::Warning, Utf8ToCp1251("Принтер не готов к работе."), kOk, kOk);
    return;
  }
  OfferToOpenPdf();
}

void TPrintForm::PageSetup() {
  TTable* table = current_;
  if (!table || blank_ || !ui_) return;
  service_.ClosePreview();
  static TFormPageSetup* dialog = nullptr;
  if (!dialog) dialog = new TFormPageSetup(*ui_, owner_);
  PageSettings page = table->page;
  if (dialog->Edit(page)) {
    table->page = page;
    table->SetModified(true);
    PrepareTable(*table, true);
  }
}

}  // namespace rpt::gui
