// TF_Table, the window of one table: the header, the column headings, the
// scrolling data area and the footer, painted from the model (no widget per
// cell); one editor per cell type, laid over the cell being edited; the
// keyboard moves between cells, the mouse resizes columns and rows. The
// window shows a TTable it does not own (the report state owns the tables);
// the tables frame places it in an MDI child window and follows it through
// the signals.
//
// The window keeps pointers to the current and edited cells: after any
// change that adds, removes or replaces cells (row operations, reloads)
// call RefreshCells, which finds them again by their places.
#pragma once

#include <QFont>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/foundation/interaction.h"
#include "core/tables/table.h"
#include "core/tables/table_geometry.h"
#include "core/tables/table_undo.h"
#include "core/tables/year_change.h"

class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;
class QMdiSubWindow;
class QScrollArea;

namespace rpt {
class TYearComparison;
}

namespace rpt::gui {

class TCellContainer;
class TCurrentFrame;
class TSectionPanel;
class TMyScrollBox;
class TDataCanvas;
class TListEdit;
class TDateEdit;
class TNumberEdit;
class TMemoEdit;

// The editor shown over the edited cell.
enum class CellEditor { None, Memo, Date, List, Int, Real };

class TF_Table : public QWidget {
  Q_OBJECT
 public:
  // A table context still holding the default text measure gets the
  // toolkit's (QtTextMeasure), so that fitted rows match the painting.
  explicit TF_Table(TTable& table, QWidget* parent = nullptr);
  ~TF_Table() override;

  TTable& table() const { return *table_; }

  // --- the current cell ---------------------------------------------------
  // Null before the first click or move.
  TCell* CurrentCell() const { return current_; }
  TableSection CurrentSection() const { return currentSection_; }
  // Data-section coordinates of the current cell: the row's index in the
  // data section (grid tables 1..RowCount, form tables 0) and the cell's
  // 1-based position in that row (grid tables: its column). -1 when there
  // is no current cell or it is not a data cell.
  int CurrentRow() const;
  int CurrentCol() const;
  // Makes data cell (row, col) current, scrolls it into view and opens its
  // editor. Nothing happens for a position outside the table.
  void GoToCell(int row, int col);
  // The same for any cell of the table (null: no current cell).
  void SetCurrentCell(TCell* cell, bool openEditor);
  // The section a cell of this table lies in.
  TableSection SectionOf(const TCell* cell) const;
  // The data row index of a data cell, -1 otherwise.
  int RowIndexOf(const TCell* cell) const;
  // The cell last opened for editing; null once editing ended.
  TCell* EditorCell() const { return editorCell_; }
  CellEditor OpenEditor() const { return openEditor_; }

  // --- operations of the window -----------------------------------------
  // Every cell takes the face and size (header, headings and footer only in
  // grid tables); the defined fonts stay, the table becomes modified.
  void ApplyFont(const QFont& font);
  // The same with the user's table font of the table context.
  void ApplyFont();
  // Recolours from the colour map the hooks hold (the caller re-reads
  // "Colors.opt" first): the background of window and sections, and the
  // non-transparent data and heading cells. Nothing without a map.
  void ApplyColors();
  void SetModified(bool modified);
  bool Modified() const { return table_->Modified(); }
  // 0 not yet evaluated, 1 norm, 2 empty, 3 errors: the window icon becomes
  // image status + 7; statusChanged tells the trees.
  void SetStatus(std::uint8_t status);
  std::uint8_t Status() const { return table_->status; }
  // Hiding hides the window (its MDI child window when it has one);
  // showing optimizes it (normal state, top-left corner, FitWindow) first.
  // A new window counts as hidden until it is shown.
  void SetHidden(bool hidden);
  bool Hidden() const { return hidden_; }
  void SetContentWidth(int width);
  void SetContentHeight(int height);
  // Sizes the window (or its MDI child window) to its content within the
  // frame's free area; a maximised window only aligns its sections.
  void FitWindow();
  // Keeps header, headings and footer in line with the scrolled data area.
  void AlignSections();
  // Repaints after changes made outside the window (row operations,
  // recalculation, check marks, reloads): sections are laid out again.
  void RefreshCells();
  // The frame's "Вид" toggles: only for a section that has cells; the
  // content height follows and the window is refitted.
  void SetHeaderVisible(bool visible);
  void SetFooterVisible(bool visible);

