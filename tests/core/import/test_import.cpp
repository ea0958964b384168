// Both imports through the report state, driven through the scripted port:
// the entries of the options file, the replaced tables cell by cell, the
// protocol lines and the exact messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/import/last_year_import.h"
#include "core/import/this_year_import.h"
#include "core/report/report_fixture.h"
#include "core/report/report_state.h"
#include "core/app/startup.h"
#include "core/calc/structure.h"
#include "core/tables/table.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::ScriptedInteraction;
using testing::StructureOptions;
using testing::TempFolder;
using testing::Win;

using Files = std::vector<std::pair<std::string, std::string>>;

// A form table: text (cell 2), integer (3), real (4), formula = integer * 2
// (5), and its heading in the header (cell 6).
std::string Table(const std::string& heading, const std::string& text, const std::string& integer,
                  const std::string& real) {
  return Win("[Table]\nFixed=0\nCount=6\n\n"
                 "[Cell_2]\nState=D\nType=1\nVis=10 30 80 20 5 0\nCap=" + text +
                 "\n\n[Cell_3]\nState=D\nType=2\nVis=100 30 40 20 5 0\nCap=" + integer +
                 "\n\n[Cell_4]\nState=D\nType=3\nDec=1\nVis=150 30 40 20 5 0\nCap=" + real +
                 "\n\n[Cell_5]\nState=D\nType=7\nDec=0\nForm=8 0 (3)*2\nVis=200 30 40 20 5 0\nCap=\n\n"
                 "[Cell_6]\nState=H\nType=0\nVis=10 0 200 20 5 0\nCap=" + heading + "\n");
}

Files ThisYear(const std::string& integer = "5", const std::string& t2 = "") {
  auto files = testing::BlankReportFiles();
  files[1].second = Table("Таблица 1 (2022)", "Петров", integer, "2,5");
  files[2].second = testing::FormTable(t2);
  files[3].second = "{\\rtf1 this year}";
  return files;
}

Files LastYear(const StructureOptions& o = {"22_00_21"}) {
  auto files = testing::BlankReportFiles(o);
  files.push_back({"T5.ini", Table("Таблица 5 (2021)", "Иванов", "12", "1,5")});
  files[3].second = "{\\rtf1 last year}";
  return files;
}

struct Office {
  TempFolder dir;
  FolderSet folders;
  ScriptedInteraction ui;
  std::unique_ptr<TReportState> state;
  std::vector<ImportProtocol> shown;
  Office(const std::string& options, const Files& report = ThisYear()) : folders(testing::MakeProgram(dir)) {
    PrepareFolders(folders, ui);
    dir.Write("prog/Help/Data/TabIni/Options.cnf", Win("[Импортируемые таблицы]\n" + options));
    state = std::make_unique<TReportState>(folders, ui);
    state->ReadInstallation();
    state->OpenReportFolder(testing::MakeReport(dir, "rep", report));
    ui.messages.clear();
  }
  TTable& T(std::size_t i) { return *state->tables()[i].table; }
  std::string Cell(std::size_t table, int n) { return Cp1251ToUtf8(CellByNumber(T(table).data, n)->label.caption); }
  std::string Heading(std::size_t table) { return Cp1251ToUtf8(T(table).header.leftmost->label.caption); }
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const auto& m : ui.messages) out.push_back(Cp1251ToUtf8(m.text));
    ui.messages.clear();
    return out;
  }
  ImportOutcome LastYearImport(const std::string& source, const std::vector<int>& entries) {
    TLastYearImport import(*state);
    import.showProtocol = [this](const ImportProtocol& p) { shown.push_back(p); };
    return import.Import(source, entries);
  }
  std::string Working(const std::string& name) { return testing::ReadFile(folders.working + name); }
};

std::vector<std::string> Lines(const ImportProtocol& p) {
  std::vector<std::string> out;
  for (const auto& l : p.lines()) out.push_back(Cp1251ToUtf8(l));
  return out;
}

