// reportctl print: the demo report to PDF, read back with pdfinfo and
// pdftotext (page count, size, orientation, values, continuation line),
// and its text documents in their places when LibreOffice is there.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "core/foundation/file_io.h"
#include "support/demo_report.h"
#include "support/office_stub.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ShellRun;
using testing::TempFolder;

std::string Quote(const std::string& s) { return testing::ShellQuote(s); }
// Runs a shell command; its standard error is dropped unless `withErrors`.
ShellRun Shell(const std::string& command, bool withErrors = false) {
  return testing::RunShell(withErrors ? "{ { " + command + "; } 2>&1; }" : command);
}
std::string Program() { return testing::BuildProgramFolder(); }
std::string DemoReport(const TempFolder& dir, const std::string& name, const std::string& edit = "") {
  return testing::PackedDemoReport(dir, name, edit);
}

bool HavePoppler() { return Shell("{ pdfinfo -v && pdftotext -v; } >/dev/null 2>&1").exitCode == 0; }

// `path`: the PATH reportctl sees (where it looks for LibreOffice and
// pdfunite); stderr is kept in the output when given.
ShellRun Print(const std::string& report, const std::string& what, const std::string& pdf,
               const std::optional<std::string>& path = std::nullopt) {
  return Shell((path ? "PATH=" + Quote(*path) + " " : std::string()) + Quote(REPORTCTL_PATH) +
                   " print --program-folder " + Quote(Program()) + " " + Quote(report) + " " + what + " --pdf " +
                   Quote(pdf),
               path.has_value());
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

TEST_F(CliPrint, DocumentsGoIntoThePdfInTheirPlaces) {
  if (Shell("command -v pdfunite").exitCode != 0) GTEST_SKIP() << "pdfunite (poppler-utils) is not installed";
  const std::string report = DemoReport(dir, "demo");
  if (report.empty()) GTEST_SKIP() << "the demo report could not be made";
  const std::string bin = testing::WriteOfficeStub(dir / "stub-bin");
  const std::string path = bin + ":" + std::getenv("PATH");

  // Section 4 ends with the annotation, a document.
  const std::string tablesOnly = dir / "tables.pdf";
  ASSERT_EQ(Print(report, "--section 4", tablesOnly, "/nonexistent").exitCode, 0);
  const std::string section = dir / "section.pdf";
  const ShellRun r = Print(report, "--section 4", section, path);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const int pages = Info(section).pages;
  EXPECT_EQ(pages, Info(tablesOnly).pages + 1);
  EXPECT_NE(r.out.find(section + ": " + std::to_string(pages) + " pages"), std::string::npos) << r.out;
  EXPECT_NE(Text(section, pages).find("STUB PAGE"), std::string::npos);
  for (int n = 1; n < pages; ++n) EXPECT_EQ(Text(section, n).find("STUB PAGE"), std::string::npos) << n;

  // The whole report: both documents after the print start, converted in
  // one run of the office with a profile of its own; the first document
  // lies before it and is left out.
  fs::remove(bin + "/runs.log");
  const std::string all = dir / "all.pdf";
  ASSERT_EQ(Print(report, "--all", all, path).exitCode, 0);
  std::ifstream log(bin + "/runs.log");
  std::string run, second;
  std::getline(log, run);
  EXPECT_FALSE(std::getline(log, second));
  EXPECT_NE(run.find("-env:UserInstallation=file://"), std::string::npos);
  EXPECT_NE(run.find("--headless"), std::string::npos);
  int stubs = 0;
  for (int n = 1; n <= Info(all).pages; ++n) stubs += Text(all, n).find("STUB PAGE") != std::string::npos;
  EXPECT_EQ(stubs, 2);
}

TEST_F(CliPrint, WithoutLibreOfficeDocumentsAreNamedAndTheTablesStillPrint) {
  const std::string report = DemoReport(dir, "demo");
  if (report.empty()) GTEST_SKIP() << "the demo report could not be made";
  const std::string pdf = dir / "section.pdf";
  const ShellRun r = Print(report, "--section 4", pdf, (dir / "empty-bin"));
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("document Annot.rtf: LibreOffice (soffice) is not installed: not in the PDF"),
            std::string::npos)
      << r.out;
  EXPECT_GT(Info(pdf).pages, 0);
  // A document alone gives nothing to print.
  EXPECT_EQ(Print(report, "--item Annot.rtf", dir / "doc.pdf", (dir / "empty-bin")).exitCode, 1);
}

TEST_F(CliPrint, DocumentThroughLibreOffice) {
  if (Shell("command -v soffice && command -v pdfunite").exitCode != 0)
    GTEST_SKIP() << "LibreOffice (soffice) or pdfunite is not installed";
  const std::string report = DemoReport(dir, "demo");
  if (report.empty()) GTEST_SKIP() << "the demo report could not be made";
  const std::string pdf = dir / "annot.pdf";
  const ShellRun r = Print(report, "--item Annot.rtf", pdf);
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_GE(Info(pdf).pages, 1);
  EXPECT_EQ(Info(pdf).size.substr(0, 3), "595");  // A4 portrait
  EXPECT_NE(Text(pdf, 1).find("Аннотация"), std::string::npos);
}

}  // namespace
}  // namespace rpt
