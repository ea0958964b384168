// Including and removing sub-reports through the report state, driven
// through the scripted port: the exact messages, the package on disk and
// the restore on error.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/foundation/codec.h"
#include "core/report/report_fixture.h"
#include "core/report/report_state.h"
#include "core/report/package.h"
#include "core/report/report_folder_dialog.h"
#include "core/report/startup.h"
#include "core/report/structure.h"
#include "core/subreports/inclusion.h"
#include "core/subreports/structure_editing.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::WinText;

using Files = std::vector<std::pair<std::string, std::string>>;

// T1: a form table with an integer (cell 2) and a real with Dec 1 (cell 3).
std::string T1(const std::string& integer, const std::string& real = "") {
  return WinText("[Table]\nFixed=0\nCount=3\n\n[Cell_2]\nState=D\nType=2\nVis=10 10 40 20 5 0\nCap=" + integer +
                 "\n\n[Cell_3]\nState=D\nType=3\nDec=1\nVis=60 10 40 20 5 0\nCap=" + real + "\n");
}

Files ReportFiles(const std::string& integer, const std::string& t2 = "7", const testing::StructureOptions& o = {}) {
  auto files = testing::BlankReportFiles(o);
  files[1].second = T1(integer);
  files[2].second = testing::FormTable(t2);
  return files;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  const auto at = s.find(from);
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

struct Office {
  TempFolder dir;
  FolderSet folders;
  ScriptedInteraction ui;
  std::unique_ptr<TReportState> state;
  std::string report;
  Office() : folders(testing::MakeProgram(dir)) {
    PrepareFolders(folders, ui);
    state = std::make_unique<TReportState>(folders, ui);
    state->ReadInstallation();
    report = testing::MakeReport(dir, "rep", ReportFiles("10"));
    state->OpenReportFolder(report);
    ui.messages.clear();
    ui.progress.clear();
  }
  std::string Sub(const std::string& name, const Files& files) { return testing::MakeReport(dir, name, files); }
  std::string Sub(const std::string& name, const std::string& integer, const std::string& t2 = "1") {
    testing::StructureOptions o;
    o.subreport = true;
    return Sub(name, ReportFiles(integer, t2, o));
  }
  std::string Cell(std::size_t table, int n) { return Cp1251ToUtf8(CellByNumber(state->tables()[table].table->data, n)->label.caption); }
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const auto& m : ui.messages) out.push_back(Cp1251ToUtf8(m.text));
    ui.messages.clear();
    return out;
  }
  // The first messages of a run (the whole-report check follows them).
  std::vector<std::string> FirstTexts(std::size_t n) {
    auto all = Texts();
    all.resize(std::min(n, all.size()));
    return all;
  }
  std::optional<std::string> Include(const std::string& folder) {
    ui.pickerAnswers.push_back(folder + "Report.rpt");
    return TSubreportInclusion(*state).IncludeSubreport();
  }
  std::vector<std::string> Listed() { return ReadSubreportFolders(*FindStructureFile(folders.working)); }
};

TEST(SubreportInclusion, AddsCellByCellAndRemovalRestoresTheValues) {
  Office o;
  const std::string sub = o.Sub("Кафедра 3", "5");
  const std::string before = ReadFile(o.report + "Report.rpt");
  ASSERT_EQ(o.Include(sub), sub);
  EXPECT_EQ(o.FirstTexts(3),
            (std::vector<std::string>{
                "Необходимо выбрать подотчет, который Вы хотите присоединить к открытому отчету.",
                "Подотчет \"" + sub + "\" включается в открытый отчет. Включать?",
                "Подотчет \"" + sub + "\" включен в отчет."}));
  EXPECT_EQ(o.Cell(0, 2), "15");
  EXPECT_EQ(o.Cell(0, 3), "0,0");  // a blank real with Dec 1
  EXPECT_EQ(o.Cell(1, 2), "8");
  EXPECT_EQ(o.Listed(), std::vector<std::string>{Utf8ToCp1251(sub)});
  EXPECT_TRUE(fs::exists(o.folders.subreports + "Кафедра 3/Report.str"));
  EXPECT_FALSE(o.state->IsModified());
  EXPECT_NE(ReadFile(o.report + "Report.rpt"), before);
  // Among the windows: the inclusion's own.
  std::vector<std::string> windows;
  for (const auto& p : o.ui.progress)
    if (p.event == "show") windows.push_back(Cp1251ToUtf8(p.text));
  EXPECT_NE(std::find(windows.begin(), windows.end(), "Включение подотчета в отчет."), windows.end());

  // The saved package holds the sums: another program sees them.
  {
    ScriptedInteraction ui2;
    FolderSet f2 = FolderSet::FromProgramFolder(o.dir / "prog2/");
    fs::create_directories(f2.data);
    fs::copy_file(o.folders.TemplatePackage(), f2.TemplatePackage());
    PrepareFolders(f2, ui2);
    o.state.reset();  // its lock goes
    TReportState other(f2, ui2);
    other.OpenReportFolder(o.report);
    EXPECT_EQ(CellByNumber(other.tables()[0].table->data, 2)->label.caption, "15");
  }
  o.state = std::make_unique<TReportState>(o.folders, o.ui);
  o.state->OpenReportFolder(o.report);
  o.ui.messages.clear();

  const std::string shown = sub.substr(0, sub.size() - 1);
  EXPECT_TRUE(TSubreportInclusion(*o.state).RemoveSubreport(shown));
  EXPECT_EQ(o.FirstTexts(2), (std::vector<std::string>{"Удалять данные подотчета \"" + shown + "\" из отчета?",
                                                       "Данные подотчета \"" + shown + "\" из отчета удалены."}));
  EXPECT_EQ(o.Cell(0, 2), "10");
  EXPECT_EQ(o.Cell(1, 2), "7");
  EXPECT_TRUE(o.Listed().empty());
  EXPECT_FALSE(fs::exists(o.folders.subreports + "Кафедра 3"));
}

