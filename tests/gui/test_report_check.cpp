// The report check in the running program, on temporary program folders
// with the bundled installation: the structure window's "Проверка" over the
// generated demo report (two tables with errors) with the report-mode
// protocol and its jump to a table, the frame's "Проверка" of one table,
// the verdict on a report without errors, and the lights refreshed by
// "Светофоры" and by a click on the legend. Messages go through the
// scripted port.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/calc/check_status.h"
#include "core/calc/checking_engine.h"
#include "core/foundation/codec.h"
#include "core/app/startup.h"
#include "core/tables/row_operations.h"
#include "gui/calc/protocol_window.h"
#include "gui/foundation/images.h"
#include "gui/app/program.h"
#include "gui/foundation/qt_text.h"
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
namespace texts = rpt::checks::texts;

namespace {

int Light(TF_StructRep& w, const char* file) {
  QTreeWidgetItem* node = NodeOfFile(w.Tree(), file);
  return node ? node->data(0, kStateRole).toInt() : -1;
}

TTable* TableOf(TProgram& program, const char* file) {
  const TReportTable* t = program.session().state().FindTable(file);
  return t ? t->table.get() : nullptr;
}

checks::TableChecker& Checker(TProgram& program) {
  return dynamic_cast<TCheckingEngine&>(program.session().state().engine()).checker();
}

// Lines of the list (UTF-8 at the Qt edge).
QStringList Lines(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Runs `inside` as soon as the modal protocol window is up; a window left
// open afterwards is closed, so that a failing test never hangs. The
// timers go with the program.
void WhenProtocolShown(TProgram& program, std::function<void()> inside) {
  QTimer::singleShot(0, &program.protocol(), [&program, inside] {
    if (program.protocol().FreeWindow()->isVisible()) inside();
    QTimer::singleShot(0, &program.protocol(), [&program] {
      if (program.protocol().FreeWindow()->isVisible()) program.protocol().FreeWindow()->reject();
    });
  });
}

// The first data cell of row 1 with that type (a growing table's first row).
TCell* FirstOfType(TTable& t, std::uint8_t type) {
  for (int c = 1; c <= t.ColCount; ++c)
    if (TCell* cell = GetCell(t.data, c, 1); cell && cell->type == type) return cell;
  return nullptr;
}

}  // namespace

class ReportCheckTest : public QObject {
  Q_OBJECT
 private slots:
  void checkListsTheTablesWithErrorsAndTableOpensOne() {
    TempFolder folder;
    if (!InstallDemoReport(folder.path())) QSKIP("the demo report could not be generated");
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("report"));
    QVERIFY(program);
    TF_StructRep& w = program->structure();
    TMainForm& frame = program->frame();
    QCOMPARE(program->session().state().currentFolder, folder / "Demo2022/");
    QVERIFY(ui.messages.empty());
    QCOMPARE(Light(w, "FinObl.ini"), static_cast<int>(kImageErrors));
    QCOMPARE(Light(w, "Publ.ini"), static_cast<int>(kImageErrors));
    QVERIFY(w.Command(U("Check"))->isEnabled());

    // "Нет": the question only.
    ui.answers = {kNo};
    w.Command(U("Check"))->trigger();
    QCOMPARE(ui.messages.size(), std::size_t{1});
    QCOMPARE(ui.messages.back().kind, MessageKind::Confirmation);
    QCOMPARE(ui.messages.back().text, std::string(texts::kShowProtocolQuestion));
    QCOMPARE(ui.messages.back().buttons, unsigned(kYes | kNo));
    QVERIFY(!program->protocol().FreeWindow()->isVisible());
    QVERIFY(!Checker(*program).protocolView().showing);

