#include "gui/subreports/composition_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "core/subreports/composition.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

namespace {

void SetHint(QWidget* w, std::string_view hint) {
  const QString text = FromCp1251(hint);
  const int bar = text.indexOf('|');
  w->setToolTip(bar < 0 ? text : text.left(bar));
  w->setStatusTip(bar < 0 ? text : text.mid(bar + 1));
}

// A number with the window's decimals, "," or "." as the separator.
QRegularExpression NumberPattern(int decimals) {
  const QString fraction = decimals > 0 ? QString("([.,]\\d{0,%1})?").arg(decimals) : QString();
  return QRegularExpression("-?\\d*" + fraction);
}

}  // namespace

TFormSRData::TFormSRData(std::unique_ptr<TSubreportComposition> model, Interaction& ui, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), model_(std::move(model)), ui_(ui) {
  setObjectName("TFormSRData");
  setWindowTitle(FromCp1251("Состав показателя"_w));
  setModal(true);
  auto* layout = new QVBoxLayout(this);

  auto* place = new QHBoxLayout;
  cellLabel_ = new QLabel(this);
  colLabel_ = new QLabel(this);
  rowLabel_ = new QLabel(this);
  for (QLabel* l : {cellLabel_, colLabel_, rowLabel_}) place->addWidget(l);
  place->addStretch();
  layout->addLayout(place);

  grid_ = new QTableWidget(0, 2, this);
  grid_->setHorizontalHeaderLabels({FromCp1251("Источник"_w), FromCp1251("Значение"_w)});
  grid_->verticalHeader()->hide();
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  grid_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Interactive);
  grid_->setColumnWidth(1, 160);
  QFont headerFont = grid_->horizontalHeader()->font();
  headerFont.setBold(true);
  grid_->horizontalHeader()->setFont(headerFont);
  grid_->horizontalHeader()->setStyleSheet("QHeaderView::section { background-color: #c0c0c0; }");
  grid_->setMinimumSize(440, 200);
  layout->addWidget(grid_);

  auto* inputLine = new QHBoxLayout;
  auto* inputLabel = new QLabel(FromCp1251("Введите новое значение:"_w), this);
  input_ = new QLineEdit(this);
  input_->setMaxLength(25);
  input_->setValidator(new QRegularExpressionValidator(NumberPattern(model_->decimals()), input_));
  inputLabel->setBuddy(input_);
  inputLine->addWidget(inputLabel);
  inputLine->addWidget(input_, 1);
  take_ = new QPushButton(FromCp1251("Взять"_w), this);
  SetHint(take_, "Заменить старое значение"_w);
  inputLine->addWidget(take_);
  layout->addLayout(inputLine);

  auto* buttons = new QHBoxLayout;
  save_ = new QPushButton(FromCp1251("Сохранить"_w), this);
  cancel_ = new QPushButton(FromCp1251("Отменить"_w), this);
  exit_ = new QPushButton(FromCp1251("Выход"_w), this);
  SetHint(save_, "Сохранить изменения в отчете и подотчетах"_w);
  SetHint(cancel_, "Вернуть старые значения"_w);
  SetHint(exit_, "Закончить просмотр данных"_w);
  buttons->addWidget(save_);
  buttons->addWidget(cancel_);
  buttons->addStretch();
  buttons->addWidget(exit_);
  layout->addLayout(buttons);

  connect(take_, &QPushButton::clicked, this, &TFormSRData::Take);
  connect(input_, &QLineEdit::returnPressed, this, &TFormSRData::Take);
  connect(save_, &QPushButton::clicked, this, &TFormSRData::Save);
  connect(cancel_, &QPushButton::clicked, this, &TFormSRData::Cancel);
  connect(exit_, &QPushButton::clicked, this, &QDialog::accept);
  connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) { SelectRow(row); });
  // Enter in the input field takes the value; it never presses another button.
  for (QPushButton* b : {take_, save_, cancel_, exit_}) b->setAutoDefault(false);

  cellLabel_->setText(FromCp1251("Ячейка: "_w) + QString::number(model_->cellNumber()));
  if (const auto place = model_->columnAndRow()) {
    colLabel_->setText(FromCp1251("Графа: "_w) + QString::number(place->first));
    rowLabel_->setText(FromCp1251("Строка: "_w) + QString::number(place->second));
  } else {
    colLabel_->hide();
    rowLabel_->hide();
  }
  Fill();
  resize(520, 320);
}

TFormSRData::~TFormSRData() = default;

void TFormSRData::Fill() {
  const auto& rows = model_->rows();
  QSignalBlocker block(grid_);
  grid_->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const CompositionRow& row = rows[static_cast<std::size_t>(i)];
    QColor background = Qt::white, text = Qt::black;
    bool bold = false;
    switch (row.kind) {
      case CompositionRowKind::Report:
        text = Qt::red;
        bold = true;
        break;
      case CompositionRowKind::Sum:
        background = QColor(255, 255, 200);
        text = Qt::blue;
        bold = true;
        break;
      case CompositionRowKind::Subreport: text = row.present ? Qt::black : Qt::gray; break;
    }
    for (int col = 0; col < 2; ++col) {
      auto* item = new QTableWidgetItem(FromCp1251(col == 0 ? row.source : row.value));
      item->setBackground(background);
      item->setForeground(text);
      QFont font = item->font();
      font.setBold(bold);
      item->setFont(font);
      if (col == 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      grid_->setItem(i, col, item);
    }
  }
  grid_->setCurrentCell(0, 0);
  SelectRow(0);
  UpdateButtons();
}

void TFormSRData::SelectRow(int row) {
  if (row < 0) return;
  const auto input = model_->Select(static_cast<std::size_t>(row));
  input_->setText(FromCp1251(input.text));
  input_->setReadOnly(!input.editable);
  take_->setEnabled(input.editable);
  if (input.editable) {
    input_->setFocus();
    input_->selectAll();
  }
}

void TFormSRData::UpdateButtons() {
  save_->setEnabled(model_->changed());
  cancel_->setEnabled(model_->changed());
}

void TFormSRData::Take() {
  const int row = grid_->currentRow();
  if (row < 0 || input_->isReadOnly()) return;
  try {
    if (model_->Take(static_cast<std::size_t>(row), ToCp1251(input_->text()))) {
      Fill();
      grid_->setCurrentCell(row, 0);
    }
  } catch (const std::exception& e) {
    ui_.ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
  }
  UpdateButtons();
}

void TFormSRData::Save() {
  const int row = std::max(0, grid_->currentRow());
  model_->Save();
  Fill();
  grid_->setCurrentCell(row, 0);
}

void TFormSRData::Cancel() {
  try {
    model_->Rebuild();
  } catch (const std::exception& e) {
    ui_.ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
  }
  Fill();
}

void TFormSRData::AskToSave() {
  if (asked_ || !model_->changed()) return;
  asked_ = true;
  if (ui_.ShowMessage(MessageKind::Confirmation, "Сохранить изменения?"_w, kYes | kNo, kYes) == kYes) {
    try {
      model_->Save();  // a failure has been shown; the window closes all the same
    } catch (const std::exception&) {
    }
  }
}

void TFormSRData::closeEvent(QCloseEvent* event) {
  AskToSave();
  QDialog::closeEvent(event);
}

void TFormSRData::done(int result) {
  AskToSave();
  QDialog::done(result);
}

}  // namespace rpt::gui
