// The desktop program used with the keyboard alone, as a new user does on a
// temporary program folder with the bundled installation: every key goes
// to the widget that has the keyboard at that moment (a menu, the list
// window, the editor just opened), so a key's release lands where the
// user's would. Also: a table opened takes the keyboard at once and shows
// its current cell; looking at tables changes nothing; a date cell takes
// digits again after its error message.
//
// With REPORT_GUI_SHOTS set (tests/gui/screenshots.sh, under a virtual X
// server), the keyboard session saves the title form with its current
// cell as current-cell.png.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <memory>

#include "core/foundation/codec.h"
#include "core/app/startup.h"
#include "gui/app/program.h"
#include "gui/foundation/qt_text.h"
#include "gui/lists/list_window.h"
#include "gui/report/structure_window.h"
#include "gui/tables/cell_painting.h"
#include "gui/tables/main_form.h"
#include "gui/tables/table_window.h"
#include "support/gui_program.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::literals;
using namespace rpt::testing;

namespace {

// Where the keyboard is: an open menu, else the focused widget. When a
// dialog has gone and no window is active, the program's working window
// (the one main window shown) is activated first, as the window manager
// of a desktop does; the virtual screen of the tests has none.
QWidget* KeyboardTarget() {
  if (QWidget* popup = QApplication::activePopupWidget()) return popup;
  if (!QApplication::activeWindow() || !QApplication::activeWindow()->isVisible() || !QApplication::focusWidget())
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<QMainWindow*>(w) && w->isVisible()) {
        w->activateWindow();
        (void)QTest::qWaitForWindowActive(w);
        break;
      }
  return QApplication::focusWidget();
}

// One key as the user presses and lets go of it: the release goes to
// whatever has the keyboard once the press was handled.
void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = KeyboardTarget();
  QVERIFY2(target, "nothing has the keyboard");
  QTest::keyPress(target, static_cast<Qt::Key>(key), modifiers);
  if (QWidget* after = KeyboardTarget()) QTest::keyRelease(after, static_cast<Qt::Key>(key), modifiers);
}

// Typing a text, one key event per character, into whatever has the keyboard.
void Type(const QString& text) {
  for (const QChar ch : text) {
    QWidget* target = KeyboardTarget();
    QVERIFY(target);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(target, &release);
  }
}

// F10, Right `menusRight` times to a menu of the bar, then down to `item`
// and Enter.
void MenuCommand(int menusRight, QAction* item) {
  Key(Qt::Key_F10);
  for (int i = 0; i < menusRight; ++i) Key(Qt::Key_Right);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  QVERIFY2(menu, "no menu opened");
  for (int i = 0; i < 20 && menu->activeAction() != item; ++i) Key(Qt::Key_Down);
  QCOMPARE(menu->activeAction(), item);
  Key(Qt::Key_Return);
}

// Runs `keys` once the dialog has the keyboard (a dialog being shown
// modally); a dialog that never gets it is closed, so a failing test never
// hangs.
void WhenActive(QDialog* dialog, std::function<void()> keys, int tries = 100) {
  QTimer::singleShot(20, dialog, [dialog, keys, tries] {
    if (dialog->isVisible() && dialog->isActiveWindow() && QApplication::focusWidget() &&
        dialog->isAncestorOf(QApplication::focusWidget()))
      keys();
    else if (tries > 0)
      WhenActive(dialog, keys, tries - 1);
    else if (dialog->isVisible())
      dialog->reject();
  });
}

// The structure tree's current item moved with the arrow keys to a file.
void TreeDownTo(QTreeWidget* tree, const char* file) {
  for (int i = 0; i < 80; ++i) {
    QTreeWidgetItem* item = tree->currentItem();
    if (item && item->data(0, kFileRole).toString().compare(U(file), Qt::CaseInsensitive) == 0) return;
    if (item && item->childCount() > 0 && !item->isExpanded()) Key(Qt::Key_Right);
    else Key(Qt::Key_Down);
  }
  QFAIL("the item is not in the tree");
}

// Tab until the current cell has that editor.
void TabTo(TF_Table* w, CellEditor editor) {
  for (int i = 0; i < 60 && w->OpenEditor() != editor; ++i) Key(Qt::Key_Tab);
  QCOMPARE(w->OpenEditor(), editor);
}

// Whether the current cell's frame is drawn around it.
bool FrameShown(TF_Table* w) {
  TCell* cell = w->CurrentCell();
  if (!cell) return false;
  const QRect r = w->CellRect(*cell);
  const QImage image = w->grab().toImage();
  const QPoint corners[] = {r.topLeft() + QPoint(1, 1), QPoint(r.center().x(), r.top() + 1),
                            QPoint(r.left() + 1, r.center().y()), QPoint(r.center().x(), r.bottom())};
  for (const QPoint& p : corners)
    if (image.pixelColor(p) != kCurrentFrameColor) return false;
  return true;
}

