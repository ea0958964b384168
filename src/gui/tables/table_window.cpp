#include "gui/tables/table_window.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDate>
#include <QFocusEvent>
#include <QFrame>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegion>
#include <QRegularExpression>
#include <QValidator>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "core/tables/table_geometry.h"
#include "core/tables/table_text.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"
#include "gui/tables/cell_containers.h"
#include "gui/tables/cell_editors.h"
#include "gui/tables/cell_painting.h"

namespace rpt::gui {

using namespace literals;

// ---------------------------------------------------------------------------

TF_Table::TF_Table(TTable& table, QWidget* parent) : QWidget(parent), table_(&table) {
  setObjectName(QStringLiteral("TF_Table"));
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_DeleteOnClose, false);

  panelMain_ = new QWidget(this);
  panelMain_->setObjectName(QStringLiteral("Panel_Main"));
  panelMain_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(panelMain_);
  auto* column = new QVBoxLayout(panelMain_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  header_ = new TSectionPanel(*this, TableSection::Header, table.header, panelMain_);
  header_->setObjectName(QStringLiteral("Panel_Header"));
  topPanel_ = new TSectionPanel(*this, TableSection::Top, table.top, panelMain_);
  topPanel_->setObjectName(QStringLiteral("Panel_Top"));
  dataArea_ = new TMyScrollBox(*this, panelMain_);
  dataArea_->setObjectName(QStringLiteral("SB_Data"));
  canvas_ = new TDataCanvas(*this, dataArea_);
  dataArea_->setWidget(canvas_);
  footer_ = new TSectionPanel(*this, TableSection::Footer, table.footer, panelMain_);
  footer_->setObjectName(QStringLiteral("Panel_Footter"));
  column->addWidget(header_);
  column->addWidget(topPanel_);
  column->addWidget(dataArea_, 1);
  column->addWidget(footer_);

  dataArea_->installEventFilter(this);
  connect(dataArea_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { AlignSections(); });

  // Cell heights are measured as the cells are painted: with the toolkit's
  // fonts, unless the program chose another measure for its tables.
  if (table.context().measure == TableContext().measure) table.context().measure = &SharedQtTextMeasure();

  BuildEditors();
  currentFrame_ = new TCurrentFrame(canvas_);
  lastModified_ = table.Modified();
  lastStatus_ = table.status;
  RefreshCells();
  panelMain_->show();
}

TF_Table::~TF_Table() = default;

void TF_Table::BuildEditors() {
  memoPanel_ = new QFrame(canvas_);
  memoPanel_->setObjectName(QStringLiteral("MemoPanel"));
  memoPanel_->setFrameShape(QFrame::Panel);
  memoPanel_->setFrameShadow(QFrame::Sunken);
  memo_ = new TMemoEdit(memoPanel_);
  memo_->setObjectName(QStringLiteral("Memo"));
  memo_->setFrameShape(QFrame::NoFrame);
  memo_->setTabChangesFocus(false);
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memoBtn_ = new QToolButton(memoPanel_);
  memoBtn_->setObjectName(QStringLiteral("MemoBtn"));
  memoBtn_->setText(QStringLiteral("..."));
  memoBtn_->setFocusPolicy(Qt::NoFocus);
  dateEd_ = new TDateEdit(canvas_);
  dateEd_->setObjectName(QStringLiteral("DateEd"));
  const auto refused = [this](const QString& why) {
    if (!showingEditor_) emit inputLimited(why);
  };
  list_ = new TListEdit(refused, canvas_);
  list_->setObjectName(QStringLiteral("List"));
  editInt_ = new TNumberEdit(false, refused, canvas_);
  editInt_->setObjectName(QStringLiteral("EditInt"));
  editReal_ = new TNumberEdit(true, refused, canvas_);
  editReal_->setObjectName(QStringLiteral("EditReal"));

  for (QWidget* w : std::initializer_list<QWidget*>{memoPanel_, dateEd_, list_, editInt_, editReal_}) w->hide();
  for (QWidget* w : std::initializer_list<QWidget*>{memo_, dateEd_, list_, editInt_, editReal_})
    w->installEventFilter(this);

  connect(memo_, &QPlainTextEdit::textChanged, this, [this] { StoreEdit(CellEditor::Memo); });
  connect(dateEd_, &QLineEdit::textEdited, this, [this] { StoreEdit(CellEditor::Date); });
  connect(list_, &QLineEdit::textEdited, this, [this] { StoreEdit(CellEditor::List); });
  connect(editInt_, &QLineEdit::textEdited, this, [this] { StoreEdit(CellEditor::Int); });
  connect(editReal_, &QLineEdit::textEdited, this, [this] { StoreEdit(CellEditor::Real); });
  connect(memoBtn_, &QToolButton::clicked, this, [this] { RequestList(); });
  connect(list_->button(), &QToolButton::clicked, this, [this] { RequestList(); });
  connect(dateEd_->calendar(), &QCalendarWidget::clicked, this, [this](QDate d) {
    dateEd_->setText(d.toString(QStringLiteral("dd.MM.yyyy")));
    StoreEdit(CellEditor::Date);
    if (auto* menu = dateEd_->button()->menu()) menu->close();
    dateEd_->setFocus();
  });
}

// --- where cells are -------------------------------------------------------

TableSection TF_Table::SectionOf(const TCell* cell) const { return rpt::SectionOf(*table_, cell); }

CellPos TF_Table::PosOf(const TCell* cell) const { return rpt::PosOf(*table_, cell); }

int TF_Table::RowIndexOf(const TCell* cell) const { return PosOf(cell).row; }

TCell* TF_Table::DataCell(CellPos pos) const {
  const TRow* row = RowAt(table_->data, pos.row);
  if (!row || (table_->grid && (pos.row < 1 || pos.row > table_->RowCount))) return nullptr;
  return rpt::CellAt(*row, pos.col);
}

int TF_Table::CurrentRow() const { return currentSection_ == TableSection::Data ? currentPos_.row : -1; }
int TF_Table::CurrentCol() const { return currentSection_ == TableSection::Data ? currentPos_.col : -1; }

TF_Table::Where TF_Table::WhereOf(TCell* cell) const {
  Where w;
  w.section = SectionOf(cell);
  if (w.section == TableSection::Data) {
    w.pos = PosOf(cell);
  } else if (w.section != TableSection::None) {
    const TNoDataSect& s = SectionModel(w.section);
    for (std::size_t i = 0; i < s.cells.size(); ++i)
      if (s.cells[i].get() == cell) w.pos = CellPos{-1, static_cast<int>(i)};
  }
  return w;
}

TCell* TF_Table::Resolve(const Where& w) const {
  switch (w.section) {
    case TableSection::None: return nullptr;
    case TableSection::Data: return DataCell(w.pos);
    default: {
      const TNoDataSect& s = SectionModel(w.section);
      return w.pos.col >= 0 && w.pos.col < static_cast<int>(s.cells.size()) ? s.cells[static_cast<std::size_t>(w.pos.col)].get()
                                                                           : nullptr;
    }
  }
}

const TNoDataSect& TF_Table::SectionModel(TableSection s) const {
  switch (s) {
    case TableSection::Header: return table_->header;
    case TableSection::Footer: return table_->footer;
    default: return table_->top;
  }
}

TCellContainer* TF_Table::ContainerOf(TableSection section) const {
  switch (section) {
    case TableSection::Header: return header_;
    case TableSection::Top: return topPanel_;
    case TableSection::Footer: return footer_;
    default: return canvas_;
  }
}

QWidget* TF_Table::HeaderPanel() const { return header_; }
QWidget* TF_Table::TopPanel() const { return topPanel_; }
QWidget* TF_Table::FooterPanel() const { return footer_; }
QWidget* TF_Table::DataCanvas() const { return canvas_; }
QScrollArea* TF_Table::DataArea() const { return dataArea_; }

QWidget* TF_Table::Editor(CellEditor kind) const {
  switch (kind) {
    case CellEditor::Memo: return memo_;
    case CellEditor::Date: return dateEd_;
    case CellEditor::List: return list_;
    case CellEditor::Int: return editInt_;
    case CellEditor::Real: return editReal_;
    case CellEditor::None: break;
  }
  return nullptr;
}

QRect TF_Table::CellRect(const TCell& cell) const {
  const TableSection s = SectionOf(&cell);
  if (s == TableSection::None) return {};
  TCellContainer* c = ContainerOf(s);
  const QPoint o = c->Origin(cell);
  return QRect(c->mapTo(this, o), QSize(cell.label.width, cell.label.height));
}

TCell* TF_Table::CellAt(QPoint windowPos, TableSection* section) const {
  for (TCellContainer* c : {static_cast<TCellContainer*>(header_), static_cast<TCellContainer*>(topPanel_),
                            static_cast<TCellContainer*>(canvas_), static_cast<TCellContainer*>(footer_)}) {
    if (!c->isVisible()) continue;
    const QPoint p = c->mapFrom(this, windowPos);
    if (c == canvas_ && !dataArea_->viewport()->rect().contains(dataArea_->viewport()->mapFrom(this, windowPos)))
      continue;
    if (!c->rect().contains(p)) continue;
    if (TCell* cell = c->HitTest(p)) {
      if (section) *section = c->kind();
      return cell;
    }
  }
  if (section) *section = TableSection::None;
  return nullptr;
}

QString TF_Table::AddressText(const TCell* cell) const {
  if (!cell) return {};
  if (!table_->grid) return U("Ячейка ") + QString::number(cell->number);
  const CellPos p = PosOf(cell);
  if (p.row < 1) return {};
  return U("Ячейка ") + QString::number(p.row) + QLatin1Char('-') + QString::number(p.col);
}

// --- the current cell ------------------------------------------------------

void TF_Table::SetCurrentCell(TCell* cell, bool openEditor) {
  const Where w = WhereOf(cell);
  const bool changed = cell != current_;
  current_ = w.section == TableSection::None ? nullptr : cell;
  currentWhere_ = w;
  currentSection_ = w.section;
  currentPos_ = w.section == TableSection::Data ? w.pos : CellPos{};
  if (openEditor) {
    HideEditors();
    if (current_) {
      ScrollToCell(*current_);
      ShowEditor();
    }
  }
  PlaceCurrentFrame();
  if (changed) emit currentCellChanged(CurrentRow(), CurrentCol());
}

void TF_Table::PlaceCurrentFrame() {
  if (!current_ || !current_->label.visible || currentSection_ == TableSection::None) {
    currentFrame_->hide();
    return;
  }
  TCellContainer* c = ContainerOf(currentSection_);
  currentFrame_->Cover(c, QRect(c->Origin(*current_), QSize(current_->label.width, current_->label.height)));
}

void TF_Table::GoToCell(int row, int col) {
  TCell* cell = DataCell(CellPos{row, col});
  if (!cell) return;
  if (!LeaveDateEditor()) return;
  EditorExit();
  SetCurrentCell(cell, true);
}

void TF_Table::MoveTo(std::optional<CellPos> pos) {
  if (!pos) return;
  TCell* cell = DataCell(*pos);
  if (!cell || cell == current_) return;
  if (!LeaveDateEditor()) return;
  EditorExit();
  SetCurrentCell(cell, true);
}

void TF_Table::ScrollToCell(const TCell& cell) {
  if (SectionOf(&cell) != TableSection::Data) return;
  const TFramedLabel& l = cell.label;
  dataArea_->ensureVisible(l.left + l.width / 2, l.top + l.height / 2, std::max(0, l.width / 2),
                           std::max(0, l.height / 2));
}

// --- resizing ----------------------------------------------------------------

void TF_Table::ResizeColumn(TCell& cell, int dx) {
  if (!table_->grid) {
    AlignSections();
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  rpt::ResizeColumn(*table_, cell, dx);
  QApplication::restoreOverrideCursor();
  RefreshCells();
}

void TF_Table::ResizeRow(TCell& cell, int dy) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  rpt::ResizeRow(*table_, cell, dy);
  QApplication::restoreOverrideCursor();
  RefreshCells();
}

// --- layout ------------------------------------------------------------------

int TF_Table::DataHeight() const {
  const TTable& t = *table_;
  if (!t.grid) return t.contentHeight;
  const TRow* last = RowAt(t.data, std::min(t.RowCount, static_cast<int>(t.data.size()) - 1));
  if (!last || t.RowCount < 1 || last->size() == 0) return 0;
  const TFramedLabel& l = last->cells.front()->label;
  return l.top + l.height;
}

void TF_Table::LayoutPanels() {
  TTable& t = *table_;
  for (TSectionPanel* p : {header_, topPanel_, footer_}) {
    const bool shown = t.grid && !p->section().cells.empty() && p->section().panelVisible;
    p->setFixedHeight(std::max(0, p->PanelHeight()));
    p->setVisible(shown);
  }
  dataArea_->setVisible(!t.grid || t.dataAreaVisible);
  canvas_->resize(std::max(1, t.contentWidth), std::max(1, DataHeight()));
}

void TF_Table::ApplyBackground() {
  const QColor colour = QColorOf(table_->background ? *table_->background : clBtnFace);
  QWidget* viewport = dataArea_->viewport();
  if (viewport->autoFillBackground() && viewport->palette().color(QPalette::Window) == colour) return;
  // The window and the data area beyond the cells.
  for (QWidget* w : {static_cast<QWidget*>(this), panelMain_, viewport}) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
  }
}

