#include "gui/tables/instruction_window.h"
#include "gui/foundation/qt_text.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace rpt::gui {

TFormInstruction::TFormInstruction(QWidget* parent)
    : QDialog(parent), text_(new QPlainTextEdit(this)), print_(new QPushButton(U("Печатать"), this)),
      close_(new QPushButton(U("Закрыть"), this)) {
  setObjectName(QStringLiteral("FormInstruction"));
  setModal(false);
  text_->setObjectName(QStringLiteral("InstructionText"));
  text_->setReadOnly(true);
  // The keyboard moves through the text (arrows, paging keys) as in an editor.
  text_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  print_->setObjectName(QStringLiteral("InstructionPrint"));
  print_->setToolTip(U("Распечатать инструкцию"));
  close_->setObjectName(QStringLiteral("InstructionClose"));
  print_->setAutoDefault(false);
  close_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(print_);
  buttons->addWidget(close_);
  auto* column = new QVBoxLayout(this);
  column->addWidget(text_, 1);
  column->addLayout(buttons);
  resize(640, 460);
  connect(print_, &QPushButton::clicked, this, [this] { Print(); });
  connect(close_, &QPushButton::clicked, this, &QDialog::close);
}

void TFormInstruction::ShowFor(const QString& tableCaption, const QString& text) {
  setWindowTitle(U("Инструкция по заполнению таблицы") +
                 (tableCaption.isEmpty() ? QString() : U(": ") + tableCaption));
  text_->setPlainText(text);
  text_->moveCursor(QTextCursor::Start);
  show();
  raise();
  activateWindow();
  text_->setFocus();
}

void TFormInstruction::Print() {
  if (printer_) {
    printer_(text_->toPlainText());
    return;
  }
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  QTextDocument document;
  document.setPlainText(text_->toPlainText());
  document.print(&printer);
}

}  // namespace rpt::gui
