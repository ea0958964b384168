// The import windows: the check lists with their counter, pop-up menu and
// buttons, and the protocol. With REPORT_SCREENSHOTS set to a folder the
// last-year dialog and a protocol are saved there as PNG.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/foundation/codec.h"
#include "gui/foundation/qt_text.h"
#include "gui/import/import_dialogs.h"
#include "gui/report/structure_window.h"
#include "support/gui_program.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::literals;

namespace {

QAction* MenuAction(QMenu* menu, std::string_view cp1251) {
  for (QAction* a : menu->actions())
    if (a->text() == FromCp1251(cp1251)) return a;
  return nullptr;
}

std::vector<std::string> W(std::initializer_list<std::string_view> utf8) {
  std::vector<std::string> out;
  for (auto s : utf8) out.push_back(Utf8ToCp1251(s));
  return out;
}

// Runs `act` on the modal dialog of type D once it is shown.
template <class D, class F>
void WhenShown(F act) {
  QTimer::singleShot(0, [act] {
    if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) act(d);
    else WhenShown<D>(act);
  });
}

}  // namespace

class ImportWindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void lastYearDialogRunsOnlyWithACheckedLine() {
    TImportLastYearDlg dialog({{1, "1. " + Utf8ToCp1251("Подразделения")}, {3, "3. " + Utf8ToCp1251("Записка")}});
    QCOMPARE(dialog.windowTitle(), FromCp1251("Импорт данных прошлого года"_w));
    QCOMPARE(dialog.List()->count(), 2);
    QVERIFY(!dialog.RunButton()->isEnabled());
    dialog.List()->item(1)->setCheckState(Qt::Checked);
    QVERIFY(dialog.RunButton()->isEnabled());
    QCOMPARE(dialog.SelectedEntries(), std::vector<int>{3});
    dialog.List()->item(1)->setCheckState(Qt::Unchecked);
    QVERIFY(!dialog.RunButton()->isEnabled());
  }

  void thisYearDialogCountsTicksAndItsMenuTicks() {
    TDlgImportFromThisYear dialog(W({"Кадры", "Финансы", "Записка"}));
    QCOMPARE(dialog.windowTitle(), FromCp1251("Импорт данных из отчета этого года"_w));
    QCOMPARE(dialog.Counter()->text(), FromCp1251("Отмечено: 0"_w));
    for (int i = 0; i < 3; ++i) dialog.List()->item(i)->setCheckState(Qt::Checked);
    dialog.List()->item(1)->setCheckState(Qt::Unchecked);
    QCOMPARE(dialog.Counter()->text(), FromCp1251("Отмечено: 2"_w));
    QCOMPARE(dialog.SelectedTitles(), W({"Кадры", "Записка"}));

    // A double click toggles the tick.
    emit dialog.List()->itemDoubleClicked(dialog.List()->item(1));
    QCOMPARE(dialog.Counter()->text(), FromCp1251("Отмечено: 3"_w));
    emit dialog.List()->itemDoubleClicked(dialog.List()->item(1));
    QCOMPARE(dialog.Counter()->text(), FromCp1251("Отмечено: 2"_w));
    emit dialog.List()->itemDoubleClicked(dialog.List()->item(1));

    QMenu* menu = dialog.PopupMenu();
    MenuAction(menu, "Снять все отметки"_w)->trigger();
    QCOMPARE(dialog.Counter()->text(), FromCp1251("Отмечено: 0"_w));
    MenuAction(menu, "Выделить все"_w)->trigger();
    QCOMPARE(dialog.List()->selectedItems().size(), 3);
    MenuAction(menu, "Отменить выделение"_w)->trigger();
    QCOMPARE(dialog.List()->selectedItems().size(), 0);
    dialog.List()->item(0)->setSelected(true);
    dialog.List()->item(2)->setSelected(true);
    MenuAction(menu, "Отметить выделенное"_w)->trigger();
    QCOMPARE(dialog.SelectedTitles(), W({"Кадры", "Записка"}));
    MenuAction(menu, "Отметить все"_w)->trigger();
    QCOMPARE(dialog.Counter()->text(), FromCp1251("Отмечено: 3"_w));
  }

  void protocolShowsTheLines() {
    ImportProtocol protocol;
    protocol.Add(Utf8ToCp1251("Таблица \"Кадры\" импортирована."));
    protocol.Add(Utf8ToCp1251("Отказ от импорта таблицы \"Финансы\"."));
    TImportProt dialog(protocol);
    QCOMPARE(dialog.windowTitle(), FromCp1251("Протокол импорта данных"_w));
    QCOMPARE(dialog.List()->count(), 2);
    QCOMPARE(dialog.List()->item(1)->text(), QString::fromUtf8("2. Отказ от импорта таблицы \"Финансы\"."));
  }

  // The structure window's commands open the windows over the bundled
  // installation's entries and go on to ask for the source report.
  void structureWindowCommandsOpenTheImportWindows() {
    testing::TempFolder dir;
    testing::InstallPackages(dir.path());
    testing::ScriptedInteraction ui;
    auto program = testing::StartedProgram(dir.path(), ui, testing::UniqueLockName("import"));
    QVERIFY(program);
    int lines = 0;
    WhenShown<TImportLastYearDlg>([&lines](TImportLastYearDlg* d) {
      lines = d->List()->count();
      d->List()->item(lines - 1)->setCheckState(Qt::Checked);
      d->RunButton()->click();
    });
    ui.pickerAnswers.push_back(std::nullopt);
    program->structure().Command(testing::U("ImportLastYear"))->trigger();
    QCOMPARE(lines, 8);
    QCOMPARE(QString::fromStdString(Cp1251ToUtf8(ui.messages.back().text)),
             testing::U("Укажите отчет, из которого Вы хотите импортировать данные."));

    ui.pickerAnswers.push_back(std::nullopt);
    program->structure().Command(testing::U("ImportThisYear"))->trigger();
    QCOMPARE(QString::fromStdString(Cp1251ToUtf8(ui.messages.back().text)),
             testing::U("Укажите отчет этого года, из которого Вы хотите взять таблицы."));
  }

  void screenshots() {
    const QByteArray out = qgetenv("REPORT_SCREENSHOTS");
    if (out.isEmpty()) QSKIP("REPORT_SCREENSHOTS not set");
    std::vector<ImportListLine> lines;
    const char* captions[] = {"1.4. Структурные подразделения, выполняющие научные исследования и разработки",
                              "2.4. Диссертационные советы", "2.5. Ведущие научные школы",
                              "6.1. Научное оборудование", "6.2. Центр коллективного пользования",
                              "5.2. Международные договоры о научном сотрудничестве",
                              "7.1. Контактные данные ответственных исполнителей",
                              "6.3. Пояснительная записка к отчету"};
    for (int k = 1; k <= 8; ++k) lines.push_back({k, std::to_string(k) + ". " + Utf8ToCp1251(captions[k - 1])});
    TImportLastYearDlg dialog(lines);
    for (int i : {0, 1, 3, 7}) dialog.List()->item(i)->setCheckState(Qt::Checked);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.grab().save(QString::fromUtf8(out) + "/import-last-year.png"));

    ImportProtocol protocol;
    protocol.Add(Utf8ToCp1251("Таблица \"1.4. Структурные подразделения, выполняющие научные исследования и "
                              "разработки\" импортирована."));
    protocol.Add(Utf8ToCp1251("Отказ от импорта таблицы \"2.4. Диссертационные советы\"."));
    protocol.Add(Utf8ToCp1251("В указанной папке таблица \"6.1. Научное оборудование\" (Oborud.ini) отсутствует."));
    protocol.Add(Utf8ToCp1251("Документ \"6.3. Пояснительная записка к отчету\" импортирован."));
    TImportProt prot(protocol);
    prot.resize(840, 220);
    prot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&prot));
    QVERIFY(prot.grab().save(QString::fromUtf8(out) + "/import-protocol.png"));
  }
};

QTEST_MAIN(ImportWindowsTest)
#include "test_import_windows.moc"
