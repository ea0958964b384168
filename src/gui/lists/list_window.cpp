#include "gui/lists/list_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "core/lists/list_view_model.h"
#include "core/tables/table.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

namespace {

constexpr int kMinColumn = 50;      // no column is narrower
constexpr int kPadding = 2;         // inside a grid cell
constexpr int kMinTextHeight = 16;  // a row's text is at least this high
constexpr int kFrame = 8;           // the window's width beyond its panes

enum Role { kKeyRole = Qt::UserRole + 1, kLevelRole, kCountRole };

int StoredWidth(int width) { return width <= 4 ? 40 : width; }

}  // namespace

TFormList::TFormList(Interaction& ui, QWidget* parent)
    : QDialog(parent), ui_(ui), splitter_(new QSplitter(Qt::Horizontal, this)), tree_(new QTreeWidget),
      grid_(new QTableWidget), searchLabel_(new QLabel(this)), search_(new QLineEdit(this)),
      findNext_(new QPushButton(this)) {
  setObjectName("FormList");
  setWindowTitle(FromCp1251("Список"_w));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  tree_->setHeaderHidden(true);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setWordWrap(true);
  grid_->verticalHeader()->hide();
  grid_->horizontalHeader()->setMinimumSectionSize(kMinColumn);
  grid_->horizontalHeader()->setSectionsClickable(true);
  grid_->horizontalHeader()->setHighlightSections(false);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  splitter_->addWidget(tree_);
  splitter_->addWidget(grid_);
  splitter_->setChildrenCollapsible(false);
  splitter_->setStretchFactor(1, 1);

  findNext_->setText(FromCp1251("Найти далее"_w));
  findNext_->setAutoDefault(false);
  findNext_->setEnabled(false);
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(search_, 1);
  searchRow->addWidget(findNext_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(searchLabel_);
  layout->addLayout(searchRow);
  layout->addWidget(splitter_, 1);

  auto* popup = new QMenu(this);
  QAction* expandAll = popup->addAction(FromCp1251("Раскрыть все"_w));
  QAction* collapseAll = popup->addAction(FromCp1251("Свернуть все"_w));
  connect(expandAll, &QAction::triggered, tree_, &QTreeWidget::expandAll);
  connect(collapseAll, &QAction::triggered, tree_, &QTreeWidget::collapseAll);
  connect(tree_, &QWidget::customContextMenuRequested, this, [this, popup, expandAll, collapseAll](const QPoint& p) {
    const bool deep = list_ && list_->levels > 1;
    expandAll->setEnabled(deep);
    collapseAll->setEnabled(deep);
    popup->popup(tree_->viewport()->mapToGlobal(p));
  });

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { GroupSelected(); });
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row) {
    grid_->selectRow(row);
    Pick();
  });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, &TFormList::SetSearchColumn);
  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
    if (!fitting_) FitRowHeights();
  });
  connect(splitter_, &QSplitter::splitterMoved, this, [this] { FitColumns(); });
  connect(search_, &QLineEdit::textEdited, this, [this] { SearchTextChanged(); });
  connect(findNext_, &QPushButton::clicked, this, &TFormList::FindNext);

  // Pointing at a pane gives it the keyboard.
  for (QWidget* w : {static_cast<QWidget*>(tree_->viewport()), static_cast<QWidget*>(grid_->viewport()),
                     static_cast<QWidget*>(search_), static_cast<QWidget*>(searchLabel_)}) {
    w->setMouseTracking(true);
    w->installEventFilter(this);
  }
  tree_->installEventFilter(this);
  grid_->installEventFilter(this);
}

TFormList::~TFormList() { WriteBack(); }

void TFormList::WriteBack() {
  if (!list_) return;
  // A list that could not be written back is named with its reason.
  if (const std::string error = list_->Release(); !error.empty())
    ui_.ShowMessage(MessageKind::Error, error, kOk, kOk);
}