void TF_Table::RefreshCells() {
  // Cells may have been replaced (row operations, reloads): find the
  // current and edited cells again by their places.
  TCell* resolved = Resolve(currentWhere_);
  if (resolved != current_) {
    current_ = resolved;
    if (!current_) {
      currentWhere_ = {};
      currentSection_ = TableSection::None;
      currentPos_ = {};
    }
  }
  if (Resolve(editorWhere_) != editorCell_) {
    HideEditors();
    editorCell_ = nullptr;
    editorWhere_ = {};
  }
  if (Resolve(dateWhere_) != dateCell_) {
    dateCell_ = nullptr;
    dateWhere_ = {};
  }
  LayoutPanels();
  ApplyBackground();
  AlignSections();
  PlaceCurrentFrame();
  SyncMarks();
  RefreshYearChanges();
  canvas_->update();
  header_->update();
  topPanel_->update();
  footer_->update();
}

void TF_Table::AlignSections() {
  const TTable& t = *table_;
  if (!t.grid && t.hooks().Loading()) return;
  int shift = 0;
  const TRow* row1 = RowAt(t.data, 1);
  const TCell* d11 = row1 && t.grid ? rpt::CellAt(*row1, 1) : nullptr;
  if (d11 && t.top.leftmost)
    shift = d11->label.left - dataArea_->horizontalScrollBar()->value() - t.top.leftmost->label.left;
  if (shift == sectionShift_) return;
  sectionShift_ = shift;
  header_->update();
  topPanel_->update();
  footer_->update();
  if (currentSection_ != TableSection::Data) PlaceCurrentFrame();
  // An editor open in a section moves with it.
  if (editorCell_ && currentSection_ != TableSection::Data && currentSection_ != TableSection::None) {
    TCellContainer* c = ContainerOf(currentSection_);
    const QPoint o = c->Origin(*editorCell_);
    for (QWidget* w : std::initializer_list<QWidget*>{memoPanel_, dateEd_, list_, editInt_, editReal_})
      if (w->isVisible() && w->parentWidget() == c) w->move(o.x() + 1, o.y() + 1);
  }
}

