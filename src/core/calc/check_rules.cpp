#include "core/calc/check_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/my_ini_file.h"
#include "core/tables/table.h"
#include "core/tables/table_model.h"

namespace rpt::checks {

using namespace rpt::literals;

namespace {

constexpr std::string_view kEmptyWord = "пусто"_w;

bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlankChar(s[b])) ++b;
  while (e > b && IsBlankChar(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool IsComparisonChar(char c) { return c == '<' || c == '=' || c == '>' || c == '|'; }
bool IsArithChar(char c) { return c == '*' || c == '+' || c == '-' || c == '/'; }
bool IsOperatorChar(char c) { return IsComparisonChar(c) || IsArithChar(c); }

bool IsEmptyWord(std::string_view s) { return SameText(s, kEmptyWord); }

bool ContainsEmptyWord(std::string_view s) {
  if (s.size() < kEmptyWord.size()) return false;
  for (std::size_t i = 0; i + kEmptyWord.size() <= s.size(); ++i)
    if (SameText(s.substr(i, kEmptyWord.size()), kEmptyWord)) return true;
  return false;
}

// A positive decimal integer of plain digits (no sign, no blanks).
std::optional<int> PositiveInt(std::string_view s) {
  if (s.empty() || s.front() == '+' || s.front() == '-') return std::nullopt;
  int value = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || ptr != s.data() + s.size() || value <= 0) return std::nullopt;
  return value;
}

// The address between the parentheses: "r c" (blanks and at most one ","
// between two positive integers) or one integer n > 1 ("0 n").
std::optional<std::string> ParseAddress(std::string_view inner) {
  inner = Trim(inner);
  std::size_t i = 0;
  while (i < inner.size() && inner[i] >= '0' && inner[i] <= '9') ++i;
  const std::string_view first = inner.substr(0, i);
  if (i == inner.size()) {
    const auto n = PositiveInt(first);
    if (!n || *n < 2) return std::nullopt;
    return "0 " + std::to_string(*n);
  }
  std::size_t j = i;
  int commas = 0;
  while (j < inner.size() && (IsBlankChar(inner[j]) || inner[j] == ',')) {
    if (inner[j] == ',') ++commas;
    ++j;
  }
  if (j == i || commas > 1) return std::nullopt;
  const std::string_view second = inner.substr(j);
  const auto r = PositiveInt(first);
  const auto c = PositiveInt(second);
  if (!r || !c) return std::nullopt;
  return std::to_string(*r) + ' ' + std::to_string(*c);
}

// A constant: digits and decimal commas, no sign, no point.
bool LooksLikeNumber(std::string_view s) {
  bool digit = false;
  for (char c : s) {
    if (c >= '0' && c <= '9') digit = true;
    else if (c != ',') return false;
  }
  return digit;
}

// One operand's two texts, or nothing when it does not fit the grammar.
bool ParseOperand(std::string_view text, std::string& file, std::string& address) {
  text = Trim(text);
  if (text.empty()) return false;
  if (IsEmptyWord(text) || LooksLikeNumber(text)) {
    file.clear();
    address = text;
    return true;
  }
  if (text.back() != ')') return false;
  const std::size_t open = text.find('(');
  if (open == std::string_view::npos) return false;
  const auto addr = ParseAddress(text.substr(open + 1, text.size() - open - 2));
  if (!addr) return false;
  std::string_view name = Trim(text.substr(0, open));
  file.clear();
  if (!name.empty()) {
    // Everything from ".INI" on is ignored; a name still holding a "." is no name.
    const std::string folded = FoldCase(name);
    const std::size_t ext = folded.find(".ini");
    if (ext != std::string::npos) name = Trim(name.substr(0, ext));
    if (name.empty() || name.find('.') != std::string_view::npos) return false;
    if (name.find('(') != std::string_view::npos || name.find(')') != std::string_view::npos)
      return false;
    file = UpperCase(name);
    file += ".INI";
  }
  address = *addr;
  return true;
}

int ComparisonCode(std::string_view op, std::string_view rest) {
  if (op == "=") return kEqual;
  if (op == "<>") return ContainsEmptyWord(rest) ? kNotEmpty : kNotEqual;
  if (op == ">") return kGreater;
  if (op == ">=") return kGreaterEqual;
  if (op == "<") return kLess;
  if (op == "<=") return kLessEqual;
  if (op == "|") return kBothOrNone;
  return -1;
}

int ArithmeticCode(std::string_view op) {
  if (op == "+") return kAdd;
  if (op == "-") return kSubtract;
  if (op == "*") return kMultiply;
  if (op == "/") return kDivide;
  return -1;
}

// A number text as the rules read it: "," decimal separator, blanks around
// allowed; nothing when it is not a number.
std::optional<double> ReadNumber(std::string_view text) {
  const double v = NumberOrDefault(text, std::numeric_limits<double>::quiet_NaN());
  if (std::isnan(v)) return std::nullopt;
  return v;
}

// Breaks off the test of a rule: it then counts as holding.
struct RuleBroken {};

double ReadNumberOrBreak(std::string_view text) {
  const auto v = ReadNumber(text);
  if (!v) throw RuleBroken{};
  return *v;
}

std::string Numbered(std::size_t number, std::string_view text) {
  std::string s = std::to_string(number);
  s += text;
  return s;
}

// The value of a cell: its displayed text read as a number, 0 when it is
// empty or not a number.
double CellNumber(const TCell& cell) {
  const auto v = ReadNumber(cell.label.caption);
  return v ? *v : 0.0;
}

// The cell an address names in a table: "r c" the grid address, "0 n"
// cell number n - 2 (the offset the rule files are written for).
const TCell* AddressedCell(const TTable& table, std::string_view address) {
  const std::size_t blank = address.find(' ');
  int r = 0, c = 0;
  std::from_chars(address.data(), address.data() + blank, r);
  std::from_chars(address.data() + blank + 1, address.data() + address.size(), c);
  if (r == 0) return CellByNumber(table.data, c - 2);
  return GetCell(table.data, c, r);
}

int AddressLastNumber(std::string_view address) {
  int n = 0;
  const std::size_t blank = address.find(' ');
  std::from_chars(address.data() + blank + 1, address.data() + address.size(), n);
  return n;
}

bool IsAddress(std::string_view text) { return text.find(' ') != std::string_view::npos; }

std::string CellMessage(std::size_t number, std::string_view condition, std::string_view message) {
  const std::size_t close = condition.find(')');
  std::string head(close == std::string_view::npos ? std::string_view{}
                                                   : Trim(condition.substr(0, close + 1)));
  for (char& ch : head)
    if (ch == ' ') ch = '-';
  std::string s = Numbered(number, ". Ячейка "_w);
  s += head;
  s += ": ";
  s += message;
  return s;
}

}  // namespace

std::string GeneralNumberText(double value) {
  if (value == 0 || !std::isfinite(value)) return "0";
  // 15 significant digits: d.dddddddddddddde±x
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
  bool negative = false;
  if (s.front() == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  const std::size_t e = s.find('e');
  int exponent = 0;
  std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), exponent);
  std::string digits;
  digits += s[0];
  digits.append(s.substr(2, e - 2));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  // The decimal point stands after digit (exponent + 1).
  const int pointPos = exponent + 1;
  if (pointPos > 15 || pointPos < -3) {
    out += digits[0];
    if (digits.size() > 1) {
      out += ',';
      out.append(digits, 1);
    }
    out += 'E';
    out += std::to_string(exponent);
  } else if (pointPos <= 0) {
    out += "0,";
    out.append(static_cast<std::size_t>(-pointPos), '0');
    out += digits;
  } else if (static_cast<std::size_t>(pointPos) >= digits.size()) {
    out += digits;
    out.append(static_cast<std::size_t>(pointPos) - digits.size(), '0');
  } else {
    out.append(digits, 0, static_cast<std::size_t>(pointPos));
    out += ',';
    out.append(digits, static_cast<std::size_t>(pointPos));
  }
  return out;
}

