// reportctl export-xlsx: the demo report into a workbook, read back from
// its XML (tests/support/xlsx_dump.py); the file opens in LibreOffice when
// it is installed.
#include <gtest/gtest.h>

#include <filesystem>
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

}  // namespace
}  // namespace rpt
