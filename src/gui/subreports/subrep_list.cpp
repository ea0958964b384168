#include "gui/subreports/subrep_list.h"

#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "core/report/report_state.h"
#include "core/report/structure.h"
#include "core/subreports/inclusion.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

namespace {

// A hint "short|long": the tooltip and the status tip.
void SetHint(QWidget* w, std::string_view hint) {
  const QString text = FromCp1251(hint);
  const int bar = text.indexOf('|');
  w->setToolTip(bar < 0 ? text : text.left(bar));
  w->setStatusTip(bar < 0 ? text : text.mid(bar + 1));
}

}  // namespace

TFormSubrepList::TFormSubrepList(TReportState& state, std::function<void()> changed, QWidget* parent)
    : QDialog(parent), state_(state), changed_(std::move(changed)) {
  setObjectName("TFormSubrepList");
  setWindowTitle(FromCp1251("Подотчеты"_w));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(FromCp1251("Отчет содержит следующие подотчеты"_w), this));
  list_ = new QListWidget(this);
  // The numbers are led by a blank below 10: a fixed-pitch font keeps the
  // folders in one column.
  list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  list_->setMinimumSize(520, 220);
  layout->addWidget(list_);
  auto* buttons = new QHBoxLayout;
  detach_ = new QPushButton(FromCp1251("Отсоединить"_w), this);
  attach_ = new QPushButton(FromCp1251("Присоединить"_w), this);
  exit_ = new QPushButton(FromCp1251("Выход"_w), this);
  SetHint(detach_, "Отсоединить подотчет|Удалить данные выбранного подотчета из отчета"_w);
  SetHint(attach_, "Присоединить подотчет|Присоединить новый подотчет к открытому отчету"_w);
  SetHint(exit_, "Закрыть окно|Закрыть список подотчетов"_w);
  buttons->addWidget(detach_);
  buttons->addWidget(attach_);
  buttons->addStretch();
  buttons->addWidget(exit_);
  layout->addLayout(buttons);
  connect(detach_, &QPushButton::clicked, this, &TFormSubrepList::Detach);
  connect(attach_, &QPushButton::clicked, this, &TFormSubrepList::Attach);
  connect(exit_, &QPushButton::clicked, this, &QDialog::accept);
  connect(list_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
  Rebuild();
}

void TFormSubrepList::Rebuild(const QString& select) {
  list_->clear();
  const auto path = FindStructureFile(state_.folders().working);
  if (path)
    for (const std::string& line : SubreportListLines(ReadSubreportFolders(*path)))
      list_->addItem(FromCp1251(line));
  int row = list_->count() > 0 ? 0 : -1;
  if (!select.isEmpty())
    for (int i = 0; i < list_->count(); ++i)
      if (list_->item(i)->text().contains(select)) row = i;
  list_->setCurrentRow(row);
  UpdateButtons();
}

void TFormSubrepList::UpdateButtons() { detach_->setEnabled(list_->currentRow() >= 0); }

void TFormSubrepList::Detach() {
  QListWidgetItem* item = list_->currentItem();
  if (!item) return;
  const std::string folder = StoredFolderToPath(FolderOfListLine(ToCp1251(item->text())));
  hide();
  TSubreportInclusion(state_).RemoveSubreport(folder);
  if (changed_) changed_();
  Rebuild();
  show();
}

void TFormSubrepList::Attach() {
  setEnabled(false);
  const auto folder = TSubreportInclusion(state_).IncludeSubreport();
  setEnabled(true);
  if (changed_) changed_();
  if (folder) {
    QString shown = QString::fromStdString(*folder);
    while (shown.size() > 1 && shown.endsWith('/')) shown.chop(1);
    Rebuild(shown);
  }
}

}  // namespace rpt::gui
