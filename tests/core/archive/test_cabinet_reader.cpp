// The cabinet reader against cabinets made by other tools, damaged ones and
// ones with hostile names.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/archive/cabinet_names.h"
#include "core/archive/cabinet_reader.h"
#include "core/archive/cabinet_writer.h"
#include "support/shared_fixtures.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

const std::string kCabs = std::string(REPORT_SHARED_FIXTURES) + "/cab/";
constexpr const char* kEmptyMd5 = "d41d8cd98f00b204e9800998ecf8427e";

std::string Md5(const std::string& path) {
  const std::string command = "md5sum '" + path + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "";
  char buffer[64] = {};
  const std::size_t n = std::fread(buffer, 1, 32, pipe);
  ::pclose(pipe);
  return std::string(buffer, n);
}

// Relative path ("/" between folders) -> MD5 of every regular file below the folder.
std::map<std::string, std::string> Tree(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file())
      files[fs::relative(it->path(), folder).string()] = Md5(it->path().string());
  return files;
}

int ExtractCode(const std::string& cabinet, const std::string& destination) {
  TSTCabReader reader;
  try {
    reader.ExtractAll(cabinet, destination);
  } catch (const ESTCabinet& e) {
    EXPECT_FALSE(e.FromWriter());
    EXPECT_TRUE(e.ErrorRecord().fError);
    return e.Code();
  }
  return 0;
}

const std::map<std::string, std::string> kCabarcFiles = {
    {"README.md", "2e0a298aa2da71fa28732e8b7da4be64"},
    {"foldername/somefile.txt", "5894cd6bd18e4b5c0b22ec447b8eba08"}};
const std::map<std::string, std::string> kMakecabFiles = {
    {"empty", kEmptyMd5},
    {"zero", "d7ea97d313b83e91efbb901cc558bea4"},
    {"dir1/file1", "9f348626c6a84b91537327656c98e113"},
    {"dir2/file2", "cc38402d8b50f75cdb7279e90ee33b39"}};

struct ValidCase {
  const char* file;
  std::map<std::string, std::string> expected;
};