bool TFormList::Load(const std::string& listPath) {
  if (list_ && list_->path() == listPath) return true;
  // Another list: the window closes and the old file is written back.
  if (isVisible()) close();
  WriteBack();
  list_.reset();
  rows_.clear();
  list_ = TListFile::Load(listPath);
  if (!list_) return false;
  const TListFile& l = *list_;
  setWindowTitle(FromCp1251(l.caption));

  grid_->clear();
  grid_->setRowCount(0);
  grid_->setColumnCount(static_cast<int>(l.columns.size()));
  QStringList headings;
  for (const ListColumn& c : l.columns) headings << FromCp1251(c.heading);
  grid_->setHorizontalHeaderLabels(headings);

  const bool grouped = l.levels > 0;
  const int handle = grouped ? splitter_->handleWidth() : 0;
  const int treeWidth = grouped ? std::max(l.treeWidth, 20) : 0;
  tree_->setVisible(grouped);
  resize(l.width + treeWidth + handle + kFrame, std::max(l.height, 120));
  if (grouped) splitter_->setSizes({treeWidth, std::max(l.width, kMinColumn)});
  // Narrower only while every column keeps its 50 pixels.
  const int columns = std::max<int>(1, static_cast<int>(l.columns.size()));
  setMinimumWidth(kMinColumn * columns + 10 + treeWidth + handle + kFrame);

  tree_->clear();
  if (grouped) {
    FillTree();
  } else {
    grid_->show();
    FillRows(0, l.level1Count);
  }
  search_->clear();
  findNext_->setEnabled(false);
  UpdateSearchLabel();
  return true;
}

void TFormList::FillTree() {
  auto* root = new QTreeWidgetItem(QStringList(FromCp1251(list_->caption)));
  root->setData(0, kLevelRole, 0);
  tree_->addTopLevelItem(root);
  for (const ListGroup& g : list_->groups) AddGroups(root, g);
  root->setExpanded(true);
}

void TFormList::AddGroups(QTreeWidgetItem* parent, const ListGroup& group) {
  auto* item = new QTreeWidgetItem(parent, QStringList(FromCp1251(group.caption)));
  item->setData(0, kKeyRole, group.key);
  item->setData(0, kLevelRole, group.level);
  item->setData(0, kCountRole, group.count);
  for (const ListGroup& child : group.children) AddGroups(item, child);
}

void TFormList::GroupSelected() {
  const QTreeWidgetItem* item = tree_->currentItem();
  if (!list_ || list_->levels == 0) return;
  if (!item || item->data(0, kLevelRole).toInt() != list_->levels) {
    grid_->hide();
    rows_.clear();
    grid_->setRowCount(0);
    return;
  }
  grid_->show();
  FillRows(item->data(0, kKeyRole).toInt(), item->data(0, kCountRole).toInt());
}

void TFormList::FillRows(int rowKey, int count) {
  rows_ = list_->Rows(rowKey, count);
  grid_->setRowCount(static_cast<int>(rows_.size()));
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
    for (int c = 0; c < grid_->columnCount(); ++c) {
      const auto& texts = rows_[static_cast<std::size_t>(r)].texts;
      auto* item = new QTableWidgetItem(c < static_cast<int>(texts.size()) ? FromCp1251(texts[static_cast<std::size_t>(c)]) : QString());
      item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
      grid_->setItem(r, c, item);
    }
  FitColumns();
  if (!rows_.empty()) grid_->selectRow(0);
}

void TFormList::FitColumns() {
  if (!list_ || grid_->columnCount() == 0) return;
  fitting_ = true;
  const int n = grid_->columnCount();
  const int client = grid_->viewport()->width();
  int others = 0;
  int remaining = -1;
  for (int c = 0; c < n - 1; ++c) {
    const int w = list_->columns[static_cast<std::size_t>(c)].width;
    if (w == 0 && remaining < 0) {
      remaining = c;
      continue;
    }
    const int width = std::max(kMinColumn, StoredWidth(w));
    grid_->setColumnWidth(c, width);
    others += width;
  }
  if (remaining >= 0) {
    // The column of width 0 takes what the others and the last leave.
    const int lastWidth = std::max(kMinColumn, StoredWidth(list_->columns.back().width));
    grid_->setColumnWidth(remaining, std::max(kMinColumn, client - others - lastWidth));
    others += grid_->columnWidth(remaining);
  }
  // The last column always takes the rest.
  grid_->setColumnWidth(n - 1, std::max(kMinColumn, client - others));
  fitting_ = false;
  FitRowHeights();
}

