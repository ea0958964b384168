#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using namespace literals;
using testing::ReadFile;
using testing::TempFolder;

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// --- folders --------------------------------------------------------------

TEST(ClearFolder, KeepsTheFoldersUnlessAskedToRemoveThem) {
  for (bool remove : {false, true}) {
    SCOPED_TRACE(remove);
    TempFolder tmp;
    tmp.Write("w/a.ini", "1");
    tmp.Write("w/Subreports/x/Report.rpt", "2");
    EXPECT_TRUE(ClearFolder(tmp / "w/", remove));
    EXPECT_FALSE(Exists(tmp / "w/a.ini"));
    EXPECT_FALSE(Exists(tmp / "w/Subreports/x/Report.rpt"));
    EXPECT_EQ(Exists(tmp / "w/Subreports/x"), !remove);
    EXPECT_EQ(Exists(tmp / "w"), !remove);
  }
}

TEST(ClearFolder, RemovesReadOnlyFilesAndFolders) {
  TempFolder tmp;
  const std::string file = tmp.Write("w/ro/locked.txt", "x");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  ASSERT_EQ(::chmod((tmp / "w/ro").c_str(), 0555), 0);
  EXPECT_TRUE(ClearFolder(tmp / "w/", true));
  EXPECT_FALSE(Exists(tmp / "w"));
}

TEST(ClearFolder, RemovesLinksWithoutFollowingThem) {
  TempFolder tmp;
  const std::string outsideFile = tmp.Write("outside/keep.txt", "keep");
  tmp.Write("w/plain.txt", "x");
  fs::create_directory_symlink(tmp / "outside", tmp / "w/dirlink");
  fs::create_symlink(outsideFile, tmp / "w/filelink");
  fs::create_symlink(tmp / "nowhere", tmp / "w/dangling");
  EXPECT_TRUE(ClearFolder(tmp / "w/", true));
  EXPECT_FALSE(Exists(tmp / "w"));
  EXPECT_EQ(ReadFile(outsideFile), "keep");
}

TEST(ClearFolder, RefusesRootEmptyPathAndFiles) {
  TempFolder tmp;
  const std::string file = tmp.Write("f.txt", "x");
  EXPECT_FALSE(ClearFolder("/", false));
  EXPECT_FALSE(ClearFolder("", true));
  EXPECT_FALSE(ClearFolder(tmp / "..//..//..//..//..//..//..//..//..//..//", true));
  EXPECT_FALSE(ClearFolder(file, true));
  EXPECT_TRUE(Exists(file));
  EXPECT_TRUE(ClearFolder(tmp / "missing/", true));  // nothing left to delete
}

TEST(FolderHolds, ComparesWholeFolderNamesWithLinksResolved) {
  TempFolder tmp;
  fs::create_directories(tmp / "a/b/c");
  fs::create_directories(tmp / "ab");
  fs::create_directory_symlink(tmp / "a/b", tmp / "to-b");
  EXPECT_TRUE(FolderHolds(tmp / "a/", tmp / "a/b/c/"));
  EXPECT_TRUE(FolderHolds(tmp / "a", tmp / "a"));
  EXPECT_TRUE(FolderHolds(tmp / "to-b/", tmp / "a/b/c/"));  // through a link
  EXPECT_TRUE(FolderHolds(tmp / "a/", tmp / "to-b/c/"));
  EXPECT_TRUE(FolderHolds(tmp / "a/b/c/../", tmp / "a/b/"));
  EXPECT_FALSE(FolderHolds(tmp / "a/", tmp / "ab/"));  // a longer name is another folder
  EXPECT_FALSE(FolderHolds(tmp / "a/b/", tmp / "a/"));
  EXPECT_TRUE(FolderHolds("/", tmp / "a/"));
  EXPECT_FALSE(FolderHolds("", tmp / "a/"));
}

TEST(IsFileSystemRoot, RootAndMountPointsOnly) {
  TempFolder tmp;
  EXPECT_TRUE(IsFileSystemRoot("/"));
  EXPECT_TRUE(IsFileSystemRoot("/proc/"));  // a file system of its own
  EXPECT_FALSE(IsFileSystemRoot(tmp.path()));
  fs::create_directory_symlink("/", tmp / "to-root");
  EXPECT_TRUE(IsFileSystemRoot(tmp / "to-root/"));
}

