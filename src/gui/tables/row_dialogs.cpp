#include "gui/tables/row_dialogs.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "gui/foundation/help.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

namespace {

constexpr int kRowLimit = 100;
constexpr int kSortHelpTopic = 2003;

// The arrows stop at 100 like the field's maximum, but a larger number can
// be typed, so that leaving the field or pressing Enter can refuse it with
// its warning instead of the field silently cutting it down.
class RowCountSpinBox : public QSpinBox {
 public:
  explicit RowCountSpinBox(QWidget* parent) : QSpinBox(parent) { setRange(1, 999999); }
  void stepBy(int steps) override { setValue(std::clamp(value() + steps, 1, kRowLimit)); }

 protected:
  StepEnabled stepEnabled() const override {
    StepEnabled e = StepNone;
    if (value() > 1) e |= StepDownEnabled;
    if (value() < kRowLimit) e |= StepUpEnabled;
    return e;
  }
};

void CenterOnScreen(QWidget* w) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  w->adjustSize();
  w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
}

}  // namespace

// --- "Количество строк" -------------------------------------------------------

TF_InsRowCount::TF_InsRowCount(RowCountSpin& spin, QWidget* parent)
    : QDialog(parent), model_(spin), spin_(new RowCountSpinBox(this)), execute_(new QPushButton(this)),
      cancel_(new QPushButton(this)) {
  setObjectName("TF_InsRowCount");
  setWindowTitle(FromCp1251("Количество строк"_w));
  spin_->setValue(static_cast<int>(spin.value));
  spin_->installEventFilter(this);
  execute_->setText(FromCp1251("Выполнить"_w));
  cancel_->setText(FromCp1251("Отменить"_w));
  // Enter belongs to the field (it has rules of its own), not to a default button.
  execute_->setAutoDefault(false);
  cancel_->setAutoDefault(false);
  connect(execute_, &QPushButton::clicked, this, &TF_InsRowCount::ExecuteClick);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(execute_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(spin_);
  layout->addLayout(buttons);
  setFixedWidth(240);
  CenterOnScreen(this);
  spin_->setFocus();
  spin_->selectAll();
}

void TF_InsRowCount::TakeValue() {
  spin_->interpretText();
  model_.value = spin_->value();
}

void TF_InsRowCount::ExecuteClick() {
  TakeValue();
  // Leaving the field for the button: above 100 it warns and keeps the dialog.
  if (!model_.Leave()) {
    spin_->setFocus();
    return;
  }
  accept();
}

bool TF_InsRowCount::eventFilter(QObject* watched, QEvent* event) {
  if (watched == spin_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      TakeValue();
      if (model_.Enter()) {
        accept();
      } else {
        spin_->setValue(static_cast<int>(model_.value));
        spin_->selectAll();
      }
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      reject();
      return true;
    }
  }
  if (watched == spin_ && event->type() == QEvent::FocusOut && isVisible()) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    // Tabbing out of the field hands the value on; a click on "Выполнить"
    // is judged by ExecuteClick (one warning, not two), one on "Отменить"
    // needs no judgement.
    if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && focusWidget() != cancel_) {
      TakeValue();
      if (!model_.Leave()) spin_->setFocus();
    }
  }
  return QDialog::eventFilter(watched, event);
}

// --- "Выбор столбцов для сортировки" ------------------------------------------