TEST(SubreportInclusion, RefusalsChangeNothing) {
  testing::StructureOptions lastYear;
  lastYear.subreport = true;
  lastYear.version = "22_00_21";
  struct Case {
    const char* name;
    std::function<std::string(Office&)> sub;  // the sub-report's folder
    std::function<std::string(const std::string&)> message;
  } cases[] = {
      {"wrong version", [&](Office& o) { return o.Sub("old", ReportFiles("5", "1", lastYear)); },
       [](const std::string&) { return std::string("Выбранный подотчет не этого года."); }},
      {"not a sub-report", [](Office& o) { return o.Sub("full", ReportFiles("5")); },
       [](const std::string& f) { return "Файл \"" + f + "Report.rpt\" не является подотчетом."; }},
      {"no structure file",
       [](Office& o) { return o.Sub("bare", Files{{"T1.ini", T1("5")}}); },
       [](const std::string&) { return std::string("Не найден файл описания структуры подотчета."); }},
      {"already included",
       [](Office& o) {
         const std::string first = o.Sub("a/Кафедра", "1");
         o.Include(first);
         o.ui.messages.clear();
         return o.Sub("b/Кафедра", "1");  // the same last component
       },
       [](const std::string&) { return std::string("Отчет уже содержит выбранный Вами подотчет."); }},
  };
  for (const auto& c : cases) {
    Office o;
    const std::string sub = c.sub(o);
    const std::string package = ReadFile(o.report + "Report.rpt");
    const auto listed = o.Listed();
    EXPECT_FALSE(o.Include(sub)) << c.name;
    EXPECT_EQ(o.Texts().back(), c.message(sub)) << c.name;
    EXPECT_EQ(ReadFile(o.report + "Report.rpt"), package) << c.name;
    EXPECT_EQ(o.Listed(), listed) << c.name;
    if (std::string(c.name) != "already included") {
      EXPECT_FALSE(fs::exists(o.folders.subreports + LastFolderComponent(sub))) << c.name;
    }
  }
}

TEST(SubreportInclusion, AnExcludedTableIsLeftUntouched) {
  Office o;
  testing::StructureOptions so;
  so.subreport = true;
  auto files = ReportFiles("5", "100", so);
  files[0].second = Replace(files[0].second, "T2.ini\r\n" + Utf8ToCp1251("Удален") + "=0",
                            "T2.ini\r\n" + Utf8ToCp1251("Удален") + "=1");
  ASSERT_TRUE(o.Include(o.Sub("dep", files)));
  EXPECT_EQ(o.Cell(0, 2), "15");
  EXPECT_EQ(o.Cell(1, 2), "7");
}

TEST(SubreportInclusion, AnErrorWhileCombiningRestoresTheSavedReport) {
  Office o;
  testing::StructureOptions so;
  so.subreport = true;
  auto files = ReportFiles("5", "1", so);
  files.erase(files.begin() + 2);  // T2 listed but missing: the sub-report is damaged
  const std::string sub = o.Sub("broken", files);
  const std::string package = ReadFile(o.report + "Report.rpt");
  EXPECT_FALSE(o.Include(sub));
  const auto texts = o.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2],
            "При включении подотчета возникла ошибка. Осуществляется восстановление данных отчета.");
  EXPECT_EQ(texts.back(), "Данные отчета восстановлены.");
  EXPECT_EQ(ReadFile(o.report + "Report.rpt"), package);
  EXPECT_EQ(o.Cell(0, 2), "10");  // T1 was summed before T2 failed: back to the saved value
  EXPECT_TRUE(o.Listed().empty());
  EXPECT_FALSE(fs::exists(o.folders.subreports + "broken"));
}