TEST(DeleteFilesThenFolder, DeletesOnlyTheNamedFilesNeverThroughALink) {
  TempFolder tmp;
  const std::string outside = tmp.Write("outside/keep.txt", "keep");
  tmp.Write("w/Report.rpt", "r");
  tmp.Write("w/mine.txt", "mine");
  tmp.Write("w/Arch.rpt/inner", "a folder of that name stays");
  fs::create_symlink(outside, tmp / "w/Colors.opt");
  fs::create_directory_symlink(tmp / "outside", tmp / "w/Link.rpt");
  EXPECT_EQ(FolderEntries(tmp / "w/"),
            (std::vector<std::string>{"Arch.rpt/", "Colors.opt", "Link.rpt", "Report.rpt", "mine.txt"}));
  EXPECT_EQ(DeleteFilesThenFolder(tmp / "w/", {"Report.rpt", "Colors.opt", "Link.rpt", "Arch.rpt", "gone"}), "");
  EXPECT_EQ(FolderEntries(tmp / "w/"), (std::vector<std::string>{"Arch.rpt/", "mine.txt"}));
  EXPECT_EQ(ReadFile(outside), "keep");

  // Nothing else in it: the folder goes too; a folder given as a link loses the link.
  fs::remove_all(tmp / "w/Arch.rpt");
  fs::create_directory_symlink(tmp / "w", tmp / "via");
  EXPECT_EQ(DeleteFilesThenFolder(tmp / "via/", {"mine.txt"}), "");
  EXPECT_FALSE(Exists(tmp / "via"));
  EXPECT_TRUE(FolderEntries(tmp / "w/").empty());
  EXPECT_EQ(DeleteFilesThenFolder(tmp / "w/", {}), "");
  EXPECT_FALSE(Exists(tmp / "w"));
  EXPECT_EQ(DeleteFilesThenFolder(tmp / "w/", {"x"}), "");  // already gone
}

TEST(Folders, ForceAndExist) {
  TempFolder tmp;
  EXPECT_FALSE(FolderExists(tmp / "a/b/c/"));
  EXPECT_TRUE(ForceFolders(tmp / "a/b/c/"));
  EXPECT_TRUE(FolderExists(tmp / "a/b/c/"));
  EXPECT_FALSE(FolderExists(tmp.Write("f", "")));
  EXPECT_FALSE(ForceFolders(tmp / "f/sub/"));  // a file stands in the way
}

// --- copying ----------------------------------------------------------------

TEST(CopyFile, ReplacesCreatesFoldersAndKeepsTheTime) {
  TempFolder tmp;
  const std::string src = tmp.Write("src/Report.rpt", std::string("\0bytes\xFF", 7));
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
  fs::last_write_time(src, old);
  tmp.Write("dst/Report.rpt", "older and longer content");

  CopyFile(src, tmp / "dst/Report.rpt");
  EXPECT_EQ(ReadFile(tmp / "dst/Report.rpt"), std::string("\0bytes\xFF", 7));
  EXPECT_EQ(fs::last_write_time(tmp / "dst/Report.rpt"), old);

  CopyFile(src, tmp / "new/deep/copy.rpt");
  EXPECT_EQ(ReadFile(tmp / "new/deep/copy.rpt").size(), 7u);

  // A folder as destination, with and without the trailing separator.
  CopyFile(src, tmp / "dst");
  CopyFile(src, tmp / "made/");
  EXPECT_TRUE(Exists(tmp / "made/Report.rpt"));
  // Only the copy is in the folder: no temporary is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp / "made"), fs::directory_iterator()), 1);

  CopyFile(src, src);  // onto itself: content survives
  EXPECT_EQ(ReadFile(src).size(), 7u);
}

