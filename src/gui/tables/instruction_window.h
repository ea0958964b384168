// The filling instruction of a table, shown in a read-only text window of
// the program: it reads the same on every desktop, whatever program the
// desktop would open a text file with. "Печатать" offers the print dialog.
#pragma once

#include <QDialog>
#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace rpt::gui {

class TFormInstruction : public QDialog {
  Q_OBJECT
 public:
  explicit TFormInstruction(QWidget* parent = nullptr);

  // Shows (or brings forward) the window with the instruction of a table.
  void ShowFor(const QString& tableCaption, const QString& text);

  // How "Печатать" prints the text; unset: the print dialog, and the text
  // printed when it is confirmed (tests script it).
  using Printer = std::function<void(const QString& text)>;
  void SetPrinter(Printer printer) { printer_ = std::move(printer); }

  QPlainTextEdit* Text() const { return text_; }
  QPushButton* PrintButton() const { return print_; }
  QPushButton* CloseButton() const { return close_; }

 private:
  void Print();

  QPlainTextEdit* text_;
  QPushButton* print_;
  QPushButton* close_;
  Printer printer_;
};

}  // namespace rpt::gui
