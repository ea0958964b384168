// Tests of check rules for the people who design installations. A test is
// a folder laid out like an unpacked report: its structure file, the
// sample tables, and beside each table the protocol the rules must give
// for it, "<table file>.protocol" (UTF-8, one message per line; a table
// without one must give no message). The rules are the folder's
// "Check.chk", else the one of the folder the tests lie in.
//
//   rules/Check.chk
//   rules/1 empty names/Report.str, T1.ini, T1.ini.protocol
//   rules/2 sums/...
//
// A test runs as `reportctl check` reads a report: tables loaded,
// formulas recalculated in dependency order, every table checked.
#pragma once

#include <string>
#include <vector>

namespace rpt {

class Interaction;

namespace app {

// Expectations lie beside the tables under this suffix.
inline constexpr std::string_view kExpectedProtocolSuffix = ".protocol";

struct RulesTestTable {
  std::string file;                   // "Файл" of the item (Windows-1251)
  std::vector<std::string> expected;  // Windows-1251
  std::vector<std::string> actual;
  bool Passed() const { return expected == actual; }
};

struct RulesTestCase {
  std::string folder;  // UTF-8, ending with "/"
  bool loaded = false;  // false: the report could not be read (shown through the port)
  std::vector<RulesTestTable> tables;
  bool Passed() const;
};

// The tests under `dir` (ending with "/"): the folder itself when it holds
// a structure file, and every sub-folder that does, in name order.
std::vector<std::string> FindRulesTests(const std::string& dir);

// Runs one test; `rulesFolder` (may be empty) holds the rules a test
// without its own uses.
RulesTestCase RunRulesTest(const std::string& folder, const std::string& rulesFolder, Interaction& ui);

// The difference of two line lists as "  " (both), "- " (expected only)
// and "+ " (actual only) lines, over their longest common subsequence.
std::vector<std::string> DiffLines(const std::vector<std::string>& expected,
                                   const std::vector<std::string>& actual);

}  // namespace app
}  // namespace rpt