TEST(CopyFile, FailuresNameTheFile) {
  TempFolder tmp;
  const std::string src = tmp.Write("a.txt", "a");
  tmp.Write("block", "a file where a folder is needed");
  struct Case {
    std::string from, to, named;
  };
  const Case cases[] = {
      {tmp / "missing.txt", tmp / "x.txt", "missing.txt"},
      {tmp.path(), tmp / "x.txt", tmp.path()},  // a folder is no file
      {src, tmp / "block/x.txt", "x.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from + " -> " + c.to);
    try {
      CopyFile(c.from, c.to);
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      EXPECT_NE(e.Message().find(c.named), std::string::npos) << e.Message();
    }
  }
}

TEST(CopyFilesByMask, CopiesInNameOrderAndStopsAtTheFirstFailure) {
  TempFolder tmp;
  tmp.Write("s/c.ini", "c");
  tmp.Write("s/A.INI", "A");
  tmp.Write("s/b.ini/inner", "a folder that matches the mask");
  tmp.Write("s/other.txt", "t");
  int steps = 0;
  EXPECT_FALSE(CopyFilesByMask(tmp / "s", tmp / "d", "*.ini", [&] { ++steps; }));
  EXPECT_TRUE(Exists(tmp / "d/A.INI"));
  EXPECT_FALSE(Exists(tmp / "d/c.ini"));  // after the failing folder
  EXPECT_FALSE(Exists(tmp / "d/other.txt"));
  EXPECT_EQ(steps, 1);

  fs::remove_all(tmp / "s/b.ini");
  steps = 0;
  EXPECT_TRUE(CopyFilesByMask(tmp / "s/", tmp / "d/", "*.ini", [&] { ++steps; }));
  EXPECT_EQ(ReadFile(tmp / "d/c.ini"), "c");
  EXPECT_EQ(steps, 1);  // two entries: one step after the first
  EXPECT_TRUE(CopyFilesByMask(tmp / "s/", tmp / "d/", "*.none"));
}

// --- the desktop ------------------------------------------------------------

TEST(ShowTextFile, DesktopThenEditorThenNothing) {
  struct Case {
    bool shell;
    EditorCommand editor;
    bool shown;
    std::vector<std::string> requests;
  };
  const Case cases[] = {
      {true, {"gedit"}, true, {"open /t/T.txt"}},
      {false, {"code", "-w"}, false, {"open /t/T.txt", "start code -w /t/T.txt"}},
      {false, {}, false, {"open /t/T.txt"}},
  };
  for (const auto& c : cases) {
    testing::ScriptedInteraction ui;
    ui.shellSucceeds = c.shell;
    // A failing shell fails the editor start too; what counts is the order.
    EXPECT_EQ(ShowTextFile(ui, "/t/T.txt", c.editor), c.shown);
    EXPECT_EQ(ui.shellRequests, c.requests);
  }
}

EnvLookup FakeEnv(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const char* name) -> std::optional<std::string> {
    const auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

TEST(ChooseTextEditor, VisualThenEditorThenDesktopEditorOnPath) {
  TempFolder tmp;
  const std::string gedit = tmp.Write("bin1/gedit", "not executable");
  const std::string mousepad = tmp.Write("bin2/mousepad", "#!/bin/sh\n");
  ::chmod(gedit.c_str(), 0644);
  ::chmod(mousepad.c_str(), 0755);
  const std::string path = tmp / "bin1" + "::" + tmp / "bin2";
  struct Case {
    const char* name;
    std::map<std::string, std::string> env;
    EditorCommand expected;
  };
  const Case cases[] = {
      {"visual", {{"VISUAL", " code  --wait "}, {"EDITOR", "vi"}, {"PATH", path}}, {"code", "--wait"}},
      {"editor", {{"VISUAL", ""}, {"EDITOR", "nano"}, {"PATH", path}}, {"nano"}},
      {"path", {{"PATH", path}}, {mousepad}},
      {"none", {{"PATH", tmp / "bin1"}}, {}},
      {"no-path", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChooseTextEditor(FakeEnv(c.env)), c.expected);
  }
}

// --- text helpers -----------------------------------------------------------

TEST(ReportWord, FourForms) {
  EXPECT_EQ(ReportWord(true, true), "Подотчет"_w);
  EXPECT_EQ(ReportWord(true, false), "подотчет"_w);
  EXPECT_EQ(ReportWord(false, true), "Отчет"_w);
  EXPECT_EQ(ReportWord(false, false), "отчет"_w);
}

TEST(NumberOrDefault, CommaIsTheOnlyDecimalSeparator) {
  struct Case {
    const char* text;
    double expected;
  };
  const double def = -7;
  const Case cases[] = {
      {"1,5", 1.5},    {" -2,25 ", -2.25}, {"+3", 3},      {",5", 0.5},     {"5,", 5},
      {"1,5E2", 150},  {"2e-1", 0.2},      {"1.5", def},   {"1 000", def},  {"", def},
      {"  ", def},     {",", def},         {"-", def},     {"abc", def},    {"1e", def},
      {"inf", def},    {"nan", def},       {"0x10", def},  {"1e999", def},  {"1,5x", def},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NumberOrDefault(c.text, def), c.expected) << c.text;
}

TEST(Words, NthWordAndCount) {
  struct Case {
    const char* text;
    int n;
    const char* word;
  };
  const Case cases[] = {
      {"  a   b ", 1, "a"}, {"  a   b ", 2, "b"}, {"  a   b ", 3, ""}, {"  a   b ", 0, ""},
      {"one", 1, "one"},    {"", 1, ""},          {"   ", 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NthWord(c.text, c.n), c.word) << c.text << " " << c.n;
  EXPECT_EQ(WordCount("  a   b "), 2);
  EXPECT_EQ(WordCount("x"), 1);
  EXPECT_EQ(WordCount("   "), 0);
  EXPECT_EQ(WordCount(""), 0);
}

TEST(MultiLineCodec, LeadingMarkThenTokens) {
  struct Case {
    const char* text;
    const char* token;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"$x||y", "||", "\r\n", " x\r\ny"},
      {" x", "||", "\r\n", "$x"},
      {"a||||b", "||", "\n", "a\n\nb"},
      {"|||", "||", "\n", "\n|"},
      {"a\r\nb", "\r\n", " ", "a b"},
      {"$$", "", "?", " $"},
      {"", "||", "\n", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ConvertMultiLine(c.text, c.token, c.replacement), c.expected) << c.text;
}

}  // namespace
}  // namespace rpt
