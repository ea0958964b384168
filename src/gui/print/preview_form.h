// TPreviewForm: one page at a time at a chosen zoom, with the page
// buttons, the zoom menu and keys that scroll the page.
#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QMenu;
class QScrollArea;
class QStatusBar;

namespace rpt::gui {

class TPrintService;

class TDrawPanel : public QWidget {
 public:
  TDrawPanel(TPrintService* service, QWidget* parent);
  int page = 1;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  TPrintService* service_;
};

class TPreviewForm : public QMainWindow {
 public:
  TPreviewForm(TPrintService* service, QWidget* owner);

  void SetPageCount(int count);
  void SetCurrentPage(int page);
  void SetZoom(int mode);  // 0–6 percent, 7 page width, 8 whole page
  int PageCount() const { return pageCount_; }
  int CurrentPage() const { return page_; }
  int Zoom() const { return zoom_; }
  QSize PanelSize() const;
  QScrollArea* ScrollArea() const { return sbxMain_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void UpdateControls();
  void LayOut();

  TPrintService* service_;
  int zoom_ = 8, pageCount_ = 1, page_ = 1;
  bool layingOut_ = false;
  QAction *print_, *pageSetup_, *scale_, *prev_, *next_;
  QMenu* pmnScale_;
  QScrollArea* sbxMain_;
  QWidget* canvas_;
  TDrawPanel* panel_;
  QWidget* shadow_;
  QStatusBar* stbMain_;
  QLabel* status_;
};

}  // namespace rpt::gui
