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
#include "core/tables/table_text.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"
#include "gui/tables/cell_painting.h"
#include "gui/tables/table_navigation.h"

namespace rpt::gui {

using namespace literals;

namespace {

constexpr int kBevel = 5;        // the raised line along the footer's top
constexpr int kEdgeZone = 5;     // pixels by a cell's edge that resize it
constexpr int kMinCellSize = 10;
constexpr int kButtonWidth = 18;
constexpr double kRealMax = 1.2e100;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Editor text <-> cell value: the editors break lines with LF, the model
// with CR LF.
QString EditorText(std::string_view value) {
  QString text = FromCp1251(value);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text;
}
std::string ValueText(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return ToCp1251(text);
}

// A date the date editor accepts: "dd.mm.yyyy", blanks allowed around the
// digits of each part, a four-digit year.
bool IsValidDate(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('.'));
  if (parts.size() != 3) return false;
  int v[3];
  for (int i = 0; i < 3; ++i) {
    const QString part = parts[i].trimmed();
    bool ok = false;
    v[i] = part.toInt(&ok);
    if (!ok || part.isEmpty()) return false;
    if (i == 2 && part.size() != 4) return false;
  }
  return QDate(v[2], v[1], v[0]).isValid();
}

const QString kEmptyDate = QStringLiteral("  .  .    ");

}  // namespace

// ---------------------------------------------------------------------------
// The painted containers: three panels and the data area's canvas.

class TCellContainer : public QWidget {
 public:
  TCellContainer(TF_Table& owner, TableSection kind, QWidget* parent) : QWidget(parent), owner_(owner), kind_(kind) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  TableSection kind() const { return kind_; }

  // A cell's hint ("short|long") shows its short part over the cell.
  bool event(QEvent* e) override {
    if (e->type() != QEvent::ToolTip) return QWidget::event(e);
    auto* help = static_cast<QHelpEvent*>(e);
    const TCell* cell = HitTest(help->pos());
    if (!cell || !cell->label.showHint || cell->label.hint.empty()) {
      QToolTip::hideText();
      e->ignore();
      return true;
    }
    QString text = EditorText(cell->label.hint);
    if (const qsizetype bar = text.indexOf(QLatin1Char('|')); bar >= 0) text.truncate(bar);
    if (text.isEmpty()) QToolTip::hideText();
    else QToolTip::showText(help->globalPos(), text, this);
    return true;
  }
  // Where the container draws a cell's top-left corner.
  virtual QPoint Origin(const TCell& cell) const = 0;
  virtual TCell* HitTest(QPoint pos) const = 0;

 protected:
  void mouseMoveEvent(QMouseEvent* e) override {
    const QPoint pos = e->position().toPoint();
    if (pressed_.section != TableSection::None && (e->buttons() & Qt::LeftButton)) return;
    if (TCell* cell = HitTest(pos)) owner_.CellMouseMove(*cell, pos - Origin(*cell), e->buttons());
    else {
      setCursor(Qt::ArrowCursor);
      emit owner_.statusText(QString());
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    const QPoint pos = e->position().toPoint();
    TCell* cell = HitTest(pos);
    pressed_ = owner_.WhereOf(cell);
    if (cell) owner_.CellMouseDown(*cell, pos - Origin(*cell), e->button(), e->globalPosition().toPoint());
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    // Found again by its place: the pop-up menu's row operations may have
    // replaced the cell meanwhile.
    TCell* cell = owner_.Resolve(pressed_);
    pressed_ = {};
    if (cell) owner_.CellMouseUp(*cell, e->position().toPoint() - Origin(*cell));
  }
  void Paint(QPainter& p, const QRect& clip, const std::vector<std::unique_ptr<TCell>>& cells) {
    for (const auto& cell : cells) {
      const TFramedLabel& l = cell->label;
      if (!l.visible) continue;
      const QPoint o = Origin(*cell);
      if (QRect(o.x(), o.y(), l.width, l.height).intersects(clip)) PaintCell(p, l, o.x(), o.y());
    }
  }
  QColor Background() const {
    const TTable& t = owner_.table();
    return QColorOf(t.background ? *t.background : clBtnFace);
  }

 public:
  TF_Table::Where pressed_;

 protected:
  TF_Table& owner_;
  TableSection kind_;
};

class TSectionPanel : public TCellContainer {
 public:
  TSectionPanel(TF_Table& owner, TableSection kind, TNoDataSect& section, QWidget* parent)
      : TCellContainer(owner, kind, parent), section_(section) {}
  int bevel() const { return kind_ == TableSection::Footer ? kBevel : 0; }
  QPoint Origin(const TCell& cell) const override {
    return QPoint(cell.label.left + owner_.sectionShift_, cell.label.top + bevel());
  }
  TCell* HitTest(QPoint pos) const override {
    for (auto it = section_.cells.rbegin(); it != section_.cells.rend(); ++it) {
      const TFramedLabel& l = (*it)->label;
      if (l.visible && QRect(Origin(**it), QSize(l.width, l.height)).contains(pos)) return it->get();
    }
    return nullptr;
  }
  int PanelHeight() const { return section_.panelHeight + bevel(); }
  TNoDataSect& section() const { return section_; }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QPainter p(this);
    p.fillRect(e->rect(), Background());
    if (bevel()) {
      p.setPen(QColor(0xFF, 0xFF, 0xFF));
      p.drawLine(0, 1, width(), 1);
      p.setPen(QColor(0xA0, 0xA0, 0xA0));
      p.drawLine(0, 3, width(), 3);
    }
    Paint(p, e->rect(), section_.cells);
  }

