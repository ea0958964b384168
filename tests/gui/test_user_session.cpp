// A whole working session in the desktop program, as a new user lives it
// on a temporary program folder with the bundled installation: open a
// growing table from the structure tree, type a number and a text, pick a
// value from a list, see the totals and the light follow, close the frame,
// save, end the program; the next start finds every value as it was left.
// Messages go through the scripted port.
//
// With REPORT_GUI_SHOTS set (tests/gui/screenshots.sh, under a virtual X
// server), the case "screenshot" saves the partly filled table of units
// with its list window open as table-list.png.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <unistd.h>

#include <filesystem>
#include <memory>

#include "core/foundation/codec.h"
#include "core/lists/list_view_model.h"
#include "core/app/startup.h"
#include "gui/foundation/images.h"
#include "gui/app/program.h"
#include "gui/foundation/qt_text.h"
#include "gui/lists/list_window.h"
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

// Typing as the keyboard does: one key event per character.
void TypeText(QWidget* editor, const QString& text) {
  for (const QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(editor, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(editor, &release);
  }
}

// The totals cell of a column in a growing table's footer.
TCell* TotalOf(TTable& t, int col) {
  for (const auto& c : t.footer.cells)
    if (c->type == cell_type::kFormula && c->Col == col) return c.get();
  return nullptr;
}

// What the user left in the table of units: the cells of row 1 and the totals.
struct Left {
  std::string name, code, kind, head, staff, researchers, staffTotal;
};

Left ReadBack(TTable& t) {
  auto at = [&t](int col) { return GetCell(t.data, col, 1)->GetValue(); };
  return {at(2), at(3), at(4), at(5), at(6), at(7), TotalOf(t, 6) ? TotalOf(t, 6)->GetValue() : "?"};
}

}  // namespace

