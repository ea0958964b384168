// The tables frame in the running program, on a temporary program folder
// with the bundled blank report: the structure window hands a table over,
// typing goes through the table window, navigation and window actions, the
// cell pop-up menu's row commands, the "Вид" toggles, instructions, the
// calculator, the "Окна" list and the wheel, and closing back to the
// structure window with the report recalculated and the lights refreshed.
// Messages go through the scripted port.
//
// With REPORT_GUI_SHOTS (a folder) and REPORT_SHOT_PROGRAM (a program folder
// whose recent report has a growing table with errors) set, as
// tests/gui/screenshots.sh sets them, the case "screenshot" saves the frame
// with that table and the docked protocol as frame-protocol.png.
#include <QAction>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWheelEvent>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "core/foundation/codec.h"
#include "core/app/startup.h"
#include "core/tables/row_operations.h"
#include "gui/calc/protocol_window.h"
#include "gui/foundation/images.h"
#include "gui/print/print_service.h"
#include "gui/print/table_print.h"
#include "gui/app/program.h"
#include "gui/foundation/qt_text.h"
#include "gui/report/structure_window.h"
#include "gui/tables/instruction_window.h"
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

TF_Table* WindowOf(TMainForm& frame, const char* tableName) {
  for (TF_Table* w : frame.Windows())
    if (w->table().tableName == tableName) return w;
  return nullptr;
}

int Shown(TMainForm& frame) {
  int n = 0;
  for (TF_Table* w : frame.Windows()) n += w->Hidden() ? 0 : 1;
  return n;
}

bool On(TMainForm& frame, const char* name) { return frame.Command(U(name))->isEnabled(); }

// Edit of the table item with that file in the structure window.
void EditTable(TProgram& program, const char* file) {
  TF_StructRep& w = program.structure();
  QTreeWidgetItem* node = NodeOfFile(w.Tree(), file);
  QVERIFY2(node, file);
  w.Tree()->setCurrentItem(node);
  w.Command(U("Edit"))->trigger();
}

