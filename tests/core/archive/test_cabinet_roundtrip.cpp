// A report-sized folder through pack and unpack, and the same package read by
// the peer tools (skipped when they are not installed).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "core/foundation/codec.h"
#include "core/archive/package.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

struct Entry {
  std::string bytes;
  std::time_t mtime;
};

// 300 files: Cyrillic and Latin names, 9 empty files, one of 20 MB.
class CabinetRoundTrip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempFolder>();
    files_ = new std::map<std::string, Entry>;
    std::mt19937 rng(2023);
    std::time_t when = 1690000000;  // even seconds: the cabinet keeps 2-second resolution
    auto add = [&](const std::string& name, std::string bytes) {
      const std::string path = dir_->Write("work/" + name, bytes);
      when += 2 * 3607;
      struct timespec times[2] = {{when, 0}, {when, 0}};
      ::utimensat(AT_FDCWD, path.c_str(), times, 0);
      (*files_)[name] = Entry{std::move(bytes), when};
    };
    for (int i = 0; i < 290; ++i) {
      std::string text = "[Таблица]\r\nИмя=Таблица " + std::to_string(i) + "\r\n";
      const int rows = static_cast<int>(rng() % 400);
      for (int r = 0; r < rows; ++r)
        text += "Cell_" + std::to_string(r) + "=" + std::to_string(rng() % 100000) + ",5\r\n";
      const std::string name = (i % 2 ? "Таблица_" : "Table_") + std::to_string(i) + ".ini";
      add(name, Utf8ToCp1251(text));
    }
    for (int i = 0; i < 9; ++i) add("Пустой_" + std::to_string(i) + ".txt", "");
    std::string big;
    big.reserve(20u << 20);
    while (big.size() < (20u << 20)) {
      if (rng() % 4 == 0) {
        for (int k = 0; k < 4096; ++k) big += static_cast<char>(rng());
      } else {
        big += "Строка отчета " + std::to_string(rng()) + ";";
      }
    }
    big.resize(20u << 20);
    add("Большой_файл.dat", std::move(big));
    testing::ScriptedInteraction ui;
    ASSERT_TRUE(PackFolder(ui, dir_->path() + "work/*", dir_->path() + "Report.rpt", true, false));
  }
  static void TearDownTestSuite() {
    delete files_;
    dir_.reset();
  }
  static std::unique_ptr<TempFolder> dir_;
  static std::map<std::string, Entry>* files_;
};

std::unique_ptr<TempFolder> CabinetRoundTrip::dir_;
std::map<std::string, Entry>* CabinetRoundTrip::files_ = nullptr;

TEST_F(CabinetRoundTrip, IdenticalBytesNamesAndTimes) {
  ASSERT_EQ(files_->size(), 300u);
  const std::string out = dir_->path() + "out/";
  UnpackPackage(dir_->path() + "Report.rpt", out);
  std::size_t count = 0;
  for (const auto& entry : fs::directory_iterator(out)) {
    ++count;
    const std::string name = entry.path().filename().string();
    const auto it = files_->find(name);
    ASSERT_NE(it, files_->end()) << name;
    EXPECT_EQ(ReadFile(entry.path().string()), it->second.bytes) << name;
    struct stat st {};
    ASSERT_EQ(::stat(entry.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, it->second.mtime) << name;
  }
  EXPECT_EQ(count, 300u);
}

std::string RunTool(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  *status = ::pclose(pipe);
  return output;
}

TEST_F(CabinetRoundTrip, PeerToolsReadThePackage) {
  if (std::system("cabextract --version > /dev/null 2>&1") != 0 ||
      std::system("gcab --version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "cabextract or gcab not installed (scripts/install-deps.sh --test)";
  const std::string cab = dir_->path() + "plain.cab";
  fs::copy_file(dir_->path() + "Report.rpt", cab, fs::copy_options::overwrite_existing);
  ExchangeFirstTwoBytes(cab);

  int status = -1;
  const std::string test = RunTool("cabextract -t '" + cab + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << test;
  EXPECT_NE(test.find("All done, no errors."), std::string::npos) << test;

  const std::string listing = RunTool("cabextract -l -e cp1251 '" + cab + "' 2>&1", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(listing.find("| Таблица_1.ini"), std::string::npos);
  EXPECT_NE(listing.find("| Большой_файл.dat"), std::string::npos);

  // gcab takes names without the UTF-8 attribute as raw bytes: Windows-1251 here.
  const std::string out = dir_->path() + "gcab/";
  fs::create_directories(out);
  RunTool("gcab -x -C '" + out + "' '" + cab + "' 2>&1", &status);
  EXPECT_EQ(status, 0);
  std::size_t count = 0;
  for (const auto& [name, entry] : *files_) {
    const std::string path = out + Utf8ToCp1251(name);
    ASSERT_TRUE(fs::exists(path)) << name;
    EXPECT_EQ(ReadFile(path), entry.bytes) << name;
    ++count;
  }
  EXPECT_EQ(count, 300u);
}

}  // namespace
}  // namespace rpt
