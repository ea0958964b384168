// The list window over a table: picking a row into the bound cells,
// positioning in a grouped list, the search with its wrap and message, the
// layout stored back and the placement beside the cell.
#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "core/foundation/codec.h"
#include "core/foundation/my_ini_file.h"
#include "core/lists/list_test_util.h"
#include "core/lists/list_view_model.h"
#include "core/tables/row_test_util.h"
#include "gui/foundation/qt_text.h"
#include "gui/lists/list_window.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::literals;
using rpt::testing::GrowingTable;
using rpt::testing::ScriptedInteraction;
using rpt::testing::TempFolder;
using rpt::testing::Win;

namespace {

constexpr std::uint8_t N = cell_type::kRowNumber, L = cell_type::kListValue, T = cell_type::kText;


// Types Cyrillic text as a user would (QTest types only Latin keys).
void Type(QWidget* w, const QString& text) {
  for (const QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &release);
  }
}

QString Text(const QTableWidget* grid, int row, int col) { return grid->item(row, col)->text(); }

// A row of list cells bound to "L1.lst" (the name GrowingTable gives them).
struct ListFixture {
  TempFolder folder;
  ScriptedInteraction ui;
  GrowingTable g{{N, L, L, T, T}, {{}, {}}};
  std::string path;
  explicit ListFixture(const std::string& listText) {
    path = folder.Write("L1.lst", listText);
    g.ctx.listFolder = folder.path();
    g.Cell(1, 2).BObj = 502;
    g.Cell(1, 3).BObj = 501;
    g.Cell(1, 4).List = "L1.lst";
  }
};

}  // namespace

class ListWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void pickingARowFillsTheBoundCells() {
    ListFixture f(testing::FlatListFile());
    TFormList window(f.ui);
    QCOMPARE(ListPathOf(f.g.ctx.listFolder, f.g.Cell(1, 2)), f.path);
    QVERIFY(window.Open(f.path, f.g.table, f.g.Cell(1, 2)));
    QCOMPARE(window.windowTitle(), U("Организации"));
    QVERIFY(window.Tree()->isHidden());
    QCOMPARE(window.Grid()->rowCount(), 3);
    QCOMPARE(window.Grid()->horizontalHeaderItem(1)->text(), U("Вуз"));
    QCOMPARE(window.SelectedRow(), 0);

    QSignalSpy filled(&window, &TFormList::cellFilled);
    QSignalSpy picked(&window, &TFormList::picked);
    window.Grid()->selectRow(1);
    QTest::keyClick(window.Grid(), Qt::Key_Return);
    QCOMPARE(picked.count(), 1);
    QCOMPARE(filled.count(), 3);
    QVERIFY(!window.isVisible());
    QCOMPARE(f.g.Cell(1, 2).label.caption, Win("ТГУ"));
    QCOMPARE(f.g.Cell(1, 3).label.caption, Win("Томск"));
    QCOMPARE(f.g.Cell(1, 4).label.caption, Win("Томск"));
    QCOMPARE(f.g.Cell(1, 2).BVal, 22);
    QCOMPARE(f.g.Cell(1, 3).BVal, 21);
    QCOMPARE(f.g.Cell(1, 2).BList, 200);
    QCOMPARE(f.g.Cell(1, 2).ListCode, 77);
    QCOMPARE(f.g.Cell(1, 5).label.caption, std::string());

    // Opened again on the filled cell: positioned on its value.
    QVERIFY(window.Open(f.path, f.g.table, f.g.Cell(1, 3)));
    QCOMPARE(window.SelectedRow(), 1);
    QVERIFY(!window.Open(f.folder / "missing.lst", f.g.table, f.g.Cell(1, 2)));
    window.close();

