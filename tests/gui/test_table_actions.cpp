// The enabled rules of the tables frame's actions, as a table: each case
// lists every state that is on; all others must be off.
#include <QTest>

#include "gui/tables/table_actions.h"

using namespace rpt::gui;

Q_DECLARE_METATYPE(rpt::gui::TableActionInputs)

namespace {

QStringList On(const TableActionStates& s) {
  const std::pair<const char*, bool> all[] = {
      {"frame", s.frame}, {"open", s.open}, {"first", s.first}, {"previous", s.previous}, {"next", s.next},
      {"last", s.last}, {"cascade", s.cascade}, {"cascadeMenu", s.cascadeMenu}, {"minimizeAll", s.minimizeAll},
      {"minimizeAllMenu", s.minimizeAllMenu}, {"keepActive", s.keepActive}, {"save", s.save},
      {"recalc", s.recalc}, {"fillZeros", s.fillZeros}, {"sort", s.sort}, {"deleteEmptyRows", s.deleteEmptyRows},
      {"print", s.print}, {"loadClean", s.loadClean}, {"loadLastEdition", s.loadLastEdition},
      {"reloadButton", s.reloadButton}, {"optimizeAll", s.optimizeAll}, {"optimize", s.optimize},
      {"instruction", s.instruction}, {"check", s.check}, {"viewMenu", s.viewMenu}};
  QStringList on;
  for (const auto& [name, value] : all)
    if (value) on << QString::fromLatin1(name);
  return on;
}

QStringList Split(const char* names) { return QString::fromLatin1(names).split(' ', Qt::SkipEmptyParts); }

// Five table windows, the third one shown and active, nothing marked.
TableActionInputs Middle() {
  TableActionInputs in;
  in.windows = 5;
  in.shown = 1;
  in.hasActive = true;
  in.activeIndex = 2;
  return in;
}

// What a shown, active, unmarked table in the middle enables.
const char* kShown =
    "frame open first previous next last cascade cascadeMenu minimizeAll minimizeAllMenu keepActive print "
    "loadClean loadLastEdition reloadButton optimizeAll optimize instruction viewMenu";

}  // namespace

class TableActionsTest : public QObject {
  Q_OBJECT
 private slots:
  void rules_data() {
    QTest::addColumn<TableActionInputs>("inputs");
    QTest::addColumn<QStringList>("on");

    QTest::newRow("no report") << TableActionInputs{} << QStringList();

    TableActionInputs hidden;
    hidden.windows = 5;
    QTest::newRow("all hidden, none active") << hidden << Split("frame open first previous next last");

    // Qt keeps the last child active while it is hidden: the window actions
    // follow the active child, the table actions the shown ones.
    TableActionInputs hiddenActive = hidden;
    hiddenActive.hasActive = true;
    hiddenActive.activeIndex = 0;
    QTest::newRow("all hidden, one still active")
        << hiddenActive << Split("frame open first previous next last cascade minimizeAll");

    QTest::newRow("middle table") << Middle() << Split(kShown);

    TableActionInputs first = Middle();
    first.activeIndex = 0;
    QStringList firstOn = Split(kShown);
    firstOn.removeAll("first");
    firstOn.removeAll("previous");
    QTest::newRow("first table") << first << firstOn;

    TableActionInputs last = Middle();
    last.activeIndex = 4;
    QStringList lastOn = Split(kShown);
    lastOn.removeAll("next");
    lastOn.removeAll("last");
    QTest::newRow("last table") << last << lastOn;

    TableActionInputs only = Middle();
    only.windows = 1;
    only.activeIndex = 0;
    QStringList onlyOn = Split(kShown);
    for (const char* off : {"first", "previous", "next", "last"}) onlyOn.removeAll(off);
    QTest::newRow("the only table") << only << onlyOn;

    TableActionInputs marked = Middle();
    marked.modified = marked.hasFormulas = marked.hasNumbers = marked.growing = marked.protocolHasMessages = true;
    QStringList markedOn = Split(kShown);
    markedOn << "save" << "recalc" << "fillZeros" << "sort" << "deleteEmptyRows" << "check";
    QTest::newRow("modified growing table with formulas, numbers, remarks") << marked << markedOn;

    // Marks of a table that is not shown enable nothing.
    TableActionInputs hiddenMarked = hidden;
    hiddenMarked.modified = hiddenMarked.growing = hiddenMarked.protocolHasMessages = true;
    QTest::newRow("marks while all hidden") << hiddenMarked << Split("frame open first previous next last");

    TableActionInputs shownInactive = Middle();
    shownInactive.hasActive = false;
    shownInactive.activeIndex = -1;
    QStringList inactiveOn = Split(kShown);
    for (const char* off : {"first", "previous", "cascade", "minimizeAll", "keepActive"})
      inactiveOn.removeAll(off);
    QTest::newRow("shown, none active") << shownInactive << inactiveOn;
  }

  void rules() {
    QFETCH(TableActionInputs, inputs);
    QFETCH(QStringList, on);
    QStringList actual = On(RefreshTableActions(inputs));
    actual.sort();
    on.sort();
    QCOMPARE(actual, on);
  }
};

QTEST_MAIN(TableActionsTest)
#include "test_table_actions.moc"
