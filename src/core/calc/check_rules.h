// The check rules of "Check.chk" and the engine that tests them on a table.
//
// A rule line is a condition, optionally followed by ";" and a message. The
// condition compares one operand with a right side of operands joined by
// "+", "-", "*", "/":
//
//   (3 4) >= (3 5) + T1(3,6)      (r c): grid address, (n): cell number
//   (5) <> пусто                  the emptiness test of a cell
//   (* 7) <= (* 6)                "*" repeats the rule for every data row
//
// The rule language is the rule writers' own and older than the formulas;
// its quirks are kept because installed rule files depend on them: a
// numeric operand (n) reads cell number n - 2 (the emptiness test reads n
// itself), every "*" is the row placeholder, and a rule that fails to
// evaluate for a reason the writer cannot see (a cell that does not exist,
// a division by zero, a last operand that does not parse) counts as holding.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/foundation/text_case.h"

namespace rpt {

class TMyIniFile;
class TCell;
class TTable;

namespace checks {

// The value of an operand that has none (a constant that is not a number,
// a table that is not open).
inline constexpr double kNoValue = -1000000000.0;

// Comparison codes.
enum CompareCode : int {
  kEqual = 0,         // "="
  kNotEqual = 1,      // "<>"
  kGreater = 2,       // ">"
  kGreaterEqual = 3,  // ">="
  kLess = 4,          // "<"
  kLessEqual = 5,     // "<="
  kBothOrNone = 6,    // "|": both zero or both non-zero
  kNotEmpty = 7,      // "<>" with "пусто" after it
};

// Arithmetic codes.
enum ArithCode : int { kAdd = 0, kSubtract = 1, kMultiply = 2, kDivide = 3 };

// A parsed condition: three texts per operand position. Operand 0 is
// (table file name, address) followed by the comparison code; every further
// operand is (table file name, address) followed by its arithmetic code,
// except after the last. The file name is the name in upper case with
// ".INI", or empty; the address is "r c", "0 n", or a constant's own text.
struct ParsedCondition {
  std::vector<std::string> texts;
  // False when text was left after the point where parsing stopped.
  bool parsed = true;
};
ParsedCondition ParseCondition(std::string_view condition);

// The general number format of the rules: up to 15 significant digits, ","
// as decimal separator, exponent notation for very large and very small
// magnitudes ("1E20", "1,5E-7").
std::string GeneralNumberText(double value);

// Finds the open table a rule names: the table whose definition file is
// the owner's folder plus `fileName` (letter case ignored), or null.
class TableLookup {
 public:
  virtual ~TableLookup() = default;
  virtual TTable* FindTable(const TTable& owner, std::string_view fileName) = 0;
};

// The rules file, opened once and kept open while the program runs. Each
// table's section is read on first use and kept: the file is never changed
// while it is open.
class CheckRulesFile {
 public:
  CheckRulesFile();
  ~CheckRulesFile();
  CheckRulesFile(const CheckRulesFile&) = delete;
  CheckRulesFile& operator=(const CheckRulesFile&) = delete;

  // Opens the file (UTF-8 path) unless a file is open already; a missing
  // file means no rules. Releasing never writes it back.
  void Open(const std::string& path);
  bool IsOpen() const { return ini_ != nullptr; }
  // Releases the file at program end (nothing is written).
  void Release();
  const std::string& Path() const { return path_; }

  // "Count" of the table's section; 0 when there is no file or section.
  int Count(std::string_view tableName);
  bool HasRules(std::string_view tableName) { return Count(tableName) > 0; }
  // Key k of the section; empty when it is missing.
  const std::string& RuleLine(std::string_view tableName, int k);
  // The rules that are present, in number order (a missing key is an empty
  // condition, which holds without a message, so it need not be visited).
  const std::vector<std::pair<int, std::string>>& Rules(std::string_view tableName);

 private:
  struct Section {
    int count = 0;
    std::vector<std::pair<int, std::string>> rules;  // by k, 1 <= k <= count
  };
  Section& SectionOf(std::string_view tableName);

  std::unique_ptr<TMyIniFile> ini_;
  std::string path_;
  std::unordered_map<std::string, Section, FoldedHash, FoldedEqual> sections_;
};

// A cell whose value a rule read: a grid address (row, col) or a cell
// number, in `table` (null: the table that owns the rule).
struct RuleCell {
  TTable* table = nullptr;
  int row = 0;
  int col = 0;
  int number = 0;  // > 0: a cell number
  bool operator==(const RuleCell&) const = default;
};

// What a failed condition was made of: its text with every operand
// replaced by the value it had ("5 > 3 + 2"; a captured text in quotes),
// and the cells it read, in operand order.
struct RuleExplanation {
  std::string values;  // Windows-1251
  std::vector<RuleCell> cells;
};

// While one lives, the rule tests of its thread list in `reads` every cell
// they read (the checker learns from it which rules an edit concerns).
class RuleReadRecorder {
 public:
  explicit RuleReadRecorder(std::vector<const TCell*>& reads);
  ~RuleReadRecorder();
  RuleReadRecorder(const RuleReadRecorder&) = delete;
  RuleReadRecorder& operator=(const RuleReadRecorder&) = delete;
  static void Note(const TCell* cell);

 private:
  std::vector<const TCell*>* previous_;
};

// How one condition came out.
enum class TestResult {
  Holds,
  Fails,       // a message was appended
  NotTested,   // the "cannot be tested" message was appended; counts as failing
  Error,       // evaluation broke off without a message; counts as holding
};

// Tests one condition of `owner`. `message` is the rule's text after ";"
// (nothing when the rule line has no ";"). Failure messages are appended to
// `protocol`, numbered from its length. A failed condition also fills
// `explanation` (when given).
TestResult TestCondition(TTable& owner, std::string_view condition,
                         std::optional<std::string_view> message, TableLookup* lookup,
                         std::vector<std::string>& protocol, RuleExplanation* explanation = nullptr);

// Rule k of the table's section; true when it holds (for every data row,
// for a row rule).
bool CheckRule(TTable& table, int k, CheckRulesFile& rules, TableLookup* lookup,
               std::vector<std::string>& protocol);
// A rule line as CheckRule tests it. `erred` (when given) is set when a
// test of the line ended in an error, which counts as holding.
// `explanations` (when given) gets one entry per message appended, the
// explanation of a failed condition or an empty one.
bool CheckRuleLine(TTable& table, std::string_view line, TableLookup* lookup,
                   std::vector<std::string>& protocol, bool* erred = nullptr,
                   std::vector<RuleExplanation>* explanations = nullptr);
// Every rule of the table's section (all are run); true when all hold.
// `erred` (when given) receives the numbers of the rules whose test ended
// in an error: they count as holding, but a caller may want to say so.
bool CheckRules(TTable& table, CheckRulesFile& rules, TableLookup* lookup,
                std::vector<std::string>& protocol, std::vector<int>* erred = nullptr,
                std::vector<RuleExplanation>* explanations = nullptr);
// Row consistency of a growing table; true when every data row is
// consistent. Raises EConvertError for an integer or real cell whose text is
// not a number.
bool CheckRows(TTable& table, std::vector<std::string>& protocol);

}  // namespace checks
}  // namespace rpt