TEST(ImportOptions, FieldsSkipEmptyPartsAndTheListHidesEntriesWithoutThisYearsFile) {
  struct Case {
    const char* line;
    const char* first;
    const char* second;
    const char* third;
  } cases[] = {{"T5.ini;T7.ini;+", "T5.ini", "T7.ini", "+"},
               {";;T5.ini;;T7.ini;", "T5.ini", "T7.ini", ""},
               {"T5.ini", "T5.ini", "", ""},
               {"", "", "", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(ImportField(c.line, 1), c.first) << c.line;
    EXPECT_EQ(ImportField(c.line, 2), c.second) << c.line;
    EXPECT_EQ(ImportField(c.line, 3), c.third) << c.line;
  }
  EXPECT_EQ(ImportKindOf("a.Ini"), ImportKind::Table);
  EXPECT_EQ(ImportKindOf("Doc1.RTF"), ImportKind::Document);
  EXPECT_EQ(ImportKindOf("a.txt"), ImportKind::Other);

  Office o("Количество=3\n1=T5.ini;T1.ini;+\n2=T5.ini\n3=Doc.rtf;doc.RTF\n");
  TLastYearImport import(*o.state);
  std::vector<std::string> lines;
  for (const auto& l : import.ListLines()) lines.push_back(std::to_string(l.number) + "|" + Cp1251ToUtf8(l.text));
  EXPECT_EQ(lines, (std::vector<std::string>{"1|1. Таблица 1", "3|3. Пояснение"}));
  EXPECT_EQ(EntryNumberOfLine("12. Таблица"), 12);
}

TEST(LastYearImport, KeepsNumbersOnlyWithPlusAndThisYearsHeading) {
  Office o("Количество=3\n1=T5.ini;T1.ini;+\n2=T5.ini;T2.ini\n3=Doc.rtf;Doc.rtf\n");
  const std::string source = testing::MakeReport(o.dir, "last", LastYear());
  const ImportOutcome out = o.LastYearImport(source + "Report.rpt", {1, 2, 3});
  ASSERT_TRUE(out.ran);
  EXPECT_TRUE(out.allImported);
  // T1 holds data: asked first; T2 is empty: no question; the document never asks.
  const auto texts = o.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Таблица \"Таблица 1\" содержит данные. При импорте они будут заменены данными из "
                      "импортируемой таблицы. Импортировать?");
  EXPECT_EQ(texts[1], "Импорт данных закончен.");
  EXPECT_GT(texts.size(), 2u) << "the whole-report check follows";
  EXPECT_EQ(Lines(out.protocol), (std::vector<std::string>{"1. Таблица \"Таблица 1\" импортирована.",
                                                           "2. Таблица \"Таблица 2\" импортирована.",
                                                           "3. Документ \"Пояснение\" импортирован."}));
  // With "+": last year's texts and numbers, formulas recomputed, this year's heading.
  EXPECT_EQ(o.Cell(0, 2), "Иванов");
  EXPECT_EQ(o.Cell(0, 3), "12");
  EXPECT_EQ(o.Cell(0, 4), "1,5");
  EXPECT_EQ(o.Cell(0, 5), "24");
  EXPECT_EQ(o.Heading(0), "Таблица 1 (2022)");
  // Without: texts only; the numbers blank.
  EXPECT_EQ(o.Cell(1, 2), "Иванов");
  EXPECT_EQ(o.Cell(1, 3), "");
  EXPECT_EQ(o.Cell(1, 4), "");
  EXPECT_TRUE(o.T(1).Modified());
  EXPECT_EQ(o.Working("Doc.rtf"), "{\\rtf1 last year}");
  EXPECT_TRUE(o.shown.empty());
  // Saving writes the tables into this year's files.
  ASSERT_TRUE(o.state->Save());
  EXPECT_NE(o.Working("T2.ini").find(Win("Cap=Иванов")), std::string::npos);
}

// Packages made on Windows carry Windows-1251 names, spelt in any case.
TEST(LastYearImport, FindsFilesWhateverTheirCaseAndAlphabet) {
  Office o("Количество=1\n1=КАДРЫ.INI;t1.INI;+\n");
  auto files = LastYear();
  files.back().first = "Кадры.ini";
  const std::string source = testing::MakeReport(o.dir, "last", files);
  o.ui.answers.push_back(kYes);
  const ImportOutcome out = o.LastYearImport(source, {1});
  EXPECT_TRUE(out.allImported) << (out.protocol.empty() ? "" : Lines(out.protocol)[0]);
  EXPECT_EQ(o.Cell(0, 2), "Иванов");
}

