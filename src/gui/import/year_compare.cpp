#include "gui/import/year_compare.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/foundation/text_case.h"
#include "core/import/import_common.h"
#include "core/import/year_figures.h"
#include "core/report/report_state.h"
#include "core/tables/table.h"
#include "gui/foundation/qt_text.h"
#include "gui/import/year_charts.h"

namespace rpt::gui {

using namespace literals;

namespace {

QDoubleSpinBox* PercentBox(double value, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(0, 100000);
  box->setDecimals(1);
  box->setSuffix(U(" %"));
  box->setValue(value);
  return box;
}

QString FolderText(const std::string& folder) { return QString::fromStdString(folder); }

}  // namespace

// --- the dialog ------------------------------------------------------------------------------

TCompareDialog::TCompareDialog(const ComparisonSettings& settings, std::string startFolder, Interaction& ui,
                               QWidget* parent)
    : QDialog(parent), folderPath_(settings.lastYearFolder), startFolder_(std::move(startFolder)), ui_(ui) {
  setWindowTitle(U("Сравнение с прошлым годом"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(U("Отчет прошлого года:"), this));
  auto* row = new QHBoxLayout;
  folder_ = new QLineEdit(FolderText(folderPath_), this);
  folder_->setReadOnly(true);
  folder_->setMinimumWidth(380);
  auto* choose = new QPushButton(U("Выбрать ..."), this);
  choose->setObjectName("ChooseLastYear");
  row->addWidget(folder_, 1);
  row->addWidget(choose);
  layout->addLayout(row);
  auto* form = new QFormLayout;
  growth_ = PercentBox(settings.thresholds.growthPercent, this);
  fall_ = PercentBox(settings.thresholds.fallPercent, this);
  zero_ = new QCheckBox(U("переход от нуля к другому значению и обратно"), this);
  zero_->setChecked(settings.thresholds.zeroChanges);
  form->addRow(U("Отмечать рост более чем на"), growth_);
  form->addRow(U("Отмечать снижение более чем на"), fall_);
  form->addRow(QString(), zero_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(U("Сравнить"), QDialogButtonBox::AcceptRole);
  ok_->setObjectName("CompareButton");
  buttons->addButton(U("Отменить"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);
  ok_->setEnabled(!folderPath_.empty());
  connect(choose, &QPushButton::clicked, this, [this] { Choose(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TCompareDialog::Choose() {
  const auto file = ui_.ChooseOpenFile("Поиск отчета"_w, "Файлы отчетов (*.rpt)|*.RPT"_w,
                                       folderPath_.empty() ? startFolder_ : folderPath_);
  if (!file || file->empty()) return;
  folderPath_ = SourceFolderOf(*file);
  folder_->setText(FolderText(folderPath_));
  ok_->setEnabled(true);
}

ComparisonSettings TCompareDialog::settings() const {
  ComparisonSettings s;
  s.lastYearFolder = folderPath_;
  s.thresholds.growthPercent = growth_->value();
  s.thresholds.fallPercent = fall_->value();
  s.thresholds.zeroChanges = zero_->isChecked();
  return s;
}

// --- the list of changes ---------------------------------------------------------------------

TFormYearChanges::TFormYearChanges(QWidget* parent) : QDialog(parent) {
  setWindowTitle(U("Изменения по сравнению с прошлым годом"));
  auto* layout = new QVBoxLayout(this);
  heading_ = new QLabel(this);
  heading_->setWordWrap(true);
  layout->addWidget(heading_);
  list_ = new QTreeWidget(this);
  list_->setObjectName("YearChangesList");
  list_->setRootIsDecorated(false);
  list_->setAlternatingRowColors(true);
  list_->setHeaderLabels({U("Таблица"), U("Ячейка"), U("Прошлый год"), U("Этот год"), U("Изменение"), U("Причина")});
  list_->header()->setStretchLastSection(true);
  layout->addWidget(list_, 1);
  auto* buttons = new QHBoxLayout;
  go_ = new QPushButton(U("Таблица"), this);
  go_->setObjectName("GoToCell");
  go_->setToolTip(U("Перейти к ячейке"));
  auto* close = new QPushButton(U("Закрыть"), this);
  buttons->addWidget(go_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  resize(900, 420);
  connect(go_, &QPushButton::clicked, this, [this] {
    if (QTreeWidgetItem* item = list_->currentItem()) Choose(list_->indexOfTopLevelItem(item));
  });
  // A double click or Enter on a line, as "Таблица".
  connect(list_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { Choose(list_->indexOfTopLevelItem(item)); });
  connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { go_->setEnabled(item); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormYearChanges::Fill(const TYearComparison& comparison, const TReportState& state) {
  const std::vector<FlaggedCell> flagged = comparison.Flagged(state);
  state_ = &state;
  lines_.clear();
  list_->clear();
  for (const FlaggedCell& f : flagged) {
    lines_.push_back({f.table->file, f.cell->id()});
    const TReportTable& t = *f.table;
    const std::string title = t.caption.empty() ? t.itemTitle : t.caption;
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, FromCp1251(title));
    item->setText(1, FromCp1251(CellPlace(*t.table, *f.cell, f.number)));
    item->setText(2, FromCp1251(f.lastValue));
    item->setText(3, FromCp1251(f.value));
    item->setText(4, f.change.percent ? FromCp1251(FormatPercent(*f.change.percent)) : QString());
    item->setText(5, FromCp1251(FlagReason(f.change, comparison.thresholds)));
    for (int c = 2; c <= 4; ++c) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
  }
  for (int c = 0; c < 5; ++c) list_->resizeColumnToContents(c);
  list_->setColumnWidth(0, std::min(list_->columnWidth(0), 280));
  heading_->setText(U("Отчет прошлого года: ") + FolderText(comparison.folder()) + U("\nОтмечено ячеек: ") +
                    QString::number(flagged.size()));
  if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
  go_->setEnabled(!flagged.empty());
}

void TFormYearChanges::Choose(int index) {
  if (!state_ || index < 0 || index >= static_cast<int>(lines_.size())) return;
  const Line& line = lines_[static_cast<std::size_t>(index)];
  const TTable* table = nullptr;
  const TCell* cell = nullptr;
  for (const TReportTable& t : state_->tables())
    if (t.table && SameText(t.file, line.file)) {
      table = t.table.get();
      break;
    }
  if (!table) return;
  const auto find = [&](const std::vector<std::unique_ptr<TCell>>& cells) {
    for (const auto& c : cells)
      if (!cell && c->id() == line.cell) cell = c.get();
  };
  find(table->header.cells);
  find(table->top.cells);
  for (const auto& row : table->data.rows) find(row->cells);
  find(table->footer.cells);
  // Modal over the structure window: the table comes up in the frame.
  if (isModal()) accept();
  emit cellRequested(table, cell);
}

// --- the comparison of the open report -------------------------------------------------------

TYearCompare::TYearCompare(TReportState& state, Interaction& ui) : state_(state), ui_(ui) {}

void TYearCompare::Follow() {
  const std::string folder = state_.treeVisible && !state_.tables().empty() ? state_.currentFolder : std::string();
  if (folder == followed_) return;
  followed_ = folder;
  comparison_.Close();
  if (!folder.empty()) {
    const ComparisonSettings settings = ReadComparisonSettings(folder);
    comparison_.thresholds = settings.thresholds;
    // A last year's report that has gone away is named again by the user
    // when it is wanted; opening the report stays quiet about it.
    if (!settings.lastYearFolder.empty() && ReportPackageIn(settings.lastYearFolder))
      comparison_.Open(settings.lastYearFolder, state_.folders(), ui_);
  }
  emit comparisonChanged();
}

bool TYearCompare::Apply(const ComparisonSettings& settings) {
  Follow();
  if (!comparison_.Open(settings.lastYearFolder, state_.folders(), ui_)) return false;
  comparison_.thresholds = settings.thresholds;
  const std::string why = WriteComparisonSettings(state_.currentFolder, settings);
  if (!why.empty()) ui_.ShowMessage(MessageKind::Warning, why, kOk, kOk);
  emit comparisonChanged();
  return true;
}

bool TYearCompare::Configure(QWidget* parent) {
  Follow();
  ComparisonSettings settings = ReadComparisonSettings(state_.currentFolder);
  if (settings.lastYearFolder.empty() && comparison_.opened()) settings.lastYearFolder = comparison_.folder();
  TCompareDialog dialog(settings, state_.folders().program, ui_, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (!Apply(dialog.settings())) return false;
  ShowChanges(parent, true);
  return true;
}

void TYearCompare::ShowChanges(QWidget* parent, bool modal) {
  Follow();
  if (!comparison_.opened()) {
    ui_.ShowMessage(MessageKind::Information, "Отчет прошлого года не указан. Выберите его командой \"Сравнить с прошлым годом\" меню \"Данные\"."_w, kOk, kOk);
    return;
  }
  if (!changes_) {
    changes_ = new TFormYearChanges(parent);
    connect(changes_, &TFormYearChanges::cellRequested, this, &TYearCompare::cellRequested);
  } else if (changes_->parentWidget() != parent) {
    changes_->setParent(parent, changes_->windowFlags());
  }
  changes_->Fill(comparison_, state_);
  if (modal) {
    changes_->setModal(true);
    changes_->exec();
  } else {
    changes_->setModal(false);
    changes_->show();
    changes_->raise();
    changes_->activateWindow();
  }
}

void TYearCompare::ShowTableChart(const TTable& table, const std::string& fileCp1251, QWidget* parent) {
  Follow();
  const std::vector<FigureColumn> columns = FigureColumns(table);
  QStringList choices{U("Итоги таблицы")};
  for (const FigureColumn& c : columns) choices << FromCp1251(c.heading);
  const TYearComparison* comparison = comparison_.opened() ? &comparison_ : nullptr;
  const QString title = FromCp1251(table.title.empty() ? table.tableName : table.title);
  TFormYearCharts charts(title, choices,
                         [&](int choice) {
                           if (choice <= 0) return TableTotals(table, fileCp1251, comparison);
                           return ColumnByRows(table, fileCp1251, columns[static_cast<std::size_t>(choice - 1)].col,
                                               comparison);
                         },
                         false, parent);
  charts.exec();
}

void TYearCompare::ShowSummary(QWidget* parent) {
  Follow();
  const std::vector<KeyTotal> totals = ReadKeyTotals(state_.folders().templates);
  const TYearComparison* comparison = comparison_.opened() ? &comparison_ : nullptr;
  TFormYearCharts charts(U("Основные показатели в сравнении с прошлым годом"), {},
                         [&](int) { return KeyTotalFigures(state_, totals, comparison); }, comparison != nullptr,
                         parent);
  charts.exec();
}

}  // namespace rpt::gui
