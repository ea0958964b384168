// reportctl rules-test: runs the rule tests of a folder (see
// core/app/rules_test.h) and prints, per test, "ok" or the tables whose
// protocol differs with the difference ("- " expected, "+ " given), then
// the count. Exit 3 when a protocol differs, 1 when a test could not be
// read.
#include <string>

#include "cli/command.h"
#include "cli/headless_interaction.h"
#include "core/app/rules_test.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"

namespace rpt::cli {
namespace {

using namespace literals;

int RunRulesTest(const Args& args) {
  if (args.size() != 1) throw UsageError("one folder of rule tests expected");
  const std::string dir = WithSeparator(args[0]);
  const auto tests = app::FindRulesTests(dir);
  if (tests.empty()) throw std::runtime_error("no rule tests (folders with a *.str) in " + args[0]);
  HeadlessInteraction ui;
  int failed = 0, broken = 0;
  for (const std::string& folder : tests) {
    const app::RulesTestCase result = app::RunRulesTest(folder, dir, ui);
    std::string name = folder.substr(dir.size());
    if (name.empty()) name = ".";
    else name.pop_back();
    const std::string shown = Utf8ToCp1251(name);
    if (!result.loaded) {
      ++broken;
      PrintLine(shown + std::string(": не удалось прочитать"_w));
      continue;
    }
    if (result.Passed()) {
      PrintLine(shown + ": ok");
      continue;
    }
    ++failed;
    PrintLine(shown + std::string(": расхождения"_w));
    for (const app::RulesTestTable& t : result.tables) {
      if (t.Passed()) continue;
      PrintLine("  " + t.file);
      for (const std::string& line : app::DiffLines(t.expected, t.actual)) PrintLine("    " + line);
    }
  }
  PrintLine(std::string("тестов: "_w) + std::to_string(tests.size()) + std::string(", с расхождениями: "_w) +
            std::to_string(failed) + std::string(", не прочитано: "_w) + std::to_string(broken));
  if (broken > 0) return kExitError;
  return failed > 0 ? kExitChecksFailed : kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("rules-test", "rules-test DIR", RunRulesTest);

}  // namespace rpt::cli