TEST(LastYearImport, ARefusalOrAMissingFileShowsTheProtocolWithoutRecalculation) {
  Office o("Количество=4\n1=T5.ini;T1.ini;+\n2=\n3=T9.ini;T2.ini\n4=Nope.rtf;Doc.rtf\n");
  const std::string source = testing::MakeReport(o.dir, "last", LastYear());
  o.ui.answers.push_back(kNo);
  const ImportOutcome out = o.LastYearImport(source, {1, 2, 3, 4});
  ASSERT_TRUE(out.ran);
  EXPECT_FALSE(out.allImported);
  EXPECT_EQ(o.Texts().size(), 1u) << "only the question: no final message, no check";
  const std::vector<std::string> expected = {
      "1. Отказ от импорта таблицы \"Таблица 1\".",
      "2. В указанной папке таблица \"Таблица 2\" (T9.ini) отсутствует.",
      "3. В указанной папке документ \"Пояснение\" (Nope.rtf) отсутствует."};
  EXPECT_EQ(Lines(out.protocol), expected);
  ASSERT_EQ(o.shown.size(), 1u);
  EXPECT_EQ(Lines(o.shown[0]), expected);
  EXPECT_EQ(o.Cell(0, 2), "Петров");
  EXPECT_EQ(o.Working("Doc.rtf"), "{\\rtf1 this year}");
}

// Names with folder parts never reach outside the import or working folder.
TEST(LastYearImport, NamesWithFolderPartsAreNotFollowed) {
  Office o("Количество=2\n1=../last/T5.ini;T1.ini\n2=Doc.rtf;../escaped.rtf\n");
  const std::string source = testing::MakeReport(o.dir, "last", LastYear());
  const ImportOutcome out = o.LastYearImport(source, {1, 2});
  EXPECT_FALSE(out.allImported);
  EXPECT_EQ(Lines(out.protocol),
            (std::vector<std::string>{"1. В указанной папке таблица \"Таблица 1\" (../last/T5.ini) отсутствует.",
                                      "2. В указанной папке документ \"\" (Doc.rtf) отсутствует."}));
  EXPECT_FALSE(fs::exists(o.folders.data + "escaped.rtf"));
  EXPECT_EQ(o.Cell(0, 2), "Петров");
}

TEST(LastYearImport, AFailedDocumentCopyIsReportedAsNotImported) {
  Office o("Количество=1\n1=Doc.rtf;Doc.rtf\n");
  const std::string source = testing::MakeReport(o.dir, "last", LastYear());
  // This year's document cannot be replaced: its name is taken by a folder
  // that holds a folder of the same name.
  fs::remove(o.folders.working + "Doc.rtf");
  fs::create_directories(o.folders.working + "Doc.rtf/Doc.rtf/x");
  const ImportOutcome out = o.LastYearImport(source, {1});
  ASSERT_TRUE(out.ran);
  EXPECT_FALSE(out.allImported);
  ASSERT_EQ(out.protocol.lines().size(), 1u);
  EXPECT_EQ(Lines(out.protocol)[0].rfind("1. Документ \"Пояснение\" не импортирован: ", 0), 0u)
      << Lines(out.protocol)[0];
  EXPECT_EQ(o.shown.size(), 1u);
}

