// The "Excel" and "Word" commands in the desktop program: the structure
// window exports the selected table into the folder chosen and hands the
// workbook or document to the desktop; the first export asks for the
// folder with the toolkit's folder picker, and cancelling it writes
// nothing and remembers no folder.
//
// With REPORT_GUI_SHOTS set (under a virtual X server), the picker as the
// export opens it is saved as excel-folder-dialog.png.
#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <QTimer>

#include "../core/report/report_fixture.h"
#include "core/app/startup.h"
#include "core/foundation/config_keys.h"
#include "core/output/excel_export.h"
#include "core/foundation/codec.h"
#include "core/report/report_state.h"
#include "gui/foundation/qt_interaction.h"
#include "gui/foundation/translations.h"
#include "support/gui_program.h"

using namespace rpt;
using namespace rpt::literals;

class ExcelCommandTest : public QObject {
  Q_OBJECT
 private slots:
  void structureWindowExportsTheSelectedTable() {
    testing::TempFolder folder;
    testing::InstallPackages(folder.path());
    testing::ScriptedInteraction ui;
    auto program = testing::StartedProgram(folder.path(), ui, testing::UniqueLockName("excel"));
    QVERIFY(program);
    gui::TF_StructRep& w = program->structure();
    const std::string out = folder / "Книги/";
    std::filesystem::create_directories(out);
    QTreeWidgetItem* fin = testing::NodeOfFile(w.Tree(), "Fin.ini");
    QVERIFY(fin);
    w.Tree()->setCurrentItem(fin);
    QVERIFY(w.Command(testing::U("ExportExcel"))->isEnabled());
    ui.messages.clear();
    ui.pickerAnswers = {out};
    w.Command(testing::U("ExportExcel"))->trigger();
    const std::string xlsx = out + "Отчет1 - Fin.xlsx";
    QVERIFY(std::filesystem::is_regular_file(xlsx));
    QCOMPARE(ui.shellRequests, std::vector<std::string>{"open " + xlsx});
    QVERIFY(ui.messages.empty());
    QVERIFY(w.isEnabled());
    // A document selected: the command is off.
    w.Tree()->setCurrentItem(testing::NodeOfFile(w.Tree(), "Annot.rtf"));
    QVERIFY(!w.Command(testing::U("ExportExcel"))->isEnabled());
  }

  void structureWindowExportsToTheWordProcessor() {
    testing::TempFolder folder;
    testing::InstallPackages(folder.path());
    testing::ScriptedInteraction ui;
    auto program = testing::StartedProgram(folder.path(), ui, testing::UniqueLockName("word"));
    QVERIFY(program);
    gui::TF_StructRep& w = program->structure();
    const std::string out = folder / "Документы/";
    std::filesystem::create_directories(out);
    w.Tree()->setCurrentItem(testing::NodeOfFile(w.Tree(), "Fin.ini"));
    QVERIFY(w.Command(testing::U("ExportWord"))->isEnabled());
    ui.messages.clear();
    ui.pickerAnswers = {out};
    w.Command(testing::U("ExportWord"))->trigger();
    const std::string rtf = out + "Отчет1 - Fin.rtf";
    QVERIFY(std::filesystem::is_regular_file(rtf));
    QCOMPARE(ui.shellRequests, std::vector<std::string>{"open " + rtf});
    QCOMPARE(ui.MessageTexts(), std::vector<std::string>{std::string("Выполняем передачу в MS Word?"_w)});
    QCOMPARE(QString::fromStdString(ReadWordFolder(folder / "")), QString::fromStdString(out));
    QVERIFY(w.isEnabled());
    // A document selected: the command opens it for editing.
    ui.shellRequests.clear();
    w.Tree()->setCurrentItem(testing::NodeOfFile(w.Tree(), "Annot.rtf"));
    QVERIFY(w.Command(testing::U("ExportWord"))->isEnabled());
    w.Command(testing::U("ExportWord"))->trigger();
    QCOMPARE(ui.shellRequests.size(), std::size_t{1});
    QVERIFY(ui.shellRequests[0].ends_with("/Annot.rtf"));
  }

  void firstExportAsksForTheFolder() {
    gui::UseRussianLanguage();
    testing::TempFolder dir;
    const FolderSet folders = testing::MakeProgram(dir);
    gui::QtInteraction ui;
    TReportState state(folders, ui);
    PrepareFolders(folders, ui);
    state.ReadInstallation();
    state.LoadReport(testing::MakeReport(dir, "Отчет 2023", testing::BlankReportFiles()));

    QString title;
    bool saved = true;
    QTimer::singleShot(500, [&] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        title = dialog->windowTitle();
        if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS"))
          saved = dialog->grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/excel-folder-dialog.png");
        dialog->reject();
      }
    });
    output::TExcelExport exporter(state);
    exporter.Run(2, 1, 0);  // "Таблица 2"
    QCOMPARE(title, QString::fromUtf8("Папка для книг Excel"));
    QVERIFY(saved);
    QVERIFY(exporter.written().empty());
    QCOMPARE(QString::fromStdString(ReadExcelFolder(folders.program)), QString());
  }
};

QTEST_MAIN(ExcelCommandTest)
#include "test_excel_command.moc"
