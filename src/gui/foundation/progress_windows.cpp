#include "gui/foundation/progress_windows.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "core/foundation/codec.h"
#include "core/foundation/progress.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

namespace {

constexpr int kWidth = 320;

QProgressBar* MakeBar(QWidget* parent) {
  auto* bar = new QProgressBar(parent);
  bar->setRange(0, ProgressCounter::kPositions);
  bar->setValue(0);
  bar->setTextVisible(false);
  return bar;
}

QString CaptionOr(const QString& caption) {
  return caption.isEmpty() ? FromCp1251("Процесс"_w) : caption;
}

}  // namespace

void PlaceBottomRight(QWidget* window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  window->adjustSize();
  const QRect frame = window->frameGeometry();
  window->move(area.x() + area.width() - frame.width(), area.y() + area.height() - frame.height() - 28);
}

TFormProgressWindow::TFormProgressWindow(const QString& caption, bool stoppable)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           (stoppable ? Qt::WindowCloseButtonHint : Qt::WindowType(0))),
      bar_(MakeBar(this)),
      stoppable_(stoppable) {
  setObjectName("FormProgress");
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(CaptionOr(caption));
  setWindowIcon(ProgramIcon());
  setFixedSize(kWidth, 30);
  bar_->setGeometry(8, 5, kWidth - 16, 20);
}

void TFormProgressWindow::SetPosition(int position) {
  bar_->setValue(position);
  bar_->repaint();
}

void TFormProgressWindow::SetCaption(const QString& caption) { setWindowTitle(CaptionOr(caption)); }

bool TFormProgressWindow::TakeStopRequest() {
  const bool r = stopRequested_;
  stopRequested_ = false;
  return r;
}

void TFormProgressWindow::closeEvent(QCloseEvent* event) {
  // The window goes when the core says so; its close box only asks to stop.
  if (stoppable_) stopRequested_ = true;
  event->ignore();
}

TFormProgressDWindow::TFormProgressDWindow(const QString& caption, bool showStop, bool showSecond)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      label_(new QLabel(this)),
      stop_(new QPushButton(FromCp1251("Стоп"_w), this)) {
  setObjectName("FormProgressD");
  setWindowTitle(CaptionOr(caption));
  setWindowIcon(ProgramIcon());
  bars_[0] = MakeBar(this);
  bars_[1] = MakeBar(this);
  setFixedSize(kWidth, TFormProgressD::ClientHeight(showStop, showSecond));
  bars_[0]->setGeometry(8, 5, kWidth - 16, 20);
  label_->setGeometry(8, 27, kWidth - 16, 16);
  bars_[1]->setGeometry(8, 44, kWidth - 16, 20);
  label_->setVisible(showSecond);
  bars_[1]->setVisible(showSecond);
  stop_->setVisible(showStop);
  const int stopTop = showSecond ? 70 : 30;
  stop_->setGeometry((kWidth - 90) / 2, stopTop, 90, 25);
  connect(stop_, &QPushButton::clicked, this, [this] { stopRequested_ = true; });
}

void TFormProgressDWindow::SetPosition(int bar, int position) {
  bars_[bar]->setValue(position);
  bars_[bar]->repaint();
}

void TFormProgressDWindow::SetText(int bar, const QString& text) {
  if (bar == 0)
    setWindowTitle(CaptionOr(text));
  else
    label_->setText(text);
}

bool TFormProgressDWindow::TakeStopRequest() {
  const bool r = stopRequested_;
  stopRequested_ = false;
  return r;
}

void TFormProgressDWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace rpt::gui
