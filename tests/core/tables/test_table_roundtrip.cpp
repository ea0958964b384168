// Whatever a table file holds, once the program has saved it, loading and
// saving again changes nothing: the same model and the same bytes. Checked
// on damaged variants of the shipped fixtures (bytes flipped, line breaks,
// brackets, codec tokens and separators inserted, pieces cut out).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/foundation/errors.h"
#include "core/tables/table.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

std::string Mutate(std::string text, std::mt19937& rng) {
  static const char* const kPieces[] = {"\r", "\n", "\r\n", "[", "]", "=", "||", "$", " ", ".", ",",
                                        "-", "0", "9", "\0", "\xC0", "Cell_", "State=T\r\n"};
  const int edits = 1 + static_cast<int>(rng() % 12);
  for (int e = 0; e < edits && !text.empty(); ++e) {
    const std::size_t at = rng() % text.size();
    switch (rng() % 3) {
      case 0: text[at] = static_cast<char>(rng() % 256); break;
      case 1: {
        const char* piece = kPieces[rng() % std::size(kPieces)];
        text.insert(at, piece[0] == '\0' ? std::string(1, '\0') : std::string(piece));
        break;
      }
      default: text.erase(at, 1 + rng() % 12); break;
    }
  }
  return text;
}

TEST(TableRoundTripTest, SavedFilesAreFixedPoints) {
  const fs::path fixtures = fs::path(REPORT_TEST_FIXTURES) / "tables";
  std::vector<std::string> sources;
  for (const char* name : {"grid.ini", "form.ini", "growing.ini"})
    sources.push_back(ReadFile((fixtures / name).string()));
  TempFolder dir;
  TableContext ctx;
  ctx.listFolder = fixtures.string() + "/";
  std::mt19937 rng(777);
  int saved = 0;
  for (int i = 0; i < 1000; ++i) {
    const std::string damaged = Mutate(sources[static_cast<std::size_t>(i) % sources.size()], rng);
    const std::string path = dir.Write("T.ini", damaged);
    TTable first(ctx);
    try {
      first.LoadFromFile(path);
    } catch (const EFileError&) {
      continue;  // refused as damaged (a cell count that is no number): nothing to save
    }
    std::string once;
    try {
      once = first.SaveText();
    } catch (const EFileError&) {
      continue;  // a real cell that holds no number: nothing is saved
    }
    ++saved;
    dir.Write("T.ini", once);
    TTable second(ctx);
    second.LoadFromFile(path);
    ASSERT_EQ(second.SaveText(), once) << "variant " << i;
    TTable third(ctx);
    third.LoadFromFile(path);
    ASSERT_TRUE(SameModel(second, third)) << "variant " << i;
  }
  EXPECT_GT(saved, 500);
}

// Found by fuzzing: two sections naming one grid cell, the first a list
// cell with a hint, the second a caption. The hint outlived the first
// section, was saved with the caption and dropped by the next load.
TEST(TableRoundTripTest, ACellNamedTwiceKeepsOnlyTheLaterSectionsHint) {
  TempFolder dir;
  TableContext ctx;
  const std::string path = dir.Write(
      "T.ini",
      "[Table]\r\nFixed=1\r\nRowCount=1\r\nColCount=1\r\nCount=2\r\n\r\n"
      "[Cell_2]\r\nState=D\r\nCol=1\r\nRow=1\r\nType=6\r\nHint=pick one\r\n\r\n"
      "[Cell_3]\r\nState=D\r\nCol=1\r\nRow=1\r\nType=0\r\nCap=x\r\n\r\n");
  TTable first(ctx);
  first.LoadFromFile(path);
  const std::string once = first.SaveText();
  EXPECT_EQ(once.find("Hint"), std::string::npos);
  dir.Write("T.ini", once);
  TTable second(ctx);
  second.LoadFromFile(path);
  EXPECT_EQ(second.SaveText(), once);
}

}  // namespace
}  // namespace rpt
