// TPrintService: knows the page count, prints every page on a printer or
// opens the preview window; pages are drawn on demand by OnDraw, in the
// printer pixels of `pageLayout` at kLayoutDpi.
#pragma once

#include <QObject>
#include <QPageLayout>
#include <QPointer>
#include <functional>

class QPainter;
class QPrinter;
class QWidget;

namespace rpt::gui {

class TPreviewForm;

inline constexpr int kLayoutDpi = 300;

class TPrintService : public QObject {
  Q_OBJECT
 public:
  explicit TPrintService(QObject* parent = nullptr);
  ~TPrintService() override;

  int PageCount() const { return pageCount_; }
  void SetPageCount(int count);  // below 1 becomes 1
  QString PreviewerCaption() const { return caption_; }
  void SetPreviewerCaption(const QString& caption);
  QPageLayout pageLayout;

  // target 1 for the printer, 0 for the preview; pages from 1.
  std::function<void(QPainter&, int target, int page)> OnDraw;
  std::function<void()> OnPreviewClose;
  std::function<void()> OnPageSetup;        // the preview's "Параметры страницы"
  std::function<bool()> PageSetupAllowed;  // enabled state of that button
  // Asks for the printer and prints (the preview's "Печать").
  std::function<void()> OnPrintRequest;

  void Preview(QWidget* owner);
  // Prints every page; false when the job could not start.
  bool Print(QPrinter& printer);
  void ClosePreview();
  TPreviewForm* PreviewWindow() const;

 private:
  int pageCount_ = 1;
  QString caption_;
  QPointer<TPreviewForm> preview_;
};

}  // namespace rpt::gui
