// The sub-report commands of the structure window: structure mode with its
// marks, and the list of included sub-reports with the numbers aligned.
#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/report/report_folder_dialog.h"
#include "core/report/report_state.h"
#include "core/report/startup.h"
#include "core/subreports/inclusion.h"
#include "core/subreports/structure_editing.h"
#include "gui/subreports/subrep_list.h"
#include "support/gui_program.h"
#include "support/temp_folder.h"

namespace rpt {

using testing::U;

class TestSubreportWindows : public QObject {
  Q_OBJECT
 private slots:
  void StructureModeShowsTheMarksAndTheKind();
  void TheListAlignsNumbersBelowTen();
  void DetachingFromTheListRemovesTheSubreport();
};

void TestSubreportWindows::StructureModeShowsTheMarksAndTheKind() {
  testing::TempFolder dir;
  testing::InstallPackages(dir.path());
  testing::ScriptedInteraction ui;
  auto program = testing::StartedProgram(dir.path(), ui, testing::UniqueLockName("subrep"));
  QVERIFY(program);
  TReportState& state = program->session().state();
  ui.pickerAnswers.push_back(dir / "Кафедра 1/");
  state.runFolderDialog = [](TFormNewRep& d) { d.ChooseFolder(); };
  program->structure().Command(U("SubStructure"))->trigger();
  QVERIFY(state.structureEditing);
  QCOMPARE(QString::fromStdString(Cp1251ToUtf8(ui.messages.back().text)),
           QString::fromStdString(Cp1251ToUtf8(StructureModeHint())));
  QVERIFY(KeepOnlyItems(state, {Utf8ToCp1251("Kadry"), Utf8ToCp1251("KadrDol"), Utf8ToCp1251("Publ")}));
  program->structure().RebuildTree();
  program->structure().UpdateStates();
  QTreeWidget* tree = program->structure().Tree();
  tree->expandAll();
  QVERIFY(!program->structure().Command(U("Edit"))->isEnabled());
  QVERIFY(!program->structure().Command(U("SubInclude"))->isEnabled());
  if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) {
    program->structure().resize(900, 640);
    QTest::qWait(50);
    QVERIFY(program->structure().grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/structure-mode.png"));
  }
  QVERIFY(state.EndStructureEditing());
  QVERIFY(std::filesystem::exists(dir / "Кафедра 1/Report.rpt"));
}

void TestSubreportWindows::TheListAlignsNumbersBelowTen() {
  std::vector<std::string> folders;
  for (int k = 1; k <= 12; ++k) folders.push_back(Utf8ToCp1251("/home/office/Кафедра " + std::to_string(k) + "/"));
  const auto lines = SubreportListLines(folders);
  QCOMPARE(QString::fromStdString(Cp1251ToUtf8(lines[0])), U(" 1. /home/office/Кафедра 1"));
  QCOMPARE(QString::fromStdString(Cp1251ToUtf8(lines[8])), U(" 9. /home/office/Кафедра 9"));
  QCOMPARE(QString::fromStdString(Cp1251ToUtf8(lines[9])), U("10. /home/office/Кафедра 10"));
  QCOMPARE(QString::fromStdString(Cp1251ToUtf8(FolderOfListLine(lines[11]))), U("/home/office/Кафедра 12"));

  // The window on a report with included sub-reports.
  testing::TempFolder dir;
  testing::InstallPackages(dir.path());
  testing::ScriptedInteraction ui;
  auto program = testing::StartedProgram(dir.path(), ui, testing::UniqueLockName("subrep-list"));
  QVERIFY(program);
  TReportState& state = program->session().state();
  program->structure().Command(U("SubIncluded"))->trigger();
  QCOMPARE(QString::fromStdString(Cp1251ToUtf8(ui.messages.back().text)), U("Отчет не содержит подотчетов."));
  const auto path = FindStructureFile(state.folders().working);
  QVERIFY(path);
  for (const auto& f : folders) QVERIFY(AddSubreportFolder(*path, f).empty());
  gui::TFormSubrepList list(state, {});
  QCOMPARE(list.List()->count(), 12);
  QCOMPARE(list.List()->currentRow(), 0);
  QCOMPARE(list.List()->item(11)->text(), U("12. /home/office/Кафедра 12"));
  if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) {
    list.show();
    QTest::qWait(50);
    QVERIFY(list.grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/subreport-list.png"));
  }
}

void TestSubreportWindows::DetachingFromTheListRemovesTheSubreport() {
  testing::TempFolder dir;
  testing::InstallPackages(dir.path());
  testing::ScriptedInteraction ui;
  auto program = testing::StartedProgram(dir.path(), ui, testing::UniqueLockName("subrep-detach"));
  QVERIFY(program);
  TReportState& state = program->session().state();
  const std::string report = state.currentFolder;
  // A department's sub-report with one table, then the report again.
  const std::string dep = dir / "Кафедра 1/";
  ui.pickerAnswers.push_back(dep);
  state.runFolderDialog = [](TFormNewRep& d) { d.ChooseFolder(); };
  QVERIFY(DefineSubreportStructure(state));
  QVERIFY(KeepOnlyItems(state, {"Kadry"}));
  state.OpenReportFolder(report);  // writes the sub-report's structure first
  QVERIFY(state.treeVisible);
  ui.pickerAnswers.push_back(dep + "Report.rpt");
  QVERIFY(TSubreportInclusion(state).IncludeSubreport());

  int changes = 0;
  gui::TFormSubrepList list(state, [&] { ++changes; });
  QCOMPARE(list.List()->count(), 1);
  QCOMPARE(list.List()->item(0)->text(), U(" 1. ") + QString::fromStdString(dep).chopped(1));
  QPushButton* detach = nullptr;
  for (auto* b : list.findChildren<QPushButton*>())
    if (b->text() == U("Отсоединить")) detach = b;
  QVERIFY(detach && detach->isEnabled());
  ui.messages.clear();
  detach->click();
  QCOMPARE(changes, 1);
  QCOMPARE(QString::fromStdString(Cp1251ToUtf8(ui.messages.front().text)),
           U("Удалять данные подотчета \"") + QString::fromStdString(dep).chopped(1) + U("\" из отчета?"));
  QCOMPARE(list.List()->count(), 0);
  QVERIFY(!detach->isEnabled());
  QVERIFY(ReadSubreportFolders(*FindStructureFile(state.folders().working)).empty());
}

}  // namespace rpt

QTEST_MAIN(rpt::TestSubreportWindows)
#include "test_subreport_windows.moc"
