// reportctl print: the demo report to PDF, read back with pdfinfo and
// pdftotext (page count, size, orientation, values, continuation line).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/foundation/file_io.h"
#include "support/demo_report.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ShellRun;
using testing::TempFolder;

std::string Quote(const std::string& s) { return testing::ShellQuote(s); }
ShellRun Shell(const std::string& command) { return testing::RunShell(command); }
std::string Program() { return testing::BuildProgramFolder(); }
std::string DemoReport(const TempFolder& dir, const std::string& name, const std::string& edit = "") {
  return testing::PackedDemoReport(dir, name, edit);
}

bool HavePoppler() { return Shell("{ pdfinfo -v && pdftotext -v; } >/dev/null 2>&1").exitCode == 0; }

ShellRun Print(const std::string& report, const std::string& what, const std::string& pdf) {
  return Shell(Quote(REPORTCTL_PATH) + " print --program-folder " + Quote(Program()) + " " + Quote(report) + " " +
               what + " --pdf " + Quote(pdf));
}

struct PdfInfo {
  int pages = 0;
  std::string size;
};

PdfInfo Info(const std::string& pdf) {
  const std::string out = Shell("pdfinfo " + Quote(pdf)).out;
  PdfInfo info;
  if (const auto p = out.find("Pages:"); p != std::string::npos) info.pages = std::stoi(out.substr(p + 6));
  if (const auto s = out.find("Page size:"); s != std::string::npos) {
    const auto b = out.find_first_not_of(' ', s + 10);
    info.size = out.substr(b, out.find('\n', b) - b);
  }
  return info;
}

std::string Text(const std::string& pdf, int page) {
  return Shell("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) + " " + Quote(pdf) +
               " -").out;
}

class CliPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePoppler()) GTEST_SKIP() << "pdfinfo/pdftotext (poppler-utils) are not installed";
  }
  TempFolder dir;
};

TEST_F(CliPrint, WholeReportFormTableAndSectionFromThePrintStart) {
  const std::string report = DemoReport(dir, "demo");
  if (report.empty()) GTEST_SKIP() << "the demo report could not be made";
  const std::string all = dir / "all.pdf";
  const ShellRun r = Print(report, "--all", all);
  ASSERT_EQ(r.exitCode, 0);
  const PdfInfo info = Info(all);
  EXPECT_GT(info.pages, 15);
  EXPECT_EQ(r.out, all + ": " + std::to_string(info.pages) + " pages\n");
  EXPECT_NE(Text(all, 1).find("Северогорский государственный технический университет"), std::string::npos);

  // A form table on one portrait page with its values.
  const std::string form = dir / "org.pdf";
  ASSERT_EQ(Print(report, "--item Org.ini", form).exitCode, 0);
  EXPECT_EQ(Info(form).pages, 1);
  EXPECT_EQ(Info(form).size, "595 x 842 pts (A4)");
  EXPECT_NE(Text(form, 1).find("СевГТУ"), std::string::npos);

  // Usage errors and unknown items.
  EXPECT_EQ(Print(report, "--item Org.ini --all", dir / "x.pdf").exitCode, 2);
  EXPECT_EQ(Print(report, "--blank", dir / "x.pdf").exitCode, 2);
  EXPECT_EQ(Print(report, "--item Nothing.ini", dir / "x.pdf").exitCode, 1);
  EXPECT_EQ(Print(report, "--section 99", dir / "x.pdf").exitCode, 1);
}

TEST_F(CliPrint, GridTableOverSeveralLandscapePagesWithContinuation) {
  const std::string report =
      DemoReport(dir, "long", Quote(REPORTCTL_PATH) + " rows Granty.ini insert-empty-n 3 80 >/dev/null");
  if (report.empty()) GTEST_SKIP() << "the demo report could not be made";
  const std::string pdf = dir / "granty.pdf";
  ASSERT_EQ(Print(report, "--item Granty.ini", pdf).exitCode, 0);
  const PdfInfo info = Info(pdf);
  EXPECT_GE(info.pages, 3);
  EXPECT_EQ(info.size, "842 x 595 pts (A4)");  // landscape
  const std::string p1 = Text(pdf, 1), p2 = Text(pdf, 2), last = Text(pdf, info.pages);
  EXPECT_NE(p1.find("Таблица 3.3"), std::string::npos);
  EXPECT_EQ(p1.find("(продолжение)"), std::string::npos);
  EXPECT_NE(p1.find("21-79-10233"), std::string::npos);
  EXPECT_NE(p2.find("Таблица 3.3 (продолжение)"), std::string::npos);
  EXPECT_NE(last.find("Таблица 3.3 (продолжение)"), std::string::npos);
  // The rows after the inserted ones are on the last page.
  EXPECT_NE(last.find("85"), std::string::npos);
}

TEST_F(CliPrint, BlankFormWithTheListExpanded) {
  const std::string report = DemoReport(dir, "demo");
  if (report.empty()) GTEST_SKIP() << "the demo report could not be made";
  const std::string pdf = dir / "blank.pdf";
  ASSERT_EQ(Print(report, "--item Podr.ini --blank", pdf).exitCode, 0);
  const PdfInfo info = Info(pdf);
  EXPECT_GE(info.pages, 2);
  const std::string p1 = Text(pdf, 1);
  EXPECT_NE(p1.find("Кафедра высшей математики"), std::string::npos);  // from the list
  EXPECT_NE(Text(pdf, 2).find("Таблица 1.4 (продолжение)"), std::string::npos);
}

}  // namespace
}  // namespace rpt