  void HideEditors();
  // Opens the editor of the current cell by its type.
  void ShowEditor();
  // Fits the edited text cell's row and ends editing.
  void EditorExit();
  void ResizeColumn(TCell& cell, int dx);
  void ResizeRow(TCell& cell, int dy);
  // Brings the cell into the data area's view.
  void ScrollToCell(const TCell& cell);
  // Activation (recalculation of a table with formulas, deep and without
  // check; the check of a table with rules; focus to the data area; then
  // `activated`) and deactivation (editors closed, the edited row fitted).
  // The MDI child window's activation runs them by itself.
  void Activate();
  void Deactivate();
  // The keyboard to the open editor; else the current cell's editor is
  // opened (the first editable cell's when none is current); else the
  // data area takes it.
  void TakeKeyboard();
  // The keyboard to the open editor, else to the data area.
  void FocusCurrent();
  // After the list window closed: focus back to the editor, cell in view.
  void ListClosed();

  // --- last year beside this year ---------------------------------------------
  // The report's comparison with last year (null: none) and this table's
  // file (Windows-1251): figures get last year's value in their tool tips,
  // and those that changed beyond the thresholds a mark.
  void SetYearComparison(const TYearComparison* comparison, std::string fileCp1251);
  // The cell beside last year's; null when not compared.
  const ComparedCell* YearChangeOf(const TCell* cell) const;
  bool YearFlagged(const TCell* cell) const;
  // The tool tip's lines about last year; empty when not compared.
  std::string YearHintOf(const TCell* cell) const;

  // --- the keys a spreadsheet user expects ------------------------------------
  // Ctrl+Z, Ctrl+Y: the last value change or row operation of the table
  // taken back, or done again; an edit in progress becomes a step first.
  // False when there was nothing to take back or do again.
  bool Undo();
  bool Redo();
  // Row operations record themselves here (the frame captures the rows
  // before a command and records them when it changed the table).
  TableUndo& UndoSteps() { return undo_; }
  // F2: the current cell's editor with the caret at the end of its text.
  void EditCurrent();
  // Esc: the edited cell gets back the value it had when its editor opened.
  void CancelEdit();

  // --- the parts (tests, the frame) ---------------------------------------
  QWidget* HeaderPanel() const;
  QWidget* TopPanel() const;
  QWidget* FooterPanel() const;
  // The data area (a QScrollArea) and the widget inside it that the data
  // cells are painted on.
  QScrollArea* DataArea() const;
  QWidget* DataCanvas() const;
  // The editor widget in use for a kind (QPlainTextEdit for Memo, QLineEdit
  // for the others).
  QWidget* Editor(CellEditor kind) const;
  QToolButton* MemoButton() const { return memoBtn_; }
  // The cell under a point of the window; its section in `section`.
  TCell* CellAt(QPoint windowPos, TableSection* section = nullptr) const;
  // Where a cell is drawn, in window coordinates.
  QRect CellRect(const TCell& cell) const;
  // The status-bar text over a cell: "Ячейка 7", "Ячейка 3-2" or empty.
  QString AddressText(const TCell* cell) const;

  // The mouse handling of a cell, as the pointer events drive it (tests use
  // them directly).
  void CellMouseMove(TCell& cell, QPoint inCell, Qt::MouseButtons buttons);
  void CellMouseDown(TCell& cell, QPoint inCell, Qt::MouseButton button, QPoint globalPos);
  void CellMouseUp(TCell& cell, QPoint inCell);

 signals:
  void currentCellChanged(int row, int col);
  // Text for the status bar's second panel.
  void statusText(const QString& text);
  void modifiedChanged(bool modified);
  void statusChanged(int status);
  // Right button on a data cell, or the menu key / Shift+F10 with a data
  // cell current; the frame decides the menu (DecideCellPopup) for
  // CurrentCell() / CurrentRow().
  void popupRequested(const QPoint& globalPos);
  // "...", the list editor's button or Ctrl+F9: the list window is wanted
  // for the current cell (row, col as CurrentRow/CurrentCol). The receiver
  // closes a showing list window instead, warns of an empty list, and
  // calls EditorExit and ListClosed when the list window has closed.
  void listRequested(int row, int col);
  void activated();
  // An editor refused characters beyond the cell's limit; `why` is for the
  // status bar ("Не более 9 цифр").
  void inputLimited(const QString& why);
  // The window was closed (its close box, or close() for "Закрыть"): its
  // editors are closed, it is hidden, not destroyed. The frame closes the
  // check protocol window, brings the neighbour forward or closes itself,
  // and refreshes its actions.
  void closing();

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  friend class TCellContainer;
  friend class TSectionPanel;
  friend class TDataCanvas;