TTable* TableOf(TProgram& program, const char* file) {
  const TReportTable* t = program.session().state().FindTable(file);
  return t ? t->table.get() : nullptr;
}

// Messages shown as the desktop shows them: a real modal box, which takes
// the keyboard and the activation away from the window until it is
// answered with Enter; the window manager then activates the window again.
class BoxedInteraction : public ScriptedInteraction {
 public:
  Button ShowMessage(MessageKind kind, std::string_view text, unsigned buttons, Button def) override {
    const Button answer = ScriptedInteraction::ShowMessage(kind, text, buttons, def);
    QWidget* window = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, FromCp1251(MessageTitle(kind)), FromCp1251(text), QMessageBox::Ok,
                    window);
    QTimer::singleShot(50, &box, [&box] {
      QTest::keyClick(box.defaultButton() ? static_cast<QWidget*>(box.defaultButton()) : &box, Qt::Key_Return);
    });
    box.exec();
    if (window) {
      window->activateWindow();
      (void)QTest::qWaitForWindowActive(window);
    }
    return answer;
  }
};

}  // namespace

class KeyboardSessionTest : public QObject {
  Q_OBJECT
 private slots:
  void keyboardOnlyFromStartToEnd() {
    TempFolder folder;
    InstallPackages(folder.path());
    std::string name, text, date, number;
    {
      ScriptedInteraction ui;
      auto program = StartedProgram(folder.path(), ui, UniqueLockName("keys"));
      QVERIFY(program);
      TF_StructRep& w = program->structure();
      TMainForm& frame = program->frame();
      QVERIFY(QTest::qWaitForWindowActive(&w));

      // The title form from the tree, with Enter: its first editable cell
      // (the organisation, from a list) has the keyboard and its frame.
      TreeDownTo(w.Tree(), "Title.ini");
      Key(Qt::Key_Return);
      QVERIFY(frame.isVisible());
      QVERIFY(QTest::qWaitForWindowActive(&frame));
      TF_Table* title = frame.ActiveTable();
      QVERIFY(title);
      QCOMPARE(title->table().tableName, std::string("Title"));
      QCOMPARE(title->OpenEditor(), CellEditor::List);
      QCOMPARE(QApplication::focusWidget(), title->Editor(CellEditor::List));
      QVERIFY(FrameShown(title));
      TCell* org = title->CurrentCell();

      // Ctrl+F9: the list window; down one row and Enter picks it.
      WhenActive(&program->listWindow(), [] {
        Key(Qt::Key_Down);
        Key(Qt::Key_Return);
      });
      Key(Qt::Key_F9, Qt::ControlModifier);
      QVERIFY(!program->listWindow().isVisible());
      name = org->GetValue();
      QVERIFY(!name.empty());

      // On to a text, then to the date, typed as digits.
      TabTo(title, CellEditor::Memo);
      TCell* textCell = title->CurrentCell();
      Type(U("НИИ прикладной физики"));
      text = textCell->GetValue();
      QCOMPARE(text, std::string("НИИ прикладной физики"_w));
      TabTo(title, CellEditor::Date);
      TCell* dateCell = title->CurrentCell();
      Type(U("15032023"));
      date = dateCell->GetValue();
      QCOMPARE(date, std::string("15.03.2023"));
      Key(Qt::Key_Tab);  // the date is checked when left
      QVERIFY(ui.messages.empty());
      QVERIFY(FrameShown(title));
      if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) {
        Key(Qt::Key_Backtab, Qt::ShiftModifier);  // back on the date
        frame.setGeometry(QRect(0, 0, 1000, 700));
        frame.Optimize(title);
        title->ScrollToCell(*dateCell);
        QTest::qWait(300);
        QVERIFY(frame.grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/current-cell.png"));
      }

      // "Таблица" / "Следующая таблица": the organisation's figures; a
      // number into the first number cell.
      MenuCommand(1, frame.Command(U("NextTab")));
      TF_Table* org2 = frame.ActiveTable();
      QVERIFY(org2 && org2 != title);
      QVERIFY(org2->isAncestorOf(QApplication::focusWidget()));
      TabTo(org2, CellEditor::Int);
      TCell* numberCell = org2->CurrentCell();
      Type(U("42"));
      number = numberCell->GetValue();
      QCOMPARE(number, std::string("42"));

      // "Документы" / "Выход" closes the frame; "Отчет" / "Сохранить" in the
      // structure window saves.
      MenuCommand(0, frame.Command(U("FileExit1")));
      QVERIFY(!frame.isVisible());
      QVERIFY(w.isVisible());
      QVERIFY(program->session().state().IsModified());
      MenuCommand(0, w.Command(U("SaveRep")));
      QVERIFY(!program->session().state().IsModified());
      QVERIFY(ui.messages.empty());

      // "Отчет" / "Выход": only the question whether to end.
      ui.answers = {kYes};
      MenuCommand(0, w.Command(U("Exit")));
      QVERIFY(!w.isVisible());
      QCOMPARE(ui.MessageTexts(), std::vector<std::string>{std::string("Вы действительно хотите закончить работу?"_w)});
    }

    // Everything typed was saved.
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("keys-again"));
    QVERIFY(program);
    TTable* title = TableOf(*program, "Title.ini");
    TTable* org = TableOf(*program, "Org.ini");
    QVERIFY(title && org);
    auto has = [](TTable& t, const std::string& value) {
      for (const auto& row : t.data.rows)
        for (const auto& c : row->cells)
          if (c->type != cell_type::kCaption && c->type != cell_type::kFormula && c->label.caption == value)
            return true;
      return false;
    };
    QVERIFY(has(*title, name));
    QVERIFY(has(*title, text));
    QVERIFY(has(*title, date));
    QVERIFY(has(*org, number));
  }

  // Opening tables, stepping through their cells and closing the frame
  // leaves the report unchanged: nothing to save, no question at the end.
  void lookingAtTablesChangesNothing() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("look"));
    QVERIFY(program);
    TF_StructRep& w = program->structure();
    TMainForm& frame = program->frame();
    for (const char* file : {"Title.ini", "Podr.ini", "Org.ini"}) {
      w.Tree()->setCurrentItem(NodeOfFile(w.Tree(), file));
      w.Command(U("Edit"))->trigger();
      // The window manager activates the frame shown.
      QTest::qWait(20);
      frame.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&frame));
      TF_Table* t = frame.ActiveTable();
      QVERIFY(t);
      // Into every cell of the first rows, and on with Tab.
      TTable& table = t->table();
      for (int r = table.grid ? 1 : 0; r <= (table.grid ? std::min(table.RowCount, 3) : 0); ++r)
        for (int c = 1; c <= static_cast<int>(RowAt(table.data, r)->size()); ++c) t->GoToCell(r, c);
      for (int i = 0; i < 12; ++i) Key(Qt::Key_Tab);
      frame.Command(U("FileExit1"))->trigger();
      QVERIFY2(!t->table().Modified(), file);
    }
    QVERIFY(!program->session().state().IsModified());
    QVERIFY(!w.Command(U("SaveRep"))->isEnabled());
    ui.answers = {kYes};
    w.Command(U("Exit"))->trigger();
    QCOMPARE(ui.MessageTexts(), std::vector<std::string>{std::string("Вы действительно хотите закончить работу?"_w)});
  }

  // "Неверная дата." as a real message box: once it is answered, the date
  // editor is back on the date cell and takes the digits typed.
  void aDateTakesDigitsAgainAfterItsErrorMessage() {
    TempFolder folder;
    InstallPackages(folder.path());
    BoxedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("date"));
    QVERIFY(program);
    TF_StructRep& w = program->structure();
    TMainForm& frame = program->frame();
    w.Tree()->setCurrentItem(NodeOfFile(w.Tree(), "Title.ini"));
    w.Command(U("Edit"))->trigger();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    TF_Table* title = frame.ActiveTable();
    QVERIFY(title);
    const TRow& cells = *RowAt(title->table().data, 0);
    for (int c = 1; c <= static_cast<int>(cells.size()); ++c)
      if (CellAt(cells, c)->type == cell_type::kDate) title->GoToCell(0, c);
    QCOMPARE(title->OpenEditor(), CellEditor::Date);
    TCell* dateCell = title->CurrentCell();
    Type(U("31022023"));
    Key(Qt::Key_Tab);
    QCOMPARE(ui.MessageTexts(), std::vector<std::string>{std::string("Неверная дата."_w)});
    QTest::qWait(100);
    QCOMPARE(title->CurrentCell(), dateCell);
    QCOMPARE(title->OpenEditor(), CellEditor::Date);
    QTRY_COMPARE(QApplication::focusWidget(), title->Editor(CellEditor::Date));
    Type(U("28022023"));
    QCOMPARE(dateCell->GetValue(), std::string("28.02.2023"));
    Key(Qt::Key_Tab);
    QCOMPARE(ui.messages.size(), std::size_t{1});
    QVERIFY(title->CurrentCell() != dateCell);
  }
};

QTEST_MAIN(KeyboardSessionTest)
#include "test_keyboard_session.moc"
