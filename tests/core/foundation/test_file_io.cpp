#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using testing::ReadFile;
using testing::TempFolder;

TEST(FindEntryNoCase, PrefersExactSpellingThenFirstCaseInsensitiveMatch) {
  TempFolder dir;
  dir.Write("REPORT.RPT", "a");
  dir.Write("Отчет.STR", "b");
  EXPECT_EQ(FindEntryNoCase(dir.path(), "Report.rpt"), dir / "REPORT.RPT");
  EXPECT_EQ(FindEntryNoCase(dir.path(), "отчет.str"), dir / "Отчет.STR");
  EXPECT_EQ(FindEntryNoCase(dir.path(), "Check.chk"), std::nullopt);

  dir.Write("report.rpt", "c");
  EXPECT_EQ(FindEntryNoCase(dir.path(), "report.rpt"), dir / "report.rpt");
  EXPECT_EQ(FindEntryNoCase(dir.path(), "Report.Rpt"), dir / "REPORT.RPT");  // name order
  EXPECT_EQ(FindEntryNoCase(dir.path() + "missing/", "x"), std::nullopt);
}

TEST(FindEntryNoCase, NamesOutsideTheCodePageCompareExactly) {
  TempFolder dir;
  dir.Write("日本.ini", "a");
  EXPECT_EQ(FindEntryNoCase(dir.path(), "日本.INI"), std::nullopt);
  EXPECT_EQ(FindEntryNoCase(dir.path(), "日本.ini"), dir / "日本.ini");
}

TEST(MatchesMask, WildcardsIgnoreCase) {
  struct Case { const char* name; const char* mask; bool match; };
  const Case cases[] = {
      {"Отчет.STR", "*.str", true}, {"a.str.bak", "*.str", false}, {"T1.ini", "t?.INI", true},
      {"T10.ini", "t?.ini", false}, {"x", "*", true},             {"", "*", true},
      {"abc", "a*c*", true},        {"日.ini", "*.ini", true},      {"日.INI", "*.ini", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST(ListMatching, SortedFilesOnlyUnlessAsked) {
  TempFolder dir;
  dir.Write("b.STR", "");
  dir.Write("a.str", "");
  dir.Write("c.ini", "");
  std::filesystem::create_directory(dir / "d.str");
  EXPECT_EQ(ListMatching(dir.path(), "*.str"), (std::vector<std::string>{"a.str", "b.STR"}));
  EXPECT_EQ(ListMatching(dir.path(), "*.str", true), (std::vector<std::string>{"a.str", "b.STR", "d.str"}));
}

TEST(AtomicWriteFile, ReplacesContentKeepsModeAndLeavesNoTemporaryFiles) {
  TempFolder dir;
  const std::string file = dir.Write("t.ini", "old");
  ::chmod(file.c_str(), 0640);
  EXPECT_EQ(AtomicWriteFile(file, "new content"), "");
  EXPECT_EQ(ReadFile(file), "new content");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AtomicWriteFile, FailureIsReportedAndOldContentKept) {
  TempFolder dir;
  EXPECT_NE(AtomicWriteFile(dir / "no/such/folder/t.ini", "x"), "");
  const std::string file = dir.Write("ro/t.ini", "old");
  if (::geteuid() != 0) {  // root writes into read-only folders anyway
    ::chmod((dir / "ro").c_str(), 0555);
    EXPECT_NE(AtomicWriteFile(file, "new"), "");
    EXPECT_EQ(ReadFile(file), "old");
    ::chmod((dir / "ro").c_str(), 0755);
  }
}

TEST(ReadWholeFile, ReadsBytesOrNothing) {
  TempFolder dir;
  const std::string bytes("a\0b\r\n", 5);
  EXPECT_EQ(ReadWholeFile(dir.Write("f", bytes)), bytes);
  EXPECT_EQ(ReadWholeFile(dir / "missing"), std::nullopt);
}

TEST(ReadExistingFile, AFileThatCannotBeReadIsAnErrorNamingIt) {
  TempFolder dir;
  EXPECT_EQ(ReadExistingFile(dir.Write("f", "abc")), "abc");
  EXPECT_EQ(ReadExistingFile(dir / "missing"), std::nullopt);
  fs::create_directories(dir / "folder");
  try {
    ReadExistingFile(dir / "folder");
    FAIL() << "a folder read as a file";
  } catch (const EFileError& e) {
    EXPECT_EQ(Cp1251ToUtf8(e.what()), "Не удается прочитать файл \"" + (dir / "folder") + "\": " + std::strerror(EISDIR));
  }
}

}  // namespace
}  // namespace rpt
