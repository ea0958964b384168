#include "core/foundation/colors_fonts.h"

#include <array>
#include <cstdio>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/text_case.h"

namespace rpt {

using namespace literals;

namespace {

struct NamedColor {
  std::string_view name;
  TColor value;
};

// Every value is distinct, so writing a colour picks one name unambiguously.
constexpr std::array<NamedColor, 52> kNamedColors = {{
    {"clBlack", 0x00000000},
    {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},
    {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},
    {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},
    {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},
    {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},
    {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},
    {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},
    {"clWhite", 0x00FFFFFF},
    {"clMoneyGreen", 0x00C0DCC0},
    {"clSkyBlue", 0x00F0CAA6},
    {"clCream", 0x00F0FBFF},
    {"clMedGray", 0x00A4A0A0},
    {"clActiveBorder", 0xFF00000A},
    {"clActiveCaption", 0xFF000002},
    {"clAppWorkSpace", 0xFF00000C},
    {"clBackground", 0xFF000001},
    {"clBtnFace", 0xFF00000F},
    {"clBtnHighlight", 0xFF000014},
    {"clBtnShadow", 0xFF000010},
    {"clBtnText", 0xFF000012},
    {"clCaptionText", 0xFF000009},
    {"clDefault", 0x20000000},
    {"clGradientActiveCaption", 0xFF00001B},
    {"clGradientInactiveCaption", 0xFF00001C},
    {"clGrayText", 0xFF000011},
    {"clHighlight", 0xFF00000D},
    {"clHighlightText", 0xFF00000E},
    {"clHotLight", 0xFF00001A},
    {"clInactiveBorder", 0xFF00000B},
    {"clInactiveCaption", 0xFF000003},
    {"clInactiveCaptionText", 0xFF000013},
    {"clInfoBk", 0xFF000018},
    {"clInfoText", 0xFF000017},
    {"clMenu", 0xFF000004},
    {"clMenuBar", 0xFF00001E},
    {"clMenuHighlight", 0xFF00001D},
    {"clMenuText", 0xFF000007},
    {"clNone", 0x1FFFFFFF},
    {"clScrollBar", 0xFF000000},
    {"cl3DDkShadow", 0xFF000015},
    {"cl3DLight", 0xFF000016},
    {"clWindow", 0xFF000005},
    {"clWindowFrame", 0xFF000006},
    {"clWindowText", 0xFF000008},
}};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

[[noreturn]] void ThrowNotInteger(std::string_view text) {
  std::string message = "\"";
  message += text;
  message += "\""_w;
  message += " не является целым числом"_w;
  throw EConvertError(message);
}

}  // namespace

std::string ColorToString(TColor color) {
  for (const auto& c : kNamedColors)
    if (c.value == color) return std::string(c.name);
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
  return buf;
}

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size()) return std::nullopt;
  if (text[i] == '$') {
    // Hexadecimal covers the whole unsigned 32-bit range (system colours
    // have the top byte set) and wraps to the signed value.
    ++i;
    if (i >= text.size()) return std::nullopt;
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
      const int d = HexDigit(text[i]);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<unsigned>(d);
      if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    auto u = static_cast<std::uint32_t>(v);
    if (negative) u = 0u - u;
    return static_cast<std::int32_t>(u);
  }
  std::int64_t v = 0;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
    if (v > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -v : v);
}

std::int32_t StrToInt(std::string_view text) {
  if (const auto v = TryStrToInt(text)) return *v;
  ThrowNotInteger(text);
}

std::optional<TColor> TryStringToColor(std::string_view text) {
  for (const auto& c : kNamedColors)
    if (SameText(c.name, text)) return c.value;
  if (const auto v = TryStrToInt(text)) return static_cast<TColor>(*v);
  return std::nullopt;
}

TColor StringToColor(std::string_view text) {
  if (const auto v = TryStringToColor(text)) return *v;
  ThrowNotInteger(text);
}

std::string FontToString(const TFont& font) {
  std::string s = font.name;
  s += ',';
  s += std::to_string(font.size);
  s += ',';
  s += font.bold ? '1' : '0';
  s += font.italic ? '1' : '0';
  s += font.underline ? '1' : '0';
  s += font.strikeOut ? '1' : '0';
  s += ',';
  s += ColorToString(font.color);
  return s;
}

TFont StringToFont(std::string_view text) {
  const auto malformed = [] { throw EConvertError("Ошибка при преобразовании строки в шрифт."_w); };
  TFont font;
  auto comma = text.find(',');
  if (comma == std::string_view::npos) malformed();
  font.name = std::string(text.substr(0, comma));
  text.remove_prefix(comma + 1);

  comma = text.find(',');
  if (comma == std::string_view::npos) malformed();
  font.size = StrToInt(text.substr(0, comma));
  text.remove_prefix(comma + 1);

  // Exactly four style digits: bold, italic, underline, strike-out.
  if (text.find(',') != 4) malformed();
  bool* const styles[4] = {&font.bold, &font.italic, &font.underline, &font.strikeOut};
  for (int k = 0; k < 4; ++k) {
    const char c = text[k];
    if (c < '0' || c > '9') ThrowNotInteger(text.substr(k, 1));
    *styles[k] = c != '0';
  }
  font.color = StringToColor(text.substr(5));
  return font;
}

}  // namespace rpt
