#include "core/tables/table_text.h"

#include "core/foundation/common.h"

#include <array>
#include <cctype>
#include <cstdint>
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

namespace {

// Powers of ten that the 64-bit mantissa of long double holds exactly.
constexpr int kExactPowers = 28;
constexpr auto kPow10 = [] {
  std::array<long double, kExactPowers> p{};
  long double v = 1;
  for (auto& x : p) {
    x = v;
    v *= 10;
  }
  return p;
}();

}  // namespace

// Values within reach of an exact power of ten are scaled to an integer;
// the rest go through the library's exact conversion (printf, slow).
void SignificantDigits(long double value, int sig, std::string& digits, int& exponent) {
  const long double a = std::fabs(value);
  int binary = 0;
  std::frexp(a, &binary);
  int e = static_cast<int>(std::floor((binary - 1) * 0.30102999566398119521));
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int k = sig - 1 - e;
    if (k >= kExactPowers || k <= -kExactPowers) break;
    long double r;
    if (k >= 0) {
      // m + err is a * 10^k exactly (the error of a product is itself a
      // long double), so the rounding to an integer is decided exactly;
      // halfway goes to even, as the library's conversion does.
      const long double p = kPow10[static_cast<std::size_t>(k)];
      const long double m = a * p;
      const long double whole = std::floor(m);
      const long double half = m - whole - 0.5L;  // exact
      if (std::fabs(half) > 0.25L) {
        r = half > 0 ? whole + 1 : whole;
      } else {
        const long double err = std::fma(a, p, -m);
        if (half + err > 0 || (half == -err && std::fmod(whole, 2.0L) != 0)) r = whole + 1;
        else r = whole;
      }
    } else {
      const long double m = a / kPow10[static_cast<std::size_t>(-k)];
      const long double whole = std::floor(m);
      // One rounding of a quotient: near a halfway point the exact
      // conversion decides.
      if (std::fabs(m - whole - 0.5L) < 0.125L) break;
      r = m - whole > 0.5L ? whole + 1 : whole;
    }
    if (r >= kPow10[static_cast<std::size_t>(sig)]) {
      ++e;
      continue;
    }
    if (r < kPow10[static_cast<std::size_t>(sig - 1)]) {
      --e;
      continue;
    }
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(r)).ptr;
    digits.assign(buf, end);
    exponent = e;
    return;
  }
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, sig - 1);
  const std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));
  const std::size_t ePos = sci.find('e');
  digits.assign(1, sci[0]);
  if (ePos > 2) digits.append(sci.substr(2, ePos - 2));
  exponent = 0;
  std::from_chars(sci.data() + ePos + (sci[ePos + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
}

std::optional<long double> ParseNumber(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  std::string buf(text.size() + 1, '\0');
  std::size_t n = 0, i = 0;
  if (text[0] == '+' || text[0] == '-') {
    if (text[0] == '-') buf[n++] = '-';
    ++i;
  }
  bool digits = false, separator = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      buf[n++] = c;
    } else if (c == ',' && !separator) {
      separator = true;
      buf[n++] = '.';
    } else {
      break;
    }
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    buf[n++] = 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) buf[n++] = text[i++];
    const std::size_t expStart = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) buf[n++] = text[i];
    if (i == expStart) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  // Up to 18 digits without an exponent: the integer of the digits divided
  // by an exact power of ten, one correctly rounded division.
  std::uint64_t mantissa = 0;
  int count = 0, decimals = 0;
  bool fast = true, afterPoint = false;
  for (std::size_t j = 0; j < n && fast; ++j) {
    const char c = buf[j];
    if (c >= '0' && c <= '9') {
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      if (++count > 18) fast = false;
      if (afterPoint) ++decimals;
    } else if (c == '.') {
      afterPoint = true;
    } else if (c != '-') {
      fast = false;
    }
  }
  if (fast) {
    const long double v = static_cast<long double>(mantissa) / kPow10[static_cast<std::size_t>(decimals)];
    return buf[0] == '-' ? -v : v;
  }
  long double value = 0;
  const auto r = std::from_chars(buf.data(), buf.data() + n, value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != buf.data() + n || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string FormatFixed(long double value, int decimals) {
  if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;
  std::string digits;
  int intDigits = 1;
  if (value != 0) {
    int exponent = 0;
    SignificantDigits(value, 18, digits, exponent);
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
