// The two "Процесс" windows of long operations, bottom-right and above
// everything: the single one with one bar and the double one with an outer
// bar, an optional label with an inner bar and an optional "Стоп". They only
// show what the core's progress counting tells them; a stop request is
// remembered until the core asks for it and puts the question.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace rpt::gui {

class TFormProgressWindow : public QWidget {
  Q_OBJECT
 public:
  TFormProgressWindow(const QString& caption, bool stoppable);
  void SetPosition(int position);
  void SetCaption(const QString& caption);
  // True once per close request since the last call.
  bool TakeStopRequest();
  QProgressBar* Bar() const { return bar_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QProgressBar* bar_;
  bool stoppable_;
  bool stopRequested_ = false;
};

class TFormProgressDWindow : public QWidget {
  Q_OBJECT
 public:
  TFormProgressDWindow(const QString& caption, bool showStop, bool showSecond);
  void SetPosition(int bar, int position);
  void SetText(int bar, const QString& text);
  bool TakeStopRequest();
  QProgressBar* Bar(int bar) const { return bars_[bar]; }
  QPushButton* StopButton() const { return stop_; }
  QLabel* Label() const { return label_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QProgressBar* bars_[2];
  QLabel* label_;
  QPushButton* stop_;
  bool stopRequested_ = false;
};

// Bottom-right of the screen, 28 pixels above its lower edge.
void PlaceBottomRight(QWidget* window);

}  // namespace rpt::gui