ParsedCondition ParseCondition(std::string_view condition) {
  ParsedCondition result;
  std::vector<std::string>& texts = result.texts;
  std::size_t pos = 0;
  for (int operand = 0;; ++operand) {
    std::size_t end = pos;
    while (end < condition.size() && !IsOperatorChar(condition[end])) ++end;
    std::string file, address;
    if (!ParseOperand(condition.substr(pos, end - pos), file, address)) {
      // A last operand that does not fit still uses the text up.
      result.parsed = end == condition.size();
      return result;
    }
    texts.push_back(std::move(file));
    texts.push_back(std::move(address));
    pos = end;
    if (pos == condition.size()) return result;
    std::size_t opEnd = pos;
    const bool comparison = operand == 0;
    while (opEnd < condition.size() &&
           (comparison ? IsComparisonChar(condition[opEnd]) : IsArithChar(condition[opEnd])))
      ++opEnd;
    const std::string_view op = condition.substr(pos, opEnd - pos);
    const int code = comparison ? ComparisonCode(op, condition.substr(opEnd)) : ArithmeticCode(op);
    if (code < 0) {
      result.parsed = false;
      return result;
    }
    texts.push_back(std::to_string(code));
    pos = opEnd;
  }
}

TestResult TestCondition(TTable& owner, std::string_view condition,
                         std::optional<std::string_view> message, TableLookup* lookup,
                         std::vector<std::string>& protocol) {
  const auto notTested = [&] {
    std::string s = Numbered(protocol.size() + 1, ". Проверку условия  \""_w);
    s += condition;
    s += "\"  выполнить не удалось."_w;
    protocol.push_back(std::move(s));
    return TestResult::NotTested;
  };
  ParsedCondition parsed = ParseCondition(condition);
  if (!parsed.parsed) return notTested();
  std::vector<std::string>& t = parsed.texts;
  // Operand positions 0..m; an incomplete form (no right side, or an
  // operator without its operand) breaks the rule off.
  if (t.size() < 5 || t.size() % 3 != 2) return TestResult::Error;
  const std::size_t operands = (t.size() + 1) / 3;
  try {
    const bool emptyMode = t[3].empty() && IsEmptyWord(t[4]);
    std::string captured;
    for (std::size_t i = 0; i < operands; ++i) {
      const std::string& file = t[3 * i];
      const std::string& address = t[3 * i + 1];
      double value;
      if (!file.empty()) {
        TTable* other = lookup ? lookup->FindTable(owner, file) : nullptr;
        if (!other) {
          value = kNoValue;
        } else {
          const TCell* cell = AddressedCell(*other, address);
          if (!cell) throw RuleBroken{};
          value = CellNumber(*cell);
        }
      } else if (!IsAddress(address)) {
        const auto v = ReadNumber(address);
        value = v ? *v : kNoValue;
      } else if (emptyMode) {
        const TCell* cell = CellByNumber(owner.data, AddressLastNumber(address));
        if (!cell) throw RuleBroken{};
        captured = Trim(cell->label.caption);
        value = 0;
      } else {
        const TCell* cell = AddressedCell(owner, address);
        if (!cell) throw RuleBroken{};
        value = CellNumber(*cell);
      }
      if (value < -999999999 && !emptyMode) return notTested();
      t[3 * i + 1] = captured.empty() ? GeneralNumberText(value) : captured;
    }
    // The right side: "*" and "/" first, then "+" and "-", left to right.
    std::vector<std::string> values;
    std::vector<int> ops;
    for (std::size_t i = 1; i < operands; ++i) {
      values.push_back(std::move(t[3 * i + 1]));
      if (i + 1 < operands) ops.push_back(std::stoi(t[3 * i + 2]));
    }
    for (int pass = 0; pass < 2; ++pass) {
      for (std::size_t k = 0; k < ops.size();) {
        const int op = ops[k];
        const bool now = pass == 0 ? (op == kMultiply || op == kDivide) : (op == kAdd || op == kSubtract);
        if (!now) {
          ++k;
          continue;
        }
        const double a = ReadNumberOrBreak(values[k]);
        const double b = ReadNumberOrBreak(values[k + 1]);
        double r;
        switch (op) {
          case kMultiply: r = a * b; break;
          case kDivide:
            if (b == 0) throw RuleBroken{};
            r = a / b;
            break;
          case kAdd: r = a + b; break;
          default: r = a - b; break;
        }
        if (!std::isfinite(r)) throw RuleBroken{};
        values[k] = GeneralNumberText(r);
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(k) + 1);
        ops.erase(ops.begin() + static_cast<std::ptrdiff_t>(k));
      }
    }
    const auto rv = ReadNumber(values.front());
    const double R = rv ? *rv : 0.0;
    const int code = std::stoi(t[2]);
    bool holds;
    if (code == kNotEmpty) {
      holds = !captured.empty();
    } else {
      const double L = ReadNumberOrBreak(t[1]);
      switch (code) {
        case kEqual: holds = L == R; break;
        case kNotEqual: holds = L != R; break;
        case kGreater: holds = L > R; break;
        case kGreaterEqual: holds = L >= R; break;
        case kLess: holds = L < R; break;
        case kLessEqual: holds = L <= R; break;
        default: holds = (L == 0) == (R == 0); break;
      }
    }
    if (holds) return TestResult::Holds;
    if (message) {
      protocol.push_back(CellMessage(protocol.size() + 1, condition, *message));
    } else {
      std::string s = Numbered(protocol.size() + 1, ". Условие  "_w);
      s += condition;
      s += "  не выполняется."_w;
      protocol.push_back(std::move(s));
    }
    return TestResult::Fails;
  } catch (const RuleBroken&) {
    return TestResult::Error;
  }
}

