#include "gui/print/preview_form.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "gui/foundation/icons.h"
#include "gui/print/print_service.h"

namespace rpt::gui {

namespace {
constexpr int kPercents[] = {200, 150, 100, 75, 50, 25, 10};
}

TDrawPanel::TDrawPanel(TPrintService* service, QWidget* parent) : QWidget(parent), service_(service) {
  setObjectName("DrawPanel");
}

void TDrawPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.setPen(Qt::black);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  // The printer page mapped onto the panel: text and positions as on paper.
  const QRect page = service_->pageLayout.fullRectPixels(kLayoutDpi);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setWindow(0, 0, page.width(), page.height());
  p.setViewport(rect());
  if (service_->OnDraw) service_->OnDraw(p, 0, this->page);
}

TPreviewForm::TPreviewForm(TPrintService* service, QWidget* owner) : QMainWindow(owner, Qt::Window), service_(service) {
  setObjectName("PreviewForm");
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* bar = addToolBar(QString());
  bar->setMovable(false);
  bar->setIconSize(QSize(16, 16));
  auto tool = [&](const char* name, const char* hint, Icon icon) {
    QAction* a = bar->addAction(CommandIcon(icon), QString::fromUtf8(hint));
    a->setObjectName(name);
    a->setToolTip(QString::fromUtf8(hint));
    return a;
  };
  print_ = tool("tbtPrint", "Печать", Icon::Print);
  pageSetup_ = tool("tbtPageSetup", "Параметры страницы", Icon::PageSetup);
  scale_ = tool("tbtScale", "Масштаб", Icon::Zoom);
  pmnScale_ = new QMenu(this);
  pmnScale_->setObjectName("pmnScale");
  auto* group = new QActionGroup(this);
  const char* captions[] = {"200%", "150%", "100%", "75%", "50%", "25%", "10%", "По ширине страницы",
                            "Страница целиком"};
  for (int mode = 0; mode < 9; ++mode) {
    QAction* a = pmnScale_->addAction(QString::fromUtf8(captions[mode]));
    a->setCheckable(true);
    a->setChecked(mode == 8);
    a->setData(mode);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, mode] { SetZoom(mode); });
  }
  scale_->setMenu(pmnScale_);
  if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(scale_))) b->setPopupMode(QToolButton::InstantPopup);
  prev_ = tool("tbtPrevPage", "Предыдущая страница", Icon::Previous);
  next_ = tool("tbtNextPage", "Следующая страница", Icon::Next);
  connect(print_, &QAction::triggered, this, [this] {
    if (service_->OnPrintRequest) service_->OnPrintRequest();
  });
  connect(pageSetup_, &QAction::triggered, this, [this] {
    if (service_->OnPageSetup) service_->OnPageSetup();
  });
  connect(prev_, &QAction::triggered, this, [this] { SetCurrentPage(page_ - 1); });
  connect(next_, &QAction::triggered, this, [this] { SetCurrentPage(page_ + 1); });

  sbxMain_ = new QScrollArea(this);
  sbxMain_->setObjectName("sbxMain");
  sbxMain_->setBackgroundRole(QPalette::Dark);
  sbxMain_->setFocusPolicy(Qt::NoFocus);
  canvas_ = new QWidget;
  shadow_ = new QWidget(canvas_);
  shadow_->setObjectName("pnlShadow");
  shadow_->setAutoFillBackground(true);
  QPalette pal = shadow_->palette();
  pal.setColor(QPalette::Window, Qt::darkGray);
  shadow_->setPalette(pal);
  panel_ = new TDrawPanel(service_, canvas_);
  sbxMain_->setWidget(canvas_);
  // The zoom sizes follow the scroll area's room, known only once laid out.
  sbxMain_->viewport()->installEventFilter(this);
  setCentralWidget(sbxMain_);
  stbMain_ = statusBar();
  stbMain_->setObjectName("stbMain");
  status_ = new QLabel(stbMain_);
  stbMain_->addWidget(status_);
  resize(760, 820);
  UpdateControls();
}

QSize TPreviewForm::PanelSize() const { return panel_->size(); }

void TPreviewForm::SetPageCount(int count) {
  pageCount_ = std::max(count, 1);
  if (page_ > pageCount_) page_ = pageCount_;
  panel_->page = page_;
  UpdateControls();
  LayOut();
}

void TPreviewForm::SetCurrentPage(int page) {
  page = std::clamp(page, 1, pageCount_);
  if (page == page_) return;
  page_ = page;
  panel_->page = page;
  UpdateControls();
  sbxMain_->horizontalScrollBar()->setValue(0);
  sbxMain_->verticalScrollBar()->setValue(0);
  panel_->update();
}

