// Evaluating one 200-character expression: the text a same-table or
// other-table formula hands to the evaluator once its references are
// replaced by cell values.
#include <benchmark/benchmark.h>

#include <string>

#include "core/calc/rx_math_parser.h"

namespace {

// Values as cells show them ("," decimals), the four operators, grouping
// and a few functions.
std::string Expression200() {
  std::string s =
      "(1234,56+789,01-23,4*2)/(12,5+0,75)+SQRT(1522756)-ABS(-17,25)*3^2+"
      "ROUND(1000/3)-(45,6+78,9+12,3+45,6+78,9)/5+INT(2,5)*LN(10)+"
      "(100-99,9)*1E3+$FF-TRUNC(-2,75)+SIN(0,5)*COS(0,5)+77,7-7,77+0,77";
  s.resize(200, '0');
  return s;
}

void BM_Evaluate200(benchmark::State& state) {
  const std::string text = Expression200();
  if (text.size() != 200) state.SkipWithError("expression is not 200 characters");
  try {
    rpt::TRxMathParser().Evaluate(text);
  } catch (const rpt::ERxParserError& e) {
    state.SkipWithError(e.what());
    return;
  }
  for (auto _ : state) {
    rpt::TRxMathParser parser;
    benchmark::DoNotOptimize(parser.Evaluate(text));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 200);
}
BENCHMARK(BM_Evaluate200);

}  // namespace

BENCHMARK_MAIN();