TEST(LastYearImport, RefusesSourcesThatAreNotLastYearsReport) {
  Office o("Количество=1\n1=T5.ini;T1.ini;+\n");
  StructureOptions sub{"22_00_21"};
  sub.subreport = true;
  struct Case {
    std::string source;
    std::string message;
  } cases[] = {
      {o.dir / "empty/", "Папка \"" + (o.dir / "empty/") + "\" не содержит отчета."},
      {testing::MakeReport(o.dir, "sub", LastYear(sub)), "Импорт возможен только из отчета. Вы выбрали подотчет."},
      {testing::MakeReport(o.dir, "now", LastYear(StructureOptions{})),
       "Папка \"" + (o.dir / "now/") + "\" содержит отчет не прошлого года."}};
  fs::create_directories(o.dir / "empty");
  for (const auto& c : cases) {
    const ImportOutcome out = o.LastYearImport(c.source, {1});
    EXPECT_FALSE(out.ran) << c.source;
    EXPECT_EQ(o.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(o.Cell(0, 2), "Петров");
    EXPECT_FALSE(fs::exists(o.folders.import)) << "the import folder is removed";
  }
}

TEST(LastYearImport, ChoosingAsksForTheReportAndCancelEnds) {
  Office o("Количество=1\n1=T5.ini;T1.ini;+\n");
  o.ui.pickerAnswers.push_back(std::nullopt);
  TLastYearImport import(*o.state);
  EXPECT_FALSE(import.ChooseAndImport({1}).ran);
  EXPECT_EQ(o.Texts(), std::vector<std::string>{"Укажите отчет, из которого Вы хотите импортировать данные."});
}

TEST(ThisYearImport, OffersSectionsTwoAndFourToAHundred) {
  StructureModel m;
  for (int s = 1; s <= 102; ++s) {
    StructureSection section;
    StructureItem item;
    item.title = "S" + std::to_string(s);
    section.items.push_back(item);
    m.sections.push_back(section);
  }
  const auto titles = OfferedTitles(m);
  ASSERT_EQ(titles.size(), 98u);
  EXPECT_EQ(titles[0], "S2");
  EXPECT_EQ(titles[1], "S4");
  EXPECT_EQ(titles.back(), "S100");
}

TEST(ThisYearImport, ReplacesByTitleAndReportsWhatItCouldNotMatch) {
  Office o("Количество=0\n");
  auto other = ThisYear("40", "9");
  other[1].second = Table("Таблица 1 (другая)", "Сидоров", "40", "4,5");
  other[3].second = "{\\rtf1 other}";
  const std::string source = testing::MakeReport(o.dir, "other", other);
  TThisYearImport import(*o.state);
  std::vector<ImportProtocol> shown;
  import.showProtocol = [&](const ImportProtocol& p) { shown.push_back(p); };
  o.ui.answers.push_back(kYes);
  const ImportOutcome out =
      import.Import(source, {Win("Таблица 2"), Win("Пояснение"), Win("Таблица 1"), Win("таблица 1")});
  ASSERT_TRUE(out.ran);
  EXPECT_FALSE(out.allImported);
  EXPECT_EQ(Lines(out.protocol), (std::vector<std::string>{"1. Таблица \"Таблица 2\" импортирована.",
                                                           "2. Документ \"Пояснение\" импортирован.",
                                                           "3. Таблица \"Таблица 1\" импортирована.",
                                                           "4. В открытом отчете элемент \"таблица 1\" отсутствует."}));
  // The empty table was not asked about; the filled one was.
  EXPECT_EQ(o.Texts(), std::vector<std::string>{"Таблица \"Таблица 1\" содержит данные. При импорте они будут "
                                                "заменены данными из импортируемой таблицы. Импортировать?"});
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(o.Cell(0, 2), "Сидоров");
  EXPECT_EQ(o.Cell(0, 3), "40");
  EXPECT_EQ(o.Cell(1, 2), "9");
  EXPECT_EQ(o.Working("Doc.rtf"), "{\\rtf1 other}");
  const bool progressShown = std::any_of(o.ui.progress.begin(), o.ui.progress.end(), [](const auto& p) {
    return p.event == "show" && p.text == Win("Импорт документов");
  });
  EXPECT_TRUE(progressShown);
}

TEST(ThisYearImport, AllImportedEndsWithTheMessageAndTheCheck) {
  Office o("Количество=0\n");
  const std::string source = testing::MakeReport(o.dir, "other", ThisYear("40", "9"));
  TThisYearImport import(*o.state);
  const ImportOutcome out = import.Import(source, {Win("Таблица 2")});
  EXPECT_TRUE(out.allImported);
  const auto texts = o.Texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "Импорт данных закончен");
  EXPECT_GT(texts.size(), 1u) << "the whole-report check follows";
}

TEST(ThisYearImport, RefusesWhatIsNotThisYearsReport) {
  Office o("Количество=0\n");
  StructureOptions sub;
  sub.subreport = true;
  fs::create_directories(o.dir / "empty");
  struct Case {
    std::string source;
    const char* message;
  } cases[] = {{o.dir / "empty/", "Это не отчет."},
               {testing::MakeReport(o.dir, "old", LastYear()), "Отчет не той версии."},
               {testing::MakeReport(o.dir, "sub", LastYear(sub)),
                "Импорт возможен только из отчета. Вы выбрали подотчет."}};
  for (const auto& c : cases) {
    EXPECT_FALSE(TThisYearImport(*o.state).Import(c.source, {Win("Таблица 1")}).ran);
    EXPECT_EQ(o.Texts(), std::vector<std::string>{c.message});
  }
  // The desktop command asks again after a refusal until the dialog is cancelled.
  o.ui.pickerAnswers = {o.dir / "empty/x.rpt", std::nullopt};
  TThisYearImport run(*o.state);
  run.chooseTitles = [](const std::vector<std::string>&) { return std::vector<std::string>{}; };
  EXPECT_FALSE(run.Run().ran);
  EXPECT_EQ(o.Texts(), (std::vector<std::string>{"Укажите отчет этого года, из которого Вы хотите взять таблицы.",
                                                 "Это не отчет."}));
}

}  // namespace
}  // namespace rpt
