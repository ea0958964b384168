// The painted parts of a table window: the header, column-heading and
// footer panels, the data area's canvas, the ring of the current cell and
// the scrolling box around the data. They paint the model's cells and pass
// the mouse on to their window; they hold no state of the table.
#pragma once

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>

#include "gui/foundation/qt_text.h"
#include "gui/tables/cell_editors.h"
#include "gui/tables/cell_painting.h"
#include "gui/tables/table_window.h"

namespace rpt::gui {

// The raised line along the footer's top.
inline constexpr int kBevel = 5;

class TCellContainer : public QWidget {
 public:
  TCellContainer(TF_Table& owner, TableSection kind, QWidget* parent) : QWidget(parent), owner_(owner), kind_(kind) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  TableSection kind() const { return kind_; }

  // A cell's hint ("short|long") shows its short part over the cell, and
  // below it last year's value when the report is compared with last year.
  bool event(QEvent* e) override {
    if (e->type() != QEvent::ToolTip) return QWidget::event(e);
    auto* help = static_cast<QHelpEvent*>(e);
    const TCell* cell = HitTest(help->pos());
    const std::string lastYear = cell ? owner_.YearHintOf(cell) : std::string();
    if (!cell || ((!cell->label.showHint || cell->label.hint.empty()) && lastYear.empty())) {
      QToolTip::hideText();
      e->ignore();
      return true;
    }
    QString text = cell->label.showHint ? EditorText(cell->label.hint) : QString();
    if (const qsizetype bar = text.indexOf(QLatin1Char('|')); bar >= 0) text.truncate(bar);
    if (!lastYear.empty()) {
      if (!text.isEmpty()) text += QLatin1Char('\n');
      text += EditorText(lastYear);
    }
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
    const QColor remark = RemarkColor();
    for (const auto& cell : cells) {
      const TFramedLabel& l = cell->label;
      if (!l.visible) continue;
      const QPoint o = Origin(*cell);
      if (!QRect(o.x(), o.y(), l.width, l.height).intersects(clip)) continue;
      PaintCell(p, l, o.x(), o.y(), remark);
      if (owner_.YearFlagged(cell.get())) PaintYearChangeMark(p, l, o.x(), o.y());
    }
  }
  // The frame of a remarked cell in the report's colour scheme.
  QColor RemarkColor() const { return QColorOf(owner_.table().hooks().SchemeColor(ColorRole::RemarkFrame)); }
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
    if (t.grid) {
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
    if (!t.grid) {
      if (const TRow* row = FirstRow(t.data)) Paint(p, clip, row->cells);
      return;
    }
    // Only the rows the clip reaches: the cost stays with the viewport,
    // however many rows lie outside it.
    const int last = std::min(t.RowCount, static_cast<int>(t.data.size()) - 1);
    const QColor remark = RemarkColor();
    for (int r = FirstRowBelow(t, clip.top()); r <= last; ++r) {
      const TRow& row = *t.data.rows[static_cast<std::size_t>(r)];
      if (row.size() == 0) continue;
      if (row.cells.front()->label.top > clip.bottom()) break;
      for (const auto& cell : row.cells) {
        const TFramedLabel& l = cell->label;
        if (!l.visible || l.left > clip.right() || l.left + l.width <= clip.left()) continue;
        PaintCell(p, l, l.left, l.top, remark);
        if (owner_.YearFlagged(cell.get())) PaintYearChangeMark(p, l, l.left, l.top);
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

}  // namespace rpt::gui
