#include "core/calc/rx_math_parser.h"

#include <cmath>
#include <cstdint>
#include <iterator>
#include <locale.h>
#include <stdlib.h>

namespace rpt {

namespace {

using namespace rx_messages;

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Tried in this order; SQRT must come before SQR.
constexpr std::string_view kFunctions[] = {
    "ARCTAN", "COS", "SIN",   "TAN",   "ABS",    "EXP",    "LN",   "LOG", "SQRT",
    "SQR",    "INT", "FRAC",  "TRUNC", "ROUND",  "ARCSIN", "ARCCOS", "SIGN", "NOT"};
enum FunctionIndex {
  kArctan, kCos, kSin, kTan, kAbs, kExp, kLn, kLog, kSqrt,
  kSqr, kInt, kFrac, kTrunc, kRound, kArcsin, kArccos, kSign, kNot
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a') return c - 'a' + 10;
  return c - 'A' + 10;
}

[[noreturn]] void Fail(std::string_view message) { throw ERxParserError(message); }
[[noreturn]] void FailMath(std::string_view message) { throw EMathError(message); }

long double Checked(long double v) {
  if (!std::isfinite(v)) FailMath(kFpOverflow);
  return v;
}

// 2^63 is exact in the 64-bit mantissa; every integer in [-2^63, 2^63) is too.
constexpr long double kTwo63 = 9223372036854775808.0L;

// Raises on a value outside the 64-bit range, as the FPU's integer store did.
std::int64_t ToInt64(long double integral) {
  if (!(integral >= -kTwo63 && integral < kTwo63)) Fail(kInvalidFloatOperation);
  return static_cast<std::int64_t>(integral);
}

// Nearest integer, halves to the even neighbour, whatever the FPU's rounding mode.
long double RoundHalfEven(long double x) {
  const long double f = std::floor(x);
  const long double diff = x - f;  // exact wherever it is near one half
  if (diff > 0.5L) return f + 1;
  if (diff < 0.5L) return f;
  return std::fmod(f, 2.0L) == 0 ? f : f + 1;
}

// Arcsine the old way, through the arctangent; -1 divides by zero there.
long double ArcsinCore(long double x) {
  const long double d = 1 - x * x;
  if (!(d > 0)) Fail(kInvalidFloatOperation);
  return std::atan(x / std::sqrt(d));
}

// |b| > 0 and at most 2^31 - 1.
long double IntPower(long double base, std::uint32_t n) {
  long double result = 1;
  long double square = base;
  for (;;) {
    if (n & 1) {
      result *= square;
      if (!std::isfinite(result)) FailMath(kFpOverflow);
    }
    n >>= 1;
    if (n == 0) break;
    square *= square;
    if (!std::isfinite(square)) FailMath(kFpOverflow);
  }
  return result;
}

// The standard decimal conversion, independent of the process locale. A
// value too small to represent reads as zero (or a denormal); one too large
// is no number.
bool ConvertDecimal(const std::string& work, long double& value) {
  // Whole numbers of up to 19 digits, the usual cell values, are exact in
  // the 64-bit mantissa and need no general conversion.
  const std::size_t digitsFrom = (work[0] == '-' || work[0] == '+') ? 1 : 0;
  const std::size_t digits = work.size() - digitsFrom;
  if (digits >= 1 && digits <= 19 &&
      work.find_first_not_of("0123456789", digitsFrom) == std::string::npos) {
    std::uint64_t n = 0;
    for (std::size_t i = digitsFrom; i < work.size(); ++i) n = n * 10 + static_cast<unsigned>(work[i] - '0');
    value = static_cast<long double>(n);
    if (work[0] == '-') value = -value;
    return true;
  }
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  char* end = nullptr;
  const long double v = strtold_l(work.c_str(), &end, cLocale);
  if (end != work.c_str() + work.size() || std::isinf(v) || std::isnan(v)) return false;
  value = v;
  return true;
}

// Keeps a runaway nesting from exhausting the stack.
class NestingGuard {
 public:
  explicit NestingGuard(int& depth) : depth_(depth) {
    if (++depth_ > TRxMathParser::kMaxNesting) {
      --depth_;
      Fail(kTooDeep);
    }
  }
  ~NestingGuard() { --depth_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

long double RxPower(long double a, long double b) {
  if (b == 0) return 1;
  if (a == 0 && b > 0) return 0;
  if (std::trunc(b) == b && std::fabs(b) <= 2147483647.0L) {
    const long double product = IntPower(a, static_cast<std::uint32_t>(std::fabs(b)));
    if (b > 0) return product;
    if (product == 0) FailMath(kFpZeroDivide);
    return Checked(1 / product);
  }
  if (a < 0) FailMath(kFpInvalid);
  if (a == 0) FailMath(kFpZeroDivide);  // ln 0
  const long double exponent = b * std::log(a);
  if (!std::isfinite(exponent)) FailMath(kFpOverflow);
  return Checked(std::exp(exponent));
}

long double TRxMathParser::Evaluate(std::string_view input) {
  text_.clear();
  text_.reserve(input.size() + 2);
  long long parens = 0;
  for (const char ch : input) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '(') ++parens;
    if (c == ')') --parens;
    if (c > 32) text_ += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : ch;
  }
  if (parens != 0) Fail(kNoCramp);
  if (!text_.empty() && (text_[0] == '+' || text_[0] == '-')) text_.insert(text_.begin(), '0');
  text_ += '\0';
  pos_ = 0;
  depth_ = 0;
  return Expression();
}

long double TRxMathParser::Expression() {
  long double result = Term();
  while (Current() == '+' || Current() == '-') {
    const char op = Current();
    ++pos_;
    const long double right = Term();
    result = Checked(op == '+' ? result + right : result - right);
  }
  switch (Current()) {
    case '\0': case ')': case ',': case '<': case '=': case '>':
      return result;
    default:
      Fail(kSyntaxError);
  }
}

long double TRxMathParser::Term() {
  long double result = Factor();
  for (;;) {
    const char op = Current();
    if (op == '*') {
      ++pos_;
      result = Checked(result * Factor());
    } else if (op == '^') {
      ++pos_;
      result = RxPower(result, Factor());
    } else if (op == '/') {
      ++pos_;
      // Whatever goes wrong on the right of "/" is a division error to the user.
      long double divisor;
      try {
        divisor = Factor();
      } catch (const ERxParserError&) {
        Fail(kDivideByZero);
      }
      if (divisor == 0) Fail(kDivideByZero);
      const long double quotient = result / divisor;
      if (!std::isfinite(quotient)) Fail(kDivideByZero);
      result = quotient;
    } else {
      return result;
    }
  }
}

long double TRxMathParser::Factor() {
  if (Current() == '(') {
    NestingGuard guard(depth_);
    ++pos_;
    const long double value = Expression();
    if (Current() != ')') Fail(kNoCramp);
    ++pos_;
    return value;
  }
  long double value;
  if (NumberLiteral(value)) return value;

  const std::string_view rest(text_.data() + pos_, text_.size() - pos_);
  if (rest.starts_with('E') && IsDelimiterAt(pos_ + 1)) {
    ++pos_;
    return std::exp(1.0L);
  }
  if (rest.starts_with("PI") && IsDelimiterAt(pos_ + 2)) {
    pos_ += 2;
    return kPi;
  }
  for (int i = 0; i < static_cast<int>(std::size(kFunctions)); ++i) {
    const std::string_view name = kFunctions[i];
    if (rest.starts_with(name) && rest.size() > name.size() && rest[name.size()] == '(') {
      NestingGuard guard(depth_);
      pos_ += name.size() + 1;
      return Function(i);
    }
  }
  Fail(kSyntaxError);
}

long double TRxMathParser::Function(int index) {
  const long double x = Expression();
  if (Current() != ')') Fail(kNoCramp);
  ++pos_;

  long double r = 0;
  switch (index) {
    case kArctan: r = std::atan(x); break;
    case kCos: r = std::cos(x); break;
    case kSin: r = std::sin(x); break;
    case kTan: {
      const long double c = std::cos(x);
      if (c == 0) Fail(kDivideByZero);
      r = std::sin(x) / c;
      break;
    }
    case kAbs: r = std::fabs(x); break;
    case kExp: r = std::exp(x); break;
    case kLn:
      if (!(x > 0)) Fail(kInvalidFloatOperation);
      r = std::log(x);
      break;
    case kLog:
      if (!(x > 0)) Fail(kInvalidFloatOperation);
      r = std::log(x) / std::log(10.0L);
      break;
    case kSqrt:
      if (x < 0) Fail(kInvalidFloatOperation);
      r = std::sqrt(x);
      break;
    case kSqr: r = x * x; break;
    case kInt:
    case kRound: r = static_cast<long double>(ToInt64(RoundHalfEven(x))); break;
    case kFrac: r = x - std::trunc(x); break;
    case kTrunc: r = static_cast<long double>(ToInt64(std::trunc(x))); break;
    case kArcsin: r = x == 1 ? kPi / 2 : ArcsinCore(x); break;
    case kArccos: r = x == 1 ? 0 : kPi / 2 - ArcsinCore(x); break;
    case kSign: r = x > 0 ? 1 : x < 0 ? -1 : x; break;
    case kNot: r = static_cast<long double>(~ToInt64(std::trunc(x))); break;
  }
  if (!std::isfinite(r)) Fail(kInvalidFloatOperation);
  return r;
}

bool TRxMathParser::IsDelimiterAt(std::size_t pos) const {
  if (pos >= text_.size()) return false;
  const auto c = static_cast<unsigned char>(text_[pos]);
  if (c <= 32) return true;
  switch (c) {
    case ')': case '*': case '+': case '-': case '/': case '^':
      return true;
    default:
      return false;
  }
}

bool TRxMathParser::NumberLiteral(long double& value) {
  const std::size_t start = pos_;
  bool valid = false;
  if (Current() == '$') {
    ++pos_;
    std::uint32_t bits = 0;
    int digits = 0;
    while (IsHexDigit(Current())) {
      bits = (bits << 4) | static_cast<std::uint32_t>(HexValue(Current()));
      ++digits;
      ++pos_;
    }
    valid = digits >= 1 && digits <= 8;
    value = static_cast<std::int32_t>(bits);
  } else {
    const auto isPoint = [](char c) { return c == '.' || c == ','; };
    const char first = Current();
    if (!(first == '+' || first == '-' || IsDigit(first) || isPoint(first))) return false;
    std::string work;
    if (isPoint(first)) {
      work = "0.";
    } else {
      work = first;
    }
    ++pos_;
    if ((work == "+" || work == "-") && isPoint(Current())) work += '0';
    for (char c = Current(); IsDigit(c) || isPoint(c) || c == 'E' || c == 'e'; c = Current()) {
      if (c == 'E') {
        if (work.back() == '.') work += '0';
        work += 'E';
        ++pos_;
        if (Current() == '+' || Current() == '-') {
          work += Current();
          ++pos_;
        }
        continue;
      }
      work += c == ',' ? '.' : c;
      ++pos_;
    }
    if (work.back() == '.' && work.find('E') == std::string::npos) work += '0';

    valid = ConvertDecimal(work, value);
  }
  if (valid && IsDelimiterAt(pos_)) return true;
  pos_ = start;
  return false;
}

}  // namespace rpt
