#include "gui/report/select_tab.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "core/report/report_state.h"
#include "core/app/startup.h"
#include "gui/foundation/help.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"
#include "gui/report/structure_window.h"

namespace rpt::gui {

using namespace literals;

namespace {


bool IsOpenable(const QTreeWidgetItem* item) {
  if (!item) return false;
  const auto kind = static_cast<NodeKind>(item->data(0, kKindRole).toInt());
  return (kind == NodeKind::Table || kind == NodeKind::Document) && !item->data(0, kExcludedRole).toBool();
}

bool IsFolder(const QTreeWidgetItem* item) {
  const auto kind = static_cast<NodeKind>(item->data(0, kKindRole).toInt());
  return kind == NodeKind::Root || kind == NodeKind::Section;
}

void Refresh(QTreeWidgetItem* item) {
  const auto kind = static_cast<NodeKind>(item->data(0, kKindRole).toInt());
  const int image = kind == NodeKind::Table      ? kImageTable
                    : kind == NodeKind::Document ? kImageDocument
                    : item->isExpanded()         ? kImageOpen
                                                 : kImageClosed;
  item->setIcon(0, NodeIcon(image, item->data(0, kStateRole).toInt()));
}

// Copies a node and its children with their data (not their icons).
QTreeWidgetItem* CloneTree(const QTreeWidgetItem* from) {
  auto* to = new QTreeWidgetItem(QStringList(from->text(0)));
  for (int role = kKindRole; role <= kStateRole; ++role) to->setData(0, role, from->data(0, role));
  for (int i = 0; i < from->childCount(); ++i) to->addChild(CloneTree(from->child(i)));
  return to;
}

}  // namespace

TSelectTab::TSelectTab(TF_StructRep* structure, QWidget* parent)
    : QDialog(parent), structure_(structure), tree_(new QTreeWidget(this)), open_(new QPushButton(this)) {
  setObjectName("SelectTab");
  setWindowTitle(FromCp1251("Выбор документа"_w));
  tree_->setHeaderHidden(true);
  tree_->setIconSize(QSize(2 * kImageSize + 2, kImageSize));
  tree_->installEventFilter(this);
  open_->setText(FromCp1251("Открыть"_w));
  open_->setToolTip(FromCp1251("Открыть таблицу"_w));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(open_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_, 1);
  layout->addLayout(buttons);
  resize(420, 520);

  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* popup = new QMenu(this);
  QAction* expand = popup->addAction(FromCp1251("Развернуть"_w));
  expand->setStatusTip(FromCp1251("Раскрыть дерево структуры"_w));
  connect(expand, &QAction::triggered, this, [this] {
    tree_->expandAll();
    tree_->scrollToTop();
  });
  QAction* collapse = popup->addAction(FromCp1251("Свернуть"_w));
  collapse->setStatusTip(FromCp1251("Свернуть дерево структуры"_w));
  connect(collapse, &QAction::triggered, tree_, &QTreeWidget::collapseAll);
  popup->addAction(FromCp1251("Справка"_w), this, [this] {
    if (structure_) structure_->Help(2);
  });
  connect(tree_, &QWidget::customContextMenuRequested, this,
          [this, popup](const QPoint& pos) { popup->exec(tree_->viewport()->mapToGlobal(pos)); });
  OnHelpKey(this, [this] {
    if (structure_) structure_->Help(2);
  });
  connect(open_, &QPushButton::clicked, this, &TSelectTab::OpenSelected);
  connect(tree_, &QTreeWidget::currentItemChanged, this, &TSelectTab::UpdateOpen);
  connect(tree_, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* item) { Refresh(item); });
  connect(tree_, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) { Refresh(item); });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (IsOpenable(item)) OpenSelected();
  });
  UpdateOpen();
}

void TSelectTab::Rebuild(const TReportState* state, const TF_StructRep& structure) {
  tree_->clear();
  // The document selection shows the report without its included
  // sub-reports; the nodes are the same, as the structure file is.
  if (state && state->selectionStructure && structure.Tree()->topLevelItemCount() > 0) {
    tree_->addTopLevelItem(CloneTree(structure.Tree()->topLevelItem(0)));
    tree_->expandAll();
    tree_->setCurrentItem(tree_->topLevelItem(0));
  }
  CopyStates(structure);
}

void TSelectTab::CopyStates(const TF_StructRep& structure) {
  QTreeWidgetItemIterator mine(tree_);
  QTreeWidgetItemIterator theirs(structure.Tree());
  for (; *mine && *theirs; ++mine, ++theirs) {
    (*mine)->setData(0, kExcludedRole, (*theirs)->data(0, kExcludedRole));
    (*mine)->setData(0, kStateRole, (*theirs)->data(0, kStateRole));
  }
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) Refresh(*it);
  UpdateOpen();
}

void TSelectTab::Select(int position) {
  int i = 0;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it, ++i)
    if (i == position) {
      tree_->setCurrentItem(*it);
      return;
    }
}

int TSelectTab::SelectedPosition() const {
  int i = 0;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it, ++i)
    if (*it == tree_->currentItem()) return i;
  return -1;
}

void TSelectTab::UpdateOpen() { open_->setEnabled(IsOpenable(tree_->currentItem())); }

void TSelectTab::OpenSelected() {
  if (!IsOpenable(tree_->currentItem()) || !structure_) return;
  structure_->SelectPosition(SelectedPosition());
  structure_->EditExecute(false);
  close();
}

bool TSelectTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      QTreeWidgetItem* item = tree_->currentItem();
      if (IsOpenable(item))
        OpenSelected();
      else if (item && IsFolder(item))
        item->setExpanded(!item->isExpanded());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace rpt::gui
