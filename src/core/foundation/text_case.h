// The one case-insensitive comparison of the system: Latin and Cyrillic
// letters of Windows-1251 (Ё/ё and the other Cyrillic letters of the upper
// half included). Everything else compares byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace rpt {

namespace text_case_detail {

consteval std::array<unsigned char, 256> MakeLowerTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 32);
  for (int c = 0xC0; c <= 0xDF; ++c) t[c] = static_cast<unsigned char>(c + 32);
  // Upper/lower pairs of the other Cyrillic letters of the code page.
  constexpr unsigned char pairs[][2] = {
      {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E},
      {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA},
      {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
  for (const auto& p : pairs) t[p[0]] = p[1];
  return t;
}

consteval std::array<unsigned char, 256> MakeUpperTable() {
  const auto lower = MakeLowerTable();
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  for (int i = 0; i < 256; ++i)
    if (lower[i] != i) t[lower[i]] = static_cast<unsigned char>(i);
  return t;
}

inline constexpr auto kLower = MakeLowerTable();
inline constexpr auto kUpper = MakeUpperTable();

}  // namespace text_case_detail

constexpr char FoldCase(char c) {
  return static_cast<char>(text_case_detail::kLower[static_cast<unsigned char>(c)]);
}
constexpr char UpperCase(char c) {
  return static_cast<char>(text_case_detail::kUpper[static_cast<unsigned char>(c)]);
}

std::string FoldCase(std::string_view s);
std::string UpperCase(std::string_view s);

// Equal without regard to letter case.
bool SameText(std::string_view a, std::string_view b);
// <0, 0, >0 like strcmp, on case-folded bytes.
int CompareText(std::string_view a, std::string_view b);

// Hash and equality for unordered containers keyed case-insensitively.
struct FoldedHash {
  std::size_t operator()(std::string_view s) const noexcept;
};
struct FoldedEqual {
  bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
};

}  // namespace rpt
