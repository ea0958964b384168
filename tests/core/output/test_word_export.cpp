// The word-processor export on a small report and print folder of its own:
// the questions, the order of elements with their breaks and orientations,
// the maps of cells, the signature pairs, the sections left out, and the
// written document read back with the document model.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../report/report_fixture.h"
#include "core/app/startup.h"
#include "core/foundation/config_keys.h"
#include "core/output/word_export.h"
#include "core/report/report_state.h"

namespace rpt::output {
namespace {

namespace fs = std::filesystem;
using rtf::RtfDocument;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::W;
using testing::Win;

std::string Cell(int n, const std::string& cap, bool bold = false) {
  return "[Cell_" + std::to_string(n) + "]\nState=D\nType=1\nVis=10 " + std::to_string(n * 25) +
         " 100 20 5 0\nFont=Arial,10," + (bold ? "1000" : "0000") + ",clBlack\nCap=" + cap + "\n\n";
}

// The title: the institution, the signatories, and a cell left empty.
std::string TitleTable() {
  return Win("[Table]\nFixed=0\nCount=9\n\n" + Cell(2, "МГУ", true) + Cell(3, "Ректор") + Cell(4, "Иванов") +
             Cell(5, "Проректор") + Cell(6, "Петров") + Cell(7, "Главбух") + Cell(8, "Сидорова") + Cell(9, "") +
             Cell(10, "2023"));
}

std::string Structure() {
  return Win(
      "[Отчет]\nНазвание=Отчет\nКоличество_разделов=3\nВерсия=23_00_22\nПодотчет=0\n\n"
      "[Раздел_1]\nНазвание=Первый\nКоличество_пунктов=2\nУдален=0\n\n"
      "[Пункт_1_1]\nНазвание=Пояснение\nТип=1\nФайл=Doc.rtf\nУдален=0\n\n"
      "[Пункт_1_2]\nНазвание=Кадры\nТип=0\nФайл=T2.ini\nУдален=0\n\n"
      "[Раздел_2]\nНазвание=Второй\nКоличество_пунктов=2\nУдален=0\n\n"
      "[Пункт_2_1]\nНазвание=Финансы\nТип=0\nФайл=T3.ini\nУдален=0\n\n"
      "[Пункт_2_2]\nНазвание=Исключенная\nТип=0\nФайл=T4.ini\nУдален=1\n\n"
      "[Раздел_3]\nНазвание=Третий\nКоличество_пунктов=1\nУдален=0\n\n"
      "[Пункт_3_1]\nНазвание=Титул\nТип=0\nФайл=Title.ini\nУдален=0\n");
}

// Templates: the title one table; the grid tables heading, data and
// signatures; T3 a single data table.
std::string Row(const std::vector<std::string>& cells) {
  std::string r = "\\trowd";
  for (std::size_t i = 1; i <= cells.size(); ++i) r += "\\clbrdrt\\brdrs\\brdrw10\\cellx" + std::to_string(i * 2000);
  r += "\\pard\\plain\\intbl ";
  for (const auto& c : cells) r += c + "\\cell ";
  return r + "\\row\n";
}
std::string Rtf(const std::string& body) { return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}\n" + body + "}"; }
std::string ThreeTables(const std::string& title) {
  return Rtf(Row({"(org)"}) + "\\pard\\plain\\s2\\outlinelevel1 " + title + "\\par\n" + Row({"A", "B", "C"}) +
             Row({"", "", "tmpl"}) + "\\pard\\par\n" + Row({"(pos)", "__", "(name)"}) + Row({"", "", ""}) +
             Row({"(pos)", "__", "(name)"}) + "\\pard\\par");
}

struct WordFixture {
  TempFolder dir;
  FolderSet folders;
  ScriptedInteraction ui;
  TReportState state;
  std::string out;

