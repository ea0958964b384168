// The table window on small table files: keyboard moves (as tables of
// cases over the decisions, and through the editors), the editor of each
// cell type, column and row resizing with their limits, row fitting when a
// text cell is left, the status-bar address, closing, and cell painting.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTextCursor>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <string>
#include <vector>

#include "core/foundation/codec.h"
#include "core/tables/row_operations.h"
#include "core/tables/table.h"
#include "gui/foundation/qt_text.h"
#include "gui/tables/cell_painting.h"
#include "core/tables/table_geometry.h"
#include "gui/tables/table_window.h"
#include "support/gui_program.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::literals;
using namespace rpt::testing;

namespace {

// One cell of a table file: section state ('H', 'T', 'D', 'B'), type, grid
// keys, geometry in definition coordinates and the optional keys.
struct CellSpec {
  char state;
  int type;
  int col, row;
  int top, left, width, height;
  std::string cap;
  std::string extra;  // further "Key=Value\r\n" lines
  int align = 5;
  long color = 16777215;
  bool framed = true;
};

std::string TableFile(bool fixed, int rows, int cols, const std::vector<CellSpec>& cells, int minLeft = 10,
                      int minTop = 40, int minTopD = 70) {
  std::string out = "[Table]\r\n";
  auto line = [&out](const std::string& k, const std::string& v) { out += k + "=" + v + "\r\n"; };
  line("Count", std::to_string(cells.size()));
  line("Fixed", fixed ? "1" : "0");
  line("RowCount", std::to_string(rows));
  line("ColCount", std::to_string(cols));
  line("MinLeft", std::to_string(minLeft));
  line("MinTop", std::to_string(minTop));
  line("MinTopD", std::to_string(minTopD));
  line("BL0", "1");
  line("BL1", "2");
  line("Name", "T");
  out += "\r\n";
  int n = 2;
  for (const CellSpec& c : cells) {
    out += "[Cell_" + std::to_string(n++) + "]\r\n";
    line("State", std::string(1, c.state));
    line("Type", std::to_string(c.type));
    line("Col", std::to_string(c.col));
    line("Row", std::to_string(c.row));
    line("Vis", std::to_string(c.top) + " " + std::to_string(c.left) + " " + std::to_string(c.width) + " " +
                    std::to_string(c.height) + " " + std::to_string(c.align) + " " + std::to_string(c.color));
    line("Frame", c.framed ? "1" : "0");
    line("Cap", c.cap);
    out += c.extra;
    out += "\r\n";
  }
  return out;
}

// A grid of `rows` rows: column types per column, 80 x 30 cells, a title,
// column headings (column 2 split in two halves of 40) and a signature.
std::string GridFile(int rows, const std::vector<int>& types) {
  const int cols = static_cast<int>(types.size());
  std::vector<CellSpec> cells;
  cells.push_back({'H', 10, 0, 0, 5, 10, 80 * cols, 30, "Title", ""});
  for (int c = 1; c <= cols; ++c) {
    const int left = 10 + (c - 1) * 80;
    if (c == 2) {
      cells.push_back({'T', 0, 0, 0, 40, left, 40, 30, "2a", ""});
      cells.push_back({'T', 0, 0, 0, 40, left + 40, 40, 30, "2b", ""});
    } else {
      cells.push_back({'T', 8, 0, 0, 40, left, 80, 30, std::to_string(c), ""});
    }
  }
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= cols; ++c) {
      const int t = types[static_cast<std::size_t>(c - 1)];
      cells.push_back({'D', t, c, r, 70 + (r - 1) * 30, 10 + (c - 1) * 80, 80, 30,
                       t == 9 ? std::to_string(r) : std::string(), t == 1 ? "Len=255\r\n" : ""});
    }
  cells.push_back({'B', 0, 0, 0, 70 + rows * 30 + 10, 10, 200, 25, "Signature", ""});
  return TableFile(true, rows, cols, cells);
}

// The form used for the editors: numbers 2..8.
//   2 integer  (0,0)     3 real, 2 decimals (0,100)
//   4 date     (40,0)    5 list, chosen only (40,100)
//   6 text, 5 characters (80,0)   7 text with a pick list (80,100)
//   8 caption  (120,0)
std::string FormFile() {
  return TableFile(false, 0, 0,
                   {{'D', 2, 1, 1, 0, 0, 90, 30, "42", ""},
                    {'D', 3, 2, 1, 0, 100, 90, 30, "", "Dec=2\r\n"},
                    {'D', 4, 3, 1, 40, 0, 90, 30, "", ""},
                    {'D', 6, 4, 1, 40, 100, 90, 30, "item", "List=Items.lst\r\nDirectInput=0\r\n"},
                    {'D', 1, 5, 1, 80, 0, 90, 30, "", "Len=5\r\n"},
                    {'D', 1, 6, 1, 80, 100, 90, 50, "", "Len=100\r\nList=Items.lst\r\n"},
                    {'D', 0, 7, 1, 120, 0, 90, 30, "Caption", ""}},
                   0, 0, 0);
}

// Texts of more than ten characters need 60 pixels, others 8.
class TwoHeights : public TextMeasure {
 public:
  int WrappedTextHeight(const TFont&, std::string_view text, int) override { return text.size() > 10 ? 60 : 8; }
};

struct Fixture {
  TempFolder folder;
  ScriptedInteraction ui;
  TwoHeights measure;
  TableContext context;
  TTable table{context};
  std::unique_ptr<TF_Table> window;

