// reportctl export-xlsx: the demo report into a workbook, read back from
// its XML (tests/support/xlsx_dump.py); the file opens in LibreOffice when
// it is installed. reportctl export-rtf: the demo report as one document,
// converted to PDF by LibreOffice and read back with pdftotext.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/demo_report.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

using testing::BuildProgramFolder;
using testing::PackedDemoReport;
using testing::RunShell;
using testing::ShellQuote;
using testing::ShellRun;

ShellRun Export(const std::string& report, const std::string& what, const std::string& out) {
  return RunShell(ShellQuote(REPORTCTL_PATH) + " export-xlsx --program-folder " + ShellQuote(BuildProgramFolder()) +
                  " " + ShellQuote(report) + " " + what + " " + ShellQuote(out));
}

std::string Dump(const std::string& xlsx) {
  return RunShell("python3 " + ShellQuote(std::string(REPORT_SOURCE_DIR) + "/tests/support/xlsx_dump.py") + " " +
                  ShellQuote(xlsx))
      .out;
}

// The lines of one sheet of a dump.
std::string SheetOf(const std::string& dump, const std::string& name) {
  const auto b = dump.find("sheet " + name + "\n");
  if (b == std::string::npos) return {};
  const auto e = dump.find("\nsheet ", b + 1);
  return dump.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CliExportXlsx, DemoReportSheetsHoldNumbersAsNumbers) {
  TempFolder dir;
  const std::string report = PackedDemoReport(dir, "demo");
  ASSERT_FALSE(report.empty());
  const std::string all = dir / "all.xlsx";
  const ShellRun r = Export(report, "--all", all);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, all + ": 23 sheets\n");
  const std::string d = Dump(all);
  // A form table: the title page's texts, merged and framed as on screen.
  const std::string title = SheetOf(d, "Title");
  EXPECT_TRUE(Has(title, "merge ")) << title;
  // A grid table: its header over the headings, the sums numeric.
  const std::string fin = SheetOf(d, "Fin");
  EXPECT_TRUE(Has(fin, "cell A8 s Источник финансирования font=Arial/9/- border=medium align=center/center")) << fin;
  EXPECT_TRUE(Has(fin, " n ")) << fin;
  EXPECT_FALSE(Has(fin, " s 0 ")) << fin;
  EXPECT_FALSE(Has(d, " s $")) << "a leading $ stays";

  // One item and one section name their own workbook's sheets.
  const ShellRun one = Export(report, "--item Fin.ini", dir / "fin.xlsx");
  ASSERT_EQ(one.exitCode, 0) << one.out;
  EXPECT_EQ(Dump(dir / "fin.xlsx").find("sheet Fin\n"), 0U);
  EXPECT_EQ(Export(report, "--section 1", dir / "s1.xlsx").exitCode, 0);

  // LibreOffice Calc reads the workbook (when installed).
  if (RunShell("command -v soffice").exitCode != 0 || !fs::exists("/usr/lib/libreoffice/program/libsclo.so"))
    GTEST_SKIP() << "LibreOffice Calc (soffice with libreoffice-calc) is not installed";
  const ShellRun conv = RunShell("cd " + ShellQuote(dir / "") + " && HOME=" + ShellQuote(dir / "") +
                                 " soffice --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' fin.xlsx"
                                 " >/dev/null 2>&1");
  ASSERT_EQ(conv.exitCode, 0);
  // Numbers read back as numbers, texts in UTF-8 (filter option 76).
  const std::string csv = testing::ReadFile(dir / "fin.csv");
  EXPECT_TRUE(Has(csv, "Источник финансирования")) << csv;
  EXPECT_TRUE(Has(csv, "\"Объем финансирования, всего (сумма строк 2, 6, 10)\",,1,438600.0,")) << csv;
}

TEST(CliExportXlsx, NothingToExport) {
  TempFolder dir;
  const std::string report = PackedDemoReport(dir, "demo");
  ASSERT_FALSE(report.empty());
  EXPECT_EQ(Export(report, "--item Nothing.ini", dir / "x.xlsx").exitCode, 1);
  EXPECT_EQ(Export(report, "--section 99", dir / "x.xlsx").exitCode, 1);
  EXPECT_EQ(Export(report, "--all --section 1", dir / "x.xlsx").exitCode, 2);
  EXPECT_FALSE(fs::exists(dir / "x.xlsx"));
}

ShellRun ExportRtf(const std::string& report, const std::string& what, const std::string& out) {
  return RunShell(ShellQuote(REPORTCTL_PATH) + " export-rtf --program-folder " + ShellQuote(BuildProgramFolder()) +
                  " " + ShellQuote(report) + " " + what + " " + ShellQuote(out));
}

