// The row commands of a growing table in the running program, as a user
// reaches them: a right click on a data cell opens the cell pop-up menu,
// its items act on the clicked row; the menu key does the same from the
// keyboard; sorting and the removal of empty rows also come from the
// "Таблица" menu. Questions go through the scripted port, the row count and
// sort dialogs through a scripted RowDialogs.
//
// The table is the departments table of the blank report: a growing table
// with text, number and list columns, whose list column names a list of
// the installation.
//
// With REPORT_GUI_SHOTS (a folder) set, as tests/gui/screenshots.sh sets it,
// the case "screenshot" saves the frame with the cell pop-up menu open over
// the table as row-popup.png.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "core/foundation/codec.h"
#include "core/lists/value_list.h"
#include "core/app/startup.h"
#include "core/tables/row_operations.h"
#include "gui/app/program.h"
#include "gui/report/structure_window.h"
#include "gui/tables/main_form.h"
#include "gui/tables/table_window.h"
#include "support/gui_program.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace rpt;
using namespace rpt::gui;
using namespace rpt::literals;
using namespace rpt::testing;

namespace {

class ScriptedDialogs : public RowDialogs {
 public:
  std::optional<double> count;                     // nothing: "Отменить"
  std::optional<std::vector<std::string>> columns;  // nothing: "Отменить"
  int rowCountShown = 0;
  std::vector<std::string> offered;
  bool RowCount(RowCountSpin& spin) override {
    ++rowCountShown;
    if (!count) return false;
    spin.value = *count;
    // Enter in the field, as the dialog confirms.
    if (!spin.Enter()) return spin.Enter();
    return true;
  }
  std::optional<std::vector<std::string>> SortColumns(const std::vector<std::string>& available) override {
    offered = available;
    return columns;
  }
};

// The program as a new user (the blank report) with the departments table
// in front.
struct Session {
  TempFolder folder;
  ScriptedInteraction ui;
  ScriptedDialogs dialogs;
  std::unique_ptr<TProgram> program;
  TF_Table* w = nullptr;
  int textCol = 0, numberCol = 0, listCol = 0;

  bool Open() {
    fs::create_directories(folder.path() + "Help/Data");
    for (const char* package : {"TI.a", "TL.a", "TP.a", "S.a"})
      fs::copy_file(std::string(REPORT_BIN_DIR) + "/Help/Data/" + package,
                    folder.path() + "Help/Data/" + package);
    program = std::make_unique<TProgram>(FolderSet::FromProgramFolder(folder.path()),
                                         "report-rows-test-" + std::to_string(::getpid()), &ui);
    if (!program->Start()) return false;
    program->ShowStructure();
    TF_StructRep& s = program->structure();
    for (QTreeWidgetItemIterator it(s.Tree()); *it; ++it)
      if ((*it)->data(0, kFileRole).toString().compare(U("Podr.ini"), Qt::CaseInsensitive) == 0)
        s.Tree()->setCurrentItem(*it);
    s.Command(U("Edit"))->trigger();
    frame().SetRowDialogs(&dialogs);
    w = frame().ActiveTable();
    if (!w || !table().growing) return false;
    for (int c = 1; c <= table().ColCount; ++c) {
      const std::uint8_t type = GetCell(table().data, c, 1)->type;
      if (type == cell_type::kText && !textCol) textCol = c;
      if (type == cell_type::kInteger && !numberCol) numberCol = c;
      if (type == cell_type::kListValue && !listCol) listCol = c;
    }
    return textCol && numberCol && listCol;
  }
  TMainForm& frame() { return program->frame(); }
  TTable& table() { return w->table(); }
  QAction* Item(const char* name) { return frame().Command(U(name)); }

  // Rows as "text/number" over the two columns, emptied elsewhere.
  void SetRows(const std::vector<std::string>& rows) {
    TTable& t = table();
    while (t.RowCount > 1) DeleteRow(t, t.RowCount, false);
    if (rows.size() > 1) InsertEmptyRows(t, 1, static_cast<int>(rows.size()) - 1);
    for (int r = 1; r <= t.RowCount; ++r) {
      ClearRow(t, r, false);
      const std::string& row = rows[static_cast<std::size_t>(r - 1)];
      const std::size_t bar = row.find('/');
      GetCell(t.data, textCol, r)->SetValue(row.substr(0, bar));
      GetCell(t.data, numberCol, r)->SetValue(row.substr(bar + 1));
    }
    t.SetModified(false);
    w->RefreshCells();
    ui.messages.clear();
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (int r = 1; r <= table().RowCount; ++r)
      rows.push_back(GetCell(table().data, textCol, r)->GetValue() + "/" +
                     GetCell(table().data, numberCol, r)->GetValue());
    return rows;
  }

