// reportctl eval: the formula evaluator on one expression, for trying out
// what a formula text computes.
#include <charconv>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "core/calc/rx_math_parser.h"
#include "core/foundation/codec.h"

namespace rpt::cli {
namespace {

// Up to 18 significant digits, "." as the decimal point, exponent notation
// only where %g would use it.
std::string FormatValue(long double value) {
  if (value == 0) value = 0;  // no "-0"
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 18);
  return std::string(buf, result.ptr);
}

int RunEval(const Args& args) {
  if (args.size() != 1) throw UsageError("expected one EXPRESSION");
  // An ERxParserError reaches main(), which prints its message and exits 1.
  const long double value = TRxMathParser().Evaluate(Utf8ToCp1251(args[0]));
  std::cout << FormatValue(value) << '\n';
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("eval", "eval EXPRESSION", RunEval);

}  // namespace rpt::cli
