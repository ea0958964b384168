// The desktop program started on a temporary program folder holding the
// bundled installation, as a new user starts it: messages go through the
// scripted port.
#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/app/startup.h"
#include "gui/foundation/images.h"
#include "gui/app/program.h"
#include "gui/foundation/qt_text.h"
#include "gui/report/new_report_dialog.h"
#include "gui/report/select_tab.h"
#include "gui/report/structure_window.h"
#include "gui/tables/main_form.h"
#include "support/gui_program.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace rpt;
using namespace rpt::gui;
using namespace rpt::literals;
using namespace rpt::testing;

namespace {

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    out.push_back(e.path().string() + " " + std::to_string(e.is_regular_file() ? fs::file_size(e.path()) : 0));
  std::sort(out.begin(), out.end());
  return out;
}

int StateImage(QTreeWidgetItem* node) { return node->data(0, kStateRole).toInt(); }

bool Enabled(TF_StructRep& w, const char* name) { return w.Command(U(name))->isEnabled(); }

}  // namespace

class ProgramTest : public QObject {
  Q_OBJECT
 private slots:
  void newUserGetsReport1WithItsTreeAndLights() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    {
      TProgram program(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("first"), &ui);
      QVERIFY(program.Start());
      QVERIFY(program.splash() != nullptr);
      program.ShowStructure();
      QVERIFY(program.splash() == nullptr);
      TF_StructRep& w = program.structure();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      QVERIFY(ui.messages.empty());

      QVERIFY(fs::is_regular_file(folder / "Отчет1/Report.rpt"));
      QCOMPARE(w.windowTitle(), U("Подготовка отчета: ") + QString::fromStdString(folder / "Отчет1/"));
      QCOMPARE(w.KindLabel()->text(), U("Отчет"));

      // The tree of the blank report: the root, its sections, their items.
      QTreeWidget* tree = w.Tree();
      QCOMPARE(tree->topLevelItemCount(), 1);
      QTreeWidgetItem* root = tree->topLevelItem(0);
      const StructureModel& model = *program.session().state().structure;
      QCOMPARE(root->text(0), FromCp1251(model.title));
      QCOMPARE(root->childCount(), static_cast<int>(model.sections.size()));
      QVERIFY(root->childCount() >= 5);
      int tables = 0, documents = 0;
      for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const auto kind = static_cast<NodeKind>((*it)->data(0, kKindRole).toInt());
        if (kind == NodeKind::Table) {
          ++tables;
          // A blank report's tables are all empty: yellow lights.
          QCOMPARE(StateImage(*it), static_cast<int>(kImageEmpty));
        } else {
          if (kind == NodeKind::Document) ++documents;
          QCOMPARE(StateImage(*it), static_cast<int>(kImageNone));
        }
      }
      QCOMPARE(tables, static_cast<int>(program.session().state().tables().size()));
      QVERIFY(documents >= 1);
      QCOMPARE(root->child(0)->text(0), FromCp1251(model.sections[0].title));

      // The document selection is the same tree.
      QTreeWidget* second = program.selectTab().Tree();
      QTreeWidgetItemIterator a(tree), b(second);
      for (; *a && *b; ++a, ++b) {
        QCOMPARE((*b)->text(0), (*a)->text(0));
        QCOMPARE(StateImage(*b), StateImage(*a));
      }
      QVERIFY(!*a && !*b);

      // Root selected: nothing to edit, printing needs a printer.
      w.SetPrinterInstalled(true);
      tree->setCurrentItem(root);
      QVERIFY(!Enabled(w, "Edit"));
      QVERIFY(!Enabled(w, "PrintBlank"));
      QVERIFY(Enabled(w, "PrintSelected"));
      QVERIFY(!Enabled(w, "SaveRep"));
      QVERIFY(Enabled(w, "SaveAsRep"));
      QVERIFY(!program.selectTab().OpenButton()->isEnabled());