  // The right button on data cell (row, col): the pop-up menu at the pointer.
  QMenu* RightClick(int row, int col = 0) {
    TCell* cell = GetCell(table().data, col ? col : textCol, row);
    if (!cell) return nullptr;
    w->CellMouseDown(*cell, QPoint(4, 4), Qt::RightButton, w->mapToGlobal(w->CellRect(*cell).center()));
    w->CellMouseUp(*cell, QPoint(4, 4));
    QMenu* popup = frame().CellPopup();
    return popup->isVisible() ? popup : nullptr;
  }
  // An item of the open pop-up menu chosen; false when it was disabled.
  bool Choose(const char* name) {
    QAction* a = Item(name);
    const bool on = a->isEnabled();
    frame().CellPopup()->close();
    if (on) a->trigger();
    return on;
  }
};

// Every row is a strip under the one before, its cells numbered with it.
bool Stacked(const TTable& t) {
  int y = 0;
  for (int r = 1; r <= t.RowCount; ++r) {
    const TRow* row = RowAt(t.data, r);
    if (!row) return false;
    for (const auto& cell : row->cells) {
      if (cell->Row != r || cell->label.top != y) return false;
      if (cell->type == cell_type::kRowNumber && cell->GetValue() != std::to_string(r)) return false;
    }
    y += CellAt(*row, 1)->label.height;
  }
  return true;
}

// One pop-up or menu step: the clicked row and the item chosen.
struct Step {
  int row;
  const char* item;
};

struct RowCase {
  const char* name;
  std::vector<Step> steps;
  std::deque<Button> answers;
  std::optional<double> count;
  // Sort columns by role: 'T' the text column, 'N' the number column.
  std::optional<std::string> sortBy;
  std::vector<std::string> rows;      // after the steps
  std::vector<std::string> messages;  // the questions and warnings, in order
};

const std::vector<std::string> kStart = {"b/2", "a/10", "/", "b/1", "a/9"};

}  // namespace