 private:
  TNoDataSect& section_;
};

class TDataCanvas : public TCellContainer {
 public:
  TDataCanvas(TF_Table& owner, QWidget* parent) : TCellContainer(owner, TableSection::Data, parent) {}
  QPoint Origin(const TCell& cell) const override { return QPoint(cell.label.left, cell.label.top); }
  TCell* HitTest(QPoint pos) const override {
    const TTable& t = owner_.table();
    if (t.Fixed) {
      const int r = FirstRowBelow(t, pos.y());
      const TRow* row = RowAt(t.data, r);
      if (!row || r > t.RowCount) return nullptr;
      for (const auto& cell : row->cells) {
        const TFramedLabel& l = cell->label;
        if (l.visible && QRect(l.left, l.top, l.width, l.height).contains(pos)) return cell.get();
      }
      return nullptr;
    }
    const TRow* row = FirstRow(t.data);
    if (!row) return nullptr;
    for (auto it = row->cells.rbegin(); it != row->cells.rend(); ++it) {
      const TFramedLabel& l = (*it)->label;
      if (l.visible && QRect(l.left, l.top, l.width, l.height).contains(pos)) return it->get();
    }
    return nullptr;
  }

 protected:
  void paintEvent(QPaintEvent* e) override {
    owner_.AlignSections();
    QPainter p(this);
    const QRect clip = e->rect();
    p.fillRect(clip, Background());
    const TTable& t = owner_.table();
    if (!t.Fixed) {
      if (const TRow* row = FirstRow(t.data)) Paint(p, clip, row->cells);
      return;
    }
    // Only the rows the clip reaches: the cost stays with the viewport,
    // however many rows lie outside it.
    const int last = std::min(t.RowCount, static_cast<int>(t.data.size()) - 1);
    for (int r = FirstRowBelow(t, clip.top()); r <= last; ++r) {
      const TRow& row = *t.data.rows[static_cast<std::size_t>(r)];
      if (row.size() == 0) continue;
      if (row.cells.front()->label.top > clip.bottom()) break;
      for (const auto& cell : row.cells) {
        const TFramedLabel& l = cell->label;
        if (!l.visible || l.left > clip.right() || l.left + l.width <= clip.left()) continue;
        PaintCell(p, l, l.left, l.top);
      }
    }
  }
};

// The frame of the current cell: a ring over the cell's edge, above the
// cells and above the editor open in it, so that it is never cut off at the
// edge of the area and always in sight. It takes no mouse events.
class TCurrentFrame : public QWidget {
 public:
  explicit TCurrentFrame(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CurrentFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
  }
  void Cover(QWidget* container, const QRect& cell) {
    if (parentWidget() != container) setParent(container);
    setGeometry(cell);
    setMask(QRegion(rect()).subtracted(QRegion(rect().adjusted(2, 2, -2, -2))));
    show();
    raise();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    PaintCurrentFrame(p, 0, 0, width(), height());
  }
};

class TMyScrollBox : public QScrollArea {
 public:
  explicit TMyScrollBox(TF_Table& owner, QWidget* parent) : QScrollArea(parent), owner_(owner) {
    setFrameShape(QFrame::NoFrame);
    setMinimumSize(300, 20);
    setWidgetResizable(false);
    setFocusPolicy(Qt::TabFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
  }

 protected:
  // One scroll-bar step per wheel step: vertically when there is anything
  // to scroll vertically, else sideways (the sections follow).
  void wheelEvent(QWheelEvent* e) override {
    const int steps = e->angleDelta().y() != 0 ? e->angleDelta().y() / 120 : e->angleDelta().x() / 120;
    if (steps == 0) return;
    QScrollBar* v = verticalScrollBar();
    if (v->maximum() > v->minimum()) {
      v->setValue(v->value() - steps * v->singleStep());
    } else {
      QScrollBar* h = horizontalScrollBar();
      h->setValue(h->value() - steps * h->singleStep());
      owner_.AlignSections();
    }
    e->accept();
  }

 private:
  TF_Table& owner_;
};

// ---------------------------------------------------------------------------
// The editors.

class TMemoEdit : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;
};

// "Не более 9 цифр", "Не более 255 знаков": what the status bar says when
// an editor refuses characters beyond its limit. After "более" the noun
// takes the genitive: singular for 1, 21, 31..., plural otherwise.
QString LimitText(int limit, bool digits) {
  const bool one = limit % 10 == 1 && limit % 100 != 11;
  const char* noun = digits ? (one ? "цифры" : "цифр") : (one ? "знака" : "знаков");
  return U("Не более ") + QString::number(limit) + QLatin1Char(' ') + U(noun);
}

