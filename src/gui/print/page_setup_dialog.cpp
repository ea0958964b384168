#include "gui/print/page_setup_dialog.h"

#include <QGroupBox>
#include <QGridLayout>
#include <QLabel>
#include <QHelpEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolTip>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

namespace {
constexpr int kSketchHeight = 222;
}  // namespace

TFormPageSetup::TFormPageSetup(Interaction& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
  setObjectName("FormPageSetup");
  setWindowTitle(U("Параметры страницы"));
  auto* layout = new QVBoxLayout(this);
  layout->addSpacing(kSketchHeight);
  auto* orient = new QGroupBox(U(" Ориентация "), this);
  orient->setToolTip(U("Выбор ориентации страницы"));
  auto* ol = new QVBoxLayout(orient);
  portrait_ = new QRadioButton(U("Книжная"), orient);
  landscape_ = new QRadioButton(U("Альбомная"), orient);
  ol->addWidget(portrait_);
  ol->addWidget(landscape_);
  auto* margins = new QGroupBox(U(" Поля "), this);
  margins->setToolTip(U("Установка полей страницы"));
  auto* ml = new QGridLayout(margins);
  auto edit = [&](const char* caption, int row, int col, int max, output::Margin m) {
    auto* box = new QSpinBox(margins);
    box->setRange(0, max);
    ml->addWidget(new QLabel(U(caption), margins), row, col);
    ml->addWidget(box, row, col + 1);
    connect(box, &QSpinBox::valueChanged, this, [this, m](int v) {
      if (refreshing_) return;
      state_.SetMargin(m, v);
      cancel_->setEnabled(state_.CancelEnabled());
      update();
    });
    return box;
  };
  left_ = edit("Левое:", 0, 0, output::kMaxMargin, output::Margin::Left);
  top_ = edit("Верхнее:", 0, 2, output::kMaxTopMargin, output::Margin::Top);
  right_ = edit("Правое:", 1, 0, output::kMaxMargin, output::Margin::Right);
  bottom_ = edit("Нижнее:", 1, 2, output::kMaxMargin, output::Margin::Bottom);
  auto* row = new QHBoxLayout;
  row->addWidget(orient);
  row->addWidget(margins);
  layout->addLayout(row);
  auto* buttons = new QHBoxLayout;
  standard_ = new QPushButton(U("Стандарт"), this);
  standard_->setToolTip(U("Стандартные поля"));
  apply_ = new QPushButton(U("Применить"), this);
  apply_->setToolTip(U("Применить изменения"));
  cancel_ = new QPushButton(U("Отменить"), this);
  cancel_->setToolTip(U("Отказаться от изменений"));
  buttons->addWidget(standard_);
  buttons->addStretch();
  buttons->addWidget(apply_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);
  for (auto* b : {standard_, apply_, cancel_}) b->setAutoDefault(false);
  apply_->setDefault(true);
  setToolTip(QString());

  auto orientation = [this](std::uint8_t o) {
    if (refreshing_) return;
    state_.SetOrientation(o);
    Refresh();
  };
  connect(portrait_, &QRadioButton::toggled, this, [orientation](bool on) { if (on) orientation(0); });
  connect(landscape_, &QRadioButton::toggled, this, [orientation](bool on) { if (on) orientation(1); });
  connect(standard_, &QPushButton::clicked, this, [this] {
    state_.Standard();
    Refresh();
  });
  connect(cancel_, &QPushButton::clicked, this, [this] {
    state_.Cancel();
    Refresh();
  });
  connect(apply_, &QPushButton::clicked, this, [this] {
    state_.Apply();
    accept();
  });
  resize(420, 400);
  Refresh();
}

void TFormPageSetup::Refresh() {
  refreshing_ = true;
  const PageSettings& r = state_.Record();
  (r.orientation == 1 ? landscape_ : portrait_)->setChecked(true);
  left_->setValue(r.left);
  top_->setValue(r.top);
  right_->setValue(r.right);
  bottom_->setValue(r.bottom);
  cancel_->setEnabled(state_.CancelEnabled());
  refreshing_ = false;
  update();
}

bool TFormPageSetup::Edit(PageSettings& page) {
  state_.Show(page);
  Refresh();
  exec();
  if (!state_.Applied()) return false;
  page = state_.Record();
  return true;
}

void TFormPageSetup::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  apply_->setFocus();
}

void TFormPageSetup::done(int result) {
  if (result != QDialog::Accepted && state_.CancelEnabled()) {
    const Button b = ui_.ShowMessage(MessageKind::Confirmation, Utf8ToCp1251("Сохранить изменения?"),
                                     kYes | kNo | kCancel, kYes);
    if (!state_.Close(b == kYes ? output::CloseAnswer::Yes
                                : b == kNo ? output::CloseAnswer::No : output::CloseAnswer::Cancel))
      return;
    Refresh();
    QDialog::done(state_.Applied() ? QDialog::Accepted : QDialog::Rejected);
    return;
  }
  state_.Close(output::CloseAnswer::No);
  QDialog::done(result);
}

QString TFormPageSetup::HintAt(const QPoint& pos) const {
  const output::SketchRect r = output::PageSketch(state_.Record(), width()).page;
  return QRect(r.left, r.top, r.width, r.height).contains(pos) ? U("Макет страницы") : QString();
}

bool TFormPageSetup::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(e);
    const QString hint = HintAt(help->pos());
    if (!hint.isEmpty()) {
      QToolTip::showText(help->globalPos(), hint, this);
      return true;
    }
  }
  return QDialog::event(e);
}

void TFormPageSetup::paintEvent(QPaintEvent* e) {
  QDialog::paintEvent(e);
  const output::Sketch s = output::PageSketch(state_.Record(), width());
  QPainter p(this);
  p.setPen(Qt::black);
  p.fillRect(QRect(s.page.left + 3, s.page.top + 3, s.page.width, s.page.height), Qt::darkGray);
  p.fillRect(QRect(s.page.left, s.page.top, s.page.width, s.page.height), Qt::white);
  p.drawRect(QRect(s.page.left, s.page.top, s.page.width, s.page.height));
  QPen dotted(Qt::gray);
  dotted.setStyle(Qt::DotLine);
  p.setPen(dotted);
  p.drawRect(QRect(s.printable.left, s.printable.top, s.printable.width, s.printable.height));
}

}  // namespace rpt::gui