class RowCommandsTest : public QObject {
  Q_OBJECT
 private slots:
  void popupCommandsOnAGrowingTable() {
    Session s;
    QVERIFY(s.Open());
    const std::string del(DeleteRowQuestion()), clear(ClearRowQuestion()), empty(DeleteEmptyRowsQuestion()),
        noColumns(NoSortColumnsWarning());
    const std::vector<RowCase> cases = {
        {"insert an empty row after the last", {{5, "InsertEmptyRow"}}, {}, {}, {},
         {"b/2", "a/10", "/", "b/1", "a/9", "/"}, {}},
        {"insert 3 rows with the dialog", {{2, "InsertNRows"}}, {}, 3.0, {},
         {"b/2", "a/10", "/", "/", "/", "/", "b/1", "a/9"}, {}},
        {"the dialog's 250 becomes 100", {{1, "InsertNRows"}}, {}, 250.0, {}, {},
         {std::string(RowCountLimitWarning())}},
        {"the row count dialog cancelled", {{2, "InsertNRows"}}, {}, std::nullopt, {}, kStart, {}},
        {"a copy into the buffer is no change", {{2, "CopyRow"}}, {}, {}, {}, kStart, {}},
        {"copy row 1, paste after row 4", {{1, "CopyRow"}, {4, "InsertBufferRow"}}, {}, {}, {},
         {"b/2", "a/10", "/", "b/1", "b/2", "a/9"}, {}},
        {"cut row 5, paste after row 1", {{5, "CutRow"}, {1, "InsertBufferRow"}}, {}, {}, {},
         {"b/2", "a/9", "a/10", "/", "b/1"}, {}},
        {"a copy of row 2", {{2, "InsertCopyRow"}}, {}, {}, {}, {"b/2", "a/10", "a/10", "/", "b/1", "a/9"}, {}},
        {"delete answered No", {{2, "DeleteRow"}}, {kNo}, {}, {}, kStart, {del}},
        {"delete answered Yes", {{2, "DeleteRow"}}, {kYes}, {}, {}, {"b/2", "/", "b/1", "a/9"}, {del}},
        {"clear answered Yes", {{1, "ClearRow"}}, {kYes}, {}, {}, {"/", "a/10", "/", "b/1", "a/9"}, {clear}},
        {"clear answered No", {{1, "ClearRow"}}, {kNo}, {}, {}, kStart, {clear}},
        {"empty rows removed from the pop-up", {{4, "DelEmptyRowsPopup"}}, {kYes}, {}, {},
         {"b/2", "a/10", "b/1", "a/9"}, {empty}},
        {"empty rows kept on No", {{0, "DelEmptyRows"}}, {kNo}, {}, {}, kStart, {empty}},
        {"sort by text, then number", {{0, "SortRows"}}, {}, {}, "TN", {"/", "a/9", "a/10", "b/1", "b/2"}, {}},
        {"sort by number, then text", {{0, "SortRows"}}, {}, {}, "NT", {"/", "b/1", "b/2", "a/9", "a/10"}, {}},
        {"sort with no column chosen", {{0, "SortRows"}}, {}, {}, "", kStart, {noColumns}},
        {"sort cancelled", {{0, "SortRows"}}, {}, {}, {}, kStart, {}},
    };
    for (const RowCase& c : cases) {
      s.SetRows(kStart);
      s.ui.answers = c.answers;
      s.dialogs.count = c.count;
      s.dialogs.rowCountShown = 0;
      s.dialogs.columns.reset();
      if (c.sortBy) {
        s.dialogs.columns.emplace();
        for (char role : *c.sortBy)
          s.dialogs.columns->push_back(std::to_string(role == 'T' ? s.textCol : s.numberCol));
      }
      for (const Step& step : c.steps) {
        if (step.row == 0) {
          // A frame action: from its menu.
          s.Item(step.item)->trigger();
          continue;
        }
        QVERIFY2(s.RightClick(step.row), c.name);
        QVERIFY2(s.Choose(step.item), c.name);
      }
      if (c.rows.empty()) {
        QCOMPARE(s.table().RowCount, 5 + 100);
      } else {
        QCOMPARE(s.Rows(), c.rows);
      }
      QVERIFY2(Stacked(s.table()), c.name);
      QCOMPARE(s.ui.MessageTexts(), c.messages);
      if (c.count) QCOMPARE(s.dialogs.rowCountShown, 1);
      // A change is saved with the report; an unchanged table is not.
      const bool changed = c.rows != kStart;
      QVERIFY2(s.table().Modified() == changed, c.name);
      QVERIFY2(s.frame().Command(U("FileSave1"))->isEnabled() == changed, c.name);
    }
    // The sort offers the text, number and list columns of the first row.
    const auto& offered = s.dialogs.offered;
    for (int col : {s.textCol, s.numberCol, s.listCol})
      QVERIFY(std::find(offered.begin(), offered.end(), std::to_string(col)) != offered.end());
  }

  void popupEnablingAndTheCurrentCell() {
    Session s;
    QVERIFY(s.Open());
    s.SetRows(kStart);
    // No copy yet: the buffer fits no row.
    QVERIFY(s.RightClick(3));
    QVERIFY(s.Item("CopyRow")->isEnabled());
    QVERIFY(s.frame().MenuNamed(U("InsertRow"))->menuAction()->isEnabled());
    QVERIFY(!s.Item("InsertBufferRow")->isEnabled());
    QVERIFY(!s.Item("InsertList")->isEnabled());  // a text cell was clicked
    QVERIFY(s.Item("DelEmptyRowsPopup")->isEnabled());
    s.frame().CellPopup()->close();
    // On the list cell "Вставить весь список" is offered.
    QVERIFY(s.RightClick(3, s.listCol));
    QVERIFY(s.Item("InsertList")->isEnabled());
    QVERIFY(s.Choose("CopyRow"));
    QVERIFY(s.RightClick(1));
    QVERIFY(s.Item("InsertBufferRow")->isEnabled());
    s.frame().CellPopup()->close();

    // The clicked cell stays current over an insertion; the new row comes
    // into view; a deleted row takes the current cell with it.
    TCell* clicked = GetCell(s.table().data, s.textCol, 5);
    QVERIFY(s.RightClick(5));
    QVERIFY(s.Choose("InsertEmptyRow"));
    QCOMPARE(s.w->CurrentCell(), clicked);
    QCOMPARE(s.w->CurrentRow(), 5);
    s.ui.answers = {kYes};
    QVERIFY(s.RightClick(6));
    QVERIFY(s.Choose("DeleteRow"));
    QVERIFY(s.w->CurrentCell() == nullptr);
    QCOMPARE(s.table().RowCount, 5);
    QVERIFY(Stacked(s.table()));

    // A long table: the row inserted near the end comes into view; after
    // the empty rows went the view stands at the top.
    std::vector<std::string> many(60, "/");
    many.front() = "top/1";
    s.SetRows(many);
    QScrollBar* vertical = s.w->DataArea()->verticalScrollBar();
    QVERIFY(vertical->maximum() > 0);
    vertical->setValue(0);
    QVERIFY(s.RightClick(1));
    QVERIFY(s.Choose("InsertCopyRow"));  // the view stays near row 1
    vertical->setValue(0);
    s.w->ScrollToCell(*GetCell(s.table().data, s.textCol, 59));
    QVERIFY(s.RightClick(59));
    QVERIFY(s.Choose("InsertEmptyRow"));
    const TCell* added = GetCell(s.table().data, 1, 60);
    QVERIFY(vertical->value() + s.w->DataArea()->viewport()->height() >= added->label.top + added->label.height);
    s.ui.answers = {kYes};
    s.Item("DelEmptyRows")->trigger();
    QCOMPARE(s.table().RowCount, 2);
    QCOMPARE(vertical->value(), 0);
  }