  explicit Fixture(const std::string& file) {
    context.ui = &ui;
    context.measure = &measure;
    table.LoadFromFile(folder.Write("T.ini", file));
    window = std::make_unique<TF_Table>(table);
    window->resize(700, 500);
    window->show();
    QApplication::setActiveWindow(window.get());
  }
  TCell& Data(int row, int col) { return *CellAt(*RowAt(table.data, row), col); }
  template <class W>
  W* Editor(CellEditor kind) {
    return static_cast<W*>(window->Editor(kind));
  }
  QString Value(int row, int col) { return FromCp1251(Data(row, col).label.caption); }
};

}  // namespace

class TableWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void gridMovesAsTablesOfCases() {
    // Columns: row number, text, formula, integer; four rows.
    Fixture f(GridFile(4, {9, 1, 7, 2}));
    const TTable& t = f.table;
    struct Case {
      const char* name;
      CellPos from;
      bool forward;
      std::optional<CellPos> to;
    };
    const Case steps[] = {
        {"Tab skips the formula column", {1, 2}, true, CellPos{1, 4}},
        {"Tab from the row's last cell goes to the next row", {1, 4}, true, CellPos{2, 2}},
        {"Tab from the last editable cell wraps to row 1", {4, 4}, true, CellPos{1, 2}},
        {"Shift+Tab from row 1's first editable cell wraps to the last row", {1, 2}, false, CellPos{4, 4}},
        {"Shift+Tab goes back over the formula", {3, 4}, false, CellPos{3, 2}},
    };
    for (const Case& c : steps) QCOMPARE(NextEditableCell(t, c.from, c.forward), c.to);

