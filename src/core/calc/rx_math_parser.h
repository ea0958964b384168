// The arithmetic interpreter behind every cell formula. Formulas reach it
// as plain text in which cell references have already been replaced by
// values; it knows nothing of cells or tables.
//
// The grammar is small and odd in ways that stored formulas depend on:
// "*", "/" and "^" share one precedence level and associate to the left
// (2*3^2 is 36), a sign belongs to a number literal only (2*-3 works,
// 2*-(3) does not), blanks are dropped anywhere (1 2 is 12), and both "."
// and "," are decimal points.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/foundation/errors.h"

namespace rpt {

// Every failure of `TRxMathParser::Evaluate`. Callers catch this one class.
class ERxParserError : public ECoreError {
 public:
  using ECoreError::ECoreError;
};

// The floating-point failures of "^" (negative base with a fractional
// exponent, zero base with a negative exponent, overflow) and the overflow
// of "+", "-", "*". They carry the floating-point unit's own wording rather
// than the evaluator's, so they are a type of their own, but derive from
// ERxParserError so that one handler sees every evaluator failure.
class EMathError : public ERxParserError {
 public:
  using ERxParserError::ERxParserError;
};

// The message texts, shown to the user as they are.
namespace rx_messages {
inline constexpr std::string_view kInvalidFloatOperation = "Invalid floating operation";
inline constexpr std::string_view kDivideByZero = "Divide by zero";
inline constexpr std::string_view kNoCramp = "Invalid condition (no cramp)";
inline constexpr std::string_view kSyntaxError = "Syntax error";
inline constexpr std::string_view kTooDeep = "Expression nested too deeply";
// EMathError texts.
inline constexpr std::string_view kFpInvalid = "Invalid floating point operation";
inline constexpr std::string_view kFpZeroDivide = "Floating point division by zero";
inline constexpr std::string_view kFpOverflow = "Floating point overflow";
}  // namespace rx_messages

// One evaluation at a time; the object may be reused, nothing carries over
// from one call of Evaluate to the next.
class TRxMathParser {
 public:
  // Parentheses and function calls nested deeper than this raise kTooDeep
  // instead of exhausting the stack. No real formula comes near it.
  static constexpr int kMaxNesting = 256;

  // `text` is Windows-1251. Every value met on the way is finite; anything
  // that would not be raises. Throws ERxParserError (or EMathError).
  long double Evaluate(std::string_view text);

 private:
  long double Expression();
  long double Term();
  long double Factor();
  long double Function(int index);
  bool NumberLiteral(long double& value);
  bool IsDelimiterAt(std::size_t pos) const;
  char Current() const { return text_[pos_]; }

  std::string text_;  // the prepared text; its last byte is the NUL terminator
  std::size_t pos_ = 0;
  int depth_ = 0;
};

// The power rule of "^": exact integer powers by repeated squaring,
// otherwise exp(b * ln a). Throws EMathError.
long double RxPower(long double base, long double exponent);

}  // namespace rpt