  // The same work without the mouse: the menu key over the current cell,
  // the arrows and Enter in the menu, Ctrl+Down to the next row.
  void rowsByKeyboard() {
    Session s;
    QVERIFY(s.Open());
    s.SetRows(kStart);
    QMenu* popup = s.frame().CellPopup();
    s.frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.frame()));
    s.w->GoToCell(1, s.textCol);
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Menu);
    QVERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Down);
    QCOMPARE(popup->activeAction(), s.Item("CopyRow"));
    QTest::keyClick(popup, Qt::Key_Return);
    QVERIFY(!popup->isVisible());

    // Three rows down, then "Вставить строку" / "Из буфера".
    s.w->GoToCell(1, s.textCol);
    for (int i = 0; i < 3; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(s.w->CurrentRow(), 4);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QCOMPARE(popup->activeAction(), s.frame().MenuNamed(U("InsertRow"))->menuAction());
    QTest::keyClick(popup, Qt::Key_Right);
    QMenu* insert = s.frame().MenuNamed(U("InsertRow"));
    QVERIFY(insert->isVisible());
    QTest::keyClick(insert, Qt::Key_Down);
    QCOMPARE(insert->activeAction(), s.Item("InsertBufferRow"));
    QTest::keyClick(insert, Qt::Key_Return);
    QCOMPARE(s.Rows(), (std::vector<std::string>{"b/2", "a/10", "/", "b/1", "b/2", "a/9"}));

    // The keyboard focus is back in the table: the menu key again, down to
    // "Удалить строку", Enter, Yes.
    QVERIFY(s.w->isAncestorOf(QApplication::focusWidget()));
    s.w->GoToCell(2, s.textCol);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Menu);
    for (int i = 0; i < 5; ++i) QTest::keyClick(popup, Qt::Key_Down);
    QCOMPARE(popup->activeAction(), s.Item("DeleteRow"));
    s.ui.answers = {kYes};
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(s.Rows(), (std::vector<std::string>{"b/2", "/", "b/1", "b/2", "a/9"}));

    // "Таблица" / "Сортировка" from the menu bar: F10, right, down, Enter.
    s.dialogs.columns = std::vector<std::string>{std::to_string(s.textCol), std::to_string(s.numberCol)};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    QMenu* documents = s.frame().MenuNamed(U("MenuDocuments"));
    QVERIFY(documents->isVisible());
    QTest::keyClick(documents, Qt::Key_Right);
    QMenu* table = s.frame().MenuNamed(U("MenuTable"));
    QVERIFY(table->isVisible());
    for (int i = 0; i < 4 && table->activeAction() != s.Item("SortRows"); ++i) QTest::keyClick(table, Qt::Key_Down);
    QCOMPARE(table->activeAction(), s.Item("SortRows"));
    QTest::keyClick(table, Qt::Key_Return);
    QCOMPARE(s.Rows(), (std::vector<std::string>{"/", "a/9", "b/1", "b/2", "b/2"}));
    QVERIFY(s.w->DataArea()->updatesEnabled());
    QVERIFY(s.w->isAncestorOf(QApplication::focusWidget()));
  }

  // "Вставить весь список" on the list cell: one row per row of the list
  // under the clicked row, with the progress window "Вставка списка"; a
  // stop keeps the rows inserted so far.
  void wholeListInsertionAndItsStop() {
    Session s;
    QVERIFY(s.Open());
    s.SetRows({"x/1", "y/2"});
    const TCell* listCell = GetCell(s.table().data, s.listCol, 1);
    const auto list = TValueList::OpenNamed(s.table().context().listFolder, listCell->List);
    QVERIFY(list);
    // A flat list: its rows are 0_1 .. 0_n (the line count may promise one
    // less; the run of a key goes on to its end all the same).
    QCOMPARE(list->levels, 0);
    int listRows = 0;
    while (list->Value("0_" + std::to_string(listRows + 1) + "_1")) ++listRows;
    QVERIFY(listRows > 5 && listRows >= list->RowCount());

    // The port counts every update since the start; the stop comes after
    // the fourth of this insertion.
    const auto updates = std::count_if(s.ui.progress.begin(), s.ui.progress.end(),
                                       [](const auto& p) { return p.event == "update"; });
    s.ui.progress.clear();
    s.ui.stopAfterUpdates = static_cast<int>(updates) + 4;
    s.ui.answers = {kYes};  // "stop?" answered Yes
    QVERIFY(s.RightClick(1, s.listCol));
    QVERIFY(s.Choose("InsertList"));
    QCOMPARE(s.ui.progress.front().event, std::string("show"));
    QCOMPARE(s.ui.progress.front().text, std::string("Вставка списка"_w));
    QVERIFY(s.ui.progress.front().stoppable);
    const int stopped = s.table().RowCount - 2;
    QVERIFY2(stopped > 0 && stopped < listRows, std::to_string(stopped).c_str());
    QCOMPARE(s.Rows().back(), std::string("y/2"));
    QVERIFY(s.table().Modified());
    QVERIFY(Stacked(s.table()));

    // Without a stop the whole list goes in, under the clicked row.
    s.SetRows({"x/1", "y/2"});
    s.ui.progress.clear();
    QVERIFY(s.RightClick(1, s.listCol));
    QVERIFY(s.Choose("InsertList"));
    QCOMPARE(s.table().RowCount, 2 + listRows);
    QCOMPARE(GetCell(s.table().data, s.listCol, 2)->GetValue(), std::string(*list->Value("0_1_1")));
    QCOMPARE(s.Rows().front(), std::string("x/1"));
    QCOMPARE(s.Rows()[2], std::string("/"));
    QCOMPARE(s.Rows().back(), std::string("y/2"));
    QCOMPARE(s.ui.progress.back().event, std::string("close"));
    QVERIFY(Stacked(s.table()));
  }

  // Only from tests/gui/screenshots.sh: the pop-up menu over the table.
  void screenshot() {
    const QByteArray shots = qgetenv("REPORT_GUI_SHOTS");
    if (shots.isEmpty()) QSKIP("screenshots are made by tests/gui/screenshots.sh");
    Session s;
    QVERIFY(s.Open());
    s.SetRows({std::string("Петров А.В./24"_w), std::string("Соколова Е.Н./17"_w),
               std::string("Ильин Д.С./6"_w), "/"});
    {
      LoadingScope loading(s.table());
      int r = 0;
      for (std::string_view department : {"Кафедра высшей математики"_w, "Кафедра физики"_w, "Лаборатория оптики"_w})
        GetCell(s.table().data, s.listCol, ++r)->SetValue(std::string(department));
    }
    s.w->RefreshCells();
    TMainForm& frame = s.frame();
    frame.setGeometry(QRect(0, 0, 1000, 620));
    frame.Optimize(s.w);
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(s.RightClick(1));
    QVERIFY(s.Choose("CopyRow"));
    QMenu* popup = s.RightClick(2);
    QVERIFY(popup);
    QMenu* insert = frame.MenuNamed(U("InsertRow"));
    popup->setActiveAction(insert->menuAction());
    insert->popup(popup->mapToGlobal(popup->actionGeometry(insert->menuAction()).topRight()));
    insert->setActiveAction(s.Item("InsertBufferRow"));
    QTest::qWait(400);
    // The menus are windows of their own: painted over the frame's picture.
    QPixmap shot = frame.grab();
    QPainter painter(&shot);
    for (QMenu* menu : {popup, insert})
      painter.drawPixmap(frame.mapFromGlobal(menu->mapToGlobal(QPoint(0, 0))), menu->grab());
    painter.end();
    QVERIFY(shot.save(QString::fromLocal8Bit(shots) + "/row-popup.png"));
  }
};

QTEST_MAIN(RowCommandsTest)
#include "test_row_commands.moc"