    struct Arrow {
      CellPos from;
      ArrowKey key;
      std::optional<CellPos> to;
    };
    const Arrow arrows[] = {
        {{2, 1}, ArrowKey::Left, std::nullopt},  // column 1: no move
        {{2, 2}, ArrowKey::Left, std::nullopt},  // only the row number lies left
        {{2, 4}, ArrowKey::Left, CellPos{2, 2}},  // over the formula
        {{2, 2}, ArrowKey::Right, CellPos{2, 4}},
        {{4, 2}, ArrowKey::Down, std::nullopt},  // past RowCount
        {{1, 2}, ArrowKey::Up, std::nullopt},    // row 0 is the buffer
        {{3, 4}, ArrowKey::Up, CellPos{2, 4}},
    };
    for (const Arrow& a : arrows) QCOMPARE(ArrowTarget(t, a.from, a.key), a.to);
  }

  void formMovesAsTablesOfCases() {
    Fixture f(FormFile());
    const TTable& t = f.table;
    // Positions are cell numbers - 1.
    QCOMPARE(NextEditableCell(t, {0, 6}, true), (CellPos{0, 1}));   // 7 -> over the caption -> 2
    QCOMPARE(NextEditableCell(t, {0, 1}, false), (CellPos{0, 6}));  // 2 -> back to 7
    QCOMPARE(NextEditableCell(t, {0, 3}, true), (CellPos{0, 4}));
    struct Arrow {
      int from;
      ArrowKey key;
      std::optional<int> to;
    };
    const Arrow arrows[] = {
        {1, ArrowKey::Right, 3},  // a left equal to the current one lies "right" too; 4 is nearest
        {2, ArrowKey::Left, 4},
        {5, ArrowKey::Up, 3},
        {4, ArrowKey::Down, 6},
        {3, ArrowKey::Up, 1},
        {1, ArrowKey::Up, 2},     // same top counts as up
        {6, ArrowKey::Down, 5},   // the caption below is no candidate
    };
    for (const Arrow& a : arrows) {
      const auto to = ArrowTarget(t, {0, a.from}, a.key);
      QCOMPARE(to.has_value(), a.to.has_value());
      if (to) QCOMPARE(to->col, *a.to);
    }
  }

  void pagingKeysMoveByTheAreaHeightLess30() {
    QCOMPARE(PagingPosition(PagingKey::PageDown, 0, 400, 5000), 370);
    QCOMPARE(PagingPosition(PagingKey::PageUp, 1000, 400, 5000), 630);
    QCOMPARE(PagingPosition(PagingKey::End, 10, 400, 5000), 5000);
    QCOMPARE(PagingPosition(PagingKey::Home, 900, 400, 5000), 0);

    Fixture f(GridFile(200, {9, 1, 7, 2}));
    QScrollArea* area = f.window->DataArea();
    QScrollBar* v = area->verticalScrollBar();
    QVERIFY(v->maximum() > area->height());
    QTest::keyClick(area, Qt::Key_PageDown);
    QCOMPARE(v->value(), area->height() - 30);
    QTest::keyClick(area, Qt::Key_End);
    QCOMPARE(v->value(), v->maximum());
    QTest::keyClick(area, Qt::Key_Home);
    QCOMPARE(v->value(), 0);
  }

  void keysInTheEditorsMoveAndOpenTheNextEditor() {
    Fixture f(GridFile(4, {9, 1, 7, 2}));
    QSignalSpy moved(f.window.get(), &TF_Table::currentCellChanged);
    f.window->GoToCell(4, 4);
    QCOMPARE(f.window->OpenEditor(), CellEditor::Int);
    QTest::keyClick(f.window->Editor(CellEditor::Int), Qt::Key_Tab);
    QCOMPARE(f.window->CurrentRow(), 1);
    QCOMPARE(f.window->CurrentCol(), 2);
    QCOMPARE(f.window->OpenEditor(), CellEditor::Memo);
    QVERIFY(f.window->Editor(CellEditor::Memo)->isVisibleTo(f.window.get()));
    QTest::keyClick(f.window->Editor(CellEditor::Memo), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(f.window->CurrentRow(), 4);
    QCOMPARE(f.window->CurrentCol(), 4);
    QTest::keyClick(f.window->Editor(CellEditor::Int), Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(f.window->CurrentCol(), 2);
    QTest::keyClick(f.window->Editor(CellEditor::Memo), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(f.window->CurrentRow(), 3);
    QTest::keyClick(f.window->Editor(CellEditor::Memo), Qt::Key_Return);
    QCOMPARE(f.window->CurrentRow(), 3);
    QCOMPARE(f.window->CurrentCol(), 4);
    QCOMPARE(moved.count(), 6);
    QCOMPARE(moved.last().at(0).toInt(), 3);
    QCOMPARE(moved.last().at(1).toInt(), 4);
  }

  void numberEditorsStoreEveryChange() {
    Fixture f(FormFile());
    f.window->GoToCell(0, 1);
    auto* editInt = f.Editor<QLineEdit>(CellEditor::Int);
    QVERIFY(editInt->isVisibleTo(f.window.get()));
    QCOMPARE(editInt->text(), U("42"));
    // Typing replaces the value; after F2 it goes on from the end.
    QTest::keyClicks(editInt, "7");
    QCOMPARE(f.Value(0, 1), U("7"));
    QTest::keyClick(editInt, Qt::Key_Escape);
    QCOMPARE(f.Value(0, 1), U("42"));
    QTest::keyClick(editInt, Qt::Key_F2);
    QTest::keyClicks(editInt, "7");
    QCOMPARE(f.Value(0, 1), U("427"));
    QVERIFY(f.table.Modified());
    // An entry that is no number (here the emptied field) empties the cell.
    editInt->selectAll();
    QTest::keyClick(editInt, Qt::Key_Delete);
    QCOMPARE(f.Value(0, 1), QString());
    QTest::keyClicks(editInt, "x");  // refused by the field
    QCOMPARE(editInt->text(), QString());

    f.window->GoToCell(0, 2);
    auto* editReal = f.Editor<QLineEdit>(CellEditor::Real);
    QTest::keyClicks(editReal, "3,5");
    QCOMPARE(f.Value(0, 2), U("3,50"));
    editReal->selectAll();
    QTest::keyClicks(editReal, "1.256");
    QCOMPARE(editReal->text(), U("1.256"));
    QCOMPARE(f.Value(0, 2), U("1,26"));
    // Halves away from zero, as a formula beside it rounds.
    for (const auto& [typed, stored] : {std::pair{"2,675", "2,68"}, {"1,005", "1,01"}, {"0.285", "0,29"}}) {
      editReal->selectAll();
      QTest::keyClicks(editReal, typed);
      QCOMPARE(f.Value(0, 2), U(stored));
    }
  }

  // The limits of the editors stay; what goes beyond them is refused and
  // the status bar says why, instead of the text being cut without a word.
  void editorsRefuseWhatGoesBeyondTheirLimitsAndSayWhy() {
    Fixture f(FormFile());
    QSignalSpy said(f.window.get(), &TF_Table::inputLimited);
    f.window->GoToCell(0, 1);
    auto* editInt = f.Editor<QLineEdit>(CellEditor::Int);
    editInt->selectAll();
    QTest::keyClicks(editInt, "12345678901");
    QCOMPARE(f.Value(0, 1), U("123456789"));
    QCOMPARE(said.count(), 2);
    QCOMPARE(said.last().at(0).toString(), U("Не более 9 цифр"));
    // A paste into the middle keeps the digits around it.
    editInt->setText(QStringLiteral("1234"));
    editInt->setCursorPosition(2);
    editInt->insert(QStringLiteral("99999999"));
    QCOMPARE(editInt->text(), U("129999934"));

    // A text of at most 5 characters: typed past it, pasted into it.
    f.window->GoToCell(0, 5);
    auto* memo = f.Editor<QPlainTextEdit>(CellEditor::Memo);
    said.clear();
    QTest::keyClicks(memo, "abcdefg");
    QCOMPARE(f.Value(0, 5), U("abcde"));
    QCOMPARE(said.count(), 2);
    QCOMPARE(said.last().at(0).toString(), U("Не более 5 знаков"));
    memo->moveCursor(QTextCursor::Start);
    memo->insertPlainText(QString(2800, QLatin1Char('x')));
    QCOMPARE(f.Value(0, 5), U("abcde"));  // the text there stays
    QCOMPARE(said.count(), 3);
    // A text cell of 100: a long paste keeps its first 100 characters.
    f.window->GoToCell(0, 6);
    auto* memo100 = f.Editor<QPlainTextEdit>(CellEditor::Memo);
    memo100->insertPlainText(QString(2800, QLatin1Char('y')));
    QCOMPARE(f.Value(0, 6), QString(100, QLatin1Char('y')));
    QCOMPARE(said.last().at(0).toString(), U("Не более 100 знаков"));
    // Showing a value never counts as refusing one.
    const int before = static_cast<int>(said.count());
    f.window->GoToCell(0, 1);
    QCOMPARE(said.count(), before);
  }

  void dateEditorChecksTheDateWhenLeft() {
    Fixture f(FormFile());
    f.window->GoToCell(0, 3);
    auto* date = f.Editor<QLineEdit>(CellEditor::Date);
    QCOMPARE(date->displayText(), U("  .  .    "));
    date->setCursorPosition(0);
    QTest::keyClicks(date, "31022020");
    QCOMPARE(f.Value(0, 3), U("31.02.2020"));
    QTest::keyClick(date, Qt::Key_Tab);
    QCOMPARE(f.ui.messages.size(), std::size_t{1});
    QCOMPARE(f.ui.messages[0].kind, MessageKind::Error);
    QCOMPARE(f.ui.messages[0].text, std::string("Неверная дата."_w));
    // Back in the date editor on the date cell.
    QCOMPARE(f.window->CurrentCol(), 3);
    QCOMPARE(f.window->OpenEditor(), CellEditor::Date);

    // The empty mask empties the value.
    date->selectAll();
    QTest::keyClick(date, Qt::Key_Delete);
    QCOMPARE(date->displayText(), U("  .  .    "));
    QTest::keyClick(date, Qt::Key_Tab);
    QCOMPARE(f.ui.messages.size(), std::size_t{1});
    QCOMPARE(f.Value(0, 3), QString());
    QCOMPARE(f.window->CurrentCol(), 4);

    // A valid date stays and is shown again.
    f.window->GoToCell(0, 3);
    date->setCursorPosition(0);
    QTest::keyClicks(date, "29022024");
    QTest::keyClick(date, Qt::Key_Tab);
    QCOMPARE(f.ui.messages.size(), std::size_t{1});
    QCOMPARE(f.Value(0, 3), U("29.02.2024"));
  }

  // Digits typed into a date cell go in wherever it was entered from: a
  // click into an empty cell, Tab into a filled one (the date replaced).
  void dateCellsTakeTypedDigits() {
    Fixture f(FormFile());
    TCell& dateCell = f.Data(0, 3);
    const QPoint on = f.window->DataCanvas()->mapFrom(f.window.get(), f.window->CellRect(dateCell).center());
    QTest::mouseMove(f.window->DataCanvas(), on);
    QTest::mouseClick(f.window->DataCanvas(), Qt::LeftButton, Qt::NoModifier, on);
    QCOMPARE(f.window->OpenEditor(), CellEditor::Date);
    auto* date = f.Editor<QLineEdit>(CellEditor::Date);
    QTest::keyClicks(date, "15032023");
    QCOMPARE(f.Value(0, 3), U("15.03.2023"));
    // Back with Shift+Tab from the list cell after it: the whole date is
    // selected and typing replaces it.
    QTest::keyClick(date, Qt::Key_Tab);
    QCOMPARE(f.window->CurrentCol(), 4);
    QTest::keyClick(f.window->Editor(CellEditor::List), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(f.window->CurrentCol(), 3);
    QCOMPARE(date->selectedText(), U("15.03.2023"));
    QTest::keyClicks(date, "01022024");
    QCOMPARE(f.Value(0, 3), U("01.02.2024"));
  }

  // Shift+Tab moves back also when Shift is let go before Tab: the move
  // happens when the key goes down.
  void shiftTabMovesBackWhateverTheOrderOfRelease() {
    Fixture f(GridFile(3, {9, 1, 7, 2}));
    f.window->GoToCell(2, 4);
    QWidget* editor = f.window->Editor(CellEditor::Int);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    QApplication::sendEvent(editor, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(f.window->Editor(f.window->OpenEditor()), &release);
    QCOMPARE(f.window->CurrentRow(), 2);
    QCOMPARE(f.window->CurrentCol(), 2);
    // Enter moves on when pressed; its release in the next editor does nothing.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(f.window->Editor(CellEditor::Memo), &enter);
    QKeyEvent enterUp(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(f.window->Editor(f.window->OpenEditor()), &enterUp);
    QCOMPARE(f.window->CurrentCol(), 4);
    QCOMPARE(f.window->CurrentRow(), 2);
  }

  void listAndTextEditors() {
    Fixture f(FormFile());
    QSignalSpy lists(f.window.get(), &TF_Table::listRequested);
    // Chosen only from the list: typing is refused with the message.
    f.window->GoToCell(0, 4);
    auto* list = f.Editor<QLineEdit>(CellEditor::List);
    QVERIFY(list->isReadOnly());
    QTest::keyClick(list, Qt::Key_A);
    QCOMPARE(f.ui.messages.size(), std::size_t{1});
    QCOMPARE(f.ui.messages[0].kind, MessageKind::Information);
    QCOMPARE(f.ui.messages[0].text, std::string("Значение должно быть выбрано из списка."_w));
    QCOMPARE(f.Value(0, 4), U("item"));
    QTest::keyClick(list, Qt::Key_F9, Qt::ControlModifier);
    QCOMPARE(lists.count(), 1);
    QCOMPARE(lists[0].at(0).toInt(), 0);
    QCOMPARE(lists[0].at(1).toInt(), 4);
    QCOMPARE(f.ui.messages.size(), std::size_t{1});

    // A text of at most five characters, stored as typed.
    f.window->GoToCell(0, 5);
    auto* memo = f.Editor<QPlainTextEdit>(CellEditor::Memo);
    QVERIFY(!f.window->MemoButton()->isVisibleTo(f.window.get()));
    QTest::keyClicks(memo, "abcdefg");
    QCOMPARE(f.Value(0, 5), U("abcde"));
    QTest::keyClick(memo, Qt::Key_Return);  // one line only: Enter moves on
    QCOMPARE(f.Value(0, 5), U("abcde"));
    QCOMPARE(f.window->CurrentCol(), 6);

    // A text cell with a pick list has the "..." button.
    QVERIFY(f.window->MemoButton()->isVisibleTo(f.window.get()));
    f.window->MemoButton()->click();
    QCOMPARE(lists.count(), 2);
    QCOMPARE(lists[1].at(1).toInt(), 6);
  }

  void columnNeverNarrowerThanTenPixels() {
    Fixture f(GridFile(3, {9, 1, 7, 2}));
    TCell& cell = f.Data(1, 2);
    const int w = cell.label.width;
    QCOMPARE(w, 80);
    // Drag the right edge 50 pixels left: the heading half of 40 stops it at 30.
    f.window->CellMouseMove(cell, QPoint(w - 2, 10), Qt::NoButton);
    f.window->CellMouseDown(cell, QPoint(w - 2, 10), Qt::LeftButton, QPoint());
    f.window->CellMouseUp(cell, QPoint(w - 52, 10));
    for (int r = 0; r <= 3; ++r) QCOMPARE(f.Data(r, 2).label.width, 50);
    QCOMPARE(f.Data(2, 3).label.left, 130);
    QCOMPARE(f.table.top.cells[2]->label.width, 10);   // the half "2b"
    QCOMPARE(f.table.top.cells[3]->label.left, 130);  // heading of column 3
    QCOMPARE(f.table.contentWidth, 4 * 80 - 30);
    QVERIFY(f.table.Modified());
    // A data column narrower than its heading limits the heading too: both
    // stay in line.
    SetColumnWidth(f.table.data, 3, 20);
    f.window->ResizeColumn(f.Data(2, 3), -50);
    QCOMPARE(f.Data(2, 3).label.width, 10);
    QCOMPARE(f.table.top.cells[3]->label.width, 70);
    QCOMPARE(f.Data(2, 4).label.left, 200);
    QCOMPARE(f.table.top.cells[4]->label.left, 200);
    // A form table's columns are not resized.
    Fixture form(FormFile());
    TCell& c = form.Data(0, 1);
    form.window->ResizeColumn(c, -30);
    QCOMPARE(c.label.width, 90);
  }

  void rowResizeMovesTheRowsBelowAndTheFooter() {
    Fixture f(GridFile(5, {9, 1, 7, 2}));
    TCell& cell = f.Data(3, 2);
    const int footerTop = f.table.footer.topOffset, content = f.table.contentHeight, top4 = f.Data(4, 1).label.top;
    f.window->CellMouseMove(cell, QPoint(10, 28), Qt::NoButton);
    f.window->CellMouseDown(cell, QPoint(10, 28), Qt::LeftButton, QPoint());
    f.window->CellMouseUp(cell, QPoint(10, 43));
    for (int c = 1; c <= 4; ++c) QCOMPARE(f.Data(3, c).label.height, 45);
    QCOMPARE(f.Data(4, 1).label.top, top4 + 15);
    QCOMPARE(f.Data(5, 4).label.top, top4 + 30 + 15);
    QCOMPARE(f.table.footer.topOffset, footerTop + 15);
    QCOMPARE(f.table.contentHeight, content + 15);
    // Never below 10 pixels.
    f.window->ResizeRow(f.Data(2, 2), -100);
    QCOMPARE(f.Data(2, 2).label.height, 10);
  }

  void leavingATextCellFitsItsRow() {
    Fixture f(GridFile(3, {9, 1, 7, 2}));
    f.window->GoToCell(2, 2);
    auto* memo = f.Editor<QPlainTextEdit>(CellEditor::Memo);
    QTest::keyClicks(memo, "short");  // needs 8 + 10 = 18 pixels
    QTest::keyClick(memo, Qt::Key_Tab);
    QCOMPARE(f.Data(2, 2).label.height, 30);
    f.window->GoToCell(2, 2);
    QTest::keyClicks(memo, " and much longer");  // needs 60 + 10
    QTest::keyClick(memo, Qt::Key_Tab);
    for (int c = 1; c <= 4; ++c) QCOMPARE(f.Data(2, c).label.height, 70);
    QCOMPARE(f.Data(3, 1).label.top, 30 + 70);
    // Shorter again: the row shrinks back, down to 30.
    f.window->GoToCell(2, 2);
    memo->selectAll();
    QTest::keyClicks(memo, "x");
    f.window->Deactivate();
    QCOMPARE(f.Data(2, 2).label.height, 30);

    // A form cell is never made lower than it was.
    Fixture form(FormFile());
    form.window->GoToCell(0, 6);  // 50 high
    auto* formMemo = form.Editor<QPlainTextEdit>(CellEditor::Memo);
    QTest::keyClicks(formMemo, "ab");
    form.window->Deactivate();
    QCOMPARE(form.Data(0, 6).label.height, 50);
    form.window->GoToCell(0, 6);
    QTest::keyClicks(formMemo, " and more of it");
    form.window->Deactivate();
    QCOMPARE(form.Data(0, 6).label.height, 70);
  }

  void pointerAndAddressOverCells() {
    Fixture f(GridFile(4, {9, 1, 7, 2}));
    QSignalSpy texts(f.window.get(), &TF_Table::statusText);
    f.window->CellMouseMove(f.Data(3, 2), QPoint(20, 10), Qt::NoButton);
    QCOMPARE(texts.last().at(0).toString(), U("Ячейка 3-2"));
    QCOMPARE(f.window->DataCanvas()->cursor().shape(), Qt::PointingHandCursor);
    f.window->CellMouseMove(f.Data(3, 3), QPoint(20, 10), Qt::NoButton);  // formula
    QCOMPARE(f.window->DataCanvas()->cursor().shape(), Qt::ArrowCursor);
    f.window->CellMouseMove(f.Data(3, 3), QPoint(77, 10), Qt::NoButton);
    QCOMPARE(f.window->DataCanvas()->cursor().shape(), Qt::SizeHorCursor);
    f.window->CellMouseMove(f.Data(3, 3), QPoint(20, 27), Qt::NoButton);
    QCOMPARE(f.window->DataCanvas()->cursor().shape(), Qt::SizeVerCursor);
    f.window->CellMouseMove(*f.table.header.cells[0], QPoint(20, 10), Qt::NoButton);
    QCOMPARE(texts.last().at(0).toString(), QString());
    // The footer has no row edge.
    f.window->CellMouseMove(*f.table.footer.cells[0], QPoint(20, 22), Qt::NoButton);
    QCOMPARE(f.window->FooterPanel()->cursor().shape(), Qt::ArrowCursor);

    Fixture form(FormFile());
    QSignalSpy formTexts(form.window.get(), &TF_Table::statusText);
    form.window->CellMouseMove(form.Data(0, 6), QPoint(20, 10), Qt::NoButton);
    QCOMPARE(formTexts.last().at(0).toString(), U("Ячейка 7"));
    // A form table keeps the pointer by a right edge.
    form.window->CellMouseMove(form.Data(0, 6), QPoint(88, 10), Qt::NoButton);
    QCOMPARE(form.window->DataCanvas()->cursor().shape(), Qt::PointingHandCursor);
  }

  void mouseButtonsOnCells() {
    Fixture f(GridFile(4, {9, 1, 7, 2}));
    QSignalSpy popups(f.window.get(), &TF_Table::popupRequested);
    // The painted cells are hit where they are drawn.
    const QRect r = f.window->CellRect(f.Data(2, 4));
    TableSection section;
    QCOMPARE(f.window->CellAt(r.center(), &section), &f.Data(2, 4));
    QCOMPARE(section, TableSection::Data);
    QTest::mouseMove(f.window->DataCanvas(), f.window->DataCanvas()->mapFrom(f.window.get(), r.center()));
    QTest::mouseClick(f.window->DataCanvas(), Qt::LeftButton, {}, f.window->DataCanvas()->mapFrom(f.window.get(), r.center()));
    QCOMPARE(f.window->CurrentRow(), 2);
    QCOMPARE(f.window->CurrentCol(), 4);
    QCOMPARE(f.window->OpenEditor(), CellEditor::Int);
    f.window->CellMouseDown(f.Data(3, 2), QPoint(10, 10), Qt::RightButton, QPoint(5, 6));
    QCOMPARE(popups.count(), 1);
    QCOMPARE(f.window->CurrentRow(), 3);
    QCOMPARE(f.window->OpenEditor(), CellEditor::None);
    f.window->CellMouseDown(*f.table.header.cells[0], QPoint(10, 10), Qt::RightButton, QPoint(5, 6));
    QCOMPARE(popups.count(), 1);
    QCOMPARE(f.window->CurrentSection(), TableSection::Header);
    QCOMPARE(f.window->CurrentRow(), -1);
  }

  void closingHidesTheWindowAndKeepsIt() {
    Fixture f(GridFile(2, {9, 1, 7, 2}));
    QSignalSpy closing(f.window.get(), &TF_Table::closing);
    QSignalSpy status(f.window.get(), &TF_Table::statusChanged);
    f.window->GoToCell(1, 2);
    QTest::keyClicks(f.Editor<QPlainTextEdit>(CellEditor::Memo), "kept");
    QVERIFY(!f.window->close());
    QCOMPARE(closing.count(), 1);
    QVERIFY(f.window->Hidden());
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.Value(1, 2), U("kept"));
    QVERIFY(f.window->Modified());
    f.window->SetStatus(3);
    QCOMPARE(status.count(), 1);
    QCOMPARE(int(f.table.status), 3);
    f.window->SetHidden(false);
    QVERIFY(f.window->isVisible());
    f.window->SetModified(false);
    QVERIFY(!f.table.Modified());
  }

  void userCannotShrinkBelowAThirtyPixelDataArea() {
    Fixture f(GridFile(20, {9, 1, 7, 2}));
    QScrollArea* area = f.window->DataArea();
    f.window->resize(700, 300);
    QVERIFY(area->height() > 30);
    // Shrinking step by step stops once the data area is 30 pixels or less.
    for (int h = 300; h > 20; h -= 10) f.window->resize(700, h);
    QVERIFY(area->height() <= 30);
    QVERIFY(area->height() > 10);
    const int stopped = f.window->height();
    f.window->resize(700, stopped - 10);
    QCOMPARE(f.window->height(), stopped);
    f.window->resize(700, 400);  // growing stays allowed
    QCOMPARE(f.window->height(), 400);
    f.window->resize(700, 300);  // and so does shrinking again
    QCOMPARE(f.window->height(), 300);
  }

  void viewTogglesChangeTheContentHeight() {
    Fixture f(GridFile(2, {9, 1, 7, 2}));
    const int content = f.table.contentHeight;
    f.window->SetHeaderVisible(false);
    QVERIFY(!f.window->HeaderPanel()->isVisibleTo(f.window.get()));
    QCOMPARE(f.table.contentHeight, content - 30);
    f.window->SetHeaderVisible(true);
    QCOMPARE(f.table.contentHeight, content);
    // A form table has no header: nothing changes.
    Fixture form(FormFile());
    const int formContent = form.table.contentHeight;
    form.window->SetHeaderVisible(false);
    QCOMPARE(form.table.contentHeight, formContent);
  }

  void fontAndColoursApplyToTheCells() {
    class Scheme : public TableHooks {
     public:
      TColor DisplayColor(TColor c) override { return c == 0xFFFFFF ? 0x00FF00 : c; }
      std::optional<TColor> BackgroundColor() override { return 0x0000FF; }
    } scheme;
    Fixture f(GridFile(2, {9, 1, 7, 2}));
    f.window->ApplyFont(QFont(QStringLiteral("DejaVu Serif"), 11));
    QCOMPARE(f.Data(1, 2).label.font.name, std::string("DejaVu Serif"));
    QCOMPARE(f.Data(1, 2).label.font.size, 11);
    QCOMPARE(f.table.header.cells[0]->label.font.size, 11);
    QCOMPARE(f.Data(1, 2).definedFontName, std::string("MS Sans Serif"));
    QVERIFY(f.table.Modified());
    f.context.hooks = &scheme;
    f.window->ApplyColors();
    QCOMPARE(f.table.background, std::optional<TColor>(0x0000FF));
    QCOMPARE(f.Data(1, 2).label.color, TColor{0x00FF00});
    QCOMPARE(f.table.top.cells[0]->label.color, TColor{0x00FF00});
    QCOMPARE(f.table.header.cells[0]->label.color, TColor{0xFFFFFF});  // the header keeps its colour
  }

  void paintingACell() {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    TFramedLabel l;
    l.width = 40;
    l.height = 30;
    l.transparent = false;
    l.color = 0x00FFFFFF;
    l.framed = true;
    l.selected = true;
    {
      QPainter p(&image);
      PaintCell(p, l, 0, 0, Qt::red);
    }
    QCOMPARE(image.pixelColor(20, 15), QColor(Qt::white));  // filled
    QCOMPARE(image.pixelColor(5, 5), QColor(Qt::black));    // the inverted mark
    QCOMPARE(image.pixelColor(8, 8), QColor(Qt::white));    // just outside it
    QCOMPARE(image.pixelColor(0, 15), QColor(Qt::white));   // left edge, not solid
    QCOMPARE(image.pixelColor(39, 15), QColor(Qt::black));  // right edge
    QCOMPARE(image.pixelColor(20, 29), QColor(Qt::black));  // bottom edge
    l.frameSolid = true;
    l.transparent = true;
    image.fill(Qt::blue);
    {
      QPainter p(&image);
      PaintCell(p, l, 0, 0, Qt::red);
    }
    QCOMPARE(image.pixelColor(0, 15), QColor(Qt::black));
    QCOMPARE(image.pixelColor(20, 15), QColor(Qt::blue));  // transparent
  }

  void cellsAreFoundAgainAfterRowOperations() {
    Fixture f(GridFile(4, {9, 1, 7, 2}));
    f.window->GoToCell(2, 4);
    QTest::keyClicks(f.Editor<QLineEdit>(CellEditor::Int), "5");
    QVERIFY(DeleteRow(f.table, 2, false));  // the current cell is gone
    f.window->RefreshCells();
    QCOMPARE(f.window->CurrentCell(), &f.Data(2, 4));
    QCOMPARE(f.window->OpenEditor(), CellEditor::None);
    QCOMPARE(f.window->EditorCell(), nullptr);
    QCOMPARE(f.window->DataCanvas()->height(), 3 * 30);
    // The last row removed while current: no current cell any more.
    f.window->GoToCell(3, 2);
    QVERIFY(DeleteRow(f.table, 3, false));
    f.window->RefreshCells();
    QCOMPARE(f.window->CurrentCell(), nullptr);
    QCOMPARE(f.window->CurrentRow(), -1);
  }

  void activationRecalculatesAndChecks() {
    class Recorder : public TableHooks {
     public:
      std::vector<std::string> calls;
      void RecalcTable(TTable&, bool deep, bool withCheck) override {
        calls.push_back(std::string("recalc") + (deep ? " deep" : "") + (withCheck ? " check" : ""));
      }
      void CheckTable(TTable& t) override {
        calls.push_back("check");
        t.status = 2;
      }
    } hooks;
    Fixture f(GridFile(2, {9, 1, 7, 2}));
    QSignalSpy status(f.window.get(), &TF_Table::statusChanged);
    QSignalSpy activated(f.window.get(), &TF_Table::activated);
    f.context.hooks = &hooks;
    f.table.hasRules = true;
    QVERIFY(f.table.hasFormulas);
    f.window->Activate();
    QCOMPARE(hooks.calls, (std::vector<std::string>{"recalc deep", "check"}));
    QCOMPARE(activated.count(), 1);
    QCOMPARE(status.count(), 1);
    QCOMPARE(status[0].at(0).toInt(), 2);
    // Typing into a number cell recalculates shallow with the check.
    hooks.calls.clear();
    f.window->GoToCell(1, 4);
    QTest::keyClicks(f.Editor<QLineEdit>(CellEditor::Int), "1");
    QCOMPARE(hooks.calls, (std::vector<std::string>{"recalc check"}));
  }

  void fitsItsMdiChildWindowToTheContent() {
    QMdiArea area;
    area.resize(900, 700);
    area.show();
    Fixture small(GridFile(3, {9, 1, 7, 2}));
    small.window->hide();
    QMdiSubWindow* sub = area.addSubWindow(small.window.get());
    small.window->SetHidden(true);
    small.window->SetHidden(false);
    QVERIFY(sub->isVisible());
    QCOMPARE(sub->pos(), QPoint(0, 0));
    const int b = (area.width() - area.viewport()->width()) / 2 + 1;
    QCOMPARE(small.window->width(), 4 * 80 + b);
    const int sections = small.window->HeaderPanel()->height() + small.window->TopPanel()->height() +
                         small.window->FooterPanel()->height();
    QCOMPARE(small.window->height(), sections + 3 * 30 + b);
    // Too high for the frame: the frame's height, room for the scroll bar.
    Fixture tall(GridFile(100, {9, 1, 7, 2}));
    tall.window->hide();
    QMdiSubWindow* tallSub = area.addSubWindow(tall.window.get());
    tall.window->SetHidden(true);
    tall.window->SetHidden(false);
    QCOMPARE(tallSub->height(), area.viewport()->height() - b);
    QCOMPARE(tall.window->width(), 4 * 80 + b + tall.window->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    area.removeSubWindow(small.window.get());
    area.removeSubWindow(tall.window.get());
    small.window->setParent(nullptr);
    tall.window->setParent(nullptr);
  }

  // With REPORT_GUI_SHOTS set: a grid table with its header, headings and
  // footer, and a form table, saved there as PNG files.
  void screenshot() {
    if (!qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) QSKIP("REPORT_GUI_SHOTS not set");
    const QString out = qEnvironmentVariable("REPORT_GUI_SHOTS");
    auto w = [](const char* utf8) { return std::string(Utf8ToCp1251(utf8)); };
    constexpr long kGrey = 12632256, kYellow = 14811135, kWhite = 16777215;
    {
      std::vector<CellSpec> cells;
      cells.push_back({'H', 10, 0, 0, 8, 10, 700, 24, w("Таблица 2.1. Прием студентов по специальностям"), "", 4, kGrey, false});
      cells.push_back({'H', 11, 0, 0, 8, 650, 60, 24, w("Т2.1"), "", 6, kGrey, false});
      const int widths[] = {40, 250, 110, 90, 90, 110};
      const char* heads[] = {"№ п/п", "Наименование специальности", "Код направления", "Принято, чел.",
                             "Средний балл", "Из них на платной основе"};
      int left = 10;
      for (int c = 0; c < 6; ++c) {
        cells.push_back({'T', 0, 0, 0, 40, left, widths[c], 44, w(heads[c]), "", 5, kGrey});
        cells.push_back({'T', 8, 0, 0, 84, left, widths[c], 18, std::to_string(c + 1), "", 5, kGrey});
        left += widths[c];
      }
      const char* names[] = {"Прикладная математика и информатика", "Физика", "Химия",
                             "Экономика", "Юриспруденция", "Лингвистика"};
      const char* codes[] = {"01.03.02", "03.03.02", "04.03.01", "38.03.01", "40.03.01", "45.03.02"};
      const char* counts[] = {"125", "60", "45", "210", "180", ""};
      const char* marks[] = {"78,40", "71,25", "69,80", "74,10", "76,55", ""};
      const char* paid[] = {"25", "12", "8", "130", "96", ""};
      for (int r = 1; r <= 6; ++r) {
        const int top = 102 + (r - 1) * 30;
        int x = 10;
        const std::string R = std::to_string(r);
        const int types[] = {9, 1, 6, 2, 3, 7};
        const std::string caps[] = {R, w(names[r - 1]), codes[r - 1], counts[r - 1], marks[r - 1], paid[r - 1]};
        for (int c = 0; c < 6; ++c) {
          const long color = types[c] == 7 ? kYellow : types[c] == 9 ? kGrey : kWhite;
          const int align = types[c] == 1 ? 4 : 5;
          std::string extra = types[c] == 3 ? "Dec=2\r\n" : types[c] == 7 ? "Form=8 0 (" + R + ":4)/5\r\n" : "";
          cells.push_back({'D', types[c], c + 1, r, top, x, widths[c], 30, caps[c], extra, align, color});
          x += widths[c];
        }
      }
      cells.push_back({'B', 0, 0, 0, 300, 10, 300, 22, w("Ректор ________________ И. И. Иванов"), "", 4, kGrey, false});
      cells.push_back({'B', 0, 0, 0, 324, 10, 300, 22, w("Исполнитель ____________ П. П. Петров"), "", 4, kGrey, false});
      std::string file = TableFile(true, 6, 6, cells, 10, 40, 102);
      Fixture f(file);
      f.table.background = TColor{0xC0C0C0};
      f.Data(4, 5).label.selected = true;  // flagged by a check rule
      f.window->RefreshCells();
      f.window->FitWindow();
      f.window->GoToCell(6, 4);
      QTest::qWait(50);
      QVERIFY(f.window->grab().save(out + "/table-grid.png"));
    }
    {
      std::vector<CellSpec> cells;
      const char* labels[] = {"Полное наименование организации", "Сокращенное наименование", "ИНН",
                              "Дата государственной аккредитации", "Число филиалов", "Вид организации"};
      const int types[] = {1, 1, 1, 4, 2, 6};
      const char* values[] = {"Федеральное государственное бюджетное образовательное учреждение высшего образования "
                              "«Северный государственный университет»",
                              "СГУ", "7018012345", "15.06.2021", "3", "Университет"};
      cells.push_back({'D', 0, 0, 0, 10, 10, 560, 26, w("Раздел 1. Сведения об организации"), "", 4, kGrey, false});
      int top = 46;
      for (int i = 0; i < 6; ++i) {
        const int h = i == 0 ? 60 : 28;
        cells.push_back({'D', 0, 0, 0, top, 10, 220, h, w(labels[i]), "", 4, kGrey, false});
        const std::string extra = types[i] == 6 ? "List=Kinds.lst\r\n" : types[i] == 1 ? "Len=255\r\n" : "";
        cells.push_back({'D', types[i], 0, 0, top, 240, 330, h, w(values[i]), extra, types[i] == 1 ? 4 : 5, kWhite});
        top += h + 6;
      }
      Fixture f(TableFile(false, 0, 0, cells, 0, 0, 0));
      f.table.background = TColor{0xC0C0C0};
      f.window->RefreshCells();
      f.window->FitWindow();
      f.window->GoToCell(0, 11);  // "Число филиалов"
      QTest::qWait(50);
      QVERIFY(f.window->grab().save(out + "/table-form.png"));
    }
  }
};

QTEST_MAIN(TableWindowTest)
#include "test_table_window.moc"
