// The demo report against a last year's report made from it, in the
// running program: flagged figures carry their mark and last year's value
// in the tool tip, and follow the user's typing; a line of the list of
// changes brings its cell up in its table; the charts hold this year's and
// last year's figures and are saved as PNG and SVG and printed.
//
// With REPORT_GUI_SHOTS set (tests/gui/screenshots.sh), the tool tip, the
// list of changes and the charts are saved as PNG files there.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QHorizontalBarSeries>
#include <QLineEdit>
#include <QPushButton>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QSvgRenderer>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include <filesystem>
#include <memory>

#include "core/foundation/codec.h"
#include "core/app/startup.h"
#include "core/foundation/folders.h"
#include "core/import/year_comparison.h"
#include "core/import/year_figures.h"
#include "core/report/report_state.h"
#include "gui/app/program.h"
#include "gui/foundation/qt_text.h"
#include "gui/import/year_charts.h"
#include "gui/import/year_compare.h"
#include "gui/report/structure_window.h"
#include "gui/tables/main_form.h"
#include "gui/tables/table_window.h"
#include "support/demo_report.h"
#include "support/gui_program.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::testing;

namespace {

struct Demo {
  TempFolder folder;
  ScriptedInteraction ui;
  std::unique_ptr<TProgram> program;
  std::string lastYear;
  // The demo report, and last year's made from it with a few figures changed.
  // `fromLastYearsDemo`: last year's demo report (its figures 7 % lower) instead.
  bool Start(const char* lock, bool fromLastYearsDemo = false) {
    if (!InstallDemoReport(folder.path())) return false;
    const std::string src = folder / "LastYearSource";
    std::filesystem::copy(folder / (fromLastYearsDemo ? "gen/LastYear2021" : "gen/Demo2022"), src,
                          std::filesystem::copy_options::recursive);
    const std::string edit = "python3 " + ShellQuote(std::string(REPORT_SOURCE_DIR) + "/tests/support/set_table_cells.py") +
                             " " + ShellQuote(src) + " --version 22_00_21 Kadry.ini:2:3=300 Kadry.ini:3:3=0 " +
                             "Fin.ini:3:4=30000,0 Podr.ini:2:6=20 Podr.ini:3:6=25";
    lastYear = folder / "LastYear/";
    std::filesystem::create_directories(lastYear);
    if (RunShell(edit).exitCode != 0 ||
        RunShell(ShellQuote(REPORTCTL_PATH) + " pack " + ShellQuote(src) + " " + ShellQuote(lastYear + "Report.rpt"))
                .exitCode != 0)
      return false;
    program = StartedProgram(folder.path(), ui, UniqueLockName(lock));
    return program != nullptr;
  }
  TReportState& state() { return program->session().state(); }
  bool Compare() {
    ComparisonSettings settings;
    settings.lastYearFolder = lastYear;
    return program->yearCompare().Apply(settings);
  }
};

TF_Table* Open(TProgram& program, const char* file) {
  TF_StructRep& w = program.structure();
  w.Tree()->setCurrentItem(NodeOfFile(w.Tree(), file));
  w.Command(U("Edit"))->trigger();
  TMainForm& frame = program.frame();
  frame.activateWindow();
  if (!QTest::qWaitForWindowActive(&frame)) return nullptr;
  return frame.ActiveTable();
}

TCell* Cell(TF_Table* t, int row, int col) { return GetCell(t->table().data, col, row); }

// The values of the bars of a chart, set by set.
std::vector<std::vector<double>> Bars(QChartView* view) {
  std::vector<std::vector<double>> out;
  for (QAbstractSeries* s : view->chart()->series())
    for (QBarSet* set : static_cast<QHorizontalBarSeries*>(s)->barSets()) {
      std::vector<double> values;
      for (int i = 0; i < set->count(); ++i) values.push_back(set->at(i));
      out.push_back(values);
    }
  return out;
}

}  // namespace

