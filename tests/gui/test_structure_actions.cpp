// The enabled and visible rules of the structure window's commands, as a
// table: each case lists every state that is on; all others must be off.
#include <QTest>

#include "gui/report/structure_actions.h"

using namespace rpt::gui;

Q_DECLARE_METATYPE(rpt::gui::StructureInputs)

namespace {

QStringList On(const StructureStates& s) {
  const std::pair<const char*, bool> all[] = {
      {"saveAs", s.saveAs}, {"save", s.save}, {"remove", s.remove}, {"colors", s.colors},
      {"history", s.history}, {"edit", s.edit}, {"data", s.data}, {"importVisible", s.importVisible},
      {"lastYearVisible", s.lastYearVisible}, {"lastYear", s.lastYear}, {"thisYearVisible", s.thisYearVisible},
      {"thisYear", s.thisYear}, {"exportMenu", s.exportMenu}, {"word", s.word}, {"excel", s.excel},
      {"check", s.check}, {"subreportVisible", s.subreportVisible}, {"structure", s.structure},
      {"correction", s.correction}, {"transfer", s.transfer}, {"include", s.include},
      {"includedList", s.includedList}, {"printSelected", s.printSelected}, {"printAll", s.printAll},
      {"blank", s.blank}, {"printAllSubreportCaption", s.printAllSubreportCaption}, {"sending", s.sending},
      {"internet", s.internet}, {"email", s.email}, {"siteVisible", s.siteVisible}, {"lights", s.lights},
      {"legend", s.legend}, {"tablesFrame", s.tablesFrame}};
  QStringList on;
  for (const auto& [name, value] : all)
    if (value) on << QString::fromLatin1(name);
  return on;
}

// A full report with open tables, a printer, a table item selected.
StructureInputs Base() {
  StructureInputs in;
  in.treeVisible = true;
  in.tablesOpen = true;
  in.printerInstalled = true;
  in.selected = NodeKind::Table;
  in.recentEmpty = false;
  return in;
}

QStringList Split(const char* names) { return QString::fromLatin1(names).split(' ', Qt::SkipEmptyParts); }

const char* kRootSelected =
    "saveAs remove colors history data importVisible lastYear thisYearVisible thisYear exportMenu word excel "
    "check subreportVisible structure correction include includedList printSelected printAll sending internet "
    "email siteVisible lights legend tablesFrame";

}  // namespace

class StructureActionsTest : public QObject {
  Q_OBJECT
 private slots:
  void rules_data() {
    QTest::addColumn<StructureInputs>("inputs");
    QTest::addColumn<QStringList>("on");

    StructureInputs none;
    none.recentEmpty = true;
    QTest::newRow("no report, empty history")
        << none
        << Split("importVisible lastYear thisYearVisible thisYear subreportVisible structure correction internet "
                 "email siteVisible legend");

    StructureInputs root = Base();
    root.selected = NodeKind::Root;
    QTest::newRow("root selected") << root << Split(kRootSelected);

    QStringList table = Split(kRootSelected);
    table << "edit" << "blank";
    QTest::newRow("table item") << Base() << table;

    StructureInputs doc = Base();
    doc.selected = NodeKind::Document;
    QStringList docOn = Split(kRootSelected);
    docOn.removeAll("excel");
    docOn << "edit";
    QTest::newRow("document item") << doc << docOn;

    StructureInputs excluded = Base();
    excluded.selectedExcluded = true;
    QStringList excludedOn = Split(kRootSelected);
    for (const char* off : {"exportMenu", "word", "excel", "printSelected"}) excludedOn.removeAll(off);
    QTest::newRow("excluded item") << excluded << excludedOn;

    StructureInputs editing = Base();
    editing.structureEditing = true;
    editing.modified = true;
    QTest::newRow("structure editing")
        << editing
        << Split("saveAs colors history importVisible thisYearVisible subreportVisible structure correction "
                 "internet email siteVisible");

    StructureInputs sub = Base();
    sub.isSubreport = true;
    QStringList subOn = table;
    for (const char* off : {"lastYear", "thisYear", "include", "includedList", "sending", "internet", "email",
                            "siteVisible"})
      subOn.removeAll(off);
    subOn << "transfer" << "printAllSubreportCaption";
    QTest::newRow("sub-report") << sub << subOn;

    StructureInputs only = Base();
    only.isSubreport = true;
    only.subreportOnly = true;
    only.importableTables = 3;
    QStringList onlyOn = table;
    for (const char* off : {"importVisible", "lastYear", "thisYearVisible", "thisYear", "subreportVisible",
                            "structure", "correction", "include", "includedList", "internet", "email",
                            "siteVisible"})
      onlyOn.removeAll(off);
    onlyOn << "printAllSubreportCaption";
    QTest::newRow("sub-report-only installation") << only << onlyOn;

    StructureInputs noPrinter = Base();
    noPrinter.printerInstalled = false;
    QStringList noPrinterOn = table;
    for (const char* off : {"printSelected", "printAll", "blank"}) noPrinterOn.removeAll(off);
    QTest::newRow("no printer") << noPrinter << noPrinterOn;

    StructureInputs changed = Base();
    changed.modified = true;
    changed.importableTables = 1;
    QStringList changedOn = table;
    changedOn << "save" << "lastYearVisible";
    QTest::newRow("modified, importable tables") << changed << changedOn;

    StructureInputs loading = Base();
    loading.loading = true;
    QStringList loadingOn = table;
    loadingOn.removeAll("tablesFrame");
    QTest::newRow("loading") << loading << loadingOn;

    StructureInputs noTables = Base();
    noTables.tablesOpen = false;
    QStringList noTablesOn = table;
    for (const char* off : {"data", "lights", "tablesFrame"}) noTablesOn.removeAll(off);
    QTest::newRow("no table window") << noTables << noTablesOn;
  }

  void rules() {
    QFETCH(StructureInputs, inputs);
    QFETCH(QStringList, on);
    QStringList actual = On(ComputeStructureStates(inputs));
    actual.sort();
    on.sort();
    QCOMPARE(actual, on);
  }
};

QTEST_MAIN(StructureActionsTest)
#include "test_structure_actions.moc"
