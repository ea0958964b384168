// The gzip-compressed send container.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "core/foundation/codec.h"
#include "core/archive/packed_container.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

std::string Gunzip(const std::string& gz) {
  z_stream zs{};
  EXPECT_EQ(inflateInit2(&zs, 16 + MAX_WBITS), Z_OK);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
  zs.avail_in = static_cast<uInt>(gz.size());
  std::string out;
  char buffer[65536];
  int r;
  do {
    zs.next_out = reinterpret_cast<Bytef*>(buffer);
    zs.avail_out = sizeof buffer;
    r = inflate(&zs, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - zs.avail_out);
  } while (r == Z_OK);
  EXPECT_EQ(r, Z_STREAM_END);
  EXPECT_EQ(zs.avail_in, 0u);
  inflateEnd(&zs);
  return out;
}

// Every test runs with a temporary folder of its own so that a forgotten
// temporary file shows.
class PackedContainer : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    saved_ = old ? old : "";
    hadTmp_ = old != nullptr;
    ::setenv("TMPDIR", tmp_.path().c_str(), 1);
  }
  void TearDown() override {
    EXPECT_TRUE(fs::is_empty(tmp_.path())) << "temporary file left behind";
    if (hadTmp_)
      ::setenv("TMPDIR", saved_.c_str(), 1);
    else
      ::unsetenv("TMPDIR");
  }
  TempFolder dir_;

 private:
  TempFolder tmp_;
  std::string saved_;
  bool hadTmp_ = false;
};

TEST_F(PackedContainer, LayoutAndGzipMember) {
  const std::string a = dir_.Write("src/R.txt", "1;2;3\r\n");
  const std::string b = dir_.Write("src/Отчет_1.rpt", "");
  const std::string c = dir_.Write("src/twelve_bytes", std::string(300, 'z'));
  PackFiles({a, b, c}, dir_ / "send.gz");
  const std::string gz = ReadFile(dir_ / "send.gz");
  const std::string expected = std::string("kwatrel0003") + "0005R.txt" + "00000000000000000007" + "1;2;3\r\n" +
                               "0011" + Utf8ToCp1251("Отчет_1.rpt") + std::string(20, '0') + "0012" +
                               "twelve_bytes" + "00000000000000000300" + std::string(300, 'z');
  EXPECT_EQ(Gunzip(gz), expected);
  ASSERT_GT(gz.size(), 19u);
  EXPECT_EQ(gz.substr(0, 4), std::string("\x1F\x8B\x08\x08", 4));
  EXPECT_EQ(gz.substr(8, 2), std::string("\x00\x00", 2));  // XFL, OS
  EXPECT_EQ(gz.substr(10, 9), std::string("Temp.tmp\0", 9));
  // MTIME: the container was written just now, taken as local time.
  std::uint32_t mtime = 0;
  for (int i = 0; i < 4; ++i) mtime |= std::uint32_t(static_cast<unsigned char>(gz[4 + i])) << (8 * i);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_LE(std::llabs(static_cast<long long>(timegm(&local)) - mtime), 5);
  EXPECT_EQ(mtime % 2, 0u);
}

TEST_F(PackedContainer, EmptyListAndSourceAsDestination) {
  PackFiles({}, dir_ / "empty.gz");
  EXPECT_EQ(Gunzip(ReadFile(dir_ / "empty.gz")), "kwatrel0000");

  const std::string send = dir_.Write("R_123.rpt", "send data");
  const std::string r = dir_.Write("R.txt", "lines");
  PackFiles({r, send}, send);
  EXPECT_EQ(Gunzip(ReadFile(send)), "kwatrel00020005R.txt" + std::string(19, '0') + "5lines" + "0009R_123.rpt" +
                                        std::string(19, '0') + "9send data");
}

TEST_F(PackedContainer, MissingSourceLeavesDestinationAndNoTemporaryFile) {
  const std::string dest = dir_.Write("send.gz", "previous");
  EXPECT_THROW(PackFiles({dir_ / "missing.txt"}, dest), EFileError);
  EXPECT_EQ(ReadFile(dest), "previous");
}

TEST_F(PackedContainer, GzipAcceptsIt) {
  if (std::system("gzip --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "gzip not installed";
  const std::string a = dir_.Write("src/data.txt", std::string(100000, 'd') + "end");
  PackFiles({a}, dir_ / "send.gz");
  const std::string gz = dir_ / "send.gz";
  EXPECT_EQ(std::system(("gzip -t '" + gz + "'").c_str()), 0);
  FILE* list = ::popen(("gzip -l -N '" + gz + "'").c_str(), "r");
  ASSERT_NE(list, nullptr);
  char buffer[4096] = {};
  const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, list);
  ::pclose(list);
  EXPECT_NE(std::string(buffer, n).find("Temp.tmp"), std::string::npos) << buffer;
  EXPECT_EQ(std::system(("gzip -dc '" + gz + "' > '" + dir_.path() + "plain'").c_str()), 0);
  EXPECT_EQ(ReadFile(dir_ / "plain"),
            "kwatrel00010008data.txt" + std::string(14, '0') + "100003" + std::string(100000, 'd') + "end");
}

TEST(ZCompressionError, Messages) {
  const std::pair<int, const char*> table[] = {{-1, "File error"},          {-2, "Stream error"},
                                               {-3, "Data error"},          {-4, "Insufficient memory"},
                                               {-5, "Buffer error"},        {-6, "Incompatible version"},
                                               {2, "Need dictionary"},      {1, "Stream end"}};
  for (const auto& [code, text] : table) {
    EZCompressionError e(code);
    EXPECT_STREQ(e.what(), text);
    EXPECT_EQ(e.Code(), code);
  }
}

}  // namespace
}  // namespace rpt