    // "Да": the report-mode protocol, modal; its two tables, each under its
    // caption and a rule of dashes; "Таблица" from the rule under "Publ".
    QString publCaption, finOblCaption;
    for (const checks::CheckedTable& t : Checker(*program).tables()) {
      if (t.table == TableOf(*program, "Publ.ini")) publCaption = FromCp1251(t.caption);
      if (t.table == TableOf(*program, "FinObl.ini")) finOblCaption = FromCp1251(t.caption);
    }
    QVERIFY(!publCaption.isEmpty() && !finOblCaption.isEmpty());
    QStringList shown;
    bool modal = false, buttonOnSeparator = true, buttonOnRule = false;
    ui.answers = {kYes};
    WhenProtocolShown(*program, [&] {
      TFormProtocol& p = program->protocol();
      modal = p.FreeWindow()->isModal();
      shown = Lines(p.List());
      const int publ = static_cast<int>(shown.indexOf(publCaption));
      if (publ <= 0) return;
      // The separator before a table's caption belongs to no table.
      p.List()->setCurrentRow(publ - 1);
      buttonOnSeparator = p.TableButton()->isEnabled();
      p.List()->setCurrentRow(publ + 1);
      buttonOnRule = p.TableButton()->isEnabled();
      QTest::mouseClick(p.TableButton(), Qt::LeftButton);
    });
    w.Command(U("Check"))->trigger();
    QCOMPARE(ui.messages.size(), std::size_t{2});
    QVERIFY(modal);
    QCOMPARE(shown.count(QString(35, '-')), 2);
    QCOMPARE(shown.first(), finOblCaption);
    QCOMPARE(shown.count(publCaption), 1);
    const int publ = static_cast<int>(shown.indexOf(publCaption));
    QCOMPARE(shown.at(publ - 1), U("  "));
    QCOMPARE(shown.at(publ + 1), QString(35, '-'));
    QVERIFY(!buttonOnSeparator);
    QVERIFY(buttonOnRule);

    // "Таблица": the protocol closed, the tree's item selected and edited.
    QVERIFY(!program->protocol().FreeWindow()->isVisible());
    QVERIFY(!Checker(*program).protocolView().showing);
    QCOMPARE(w.Tree()->currentItem(), NodeOfFile(w.Tree(), "Publ.ini"));
    QVERIFY(!w.isVisible());
    QVERIFY(frame.isVisible());
    QVERIFY(frame.ActiveTable());
    QCOMPARE(frame.ActiveTable()->table().tableName, std::string("Publ"));

    // The frame's "Проверка" on that table: its protocol docked in the frame,
    // the first remark's cells highlighted.
    TTable& t = frame.ActiveTable()->table();
    QCOMPARE(t.status, std::uint8_t(checks::kErrors));
    QVERIFY(frame.Command(U("CheckTable"))->isEnabled());
    frame.Command(U("CheckTable"))->trigger();
    const checks::ProtocolView& view = Checker(*program).protocolView();
    QVERIFY(view.showing);
    QCOMPARE(view.mode, checks::ProtocolMode::Table);
    QCOMPARE(view.currentTable, &t);
    QVERIFY(frame.ProtocolDock()->isVisible());
    QVERIFY(!program->protocol().FreeWindow()->isVisible());
    QCOMPARE(program->protocol().List()->count(), static_cast<int>(Checker(*program).Protocol(t).size()));
    QVERIFY(!program->protocol().TableButton()->isEnabled());
    QCOMPARE(&frame.ActiveTable()->table(), &t);

    // "Выход" closes it; checking again brings it back.
    program->protocol().ExitButton()->click();
    QVERIFY(!frame.ProtocolDock()->isVisible());
    QVERIFY(!program->session().state().IsModified());
    frame.Command(U("CheckTable"))->trigger();
    QVERIFY(frame.ProtocolDock()->isVisible());

    // The remark mended in the named cell (4-3), the articles abroad now
    // covering those in Scopus: the table is in order, the docked protocol
    // goes, "Проверка" is off.
    TF_Table* win = frame.ActiveTable();
    win->GoToCell(4, 3);
    QVERIFY(win->OpenEditor() == CellEditor::Int || win->OpenEditor() == CellEditor::Real);
    QWidget* editor = win->Editor(win->OpenEditor());
    static_cast<QLineEdit*>(editor)->selectAll();
    QTest::keyClicks(editor, "110");
    QCOMPARE(t.status, std::uint8_t(checks::kNorm));
    QVERIFY(!Checker(*program).protocolView().showing);
    QVERIFY(!frame.ProtocolDock()->isVisible());
    QVERIFY(!frame.Command(U("CheckTable"))->isEnabled());