class YearCompareTest : public QObject {
  Q_OBJECT
 private slots:
  void flaggedFiguresCarryTheirMarkAndLastYearsValue() {
    Demo demo;
    if (!demo.Start("marks")) QSKIP("the demo report could not be generated");
    QVERIFY(demo.program->structure().Command(U("CompareLastYear"))->isEnabled());
    QVERIFY(demo.Compare());
    // The choice is the report's: kept beside its package.
    QCOMPARE(QString::fromStdString(ReadComparisonSettings(demo.state().currentFolder).lastYearFolder),
             QString::fromStdString(demo.lastYear));
    TF_Table* kadry = Open(*demo.program, "Kadry.ini");
    QVERIFY(kadry);
    QVERIFY(kadry->YearFlagged(Cell(kadry, 2, 3)));   // 300 -> 820
    QVERIFY(kadry->YearFlagged(Cell(kadry, 3, 3)));   // 0 -> 120
    QVERIFY(!kadry->YearFlagged(Cell(kadry, 2, 4)));  // the same both years
    QCOMPARE(FromCp1251(kadry->YearHintOf(Cell(kadry, 2, 3))),
             U("Прошлый год: 300\r\nИзменение: +173,3 %\r\nЗаметное изменение: рост более чем на 100 %"));
    QCOMPARE(FromCp1251(kadry->YearHintOf(Cell(kadry, 2, 4))), U("Прошлый год: 360\r\nИзменение: 0,0 %"));
    // A corrected figure loses its mark at once.
    Cell(kadry, 2, 3)->SetValue("450");
    kadry->RefreshCells();
    QVERIFY(!kadry->YearFlagged(Cell(kadry, 2, 3)));
    Cell(kadry, 2, 3)->SetValue("820");
    kadry->RefreshCells();
    QVERIFY(kadry->YearFlagged(Cell(kadry, 2, 3)));
    // Warnings only: the table's light stays as the checks set it.
    QCOMPARE(int(kadry->table().status), 1);

    if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) {
      TMainForm& frame = demo.program->frame();
      frame.setGeometry(QRect(0, 0, 1100, 700));
      frame.Optimize(kadry);
      QTest::qWait(300);
      kadry->GoToCell(5, 4);
      QTest::qWait(200);
      const TCell* cell = Cell(kadry, 2, 3);
      QWidget* canvas = kadry->DataCanvas();
      const QPoint at(cell->label.left + cell->label.width / 2, cell->label.top + cell->label.height / 2);
      QCursor::setPos(canvas->mapToGlobal(at));
      QTest::qWait(200);
      QHelpEvent help(QEvent::ToolTip, at, canvas->mapToGlobal(at));
      QApplication::sendEvent(canvas, &help);
      QTest::qWait(700);
      const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
      QVERIFY(screen.copy(frame.frameGeometry()).save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/year-tooltip.png"));
      QToolTip::hideText();
    }
  }

  // The dialog names last year's report and keeps the thresholds it shows.
  void theDialogGivesBackItsSettings() {
    ScriptedInteraction ui;
    ComparisonSettings none;
    TCompareDialog empty(none, "/", ui);
    QVERIFY(!empty.findChild<QPushButton*>("CompareButton")->isEnabled());
    ComparisonSettings settings{"/reports/2021/", {30, 20, false}};
    TCompareDialog dialog(settings, "/", ui);
    QVERIFY(dialog.findChild<QPushButton*>("CompareButton")->isEnabled());
    QCOMPARE(dialog.folderEdit()->text(), U("/reports/2021/"));
    QVERIFY(dialog.settings() == settings);
  }

  void aLineOfTheListBringsItsCellUp() {
    Demo demo;
    if (!demo.Start("list")) QSKIP("the demo report could not be generated");
    QVERIFY(demo.Compare());
    TF_Table* kadry = Open(*demo.program, "Kadry.ini");
    QVERIFY(kadry);
    TYearCompare& compare = demo.program->yearCompare();
    compare.ShowChanges(&demo.program->frame(), false);
    TFormYearChanges* changes = compare.changesWindow();
    QVERIFY(changes && changes->isVisible());
    // Kadry 2-3 and 3-3, Fin 3-4 (30000 -> 120000), the second department
    // (20 -> 120); the third went from 25 to 22 and stays unmarked.
    QCOMPARE(changes->list()->topLevelItemCount(), 4);
    int podr = -1;
    for (int i = 0; i < changes->list()->topLevelItemCount(); ++i)
      if (changes->list()->topLevelItem(i)->text(1) == U("строка 2, графа 6") &&
          changes->list()->topLevelItem(i)->text(2) == U("20"))
        podr = i;
    QVERIFY(podr >= 0);
    QCOMPARE(changes->list()->topLevelItem(podr)->text(4), U("+500,0 %"));

    if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) {
      QTest::qWait(300);
      QVERIFY(changes->grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/year-changes.png"));
    }
    // Enter on the line, as a keyboard user chooses it.
    changes->list()->setCurrentItem(changes->list()->topLevelItem(podr));
    changes->list()->setFocus();
    QTest::keyClick(changes->list(), Qt::Key_Return);
    TF_Table* active = demo.program->frame().ActiveTable();
    QVERIFY(active);
    QCOMPARE(TableNameOf(active->table().filePath), std::string("Podr"));
    QCOMPARE(active->CurrentCell(), Cell(active, 2, 6));
  }