  explicit WordFixture(const std::string& notPrinted = "#3#")
      : folders(testing::MakeProgram(dir)), state(folders, ui), out(dir / "out/") {
    PrepareFolders(folders, ui);
    state.ReadInstallation();
    const std::string grid = testing::ReadFile(std::string(REPORT_TEST_FIXTURES) + "/tables/grid.ini");
    state.LoadReport(testing::MakeReport(dir, "Отчет 2023",
                                         {{"Report.str", Structure()},
                                          {"Title.ini", TitleTable()},
                                          {"T2.ini", grid},
                                          {"T3.ini", grid},
                                          {"T4.ini", grid},
                                          {"Doc.rtf", Rtf("\\pard Explanation\\par")},
                                          {"Check.chk", ""}}));
    fs::create_directories(out);
    Print("Print.ini",
          Win("[Таблицы не фиксированные]\nКоличество=257\n1=TITLE\n\n"  // only the low 8 bits count
              "[Title]\nКоличество=4\n1=2-1-2\n2=9-2-2\n3=10-2-1\n4=99-1-1\n\n"
              "[T2]\nПейзаж=1\n\n[Подписи]\nT2=23\nT3=2\n\n"
              "[Дополнительные ячейки]\nТаблица=Title\nНазваниеВуза=2\nДолжность=3\nФамилия=4\nДолжность Б=5\n"
              "Фамилия Б=6\nДолжность НОК=7\nФамилия НОК=8\n\n[Разделы не печатаемые]\nНомера=" + notPrinted + "\n"));
    Print("Title.rtf", Rtf(Row({"Org", "tmpl1"}) + Row({"Year", "tmpl2"}) + "\\pard\\par"));
    Print("T2.rtf", ThreeTables("Kadry"));
    Print("T3.rtf", Rtf("\\pard\\plain\\s2\\outlinelevel1 Finance\\par\n" + Row({"A", "B", "C"}) + Row({"", "", ""})));
    Print("Оглавление.rtf", Rtf("\\pard CONTENTS\\par{\\field{\\*\\fldinst TOC \\\\o \"1-2\"}{\\fldrslt x}}\\par"));
    ui.messages.clear();
    ui.progress.clear();
  }
  void Print(const std::string& name, const std::string& bytes) const { dir.Write("prog/Help/Data/PrintDocs/" + name, bytes); }
  RtfDocument Written(const std::string& name) const {
    return RtfDocument::Parse(testing::ReadFile(out + name));
  }
};

TEST(WordExport, WholeReportInTheOrderAndPagesOrdered) {
  WordFixture f;
  ASSERT_EQ(f.folders.print, f.dir / "prog/Help/Data/PrintDocs/");
  f.ui.pickerAnswers = {f.out};
  TWordExport(f.state).Run(0, 0, 0);
  EXPECT_EQ(f.ui.MessageTexts(), std::vector<std::string>{W("Выполняем передачу в MS Word?")});
  const std::string path = f.out + "Отчет 2023.rtf";
  ASSERT_TRUE(fs::exists(path));
  EXPECT_EQ(ReadWordFolder(f.folders.program), f.out);
  EXPECT_EQ(f.ui.shellRequests, std::vector<std::string>{"open " + path});
  // One window, not stoppable, for the whole run; the tables move its bar.
  int shown = 0, closed = 0;
  for (const auto& p : f.ui.progress) {
    shown += p.event == "show";
    closed += p.event == "close";
  }
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(closed, 1);
  ASSERT_FALSE(f.ui.progress.empty());
  EXPECT_EQ(f.ui.progress[0].text, W("Передача данных. Ждите ..."));

  const RtfDocument d = f.Written("Отчет 2023.rtf");
  // Title (1 table), contents, Doc.rtf, T2 (3 tables), T3 (1); T4 is
  // excluded and section 3 is left out.
  ASSERT_EQ(d.TableCount(), 5);
  // The title through its map: an empty cell and a cell that does not
  // exist leave the template's text.
  EXPECT_EQ(d.CellText(1, 1, 2), W("МГУ"));
  EXPECT_EQ(d.CellText(1, 2, 2), "tmpl2");
  EXPECT_EQ(d.CellText(1, 2, 1), "2023");
  // T2: the institution in the heading, both signature pairs with the
  // second ("НОК") last, the data rows with decimal commas.
  EXPECT_EQ(d.CellText(2, 1, 1), W("МГУ"));
  EXPECT_EQ(d.CellText(4, 1, 1), W("Ректор"));
  EXPECT_EQ(d.CellText(4, 1, 3), W("Иванов"));
  EXPECT_EQ(d.CellText(4, 3, 1), W("Главбух"));
  EXPECT_EQ(d.CellText(4, 3, 3), W("Сидорова"));
  ASSERT_EQ(d.RowCount(3), 3);
  EXPECT_EQ(d.CellText(3, 2, 2), "12");
  EXPECT_EQ(d.CellText(3, 2, 3), W("Тула"));
  EXPECT_EQ(d.CellText(3, 3, 1), "12,50");
  EXPECT_EQ(d.CellText(3, 3, 3), "01.02.2023");
  // T3 alone: its data in its one table, no signatures.
  EXPECT_EQ(d.CellText(5, 2, 2), "12");

  // Portrait title and contents; T2 landscape in a section of its own; T3
  // portrait again after another section break.
  ASSERT_EQ(d.SectionCount(), 3);
  EXPECT_FALSE(d.SectionLandscape(1));
  EXPECT_TRUE(d.SectionLandscape(2));
  EXPECT_FALSE(d.SectionLandscape(3));
  const std::string text = d.PlainText();
  // The contents name the tables; the document comes before them.
  const auto contents = text.find("CONTENTS\nKadry\t\nFinance\t\n"), doc = text.find("Explanation"),
             kadry = text.find("Kadry", doc), finance = text.find("Finance", kadry);
  EXPECT_TRUE(contents < doc && doc < kadry && kadry < finance && finance != std::string::npos) << text;
  const std::string rtf = testing::ReadFile(path);
  EXPECT_NE(rtf.find("PAGEREF _RptToc1"), std::string::npos);
  EXPECT_NE(rtf.find("\\titlepg"), std::string::npos);
}

TEST(WordExport, SectionsLeftOutByNumber) {
  // "#1#" leaves out section 1 only, "#11#" none of 1, 2 and 3.
  for (const auto& [numbers, tables] : {std::pair<std::string, int>{"#1#", 3}, {"#11#", 6}}) {
    WordFixture f(numbers);
    TWordExport e(f.state);
    e.outputPath = f.out + "r.rtf";
    e.openWhenWritten = false;
    e.Run(0, 0, 0);
    EXPECT_EQ(f.Written("r.rtf").TableCount(), tables) << numbers << f.Written("r.rtf").PlainText();
  }
}

TEST(WordExport, SingleTablesAndTheirEdgeCases) {
  WordFixture f;
  f.ui.pickerAnswers = {f.out};
  // A grid table alone: the template's orientation, no break before it.
  TWordExport(f.state).Run(2, 0, 1);
  RtfDocument d = f.Written("Отчет 2023 - T2.rtf");
  EXPECT_EQ(d.TableCount(), 3);
  EXPECT_EQ(d.SectionCount(), 1);
  EXPECT_TRUE(d.SectionLandscape(1));

  // A table without rows leaves the template's data row as it is.
  TReportTable* t3 = f.state.FindTable("T3.ini");
  ASSERT_NE(t3, nullptr);
  t3->table->RowCount = 0;
  f.ui.messages.clear();
  TWordExport e(f.state);
  e.outputPath = f.out + "t3.rtf";
  e.openWhenWritten = false;
  e.ExportTable(*t3->table);
  d = f.Written("t3.rtf");
  ASSERT_EQ(d.RowCount(1), 2);
  EXPECT_EQ(d.CellText(1, 1, 1), "A");

  // A template without a table makes no document.
  f.Print("T3.rtf", Rtf("\\pard no table\\par"));
  fs::remove(f.out + "t3.rtf");
  e.ExportTable(*t3->table);
  EXPECT_FALSE(fs::exists(f.out + "t3.rtf"));
  EXPECT_TRUE(f.ui.messages.empty());

  // A section that begins with a document: no break before the table
  // that follows it, whose orientation the first section takes.
  e.outputPath = f.out + "s1.rtf";
  e.Run(1, 0, 0);
  d = f.Written("s1.rtf");
  EXPECT_EQ(d.SectionCount(), 1);
  EXPECT_TRUE(d.SectionLandscape(1));
  EXPECT_EQ(d.PlainText().rfind("Explanation\n" + W("МГУ") + "\nKadry\n", 0), 0U) << d.PlainText();

  // A document alone is opened as it is, not exported.
  f.ui.shellRequests.clear();
  TWordExport(f.state).Run(2, 0, 0);
  EXPECT_EQ(f.ui.shellRequests, std::vector<std::string>{"open " + f.folders.working + "Doc.rtf"});
}

TEST(WordExport, QuestionsAndMissingSettings) {
  WordFixture f;
  // "Нет" to the question: nothing happens.
  f.ui.answers = {kNo};
  TWordExport(f.state).Run(1, 0, 0);
  EXPECT_TRUE(f.ui.progress.empty());
  EXPECT_TRUE(fs::is_empty(f.out));

  // No print settings: the message as stored, for a section and for a table.
  fs::remove(f.folders.print + "Print.ini");
  for (const int level : {1, 2}) {
    f.ui.messages.clear();
    TWordExport(f.state).Run(level, 0, 1);
    ASSERT_EQ(f.ui.messages.size(), 2U) << level;
    EXPECT_EQ(f.ui.messages[1].kind, MessageKind::Error);
    EXPECT_EQ(f.ui.messages[1].text, W("Отсутствуют настройки печати. Рукомендуется переустановить программу."));
  }
  EXPECT_TRUE(fs::is_empty(f.out));
}

TEST(WordExport, ADocumentThatCannotBeInsertedEndsTheExport) {
  WordFixture f;
  fs::remove(f.folders.print + "Оглавление.rtf");
  TWordExport e(f.state);
  e.outputPath = f.out + "r.rtf";
  e.Run(0, 0, 0);
  ASSERT_EQ(f.ui.messages.size(), 2U);
  EXPECT_EQ(f.ui.messages[1].text, W("При передаче данных возникла ошибка."));
  EXPECT_FALSE(fs::exists(f.out + "r.rtf"));
  EXPECT_FALSE(e.link().HasDocument());
}

}  // namespace
}  // namespace rpt::output