// A page's text with every run of blanks made one blank.
std::string PageText(const std::string& pdf, int page) {
  const std::string text = RunShell("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                    " " + ShellQuote(pdf) + " -")
                               .out;
  return std::regex_replace(text, std::regex("[ \t]+"), " ");
}

TEST(CliExportRtf, DemoReportAsOneDocumentInLibreOffice) {
  TempFolder dir;
  const std::string report = PackedDemoReport(dir, "demo");
  ASSERT_FALSE(report.empty());
  const std::string rtf = dir / "all.rtf";
  const ShellRun r = ExportRtf(report, "--all", rtf);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, rtf + ": 22 tables\n");
  EXPECT_EQ(ExportRtf(report, "--section 3", dir / "s3.rtf").out, dir / "s3.rtf" + ": 4 tables\n");
  EXPECT_EQ(ExportRtf(report, "--item Fin.ini", dir / "fin.rtf").exitCode, 0);
  // A document item alone is the document itself; nothing is exported.
  EXPECT_EQ(ExportRtf(report, "--item Ukaz.rtf", dir / "ukaz.rtf").exitCode, 1);
  EXPECT_FALSE(fs::exists(dir / "ukaz.rtf"));

  if (RunShell("command -v soffice && command -v pdftotext && command -v pdfinfo").exitCode != 0 ||
      !fs::exists("/usr/lib/libreoffice/program/libswlo.so"))
    GTEST_SKIP() << "LibreOffice Writer (libreoffice-writer-nogui) or poppler-utils is not installed";
  const ShellRun conv = RunShell("cd " + ShellQuote(dir / "") + " && HOME=" + ShellQuote(dir / "") +
                                 " soffice --headless --convert-to pdf all.rtf >/dev/null 2>&1");
  ASSERT_EQ(conv.exitCode, 0);
  const std::string pdf = dir / "all.pdf";
  // One page for each element in the order of the report: the title, the
  // contents, then sections 1 to 6 (section 7 is not printed), each
  // element on a page of its own. Landscape where "Print.ini" says so.
  const std::string info = RunShell("pdfinfo -f 1 -l 99 " + ShellQuote(pdf)).out;
  EXPECT_TRUE(Has(info, "Pages:           26\n")) << info;
  std::string orientations;
  const std::regex size("size: +([0-9.]+) x ([0-9.]+)");
  for (std::sregex_iterator m(info.begin(), info.end(), size), e; m != e; ++m)
    orientations += std::stod((*m)[1]) > std::stod((*m)[2]) ? 'L' : 'P';
  EXPECT_EQ(orientations, "PPPPPPPPPPLPPLLLPLPPLLLPPP");
  const std::pair<int, const char*> starts[] = {
      {1, "ОТЧЕТ"}, {2, "СОДЕРЖАНИЕ"}, {3, "Указания по заполнению"}, {12, "Таблица 3.1"},
      {14, "Таблица 3.3"}, {19, "Форма 4.4"}, {23, "Таблица 5.3"}, {26, "Пояснительная записка"}};
  for (const auto& [page, start] : starts) EXPECT_TRUE(Has(PageText(pdf, page).substr(0, 400), start)) << page;

  // The contents list the headings with the pages they stand on; the pages
  // are numbered from the second.
  const std::string contents = PageText(pdf, 2);
  EXPECT_TRUE(std::regex_search(contents, std::regex("Объем финансирования научных исследований и разработок по "
                                                     "источникам\\.+12\n")))
      << contents;
  EXPECT_FALSE(std::regex_search(PageText(pdf, 1), std::regex("\n 1\n")));
  EXPECT_TRUE(std::regex_search(contents, std::regex("\n 2\n")));

  // The title through its map of cells.
  const std::string title = PageText(pdf, 1);
  EXPECT_TRUE(Has(title, "Должность руководителя организации Ректор\n")) << title;
  EXPECT_TRUE(Has(title, "Фамилия, имя, отчество руководителя Петров Сергей Николаевич\n")) << title;
  // A grid table: the institution above it, its rows in place, both
  // signature pairs with the last one ("НОК") standing.
  const std::string fin = PageText(pdf, 12);
  EXPECT_TRUE(Has(fin, "Северогорский государственный технический университет\n")) << fin;
  EXPECT_TRUE(Has(fin, "\n 1 438600,0 183700,0 178900,0 76000,0\n")) << fin;
  EXPECT_TRUE(Has(fin, "Средства бюджетов, всего (сумма строк 3-5) 2 285900,0 135000,0 117500,0 33400,0\n")) << fin;
  EXPECT_TRUE(Has(fin, "договоры с иностранными заказчиками 12 7400,0 0,0 2800,0 4600,0\n")) << fin;
  EXPECT_TRUE(Has(fin, "Ректор ________________ Петров Сергей Николаевич\n")) << fin;
  EXPECT_TRUE(Has(fin, "Начальник научно-исследовательской части ________________ Кузнецов Андрей Павлович\n")) << fin;
  // A growing table on a landscape page: a row per record.
  const std::string granty = PageText(pdf, 14);
  EXPECT_TRUE(std::regex_search(granty, std::regex("\\n 1 22-19-00412 [^\\n]* 31.12.2024 7000,0\\n"))) << granty;
  EXPECT_TRUE(std::regex_search(granty, std::regex("\\n 3 ФИ-2022-118 [^\\n]* 31.12.2023 12000,0\\n"))) << granty;
}

}  // namespace
}  // namespace rpt
