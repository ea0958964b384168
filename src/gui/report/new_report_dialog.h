// TFormNewRep's window ("Создание отчета"): the explanatory text and three
// buttons over the core's report folder dialog, which does the checks and
// the creating.
#pragma once

#include <QDialog>
#include <exception>
#include <functional>

class QLabel;
class QPushButton;

namespace rpt {
class TFormNewRep;
}

namespace rpt::gui {

class TFormNewRepDialog : public QDialog {
  Q_OBJECT
 public:
  TFormNewRepDialog(TFormNewRep& logic, QWidget* parent = nullptr);
  // Runs the dialog until the logic closes it; a failure of creating is
  // raised again here, outside the event loop.
  // `help` opens the dialog's help topic (F1).
  static void Run(TFormNewRep& logic, QWidget* parent, std::function<void()> help = {});

  QPushButton* ChooseButton() const { return choose_; }
  QPushButton* AutoButton() const { return auto_; }
  QPushButton* CancelButton() const { return cancel_; }
  QLabel* Text() const { return text_; }

 protected:
  void reject() override;

 private:
  template <typename F>
  void Press(F f);
  TFormNewRep& logic_;
  QLabel* text_;
  QPushButton* choose_;
  QPushButton* auto_;
  QPushButton* cancel_;
  std::exception_ptr failure_;
};

}  // namespace rpt::gui