    // Modal, as the table window shows it: a double click picks.
    QTimer::singleShot(0, &window, [&window] {
      QCOMPARE(QApplication::activeModalWidget(), &window);
      window.Grid()->cellDoubleClicked(2, 0);
    });
    QVERIFY(window.ShowFor(f.path, f.g.table, f.g.Cell(1, 2)));
    QCOMPARE(f.g.Cell(1, 3).label.caption, Win("Омск"));
    QCOMPARE(picked.count(), 2);
  }

  void groupedListPositionsOnTheCurrentValue() {
    ListFixture f(testing::TwoLevelListFile());
    TFormList window(f.ui);
    TCell& cell = f.g.Cell(1, 2);
    cell.BObj = 601;
    cell.BVal = 3;
    cell.label.caption = Win("ОмГУ");
    QVERIFY(window.Open(f.path, f.g.table, cell));
    QVERIFY(!window.Tree()->isHidden());
    QTreeWidgetItem* root = window.Tree()->topLevelItem(0);
    QCOMPARE(root->text(0), U("Список значений"));
    QCOMPARE(root->childCount(), 1);  // the group counted 0 and the broken one are left out
    QCOMPARE(window.Tree()->currentItem()->text(0), U("Омская"));
    QVERIFY(!window.Grid()->isHidden());
    QCOMPARE(window.Grid()->rowCount(), 1);
    QCOMPARE(window.SelectedRow(), 0);

    // "BVal" -1: the first row whose text matches.
    cell.BVal = -1;
    cell.label.caption = Win("ТПУ");
    QVERIFY(window.Open(f.path, f.g.table, cell));
    QCOMPARE(window.Tree()->currentItem()->text(0), U("Томская"));
    QCOMPARE(window.SelectedRow(), 1);

    // Not in the list: the first group, collapsed; no rows on its level.
    cell.label.caption = Win("Нет такого");
    QVERIFY(window.Open(f.path, f.g.table, cell));
    QCOMPARE(window.Tree()->currentItem()->text(0), U("Сибирь"));
    QVERIFY(!window.Tree()->currentItem()->isExpanded());
    QVERIFY(window.Grid()->isHidden());
    QCOMPARE(window.SelectedRow(), -1);
    QVERIFY(!window.Pick());
  }

  void searchWrapsAndReportsNoHit() {
    ListFixture f(testing::FlatListFile());
    TFormList window(f.ui);
    QVERIFY(window.Open(f.path, f.g.table, f.g.Cell(1, 2)));
    QCOMPARE(window.SearchLabel()->text(), U("Поиск по колонке \"Вуз\""));
    QVERIFY(!window.FindNextButton()->isEnabled());

    // Typing starts below the selected row; lower case finds capitals.
    Type(window.SearchEdit(), U("гу"));
    QVERIFY(window.FindNextButton()->isEnabled());
    QCOMPARE(Text(window.Grid(), window.SelectedRow(), 1), U("ОмГУ"));
    std::vector<int> rows;
    for (int i = 0; i < 3; ++i) {
      window.FindNextButton()->click();
      rows.push_back(window.SelectedRow());
    }
    QCOMPARE(rows, (std::vector<int>{0, 1, 2}));  // wrapped to the top
    QVERIFY(f.ui.messages.empty());

    // Every keystroke searches: one letter that no row of the column holds.
    window.SearchEdit()->clear();
    Type(window.SearchEdit(), U("я"));
    QCOMPARE(f.ui.MessageTexts(), std::vector<std::string>{Win("Поиск закончен. Искомый текст не найден.")});
    QCOMPARE(f.ui.messages[0].kind, MessageKind::Information);
    QCOMPARE(window.SelectedRow(), 2);  // the selection stays

    // A click on the first heading searches the first column.
    window.Grid()->horizontalHeader()->sectionClicked(0);
    QCOMPARE(window.SearchLabel()->text(), U("Поиск по колонке \"Город\""));
    window.SearchEdit()->clear();
    Type(window.SearchEdit(), U("ск"));
    // "с" went round from the last row to "Москва", "ск" on from there.
    QCOMPARE(window.SelectedRow(), 1);
    window.FindNextButton()->click();
    QCOMPARE(window.SelectedRow(), 2);
    QCOMPARE(f.ui.messages.size(), std::size_t{1});
  }

  void layoutIsStoredIntoTheListFile() {
    ListFixture f(testing::FlatListFile());
    auto window = std::make_unique<TFormList>(f.ui);
    QVERIFY(window->Open(f.path, f.g.table, f.g.Cell(1, 2)));
    QVERIFY(window->minimumWidth() >= 2 * 50 + 10);
    window->resize(420, 260);
    window->Grid()->horizontalHeader()->sectionClicked(0);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    QCOMPARE(f.g.Cell(1, 2).label.caption, std::string());  // Esc picks nothing
    QVERIFY(window->Grid()->columnWidth(1) >= 50);
    const int gridWidth = window->Grid()->width();
    const int lastColumn = window->Grid()->columnWidth(1);
    // Written back when the list is let go of.
    window.reset();
    TMyIniFile ini(f.path);
    const std::string head = Win("Список");
    QCOMPARE(ini.ReadInteger(head, Win("Ширина"), 0), gridWidth);
    QCOMPARE(ini.ReadInteger(head, Win("Высота"), 0), 260);
    QCOMPARE(ini.ReadInteger(head, Win("ШиринаДерева"), -1), 0);
    QCOMPARE(ini.ReadInteger(head, Win("Поиск"), -1), 0);
    QCOMPARE(ini.ReadInteger(head, Win("Ширина_1"), 0), 120);
    QCOMPARE(ini.ReadInteger(head, Win("Ширина_2"), 0), lastColumn);
    QCOMPARE(ini.ReadString("0", "0_3_2", ""), Win("ОмГУ"));
    ini.DiscardChanges();
  }

  void opensUnderTheCellOrAboveIt() {
    ListFixture f(testing::FlatListFile());
    TFormList window(f.ui);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(window.Open(f.path, f.g.table, f.g.Cell(1, 2), QRect(100, 100, 80, 20)));
    QCOMPARE(window.frameGeometry().top(), 120);
    QCOMPARE(window.frameGeometry().left(), 100);
    // Near the bottom right corner: above the cell, shifted left.
    window.PlaceAt(QRect(screen.right() - 40, screen.bottom() - 30, 80, 20));
    QCOMPARE(window.frameGeometry().bottom(), screen.bottom() - 31);
    QCOMPARE(window.frameGeometry().right(), screen.right());
  }

  void screenshot() {
    if (!qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) QSKIP("REPORT_GUI_SHOTS not set");
    TempFolder folder;
    const std::string path = folder.Write(
        "L1.lst",
        Win("[Список]\nListCode=12\nУровней=2\nКолНаУровне1=2\nПолей=2\nШирина_1=190\nШирина_2=0\n"
            "ШиринаДерева=180\nШирина=330\nВысота=300\n1.LC=501\n2.LC=502\nПоиск=0\n\n"
            "[Заголовок]\nСписок=Организации\nПоле_1=Организация\nПоле_2=Город\n\n"
            "[1]\n0_1=Сибирский округ%10%2\n0_2=Центральный округ%20%1\n\n"
            "[2]\n10_1=Томская область%31%3\n10_2=Омская область%32%1\n20_1=Москва%33%2\n\n"
            "[0]\n"
            "31_1_1=Томский государственный университет\n31_1_1.BV=1\n31_1_2=Томск\n31_1_2.BV=2\n31_1.BL=1\n"
            "31_2_1=Томский политехнический университет\n31_2_1.BV=3\n31_2_2=Томск\n31_2_2.BV=4\n31_2.BL=2\n"
            "31_3_1=Сибирский медицинский университет\n31_3_1.BV=5\n31_3_2=Томск\n31_3_2.BV=6\n31_3.BL=3\n"
            "32_1_1=Омский государственный университет\n32_1_1.BV=7\n32_1_2=Омск\n32_1_2.BV=8\n32_1.BL=4\n"
            "33_1_1=Московский университет\n33_1_1.BV=9\n33_1_2=Москва\n33_1_2.BV=10\n33_1.BL=5\n"
            "33_2_1=Физико-технический институт\n33_2_1.BV=11\n33_2_2=Долгопрудный\n33_2_2.BV=12\n33_2.BL=6\n\n"));
    ScriptedInteraction ui;
    GrowingTable g{{N, L, L}, {{"", "", ""}}};
    g.ctx.listFolder = folder.path();
    g.Cell(1, 2).BObj = 501;
    g.Cell(1, 2).BVal = 3;
    g.Cell(1, 2).label.caption = Win("Томский политехнический университет");
    TFormList window(ui);
    QVERIFY(window.Open(path, g.table, g.Cell(1, 2), QRect(60, 40, 200, 20)));
    window.Tree()->expandAll();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);
    window.grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/list-window.png");
  }
};

QTEST_MAIN(ListWindowTest)
#include "test_list_window.moc"