class UserSessionTest : public QObject {
  Q_OBJECT
 private slots:
  void aNewUserFillsATableSavesAndFindsItAgain() {
    TempFolder folder;
    InstallPackages(folder.path());
    Left left;
    {
      ScriptedInteraction ui;
      TProgram program(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("session"), &ui);
      QVERIFY(program.Start());
      program.ShowStructure();
      TF_StructRep& w = program.structure();
      TMainForm& frame = program.frame();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      QVERIFY(fs::is_regular_file(folder / "Отчет1/Report.rpt"));
      const std::string packedBefore = rpt::testing::ReadFile(folder / "Отчет1/Report.rpt");

      // The table of units from the tree: a growing table, empty (yellow).
      QTreeWidgetItem* node = NodeOfFile(w.Tree(), "Podr.ini");
      QVERIFY(node);
      QCOMPARE(node->data(0, kStateRole).toInt(), static_cast<int>(kImageEmpty));
      w.Tree()->setCurrentItem(node);
      QTest::keyClick(w.Tree(), Qt::Key_Return);
      QVERIFY(frame.isVisible());
      QVERIFY(!w.isVisible());
      TF_Table* win = frame.ActiveTable();
      QVERIFY(win);
      TTable& t = win->table();
      QCOMPARE(t.tableName, std::string("Podr"));
      QCOMPARE(t.status, std::uint8_t(2));
      TCell* total = TotalOf(t, 6);
      QVERIFY(total);

      // A number typed into "Численность работников": the totals follow.
      win->GoToCell(1, 6);
      QCOMPARE(win->OpenEditor(), CellEditor::Int);
      QTest::keyClicks(win->Editor(CellEditor::Int), "12");
      QCOMPARE(GetCell(t.data, 6, 1)->GetValue(), std::string("12"));
      QCOMPARE(total->GetValue(), std::string("12"));
      win->GoToCell(2, 6);
      QTest::keyClicks(win->Editor(CellEditor::Int), "30");
      QCOMPARE(total->GetValue(), std::string("42"));
      win->GoToCell(2, 6);
      static_cast<QLineEdit*>(win->Editor(CellEditor::Int))->selectAll();
      QTest::keyClick(win->Editor(CellEditor::Int), Qt::Key_Backspace);
      QCOMPARE(total->GetValue(), std::string("12"));

      // A text: the head of the unit, the cell clicked with the mouse.
      TCell* head = GetCell(t.data, 5, 1);
      const QPoint onHead = win->DataCanvas()->mapFrom(win, win->CellRect(*head).center());
      // The pointer comes over the cell (the frame, opened maximised, may
      // still be taking its size at the first event).
      QTest::mouseMove(win->DataCanvas(), onHead - QPoint(3, 3));
      QTest::mouseMove(win->DataCanvas(), onHead);
      QTest::mouseClick(win->DataCanvas(), Qt::LeftButton, Qt::NoModifier, onHead);
      QCOMPARE(win->CurrentCell(), head);
      QVERIFY(win->OpenEditor() == CellEditor::Memo || win->OpenEditor() == CellEditor::List);
      TypeText(win->Editor(win->OpenEditor()), U("Иванов И.И."));
      QCOMPARE(GetCell(t.data, 5, 1)->GetValue(), std::string("Иванов И.И."_w));
      // Tab, Tab: on to "из них исследователей".
      for (int i = 0; i < 2; ++i) QTest::keyClick(win->Editor(win->OpenEditor()), Qt::Key_Tab);
      QCOMPARE(win->CurrentRow(), 1);
      QCOMPARE(win->CurrentCol(), 7);
      QCOMPARE(win->OpenEditor(), CellEditor::Int);
      QTest::keyClicks(win->Editor(CellEditor::Int), "5");
      QCOMPARE(GetCell(t.data, 7, 1)->GetValue(), std::string("5"));

      // The unit from its list: Ctrl+F9 in the list cell, a row picked; the
      // name, code and kind come together.
      win->GoToCell(1, 2);
      QCOMPARE(win->OpenEditor(), CellEditor::List);
      QString pickedName;
      QTimer::singleShot(0, &program.listWindow(), [&] {
        TFormList& list = program.listWindow();
        if (!list.isVisible()) return;
        QTableWidget* grid = list.Grid();
        if (grid->rowCount() > 1) grid->setCurrentCell(1, 0);
        if (QTableWidgetItem* item = grid->item(grid->currentRow(), 0)) pickedName = item->text();
        if (!list.Pick()) list.reject();
      });
      QTest::keyClick(win->Editor(CellEditor::List), Qt::Key_F9, Qt::ControlModifier);
      QVERIFY(!program.listWindow().isVisible());
      QVERIFY(!pickedName.isEmpty());
      QCOMPARE(FromCp1251(GetCell(t.data, 2, 1)->GetValue()), pickedName);
      QVERIFY(!GetCell(t.data, 3, 1)->GetValue().empty());
      QVERIFY(!GetCell(t.data, 4, 1)->GetValue().empty());

      // The light: no longer empty, the window icon and the tree agree.
      QVERIFY(t.status == 1 || t.status == 3);
      QCOMPARE(win->Status(), t.status);
      QVERIFY(t.Modified());
      QVERIFY(ui.messages.empty());
      left = ReadBack(t);
      QCOMPARE(left.staffTotal, std::string("12"));

      // Back to the structure window: the tree shows the new light.
      frame.Command(U("FileExit1"))->trigger();
      QVERIFY(w.isVisible());
      QCOMPARE(node->data(0, kStateRole).toInt(), LightForStatus(t.status));
      QVERIFY(w.Command(U("SaveRep"))->isEnabled());
      w.Command(U("SaveRep"))->trigger();
      QVERIFY(ui.messages.empty());
      QVERIFY(!program.session().state().IsModified());
      QVERIFY(!w.Command(U("SaveRep"))->isEnabled());
      QVERIFY(rpt::testing::ReadFile(folder / "Отчет1/Report.rpt") != packedBefore);

      // The end: only the question whether to end, nothing left to save.
      ui.answers = {kYes};
      w.Command(U("Exit"))->trigger();
      QVERIFY(!w.isVisible());
      QCOMPARE(ui.MessageTexts(), std::vector<std::string>{std::string("Вы действительно хотите закончить работу?"_w)});
    }

    // The next start: the same report, every value as it was left.
    ScriptedInteraction ui;
    TProgram program(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("session"), &ui);
    QVERIFY(program.Start());
    program.ShowStructure();
    QCOMPARE(program.session().state().currentFolder, folder / "Отчет1/");
    QVERIFY(ui.messages.empty());
    const TReportTable* again = program.session().state().FindTable("Podr.ini");
    QVERIFY(again);
    const Left found = ReadBack(*again->table);
    QCOMPARE(found.name, left.name);
    QCOMPARE(found.code, left.code);
    QCOMPARE(found.kind, left.kind);
    QCOMPARE(found.head, std::string("Иванов И.И."_w));
    QCOMPARE(found.staff, std::string("12"));
    QCOMPARE(found.researchers, std::string("5"));
    QCOMPARE(found.staffTotal, std::string("12"));
    QCOMPARE(GetCell(again->table->data, 6, 2)->GetValue(), std::string());
    QVERIFY(again->table->status == 1 || again->table->status == 3);
    QCOMPARE(NodeOfFile(program.structure().Tree(), "Podr.ini")->data(0, kStateRole).toInt(),
             LightForStatus(again->table->status));
    QVERIFY(!program.session().state().IsModified());
  }

