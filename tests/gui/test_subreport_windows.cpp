// The sub-report commands of the structure window: structure mode with its
// marks, and the list of included sub-reports with the numbers aligned.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "core/app/startup.h"
#include "core/archive/package.h"
#include "core/foundation/codec.h"
#include "core/foundation/my_ini_file.h"
#include "core/report/report_folder_dialog.h"
#include "core/report/report_state.h"
#include "core/subreports/inclusion.h"
#include "core/subreports/structure_editing.h"
#include "core/tables/table.h"
#include "gui/subreports/composition_window.h"
#include "gui/subreports/subrep_list.h"
#include "gui/tables/main_form.h"
#include "gui/tables/table_window.h"
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
  void TheCompositionWindowTakesAndSavesAValue();
  void TransferAndReceptionFromTheMenu();
};

namespace {

// A department's sub-report holding only "Kadry", its first integer cell
// set to `value`; returns that cell's number.
int MakeDepartment(TReportState& state, testing::ScriptedInteraction& ui, const std::string& folder,
                   const std::string& value) {
  ui.pickerAnswers.push_back(folder);
  state.runFolderDialog = [](TFormNewRep& d) { d.ChooseFolder(); };
  if (!DefineSubreportStructure(state) || !KeepOnlyItems(state, {"Kadry"})) return 0;
  const std::string path = state.folders().working + "Kadry.ini";
  TMyIniFile ini(path);
  const int count = ini.ReadInteger("Table", "Count", 0);
  int number = 0;
  for (int n = 2; n <= count + 1 && !number; ++n)
    if (ini.ReadInteger("Cell_" + std::to_string(n), "Type", 0) == cell_type::kInteger) number = n;
  ini.WriteString("Cell_" + std::to_string(number), "Cap", value);
  return ini.Release().empty() && state.EndStructureEditing() ? number : 0;
}

}  // namespace

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

void TestSubreportWindows::TheCompositionWindowTakesAndSavesAValue() {
  testing::TempFolder dir;
  testing::InstallPackages(dir.path());
  testing::ScriptedInteraction ui;
  auto program = testing::StartedProgram(dir.path(), ui, testing::UniqueLockName("subrep-data"));
  QVERIFY(program);
  TReportState& state = program->session().state();
  const std::string report = state.currentFolder;
  const int n = MakeDepartment(state, ui, dir / "Кафедра 1/", "5");
  QVERIFY(n > 1);
  QCOMPARE(MakeDepartment(state, ui, dir / "Кафедра 2/", "7"), n);
  state.OpenReportFolder(report);
  QVERIFY(TSubreportInclusion(state).IncludeMany({dir / "Кафедра 1/", dir / "Кафедра 2/"}, false).done);
  program->structure().RebuildTree();

  // The cell in the tables frame, then "Данные из подотчетов".
  QTreeWidgetItem* node = testing::NodeOfFile(program->structure().Tree(), "Kadry.ini");
  QVERIFY(node);
  program->structure().Tree()->setCurrentItem(node);
  program->structure().Command(U("Edit"))->trigger();
  gui::TMainForm& frame = program->frame();
  gui::TF_Table* kadry = frame.ActiveTable();
  QVERIFY(kadry);
  TCell* cell = nullptr;
  for (int r = 1; r <= kadry->table().RowCount && !cell; ++r)
    for (const auto& c : RowAt(kadry->table().data, r)->cells)
      if (c->number == n) cell = c.get();
  QVERIFY(cell);
  // The report held nothing there: the two departments' 5 and 7.
  QCOMPARE(QString::fromStdString(cell->label.caption), U("12"));
  kadry->SetCurrentCell(cell, false);
  bool shown = false;
  frame.runComposition = [&](gui::TFormSRData& w) {
    shown = true;
    QCOMPARE(w.windowTitle(), U("Состав показателя"));
    QCOMPARE(w.Grid()->rowCount(), 4);
    QCOMPARE(w.Grid()->item(1, 0)->text(), U("Сумма по всем подотчетам"));
    QCOMPARE(w.Grid()->item(1, 1)->text(), U("12"));
    QCOMPARE(w.Grid()->item(2, 0)->text(), U("Кафедра 1"));
    QCOMPARE(w.Input()->text(), U("12"));
    QVERIFY(!w.SaveButton()->isEnabled());
    w.Grid()->setCurrentCell(1, 0);
    QVERIFY(w.Input()->isReadOnly());
    QCOMPARE(w.Input()->text(), U("0"));
    w.Grid()->setCurrentCell(2, 0);
    QVERIFY(!w.Input()->isReadOnly());
    // Typed and taken with Enter, as from the keyboard.
    w.Input()->selectAll();
    QTest::keyClicks(w.Input(), "6");
    QTest::keyClick(w.Input(), Qt::Key_Return);
    QCOMPARE(w.Grid()->item(1, 1)->text(), U("13"));
    QCOMPARE(w.Grid()->item(2, 1)->text(), U("6"));
    QVERIFY(w.SaveButton()->isEnabled() && w.CancelButton()->isEnabled());
    if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) {
      w.show();
      QTest::qWait(50);
      QVERIFY(w.grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/composition.png"));
    }
    // Leaving with changes asks; "Да" saves them.
    ui.answers.push_back(kYes);
    ui.messages.clear();
    w.reject();
    QCOMPARE(QString::fromStdString(Cp1251ToUtf8(ui.messages.back().text)), U("Сохранить изменения?"));
  };
  frame.SubreportData();
  QVERIFY(shown);
  // The department's package holds 6, the report keeps 12.
  const std::string out = dir / "check/";
  std::filesystem::create_directories(out);
  UnpackPackage(dir / "Кафедра 1/Report.rpt", out);
  TMyIniFile ini(out + "Kadry.ini");
  ini.DiscardChanges();
  QCOMPARE(QString::fromStdString(ini.ReadString("Cell_" + std::to_string(n), "Cap", "")), U("6"));
  QCOMPARE(QString::fromStdString(cell->label.caption), U("12"));
}

