// Errors that explain themselves and the keys of a spreadsheet, in the
// running program on the generated demo report (two tables break rules):
// a message shows the values its rule compared and chooses the cells it
// names, in the docked protocol and from the report's protocol; F8 walks
// every remarked cell and stops with a message; undo and redo give back
// the exact table files; arrows, F2 and Esc; the demo report opened as an
// example.
//
// With REPORT_GUI_SHOTS set (tests/gui/screenshots.sh), the protocol with
// its values and a remarked cell are saved as PNG files there.
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <memory>

#include "core/calc/check_status.h"
#include "core/calc/checking_engine.h"
#include "core/foundation/codec.h"
#include "core/app/startup.h"
#include "core/report/report_state.h"
#include "gui/app/program.h"
#include "gui/calc/protocol_window.h"
#include "gui/foundation/qt_text.h"
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

checks::TableChecker& Checker(TProgram& program) {
  return dynamic_cast<TCheckingEngine&>(program.session().state().engine()).checker();
}

// The table's window shown and active in the frame.
TF_Table* Open(TProgram& program, const char* file) {
  TF_StructRep& w = program.structure();
  w.Tree()->setCurrentItem(NodeOfFile(w.Tree(), file));
  w.Command(U("Edit"))->trigger();
  TMainForm& frame = program.frame();
  frame.activateWindow();
  if (!QTest::qWaitForWindowActive(&frame)) return nullptr;
  TF_Table* t = frame.ActiveTable();
  return t && TableNameOf(t->table().filePath) == TableNameOf(file) ? t : nullptr;
}

void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

// Where the keyboard is in the active table: its open editor, else its
// data area.
QWidget* Keyboard(TF_Table* t) {
  if (t->OpenEditor() != CellEditor::None) return t->Editor(t->OpenEditor());
  return t->DataArea();
}

// Typing, one key event per character (Cyrillic included).
void TypeText(QWidget* target, const QString& text) {
  for (const QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(target, &release);
  }
}

CellPos Current(TF_Table* t) { return CellPos{t->CurrentRow(), t->CurrentCol()}; }

TCell* CellOf(TTable& t, CellPos p) {
  const TRow* row = RowAt(t.data, p.row);
  return row ? CellAt(*row, p.col) : nullptr;
}

struct Demo {
  TempFolder folder;
  ScriptedInteraction ui;
  std::unique_ptr<TProgram> program;
  bool Start(const char* lock) {
    if (!InstallDemoReport(folder.path())) return false;
    program = StartedProgram(folder.path(), ui, UniqueLockName(lock));
    return program != nullptr;
  }
};

}  // namespace

