// Spreadsheet export: the sheet grid of a table, cell texts and numbers,
// column names past "Z", the command's questions and messages, stopping,
// and the written .xlsx read back (tests/support/xlsx_dump.py).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "../report/report_fixture.h"
#include "core/app/startup.h"
#include "core/foundation/config_keys.h"
#include "core/foundation/progress.h"
#include "core/output/excel_export.h"
#include "core/report/report_state.h"

namespace rpt::output {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::W;
using testing::Win;

std::string Dump(const std::string& xlsx) {
  const std::string cmd = "python3 '" + std::string(REPORT_SOURCE_DIR) + "/tests/support/xlsx_dump.py' '" + xlsx + "'";
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  EXPECT_EQ(::pclose(p), 0) << cmd;
  return out;
}

bool Has(const std::string& dump, const std::string& line) { return dump.find(line) != std::string::npos; }

TEST(ExcelExport, ColumnNamesGoPastZ) {
  const std::pair<int, const char*> cases[] = {{0, "A"},   {25, "Z"},   {26, "AA"},   {27, "AB"},    {51, "AZ"},
                                               {52, "BA"}, {701, "ZZ"}, {702, "AAA"}, {16383, "XFD"}};
  for (const auto& [col, name] : cases) EXPECT_EQ(ColumnName(col), name) << col;
  EXPECT_EQ(RangeRef({2, 26, 3, 28}), "AA3:AC4");
}

TEST(ExcelExport, TextsWidthsAndAlignment) {
  const std::pair<const char*, const char*> texts[] = {{"$Итого", "Итого"},  {"$$5", "$5"}, {"  a\r\nb \t", "a b"},
                                                       {"a\nb\rc", "a b c"}, {"$ x ", "x"}, {"\r\n", ""},
                                                       {"10$", "10$"}};
  for (const auto& [in, out] : texts) EXPECT_EQ(SheetText(W(in)), W(out)) << in;

  // 3 pixels make no character (3/7 rounds to 0), 4 make one.
  const SheetGrid g{{0, 3, 7, 11, 81}, {0, 20, 45}};
  EXPECT_EQ(g.ColumnWidths(), (std::vector<int>{0, 1, 1, 10}));
  EXPECT_EQ(g.RowHeights(), (std::vector<int>{20, 25}));
  EXPECT_EQ(g.RangeOf(3, 0, 8, 45), (SheetRange{0, 1, 1, 2}));

  const int expected[10][2] = {{0, 0}, {1, 2}, {1, 3}, {1, 1}, {2, 2}, {2, 3}, {2, 1}, {3, 2}, {3, 3}, {3, 1}};
  for (int t = 0; t <= 9; ++t) {
    EXPECT_EQ(AlignmentOf(t).vertical, expected[t][0]) << t;
    EXPECT_EQ(AlignmentOf(t).horizontal, expected[t][1]) << t;
  }
  EXPECT_EQ(AlignmentOf(10).vertical, 0);
}

// A form table of a title over `cells` numbered cells side by side, 40
// pixels each.
std::string WideFormTable(int cells) {
  std::string t = "[Table]\nFixed=0\nCount=" + std::to_string(cells + 1) + "\n\n[Cell_2]\nState=D\nType=10\nVis=0 10 " +
                  std::to_string(cells * 40) + " 20 5 0\nCap=Широкая таблица\n";
  for (int c = 0; c < cells; ++c)
    t += "\n[Cell_" + std::to_string(c + 3) + "]\nState=D\nType=2\nVis=20 " + std::to_string(10 + c * 40) +
         " 40 20 6 0\nCap=" + std::to_string(c + 1) + "\nFont=Arial,10,1010,clBlack\n";
  return Win(t);
}

struct ExportFixture {
  TempFolder dir;
  FolderSet folders;
  ScriptedInteraction ui;
  TReportState state;
  std::string out;
  int loadUpdates = 0;  // progress updates made while the report loaded

