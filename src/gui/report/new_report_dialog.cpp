#include "gui/report/new_report_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "core/report/report_folder_dialog.h"
#include "gui/foundation/help.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

TFormNewRepDialog::TFormNewRepDialog(TFormNewRep& logic, QWidget* parent)
    : QDialog(parent),
      logic_(logic),
      text_(new QLabel(this)),
      choose_(new QPushButton(FromCp1251("Выбрать папку"_w), this)),
      auto_(new QPushButton(FromCp1251("Создать автоматически"_w), this)),
      cancel_(new QPushButton(FromCp1251("Отменить"_w), this)) {
  setObjectName("FormNewRep");
  setWindowTitle(FromCp1251(TFormNewRep::Caption()));
  text_->setText(FromCp1251(logic.ExplanatoryText()));
  text_->setWordWrap(true);
  text_->setMinimumWidth(380);
  choose_->setStatusTip(FromCp1251("Создать или выбрать папку самостоятельно"_w));
  choose_->setToolTip(choose_->statusTip());
  auto_->setStatusTip(FromCp1251("Создать новую папку автоматически"_w));
  auto_->setToolTip(auto_->statusTip());
  cancel_->setToolTip(FromCp1251("Отменить создание отчета"_w));
  auto_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(choose_);
  buttons->addWidget(auto_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addSpacing(10);
  layout->addLayout(buttons);
  connect(choose_, &QPushButton::clicked, this, [this] { Press([this] { logic_.ChooseFolder(); }); });
  connect(auto_, &QPushButton::clicked, this, [this] { Press([this] { logic_.CreateAutomatically(); }); });
  connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
}

template <typename F>
void TFormNewRepDialog::Press(F f) {
  try {
    f();
  } catch (...) {
    failure_ = std::current_exception();
    if (!logic_.closed()) logic_.Cancel();
  }
  if (logic_.closed()) done(logic_.result() == FolderDialogResult::Created ? Accepted : Rejected);
}

void TFormNewRepDialog::reject() {
  if (!logic_.closed()) logic_.Cancel();
  QDialog::reject();
}

void TFormNewRepDialog::Run(TFormNewRep& logic, QWidget* parent, std::function<void()> help) {
  TFormNewRepDialog dialog(logic, parent);
  if (help) OnHelpKey(&dialog, std::move(help));
  dialog.exec();
  if (dialog.failure_) std::rethrow_exception(dialog.failure_);
}

}  // namespace rpt::gui
