// Drives the report's recovery in the desktop program: every key and mouse
// button of the application is noted (writes wait for a pause), and a
// timer asks the report state whether a write is due. The state decides;
// the writing itself happens on the writer's thread.
#pragma once

#include <QObject>
#include <QTimer>

namespace rpt {
class TReportState;
}

namespace rpt::gui {

class TRecoveryTicker : public QObject {
 public:
  explicit TRecoveryTicker(TReportState& state);
  ~TRecoveryTicker() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TReportState& state_;
  QTimer timer_;
};

}  // namespace rpt::gui