  explicit ExportFixture(int wideCells = 30)
      : folders(testing::MakeProgram(dir)), state(folders, ui), out(dir / "out/") {
    PrepareFolders(folders, ui);
    state.ReadInstallation();
    auto files = testing::BlankReportFiles();
    files[1].second = WideFormTable(wideCells);
    files[2].second = testing::ReadFile(std::string(REPORT_TEST_FIXTURES) + "/tables/grid.ini");
    files[2].first = "T2.ini";
    state.LoadReport(testing::MakeReport(dir, "Отчет 2023", files));
    fs::create_directories(out);
    ui.messages.clear();
    for (const auto& p : ui.progress) loadUpdates += p.event == "update";
    ui.progress.clear();
  }
};

TEST(ExcelExport, WholeReportIntoTheChosenFolder) {
  ExportFixture f;
  f.ui.pickerAnswers = {f.out};
  TExcelExport(f.state).Run(0, 0, 0);
  ASSERT_EQ(f.ui.MessageTexts(),
            std::vector<std::string>{W("Вы выбрали передачу в Excel всего отчета. Эта операция может занять довольно "
                                       "много времени и на ее выполнение может не хватить ресурсов компьютера. \r\n"
                                       "Рекомендуется выполнять передачу по отдельным разделам.\r\nВы можете "
                                       "прервать процесс передачи в любой момент.\r\nВыполнить операцию?")});
  const std::string xlsx = f.out + "Отчет 2023.xlsx";
  ASSERT_TRUE(fs::exists(xlsx));
  EXPECT_EQ(ReadExcelFolder(f.folders.program), f.out);
  EXPECT_EQ(f.ui.shellRequests, std::vector<std::string>{"open " + xlsx});

  const std::string d = Dump(xlsx);
  // The wide table: 30 columns of 40 pixels (6 characters, which the file
  // keeps with the padding of the sheet's font) under one title.
  EXPECT_TRUE(Has(d, "sheet T1\n")) << d;
  EXPECT_TRUE(Has(d, "col 30-30 6.7109375\n")) << d;
  EXPECT_TRUE(Has(d, "merge A1:AD1\n")) << d;
  EXPECT_TRUE(Has(d, "cell A1 s Широкая таблица")) << d;
  EXPECT_TRUE(Has(d, "cell AA2 n 27 font=Arial/10/BU border=medium align=right/center wrap=1 fmt=0\n")) << d;
  EXPECT_TRUE(Has(d, "cell AD2 n 30 ")) << d;
  // The grid table: header over the headings, texts as texts, numbers as
  // numbers with the decimals shown.
  EXPECT_TRUE(Has(d, "sheet T2\n")) << d;
  EXPECT_TRUE(Has(d, " s текст font=MS Sans Serif/8/-")) << d;
  EXPECT_TRUE(Has(d, " n 12 ")) << d;
  EXPECT_TRUE(Has(d, " n 12.5 ") && Has(d, "fmt=0.00\n")) << d;
  EXPECT_TRUE(Has(d, " n 24.5 ") && Has(d, "fmt=0.0\n")) << d;
  EXPECT_TRUE(Has(d, " s Тула ")) << d;
  EXPECT_FALSE(Has(d, "$")) << d;

  // A second export asks before replacing the file; "Нет" offers another name.
  f.ui.messages.clear();
  f.ui.answers = {kYes, kNo};
  f.ui.pickerAnswers = {f.out + "другой.xlsx"};
  TExcelExport(f.state).Run(0, 0, 0);
  ASSERT_EQ(f.ui.messages.size(), 2U);
  EXPECT_EQ(f.ui.messages[1].text, W("Файл \"Отчет 2023.xlsx\" уже существует. Заменить его?"));
  EXPECT_TRUE(fs::exists(f.out + "другой.xlsx"));
}

TEST(ExcelExport, SelectionsThatExportNothing) {
  ExportFixture f;
  // The whole-report warning answered "Нет", a document, a section without tables of its own.
  f.ui.answers = {kNo};
  TExcelExport(f.state).Run(0, 0, 0);
  EXPECT_EQ(f.ui.messages.size(), 1U);
  f.ui.messages.clear();
  TExcelExport(f.state).Run(2, 0, 1);
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_TRUE(f.ui.progress.empty());
  EXPECT_TRUE(fs::is_empty(f.out));
  EXPECT_EQ(ReadExcelFolder(f.folders.program), "");
}

TEST(ExcelExport, StoppingKeepsOrDiscardsTheCellsMadeSoFar) {
  for (const Button keep : {kYes, kNo}) {
    ExportFixture f;
    f.ui.pickerAnswers = {f.out};
    // Loading the report moved progress bars too: stop a few cells into the table.
    f.ui.stopAfterUpdates = f.loadUpdates + 8;
    f.ui.answers = {kYes, keep};  // stop? keep what was made?
    TExcelExport(f.state).Run(1, 0, 0);
    ASSERT_EQ(f.ui.MessageTexts(),
              (std::vector<std::string>{std::string(StopQuestion()), W("Сохранить уже созданные данные?"),
                                        W("Процесс передачи таблиц отчета в Excel прерван.")}));
    const std::string xlsx = f.out + "Отчет 2023 - раздел 1.xlsx";
    ASSERT_EQ(fs::exists(xlsx), keep == kYes);
    if (keep == kNo) continue;
    const std::string d = Dump(xlsx);
    EXPECT_TRUE(Has(d, "cell A2 n 1 ")) << d;
    EXPECT_FALSE(Has(d, "cell AD2 ")) << d;
  }
}

TEST(ExcelExport, FailuresAreToldWithTheirReason) {
  // More columns than a sheet has: the table fails, the user may keep the rest.
  {
    ExportFixture f(kSheetColumns + 1);
    TExcelExport(f.state).Run(2, 0, 0);
    ASSERT_EQ(f.ui.messages.size(), 2U);
    EXPECT_EQ(f.ui.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(f.ui.messages[0].text.rfind(W("При передаче данных возникла ошибка. Попробуйте еще раз.\r\n"), 0), 0U);
    EXPECT_EQ(f.ui.messages[1].text, W("Закрыть Excel?"));
    EXPECT_TRUE(fs::is_empty(f.out));
  }
  // A folder that cannot take the file.
  {
    ExportFixture f;
    f.ui.pickerAnswers = {f.dir / "missing/"};
    TExcelExport(f.state).Run(2, 1, 0);
    ASSERT_EQ(f.ui.messages.size(), 1U);
    EXPECT_EQ(f.ui.messages[0].text.rfind(W("Excel не загружается.\r\n"), 0), 0U) << f.ui.messages[0].text;
    EXPECT_TRUE(f.ui.shellRequests.empty());
  }
}

}  // namespace
}  // namespace rpt::output