void TPreviewForm::SetZoom(int mode) {
  zoom_ = std::clamp(mode, 0, 8);
  for (QAction* a : pmnScale_->actions()) a->setChecked(a->data().toInt() == zoom_);
  LayOut();
}

void TPreviewForm::UpdateControls() {
  prev_->setEnabled(page_ > 1);
  next_->setEnabled(page_ < pageCount_);
  pageSetup_->setEnabled(!service_->PageSetupAllowed || service_->PageSetupAllowed());
  status_->setText(QString::fromUtf8("Страница %1 из %2").arg(page_).arg(pageCount_));
  const bool shown = pageCount_ > 1;
  if (shown == stbMain_->isVisibleTo(this)) return;
  // The window grows by the bar's height when it appears and shrinks when
  // it goes, so that the page keeps its room.
  const int bar = stbMain_->sizeHint().height();
  stbMain_->setVisible(shown);
  if (isVisible()) resize(width(), height() + (shown ? bar : -bar));
}

void TPreviewForm::LayOut() {
  if (layingOut_) return;
  layingOut_ = true;
  const QSizeF mm = service_->pageLayout.fullRect(QPageLayout::Millimeter).size();
  const double aspect = mm.height() / mm.width();
  const QSize client = sbxMain_->viewport()->size();
  int w, h;
  if (zoom_ <= 6) {
    w = static_cast<int>(kPercents[zoom_] * mm.width() / 25.4 * logicalDpiX() / 100);
    h = static_cast<int>(w * aspect);
  } else if (zoom_ == 7) {
    w = sbxMain_->width() - sbxMain_->verticalScrollBar()->sizeHint().width() - 20;
    h = static_cast<int>(w * aspect);
  } else {
    h = client.height() - 16;
    w = static_cast<int>(h / aspect);
    if (w > client.width() - 16) {
      w = client.width() - 16;
      h = static_cast<int>(w * aspect);
    }
  }
  w = std::max(w, 10);
  h = std::max(h, 10);
  panel_->hide();
  shadow_->hide();
  if (zoom_ == 8) {
    canvas_->resize(client);
    const int x = (client.width() - w) / 2, y = (client.height() - h) / 2;
    panel_->setGeometry(x, y, w, h);
    shadow_->setGeometry(x + 4, y + 4, w, h);
    sbxMain_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sbxMain_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  } else {
    sbxMain_->setHorizontalScrollBarPolicy(zoom_ == 7 ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    sbxMain_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    canvas_->resize(zoom_ == 7 ? w + 16 : w + 16, h + 16);
    panel_->setGeometry(8, 8, w, h);
    shadow_->setGeometry(12, 12, w, h);
  }
  shadow_->show();
  panel_->show();
  panel_->update();
  layingOut_ = false;
}

void TPreviewForm::keyPressEvent(QKeyEvent* e) {
  QScrollBar* v = sbxMain_->verticalScrollBar();
  QScrollBar* hz = sbxMain_->horizontalScrollBar();
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  const int vPage = sbxMain_->viewport()->height() - v->singleStep();
  const int hPage = sbxMain_->viewport()->width() - hz->singleStep();
  switch (e->key()) {
    case Qt::Key_PageUp: v->setValue(ctrl ? 0 : v->value() - vPage); break;
    case Qt::Key_PageDown: v->setValue(ctrl ? v->maximum() : v->value() + vPage); break;
    case Qt::Key_Up: v->setValue(v->value() - v->singleStep()); break;
    case Qt::Key_Down: v->setValue(v->value() + v->singleStep()); break;
    case Qt::Key_Home:
      hz->setValue(0);
      if (ctrl) v->setValue(0);
      break;
    case Qt::Key_End:
      hz->setValue(hz->maximum());
      if (ctrl) v->setValue(v->maximum());
      break;
    case Qt::Key_Left: hz->setValue(hz->value() - (ctrl ? hPage : hz->singleStep())); break;
    case Qt::Key_Right: hz->setValue(hz->value() + (ctrl ? hPage : hz->singleStep())); break;
    default: QMainWindow::keyPressEvent(e); return;
  }
  e->accept();
}

void TPreviewForm::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  LayOut();
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == sbxMain_->viewport() && e->type() == QEvent::Resize && !layingOut_) LayOut();
  return QMainWindow::eventFilter(watched, e);
}

void TPreviewForm::closeEvent(QCloseEvent* e) {
  e->accept();
  service_->ClosePreview();
}

void TPreviewForm::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  // A blank form's preview lives only while it has the focus.
  if (e->type() == QEvent::ActivationChange && !isActiveWindow() && property("closeOnDeactivate").toBool())
    service_->ClosePreview();
}

}  // namespace rpt::gui
