// The cabinet writer: properties, names as stored, folders and cabinet sets,
// and its errors.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>

#include "core/foundation/codec.h"
#include "core/archive/cabinet_format.h"
#include "core/archive/cabinet_reader.h"
#include "core/archive/cabinet_writer.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

struct RawFolder {
  std::uint32_t blocks;
  std::uint16_t type;
};

// The folder entries of a written cabinet, read straight from its header.
std::vector<RawFolder> Folders(const std::string& path) {
  const std::string cab = ReadFile(path);
  const auto* p = reinterpret_cast<const unsigned char*>(cab.data());
  std::size_t at = cabinet::kHeaderSize;
  const std::uint16_t flags = cabinet::GetU16(p + 30);
  int folderReserve = 0;
  if (flags & cabinet::kFlagReservePresent) {
    at += 4 + cabinet::GetU16(p + 36);
    folderReserve = p[38];
  }
  std::vector<RawFolder> folders;
  for (int i = 0; i < cabinet::GetU16(p + 26); ++i) {
    folders.push_back({cabinet::GetU16(p + at + 4), cabinet::GetU16(p + at + 6)});
    at += cabinet::kFolderSize + folderReserve;
  }
  return folders;
}

TEST(CabinetWriter, DefaultsAndCompressionCodes) {
  TSTCabWriter w;
  EXPECT_EQ(w.CompressionType, TSTCabCompressionType::cctLzx);
  EXPECT_EQ(w.CompressionLzxLevel, 21);
  EXPECT_EQ(w.CompressionCode(), 5379);
  EXPECT_EQ(w.CabinetSizeThreshold, 0);
  EXPECT_EQ(w.FolderFileCountThreshold, 0);
  EXPECT_EQ(w.SetID, 0);
  w.CompressionLzxLevel = 15;
  EXPECT_EQ(w.CompressionCode(), 3 + 256 * 15);
  w.CompressionType = TSTCabCompressionType::cctMsZip;
  EXPECT_EQ(w.CompressionCode(), 1);
  w.CompressionType = TSTCabCompressionType::cctNone;
  EXPECT_EQ(w.CompressionCode(), 0);
  w.CompressionType = static_cast<TSTCabCompressionType>(7);
  EXPECT_EQ(w.CompressionCode(), 15);
}