// Typing as the keyboard does: one key event per character (QTest's
// key clicks know only ASCII).
void TypeText(QWidget* editor, const QString& text) {
  for (const QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(editor, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(editor, &release);
  }
}

// A data cell of a form table's only row by its cell number.
TCell* FormCell(TTable& t, int number) { return CellByNumber(t.data, number); }

// The first data cell of a table's row 1 with that type; its column in `col`.
TCell* FirstOfType(TTable& t, std::uint8_t type, int* col) {
  for (int c = 1; c <= t.ColCount; ++c)
    if (TCell* cell = GetCell(t.data, c, 1); cell && cell->type == type) {
      *col = c;
      return cell;
    }
  return nullptr;
}

// The first cell of that type where data goes: row 0 of a form table,
// row 1 of a grid table.
TCell* FirstInput(TTable& t, std::uint8_t type) {
  TRow* row = RowAt(t.data, t.grid ? 1 : 0);
  if (!row) return nullptr;
  for (const auto& cell : row->cells)
    if (cell->type == type) return cell.get();
  return nullptr;
}

class CountDialogs : public RowDialogs {
 public:
  int count = 3;
  bool RowCount(RowCountSpin& spin) override {
    spin.value = count;
    return true;
  }
  std::optional<std::vector<std::string>> SortColumns(const std::vector<std::string>&) override { return {}; }
};

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT
 private slots:
  void framePlacementOutlivesTheRun() {
    TempFolder folder;
    InstallPackages(folder.path());
    const QRect placed(40, 30, 700, 500);
    {
      ScriptedInteraction ui;
      auto program = StartedProgram(folder.path(), ui, UniqueLockName("placement"));
      QVERIFY(program);
      EditTable(*program, "Title.ini");
      program->frame().setGeometry(placed);
      program->frame().Command(U("FileExit1"))->trigger();
      QVERIFY(!program->frame().isVisible());
    }
    QVERIFY(ReadFile(folder / "History.ini").find("[TMainForm]") != std::string::npos);
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("placement-again"));
    QVERIFY(program);
    EditTable(*program, "Title.ini");
    QCOMPARE(program->frame().geometry().size(), placed.size());
  }

  void editHandsOverAndClosingRecalculatesAndRefreshesTheLights() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("edit"));
    QVERIFY(program);
    TF_StructRep& structure = program->structure();
    TMainForm& frame = program->frame();
    TReportState& state = program->session().state();
    QVERIFY(QTest::qWaitForWindowExposed(&structure));
    QVERIFY(!frame.isVisible());
    QCOMPARE(frame.Windows().size(), state.tables().size());
    QCOMPARE(Shown(frame), 0);

    // Edit on a table item: the structure window goes, the frame shows the table.
    EditTable(*program, "Title.ini");
    QVERIFY(ui.messages.empty());
    QVERIFY(!structure.isVisible());
    QVERIFY(!structure.exitMode());
    QVERIFY(frame.isVisible());
    QVERIFY(frame.isEnabled());
    QCOMPARE(frame.windowTitle(), U("Отчет: ") + QString::fromStdString(folder / "Отчет1/"));
    TF_Table* title = frame.ActiveTable();
    QVERIFY(title);
    QCOMPARE(title->table().tableName, std::string("Title"));
    QCOMPARE(Shown(frame), 1);

    // Typing into text cell 17, which other tables' headers and footers quote.
    TCell* signer = FormCell(title->table(), 17);
    QVERIFY(signer && signer->type == cell_type::kText);
    title->SetCurrentCell(signer, true);
    QCOMPARE(title->OpenEditor(), CellEditor::Memo);
    TypeText(title->Editor(CellEditor::Memo), U("Петров П.П."));
    QCOMPARE(signer->GetValue(), std::string("Петров П.П."_w));
    QVERIFY(title->table().Modified());
    QVERIFY(On(frame, "FileSave1"));

    // Another table quotes it only after the report-wide recalculation.
    TF_Table* aspir = WindowOf(frame, "Aspir");
    QVERIFY(aspir);
    TCell* quoting = nullptr;
    for (const auto& c : aspir->table().footer.cells)
      if (c->Form.str().find("Title[(17)]") != std::string::npos) quoting = c.get();
    QVERIFY(quoting);
    QVERIFY(quoting->GetValue() != std::string("Петров П.П."_w));

    // A table filled behind the checks' back keeps its yellow light until
    // the statuses are refreshed.
    TF_Table* kontakt = WindowOf(frame, "Kontakt");
    QVERIFY(kontakt);
    TCell* text = FirstInput(kontakt->table(), cell_type::kText);
    QVERIFY(text);
    {
      LoadingScope quiet(kontakt->table());
      text->SetValue("x");
    }
    QCOMPARE(kontakt->table().status, std::uint8_t(2));

    // Closing: no save, the report recalculated, the lights refreshed, the
    // structure window back in exit mode.
    frame.Command(U("FileExit1"))->trigger();
    QVERIFY(!frame.isVisible());
    QVERIFY(structure.isVisible());
    QVERIFY(structure.exitMode());
    QCOMPARE(quoting->GetValue(), std::string("Петров П.П."_w));
    QVERIFY(kontakt->table().status != 2);
    QTreeWidgetItem* node = NodeOfFile(structure.Tree(), "Kontakt.ini");
    QCOMPARE(node->data(0, kStateRole).toInt(), LightForStatus(kontakt->table().status));
    QVERIFY(title->table().Modified());
    QVERIFY(ui.messages.empty());

    // Closing the only shown table window closes the frame too.
    EditTable(*program, "Title.ini");
    QVERIFY(frame.isVisible());
    frame.Command(U("FileClose1"))->trigger();
    QVERIFY(!frame.isVisible());
    QVERIFY(structure.isVisible());
    QVERIFY(title->Hidden());
    QCOMPARE(frame.Windows().size(), state.tables().size());
  }

  void navigationAndWindowActions() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("nav"));
    QVERIFY(program);
    TMainForm& frame = program->frame();
    const int n = static_cast<int>(frame.Windows().size());
    QVERIFY(n > 3);

    frame.GoToTable(0);
    QCOMPARE(frame.ActiveIndex(), 0);
    QVERIFY(!On(frame, "FirstTab"));
    QVERIFY(!On(frame, "PrevTab"));
    QVERIFY(On(frame, "NextTab"));
    QVERIFY(On(frame, "LastTab"));

    frame.Command(U("NextTab"))->trigger();
    QCOMPARE(frame.ActiveIndex(), 1);
    QCOMPARE(Shown(frame), 1);
    QVERIFY(On(frame, "FirstTab") && On(frame, "PrevTab") && On(frame, "NextTab") && On(frame, "LastTab"));

    frame.Command(U("LastTab"))->trigger();
    QCOMPARE(frame.ActiveIndex(), n - 1);
    QVERIFY(!On(frame, "NextTab"));
    QVERIFY(!On(frame, "LastTab"));
    QVERIFY(On(frame, "PrevTab"));
    frame.Command(U("PrevTab"))->trigger();
    QCOMPARE(frame.ActiveIndex(), n - 2);
    QCOMPARE(Shown(frame), 1);

    // An index outside the list goes to the first table.
    frame.GoToTable(n + 5);
    QCOMPARE(frame.ActiveIndex(), 0);

    // Minimise all, then maximise all: every table window of the report is
    // shown, those never opened included.
    frame.Command(U("WindowMinimizeAllMenu"))->trigger();
    QCOMPARE(Shown(frame), 0);
    QVERIFY(!On(frame, "FileSave1"));
    QVERIFY(!On(frame, "WindowOptimize"));
    QVERIFY(!frame.MenuNamed(U("MenuView"))->menuAction()->isEnabled());
    frame.Command(U("WindowMaximizeAll1"))->trigger();
    QCOMPARE(Shown(frame), n);

    // Keep active: only the active one stays.
    TF_Table* second = frame.Windows()[1];
    frame.Mdi()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(second->parentWidget()));
    QCOMPARE(frame.ActiveTable(), second);
    frame.Command(U("HideAllWithoutActive"))->trigger();
    QCOMPARE(Shown(frame), 1);
    QVERIFY(!second->Hidden());

    // The neighbour of a window: the next shown one, else the previous one.
    frame.Command(U("WindowMaximizeAll1"))->trigger();
    frame.Windows()[2]->SetHidden(true);
    QCOMPARE(frame.NeighbourTable(frame.Windows()[1]), frame.Windows()[3]);
    for (int i = 2; i < n; ++i) frame.Windows()[static_cast<std::size_t>(i)]->SetHidden(true);
    QCOMPARE(frame.NeighbourTable(frame.Windows()[1]), frame.Windows()[0]);
    frame.Windows()[0]->SetHidden(true);
    QCOMPARE(frame.NeighbourTable(frame.Windows()[1]), nullptr);
  }

  // The "Окна" list holds every table window, hidden ones too; the wheel
  // over any table window gives the keyboard to the active one.
  void windowListAndWheel() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("winlist"));
    QVERIFY(program);
    TMainForm& frame = program->frame();
    EditTable(*program, "Title.ini");
    const auto& windows = frame.Windows();
    QVERIFY(windows.size() > 3);
    QCOMPARE(Shown(frame), 1);

    QMenu* menu = frame.MenuNamed(U("MenuWindows"));
    auto list = [menu] {
      emit menu->aboutToShow();
      QList<QAction*> items;
      bool after = false;
      for (QAction* a : menu->actions()) {
        if (a->isSeparator()) after = true;
        else if (after) items << a;
      }
      return items;
    };
    QList<QAction*> items = list();
    QCOMPARE(items.size(), static_cast<qsizetype>(windows.size()));
    for (std::size_t i = 0; i < windows.size(); ++i) {
      QAction* a = items[static_cast<qsizetype>(i)];
      QVERIFY(a->text().endsWith(windows[i]->windowTitle()));
      QCOMPARE(a->isChecked(), windows[i] == frame.ActiveTable());
    }
    // Choosing a hidden one shows it beside the shown one and activates it.
    TF_Table* title = frame.ActiveTable();
    TF_Table* other = windows[0] == title ? windows[1] : windows[0];
    QVERIFY(other->Hidden());
    items[static_cast<qsizetype>(other == windows[0] ? 0 : 1)]->trigger();
    QVERIFY(!other->Hidden());
    QCOMPARE(frame.ActiveTable(), other);
    QCOMPARE(Shown(frame), 2);
    QCOMPARE(list().size(), static_cast<qsizetype>(windows.size()));

    // The wheel over the inactive window's data area: the keyboard goes to
    // the active window's data area.
    QWidget* activeData = other->findChild<QWidget*>(QStringLiteral("SB_Data"));
    auto* titleData = title->findChild<QAbstractScrollArea*>(QStringLiteral("SB_Data"));
    QVERIFY(activeData && titleData);
    titleData->setFocus();
    QCOMPARE(frame.focusWidget(), titleData);
    QWheelEvent wheel(QPointF(5, 5), titleData->viewport()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(titleData->viewport(), &wheel);
    QCOMPARE(frame.focusWidget(), activeData);
  }

  void popupRowCommandsOnAGrowingTable() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("rows"));
    QVERIFY(program);
    TMainForm& frame = program->frame();
    CountDialogs dialogs;
    frame.SetRowDialogs(&dialogs);

    int index = -1;
    for (std::size_t i = 0; i < frame.Windows().size() && index < 0; ++i)
      if (frame.Windows()[i]->table().growing) index = static_cast<int>(i);
    QVERIFY(index >= 0);
    frame.GoToTable(index);
    TF_Table* w = frame.ActiveTable();
    TTable& t = w->table();
    QVERIFY(On(frame, "SortRows"));
    QVERIFY(On(frame, "DelEmptyRows"));
    int col = 0;
    TCell* cell = FirstOfType(t, cell_type::kText, &col);
    if (!cell) cell = FirstOfType(t, cell_type::kInteger, &col);
    QVERIFY(cell);
    w->GoToCell(1, col);
    QCOMPARE(w->CurrentCell(), cell);

    // Nothing in the buffer yet: "Из буфера" stays off.
    QVERIFY(frame.PreparePopup());
    QVERIFY(frame.Command(U("CopyRow"))->isEnabled());
    QVERIFY(frame.MenuNamed(U("InsertRow"))->menuAction()->isEnabled());
    QVERIFY(!frame.Command(U("InsertBufferRow"))->isEnabled());
    QVERIFY(frame.Command(U("DelEmptyRowsPopup"))->isEnabled());
    QVERIFY(!frame.Command(U("SubrepData"))->isEnabled());

    const int rows = t.RowCount;
    frame.Command(U("InsertEmptyRow"))->trigger();
    QCOMPARE(t.RowCount, rows + 1);
    QVERIFY(t.Modified());
    QVERIFY(On(frame, "FileSave1"));
    QCOMPARE(w->CurrentCell(), cell);

    frame.Command(U("CopyRow"))->trigger();
    QVERIFY(frame.PreparePopup());
    QVERIFY(frame.Command(U("InsertBufferRow"))->isEnabled());
    frame.Command(U("InsertBufferRow"))->trigger();
    QCOMPARE(t.RowCount, rows + 2);

    frame.Command(U("InsertNRows"))->trigger();
    QCOMPARE(t.RowCount, rows + 5);

    // "Нет" leaves the row; "Да" removes it, and the current cell with it.
    ui.answers = {kNo};
    frame.Command(U("DeleteRow"))->trigger();
    QCOMPARE(ui.MessageTexts().back(), std::string(DeleteRowQuestion()));
    QCOMPARE(t.RowCount, rows + 5);
    QCOMPARE(w->CurrentCell(), cell);
    ui.answers = {kYes};
    frame.Command(U("DeleteRow"))->trigger();
    QCOMPARE(t.RowCount, rows + 4);
    QVERIFY(w->CurrentCell() == nullptr);

    // The last edition: the rows as saved, every cell new; the window lets
    // go of the ones it held.
    w->GoToCell(1, col);
    ui.answers = {kYes};
    frame.Command(U("LoardLastEdition"))->trigger();
    QCOMPARE(t.RowCount, rows);
    QVERIFY(w->CurrentCell() == nullptr);
    w->GoToCell(1, col);
    QVERIFY(w->CurrentCell() != nullptr);

    // "Печать" previews the active table.
    frame.Command(U("PrintTable"))->trigger();
    TPrintForm& print = TPrintForm::Instance();
    QVERIFY(print.Service().PreviewWindow() != nullptr);
    QCOMPARE(print.Current(), &t);
    print.Service().ClosePreview();
    QVERIFY(print.Current() == nullptr);
  }

  void viewInstructionAndCalculator() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("view"));
    QVERIFY(program);
    TMainForm& frame = program->frame();
    EditTable(*program, "Title.ini");

    // "Вид": only tables whose section has cells change.
    QAction* header = frame.Command(U("ViewHeader1"));
    QVERIFY(header->isChecked());
    std::vector<int> heights;
    std::vector<bool> panels;
    for (TF_Table* w : frame.Windows()) {
      heights.push_back(w->table().contentHeight);
      panels.push_back(w->table().header.panelVisible);
    }
    header->trigger();
    QVERIFY(!header->isChecked());
    int changed = 0, unchanged = 0;
    for (std::size_t i = 0; i < frame.Windows().size(); ++i) {
      const TTable& t = frame.Windows()[i]->table();
      if (t.header.cells.empty()) {
        QCOMPARE(t.header.panelVisible, bool(panels[i]));
        QCOMPARE(t.contentHeight, heights[i]);
        ++unchanged;
      } else {
        QVERIFY(!t.header.panelVisible);
        changed += t.contentHeight < heights[i] ? 1 : 0;
      }
    }
    QVERIFY(changed > 0);
    QVERIFY(unchanged > 0);
    header->trigger();
    for (std::size_t i = 0; i < frame.Windows().size(); ++i)
      QCOMPARE(frame.Windows()[i]->table().contentHeight, heights[i]);

    // "Инструкция": the table's lines in a text window of the program,
    // nothing written, nothing handed to the desktop; "Печатать" prints
    // the text shown.
    const std::size_t shellBefore = ui.shellRequests.size();
    frame.Command(U("TabInstruct"))->trigger();
    QVERIFY(ui.messages.empty());
    QCOMPARE(ui.shellRequests.size(), shellBefore);
    QVERIFY(!fs::exists(program->session().state().folders().service + "T.txt"));
    TFormInstruction& instruction = frame.Instruction();
    QVERIFY(instruction.isVisible());
    QVERIFY(instruction.Text()->isReadOnly());
    const QString shown = instruction.Text()->toPlainText();
    QVERIFY(!shown.isEmpty());
    QVERIFY(instruction.windowTitle().contains(frame.ActiveTable()->windowTitle()));
    QStringList printed;
    instruction.SetPrinter([&printed](const QString& text) { printed << text; });
    instruction.PrintButton()->click();
    QCOMPARE(printed, QStringList{shown});
    instruction.CloseButton()->click();
    QVERIFY(!instruction.isVisible());

    // The calculator: the first known one on PATH, else the information.
    TempFolder bin;
    const std::string kcalc = bin.Write("kcalc", "#!/bin/sh\n");
    fs::permissions(kcalc, fs::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path()));
    frame.Command(U("WinCalc"))->trigger();
    QCOMPARE(ui.shellRequests.back(), "start " + kcalc);
    fs::remove(kcalc);
    frame.Command(U("WinCalc"))->trigger();
    qputenv("PATH", path);
    // It names the calculators looked for and a Debian package with one.
    QCOMPARE(ui.MessageTexts().back(),
             std::string("Калькулятор не запускается. Программа ищет калькуляторы gnome-calculator, kcalc, galculator "
                         "и xcalc; установите один из них, например пакет gnome-calculator (sudo apt install "
                         "gnome-calculator)."_w));
    QCOMPARE(ui.messages.back().kind, MessageKind::Information);
  }

  void menusToolBarAndHints() {
    TMainForm frame;
    QCOMPARE(frame.windowTitle(), U("Таблицы отчета"));
    QVERIFY(!frame.isEnabled());
    struct Expect {
      const char* name;
      const char* caption;
      const char* tooltip;
      const char* status;
      const char* key;
    };
    const Expect commands[] = {
        {"FileOpen1", "Открыть ...", "Открыть", "Открыть другой документ", "Ctrl+O"},
        {"ShowStruct", "Открыть ...", "Открыть", "Показать дерево структуры отчета для выбора документа", ""},
        {"FileSave1", "Сохранить", "Сохранить", "Сохранить активный документ", "Ctrl+S"},
        {"FileClose1", "Закрыть", "Закрыть", "Свернуть активный документ", ""},
        {"FileExit1", "Выход", "Выход", "Свернуть окно документов", ""},
        {"WindowCascade1", "Каскад", "Каскад", "Расположить окна документов каскадом", ""},
        {"WindowMinimizeAll1", "Свернуть все", "Свернуть все документы", "Свернуть все документы", ""},
        {"WindowMaximizeAll1", "Развернуть все", "Открыть все документы", "Открыть все документы", ""},
        {"HideAllWithoutActive", "Оставить активное", "", "Закрыть все окна, кроме активного", ""},
        {"WindowOptimizeAll1", "Оптимизировать все", "Установить оптимальные размеры всех видимых документов",
         "Установить оптимальные размеры всех видимых документов", ""},
        {"WindowOptimize", "Оптимизировать", "Установить оптимальные размеры активного документа",
         "Установить оптимальные размеры активного документа", ""},
        {"ViewHeader1", "Заголовок", "Видимость заголовка", "Показывать или скрыть заголовок таблиц", ""},
        {"ViewFootter1", "Подпись", "Видимость подписи", "Видимость подписи", ""},
        {"CalcTable", "Пересчет", "Пересчет", "Пересчет формул активного документа", ""},
        {"FillZeros", "Заполнить нулями", "Заполнить нулями", "Заполнить нулями все числовые ячейки активного документа", ""},
        {"CheckTable", "Проверка", "Проверка", "Проверка корректности заполнения активного документа", ""},
        {"LoardClearTable", "Загрузить чистую таблицу", "Заменить на чистую таблицу", "Заменить на чистую таблицу", ""},
        {"LoardLastEdition", "Взять последнюю редакцию", "Заменить на последний сохраненный вариант",
         "Заменить на последний сохраненный вариант", ""},
        {"DelEmptyRows", "Удалить пустые строки", "Удалить пустые строки",
         "Удалить не заполненные данными строки активного документа", ""},
        {"SortRows", "Сортировка", "Сортировка", "Сортировка строк активного документа", ""},
        {"CellsHeight", "Размер ячеек", "Размер ячеек", "Автоматический подбор высоты ячеек", ""},
        {"CellsHeightMenu", "Высота строк", "Высота строк", "Автоматический подбор высоты ячеек", ""},
        {"PrintTable", "Печать", "Печать", "Печать активного документа", "Ctrl+P"},
        {"FirstTab", "Первая таблица", "Первая таблица", "Первая таблица", ""},
        {"PrevTab", "Предыдущая таблица", "Предыдущая таблица", "Предыдущая таблица", ""},
        {"NextTab", "Следующая таблица", "Следующая таблица", "Следующая таблица", ""},
        {"LastTab", "Последняя таблица", "Последняя таблица", "Последняя таблица", ""},
        {"WinCalc", "Калькулятор", "Вызов калькулятора", "Вызов калькулятора", ""},
        {"TabInstruct", "Инструкция", "Инструкция по заполнению таблицы", "Инструкция по заполнению таблицы", ""},
        {"KeyBoardInstr", "Клавиатура", "Клавиатура", "Инструкция по использованию клавиатуры", ""},
        {"HelpAbout1", "О программе ...", "О программе", "Вывод основных сведений о программе", ""},
        {"HelpContents", "Содержание", "", "Оглавление справочника системы", ""},
        {"HelpTool", "Справка", "Справка", "Справочная система", ""},
        {"ReloadButton", "Обновить", "Обновить", "Заменить заполненную таблицу чистой таблицей", ""},
        {"CopyRow", "Копировать строку", "", "Скопировать текущую строку в буфер", ""},
        {"InsertEmptyRow", "Пустую", "", "Вставить пустую строку после текущей", ""},
        {"InsertBufferRow", "Из буфера", "", "Вставить строку из буфера после текущей", ""},
        {"InsertCopyRow", "Копию текущей", "", "Вставить копию текущей строки", ""},
        {"InsertNRows", "Вставить N пустых строк", "", "Вставить пустые строки после текущей", ""},
    };
    for (const Expect& e : commands) {
      QAction* a = frame.Command(U(e.name));
      QVERIFY2(a, e.name);
      QCOMPARE(a->text(), U(e.caption));
      if (*e.tooltip) QCOMPARE(a->toolTip(), U(e.tooltip));
      QCOMPARE(a->statusTip(), U(e.status));
      QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(e.key)));
    }
    auto captions = [](const QList<QAction*>& actions) {
      QStringList out;
      for (QAction* a : actions)
        if (a->isVisible() || a->isSeparator()) out << (a->isSeparator() ? U("-") : a->text());
      return out;
    };
    QCOMPARE(captions(frame.menuBar()->actions()),
             QStringList({U("Документы"), U("Таблица"), U("Проверка"), U("Печать"), U("Калькулятор"), U("Вид"),
                          U("Окна"), U("Справка")}));
    QCOMPARE(captions(frame.MenuNamed(U("MenuDocuments"))->actions()),
             QStringList({U("Открыть ..."), U("Закрыть"), U("Сохранить"), U("-"), U("Выход")}));
    QCOMPARE(captions(frame.MenuNamed(U("MenuTable"))->actions()),
             QStringList({U("Отменить"), U("Повторить"), U("-"), U("Пересчет"), U("Сортировка"), U("-"),
                          U("Обновление"), U("Удалить пустые строки"), U("Высота строк"), U("-"),
                          U("Заполнить нулями"), U("-"), U("Первая таблица"), U("Предыдущая таблица"),
                          U("Следующая таблица"), U("Последняя таблица"), U("-"), U("Следующее замечание"),
                          U("Предыдущее замечание"), U("-"), U("Изменения за год ..."), U("Диаграмма ...")}));
    QCOMPARE(frame.MenuNamed(U("MenuReload"))->menuAction()->statusTip(), U("Заменить таблицу чистой таблицей"));
    QCOMPARE(frame.MenuNamed(U("MenuDocuments"))->menuAction()->statusTip(),
             U("Выполнение операций с документами отчета"));
    QCOMPARE(captions(frame.MenuNamed(U("MenuWindows"))->actions()).mid(0, 6),
             QStringList({U("Каскад"), U("Свернуть все"), U("Оставить активное"), U("Развернуть все"),
                          U("Оптимизировать все"), U("Оптимизировать")}));
    QCOMPARE(captions(frame.MenuNamed(U("MenuHelp"))->actions()),
             QStringList({U("Инструкция"), U("Клавиатура"), U("Содержание"), U("-"), U("О программе ...")}));
    QCOMPARE(captions(frame.MenuNamed(U("MenuView"))->actions()), QStringList({U("Заголовок"), U("Подпись")}));
    QCOMPARE(captions(frame.CellPopup()->actions()),
             QStringList({U("Копировать строку"), U("Вставить строку"), U("Вырезать строку"), U("Очистить строку"),
                          U("Удалить строку"), U("-"), U("Вставить весь список"), U("Вставить N пустых строк"),
                          U("Удалить пустые строки"), U("-"), U("Данные из подотчетов"), U("-"), U("Справка")}));
    QVERIFY(!frame.MenuNamed(U("InsertRow"))->menuAction()->isEnabled());
    // The tool bar: the shown buttons in order; the cascade button is hidden.
    QStringList tools;
    for (QAction* a : frame.ToolBar()->actions())
      if (a->isVisible()) tools << (a->isSeparator() ? U("|") : a->objectName());
    QCOMPARE(tools, QStringList({"ShowStruct", "FileSave1", "|", "SortRows", "CalcTable", "FillZeros", "CheckTable",
                                 "|", "ReloadButton", "DelEmptyRows", "CellsHeightTool", "|", "PrintTable", "|",
                                 "FirstTab", "PrevTab", "NextTab", "LastTab", "|", "WinCalc", "|", "TabInstruct",
                                 "KeyBoardInstr", "HelpTool"}));
    // With no report nothing acts on a table.
    for (const char* name : {"FileSave1", "FirstTab", "NextTab", "WindowCascade1", "CheckTable", "TabInstruct"})
      QVERIFY2(!On(frame, name), name);
  }

  // Only from tests/gui/screenshots.sh: the frame with a growing table and
  // the docked protocol with a highlighted cell.
  void screenshot() {
    const QByteArray programFolder = qgetenv("REPORT_SHOT_PROGRAM");
    const QByteArray shots = qgetenv("REPORT_GUI_SHOTS");
    if (programFolder.isEmpty() || shots.isEmpty()) QSKIP("screenshots are made by tests/gui/screenshots.sh");
    ScriptedInteraction ui;
    auto program = StartedProgram(programFolder.toStdString() + "/", ui, UniqueLockName("shot"));
    QVERIFY(program);
    TMainForm& frame = program->frame();
    EditTable(*program, "Publ.ini");
    QVERIFY(frame.isVisible());
    frame.setGeometry(QRect(0, 0, 1100, 720));
    TF_Table* publ = frame.ActiveTable();
    QVERIFY(publ);
    frame.Optimize(publ);
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(frame.Command(U("CheckTable"))->isEnabled());
    frame.Command(U("CheckTable"))->trigger();
    QVERIFY(frame.ProtocolDock()->isVisible());
    program->protocol().SelectLine(0);
    program->protocol().List()->setCurrentRow(0);
    frame.Optimize(publ);
    // The pointer rests on the cell the remark names.
    if (TCell* named = GetCell(publ->table().data, 3, 4)) {
      publ->CellMouseMove(*named, QPoint(5, 5), Qt::NoButton);
      QCOMPARE(frame.CellPanel()->text(), U("Ячейка 4-3"));
    }
    QTest::qWait(300);
    QVERIFY(frame.grab().save(QString::fromLocal8Bit(shots) + "/frame-protocol.png"));
  }
};

QTEST_MAIN(MainFormTest)
#include "test_main_form.moc"
