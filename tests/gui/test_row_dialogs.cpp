// The row dialogs as the core's row commands drive them: "Количество
// строк" with its limit of 100, and the sort dialog whose right list gives
// the order of the sort keys.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "core/foundation/codec.h"
#include "core/tables/row_operations.h"
#include "core/tables/row_test_util.h"
#include "gui/foundation/qt_text.h"
#include "gui/tables/row_dialogs.h"
#include "support/scripted_interaction.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::literals;
using rpt::testing::GrowingTable;
using rpt::testing::ScriptedInteraction;

namespace {

// Runs `act` on the modal dialog of type D once it is shown.
template <class D, class F>
void WhenShown(F act) {
  QTimer::singleShot(0, [act] {
    if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) act(d);
    else WhenShown<D>(act);
  });
}

void Type(QSpinBox* spin, const QString& text) {
  spin->selectAll();
  QTest::keyClicks(spin, text);
}

}  // namespace

class RowDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void rowCountRefusesMoreThanAHundred() {
    ScriptedInteraction ui;
    RowCountSpin spin(&ui);
    TF_InsRowCount dialog(spin);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), FromCp1251("Количество строк"_w));
    QCOMPARE(dialog.Spin()->value(), 1);
    QCOMPARE(dialog.ExecuteButton()->text(), FromCp1251("Выполнить"_w));
    QCOMPARE(dialog.CancelButton()->text(), FromCp1251("Отменить"_w));

    // The arrows stop at 100.
    dialog.Spin()->setValue(99);
    dialog.Spin()->stepBy(5);
    QCOMPARE(dialog.Spin()->value(), 100);

    // Leaving the field with 150: the warning, the focus stays in the field.
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.Spin()->setFocus();
    Type(dialog.Spin(), "150");
    QTest::keyClick(dialog.Spin(), Qt::Key_Tab);
    QCOMPARE(ui.MessageTexts(), std::vector<std::string>{std::string(RowCountLimitWarning())});
    QCOMPARE(ui.messages[0].kind, MessageKind::Warning);
    QVERIFY(dialog.Spin()->hasFocus());

    // "Выполнить" with 150: the warning, the dialog stays open.
    dialog.ExecuteClick();
    QCOMPARE(ui.messages.size(), std::size_t{2});
    QVERIFY(dialog.isVisible());

    // Enter with 150: the warning again, the field set to 100, still open.
    Type(dialog.Spin(), "150");
    QTest::keyClick(dialog.Spin(), Qt::Key_Return);
    QCOMPARE(ui.messages.size(), std::size_t{3});
    QCOMPARE(dialog.Spin()->value(), 100);
    QVERIFY(dialog.isVisible());

    // Enter with 100 confirms.
    QTest::keyClick(dialog.Spin(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(spin.value, 100.0);
    QCOMPARE(ui.messages.size(), std::size_t{3});
  }

  void askRowCountThroughTheDialog() {
    ScriptedInteraction ui;
    QtRowDialogs dialogs;
    WhenShown<TF_InsRowCount>([](TF_InsRowCount* d) {
      Type(d->Spin(), "7");
      d->ExecuteButton()->click();
    });
    QCOMPARE(AskRowCount(&ui, dialogs), 7);
    WhenShown<TF_InsRowCount>([](TF_InsRowCount* d) {
      Type(d->Spin(), "7");
      d->CancelButton()->click();
    });
    QCOMPARE(AskRowCount(&ui, dialogs), 0);
    QVERIFY(ui.messages.empty());
  }

  void sortDialogMovesColumnsInTheOrderChosen() {
    TF_SortColumns dialog({"1", "2", "4", "6"});
    QCOMPARE(dialog.windowTitle(), FromCp1251("Выбор столбцов для сортировки"_w));
    QCOMPARE(dialog.SortButton()->text(), FromCp1251("Сортировать"_w));
    QCOMPARE(dialog.HelpButton()->text(), FromCp1251("Справка"_w));
    int helpTopic = 0;
    dialog.SetHelp([&](int topic) { helpTopic = topic; });
    dialog.HelpButton()->click();
    QCOMPARE(helpTopic, 2003);

    auto pick = [](QListWidget* list, const QString& text) {
      list->clearSelection();
      list->findItems(text, Qt::MatchExactly).front()->setSelected(true);
    };
    pick(dialog.Available(), "4");
    dialog.MoveRight();
    pick(dialog.Available(), "1");
    dialog.MoveRight();
    QCOMPARE(dialog.ChosenColumns(), (std::vector<std::string>{"4", "1"}));
    QCOMPARE(dialog.Available()->count(), 2);
    QCOMPARE(dialog.Available()->item(0)->text(), QString("2"));

    pick(dialog.Chosen(), "4");
    dialog.MoveLeft();
    QCOMPARE(dialog.ChosenColumns(), std::vector<std::string>{"1"});
    // Lists are not sorted: a column moved back goes to the end.
    QCOMPARE(dialog.Available()->item(2)->text(), QString("4"));
    dialog.MoveAllRight();
    QCOMPARE(dialog.ChosenColumns(), (std::vector<std::string>{"1", "2", "6", "4"}));
    dialog.MoveAllLeft();
    QVERIFY(dialog.ChosenColumns().empty());

    if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) {
      TF_SortColumns shot({"1", "2", "3", "5", "6", "7"});
      shot.Available()->clearSelection();
      shot.Available()->item(2)->setSelected(true);
      shot.MoveRight();
      shot.Available()->clearSelection();
      shot.Available()->item(0)->setSelected(true);
      shot.MoveRight();
      shot.show();
      QVERIFY(QTest::qWaitForWindowExposed(&shot));
      shot.grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/sort-dialog.png");
    }
  }

  void sortCommandUsesTheChosenOrder() {
    constexpr std::uint8_t N = cell_type::kRowNumber, T = cell_type::kText, I = cell_type::kInteger;
    GrowingTable g{{N, T, I}, {{"", "b", "2"}, {"", "a", "2"}, {"", "c", "1"}}};
    ScriptedInteraction ui;
    QtRowDialogs dialogs;
    // Column 3 first, then column 2.
    WhenShown<TF_SortColumns>([](TF_SortColumns* d) {
      QCOMPARE(d->Available()->count(), 2);
      d->Available()->clearSelection();
      d->Available()->item(1)->setSelected(true);
      d->MoveRight();
      d->MoveAllRight();
      d->SortButton()->click();
    });
    QVERIFY(SortRowsCommand(g.table, &ui, dialogs));
    QCOMPARE(g.Column(2), (std::vector<std::string>{"c", "a", "b"}));

    // Cancelled: nothing sorted, no message.
    WhenShown<TF_SortColumns>([](TF_SortColumns* d) { d->CancelButton()->click(); });
    QVERIFY(!SortRowsCommand(g.table, &ui, dialogs));
    // "Сортировать" with nothing chosen: the core's warning.
    WhenShown<TF_SortColumns>([](TF_SortColumns* d) { d->SortButton()->click(); });
    QVERIFY(!SortRowsCommand(g.table, &ui, dialogs));
    QCOMPARE(ui.MessageTexts(), std::vector<std::string>{std::string(NoSortColumnsWarning())});
    QCOMPARE(g.Column(2), (std::vector<std::string>{"c", "a", "b"}));
  }
};

QTEST_MAIN(RowDialogsTest)
#include "test_row_dialogs.moc"