void TF_Table::SetHeaderVisible(bool visible) { SetSectionVisible(table_->header, visible); }
void TF_Table::SetFooterVisible(bool visible) { SetSectionVisible(table_->footer, visible); }

void TF_Table::SetSectionVisible(TNoDataSect& s, bool visible) {
  if (s.cells.empty() || s.panelVisible == visible) return;
  s.panelVisible = visible;
  const int h = s.panelHeight + (&s == &table_->footer ? kBevel : 0);
  LayoutPanels();
  SetContentHeight(table_->contentHeight + (visible ? h : -h));
}

void TF_Table::SetContentWidth(int width) {
  if (table_->contentWidth == width) return;
  table_->contentWidth = width;
  LayoutPanels();
  FitWindow();
}

void TF_Table::SetContentHeight(int height) {
  if (table_->contentHeight == height) return;
  table_->contentHeight = height;
  FitWindow();
}

QSize TF_Table::ContentSize() const {
  int w = table_->contentWidth;
  for (const TSectionPanel* p : {header_, topPanel_, footer_}) {
    if (!p->isVisibleTo(const_cast<TF_Table*>(this))) continue;
    for (const auto& c : p->section().cells) w = std::max(w, c->label.left + c->label.width);
  }
  int h = dataArea_->isVisibleTo(const_cast<TF_Table*>(this)) ? DataHeight() : 0;
  for (const TSectionPanel* p : {header_, topPanel_, footer_})
    if (p->isVisibleTo(const_cast<TF_Table*>(this))) h += p->height();
  return QSize(w, h);
}

