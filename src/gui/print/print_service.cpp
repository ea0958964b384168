#include "gui/print/print_service.h"

#include <QPainter>
#include <QPrinter>

#include "gui/print/preview_form.h"

namespace rpt::gui {

TPrintService::TPrintService(QObject* parent)
    : QObject(parent), caption_(QString::fromUtf8("Предварительный просмотр")) {}

TPrintService::~TPrintService() {
  if (preview_) delete preview_.data();
}

TPreviewForm* TPrintService::PreviewWindow() const { return preview_; }

void TPrintService::SetPageCount(int count) {
  pageCount_ = count < 1 ? 1 : count;
  if (preview_) preview_->SetPageCount(pageCount_);
}

void TPrintService::SetPreviewerCaption(const QString& caption) {
  caption_ = caption;
  if (preview_) preview_->setWindowTitle(caption_);
}

void TPrintService::Preview(QWidget* owner) {
  if (preview_) {
    preview_->setWindowState(preview_->windowState() & ~Qt::WindowMinimized);
    preview_->raise();
    preview_->activateWindow();
    return;
  }
  preview_ = new TPreviewForm(this, owner);
  preview_->SetPageCount(pageCount_);
  preview_->setWindowTitle(caption_);
  preview_->show();
}

bool TPrintService::Print(QPrinter& printer) {
  printer.setFullPage(true);
  printer.setPageLayout(pageLayout);
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // Pages are laid out at kLayoutDpi; the printer may have another resolution.
  const double k = static_cast<double>(printer.resolution()) / kLayoutDpi;
  for (int page = 1; page <= pageCount_; ++page) {
    if (page > 1) printer.newPage();
    painter.save();
    painter.scale(k, k);
    if (OnDraw) OnDraw(painter, 1, page);
    painter.restore();
  }
  painter.end();
  ClosePreview();
  return true;
}

void TPrintService::ClosePreview() {
  if (!preview_) return;
  TPreviewForm* p = preview_;
  preview_ = nullptr;
  p->hide();
  p->deleteLater();
  if (OnPreviewClose) OnPreviewClose();
}

}  // namespace rpt::gui
