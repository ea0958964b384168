#include <gtest/gtest.h>

#include "core/foundation/codec.h"
#include "core/foundation/config_keys.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using namespace literals;
using testing::ReadFile;
using testing::TempFolder;

TEST(Options, DefaultsWithoutTheFile) {
  TempFolder tmp;
  EXPECT_EQ(SiteAddress(tmp.path()), kDefaultSiteAddress);
  EXPECT_EQ(ImportableTableCount(tmp.path()), 0);
}

TEST(Options, ReadLenientlyFromAnySpellingOfTheFileName) {
  TempFolder tmp;
  tmp.Write("OPTIONS.cnf", Utf8ToCp1251("[Сайт]\r\n\r\n Норм = https://x.example/p.aspx \r\n"
                                        "[импортируемые таблицы]\r\nКоличество=0x3\r\n"));
  EXPECT_EQ(SiteAddress(tmp.path()), "https://x.example/p.aspx");
  EXPECT_EQ(ImportableTableCount(tmp.path()), 3);
}

TEST(LocalOptions, TableFontRoundTripAndFailedWrite) {
  TempFolder tmp;
  EXPECT_EQ(ReadTableFontChoice(tmp.path()).face, "");
  EXPECT_EQ(ReadTableFontChoice(tmp.path()).size, 0);
  ASSERT_EQ(WriteTableFontChoice(tmp.path(), {"Times New Roman", 12}), "");
  EXPECT_EQ(ReadFile(tmp / "LocOpt.cnf"),
            Utf8ToCp1251("[Настройки]\r\nШрифт=Times New Roman\r\nШрифт - размер=12\r\n\r\n"));
  const auto choice = ReadTableFontChoice(tmp.path());
  EXPECT_EQ(choice.face, "Times New Roman");
  EXPECT_EQ(choice.size, 12);
  EXPECT_NE(WriteTableFontChoice(tmp / "missing/", {"Arial", 10}), "");
}

TEST(History, RecentReportsRoundTrip) {
  TempFolder tmp;
  EXPECT_TRUE(ReadRecentReports(tmp.path()).empty());
  const std::vector<std::string> folders = {"/home/u/Отчет1/", "/home/u/日本/", "/home/u/Подотчет2"};
  ASSERT_EQ(WriteRecentReports(tmp.path(), folders), "");
  const std::string text = ReadFile(tmp / "History.ini");
  EXPECT_NE(text.find("Item_0=/home/u/Отчет1\r\n"_w), std::string::npos) << text;
  EXPECT_NE(text.find("Item_1=/home/u/Подотчет2\r\n"_w), std::string::npos) << text;
  EXPECT_EQ(ReadRecentReports(tmp.path()),
            (std::vector<std::string>{"/home/u/Отчет1/", "/home/u/Подотчет2/"}));

  ASSERT_EQ(WriteRecentReports(tmp.path(), {"/a/"}), "");  // a shorter list replaces the old one
  EXPECT_EQ(ReadRecentReports(tmp.path()), std::vector<std::string>{"/a/"});
}

TEST(History, ReadingStopsAtTheFirstGap) {
  TempFolder tmp;
  tmp.Write("History.ini", "[TF_StructRep.MRUManager1]\r\nItem_0=C:\\R\\One\r\nItem_2=/two\r\n");
  EXPECT_EQ(ReadRecentReports(tmp.path()), std::vector<std::string>{"C:/R/One/"});
}

}  // namespace
}  // namespace rpt
