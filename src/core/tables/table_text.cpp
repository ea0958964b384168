#include "core/tables/table_text.h"

#include "core/foundation/common.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

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
  if (value == 0) value = 0;  // no "-0"
  char buf[400];
  std::to_chars_result r{};
  if (std::fabs(value) >= 1e18) {
    // Beyond 18 significant digits fixed notation would invent digits.
    r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 17);
  } else {
    r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  }
  std::string out(buf, r.ptr);
  for (char& c : out)
    if (c == '.') c = ',';
  if (out.size() > 1 && out[0] == '-' && out.find_first_not_of("-0,") == std::string::npos)
    out.erase(0, 1);  // a negative value rounded to zero
  return out;
}

void DotsToCommas(std::string& text) {
  for (char& c : text)
    if (c == '.') c = ',';
}

}  // namespace rpt::tables
