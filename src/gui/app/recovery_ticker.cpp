#include "gui/app/recovery_ticker.h"

#include <QApplication>
#include <QEvent>

#include "core/report/report_state.h"

namespace rpt::gui {

TRecoveryTicker::TRecoveryTicker(TReportState& state) : state_(state) {
  timer_.setInterval(state.recoveryTiming().TickMs());
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { state_.WriteRecoveryIfDue(RecoveryClockMs()); });
  timer_.start();
  qApp->installEventFilter(this);
}

TRecoveryTicker::~TRecoveryTicker() { qApp->removeEventFilter(this); }

bool TRecoveryTicker::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
      state_.NoteUserInput(RecoveryClockMs());
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace rpt::gui
