// The check protocol window over the checker: table mode docked in the
// frame with the named cells highlighted, report mode as a free window with
// "Таблица" finding the table of a line, the file and print buttons, and
// the two summaries before sending.
#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "core/calc/check_status.h"
#include "core/calc/check_test_tables.h"
#include "core/foundation/codec.h"
#include "gui/calc/protocol_window.h"
#include "gui/calc/summary_dialogs.h"
#include "gui/foundation/qt_text.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::checks;
using namespace rpt::gui;
using rpt::testing::ScriptedInteraction;
using rpt::testing::TempFolder;
namespace ct = rpt::cell_type;

namespace {


int LineContaining(const QListWidget* list, const QString& text) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text().contains(text)) return i;
  return -1;
}

// Selected cells as "r-c" texts, rows 1..RowCount.
QStringList Highlighted(const TTable& t) {
  QStringList out;
  for (int r = 1; r <= t.RowCount; ++r)
    for (int c = 1; c <= t.ColCount; ++c)
      if (GetCell(t.data, c, r)->label.selected) out << QString("%1-%2").arg(r).arg(c);
  return out;
}

// Two growing tables with errors: "Grid" fails its row rule in row 3 (cell
// 3-4) and has a text without data in row 7; "Staff" has a text without data
// in row 1.
struct Report {
  TempFolder dir;
  TableContext context;
  TableChecker checker;
  ScriptedInteraction ui;
  std::unique_ptr<TTable> grid, staff;
  Report() {
    checker.OpenRules(dir.Write("Check.chk", Utf8ToCp1251("[Grid]\r\nCount=1\r\n1=(* 4) >= (* 3);Меньше\r\n\r\n")));
    std::vector<std::vector<rpt::testing::CellSpec>> rows(
        8, {{ct::kText, ""}, {ct::kInteger, ""}, {ct::kInteger, ""}, {ct::kInteger, ""}});
    rows[2][0].text = "Лаборатория";
    rows[2][2].text = "5";
    rows[2][3].text = "1";
    rows[6][0].text = "Отдел";
    grid = rpt::testing::MakeGridTable(context, dir / "Grid.ini", rows, /*growing=*/true);
    staff = rpt::testing::MakeGridTable(context, dir / "Staff.ini", {{{ct::kText, "Кто-то"}, {ct::kInteger, ""}}},
                                        /*growing=*/true);
    for (TTable* t : {grid.get(), staff.get()}) t->hasRules = checker.HasRules(t->tableName);
    checker.SetTables({{grid.get(), Utf8ToCp1251("2.1. Сетка")}, {staff.get(), Utf8ToCp1251("3.1. Штат")}});
    checker.CheckAllTables();
  }
};

}  // namespace

class ProtocolWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void tableModeHighlightsTheNamedCells() {
    Report r;
    QCOMPARE(r.grid->status, std::uint8_t{kErrors});
    QMainWindow frame;
    auto* dock = new QDockWidget(&frame);
    frame.addDockWidget(Qt::BottomDockWidgetArea, dock);
    frame.show();
    dock->hide();
    TFormProtocol window(r.checker, r.ui, &frame);
    window.SetDock(dock);
    std::vector<TTable*> highlight;
    QObject::connect(&window, &TFormProtocol::highlightChanged, [&](TTable* t) { highlight.push_back(t); });
    QSignalSpy closed(&window, &TFormProtocol::closed);

    QVERIFY(r.checker.CheckTableAction(*r.grid));
    QVERIFY(dock->isVisible());
    QCOMPARE(dock->widget(), &window);
    QCOMPARE(dock->windowTitle(), U("Протокол проверки"));
    QVERIFY(!window.FreeWindow()->isVisible());
    QCOMPARE(window.List()->count(), 2);
    QCOMPARE(window.List()->currentRow(), 0);
    QCOMPARE(window.Detail()->toPlainText(), window.List()->item(0)->text());
    QVERIFY(!window.TableButton()->isEnabled());
    QVERIFY(!window.PrintButton()->isEnabled());
    QCOMPARE(window.TableButton()->toolTip(), U("Перейти к таблице с замечаниями"));
    QCOMPARE(window.ExitButton()->toolTip(), U("Закрыть протокол"));

    const int cellLine = LineContaining(window.List(), U(". Ячейка (3-4)"));
    const int rowLine = LineContaining(window.List(), U(". Строка 7 "));
    QVERIFY(cellLine >= 0 && rowLine >= 0);
    window.List()->setCurrentRow(cellLine);
    // The cell of the message and the one its rule compared it with.
    QCOMPARE(Highlighted(*r.grid), (QStringList{"3-3", "3-4"}));
    window.List()->setCurrentRow(rowLine);
    QCOMPARE(Highlighted(*r.grid), (QStringList{"7-1", "7-2", "7-3", "7-4"}));
    QCOMPARE(window.Detail()->toPlainText(), window.List()->item(rowLine)->text());
    QVERIFY(highlight.size() >= 2);
    QCOMPARE(highlight.back(), r.grid.get());