bool CheckRuleLine(TTable& table, std::string_view line, TableLookup* lookup,
                   std::vector<std::string>& protocol) {
  const std::size_t semi = line.find(';');
  const std::string_view condition = line.substr(0, semi);
  std::optional<std::string_view> message;
  if (semi != std::string_view::npos) message = line.substr(semi + 1);
  if (condition.find('*') == std::string_view::npos) {
    const TestResult r = TestCondition(table, condition, message, lookup, protocol);
    return r == TestResult::Holds || r == TestResult::Error;
  }
  bool ok = true;
  std::string rowCondition;
  for (int i = 1; i <= table.RowCount; ++i) {
    const std::string row = std::to_string(i);
    rowCondition.clear();
    for (char c : condition) {
      if (c == '*') rowCondition += row;
      else rowCondition += c;
    }
    const TestResult r = TestCondition(table, rowCondition, message, lookup, protocol);
    if (r == TestResult::Error) break;
    if (r != TestResult::Holds) ok = false;
  }
  return ok;
}

bool CheckRule(TTable& table, int k, CheckRulesFile& rules, TableLookup* lookup,
               std::vector<std::string>& protocol) {
  return CheckRuleLine(table, rules.RuleLine(table.tableName, k), lookup, protocol);
}

bool CheckRules(TTable& table, CheckRulesFile& rules, TableLookup* lookup,
                std::vector<std::string>& protocol) {
  bool ok = true;
  for (const auto& [k, line] : rules.Rules(table.tableName))
    if (!CheckRuleLine(table, line, lookup, protocol)) ok = false;
  return ok;
}

