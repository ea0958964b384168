#include <gtest/gtest.h>

#include <set>

#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/foundation/errors.h"

namespace rpt {
namespace {

using namespace literals;

TEST(ColorsFonts, NamedColoursRoundTrip) {
  const struct {
    const char* name;
    TColor value;
  } named[] = {
      {"clBlack", 0x00000000}, {"clMaroon", 0x00000080}, {"clSkyBlue", 0x00F0CAA6},
      {"clMedGray", 0x00A4A0A0}, {"clDefault", 0x20000000}, {"clNone", 0x1FFFFFFF},
      {"clScrollBar", 0xFF000000}, {"cl3DDkShadow", 0xFF000015}, {"clWindowText", 0xFF000008},
      {"clGradientInactiveCaption", 0xFF00001C}, {"clMenuBar", 0xFF00001E}};
  for (const auto& c : named) {
    EXPECT_EQ(ColorToString(c.value), c.name);
    EXPECT_EQ(StringToColor(c.name), c.value) << c.name;
  }
  // 52 names, one per value: every system colour 0..0x1E except 0x19 and
  // 0x1F is named; a name always reads back to the value it was written for.
  std::set<std::string> names;
  for (TColor n = 0; n <= 0x1F; ++n) {
    const std::string s = ColorToString(0xFF000000 | n);
    EXPECT_EQ(StringToColor(s), 0xFF000000 | n) << s;
    if (s[0] == 'c') names.insert(s);
  }
  EXPECT_EQ(names.size(), 30u);
  EXPECT_EQ(ColorToString(0xFF000019), "$FF000019");
}

TEST(ColorsFonts, ColourText) {
  EXPECT_EQ(ColorToString(0x00123456), "$00123456");
  EXPECT_EQ(ColorToString(0x0080FF40), "$0080FF40");
  EXPECT_EQ(TryStringToColor("clwindowtext"), clWindowText);
  EXPECT_EQ(TryStringToColor("CLRED"), clRed);
  EXPECT_EQ(TryStringToColor("255"), clRed);
  EXPECT_EQ(TryStringToColor("$FF000008"), clWindowText);
  EXPECT_EQ(TryStringToColor("red"), std::nullopt);
  EXPECT_EQ(TryStringToColor(""), std::nullopt);
  EXPECT_THROW(StringToColor("clRedd"), EConvertError);
}

TEST(ColorsFonts, IntegerText) {
  const struct {
    const char* text;
    std::optional<std::int32_t> value;
  } cases[] = {{"0", 0},           {"  42", 42},          {"+7", 7},           {"-7", -7},
               {"$ff", 255},       {"$FFFFFFFF", -1},     {"-$10", -16},       {"2147483647", INT32_MAX},
               {"-2147483648", INT32_MIN}, {"2147483648", {}}, {"$100000000", {}}, {"12 ", {}},
               {"", {}},           {" ", {}},             {"$", {}},           {"-", {}},
               {"1e3", {}},        {"0x10", {}},          {"\t1", {}}};
  for (const auto& c : cases) EXPECT_EQ(TryStrToInt(c.text), c.value) << '"' << c.text << '"';
  EXPECT_THROW(StrToInt("x"), EConvertError);
}

TEST(ColorsFonts, FontText) {
  const TFont font{"Times New Roman", 12, true, false, false, false, clWindowText};
  EXPECT_EQ(FontToString(font), "Times New Roman,12,1000,clWindowText");
  EXPECT_EQ(StringToFont("Times New Roman,12,1000,clWindowText"), font);
  EXPECT_EQ(StringToFont("Arial,10,0100,$000000FF"),
            (TFont{"Arial", 10, false, true, false, false, clRed}));
  const TFont all{"X", -3, true, true, true, true, 0x00123456};
  EXPECT_EQ(StringToFont(FontToString(all)), all);
}

TEST(ColorsFonts, MalformedFontText) {
  const std::string layout(std::string_view("Ошибка при преобразовании строки в шрифт."_w));
  const struct {
    const char* text;
    bool layoutError;
  } cases[] = {
      {"Arial", true},           {"Arial,10", true},           {"Arial,10,10,clRed", true},
      {"Arial,10,00000,clRed", true}, {"Arial,10,0000", true}, {"Arial,x,0000,clRed", false},
      {"Arial,10,00a0,clRed", false}, {"Arial,10,0000,pink", false}, {"Arial,10,0000,", false}};
  for (const auto& c : cases) {
    try {
      StringToFont(c.text);
      ADD_FAILURE() << c.text << " was accepted";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message() == layout, c.layoutError) << c.text << ": " << Cp1251ToUtf8(e.Message());
    }
  }
}

}  // namespace
}  // namespace rpt