    // Back in the tree: a green light, and the report's check lists only
    // the table still wrong.
    frame.Command(U("FileExit1"))->trigger();
    QVERIFY(w.isVisible());
    QCOMPARE(Light(w, "Publ.ini"), static_cast<int>(kImageNorm));
    QVERIFY(program->session().state().IsModified());
    ui.answers = {kYes};
    WhenProtocolShown(*program, [&] { shown = Lines(program->protocol().List()); });
    w.Command(U("Check"))->trigger();
    QCOMPARE(ui.messages.size(), std::size_t{3});
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.first(), finOblCaption);
    QVERIFY(!shown.contains(publCaption));
    QVERIFY(!Checker(*program).protocolView().showing);
  }

  // The docked protocol closed with the keyboard in it: the table it was
  // opened for stays the active one (the keyboard went to the next widget
  // of the frame, and with it the activation to another table's window).
  void closingTheDockedProtocolKeepsTheActiveTable() {
    TempFolder folder;
    if (!InstallDemoReport(folder.path())) QSKIP("the demo report could not be generated");
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("dock"));
    QVERIFY(program);
    TF_StructRep& w = program->structure();
    TMainForm& frame = program->frame();
    w.Tree()->setCurrentItem(NodeOfFile(w.Tree(), "Publ.ini"));
    w.Command(U("Edit"))->trigger();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    frame.Command(U("WindowMaximizeAll1"))->trigger();
    TF_Table* publ = nullptr;
    for (TF_Table* t : frame.Windows())
      if (t->table().tableName == "Publ") publ = t;
    QVERIFY(publ);
    auto* sub = qobject_cast<QMdiSubWindow*>(publ->parentWidget());
    QVERIFY(sub);
    frame.Mdi()->setActiveSubWindow(sub);
    sub->showMaximized();
    QCOMPARE(frame.ActiveTable(), publ);
    for (int round = 0; round < 2; ++round) {
      frame.Command(U("CheckTable"))->trigger();
      QVERIFY(frame.ProtocolDock()->isVisible());
      QPushButton* exit = program->protocol().ExitButton();
      exit->setFocus(Qt::TabFocusReason);
      QTRY_VERIFY(exit->hasFocus());
      QTest::keyClick(exit, Qt::Key_Space);
      QVERIFY(!frame.ProtocolDock()->isVisible());
      QCOMPARE(frame.ActiveTable(), publ);
      QVERIFY(sub->isMaximized());
      QVERIFY(publ->isAncestorOf(QApplication::focusWidget()));
    }
  }

  void lightsLegendAndAReportWithoutErrors() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("blank"));
    QVERIFY(program);
    TF_StructRep& w = program->structure();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // The blank report: every table empty, no errors.
    w.Command(U("Check"))->trigger();
    QCOMPARE(ui.messages.size(), std::size_t{1});
    QCOMPARE(ui.messages.back().kind, MessageKind::Information);
    QCOMPARE(ui.messages.back().text, std::string(texts::kNoErrorsInfo));
    QVERIFY(!Checker(*program).protocolView().showing);

    // A growing table's row with a text and no data, filled behind the
    // checks' back: the light stays yellow until the lights are refreshed.
    TTable* podr = TableOf(*program, "Podr.ini");
    QVERIFY(podr);
    TCell* text = FirstOfType(*podr, cell_type::kText);
    QVERIFY(text);
    {
      LoadingScope quiet(*podr);
      text->SetValue("x");
    }
    QCOMPARE(Light(w, "Podr.ini"), static_cast<int>(kImageEmpty));
    QVERIFY(w.Command(U("Lights"))->isEnabled());
    w.Command(U("Lights"))->trigger();
    QCOMPARE(podr->status, std::uint8_t(checks::kErrors));
    QCOMPARE(Light(w, "Podr.ini"), static_cast<int>(kImageErrors));

    // Now the check finds it.
    ui.answers = {kNo};
    w.Command(U("Check"))->trigger();
    QCOMPARE(ui.messages.back().text, std::string(texts::kShowProtocolQuestion));

    // Emptied again: a click on the legend refreshes the lights.
    {
      LoadingScope quiet(*podr);
      text->SetValue("");
    }
    QCOMPARE(Light(w, "Podr.ini"), static_cast<int>(kImageErrors));
    QVERIFY(w.Legend()->legendShown());
    QTest::mouseClick(w.Legend(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
    QCOMPARE(podr->status, std::uint8_t(checks::kEmpty));
    QCOMPARE(Light(w, "Podr.ini"), static_cast<int>(kImageEmpty));
    QCOMPARE(ui.messages.size(), std::size_t{2});
  }
};

QTEST_MAIN(ReportCheckTest)
#include "test_report_check.moc"
