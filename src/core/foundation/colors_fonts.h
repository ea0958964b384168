// Colours and fonts as the settings files write them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/foundation/shared_text.h"

namespace rpt {

// A 32-bit colour: lowest byte red, then green, then blue, highest byte 0;
// a highest byte of FF marks a system colour whose number is the lowest byte.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clRed = 0x000000FF;
inline constexpr TColor clWhite = 0x00FFFFFF;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// The name of one of the 52 named colours, or "$" + eight upper-case hex digits.
std::string ColorToString(TColor color);
// A colour name (case-insensitive) or an integer text (decimal, "$" hex);
// nothing when neither.
std::optional<TColor> TryStringToColor(std::string_view text);
// As TryStringToColor; raises EConvertError when the text is no colour.
TColor StringToColor(std::string_view text);

// Integer text as the settings files read it: optional leading blanks, an
// optional sign, decimal digits or "$" + hexadecimal digits, fitting 32 bits.
std::optional<std::int32_t> TryStrToInt(std::string_view text);
// As TryStrToInt; raises EConvertError with the conversion message.
std::int32_t StrToInt(std::string_view text);

struct TFont {
  SharedText name;  // face name, Windows-1251
  int size = 8;      // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  TColor color = clWindowText;

  bool operator==(const TFont&) const = default;
};

// "face,size,BIUS,colour", e.g. "Times New Roman,12,1000,clWindowText".
std::string FontToString(const TFont& font);
// Raises EConvertError ("Ошибка при преобразовании строки в шрифт." for a
// malformed layout; the integer or colour conversion error otherwise).
TFont StringToFont(std::string_view text);

}  // namespace rpt