void TF_Table::FitWindow() {
  QWidget* win = subWindow_ ? static_cast<QWidget*>(subWindow_) : this;
  if (win->isMaximized()) {
    AlignSections();
    return;
  }
  int b = 1, availW, availH;
  if (subWindow_ && subWindow_->mdiArea()) {
    const QMdiArea* area = subWindow_->mdiArea();
    b = (area->width() - area->viewport()->width()) / 2 + 1;
    availW = area->viewport()->width() - b;
    availH = area->viewport()->height() - b;
  } else {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect r = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    availW = r.width() - b;
    availH = r.height() - b;
  }
  const QSize content = ContentSize();
  // The MDI child window's frame and title around this window, once its
  // layout has placed this window.
  if (subWindow_ && subWindow_->layout()) subWindow_->layout()->activate();
  const int extraW = win->width() - width(), extraH = win->height() - height();
  const int scroll = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  int clientW, clientH;
  const bool fitsW = availW >= content.width() + extraW + b;
  if (availH < content.height() + extraH + b) {
    clientW = fitsW ? content.width() + b + scroll : availW - extraW;
    clientH = availH - extraH;
  } else if (!fitsW) {
    clientW = availW - extraW;
    clientH = content.height() + b + scroll;
  } else {
    clientW = content.width() + b;
    clientH = content.height() + b;
  }
  fitting_ = true;
  setMinimumHeight(0);
  const QSize minimum = minimumSizeHint();
  clientW = std::max(clientW, minimum.width());
  clientH = std::max(clientH, minimum.height());
  win->resize(clientW + extraW, clientH + extraH);
  fitting_ = false;
  AlignSections();
}

