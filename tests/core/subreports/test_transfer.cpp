// Handing a sub-report to a department and taking it back: what the
// transfer package holds, file by file, and where reception writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/app/startup.h"
#include "core/archive/package.h"
#include "core/calc/structure.h"
#include "core/foundation/codec.h"
#include "core/foundation/my_ini_file.h"
#include "core/report/report_fixture.h"
#include "core/report/report_state.h"
#include "core/subreports/transfer.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::Win;

using Files = std::vector<std::pair<std::string, std::string>>;

// A form table with an integer and, when `list` is given, a list cell.
std::string Table(const std::string& list = "") {
  std::string s = "[Table]\nFixed=0\nCount=" + std::string(list.empty() ? "1" : "2") +
                  "\n\n[Cell_2]\nState=D\nType=2\nVis=10 10 40 20 5 0\nCap=1\n";
  if (!list.empty()) s += "\n[Cell_3]\nState=D\nType=6\nList=" + list + "\nVis=60 10 40 20 5 0\nCap=\n";
  return Win(s);
}

// Four tables and a document; a sub-report leaves out T4 and the document.
std::string Structure(bool subreport, const std::string& folder = "") {
  const std::string ex = subreport ? "1" : "0";
  std::string s = "[Отчет]\nНазвание=Отчет о НИР\nКоличество_разделов=2\nВерсия=23_00_22\nПодотчет=" +
                  std::string(subreport ? "1" : "0") + "\nПапка=" + folder +
                  "\n\n[Раздел_1]\nНазвание=Кадры\nКоличество_пунктов=3\nУдален=0\n\n"
                  "[Пункт_1_1]\nНазвание=Таблица 1\nТип=0\nФайл=T1.ini\nУдален=0\n\n"
                  "[Пункт_1_2]\nНазвание=Таблица 2\nТип=0\nФайл=T2.ini\nУдален=0\n\n"
                  "[Пункт_1_3]\nНазвание=Пояснение\nТип=1\nФайл=Doc.rtf\nУдален=" +
                  ex +
                  "\n\n[Раздел_2]\nНазвание=Финансы\nКоличество_пунктов=2\nУдален=0\n\n"
                  "[Пункт_2_1]\nНазвание=Таблица 3\nТип=0\nФайл=T3.ini\nУдален=0\n\n"
                  "[Пункт_2_2]\nНазвание=Таблица 4\nТип=0\nФайл=T4.ini\nУдален=" +
                  ex + "\n";
  return Win(s);
}

Files ReportFiles(bool subreport, const std::string& folder = "") {
  return {{"Report.str", Structure(subreport, folder)},
          {"T1.ini", Table("Podr.lst 2")},
          {"T2.ini", Table("../Secret.lst")},  // names a file outside the lists: never taken
          {"T3.ini", Table("strany.LST")},
          {"T4.ini", Table("Other.lst")},
          {"Doc.rtf", "{\\rtf1 }"},
          {"Check.chk", ""}};
}

std::vector<std::string> Names(const std::vector<TSTCabFileInfo>& files) {
  std::vector<std::string> out;
  for (const auto& f : files) out.push_back(f.name);
  std::sort(out.begin(), out.end());
  return out;
}

struct Office {
  TempFolder dir;
  FolderSet folders;
  ScriptedInteraction ui;
  std::unique_ptr<TReportState> state;
  std::string sub, exe;
  // `installed`: the program folder is a user's folder without the manual
  // and the help, which lie with the installed packages in "inst/".
  explicit Office(bool installed = false)
      : folders(installed ? FolderSet::FromProgramFolder(dir / "user/", dir / "inst/Help/Data/")
                          : FolderSet::FromProgramFolder(dir / "prog/")) {
    fs::create_directories(folders.data);
    auto templates = ReportFiles(false);
    templates.push_back({"Instr.txt", Win("[T1]\nЗаполните.\n")});
    testing::MakePackage(dir, "stage", templates, folders.TemplatePackage());
    testing::MakePackage(dir, "stage",
                         {{"Podr.lst", "p"}, {"Strany.lst", "s"}, {"Other.lst", "o"}, {"Unused.lst", "u"}},
                         folders.ListPackage());
    testing::MakePackage(dir, "stage", {{"Print.ini", "x"}, {"T1.rtf", "{\\rtf1 }"}}, folders.PrintPackage());
    testing::MakePackage(dir, "stage", {{"UnSelf.bin", "#!/bin/sh\nexit 0\n"}}, folders.ServicePackage());
    dir.Write("prog/Help/Data/Secret.lst", "not a list of this installation");
    const std::string root = installed ? "inst/" : "prog/";
    if (!installed) dir.Write("prog/Help/Report.chm", "chm");
    dir.Write(root + "Doc/Руководство пользователя.doc", "doc");
    dir.Write(root + "Help/html/index.html", "<html>");
    dir.Write(root + "Help/html/go/sending.html", "<html>");
    exe = dir / "exe/";
    dir.Write("exe/report", "desktop program");
    dir.Write("exe/reportctl", "command line");
    PrepareFolders(folders, ui);
    state = std::make_unique<TReportState>(folders, ui);
    state->ReadInstallation();
    sub = testing::MakeReport(dir, "Отчеты/Кафедра 3", ReportFiles(true, dir / "Отчеты/Кафедра 3/"));
    state->OpenReportFolder(sub);
    ui.messages.clear();
  }
};