// Keeps a line editor's text within `limit` characters of an allowed form.
// What goes beyond the limit is refused, the rest of a paste kept, and
// `refused` tells the user why. (The field's own maximum length would cut
// typed and pasted text without a word.)
class TLimitValidator : public QValidator {
 public:
  TLimitValidator(int limit, const QString& pattern, std::function<void()> refused, QObject* parent)
      : QValidator(parent),
        limit_(limit),
        allowed_(pattern.isEmpty() ? QRegularExpression() : QRegularExpression(QRegularExpression::anchoredPattern(pattern))),
        refused_(std::move(refused)) {}

  State validate(QString& input, int& pos) const override {
    if (!allowed_.pattern().isEmpty() && !allowed_.match(input).hasMatch()) return Invalid;
    if (input.size() <= limit_) return Acceptable;
    // The characters just typed or pasted end at the cursor: the ones past
    // the limit go, the text around them stays.
    const int excess = static_cast<int>(input.size()) - limit_;
    if (pos >= excess) {
      input.remove(pos - excess, excess);
      pos -= excess;
    } else {
      input.truncate(limit_);
      pos = std::min(pos, limit_);
    }
    refused_();
    return Acceptable;
  }

 private:
  int limit_;
  QRegularExpression allowed_;
  std::function<void()> refused_;
};

class TNumberEdit : public QLineEdit {
 public:
  TNumberEdit(bool real, std::function<void(const QString&)> refused, QWidget* parent)
      : QLineEdit(parent), real_(real) {
    setAlignment(Qt::AlignCenter);
    const int limit = real ? 18 : 9;
    setValidator(new TLimitValidator(
        limit, real ? QStringLiteral("[0-9]*([.,][0-9]*)?") : QStringLiteral("[0-9]*"),
        [refused, limit, real] { refused(LimitText(limit, !real)); }, this));
    setFrame(false);
  }
  bool real() const { return real_; }

 private:
  bool real_;
};

// A text field with a drop-down button at its right.
class TButtonEdit : public QLineEdit {
 public:
  explicit TButtonEdit(QWidget* parent) : QLineEdit(parent), button_(new QToolButton(this)) {
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setCursor(Qt::ArrowCursor);
    button_->setArrowType(Qt::DownArrow);
    button_->setAutoRaise(false);
    setTextMargins(0, 0, kButtonWidth, 0);
    setFrame(false);
  }
  QToolButton* button() const { return button_; }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QLineEdit::resizeEvent(e);
    button_->setGeometry(width() - kButtonWidth, 0, kButtonWidth, height());
  }

 private:
  QToolButton* button_;
};

class TListEdit : public TButtonEdit {
 public:
  TListEdit(std::function<void(const QString&)> refused, QWidget* parent) : TButtonEdit(parent) {
    setValidator(new TLimitValidator(255, QString(), [refused] { refused(LimitText(255, false)); }, this));
  }
};

class TDateEdit : public TButtonEdit {
 public:
  explicit TDateEdit(QWidget* parent) : TButtonEdit(parent) {
    setInputMask(QStringLiteral("00.00.0000; "));
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* menu = new QMenu(this);
    auto* action = new QWidgetAction(menu);
    calendar_ = new QCalendarWidget(menu);
    action->setDefaultWidget(calendar_);
    menu->addAction(action);
    button()->setMenu(menu);
    button()->setPopupMode(QToolButton::InstantPopup);
    QObject::connect(menu, &QMenu::aboutToShow, this, [this] {
      const QDate d = QDate::fromString(displayText(), QStringLiteral("dd.MM.yyyy"));
      calendar_->setSelectedDate(d.isValid() ? d : QDate::currentDate());
    });
  }
  QCalendarWidget* calendar() const { return calendar_; }

 private:
  QCalendarWidget* calendar_;
};

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

TableSection TF_Table::SectionOf(const TCell* cell) const {
  if (!cell) return TableSection::None;
  if (RowIndexOf(cell) >= 0) return TableSection::Data;
  auto in = [cell](const TNoDataSect& s) {
    return std::any_of(s.cells.begin(), s.cells.end(), [cell](const auto& c) { return c.get() == cell; });
  };
  if (in(table_->header)) return TableSection::Header;
  if (in(table_->top)) return TableSection::Top;
  if (in(table_->footer)) return TableSection::Footer;
  return TableSection::None;
}

CellPos TF_Table::PosOf(const TCell* cell) const {
  if (!cell) return {};
  const TTable& t = *table_;
  auto find = [cell](const TRow& row) {
    for (std::size_t i = 0; i < row.size(); ++i)
      if (row.cells[i].get() == cell) return static_cast<int>(i) + 1;
    return -1;
  };
  if (!t.Fixed) {
    const TRow* row = FirstRow(t.data);
    const int col = row ? find(*row) : -1;
    return col > 0 ? CellPos{0, col} : CellPos{};
  }
  // The rows are strips ordered by their tops: the cell's row is the one
  // its top falls in.
  const int r = FirstRowBelow(t, cell->label.top);
  if (const TRow* row = RowAt(t.data, r); row && r <= t.RowCount)
    if (const int col = find(*row); col > 0) return CellPos{r, col};
  return {};
}

int TF_Table::RowIndexOf(const TCell* cell) const { return PosOf(cell).row; }