TF_SortColumns::TF_SortColumns(const std::vector<std::string>& available, QWidget* parent)
    : QDialog(parent), available_(new QListWidget(this)), chosen_(new QListWidget(this)),
      right_(new QPushButton(">", this)), allRight_(new QPushButton(">>", this)),
      left_(new QPushButton("<", this)), allLeft_(new QPushButton("<<", this)), sort_(new QPushButton(this)),
      cancel_(new QPushButton(this)), help_button_(new QPushButton(this)) {
  setObjectName("TF_SortColumns");
  setWindowTitle(FromCp1251("Выбор столбцов для сортировки"_w));
  for (const std::string& column : available) available_->addItem(FromCp1251(column));
  available_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  chosen_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  if (available_->count() > 0) available_->setCurrentRow(0);
  sort_->setText(FromCp1251("Сортировать"_w));
  cancel_->setText(FromCp1251("Отменить"_w));
  help_button_->setText(FromCp1251("Справка"_w));
  sort_->setDefault(true);
  for (QPushButton* b : {right_, allRight_, left_, allLeft_}) b->setFixedWidth(36);

  connect(right_, &QPushButton::clicked, this, &TF_SortColumns::MoveRight);
  connect(allRight_, &QPushButton::clicked, this, &TF_SortColumns::MoveAllRight);
  connect(left_, &QPushButton::clicked, this, &TF_SortColumns::MoveLeft);
  connect(allLeft_, &QPushButton::clicked, this, &TF_SortColumns::MoveAllLeft);
  connect(available_, &QListWidget::itemDoubleClicked, this, &TF_SortColumns::MoveRight);
  connect(chosen_, &QListWidget::itemDoubleClicked, this, &TF_SortColumns::MoveLeft);
  connect(available_, &QListWidget::itemSelectionChanged, this, &TF_SortColumns::UpdateButtons);
  connect(chosen_, &QListWidget::itemSelectionChanged, this, &TF_SortColumns::UpdateButtons);
  connect(sort_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  OnHelpKey(this, [this] {
    if (help_) help_(kSortHelpTopic);
  });
  connect(help_button_, &QPushButton::clicked, this, [this] {
    if (help_) help_(kSortHelpTopic);
  });

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(FromCp1251("Доступные столбцы"_w), this), 0, 0);
  grid->addWidget(new QLabel(FromCp1251("Отобранные столбцы"_w), this), 0, 2);
  grid->addWidget(available_, 1, 0);
  auto* moves = new QVBoxLayout;
  moves->addStretch();
  for (QPushButton* b : {right_, allRight_, left_, allLeft_}) moves->addWidget(b);
  moves->addStretch();
  grid->addLayout(moves, 1, 1);
  grid->addWidget(chosen_, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(sort_);
  buttons->addWidget(cancel_);
  buttons->addWidget(help_button_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid, 1);
  layout->addLayout(buttons);
  resize(380, 300);
  UpdateButtons();
}

namespace {

// Moves the selected (or all) items from one list to the end of the other,
// in their order, keeping them selected there.
void MoveItems(QListWidget* from, QListWidget* to, bool all) {
  std::vector<int> rows;
  for (int i = 0; i < from->count(); ++i)
    if (all || from->item(i)->isSelected()) rows.push_back(i);
  if (rows.empty()) return;
  to->clearSelection();
  for (const int row : rows) {
    auto* item = new QListWidgetItem(from->item(row)->text());
    to->addItem(item);
    item->setSelected(true);
    to->setCurrentItem(item);
  }
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) delete from->takeItem(*it);
  // The next item stays at hand for the next move.
  if (from->count() > 0) {
    from->clearSelection();
    from->setCurrentRow(std::min(rows.front(), from->count() - 1));
  }
}

}  // namespace

void TF_SortColumns::MoveRight() { MoveItems(available_, chosen_, false); UpdateButtons(); }
void TF_SortColumns::MoveAllRight() { MoveItems(available_, chosen_, true); UpdateButtons(); }
void TF_SortColumns::MoveLeft() { MoveItems(chosen_, available_, false); UpdateButtons(); }
void TF_SortColumns::MoveAllLeft() { MoveItems(chosen_, available_, true); UpdateButtons(); }

void TF_SortColumns::UpdateButtons() {
  right_->setEnabled(!available_->selectedItems().isEmpty());
  allRight_->setEnabled(available_->count() > 0);
  left_->setEnabled(!chosen_->selectedItems().isEmpty());
  allLeft_->setEnabled(chosen_->count() > 0);
}

std::vector<std::string> TF_SortColumns::ChosenColumns() const {
  std::vector<std::string> out;
  for (int i = 0; i < chosen_->count(); ++i) out.push_back(ToCp1251(chosen_->item(i)->text()));
  return out;
}

// --- RowDialogs -------------------------------------------------------------------

bool QtRowDialogs::RowCount(RowCountSpin& spin) {
  TF_InsRowCount dialog(spin, parent_);
  return dialog.exec() == QDialog::Accepted;
}

std::optional<std::vector<std::string>> QtRowDialogs::SortColumns(const std::vector<std::string>& available) {
  TF_SortColumns dialog(available, parent_);
  dialog.SetHelp(help_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.ChosenColumns();
}

}  // namespace rpt::gui