TEST(SubreportTransfer, ThePackageHoldsExactlyWhatTheDepartmentNeeds) {
  Office o;
  ASSERT_TRUE(o.state->isSubreport);
  const auto destination = TransferSubreportTo(*o.state, o.dir / "media", o.exe);
  ASSERT_EQ(destination, o.dir / "media/Кафедра 3 (для передачи)/");
  EXPECT_EQ(o.ui.MessageTexts(),
            std::vector<std::string>{Win("Запись подотчета в папку \"" + *destination + "\" закончена.")});

  // Stub, separator, archive.
  const std::string setup = ReadFile(*destination + "Setup_p.exe");
  const std::string stub = "#!/bin/sh\nexit 0\n";
  ASSERT_GT(setup.size(), stub.size() + kTransferSeparator.size());
  EXPECT_EQ(setup.substr(0, stub.size()), stub);
  EXPECT_EQ(setup.substr(stub.size(), 40), "!DATA!KALMEROKALMEROKALMEROKALMERO!DATA!");
  const std::string archive = o.dir.Write("Arch.rpt", setup.substr(stub.size() + 40));
  EXPECT_EQ(Names(ListPackage(archive, /*exchanged=*/false)),
            (std::vector<std::string>{"Doc\\Руководство пользователя.doc", "Help\\Report.chm",
                                      "Help\\html\\go\\sending.html", "Help\\html\\index.html", "TI.a", "TL.a",
                                      "TP.a", "report", "reportctl"}));

  const std::string out = o.dir / "out/";
  fs::create_directories(out);
  UnpackPackage(archive, out, /*exchanged=*/false);
  EXPECT_EQ(ReadFile(out + "reportctl"), "command line");
  EXPECT_EQ(Names(ListPackage(out + "TI.a")),
            (std::vector<std::string>{"Check.chk", "Instr.txt", "Report.str", "T1.ini", "T2.ini", "T3.ini"}));
  EXPECT_EQ(Names(ListPackage(out + "TL.a")), (std::vector<std::string>{"Podr.lst", "Strany.lst"}));
  EXPECT_EQ(Names(ListPackage(out + "TP.a")), (std::vector<std::string>{"Print.ini", "T1.rtf"}));
  fs::create_directories(out + "TabIni");
  UnpackPackage(out + "TI.a", out + "TabIni/");
  const TemplateFlags flags = ReadTemplateFlags(out + "TabIni/");
  EXPECT_TRUE(flags.isSubreport);
  EXPECT_TRUE(flags.subreportOnly);
  // The sub-report's own structure file is marked, not the one it came from.
  EXPECT_FALSE(ReadTemplateFlags(o.folders.working).subreportOnly);

  // Nothing stays behind.
  EXPECT_FALSE(fs::exists(o.sub + "Arch.rpt"));
  EXPECT_FALSE(fs::exists(o.folders.program + "Setup_p.exe"));
}

// An installed program's user folder holds neither the manual nor the help:
// the department gets the installation's.
TEST(SubreportTransfer, TheManualAndTheHelpOfAnInstallationTravelToo) {
  Office o(/*installed=*/true);
  const auto destination = TransferSubreportTo(*o.state, o.dir / "media", o.exe);
  ASSERT_TRUE(destination);
  const std::string setup = ReadFile(*destination + "Setup_p.exe");
  const std::string archive = o.dir.Write("Arch.rpt", setup.substr(std::string("#!/bin/sh\nexit 0\n").size() + 40));
  EXPECT_EQ(Names(ListPackage(archive, /*exchanged=*/false)),
            (std::vector<std::string>{"Doc\\Руководство пользователя.doc", "Help\\html\\go\\sending.html",
                                      "Help\\html\\index.html", "TI.a", "TL.a", "TP.a", "report", "reportctl"}));
}