TCell* TF_Table::DataCell(CellPos pos) const {
  const TRow* row = RowAt(table_->data, pos.row);
  if (!row || (table_->Fixed && (pos.row < 1 || pos.row > table_->RowCount))) return nullptr;
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
  if (!table_->Fixed) return U("Ячейка ") + QString::number(cell->number);
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

// --- editors ---------------------------------------------------------------

void TF_Table::HideEditors() {
  hidingEditors_ = true;
  for (QWidget* w : std::initializer_list<QWidget*>{memoPanel_, dateEd_, list_, editInt_, editReal_}) w->hide();
  memoBtn_->hide();
  openEditor_ = CellEditor::None;
  hidingEditors_ = false;
}

void TF_Table::Place(QWidget* editor, TableSection section, const TCell& cell, int inset) {
  TCellContainer* c = ContainerOf(section);
  if (editor->parentWidget() != c) editor->setParent(c);
  const QPoint o = c->Origin(cell);
  editor->setGeometry(o.x() + inset, o.y() + inset, std::max(1, cell.label.width - 2 * inset),
                      std::max(1, cell.label.height - 2 * inset));
}

void TF_Table::ShowEditor() {
  TCell* cell = current_;
  editorCell_ = cell;
  editorWhere_ = WhereOf(cell);
  if (!cell) return;
  editorStartValue_ = cell->label.caption;
  const TableSection section = currentSection_;
  QWidget* shown = nullptr;
  showingEditor_ = true;
  switch (cell->type) {
    case cell_type::kText:
    case cell_type::kLongText: {
      Place(memoPanel_, section, *cell, 1);
      const int fw = memoPanel_->width(), fh = memoPanel_->height();
      const bool hasList = !cell->List.empty();
      const int memoWidth = hasList ? fw - kButtonWidth - 2 : fw - 2;
      memo_->setGeometry(1, 1, std::max(1, memoWidth), std::max(1, fh - 2));
      memoBtn_->setGeometry(1 + memoWidth, 1, kButtonWidth, std::max(1, fh - 2));
      memoBtn_->setVisible(hasList);
      QTextOption option = memo_->document()->defaultTextOption();
      option.setAlignment(cell->type == cell_type::kLongText ? Qt::AlignLeft : Qt::AlignHCenter);
      option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
      memo_->document()->setDefaultTextOption(option);
      memo_->setFont(QFontOf(cell->label.font));
      memo_->setReadOnly(!cell->DirectInput);
      memo_->setPlainText(EditorText(cell->label.caption));
      memo_->moveCursor(QTextCursor::End);
      openEditor_ = CellEditor::Memo;
      shown = memoPanel_;
      break;
    }
    case cell_type::kDate: {
      Place(dateEd_, section, *cell, 1);
      const QString value = FromCp1251(tables::TrimText(cell->label.caption));
      dateEd_->setText(IsValidDate(value) ? value : QString());
      // Digits typed go in from the start of the mask, over the whole date
      // when there is one.
      if (IsValidDate(value)) dateEd_->selectAll();
      else dateEd_->setCursorPosition(0);
      dateCell_ = cell;
      dateWhere_ = editorWhere_;
      openEditor_ = CellEditor::Date;
      shown = dateEd_;
      break;
    }
    case cell_type::kListValue:
      Place(list_, section, *cell, 1);
      list_->setText(FromCp1251(cell->label.caption));
      list_->setReadOnly(!cell->DirectInput);
      openEditor_ = CellEditor::List;
      shown = list_;
      break;
    case cell_type::kInteger:
    case cell_type::kReal: {
      TNumberEdit* e = cell->type == cell_type::kInteger ? editInt_ : editReal_;
      Place(e, section, *cell, 1);
      e->setText(FromCp1251(cell->label.caption));
      openEditor_ = cell->type == cell_type::kInteger ? CellEditor::Int : CellEditor::Real;
      shown = e;
      break;
    }
    default:
      break;
  }
  showingEditor_ = false;
  if (!shown) return;
  shown->show();
  shown->raise();
  PlaceCurrentFrame();
  (openEditor_ == CellEditor::Memo ? static_cast<QWidget*>(memo_) : shown)->setFocus(Qt::OtherFocusReason);
  if (table_->Fixed) AlignSections();
}

void TF_Table::StoreEdit(CellEditor kind) {
  if (showingEditor_ || !current_) return;
  TCell& cell = *current_;
  switch (kind) {
    case CellEditor::Memo: {
      const int excess = static_cast<int>(memo_->toPlainText().size()) - cell.Len;
      if (cell.Len > 0 && excess > 0) {
        // What was typed or pasted past "Len" ends at the cursor: that much
        // of it goes, the text around it stays, and the status bar says why.
        QTextCursor c = memo_->textCursor();
        const int end = c.position();
        if (end >= excess) {
          c.setPosition(end - excess);
          c.setPosition(end, QTextCursor::KeepAnchor);
        } else {
          c.setPosition(cell.Len);
          c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        }
        c.removeSelectedText();
        memo_->setTextCursor(c);
        emit inputLimited(LimitText(cell.Len, false));
        return;  // the removal stores the text again
      }
      cell.SetValue(ValueText(memo_->toPlainText()));
      break;
    }
    case CellEditor::Int:
    case CellEditor::Real: {
      TNumberEdit* e = kind == CellEditor::Int ? editInt_ : editReal_;
      QString text = e->text();
      if (text.isEmpty() && cell.label.caption.empty()) break;
      // Either separator is taken.
      const std::optional<long double> value = tables::ParseNumber(ToCp1251(text.replace(QLatin1Char('.'), QLatin1Char(','))));
      if (!value) {
        cell.SetValue("");
        e->setText(QString());
        break;
      }
      if (kind == CellEditor::Int) {
        const long double v = std::clamp(std::round(*value), 0.0L, 2147483647.0L);
        cell.SetValue(std::to_string(static_cast<long long>(v)));
      } else {
        cell.SetValue(tables::FormatFixed(*value, cell.Dec));
      }
      break;
    }
    case CellEditor::Date: cell.SetValue(ToCp1251(dateEd_->displayText())); break;
    case CellEditor::List: cell.SetValue(ToCp1251(list_->text())); break;
    case CellEditor::None: break;
  }
  AfterChange();
}

void TF_Table::AfterChange() {
  SyncMarks();
  canvas_->update();
  header_->update();
  topPanel_->update();
  footer_->update();
}

void TF_Table::SyncMarks() {
  if (table_->Modified() != lastModified_) {
    lastModified_ = table_->Modified();
    emit modifiedChanged(lastModified_);
  }
  if (table_->status != lastStatus_) ApplyStatus();
}

void TF_Table::LeaveRealEditor() {
  if (openEditor_ != CellEditor::Real || !current_) return;
  const std::optional<long double> value =
      tables::ParseNumber(ToCp1251(editReal_->text().replace(QLatin1Char('.'), QLatin1Char(','))));
  if (value && *value > kRealMax) {
    editReal_->setText(FromCp1251(tables::FormatFixed(kRealMax, 5)));
    current_->SetValue(tables::FormatFixed(kRealMax, current_->Dec));
    AfterChange();
  }
}

bool TF_Table::DateCheck() {
  TCell* cell = Resolve(dateWhere_);
  if (!cell) return true;
  const QString text = dateEd_->displayText();
  if (text == kEmptyDate) {
    cell->SetValue("");
    AfterChange();
    return true;
  }
  if (IsValidDate(text)) return true;
  checkingDate_ = true;
  Message(MessageKind::Error, "Неверная дата."_w);
  // Back to the date editor on the date cell.
  SetCurrentCell(cell, true);
  checkingDate_ = false;
  return false;
}

bool TF_Table::LeaveDateEditor() {
  if (openEditor_ != CellEditor::Date || checkingDate_) return true;
  return DateCheck();
}

void TF_Table::EditorExit() {
  LeaveRealEditor();
  TCell* cell = Resolve(editorWhere_) == editorCell_ ? editorCell_ : nullptr;
  editorCell_ = nullptr;
  editorWhere_ = {};
  if (!cell) return;
  if (cell->type != cell_type::kText && cell->type != cell_type::kLongText && cell->type != cell_type::kListValue)
    return;
  // Only a value changed by the user refits the row: looking at a cell
  // changes nothing in the table.
  if (cell->label.caption == editorStartValue_) return;
  const int current = cell->label.height;
  int wanted;
  const int r = RowIndexOf(cell);
  if (table_->Fixed && r >= 1) {
    wanted = table_->RowTextHeight(r);
  } else {
    wanted = cell->label.caption.empty() ? current : std::max(table_->TextHeight(*cell), current);
  }
  if (wanted != current) ResizeRow(*cell, wanted - current);
}

void TF_Table::RequestList() {
  if (!current_) return;
  emit listRequested(CurrentRow(), CurrentCol());
}

void TF_Table::ListClosed() {
  // The list window wrote the chosen item into the cells: the open editor
  // shows the new value.
  if (current_ && openEditor_ == CellEditor::List) {
    showingEditor_ = true;
    list_->setText(FromCp1251(current_->label.caption));
    showingEditor_ = false;
  } else if (current_ && openEditor_ == CellEditor::Memo) {
    showingEditor_ = true;
    memo_->setPlainText(EditorText(current_->label.caption));
    showingEditor_ = false;
  }
  if (list_->isVisible()) list_->setFocus();
  else if (memoPanel_->isVisible()) memo_->setFocus();
  else dataArea_->setFocus();
  if (current_) ScrollToCell(*current_);
  AlignSections();
  AfterChange();
}

void TF_Table::Message(MessageKind kind, std::string_view text) {
  if (Interaction* ui = table_->context().ui) ui->ShowMessage(kind, text, kOk, kOk);
}

// --- keyboard --------------------------------------------------------------

bool TF_Table::HandlePagingKey(int key) {
  PagingKey paging;
  switch (key) {
    case Qt::Key_PageUp: paging = PagingKey::PageUp; break;
    case Qt::Key_PageDown: paging = PagingKey::PageDown; break;
    case Qt::Key_Home: paging = PagingKey::Home; break;
    case Qt::Key_End: paging = PagingKey::End; break;
    default: return false;
  }
  QScrollBar* v = dataArea_->verticalScrollBar();
  v->setValue(PagingPosition(paging, v->value(), dataArea_->height(), table_->contentHeight));
  return true;
}

bool TF_Table::HandleEditorKeyDown(QObject* editor, QKeyEvent* e) {
  const int key = e->key();
  HandlePagingKey(key);
  if (e->modifiers() & Qt::ControlModifier) {
    std::optional<ArrowKey> arrow;
    switch (key) {
      case Qt::Key_Left: arrow = ArrowKey::Left; break;
      case Qt::Key_Right: arrow = ArrowKey::Right; break;
      case Qt::Key_Up: arrow = ArrowKey::Up; break;
      case Qt::Key_Down: arrow = ArrowKey::Down; break;
      default: break;
    }
    if (arrow) {
      if (currentSection_ == TableSection::Data) MoveTo(ArrowTarget(*table_, currentPos_, *arrow));
      return true;
    }
    if (key == Qt::Key_F9 && editor == list_) {
      RequestList();
      return true;
    }
  }
  // Tab, Shift+Tab and Enter move when pressed: at the release the Shift
  // key may already be up, and a release may reach the editor just opened.
  if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
    MoveOn(key == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier));
    return true;
  }
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  if (editor == list_ && current_ && current_->type == cell_type::kListValue && !current_->DirectInput && !enter) {
    switch (key) {
      case Qt::Key_Shift:
      case Qt::Key_Control:
      case Qt::Key_Alt:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
      case Qt::Key_End:
      case Qt::Key_Home:
        break;
      default:
        Message(MessageKind::Information, "Значение должно быть выбрано из списка."_w);
        return true;
    }
  }
  if (enter) {
    // A long text takes Enter as its line break and stays.
    if (editor == memo_ && current_ && current_->type == cell_type::kLongText) return false;
    MoveOn(true);
    return true;
  }
  return false;
}

