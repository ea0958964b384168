#include "core/tables/table_text.h"

#include "core/foundation/common.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace rpt::tables {

std::string_view TrimText(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

namespace {

std::string SwapLeading(std::string_view text) {
  std::string out(text);
  if (!out.empty()) {
    if (out[0] == ' ') out[0] = '$';
    else if (out[0] == '$') out[0] = ' ';
  }
  return out;
}

// Replaces CR LF, and a lone CR or LF, by `with`.
std::string ReplaceLineBreaks(std::string_view text, std::string_view with) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += with;
    } else if (c == '\n') {
      out += with;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string DecodeMultiLine(std::string_view stored) { return ConvertMultiLine(stored, "||", "\r\n"); }

std::string EncodeMultiLine(std::string_view caption) {
  const std::string swapped = SwapLeading(caption);
  if (swapped.find_first_of("\r\n") == std::string::npos) return swapped;
  return ReplaceLineBreaks(swapped, "||");
}

std::string OneLine(std::string_view caption) {
  const std::string swapped = SwapLeading(caption);
  if (swapped.find_first_of("\r\n") == std::string::npos) return swapped;
  return ReplaceLineBreaks(swapped, " ");
}

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimText(text);
  if (text.empty()) return std::nullopt;
  std::string buf;
  buf.reserve(text.size());
  std::size_t i = 0;
  if (text[0] == '+' || text[0] == '-') {
    if (text[0] == '-') buf += '-';
    ++i;
  }
  // Digits first: keeps "inf", "nan" and hexadecimal out.
  if (i >= text.size() || !(std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == ','))
    return std::nullopt;
  bool digits = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') return std::nullopt;
    if (std::isdigit(static_cast<unsigned char>(c))) digits = true;
    buf += c == ',' ? '.' : c;
  }
  if (!digits) return std::nullopt;
  double value = 0;
  const char* end = buf.data() + buf.size();
  const auto r = std::from_chars(buf.data(), end, value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string FormatFixed(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;
  // Like the platform's fixed formatting: the value is taken to 18
  // significant digits, then rounded at the last decimal, halves away from
  // zero (1,25 with one decimal shows 1,3).
  std::string digits;
  int intDigits = 1;
  if (value != 0 && std::isfinite(value)) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
    const std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));
    const auto e = sci.find('e');
    digits += sci[0];
    digits.append(sci.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
    intDigits = exponent + 1;
  }
  return FixedFromDigits(std::move(digits), intDigits, decimals, value < 0);
}

std::string FixedFromDigits(std::string digits, int intDigits, int decimals, bool negative) {
  const int keep = intDigits + decimals;
  if (keep < 0) {
    digits.clear();
  } else if (keep < static_cast<int>(digits.size())) {
    const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (up) {
      int i = keep - 1;
      for (; i >= 0 && digits[static_cast<std::size_t>(i)] == '9'; --i) digits[static_cast<std::size_t>(i)] = '0';
      if (i >= 0) {
        ++digits[static_cast<std::size_t>(i)];
      } else {
        digits.insert(digits.begin(), '1');
        ++intDigits;
      }
    }
  }
  auto digitAt = [&](int i) {
    return i >= 0 && i < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(i)] : '0';
  };
  std::string out;
  if (intDigits <= 0) {
    out += '0';
  } else {
    for (int i = 0; i < intDigits; ++i) out += digitAt(i);
  }
  if (decimals > 0) {
    out += ',';
    for (int i = 0; i < decimals; ++i) out += digitAt(intDigits + i);
  }
  if (negative && out.find_first_not_of("0,") != std::string::npos) out.insert(out.begin(), '-');
  return out;
}

bool NormalizeLoadedNumber(std::string& text, int decimals) {
  DotsToCommas(text);
  if (text.find(',') == std::string::npos) return true;
  if (const auto number = ParseNumber(text)) {
    text = FormatFixed(*number, decimals);
    return true;
  }
  text = "0,0";
  return false;
}

void DotsToCommas(std::string& text) {
  for (char& c : text)
    if (c == '.') c = ',';
}

}  // namespace rpt::tables