void TFormList::FitRowHeights() {
  const QFontMetrics metrics(grid_->font());
  for (int r = 0; r < grid_->rowCount(); ++r) {
    int tallest = kMinTextHeight;
    for (int c = 0; c < grid_->columnCount(); ++c) {
      const QTableWidgetItem* item = grid_->item(r, c);
      if (!item) continue;
      const QRect box(0, 0, std::max(1, grid_->columnWidth(c) - 2 * kPadding), 100000);
      tallest = std::max(tallest, metrics.boundingRect(box, Qt::TextWordWrap, item->text()).height());
    }
    grid_->setRowHeight(r, tallest + 2 * kPadding);
  }
}

void TFormList::UpdateSearchLabel() {
  if (!list_) return;
  const int column = list_->searchColumn;
  const QString heading = column >= 0 && column < static_cast<int>(list_->columns.size())
                              ? FromCp1251(list_->columns[static_cast<std::size_t>(column)].heading)
                              : QString();
  searchLabel_->setText(FromCp1251("Поиск по колонке "_w) + '"' + heading + '"');
}

void TFormList::SetSearchColumn(int column) {
  if (!list_ || column < 0 || column >= static_cast<int>(list_->columns.size())) return;
  list_->searchColumn = column;
  UpdateSearchLabel();
}

int TFormList::SelectedRow() const {
  if (grid_->isHidden() || rows_.empty()) return -1;
  const auto rows = grid_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

std::optional<std::int32_t> TFormList::SelectedRowCode() const {
  const int row = SelectedRow();
  if (row < 0) return std::nullopt;
  return rows_[static_cast<std::size_t>(row)].rowCode;
}

void TFormList::Position(std::int32_t code, const std::string& text) {
  if (!list_) return;
  const auto at = list_->Locate(code, text);
  const bool grouped = list_->levels > 0;
  if (!at) {
    if (grouped) {
      tree_->collapseAll();
      QTreeWidgetItem* root = tree_->topLevelItem(0);
      if (!root) return;
      root->setExpanded(true);
      if (QTreeWidgetItem* first = root->child(0)) {
        tree_->setCurrentItem(first);
        first->setExpanded(false);
      } else {
        tree_->setCurrentItem(root);
      }
    } else if (!rows_.empty()) {
      grid_->selectRow(0);
    }
    return;
  }
  if (at->rowKey != 0 && grouped) {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
      QTreeWidgetItem* item = *it;
      if (item->data(0, kLevelRole).toInt() == list_->levels && item->data(0, kKeyRole).toInt() == at->rowKey) {
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item);
        break;
      }
    }
  }
  const auto column = static_cast<std::size_t>(at->column - 1);
  for (std::size_t r = 0; r < rows_.size(); ++r)
    if (column < rows_[r].texts.size() && rows_[r].texts[column] == at->text) {
      grid_->selectRow(static_cast<int>(r));
      grid_->scrollTo(grid_->model()->index(static_cast<int>(r), 0));
      break;
    }
}

void TFormList::SearchTextChanged() {
  findNext_->setEnabled(!search_->text().isEmpty());
  if (!list_ || search_->text().isEmpty()) return;
  SearchFrom(list_->SearchStart(SelectedRowCode()));
}

void TFormList::FindNext() {
  if (!list_ || search_->text().isEmpty()) return;
  const int next = lastHit_ + 1;
  SearchFrom(next >= static_cast<int>(list_->lines().size()) ? 0 : next);
}

void TFormList::SearchFrom(int line) {
  const auto hit = list_->Search(ToCp1251(search_->text()), line);
  if (!hit) {
    messaging_ = true;
    ui_.ShowMessage(MessageKind::Information, "Поиск закончен. Искомый текст не найден."_w, kOk, kOk);
    messaging_ = false;
    return;
  }
  lastHit_ = hit->line;
  Position(hit->code, hit->text);
}