void TestSubreportWindows::TransferAndReceptionFromTheMenu() {
  testing::TempFolder dir;
  testing::InstallPackages(dir.path());
  testing::ScriptedInteraction ui;
  auto program = testing::StartedProgram(dir.path(), ui, testing::UniqueLockName("subrep-transfer"));
  QVERIFY(program);
  TReportState& state = program->session().state();
  const std::string dep = dir / "Кафедра 1/";
  QVERIFY(MakeDepartment(state, ui, dep, "5") > 1);
  state.OpenReportFolder(dep);
  program->structure().UpdateStates();
  QAction* transfer = program->structure().Command(U("SubTransfer"));
  QVERIFY(transfer->isEnabled());
  ui.messages.clear();
  ui.pickerAnswers.push_back(dir / "media");
  transfer->trigger();
  const std::string setup = dir / "media/Кафедра 1 (для передачи)/Setup_p.exe";
  QVERIFY(std::filesystem::exists(setup));
  QCOMPARE(QString::fromStdString(Cp1251ToUtf8(ui.messages.front().text)),
           U("Укажите папку для записи данных передаваемого подотчета."));
  // The package starts with the installation's stub.
  QVERIFY(testing::ReadFile(setup).rfind("#!/bin/sh", 0) == 0);

  // Reception of the department's package, written back where it was made.
  ui.messages.clear();
  ui.pickerAnswers.push_back(dep + "Report.rpt");
  program->structure().Command(U("SubReception"))->trigger();
  QCOMPARE(QString::fromStdString(Cp1251ToUtf8(ui.messages.back().text)),
           U("Подотчет записан в папку \"") + QString::fromStdString(dep) + U("\"."));
  QCOMPARE(state.currentFolder, dep);
  QVERIFY(state.treeVisible);
}

}  // namespace rpt

QTEST_MAIN(rpt::TestSubreportWindows)
#include "test_subreport_windows.moc"