void TF_Table::MoveOn(bool forward) {
  if (currentSection_ == TableSection::Data) {
    MoveTo(NextEditableCell(*table_, currentPos_, forward));
  } else if (!current_) {
    if (const auto first = FirstEditableCell(*table_)) MoveTo(first);
  }
}

void TF_Table::keyPressEvent(QKeyEvent* e) {
  if (!HandlePagingKey(e->key())) QWidget::keyPressEvent(e);
}

bool TF_Table::HandlePopupKey(QEvent* e) {
  bool wanted = false;
  if (e->type() == QEvent::ContextMenu) {
    wanted = static_cast<QContextMenuEvent*>(e)->reason() == QContextMenuEvent::Keyboard;
  } else if (e->type() == QEvent::KeyPress) {
    const auto* k = static_cast<QKeyEvent*>(e);
    wanted = k->key() == Qt::Key_Menu || (k->key() == Qt::Key_F10 && k->modifiers() == Qt::ShiftModifier);
  }
  if (!wanted) return false;
  // The editor's own text menu gives way: the keyboard has Ctrl+C / Ctrl+V.
  e->accept();
  if (current_ && currentSection_ == TableSection::Data) {
    if (!LeaveDateEditor()) return true;
    EditorExit();
    HideEditors();
    ScrollToCell(*current_);
    const QRect r = CellRect(*current_);
    emit popupRequested(mapToGlobal(r.topLeft() + QPoint(r.width() / 2, r.height() / 2)));
  }
  return true;
}