// --- marks, font, colours ------------------------------------------------------

void TF_Table::SetModified(bool modified) {
  table_->SetModified(modified);
  SyncMarks();
}

void TF_Table::SetStatus(std::uint8_t status) {
  if (status == table_->status && status == lastStatus_) return;
  table_->status = status;
  ApplyStatus();
}

void TF_Table::ApplyStatus() {
  lastStatus_ = table_->status;
  // Lights for the evaluated statuses; a table not yet evaluated shows none.
  const QIcon icon = lastStatus_ >= 1 && lastStatus_ <= 3 ? ImageIcon(lastStatus_ + 7) : QIcon();
  setWindowIcon(icon);
  if (subWindow_) subWindow_->setWindowIcon(icon);
  emit statusChanged(lastStatus_);
}

void TF_Table::ApplyFont(const QFont& font) {
  SetCellFont(*table_, ToCp1251(font.family()), font.pointSize());
  RefreshCells();
}

void TF_Table::ApplyFont() {
  const TableContext& ctx = table_->context();
  if (ctx.userFontFace.empty()) return;
  QFont f(FromCp1251(ctx.userFontFace));
  if (ctx.userFontSize > 0) f.setPointSize(ctx.userFontSize);
  ApplyFont(f);
}

void TF_Table::ApplyColors() {
  // The icon's light follows the scheme even when no cell changes.
  ApplyStatus();
  if (!ApplyColourScheme(*table_)) return;
  RefreshCells();
}