bool CheckRows(TTable& table, std::vector<std::string>& protocol) {
  bool ok = true;
  for (int r = 1; r <= table.RowCount; ++r) {
    const TRow* row = RowAt(table.data, r);
    if (!row) break;
    int T = 0, TE = 0, D = 0, DE = 0;
    for (const auto& cell : row->cells) {
      const std::string& text = cell->label.caption;
      switch (cell->type) {
        case cell_type::kText:
        case cell_type::kListValue:
          ++T;
          if (Trim(text).empty()) ++TE;
          break;
        case cell_type::kInteger:
        case cell_type::kReal: {
          ++D;
          if (Trim(text).empty()) {
            ++DE;
          } else {
            const auto v = ReadNumber(text);
            if (!v) throw EConvertError("'" + text + "' is not a valid floating point value");
            if (*v == 0) ++DE;
          }
          break;
        }
        case cell_type::kDate:
        case cell_type::kLongText:
        case cell_type::kCountsAsInput:
          ++D;
          if (Trim(text).empty()) ++DE;
          break;
        default:
          break;
      }
    }
    if (T == 0) continue;
    if (D > 0 && TE == T && DE == D) continue;
    if (TE == 0 && DE < D) continue;
    if (D == 0 && TE == 0) continue;
    if (D > 0 && DE == D) {
      protocol.push_back(Numbered(protocol.size() + 1, ". Строка "_w) + std::to_string(r) +
                         std::string(" имеет заполненные текстовые ячейки, но не содержит данных."_w));
      ok = false;
    } else if (D > 0) {
      protocol.push_back(Numbered(protocol.size() + 1, ". Строка "_w) + std::to_string(r) +
                         std::string(" содержит данные, а текстовые ячейки не заполнены."_w));
      ok = false;
    }
  }
  return ok;
}