bool TF_Table::eventFilter(QObject* watched, QEvent* e) {
  if (watched == dataArea_) {
    if (HandlePopupKey(e)) return true;
    if (e->type() == QEvent::KeyPress) {
      const auto* k = static_cast<QKeyEvent*>(e);
      if (HandlePagingKey(k->key())) return true;
      // A cell without an editor is current (or none is): the keys that
      // move between cells still move.
      if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab || k->key() == Qt::Key_Return ||
          k->key() == Qt::Key_Enter) {
        MoveOn(k->key() != Qt::Key_Backtab && !(k->modifiers() & Qt::ShiftModifier));
        return true;
      }
    }
    return QWidget::eventFilter(watched, e);
  }
  const bool isEditor = watched == memo_ || watched == dateEd_ || watched == list_ || watched == editInt_ ||
                        watched == editReal_;
  if (!isEditor) return QWidget::eventFilter(watched, e);
  switch (e->type()) {
    case QEvent::ShortcutOverride: {
      // Tab and the Ctrl+arrow and Ctrl+F9 keys are the window's, not the
      // frame's (its Ctrl+S, Ctrl+O and Ctrl+P stay shortcuts).
      auto* k = static_cast<QKeyEvent*>(e);
      const bool ctrlKey = (k->modifiers() & Qt::ControlModifier) &&
                           (k->key() == Qt::Key_Left || k->key() == Qt::Key_Right || k->key() == Qt::Key_Up ||
                            k->key() == Qt::Key_Down || k->key() == Qt::Key_F9);
      if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab || ctrlKey) {
        e->accept();
        return true;
      }
      break;
    }
    case QEvent::ContextMenu:
      if (HandlePopupKey(e)) return true;
      break;
    case QEvent::KeyPress:
      if (HandlePopupKey(e) || HandleEditorKeyDown(watched, static_cast<QKeyEvent*>(e))) return true;
      break;
    case QEvent::FocusOut: {
      const auto reason = static_cast<QFocusEvent*>(e)->reason();
      if (hidingEditors_ || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) break;
      if (watched == dateEd_ && !checkingDate_ && openEditor_ == CellEditor::Date) DateCheck();
      else if (watched == editReal_) LeaveRealEditor();
      else if (watched == memo_ || watched == list_) EditorExit();
      break;
    }
    default: break;
  }
  return QWidget::eventFilter(watched, e);
}

