// The table window's keyboard and mouse: moving between cells, the paging
// keys, the pop-up menu key, and the pointer over the cells' edges that
// resizes columns and rows.
#include "gui/tables/table_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "core/tables/table_geometry.h"
#include "core/tables/table_text.h"
#include "gui/foundation/qt_text.h"
#include "gui/tables/cell_containers.h"
#include "gui/tables/cell_editors.h"

namespace rpt::gui {

using namespace literals;

namespace {

constexpr int kEdgeZone = 5;  // pixels by a cell's edge that resize it

}  // namespace

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

namespace {

bool IsUndoKey(const QKeyEvent* e) {
  return e->modifiers() == Qt::ControlModifier && e->key() == Qt::Key_Z;
}
bool IsRedoKey(const QKeyEvent* e) {
  return (e->modifiers() == Qt::ControlModifier && e->key() == Qt::Key_Y) ||
         (e->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) && e->key() == Qt::Key_Z);
}

// The keys the table window takes from its editors before the editors'
// own handling (and before the frame's shortcuts) sees them.
bool IsSpreadsheetKey(const QKeyEvent* e) {
  const int key = e->key();
  if (IsUndoKey(e) || IsRedoKey(e)) return true;
  if (e->modifiers() == Qt::ControlModifier) return key == Qt::Key_Home || key == Qt::Key_End;
  if (e->modifiers() != Qt::NoModifier && e->modifiers() != Qt::KeypadModifier) return false;
  return key == Qt::Key_F2 || key == Qt::Key_Escape || key == Qt::Key_Up || key == Qt::Key_Down;
}

}  // namespace

bool TF_Table::HandleSpreadsheetKey(QObject* editor, QKeyEvent* e) {
  const int key = e->key();
  if (IsUndoKey(e)) {
    Undo();
    return true;
  }
  if (IsRedoKey(e)) {
    Redo();
    return true;
  }
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  if (mods == Qt::ControlModifier && (key == Qt::Key_Home || key == Qt::Key_End)) {
    MoveTo(key == Qt::Key_Home ? FirstEditableCell(*table_) : LastEditableCell(*table_));
    return true;
  }
  if (mods != Qt::NoModifier) return false;
  if (key == Qt::Key_F2) {
    EditCurrent();
    return true;
  }
  if (key == Qt::Key_Escape) {
    CancelEdit();
    return true;
  }
  std::optional<ArrowKey> arrow;
  switch (key) {
    case Qt::Key_Up: arrow = ArrowKey::Up; break;
    case Qt::Key_Down: arrow = ArrowKey::Down; break;
    case Qt::Key_Left: arrow = ArrowKey::Left; break;
    case Qt::Key_Right: arrow = ArrowKey::Right; break;
    default: return false;
  }
  // Inside a text the arrows move the caret; at its edge (or its first and
  // last line) they move on to the neighbouring cell.
  if (editor == memo_) {
    const QTextCursor c = memo_->textCursor();
    if (c.hasSelection() && (*arrow == ArrowKey::Left || *arrow == ArrowKey::Right)) return false;
    QTextCursor probe = c;
    const bool edge = *arrow == ArrowKey::Left    ? c.atStart()
                      : *arrow == ArrowKey::Right ? c.atEnd()
                      : *arrow == ArrowKey::Up    ? !probe.movePosition(QTextCursor::Up)
                                                  : !probe.movePosition(QTextCursor::Down);
    if (!edge) return false;
  } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    if (*arrow == ArrowKey::Left || *arrow == ArrowKey::Right) {
      if (line->hasSelectedText()) return false;
      const bool edge = *arrow == ArrowKey::Left ? line->cursorPosition() == 0
                                                 : line->cursorPosition() >= line->text().size();
      if (!edge) return false;
    }
  }
  if (currentSection_ == TableSection::Data) MoveTo(ArrowTarget(*table_, currentPos_, *arrow));
  else if (!current_) MoveOn(true);
  return true;
}

bool TF_Table::HandleEditorKeyDown(QObject* editor, QKeyEvent* e) {
  const int key = e->key();
  if (HandleSpreadsheetKey(editor, e)) return true;
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
    if (e->type() == QEvent::ShortcutOverride && IsSpreadsheetKey(static_cast<QKeyEvent*>(e))) {
      e->accept();
      return true;
    }
    if (e->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(e);
      if (HandleSpreadsheetKey(nullptr, k)) return true;
      if (HandlePagingKey(k->key())) return true;
      // Typing over the current cell replaces its value.
      if (current_ && !IsNotEditedType(current_->type) && !k->text().isEmpty() && k->text().front().isPrint() &&
          !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        SetCurrentCell(current_, true);
        if (QWidget* editor = Editor(openEditor_)) {
          QKeyEvent copy(QEvent::KeyPress, k->key(), k->modifiers(), k->text());
          QApplication::sendEvent(editor, &copy);
          return true;
        }
      }
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
      if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab || ctrlKey || IsSpreadsheetKey(k)) {
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
    if (table_->grid) shape = Qt::SizeHorCursor;
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

}  // namespace rpt::gui