// What goes in comes out: bytes, names (Windows-1251 where possible, with
// "\" between folders), the leading "\" dropped, with every compression.
TEST(CabinetWriter, RoundTripAndStoredNames) {
  std::mt19937 rng(7);
  std::string noise(200000, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "Строка_" + std::to_string(i) + "=Значение " + std::to_string(i * 7) + "\r\n";
  for (auto type : {TSTCabCompressionType::cctLzx, TSTCabCompressionType::cctMsZip, TSTCabCompressionType::cctNone}) {
    TempFolder dir;
    dir.Write("src/Отчет.str", text);
    dir.Write("src/noise.bin", noise);
    dir.Write("src/empty.ini", "");
    dir.Write("src/日本.txt", "x");
    dir.Write("src/Sub/Вложенный.ini", "inner");
    dir.Write("src/other.dat", "not matched");
    TSTCabWriter w;
    w.CompressionType = type;
    w.Open(dir / "out.cab");
    w.AddFiles(dir / "src/*.INI", "", true);      // case-insensitive, into subfolders
    w.AddFiles(dir / "src/*.str", "Папка", false);
    w.AddFile(dir / "src/noise.bin", "\\noise.bin");
    w.AddFile(dir / "src/日本.txt", "日本.txt");
    w.AddFiles(dir / "src/*.none", "", true);     // no match: nothing, no error
    w.Close(true);

    for (const auto& f : Folders(dir / "out.cab"))
      EXPECT_EQ(f.type, type == TSTCabCompressionType::cctNone ? 0 : 1);  // LZX asked, MSZIP written

    TSTCabReader reader;
    std::vector<std::string> stored;
    for (const auto& f : reader.List(dir / "out.cab")) {
      stored.push_back(f.storedName);
      EXPECT_EQ((f.attribs & 0x80) != 0, f.name == "日本.txt") << f.name;
    }
    EXPECT_EQ(stored, (std::vector<std::string>{"empty.ini", Utf8ToCp1251("Sub\\Вложенный.ini"),
                                                Utf8ToCp1251("Папка\\Отчет.str"), "noise.bin",
                                                "日本.txt"}));
    reader.ExtractAll(dir / "out.cab", dir / "out");
    EXPECT_EQ(ReadFile(dir / "out/Папка/Отчет.str"), text);
    EXPECT_EQ(ReadFile(dir / "out/noise.bin"), noise);
    EXPECT_EQ(ReadFile(dir / "out/Sub/Вложенный.ini"), "inner");
    EXPECT_EQ(ReadFile(dir / "out/empty.ini"), "");
    EXPECT_EQ(ReadFile(dir / "out/日本.txt"), "x");
    EXPECT_FALSE(fs::exists(dir / "out/other.dat"));
  }
}

TEST(CabinetWriter, OpeningOverAnExistingFileReplacesIt) {
  TempFolder dir;
  dir.Write("a.txt", "a");
  dir.Write("out.cab", std::string(100000, 'z'));
  TSTCabWriter w;
  w.Open(dir / "out.cab");
  EXPECT_FALSE(fs::exists(dir / "out.cab"));
  w.AddFile(dir / "a.txt", "a.txt");
  w.Close(true);
  EXPECT_EQ(ReadFile(dir / "out.cab").substr(0, 4), "MSCF");
  EXPECT_LT(fs::file_size(dir / "out.cab"), 200u);
}

// Folder and cabinet thresholds give several folders and a set of cabinets
// that the reader follows.
TEST(CabinetWriter, FoldersAndCabinetSets) {
  TempFolder dir;
  for (int i = 0; i < 7; ++i) dir.Write("src/f" + std::to_string(i) + ".txt", std::string(40000 + i, char('a' + i)));
  TSTCabWriter w;
  w.FolderFileCountThreshold = 2;
  w.Open(dir / "one.cab");
  w.AddFiles(dir / "src/*", "", false);
  w.Close(true);
  EXPECT_EQ(Folders(dir / "one.cab").size(), 4u);

  TSTCabWriter set;
  set.CabinetFileCountThreshold = 3;
  set.SetID = 77;
  set.Open(dir / "set/pkg.cab");
  set.AddFiles(dir / "src/*", "", false);
  set.Close(true);
  EXPECT_TRUE(fs::exists(dir / "set/pkg.cab"));
  EXPECT_TRUE(fs::exists(dir / "set/pkg2.cab"));
  EXPECT_TRUE(fs::exists(dir / "set/pkg3.cab"));
  TSTCabReader reader;
  reader.ExtractAll(dir / "set/pkg.cab", dir / "out");
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(ReadFile(dir / ("out/f" + std::to_string(i) + ".txt")), std::string(40000 + i, char('a' + i)));
}

TEST(CabinetWriter, Errors) {
  TempFolder dir;
  dir.Write("a.txt", "a");
  TSTCabWriter w;
  w.Open(dir / "out.cab");
  try {
    w.AddFile(dir / "missing.txt", "missing.txt");
    ADD_FAILURE();
  } catch (const ESTCabinet& e) {
    EXPECT_TRUE(e.FromWriter());
    EXPECT_STREQ(e.what(),
                 "Failure opening file to be stored in cabinet [0x0001].\r\nNo such file or directory [0x0002].");
  }
  // Names no reader may extract safely are not stored.
  for (const char* bad : {"..\\a.txt", "x/../../a.txt", "C:\\a.txt", "\\\\server\\a.txt"}) {
    EXPECT_THROW(w.AddFile(dir / "a.txt", bad), ESTCabinet) << bad;
  }
  // The cabinet stays usable after a refused file.
  w.AddFile(dir / "a.txt", "a.txt");
  w.Close(true);
  TSTCabReader reader;
  EXPECT_EQ(reader.List(dir / "out.cab").size(), 1u);

  w.CompressionType = TSTCabCompressionType::cctLzx;
  w.CompressionLzxLevel = 22;
  w.Open(dir / "bad.cab");
  try {
    w.AddFile(dir / "a.txt", "a.txt");
    ADD_FAILURE();
  } catch (const ESTCabinet& e) {
    EXPECT_STREQ(e.what(), "Unknown compression type [0x0005]");
  }
  w.Close(false);
  EXPECT_FALSE(fs::exists(dir / "bad.cab"));

  // A listing failure other than "no match" is the system's error.
  w.CompressionLzxLevel = 21;
  w.Open(dir / "c.cab");
  EXPECT_THROW(w.AddFiles(dir / "no-such-folder/*", "", false), EFileError);
  // A handler may cancel.
  w.OnFileStatus = [](std::int64_t, std::int64_t) { return false; };
  dir.Write("big.txt", std::string(100000, 'b'));
  try {
    w.AddFile(dir / "big.txt", "big.txt");
    ADD_FAILURE();
  } catch (const ESTCabinet& e) {
    EXPECT_STREQ(e.what(), "Client requested abort [0x0007]");
  }
}

TEST(CabinetError, Messages) {
  EXPECT_STREQ(ESTCabinet({}, true).what(), "FCI error");
  EXPECT_STREQ(ESTCabinet({}, false).what(), "FDI error");
  EXPECT_STREQ(ESTCabinet({9, 0, true}, true).what(), "FCI error [0x0009]");
  EXPECT_STREQ(ESTCabinet({12, 0, true}, false).what(), "FDI error [0x000C]");
  EXPECT_STREQ(ESTCabinet({10, 0, true}, false).what(), "Cabinet returned on fdintNEXT_CABINET is incorrect [0x000A]");
  EXPECT_STREQ(ESTCabinet({6, 28, true}, true).what(),
               "Could not create cabinet file [0x0006].\r\nNo space left on device [0x001C].");
  const char* writer[] = {"No error", "Failure opening file to be stored in cabinet",
                          "Failure reading file to be stored in cabinet", "Out of memory in FCI",
                          "Could not create a temporary file", "Unknown compression type",
                          "Could not create cabinet file", "Client requested abort", "Failure compressing data"};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(FciErrorText(i), writer[i]);
  const char* reader[] = {"No error", "Cabinet not found", "Cabinet file does not have the correct format",
                          "Cabinet file has an unknown version number", "Cabinet file is corrupt",
                          "Could not allocate enough memory", "Unknown compression type in a cabinet folder",
                          "Failure decompressing data from a cabinet file", "Failure writing to target file",
                          "Cabinets in a set do not have the same RESERVE sizes",
                          "Cabinet returned on fdintNEXT_CABINET is incorrect", "FDI aborted"};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(FdiErrorText(i), reader[i]);
}

}  // namespace
}  // namespace rpt
