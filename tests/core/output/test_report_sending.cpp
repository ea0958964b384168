// Sending a report: the institution code from the list, the addresses, the
// data file of each route (what it holds, where it lands, what is left
// beside it) and the sends that must stop.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>

#include "core/app/startup.h"
#include "core/archive/package.h"
#include "core/foundation/my_ini_file.h"
#include "core/output/report_sending.h"
#include "core/report/report_fixture.h"
#include "core/report/report_state.h"

namespace fs = std::filesystem;

namespace rpt::output {
namespace {

using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::W;
using testing::Win;

const std::string kSite = "https://stat.example.org/site/Orvantis.aspx";

TEST(InstitutionCode, QueryPadsTheCodeToSixCharacters) {
  const struct {
    const char* code;
    const char* query;
  } cases[] = {
      {"1234", "?a=++1234"},   {"045431", "?a=045431"}, {"1234567", "?a=1234567"},
      {"", "?a=+++++"},        {"7", "?a=+++++7"},      {"A&B", "?a=+++A%26B"},
  };
  for (const auto& c : cases) EXPECT_EQ(CodeQuery(c.code), c.query) << c.code;
  EXPECT_EQ(UploadAddress(kSite, "1234"), kSite + "?a=++1234");
  EXPECT_EQ(SiteAddress(kSite, "1234"), kSite + "?a=++1234&t=1");
  // Without a code: the site alone after a send, "?t=1" from "Сайт".
  EXPECT_EQ(UploadAddress(kSite, kUnknownCode), kSite);
  EXPECT_EQ(SiteAddress(kSite, kUnknownCode), kSite + "?t=1");
  EXPECT_EQ(DataFileName(kUnknownCode), "R_######.rpt");
}

const std::string kList = Win(
    "[Список]\nПолей=3\n\n[0]\n"
    "0_1_1=Академия Северный университет\n0_1_2=111111\n"
    "0_2_1=Восточный университет\n0_2_2= В12Н \n"
    "0_3_1=Южный институт\n"
    "0_4_1=отсутствует в перечне\n0_4_2=000000\n");

TEST(InstitutionCode, FoundByTheFirstOccurrenceOfTheName) {
  // Exact entries; "Н" and "В" in the code become Latin letters, blanks go.
  EXPECT_EQ(CodeFromList(kList, W("Северный университет"), "2"), "111111");  // inside the first, longer entry
  EXPECT_EQ(CodeFromList(kList, W("Академия Северный университет"), "2"), "111111");
  EXPECT_EQ(CodeFromList(kList, W("Восточный университет"), "2"), "B12H");
  EXPECT_EQ(CodeFromList(kList, W("Южный институт"), "2"), "######");  // no code column
  EXPECT_EQ(CodeFromList(kList, W("Западный"), "2"), "######");
  EXPECT_EQ(CodeFromList(kList, W("северный университет"), "2"), "######");  // letter case counts
  EXPECT_EQ(CodeFromList(kList, "", "2"), "######");
  EXPECT_EQ(LatinLookalikes(W(" НВ1 ")), "HB1");
}

TEST(Checksum, IsTheSha256OfTheBytes) {
  TempFolder dir;
  dir.Write("abc", "abc");
  EXPECT_EQ(Sha256OfFile(dir / "abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256OfFile(dir / "missing"), "");
}

// The summaries answered as scripted; the clipboard and the summaries' lines recorded.
struct Desk : SendDesk {
  checks::ErrorsSummaryAnswer errors = checks::ErrorsSummaryAnswer::SendAnyway;
  checks::EmptySummaryAnswer empty = checks::EmptySummaryAnswer::SendAnyway;
  std::vector<std::string> asked;  // "errors" / "empty"
  std::string clipboard;
  checks::ErrorsSummaryAnswer AskErrors(const std::vector<std::string>&) override {
    asked.push_back("errors");
    return errors;
  }
  checks::EmptySummaryAnswer AskEmpty(const std::vector<std::string>&) override {
    asked.push_back("empty");
    return empty;
  }
  void PutOnClipboard(const std::string& text) override { clipboard = text; }
  std::vector<PrinterFacts> Printers() override { return {{"Office", true}}; }
};

// The title table: the institution's name (cell 2), a name typed by hand
// (cell 3) and a number (cell 4).
std::string TitleTable(const std::string& name, const std::string& typed = "") {
  return Win("[Table]\nFixed=0\nCount=3\n\n"
             "[Cell_2]\nState=D\nType=1\nBVal=100021\nBList=100002\nVis=10 10 200 20 5 0\nCap=" + name +
             "\n\n[Cell_3]\nState=D\nType=1\nVis=10 40 200 20 5 0\nCap=" + typed +
             "\n\n[Cell_4]\nState=D\nType=2\nVis=10 70 40 20 5 0\nCap=3\n");
}

const std::string kOptions = Win(
    "[Сайт]\nНорм=" + kSite +
    "\n\n[Наименование вуза]\nТаблица=T1.ini\nЯчейка=2\nСписок=Vuz.lst\nПоле кода вуза=2\n\n"
    "[Наименование вуза новое]\nЯчейка=3\n");

struct Office {
  TempFolder dir;
  FolderSet folders;
  ScriptedInteraction ui;
  Desk desk;
  std::unique_ptr<TReportState> state;
  std::string report;

  explicit Office(const std::string& name = "Восточный университет", const std::string& typed = "",
                  const std::string& options = kOptions, const std::string& t2 = "7", bool subreport = false)
      : folders(FolderSet::FromProgramFolder(dir / "prog/")) {
    fs::create_directories(folders.data);
    testing::StructureOptions structure;
    structure.subreport = subreport;
    auto files = testing::BlankReportFiles(structure);
    files[1].second = TitleTable(name, typed);
    files[2].second = testing::FormTable(t2);
    auto templates = files;
    templates.push_back({"Options.cnf", options});
    testing::MakePackage(dir, "stage", templates, folders.TemplatePackage());
    testing::MakePackage(dir, "stage", {{"Vuz.lst", kList}}, folders.ListPackage());
    report = testing::MakeReport(dir, "Отчет 2023", files);
    state = std::make_unique<TReportState>(folders, ui);
    PrepareFolders(folders, ui);
    state->ReadInstallation();
    state->LoadReport(report);
    ui.messages.clear();
  }
  TReportSending Sending() { return TReportSending(*state, desk, kSite); }
  std::vector<std::string> MailFiles() const {
    std::vector<std::string> names;
    if (fs::exists(folders.mail))
      for (const auto& e : fs::directory_iterator(folders.mail)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// The gzip member's content.
std::string Gunzip(const std::string& bytes) {
  z_stream zs{};
  EXPECT_EQ(inflateInit2(&zs, 16 + MAX_WBITS), Z_OK);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  zs.avail_in = static_cast<uInt>(bytes.size());
  std::string out;
  char buffer[65536];
  int result;
  do {
    zs.next_out = reinterpret_cast<Bytef*>(buffer);
    zs.avail_out = sizeof buffer;
    result = inflate(&zs, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - zs.avail_out);
  } while (result == Z_OK);
  inflateEnd(&zs);
  EXPECT_EQ(result, Z_STREAM_END);
  return out;
}

// The container's entries: name -> bytes, in order.
std::vector<std::pair<std::string, std::string>> Entries(const std::string& container) {
  std::vector<std::pair<std::string, std::string>> out;
  EXPECT_EQ(container.substr(0, 7), "kwatrel");
  std::size_t at = 11;
  for (int n = std::stoi(container.substr(7, 4)); n > 0; --n) {
    const auto nameLength = std::stoul(container.substr(at, 4));
    const std::string name = container.substr(at + 4, nameLength);
    const auto size = std::stoull(container.substr(at + 4 + nameLength, 20));
    out.push_back({name, container.substr(at + 24 + nameLength, size)});
    at += 24 + nameLength + size;
  }
  EXPECT_EQ(at, container.size());
  return out;
}

std::vector<std::string> Names(const std::vector<TSTCabFileInfo>& files) {
  std::vector<std::string> out;
  for (const auto& f : files) out.push_back(f.name);
  return out;
}

TEST(Sending, InternetLeavesOneDataFileWithItsChecksum) {
  Office o;
  const auto sent = o.Sending().SendInternet();
  ASSERT_TRUE(sent) << (o.ui.messages.empty() ? "" : Cp1251ToUtf8(o.ui.messages[0].text));
  EXPECT_EQ(sent->path, o.folders.mail + "R_B12H.rpt");
  EXPECT_EQ(o.MailFiles(), (std::vector<std::string>{"R_B12H.rpt", "R_B12H.rpt.sha256"}));
  EXPECT_EQ(ReadFile(sent->path + ".sha256"), Sha256OfFile(sent->path) + "  R_B12H.rpt\n");
  EXPECT_EQ(o.desk.clipboard, sent->path);
  EXPECT_EQ(o.ui.shellRequests, std::vector<std::string>{"address " + kSite + "?a=++B12H"});
  EXPECT_FALSE(fs::exists(o.folders.program + "R.txt"));
  EXPECT_TRUE(o.desk.asked.empty());
  // One information box: the route's text, then size and checksum.
  ASSERT_EQ(o.ui.messages.size(), 1u);
  EXPECT_EQ(o.ui.messages[0].kind, MessageKind::Information);
  EXPECT_NE(o.ui.messages[0].text.find("SHA-256: " + sent->sha256), std::string::npos);

  const auto entries = Entries(Gunzip(ReadFile(sent->path)));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].first, "R.txt");
  EXPECT_EQ(entries[1].first, "R_B12H.rpt");
  std::string lines;
  for (const auto& t : o.state->tables()) t.table->WriteDataLines(lines);
  EXPECT_EQ(entries[0].second, lines);
  o.dir.Write("archive", entries[1].second);
  // Tree order, then the structure file, then the system information.
  EXPECT_EQ(Names(ListPackage(o.dir / "archive")),
            (std::vector<std::string>{"T1.ini", "Doc.rtf", "T2.ini", "Report.str", "SInfo.Inf"}));
  TMyIniFile structure(o.folders.working + "Report.str");
  EXPECT_EQ(structure.ReadString(W("Отчет"), W("Код_вуза"), "?"), "B12H");
  structure.DiscardChanges();
}

TEST(Sending, NameMissingFromTheListIsTakenFromTheTypedCell) {
  Office o(Cp1251ToUtf8(W("отсутствует в перечне")), "Новый институт");
  const auto sent = o.Sending().SendEmail();
  ASSERT_TRUE(sent);
  // Not in the list: no code, and the address carries none.
  EXPECT_EQ(sent->path, o.folders.mail + "R_######.rpt");
  EXPECT_TRUE(fs::exists(o.folders.program + "R.txt"));  // the e-mail route keeps it
  TMyIniFile table(o.folders.working + "T1.ini");
  EXPECT_EQ(table.ReadString("Cell_2", "Cap", ""), W("Новый институт"));
  EXPECT_EQ(table.ReadString("Cell_2", "BVal", ""), "-1");
  EXPECT_EQ(table.ReadString("Cell_2", "BList", ""), "-1");
  table.DiscardChanges();
  // No code: the key is there, empty.
  EXPECT_NE(ReadFile(o.folders.working + "Report.str").find(W("Код_вуза=\r\n")), std::string::npos);
  const std::string said =
      W("Подготовленный файл данных отчета для отправки по E-mail \"R_######.rpt\" помещен в папку \"");
  EXPECT_EQ(o.ui.messages.at(0).text.substr(0, said.size()), said);
}

TEST(Sending, StopsWithoutTheInstitutionsName) {
  const struct {
    const char* name;
    std::string options;
    const char* message;
  } cases[] = {
      {"", kOptions, "В отчете отсутствует наименование вуза (организации)."},
      {"Восточный университет", Win("[Наименование вуза]\nТаблица=T1.ini\nЯчейка=2\n"),
       "Ошибка в параметрах файла \"TabIni/Options.cnf\"."},
  };
  for (const auto& c : cases) {
    Office o(c.name, "", c.options);
    EXPECT_FALSE(o.Sending().SendInternet());
    EXPECT_EQ(o.ui.MessageTexts(), std::vector<std::string>{W(c.message)});
    EXPECT_FALSE(fs::exists(o.folders.mail));
  }
}

TEST(Sending, EmptyTablesAskBeforeTheSend) {
  Office o("Восточный университет", "", kOptions, "");
  o.desk.empty = checks::EmptySummaryAnswer::Cancel;
  TReportSending sending = o.Sending();
  EXPECT_FALSE(sending.SendInternet());
  EXPECT_TRUE(sending.stoppedAtSummary());
  EXPECT_EQ(o.desk.asked, std::vector<std::string>{"empty"});
  EXPECT_FALSE(fs::exists(o.folders.mail));
  EXPECT_FALSE(fs::exists(o.folders.program + "R.txt"));

  o.desk.empty = checks::EmptySummaryAnswer::SendAnyway;
  EXPECT_TRUE(sending.SendInternet());
}

TEST(Sending, FailedArchiveLeavesNoDataFile) {
  Office o;
  fs::remove(o.folders.working + "Doc.rtf");
  EXPECT_FALSE(o.Sending().SendInternet());
  EXPECT_EQ(o.ui.MessageTexts(),
            std::vector<std::string>{W("В отчете отсутствует файл \"") + Utf8ToCp1251(o.folders.working) +
                                     W("Doc.rtf\". Отправка отчета прекращена.")});
  EXPECT_EQ(o.MailFiles(), std::vector<std::string>{});
}

TEST(Sending, MediaWritesBesideTheReportNameAndRefusesTheDataFolder) {
  Office o;
  o.ui.pickerAnswers = {o.folders.data + "TabIni"};
  EXPECT_FALSE(o.Sending().SendMedia());
  EXPECT_EQ(o.ui.MessageTexts(), (std::vector<std::string>{
                                     W("Укажите папку для записи отправляемых данных."),
                                     W("Папку \"") + Utf8ToCp1251(o.folders.data) +
                                         W("TabIni/\" для записи данных использовать нельзя.")}));

  o.ui.messages.clear();
  o.ui.pickerAnswers = {o.dir / "usb"};
  const auto sent = o.Sending().SendMedia();
  ASSERT_TRUE(sent);
  const std::string target = o.dir / "usb/Отчет 2023 (для отправки)/";
  EXPECT_EQ(sent->path, target + "R_B12H.rpt");
  EXPECT_EQ(ReadFile(target + "R_B12H.rpt.sha256"), sent->sha256 + "  R_B12H.rpt\n");
  // The report's package and the mail folder hold the same archive.
  EXPECT_EQ(ReadFile(o.report + "Report.rpt"), ReadFile(sent->path));
  EXPECT_EQ(ReadFile(o.folders.mail + "R_B12H.rpt"), ReadFile(sent->path));
  EXPECT_EQ(o.ui.messages.back().text.substr(0, W("Файл данных отчета \"R_B12H.rpt\" записан в папку \"").size()),
            W("Файл данных отчета \"R_B12H.rpt\" записан в папку \""));
}

TEST(Sending, SubreportOnAMediumIsItsPackage) {
  // A sub-report needs no name: the empty name cell does not stop it.
  Office o("", "", kOptions, "7", true);
  ASSERT_TRUE(o.state->isSubreport);
  o.ui.pickerAnswers = {o.dir / "usb"};
  const auto sent = o.Sending().SendMedia();
  ASSERT_TRUE(sent);
  const std::string target = o.dir / "usb/Отчет 2023 (для отправки)/";
  EXPECT_EQ(sent->path, target + "Report.rpt");
  EXPECT_EQ(ReadFile(sent->path), ReadFile(o.report + "Report.rpt"));
  const std::string said = W("Подотчет записан в папку \"") + Utf8ToCp1251(target) + "\".";
  EXPECT_EQ(o.ui.messages.back().text.substr(0, said.size()), said);
  EXPECT_FALSE(fs::exists(o.folders.mail));
}

TEST(Sending, SiteOpensWithTheCodeOrSaysTheBrowserFailed) {
  Office o;
  EXPECT_TRUE(o.Sending().OpenSite());
  EXPECT_EQ(o.ui.shellRequests, std::vector<std::string>{"address " + kSite + "?a=++B12H&t=1"});
  o.ui.shellSucceeds = false;
  EXPECT_FALSE(o.Sending().OpenSite());
  EXPECT_EQ(o.ui.MessageTexts(), std::vector<std::string>{W("Ошибка запуска интернет-браузера.")});
}

}  // namespace
}  // namespace rpt::output
