// TFormPageSetup: a table's margins and orientation with a page sketch.
#pragma once

#include <QDialog>

#include "core/output/page_setup.h"

class QPushButton;
class QRadioButton;
class QSpinBox;

namespace rpt {
class Interaction;
}

namespace rpt::gui {

class TFormPageSetup : public QDialog {
 public:
  explicit TFormPageSetup(Interaction& ui, QWidget* parent = nullptr);

  // Shows the dialog modally for the settings; true when they were applied.
  bool Edit(PageSettings& page);
  output::PageSetupState& State() { return state_; }
  void Refresh();
  // The hint shown over a point of the dialog's own surface: the sketch's
  // "Макет страницы", nothing elsewhere.
  QString HintAt(const QPoint& pos) const;

 protected:
  bool event(QEvent*) override;
  void paintEvent(QPaintEvent*) override;
  void showEvent(QShowEvent*) override;
  void done(int result) override;

 private:
  Interaction& ui_;
  output::PageSetupState state_;
  QRadioButton *portrait_, *landscape_;
  QSpinBox *left_, *top_, *right_, *bottom_;
  QPushButton *standard_, *apply_, *cancel_;
  bool refreshing_ = false;
};

}  // namespace rpt::gui
