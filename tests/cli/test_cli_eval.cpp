#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/run_reportctl.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using testing::ReadFile;
using testing::Reportctl;
using testing::TempFolder;

TEST(CliEval, PrintsTheValue) {
  TempFolder dir;
  struct Case {
    std::string expression;
    std::string printed;
  };
  const Case cases[] = {
      {"-2^2", "-4"},
      {"1 000,5 + 1", "1001.5"},
      {"2*PI", "6.28318530717958648"},  // 18 significant digits of the extended result
      {"1/3", "0.333333333333333333"},
      {"$FFFFFFFF", "-1"},
      {"-.0", "0"},
      {"1E20*10", "1e+21"},
  };
  for (const auto& c : cases) {
    const auto r = Reportctl(dir, {"eval", c.expression});
    EXPECT_EQ(r.exitCode, 0) << c.expression << ": " << r.err;
    EXPECT_EQ(r.out, c.printed + "\n") << c.expression;
    EXPECT_EQ(r.err, "") << c.expression;
  }
}

TEST(CliEval, ReportsEvaluatorErrors) {
  TempFolder dir;
  struct Case {
    std::string expression;
    std::string message;
  };
  const Case cases[] = {
      {"5/(1+X)", "Divide by zero"},
      {"(1", "Invalid condition (no cramp)"},
      {"", "Syntax error"},
      {"сумма", "Syntax error"},  // no name the evaluator knows
      {"0^-1", "Floating point division by zero"},
  };
  for (const auto& c : cases) {
    const auto r = Reportctl(dir, {"eval", c.expression});
    EXPECT_EQ(r.exitCode, 1) << c.expression;
    EXPECT_EQ(r.out, "") << c.expression;
    EXPECT_EQ(r.err, c.message + "\n") << c.expression;
  }
  EXPECT_EQ(Reportctl(dir, {"eval"}).exitCode, 2);
  EXPECT_EQ(Reportctl(dir, {"eval", "1", "2"}).exitCode, 2);
}

}  // namespace
}  // namespace rpt
