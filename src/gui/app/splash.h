// The start-up splash: a borderless window over everything while the
// folders are prepared and the first report loads.
#pragma once

#include <QWidget>

namespace rpt::gui {

class TSplashForm : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 317;
  static constexpr int kHeight = 128;
  explicit TSplashForm(QWidget* parent = nullptr);
  // Shows the window centred on the screen and lets it paint.
  void ShowAndPaint();

 protected:
  void paintEvent(QPaintEvent*) override;
};

}  // namespace rpt::gui
