#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "core/calc/rx_math_parser.h"

namespace rpt {
namespace {

using namespace std::string_view_literals;
using namespace rx_messages;

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr long double kE = 2.718281828459045235360287471352662498L;

long double Eval(std::string_view text) { return TRxMathParser().Evaluate(text); }

// Within a few units of the last place of the 64-bit mantissa.
::testing::AssertionResult Near(std::string_view text, long double got, long double want) {
  const long double tolerance = 4e-19L * std::fmax(1.0L, std::fabs(want));
  if (std::fabs(got - want) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << '"' << text << "\" gave " << static_cast<double>(got)
                                       << ", expected " << static_cast<double>(want);
}

struct ValueCase {
  std::string_view text;
  long double value;
};

void ExpectValues(std::initializer_list<ValueCase> cases) {
  for (const auto& c : cases) {
    try {
      EXPECT_TRUE(Near(c.text, Eval(c.text), c.value));
    } catch (const ERxParserError& e) {
      ADD_FAILURE() << '"' << c.text << "\" raised \"" << e.what() << '"';
    }
  }
}

enum class Kind { Parser, Math };

struct ErrorCase {
  std::string_view text;
  std::string_view message;
  Kind kind = Kind::Parser;
};

void ExpectErrors(std::initializer_list<ErrorCase> cases) {
  for (const auto& c : cases) {
    try {
      const long double v = Eval(c.text);
      ADD_FAILURE() << '"' << c.text << "\" gave " << static_cast<double>(v) << ", expected \"" << c.message
                    << '"';
    } catch (const EMathError& e) {
      EXPECT_EQ(std::string_view(e.what()), c.message) << c.text;
      EXPECT_EQ(c.kind, Kind::Math) << c.text << ": EMathError";
    } catch (const ERxParserError& e) {
      EXPECT_EQ(std::string_view(e.what()), c.message) << c.text;
      EXPECT_EQ(c.kind, Kind::Parser) << c.text << ": ERxParserError";
    }
  }
}

TEST(RxMathParser, PrecedenceAndSigns) {
  ExpectValues({
      {"1+2*3", 7},
      {"-2^2", -4},        // 0-2^2 after the leading sign gets its zero
      {"2*3^2", 36},       // "*" and "^" share a level, left to right
      {"2^3^2", 64},
      {"8/2/2", 2},
      {"2^-1", 0.5},
      {"0^0", 1},
      {"0^2", 0},
      {"(-2)^3", -8},
      {"2^10", 1024},
      {"2^-2", 0.25},
      {"2*-3", -6},        // the sign belongs to the literal
      {"1--2", 3},
      {"1+-2", -1},
      {"+5", 5},
      {"-.5", -0.5},
      {"-SIN(1)", -std::sin(1.0L)},  // only at the very start
      {"(1+2)*(3+4)", 21},
  });
}

TEST(RxMathParser, PreparationDropsBlanksAndControlCharacters) {
  ExpectValues({
      {"1 000,5 + 1", 1001.5},
      {"1 2", 12},
      {"1\t+\r\n2", 3},
      {"1\0 2"sv, 12},
      {"S I N(0)", 0},
      {"SQR (3)", 9},
      {"sqr(3)", 9},
      {"  7  ", 7},
  });
}

TEST(RxMathParser, NumberLiterals) {
  ExpectValues({
      {".5", 0.5},
      {"5.", 5},
      {",5", 0.5},
      {"1,5", 1.5},
      {"1.5E3", 1500},
      {"1.5e3", 1500},
      {"5.E2", 500},
      {"1E-2", 0.01L},
      {"1E+2", 100},
      {"2E-3*1000", 2},
      {".", 0},             // "0." completed to "0.0"
      {"1,", 1},
      {"1,+2", 3},
      {"1E-5000", 0},       // below the smallest value: zero
      {"$10", 16},
      {"$ff", 255},
      {"$FFFFFFFF", -1},
      {"$80000000", -2147483648.0L},
      {"$12345678", 305419896},
      {"$E", 14},
      {"$0000000A", 10},
  });
}

TEST(RxMathParser, ConstantsAndFunctions) {
  ExpectValues({
      {"E", kE},
      {"e", kE},
      {"E-1", kE - 1},
      {"2*PI", 2 * kPi},
      {"PI/2", kPi / 2},
      {"EXP(1)", kE},
      {"SQRT(9)", 3},
      {"SQRT(2)", std::sqrt(2.0L)},
      {"ARCTAN(1)", kPi / 4},
      {"COS(0)", 1},
      {"SIN(PI/6)", std::sin(kPi / 6)},
      {"TAN(1)", std::sin(1.0L) / std::cos(1.0L)},
      {"ABS(-3)", 3},
      {"LN(E)", 1},
      {"LOG(1000)", 3},
      {"INT(2.5)", 2},
      {"INT(3.5)", 4},
      {"INT(-2.5)", -2},
      {"INT(2.6)", 3},
      {"ROUND(3.5)", 4},
      {"ROUND(-3.5)", -4},
      {"ROUND(0.5)", 0},
      {"TRUNC(-2.7)", -2},
      {"TRUNC(-9223372036854775808)", -9223372036854775808.0L},
      {"FRAC(-2.75)", -0.75},
      {"FRAC(2.25)", 0.25},
      {"SIGN(0)", 0},
      {"SIGN(-5)", -1},
      {"SIGN(0.1)", 1},
      {"NOT(0)", -1},
      {"NOT(5)", -6},
      {"NOT(2.9)", -3},
      {"NOT(-1)", 0},
      {"ARCSIN(1)", kPi / 2},
      {"ARCSIN(0.5)", std::asin(0.5L)},
      {"ARCCOS(1)", 0},
      {"ARCCOS(0)", kPi / 2},
      {"ARCCOS(0.5)", std::acos(0.5L)},
      {"ABS(SIN(0)-1)", 1},
  });
}

TEST(RxMathParser, PowerOutsideTheIntegerPath) {
  ExpectValues({
      {"2^0.5", std::sqrt(2.0L)},
      {"4^-0.5", 0.5},
      {"0^0.5", 0},
      {"1^1E300", 1},
      {"0.5^1E10", 0},   // underflow is quietly zero
  });
}

TEST(RxMathParser, WhereAnExpressionStops) {
  ExpectValues({
      {"1)+(2", 1},   // the top level stops at the first ")"
      {"(1)=2", 1},
      {"(1)>2", 1},
      {"(2)<3", 2},
      {"(1,)", 1},
  });
}

TEST(RxMathParser, ArithmeticCarriesTheFullMantissa) {
  // 2^64 + 1 needs 65 bits in double but fits a 64-bit mantissa below 2^64.
  EXPECT_EQ(Eval("18446744073709551615-18446744073709551614"), 1.0L);
  EXPECT_EQ(Eval("9007199254740993-9007199254740992"), 1.0L);  // 2^53 + 1: lost in double
  EXPECT_EQ(Eval("9999999999999999999-9999999999999999998"), 1.0L);
  EXPECT_EQ(Eval("-9999999999999999999"), -9999999999999999999.0L);
  EXPECT_EQ(Eval("99999999999999999999"), 99999999999999999999.0L);  // 20 digits: rounded
  EXPECT_EQ(Eval("1/3"), 1.0L / 3.0L);
  EXPECT_EQ(Eval("0.1+0.2"), 0.1L + 0.2L);
}

TEST(RxMathParser, SyntaxErrors) {
  ExpectErrors({
      {"", kSyntaxError},
      {"   ", kSyntaxError},
      {"()", kSyntaxError},
      {")(", kSyntaxError},
      {"(2)(3)", kSyntaxError},
      {"2(3)", kSyntaxError},
      {"1<2", kSyntaxError},  // "<" ends an expression but is no delimiter after a literal
      {"1=2", kSyntaxError},
      {"1.2.3", kSyntaxError},
      {"1,2,3", kSyntaxError},
      {"2*-(3)", kSyntaxError},
      {"2*-SIN(1)", kSyntaxError},
      {"2E", kSyntaxError},
      {"1E5000", kSyntaxError},  // too large to be a number
      {"$", kSyntaxError},
      {"$123456789", kSyntaxError},
      {"$1G", kSyntaxError},
      {"2*-$1", kSyntaxError},
      {"PIE", kSyntaxError},
      {"E1", kSyntaxError},
      {"E(1)", kSyntaxError},
      {"X", kSyntaxError},
      {"SQR", kSyntaxError},
      {"SIN1", kSyntaxError},
      {"1+", kSyntaxError},
      {"*2", kSyntaxError},
      {"1 2 + 3 4 5 6 x", kSyntaxError},
      {"\xF1IN(0)", kSyntaxError},   // Cyrillic "с" is not upper-cased to a Latin letter
      {"1\xA0", kSyntaxError},      // a non-breaking space is no blank
      {"SIN(0)2", kSyntaxError},
  });
}

TEST(RxMathParser, ParenthesisErrors) {
  ExpectErrors({
      {"(1", kNoCramp},
      {"1)", kNoCramp},
      {"SIN(1", kNoCramp},
      {"((1)", kNoCramp},
      {"((1)=2)", kNoCramp},
      {"SIN((1)=2)", kNoCramp},
      {"ABS((1)>2)", kNoCramp},
  });
}

TEST(RxMathParser, DivisionErrors) {
  ExpectErrors({
      {"5/0", kDivideByZero},
      {"0/0", kDivideByZero},
      {"5/(1-1)", kDivideByZero},
      {"5/(1+X)", kDivideByZero},    // a syntax error in the divisor reads as a division error
      {"8/(2+)", kDivideByZero},
      {"1/(SQRT(-1))", kDivideByZero},
      {"1/(0^-1)", kDivideByZero},   // also the floating-point errors of "^"
      {"1/(2=)", kDivideByZero},
      {"1E4000/1E-4000", kDivideByZero},  // the quotient overflows
      {"2*3/0+1", kDivideByZero},
      {"(5/0)", kDivideByZero},
  });
}

TEST(RxMathParser, FunctionErrors) {
  ExpectErrors({
      {"ARCSIN(-1)", kInvalidFloatOperation},
      {"ARCSIN(2)", kInvalidFloatOperation},
      {"ARCCOS(-1)", kInvalidFloatOperation},
      {"ARCCOS(1.5)", kInvalidFloatOperation},
      {"LN(0)", kInvalidFloatOperation},
      {"LN(-1)", kInvalidFloatOperation},
      {"LOG(0)", kInvalidFloatOperation},
      {"SQRT(-1)", kInvalidFloatOperation},
      {"EXP(100000)", kInvalidFloatOperation},
      {"SQR(1E3000)", kInvalidFloatOperation},
      {"INT(1E19)", kInvalidFloatOperation},
      {"ROUND(-1E19)", kInvalidFloatOperation},
      {"TRUNC(9223372036854775808)", kInvalidFloatOperation},
      {"NOT(1E30)", kInvalidFloatOperation},
      // An error inside the argument passes through unchanged.
      {"SIN(5/0)", kDivideByZero},
      {"ABS(SIN()", kNoCramp},
      {"COS(1<2)", kSyntaxError},
      {"ABS((-1)^0.5)", kFpInvalid, Kind::Math},
  });
}

TEST(RxMathParser, FloatingPointErrorsOfPowerAndOverflow) {
  ExpectErrors({
      {"(-2)^0.5", kFpInvalid, Kind::Math},
      {"(-8)^(1/3)", kFpInvalid, Kind::Math},
      {"0^-1", kFpZeroDivide, Kind::Math},
      {"0^-0.5", kFpZeroDivide, Kind::Math},
      {"10^5000", kFpOverflow, Kind::Math},
      {"10^-5000", kFpOverflow, Kind::Math},   // the integer power overflows before 1/x
      {"10^5000.5", kFpOverflow, Kind::Math},
      {"1E100^1E4000", kFpOverflow, Kind::Math},
      {"1E4932*10", kFpOverflow, Kind::Math},
      {"1E4932+1E4932", kFpOverflow, Kind::Math},
      {"-1E4932-1E4932", kFpOverflow, Kind::Math},
  });
}

TEST(RxMathParser, NestingIsBoundedInsteadOfExhaustingTheStack) {
  const auto nested = [](int depth, std::string_view open, std::string_view core) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += open;
    s += core;
    s.append(static_cast<std::size_t>(depth), ')');
    return s;
  };
  EXPECT_EQ(Eval(nested(TRxMathParser::kMaxNesting, "(", "1")), 1);
  EXPECT_EQ(Eval(nested(TRxMathParser::kMaxNesting, "ABS(", "-1")), 1);
  const std::string tooDeep[] = {nested(TRxMathParser::kMaxNesting + 1, "(", "1"),
                                 nested(100000, "(", "1"), nested(100000, "SIN(", "0")};
  for (const auto& text : tooDeep) {
    try {
      Eval(text);
      ADD_FAILURE() << "no error at " << text.size() << " characters";
    } catch (const ERxParserError& e) {
      EXPECT_EQ(std::string_view(e.what()), kTooDeep);
    }
  }
}

TEST(RxMathParser, OneParserServesMany) {
  TRxMathParser parser;
  EXPECT_EQ(parser.Evaluate("1+1"), 2);
  EXPECT_THROW(parser.Evaluate("(1"), ERxParserError);
  EXPECT_THROW(parser.Evaluate("1/(((0)))"), ERxParserError);
  EXPECT_EQ(parser.Evaluate("-3"), -3);
  EXPECT_EQ(parser.Evaluate("(((((2)))))"), 2);
}

TEST(RxMathParser, EveryFailureIsACoreError) {
  for (const auto text : {"1/0", "0^-1", "(", "x"}) EXPECT_THROW(Eval(text), ECoreError) << text;
}

}  // namespace
}  // namespace rpt