  void chartsShowBothYearsAndAreSaved() {
    Demo demo;
    if (!demo.Start("charts", true)) QSKIP("the demo report could not be generated");
    QVERIFY(demo.Compare());
    const TYearComparison& comparison = demo.program->yearCompare().comparison();
    TTable& kadry = *demo.state().FindTable("Kadry.ini")->table;
    const std::vector<FigureColumn> columns = FigureColumns(kadry);
    QCOMPARE(int(columns.size()), 5);
    QCOMPARE(FromCp1251(columns.front().heading), U("Графа 3: Всего"));
    TFormYearCharts table(
        U("Таблица 2.1"), {U("Итоги таблицы"), FromCp1251(columns.front().heading)},
        [&](int choice) {
          return choice == 0 ? TableTotals(kadry, "Kadry.ini", &comparison)
                             : ColumnByRows(kadry, "Kadry.ini", 3, &comparison);
        },
        false);
    table.resize(900, 620);
    table.show();
    // The totals are the first row ("всего"); last year's first, from the bottom up.
    std::vector<std::vector<double>> bars = Bars(table.view());
    QCOMPARE(int(bars.size()), 2);
    QCOMPARE(bars[1].back(), 1070.0);  // this year's "Всего"
    QVERIFY(bars[0].back() > 900 && bars[0].back() < 1070);  // last year's stored total
    table.Choose(1);
    bars = Bars(table.view());
    QCOMPARE(int(bars[0].size()), 7);
    QCOMPARE(bars[0][5], 300.0);  // row 2, last year
    QCOMPARE(bars[1][5], 820.0);
    const std::string dir = demo.folder / "out/";
    std::filesystem::create_directories(dir);
    QVERIFY(table.SavePng(QString::fromStdString(dir + "chart.png")));
    QVERIFY(table.SaveSvg(QString::fromStdString(dir + "chart.svg")));
    QVERIFY(!QImage(QString::fromStdString(dir + "chart.png")).isNull());
    QSvgRenderer svg(QString::fromStdString(dir + "chart.svg"));
    QVERIFY(svg.isValid());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir + "chart.pdf"));
    QVERIFY(table.PrintOn(printer));
    QVERIFY(std::filesystem::file_size(dir + "chart.pdf") > 1000);

    const auto totals = ReadKeyTotals(demo.state().folders().templates);
    QCOMPARE(int(totals.size()), 8);
    TFormYearCharts summary(U("Основные показатели в сравнении с прошлым годом"), {},
                            [&](int) { return KeyTotalFigures(demo.state(), totals, &comparison); }, true);
    summary.resize(900, 620);
    summary.show();
    bars = Bars(summary.view());
    // Every key total found in both years, this year's in percent of last year's (the demo
    // report's figures grew by 7 %, its intellectual property stayed).
    QCOMPARE(int(bars[0].size()), 8);
    for (const double last : bars[0]) QCOMPARE(last, 100.0);
    for (const double now : bars[1]) QVERIFY2(now >= 100 && now < 115, QByteArray::number(now));

    if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) {
      const QString shots = qEnvironmentVariable("REPORT_GUI_SHOTS");
      QTest::qWait(300);
      QVERIFY(table.grab().save(shots + "/year-chart-column.png"));
      table.Choose(0);
      QTest::qWait(300);
      QVERIFY(table.grab().save(shots + "/year-chart-totals.png"));
      QVERIFY(summary.grab().save(shots + "/year-chart-summary.png"));
      QVERIFY(summary.SaveSvg(shots + "/year-chart-summary.svg"));
    }
  }
};

QTEST_MAIN(YearCompareTest)
#include "test_year_compare.moc"