// --- the rules file ---------------------------------------------------------

CheckRulesFile::CheckRulesFile() = default;
CheckRulesFile::~CheckRulesFile() = default;

void CheckRulesFile::Open(const std::string& path) {
  if (ini_) return;
  ini_ = std::make_unique<TMyIniFile>(path);
  // The rules are only read; releasing must leave the file as it is.
  ini_->DiscardChanges();
  path_ = path;
  sections_.clear();
}

void CheckRulesFile::Release() {
  ini_.reset();
  path_.clear();
  sections_.clear();
}

CheckRulesFile::Section& CheckRulesFile::SectionOf(std::string_view tableName) {
  auto it = sections_.find(std::string(tableName));
  if (it != sections_.end()) return it->second;
  Section s;
  if (ini_) {
    s.count = ini_->ReadInteger(tableName, "Count", 0);
    if (s.count > 0) {
      // Only the keys the section holds; a missing key holds silently.
      std::vector<std::string> keys;
      const auto& lines = ini_->Section(tableName);
      for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t eq = lines[i].find('=');
        if (eq == std::string::npos) continue;
        keys.push_back(lines[i].substr(0, eq));
      }
      for (const std::string& key : keys) {
        const auto k = PositiveInt(key);
        if (!k || *k > s.count || std::to_string(*k) != key) continue;
        s.rules.emplace_back(*k, ini_->ReadString(tableName, key, ""));
      }
      std::sort(s.rules.begin(), s.rules.end(),
                [](const auto& a, const auto& b) { return a.first < b.first; });
      // The first line of a key wins, as in reading it.
      s.rules.erase(std::unique(s.rules.begin(), s.rules.end(),
                                [](const auto& a, const auto& b) { return a.first == b.first; }),
                    s.rules.end());
    }
    ini_->DiscardChanges();
  }
  return sections_.emplace(std::string(tableName), std::move(s)).first->second;
}

int CheckRulesFile::Count(std::string_view tableName) { return SectionOf(tableName).count; }

const std::string& CheckRulesFile::RuleLine(std::string_view tableName, int k) {
  static const std::string kNone;
  const Section& s = SectionOf(tableName);
  for (const auto& [key, line] : s.rules)
    if (key == k) return line;
  return kNone;
}

const std::vector<std::pair<int, std::string>>& CheckRulesFile::Rules(std::string_view tableName) {
  return SectionOf(tableName).rules;
}

}  // namespace rpt::checks