TEST(CabinetReader, ExtractsEveryValidFixture) {
  SKIP_WITHOUT_SHARED_FIXTURES();
  auto makecabNone = kMakecabFiles;
  makecabNone.erase("zero");
  const std::vector<ValidCase> cases = {
      {"cabarc-none.cab", kCabarcFiles},
      {"cabarc-mszip.cab", kCabarcFiles},
      {"cabarc-lzx15.cab", kCabarcFiles},
      {"cabarc-lzx21.cab", kCabarcFiles},
      {"makecab-none.cab", makecabNone},
      {"makecab-mszip.cab", kMakecabFiles},
      {"makecab-lzx18.cab", kMakecabFiles},
      {"makecab-lzx21-nested.cab", {{"large-files.cab", "ac923e14971324651015ba44ceb59b36"}}},
      {"mixed-mszip-lzx-quantum.cab",
       {{"mszip.txt", "940cba86658fbceb582faecd2b5975d1"},
        {"lzx.txt", "703474293b614e7110b3eb8ac2762b53"},
        {"qtm.txt", "98fcfa4962a0f169a3c7fdbcb445cf17"}}},
      {"quantum-zeroes.cab", {{"zeroes", "42e8928e055cded6e5f32491a281ce92"}}},
      {"mszip-lzx-2folders.cab",
       {{"mszip1.txt", "59571918d5be925ad8aec9f5d7369cf5"},
        {"mszip2.txt", "cb18e329a9effc70aa07a7061844b584"},
        {"lzx1.txt", "67c5cd73e661fa667b8de3d8a5f6f3bf"},
        {"lzx2.txt", "5182c12627058cf1afd4e6ce8f10d635"}}},
      {"reserve-all-areas-checksum0.cab",
       {{"test1.txt", "2debfdcf79f03e4a65a667d21ef9de14"}, {"test2.txt", "d8e8fca2dc0f896fd7cb4cb0031ba249"}}},
      {"signed-reserve.cab",
       {{"test.sh", "7a5b82cbc623ce6361e2cd281f462ddf"}, {"test.txt", "50c32e08ab3f0df064af1a8c98d1b6ce"}}},
      {"split-1.cab",
       {{"small1.bin", "2ad5ba0f497f1e597ab187a2dfaa2e29"},
        {"small2.bin", "1f862f9e36a32a74202c1120b9f06af7"},
        {"medium1.bin", "0a7bd124a4c03a30329bd9ff06f71df7"},
        {"medium2.bin", "b4b0a02ad6a1170d4b3db18cec616fcc"},
        {"small3.bin", "bbaecacfeba976165e9d77bbecb0cbde"},
        {"medium3.bin", "b98fe17e8afbcf05aefc5b2c4badbc28"}}},
      {"names-cp1251.cab",
       {{"readme.txt", "570bc8b6d01acedf69fe7d5c9354fc99"},
        {"Отчёт.txt", "267bc0c53499dd966acca4c35cb99a33"},
        {"Папка/Документ.ini", "38110e657a97e3bd59c334168eb39adf"},
        {"Привет.txt", "dc52df2ad98d026e5e0a0ed8c261e448"},
        // Windows-1251 bytes under the UTF-8 attribute: replacement characters.
        {"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.txt",
         "464687ff1fa2691cee145dfc8f3b0333"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TempFolder out;
    EXPECT_EQ(ExtractCode(kCabs + c.file, out.path()), 0);
    EXPECT_EQ(Tree(out.path()), c.expected);
  }
}

// Names the code page cannot tell apart still land inside the destination.
TEST(CabinetReader, ForeignCodePagesStayInsideTheDestination) {
  SKIP_WITHOUT_SHARED_FIXTURES();
  for (const char* file : {"names-koi8r.cab", "names-cp932-lzx18.cab"}) {
    SCOPED_TRACE(file);
    TempFolder root;
    const std::string out = root / "out/";
    EXPECT_EQ(ExtractCode(kCabs + file, out), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 1);
  }
  // The KOI8-R names read as Windows-1251, which is what this system's packages use.
  TempFolder out;
  ASSERT_EQ(ExtractCode(kCabs + "names-koi8r.cab", out.path()), 0);
  EXPECT_TRUE(fs::exists(out / "дБ."));
  // Duplicate names are listed twice, and such a cabinet is not extracted:
  // the second file would silently replace the first.
  TSTCabReader reader;
  EXPECT_EQ(reader.List(kCabs + "names-utf8-stresstest.cab").size(), 79u);
  TempFolder root;
  EXPECT_EQ(ExtractCode(kCabs + "names-utf8-stresstest.cab", root / "out/"), kFdiErrCorruptCabinet);
  EXPECT_TRUE(fs::is_empty(root.path()));
}

TEST(CabinetReader, RefusesNamesLeavingTheDestinationBeforeWriting) {
  SKIP_WITHOUT_SHARED_FIXTURES();
  for (const char* file : {"names-traversal.cab", "names-dirwalk-vulns.cab"}) {
    SCOPED_TRACE(file);
    TempFolder root;
    const std::string out = root / "out/";
    TSTCabReader reader;
    try {
      reader.ExtractAll(kCabs + file, out);
      ADD_FAILURE() << "extracted";
    } catch (const ESTCabinet& e) {
      EXPECT_STREQ(e.what(), "Cabinet file is corrupt [0x0004]");
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(fs::is_empty(root.path()));
  }
  // Listing still shows the names.
  TSTCabReader reader;
  const auto files = reader.List(kCabs + "names-traversal.cab");
  ASSERT_EQ(files.size(), 11u);
  EXPECT_EQ(files[0].name, "..\\..\\evil-backslash.txt");
}

TEST(CabinetReader, SafeNameParts) {
  using Parts = std::vector<std::string>;
  EXPECT_EQ(SafeNameParts("a\\b/c.txt"), Parts({"a", "b", "c.txt"}));
  EXPECT_EQ(SafeNameParts("a\\\\.\\b"), Parts({"a", "b"}));
  EXPECT_EQ(SafeNameParts("a..b\\...txt"), Parts({"a..b", "...txt"}));
  for (const char* bad : {"", "\\a", "/a", "..\\a", "a/../../b", "C:\\a", "c:a", "\\\\server\\share\\a", ".",
                          "\\", "a/.."})
    EXPECT_FALSE(SafeNameParts(bad)) << bad;
  // An overlong "/" under the UTF-8 attribute is no separator, nor is a NUL possible.
  EXPECT_EQ(DecodeCabinetName("a\xC0\xAF" "b", true), "a\xEF\xBF\xBD\xEF\xBF\xBD" "b");
  EXPECT_EQ(DecodeCabinetName("\xCE\xF2\xF7\xE5\xF2", false), "Отчет");
}

struct DamagedCase {
  const char* file;
  int code;
  std::vector<std::string> survivors;  // files that may be extracted all the same
};

TEST(CabinetReader, DamagedFixturesRaiseAndLeaveNoFailedFile) {
  SKIP_WITHOUT_SHARED_FIXTURES();
  const std::vector<DamagedCase> cases = {
      {"damaged-bad-signature.cab", kFdiErrNotACabinet, {}},
      {"damaged-short-header.cab", kFdiErrCorruptCabinet, {}},
      {"damaged-short-file-table.cab", kFdiErrCorruptCabinet, {}},
      {"damaged-no-data.cab", kFdiErrCorruptCabinet, {}},
      {"damaged-lzx21-truncated.cab", kFdiErrCorruptCabinet, {}},
      {"damaged-mszip-corrupt-byte.cab", kFdiErrCorruptCabinet, {}},
      {"damaged-none-bad-checksum.cab", kFdiErrCorruptCabinet, {}},
      {"damaged-mszip-bad-stream.cab", kFdiErrMdiFail, {}},
      {"damaged-lzx-bad-tree.cab", kFdiErrMdiFail, {}},
      {"damaged-quantum-huge-size.cab", kFdiErrCorruptCabinet, {}},
      {"damaged-unknown-compression.cab", kFdiErrBadCompressionType, {"1", "3"}},
      // A set opened in the middle: what continues from the missing part is not there.
      {"split-2.cab", kFdiErrCabinetNotFound, {"medium2.bin", "small3.bin", "medium3.bin"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TempFolder out;
    EXPECT_EQ(ExtractCode(kCabs + c.file, out.path()), c.code);
    std::vector<std::string> present;
    for (const auto& [name, md5] : Tree(out.path())) present.push_back(name);
    std::sort(present.begin(), present.end());
    auto expected = c.survivors;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(present, expected);
  }
  // The survivors of a cabinet with one bad folder are intact.
  TempFolder out;
  ExtractCode(kCabs + "damaged-unknown-compression.cab", out.path());
  EXPECT_EQ(Md5(out / "1"), "93b885adfe0da089cdf634904fd59f71");
  EXPECT_EQ(Md5(out / "3"), "93b885adfe0da089cdf634904fd59f71");
}

TEST(CabinetReader, ListingWorksWhileTheDataIsDamaged) {
  SKIP_WITHOUT_SHARED_FIXTURES();
  TSTCabReader reader;
  EXPECT_EQ(reader.List(kCabs + "damaged-no-data.cab").size(), 2u);
  EXPECT_EQ(reader.List(kCabs + "damaged-lzx21-truncated.cab").size(), 2u);
}

TEST(CabinetReader, MissingCabinetMessage) {
  TempFolder out;
  TSTCabReader reader;
  try {
    reader.ExtractAll(out / "nothing.cab", out / "x");
    ADD_FAILURE();
  } catch (const ESTCabinet& e) {
    EXPECT_STREQ(e.what(), "Cabinet not found [0x0001].\r\nNo such file or directory [0x0002].");
  }
}

// Dates and the read-only attribute come back; read-only files already in
// the destination are replaced unless the option says otherwise; a handler
// may stop the extraction.
TEST(CabinetReader, AttributesOptionsAndCancel) {
  TempFolder dir;
  const std::string src = dir.Write("src/ro.txt", "read only");
  dir.Write("src/rw.txt", std::string(100000, 'x'));
  const std::time_t when = 1700000000;  // an even second
  struct timespec times[2] = {{when, 0}, {when, 0}};
  ::utimensat(AT_FDCWD, src.c_str(), times, 0);
  ::chmod(src.c_str(), 0444);
  TSTCabWriter writer;
  writer.Open(dir / "a.cab");
  writer.AddFiles(dir / "src/*", "", false);
  writer.Close(true);

  TSTCabReader reader;
  reader.ExtractAll(dir / "a.cab", dir / "out");
  struct stat st {};
  ASSERT_EQ(::stat((dir / "out/ro.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, when);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  ASSERT_EQ(::stat((dir / "out/rw.txt").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);

  // Extracting again replaces the read-only file ...
  dir.Write("out/rw.txt", "changed");
  reader.ExtractAll(dir / "a.cab", dir / "out");
  EXPECT_EQ(testing::ReadFile(dir / "out/ro.txt"), "read only");
  // ... unless asked not to.
  ::chmod((dir / "out/ro.txt").c_str(), 0644);
  dir.Write("out/ro.txt", "kept");
  ::chmod((dir / "out/ro.txt").c_str(), 0444);
  reader.Options = croDontOverwriteReadOnlyFiles;
  reader.ExtractAll(dir / "a.cab", dir / "out");
  EXPECT_EQ(testing::ReadFile(dir / "out/ro.txt"), "kept");

  reader.Options = 0;
  reader.OnProgress = [](std::uint64_t done, std::uint64_t) { return done < 50000; };
  try {
    reader.ExtractAll(dir / "a.cab", dir / "out2");
    ADD_FAILURE();
  } catch (const ESTCabinet& e) {
    EXPECT_STREQ(e.what(), "FDI aborted [0x000B]");
  }
  EXPECT_FALSE(fs::exists(dir / "out2/rw.txt"));
}

// A file that cannot be created is reported after the others are written.
TEST(CabinetReader, TargetFailureComesLastAndKeepsTheRest) {
  TempFolder dir;
  const std::string a = dir.Write("a", "plain file");
  TSTCabWriter writer;
  writer.Open(dir / "t.cab");
  writer.AddFile(a, "a");
  writer.AddFile(a, "a\\b");  // needs "a" to be a folder
  writer.AddFile(a, "c");
  writer.Close(true);
  TSTCabReader reader;
  int closed = 0;
  reader.OnCloseFile = [&](const TSTCabFileInfo&, const std::string&) { ++closed; };
  try {
    reader.ExtractAll(dir / "t.cab", dir / "out");
    ADD_FAILURE();
  } catch (const ESTCabinet& e) {
    EXPECT_EQ(e.Code(), kFdiErrTargetFile);
    EXPECT_EQ(std::string(e.what()).rfind("Failure writing to target file [0x0008].\r\n", 0), 0u) << e.what();
  }
  EXPECT_EQ(testing::ReadFile(dir / "out/a"), "plain file");
  EXPECT_EQ(testing::ReadFile(dir / "out/c"), "plain file");
  EXPECT_EQ(closed, 2);
}

// A cabinet written by the writer from `count` small files (each in a
// folder of its own when asked), whose file entries are then rewritten by
// `patch` (index, length, offset in the folder).
std::string PatchedCabinet(const TempFolder& dir, int count, bool ownFolders,
                           const std::function<void(int, std::uint32_t&, std::uint32_t&)>& patch) {
  for (int i = 0; i < count; ++i) dir.Write("src/f" + std::to_string(i) + ".ini", std::string(10, char('a' + i % 26)));
  TSTCabWriter writer;
  if (ownFolders) writer.FolderFileCountThreshold = 1;
  const std::string cabinet = dir / "patched.cab";
  writer.Open(cabinet);
  writer.AddFiles(dir / "src/*", "", false);
  writer.Close(true);
  std::string bytes = testing::ReadFile(cabinet);
  auto u32 = [&](std::size_t at) {
    return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 | std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
  };
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = char(v >> (8 * k));
  };
  std::size_t at = u32(16);  // coffFiles
  for (int i = 0; i < count; ++i) {
    std::uint32_t length = u32(at), offset = u32(at + 4);
    patch(i, length, offset);
    put(at, length);
    put(at + 4, offset);
    at = bytes.find('\0', at + 16) + 1;  // past the name
  }
  dir.Write("patched.cab", bytes);
  return cabinet;
}

// Entries sharing their data would make a few kilobytes unpack into any
// amount; they are refused before anything is written.
TEST(CabinetReader, OverlappingEntriesAreRefusedBeforeWriting) {
  for (const int shift : {1, 5, 10}) {
    SCOPED_TRACE(shift);
    TempFolder dir;
    // Every file from the second on starts inside the one before it.
    const std::string cabinet = PatchedCabinet(dir, 20, false, [shift](int i, std::uint32_t&, std::uint32_t& offset) {
      offset = static_cast<std::uint32_t>(i) * 10 - (i > 0 ? std::uint32_t(shift) : 0u);
    });
    EXPECT_EQ(ExtractCode(cabinet, dir / "out/"), kFdiErrCorruptCabinet);
    EXPECT_FALSE(fs::exists(dir / "out"));
  }
  // Side by side, as written, they unpack.
  TempFolder dir;
  const std::string cabinet = PatchedCabinet(dir, 20, false, [](int, std::uint32_t&, std::uint32_t&) {});
  EXPECT_EQ(ExtractCode(cabinet, dir / "out/"), 0);
  EXPECT_EQ(testing::ReadFile(dir / "out/f19.ini"), std::string(10, 't'));
}

// Files that together claim more than the destination's disk holds are
// refused with both figures, before anything is written.
TEST(CabinetReader, PackagesLargerThanTheFreeSpaceAreRefused) {
  TempFolder dir;
  constexpr int kFiles = 600;
  constexpr std::uint32_t kClaimed = 0x7FFF0000;  // each in a folder of its own: no overlap
  const std::string cabinet = PatchedCabinet(dir, kFiles, true, [](int, std::uint32_t& length, std::uint32_t&) {
    length = kClaimed;
  });
  TSTCabReader reader;
  try {
    reader.ExtractAll(cabinet, dir / "out/");
    FAIL() << "extracted";
  } catch (const EFileError& e) {
    const std::string text = Cp1251ToUtf8(e.Message());
    const std::string head = "Для распаковки архива нужно " + std::to_string(std::uint64_t(kFiles) * kClaimed) +
                             " байт, а в папке \"" + dir / "out/" + "\" свободно только ";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_TRUE(text.ends_with(" байт.")) << text;
  }
  EXPECT_TRUE(fs::is_empty(dir / "out"));
}

}  // namespace
}  // namespace rpt