bool TFormList::Prepare(const std::string& listPath, TTable& table, TCell& cell, const QRect& cellRect) {
  table_ = &table;
  cell_ = &cell;
  if (!Load(listPath)) return false;
  lastHit_ = -1;
  stored_ = false;
  search_->clear();
  findNext_->setEnabled(false);
  if (!cellRect.isEmpty()) PlaceAt(cellRect);
  FitColumns();
  Position(cell.BVal, cell.GetValue());
  if (!grid_->isHidden()) grid_->setFocus();
  return true;
}

bool TFormList::Open(const std::string& listPath, TTable& table, TCell& cell, const QRect& cellRect) {
  if (!Prepare(listPath, table, cell, cellRect)) return false;
  show();
  return true;
}

bool TFormList::ShowFor(const std::string& listPath, TTable& table, TCell& cell, const QRect& cellRect) {
  if (!Prepare(listPath, table, cell, cellRect)) return false;
  exec();
  return true;
}

bool TFormList::Pick() {
  const int row = SelectedRow();
  if (row < 0 || !list_ || !table_ || !cell_) return false;
  ApplyListRow(*table_, *cell_, *list_, rows_[static_cast<std::size_t>(row)],
               [this](TCell& c) { emit cellFilled(&c); });
  emit picked();
  accept();
  return true;
}

void TFormList::PlaceAt(const QRect& cellRect) {
  const QScreen* screen = QGuiApplication::screenAt(cellRect.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QRect frame = frameGeometry();
  const int extraW = frame.width() - width(), extraH = frame.height() - height();
  int w = frame.width(), h = frame.height();
  int left = cellRect.left();
  int top = cellRect.bottom() + 1;
  if (top + h > area.bottom() + 1) top = cellRect.top() - h;  // above the cell
  if (top < area.top()) {
    // Still off the top: moved up and shortened.
    h = std::max(minimumHeight() + extraH, h - (area.top() - top));
    top = area.top();
  }
  if (left + w > area.right() + 1) left = area.right() + 1 - w;
  if (left < area.left()) left = area.left();
  resize(w - extraW, h - extraH);
  move(left, top);
}

void TFormList::StoreLayout() {
  if (!list_ || stored_) return;
  stored_ = true;
  ListLayout layout;
  layout.width = grid_->width();
  layout.treeWidth = list_->levels > 0 ? tree_->width() : 0;
  layout.height = height();
  layout.searchColumn = list_->searchColumn;
  for (int c = 0; c < grid_->columnCount(); ++c) layout.columnWidths.push_back(grid_->columnWidth(c));
  list_->StoreLayout(layout);
}

void TFormList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TFormList::closeEvent(QCloseEvent* event) {
  StoreLayout();
  QDialog::closeEvent(event);
}

void TFormList::hideEvent(QHideEvent* event) {
  // accept() and reject() hide without a close event.
  StoreLayout();
  QDialog::hideEvent(event);
}

void TFormList::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || isActiveWindow() || !isVisible()) return;
  // Losing the focus to another window closes the list; its own message
  // box and pop-up menu do not count.
  if (messaging_ || QApplication::activePopupWidget()) return;
  const QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != this) return;
  reject();
}

void TFormList::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The grid has its real width only now.
  FitColumns();
  const int row = SelectedRow();
  if (row >= 0) grid_->scrollTo(grid_->model()->index(row, 0));
}

void TFormList::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FitColumns();
}

bool TFormList::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
    QWidget* target = watched == tree_->viewport()   ? static_cast<QWidget*>(tree_)
                      : watched == grid_->viewport() ? static_cast<QWidget*>(grid_)
                      : (watched == search_ || watched == searchLabel_) ? static_cast<QWidget*>(search_)
                                                                       : nullptr;
    if (target && isActiveWindow() && !target->hasFocus()) target->setFocus();
  }
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && watched == grid_) {
      Pick();
      return true;
    }
    if (enter && watched == tree_) {
      if (QTreeWidgetItem* item = tree_->currentItem())
        if (list_ && item->data(0, kLevelRole).toInt() != list_->levels) item->setExpanded(!item->isExpanded());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace rpt::gui
