// libFuzzer target over the formula evaluator. Any input must end in a
// finite value or an ERxParserError; anything else (another exception, a
// non-finite result, a sanitizer report, a hang) is a fault.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/calc/rx_math_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const long double value = rpt::TRxMathParser().Evaluate(text);
    if (!std::isfinite(value)) __builtin_trap();
  } catch (const rpt::ERxParserError&) {
  }
  return 0;
}