  // A cell by its place, which survives the cell being replaced: a data
  // cell by position, a section cell by its index (in pos.col).
  struct Where {
    TableSection section = TableSection::None;
    CellPos pos;
  };

  void BuildEditors();
  // The current cell's frame over the current cell (hidden without one).
  void PlaceCurrentFrame();
  void LayoutPanels();
  void ApplyBackground();
  int DataHeight() const;
  QSize ContentSize() const;
  CellPos PosOf(const TCell* cell) const;
  TCell* DataCell(CellPos pos) const;
  Where WhereOf(TCell* cell) const;
  TCell* Resolve(const Where& where) const;
  const TNoDataSect& SectionModel(TableSection section) const;
  TCellContainer* ContainerOf(TableSection section) const;
  void Place(QWidget* editor, TableSection section, const TCell& cell, int inset);
  void MoveTo(std::optional<CellPos> pos);
  bool HandlePagingKey(int key);
  // The menu key and Shift+F10 open the cell pop-up menu over the current
  // cell, so that the row commands need no mouse.
  bool HandlePopupKey(QEvent* e);
  bool HandleEditorKeyDown(QObject* editor, QKeyEvent* e);
  // Arrows, F2, Esc, Ctrl+Home, Ctrl+End, Ctrl+Z and Ctrl+Y, in an editor
  // (`editor` set) or on the data area.
  bool HandleSpreadsheetKey(QObject* editor, QKeyEvent* e);
  // The edit since the editor opened becomes an undo step; `rowFit` is the
  // dy its row was fitted by.
  void CommitEdit(int rowFit);
  bool UndoRedo(bool redo);
  // Tab and Enter (forward), Shift+Tab (back): to the next editable cell,
  // or to the first one when no cell is current.
  void MoveOn(bool forward);
  void StoreEdit(CellEditor kind);
  void AfterChange();
  // The figures compared again after a change.
  void RefreshYearChanges();
  void SyncMarks();
  void ApplyStatus();
  void LeaveRealEditor();
  bool DateCheck();
  bool LeaveDateEditor();
  void RequestList();
  void ConnectSubWindow();
  void SetSectionVisible(TNoDataSect& section, bool visible);
  void Message(MessageKind kind, std::string_view text);

  TTable* table_;
  TSectionPanel* header_ = nullptr;
  TSectionPanel* topPanel_ = nullptr;
  TSectionPanel* footer_ = nullptr;
  QWidget* panelMain_ = nullptr;
  TMyScrollBox* dataArea_ = nullptr;
  TDataCanvas* canvas_ = nullptr;
  QFrame* memoPanel_ = nullptr;
  TMemoEdit* memo_ = nullptr;
  QToolButton* memoBtn_ = nullptr;
  TDateEdit* dateEd_ = nullptr;
  TListEdit* list_ = nullptr;
  TNumberEdit* editInt_ = nullptr;
  TNumberEdit* editReal_ = nullptr;
  TCurrentFrame* currentFrame_ = nullptr;

  TCell* current_ = nullptr;
  Where currentWhere_;
  TableSection currentSection_ = TableSection::None;
  CellPos currentPos_;
  TCell* editorCell_ = nullptr;
  Where editorWhere_;
  TCell* dateCell_ = nullptr;
  Where dateWhere_;
  CellEditor openEditor_ = CellEditor::None;
  std::string editorStartValue_;  // the edited cell's value when its editor opened
  TableUndo undo_;
  const TYearComparison* yearComparison_ = nullptr;
  std::string yearFile_;
  std::unordered_map<const TCell*, ComparedCell> yearCells_;
  std::optional<TCell> undoStart_;  // the edited cell when its editor opened
  Where undoWhere_;
  bool hidden_ = true;  // created hidden
  bool lastModified_ = false;
  std::uint8_t lastStatus_ = 0;
  bool showingEditor_ = false;
  bool hidingEditors_ = false;
  bool checkingDate_ = false;
  bool fitting_ = false;
  int sectionShift_ = 0;
  QPoint pressPos_;
  Qt::CursorShape pointer_ = Qt::ArrowCursor;
  QMdiSubWindow* subWindow_ = nullptr;
};

}  // namespace rpt::gui
