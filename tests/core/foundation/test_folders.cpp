#include <gtest/gtest.h>

#include <map>

#include "core/foundation/codec.h"
#include "core/foundation/folders.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

TEST(FolderSet, EveryFolderHangsOffTheProgramFolder) {
  const FolderSet f = FolderSet::FromProgramFolder("/opt/rep");  // no trailing "/" given
  const std::pair<const std::string*, const char*> cases[] = {
      {&f.program, "/opt/rep/"},
      {&f.data, "/opt/rep/Help/Data/"},
      {&f.installData, "/opt/rep/Help/Data/"},
      {&f.templates, "/opt/rep/Help/Data/TabIni/"},
      {&f.lists, "/opt/rep/Help/Data/TabLst/"},
      {&f.print, "/opt/rep/Help/Data/PrintDocs/"},
      {&f.service, "/opt/rep/Help/Data/Servis/"},
      {&f.working, "/opt/rep/Help/Data/Temp/"},
      {&f.subreports, "/opt/rep/Help/Data/Temp/Subreports/"},
      {&f.reception, "/opt/rep/Help/Data/Temp/Temp_p/"},
      {&f.import, "/opt/rep/Help/Data/Temp_r/"},
      {&f.check, "/opt/rep/Help/Data/S/"},
      {&f.mail, "/opt/rep/Почтовый ящик/"},
  };
  for (const auto& [actual, expected] : cases) EXPECT_EQ(*actual, expected);
  EXPECT_EQ(f.TemplatePackage(), "/opt/rep/Help/Data/TI.a");
  EXPECT_EQ(f.ServicePackage(), "/opt/rep/Help/Data/S.a");
}

TEST(FolderSet, PackagesComeFromTheInstallationWhenItIsSeparate) {
  const FolderSet f = FolderSet::FromProgramFolder("/home/u/.local/share/report/", "/usr/share/report/Help/Data");
  EXPECT_EQ(f.data, "/home/u/.local/share/report/Help/Data/");
  EXPECT_EQ(f.ListPackage(), "/usr/share/report/Help/Data/TL.a");
  EXPECT_EQ(f.PrintPackage(), "/usr/share/report/Help/Data/TP.a");
}

EnvLookup FakeEnv(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const char* name) -> std::optional<std::string> {
    const auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

TEST(ProgramLocation, WritableExecutableFolderWithItsPackagesIsPortable) {
  testing::TempFolder tmp;
  tmp.Write("Help/Data/TI.a", "x");
  const auto loc = ResolveProgramLocation(tmp.path(), "report", FakeEnv({{"XDG_DATA_HOME", "/x"}}));
  EXPECT_TRUE(loc.portable);
  EXPECT_EQ(loc.programFolder, tmp.path());
  EXPECT_EQ(loc.installData, tmp.path() + "Help/Data/");
}

TEST(ProgramLocation, ReadOnlyInstallationUsesTheUserDataFolder) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> env;
    const char* programFolder;
  };
  const Case cases[] = {
      {"xdg", {{"XDG_DATA_HOME", "/data/me"}, {"HOME", "/home/me"}}, "/data/me/report/"},
      {"xdg-trailing-slash", {{"XDG_DATA_HOME", "/data/me/"}}, "/data/me/report/"},
      {"default", {{"HOME", "/home/me"}}, "/home/me/.local/share/report/"},
      {"empty-xdg", {{"XDG_DATA_HOME", ""}, {"HOME", "/home/me"}}, "/home/me/.local/share/report/"},
      {"relative-xdg-ignored", {{"XDG_DATA_HOME", "rel"}, {"HOME", "/home/me"}},
       "/home/me/.local/share/report/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto loc = ProgramLocationFor("/usr/bin/", false, "report", FakeEnv(c.env));
    EXPECT_FALSE(loc.portable);
    EXPECT_EQ(loc.programFolder, c.programFolder);
    EXPECT_EQ(loc.installData, "/usr/share/report/Help/Data/");
  }
}

// An installed program run by a user who may write to /usr/bin (root) keeps
// its files in the user's folder, never beside the executable.
TEST(ProgramLocation, WritableExecutableFolderWithoutPackagesIsAnInstallation) {
  testing::TempFolder tmp;
  tmp.Write("usr/bin/report", "x");
  const auto loc = ProgramLocationFor(tmp / "usr/bin", true, "report", FakeEnv({{"HOME", "/h"}}));
  EXPECT_FALSE(loc.portable);
  EXPECT_EQ(loc.programFolder, "/h/.local/share/report/");
  EXPECT_EQ(loc.installData, tmp / "usr/share/report/Help/Data/");
}

TEST(ProgramLocation, PackagesBesideAReadOnlyExecutableAreUsedInPlace) {
  testing::TempFolder tmp;
  tmp.Write("opt/rep/Help/Data/TI.a", "x");
  const auto loc = ProgramLocationFor(tmp / "opt/rep", false, "report", FakeEnv({{"HOME", "/h"}}));
  EXPECT_EQ(loc.programFolder, "/h/.local/share/report/");
  EXPECT_EQ(loc.installData, tmp / "opt/rep/Help/Data/");
}

TEST(StoredFolders, WindowsAndUnixSeparators) {
  struct Case {
    std::string stored, path, last;
  };
  const Case cases[] = {
      {"C:\\Отчеты\\Подотчет1\\", "C:/Отчеты/Подотчет1/", "Подотчет1"},
      {"/home/u/Подотчет2", "/home/u/Подотчет2/", "Подотчет2"},
      {"/home/u\\mixed/", "/home/u/mixed/", "mixed"},
      {"Один", "Один/", "Один"},
      {"\\", "/", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    const std::string stored = Utf8ToCp1251(c.stored);
    EXPECT_EQ(StoredFolderToPath(stored), c.path);
    EXPECT_EQ(LastFolderComponent(c.stored), c.last);  // UTF-8 in, UTF-8 out
  }
}

}  // namespace
}  // namespace rpt