  // Ending the program with the change unsaved: the save question decides
  // whether the next start finds it.
  void endingAsksToSaveAndKeepsTheAnswer() {
    for (const Button answer : {kYes, kNo}) {
      TempFolder folder;
      InstallPackages(folder.path());
      {
        ScriptedInteraction ui;
        TProgram program(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("session"), &ui);
        QVERIFY(program.Start());
        program.ShowStructure();
        TF_StructRep& w = program.structure();
        w.Tree()->setCurrentItem(NodeOfFile(w.Tree(), "Podr.ini"));
        w.Command(U("Edit"))->trigger();
        TF_Table* win = program.frame().ActiveTable();
        QVERIFY(win);
        win->GoToCell(1, 6);
        QTest::keyClicks(win->Editor(CellEditor::Int), "7");
        program.frame().Command(U("FileExit1"))->trigger();
        ui.answers = {kYes, answer};
        w.Command(U("Exit"))->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(ui.MessageTexts(), (std::vector<std::string>{std::string("Вы действительно хотите закончить работу?"_w),
                                                               std::string("Сохранить сделанные в отчете изменения?"_w)}));
      }
      ScriptedInteraction ui;
      TProgram program(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("session"), &ui);
      QVERIFY(program.Start());
      const TReportTable* again = program.session().state().FindTable("Podr.ini");
      QVERIFY(again);
      QCOMPARE(GetCell(again->table->data, 6, 1)->GetValue(), std::string(answer == kYes ? "7" : ""));
      QCOMPARE(TotalOf(*again->table, 6)->GetValue(), std::string(answer == kYes ? "7" : "0"));
    }
  }

  void screenshot() {
    const QString shots = qEnvironmentVariable("REPORT_GUI_SHOTS");
    if (shots.isEmpty()) QSKIP("screenshots are made by tests/gui/screenshots.sh");
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    TProgram program(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("session"), &ui);
    QVERIFY(program.Start());
    program.ShowStructure();
    TF_StructRep& w = program.structure();
    TMainForm& frame = program.frame();
    w.Tree()->setCurrentItem(NodeOfFile(w.Tree(), "Podr.ini"));
    w.Command(U("Edit"))->trigger();
    frame.setGeometry(QRect(0, 0, 1100, 760));
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    TF_Table* win = frame.ActiveTable();
    QVERIFY(win);
    TTable& t = win->table();
    // Two units filled from the list, the third one being chosen.
    for (int row = 1; row <= 2; ++row) {
      win->GoToCell(row, 2);
      QTimer::singleShot(0, &program.listWindow(), [&program, row] {
        QTableWidget* grid = program.listWindow().Grid();
        grid->setCurrentCell(row * 3 % grid->rowCount(), 0);
        program.listWindow().Pick();
      });
      QTest::keyClick(win->Editor(CellEditor::List), Qt::Key_F9, Qt::ControlModifier);
    }
    const char* heads[] = {"Смирнова Е.А.", "Кузнецов В.Н."};
    const char* staff[][3] = {{"48", "31", "152,4"}, {"27", "19", "86,9"}};
    for (int row = 1; row <= 2; ++row) {
      win->GoToCell(row, 5);
      TypeText(win->Editor(win->OpenEditor()), U(heads[row - 1]));
      for (int c = 0; c < 3; ++c) {
        win->GoToCell(row, 6 + c);
        TypeText(win->Editor(win->OpenEditor()), U(staff[row - 1][c]));
      }
    }
    frame.Optimize(win);
    win->GoToCell(3, 2);
    TCell* cell = win->CurrentCell();
    QVERIFY(cell);
    const QRect r = win->CellRect(*cell);
    TFormList& list = program.listWindow();
    QVERIFY(list.Open(ListPathOf(program.session().state().folders().lists, *cell), t, *cell,
                      QRect(win->mapToGlobal(r.topLeft()), r.size())));
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QTest::qWait(300);
    // The frame with the list window over it, where it stands on the screen
    // (the frame is tall enough to hold it).
    QPixmap shot = frame.grab();
    {
      QPainter p(&shot);
      const QPoint at = list.geometry().topLeft() - frame.geometry().topLeft();
      QVERIFY(shot.rect().contains(QRect(at, list.size())));
      p.drawPixmap(at, list.grab());
      p.setPen(QColor(0x60, 0x60, 0x60));
      p.drawRect(QRect(at, list.size()).adjusted(-1, -1, 0, 0));
    }
    QVERIFY(shot.save(shots + "/table-list.png"));
    list.reject();
  }
};

QTEST_MAIN(UserSessionTest)
#include "test_user_session.moc"