// --- mouse -----------------------------------------------------------------

void TF_Table::CellMouseMove(TCell& cell, QPoint in, Qt::MouseButtons buttons) {
  const TableSection section = SectionOf(&cell);
  emit statusText(AddressText(&cell));
  if (buttons & Qt::LeftButton) return;
  const int w = cell.label.width, h = cell.label.height;
  std::optional<Qt::CursorShape> shape;
  if (in.x() >= w - kEdgeZone && in.x() <= w) {
    if (table_->Fixed) shape = Qt::SizeHorCursor;
  } else if (in.y() >= h - kEdgeZone && in.y() <= h && section != TableSection::Footer) {
    shape = Qt::SizeVerCursor;
  } else {
    shape = IsNotEditedType(cell.type) ? Qt::ArrowCursor : Qt::PointingHandCursor;
  }
  if (!shape) return;
  pointer_ = *shape;
  if (section != TableSection::None) ContainerOf(section)->setCursor(pointer_);
}

void TF_Table::CellMouseDown(TCell& cell, QPoint in, Qt::MouseButton button, QPoint globalPos) {
  if (subWindow_ && subWindow_->mdiArea()) subWindow_->mdiArea()->setActiveSubWindow(subWindow_);
  else raise();
  if (!LeaveDateEditor()) return;
  EditorExit();
  SetCurrentCell(&cell, false);
  HideEditors();
  pressPos_ = in;
  if (button != Qt::LeftButton) {
    if (currentSection_ == TableSection::Data) emit popupRequested(globalPos);
    return;
  }
  if (pointer_ == Qt::PointingHandCursor) ShowEditor();
}

void TF_Table::CellMouseUp(TCell& cell, QPoint in) {
  if (pointer_ == Qt::SizeHorCursor) ResizeColumn(cell, in.x() - pressPos_.x());
  else if (pointer_ == Qt::SizeVerCursor) ResizeRow(cell, in.y() - pressPos_.y());
  if (IsNotEditedType(cell.type)) dataArea_->setFocus(Qt::MouseFocusReason);
}

// --- resizing ----------------------------------------------------------------

namespace {

// A cell spanning the vertical line x (its left before x, its right at or after).
bool SpansX(const TFramedLabel& l, int x) { return l.left < x && l.left + l.width >= x; }
bool SpansY(const TFramedLabel& l, int y) { return l.top < y && l.top + l.height >= y; }

// Negative dx may not leave a spanning cell 10 pixels wide or less.
int LimitWidth(const std::vector<std::unique_ptr<TCell>>& cells, int x, int dx) {
  if (dx >= 0) return dx;
  for (const auto& c : cells)
    if (SpansX(c->label, x) && c->label.width + dx <= kMinCellSize) dx = std::max(dx, kMinCellSize - c->label.width);
  return dx;
}
int LimitHeight(const std::vector<std::unique_ptr<TCell>>& cells, int y, int dy) {
  if (dy >= 0) return dy;
  for (const auto& c : cells)
    if (SpansY(c->label, y) && c->label.height + dy <= kMinCellSize) dy = std::max(dy, kMinCellSize - c->label.height);
  return dy;
}

// Header or footer: cells spanning the edge widen, cells right of it move.
void WidenSection(TNoDataSect& s, int x, int dx) {
  for (const auto& c : s.cells) {
    if (SpansX(c->label, x)) c->SetWidth(c->label.width + dx);
    else if (c->label.left >= x) c->label.left += dx;
  }
}

}  // namespace