TEST(SubreportTransfer, RefusesTheProgramsDataFolderAndSaysWhenTheCopyFails) {
  Office o;
  const std::string inside = o.folders.data + "TabIni/";
  EXPECT_FALSE(TransferSubreportTo(*o.state, inside, o.exe));
  EXPECT_EQ(o.ui.MessageTexts(),
            std::vector<std::string>{Win("Папку \"" + inside + "\" для записи данных использовать нельзя.")});
  o.ui.messages.clear();

  // The destination's place is taken by a file.
  o.dir.Write("busy/Кафедра 3 (для передачи)", "a file");
  EXPECT_FALSE(TransferSubreportTo(*o.state, o.dir / "busy", o.exe));
  EXPECT_EQ(o.ui.MessageTexts(),
            std::vector<std::string>{
                Win("Записать подотчет в папку \"" + o.dir / "busy/Кафедра 3 (для передачи)/" + "\" не удалось.")});
}

TEST(SubreportTransfer, TheDesktopCommandsAskFirst) {
  Office o;
  const std::string ask = Win("Укажите папку для записи данных передаваемого подотчета.");
  o.ui.answers.push_back(kCancel);
  EXPECT_FALSE(TransferSubreport(*o.state, o.exe));
  o.ui.pickerAnswers.push_back(std::nullopt);  // the folder dialog cancelled
  EXPECT_FALSE(TransferSubreport(*o.state, o.exe));
  EXPECT_EQ(o.ui.MessageTexts(), (std::vector<std::string>{ask, ask}));
  EXPECT_FALSE(fs::exists(o.dir / "media"));
  o.ui.pickerAnswers.push_back(o.dir / "media");
  EXPECT_EQ(TransferSubreport(*o.state, o.exe), o.dir / "media/Кафедра 3 (для передачи)/");

  o.ui.messages.clear();
  o.ui.answers.push_back(kCancel);
  EXPECT_FALSE(ReceiveSubreport(*o.state));
  EXPECT_EQ(o.ui.MessageTexts(), std::vector<std::string>{Win("Найдите принимаемый подотчет.")});
  EXPECT_EQ(o.state->currentFolder, o.sub);
}

TEST(SubreportReception, WritesIntoTheRecordedFolderOrTheChosenOneAndOpensIt) {
  Office o;
  // The department's filled package.
  const std::string home = o.dir / "Отчеты/Кафедра 3/";
  auto filled = ReportFiles(true, home);
  filled[0].second = Win("[Отчет]\nТолько_подотчет=1\n") + filled[0].second.substr(Win("[Отчет]\n").size());
  filled[1].second = Table("Podr.lst 2");
  filled[1].second.replace(filled[1].second.find("Cap=1"), 5, "Cap=8");
  const std::string returned = testing::MakeReport(o.dir, "media/Отчет1", filled);

  auto received = ReceiveSubreportFrom(*o.state, returned + "Report.rpt");
  ASSERT_EQ(received, home);
  EXPECT_EQ(o.ui.MessageTexts(), (std::vector<std::string>{Win("Записать принимаемый подотчет в папку " + home + "?"),
                                                           Win("Подотчет записан в папку \"" + home + "\".")}));
  EXPECT_EQ(o.state->currentFolder, home);
  ASSERT_TRUE(o.state->treeVisible);
  EXPECT_EQ(CellByNumber(o.state->FindTable("T1.ini")->table->data, 2)->label.caption, "8");
  EXPECT_FALSE(ReadTemplateFlags(o.folders.working).subreportOnly);

  // "Нет": another folder, the recorded one kept in the package.
  o.ui.messages.clear();
  o.ui.answers.push_back(kNo);
  o.ui.pickerAnswers.push_back(o.dir / "elsewhere");
  received = ReceiveSubreportFrom(*o.state, returned + "Report.rpt");
  ASSERT_EQ(received, o.dir / "elsewhere/");
  EXPECT_EQ(o.state->currentFolder, o.dir / "elsewhere/");
  TMyIniFile ini(*FindStructureFile(o.folders.working));
  ini.DiscardChanges();
  EXPECT_EQ(ini.ReadString(Win("Отчет"), Win("Папка"), ""), Utf8ToCp1251(home));

  // "Отменить" writes nothing.
  o.ui.answers.push_back(kCancel);
  EXPECT_FALSE(ReceiveSubreportFrom(*o.state, returned + "Report.rpt"));
}

TEST(SubreportReception, APackageWithoutItsFolderIsRefused) {
  Office o;
  const std::string returned = testing::MakeReport(o.dir, "media/Отчет1", ReportFiles(true, ""));
  EXPECT_FALSE(ReceiveSubreportFrom(*o.state, returned + "Report.rpt"));
  EXPECT_EQ(o.ui.MessageTexts(), std::vector<std::string>{Win("Папка \"" + returned + "\" подотчета не содержит.")});
}

}  // namespace
}  // namespace rpt
