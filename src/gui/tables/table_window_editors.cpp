// The table window's editors: opening the one for the current cell over
// it, storing what was typed, the checks on leaving an editor (real range,
// dates) and the list window.
#include "gui/tables/table_window.h"
#include "core/import/year_comparison.h"

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
#include "core/foundation/errors.h"
#include "core/foundation/interaction.h"
#include "core/tables/table_geometry.h"
#include "core/tables/table_text.h"
#include "gui/foundation/qt_text.h"
#include "gui/tables/cell_containers.h"
#include "gui/tables/cell_editors.h"

namespace rpt::gui {

using namespace literals;

namespace {

constexpr double kRealMax = 1.2e100;
const QString kEmptyDate = QStringLiteral("  .  .    ");

}  // namespace

// --- editors ---------------------------------------------------------------

void TF_Table::HideEditors() {
  // An edit ends with its editor: what it changed is a step of its own, and
  // nothing done to the cell afterwards counts as typed.
  CommitEdit(0);
  undoStart_.reset();
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
  CommitEdit(0);
  TCell* cell = current_;
  editorCell_ = cell;
  editorWhere_ = WhereOf(cell);
  if (!cell) return;
  editorStartValue_ = cell->label.caption;
  undoStart_ = *cell;
  undoWhere_ = editorWhere_;
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
      // Typing replaces the value, as over a spreadsheet's cell; F2 edits it.
      memo_->selectAll();
      openEditor_ = CellEditor::Memo;
      shown = memoPanel_;
      break;
    }
    case cell_type::kDate: {
      Place(dateEd_, section, *cell, 1);
      const QString value = FromCp1251(tables::TrimText(cell->label.caption));
      dateEd_->setText(IsValidDate(value.toStdString()) ? value : QString());
      // Digits typed go in from the start of the mask, over the whole date
      // when there is one.
      if (IsValidDate(value.toStdString())) dateEd_->selectAll();
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
      list_->selectAll();
      openEditor_ = CellEditor::List;
      shown = list_;
      break;
    case cell_type::kInteger:
    case cell_type::kReal: {
      TNumberEdit* e = cell->type == cell_type::kInteger ? editInt_ : editReal_;
      Place(e, section, *cell, 1);
      e->setText(FromCp1251(cell->label.caption));
      e->selectAll();
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
  if (table_->grid) AlignSections();
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
  RefreshYearChanges();
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
  if (IsValidDate(text.toStdString())) return true;
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
  int fitted = 0;
  // Only a value changed by the user refits the row: looking at a cell
  // changes nothing in the table.
  if (cell && (cell->type == cell_type::kText || cell->type == cell_type::kLongText ||
               cell->type == cell_type::kListValue) &&
      cell->label.caption != editorStartValue_) {
    const int current = cell->label.height;
    int wanted;
    const int r = RowIndexOf(cell);
    if (table_->grid && r >= 1) {
      wanted = table_->RowTextHeight(r);
    } else {
      wanted = cell->label.caption.empty() ? current : std::max(table_->TextHeight(*cell), current);
    }
    if (wanted != current) ResizeRow(*cell, wanted - current);
    fitted = cell->label.height - current;
  }
  CommitEdit(fitted);
}

void TF_Table::CommitEdit(int rowFit) {
  if (!undoStart_) return;
  TCell* cell = Resolve(undoWhere_);
  if (cell) undo_.RecordValue(*table_, *cell, *undoStart_, rowFit);
  // An editor still open over the cell goes on from here.
  if (cell && openEditor_ != CellEditor::None && cell == current_) undoStart_ = *cell;
  else undoStart_.reset();
}

bool TF_Table::Undo() { return UndoRedo(false); }
bool TF_Table::Redo() { return UndoRedo(true); }

bool TF_Table::UndoRedo(bool redo) {
  if (!LeaveDateEditor()) return false;
  const bool reopen = openEditor_ != CellEditor::None;
  EditorExit();
  CommitEdit(0);
  undoStart_.reset();
  const Where keep = currentWhere_;
  HideEditors();
  SetCurrentCell(nullptr, false);
  bool done = false;
  try {
    done = redo ? undo_.Redo(*table_) : undo_.Undo(*table_);
  } catch (const std::exception& e) {
    Message(MessageKind::Error, ErrorMessage(e));
  }
  RefreshCells();
  if (TCell* cell = Resolve(keep)) {
    SetCurrentCell(cell, reopen);
    if (!reopen) dataArea_->setFocus();
  }
  AfterChange();
  return done;
}

void TF_Table::EditCurrent() {
  if (!current_) return;
  if (openEditor_ == CellEditor::None) SetCurrentCell(current_, true);
  switch (openEditor_) {
    case CellEditor::Memo: memo_->moveCursor(QTextCursor::End); break;
    case CellEditor::Date: dateEd_->deselect(); dateEd_->end(false); break;
    case CellEditor::List: list_->deselect(); list_->end(false); break;
    case CellEditor::Int: editInt_->deselect(); editInt_->end(false); break;
    case CellEditor::Real: editReal_->deselect(); editReal_->end(false); break;
    case CellEditor::None: break;
  }
}

void TF_Table::CancelEdit() {
  if (openEditor_ == CellEditor::None || !current_ || !undoStart_ || Resolve(undoWhere_) != current_) return;
  TCell& cell = *current_;
  if (!cell.SameContent(*undoStart_)) {
    RestoreCellContent(cell, *undoStart_);
    table_->hooks().RecalcTable(*table_, false, true);
  }
  showingEditor_ = true;
  const QString value = FromCp1251(cell.label.caption);
  switch (openEditor_) {
    case CellEditor::Memo: memo_->setPlainText(EditorText(cell.label.caption)); memo_->selectAll(); break;
    case CellEditor::Date: dateEd_->setText(IsValidDate(value.toStdString()) ? value : QString()); dateEd_->selectAll(); break;
    case CellEditor::List: list_->setText(value); list_->selectAll(); break;
    case CellEditor::Int: editInt_->setText(value); editInt_->selectAll(); break;
    case CellEditor::Real: editReal_->setText(value); editReal_->selectAll(); break;
    case CellEditor::None: break;
  }
  showingEditor_ = false;
  AfterChange();
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

}  // namespace rpt::gui

namespace rpt::gui {

void TF_Table::SetYearComparison(const TYearComparison* comparison, std::string fileCp1251) {
  yearComparison_ = comparison;
  yearFile_ = std::move(fileCp1251);
  RefreshYearChanges();
  canvas_->update();
  header_->update();
  topPanel_->update();
  footer_->update();
}

void TF_Table::RefreshYearChanges() {
  yearCells_.clear();
  if (!yearComparison_ || !yearComparison_->opened()) return;
  for (ComparedCell& c : yearComparison_->Compare(*table_, yearFile_)) yearCells_.emplace(c.cell, std::move(c));
}

const ComparedCell* TF_Table::YearChangeOf(const TCell* cell) const {
  const auto it = yearCells_.find(cell);
  return it == yearCells_.end() ? nullptr : &it->second;
}

bool TF_Table::YearFlagged(const TCell* cell) const {
  const ComparedCell* c = YearChangeOf(cell);
  return c && c->change && c->change->flagged();
}

std::string TF_Table::YearHintOf(const TCell* cell) const {
  const ComparedCell* c = YearChangeOf(cell);
  return c && yearComparison_ ? YearChangeHint(*c, yearComparison_->thresholds) : std::string();
}

}  // namespace rpt::gui
