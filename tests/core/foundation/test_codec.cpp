#include <gtest/gtest.h>
#include <iconv.h>

#include "core/foundation/codec.h"
#include "core/foundation/text_case.h"

namespace rpt {
namespace {

using namespace literals;

// The compile-time table agrees with glibc's code page for every assigned byte.
TEST(Codec, TableMatchesIconv) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98) continue;  // unassigned; kept as U+0098 for round trips
    char in = static_cast<char>(b);
    char out[8] = {};
    char* pin = &in;
    char* pout = out;
    size_t inLeft = 1, outLeft = sizeof out;
    ASSERT_NE(iconv(cd, &pin, &inLeft, &pout, &outLeft), static_cast<size_t>(-1)) << b;
    EXPECT_EQ(Cp1251ToUtf8(std::string(1, in)), std::string(out, pout)) << "byte " << b;
  }
  iconv_close(cd);
}

TEST(Codec, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Codec, UnmappableAndMalformedBecomeQuestionMarks) {
  struct Case { std::string utf8; std::string cp1251; };
  const Case cases[] = {
      {"日本", "??"},
      {"a\xC0\xAFz", "a??z"},         // overlong "/" is never a slash
      {"\xED\xA0\x80", "???"},         // surrogate
      {"x\xE2\x82", "x??"},            // truncated sequence
      {"€ №", "\x88 \xB9"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251) << c.utf8;
  EXPECT_FALSE(FitsCp1251("日"));
  EXPECT_TRUE(FitsCp1251("Отчет.str"));
}

TEST(Codec, LiteralsAreConvertedByTheCompiler) {
  constexpr std::string_view w = "Отчет"_w;
  static_assert(w.size() == 5);
  EXPECT_EQ(w, "\xCE\xF2\xF7\xE5\xF2");
  EXPECT_EQ("Ёё"_w, "\xA8\xB8");
}

TEST(TextCase, FoldsLatinAndCyrillicOnly) {
  EXPECT_TRUE(SameText("[Раздел_1]"_w, "[раздел_1]"_w));
  EXPECT_TRUE(SameText("ЁЛКА Ґ Ї"_w, "ёлка ґ ї"_w));
  EXPECT_TRUE(SameText("REPORT.RPT", "report.rpt"));
  EXPECT_FALSE(SameText("[ Раздел_1 ]"_w, "[Раздел_1]"_w));
  EXPECT_FALSE(SameText("Е"_w, "Ё"_w));
  EXPECT_FALSE(SameText("«", "»"));
  EXPECT_LT(CompareText("а"_w, "Б"_w), 0);
  EXPECT_EQ(UpperCase("отчёт q"_w), std::string("ОТЧЁТ Q"_w));
  EXPECT_EQ(FoldedHash{}("ПУНКТ_1_2"_w), FoldedHash{}("пункт_1_2"_w));
}

}  // namespace
}  // namespace rpt
