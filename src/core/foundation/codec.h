// Windows-1251 <-> Unicode. Report text lives in memory as Windows-1251
// bytes; UTF-8 appears only at the edges (file names, GUI, terminal, source
// literals). This is the one codec of the system.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace rpt {

namespace codec_detail {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F. 0x98 is
// unassigned in the code page and maps to U+0098 so that every byte survives
// a round trip.
inline constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

}  // namespace codec_detail

constexpr char32_t Cp1251ToUnicode(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return char32_t(0x0410 + (byte - 0xC0));
  return codec_detail::kHigh[byte - 0x80];
}

// The byte for a code point, or -1 when the code page cannot hold it.
constexpr int UnicodeToCp1251(char32_t cp) {
  if (cp < 0x80) return int(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return int(0xC0 + (cp - 0x0410));
  for (std::size_t i = 0; i < codec_detail::kHigh.size(); ++i)
    if (codec_detail::kHigh[i] == cp) return int(0x80 + i);
  return -1;
}

// Decodes one UTF-8 sequence at s[i]; advances i. Returns U+FFFD for a
// malformed, overlong or surrogate sequence (consuming one byte).
constexpr char32_t DecodeUtf8At(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) { ++i; return b0; }
  int len = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) { len = 2; cp = b0 & 0x1F; min = 0x80; }
  else if ((b0 & 0xF0) == 0xE0) { len = 3; cp = b0 & 0x0F; min = 0x800; }
  else if ((b0 & 0xF8) == 0xF0) { len = 4; cp = b0 & 0x07; min = 0x10000; }
  else { ++i; return 0xFFFD; }
  if (i + len > s.size()) { ++i; return 0xFFFD; }
  for (int k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) { ++i; return 0xFFFD; }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++i; return 0xFFFD; }
  i += len;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp);

// Characters the code page cannot hold (and malformed UTF-8) become "?".
std::string Utf8ToCp1251(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view cp1251);
// True when every character of the UTF-8 text has a Windows-1251 byte.
bool FitsCp1251(std::string_view utf8);

namespace codec_detail {

// Converts at compile time; a character outside the code page does not compile.
constexpr std::size_t ConvertLiteral(std::string_view in, char* out) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < in.size();) {
    const int b = UnicodeToCp1251(DecodeUtf8At(in, i));
    if (b < 0) throw "literal holds a character outside Windows-1251";
    if (out) out[n] = static_cast<char>(b);
    ++n;
  }
  return n;
}

template <char... Chars>
struct LiteralStore {
  static constexpr char kUtf8[] = {Chars..., 0};
  static constexpr auto kBytes = [] {
    constexpr std::string_view in(kUtf8, sizeof...(Chars));
    std::array<char, ConvertLiteral(in, nullptr) + 1> a{};
    ConvertLiteral(in, a.data());
    return a;
  }();
};

}  // namespace codec_detail

namespace literals {

// "Отчет"_w: a UTF-8 source literal as Windows-1251 bytes, converted by the
// compiler. The character-pack form of the literal operator (a GNU extension
// that GCC and clang share) is used because clang 14 crashes on string
// literals passed as class-type template arguments.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#ifdef __clang__
#pragma clang diagnostic ignored "-Wgnu-string-literal-operator-template"
#endif
template <typename CharT, CharT... Chars>
constexpr std::string_view operator""_w() {
  static_assert(std::is_same_v<CharT, char>, "_w takes narrow (UTF-8) literals");
  using Store = codec_detail::LiteralStore<Chars...>;
  return {Store::kBytes.data(), Store::kBytes.size() - 1};
}
#pragma GCC diagnostic pop

}  // namespace literals

}  // namespace rpt