// --- showing, hiding, activation, closing ---------------------------------------

void TF_Table::SetHidden(bool hidden) {
  if (hidden == hidden_) return;
  hidden_ = hidden;
  QWidget* win = subWindow_ ? static_cast<QWidget*>(subWindow_) : this;
  if (hidden) {
    HideEditors();
    win->hide();
    return;
  }
  // Optimize: normal state, the frame's top-left corner, fitted.
  win->setWindowState(win->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  if (subWindow_) subWindow_->move(0, 0);
  LayoutPanels();
  if (subWindow_) show();
  win->show();
  FitWindow();
}

void TF_Table::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // Only the window's own showing: the frame coming back shows its children
  // too, which must keep their places.
  if (!hidden_) return;
  hidden_ = false;
  if (subWindow_) subWindow_->move(0, 0);
  HideEditors();
}

void TF_Table::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  // The user may not shrink the window once the data area is down to 30
  // pixels: the window's current height becomes its minimum until it grows.
  if (!fitting_) {
    const bool squeezed = dataArea_->isVisible() && dataArea_->height() <= 30;
    setMinimumHeight(squeezed ? height() : 0);
  }
  AlignSections();
}

void TF_Table::Activate() {
  TTable& t = *table_;
  if (t.hasFormulas) t.hooks().RecalcTable(t, /*deep=*/true, /*withCheck=*/false);
  if (t.hasRules) t.hooks().CheckTable(t);
  RefreshCells();
  TakeKeyboard();
  emit activated();
}

void TF_Table::FocusCurrent() {
  if (QWidget* editor = Editor(openEditor_); editor && editor->isVisible()) editor->setFocus(Qt::OtherFocusReason);
  else if (dataArea_->isVisible()) dataArea_->setFocus(Qt::OtherFocusReason);
  else setFocus(Qt::OtherFocusReason);
}

void TF_Table::TakeKeyboard() {
  if (QWidget* editor = Editor(openEditor_); editor && editor->isVisible()) {
    editor->setFocus(Qt::ActiveWindowFocusReason);
    return;
  }
  // The first editable cell the first time, the cell left current after.
  TCell* cell = current_;
  if (!cell)
    if (const auto first = FirstEditableCell(*table_)) cell = DataCell(*first);
  if (cell && SectionOf(cell) == TableSection::Data && !IsNotEditedType(cell->type) &&
      cell->type != cell_type::kCountsAsInput) {
    SetCurrentCell(cell, true);
    if (openEditor_ != CellEditor::None) return;
  }
  if (dataArea_->isVisible()) dataArea_->setFocus(Qt::ActiveWindowFocusReason);
}

void TF_Table::Deactivate() {
  if (!LeaveDateEditor()) return;
  // The row is fitted before the editor goes, so that the fit belongs to
  // the edit's undo step.
  EditorExit();
  HideEditors();
}

void TF_Table::ConnectSubWindow() {
  auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (sub == subWindow_) return;
  if (subWindow_) disconnect(subWindow_, nullptr, this, nullptr);
  subWindow_ = sub;
  if (!sub) return;
  sub->setWindowIcon(windowIcon());
  connect(sub, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates before, Qt::WindowStates now) {
    const bool was = before & Qt::WindowActive, is = now & Qt::WindowActive;
    if (is && !was) Activate();
    else if (was && !is) Deactivate();
  });
}

bool TF_Table::event(QEvent* e) {
  if (e->type() == QEvent::ParentChange) ConnectSubWindow();
  return QWidget::event(e);
}

void TF_Table::closeEvent(QCloseEvent* e) {
  // The window is hidden, never destroyed by its close box: the report
  // state owns the table and the frame shows the window again.
  e->ignore();
  if (!LeaveDateEditor()) return;
  EditorExit();
  HideEditors();
  SetHidden(true);
  emit closing();
}

}  // namespace rpt::gui