TEST(SubreportInclusion, SeveralInOneRunSaveOnceAndRefuseAllOnAnyRefusal) {
  Office o;
  const std::string a = o.Sub("A", "1"), b = o.Sub("B", "2"), full = o.Sub("C", ReportFiles("5"));
  const std::string package = ReadFile(o.report + "Report.rpt");
  EXPECT_FALSE(TSubreportInclusion(*o.state).IncludeMany({a, full}, false).done);
  EXPECT_EQ(ReadFile(o.report + "Report.rpt"), package);
  EXPECT_EQ(o.Cell(0, 2), "10");

  const auto run = TSubreportInclusion(*o.state).IncludeMany({a, b}, false);
  ASSERT_TRUE(run.done);
  EXPECT_EQ(o.Cell(0, 2), "13");
  EXPECT_EQ(o.Listed().size(), 2u);
  ASSERT_EQ(run.tables.size(), 4u);
  EXPECT_EQ(run.tables[0].cells, 2);  // the integer and the blank real

  EXPECT_FALSE(TSubreportInclusion(*o.state).RemoveMany({a, a}, false).done);  // named twice
  ASSERT_TRUE(TSubreportInclusion(*o.state).RemoveMany({b, a}, false).done);
  EXPECT_EQ(o.Cell(0, 2), "10");
  EXPECT_TRUE(o.Listed().empty());
}

TEST(SubreportStructure, DefiningASubreportAndRefusingOneWithoutTables) {
  Office o;
  const std::string folder = o.dir / "dep/";
  o.ui.pickerAnswers.push_back(folder);
  o.state->runFolderDialog = [](TFormNewRep& d) { d.ChooseFolder(); };
  ASSERT_TRUE(DefineSubreportStructure(*o.state));
  EXPECT_TRUE(o.state->structureEditing);
  EXPECT_EQ(o.Texts().back(), Cp1251ToUtf8(StructureModeHint()));
  EXPECT_TRUE(IsSubreport(o.folders.working));

  EXPECT_FALSE(KeepOnlyItems(*o.state, {"Doc.rtf"}));  // a document alone is no sub-report
  EXPECT_EQ(o.Texts(), std::vector<std::string>{"Подотчет не содержит ни одной таблицы или формы. Это недопустимо."});
  ASSERT_TRUE(KeepOnlyItems(*o.state, {"T2"}));
  ASSERT_TRUE(o.state->EndStructureEditing());
  // The package in the sub-report's folder has the marks.
  TempFolder out;
  UnpackPackage(folder + "Report.rpt", out.path());
  const auto model = ReadStructure(*FindStructureFile(out.path()));
  ASSERT_TRUE(model);
  EXPECT_TRUE(model->isSubreport);
  EXPECT_TRUE(model->sections[0].excluded);
  EXPECT_TRUE(model->sections[0].items[0].excluded);
  EXPECT_FALSE(model->sections[1].items[0].excluded);
}

TEST(SubreportStructure, CancellingTheFolderDialogReopensTheReport) {
  Office o;
  o.state->runFolderDialog = [](TFormNewRep& d) { d.Cancel(); };
  EXPECT_FALSE(DefineSubreportStructure(*o.state));
  EXPECT_FALSE(o.state->structureEditing);
  EXPECT_EQ(o.state->currentFolder, o.report);
  EXPECT_EQ(o.Cell(0, 2), "10");
}

TEST(SubreportStructure, CorrectionRefusesAFullReport) {
  Office o;
  const std::string full = o.Sub("full", ReportFiles("5"));
  o.ui.pickerAnswers.push_back(full + "Report.rpt");
  EXPECT_FALSE(CorrectSubreportStructure(*o.state));
  EXPECT_EQ(o.Texts(), std::vector<std::string>{"Файл \"" + full + "Report.rpt\" не является подотчетом."});
  o.ui.pickerAnswers.push_back(o.Sub("dep", "1") + "Report.rpt");
  EXPECT_TRUE(CorrectSubreportStructure(*o.state));
  EXPECT_TRUE(o.state->structureEditing);
}

}  // namespace
}  // namespace rpt
