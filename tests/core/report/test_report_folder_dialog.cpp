// The report folder dialog's logic: texts, the automatic folder, the
// checks and confirmations of a chosen folder, and what *create* makes.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/my_ini_file.h"
#include "core/report/report_folder_dialog.h"
#include "core/report/report_state.h"
#include "core/app/startup.h"
#include "core/calc/structure.h"

#include "support/text.h"
#include "report_fixture.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;

using testing::W;

struct Fixture {
  TempFolder dir;
  FolderSet folders;
  ScriptedInteraction ui;
  TReportState state;
  Fixture() : folders(testing::MakeProgram(dir)), state(folders, ui) {
    PrepareFolders(folders, ui);
    state.ReadInstallation();
    state.previousFolder = folders.templates;
  }
};

TEST(ReportFolderDialog, ExplanatoryTexts) {
  Fixture f;
  const std::string second =
      "Необходимо выбрать уже существующую или создать новую папку для его размещения - это можно "
      "сделать самостоятельно или автоматически.";
  EXPECT_EQ(TFormNewRep(f.state, FolderDialogMode::SaveAs).ExplanatoryText(),
            W("Сохранять отчет следует в отдельной папке. " + second));
  EXPECT_EQ(TFormNewRep(f.state, FolderDialogMode::NewReport).ExplanatoryText(),
            W("Новый отчет создается в отдельной папке. " + second));
  f.state.isSubreport = true;
  EXPECT_EQ(TFormNewRep(f.state, FolderDialogMode::NewReport).ExplanatoryText(),
            W("Новый подотчет создается в отдельной папке. " + second));
  EXPECT_EQ(TFormNewRep(f.state, FolderDialogMode::SubreportStructure).ExplanatoryText(),
            W("Структура подотчета и сам подотчет должны находиться в отдельной папке. " + second));
  EXPECT_EQ(TFormNewRep::Caption(), W("Создание отчета"));
}

TEST(ReportFolderDialog, AutomaticFolderTakesTheFirstFreeNumber) {
  Fixture f;
  fs::create_directories(f.folders.program + "Отчет1");
  fs::create_directories(f.folders.program + "Отчет2");
  TFormNewRep d(f.state, FolderDialogMode::NewReport);
  d.CreateAutomatically();
  EXPECT_TRUE(d.closed());
  EXPECT_EQ(d.result(), FolderDialogResult::Created);
  EXPECT_EQ(f.state.currentFolder, f.folders.program + "Отчет3/");
  EXPECT_EQ(ReadFile(f.folders.program + "Отчет3/Report.rpt"), ReadFile(f.folders.TemplatePackage()));

  f.state.isSubreport = true;
  f.state.subreportOnly = true;
  TFormNewRep sub(f.state, FolderDialogMode::NewReport);
  sub.CreateAutomatically();
  EXPECT_EQ(f.state.currentFolder, f.folders.program + "Подотчет1/");
}

TEST(ReportFolderDialog, ChosenFolderChecksAndAnswers) {
  Fixture f;
  const std::string taken = testing::MakeReport(f.dir, "taken", testing::BlankReportFiles());
  const std::string fresh = f.dir / "fresh";  // without the trailing separator
  fs::create_directories(fresh);
  TFormNewRep d(f.state, FolderDialogMode::NewReport);

  // A folder that already holds a report is refused; the dialog stays.
  f.ui.pickerAnswers = {taken};
  d.ChooseFolder();
  EXPECT_FALSE(d.closed());
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(f.ui.messages[0].text, W("Папку " + taken + " нельзя использовать для размещения отчета."));

  // An empty choice: nothing.
  f.ui.pickerAnswers = {std::nullopt};
  d.ChooseFolder();
  EXPECT_FALSE(d.closed());
  EXPECT_EQ(f.ui.messages.size(), 1u);

  // "Отменить" in the confirmation returns to the dialog.
  f.ui.pickerAnswers = {fresh};
  f.ui.answers = {kCancel};
  d.ChooseFolder();
  EXPECT_FALSE(d.closed());
  ASSERT_EQ(f.ui.messages.size(), 2u);
  EXPECT_EQ(f.ui.messages[1].kind, MessageKind::Confirmation);
  EXPECT_EQ(f.ui.messages[1].buttons, unsigned(kYes | kNo | kCancel));
  EXPECT_EQ(f.ui.messages[1].text, W("Отчет создается в папке " + fresh + "/. Создавать?"));
  EXPECT_EQ(f.state.currentFolder, f.folders.templates);
  EXPECT_FALSE(fs::exists(fresh + "/Report.rpt"));

  // "Да" creates.
  f.ui.pickerAnswers = {fresh};
  f.ui.answers = {kYes};
  d.ChooseFolder();
  EXPECT_TRUE(d.closed());
  EXPECT_EQ(d.result(), FolderDialogResult::Created);
  EXPECT_EQ(f.state.currentFolder, fresh + "/");
  EXPECT_TRUE(fs::exists(fresh + "/Report.rpt"));
}

TEST(ReportFolderDialog, NoEndsCancelledAndCancelRestoresFolders) {
  Fixture f;
  f.state.previousFolder = f.dir / "from/";
  TFormNewRep d(f.state, FolderDialogMode::SaveAs);
  EXPECT_EQ(f.state.currentFolder, f.folders.program);
  f.ui.pickerAnswers = {f.dir / "x"};
  f.ui.answers = {kNo};
  d.ChooseFolder();
  EXPECT_TRUE(d.closed());
  EXPECT_EQ(d.result(), FolderDialogResult::Cancelled);
  EXPECT_EQ(f.ui.messages[0].text, W("Отчет сохраняется в папке " + f.dir / "x/" + ". Сохранять?"));

  TFormNewRep c(f.state, FolderDialogMode::SaveAs);
  f.state.previousFolder = "elsewhere/";
  c.Cancel();
  EXPECT_EQ(c.result(), FolderDialogResult::Cancelled);
  EXPECT_EQ(f.state.currentFolder, f.dir / "from/");
  EXPECT_EQ(f.state.previousFolder, f.dir / "from/");
}

TEST(ReportFolderDialog, SubreportStructureIsWrittenIntoTheNewFolder) {
  Fixture f;
  f.state.isSubreport = true;
  TFormNewRep d(f.state, FolderDialogMode::SubreportStructure);
  d.CreateAutomatically();
  const std::string folder = f.folders.program + "Подотчет1/";
  EXPECT_EQ(f.state.currentFolder, folder);
  EXPECT_TRUE(f.state.structureEditing);
  EXPECT_TRUE(f.state.structureChanged);
  const auto str = FindStructureFile(f.folders.working);
  ASSERT_TRUE(str);
  EXPECT_TRUE(IsSubreport(f.folders.working));
  {
    TMyIniFile ini(*str);
    EXPECT_EQ(StoredFolderToPath(ini.ReadString(W("Отчет"), W("Папка"), "")), folder);
  }
  // The sub-report's package was written from the working folder.
  ASSERT_TRUE(fs::exists(folder + "Report.rpt"));
  TempFolder out;
  UnpackPackage(folder + "Report.rpt", out.path());
  EXPECT_TRUE(IsSubreport(out.path()));
}

TEST(ReportFolderDialog, MissingTemplatePackageIsReportedAndNothingCreated) {
  Fixture f;
  fs::remove(f.folders.TemplatePackage());
  EXPECT_EQ(AskFolder(f.state, FolderDialogMode::NewReport), FolderDialogResult::Cancelled);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(f.state.currentFolder, f.folders.templates);
}

}  // namespace
}  // namespace rpt