    // Another table's refresh with status 3 takes the window over.
    r.checker.CheckTableAction(*r.staff);
    QVERIFY(Highlighted(*r.grid).isEmpty());
    QCOMPARE(Highlighted(*r.staff), (QStringList{"1-1", "1-2"}));

    window.ExitButton()->click();
    QVERIFY(!dock->isVisible());
    QVERIFY(Highlighted(*r.staff).isEmpty());
    QCOMPARE(highlight.back(), r.staff.get());
    QCOMPARE(closed.count(), 1);
    QVERIFY(!r.checker.protocolView().showing);
    QVERIFY(r.ui.messages.empty());
  }

  void reportModeFindsTheTableOfALine() {
    Report r;
    TFormProtocol window(r.checker, r.ui);
    QSignalSpy requested(&window, &TFormProtocol::tableRequested);
    r.checker.ShowProtocol(nullptr, false);
    QDialog* free = window.FreeWindow();
    QVERIFY(free->isVisible());
    QCOMPARE(free->windowTitle(), U("Протокол проверки"));
    QVERIFY(free->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(window.TableButton()->isEnabled());

    struct Case {
      const char* line;  // a text of the line
      const char* target;
    } cases[] = {{"-----", "2.1. Сетка"}, {". Строка 7", "2.1. Сетка"}, {"3.1. Штат", "3.1. Штат"}};
    for (const Case& c : cases) {
      const int line = LineContaining(window.List(), U(c.line));
      QVERIFY(line >= 0);
      window.List()->setCurrentRow(line);
      QVERIFY2(window.TableButton()->isEnabled(), c.line);
      QCOMPARE(QString::fromStdString(Cp1251ToUtf8(*r.checker.protocolView().targetCaption)), U(c.target));
    }
    // The two-blank separator line has no table.
    const auto separators = window.List()->findItems("  ", Qt::MatchExactly);
    QCOMPARE(separators.size(), 1);
    window.List()->setCurrentItem(separators.front());
    QVERIFY(!window.TableButton()->isEnabled());

    window.List()->setCurrentRow(LineContaining(window.List(), U(". Строка 1 ")));
    window.TableButton()->click();
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.front().at(0).toString(), U("3.1. Штат"));
    QVERIFY(!free->isVisible());
    QVERIFY(!r.checker.protocolView().showing);

    // Modal from the structure window's "Проверка": the loop ends with "Выход".
    QTimer::singleShot(0, &window, [&window] { window.ExitButton()->click(); });
    r.ui.answers.push_back(kYes);
    QVERIFY(!r.checker.CheckReport(r.ui));
    QVERIFY(!free->isVisible());
    QCOMPARE(r.ui.MessageTexts(), std::vector<std::string>{std::string(texts::kShowProtocolQuestion)});
  }

  void fileAndPrintWriteTheLines() {
    Report r;
    TFormProtocol window(r.checker, r.ui);
    window.SetServiceFolder(r.dir.path());
    bool printable = true;
    window.SetPrintEnabled([&] { return printable; });
    r.checker.ShowProtocol(nullptr, false);
    QVERIFY(window.PrintButton()->isEnabled());

    r.ui.pickerAnswers.push_back(r.dir / "saved");
    window.FileButton()->click();
    QCOMPARE(rpt::testing::ReadFile(r.dir / "saved.txt"), r.checker.ProtocolFileText());
    // Written for a person on this desktop: UTF-8 lines ended by LF.
    const QString saved = QString::fromStdString(rpt::testing::ReadFile(r.dir / "saved.txt"));
    QVERIFY(!saved.contains(QLatin1Char('\r')));
    QCOMPARE(saved.split(QLatin1Char('\n')).value(0), FromCp1251(r.checker.protocolView().lines.at(0)));

    window.PrintButton()->click();
    QCOMPARE(rpt::testing::ReadFile(r.dir / "T.txt"), r.checker.ProtocolFileText());
    QCOMPARE(r.ui.shellRequests, std::vector<std::string>{"open " + r.dir / "T.txt"});
    QVERIFY(r.ui.messages.empty());
    window.ExitButton()->click();
  }

  void summariesListTheTablesAndAnswer() {
    Report r;
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(d);
      QCOMPARE(d->windowTitle(), U("Таблицы с замечаниями"));
      auto* list = d->findChild<QListWidget*>("SummaryList");
      QCOMPARE(list->currentRow(), 4);
      QCOMPARE(list->item(4)->text(), U("  1. 2.1. Сетка"));
      for (QPushButton* b : d->findChildren<QPushButton*>())
        if (b->text() == U("Подробности")) b->click();
    });
    QCOMPARE(ShowErrorsSummary(r.checker.ErrorsSummaryLines()), ErrorsSummaryAnswer::Details);
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(d);
      QCOMPARE(d->windowTitle(), U("Пустые таблицы"));
      d->reject();  // closing cancels the sending
    });
    QCOMPARE(ShowEmptySummary(r.checker.EmptySummaryLines()), EmptySummaryAnswer::Cancel);
  }
};

QTEST_MAIN(ProtocolWindowTest)
#include "test_protocol_window.moc"
