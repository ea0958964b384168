#include "gui/import/import_dialogs.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

namespace {

QString W(std::string_view cp1251) { return FromCp1251(cp1251); }

QHBoxLayout* Buttons(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* b : buttons) row->addWidget(b);
  return row;
}

void AddCheckable(QListWidget* list, const QString& text) {
  auto* item = new QListWidgetItem(text, list);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(Qt::Unchecked);
}

int Checked(const QListWidget* list) {
  int n = 0;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->checkState() == Qt::Checked) ++n;
  return n;
}

}  // namespace

TImportLastYearDlg::TImportLastYearDlg(const std::vector<ImportListLine>& lines, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)), run_(new QPushButton(W("Выполнить"_w), this)) {
  setObjectName("TImportLastYearDlg");
  setWindowTitle(W("Импорт данных прошлого года"_w));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(W("Наиболее устойчивые данные можно импортировать из отчета прошлого года.\n"
                                 "Импорт этих данных осуществляется на уровне отдельных таблиц.\n"
                                 "К таким таблицам в этом году отнесены:"_w),
                               this));
  for (const auto& line : lines) AddCheckable(list_, W(line.text));
  layout->addWidget(list_, 1);
  layout->addWidget(new QLabel(W("Отметьте нужные элементы и нажмите клавишу \"Выполнить\"."_w), this));
  auto* cancel = new QPushButton(W("Отменить"_w), this);
  layout->addLayout(Buttons({run_, cancel}));
  run_->setDefault(true);
  run_->setEnabled(false);
  connect(list_, &QListWidget::itemChanged, this, [this] { run_->setEnabled(Checked(list_) > 0); });
  connect(run_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(640, 360);
}

std::vector<int> TImportLastYearDlg::SelectedEntries() const {
  std::vector<int> out;
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->checkState() == Qt::Checked)
      out.push_back(EntryNumberOfLine(ToCp1251(list_->item(i)->text())));
  return out;
}

TImportProt::TImportProt(const ImportProtocol& protocol, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
  setObjectName("TImportProt");
  setWindowTitle(W("Протокол импорта данных"_w));
  auto* layout = new QVBoxLayout(this);
  for (const auto& line : protocol.lines()) list_->addItem(W(line));
  layout->addWidget(list_, 1);
  auto* ok = new QPushButton(W("Дальше"_w), this);
  ok->setDefault(true);
  layout->addLayout(Buttons({ok}));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  resize(820, 300);
}

TDlgImportFromThisYear::TDlgImportFromThisYear(const std::vector<std::string>& titles, QWidget* parent)
    : QDialog(parent),
      list_(new QListWidget(this)),
      counter_(new QLabel(this)),
      menu_(new QMenu(this)),
      titles_(titles) {
  setObjectName("TDlgImportFromThisYear");
  setWindowTitle(W("Импорт данных из отчета этого года"_w));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(W("Отметьте те элементы отчета, которые хотите скопировать в открытый отчет.\n"
                                 "Учтите, что выбранные элементы заменят соответствующие элементы открытого "
                                 "отчета."_w),
                               this));
  for (const auto& title : titles_) AddCheckable(list_, W(title));
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(list_, 1);
  layout->addWidget(counter_);
  auto* run = new QPushButton(W("Выполнить"_w), this);
  auto* cancel = new QPushButton(W("Отменить"_w), this);
  run->setDefault(true);
  layout->addLayout(Buttons({run, cancel}));

  menu_->addAction(W("Выделить все"_w), list_, &QListWidget::selectAll);
  menu_->addAction(W("Отменить выделение"_w), list_, &QListWidget::clearSelection);
  menu_->addAction(W("Отметить все"_w), this, [this] { TickAll(true); });
  menu_->addAction(W("Отметить выделенное"_w), this, [this] { TickSelected(); });
  menu_->addAction(W("Снять все отметки"_w), this, [this] { TickAll(false); });
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });
  connect(list_, &QListWidget::itemDoubleClicked, this, [](QListWidgetItem* item) {
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  });
  connect(list_, &QListWidget::itemChanged, this, [this] { Count(); });
  connect(run, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  Count();
  resize(560, 400);
}

void TDlgImportFromThisYear::Count() {
  counter_->setText(W("Отмечено: "_w) + QString::number(Checked(list_)));
}

void TDlgImportFromThisYear::TickAll(bool ticked) {
  for (int i = 0; i < list_->count(); ++i) list_->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void TDlgImportFromThisYear::TickSelected() {
  for (QListWidgetItem* item : list_->selectedItems()) item->setCheckState(Qt::Checked);
}

std::vector<std::string> TDlgImportFromThisYear::SelectedTitles() const {
  std::vector<std::string> out;
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->checkState() == Qt::Checked) out.push_back(titles_[static_cast<std::size_t>(i)]);
  return out;
}

}  // namespace rpt::gui
