// Report packages: pack with backup and exchanged bytes, unpack through a
// private copy, refresh folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/foundation/codec.h"
#include "core/archive/package.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using namespace literals;
using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;

TEST(Package, PackExchangesBytesAndUnpackRestoresTheFiles) {
  TempFolder dir;
  dir.Write("work/Отчет.str", "[Отчет]\r\n");
  dir.Write("work/T1.ini", std::string(70000, 'q'));
  dir.Write("work/Sub/skipped.ini", "subfolders are not packed");
  ScriptedInteraction ui;
  ASSERT_TRUE(PackFolder(ui, dir / "work/*", dir / "rep/Report.rpt", true, false));
  EXPECT_TRUE(ui.messages.empty());
  const std::string package = ReadFile(dir / "rep/Report.rpt");
  EXPECT_EQ(package.substr(0, 4), "SMCF");
  EXPECT_FALSE(fs::exists(dir / "rep/Report.rpt$"));

  const auto files = ListPackage(dir / "rep/Report.rpt");
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1].name, "Отчет.str");

  UnpackPackage(dir / "rep/Report.rpt", dir / "out");
  EXPECT_EQ(ReadFile(dir / "out/Отчет.str"), "[Отчет]\r\n");
  EXPECT_EQ(ReadFile(dir / "out/T1.ini"), std::string(70000, 'q'));
  EXPECT_FALSE(fs::exists(dir / "out/Sub"));
  // The working copy was made elsewhere and the package is untouched.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "rep"), fs::directory_iterator()), 1);
  EXPECT_EQ(ReadFile(dir / "rep/Report.rpt"), package);

  // Exchanging is its own inverse; a plain cabinet is not a package.
  ExchangeFirstTwoBytes(dir / "rep/Report.rpt");
  EXPECT_EQ(ReadFile(dir / "rep/Report.rpt").substr(0, 4), "MSCF");
  UnpackPackage(dir / "rep/Report.rpt", dir / "plain", false);
  EXPECT_EQ(ReadFile(dir / "plain/T1.ini"), std::string(70000, 'q'));
  try {
    UnpackPackage(dir / "rep/Report.rpt", dir / "fails");
    ADD_FAILURE();
  } catch (const ESTCabinet& e) {
    EXPECT_STREQ(e.what(), "Cabinet file does not have the correct format [0x0002]");
  }

  // With subfolders asked for, they are packed under their names.
  ASSERT_TRUE(PackFolder(ui, dir / "work/*", dir / "rec.rpt", true, true));
  UnpackPackage(dir / "rec.rpt", dir / "rec");
  EXPECT_EQ(ReadFile(dir / "rec/Sub/skipped.ini"), "subfolders are not packed");
}

TEST(Package, FailedPackKeepsThePreviousPackage) {
  TempFolder dir;
  dir.Write("work/a.ini", "old");
  ScriptedInteraction ui;
  ASSERT_TRUE(PackFolder(ui, dir / "work/*", dir / "Report.rpt", true, false));
  const std::string before = ReadFile(dir / "Report.rpt");

  std::string cause;
  EXPECT_FALSE(PackFolder(ui, dir / "gone/*", dir / "Report.rpt", true, false, &cause));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, MessageKind::Error);
  // The folder to pack is gone: the message gives the system's reason.
  EXPECT_EQ(ui.messages[0].text,
            "При сохранении данных возникла ошибка: No such file or directory.\r\n"
            "Постарайтесь устранить причину ошибки и повторите операцию сохранения."_w);
  EXPECT_FALSE(cause.empty());
  EXPECT_EQ(ReadFile(dir / "Report.rpt"), before);
  EXPECT_FALSE(fs::exists(dir / "Report.rpt$"));

  // Without a previous package nothing half-written is left behind.
  EXPECT_FALSE(PackFolder(ui, dir / "gone/*", dir / "New.rpt", true, false));
  EXPECT_FALSE(fs::exists(dir / "New.rpt"));
  // A stale backup from an earlier crash does not stop a save.
  dir.Write("Report.rpt$", "stale");
  EXPECT_TRUE(PackFolder(ui, dir / "work/*", dir / "Report.rpt", true, false));
  EXPECT_FALSE(fs::exists(dir / "Report.rpt$"));
}

TEST(Package, RefreshFolder) {
  TempFolder dir;
  dir.Write("work/a.ini", "packed");
  ScriptedInteraction ui;
  ASSERT_TRUE(PackFolder(ui, dir / "work/*", dir / "Report.rpt", true, false));

  dir.Write("target/old.ini", "old");
  dir.Write("target/Sub/deep/old.txt", "old");
  RefreshFolder(dir / "target/", dir / "Report.rpt");
  EXPECT_FALSE(fs::exists(dir / "target/old.ini"));
  EXPECT_TRUE(fs::is_directory(dir / "target/Sub/deep"));  // emptied but kept
  EXPECT_FALSE(fs::exists(dir / "target/Sub/deep/old.txt"));
  EXPECT_EQ(ReadFile(dir / "target/a.ini"), "packed");

  RefreshFolder(dir / "created/", dir / "Report.rpt");
  EXPECT_EQ(ReadFile(dir / "created/a.ini"), "packed");

  RefreshFolder(dir / "target/", dir / "Missing.rpt");
  EXPECT_FALSE(fs::exists(dir / "target/a.ini"));
}

// A folder without files gives a cabinet without folders, which opens empty.
TEST(Package, EmptyFolderRoundTrip) {
  TempFolder dir;
  fs::create_directories(dir / "work");
  ScriptedInteraction ui;
  ASSERT_TRUE(PackFolder(ui, dir / "work/*", dir / "Report.rpt", true, false));
  EXPECT_TRUE(ListPackage(dir / "Report.rpt").empty());
  RefreshFolder(dir / "out/", dir / "Report.rpt");
  EXPECT_TRUE(fs::is_empty(dir / "out"));
}

TEST(Package, DamagedPackageRaisesTheReaderMessage) {
  TempFolder dir;
  dir.Write("work/a.ini", std::string(50000, 'a'));
  ScriptedInteraction ui;
  ASSERT_TRUE(PackFolder(ui, dir / "work/*", dir / "Report.rpt", true, false));
  std::string bytes = ReadFile(dir / "Report.rpt");
  dir.Write("Short.rpt", bytes.substr(0, bytes.size() / 2));
  try {
    RefreshFolder(dir / "out/", dir / "Short.rpt");
    ADD_FAILURE();
  } catch (const ESTCabinet& e) {
    EXPECT_STREQ(e.what(), "Cabinet file is corrupt [0x0004]");
  }
  EXPECT_FALSE(fs::exists(dir / "out/a.ini"));
}

}  // namespace
}  // namespace rpt