class ExplainedErrorsTest : public QObject {
  Q_OBJECT
 private slots:
  // The docked protocol: every failed rule shows its values below it;
  // choosing a message highlights every cell it names and makes the first
  // one current.
  void choosingAMessageSelectsItsCells() {
    Demo demo;
    if (!demo.Start("choose")) QSKIP("the demo report could not be generated");
    TProgram& program = *demo.program;
    TF_Table* publ = Open(program, "Publ.ini");
    QVERIFY(publ);
    TTable& t = publ->table();
    TMainForm& frame = program.frame();
    frame.Command(U("CheckTable"))->trigger();
    checks::TableChecker& checker = Checker(program);
    QVERIFY(checker.protocolView().showing);
    TFormProtocol& p = program.protocol();
    const auto& protocol = checker.Protocol(t);
    QVERIFY(!protocol.empty());
    for (int i = 0; i < p.List()->count(); ++i) {
      const QString item = p.List()->item(i)->text();
      QVERIFY2(item.startsWith(FromCp1251(protocol[static_cast<std::size_t>(i)])), qPrintable(item));
      const std::string& values = checker.Explanations(t)[static_cast<std::size_t>(i)].values;
      QVERIFY2(!values.empty(), qPrintable(item));
      QVERIFY(item.endsWith(QStringLiteral("\n        ") + FromCp1251(values)));
    }
    // A message about cell (4-3): that cell first, then the others its
    // rule compared it with.
    int six = -1;
    for (int i = 0; i < static_cast<int>(protocol.size()); ++i)
      if (protocol[static_cast<std::size_t>(i)].find(". Ячейка (4-3)"_w) != std::string::npos) six = i;
    QVERIFY(six >= 0);
    p.List()->setCurrentRow(six == 0 ? 1 : 0);
    p.List()->setCurrentRow(six);
    const auto cells = checker.protocolView().selectedCells;
    QVERIFY(cells.size() >= 2);
    QVERIFY(cells == checker.MessageCells(t, static_cast<std::size_t>(six)));
    QCOMPARE(cells[0].pos, (CellPos{4, 3}));
    for (const checks::RemarkCell& c : cells) {
      QCOMPARE(c.table, &t);
      QVERIFY(CellOf(t, c.pos)->label.selected);
      QVERIFY(CellOf(t, c.pos)->label.remarked);
    }
    QCOMPARE(Current(publ), (CellPos{4, 3}));
    QCOMPARE(publ->OpenEditor(), CellEditor::None);
    QVERIFY(p.Detail()->toPlainText().contains(FromCp1251(checker.Explanations(t)[static_cast<std::size_t>(six)].values)));

    if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) {
      frame.setGeometry(QRect(0, 0, 1100, 760));
      frame.Optimize(publ);
      QTest::qWait(300);
      const QString dir = qEnvironmentVariable("REPORT_GUI_SHOTS");
      QVERIFY(frame.grab().save(dir + "/protocol-values.png"));
      // The remarked cells framed, without the protocol's highlight.
      p.ExitButton()->click();
      publ->GoToCell(5, 3);
      QTest::qWait(300);
      QVERIFY(frame.grab().save(dir + "/remarked-cell.png"));
    }
  }

  // Report mode: a message chosen and "Таблица" (or a double click) open
  // its table with the message docked and its first cell current.
  void fromTheReportProtocolToTheCells() {
    Demo demo;
    if (!demo.Start("report")) QSKIP("the demo report could not be generated");
    {
      TProgram& program = *demo.program;
      checks::TableChecker& checker = Checker(program);
      TTable* finObl = nullptr;
      for (const checks::CheckedTable& c : checker.tables())
        if (c.table->tableName == "FinObl") finObl = c.table;
      QVERIFY(finObl);
      checker.ShowProtocol(nullptr, false);
      TFormProtocol& p = program.protocol();
      int line = -1;
      for (int i = 0; i < p.List()->count() && line < 0; ++i)
        if (checker.LineMessage(i).first == finObl) line = i;
      QVERIFY(line >= 0);
      p.List()->setCurrentRow(line);
      QVERIFY(p.TableButton()->isEnabled());
      const checks::RemarkCell first = checker.protocolView().selectedCells.front();
      const int message = checker.LineMessage(line).second;
      p.TableButton()->click();
      TMainForm& frame = program.frame();
      QVERIFY(frame.isVisible());
      QVERIFY(frame.ActiveTable());
      QCOMPARE(&frame.ActiveTable()->table(), finObl);
      QVERIFY(frame.ProtocolDock()->isVisible());
      QCOMPARE(checker.protocolView().mode, checks::ProtocolMode::Table);
      QCOMPARE(checker.protocolView().selected, message);
      QCOMPARE(Current(frame.ActiveTable()), first.pos);
      QVERIFY(CellOf(*finObl, first.pos)->label.selected);
    }
  }

  // F8 walks every remarked cell of the report in table and reading order,
  // then says there is none further; Shift+F8 walks back.
  void f8WalksEveryRemarkedCell() {
    Demo demo;
    if (!demo.Start("f8")) QSKIP("the demo report could not be generated");
    TProgram& program = *demo.program;
    TMainForm& frame = program.frame();
    checks::TableChecker& checker = Checker(program);
    QVERIFY(Open(program, "Title.ini"));
    std::vector<std::pair<TTable*, CellPos>> expected;
    for (TF_Table* w : frame.Windows())
      for (const CellPos& p : checker.RemarkedCells(w->table())) expected.emplace_back(&w->table(), p);
    QVERIFY(expected.size() >= 4);
    std::vector<std::pair<TTable*, CellPos>> walked;
    for (std::size_t i = 0; i < expected.size() + 1 && demo.ui.messages.empty(); ++i) {
      Press(Keyboard(frame.ActiveTable()), Qt::Key_F8);
      if (!demo.ui.messages.empty()) break;
      TF_Table* w = frame.ActiveTable();
      QVERIFY(w);
      walked.emplace_back(&w->table(), Current(w));
      QVERIFY(CellOf(w->table(), Current(w))->label.remarked);
    }
    QCOMPARE(walked.size(), expected.size());
    QVERIFY(walked == expected);
    QCOMPARE(demo.ui.MessageTexts(), std::vector<std::string>{std::string("Дальше ячеек с замечаниями нет."_w)});
    QCOMPARE(Current(frame.ActiveTable()), expected.back().second);
    Press(Keyboard(frame.ActiveTable()), Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(Current(frame.ActiveTable()), expected[expected.size() - 2].second);
  }

  // Ten mixed steps (typed values and row operations) on a growing table,
  // each undone with Ctrl+Z, give back the table file of every step before,
  // byte for byte; Ctrl+Y does them again.
  void undoAndRedoGiveBackTheExactFiles() {
    Demo demo;
    if (!demo.Start("undo")) QSKIP("the demo report could not be generated");
    TProgram& program = *demo.program;
    TMainForm& frame = program.frame();
    TF_Table* podr = Open(program, "Podr.ini");
    QVERIFY(podr);
    TTable& t = podr->table();
    std::vector<std::string> files{t.SaveText()};
    const auto step = [&] {
      podr->EditorExit();
      files.push_back(t.SaveText());
    };
    const auto type = [&](int row, std::uint8_t type, const QString& text) {
      for (int c = 1; c <= t.ColCount; ++c)
        if (GetCell(t.data, c, row)->type == type) {
          podr->GoToCell(row, c);
          break;
        }
      QVERIFY(podr->OpenEditor() != CellEditor::None);
      TypeText(Keyboard(podr), text);
      Press(Keyboard(podr), Qt::Key_Tab);
    };
    const auto rowCommand = [&](int row, const char* command) {
      podr->GoToCell(row, 2);
      frame.Command(U(command))->trigger();
    };
    demo.ui.answers = {kYes, kYes};
    type(1, cell_type::kText, U("Кафедра физики")), step();
    rowCommand(1, "InsertEmptyRow"), step();
    type(2, cell_type::kText, U("Новая лаборатория с очень длинным названием, которое займет несколько строк")), step();
    type(2, cell_type::kInteger, U("17")), step();
    rowCommand(3, "CutRow"), step();
    rowCommand(1, "InsertBufferRow"), step();
    type(3, cell_type::kInteger, U("5")), step();
    rowCommand(2, "InsertCopyRow"), step();
    rowCommand(4, "DeleteRow"), step();
    rowCommand(1, "ClearRow"), step();
    QCOMPARE(files.size(), std::size_t{11});
    for (std::size_t i = 1; i < files.size(); ++i) QVERIFY2(files[i] != files[i - 1], qPrintable(QString::number(i)));

    for (std::size_t i = files.size() - 1; i-- > 0;) {
      Press(Keyboard(podr), Qt::Key_Z, Qt::ControlModifier);
      QVERIFY2(t.SaveText() == files[i], qPrintable(QString("undone to step %1").arg(i)));
    }
    for (std::size_t i = 1; i < files.size(); ++i) {
      Press(Keyboard(podr), Qt::Key_Y, Qt::ControlModifier);
      QVERIFY2(t.SaveText() == files[i], qPrintable(QString("redone to step %1").arg(i)));
    }
    QVERIFY(t.Modified());
  }

  // Up and Down move between rows; Left and Right move the caret and, at
  // its edge, to the neighbouring cell; F2 edits with the caret at the
  // end; Esc gives back the value the cell had; Ctrl+Home and Ctrl+End.
  void arrowsF2AndEscape() {
    Demo demo;
    if (!demo.Start("keys")) QSKIP("the demo report could not be generated");
    TProgram& program = *demo.program;
    TF_Table* podr = Open(program, "Podr.ini");
    QVERIFY(podr);
    TTable& t = podr->table();
    int number = 0;
    for (int c = 1; c <= t.ColCount && !number; ++c)
      if (GetCell(t.data, c, 1)->type == cell_type::kInteger) number = c;
    QVERIFY(number > 0);
    podr->GoToCell(1, number);
    QWidget* editor = Keyboard(podr);
    auto* line = qobject_cast<QLineEdit*>(editor);
    QVERIFY(line);
    const std::string before = podr->CurrentCell()->label.caption;
    QVERIFY(!before.empty());
    QVERIFY(line->hasSelectedText());  // typing would replace the value

    Press(editor, Qt::Key_Down);
    QCOMPARE(Current(podr), (CellPos{2, number}));
    Press(Keyboard(podr), Qt::Key_Up);
    QCOMPARE(Current(podr), (CellPos{1, number}));

    // F2: the caret at the end, the digits typed go after the value.
    Press(Keyboard(podr), Qt::Key_F2);
    line = qobject_cast<QLineEdit*>(Keyboard(podr));
    QVERIFY(line && !line->hasSelectedText());
    QCOMPARE(line->cursorPosition(), line->text().size());
    QTest::keyClicks(line, "9");
    QCOMPARE(podr->CurrentCell()->label.caption, before + "9");
    // Esc: the value as the editor found it.
    Press(line, Qt::Key_Escape);
    QCOMPARE(podr->CurrentCell()->label.caption, before);
    QCOMPARE(line->text(), FromCp1251(before));

    // Right at the end of the text goes on to the next cell; Left inside
    // a text moves the caret only, at its start to the cell before.
    Press(line, Qt::Key_F2);
    Press(line, Qt::Key_Right);
    QCOMPARE(Current(podr), *ArrowTarget(t, CellPos{1, number}, ArrowKey::Right));
    const CellPos right = Current(podr);
    Press(Keyboard(podr), Qt::Key_F2);
    if (auto* l = qobject_cast<QLineEdit*>(Keyboard(podr)); l && l->text().size() > 0) {
      Press(l, Qt::Key_Left);
      QCOMPARE(Current(podr), right);
      l->setCursorPosition(0);
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(Keyboard(podr))) {
      m->moveCursor(QTextCursor::Start);
    }
    Press(Keyboard(podr), Qt::Key_Left);
    QCOMPARE(Current(podr), (CellPos{1, number}));

    Press(Keyboard(podr), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(Current(podr), *LastEditableCell(t));
    Press(Keyboard(podr), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(Current(podr), *FirstEditableCell(t));
    QVERIFY(demo.ui.messages.empty());
  }

  // "Отчет" / "Открыть пример": the installation's demo report copied into
  // a new folder and opened, with its rules and their remarks; the report
  // that was open stays as it was.
  void openExampleCopiesTheDemoReport() {
    TempFolder folder;
    InstallPackages(folder.path());
    std::filesystem::copy_file(std::string(REPORT_BIN_DIR) + "/Help/Data/Demo.rpt", folder / "Help/Data/Demo.rpt");
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("example"));
    QVERIFY(program);
    TReportState& state = program->session().state();
    const std::string first = state.currentFolder;
    const std::string before = ReadFile(first + "Report.rpt");
    program->structure().Command(U("OpenExample"))->trigger();
    QCOMPARE(state.currentFolder, folder / "Пример/");
    QVERIFY(ui.messages.empty());
    const TReportTable* publ = state.FindTable("Publ.ini");
    QVERIFY(publ);
    QCOMPARE(publ->table->status, std::uint8_t(checks::kErrors));
    QVERIFY(!Checker(*program).RemarkedCells(*publ->table).empty());
    program->structure().Command(U("OpenExample"))->trigger();
    QCOMPARE(state.currentFolder, folder / "Пример 2/");
    QCOMPARE(ReadFile(first + "Report.rpt"), before);
  }
};

QTEST_MAIN(ExplainedErrorsTest)
#include "test_explained_errors.moc"