      // A table item: editing hands over to the tables frame, not there yet.
      QTreeWidgetItem* table = nullptr;
      QTreeWidgetItem* document = nullptr;
      for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const auto kind = static_cast<NodeKind>((*it)->data(0, kKindRole).toInt());
        if (kind == NodeKind::Table && !table) table = *it;
        if (kind == NodeKind::Document && !document) document = *it;
      }
      tree->setCurrentItem(table);
      QVERIFY(Enabled(w, "Edit"));
      QVERIFY(Enabled(w, "PrintBlank"));
      QVERIFY(Enabled(w, "ExportExcel"));
      QCOMPARE(program.selectTab().SelectedPosition(), w.SelectedPosition());
      QVERIFY(program.selectTab().OpenButton()->isEnabled());
      // Edit hands the table to the tables frame: the structure window hides
      // until the frame is closed.
      w.Command(U("Edit"))->trigger();
      QVERIFY(ui.messages.empty());
      QVERIFY(!w.isVisible());
      QVERIFY(program.frame().isVisible());
      QVERIFY(program.frame().ActiveTable() != nullptr);
      program.frame().Command(U("FileExit1"))->trigger();
      QVERIFY(w.isVisible());
      QVERIFY(!program.frame().isVisible());

      // A document item: the desktop opens it, and the report counts as changed.
      tree->setCurrentItem(document);
      QVERIFY(!Enabled(w, "ExportExcel"));
      QVERIFY(!Enabled(w, "PrintBlank"));
      ui.shellSucceeds = true;
      w.Command(U("Edit"))->trigger();
      QVERIFY(!ui.shellRequests.empty());
      QVERIFY(ui.shellRequests.back().rfind("open " + folder.path(), 0) == 0);
      QVERIFY(program.session().state().documentOpened);
      QVERIFY(Enabled(w, "SaveRep"));

      // When nothing can open it: the error of the window.
      ui.shellSucceeds = false;
      w.Command(U("Edit"))->trigger();
      QCOMPARE(ui.MessageTexts().back(), std::string("Программа WinWord.exe не загружается."_w));

      // A second copy: only the warning, no file touched.
      const auto before = Listing(folder.path());
      ScriptedInteraction secondUi;
      {
        TProgram again(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("first"), &secondUi);
        QVERIFY(!again.Start());
        QVERIFY(again.splash() == nullptr);
      }
      QCOMPARE(secondUi.MessageTexts(), std::vector<std::string>{std::string("Эта программа уже загружена."_w)});
      QCOMPARE(secondUi.messages.front().kind, MessageKind::Warning);
      QCOMPARE(Listing(folder.path()), before);

      // Exit: the question, then the save question (the opened document
      // changed the report: "Нет" leaves it as it was).
      ui.answers = {kNo};
      w.Command(U("Exit"))->trigger();
      QCOMPARE(ui.MessageTexts().back(), std::string("Вы действительно хотите закончить работу?"_w));
      QVERIFY(w.isVisible());
      ui.answers = {kYes, kNo};
      w.Command(U("Exit"))->trigger();
      QVERIFY(!w.isVisible());
    }
    // Shutdown removed the temporary folders and kept the packages and the report.
    for (const char* gone : {"Help/Data/Temp", "Help/Data/TabIni", "Help/Data/TabLst", "Help/Data/PrintDocs",
                             "Help/Data/Servis"})
      QVERIFY2(!fs::exists(folder / gone), gone);
    QVERIFY(fs::is_regular_file(folder / "Help/Data/TI.a"));

    // The next start opens "Отчет1" again from the recent list.
    ScriptedInteraction again;
    TProgram program(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("first"), &again);
    QVERIFY(program.Start());
    QVERIFY(!fs::exists(folder / "Отчет2"));
    QCOMPARE(program.session().state().currentFolder, folder / "Отчет1/");
    QVERIFY(program.structure().MenuNamed(U("MenuHistory"))->menuAction()->isEnabled());
    QCOMPARE(program.structure().MenuNamed(U("MenuHistory"))->actions().size(), 1);
  }

  void newReportThroughTheFolderDialog() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    TProgram program(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("new"), &ui);
    QVERIFY(program.Start());
    program.ShowStructure();
    QString text;
    QTimer::singleShot(0, [&text] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TFormNewRepDialog*>(w)) {
          text = d->Text()->text();
          QCOMPARE(d->windowTitle(), U("Создание отчета"));
          d->AutoButton()->click();
        }
    });
    program.structure().Command(U("NewRep"))->trigger();
    QVERIFY(text.startsWith(U("Новый отчет создается в отдельной папке. ")));
    QVERIFY(fs::is_regular_file(folder / "Отчет2/Report.rpt"));
    QCOMPARE(program.structure().windowTitle(), U("Подготовка отчета: ") + QString::fromStdString(folder / "Отчет2/"));
    QVERIFY(program.structure().Tree()->topLevelItemCount() == 1);

    // "Отменить" leaves the report that is open.
    QTimer::singleShot(0, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TFormNewRepDialog*>(w)) d->CancelButton()->click();
    });
    program.structure().Command(U("NewRep"))->trigger();
    QVERIFY(!fs::exists(folder / "Отчет3"));
    QCOMPARE(program.session().state().currentFolder, folder / "Отчет2/");
  }

  void menusCarryTheirCaptionsAndHints() {
    TF_StructRep w;
    struct Expect {
      const char* name;
      const char* caption;
      const char* tooltip;
      const char* status;
    };
    const Expect commands[] = {
        {"NewRep", "Новый ...", "Новый отчет", "Создать новый отчет или подотчет"},
        {"OpenRep", "Открыть ...", "Открыть отчет", "Открыть уже существующий отчет или подотчет"},
        {"SaveRep", "Сохранить", "Сохранить отчет", "Сохранить все измененные таблицы отчета"},
        {"SaveAsRep", "Сохранить как ...", "Сохранить как", "Сохранить создаваемый отчет или подотчет под другим именем"},
        {"DeleteRep", "Удалить", "Удалить отчет", "Удаление отурытого отчета или подотчета"},
        {"Font", "Шрифт...", "", "Выбор шрифта для отчета"},
        {"Colors", "Цвета ...", "", "Настройка цветов ячеек таблиц и форм"},
        {"Exit", "Выход", "", "Закончить работу"},
        {"Edit", "Редактирование", "Редактирование", "Редактирование таблиц и текстов"},
        {"ImportLastYear", "Прошлый год ...", "", "Импорт таблиц из отчета прошлого года"},
        {"ImportThisYear", "Этот год ...", "", "Импорт таблиц из отчета этого года"},
        {"ExportWord", "Word", "Передача в Word", "Экспорт выбранных элементов отчета в Word"},
        {"ExportExcel", "Excel", "Передача в Excel", "Передача данных в Excel"},
        {"Check", "Проверка", "Проверка отчета", "Проверка корректности отчета или подотчета"},
        {"SubStructure", "Структура", "", "Определение структуры подотчета"},
        {"SubCorrection", "Коррекция", "", "Изменение уже созданной структуры подотчета"},
        {"SubTransfer", "Передача", "", "Подготовка подотчета для передачи в подразделение"},
        {"SubReception", "Приемка", "", "Приемка подотчета"},
        {"SubInclude", "Присоединение", "", "Включение подотчета в отчет"},
        {"SubIncluded", "Включенные подотчеты", "", "Список подотчетов, включенных в отчет"},
        {"PrintSelected", "Выбранного элемента", "Печать элемента", "Вывод на печать выбранного элемента отчета или подотчета"},
        {"PrintAll", "Всего отчета", "Печать всего отчета", "Вывод на печать всего отчета или подотчета"},
        {"PrintBlank", "Бланк ...", "", "Печать пустого бланка таблицы"},
        {"PrinterSetup", "Принтер", "Настройка принтера", "Настройка параметров принтера"},
        {"SendInternet", "Через Интернет", "", "Подготовка файла данных отчета для отправки"},
        {"SendMedia", "На внешнем носителе", "", "Подготовка файла данных отчета для отправки"},
        {"SendEmail", "По E-mail", "", "Подготовка архива с данными в каталоге \"Почтовый ящик\""},
        {"Site", "Сайт", "", "Выход на сайт системы подготовки и приема отчетов"},
        {"Lights", "Светофоры", "Светофоры", "Обновить показания светофоров"},
        {"HelpContents", "Содержание", "", "Содержание справочника"},
        {"About", "О программе", "", "Основные сведения о программе"},
        {"HelpTool", "Справка", "Справка", "Справочная система задачи"},
    };
    for (const Expect& e : commands) {
      QAction* a = w.Command(U(e.name));
      QVERIFY2(a, e.name);
      QCOMPARE(a->text(), U(e.caption));
      // An empty short hint leaves Qt's default tooltip, made from the caption.
      if (*e.tooltip) QCOMPARE(a->toolTip(), U(e.tooltip));
      QCOMPARE(a->statusTip(), U(e.status));
    }
    QVERIFY(!w.Command(U("SendEmail"))->isVisible());

    // The menus in their order, each with its hint.
    const Expect menus[] = {
        {"MenuReport", "Отчет", "", ""},
        {"MenuData", "Данные", "", "Получение данных из других систем"},
        {"MenuSubreport", "Подотчет", "", "Работа с подотчетами"},
        {"MenuPrint", "Печать", "", "Настройка параметров страницы, принтера и печать выбранных элементов"},
        {"MenuSend", "Отправка", "", "Подготовка отчета или подотчета для отправки"},
        {"MenuHelp", "Справка", "", "Справочная система"},
        {"MenuSettings", "Настройка", "", "Выбор для работы гибкого дисковода и шрифта для отчета"},
        {"MenuHistory", "История", "", "Список отчетов, с которыми велась работа"},
        {"MenuImport", "Импорт", "", "Получение данных из других систем"},
        {"MenuExport", "Экспорт", "", "Передача данных в другие системы"},
    };
    for (const Expect& e : menus) {
      QMenu* m = w.MenuNamed(U(e.name));
      QVERIFY2(m, e.name);
      QCOMPARE(m->title(), U(e.caption));
      QCOMPARE(m->menuAction()->statusTip(), U(e.status));
    }
    QStringList bar;
    for (QAction* a : w.menuBar()->actions()) bar << a->text();
    QCOMPARE(bar, QStringList({U("Отчет"), U("Редактирование"), U("Данные"), U("Проверка"), U("Подотчет"),
                               U("Печать"), U("Отправка"), U("Сайт"), U("Светофоры"), U("Справка")}));
    QStringList report;
    for (QAction* a : w.MenuNamed(U("MenuReport"))->actions()) report << (a->isSeparator() ? U("-") : a->text());
    QCOMPARE(report, QStringList({U("Новый ..."), U("Открыть ..."), U("Открыть пример"), U("Сохранить"),
                                  U("Сохранить как ..."), U("Удалить"), U("-"), U("Настройка"), U("История"), U("-"),
                                  U("Выход")}));
    // With no report only the report commands that need none are usable.
    QVERIFY(!w.Command(U("SaveAsRep"))->isEnabled());
    QVERIFY(!w.MenuNamed(U("MenuHistory"))->menuAction()->isEnabled());
    QVERIFY(w.Command(U("NewRep"))->isEnabled());
    QCOMPARE(w.KindLabel()->text(), QString());
  }
};

QTEST_MAIN(ProgramTest)
#include "test_program.moc"
