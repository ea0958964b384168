// The blank tables installed with the program are kept in the form the
// program writes: loading and saving each gives back its exact bytes.
// (The sources are UTF-8 with LF; the installation holds them in
// Windows-1251 with CR LF.)
#include <gtest/gtest.h>

#include <filesystem>

#include "core/foundation/file_io.h"
#include "core/tables/table.h"
#include "support/temp_folder.h"
#include "table_test_util.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;
using testing::Win;

const fs::path kInstallation = fs::path(REPORT_SOURCE_DIR) / "data/installation";

TEST(InstalledTablesTest, ResaveGivesTheSameBytes) {
  if (!fs::exists(kInstallation / "TabIni")) GTEST_SKIP() << "no installation sources";
  TempFolder dir;
  for (const auto& e : fs::directory_iterator(kInstallation / "TabLst"))
    dir.Write("TabLst/" + e.path().filename().string(), Win(ReadFile(e.path().string())));
  TableContext ctx;
  ctx.listFolder = dir / "TabLst/";
  int tables = 0;
  for (const auto& e : fs::directory_iterator(kInstallation / "TabIni")) {
    if (e.path().extension() != ".ini") continue;
    ++tables;
    const std::string name = e.path().filename().string();
    const std::string original = Win(ReadFile(e.path().string()));
    const std::string path = dir.Write(name, original);
    TTable t(ctx);
    t.LoadFromFile(path);
    t.SaveToFile(path, false);
    EXPECT_EQ(ReadFile(path), original) << name;
    std::string lines;
    t.WriteDataLines(lines);
    EXPECT_EQ(lines.rfind("t:" + t.tableName + "\r\n", 0), 0u) << name;
  }
  EXPECT_GT(tables, 0);
}

}  // namespace
}  // namespace rpt