void TF_Table::ResizeColumn(TCell& cell, int dx) {
  if (!table_->Fixed) {
    AlignSections();
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  TTable& t = *table_;
  const int x = cell.label.left + cell.label.width;
  const TableSection section = SectionOf(&cell);
  if (section == TableSection::Header || section == TableSection::Footer) {
    TNoDataSect& s = section == TableSection::Header ? static_cast<TNoDataSect&>(t.header) : t.footer;
    dx = LimitWidth(s.cells, x, dx);
    if (dx != 0) {
      WidenSection(s, x, dx);
      t.SetModified(true);
    }
  } else if (section == TableSection::Top || section == TableSection::Data) {
    // Both limits first: headings and data move by the same amount and
    // stay in line.
    const TRow* row1 = t.RowCount >= 1 ? RowAt(t.data, 1) : nullptr;
    dx = LimitWidth(t.top.cells, x, dx);
    if (row1) dx = LimitWidth(row1->cells, x, dx);
    if (dx != 0) WidenSection(t.top, x, dx);
    if (row1) {
      if (dx != 0) {
        for (int i = 1; i <= static_cast<int>(row1->size()); ++i) {
          const TFramedLabel& l = rpt::CellAt(*row1, i)->label;
          if (SpansX(l, x)) SetColumnWidth(t.data, i, l.width + dx);
          else if (l.left >= x) SetColumnLeft(t.data, i, l.left + dx);
        }
        t.contentWidth += dx;
      }
    }
    if (dx != 0) t.SetModified(true);
  }
  QApplication::restoreOverrideCursor();
  RefreshCells();
}

void TF_Table::ResizeRow(TCell& cell, int dy) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  TTable& t = *table_;
  if (cell.label.height + dy < kMinCellSize) dy = kMinCellSize - cell.label.height;
  const TableSection section = SectionOf(&cell);
  if (!t.Fixed) {
    const int top = cell.label.top, bottom = top + cell.label.height;
    if (TRow* row = FirstRow(t.data)) {
      for (const auto& c : row->cells) {
        TFramedLabel& l = c->label;
        const int b = l.top + l.height;
        if (b > top && b <= bottom) c->SetHeight(l.height + dy);
        else if (l.top >= bottom) l.top += dy;
      }
    }
  } else if (section == TableSection::Data) {
    const int r = RowIndexOf(&cell);
    if (dy != 0) {
      for (const auto& c : t.data.rows[static_cast<std::size_t>(r)]->cells) c->SetHeight(c->label.height + dy);
      for (int i = r + 1; i <= t.RowCount; ++i)
        for (const auto& c : t.data.rows[static_cast<std::size_t>(i)]->cells) c->label.top += dy;
      t.footer.topOffset += dy;
    }
  } else if (section != TableSection::None) {
    TNoDataSect& s = section == TableSection::Header ? static_cast<TNoDataSect&>(t.header)
                     : section == TableSection::Top  ? static_cast<TNoDataSect&>(t.top)
                                                     : t.footer;
    const int y = cell.label.top + cell.label.height;
    dy = LimitHeight(s.cells, y, dy);
    if (dy != 0) {
      for (const auto& c : s.cells) {
        if (c->label.top >= y) c->label.top += dy;
        else if (SpansY(c->label, y)) c->SetHeight(c->label.height + dy);
      }
      s.height += dy;
      s.panelHeight += dy;
      if (section == TableSection::Header) {
        t.top.topOffset += dy;
        t.footer.topOffset += dy;
        t.MinTopD += dy;
        t.MinTop += dy;
      } else if (section == TableSection::Top) {
        t.footer.topOffset += dy;
        t.MinTopD += dy;
      }
      t.SetModified(true);
    }
  }
  if (dy != 0) t.contentHeight += dy;
  QApplication::restoreOverrideCursor();
  RefreshCells();
}

// --- layout ------------------------------------------------------------------

int TF_Table::DataHeight() const {
  const TTable& t = *table_;
  if (!t.Fixed) return t.contentHeight;
  const TRow* last = RowAt(t.data, std::min(t.RowCount, static_cast<int>(t.data.size()) - 1));
  if (!last || t.RowCount < 1 || last->size() == 0) return 0;
  const TFramedLabel& l = last->cells.front()->label;
  return l.top + l.height;
}

void TF_Table::LayoutPanels() {
  TTable& t = *table_;
  for (TSectionPanel* p : {header_, topPanel_, footer_}) {
    const bool shown = t.Fixed && !p->section().cells.empty() && p->section().panelVisible;
    p->setFixedHeight(std::max(0, p->PanelHeight()));
    p->setVisible(shown);
  }
  dataArea_->setVisible(!t.Fixed || t.dataAreaVisible);
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
  canvas_->update();
  header_->update();
  topPanel_->update();
  footer_->update();
}

void TF_Table::AlignSections() {
  const TTable& t = *table_;
  if (!t.Fixed && t.hooks().Loading()) return;
  int shift = 0;
  const TRow* row1 = RowAt(t.data, 1);
  const TCell* d11 = row1 && t.Fixed ? rpt::CellAt(*row1, 1) : nullptr;
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
  const std::string face = ToCp1251(font.family());
  const int size = font.pointSize();
  TTable& t = *table_;
  auto apply = [&](TCell& c) {
    c.label.font.name = face;
    if (size > 0) c.label.font.size = size;
  };
  if (t.Fixed)
    for (TNoDataSect* s : {static_cast<TNoDataSect*>(&t.header), static_cast<TNoDataSect*>(&t.top),
                           static_cast<TNoDataSect*>(&t.footer)})
      for (const auto& c : s->cells) apply(*c);
  for (const auto& row : t.data.rows)
    for (const auto& c : row->cells) apply(*c);
  t.SetModified(true);
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
  TTable& t = *table_;
  TableHooks& hooks = t.hooks();
  const std::optional<TColor> background = hooks.BackgroundColor();
  if (!background) return;
  t.background = background;
  auto recolour = [&hooks](TCell& c) {
    if (!c.label.transparent) c.label.color = hooks.DisplayColor(c.label.color);
  };
  if (!t.Fixed) {
    if (TRow* row = FirstRow(t.data))
      for (const auto& c : row->cells) recolour(*c);
  } else {
    for (const auto& c : t.top.cells) recolour(*c);
    for (int r = 0; r <= t.RowCount && r < static_cast<int>(t.data.size()); ++r)
      for (int col = 1; col <= t.ColCount; ++col)
        if (TCell* c = rpt::CellAt(*t.data.rows[static_cast<std::size_t>(r)], col)) recolour(*c);
  }
  t.SetModified(true);
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
  HideEditors();
  EditorExit();
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
  HideEditors();
  EditorExit();
  SetHidden(true);
  emit closing();
}

}  // namespace rpt::gui
